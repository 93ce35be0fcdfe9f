// Pictures as each colour mode packs them: ImageMagick's pictures written into picture windows
// by model's writers, played for one step, show by the mode's rule, inside their windows only.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "model/stream/StreamContext.h"

namespace displaysim::test {
namespace {

struct TFixture {
  const char* Name;
  int Width, Height;
};
constexpr TFixture kFixtures[] = {
    {"gradient", 64, 32}, {"noise", 37, 41}, {"columns", 4, 33}, {"tiny", 3, 3}};

class PicturesByMode : public ::testing::TestWithParam<int> {};

TEST_P(PicturesByMode, ShowByTheModesRuleInsideTheirWindowOnly) {
  const int mode = GetParam();
  constexpr int kLeft = 5, kTop = 3, kWidth = 80, kHeight = 50;
  for (const TFixture& f : kFixtures) {
    SCOPED_TRACE(f.Name);
    const platform::TBitmap picture = FixturePicture(f.Name, f.Width, f.Height);
    const TShot shot =
        PlayOnce(WriteProgram(mode, {{1000, {PictureWindow(kLeft, kTop, picture)}}}), kWidth, kHeight);
    ExpectShowsByMode(shot, kLeft, kTop, picture, mode);
    for (auto [x, y] : shot.Lit())
      ASSERT_TRUE(x >= kLeft && x < kLeft + f.Width && y >= kTop && y < kTop + f.Height)
          << "lit outside the window at " << x << ", " << y;
  }
}

TEST_P(PicturesByMode, TransparentWindowOrsOverAnOpaqueOne) {
  const int mode = GetParam();
  const platform::TBitmap gradient = FixturePicture("gradient", 64, 32);
  const platform::TBitmap noise = FixturePicture("noise", 37, 41);
  // Alone, each window shows its picture; a transparent one over an opaque one shows the OR
  // of the two, and an opaque one over the other hides it where they overlap.
  const TShot under = PlayOnce(WriteProgram(mode, {{1000, {PictureWindow(0, 0, gradient)}}}), 70, 45);
  const TShot over = PlayOnce(WriteProgram(mode, {{1000, {PictureWindow(20, 4, noise)}}}), 70, 45);
  const TShot ored = PlayOnce(
      WriteProgram(mode, {{1000, {PictureWindow(0, 0, gradient), PictureWindow(20, 4, noise, true)}}}), 70, 45);
  const TShot covered = PlayOnce(
      WriteProgram(mode, {{1000, {PictureWindow(0, 0, gradient), PictureWindow(20, 4, noise, false)}}}), 70, 45);
  for (int y = 0; y < 45; ++y)
    for (int x = 0; x < 70; ++x) {
      ASSERT_EQ(under.At(x, y) | over.At(x, y), ored.At(x, y)) << x << ", " << y;
      const bool inNoise = x >= 20 && x < 57 && y >= 4 && y < 45;
      ASSERT_EQ(inNoise ? over.At(x, y) : under.At(x, y), covered.At(x, y)) << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PicturesByMode, ::testing::Values(1, 2, 3, 4));

TEST(Pictures, PaddingRowsOfTheStoredHeightStayOutsideTheWindow) {
  // A mode-1 block of 2 columns whose stored height is 64 with every bit set, padding rows
  // included, in a window 33 rows high: rows 33-63 never show.
  std::vector<uint8_t> window = {49, 0, 0, 0, 0, 0, 0, 0, 3, 0, 1, 0, 5, 0, 34, 0, 1, 0, 1, 0};
  window.resize(28, 0);
  const std::vector<uint8_t> head = {54, 0, 2, 0, 64, 0, 1, 0, 12 + 16, 0, 0, 0};
  window.insert(window.end(), head.begin(), head.end());
  window.resize(window.size() + 16, 0xFF);
  platform::StoreU32(&window[4], uint32_t(window.size()));
  const TShot shot = PlayOnce(WriteProgram(1, {{1000, {RawRecord(window)}}}), 8, 70);
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(x >= 3 && x < 5 && y >= 1 && y < 34 ? kRed : 0u, shot.At(x, y)) << x << ", " << y;
}

TEST(Pictures, FullColourPixelsFollowTheHeaderElseTheScreensMode) {
  const platform::TBitmap gradient = FixturePicture("gradient", 64, 32);
  // Written in mode 4, played on a mode-3 screen: the header says 4, so no blue appears.
  const TShot byHeader = PlayOnce(WriteProgram(4, {{1000, {PictureWindow(0, 0, gradient)}}}), 64, 32, 3);
  ExpectShowsByMode(byHeader, 0, 0, gradient, 4);
  // The same words under a header that names neither 3 nor 4: the screen's mode decides.
  TProgram unnamed = WriteProgram(4, {{1000, {PictureWindow(0, 0, gradient)}}});
  platform::StoreU16(&unnamed[8], 0);
  ExpectShowsByMode(PlayOnce(unnamed, 64, 32, 4), 0, 0, gradient, 4);
  const TShot asMode3 = PlayOnce(unnamed, 64, 32, 3);
  EXPECT_NE(byHeader, asMode3);
}

}  // namespace
}  // namespace displaysim::test
