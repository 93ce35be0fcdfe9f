#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/RunLayout.h"
#include "platform/gfx/tests/TextPictures.h"

using namespace platform;
using namespace platform::testing;

namespace {

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

// The code points of UTF-8 text (test texts are well formed).
std::u32string U32(const char* utf8) {
  std::u32string out;
  for (const TGbkChar& c : DecodeGbk(Gbk(utf8))) out += c.Code;
  return out;
}

TFontDescription Font(const char* nameUtf8, int points, TColor color = clRed,
                      TFontStyles style = 0) {
  TFontDescription f;
  f.Name = Gbk(nameUtf8);
  f.SetSize(points);
  f.Color = color;
  f.Style = style;
  return f;
}

const TFontMetrics& MetricsOf(const TFontDescription& f) { return RealizeFont(f)->Metrics(); }

// A layout of single-run paragraphs; the texts must outlive the layout's construction only.
struct TDocument {
  std::vector<std::vector<TTextRun>> Runs;
  std::deque<std::u32string> Texts;  // stays where it is as it grows
  std::vector<TRunParagraph> Paragraphs;

  TDocument& Add(TLineAlignment alignment,
                 std::vector<std::pair<TFontDescription, const char*>> runs) {
    Runs.emplace_back();
    Paragraphs.push_back({alignment, {}});
    for (auto& [font, text] : runs) {
      Texts.push_back(U32(text));
      Runs.back().push_back({font, Texts.back()});
    }
    return *this;
  }
  TRunLayout Layout(int width) {
    for (size_t i = 0; i < Paragraphs.size(); ++i) Paragraphs[i].Runs = Runs[i];
    return TRunLayout(Paragraphs, width, Font("宋体", 12));
  }
};

bool HasInk(const TBitmap& b, const TRect& r) {
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x)
      if (b.GetPixel(x, y) != clBlack) return true;
  return false;
}

}  // namespace

TEST(RunLayout, RunsOfTwoSizesShareOneBaselineAndMatchTheGlyphsOfTextOut) {
  const TFontDescription small = Font("宋体", 12, clRed);
  const TFontDescription large = Font("黑体", 24, clLime, FontStyleBit(fsBold));
  TDocument doc;
  doc.Add(laLeft, {{small, "AB汉"}, {large, "显示g"}});
  TRunLayout layout = doc.Layout(300);
  ASSERT_EQ(layout.LineCount(), 1u);
  const TFontMetrics& ms = MetricsOf(small);
  const TFontMetrics& ml = MetricsOf(large);
  const TRunLayout::TLine& line = layout.Lines()[0];
  EXPECT_EQ(line.Ascent, std::max(ms.Ascent, ml.Ascent));
  EXPECT_EQ(line.Descent, std::max(ms.Descent, ml.Descent));
  EXPECT_EQ(layout.Height(), line.Height());
  TBitmap b(300, 60);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, 1, 5, 7);

  TBitmap expected(300, 60);
  const int baseline = 7 + line.Ascent;
  TextAt(expected, small, 5, baseline - ms.Ascent, "AB汉");
  TextAt(expected, large, 5 + WidthOf(small, "AB汉"), baseline - ml.Ascent, "显示g");
  ExpectSameBitmap(b, expected);
  EXPECT_TRUE(HasInk(b, {0, 0, 300, 60}));
}

TEST(RunLayout, AlignsEachLineOfItsParagraph) {
  const TFontDescription song = Font("宋体", 12);
  TDocument doc;
  doc.Add(laCenter, {{song, "汉字"}})
      .Add(laRight, {{song, "AB"}})
      .Add(laLeft, {{song, "左"}})
      .Add(laCenter, {{song, "汉字汉字汉字 ab"}});  // 6 wide characters and a word: 2 lines
  TRunLayout layout = doc.Layout(100);
  ASSERT_EQ(layout.LineCount(), 5u);
  std::vector<int> lefts;
  for (const TRunLayout::TLine& l : layout.Lines()) lefts.push_back(l.Left);
  // 96 + blank at the end of the first line (not counted), then "ab".
  EXPECT_THAT(lefts, ::testing::ElementsAre((100 - 32) / 2, 100 - 16, 0, (100 - 96) / 2,
                                            (100 - 16) / 2));

  TBitmap b(100, 80);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, layout.LineCount(), 0, 0);
  TBitmap expected(100, 80);
  TextAt(expected, song, 34, 0, "汉字");
  TextAt(expected, song, 84, 16, "AB");
  TextAt(expected, song, 0, 32, "左");
  TextAt(expected, song, 2, 48, "汉字汉字汉字");
  TextAt(expected, song, 42, 64, "ab");
  ExpectSameBitmap(b, expected);
}

TEST(RunLayout, BreaksOneFontsTextExactlyAsWrapTextDoes) {
  const TFontDescription song = Font("宋体", 12);
  const char* text =
      "显示屏控制卡 LED display cards, 每行 wrapping at the box's edge 的文字"
      "\nsecond line  with  blanks and a long word abcdefghijklmnopqrstuvwxyz0123456789";
  for (int width : {1, 30, 64, 100, 157, 512}) {
    TDocument doc;
    doc.Add(laLeft, {{song, text}});
    TRunLayout layout = doc.Layout(width);
    std::vector<std::string> wrapped = WrapText(song, Gbk(text), width);
    ASSERT_EQ(layout.LineCount(), wrapped.size()) << width;
    for (size_t i = 0; i < wrapped.size(); ++i) {
      const TRunLayout::TLine& l = layout.Lines()[i];
      EXPECT_EQ(l.Last - l.First, DecodeGbk(wrapped[i]).size()) << width << " line " << i;
    }
  }
}

TEST(RunLayout, TabsStopEvery48PixelsFromTheParagraphsLeftEdge) {
  const TFontDescription song = Font("宋体", 12);  // Latin 8 pixels
  TDocument doc;
  doc.Add(laLeft, {{song, "a\tb"}})
      .Add(laLeft, {{song, "abcdef\tb"}})      // 48: the tab runs a whole stop
      .Add(laLeft, {{song, "abcdefg\t\tb"}});  // 56 -> 96 -> 144
  TRunLayout layout = doc.Layout(400);
  TBitmap b(400, 48);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, 3, 0, 0);
  TBitmap expected(400, 48);
  TextAt(expected, song, 0, 0, "a");
  TextAt(expected, song, 48, 0, "b");
  TextAt(expected, song, 0, 16, "abcdef");
  TextAt(expected, song, 96, 16, "b");
  TextAt(expected, song, 0, 32, "abcdefg");
  TextAt(expected, song, 144, 32, "b");
  ExpectSameBitmap(b, expected);
  EXPECT_EQ(layout.Lines()[2].Width, 152);
}

TEST(RunLayout, LineBreaksAndEmptyParagraphsTakeTheHeightOfANeighbouringFont) {
  const TFontDescription small = Font("宋体", 12);
  const TFontDescription large = Font("宋体", 24);
  TDocument doc;
  doc.Add(laLeft, {})                                   // before any character: the next one's
      .Add(laLeft, {{large, "a\n\nb"}, {small, "c\n"}})  // a | (empty) | bc | (empty, small)
      .Add(laLeft, {})                                   // the character before: small '\n'
      .Add(laLeft, {{large, "d"}});
  TRunLayout layout = doc.Layout(200);
  std::vector<int> heights;
  for (const TRunLayout::TLine& l : layout.Lines()) heights.push_back(l.Height());
  const int big = MetricsOf(large).Height, little = MetricsOf(small).Height;
  EXPECT_THAT(heights, ::testing::ElementsAre(big, big, big, big, little, little, big));
  int64_t top = 0;
  for (const TRunLayout::TLine& l : layout.Lines()) {
    EXPECT_EQ(l.Top, top);
    top += l.Height();
  }
  EXPECT_EQ(layout.Height(), top);
  // Nothing at all: one empty line per paragraph in the fallback font.
  TDocument empty;
  empty.Add(laLeft, {}).Add(laCenter, {});
  EXPECT_EQ(empty.Layout(100).Height(), 32);
  EXPECT_EQ(TDocument().Layout(100).LineCount(), 0u);
}

TEST(RunLayout, DrawsARangeOfLinesAtAnOffsetInsideTheClip) {
  const TFontDescription song = Font("宋体", 12, clYellow);
  TDocument doc;
  doc.Add(laLeft, {{song, "一"}}).Add(laLeft, {{song, "二"}}).Add(laLeft, {{song, "三"}});
  TRunLayout layout = doc.Layout(50);
  TBitmap b(60, 40);
  TCanvas canvas(b);
  canvas.SetOrigin(4, 2);
  layout.Draw(canvas, 1, 3, 10, 3);  // lines 1 and 2, line 1 at logical (10, 3)
  TBitmap expected(60, 40);
  TextAt(expected, song, 14, 5, "二");
  TextAt(expected, song, 14, 21, "三");
  ExpectSameBitmap(b, expected);

  // Lines outside the clip are passed over; a range past the end is cut.
  TBitmap clipped(60, 40);
  TCanvas clipCanvas(clipped);
  clipCanvas.SetClipRect({0, 0, 60, 16});
  layout.Draw(clipCanvas, 0, 99, 0, 0);
  TBitmap first(60, 40);
  TextAt(first, song, 0, 0, "一");
  ExpectSameBitmap(clipped, first);
}

TEST(RunLayout, UnderlineAndStrikeOutFollowEachRunsOwnFont) {
  const TFontDescription plain = Font("宋体", 12, clRed);
  const TFontDescription under = Font("宋体", 24, clLime, FontStyleBit(fsUnderline));
  const TFontDescription struck = Font("宋体", 12, clYellow, FontStyleBit(fsStrikeOut));
  TDocument doc;
  doc.Add(laLeft, {{plain, "ab"}, {under, "cd"}, {struck, "ef"}});
  TRunLayout layout = doc.Layout(300);
  TBitmap b(300, 40);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, 1, 0, 0);
  const int baseline = layout.Lines()[0].Ascent;
  TBitmap expected(300, 40);
  TextAt(expected, plain, 0, baseline - MetricsOf(plain).Ascent, "ab");
  TextAt(expected, under, 16, baseline - MetricsOf(under).Ascent, "cd");
  TextAt(expected, struck, 16 + WidthOf(under, "cd"), baseline - MetricsOf(struck).Ascent, "ef");
  ExpectSameBitmap(b, expected);
  const TFontMetrics& mu = MetricsOf(under);
  EXPECT_EQ(b.GetPixel(16, baseline + mu.UnderlineOffset), clLime);
}
