// pageflat without LibreOffice: serve and pages mode over a renderer of the test's own, the
// whole-file write, the program's end with its socket, and the program on a machine without
// LibreOffice or pdftoppm.
#include "tools/pageflat/Pageflat.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/base/AtomicFile.h"
#include "platform/base/ChildProcess.h"
#include "platform/base/tests/FileWatch.h"
#include "platform/base/tests/ScopedEnv.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Canvas.h"
#include "tools/pageflat/tests/RequestMessage.h"

namespace pageflat {
namespace {

namespace fs = std::filesystem;
using TEnv = platform::test::TScopedEnv;
using test::Message;
using test::Put32;

class TTempDir {
 public:
  TTempDir() {
    std::string t = (fs::temp_directory_path() / "pageflat-test-XXXXXX").string();
    path_ = ::mkdtemp(t.data());
  }
  ~TTempDir() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Pages of one colour each, the colour taken from the document's name: "red", "green" or
// anything else (blue). Remembers what it was asked.
class TTestRenderer final : public TRenderer {
 public:
  struct TCall {
    std::string Document;
    int Width, Height, MaxPages;
  };
  std::vector<TCall> Calls;
  int Pages = 1;
  TRenderStatus Status = TRenderStatus::Done;

  TRenderStatus Render(const std::string& document, int width, int height, int maxPages,
                       const std::vector<pollfd>&, const TPageSink& sink) override {
    Calls.push_back({document, width, height, maxPages});
    if (Status != TRenderStatus::Done) return Status;
    platform::TColor colour = platform::clBlue;
    if (document.find("red") != std::string::npos) colour = platform::clRed;
    if (document.find("green") != std::string::npos) colour = platform::clLime;
    for (int i = 1; i <= Pages; ++i) {
      platform::TBitmap page(width, height);
      platform::TCanvas canvas(page);
      canvas.Brush = {colour, platform::bsSolid};
      canvas.FillRect({0, 0, width, height});
      page.SetPixel(0, 0, platform::TColor(0x102030 * i));  // tells the pages apart
      if (!sink(i, page)) break;
      if (maxPages > 0 && i >= maxPages) break;
    }
    return TRenderStatus::Done;
  }
};

platform::TBitmap ReadBmpFile(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
  return platform::ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A connected pair: [0] the editor's end, [1] pageflat's.
struct TSocketPair {
  int fd[2] = {-1, -1};
  TSocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fd), 0); }
  ~TSocketPair() {
    for (int f : fd)
      if (f >= 0) ::close(f);
  }
  void Send(const std::vector<uint8_t>& m) {
    ASSERT_EQ(::send(fd[0], m.data(), m.size(), 0), ssize_t(m.size()));
  }
  void CloseEditor() {
    ::close(fd[0]);
    fd[0] = -1;
  }
};

TEST(Serve, RendersPageOneOfEachRequestInOrderAndEndsWithTheSocket) {
  TTempDir dir;
  TTestRenderer renderer;
  renderer.Pages = 3;
  TSocketPair pair;
  pair.Send(Message("/doc/red.doc", dir.File("1.Bmp"), 16, 8, 0));
  pair.Send(Message("/doc/green.doc", dir.File("2.Bmp"), 4, 2, 1));
  pair.CloseEditor();
  EXPECT_EQ(Serve(pair.fd[1], renderer), 0);  // returns at the end of the socket

  ASSERT_EQ(renderer.Calls.size(), 2u);
  EXPECT_EQ(renderer.Calls[0].Document, "/doc/red.doc");
  EXPECT_EQ(renderer.Calls[0].MaxPages, 1);
  EXPECT_EQ(renderer.Calls[1].Width, 4);
  EXPECT_EQ(renderer.Calls[1].Height, 2);

  const platform::TBitmap first = ReadBmpFile(dir.File("1.Bmp"));
  EXPECT_EQ(first.Width(), 16);
  EXPECT_EQ(first.Height(), 8);
  EXPECT_EQ(first.PixelFormat(), platform::pf24bit);
  EXPECT_EQ(first.GetPixel(0, 0), platform::TColor(0x102030));  // page 1
  EXPECT_EQ(first.GetPixel(15, 7), platform::clRed);
  // Inverted: every colour's complement.
  const platform::TBitmap second = ReadBmpFile(dir.File("2.Bmp"));
  EXPECT_EQ(second.GetPixel(0, 0), platform::TColor(0xEFDFCF));
  EXPECT_EQ(second.GetPixel(3, 1), platform::TColor(0xFF00FF));
}

TEST(Serve, MessagesThatAreNoRequestWriteNothing) {
  TTempDir dir;
  TTestRenderer renderer;
  TSocketPair pair;
  const std::string bitmap = dir.File("x.Bmp");
  auto unterminated = Message(std::string(264, 'a'), bitmap, 8, 8, 0);
  pair.Send(unterminated);
  pair.Send(Message("/red.doc", std::string(264, 'b'), 8, 8, 0));
  for (auto [w, h] : {std::pair{0, 8}, {8, 0}, {-1, 8}, {8, -3}, {65536, 8}, {8, 65536}})
    pair.Send(Message("/red.doc", bitmap, w, h, 0));
  auto wrongId = Message("/red.doc", bitmap, 8, 8, 0);
  Put32(wrongId, 0, 0x4444);
  pair.Send(wrongId);
  pair.Send(std::vector<uint8_t>(100, 1));
  std::vector<uint8_t> huge(10000, 0);
  pair.Send(huge);
  pair.CloseEditor();
  std::vector<size_t> sizes;
  TServeHooks hooks;
  hooks.OnMessage = [&](std::span<const uint8_t> m) { sizes.push_back(m.size()); };
  EXPECT_EQ(Serve(pair.fd[1], renderer, hooks), 0);
  EXPECT_TRUE(renderer.Calls.empty());
  EXPECT_FALSE(fs::exists(bitmap));
  EXPECT_EQ(sizes.size(), 10u);  // all but the one too long to be a request were seen
}

TEST(Serve, AFailedRenderWritesNothingAndGoesOn) {
  TTempDir dir;
  TTestRenderer renderer;
  renderer.Status = TRenderStatus::NotConverted;
  TSocketPair pair;
  pair.Send(Message("/red.doc", dir.File("a.Bmp"), 8, 8, 0));
  pair.Send(Message("/red.doc", dir.File("b.Bmp"), 8, 8, 0));
  pair.CloseEditor();
  EXPECT_EQ(Serve(pair.fd[1], renderer), 0);
  EXPECT_EQ(renderer.Calls.size(), 2u);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(Serve, APollerNeverLoadsPartOfABitmap) {
  TTempDir dir;
  TTestRenderer renderer;
  TSocketPair pair;
  const std::string bitmap = dir.File("shared.Bmp");
  constexpr int Requests = 40;
  // Large pictures (768 KB), so that a write takes many steps.
  for (int i = 0; i < Requests; ++i)
    pair.Send(Message(i % 2 ? "/red.doc" : "/green.doc", bitmap, 512, 512, uint8_t(i % 2)));
  pair.CloseEditor();
  std::atomic<bool> done{false};
  int loads = 0, partial = 0;
  std::thread poller([&] {
    while (!done.load()) {
      std::string bytes;
      if (!platform::ReadWholeFile(bitmap, bytes)) continue;  // not there yet
      ++loads;
      try {
        const platform::TBitmap b =
            platform::ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        if (b.Width() != 512 || b.Height() != 512) ++partial;
      } catch (const std::exception&) {
        ++partial;
      }
    }
  });
  Serve(pair.fd[1], renderer);
  done = true;
  poller.join();
  EXPECT_EQ(partial, 0);
  EXPECT_GT(loads, 0);
  // Only the bitmap is left: no temporary file stays behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(WritePages, WritesNumberedPagesNotInverted) {
  TTempDir dir;
  TTestRenderer renderer;
  renderer.Pages = 3;
  EXPECT_EQ(WritePages("/red.doc", 6, 5, dir.File("out/pages"), renderer), 0);
  ASSERT_EQ(renderer.Calls.size(), 1u);
  EXPECT_EQ(renderer.Calls[0].MaxPages, 0);
  for (int i = 1; i <= 3; ++i) {
    const platform::TBitmap page =
        ReadBmpFile(dir.File("out/pages/page-000" + std::to_string(i) + ".bmp"));
    EXPECT_EQ(page.Width(), 6);
    EXPECT_EQ(page.Height(), 5);
    EXPECT_EQ(page.GetPixel(0, 0), platform::TColor(0x102030 * i));
    EXPECT_EQ(page.GetPixel(5, 4), platform::clRed);
  }
  EXPECT_FALSE(fs::exists(dir.File("out/pages/page-0004.bmp")));
}

TEST(WritePages, TheRenderersResultIsTheExitCode) {
  TTempDir dir;
  for (TRenderStatus s :
       {TRenderStatus::ToolsMissing, TRenderStatus::NotConverted, TRenderStatus::PageFailed}) {
    TTestRenderer renderer;
    renderer.Status = s;
    EXPECT_EQ(WritePages("/red.doc", 6, 5, dir.Path(), renderer), int(s));
  }
  // A folder that cannot be made: no page can be written.
  ::chmod(dir.Path().c_str(), 0500);
  TTestRenderer renderer;
  if (::geteuid() != 0) {  // root writes anyway
    EXPECT_EQ(WritePages("/red.doc", 6, 5, dir.File("sub"), renderer), 4);
  }
  ::chmod(dir.Path().c_str(), 0700);
}

// ---- The programs ---------------------------------------------------------------------------

// Runs a program with stderr caught; gives its result and what it wrote there.
struct TRun {
  int Result = -1;
  std::string Stderr;
};

TRun RunProgram(const std::vector<std::string>& argv, std::vector<std::pair<int, int>> fds = {}) {
  int err[2];
  EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
  platform::TChildProcess child;
  platform::TSpawnOptions options;
  options.NewProcessGroup = true;
  options.Descriptors = std::move(fds);
  options.Descriptors.push_back({err[1], 2});
  EXPECT_TRUE(child.Start(argv, options));
  ::close(err[1]);
  TRun run;
  char buf[512];
  ssize_t n;
  while ((n = ::read(err[0], buf, sizeof buf)) > 0) run.Stderr.append(buf, size_t(n));
  ::close(err[0]);
  const pid_t group = child.Pid();
  EXPECT_TRUE(child.WaitExit(20000));
  // The program started nothing that outlives it: its group holds only itself.
  EXPECT_EQ(::kill(-group, 0), 0);  // itself, unreaped
  run.Result = child.Reap();
  EXPECT_EQ(::kill(-group, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  return run;
}

TEST(PageflatProgram, WithoutLibreOfficeSaysWhatToInstallAndEndsAtOnce) {
  TTempDir dir;
  TEnv soffice("CORVANE_SOFFICE", nullptr);
  TEnv path("PATH", dir.Path().c_str());  // nothing to find
  const TRun pages = RunProgram({PAGEFLAT_PROGRAM, "--pages", dir.File("a.doc"), "16", "8",
                                 dir.File("out")});
  EXPECT_EQ(pages.Result, 2);
  EXPECT_EQ(pages.Stderr,
            "pageflat: LibreOffice (soffice) and pdftoppm not found: install the packages "
            "libreoffice-writer-nogui and poppler-utils\n");
  EXPECT_FALSE(fs::exists(dir.File("out")));

  TSocketPair pair;
  pair.Send(Message(dir.File("a.doc"), dir.File("1.Bmp"), 8, 8, 0));
  const TRun serve = RunProgram({PAGEFLAT_PROGRAM, "--serve", "3"}, {{pair.fd[1], 3}});
  EXPECT_EQ(serve.Result, 2);
  EXPECT_EQ(std::count(serve.Stderr.begin(), serve.Stderr.end(), '\n'), 1);
  // The editor's end learns that nobody listens any more.
  ::close(pair.fd[1]);
  pair.fd[1] = -1;
  const auto m = Message("/a", "/b", 8, 8, 0);
  EXPECT_EQ(::send(pair.fd[0], m.data(), m.size(), MSG_DONTWAIT | MSG_NOSIGNAL), -1);
}

TEST(PageflatProgram, NamesTheOnePackageThatIsMissing) {
  TTempDir dir;
  TEnv path("PATH", dir.Path().c_str());
  {
    TEnv soffice("CORVANE_SOFFICE", "/bin/true");
    const TRun run = RunProgram({PAGEFLAT_PROGRAM, "--pages", "/a.doc", "16", "8", dir.Path()});
    EXPECT_EQ(run.Result, 2);
    EXPECT_EQ(run.Stderr, "pageflat: pdftoppm not found: install the package poppler-utils\n");
  }
  // A pdftoppm, but no soffice: CORVANE_SOFFICE names nothing that runs.
  fs::copy_file("/bin/true", dir.File("pdftoppm"));
  TEnv soffice("CORVANE_SOFFICE", dir.File("nothing").c_str());
  const TRun run = RunProgram({PAGEFLAT_PROGRAM, "--pages", "/a.doc", "16", "8", dir.Path()});
  EXPECT_EQ(run.Result, 2);
  EXPECT_EQ(run.Stderr,
            "pageflat: LibreOffice (soffice) not found: install the package "
            "libreoffice-writer-nogui\n");
}

TEST(PageflatProgram, BadArgumentsAreAUsageError) {
  const std::vector<std::vector<std::string>> cases = {
      {PAGEFLAT_PROGRAM},
      {PAGEFLAT_PROGRAM, "--serve"},
      {PAGEFLAT_PROGRAM, "--serve", "x"},
      {PAGEFLAT_PROGRAM, "--serve", "99"},
      {PAGEFLAT_PROGRAM, "--pages", "/a", "0", "8", "/o"},
      {PAGEFLAT_PROGRAM, "--pages", "/a", "8", "65536", "/o"},
      {PAGEFLAT_PROGRAM, "--pages", "/a", "8", "8"}};
  for (const std::vector<std::string>& argv : cases) {
    const TRun run = RunProgram(argv);
    EXPECT_EQ(run.Result, 1) << argv.size();
    EXPECT_NE(run.Stderr.find("usage: pageflat"), std::string::npos);
  }
}

// The fake converter runs the same serve loop: with a render that would take a minute, the end
// of the editor's socket ends it at once, and so does SIGTERM.
TEST(PageflatProgram, TheEndOfTheSocketOrAStopSignalCancelsARenderAndEnds) {
  TTempDir dir;
  TEnv delay("FAKE_PAGEFLAT_DELAY_MS", "60000");
  const std::string log = dir.File("log");
  TEnv logged("FAKE_PAGEFLAT_LOG", log.c_str());
  for (bool bySignal : {false, true}) {
    fs::remove(log);
    TSocketPair pair;
    platform::TChildProcess child;
    platform::TSpawnOptions options;
    options.NewProcessGroup = true;
    options.Descriptors = {{pair.fd[1], 3}};
    ASSERT_TRUE(child.Start({FAKE_PAGEFLAT_PROGRAM, "--serve", "3"}, options));
    pair.Send(Message(dir.File("doc"), dir.File("1.Bmp"), 8, 8, 0));
    // It has the request (and its signal handlers) once it has logged it.
    ASSERT_TRUE(platform::test::WaitForFiles(dir.Path(), [&] { return fs::exists(log); }));
    if (bySignal)
      child.Signal(SIGTERM);
    else
      pair.CloseEditor();
    EXPECT_TRUE(child.WaitExit(10000)) << bySignal;
    EXPECT_EQ(child.Reap(), 0);
    EXPECT_FALSE(fs::exists(dir.File("1.Bmp")));
  }
}

}  // namespace
}  // namespace pageflat
