// Simulated time: the step time of the parameter block, and pages that last their display time.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "Timing.h"

namespace displaysim::test {
namespace {

platform::TBitmap Dot(platform::TColor color) {
  platform::TBitmap b(1, 1);
  b.SetPixel(0, 0, color);
  return b;
}

// Which page shows: page n lights pixel (n, 0).
int ShownPage(const TShot& shot) {
  const auto lit = shot.Lit();
  return lit.size() == 1 ? lit[0].first : -1;
}

TEST(Timing, StepTimeIsKeptWithinTheDialogsRange) {
  struct TCase {
    int Block, Step;
  };
  for (const TCase& c : {TCase{20, 20}, {50, 50}, {2000, 2000}, {0, 20}, {19, 20}, {5000, 2000}, {65535, 2000}}) {
    const auto block = ParamBlock(64, 16, 1, c.Block);
    EXPECT_EQ(c.Step, StepTimeOfBlock(block.data(), block.size())) << c.Block;
  }
  EXPECT_EQ(MinStepMs, StepTimeOfBlock(nullptr, 0));
  EXPECT_EQ(MinStepMs, StepTimeOfBlock(ParamBlock(1, 1, 1, 100).data(), 7));
}

TEST(Timing, PagesLastTheirDisplayTimeAndWrap) {
  const TProgram program = WriteProgram(
      1, {{1000, {PictureWindow(0, 0, Dot(platform::clRed))}},
          {3000, {PictureWindow(1, 0, Dot(platform::clRed))}}});
  TPlayer player(program, 4, 1, 1, 50);
  std::vector<int> pages;
  for (const TShot& shot : player.Steps(2 * 80 + 1)) pages.push_back(ShownPage(shot));
  std::vector<int> expected;
  for (int round = 0; round < 2; ++round) {
    expected.insert(expected.end(), 20, 0);
    expected.insert(expected.end(), 60, 1);
  }
  expected.push_back(0);
  EXPECT_EQ(expected, pages);
}

TEST(Timing, PageOfDisplayTimeZeroLastsOneStep) {
  const TProgram program = WriteProgram(
      1, {{0, {PictureWindow(0, 0, Dot(platform::clRed))}},
          {100, {PictureWindow(1, 0, Dot(platform::clRed))}},
          {0, {PictureWindow(2, 0, Dot(platform::clRed))}}});
  TPlayer player(program, 4, 1, 1, 50);
  std::vector<int> pages;
  for (const TShot& shot : player.Steps(9)) pages.push_back(ShownPage(shot));
  EXPECT_EQ((std::vector<int>{0, 1, 1, 2, 0, 1, 1, 2, 0}), pages);
}

TEST(Timing, DisplayTimeNotAWholeNumberOfStepsRoundsUp) {
  TPageClock clock({1000, 70}, 300);  // 4 steps (1200 ms), then 1 step
  std::vector<size_t> pages;
  for (int i = 0; i < 6; ++i) {
    pages.push_back(clock.Page());
    clock.Advance();
  }
  EXPECT_EQ((std::vector<size_t>{0, 0, 0, 0, 1, 0}), pages);
}

TEST(Timing, ScreenWithoutPagesStaysBlack) {
  const TProgram program = WriteProgram(1, {});
  ASSERT_EQ(12u, program.size());
  TPlayer player(program, 4, 4, 1);
  for (const TShot& shot : player.Steps(3)) EXPECT_TRUE(shot.Lit().empty());
}

}  // namespace
}  // namespace displaysim::test
