#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"
#include "platform/media/tests/RtfTestSupport.h"

using namespace platform;
using namespace platform::testing;

namespace {

TRichFormat Format(const char* face, uint8_t charset, int halfPoints,
                   std::optional<TColor> color = std::nullopt, TFontStyles style = 0) {
  TRichFormat f;
  f.FaceName = face;
  f.Charset = charset;
  f.HalfPoints = halfPoints;
  f.Color = color;
  f.Style = style;
  return f;
}

TRichParagraph Paragraph(TParaAlignment alignment,
                         std::initializer_list<std::pair<TRichFormat, const char*>> runs) {
  TRichParagraph p;
  p.Alignment = alignment;
  for (const auto& [format, text] : runs) p.Append(format, U32(text));
  return p;
}

// What the editor saves: one font from the dialog's font button, Chinese text, paragraphs.
TRichDocument EditorDocument() {
  const TRichFormat red = Format("宋体", 134, 24, clRed);
  TRichDocument d;
  d.Paragraphs = {Paragraph(paLeft, {{red, "欢迎光临 LED 显示屏"}}),
                  Paragraph(paCenter, {{red, "居中：全角标点。"}}),
                  Paragraph(paLeft, {}),
                  Paragraph(paLeft, {{red, "第四段"}})};
  return d;
}

// Everything a user's file may bring: faces and character sets, sizes, colours and automatic
// colour, styles, every alignment, tabs, line breaks, characters to escape and characters GBK
// cannot hold.
TRichDocument MixedDocument() {
  const TRichFormat song = Format("宋体", 134, 24);
  const TRichFormat hei = Format("黑体", 134, 72, RGB(0, 255, 0), FontStyleBit(fsBold));
  const TRichFormat arial =
      Format("Arial", 0, 21, RGB(0, 0, 255), FontStyleBit(fsItalic) | FontStyleBit(fsUnderline));
  const TRichFormat struck = Format("宋体", 134, 18, clBlack, FontStyleBit(fsStrikeOut));
  TRichDocument d;
  d.Paragraphs = {
      Paragraph(paLeft, {{song, "自动颜色 "}, {hei, "绿色黑体"}, {arial, "Arial café"}}),
      Paragraph(paCenter, {{song, "居中\t制表\n换行"}}),
      Paragraph(paRight, {{struck, "右对齐 {braces} \\back"}}),
      Paragraph(paJustify, {{song, "两端对齐 € 한 😀"}}),
      Paragraph(paLeft, {}),
      Paragraph(paLeft, {{arial, "end"}}),
  };
  return d;
}

// Writes the golden file anew when make_rtf_fixtures.sh asks (CORVANE_WRITE_RTF_GOLDEN names
// the folder), else compares with it.
void CheckGolden(const std::string& name, const TRichDocument& document) {
  const std::string rtf = WriteRtf(document);
  if (const char* folder = std::getenv("CORVANE_WRITE_RTF_GOLDEN")) {
    std::ofstream(std::string(folder) + "/" + name + ".rtf", std::ios::binary) << rtf;
    return;
  }
  EXPECT_EQ(rtf, ReadFixture(name + ".rtf")) << name;
  EXPECT_EQ(ReadRtf(rtf), document) << name;
  // AbiWord read the golden file to the same runs.
  ExpectMatchesTable(document, ReadRunTable(name + ".runs"), name);
}

}  // namespace

TEST(RtfGolden, TheEditorsDocument) { CheckGolden("golden_editor", EditorDocument()); }

TEST(RtfGolden, AMixedDocument) { CheckGolden("golden_mixed", MixedDocument()); }

TEST(RtfWriter, WritesTheEditorsFormWithGbkBytes) {
  EXPECT_EQ(WriteRtf(EditorDocument()),
            "{\\rtf1\\ansi\\ansicpg936\\deff0\r\n"
            "{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
            "\\pard{\\plain\\f0\\fs24\\cf1 \\'bb\\'b6\\'d3\\'ad\\'b9\\'e2\\'c1\\'d9 LED "
            "\\'cf\\'d4\\'ca\\'be\\'c6\\'c1}\\par\r\n"
            "\\pard\\qc{\\plain\\f0\\fs24\\cf1 \\'be\\'d3\\'d6\\'d0\\'a3\\'ba\\'c8\\'ab\\'bd\\'c7"
            "\\'b1\\'ea\\'b5\\'e3\\'a1\\'a3}\\par\r\n"
            "\\pard\\par\r\n"
            "\\pard{\\plain\\f0\\fs24\\cf1 \\'b5\\'da\\'cb\\'c4\\'b6\\'ce}\\par\r\n"
            "}");
}

TEST(RtfWriter, AnEmptyDocumentStillNamesItsDefaultFont) {
  const std::string rtf = WriteRtf(TRichDocument{});
  EXPECT_THAT(rtf, ::testing::HasSubstr("{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"));
  EXPECT_EQ(ReadRtf(rtf), TRichDocument{});
}

TEST(RtfWriter, GeneratedDocumentsSurviveAWriteAndARead) {
  // Faces and character sets, including names with characters that need escaping, and sets
  // whose bytes are not GBK (their text goes as \u).
  const std::pair<const char*, uint8_t> faces[] = {
      {"宋体", 134}, {"黑体", 134}, {"Arial", 0}, {"ＭＳ 明朝", 128}, {"細明體", 136},
      {"굴림", 129}, {"Odd;{name}\\", 1}, {"", 134}, {"Ελληνικά", 161}};
  const char* pieces[] = {"a", "Z", " ", "{", "}", "\\", ";", "?", "汉", "字", "。", "\t",
                          "\n", "é", "€", "한", "😀", "\xC2\xA0", "\xEF\xBF\xBD", "\xEF\xBF\xBF",
                          "—", "“", "9", "\xF0\x9F\x80\x80"};
  std::mt19937 random(20240601);
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  for (int round = 0; round < 400; ++round) {
    TRichDocument d;
    const int paragraphs = pick(6);
    for (int p = 0; p < paragraphs; ++p) {
      TRichParagraph& paragraph = d.Paragraphs.emplace_back();
      paragraph.Alignment = TParaAlignment(pick(4));
      const int runs = pick(5);
      for (int r = 0; r < runs; ++r) {
        const auto& face = faces[pick(std::size(faces))];
        TRichFormat f = Format(face.first, face.second, 2 + pick(3275));
        if (pick(3) > 0) f.Color = TColor(random() & 0xFFFFFF);
        f.Style = TFontStyles(pick(16));
        std::string text;
        for (int k = 1 + pick(8); k > 0; --k) text += pieces[pick(std::size(pieces))];
        paragraph.Append(f, U32(text.c_str()));
      }
    }
    const std::string once = WriteRtf(d);
    std::optional<TRichDocument> back = ReadRtf(once);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(*back, d) << once;
    EXPECT_EQ(WriteRtf(*back), once);  // writing is a fixed point
  }
}

TEST(RtfWriter, FilesOfRealToolsSurviveTheDialogsSave) {
  // A user's file read, saved and read again keeps its runs and alignment.
  for (const char* name : {"abiword_styles.rtf", "pandoc_styles.rtf", "abiword_table.rtf",
                           "pandoc_table.rtf", "abiword_footnote.rtf", "pandoc_footnote.rtf",
                           "editor_form.rtf"}) {
    std::optional<TRichDocument> first = ReadRtf(ReadFixture(name));
    ASSERT_TRUE(first.has_value()) << name;
    const std::string saved = WriteRtf(*first);
    EXPECT_EQ(ReadRtf(saved), first) << name;
    EXPECT_EQ(WriteRtf(*ReadRtf(saved)), saved) << name;
  }
}
