#pragma once
// Helpers of the rich-text tests: fixtures, documents written compactly, and the run tables
// that make_rtf_fixtures.sh reduces AbiWord's readings to.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/media/RichText.h"

namespace platform::testing {

inline std::string RtfFixturePath(const std::string& name) {
  return std::string(CORVANE_FIXTURES) + "/rtf/" + name;
}

inline std::string ReadFixture(const std::string& name) {
  std::ifstream in(RtfFixturePath(name), std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::u32string U32(const char* utf8) { return Utf8ToUtf32(utf8); }

// One character of a document with the format it shows in.
struct TFormattedChar {
  char32_t Code;
  const TRichFormat* Format;
};

// A paragraph as a run table sees it.
struct TTableParagraph {
  std::string Alignment;  // left, center, right, justify
  std::vector<TRichRun> Runs;
};

inline std::string AlignmentName(TParaAlignment a) {
  switch (a) {
    case paLeft: return "left";
    case paCenter: return "center";
    case paRight: return "right";
    case paJustify: return "justify";
  }
  return "?";
}

inline std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      ++i;
      out += s[i] == 't' ? '\t' : s[i] == 'n' ? '\n' : s[i];
    } else {
      out += s[i];
    }
  }
  return out;
}

// Reads a .runs table (see make_rtf_fixtures.sh).
inline std::vector<TTableParagraph> ReadRunTable(const std::string& name) {
  std::vector<TTableParagraph> table;
  std::istringstream in(ReadFixture(name));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (f[0] == "P") {
      table.push_back({f.at(1), {}});
      continue;
    }
    EXPECT_EQ(f.size(), 6u) << line;
    if (f.size() != 6u || table.empty()) continue;
    TRichRun run;
    run.Format.FaceName = f[1];
    run.Format.HalfPoints = std::stoi(f[2]);
    if (f[3] != "auto") {
      const unsigned long rgb = std::stoul(f[3], nullptr, 16);
      run.Format.Color = TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    for (char c : f[4]) {
      if (c == 'b') run.Format.Style |= FontStyleBit(fsBold);
      if (c == 'i') run.Format.Style |= FontStyleBit(fsItalic);
      if (c == 'u') run.Format.Style |= FontStyleBit(fsUnderline);
      if (c == 's') run.Format.Style |= FontStyleBit(fsStrikeOut);
    }
    run.Text = Utf8ToUtf32(Unescape(f[5]));
    table.back().Runs.push_back(run);
  }
  return table;
}

inline std::vector<TFormattedChar> Characters(const std::vector<TRichRun>& runs) {
  std::vector<TFormattedChar> chars;
  for (const TRichRun& run : runs)
    for (char32_t c : run.Text) chars.push_back({c, &run.Format});
  return chars;
}

// What a run table can say of a format: face, size, colour, styles (not the character set).
inline std::string Describe(const TRichFormat& f) {
  std::string s = f.FaceName + " " + std::to_string(f.HalfPoints) + " ";
  s += f.Color ? std::to_string(*f.Color) : "auto";
  s += " style " + std::to_string(f.Style);
  return s;
}

// Compares a document with a run table: the same paragraphs with the same text, the same
// alignment where a paragraph has text, and every character that is not blank in the same face,
// size, colour and styles. (Nothing shows the alignment of an empty paragraph or the format of
// the blanks and tabs between cells.)
inline void ExpectMatchesTable(const TRichDocument& document,
                               const std::vector<TTableParagraph>& table,
                               const std::string& what) {
  ASSERT_EQ(document.Paragraphs.size(), table.size()) << what;
  for (size_t p = 0; p < table.size(); ++p) {
    const TRichParagraph& ours = document.Paragraphs[p];
    if (!ours.Empty()) {
      EXPECT_EQ(AlignmentName(ours.Alignment), table[p].Alignment) << what << " paragraph " << p;
    }
    std::vector<TFormattedChar> a = Characters(ours.Runs);
    std::vector<TFormattedChar> b = Characters(table[p].Runs);
    std::u32string ta, tb;
    for (auto& c : a) ta += c.Code;
    for (auto& c : b) tb += c.Code;
    ASSERT_EQ(Utf32ToUtf8(ta), Utf32ToUtf8(tb)) << what << " paragraph " << p;
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i].Code == ' ' || a[i].Code == '\t' || a[i].Code == '\n') continue;
      EXPECT_EQ(Describe(*a[i].Format), Describe(*b[i].Format))
          << what << " paragraph " << p << " character " << i;
    }
  }
}

}  // namespace platform::testing
