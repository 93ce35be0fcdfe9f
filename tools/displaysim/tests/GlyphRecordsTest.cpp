// Records the card animates itself: the date and time, counters and sensors drawn from their
// glyph tables at a fixed time, the analog clock's pictures, and the movie's frames.
#include <gtest/gtest.h>

#include <map>

#include "GlyphRecords.h"
#include "SimTestSupport.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/GlyphTable.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/SensorRecords.h"
#include "platform/base/AtomicFile.h"
#include "platform/gfx/Canvas.h"

namespace displaysim::test {
namespace {

constexpr int kW = 160, kH = 40;
const model::TRecordRect kRect{6, 3, 150, 30};

// The writer's own glyph pictures, kept as its painter draws them.
class TGlyphRecorder {
 public:
  explicit TGlyphRecorder(platform::TColor color) {
    font_.SetSize(12);
    font_.Color = color;
    font_.Charset = platform::GB2312_CHARSET;
  }
  model::TGlyphPainter Painter() {
    return [this, paint = model::FontGlyphPainter(font_)](std::string_view text, platform::TBitmap& glyph) {
      paint(text, glyph);
      glyphs_[std::string(text)] = glyph;
    };
  }
  const platform::TBitmap& Glyph(const std::string& text) const { return glyphs_.at(text); }

  // The glyphs of `texts` side by side from (left, top), as picture windows.
  std::vector<model::TRecordWriter> Row(const std::vector<std::string>& texts, int left, int top,
                                        bool transparent) const {
    std::vector<model::TRecordWriter> windows;
    for (const std::string& text : texts) {
      windows.push_back(PictureWindow(left, top, Glyph(text), transparent));
      left += Glyph(text).Width();
    }
    return windows;
  }
  int RowWidth(const std::vector<std::string>& texts) const {
    int width = 0;
    for (const std::string& text : texts) width += Glyph(text).Width();
    return width;
  }

 private:
  platform::TFontDescription font_;
  std::map<std::string, platform::TBitmap> glyphs_;
};

std::vector<std::string> Chars(const std::string& text) {
  std::vector<std::string> chars;
  for (char c : text) chars.emplace_back(1, c);
  return chars;
}

TShot Play(int mode, std::vector<model::TRecordWriter> objects, const platform::TWallClock& clock) {
  return PlayOnce(WriteProgram(mode, {{1000, std::move(objects)}}), kW, kH, mode, &clock);
}

TEST(DateTime, HoursMinutesSecondsAreTheWritersGlyphsInPairOrder) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 12, 34, 56));
  TGlyphRecorder glyphs(platform::RGB(255, 160, 0));
  const TShot shot = Play(3, {[&](model::TProgramStream& s) {
                            ASSERT_TRUE(model::WriteDateTimeRecord(kRect, 0, glyphs.Painter(), true, 3, s));
                          }},
                          clock);
  const TShot expected = Play(3, glyphs.Row(Chars("12:34:56"), kRect.Left, kRect.Top, true), clock);
  ASSERT_FALSE(expected.Lit().empty());
  EXPECT_EQ(expected, shot);
}

TEST(DateTime, DateOf2024WithItsWordsAndTheTimeDifference) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 23, 30, 0));
  platform::TScopedWallClock writing(clock);  // the writer takes the century from "now"
  TGlyphRecorder glyphs(platform::clRed);
  // 60 minutes later it is already the 16th.
  const TShot shot = Play(1, {[&](model::TProgramStream& s) {
                            ASSERT_TRUE(model::WriteDateTimeRecord(kRect, 60, glyphs.Painter(), false, 1, s));
                          }},
                          clock);
  const std::string nian = "\xC4\xEA", yue = "\xD4\xC2", ri = "\xC8\xD5";  // 年 月 日
  const TShot expected =
      Play(1, glyphs.Row({"2", "0", "2", "4", nian, "0", "6", yue, "1", "6", ri}, kRect.Left, kRect.Top, false),
           clock);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(expected.At(x, y), shot.At(x, y)) << x << ", " << y;
}

TEST(DateTime, WeekdayIgnoresTheTimeDifference) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 23, 30, 0));  // a Saturday
  TGlyphRecorder glyphs(platform::clRed);
  const TShot shot = Play(1, {[&](model::TProgramStream& s) {
                            ASSERT_TRUE(model::WriteDateTimeRecord(kRect, 60, glyphs.Painter(), true, 10, s));
                          }},
                          clock);
  const std::string week = "\xD0\xC7\xC6\xDA", six = "\xC1\xF9";  // 星期 六
  EXPECT_EQ(Play(1, glyphs.Row({week, six}, kRect.Left, kRect.Top, true), clock), shot);
}

// A counter record and the row of glyphs it should show, drawn by the writer's painter.
struct TCounterCase {
  const char* What;
  bool Up;
  platform::TDateTime Stamp;
  uint16_t Format;
  uint16_t Alignment;  // count-down only
  std::string Shows;
};

TEST(Counters, ShowTheDifferenceInEachFormatAligned) {
  platform::TFakeWallClock clock(At(2000, 1, 3, 12, 0, 0));
  const TCounterCase cases[] = {
      {"count-up days", true, At(2000, 1, 1), 0, 0, "2"},
      {"count-up hours", true, At(2000, 1, 1), 1, 0, "60"},
      {"count-up h:m:s", true, At(2000, 1, 1, 1, 2, 3), 2, 0, "10:57:57"},
      {"count-up h:m", true, At(2000, 1, 1, 1, 2, 3), 3, 0, "10:57"},
      {"count-up m:s", true, At(2000, 1, 1, 1, 2, 3), 4, 0, "57:57"},
      {"count-up s", true, At(2000, 1, 1, 1, 2, 3), 5, 0, "57"},
      {"count-up not started", true, At(2000, 1, 4), 0, 0, "0"},
      {"count-down left", false, At(2000, 1, 5, 13, 0, 0), 1, 0, "49"},
      {"count-down right", false, At(2000, 1, 5, 13, 0, 0), 2, 1, "01:00:00"},
      {"count-down centre", false, At(2000, 1, 5, 13, 0, 0), 0, 2, "2"},
      {"count-down past", false, At(1999, 12, 31), 0, 1, "0"},
      {"count-down past h:m:s", false, At(1999, 12, 31), 2, 0, "00:00:00"},
  };
  for (const TCounterCase& c : cases) {
    SCOPED_TRACE(c.What);
    TGlyphRecorder glyphs(platform::clRed);
    const TShot shot = Play(1, {[&](model::TProgramStream& s) {
                              if (c.Up)
                                ASSERT_TRUE(model::WriteCountUpRecord(kRect, glyphs.Painter(), true, c.Stamp, s, c.Format));
                              else
                                ASSERT_TRUE(model::WriteCountDownRecord(kRect, glyphs.Painter(), true, c.Alignment,
                                                                        c.Stamp, s, c.Format));
                            }},
                            clock);
    const int width = glyphs.RowWidth(Chars(c.Shows));
    const bool right = c.Up || c.Alignment == 1;
    const int left = right ? kRect.Right - width
                     : c.Alignment == 2 ? kRect.Left + (kRect.Right - kRect.Left - width) / 2
                                        : kRect.Left;
    EXPECT_EQ(Play(1, glyphs.Row(Chars(c.Shows), left, kRect.Top, true), clock), shot);
  }
}

TEST(Counters, CountText) {
  constexpr int64_t day = 86400000;
  EXPECT_EQ("51", CountText(2 * day + 3 * 3600000, 1));
  EXPECT_EQ("0", CountText(-5, 0));
  EXPECT_EQ("23:59:59", CountText(day - 1, 2));
  EXPECT_EQ("", CountText(day, 6));
}

TEST(Sensors, ShowTheirSamplesRightAligned) {
  platform::TFakeWallClock clock(At(2024, 1, 1));
  struct TCase {
    void (*Write)(const model::TRecordRect&, const model::TGlyphPainter&, uint16_t, model::TProgramStream&);
    std::string Sample;
  };
  const TCase cases[] = {{&model::WriteTemperatureRecord, "25"},
                         {&model::WriteHumidityRecord, "80"},
                         {&model::WriteNoiseRecord, "30"}};
  for (const TCase& c : cases) {
    for (uint16_t flags : {0, 1, 3}) {
      TGlyphRecorder glyphs(platform::clLime);
      const TShot shot = Play(2, {[&](model::TProgramStream& s) { c.Write(kRect, glyphs.Painter(), flags, s); }}, clock);
      const int left = kRect.Right - glyphs.RowWidth(Chars(c.Sample));
      EXPECT_EQ(Play(2, glyphs.Row(Chars(c.Sample), left, kRect.Top, (flags & 1) != 0), clock), shot)
          << c.Sample << " flags " << flags;
    }
  }
}

// A clock record of `count` 16 x 16 pictures; picture k lights pixel (k % 16, k / 16) red.
model::TRecordWriter ClockRecord(int count, bool transparent) {
  return [=](model::TProgramStream& s) {
    const size_t start = s.Position();
    s.WriteU16(96);
    s.WriteU16(transparent ? 1 : 0);
    s.WriteU32(0);
    for (uint16_t v : {20, 4, 36, 20}) s.WriteU16(v);
    s.WriteU32(169);
    s.WriteZeros(8);
    const size_t table = s.Position();
    s.WriteU16(55);
    s.WriteU16(uint16_t(count));
    s.WriteU32(0);
    for (int k = 0; k < count; ++k) {
      platform::TBitmap picture(16, 16);
      picture.SetPixel(k % 16, k / 16, platform::clRed);
      model::WritePictureBits(picture, s);
    }
    s.PatchU32(table + 4, uint32_t(s.Position() - table));
    s.PatchU32(start + 4, uint32_t(s.Position() - start));
  };
}

std::vector<std::pair<int, int>> PicturePixels(std::initializer_list<int> pictures) {
  std::vector<std::pair<int, int>> lit;
  for (int k : pictures) lit.emplace_back(20 + k % 16, 4 + k / 16);
  std::sort(lit.begin(), lit.end(), [](auto a, auto b) { return std::tie(a.second, a.first) < std::tie(b.second, b.first); });
  return lit;
}

TEST(Clock, DialOredWithTheHandsOfTheTime) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 10, 50, 30));
  // Dial 0, hour 1 + 43, minute 49 + 50, second 109 + 30.
  EXPECT_EQ(PicturePixels({0, 44, 99, 139}), Play(1, {ClockRecord(169, false)}, clock).Lit());
  clock.Set(At(2024, 6, 15, 23, 14, 0));  // hour 11, quarter 0
  EXPECT_EQ(PicturePixels({0, 45, 63, 109}), Play(1, {ClockRecord(169, false)}, clock).Lit());
  // Fewer pictures: those there are.
  clock.Set(At(2024, 6, 15, 10, 50, 30));
  EXPECT_EQ(PicturePixels({0, 44}), Play(1, {ClockRecord(60, false)}, clock).Lit());
}

TEST(Clock, TransparentClockKeepsBlackOutOpaqueClockFillsIt) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 10, 50, 30));
  platform::TBitmap green(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) green.SetPixel(x, y, platform::clLime);
  const auto face = PicturePixels({0, 44, 99, 139});
  for (bool transparent : {true, false}) {
    const TShot shot = Play(2, {PictureWindow(0, 0, green), ClockRecord(169, transparent)}, clock);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const bool inClock = x >= 20 && x < 36 && y >= 4 && y < 20;
        const bool hand = std::find(face.begin(), face.end(), std::make_pair(x, y)) != face.end();
        // The face's lit pixels replace the ground (red, not yellow); its black shows the ground
        // when transparent.
        const uint32_t expected = hand ? kRed : inClock && !transparent ? 0u : kGreen;
        ASSERT_EQ(expected, shot.At(x, y)) << transparent << " " << x << ", " << y;
      }
  }
}

TEST(Clock, TheAnalogClockObjectsRecordShowsWhatTheObjectPaints) {
  platform::TFakeWallClock clock(At(2024, 6, 15, 10, 50, 30));
  platform::TScopedWallClock scoped(clock);  // the object paints "now" too
  model::TAnalogClock object(nullptr);
  object.SetBounds(30, 2, 100, 36);  // pictures 36 x 36, the dial at the left
  object.SetTransparent(false);
  // A white second hand: the card ORs it onto the hands where the object draws it over them.
  object.SetColorS(platform::clWhite);
  for (int mode = 1; mode <= 4; ++mode) {
    SCOPED_TRACE(mode);
    const TShot shot = Play(mode, {[&](model::TProgramStream& s) { object.SetRecordSelf(&s); }}, clock);
    platform::TBitmap page(kW, kH);
    platform::TCanvas canvas(page);
    model::PaintControl(object, canvas);
    // The card draws no black centre dot: there it shows the dial and hands ORed, and the
    // second hand's first pixel at the centre.
    platform::TBitmap dial(36, 36);
    object.DrawDial(dial, 100, 36);
    for (int y = 17; y <= 18; ++y)
      for (int x = 17; x <= 18; ++x) {
        platform::TColor c = dial.GetPixel(x, y) | object.HourHand().GetPixel(x, y) |
                             object.MinuteHand().GetPixel(x, y);
        if (x == 18 && y == 18) c = platform::clWhite;
        page.SetPixel(30 + x, 2 + y, c);
      }
    ExpectShowsByMode(shot, 0, 0, page, mode);
    EXPECT_GT(shot.Lit().size(), 100u);
  }
}

TEST(Movie, FrameNAtStepNLikeFfmpegsDecodes) {
  std::string bgr;
  ASSERT_TRUE(platform::ReadWholeFile(std::string(MEDIA_FIXTURES) + "/raw_bgr24.bgr", bgr));
  constexpr int fw = 16, fh = 12, frames = 10;
  ASSERT_EQ(size_t(fw * fh * 3 * frames), bgr.size());
  const TProgram program = WriteProgram(3, {{60000, {[](model::TProgramStream& s) {
                                               ASSERT_TRUE(model::WriteMovieRecord(
                                                   {5, 7, 25, 27}, std::string(MEDIA_FIXTURES) + "/raw_bgr24.avi", s, false));
                                             }}}});
  TPlayer player(program, 32, 32, 3, 20);
  for (int step = 0; step < 2 * frames + 3; ++step) {
    SCOPED_TRACE(step);
    const TShot shot = player.Step();
    platform::TBitmap frame(fw, fh);
    const auto* p = reinterpret_cast<const uint8_t*>(bgr.data()) + size_t(step % frames) * fw * fh * 3;
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x, p += 3) frame.SetPixel(x, y, platform::RGB(p[2], p[1], p[0]));
    ExpectShowsByMode(shot, 5, 7, frame, 3);
    for (auto [x, y] : shot.Lit()) ASSERT_TRUE(x >= 5 && x < 5 + fw && y >= 7 && y < 7 + fh);
  }
}

}  // namespace
}  // namespace displaysim::test
