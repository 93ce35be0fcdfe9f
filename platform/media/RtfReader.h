#pragma once
// The RTF reader of the rich-text document: the subset that the editor writes (one font, Chinese
// text, paragraphs) and what a user's *.RTF needs for its runs and alignment to survive a save.
//
// Kept:
//   - header: \rtf1, \ansicpgN (GBK when absent), \deffN, \ucN;
//   - characters: \uN (negative values + 65536, surrogate pairs joined, the next \ucN
//     characters skipped), \'hh and raw bytes in the code page of the current font's
//     \fcharset (134 GBK, 136 Big5, 128 Shift-JIS, 129 Korean, 0 Western, any other the
//     \ansicpg one), \\ \{ \}, \~ (U+00A0), \_ (U+2011), \emdash \endash \lquote \rquote
//     \ldblquote \rdblquote \bullet;
//   - structure: \tab and \cell give a tab, \line (and a backslash before a line end) a line
//     break; \par, \sect, \page and \row end a paragraph. Inside a table (\intbl) the \par that
//     closes a cell's text is that cell's end, so a table row stays one paragraph of cells and
//     tabs, whichever way the writer closed its cells;
//   - \fonttbl (\fN, \fcharsetN; names raw, \'hh or \u, blanks around them trimmed), \colortbl
//     (an entry without colour words, such as an empty first one, is automatic);
//   - character format: \plain \fN \fsN \cfN \b \i \ul (and its variants) \ulnone \strike
//     (\striked1 too); a parameter of 0 switches a style off. Sizes clamp to 1-1638 pt;
//   - paragraph format: \pard \ql \qc \qr \qj.
// Skipped whole: {\*...} groups, \info, \stylesheet, \pict, \object, headers, footers,
// footnotes, list and revision tables, \fldinst (a field's \fldrslt text stays); \binN skips N
// bytes of the file (never past its end). Everything else is ignored.
//
// Hostile input is safe: reading is a loop without recursion; group nesting beyond
// kMaxNesting skips the deeper groups; parameters saturate; a missing final "}" ends the text
// where the data ends, and whatever follows the closing "}" is ignored.
#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/media/RichText.h"

namespace platform {

constexpr size_t kRtfMaxNesting = 256;

// True when the data starts with "{\rtf".
bool IsRtf(std::string_view data);

// The document of RTF data; none when the data does not start with "{\rtf". Paragraphs end at
// the words above; text after the last paragraph end forms one more paragraph when it is not
// empty.
std::optional<TRichDocument> ReadRtf(std::string_view data);

}  // namespace platform
