#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/GlyphTable.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/SensorRecords.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/FontDescription.h"
#include "platform/gfx/TextLayout.h"

using namespace model;
using platform::LoadU16;
using platform::LoadU32;
using platform::TBitmap;

namespace {

using Bytes = std::vector<uint8_t>;

// Stands in for text drawn in a font 16 pixels high: 8 pixels per byte wide (so a GBK
// character is 16), black, with the bits of the text's first byte lit down its first column.
// It logs what it was asked to paint.
struct TFakeFont {
  std::vector<std::string> Painted;
  int Height = 16;
  TGlyphPainter Painter() {
    return [this](std::string_view text, TBitmap& glyph) {
      Painted.emplace_back(text);
      Paint(text, glyph, Height);
    };
  }
  static void Paint(std::string_view text, TBitmap& glyph, int height) {
    glyph.SetSize(int(text.size()) * 8, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < glyph.Width(); ++x) glyph.SetPixel(x, y, platform::clBlack);
    const uint8_t first = text.empty() ? 0 : uint8_t(text[0]);
    for (int bit = 0; bit < 8 && bit < height; ++bit)
      if (first & (1 << bit)) glyph.SetPixel(0, bit, platform::clRed);
  }
};

// What the glyph table of `glyphs` must hold, block by block, in a mode.
Bytes ExpectedTable(const std::vector<std::string>& glyphs, int mode, int height = 16) {
  Bytes blocks;
  for (const auto& g : glyphs) {
    TBitmap b;
    TFakeFont::Paint(g, b, height);
    TProgramStream s;
    WritePictureBits(b, mode, s);
    blocks.insert(blocks.end(), s.Bytes().begin(), s.Bytes().end());
  }
  Bytes table = {55, 0, uint8_t(glyphs.size()), 0};
  const uint32_t length = uint32_t(8 + blocks.size());
  for (int i = 0; i < 4; ++i) table.push_back(uint8_t(length >> (8 * i)));
  table.insert(table.end(), blocks.begin(), blocks.end());
  return table;
}

Bytes Tail(const Bytes& b, size_t from) { return Bytes(b.begin() + from, b.end()); }

const std::vector<std::string> kSensor = {"0", "1", "2", "3", "4", "5",
                                          "6", "7", "8", "9", "-"};
const std::vector<std::string> kCounter = {"0", "1", "2", "3", "4", "5",
                                           "6", "7", "8", "9", ":"};
const std::vector<std::string> kDigits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

class GlyphRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    StreamContext().Reset();
    clock_.Set(*platform::EncodeDateTime({2024, 5, 17, 9, 30, 0, 0}));
  }
  void TearDown() override { StreamContext().Reset(); }

  platform::TFakeWallClock clock_;
  platform::TScopedWallClock useClock_{clock_};
};

}  // namespace

TEST_F(GlyphRecords, NoiseRecordInModeOneWithASixteenPixelFont) {
  StreamContext().SetColorMode(1);
  TFakeFont font;
  TProgramStream s;
  WriteNoiseRecord(RecordRect(10, 20, 40, 20), font.Painter(), 1, s);
  const Bytes& b = s.Bytes();
  ASSERT_GE(b.size(), 24u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 16),
            (Bytes{82, 0, 1, 0, uint8_t(b.size()), uint8_t(b.size() >> 8), 0, 0,  //
                   10, 0, 20, 0, 50, 0, 40, 0}));
  EXPECT_EQ(LoadU32(&b[4]), b.size());
  EXPECT_EQ(Tail(b, 16), ExpectedTable(kSensor, 1));
  EXPECT_EQ(font.Painted, kSensor);

  // Eleven blocks, each of stored height 32, and the lengths add up.
  EXPECT_EQ(LoadU16(&b[16]), 55);
  EXPECT_EQ(LoadU16(&b[18]), 11);
  size_t pos = 24, sum = 0;
  for (int i = 0; i < 11; ++i) {
    ASSERT_LT(pos + 12, b.size());
    EXPECT_EQ(LoadU16(&b[pos]), 54);
    EXPECT_EQ(LoadU16(&b[pos + 4]), 32);
    sum += LoadU32(&b[pos + 8]);
    pos += LoadU32(&b[pos + 8]);
  }
  EXPECT_EQ(pos, b.size());
  EXPECT_EQ(b.size(), 16 + 8 + sum);
  EXPECT_EQ(LoadU32(&b[20]), 8 + sum);
}

TEST_F(GlyphRecords, SensorKindsAndFlags) {
  StreamContext().SetColorMode(3);
  struct TCase {
    void (*Write)(const TRecordRect&, const TGlyphPainter&, uint16_t, TProgramStream&);
    uint16_t Flags;
    uint16_t Kind;
  };
  const TCase cases[] = {
      {WriteTemperatureRecord, SensorTransparent | SensorFahrenheit, 80},  // tmSpecial, clear
      {WriteTemperatureRecord, 0, 80},                                     // tmNormal, opaque
      {WriteHumidityRecord, 1, 81},
      {WriteNoiseRecord, 0, 82},
  };
  for (const auto& c : cases) {
    TFakeFont font;
    TProgramStream s;
    c.Write(RecordRect(0, 0, 40, 20), font.Painter(), c.Flags, s);
    const Bytes& b = s.Bytes();
    EXPECT_EQ(LoadU16(&b[0]), c.Kind);
    EXPECT_EQ(LoadU16(&b[2]), c.Flags);
    EXPECT_EQ(LoadU32(&b[4]), b.size());
    EXPECT_EQ(Tail(b, 16), ExpectedTable(kSensor, 3));
    EXPECT_EQ(b.size() % 4, 0u);
  }
}

TEST_F(GlyphRecords, DateTimeYearMonthDayIn2024) {
  StreamContext().SetColorMode(2);
  TFakeFont font;
  TProgramStream s;
  ASSERT_TRUE(WriteDateTimeRecord(RecordRect(1, 2, 96, 16), -90, font.Painter(), true, 1, s));
  const Bytes& b = s.Bytes();
  EXPECT_EQ(LoadU16(&b[0]), 50);
  EXPECT_EQ(LoadU16(&b[2]), 1);
  EXPECT_EQ(LoadU32(&b[4]), b.size());
  EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 16), (Bytes{1, 0, 2, 0, 97, 0, 18, 0}));
  EXPECT_EQ(int32_t(LoadU32(&b[16])), -90);
  const Bytes pairs(b.begin() + 20, b.begin() + 52);
  EXPECT_EQ(pairs, (Bytes{8, 2, 8, 0, 1, 0, 1, 1, 8, 10, 2, 0, 2, 1, 8, 11,  //
                          3, 0, 3, 1, 8, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0}));
  std::vector<std::string> glyphs = kDigits;
  glyphs.insert(glyphs.end(), {"\xC4\xEA", "\xD4\xC2", "\xC8\xD5"});  // 年 月 日
  EXPECT_EQ(font.Painted, glyphs);
  EXPECT_EQ(Tail(b, 52), ExpectedTable(glyphs, 2));
}

TEST_F(GlyphRecords, DateTimeCenturyDigitsComeFromTheClock) {
  clock_.Set(*platform::EncodeDate(1987, 12, 31));
  EXPECT_EQ(DateTimePairs(4, 1987)[0], (TDisplayPair{8, 1}));
  TFakeFont font;
  TProgramStream s;
  ASSERT_TRUE(WriteDateTimeRecord(RecordRect(0, 0, 32, 16), 0, font.Painter(), false, 4, s));
  EXPECT_EQ(Bytes(s.Bytes().begin() + 20, s.Bytes().begin() + 30),
            (Bytes{8, 1, 8, 9, 1, 0, 1, 1, 0, 0}));
}

TEST_F(GlyphRecords, DateTimePairsAndGlyphsOfEveryFormat) {
  using P = std::vector<TDisplayPair>;
  struct TCase {
    int Code;
    P Pairs;
    std::vector<std::string> Glyphs;
  };
  std::vector<std::string> clockGlyphs = kDigits;
  clockGlyphs.push_back(":");
  const TCase cases[] = {
      {2, P{{5, 0}, {5, 1}, {9, 10}, {6, 0}, {6, 1}}, clockGlyphs},
      {3, P{{5, 0}, {5, 1}, {8, 10}, {6, 0}, {6, 1}, {8, 10}, {7, 0}, {7, 1}}, clockGlyphs},
      {4, P{{8, 2}, {8, 0}, {1, 0}, {1, 1}}, kDigits},
      {5, P{{2, 0}, {2, 1}}, kDigits},
      {6, P{{3, 0}, {3, 1}}, kDigits},
      {7, P{{5, 0}, {5, 1}}, kDigits},
      {8, P{{6, 0}, {6, 1}}, kDigits},
      {9, P{{7, 0}, {7, 1}}, kDigits},
      // df_W: 日 一 二 三 四 五 六 星期
      {10,
       P{{8, 7}, {4, 127}},
       {"\xC8\xD5", "\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4", "\xCE\xE5", "\xC1\xF9",
        "\xD0\xC7\xC6\xDA"}},
  };
  StreamContext().SetColorMode(4);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    TFakeFont font;
    TProgramStream s;
    ASSERT_TRUE(WriteDateTimeRecord(RecordRect(0, 0, 64, 16), 0, font.Painter(), false, c.Code, s));
    const Bytes& b = s.Bytes();
    TDisplayPairs expected{};
    for (size_t i = 0; i < c.Pairs.size(); ++i) expected[i] = c.Pairs[i];
    for (int i = 0; i < DateTimePairCount; ++i) {
      EXPECT_EQ(b[20 + 2 * i], expected[i].Code) << i;
      EXPECT_EQ(b[21 + 2 * i], expected[i].Value) << i;
    }
    EXPECT_EQ(font.Painted, c.Glyphs);
    EXPECT_EQ(Tail(b, 52), ExpectedTable(c.Glyphs, 4));
    EXPECT_EQ(LoadU32(&b[4]), b.size());
  }
}

TEST_F(GlyphRecords, DateTimeFormatOutsideOneToTenWritesNothing) {
  for (int code : {0, 11, -1, 255}) {
    TFakeFont font;
    TProgramStream s;
    EXPECT_FALSE(WriteDateTimeRecord(RecordRect(0, 0, 8, 8), 0, font.Painter(), false, code, s));
    EXPECT_EQ(s.Size(), 0u);
    EXPECT_TRUE(font.Painted.empty());
  }
}

TEST_F(GlyphRecords, CountUpFromTheTurnOfTheMillennium) {
  StreamContext().SetColorMode(1);
  TFakeFont font;
  TProgramStream s;
  const auto start = platform::ParseDateTime("2000-01-01 00:00:00");
  ASSERT_TRUE(WriteCountUpRecord(RecordRect(4, 8, 64, 16), font.Painter(), true, *start, s, 2));
  const Bytes& b = s.Bytes();
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{58, 0, 1, 0}));
  EXPECT_EQ(LoadU32(&b[4]), b.size());
  EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 16), (Bytes{4, 0, 8, 0, 68, 0, 24, 0}));
  EXPECT_EQ(LoadU32(&b[16]), 0u);       // milliseconds since midnight
  EXPECT_EQ(LoadU32(&b[20]), 730120u);  // date(2000, 1, 1).toordinal()
  EXPECT_EQ(LoadU16(&b[24]), 2);        // cf_HMS
  EXPECT_EQ(LoadU16(&b[26]), 0);
  EXPECT_EQ(Tail(b, 28), ExpectedTable(kCounter, 1));
}

TEST_F(GlyphRecords, CountDownCarriesItsAlignmentAndTheEndMoment) {
  StreamContext().SetColorMode(3);
  TFakeFont font;
  TProgramStream s;
  // 2024-02-29 is date(2024, 2, 29).toordinal() = 738945; 13:14:15.5 rounds to 47655500 ms.
  const auto end = platform::ParseDateTime("2024-02-29 13:14:15.5");
  ASSERT_TRUE(WriteCountDownRecord(RecordRect(0, 0, 64, 16), font.Painter(), false, 1, *end, s, 5));
  const Bytes& b = s.Bytes();
  EXPECT_EQ(LoadU16(&b[0]), 57);
  EXPECT_EQ(LoadU16(&b[2]), 0);
  EXPECT_EQ(LoadU32(&b[16]), 47655500u);
  EXPECT_EQ(LoadU32(&b[20]), 738945u);
  EXPECT_EQ(LoadU16(&b[24]), 5);  // cf_S
  EXPECT_EQ(LoadU16(&b[26]), 1);  // taRightJustify
  EXPECT_EQ(Tail(b, 28), ExpectedTable(kCounter, 3));

  // A moment just before midnight carries into the next day rather than sending 86400000 ms.
  TProgramStream t;
  const double lateNight = *platform::EncodeDate(2024, 2, 29) + (86400000 - 0.3) / 86400000;
  ASSERT_TRUE(WriteCountDownRecord(RecordRect(0, 0, 64, 16), font.Painter(), false, 2, lateNight,
                                   t, 0));
  EXPECT_EQ(LoadU32(&t.Bytes()[16]), 0u);
  EXPECT_EQ(LoadU32(&t.Bytes()[20]), 738946u);
}

TEST_F(GlyphRecords, CountersRefuseMomentsWithoutATimeStamp) {
  TFakeFont font;
  TProgramStream s;
  EXPECT_FALSE(WriteCountUpRecord(RecordRect(0, 0, 8, 8), font.Painter(), false, NAN, s, 0));
  EXPECT_FALSE(WriteCountDownRecord(RecordRect(0, 0, 8, 8), font.Painter(), false, 0, 1e9, s, 0));
  EXPECT_EQ(s.Size(), 0u);
}

TEST_F(GlyphRecords, APainterThatFailsLeavesNoHalfRecord) {
  StreamContext().SetColorMode(1);
  TProgramStream s;
  s.WriteU32(0x12345678);
  int calls = 0;
  TGlyphPainter failing = [&](std::string_view text, TBitmap& glyph) {
    if (++calls == 4) throw platform::EBitmapError("Bitmap too large");
    TFakeFont::Paint(text, glyph, 16);
  };
  EXPECT_THROW(WriteHumidityRecord(RecordRect(0, 0, 8, 8), failing, 0, s), platform::EBitmapError);
  EXPECT_EQ(s.Size(), 4u);
}

TEST_F(GlyphRecords, GlyphHeightsFollowTheFontInEveryMode) {
  // A 24-pixel font: stored 32 in mode 1, 32 in mode 2, 24 in modes 3 and 4.
  const int stored[] = {0, 32, 32, 24, 24};
  for (int mode = 1; mode <= 4; ++mode) {
    StreamContext().SetColorMode(mode);
    TFakeFont font;
    font.Height = 24;
    TProgramStream s;
    WriteGlyphTable(SensorGlyphs(), font.Painter(), s);
    EXPECT_EQ(s.Bytes(), ExpectedTable(kSensor, mode, 24));
    EXPECT_EQ(LoadU16(&s.Bytes()[8 + 4]), stored[mode]);
  }
}

namespace {

// The objects' default font: "宋体" 12 pt, red.
platform::TFontDescription SongRed() {
  platform::TFontDescription font;
  font.SetSize(12);
  font.Color = platform::clRed;
  font.Charset = platform::GB2312_CHARSET;
  return font;
}

struct TBlockInfo {
  int Width, StoredHeight;
  size_t Offset, Length;
};

// The pixel blocks of the glyph table at `at`.
std::vector<TBlockInfo> TableBlocks(const Bytes& b, size_t at) {
  std::vector<TBlockInfo> blocks;
  EXPECT_EQ(LoadU16(&b[at]), 55);
  const size_t end = at + LoadU32(&b[at + 4]);
  const int count = LoadU16(&b[at + 2]);
  size_t pos = at + 8;
  for (int i = 0; i < count && pos + 12 <= end; ++i) {
    EXPECT_EQ(LoadU16(&b[pos]), 54);
    blocks.push_back({LoadU16(&b[pos + 2]), LoadU16(&b[pos + 4]), pos, LoadU32(&b[pos + 8])});
    pos += LoadU32(&b[pos + 8]);
  }
  EXPECT_EQ(pos, end);
  EXPECT_EQ(int(blocks.size()), count);
  return blocks;
}

}  // namespace

TEST_F(GlyphRecords, NoiseRecordDrawnInTheSongFaceAtTwelvePoints) {
  StreamContext().SetColorMode(1);
  TProgramStream s;
  WriteNoiseRecord(RecordRect(0, 0, 40, 20), SongRed(), 0, s);
  const Bytes& b = s.Bytes();
  EXPECT_EQ(LoadU16(&b[0]), 82);
  EXPECT_EQ(LoadU16(&b[2]), 0);
  const auto blocks = TableBlocks(b, 16);
  ASSERT_EQ(blocks.size(), 11u);
  size_t sum = 0;
  for (const auto& block : blocks) {
    EXPECT_EQ(block.Width, 8);          // a Latin character of the 16-pixel cell
    EXPECT_EQ(block.StoredHeight, 32);  // 16 rows rounded up to a word
    EXPECT_EQ(block.Length, 12u + 8 * 4);
    bool lit = false;
    for (size_t i = block.Offset + 12; i < block.Offset + block.Length; ++i) lit |= b[i] != 0;
    EXPECT_TRUE(lit);
    sum += block.Length;
  }
  EXPECT_EQ(b.size(), 16 + 8 + sum);
  EXPECT_EQ(LoadU32(&b[4]), b.size());
}

TEST_F(GlyphRecords, DateGlyphsDrawnInTheFontColourOnBlack) {
  StreamContext().SetColorMode(3);
  TProgramStream s;
  ASSERT_TRUE(WriteDateTimeRecord(RecordRect(0, 0, 120, 16), 0, SongRed(), true, 1, s));
  const auto ymd = TableBlocks(s.Bytes(), 52);
  ASSERT_EQ(ymd.size(), 13u);
  for (size_t i = 0; i < ymd.size(); ++i) {
    EXPECT_EQ(ymd[i].Width, i < 10 ? 8 : 16) << i;  // digits, then 年 月 日
    EXPECT_EQ(ymd[i].StoredHeight, 16) << i;
    // Mode 3 of pure red is 0xF800; the ground is 0. Nothing else, and some of each.
    int red = 0, black = 0;
    const Bytes& b = s.Bytes();
    for (size_t p = ymd[i].Offset + 12; p + 1 < ymd[i].Offset + 12 + size_t(ymd[i].Width) * 16 * 2; p += 2) {
      const uint16_t v = LoadU16(&b[p]);
      if (v == 0xF800) ++red;
      else if (v == 0) ++black;
      else ADD_FAILURE() << "glyph " << i << " has the colour " << v;
    }
    EXPECT_GT(red, 0) << i;
    EXPECT_GT(black, red) << i;
  }

  TProgramStream w;
  ASSERT_TRUE(WriteDateTimeRecord(RecordRect(0, 0, 48, 16), 0, SongRed(), false, 10, w));
  const auto week = TableBlocks(w.Bytes(), 52);
  ASSERT_EQ(week.size(), 8u);
  EXPECT_EQ(week[0].Width, 16);  // 日
  EXPECT_EQ(week[7].Width, 32);  // 星期
}

TEST_F(GlyphRecords, CounterGlyphsInABiggerBoldFont) {
  StreamContext().SetColorMode(4);
  platform::TFontDescription font = SongRed();
  font.SetSize(18);  // 24 pixels
  font.Style = platform::FontStyleBit(platform::fsBold);
  TProgramStream s;
  ASSERT_TRUE(WriteCountUpRecord(RecordRect(0, 0, 64, 24), font, false, 0.0, s, 0));
  const auto blocks = TableBlocks(s.Bytes(), 28);
  ASSERT_EQ(blocks.size(), 11u);
  const int height = platform::TextExtent(font, "0").cy;
  EXPECT_GE(height, 24);
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i].StoredHeight, height);
    EXPECT_EQ(blocks[i].Width, platform::TextExtent(font, std::string(CounterGlyphs()[i])).cx);
  }
}
