// The text objects TText, TMultiString and TStringFile: tables, defaults, paint, records against
// the landed writers, file breaking and object text.
#include "model/objects/Texts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <sstream>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/ObjectText.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/PageRecord.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "model/tests/TempDir.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/TextLayout.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::Utf8ToGbk;
using test::Fixture;
using test::Gbk;
using test::Joined;
using test::kEffectAndSpeedRows;
using test::Lines;

// ---- Property tables, as the classes publish them-----------------------------------------------

std::string TextTable() {
  return std::string(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
CanvasFont|字体|$000000F0
Transparent|是否透明
Lines|文本|$000000F0
Method|显示方式
Speed|显示速度
TFont| 请选择字体 
CanvasFont.Name|字体名
CanvasFont.Color|颜色
CanvasFont.Style|样式
CanvasFont.Size|大小
fsBold|粗体
fsItalic|斜体
fsUnderLine|下划线
fsStrikeOut|删除线
Fixed|固定显示
TStringList| 点击按钮编辑文字 
)") + kEffectAndSpeedRows + R"(Stretch|是否缩放
True|是
False|否
)";
}

std::string CodeTextRows() {
  return std::string(R"(Left|左上角X坐标
Top|左上角Y坐标
Width|宽度|
Height|高度|
Lines|文本行|$000000F0
Font|字体|$000000F0
Color|颜色
Transparent|是否透明
Method|显示方式
Speed|显示速度
Fixed|固定显示
TStringList| 点击按钮编辑文字 
fs16|16点阵字体
fs24|24点阵字体
)") + kEffectAndSpeedRows + R"(True|是
False|否
)";
}

TEST(TextObjectTables, EqualThePartsLists) {
  TText text(nullptr);
  EXPECT_EQ(Joined(text.PropertyTable()), Utf8ToGbk(TextTable()));
  TMultiString multi(nullptr);
  EXPECT_EQ(Joined(multi.PropertyTable()), Utf8ToGbk("Text|名称\n" + CodeTextRows()));
  TStringFile file(nullptr);
  EXPECT_EQ(Joined(file.PropertyTable()),
            Utf8ToGbk("Text|名称\nFileName|文件名|$000000F0\n" + CodeTextRows()));
}

// ---- Defaults and published properties --------------------------------------------------------

TEST(TextObjectDefaults, NewObjectsWriteTheseLines) {
  // Every published property with a setter, by name: the documented defaults.
  TText text(nullptr);
  text.SetName("Text0");
  EXPECT_EQ(test::ObjectText(text), Utf8ToGbk(Lines({
      "Object Text0:TText",
      "  CanvasFont.Charset=134",
      "  CanvasFont.Color=255",
      "  CanvasFont.Height=-16",
      "  CanvasFont.Name='宋体'",
      "  CanvasFont.Pitch=fpDefault",
      "  CanvasFont.Size=12",
      "  CanvasFont.Style=[]",
      "  DisplayTime=0",
      "  Fixed=False",
      "  Height=20",
      "  Left=0",
      "  Lines=(",
      "  '单行文本'",
      "  )",
      "  Method=dmCopy",
      "  Name='Text0'",
      "  Speed=dsFirst",
      "  Tag=0",
      "  Top=0",
      "  Transparent=True",
      "  Width=160",
      "End"})));
  EXPECT_EQ(text.Caption(), Gbk("单行文本"));

  TMultiString multi(nullptr);
  multi.SetName("MultiString0");
  EXPECT_EQ(test::ObjectText(multi), Utf8ToGbk(Lines({
      "Object MultiString0:TMultiString",
      "  Color=255",
      "  Font=fs16",
      "  Height=64",
      "  Left=0",
      "  Lines=(",
      "  '内码文本'",
      "  )",
      "  Method=dmCopy",
      "  Name='MultiString0'",
      "  Speed=dsFirst",
      "  Tag=0",
      "  Top=0",
      "  Transparent=True",
      "  Width=160",
      "End"})));

  // FileName is empty, so it writes nothing; the lines are not published.
  TStringFile file(nullptr);
  file.SetName("StringFile0");
  EXPECT_EQ(test::ObjectText(file), Utf8ToGbk(Lines({
      "Object StringFile0:TStringFile",
      "  Color=255",
      "  Font=fs16",
      "  Height=64",
      "  Left=0",
      "  Method=dmCopy",
      "  Name='StringFile0'",
      "  Speed=dsFirst",
      "  Tag=0",
      "  Top=0",
      "  Transparent=True",
      "  Width=160",
      "End"})));
}

// ---- TText ------------------------------------------------------------------------------------

class TTextObject : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }  // every pixel's colour counts
  void TearDown() override { StreamContext().Reset(); }
  static void SetLines(TText& text, std::initializer_list<const char*> utf8) {
    platform::TStringList lines;
    for (const char* l : utf8) lines.Add(Utf8ToGbk(l));
    text.SetLines(&lines);
  }
};

TEST_F(TTextObject, PaintsTheLinesEndToEnd) {
  TText text(nullptr);
  SetLines(text, {"AB", "CD"});
  text.SetBounds(3, 2, 60, 20);
  text.SetTransparent(false);

  // As documented: on black, "AB" at 0 and "CD" right after it, in the canvas font.
  TBitmap expected(80, 30);
  {
    TCanvas c(expected);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 80, 30});
    c.Brush = {platform::clBlack, platform::bsSolid};
    c.FillRect({3, 2, 63, 22});
    c.SetClipRect({3, 2, 63, 22});
    c.Font = DisplayFont();
    c.Brush.Style = platform::bsClear;
    c.TextOut(3, 2, "AB");
    c.TextOut(3 + c.TextWidth("AB"), 2, "CD");
  }
  TBitmap page = test::PaintedOnBlue(text, 80, 30);
  EXPECT_TRUE(test::SamePixels(page, expected));
  EXPECT_TRUE(test::HasColor(page, platform::clRed));

  // Transparent: the page shows through around the strokes.
  text.SetTransparent(true);
  page = test::PaintedOnBlue(text, 80, 30);
  TBitmap seeThrough = expected;
  for (int y = 2; y < 22; ++y)
    for (int x = 3; x < 63; ++x)
      if (seeThrough.GetPixel(x, y) == platform::clBlack) seeThrough.SetPixel(x, y, platform::clBlue);
  EXPECT_TRUE(test::SamePixels(page, seeThrough));
}

TEST_F(TTextObject, RecordIsThePictureOfTheWholeText) {
  TText text(nullptr);
  SetLines(text, {"AB", "CD"});
  text.SetBounds(10, 20, 30, 16);
  text.SetMethod(dmFlicker);
  text.SetSpeed(dsSix);
  text.SetTransparent(false);
  platform::TFont font;
  font.SetDescription(DisplayFont());
  font.SetColor(platform::clYellow);
  font.SetStyle(platform::FontStyleBit(platform::fsBold));
  text.SetCanvasFont(&font);

  // The picture: as wide as both texts, as high as "单行文本" in the font, "CD" right after
  // "AB", on black; wider than the object, which the card moves it through.
  const int ab = platform::TextExtent(font.Description(), "AB").cx;
  const int cd = platform::TextExtent(font.Description(), "CD").cx;
  const int height = platform::TextExtent(font.Description(), Gbk("单行文本")).cy;
  TBitmap expected(ab + cd, height);
  {
    TCanvas c(expected);
    c.Font = font.Description();
    c.Brush.Style = platform::bsClear;
    c.TextOut(0, 0, "AB");
    c.TextOut(ab, 0, "CD");
  }
  EXPECT_GT(ab + cd, 30);
  EXPECT_TRUE(test::SamePixels(text.RecordPicture(), expected));

  TProgramStream want;
  WritePictureWindow(TRecordRect{10, 20, 40, 36}, expected, 18, 6, false, want);
  EXPECT_EQ(test::RecordOf(text), want.Bytes());
}

TEST_F(TTextObject, PictureIsCutAtSixtyThousandPixels) {
  // 4375 Chinese characters of 16 pixels: 70000 pixels of text, over two lines.
  std::string half;
  for (int i = 0; i < 4375 / 2; ++i) half += Gbk("国");
  TText text(nullptr);
  platform::TStringList lines;
  lines.Add(half);
  lines.Add(half + Gbk("国"));
  text.SetLines(&lines);
  ASSERT_EQ(platform::TextExtent(DisplayFont(), half).cx, 16 * (4375 / 2));
  const TBitmap picture = text.RecordPicture();
  EXPECT_EQ(picture.Width(), 60000);
  EXPECT_EQ(picture.Height(), 16);
  // The text goes on to the last column.
  bool lit = false;
  for (int y = 0; y < 16; ++y) lit |= picture.GetPixel(59990 + 5, y) != platform::clBlack;
  EXPECT_TRUE(lit);
}

TEST_F(TTextObject, APictureThatCannotBeMadeSendsNothing) {
  // 30 characters at the font engine's largest size: 60000 x 2048 pixels are more than the
  // drawing layer makes. The page then counts only the other object.
  TLeaf page(nullptr);
  auto* text = new TText(&page);
  text->SetParent(&page);
  platform::TStringList lines;
  std::string wide;
  for (int i = 0; i < 30; ++i) wide += Gbk("国");
  lines.Add(wide);
  text->SetLines(&lines);
  text->CanvasFont().SetHeight(-2048);
  auto* code = new TMultiString(&page);
  code->SetParent(&page);

  TProgramStream s;
  EXPECT_NO_THROW(text->SetRecordSelf(&s));
  EXPECT_EQ(s.Size(), 0u);
  page.SetRecordSelf(&s);
  TProgramStream want;
  WritePageRecord(page.DisplayTimeMs(), std::vector<TRecordWriter>{[&](TProgramStream& st) {
                    code->SetRecordSelf(&st);
                  }},
                  want);
  EXPECT_EQ(s.Bytes(), want.Bytes());
  EXPECT_EQ(s.Memory()[2], 1);  // one object record, not two

  // Painting it on the design surface stays within the page.
  TBitmap surface(200, 100);
  TCanvas canvas(surface);
  EXPECT_NO_THROW(PaintChildren(page, canvas));
}

TEST_F(TTextObject, NullRecordSelfAppendsNothing) {
  TText text(nullptr);
  TMultiString multi(nullptr);
  TStringFile file(nullptr);
  for (platform::TObject* o : std::initializer_list<platform::TObject*>{&text, &multi, &file}) {
    const auto* p = o->ClassInfo().FindProperty("RecordSelf");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->IsStream());
    EXPECT_TRUE(p->SetStream<TProgramStream>(*o, nullptr));
    EXPECT_EQ(p->GetObject(*o), nullptr);
  }
}

// ---- TMultiString -------------------------------------------------------------------------------

TEST(TMultiStringObject, RecordIsTheLandedStringWindow) {
  TMultiString multi(nullptr);
  platform::TStringList lines;
  lines.Add("a");
  lines.Add("b");
  multi.SetLines(&lines);
  multi.SetBounds(8, 16, 96, 48);
  multi.SetFont(fs24);
  multi.SetColor(platform::clYellow);
  multi.SetMethod(dmLeftMoveIn);
  multi.SetSpeed(dsEight);
  multi.SetTransparent(false);

  TProgramStream want;
  WriteStringWindow(TRecordRect{8, 16, 104, 64}, "a\r\nb\r\n", 1, platform::clYellow, 8, 8,
                    false, want);
  const std::vector<uint8_t> got = test::RecordOf(multi);
  EXPECT_EQ(got, want.Bytes());
  // "a" CR LF "b" CR LF and one zero after the 36-byte head.
  ASSERT_GE(got.size(), 43u);
  EXPECT_EQ(std::string(got.begin() + 36, got.begin() + 43), std::string("a\r\nb\r\n\0", 7));

  // One line of two letters in the 16-dot font: 36 + 4 + 1 + 3 bytes.
  lines.Clear();
  lines.Add("AB");
  multi.SetLines(&lines);
  multi.SetFont(fs16);
  TProgramStream want16;
  WriteStringWindow(TRecordRect{8, 16, 104, 64}, "AB\r\n", 0, platform::clYellow, 8, 8, false,
                    want16);
  EXPECT_EQ(test::RecordOf(multi), want16.Bytes());
  EXPECT_EQ(want16.Size(), 44u);
}

TEST(TMultiStringObject, PaintsEachLineBelowTheOneBeforeInTheCardFont) {
  TMultiString multi(nullptr);
  platform::TStringList lines;
  lines.Add(Gbk("第一"));
  lines.Add("xy");
  lines.Add(Gbk("第三行"));
  multi.SetLines(&lines);
  multi.SetFont(fs24);
  multi.SetColor(platform::clLime);
  multi.SetTransparent(false);
  multi.SetBounds(0, 0, 40, 50);  // the third line starts below the bottom edge's reach

  TBitmap expected(60, 60);
  {
    TCanvas c(expected);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 60, 60});
    c.SetClipRect({0, 0, 40, 50});
    c.Brush = {platform::clBlack, platform::bsSolid};
    c.FillRect({0, 0, 40, 50});
    c.Font = CodeTextFont(fs24, platform::clLime);
    c.Brush.Style = platform::bsClear;
    int y = 0;
    for (const std::string& l : lines) {
      c.TextOut(0, y, l);
      y += c.TextHeight(l);
    }
  }
  EXPECT_EQ(CodeTextFont(fs24, 0).Size(), 18);
  EXPECT_EQ(CodeTextFont(fs16, 0).Size(), 12);
  const TBitmap page = test::PaintedOnBlue(multi, 60, 60);
  EXPECT_TRUE(test::SamePixels(page, expected));
  EXPECT_TRUE(test::HasColor(page, platform::clLime));
}

// ---- TStringFile --------------------------------------------------------------------------------

// Characters in the first display line of a fixture, with the object at 160 pixels.
struct TBreakCase {
  const char* File;
  TFontSet Font;
  int PerLine;  // characters
  int CharBytes;
};

class TStringFileBreaking : public ::testing::TestWithParam<TBreakCase> {};

TEST_P(TStringFileBreaking, FillsTheObjectsWidth) {
  const TBreakCase& c = GetParam();
  TStringFile file(nullptr);
  file.SetFont(c.Font);
  file.SetFileName(Fixture(c.File));
  const std::string bytes = test::FileBytes(Fixture(c.File));
  const platform::TStringList& lines = file.Lines();
  ASSERT_GE(lines.Count(), 2);
  EXPECT_EQ(int(lines[0].size()), c.PerLine * c.CharBytes);
  std::string all;
  for (const std::string& l : lines) all += l;
  EXPECT_EQ(all, bytes);  // nothing lost, nothing added
}

INSTANTIATE_TEST_SUITE_P(
    CharactersPerLine, TStringFileBreaking,
    ::testing::Values(TBreakCase{"ascii40.txt", fs16, 20, 1}, TBreakCase{"ascii40.txt", fs24, 13, 1},
                      TBreakCase{"chinese20.txt", fs16, 10, 2},
                      TBreakCase{"chinese20.txt", fs24, 6, 2}));

TEST(TStringFileObject, NewObjectShowsAndSendsTheNoFileLine) {
  TStringFile file(nullptr);
  ASSERT_EQ(file.Lines().Count(), 1);
  EXPECT_EQ(file.Lines()[0], Gbk("文本文件"));
  TProgramStream want;
  WriteStringWindow(TRecordRect{0, 0, 160, 64}, Gbk("文本文件") + "\r\n", 0, platform::clRed, 1,
                    1, true, want);
  EXPECT_EQ(test::RecordOf(file), want.Bytes());
}

TEST(TStringFileObject, BiggerFontFewerCharactersPerLine) {
  TStringFile file(nullptr);
  file.SetFileName(Fixture("chinese20.txt"));
  const size_t small = file.Lines()[0].size();
  const int smallCount = file.Lines().Count();
  file.SetFont(fs24);
  EXPECT_LT(file.Lines()[0].size(), small);
  EXPECT_GT(file.Lines().Count(), smallCount);
}

TEST(TStringFileObject, UnreadableFilesGiveTheNoFileLineAtOnce) {
  test::TTempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  for (const std::string& name : {dir.File("fifo"), dir.Path(), dir.File("missing.txt"),
                                  std::string("/dev/zero"), std::string()}) {
    TStringFile file(nullptr);
    file.SetFileName(Fixture("ascii40.txt"));
    ASSERT_NE(file.Lines()[0], Gbk("文本文件"));
    const auto start = std::chrono::steady_clock::now();
    file.SetFileName(name);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
    ASSERT_EQ(file.Lines().Count(), 1) << name;
    EXPECT_EQ(file.Lines()[0], Gbk("文本文件")) << name;
    EXPECT_EQ(file.FileName(), name);
  }
}

TEST(TStringFileObject, LinesEndAtCrLfLfAndCr) {
  TStringFile file(nullptr);
  file.SetFileName(Fixture("line_ends.txt"));
  std::vector<std::string> lines(file.Lines().begin(), file.Lines().end());
  EXPECT_EQ(lines, (std::vector<std::string>{Gbk("第一行"), Gbk("第二行"), Gbk("第三行"), "last"}));
  // Sent as the card wants them: each line followed by CR LF.
  const std::vector<uint8_t> record = test::RecordOf(file);
  const std::string text(record.begin() + 36, record.end());
  EXPECT_EQ(text.substr(0, text.find('\0')),
            Gbk("第一行") + "\r\n" + Gbk("第二行") + "\r\n" + Gbk("第三行") + "\r\nlast\r\n");
}

TEST(TStringFileObject, ResizeBreaksAgainAndTheRecordReadsTheFileAgain) {
  test::TTempDir dir;
  const std::string name = dir.File("text.txt");
  test::WriteFile(name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  TStringFile file(nullptr);
  file.SetFileName(name);
  EXPECT_EQ(file.Lines()[0], "ABCDEFGHIJKLMNOPQRST");
  file.SetWidth(80);
  EXPECT_EQ(file.Lines()[0], "ABCDEFGHIJ");
  // Changed on disk: the send shows what the file holds now.
  test::WriteFile(name, "xyz");
  TProgramStream want;
  WriteStringWindow(TRecordRect{0, 0, 80, 64}, "xyz\r\n", 0, platform::clRed, 1, 1, true, want);
  EXPECT_EQ(test::RecordOf(file), want.Bytes());
}

TEST(TStringFileObject, LoadedFromObjectTextBreaksAtItsOwnWidth) {
  // FileName comes before Width in the text; the object is still 160 pixels wide then.
  const std::string text = Lines({"Object StringFile3:TStringFile",
                                  "  FileName='" + Fixture("ascii40.txt") + "'",
                                  "  Height=30",
                                  "  Width=320",
                                  "End"});
  TLeaf page(nullptr);
  ASSERT_TRUE(test::ReadInto(page, text));
  ASSERT_EQ(page.ComponentCount(), 1);
  auto* file = dynamic_cast<TStringFile*>(page.Components(0));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Width(), 320);
  ASSERT_EQ(file->Lines().Count(), 1);
  EXPECT_EQ(file->Lines()[0].size(), 40u);
  EXPECT_FALSE(file->Loading());
}

// ---- Object text round trips ------------------------------------------------------------------

TEST(TextObjectText, SaveLoadSaveGivesTheSameBytes) {
  TLeaf page(nullptr);
  auto* text = new TText(&page);
  text->SetParent(&page);
  text->SetName("Text0");
  text->SetBounds(12, 34, 300, 24);
  platform::TStringList lines;
  lines.Add(Gbk("第一行'引号'"));
  lines.Add("second");
  text->SetLines(&lines);
  text->CanvasFont().SetColor(platform::clLime);
  text->CanvasFont().SetSize(18);
  text->CanvasFont().SetStyle(platform::FontStyleBit(platform::fsItalic) |
                              platform::FontStyleBit(platform::fsBold));
  text->SetTransparent(false);
  text->SetMethod(dmBottomToTopRollEx);
  text->SetSpeed(dsSeven);
  text->SetFixed(true);
  text->SetDisplayTime(15);
  text->SetText(Gbk("单行文本1"));

  auto* multi = new TMultiString(&page);
  multi->SetParent(&page);
  multi->SetName("MultiString0");
  multi->SetBounds(1, 2, 64, 48);
  multi->SetLines(&lines);
  multi->SetFont(fs24);
  multi->SetColor(platform::clYellow);
  multi->SetTransparent(false);
  multi->SetMethod(dmLeftToRight);
  multi->SetSpeed(dsFour);
  multi->SetText(Gbk("内码文本2"));

  auto* file = new TStringFile(&page);
  file->SetParent(&page);
  file->SetName("StringFile0");
  file->SetBounds(5, 6, 200, 40);
  file->SetFileName(Fixture("chinese20.txt"));
  file->SetFont(fs24);
  file->SetColor(platform::clLime);
  file->SetTransparent(false);
  file->SetMethod(dmFlicker);
  file->SetSpeed(dsSecond);
  file->SetText(Gbk("文本文件3"));

  test::ExpectRoundTrip(page);
}

}  // namespace
}  // namespace model
