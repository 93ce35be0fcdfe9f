// The multi-line text object TMultiText and RenderRichText: pictures against the drawing layer's
// own glyphs, the height limit, files, records against the landed writer and object text.
#include "model/objects/rtf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "model/FormConstructEx.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "model/tests/TempDir.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontEngine.h"
#include "platform/media/RichTextLayout.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::TRichDocument;
using platform::TRichFormat;
using test::Gbk;
using test::Lines;

TRichFormat Format(int points, platform::TColor color) {
  TRichFormat f;
  f.HalfPoints = points * 2;
  f.Color = color;
  return f;
}

// A document of one paragraph per text, each one run in `format`.
TRichDocument Paragraphs(const std::vector<std::u32string>& texts, const TRichFormat& format) {
  TRichDocument d;
  for (const std::u32string& t : texts) {
    d.Paragraphs.emplace_back();
    d.Paragraphs.back().Append(format, t);
  }
  return d;
}

bool AllBlack(const TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != platform::clBlack) return false;
  return true;
}

TEST(RichTextTable, EqualsThePartsList) {
  TMultiText text(nullptr);
  EXPECT_EQ(test::Joined(text.PropertyTable()), platform::Utf8ToGbk(std::string(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
FileName|文件名|$000000F0
Transparent|是否透明
Method|显示方式
Speed|显示速度
Fixed|固定显示
TStringList| 点击按钮编辑文字 
)") + test::kEffectAndSpeedRows + R"(True|是
False|否
)"));
}

TEST(RichTextDefaults, NewObjectWritesTheseLines) {
  TMultiText text(nullptr);
  text.SetName("MultiText0");
  EXPECT_EQ(test::ObjectText(text), Lines({"Object MultiText0:TMultiText",
                                           "  Fixed=False",
                                           "  Height=64",
                                           "  Left=0",
                                           "  Method=dmCopy",
                                           "  Name='MultiText0'",
                                           "  Speed=dsFirst",
                                           "  Tag=0",
                                           "  Top=0",
                                           "  Transparent=True",
                                           "  Width=160",
                                           "End"}));
  // The constructor's size gave the picture its width; an empty document has no height.
  EXPECT_EQ(text.Picture().Width(), 160);
  EXPECT_EQ(text.Picture().Height(), 0);
}

// ---- RenderRichText ---------------------------------------------------------------------------

TEST(RenderRichText, RunsShareABaselineAndLinesAlign) {
  // "Ab" at 12 pt red and "Cd" at 24 pt green on one line, then "中" at 12 pt yellow centred.
  const TRichFormat small = Format(12, platform::clRed);
  const TRichFormat large = Format(24, platform::clLime);
  const TRichFormat centred = Format(12, platform::clYellow);
  TRichDocument d;
  d.Paragraphs.resize(2);
  d.Paragraphs[0].Append(small, U"Ab");
  d.Paragraphs[0].Append(large, U"Cd");
  d.Paragraphs[1].Alignment = platform::paCenter;
  d.Paragraphs[1].Append(centred, U"中");

  // The places, from the fonts' own metrics; the glyphs, from TextOut.
  const auto smallFont = platform::RealizeFont(small.Font());
  const auto largeFont = platform::RealizeFont(large.Font());
  const auto& sm = smallFont->Metrics();
  const auto& lm = largeFont->Metrics();
  const int ascent = std::max(sm.Ascent, lm.Ascent);
  const int firstHeight = ascent + std::max(sm.Descent, lm.Descent);
  const int secondHeight = platform::RealizeFont(centred.Font())->Metrics().Height;
  constexpr int kWidth = 200;
  TBitmap expected(kWidth, firstHeight + secondHeight);
  {
    TCanvas c(expected);
    c.Brush.Style = platform::bsClear;
    c.Font = small.Font();
    c.TextOut(0, ascent - sm.Ascent, "Ab");
    const int x = c.TextWidth("Ab");
    c.Font = large.Font();
    c.TextOut(x, ascent - lm.Ascent, "Cd");
    c.Font = centred.Font();
    c.TextOut((kWidth - c.TextWidth(Gbk("中"))) / 2, firstHeight, Gbk("中"));
  }
  ASSERT_GT(lm.Ascent, sm.Ascent);

  TBitmap picture(kWidth, 7);
  EXPECT_EQ(RenderRichText(d, picture), 0);
  EXPECT_TRUE(test::SamePixels(picture, expected));
  EXPECT_TRUE(test::HasColor(picture, platform::clRed));
  EXPECT_TRUE(test::HasColor(picture, platform::clLime));
  EXPECT_TRUE(test::HasColor(picture, platform::clYellow));
}

TEST(RenderRichText, EndsAtTheLastWholeLineWithinSixtyThousandPixels) {
  // 5000 lines of 16 pixels: 80000 pixels, cut to 3750 whole lines.
  const std::vector<std::u32string> lines(5000, U"x");
  TBitmap picture(40, 0);
  EXPECT_EQ(RenderRichText(Paragraphs(lines, Format(12, platform::clRed)), picture), 1);
  EXPECT_EQ(picture.Height(), 60000);
  EXPECT_TRUE(test::HasColor(picture, platform::clRed));

  // Lines that do not divide 60000 end at the last one that fits whole.
  const TRichDocument tall = Paragraphs(lines, Format(13, platform::clRed));
  const int line = platform::LayoutRichText(tall, 40).Lines()[0].Height();
  ASSERT_NE(60000 % line, 0);
  EXPECT_EQ(RenderRichText(tall, picture), 1);
  EXPECT_EQ(picture.Height(), 60000 / line * line);

  // Within the limit nothing is cut.
  const std::vector<std::u32string> few(10, U"x");
  EXPECT_EQ(RenderRichText(Paragraphs(few, Format(12, platform::clRed)), picture), 0);
  EXPECT_EQ(picture.Height(), 160);
}

TEST(RenderRichText, ALineTallerThanAPageEnds) {
  // 600 pt: a line 800 pixels high, more than the 512 of a measuring page.
  TRichDocument d = Paragraphs({U"AB", U"C"}, Format(600, platform::clRed));
  TBitmap picture(2000, 0);
  EXPECT_EQ(RenderRichText(d, picture), 0);
  const auto lines = platform::LayoutRichText(d, 2000).Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_GE(lines[0].Height(), 800);
  EXPECT_EQ(picture.Height(), lines[0].Height() + lines[1].Height());
}

TEST(RenderRichText, AnEmptyDocumentFillsBlackAtTheCurrentSize) {
  TBitmap picture(30, 20);
  TCanvas(picture).FillRect({0, 0, 30, 20});  // white
  EXPECT_EQ(RenderRichText(TRichDocument{}, picture), 0);
  EXPECT_EQ(picture.Width(), 30);
  EXPECT_EQ(picture.Height(), 20);
  EXPECT_TRUE(AllBlack(picture));
}

// ---- TMultiText ----------------------------------------------------------------------------

class TMultiTextObject : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }
  void TearDown() override { StreamContext().Reset(); }
  test::TTempDir dir_;
};

TEST_F(TMultiTextObject, PlainTextIsDrawnInTheCanvasFontAndSentAsItsPicture) {
  const std::string name = dir_.File("plain.txt");
  test::WriteFile(name, Gbk("第一行\r\nAB"));
  TMultiText text(nullptr);
  text.SetBounds(4, 6, 100, 40);
  text.SetFileName(name);
  EXPECT_EQ(text.FileName(), name);

  // Two lines in "宋体" 12 pt red, on black, as wide as the object.
  TBitmap expected(100, 32);
  {
    TCanvas c(expected);
    c.Font = DisplayFont();
    c.Brush.Style = platform::bsClear;
    c.TextOut(0, 0, Gbk("第一行"));
    c.TextOut(0, 16, "AB");
  }
  EXPECT_TRUE(test::SamePixels(text.Picture(), expected));

  text.SetMethod(dmCenterToFourSide);
  text.SetSpeed(dsFive);
  text.SetTransparent(false);
  TProgramStream want;
  WritePictureWindow(TRecordRect{4, 6, 104, 46}, expected, 7, 5, false, want);
  EXPECT_EQ(test::RecordOf(text), want.Bytes());
}

TEST_F(TMultiTextObject, RtfInTheEditorsFormIsRenderedWithItsRunsAndAlignment) {
  // One font from the font button (黑体, 16 pt, green), Chinese text, centred.
  const std::string name = dir_.File("editor.rtf");
  test::WriteFile(name,
                  "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset134 \\'ba\\'da\\'cc\\'e5;}}"
                  "{\\colortbl ;\\red0\\green255\\blue0;}\r\n"
                  "\\pard\\qc{\\plain\\f0\\fs32\\cf1 \\'d6\\'d0AB}\\par\r\n}");
  TMultiText text(nullptr);
  text.SetFileName(name);
  platform::TFontDescription font;
  font.Name = Gbk("黑体");
  font.SetSize(16);
  font.Color = platform::clLime;
  font.Charset = 134;
  const int height = platform::RealizeFont(font)->Metrics().Height;
  TBitmap expected(160, height);
  {
    TCanvas c(expected);
    c.Font = font;
    c.Brush.Style = platform::bsClear;
    const std::string line = Gbk("中") + "AB";
    c.TextOut((160 - c.TextWidth(line)) / 2, 0, line);
  }
  EXPECT_TRUE(test::SamePixels(text.Picture(), expected));
}

TEST_F(TMultiTextObject, PaintsOpaqueOnBlackOrTransparentWithBlackAsKey) {
  const std::string name = dir_.File("ab.txt");
  test::WriteFile(name, "AB");
  TMultiText text(nullptr);
  text.SetBounds(2, 3, 40, 30);
  text.SetFileName(name);
  text.SetTransparent(false);

  TBitmap expected(50, 40);
  {
    TCanvas c(expected);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 50, 40});
    c.Brush = {platform::clBlack, platform::bsSolid};
    c.FillRect({2, 3, 42, 33});
    c.Font = DisplayFont();
    c.Brush.Style = platform::bsClear;
    c.TextOut(2, 3, "AB");
  }
  EXPECT_TRUE(test::SamePixels(test::PaintedOnBlue(text, 50, 40), expected));

  text.SetTransparent(true);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x)
      if (expected.GetPixel(x, y) == platform::clBlack) expected.SetPixel(x, y, platform::clBlue);
  EXPECT_TRUE(test::SamePixels(test::PaintedOnBlue(text, 50, 40), expected));
}

TEST_F(TMultiTextObject, AnEmptyFilePaintsBlackAndSendsThePicturesSize) {
  const std::string name = dir_.File("text.txt");
  test::WriteFile(name, "AB\r\nCD");
  TMultiText text(nullptr);
  text.SetFileName(name);
  ASSERT_EQ(text.Picture().Height(), 32);
  // Emptied on disk: the send renders nothing into the picture as it is.
  test::WriteFile(name, "");
  TProgramStream want;
  WritePictureWindow(TRecordRect{0, 0, 160, 64}, TBitmap(160, 32), 1, 1, true, want);
  EXPECT_EQ(test::RecordOf(text), want.Bytes());
  text.SetTransparent(false);
  const TBitmap page = test::PaintedOnBlue(text, 160, 64);
  EXPECT_TRUE(AllBlack(page));
}

TEST_F(TMultiTextObject, AnUnreadableFileEmptiesTheNameAndSendsAnEmptyPicture) {
  const std::string name = dir_.File("text.txt");
  test::WriteFile(name, "AB");
  TMultiText text(nullptr);
  text.SetFileName(name);
  for (const std::string& bad : {dir_.File("missing.rtf"), dir_.Path(), std::string("/dev/zero")}) {
    text.SetFileName(bad);
    EXPECT_EQ(text.FileName(), "") << bad;
    EXPECT_TRUE(text.Document().Empty()) << bad;
    TProgramStream want;
    WritePictureWindow(TRecordRect{0, 0, 160, 64}, TBitmap(), 1, 1, true, want);
    EXPECT_EQ(test::RecordOf(text), want.Bytes()) << bad;
  }
  // A file gone by the time of sending: still a record, with an empty picture; the name stays.
  text.SetFileName(name);
  std::filesystem::remove(name);
  TProgramStream want;
  WritePictureWindow(TRecordRect{0, 0, 160, 64}, TBitmap(), 1, 1, true, want);
  EXPECT_EQ(test::RecordOf(text), want.Bytes());
  EXPECT_EQ(text.FileName(), name);
}

TEST_F(TMultiTextObject, AWidthTheDrawingLayerRefusesShowsAndSendsNothing) {
  const std::string name = dir_.File("text.txt");
  test::WriteFile(name, "AB");
  TLeaf page(nullptr);
  auto* text = new TMultiText(&page);
  text->SetParent(&page);
  text->SetFileName(name);
  EXPECT_NO_THROW(text->SetWidth(70000));
  EXPECT_TRUE(text->Picture().Empty());
  TProgramStream s;
  EXPECT_NO_THROW(text->SetRecordSelf(&s));
  EXPECT_EQ(s.Size(), 0u);
  page.SetRecordSelf(&s);
  EXPECT_EQ(s.Size(), 16u);  // the page, without the object
  EXPECT_NO_THROW(text->SetWidth(-5));
  TBitmap surface(50, 50);
  TCanvas canvas(surface);
  EXPECT_NO_THROW(PaintChildren(page, canvas));
}

TEST_F(TMultiTextObject, LoadedFromObjectTextRendersAtItsOwnWidth) {
  // FileName comes before Width in the text; the object is still 160 pixels wide then.
  const std::string name = dir_.File("long.txt");
  test::WriteFile(name, std::string(40, 'W'));
  const std::string text = Lines({"Object MultiText4:TMultiText", "  FileName='" + name + "'",
                                  "  Height=40", "  Width=400", "End"});
  TLeaf page(nullptr);
  ASSERT_TRUE(test::ReadInto(page, text));
  auto* multi = dynamic_cast<TMultiText*>(page.Components(0));
  ASSERT_NE(multi, nullptr);
  EXPECT_EQ(multi->Picture().Width(), 400);
  const int oneLine = platform::LayoutRichText(multi->Document(), 400).Lines()[0].Height();
  EXPECT_EQ(multi->Picture().Height(), oneLine);  // not broken at 160
}

TEST_F(TMultiTextObject, ObjectTextRoundTripKeepsEveryValue) {
  const std::string name = dir_.File("text.txt");
  test::WriteFile(name, Gbk("多行文本"));
  TLeaf page(nullptr);
  auto* text = new TMultiText(&page);
  text->SetParent(&page);
  text->SetName("MultiText0");
  text->SetBounds(7, 8, 120, 48);
  text->SetFileName(name);
  text->SetTransparent(false);
  text->SetMethod(dmRightBottomMoveIn);
  text->SetSpeed(dsEight);
  text->SetFixed(true);
  text->SetText(Gbk("多行文本1"));

  EXPECT_GT(test::ExpectRoundTrip(page).size(), 16u + 28u + 12u);  // a picture was sent
}

}  // namespace
}  // namespace model
