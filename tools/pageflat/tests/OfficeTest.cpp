// pageflat with LibreOffice and pdftoppm on a real document (fixtures/two_pages.doc, made by
// make_fixtures.sh). Skipped on a machine without them.
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/base/AtomicFile.h"
#include "platform/base/ChildProcess.h"
#include "platform/base/tests/FileWatch.h"
#include "platform/gfx/BmpImage.h"
#include "tools/pageflat/OfficeRenderer.h"
#include "tools/pageflat/tests/RequestMessage.h"

namespace pageflat {
namespace {

namespace fs = std::filesystem;

constexpr int LimitMs = 180000;

class TOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    TOfficeTools tools;
    std::string message;
    if (!FindOfficeTools(tools, message)) GTEST_SKIP() << message;
    std::string t = (fs::temp_directory_path() / "pageflat-office-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  static std::string Document() { return std::string(CORVANE_FIXTURES) + "/two_pages.doc"; }

  static platform::TBitmap Load(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
    return platform::ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  std::string dir_;
};

bool SamePixels(const platform::TBitmap& a, const platform::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

TEST_F(TOffice, PagesModeWritesBothPagesAtTheAskedSize) {
  platform::TChildProcess child;
  platform::TSpawnOptions options;
  options.NewProcessGroup = true;
  ASSERT_TRUE(child.Start({PAGEFLAT_PROGRAM, "--pages", Document(), "256", "128", File("out")},
                          options));
  ASSERT_TRUE(child.WaitExit(LimitMs));
  ASSERT_EQ(child.Reap(), 0);
  const platform::TBitmap one = Load(File("out/page-0001.bmp"));
  const platform::TBitmap two = Load(File("out/page-0002.bmp"));
  EXPECT_FALSE(fs::exists(File("out/page-0003.bmp")));
  for (const platform::TBitmap* page : {&one, &two}) {
    EXPECT_EQ(page->Width(), 256);
    EXPECT_EQ(page->Height(), 128);
    // White paper with dark text on it.
    EXPECT_EQ(page->GetPixel(255, 127), platform::clWhite);
    bool dark = false;
    for (int y = 0; y < 128 && !dark; ++y)
      for (int x = 0; x < 256 && !dark; ++x) dark = page->GetPixel(x, y) == platform::clBlack;
    EXPECT_TRUE(dark);
  }
  EXPECT_FALSE(SamePixels(one, two));

  // Serve mode writes page 1 at the bitmap path, plain and exactly inverted.
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
  platform::TChildProcess server;
  options.Descriptors = {{fds[1], 3}};
  ASSERT_TRUE(server.Start({PAGEFLAT_PROGRAM, "--serve", "3"}, options));
  ::close(fds[1]);
  for (bool reverse : {false, true}) {
    const auto m = test::Message(Document(), File(reverse ? "r.Bmp" : "p.Bmp"), 256, 128, reverse);
    ASSERT_EQ(::send(fds[0], m.data(), m.size(), 0), ssize_t(m.size()));
  }
  ASSERT_TRUE(platform::test::WaitForFiles(
      dir_, [&] { return fs::exists(File("p.Bmp")) && fs::exists(File("r.Bmp")); }, LimitMs));
  const platform::TBitmap plain = Load(File("p.Bmp"));
  const platform::TBitmap reversed = Load(File("r.Bmp"));
  EXPECT_TRUE(SamePixels(plain, one));
  ASSERT_EQ(reversed.Width(), 256);
  ASSERT_EQ(reversed.Height(), 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(reversed.GetPixel(x, y), plain.GetPixel(x, y) ^ 0xFFFFFF) << x << "," << y;
  ::close(fds[0]);  // the end of the socket ends it
  EXPECT_TRUE(server.WaitExit(20000));
  EXPECT_EQ(server.Reap(), 0);
}

TEST_F(TOffice, ADocumentThatCannotBeConvertedExitsWith3) {
  fs::create_directories(File("in"));
  for (const std::string& doc : {File("missing.doc"), File("in")}) {
    platform::TChildProcess child;
    ASSERT_TRUE(child.Start({PAGEFLAT_PROGRAM, "--pages", doc, "64", "32", File("out")}));
    ASSERT_TRUE(child.WaitExit(LimitMs));
    EXPECT_EQ(child.Reap(), 3) << doc;
  }
}

}  // namespace
}  // namespace pageflat
