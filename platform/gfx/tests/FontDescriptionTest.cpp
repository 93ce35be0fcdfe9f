#include "platform/gfx/FontDescription.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

using namespace platform;

namespace {

const std::string kSong = "\xCB\xCE\xCC\xE5";  // 宋体

// The table cell's default font as the table files hold it: height -15 (11 pt), face "宋体",
// character set 1, everything else 0.
std::array<uint8_t, 60> CellFontRecord() {
  std::array<uint8_t, 60> r{};
  r[0] = 0xF1;
  r[1] = r[2] = r[3] = 0xFF;
  r[23] = 1;
  std::memcpy(&r[28], kSong.data(), kSong.size());
  return r;
}

}  // namespace

TEST(LogFont, ReadsAndWritesTheRecordByteForByte) {
  std::array<uint8_t, 60> record = CellFontRecord();
  std::optional<TLogFont> lf = TLogFont::FromBytes(record);
  ASSERT_TRUE(lf);
  EXPECT_EQ(lf->Height, -15);
  EXPECT_EQ(lf->Weight, 0);
  EXPECT_EQ(lf->CharSet, 1);
  EXPECT_EQ(lf->FaceName, kSong);
  EXPECT_EQ(lf->ToBytes(), record);

  // Every field has its own place.
  std::array<uint8_t, 60> all{};
  for (size_t i = 0; i < 28; ++i) all[i] = uint8_t(i + 1);
  std::memcpy(&all[28], "Face", 4);
  lf = TLogFont::FromBytes(all);
  ASSERT_TRUE(lf);
  EXPECT_EQ(lf->Height, 0x04030201);
  EXPECT_EQ(lf->Width, 0x08070605);
  EXPECT_EQ(lf->Escapement, 0x0C0B0A09);
  EXPECT_EQ(lf->Orientation, 0x100F0E0D);
  EXPECT_EQ(lf->Weight, 0x14131211);
  EXPECT_EQ(lf->Italic, 21);
  EXPECT_EQ(lf->PitchAndFamily, 28);
  EXPECT_EQ(lf->ToBytes(), all);

  EXPECT_FALSE(TLogFont::FromBytes(std::span<const uint8_t>(record.data(), 59)));
}

TEST(LogFont, FaceNamesKeepInsideTheirThirtyTwoBytes) {
  std::array<uint8_t, 60> record = CellFontRecord();
  std::memset(&record[28], 'x', 32);  // no terminating zero
  EXPECT_EQ(TLogFont::FromBytes(record)->FaceName, std::string(32, 'x'));

  struct Case {
    std::string name;
    size_t kept;
  } cases[] = {
      {std::string(40, 'a'), 31},
      {"a" + std::string(16 * 2, '\xCB'), 31},           // 'a' and 15 two-byte characters
      {std::string(30, 'a') + "\xCB\xCE", 30},           // the character would need byte 31
      {kSong, 4},
  };
  for (const Case& c : cases) {
    TLogFont lf;
    lf.FaceName = c.name;
    std::array<uint8_t, 60> bytes = lf.ToBytes();
    EXPECT_EQ(TLogFont::FromBytes(bytes)->FaceName, c.name.substr(0, c.kept)) << c.name;
  }
}

TEST(LogFont, ConvertsToAndFromTheFontDescription) {
  TFontDescription cell = TFontDescription::FromLogFont(*TLogFont::FromBytes(CellFontRecord()),
                                                        0x0000FF);
  EXPECT_EQ(cell.Name, kSong);
  EXPECT_EQ(cell.Size(), 11);
  EXPECT_EQ(cell.Style, 0u);
  EXPECT_EQ(cell.Charset, 1);
  EXPECT_EQ(cell.Color, 0x0000FFu);
  EXPECT_EQ(cell.Pitch, fpDefault);

  TFontDescription d;
  d.SetSize(18);
  d.Style = FontStyleBit(fsBold) | FontStyleBit(fsUnderline);
  d.Charset = GB2312_CHARSET;
  d.Pitch = fpFixed;
  d.Color = 0x00FFFF;
  TLogFont lf = d.ToLogFont();
  EXPECT_EQ(lf.Height, -24);
  EXPECT_EQ(lf.Weight, 700);
  EXPECT_EQ(lf.Italic, 0);
  EXPECT_EQ(lf.Underline, 1);
  EXPECT_EQ(lf.StrikeOut, 0);
  EXPECT_EQ(lf.CharSet, 134);
  EXPECT_EQ(lf.PitchAndFamily, 1);
  EXPECT_EQ(TFontDescription::FromLogFont(lf, d.Color), d);

  // Weights below bold are regular; the family bits above the pitch are ignored.
  lf.Weight = 600;
  lf.PitchAndFamily = 0x32;
  TFontDescription back = TFontDescription::FromLogFont(lf);
  EXPECT_EQ(back.Style, FontStyleBit(fsUnderline));
  EXPECT_EQ(back.Pitch, fpVariable);
  EXPECT_EQ(TFontDescription().ToLogFont().Weight, 400);
}
