#pragma once
// Rich text: the document that the multi-line text object shows and the rich-text dialog edits.
// A document is paragraphs; a paragraph has an alignment and runs; a run is Unicode text in one
// character format. Text is Unicode (not GBK) so that characters GBK cannot hold survive a load
// and a save.
//
// Invariants that ReadRtf, PlainTextDocument and TRichParagraph::Append keep (and that the
// writer relies on for read(write(d)) == d):
//   - no run is empty, and two neighbouring runs of a paragraph differ in format;
//   - text holds no character below U+0020 except '\t' (a tab) and '\n' (a line break inside
//     the paragraph), and no surrogate (U+D800-U+DFFF).
// A paragraph may be empty; an empty document has no paragraphs.
//
// Files: a file is RTF when it starts with "{\rtf" (RtfReader.h), else plain GBK text shown in
// the canvas font "宋体", 12 pt, $0000FF (PlainTextDocument). RtfWriter.h saves a document;
// RichTextLayout.h measures and draws one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/FontDescription.h"

namespace platform {

enum TParaAlignment : uint8_t { paLeft, paCenter, paRight, paJustify };

struct TRichFormat {
  static constexpr int kMinHalfPoints = 2;     // 1 pt
  static constexpr int kMaxHalfPoints = 3276;  // 1638 pt

  std::string FaceName = "宋体";  // UTF-8
  uint8_t Charset = GB2312_CHARSET;
  int HalfPoints = 24;          // the size in half-points: 24 is 12 pt
  std::optional<TColor> Color;  // none: automatic, which draws in kAutomaticColor
  TFontStyles Style = 0;        // fsBold, fsItalic, fsUnderline, fsStrikeOut

  // The font this format draws in: the face in GBK, the pixel height at 96 dpi
  // (-round(HalfPoints * 96 / 144): 24 half-points give -16), the style, the character set,
  // and the colour, automatic being kAutomaticColor.
  TFontDescription Font() const;

  bool operator==(const TRichFormat&) const = default;
};

// Automatic colour is the control's default text colour: black ink on the display's black
// ground would vanish.
constexpr TColor kAutomaticColor = clRed;

struct TRichRun {
  TRichFormat Format;
  std::u32string Text;

  bool operator==(const TRichRun&) const = default;
};

struct TRichParagraph {
  TParaAlignment Alignment = paLeft;  // paJustify is kept, and draws as paLeft
  std::vector<TRichRun> Runs;

  // Appends text in a format: joins the last run when the format is the same, adds nothing for
  // empty text. The text must keep the document's invariants.
  void Append(const TRichFormat& format, std::u32string_view text);
  bool Empty() const { return Runs.empty(); }

  bool operator==(const TRichParagraph&) const = default;
};

struct TRichDocument {
  std::vector<TRichParagraph> Paragraphs;

  bool Empty() const { return Paragraphs.empty(); }
  // All text, paragraphs ended by "\n" except the last (for tests and diagnostics).
  std::u32string PlainText() const;

  bool operator==(const TRichDocument&) const = default;
};

// The canvas font of plain text: "宋体", character set 134, 12 pt, $0000FF.
TRichFormat PlainTextFormat();

// Plain GBK text: CR LF, CR and LF end paragraphs (a line end at the very end makes no empty
// paragraph after it), each paragraph is one run in PlainTextFormat(). Control characters
// other than tabs are left out; bytes that are not GBK show as U+FFFD.
TRichDocument PlainTextDocument(std::string_view gbk);

// A file's content by the rule of the text object: RTF when it starts with "{\rtf" (read by
// ReadRtf), plain GBK text otherwise.
TRichDocument LoadRichText(std::string_view content);

// Reads a file (GBK path) and loads it with LoadRichText. Only a regular file is read: a missing
// file, a folder, a pipe or a device fails at once. On failure `document` is untouched and
// `error` (when given) says why.
bool LoadRichTextFile(std::string_view gbkPath, TRichDocument& document,
                      std::string* error = nullptr);

// Saves a document as RTF (WriteRtf) to a file (GBK path) without ever destroying the previous
// file on failure.
bool SaveRichTextFile(std::string_view gbkPath, const TRichDocument& document,
                      std::string* error = nullptr);

// UTF-32 from and to UTF-8; invalid UTF-8 and code points that are no characters (surrogates,
// beyond U+10FFFF) become U+FFFD.
std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view text);

}  // namespace platform
