// Display effects: every one stays inside its window and ends on effect 1's picture; moves go
// whole pixels per step, faster at higher speeds; flicker alternates; a picture wider than its
// window rolls through it.
#include <gtest/gtest.h>

#include "Effects.h"
#include "SimTestSupport.h"
#include "model/stream/WindowRecords.h"

namespace displaysim::test {
namespace {

constexpr int kW = 80, kH = 48;
constexpr int kLeft = 6, kTop = 5;

TPlayer EffectPlayer(const platform::TBitmap& picture, int effect, int speed, bool transparent = false) {
  return TPlayer(WriteProgram(3, {{600000, {PictureWindow(kLeft, kTop, picture, transparent, effect, speed)}}}),
                 kW, kH, 3, 20);
}

TEST(Effects, EveryEffectAndSpeedStaysInsideAndEndsOnTheCopy) {
  const platform::TBitmap picture = FixturePicture("noise", 37, 41);
  const TShot copy = EffectPlayer(picture, 1, 1).Step();
  for (int effect = 1; effect <= 21; ++effect) {
    for (int speed = 1; speed <= 8; ++speed) {
      SCOPED_TRACE(testing::Message() << "effect " << effect << " speed " << speed);
      const int64_t steps = EffectSteps(effect, speed, {37, 41}, {37, 41});
      TPlayer player = EffectPlayer(picture, effect, speed);
      bool changed = false;
      for (int64_t step = 0; step < steps + 3; ++step) {
        const TShot shot = player.Step();
        for (auto [x, y] : shot.Lit())
          ASSERT_TRUE(x >= kLeft && x < kLeft + 37 && y >= kTop && y < kTop + 41);
        if (step >= steps) {
          ASSERT_EQ(copy, shot) << "step " << step;
        }
        if (shot != copy) changed = true;
      }
      EXPECT_EQ(effect != 1, changed);
    }
  }
}

TEST(Effects, UnknownCodesAndSpeedsActAsTheNearest) {
  const platform::TBitmap picture = FixturePicture("gradient", 64, 32);
  const TShot copy = EffectPlayer(picture, 1, 1).Step();
  for (int effect : {0, 22, 999, 0xFFFF}) EXPECT_EQ(copy, EffectPlayer(picture, effect, 3).Step()) << effect;
  EXPECT_EQ(EffectSteps(2, 8, {64, 32}, {64, 32}), EffectSteps(2, 200, {64, 32}, {64, 32}));
  EXPECT_EQ(EffectSteps(2, 1, {64, 32}, {64, 32}), EffectSteps(2, 0, {64, 32}, {64, 32}));
}

// The leftmost lit column of a shot, or -1.
int LeftmostLit(const TShot& shot) {
  int left = -1;
  for (auto [x, y] : shot.Lit())
    if (left < 0 || x < left) left = x;
  return left;
}

TEST(Effects, RollLeftMovesWholePixelsPerStepFasterAtHigherSpeeds) {
  platform::TBitmap bar(40, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) bar.SetPixel(x, y, platform::clWhite);
  for (int speed : {1, 3, 8}) {
    TPlayer player = EffectPlayer(bar, 2, speed);
    EXPECT_EQ(-1, LeftmostLit(player.Step())) << "starts outside the window";
    for (int step = 1; step * speed < 40; ++step)
      ASSERT_EQ(kLeft + 40 - step * speed, LeftmostLit(player.Step())) << speed << " " << step;
    EXPECT_EQ(kLeft, LeftmostLit(player.Step()));
  }
}

TEST(Effects, RevealsOpenFromTheirEdgeOrCentre) {
  platform::TBitmap white(40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) white.SetPixel(x, y, platform::clWhite);
  struct TCase {
    int Effect;
    platform::TRect AtStep3;  // the part shown at step 3, speed 2 (6 pixels from the start)
  };
  const TCase cases[] = {
      {5, {0, 4, 40, 16}},    // rows from the middle (10 +- 6)
      {6, {14, 0, 26, 20}},   // columns from the middle (20 +- 6)
      {7, {14, 4, 26, 16}},   // both
      {10, {0, 0, 6, 20}},    // from the left
      {11, {34, 0, 40, 20}},  // from the right
  };
  const uint32_t on = EffectPlayer(white, 1, 1).Step().At(kLeft, kTop);
  for (const TCase& c : cases) {
    TPlayer player = EffectPlayer(white, c.Effect, 2);
    const TShot shot = player.Steps(4).back();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        ASSERT_EQ(c.AtStep3.Offset(kLeft, kTop).Contains(x, y) ? on : 0u, shot.At(x, y))
            << c.Effect << ": " << x << ", " << y;
  }
}

TEST(Effects, MoveInsComeFromTheirSide) {
  platform::TBitmap dot(20, 20);
  dot.SetPixel(0, 0, platform::clWhite);  // the picture's top-left corner
  struct TCase {
    int Effect;
    int X, Y;  // where the corner is at step 5, speed 1, relative to the window
  };
  const TCase cases[] = {
      {8, 15, 0},  {9, -15, 0},  {4, 0, 15},  {17, 0, 15},  {16, 0, -15},  {19, 0, -15},
      {20, -15, 0}, {12, 15, -15}, {13, 15, 15}, {14, -15, -15}, {15, -15, 15}, {2, 15, 0},
  };
  for (const TCase& c : cases) {
    const TShot shot = EffectPlayer(dot, c.Effect, 1).Steps(6).back();
    const auto lit = shot.Lit();
    if (c.X < 0 || c.Y < 0) {
      EXPECT_TRUE(lit.empty()) << c.Effect;  // the corner is still outside the window
      continue;
    }
    ASSERT_EQ(1u, lit.size()) << c.Effect;
    EXPECT_EQ(std::make_pair(kLeft + c.X, kTop + c.Y), lit[0]) << c.Effect;
  }
}

TEST(Effects, FlickerAlternatesThenStays) {
  platform::TBitmap white(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) white.SetPixel(x, y, platform::clWhite);
  for (int speed : {8, 6}) {
    TPlayer player = EffectPlayer(white, 18, speed);
    const int phase = 9 - speed;
    std::vector<bool> shown, expected;
    for (int step = 0; step < 8 * phase; ++step) {
      shown.push_back(!player.Step().Lit().empty());
      expected.push_back(step >= 6 * phase || (step / phase) % 2 == 0);
    }
    EXPECT_EQ(expected, shown) << speed;
  }
}

TEST(Effects, ContinuousRollsTurnOnceRound) {
  platform::TBitmap dot(30, 20);
  dot.SetPixel(2, 3, platform::clWhite);
  // Left: the dot leaves at the left edge and comes back in at the right.
  TPlayer left = EffectPlayer(dot, 3, 1);
  std::vector<std::pair<int, int>> path;
  for (const TShot& shot : left.Steps(31)) path.push_back(shot.Lit().empty() ? std::make_pair(-1, -1) : shot.Lit()[0]);
  EXPECT_EQ(std::make_pair(kLeft + 2, kTop + 3), path[0]);
  EXPECT_EQ(std::make_pair(kLeft, kTop + 3), path[2]);
  EXPECT_EQ(std::make_pair(kLeft + 29, kTop + 3), path[3]);
  EXPECT_EQ(std::make_pair(kLeft + 2, kTop + 3), path[30]);
  // Down: the dot leaves at the bottom and comes back in at the top.
  TPlayer down = EffectPlayer(dot, 21, 1);
  const auto shots = down.Steps(21);
  EXPECT_EQ(std::make_pair(kLeft + 2, kTop + 19), shots[16].Lit()[0]);
  EXPECT_EQ(std::make_pair(kLeft + 2, kTop + 0), shots[17].Lit()[0]);
  EXPECT_EQ(std::make_pair(kLeft + 2, kTop + 3), shots[20].Lit()[0]);
}

TEST(Effects, WidePictureRollsThroughItsWindow) {
  // A line of text as wide as three windows: after its effect it moves left until its right
  // end has come in, then shows from its start again.
  platform::TBitmap line(90, 8);
  line.SetPixel(0, 0, platform::clWhite);
  line.SetPixel(89, 7, platform::clWhite);
  TPlayer player(WriteProgram(1, {{600000, {[&](model::TProgramStream& s) {
                                      model::WritePictureWindow({0, 0, 30, 8}, line, 1, 2, false, s);
                                    }}}}),
                 40, 8, 1, 20);
  const auto shots = player.Steps(33);
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 0}}), shots[0].Lit());
  EXPECT_TRUE(shots[1].Lit().empty());                                     // start moved out, end not in
  EXPECT_EQ((std::vector<std::pair<int, int>>{{29, 7}}), shots[30].Lit());  // 60 pixels on
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 0}}), shots[31].Lit());   // from the start again
  EXPECT_EQ(shots[31], shots[32]);
}

TEST(Effects, TransparentWindowHidesNothingWhileItsPictureIsAway) {
  platform::TBitmap red(20, 10), white(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) red.SetPixel(x, y, platform::clRed);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) white.SetPixel(x, y, platform::clWhite);
  for (bool transparent : {true, false}) {
    TPlayer player(WriteProgram(1, {{600000, {PictureWindow(0, 0, red),
                                              PictureWindow(0, 0, white, transparent, 2, 1)}}}),
                   20, 10, 1, 20);
    const TShot first = player.Step();  // the white picture is still right of its window
    EXPECT_EQ(transparent ? kRed : 0u, first.At(5, 5));
    EXPECT_EQ(kRed, first.At(15, 5));
  }
}

}  // namespace
}  // namespace displaysim::test
