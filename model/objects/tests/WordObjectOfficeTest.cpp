// The Word object with the real converter, LibreOffice and pdftoppm, on a two-page Word
// document (tools/pageflat/tests/fixtures). Skipped on a machine without them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "model/LoadMode.h"
#include "model/TimerClock.h"
#include "model/objects/PageflatClient.h"
#include "model/objects/Texts.h"
#include "model/stream/StreamContext.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/tests/FileWatch.h"
#include "platform/base/tests/ScopedEnv.h"
#include "tools/pageflat/OfficeRenderer.h"

namespace model {
namespace {

class TWordWithOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    pageflat::TOfficeTools tools;
    std::string message;
    if (!pageflat::FindOfficeTools(tools, message)) GTEST_SKIP() << message;
    program_.emplace("CORVANE_PAGEFLAT", PAGEFLAT_PROGRAM);
    SetTimerClock(&clock_);
    SetLoadMode(LoadModeNormal);
  }
  void TearDown() override {
    PageflatClient().Stop();
    SetTimerClock(nullptr);
  }
  static std::string Document() { return std::string(PAGEFLAT_FIXTURES) + "/two_pages.doc"; }

  platform::TFakeClock clock_;
  std::optional<platform::test::TScopedEnv> program_;
};

TEST_F(TWordWithOffice, ThePreviewIsPageOneAndTheRecordBothPages) {
  ASSERT_TRUE(PageflatClient().Start());
  TWordObject word(nullptr);
  word.SetFileName(Document());
  ASSERT_TRUE(word.Polling());
  ASSERT_TRUE(platform::test::WaitForFiles(
      PageflatClient().Folder(),
      [] {
        for (const auto& e : std::filesystem::directory_iterator(PageflatClient().Folder()))
          if (e.path().extension() == ".Bmp") return true;
        return false;
      },
      120000));
  clock_.Advance(TWordObject::PollInterval);
  platform::ProcessMessages();
  EXPECT_FALSE(word.Polling());
  const platform::TBitmap& preview = word.Preview();
  ASSERT_EQ(preview.Width(), 256);
  ASSERT_EQ(preview.Height(), 128);
  EXPECT_EQ(preview.GetPixel(255, 127), platform::clBlack);  // white paper, inverted

  // Sending renders both pages: k = 3, one picture of 256 x 256.
  const platform::TBitmap picture = word.RecordPicture();
  EXPECT_EQ(picture.Width(), 256);
  EXPECT_EQ(picture.Height(), 256);
  EXPECT_EQ(picture.GetPixel(255, 127), platform::clBlack);
  EXPECT_EQ(picture.GetPixel(255, 255), platform::clBlack);
  bool text = false;
  for (int y = 128; y < 256 && !text; ++y)
    for (int x = 0; x < 256 && !text; ++x) text = picture.GetPixel(x, y) == platform::clWhite;
  EXPECT_TRUE(text);  // the second page's dark text, inverted
}

}  // namespace
}  // namespace model
