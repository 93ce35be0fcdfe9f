#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontEngine.h"
#include "platform/gfx/TextLayout.h"

using namespace platform;
using ::testing::ElementsAre;

namespace {

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

TFontDescription Font(const char* nameUtf8, int points, TColor color = clRed) {
  TFontDescription f;
  f.Name = Gbk(nameUtf8);
  f.SetSize(points);
  f.Color = color;
  return f;
}

// Bounding box of the pixels that are not black; empty when there are none.
TRect InkBox(const TBitmap& b) {
  TRect box{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != clBlack) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

bool HasInk(const TBitmap& b, const TRect& r) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.GetPixel(x, y) != clBlack) return true;
  return false;
}

}  // namespace

TEST(FontMetrics, SongAtTwelvePointsHasTheCellOfTheOriginal) {
  TFontDescription song = Font("宋体", 12);
  TBitmap b(1, 1);
  TCanvas canvas(b);
  canvas.Font = song;
  EXPECT_EQ(canvas.TextHeight(Gbk("宋体")), 16);
  EXPECT_EQ(canvas.TextWidth("A"), 8);
  EXPECT_EQ(canvas.TextWidth(Gbk("汉")), 16);
  EXPECT_EQ(canvas.TextExtent(Gbk("LED显示屏")), (TSize{3 * 8 + 3 * 16, 16}));
  EXPECT_EQ(canvas.TextExtent(""), (TSize{0, 16}));
  const TFontMetrics& m = RealizeFont(song)->Metrics();
  EXPECT_EQ(m.Ascent + m.Descent, 16);
  EXPECT_EQ(m.PixelSize, 16);
  // 18 pt is a 24-pixel em; a positive height asks for the cell.
  EXPECT_EQ(RealizeFont(Font("宋体", 18))->Metrics().PixelSize, 24);
  TFontDescription cell = song;
  cell.Height = 16;
  EXPECT_EQ(RealizeFont(cell)->Metrics().Height, 16);
}

// Measuring a text never draws its glyphs where they are large, and measures as drawing does: a
// character's advance is its glyph's, in every face and style, small and as large as fonts get.
TEST(FontMetrics, AnAdvanceIsItsGlyphsAtEverySize) {
  const char32_t codes[] = {U'A', U'g', U' ', U'1', U'汉', U'\u520F' /* from the fallback face */, U'。',
                            U'\uE000' /* in no face */, U'\t'};
  for (const char* name : {"宋体", "黑体"})
    for (TFontStyles style : {TFontStyles(0), FontStyleBit(fsBold), FontStyleBit(fsItalic),
                              TFontStyles(FontStyleBit(fsBold) | FontStyleBit(fsItalic))})
      for (int32_t height : {-16, 16, -300, -2048, 2048}) {
        TFontDescription f = Font(name, 12);
        f.Height = height;
        f.Style = style;
        std::shared_ptr<TRealizedFont> font = RealizeFont(f);
        for (char32_t code : codes) {
          const int advance = font->Advance(code);  // first, before the glyph is ever drawn
          EXPECT_EQ(advance, font->Glyph(code)->Advance) << name << " " << int(style) << " " << height << " U+" << std::hex << uint32_t(code);
        }
      }
}

TEST(FontMetrics, FaceNamesMapToTheInstalledChineseFaces) {
  for (const char* name : {"宋体", "新宋体", "SimSun"})
    EXPECT_EQ(MainFace(Font(name, 12)).Family, "AR PL UMing CN") << name;
  EXPECT_EQ(MainFace(Font("黑体", 12)).Family, "WenQuanYi Zen Hei");
  // A face that is not installed draws in the Song face.
  EXPECT_EQ(MainFace(Font("NoSuchFace", 12)).Family, "AR PL UMing CN");
}

TEST(TextOut, MixedChineseAndLatinTextHasNoMissingGlyphs) {
  // U+520F (GBK 84 5A) is not in the Song face: it comes from the fallback face.
  const std::string text = Gbk("LED显示屏 Test 刏 123 控制卡！");
  std::shared_ptr<TRealizedFont> font = RealizeFont(Font("宋体", 12));
  std::shared_ptr<const TGlyphImage> missing = font->Glyph(0x10FFFD);
  for (const TGbkChar& c : DecodeGbk(text)) {
    if (c.Code == ' ') continue;
    std::shared_ptr<const TGlyphImage> g = font->Glyph(c.Code);
    EXPECT_NE(g->Ink, missing->Ink) << std::hex << uint32_t(c.Code);
    EXPECT_THAT(g->Ink, ::testing::Contains(1)) << std::hex << uint32_t(c.Code);
    EXPECT_EQ(g->Advance, c.Code < 0x80 ? 8 : 16) << std::hex << uint32_t(c.Code);
  }
}

TEST(TextOut, DrawsInTwoColourLevelsOnly) {
  for (const char* name : {"宋体", "黑体"})
    for (int points : {9, 12, 18, 30}) {
      TFontDescription f = Font(name, points, clLime);
      f.Style = FontStyleBit(fsBold) | FontStyleBit(fsItalic);
      TBitmap b(200, 60);
      TCanvas canvas(b);
      canvas.Brush.Style = bsClear;
      canvas.Font = f;
      canvas.TextOut(2, 2, Gbk("显示Ag屏"));
      std::set<TColor> colours;
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) colours.insert(b.GetPixel(x, y));
      EXPECT_EQ(colours, (std::set<TColor>{clBlack, clLime})) << name << " " << points;
    }
}

TEST(TextOut, TextSitsInItsCellAndASolidBrushFillsTheCell) {
  TBitmap b(40, 20);
  TCanvas canvas(b);
  canvas.Font = Font("宋体", 12);
  canvas.Brush.Color = clBlue;
  canvas.TextOut(3, 2, Gbk("A汉"));  // 24 x 16 cell at (3, 2)
  EXPECT_EQ(b.GetPixel(3, 2), clBlue);
  EXPECT_EQ(b.GetPixel(26, 17), clBlue);
  EXPECT_EQ(b.GetPixel(27, 2), clBlack);
  EXPECT_EQ(b.GetPixel(3, 18), clBlack);
  std::set<TColor> inCell;
  for (int y = 2; y < 18; ++y)
    for (int x = 3; x < 27; ++x) inCell.insert(b.GetPixel(x, y));
  EXPECT_EQ(inCell, (std::set<TColor>{clBlue, clRed}));

  TBitmap clear(40, 20);
  TCanvas clearCanvas(clear);
  clearCanvas.Font = Font("宋体", 12);
  clearCanvas.Brush.Style = bsClear;
  clearCanvas.TextOut(3, 2, Gbk("A汉"));
  TRect ink = InkBox(clear);
  EXPECT_GE(ink.Left, 3);
  EXPECT_GE(ink.Top, 2);
  EXPECT_LE(ink.Right, 27);
  EXPECT_LE(ink.Bottom, 18);
}

TEST(TextOut, BoldAndItalicAreMadeUpWhenTheFaceHasNone) {
  TFontDescription regular = Font("宋体", 12);
  TFontDescription bold = regular;
  bold.Style = FontStyleBit(fsBold);
  TFontDescription italic = regular;
  italic.Style = FontStyleBit(fsItalic);
  EXPECT_EQ(TextExtent(bold, "AB").cx, 18);  // one pixel more per character
  EXPECT_EQ(TextExtent(italic, "AB").cx, 16);

  auto draw = [](const TFontDescription& f) {
    TBitmap b(30, 20);
    TCanvas canvas(b);
    canvas.Brush.Style = bsClear;
    canvas.Font = f;
    canvas.TextOut(5, 2, "l");
    return b;
  };
  TBitmap r = draw(regular), bo = draw(bold), it = draw(italic);
  // Bold covers the regular glyph and each ink pixel's right neighbour, unless that neighbour is
  // a one-pixel gap before more ink.
  for (int y = 0; y < 20; ++y)
    for (int x = 1; x < 29; ++x) {
      auto ink = [&](int at) { return r.GetPixel(at, y) != clBlack; };
      bool expected = ink(x) || (ink(x - 1) && !ink(x + 1));
      EXPECT_EQ(bo.GetPixel(x, y) != clBlack, expected) << x << "," << y;
    }
  // Italic leans right: the top of the stroke lies right of its foot.
  TRect top = InkBox(it), foot = top;
  top.Bottom = top.Top + 2;
  foot.Top = foot.Bottom - 2;
  auto leftmost = [&](const TRect& band) {
    for (int x = 0; x < 30; ++x)
      if (HasInk(it, {x, band.Top, x + 1, band.Bottom})) return x;
    return -1;
  };
  EXPECT_GT(leftmost(top), leftmost(foot));
}

// A bold caption of 12-pixel Song characters stays legible: every row of every character keeps
// as many separate strokes as the regular face has, each at least as wide.
TEST(TextOut, MadeUpBoldKeepsTheStrokesOfSmallCharactersApart) {
  TFontDescription regular = Font("宋体", 9);
  TFontDescription bold = regular;
  bold.Style = FontStyleBit(fsBold);
  for (const char* utf8 : {"删", "除", "数", "键", "量"}) {
    SCOPED_TRACE(utf8);
    const std::string text = Utf8ToGbk(utf8);
    auto draw = [&](const TFontDescription& f) {
      TBitmap b(20, 16);
      TCanvas canvas(b);
      canvas.Brush.Style = bsClear;
      canvas.Font = f;
      canvas.TextOut(2, 0, text);
      return b;
    };
    const TBitmap r = draw(regular), bo = draw(bold);
    auto strokes = [](const TBitmap& b, int y) {
      int runs = 0;
      for (int x = 0; x < b.Width(); ++x)
        runs += b.GetPixel(x, y) != clBlack && (x == 0 || b.GetPixel(x - 1, y) == clBlack);
      return runs;
    };
    int inkRegular = 0, inkBold = 0;
    for (int y = 0; y < 16; ++y) {
      EXPECT_EQ(strokes(bo, y), strokes(r, y)) << "row " << y;
      for (int x = 0; x < 20; ++x) {
        inkRegular += r.GetPixel(x, y) != clBlack;
        inkBold += bo.GetPixel(x, y) != clBlack;
        if (r.GetPixel(x, y) != clBlack) {
          EXPECT_NE(bo.GetPixel(x, y), clBlack) << x << "," << y;
        }
      }
    }
    EXPECT_GT(inkBold, inkRegular) << "and it is bolder";
  }
}

TEST(TextOut, UnderlineAndStrikeOutRunUnderTheWholeText) {
  TFontDescription f = Font("宋体", 12);
  f.Style = FontStyleBit(fsUnderline) | FontStyleBit(fsStrikeOut);
  TBitmap b(40, 16);
  TCanvas canvas(b);
  canvas.Brush.Style = bsClear;
  canvas.Font = f;
  canvas.TextOut(0, 0, "  ");  // blanks: only the two rules show
  const TFontMetrics& m = RealizeFont(f)->Metrics();
  std::vector<int> rows;
  for (int y = 0; y < 16; ++y)
    if (HasInk(b, {0, y, 16, y + 1})) rows.push_back(y);
  EXPECT_THAT(rows, ElementsAre(m.Ascent + m.StrikeOutOffset, m.Ascent + m.UnderlineOffset));
  EXPECT_LT(m.Ascent + m.StrikeOutOffset, m.Ascent);
  EXPECT_GE(m.Ascent + m.UnderlineOffset, m.Ascent);
  EXPECT_FALSE(HasInk(b, {16, 0, 40, 16}));
}

TEST(TextLayout, DecodesGbkCharacterByCharacter) {
  std::vector<TGbkChar> chars = DecodeGbk(Gbk("a汉") + "\x81 b");
  ASSERT_EQ(chars.size(), 5u);
  EXPECT_EQ(chars[0].Code, U'a');
  EXPECT_EQ(chars[1].Code, U'汉');
  EXPECT_EQ(chars[1].Offset, 1u);
  EXPECT_EQ(chars[1].Length, 2);
  EXPECT_EQ(chars[2].Code, U'\xFFFD');  // a lead byte whose next byte cannot follow it
  EXPECT_EQ(chars[2].Length, 1);
  EXPECT_EQ(chars[3].Code, U' ');
  EXPECT_EQ(chars[4].Code, U'b');
  EXPECT_EQ(chars[4].Offset, 5u);
  // Trail bytes from 0x40 make a character with any lead byte.
  EXPECT_EQ(DecodeGbk("\x81\x40").size(), 1u);
}

TEST(TextLayout, WrapsLikeAWordWrappingEditControl) {
  TFontDescription song = Font("宋体", 12);  // Latin 8, Chinese 16 pixels wide
  struct Case {
    const char* text;
    int width;
    std::vector<const char*> lines;
  } cases[] = {
      {"hello world", 48, {"hello ", "world"}},
      {"hello world", 200, {"hello world"}},
      {"显示屏控制卡", 40, {"显示", "屏控", "制卡"}},
      {"abcdefghij", 40, {"abcde", "fghij"}},  // a word too long is broken
      {"ab显示", 24, {"ab", "显", "示"}},
      {"a\r\nb\r\n", 100, {"a", "b"}},  // no empty line after the last line end
      {"a\n\nb", 100, {"a", "", "b"}},
      {"\r\n", 100, {""}},
      {"", 100, {}},
      {"x", 0, {"x"}},  // every line takes at least one character
      {"a   b", 16, {"a   ", "b"}},  // blanks stay on the line they end
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const char* l : c.lines) expected.push_back(Gbk(l));
    EXPECT_EQ(WrapText(song, Gbk(c.text), c.width), expected) << c.text << " @" << c.width;
  }
  // The card's larger font takes fewer characters per line.
  const std::string text = Gbk("显示屏控制卡显示屏控制卡");
  EXPECT_EQ(WrapText(song, text, 100).front().size(), 12u);            // 6 characters
  EXPECT_EQ(WrapText(Font("宋体", 18), text, 100).front().size(), 8u);  // 4 characters
}

TEST(DrawText, MeasuresLinesAndLeavesTheLastLineEndOut) {
  TBitmap b(1, 1);
  TCanvas canvas(b);
  canvas.Font = Font("宋体", 12);
  const unsigned cell = DT_EDITCONTROL | DT_WORDBREAK | DT_LEFT;  // 0x2010
  ASSERT_EQ(cell, 0x2010u);
  TRect r{10, 5, 50, 5};
  EXPECT_EQ(canvas.DrawText(Gbk("汉字汉字"), r, cell | DT_CALCRECT), 32);
  EXPECT_EQ(r, (TRect{10, 5, 42, 37}));
  r = {0, 0, 100, 0};
  EXPECT_EQ(canvas.DrawText("A\r\n", r, cell | DT_CALCRECT), 16);
  r = {0, 0, 100, 0};
  EXPECT_EQ(canvas.DrawText("A\r\nA", r, cell | DT_CALCRECT), 32);
  r = {0, 0, 100, 0};
  EXPECT_EQ(canvas.DrawText("", r, cell | DT_CALCRECT), 0);
  // '&' marks: "&&" is one '&', "&A" is an underlined A.
  r = {0, 0, 100, 0};
  canvas.DrawText("a&&b", r, DT_CALCRECT);
  EXPECT_EQ(r.Width(), 24);
  r = {0, 0, 100, 0};
  canvas.DrawText("a&&b", r, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(r.Width(), 32);
}

TEST(DrawText, AlignsLinesInTheRectangle) {
  struct Case {
    unsigned flags;
    int left, top;  // of the single character's cell
  } cases[] = {
      {DT_LEFT | DT_SINGLELINE, 10, 4},
      {DT_CENTER | DT_SINGLELINE, 10 + 16, 4},
      {DT_RIGHT | DT_SINGLELINE, 10 + 32, 4},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, 10 + 16, 4 + 12},
      {DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, 10 + 32, 4 + 24},
      {DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL, 10 + 16, 4},
  };
  for (const Case& c : cases) {
    TBitmap b(60, 50);
    TCanvas canvas(b);
    canvas.Font = Font("宋体", 12);
    canvas.Brush.Color = clBlue;  // the brush shows the cell
    TRect r{10, 4, 58, 44};       // 48 x 40
    canvas.DrawText(Gbk("汉"), r, c.flags);
    EXPECT_EQ(InkBox(b), (TRect{c.left, c.top, c.left + 16, c.top + 16})) << std::hex << c.flags;
  }
}

TEST(DrawText, ClipsToTheRectangleAndUnderlinesMarkedCharacters) {
  TBitmap b(40, 40);
  TCanvas canvas(b);
  canvas.Font = Font("宋体", 12);
  canvas.Brush.Style = bsClear;
  TRect r{0, 0, 12, 40};
  canvas.DrawText("MM", r, DT_SINGLELINE);
  EXPECT_FALSE(HasInk(b, {12, 0, 40, 40}));
  canvas.DrawText("MM", r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_TRUE(HasInk(b, {12, 0, 40, 40}));

  TBitmap u(40, 20);
  TCanvas marked(u);
  marked.Font = Font("宋体", 12);
  marked.Brush.Style = bsClear;
  TRect all{0, 0, 40, 20};
  marked.DrawText("&  ", all, DT_SINGLELINE);  // an underlined blank, then a blank
  const TFontMetrics& m = RealizeFont(marked.Font)->Metrics();
  EXPECT_EQ(InkBox(u), (TRect{0, m.Ascent + m.UnderlineOffset, 8,
                              m.Ascent + m.UnderlineOffset + m.UnderlineThickness}));
}

TEST(DrawText, EditControlRulesLeaveOutACutLastLine) {
  TBitmap b(40, 40);
  TCanvas canvas(b);
  canvas.Font = Font("宋体", 12);
  canvas.Brush.Color = clBlue;
  TRect r{0, 0, 16, 24};  // room for one and a half lines
  canvas.DrawText(Gbk("汉字"), r, DT_WORDBREAK | DT_EDITCONTROL);
  EXPECT_EQ(InkBox(b), (TRect{0, 0, 16, 16}));
  TBitmap c(40, 40);
  TCanvas plain(c);
  plain.Font = Font("宋体", 12);
  plain.Brush.Color = clBlue;
  plain.DrawText(Gbk("汉字"), r, DT_WORDBREAK);
  EXPECT_EQ(InkBox(c), (TRect{0, 0, 16, 24}));
}

TEST(FontFamilies, TheConfigurationsFacesAndItsChineseNames) {
  const std::vector<TFontFamilyInfo> families = ListFontFamilies();
  auto find = [&](const std::string& name) -> const TFontFamilyInfo* {
    for (const TFontFamilyInfo& f : families)
      if (f.Name == name) return &f;
    return nullptr;
  };
  for (const char* alias : {"宋体", "新宋体", "SimSun", "NSimSun", "黑体", "SimHei"}) {
    const TFontFamilyInfo* f = find(Gbk(alias));
    ASSERT_NE(f, nullptr) << alias;
    EXPECT_TRUE(f->Outline);
    EXPECT_FALSE(f->Symbol);
  }
  const TFontFamilyInfo* uming = find("AR PL UMing CN");
  ASSERT_NE(uming, nullptr);
  EXPECT_TRUE(uming->Outline);
  std::set<std::string> names;
  for (const TFontFamilyInfo& f : families) EXPECT_TRUE(names.insert(f.Name).second) << f.Name;
}

// CTest runs every test under the tests' own configuration, which keeps to the fonts of the
// packages scripts/setup installs, so nothing else on the machine reaches a test's pictures.
TEST(FontFamilies, TheTestsConfigurationListsOnlyTheSetupPackagesFonts) {
  const char* file = std::getenv(kFontsConfVariable);
  if (!file || !*file) GTEST_SKIP() << "not run under the tests' font configuration (run it through ctest)";
  std::vector<std::string> names;
  for (const TFontFamilyInfo& f : ListFontFamilies()) names.push_back(GbkToUtf8(f.Name));
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("AR PL UMing CN", "AR PL UMing HK", "AR PL UMing TW", "AR PL UMing TW MBE",
                                 "NSimSun", "SimHei", "SimSun", "WenQuanYi Zen Hei", "WenQuanYi Zen Hei Mono",
                                 "WenQuanYi Zen Hei Sharp", "宋体", "新宋体", "黑体"));
  EXPECT_EQ(MainFace(Font("宋体", 12)).Family, "AR PL UMing CN");
  EXPECT_EQ(MainFace(Font("黑体", 12)).Family, "WenQuanYi Zen Hei");
  EXPECT_EQ(MainFace(Font("Arial", 12)).Family, "AR PL UMing CN");  // not installed: the Song face
}
