#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/base/FilePath.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/tests/TextPictures.h"
#include "platform/media/RichTextLayout.h"
#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"
#include "platform/media/tests/RtfTestSupport.h"

using namespace platform;
using namespace platform::testing;

namespace {

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

// A fresh folder for files of one test, removed with it.
class TTempFolder {
 public:
  TTempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "richtext-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TTempFolder() { std::filesystem::remove_all(path_); }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace

TEST(PlainText, LineEndsMakeParagraphsInTheCanvasFont) {
  struct Case {
    std::string gbk;
    std::vector<const char*> paragraphs;
  } cases[] = {
      {Gbk("第一行\r\n二\n三\r四"), {"第一行", "二", "三", "四"}},
      {"a\r\n", {"a"}},  // a line end at the very end makes no empty paragraph
      {"a\n\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"", {}},
      {"a\tb\x01\x1f", {"a\tb"}},  // tabs stay, other control characters go
      {"\x81\x30", {"\xEF\xBF\xBD" "0"}},
  };
  for (const Case& c : cases) {
    TRichDocument d = PlainTextDocument(c.gbk);
    ASSERT_EQ(d.Paragraphs.size(), c.paragraphs.size()) << c.gbk;
    for (size_t i = 0; i < d.Paragraphs.size(); ++i) {
      const TRichParagraph& p = d.Paragraphs[i];
      EXPECT_EQ(p.Alignment, paLeft);
      if (*c.paragraphs[i] == 0) {
        EXPECT_TRUE(p.Empty());
        continue;
      }
      ASSERT_EQ(p.Runs.size(), 1u);
      EXPECT_EQ(Utf32ToUtf8(p.Runs[0].Text), c.paragraphs[i]);
      EXPECT_EQ(p.Runs[0].Format, PlainTextFormat());
    }
  }
  const TRichFormat canvas = PlainTextFormat();
  EXPECT_EQ(canvas.FaceName, "宋体");
  EXPECT_EQ(canvas.Charset, 134);
  EXPECT_EQ(canvas.HalfPoints, 24);
  EXPECT_EQ(canvas.Color, TColor(0x0000FF));
}

TEST(LoadRichText, IsRtfOnlyWhenTheContentStartsWithTheRtfGroup) {
  EXPECT_EQ(Utf32ToUtf8(LoadRichText("{\\rtf1 \\b x}").PlainText()), "x");
  EXPECT_EQ(LoadRichText("{\\rtf1 \\b x}").Paragraphs[0].Runs[0].Format.Style,
            FontStyleBit(fsBold));
  for (const char* plain : {" {\\rtf1 x}", "{\\RTF1 x}", "{rtf1}", "\\rtf1"}) {
    TRichDocument d = LoadRichText(plain);
    EXPECT_EQ(d, PlainTextDocument(plain)) << plain;
  }
}

TEST(LoadRichText, ReadsRegularFilesOnlyAndFailsAtOnceOnOthers) {
  TTempFolder folder;
  const std::string rtfPath = folder.Path("文档.RTF");  // a path in UTF-8, the OS's bytes
  const std::string gbkPath = GbkPathFromOs(rtfPath);
  TRichDocument written = PlainTextDocument(Gbk("两行\r\n文字"));
  written.Paragraphs[1].Alignment = paCenter;
  std::string error;
  ASSERT_TRUE(SaveRichTextFile(gbkPath, written, &error)) << error;
  TRichDocument read;
  ASSERT_TRUE(LoadRichTextFile(gbkPath, read, &error)) << error;
  EXPECT_EQ(read, written);

  {
    std::FILE* f = std::fopen(folder.Path("plain.txt").c_str(), "wb");
    std::fputs(Gbk("纯文本").c_str(), f);
    std::fclose(f);
  }
  ASSERT_TRUE(LoadRichTextFile(GbkPathFromOs(folder.Path("plain.txt")), read));
  EXPECT_EQ(read, PlainTextDocument(Gbk("纯文本")));

  ASSERT_EQ(mkfifo(folder.Path("fifo").c_str(), 0600), 0);
  mkdir(folder.Path("dir").c_str(), 0700);
  const auto start = std::chrono::steady_clock::now();
  for (const char* name : {"missing.rtf", "fifo", "dir"}) {
    TRichDocument untouched = written;
    error.clear();
    EXPECT_FALSE(LoadRichTextFile(GbkPathFromOs(folder.Path(name)), untouched, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(untouched, written) << name;
  }
  EXPECT_FALSE(LoadRichTextFile("", read));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(RichTextLayout, TwoRunsOfDifferentSizeAndColourShareABaseline) {
  // 12 pt automatic, then 24 pt green in the Hei face, from RTF as a user's file brings it.
  std::optional<TRichDocument> d = ReadRtf(
      "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
      "{\\f1\\fcharset134 \\'ba\\'da\\'cc\\'e5;}}{\\colortbl ;\\red0\\green255\\blue0;}"
      "\\f0\\fs24 AB\\'ba\\'ba\\f1\\fs48\\cf1 \\'cf\\'d4g}");
  ASSERT_TRUE(d.has_value());
  TRunLayout layout = LayoutRichText(*d, 200);
  ASSERT_EQ(layout.LineCount(), 1u);
  const TFontDescription small = d->Paragraphs[0].Runs[0].Format.Font();
  const TFontDescription large = d->Paragraphs[0].Runs[1].Format.Font();
  EXPECT_EQ(small.Color, TColor(0x0000FF));  // automatic draws red
  EXPECT_EQ(small.Height, -16);
  EXPECT_EQ(large.Height, -32);
  EXPECT_EQ(large.Color, clLime);
  const TFontMetrics& ms = RealizeFont(small)->Metrics();
  const TFontMetrics& ml = RealizeFont(large)->Metrics();
  const int baseline = std::max(ms.Ascent, ml.Ascent);
  EXPECT_EQ(layout.Height(), baseline + std::max(ms.Descent, ml.Descent));

  TBitmap b(200, 60);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, 1, 0, 0);
  TBitmap expected(200, 60);
  TextAt(expected, small, 0, baseline - ms.Ascent, "AB汉");
  TextAt(expected, large, 32, baseline - ml.Ascent, "显g");
  ExpectSameBitmap(b, expected);
}

TEST(RichTextLayout, CentresAndRightAlignsLinesAndDrawsJustifiedOnesLeft) {
  TRichDocument d = *ReadRtf(
      "{\\rtf1 \\qc \\'be\\'d3\\'d6\\'d0\\par \\qr R\\par \\qj \\'c1\\'bd\\'b6\\'cb\\par}");
  TRunLayout layout = LayoutRichText(d, 100);
  ASSERT_EQ(layout.LineCount(), 3u);
  TBitmap b(100, 48);
  TCanvas canvas(b);
  layout.Draw(canvas, 0, 3, 0, 0);
  TBitmap expected(100, 48);
  const TFontDescription canvasFont = TRichFormat{}.Font();
  TextAt(expected, canvasFont, 34, 0, "居中");
  TextAt(expected, canvasFont, 92, 16, "R");
  TextAt(expected, canvasFont, 0, 32, "两端");
  ExpectSameBitmap(b, expected);
}

TEST(RichTextLayout, SizesInHalfPointsBecomePixelHeights) {
  struct Case {
    int halfPoints;
    int height;
  } cases[] = {{24, -16}, {18, -12}, {21, -14}, {25, -17}, {48, -32}, {2, -1}, {3276, -2184}};
  for (const Case& c : cases) {
    TRichFormat f;
    f.HalfPoints = c.halfPoints;
    EXPECT_EQ(f.Font().Height, c.height) << c.halfPoints;
  }
  TRichFormat unnamed;
  unnamed.FaceName.clear();
  EXPECT_EQ(unnamed.Font().Name, Gbk("宋体"));
  EXPECT_EQ(LayoutRichText(TRichDocument{}, 100).Height(), 0);
}
