// Display effects: every one stays inside its window and ends on effect 1's picture; moves go
// whole pixels per step, faster at higher speeds; flicker alternates; a picture wider than its
// window rolls through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

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

// Pictures larger than their window: a 50 x 12 line and a 20 x 30 column in a 20 x 12 window, at
// speeds whose step does and does not divide the overhang. The expected play follows the
// effects table: a move starts the window's size beyond its right or bottom edge, or the
// picture's size beyond its left or top edge, and goes the speed's pixels a step until it is in
// place; a reveal grows the speed's pixels a step; a turn goes once round. Then a wider picture
// rolls left the speed's pixels a step, the last move as short as it takes to bring its right
// end in, and shows from its start again.
namespace large {

constexpr int kWinW = 20, kWinH = 12;

enum TStart { kInPlace, kAfter, kBefore };  // after: right of / below; before: left of / above
enum TShape { shMove, shOpenLeft, shOpenRight, shOpenColumns, shOpenRows, shOpenCentre,
              shTurnLeft, shTurnDown, shFlicker };

struct TCase {
  int Effect;
  TShape Shape;
  TStart X = kInPlace, Y = kInPlace;
};

const TCase kCases[] = {
    {1, shMove},
    {2, shMove, kAfter},
    {3, shTurnLeft},
    {4, shMove, kInPlace, kAfter},
    {5, shOpenRows},
    {6, shOpenColumns},
    {7, shOpenCentre},
    {8, shMove, kAfter},
    {9, shMove, kBefore},
    {10, shOpenLeft},
    {11, shOpenRight},
    {12, shMove, kAfter, kBefore},
    {13, shMove, kAfter, kAfter},
    {14, shMove, kBefore, kBefore},
    {15, shMove, kBefore, kAfter},
    {16, shMove, kInPlace, kBefore},
    {17, shMove, kInPlace, kAfter},
    {18, shFlicker},
    {19, shMove, kInPlace, kBefore},
    {20, shMove, kBefore},
    {21, shTurnDown},
};

// One step as it should look: where the picture's top-left corner lies (relative to the window)
// and which part of the window shows it.
struct TExpected {
  bool Visible = true;
  std::vector<platform::TPoint> Places{{0, 0}};
  platform::TRect Reveal{0, 0, kWinW, kWinH};
  bool operator==(const TExpected&) const = default;
};

// An axis `d` pixels on from `start` toward its place, 0.
int Approach(int start, int d) {
  return start > 0 ? std::max(start - d, 0) : std::min(start + d, 0);
}

// The effect's own play at `step`, before any roll.
TExpected EffectAt(const TCase& c, int speed, int step, platform::TSize picture) {
  const int d = step * speed;
  TExpected e;
  auto open = [&](int left, int top, int right, int bottom) {
    e.Reveal = {std::max(left, 0), std::max(top, 0), std::min(right, kWinW),
                std::min(bottom, kWinH)};
  };
  auto start = [](TStart s, int window, int size) {
    return s == kAfter ? window : s == kBefore ? -size : 0;
  };
  switch (c.Shape) {
    case shMove:
      e.Places[0] = {Approach(start(c.X, kWinW, picture.cx), d),
                     Approach(start(c.Y, kWinH, picture.cy), d)};
      break;
    case shOpenLeft: open(0, 0, d, kWinH); break;
    case shOpenRight: open(kWinW - d, 0, kWinW, kWinH); break;
    case shOpenColumns: open(kWinW / 2 - d, 0, kWinW / 2 + d, kWinH); break;
    case shOpenRows: open(0, kWinH / 2 - d, kWinW, kWinH / 2 + d); break;
    case shOpenCentre: open(kWinW / 2 - d, kWinH / 2 - d, kWinW / 2 + d, kWinH / 2 + d); break;
    case shTurnLeft:
      if (const int turn = std::max(picture.cx, kWinW); d < turn)
        e.Places = {{-d, 0}, {turn - d, 0}};
      break;
    case shTurnDown:
      if (const int turn = std::max(picture.cy, kWinH); d < turn)
        e.Places = {{0, d}, {0, d - turn}};
      break;
    case shFlicker: {
      const int phase = 9 - speed;
      e.Visible = step >= 6 * phase || (step / phase) % 2 == 0;
      break;
    }
  }
  return e;
}

// The whole play: the effect up to its last step away from effect 1's picture, a wider
// picture's roll, then effect 1's picture for a few steps.
std::vector<TExpected> Play(const TCase& c, int speed, platform::TSize picture) {
  int end = 0;
  for (int step = 0; step < 400; ++step)
    if (EffectAt(c, speed, step, picture) != TExpected{}) end = step + 1;
  std::vector<TExpected> play;
  for (int step = 0; step < end; ++step) play.push_back(EffectAt(c, speed, step, picture));
  if (const int overhang = picture.cx - kWinW; overhang > 0) {
    for (int x = 0; x > -overhang; x -= speed) play.push_back({.Places = {{x, 0}}});
    play.push_back({.Places = {{-overhang, 0}}});
  }
  play.insert(play.end(), 3, TExpected{});
  return play;
}

// Every pixel lit, red or green at random, so that the lit part shows how much of the picture
// is in the window and the colours show which part.
platform::TBitmap RedGreenNoise(int width, int height) {
  platform::TBitmap picture(width, height);
  std::minstd_rand random(uint32_t(width * 100 + height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.SetPixel(x, y, random() % 2 ? platform::clRed : platform::clLime);
  return picture;
}

TPlayer WindowPlayer(const platform::TBitmap& picture, int effect, int speed) {
  return TPlayer(WriteProgram(3, {{600000, {[=](model::TProgramStream& s) {
                                     model::WritePictureWindow(
                                         model::RecordRect(kLeft, kTop, kWinW, kWinH), picture,
                                         uint16_t(effect), uint16_t(speed), false, s);
                                   }}}}),
                 kW, kH, 3, 20);
}

// The screen of an expected step: the picture's pixels, as `whole` shows them (the picture at
// the screen's (kLeft, kTop)), wherever a place puts them inside the reveal.
TShot Render(const TExpected& e, const TShot& whole, platform::TSize picture) {
  TShot shot{kW, kH, std::vector<uint32_t>(size_t(kW) * kH, 0)};
  if (!e.Visible) return shot;
  for (int y = e.Reveal.Top; y < e.Reveal.Bottom; ++y)
    for (int x = e.Reveal.Left; x < e.Reveal.Right; ++x)
      for (const platform::TPoint& p : e.Places)
        if (platform::TRect{0, 0, picture.cx, picture.cy}.Contains(x - p.X, y - p.Y))
          shot.Pixels[size_t(kTop + y) * kW + size_t(kLeft + x)] |=
              whole.At(kLeft + x - p.X, kTop + y - p.Y);
  return shot;
}

// A range of window columns or rows ("none" when empty).
std::string Span(int first, int last) {
  return first > last ? "none" : std::to_string(first) + "-" + std::to_string(last);
}

std::string Corner(platform::TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

// What a step shows, for reading: where the picture's corner lies and which window columns and
// rows are lit.
std::string Describe(platform::TPoint corner, const TShot& shot) {
  int left = kWinW, right = -1, top = kWinH, bottom = -1;
  for (auto [x, y] : shot.Lit()) {
    left = std::min(left, x - kLeft), right = std::max(right, x - kLeft);
    top = std::min(top, y - kTop), bottom = std::max(bottom, y - kTop);
  }
  return "corner " + Corner(corner) + " columns " + Span(left, right) + " rows " +
         Span(top, bottom);
}

TEST(Effects, PicturesLargerThanTheirWindowComeInFromTheirFarEdgeAndRollToTheirEnd) {
  for (platform::TSize size : {platform::TSize{50, 12}, platform::TSize{20, 30}}) {
    const platform::TBitmap picture = RedGreenNoise(size.cx, size.cy);
    const TShot whole = EffectPlayer(picture, 1, 1).Step();
    const TShot copy = WindowPlayer(picture, 1, 1).Step();
    for (int speed : {1, 4, 8}) {
      for (const TCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy << " picture, effect "
                                        << c.Effect << ", speed " << speed);
        const std::vector<TExpected> play = Play(c, speed, size);
        TPlayer player = WindowPlayer(picture, c.Effect, speed);
        std::vector<std::string> expected, shown;
        int firstWrongPixels = -1;
        for (int step = 0; step < int(play.size()); ++step) {
          const TShot shot = player.Step();
          const TShot want = Render(play[step], whole, size);
          const TEffectFrame frame = EffectFrame(c.Effect, speed, step, {kWinW, kWinH}, size);
          expected.push_back(Describe(play[step].Places[0], want));
          shown.push_back(Describe(frame.Places[0], shot));
          if (firstWrongPixels < 0 && shot != want) firstWrongPixels = step;
          if (step + 1 == int(play.size())) {
            EXPECT_EQ(copy, shot) << "the last step is effect 1's picture";
          }
        }
        EXPECT_EQ(expected, shown);
        EXPECT_EQ(-1, firstWrongPixels) << "the first step showing the wrong part of the picture";
      }
    }
  }
}

TEST(Effects, LargePicturesTravelFromTheirFarEdgeToTheirEnd) {
  // The corner's path, spelt out for the cases the issue was found with.
  struct TPath {
    int Effect, Speed;
    platform::TSize Picture;
    std::vector<platform::TPoint> Corner;  // from step 0 until it stays at 0, 0
  };
  const TPath paths[] = {
      // From the left edge, then the roll: the last roll step goes 6 pixels, not 8.
      {9, 8, {50, 12}, {{-50, 0}, {-42, 0}, {-34, 0}, {-26, 0}, {-18, 0}, {-10, 0}, {-2, 0},
                        {0, 0}, {-8, 0}, {-16, 0}, {-24, 0}, {-30, 0}, {0, 0}}},
      {1, 4, {50, 12}, {{0, 0}, {-4, 0}, {-8, 0}, {-12, 0}, {-16, 0}, {-20, 0}, {-24, 0}, {-28, 0},
                        {-30, 0}, {0, 0}}},
      {16, 8, {20, 30}, {{0, -30}, {0, -22}, {0, -14}, {0, -6}, {0, 0}}},
      {14, 8, {20, 30}, {{-20, -30}, {-12, -22}, {-4, -14}, {0, -6}, {0, 0}}},
      {15, 4, {50, 12}, {{-50, 12}, {-46, 8}, {-42, 4}, {-38, 0}, {-34, 0}, {-30, 0}, {-26, 0},
                         {-22, 0}, {-18, 0}, {-14, 0}, {-10, 0}, {-6, 0}, {-2, 0}, {0, 0},
                         {-4, 0}, {-8, 0}, {-12, 0}, {-16, 0}, {-20, 0}, {-24, 0}, {-28, 0},
                         {-30, 0}, {0, 0}}},
  };
  for (const TPath& p : paths) {
    std::vector<std::string> want, corner;
    for (int step = 0; step < int(p.Corner.size()) + 2; ++step) {
      want.push_back(
          Corner(step < int(p.Corner.size()) ? p.Corner[size_t(step)] : platform::TPoint{0, 0}));
      corner.push_back(
          Corner(EffectFrame(p.Effect, p.Speed, step, {kWinW, kWinH}, p.Picture).Places[0]));
    }
    EXPECT_EQ(want, corner) << "effect " << p.Effect << " speed " << p.Speed;
  }
}

}  // namespace large

}  // namespace
}  // namespace displaysim::test
