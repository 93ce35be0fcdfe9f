// The analog clock: its arithmetic against mpmath (fixtures/make_clock_geometry.py), the turned
// hands against the template turned pixel by pixel, paint, the 169-picture record in every
// colour mode, clocks too small for their dots, and object text.
#include "model/objects/AnalogClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <set>
#include <sstream>

#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/DateTime.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::TPoint;
using platform::Utf8ToGbk;

platform::TDateTime At(int hour, int minute, int second) {
  return *platform::EncodeDateTime({2024, 6, 15, hour, minute, second, 0});
}

class AnalogClock : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(1); }
  void TearDown() override { StreamContext().Reset(); }
  platform::TFakeWallClock clock_{At(10, 50, 30)};
  platform::TScopedWallClock scoped_{clock_};
};

// The pixel blocks of a clock record, each as its bytes.
std::vector<std::vector<uint8_t>> Pictures(const std::vector<uint8_t>& record) {
  std::vector<std::vector<uint8_t>> blocks;
  size_t at = ClockHeadSize + 8;
  while (at + 12 <= record.size()) {
    const uint32_t length = platform::LoadU32(&record[at + 8]);
    if (length < 12 || at + length > record.size()) break;
    blocks.emplace_back(record.begin() + long(at), record.begin() + long(at + length));
    at += length;
  }
  return blocks;
}

std::vector<uint8_t> Block(const TBitmap& picture, int mode) {
  TProgramStream s;
  WritePictureBits(picture, mode, s);
  return s.Bytes();
}

std::vector<TPoint> PixelsOf(const TBitmap& b, platform::TColor color) {
  std::vector<TPoint> pixels;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) == color) pixels.push_back({x, y});
  return pixels;
}

// ---- Table, defaults, object text -----------------------------------------------------------

TEST_F(AnalogClock, TableDefaultsAndObjectText) {
  TAnalogClock clock(nullptr);
  EXPECT_EQ(test::Joined(clock.PropertyTable()), Utf8ToGbk(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
DotM|整点半径
DotH|3,6,9点半径
ColorH|小时指针颜色
ColorM|分钟指针颜色
ColorS|秒指针颜色
ColorD|3,6,9点颜色
ColorN|整点颜色
WidthH|小时指针宽度
WidthM|分钟指针宽度
Transparent|是否透明
True|是
False|否
)"));
  clock.SetName("AnalogClock0");
  EXPECT_EQ(test::ObjectText(clock), test::Lines({
      "Object AnalogClock0:TAnalogClock",
      "  Clock=0",
      "  ColorD=65535",
      "  ColorH=255",
      "  ColorM=65535",
      "  ColorN=255",
      "  ColorS=65280",
      "  DotH=3",
      "  DotM=2",
      "  Height=80",
      "  Left=0",
      "  Name='AnalogClock0'",
      "  Tag=0",
      "  Top=0",
      "  Transparent=True",
      "  Width=80",
      "  WidthH=2",
      "  WidthM=1",
      "End"}));
}

TEST_F(AnalogClock, SaveLoadSaveGivesTheSameBytes) {
  TLeaf page(nullptr);
  auto* clock = new TAnalogClock(&page);
  clock->SetParent(&page);
  clock->SetName("AnalogClock0");
  clock->SetBounds(3, 4, 50, 40);
  clock->SetWidthH(4);
  clock->SetWidthM(3);
  clock->SetDotH(2);
  clock->SetDotM(1);
  clock->SetColorH(platform::clLime);
  clock->SetColorM(platform::clRed);
  clock->SetColorS(platform::clYellow);
  clock->SetColorD(platform::clRed);
  clock->SetColorN(platform::clLime);
  clock->SetTransparent(false);
  clock->SetText(Utf8ToGbk("时钟1"));
  clock->SetClock(5);
  const std::vector<uint8_t> record = test::ExpectRoundTrip(page);
  EXPECT_EQ(platform::LoadU16(record.data() + 2), 1);
}

// ---- Arithmetic ------------------------------------------------------------------------------

TEST(ClockArithmetic, SnapRoundAndTrunc) {
  struct TCase {
    long double Value;
    int64_t Rounded, Truncated;
  };
  const TCase cases[] = {
      {13.5L, 14, 13},          {12.5L, 12, 12},           {-13.5L, -14, -13},
      {-12.5L, -12, -12},       {0.5L, 0, 0},              {-0.5L, 0, 0},
      {13.4999999999L, 14, 13}, {13.5000000001L, 14, 13},  {2.4L, 2, 2},
      {2.6L, 3, 2},             {-2.7L, -3, -2},           {39.99999999999L, 40, 40},
      {-39.9999999999L, -40, -40}, {39.99L, 40, 39},       {7.000000002L, 7, 7},
      {0.0L, 0, 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(RoundClock(c.Value), c.Rounded) << double(c.Value);
    EXPECT_EQ(TruncClock(c.Value), c.Truncated) << double(c.Value);
  }
  EXPECT_EQ(SnapToHalf(3.2L), 3.2L);  // nothing near a half moves
  EXPECT_EQ(SnapToHalf(3.5000000000001L), 3.5L);
}

TEST(ClockArithmetic, DialDotsAndSecondHandEndsEqualMpmath) {
  std::ifstream in(test::Fixture("clock_geometry.txt"));
  int rows = 0;
  for (std::string line; std::getline(in, line); ++rows) {
    std::istringstream s(line);
    std::string kind;
    int w, h, dot, index, x, y;
    s >> kind >> w >> h >> dot >> index >> x >> y;
    const TPoint got = kind == "dial" ? DialDotCentre(index, w, h, dot)
                                      : SecondHandEnd(index, w, h, dot);
    EXPECT_EQ(got, (TPoint{x, y})) << line;
  }
  EXPECT_EQ(rows, 14 * 72);
  // The ties: 78 x 78, L = 27, sin 30° x 27 = 13.5 goes to 14, the even one.
  EXPECT_EQ(SecondHandLength(78, 78, 3), 27);
  EXPECT_EQ(SecondHandEnd(5, 78, 78, 3), (TPoint{39 + 14, 39 - 23}));
  EXPECT_EQ(SecondHandEnd(20, 78, 78, 3), (TPoint{39 + 23, 39 + 14}));
  EXPECT_EQ(SecondHandEnd(55, 78, 78, 3), (TPoint{39 - 14, 39 - 23}));
  // Too small for its dots: no length rather than a negative one.
  EXPECT_EQ(DialGeometry(20, 20, 3).Radius, 5);
  EXPECT_EQ(SecondHandLength(20, 20, 3), 0);
  EXPECT_EQ(DialGeometry(8, 8, 3).Radius, 0);
  EXPECT_EQ(DialGeometry(8, 8, 3).Centre, 4);
}

TEST(ClockArithmetic, HourHandMovesSixDegreesPerQuarter) {
  constexpr long double degree = std::numbers::pi_v<long double> / 180;
  EXPECT_NEAR(double(HourHandAngle(10, 3) / degree), 318.0, 1e-12);  // 10:50
  EXPECT_NEAR(double(HourHandAngle(3, 0) / degree), 90.0, 1e-12);
  EXPECT_NEAR(double(MinuteHandAngle(50) / degree), 300.0, 1e-12);
  // A quarter turn moves the corners of an 80-pixel square by whole pixels.
  const auto quarter = TurnedCorners(80, HourHandAngle(3, 0));
  EXPECT_EQ(quarter[0], (TPoint{80, 0}));
  EXPECT_EQ(quarter[1], (TPoint{80, 80}));
  EXPECT_EQ(quarter[2], (TPoint{0, 0}));
  const auto none = TurnedCorners(80, 0);
  EXPECT_EQ(none[0], (TPoint{0, 0}));
  EXPECT_EQ(none[1], (TPoint{80, 0}));
  EXPECT_EQ(none[2], (TPoint{0, 80}));
}

// ---- Hands -----------------------------------------------------------------------------------

// The template turned clockwise by quarter turns, pixel by pixel.
TBitmap Turned(const TBitmap& t, int quarters) {
  const int s = t.Width();
  TBitmap out(s, s);
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x) {
      TPoint from;
      switch (quarters % 4) {
        case 0: from = {x, y}; break;
        case 1: from = {y, s - 1 - x}; break;
        case 2: from = {s - 1 - x, s - 1 - y}; break;
        default: from = {s - 1 - y, x}; break;
      }
      out.SetPixel(x, y, t.GetPixel(from.X, from.Y));
    }
  return out;
}

TEST_F(AnalogClock, QuarterTurnsAreTheTemplateTurnedPixelForPixel) {
  for (auto [w, h] : {std::pair{80, 80}, std::pair{64, 90}, std::pair{100, 60}, std::pair{256, 256}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TAnalogClock clock(nullptr);
    clock.SetBounds(0, 0, w, h);
    clock.SetWidthH(5);
    clock.PrepareTemplates();
    ASSERT_EQ(clock.HourTemplate().Width(), std::min(w, h));
    ASSERT_FALSE(PixelsOf(clock.HourTemplate(), platform::clRed).empty());
    for (int q = 0; q < 4; ++q) {
      clock.TurnHourHand(HourHandAngle(3 * q, 0));
      EXPECT_TRUE(test::SamePixels(clock.HourHand(), Turned(clock.HourTemplate(), q))) << "hour " << 3 * q;
      clock.TurnMinuteHand(MinuteHandAngle(15 * q));
      EXPECT_TRUE(test::SamePixels(clock.MinuteHand(), Turned(clock.MinuteTemplate(), q))) << "minute " << 15 * q;
    }
  }
}

TEST_F(AnalogClock, TemplatesAreFilledOutlinesPointingUp) {
  TAnalogClock clock(nullptr);
  clock.SetBounds(0, 0, 2000, 2000);
  clock.SetWidthH(900);
  clock.PrepareTemplates();
  const TBitmap& hour = clock.HourTemplate();
  // Tail (1000, 1250), sides (100, 1000) and (1900, 1000), tip (1000, 336): its area is half
  // the product of its diagonals, 1800 x 914 / 2.
  const size_t area = 1800 * 914 / 2;
  const size_t lit = PixelsOf(hour, platform::clRed).size();
  EXPECT_NEAR(double(lit), double(area), area * 0.01);
  for (TPoint inside : {TPoint{1000, 1000}, TPoint{500, 1000}, TPoint{1500, 1000}, TPoint{1000, 400},
                        TPoint{1000, 1240}})
    EXPECT_EQ(hour.GetPixel(inside.X, inside.Y), platform::clRed) << inside.X << "," << inside.Y;
  for (TPoint outside : {TPoint{50, 1000}, TPoint{1000, 300}, TPoint{1000, 1300}, TPoint{300, 500}})
    EXPECT_EQ(hour.GetPixel(outside.X, outside.Y), platform::clBlack) << outside.X << "," << outside.Y;

  // An 80 x 80 minute hand: its tip at (40, 80 / 2 / 5 + DotM), three columns at the centre.
  clock.SetBounds(0, 0, 80, 80);
  clock.PrepareTemplates();
  const TBitmap& minute = clock.MinuteTemplate();
  EXPECT_EQ(minute.GetPixel(40, 10), platform::clYellow);
  EXPECT_EQ(minute.GetPixel(40, 9), platform::clBlack);
  EXPECT_EQ(minute.GetPixel(39, 40), platform::clYellow);
  EXPECT_EQ(minute.GetPixel(41, 40), platform::clYellow);
  EXPECT_EQ(minute.GetPixel(38, 40), platform::clBlack);
  EXPECT_EQ(minute.GetPixel(40, 50), platform::clYellow);  // the tail
  EXPECT_EQ(minute.GetPixel(40, 51), platform::clBlack);

  // Kept while nothing they depend on changes; made again when something does.
  clock.SetColorH(platform::clLime);
  clock.PrepareTemplates();
  EXPECT_FALSE(PixelsOf(clock.HourTemplate(), platform::clLime).empty());
  EXPECT_TRUE(PixelsOf(clock.HourTemplate(), platform::clRed).empty());
}

// ---- Paint -----------------------------------------------------------------------------------

// What paint must show, put together from the parts: the dial, the turned hands ORed on, the
// second hand to the mpmath end, the black centre dot.
TBitmap ExpectedFace(TAnalogClock& clock, int hour, int minute, int second, TPoint secondEnd) {
  const int w = clock.Width(), h = clock.Height();
  TBitmap face(w, h);
  clock.DrawDial(face, w, h);
  TCanvas c(face);
  clock.TurnHourHand(HourHandAngle(hour % 12, minute / 15));
  c.BitBlt(0, 0, clock.HourHand().Width(), clock.HourHand().Height(), clock.HourHand(), 0, 0,
           platform::cmSrcPaint);
  clock.TurnMinuteHand(MinuteHandAngle(minute));
  c.BitBlt(0, 0, clock.MinuteHand().Width(), clock.MinuteHand().Height(), clock.MinuteHand(), 0,
           0, platform::cmSrcPaint);
  const int centre = std::min(w, h) / 2;
  c.Pen = {clock.ColorS(), 1, platform::psSolid};
  c.MoveTo(centre, centre);
  c.LineTo(secondEnd.X, secondEnd.Y);
  c.Pen.Color = platform::clBlack;
  c.Brush = {platform::clBlack, platform::bsSolid};
  c.Ellipse({centre - 1, centre - 1, centre + 1, centre + 1});
  return face;
}

TEST_F(AnalogClock, PaintsDialHandsAndSecondHandOntoThePage) {
  struct TCase {
    int W, H, Hour, Minute, Second;
    TPoint SecondEnd;  // from the mpmath fixture
  };
  const TCase cases[] = {
      {80, 80, 10, 50, 30, {40, 68}},
      {78, 78, 22, 14, 5, {53, 16}},   // a tie, and hour 22 as 10
      {100, 60, 3, 0, 45, {12, 30}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + " x " + std::to_string(c.H));
    clock_.Set(At(c.Hour, c.Minute, c.Second));
    TAnalogClock clock(nullptr);
    clock.SetBounds(6, 4, c.W, c.H);
    ASSERT_EQ(SecondHandEnd(c.Second, c.W, c.H, 3), c.SecondEnd);
    for (bool transparent : {false, true}) {
      clock.SetTransparent(transparent);
      const TBitmap page = test::PaintedOnBlue(clock, c.W + 12, c.H + 8);
      const TBitmap face = ExpectedFace(clock, c.Hour, c.Minute, c.Second, c.SecondEnd);
      EXPECT_TRUE(test::SamePixels(clock.Face(), face));
      for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) {
          const bool inside = x >= 6 && x < 6 + c.W && y >= 4 && y < 4 + c.H;
          platform::TColor want = platform::clBlue;
          if (inside) {
            const platform::TColor f = face.GetPixel(x - 6, y - 4);
            want = transparent && f == platform::clBlack ? platform::clBlue : f;
          }
          ASSERT_EQ(page.GetPixel(x, y), want) << transparent << " " << x << "," << y;
        }
    }
    // The second hand: every lime pixel lies on the line to the mpmath end, the last one next
    // to it.
    const auto lime = PixelsOf(clock.Face(), platform::clLime);
    ASSERT_FALSE(lime.empty());
    int nearest = 1 << 30;
    for (TPoint p : lime)
      nearest = std::min(nearest, std::max(std::abs(p.X - c.SecondEnd.X), std::abs(p.Y - c.SecondEnd.Y)));
    EXPECT_EQ(nearest, 1);
  }
}

TEST_F(AnalogClock, AtTenFiftyPaintsTheRecordsHourHandOfQuarterThree) {
  for (int mode = 1; mode <= 4; ++mode) {
    StreamContext().SetColorMode(mode);
    TAnalogClock clock(nullptr);
    clock.SetBounds(0, 0, 90, 90);
    TBitmap page(90, 90);
    TCanvas canvas(page);
    PaintControl(clock, canvas);
    const std::vector<uint8_t> paintedHour = Block(clock.HourHand(), mode);
    const std::vector<uint8_t> paintedMinute = Block(clock.MinuteHand(), mode);
    const auto pictures = Pictures(test::RecordOf(clock));
    ASSERT_EQ(pictures.size(), size_t(ClockPictureCount));
    EXPECT_EQ(pictures[ClockFirstHourHand + 10 * 4 + 3], paintedHour) << mode;
    EXPECT_NE(pictures[ClockFirstHourHand + 10 * 4 + 2], paintedHour) << mode;
    EXPECT_EQ(pictures[ClockFirstMinuteHand + 50], paintedMinute) << mode;
  }
}

// ---- The record ------------------------------------------------------------------------------

TEST_F(AnalogClock, RecordHoldsTheDialAndEveryHandInEveryMode) {
  for (int mode = 1; mode <= 4; ++mode) {
    for (bool transparent : {true, false}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + (transparent ? " transparent" : " opaque"));
      StreamContext().SetColorMode(mode);
      TAnalogClock clock(nullptr);
      clock.SetBounds(12, 7, 100, 60);  // pictures 60 x 60
      clock.SetTransparent(transparent);
      const std::vector<uint8_t> record = test::RecordOf(clock);
      ASSERT_EQ(record.size(), ClockRecordSize(60, mode));
      const uint8_t* r = record.data();
      EXPECT_EQ(platform::LoadU16(r), 96);
      EXPECT_EQ(platform::LoadU16(r + 2), transparent ? 1 : 0);
      EXPECT_EQ(platform::LoadU32(r + 4), record.size());
      EXPECT_EQ(platform::LoadU16(r + 8), 12);
      EXPECT_EQ(platform::LoadU16(r + 10), 7);
      EXPECT_EQ(platform::LoadU16(r + 12), 112);
      EXPECT_EQ(platform::LoadU16(r + 14), 67);
      EXPECT_EQ(platform::LoadU32(r + 16), 169u);
      EXPECT_EQ(std::vector<uint8_t>(r + 20, r + 28), std::vector<uint8_t>(8, 0));
      EXPECT_EQ(platform::LoadU16(r + 28), 55);
      EXPECT_EQ(platform::LoadU16(r + 30), 169);
      EXPECT_EQ(platform::LoadU32(r + 32), record.size() - 28);
      const auto pictures = Pictures(record);
      ASSERT_EQ(pictures.size(), 169u);
      size_t sum = ClockHeadSize + 8;
      for (const auto& p : pictures) {
        EXPECT_EQ(platform::LoadU16(p.data()), 54);
        EXPECT_EQ(platform::LoadU16(p.data() + 2), 60);  // square, side min(w, h)
        EXPECT_EQ(platform::LoadU16(p.data() + 4), StoredHeight(60, mode));
        EXPECT_EQ(p.size(), PixelBlockSize(60, 60, mode));
        sum += p.size();
      }
      EXPECT_EQ(sum, record.size());

      // The pictures, in order: the dial on its own, the hour hands by quarter, the minute
      // hands, the second hands on black.
      TBitmap dial(60, 60);
      clock.DrawDial(dial, 100, 60);
      EXPECT_EQ(pictures[0], Block(dial, mode));
      clock.TurnHourHand(HourHandAngle(7, 2));
      EXPECT_EQ(pictures[1 + 7 * 4 + 2], Block(clock.HourHand(), mode));
      clock.TurnMinuteHand(MinuteHandAngle(33));
      EXPECT_EQ(pictures[49 + 33], Block(clock.MinuteHand(), mode));
      for (int second : {0, 17, 59}) {
        TBitmap hand(60, 60);
        TCanvas c(hand);
        c.Pen = {platform::clLime, 1, platform::psSolid};
        c.MoveTo(30, 30);
        const TPoint end = SecondHandEnd(second, 100, 60, 3);
        c.LineTo(end.X, end.Y);
        EXPECT_EQ(pictures[109 + size_t(second)], Block(hand, mode)) << second;
      }
    }
  }
}

TEST_F(AnalogClock, ARecordTooLongForItsLengthIsNotWritten) {
  // 169 pictures of 3564 x 3564 in mode 3 still fit the u32 length; one pixel more does not.
  EXPECT_LE(ClockRecordSize(3564, 3), 0xFFFFFFFFull);
  EXPECT_GT(ClockRecordSize(3565, 3), 0xFFFFFFFFull);
  EXPECT_GT(ClockRecordSize(65535, 1), 0xFFFFFFFFull);
  EXPECT_EQ(ClockRecordSize(80, 0), 0u);

  StreamContext().SetColorMode(3);
  TLeaf page(nullptr);
  auto* clock = new TAnalogClock(&page);
  clock->SetParent(&page);
  clock->SetBounds(0, 0, 3565, 3600);
  TProgramStream s;
  clock->SetRecordSelf(&s);
  EXPECT_EQ(s.Size(), 0u);
  page.SetRecordSelf(&s);
  EXPECT_EQ(s.Size(), 16u);
  EXPECT_EQ(platform::LoadU16(s.Memory() + 2), 0);  // the page does not count it

  // A mode outside 1..4 would make pictures without pixels: no record either.
  StreamContext().SetColorMode(7);
  clock->SetBounds(0, 0, 40, 40);
  EXPECT_TRUE(test::RecordOf(*clock).empty());
}

// ---- Clocks too small for their dots ---------------------------------------------------------

TEST_F(AnalogClock, TinyClocksPaintAndSendWithoutAWrongSecondHand) {
  for (int side : {0, 1, 8, 20}) {
    SCOPED_TRACE(side);
    TAnalogClock clock(nullptr);
    clock.SetBounds(2, 2, side, side);
    clock.SetTransparent(false);
    for (int second : {0, 15, 30, 45}) {
      clock_.Set(At(10, 50, second));
      TBitmap page(30, 30);
      TCanvas canvas(page);
      EXPECT_NO_THROW(PaintControl(clock, canvas));
      EXPECT_TRUE(PixelsOf(page, platform::clLime).empty()) << second;
    }
    std::vector<uint8_t> record;
    EXPECT_NO_THROW(record = test::RecordOf(clock));
    ASSERT_EQ(record.size(), ClockRecordSize(side, 1));
    EXPECT_EQ(platform::LoadU32(record.data() + 16), 169u);
    const auto pictures = Pictures(record);
    ASSERT_EQ(pictures.size(), 169u);
    const TBitmap black(side, side);
    for (int second = 0; second < 60; ++second)
      EXPECT_EQ(pictures[109 + size_t(second)], Block(black, 1)) << second;
  }
  // 20 x 20: the dots sit on a dial of radius 5 around (10, 10), not mirrored through it.
  EXPECT_EQ(DialDotCentre(12, 20, 20, 3), (TPoint{10, 15}));
  EXPECT_EQ(DialDotCentre(3, 20, 20, 3), (TPoint{5, 10}));
  // 8 x 8: radius 0, every dot at the centre.
  EXPECT_EQ(DialDotCentre(5, 8, 8, 3), (TPoint{4, 4}));
}

TEST_F(AnalogClock, OutlandishSettingsNeverThrow) {
  TAnalogClock clock(nullptr);
  TBitmap page(64, 64);
  TCanvas canvas(page);
  for (int32_t v : {-2147483647 - 1, -1000, -1, 0, 100000, 2147483647}) {
    SCOPED_TRACE(v);
    clock.SetBounds(0, 0, 40, 40);
    clock.SetDotH(v);
    clock.SetDotM(v);
    clock.SetWidthH(v);
    clock.SetWidthM(v == -2147483647 - 1 ? 2147483647 : -v);
    EXPECT_NO_THROW(PaintControl(clock, canvas));
    EXPECT_NO_THROW(test::RecordOf(clock));
  }
  clock.SetBounds(0, 0, -5, 40);
  EXPECT_NO_THROW(PaintControl(clock, canvas));
  EXPECT_TRUE(test::RecordOf(clock).empty());
}

}  // namespace
}  // namespace model
