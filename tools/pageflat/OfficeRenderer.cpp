#include "OfficeRenderer.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "imaging/Ppm.h"
#include "platform/base/AppPaths.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ChildProcess.h"
#include "platform/base/FilePath.h"
#include "tools/pageflat/PageLayout.h"

namespace pageflat {
namespace {

namespace fs = std::filesystem;

// The program as PATH finds it; empty when it is not there.
std::string InPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string_view rest = path;
  while (true) {
    const size_t colon = rest.find(':');
    std::string dir(rest.substr(0, colon));
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + std::string(name);
    if (platform::ProgramFileExists(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

// A file URL of an absolute path: every byte but the unreserved ones and '/' percent-encoded.
std::string FileUrl(std::string_view path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      url += char(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

// The pictures pdftoppm wrote as "page-<n>.ppm" (it pads n to the digits of the last page),
// in page order.
std::vector<std::string> PageMaps(const std::string& dir) {
  std::vector<std::pair<long, std::string>> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() <= 9 || name.rfind("page-", 0) != 0 || !name.ends_with(".ppm")) continue;
    const std::string digits = name.substr(5, name.size() - 9);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    found.emplace_back(std::strtol(digits.c_str(), nullptr, 10), e.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& f : found) paths.push_back(std::move(f.second));
  return paths;
}

// Stops a program that ran too long or whose render was cancelled, and what it started: those
// share pageflat's group, which pageflat leads when the editor started it. pageflat itself is
// kept out of the signal.
void StopChildren(platform::TChildProcess& child) {
  child.Signal(SIGKILL);
  if (::getpgrp() == ::getpid()) {
    struct sigaction ignore {}, old{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGTERM, &ignore, &old);
    ::kill(0, SIGTERM);
    ::sigaction(SIGTERM, &old, nullptr);
  }
  child.Reap();
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool FindOfficeTools(TOfficeTools& tools, std::string& message) {
  const char* named = std::getenv("CORVANE_SOFFICE");
  if (named && *named)
    tools.Soffice = platform::ProgramFileExists(named) ? std::string(named) : std::string();
  else
    tools.Soffice = InPath("soffice");
  tools.Pdftoppm = InPath("pdftoppm");
  if (tools.Soffice.empty() && tools.Pdftoppm.empty())
    message = "pageflat: LibreOffice (soffice) and pdftoppm not found: install the packages "
              "libreoffice-writer-nogui and poppler-utils";
  else if (tools.Soffice.empty())
    message = "pageflat: LibreOffice (soffice) not found: install the package "
              "libreoffice-writer-nogui";
  else if (tools.Pdftoppm.empty())
    message = "pageflat: pdftoppm not found: install the package poppler-utils";
  else
    return true;
  return false;
}

TOfficeRenderer::TOfficeRenderer(TOfficeTools tools, int childLimitMs)
    : tools_(std::move(tools)), childLimitMs_(childLimitMs) {}

TOfficeRenderer::~TOfficeRenderer() {
  if (folder_.empty()) return;
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

TOfficeRenderer::TRun TOfficeRenderer::RunChild(const std::vector<std::string>& argv,
                                                const std::vector<pollfd>& watch) {
  platform::TChildProcess child;
  platform::TSpawnOptions options;
  options.NullStdout = true;
  options.NullStderr = true;
  if (!child.Start(argv, options)) return TRun::CannotRun;
  const int64_t end = NowMs() + childLimitMs_;
  std::vector<pollfd> fds = watch;
  fds.push_back({child.ExitFd(), POLLIN, 0});  // -1 without a process descriptor: not polled
  for (;;) {
    if (child.Exited()) return child.Reap() == 0 ? TRun::Ok : TRun::Failed;
    const int64_t left = end - NowMs();
    if (left <= 0) {
      StopChildren(child);
      return TRun::TimedOut;
    }
    for (pollfd& p : fds) p.revents = 0;
    const int wait = child.ExitFd() >= 0 ? int(left) : int(std::min<int64_t>(left, 10));
    if (::poll(fds.data(), fds.size(), wait) < 0) continue;  // EINTR: look again
    for (size_t i = 0; i + 1 < fds.size(); ++i)
      if (fds[i].revents != 0) {
        StopChildren(child);
        return TRun::Cancelled;
      }
  }
}

TOfficeRenderer::TRun TOfficeRenderer::Convert(const std::string& format,
                                               const std::string& source,
                                               const std::string& outDir,
                                               const std::vector<pollfd>& watch) {
  return RunChild({tools_.Soffice, "--headless", "--norestore", "--nolockcheck",
                   "--nodefault", "-env:UserInstallation=" + FileUrl(folder_ + "profile"),
                   "--convert-to", format, "--outdir", outDir, source},
                  watch);
}

TRenderStatus TOfficeRenderer::Render(const std::string& document, int width, int height,
                                      int maxPages, const std::vector<pollfd>& watch,
                                      const TPageSink& sink) {
  if (folder_.empty()) folder_ = platform::MakePrivateTempFolder("pageflat-");
  if (folder_.empty()) return TRenderStatus::NotConverted;
  // LibreOffice would wait for ever on a pipe, and reads a folder as something else.
  const std::string source = platform::AbsolutePath(document);
  if (!platform::RegularFileExists(source)) return TRenderStatus::NotConverted;

  const std::string work = folder_ + "work-" + std::to_string(++renders_) + "/";
  struct TRemove {
    std::string Path;
    ~TRemove() {
      std::error_code ec;
      fs::remove_all(Path, ec);
    }
  } removeWork{work};
  std::error_code ec;
  for (const char* sub : {"in", "pdf", "ppm"}) fs::create_directories(work + sub, ec);
  if (ec) return TRenderStatus::NotConverted;
  // Under a name of our own, so the outputs' names are known and no name of the user's can
  // read as an option.
  const std::string input = work + "in/document" + platform::ExtractFileExt(source);
  fs::create_symlink(source, input, ec);
  if (ec) return TRenderStatus::NotConverted;

  auto failed = [](TRun run, TRenderStatus otherwise) {
    if (run == TRun::CannotRun) return TRenderStatus::ToolsMissing;
    if (run == TRun::Cancelled) return TRenderStatus::Cancelled;
    return otherwise;
  };
  TRun run = Convert("fodt", input, work, watch);
  const std::string flat = work + "document.fodt";
  if (run != TRun::Ok || !platform::RegularFileExists(flat))
    return failed(run, TRenderStatus::NotConverted);
  std::string text;
  if (!platform::ReadWholeFile(flat, text)) return TRenderStatus::NotConverted;
  text = SetPageLayouts(text, width, height);
  if (!platform::SaveFileAtomic(flat, text.data(), text.size())) return TRenderStatus::NotConverted;

  run = Convert("pdf:writer_pdf_Export", flat, work + "pdf", watch);
  const std::string pdf = work + "pdf/document.pdf";
  if (run != TRun::Ok || !platform::RegularFileExists(pdf))
    return failed(run, TRenderStatus::NotConverted);

  std::vector<std::string> argv = {tools_.Pdftoppm, "-r", "96", "-scale-to-x",
                                   std::to_string(width), "-scale-to-y", std::to_string(height)};
  if (maxPages > 0) argv.insert(argv.end(), {"-l", std::to_string(maxPages)});
  argv.insert(argv.end(), {pdf, work + "ppm/page"});
  run = RunChild(argv, watch);
  if (run != TRun::Ok) return failed(run, TRenderStatus::PageFailed);

  const std::vector<std::string> maps = PageMaps(work + "ppm");
  if (maps.empty()) return TRenderStatus::PageFailed;
  int index = 0;
  for (const std::string& map : maps) {
    std::string bytes;
    if (!platform::ReadWholeFile(map, bytes)) return TRenderStatus::PageFailed;
    imaging::TPPMGraphic picture;
    try {
      picture.LoadFromStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    } catch (const std::exception&) {
      return TRenderStatus::PageFailed;
    }
    platform::TBitmap& page = picture.Bitmap();
    if (page.Width() != width || page.Height() != height) return TRenderStatus::PageFailed;
    if (page.PixelFormat() != platform::pf24bit) page.SetPixelFormat(platform::pf24bit);
    if (!sink(++index, page)) break;
  }
  return TRenderStatus::Done;
}

}  // namespace pageflat
