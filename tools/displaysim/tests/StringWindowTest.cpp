// String windows: GBK lines the card draws with its 16- or 24-dot font, stacked by text height,
// in the record's colour as the screen's mode shows it.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "StringWindow.h"
#include "model/stream/WindowRecords.h"

namespace displaysim::test {
namespace {

const std::string kJia = "\xBC\xD7";  // 甲
const std::string kYi = "\xD2\xD2";   // 乙

constexpr int kW = 64, kH = 64;
const model::TRecordRect kRect{4, 2, 52, 58};

TShot PlayString(const std::string& text, uint32_t fontSet, platform::TColor color, int mode,
                 bool transparent = true) {
  return PlayOnce(WriteProgram(mode, {{1000, {[=](model::TProgramStream& s) {
                                         model::WriteStringWindow(kRect, text, fontSet, color, 1, 1,
                                                                  transparent, s);
                                       }}}}),
                  kW, kH);
}

TEST(StringWindow, SplitsLinesAtCrLf) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ((V{"a", "b"}), SplitLines("a\r\nb\r\n"));
  EXPECT_EQ((V{"a", "b"}), SplitLines("a\r\nb"));
  EXPECT_EQ((V{"a", "", "b\rc\nd"}), SplitLines("a\r\n\r\nb\rc\nd"));
  EXPECT_EQ(V{}, SplitLines(""));
}

class StringFonts : public ::testing::TestWithParam<std::pair<uint32_t, int>> {};

TEST_P(StringFonts, SecondLineLiesOneCardFontLineLower) {
  const auto [fontSet, lineHeight] = GetParam();
  const TShot first = PlayString(kJia + "\r\n", fontSet, platform::clRed, 1);
  const TShot second = PlayString(kYi + "\r\n", fontSet, platform::clRed, 1);
  const TShot both = PlayString(kJia + "\r\n" + kYi + "\r\n", fontSet, platform::clRed, 1);
  ASSERT_FALSE(first.Lit().empty());
  ASSERT_FALSE(second.Lit().empty());
  EXPECT_NE(first, second);
  // The first line is what it is alone; the rows from the second line's top are the second
  // line alone, moved down by the line height.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (y < kRect.Top + lineHeight)
        ASSERT_EQ(first.At(x, y), both.At(x, y)) << x << ", " << y;
      else
        ASSERT_EQ(second.At(x, y - lineHeight), both.At(x, y)) << x << ", " << y;
    }
  for (auto [x, y] : both.Lit())
    ASSERT_TRUE(x >= kRect.Left && x < kRect.Right && y >= kRect.Top && y < kRect.Bottom);
  // The glyph fills most of its cell: a 24-dot character is taller than a 16-dot one.
  int top = kH, bottom = 0;
  for (auto [x, y] : first.Lit()) top = std::min(top, y), bottom = std::max(bottom, y);
  EXPECT_GT(bottom - top + 1, lineHeight / 2);
  EXPECT_LE(bottom - top + 1, lineHeight);
}

INSTANTIATE_TEST_SUITE_P(Fonts, StringFonts,
                         ::testing::Values(std::make_pair(0u, 16), std::make_pair(1u, 24)));

TEST(StringWindow, TextIsCutAtTheWindow) {
  // Lines past the window's bottom and characters past its right edge are not drawn.
  std::string text;
  for (int i = 0; i < 8; ++i) text += kJia + kYi + kJia + kYi + kJia + "\r\n";
  const TShot shot = PlayString(text, 1, platform::clRed, 1);
  ASSERT_FALSE(shot.Lit().empty());
  for (auto [x, y] : shot.Lit())
    ASSERT_TRUE(x >= kRect.Left && x < kRect.Right && y >= kRect.Top && y < kRect.Bottom);
}

TEST(StringWindow, ColourShowsByTheScreensMode) {
  struct TCase {
    int Mode;
    platform::TColor Color;
    uint32_t Shown;  // 0: nothing lit; 1: the colour's levels (checked by packing)
  };
  const TCase cases[] = {
      {1, platform::clRed, kRed},           {1, platform::clLime, 0},
      {1, platform::RGB(96, 0, 0), 0},      {1, platform::RGB(97, 0, 0), kRed},
      {2, platform::clRed, kRed},           {2, platform::clLime, kGreen},
      {2, platform::clYellow, kYellow},     {2, platform::RGB(97, 96, 255), kRed},
      {3, platform::RGB(255, 128, 0), 1},   {3, platform::RGB(40, 200, 90), 1},
      {3, platform::clWhite, 1},            {4, platform::RGB(200, 100, 255), 1},
      {4, platform::clWhite, 0xFFFF00},     {4, platform::clBlue, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.Mode << " colour " << std::hex << c.Color);
    const TShot shot = PlayString(kJia + "\r\n", 0, c.Color, c.Mode);
    if (c.Shown == 0) {
      EXPECT_TRUE(shot.Lit().empty());
      continue;
    }
    ASSERT_FALSE(shot.Lit().empty());
    const auto [x0, y0] = shot.Lit().front();
    for (auto [x, y] : shot.Lit()) ASSERT_EQ(shot.At(x0, y0), shot.At(x, y));
    if (c.Shown != 1) {
      EXPECT_EQ(c.Shown, shot.At(x0, y0));
      continue;
    }
    // Packed again by the writer, the shown colour is the colour's own levels.
    platform::TBitmap given(1, 1);
    given.SetPixel(0, 0, c.Color);
    EXPECT_EQ(BlockBytes(given, c.Mode), BlockBytes(ShotPicture(shot, x0, y0, 1, 1), c.Mode));
  }
}

TEST(StringWindow, OpaqueWindowIsBlackUnderItsText) {
  platform::TBitmap white(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) white.SetPixel(x, y, platform::clRed);
  const TShot shot = PlayOnce(
      WriteProgram(1, {{1000, {PictureWindow(0, 0, white), [](model::TProgramStream& s) {
                                 model::WriteStringWindow(kRect, "\xBC\xD7\r\n", 0, platform::clRed, 1, 1,
                                                          false, s);
                               }}}}),
      kW, kH);
  const TShot text = PlayString(kJia + "\r\n", 0, platform::clRed, 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool inside = x >= kRect.Left && x < kRect.Right && y >= kRect.Top && y < kRect.Bottom;
      ASSERT_EQ(inside ? text.At(x, y) : kRed, shot.At(x, y)) << x << ", " << y;
    }
}

}  // namespace
}  // namespace displaysim::test
