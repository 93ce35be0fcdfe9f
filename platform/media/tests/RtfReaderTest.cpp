#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/media/RtfReader.h"
#include "platform/media/tests/RtfTestSupport.h"

using namespace platform;
using namespace platform::testing;

namespace {

TRichDocument Read(std::string_view rtf) {
  std::optional<TRichDocument> d = ReadRtf(rtf);
  EXPECT_TRUE(d.has_value());
  return d.value_or(TRichDocument{});
}

}  // namespace

TEST(RtfReaderFixtures, FindsTheRunsAbiWordFindsInFilesOfRealTools) {
  for (const char* name : {"abiword_styles", "pandoc_styles", "abiword_table", "pandoc_table",
                           "abiword_footnote"}) {
    SCOPED_TRACE(name);
    TRichDocument d = Read(ReadFixture(std::string(name) + ".rtf"));
    ExpectMatchesTable(d, ReadRunTable(std::string(name) + ".runs"), name);
  }
}

TEST(RtfReaderFixtures, LeavesAFootnoteOutOfThePandocFileAndKeepsItsParagraphWhole) {
  // AbiWord splits the paragraph at the footnote mark; the file has one paragraph there.
  TRichDocument d = Read(ReadFixture("pandoc_footnote.rtf"));
  EXPECT_EQ(Utf32ToUtf8(d.PlainText()), "脚注\n\n正文继续\n下一段");
  EXPECT_EQ(d.Paragraphs[0].Alignment, paCenter);
  TRichFormat title;
  title.FaceName = "Helvetica";
  title.Charset = DEFAULT_CHARSET;  // the file names none: its \ansicpg (none: GBK) applies
  title.HalfPoints = 36;
  title.Style = FontStyleBit(fsBold);
  EXPECT_EQ(d.Paragraphs[0].Runs, (std::vector<TRichRun>{{title, U32("脚注")}}));
}

TEST(RtfReaderFixtures, ReadsTheEditorsOwnFormAsAbiWordDoes) {
  TRichDocument d = Read(ReadFixture("editor_form.rtf"));
  EXPECT_EQ(Utf32ToUtf8(d.PlainText()), ReadFixture("editor_form.txt"));
  TRichFormat red;  // "宋体", character set 134, 12 pt, red
  red.Color = clRed;
  ASSERT_EQ(d.Paragraphs.size(), 3u);
  for (const TRichParagraph& p : d.Paragraphs) {
    ASSERT_EQ(p.Runs.size(), 1u);
    EXPECT_EQ(p.Runs[0].Format, red);
  }
  EXPECT_EQ(d.Paragraphs[1].Alignment, paLeft);
  EXPECT_EQ(d.Paragraphs[2].Alignment, paCenter);
}

TEST(RtfReader, IsRtfOnlyWhenTheDataStartsWithTheRtfGroup) {
  EXPECT_TRUE(IsRtf("{\\rtf1}"));
  EXPECT_TRUE(IsRtf("{\\rtf"));
  EXPECT_FALSE(IsRtf(" {\\rtf1}"));
  EXPECT_FALSE(IsRtf("\xEF\xBB\xBF{\\rtf1}"));
  EXPECT_FALSE(IsRtf("{\\RTF1}"));
  EXPECT_FALSE(ReadRtf("plain text").has_value());
  EXPECT_TRUE(Read("{\\rtf1}").Empty());
}

TEST(RtfReader, DecodesBytesInTheCodePageOfTheFontsCharacterSet) {
  const std::string table =
      "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset134 A;}{\\f1\\fcharset136 B;}"
      "{\\f2\\fcharset128 C;}{\\f3\\fcharset129 D;}{\\f4\\fcharset0 E;}{\\f5\\fcharset238 F;}"
      "{\\f6 G;}}";
  struct Case {
    const char* body;
    const char* text;
  } cases[] = {
      {"\\f0\\'d6\\'d0", "中"},           // GBK
      {"\\f1\\'a4\\'a4", "中"},           // Big5
      {"\\f2\\'92\\'86", "中"},           // Shift-JIS
      {"\\f3\\'c7\\'d1", "한"},           // Korean
      {"\\f4\\'e9", "é"},                 // Western
      {"\\f5\\'c0", "А"},                 // another set: the \ansicpg (Cyrillic here)
      {"\\f6\\'c0", "А"},                 // no \fcharset: the \ansicpg
      {"\\f0 \xD6\xD0 raw", "中 raw"},  // raw bytes like \'hh
      {"\\f0\\'d6", "\xEF\xBF\xBD"},      // a lead byte alone
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf32ToUtf8(Read(table + c.body + "}").PlainText()), c.text) << c.body;
  // Without \ansicpg and without fonts, bytes are GBK.
  EXPECT_EQ(Utf32ToUtf8(Read("{\\rtf1 \\'cb\\'ce\\'cc\\'e5}").PlainText()), "宋体");
}

TEST(RtfReader, ReadsUnicodeCharactersAndSkipsTheirFallbacks) {
  struct Case {
    const char* rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 \\u23435?\\u20307?}", "宋体"},
      {"{\\rtf1 \\u-24879?}", "黑"},  // 40657 written as a signed 16-bit number
      {"{\\rtf1 \\uc2\\u23435\\'cb\\'ce x}", "宋 x"},
      {"{\\rtf1 \\uc0\\u23435 \\u20307 x}", "宋体x"},
      {"{\\rtf1 \\u23435\\'cb\\'ce}", "宋\xEF\xBF\xBD"},  // \uc1: one byte of two skipped
      {"{\\rtf1 {\\uc3 \\u23435?}X}", "宋X"},            // a group end stops the skipping
      {"{\\rtf1 \\u23435\\par x}", "宋x"},  // a word is one fallback character
      {"{\\rtf1 \\u-10179?\\u-8704?}", "😀"},             // a surrogate pair
      {"{\\rtf1 \\u-10179?x}", "\xEF\xBF\xBDx"},          // a high surrogate alone
      {"{\\rtf1 \\u-8704?}", "\xEF\xBF\xBD"},             // a low surrogate alone
      {"{\\rtf1 \\u-1?}", "\xEF\xBF\xBF"},                // -1 + 65536: U+FFFF
      {"{\\rtf1 \\u7?a\\u9?b}", "a\tb"},                  // control characters but tabs go
      {"{\\rtf1 \\u99999?}", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf32ToUtf8(Read(c.rtf).PlainText()), c.text) << c.rtf;
}

TEST(RtfReader, KeepsEscapesSpecialCharactersAndStructure) {
  struct Case {
    const char* rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 a\\\\b\\{c\\}d}", "a\\b{c}d"},
      {"{\\rtf1 a\\~b\\_c}", "a\xC2\xA0" "b\xE2\x80\x91" "c"},
      {"{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}",
       "—–‘’“”•"},
      {"{\\rtf1 a\\tab b\\line c}", "a\tb\nc"},
      {"{\\rtf1 a\\par b\\sect c\\page d}", "a\nb\nc\nd"},
      {"{\\rtf1 a\\\r\nb}", "a\nb"},  // a backslash before a line end is \par
      {"{\\rtf1 a\r\nb\n\rc\td}", "abc\td"},  // line ends in the file are not text
      {"{\\rtf1 a\\-b\\|c\\:d}", "abcd"},
      {"{\\rtf1 a\\par }", "a"},  // a paragraph end at the very end makes no empty paragraph
      {"{\\rtf1 a\\par\\par }", "a\n"},
      {"{\\rtf1 \\unknownword12 a\\xyz b}", "ab"},
      {"{\\rtf1 a\\b-b}", "a-b"},  // '-' without digits is text
      // A cell is a tab and a row a paragraph, however the writer ended the cell's text.
      {"{\\rtf1 {\\trowd\\pard\\intbl a\\cell b\\cell\\row}c}", "a\tb\t\nc"},
      {"{\\rtf1 {\\trowd{\\pard\\intbl a\\par}\\cell{\\pard\\intbl b\\par}\\cell\\intbl\\row}c}",
       "a\tb\t\nc"},
      {"{\\rtf1 \\pard\\intbl a\\par b\\cell\\row}", "a\nb\t"},  // two paragraphs in a cell
      {"{\\rtf1 \\pard\\intbl a\\par}", "a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf32ToUtf8(Read(c.rtf).PlainText()), c.text) << c.rtf;
}

TEST(RtfReader, SkipsGroupsWhoseTextIsNotShown) {
  struct Case {
    const char* rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 a{\\*\\generator hidden;}b}", "ab"},
      {"{\\rtf1 {\\info{\\title t}{\\author w}}a}", "a"},
      {"{\\rtf1 {\\stylesheet{\\s0 Normal;}}a}", "a"},
      {"{\\rtf1 a{\\pict\\pngblip 89504e47{nested}}b}", "ab"},
      {"{\\rtf1 a{\\pict\\bin3 }{}}b}", "ab"},  // binary data may hold braces
      {"{\\rtf1 a{\\object{\\objdata 01}{\\result r}}b}", "ab"},
      {"{\\rtf1 {\\header h}{\\footerl f}a{\\footnote n}b}", "ab"},
      {"{\\rtf1 {\\listtable x}{\\listoverridetable y}{\\revtbl z}a}", "a"},
      {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}}", "link"},
      {"{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 1}}}", "1"},
      {"{\\rtf1 a\\bin3 xyzb}", "ab"},
      {"{\\rtf1 a\\bin0 b}", "ab"},
      {"{\\rtf1 a\\bin-5 b}", "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf32ToUtf8(Read(c.rtf).PlainText()), c.text) << c.rtf;
}

TEST(RtfReader, KeepsTheFormatOfEveryRun) {
  const std::string head =
      "{\\rtf1\\ansi\\ansicpg936\\deff1{\\fonttbl{\\f0\\fcharset0 Arial;}"
      "{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f2\\fcharset134 \\u40657?\\u20307?;}"
      "{\\f3\\fcharset0{\\*\\panose 020b}  Spaced  Name ;}{\\f4 Semi\\'3bColon;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}";
  TRichFormat song;  // \deff1
  TRichFormat arial;
  arial.FaceName = "Arial";
  arial.Charset = 0;
  TRichFormat hei;
  hei.FaceName = "黑体";
  auto with = [](TRichFormat f, auto change) {
    change(f);
    return f;
  };
  struct Case {
    const char* body;
    TRichFormat format;
  } cases[] = {
      {"x", song},
      {"\\f0 x", arial},
      {"\\f2 x", hei},
      {"\\f3 x", with(arial, [](TRichFormat& f) { f.FaceName = "Spaced  Name"; })},
      {"\\f4 x", with(song, [](TRichFormat& f) { f.FaceName = "Semi;Colon"; f.Charset = 1; })},
      {"\\f9 x", song},  // a font the table lacks: the default font
      {"\\fs48 x", with(song, [](TRichFormat& f) { f.HalfPoints = 48; })},
      {"\\fs99999999999 x", with(song, [](TRichFormat& f) { f.HalfPoints = 3276; })},
      {"\\fs0 x", with(song, [](TRichFormat& f) { f.HalfPoints = 2; })},
      {"\\fs-8 x", with(song, [](TRichFormat& f) { f.HalfPoints = 2; })},
      {"\\cf1 x", with(song, [](TRichFormat& f) { f.Color = clRed; })},
      {"\\cf2 x", with(song, [](TRichFormat& f) { f.Color = clBlack; })},  // black is black
      {"\\cf0 x", song},  // the empty first entry: automatic
      {"\\cf7 x", song},  // no such entry
      {"\\b\\i\\ul\\strike x", with(song, [](TRichFormat& f) { f.Style = 15; })},
      {"\\b\\b0 x", song},
      {"\\ulwave x", with(song, [](TRichFormat& f) { f.Style = FontStyleBit(fsUnderline); })},
      {"\\ul\\ulnone x", song},
      {"\\ulc1 x", song},  // the underline's colour is no underline
      {"\\striked1 x", with(song, [](TRichFormat& f) { f.Style = FontStyleBit(fsStrikeOut); })},
      {"\\strike\\strike0 x", song},
      {"\\f0\\fs30\\cf1\\b\\plain x", song},
      {"{\\b\\cf1 y}x", song},  // a group's format ends with it
  };
  for (const Case& c : cases) {
    TRichDocument d = Read(head + c.body + "}");
    ASSERT_EQ(d.Paragraphs.size(), 1u) << c.body;
    EXPECT_EQ(d.Paragraphs[0].Runs.back().Format, c.format) << c.body;
  }
  // Without a font table the default face and GBK.
  TRichDocument bare = Read("{\\rtf1 x}");
  EXPECT_EQ(bare.Paragraphs[0].Runs[0].Format, TRichFormat{});
}

TEST(RtfReader, KeepsParagraphAlignmentAsItStandsAtTheParagraphEnd) {
  TRichDocument d = Read(
      "{\\rtf1 \\qc a\\par \\pard b\\par \\qr c\\par \\qj d\\par \\ql e\\par "
      "\\qc{\\qr f\\par}g\\par \\qr h}");
  ASSERT_EQ(d.Paragraphs.size(), 8u);
  const TParaAlignment expected[] = {paCenter, paLeft, paRight, paJustify,
                                     paLeft,   paRight, paCenter, paRight};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(d.Paragraphs[i].Alignment, expected[i]) << i;
  EXPECT_EQ(Utf32ToUtf8(d.PlainText()), "a\nb\nc\nd\ne\nf\ng\nh");
}

TEST(RtfReader, HostileInputLoadsOrFailsCleanly) {
  // Nesting far deeper than anything real: groups past the cap are skipped whole.
  std::string deep = "{\\rtf1 a";
  deep += std::string(100000, '{') + "x" + std::string(100000, '}') + "b}";
  EXPECT_EQ(Utf32ToUtf8(Read(deep).PlainText()), "ab");
  std::string shallow = "{\\rtf1 " + std::string(kRtfMaxNesting - 1, '{') + "x" +
                        std::string(kRtfMaxNesting - 1, '}') + "}";
  EXPECT_EQ(Utf32ToUtf8(Read(shallow).PlainText()), "x");
  // Unclosed deep nesting ends with the data.
  EXPECT_EQ(Utf32ToUtf8(Read("{\\rtf1 a" + std::string(100000, '{')).PlainText()), "a");

  struct Case {
    std::string rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 abc\\bin999999 def}", "abc"},       // \bin past the end
      {"{\\rtf1 abc\\bin99999999999999999999", "abc"},
      {"{\\rtf1 a}}}}b", "a"},                      // text after the end is no text
      {"{\\rtf1 {{{a", "a"},                        // no final brace: the data ends the text
      {"{\\rtf1 a\\", "a"},
      {"{\\rtf1 a\\'", "a"},
      {"{\\rtf1 a\\'4", "a"},  // a cut-off byte that is a control character
      {"{\\rtf1 \\u", ""},
      {"{\\rtf1 \\" + std::string(100000, 'x') + " a}", "a"},  // an endless word
      {"{\\rtf1 \\fs" + std::string(100000, '9') + " a}", "a"},
      {"{\\rtf1 \\uc99999999999\\u23435 abc}d", "宋"},
      {"{\\rtf1 {\\fonttbl{\\f0", ""},
      {"{\\rtf1 {\\colortbl\\red999\\green-4", ""},
      {std::string("{\\rtf1 a\0b}", 11), "ab"},  // a zero byte is no character
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf32ToUtf8(Read(c.rtf).PlainText()), c.text) << c.rtf.substr(0, 40);
  // Colours clamp into a byte.
  TRichDocument clamped = Read("{\\rtf1{\\colortbl;\\red999\\green-4\\blue7;}\\cf1 x}");
  EXPECT_EQ(clamped.Paragraphs[0].Runs[0].Format.Color, RGB(255, 0, 7));
}
