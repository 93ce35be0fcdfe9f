#pragma once
// Text as the drawing layer measures and breaks it. Text arrives as GBK bytes (model and file
// data) and is decoded only here, character by character, so that lines broken for display can
// be handed back as the GBK bytes they came from.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/FontDescription.h"
#include "platform/gfx/FontEngine.h"
#include "platform/gfx/Geometry.h"

namespace platform {

// Layout flags of DrawText, with the original's values (0x2010 = edit-control rules, word
// breaks, left aligned).
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;     // single lines only
constexpr unsigned DT_BOTTOM = 0x0008;      // single lines only
constexpr unsigned DT_WORDBREAK = 0x0010;   // break lines that would leave the rectangle
constexpr unsigned DT_SINGLELINE = 0x0020;  // line ends do not break
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;    // measure only: the rectangle takes the text's size
constexpr unsigned DT_NOPREFIX = 0x0800;    // '&' is an ordinary character
constexpr unsigned DT_EDITCONTROL = 0x2000; // break inside a word too long for a line; leave
                                            // out a last line that does not fit whole

// One character of GBK text: where its bytes lie and what it is. A byte that does not start a
// valid GBK character is one character of its own (U+FFFD unless it is ASCII).
struct TGbkChar {
  size_t Offset = 0;
  uint8_t Length = 1;
  char32_t Code = 0;
};
std::vector<TGbkChar> DecodeGbk(std::string_view gbk);

struct TLaidChar {
  TGbkChar Char;
  int Advance = 0;
  bool Underlined = false;  // marked by a '&' before it
};

struct TLaidLine {
  size_t First = 0;  // characters [First, Last) of the layout
  size_t Last = 0;
  int Width = 0;  // without the blanks that end the line
};

struct TTextLayout {
  std::vector<TLaidChar> Chars;  // the text, with '&' marks taken out
  std::vector<TLaidLine> Lines;
  int Width = 0;  // the widest line
  int LineHeight = 0;
  int Height() const { return int(Lines.size()) * LineHeight; }
};

// Breaks laid-out characters into lines for a box `width` pixels wide by the flags
// DT_SINGLELINE, DT_WORDBREAK and DT_EDITCONTROL, with the rules of LayoutText below. Each line's
// Width leaves out the blanks that end it. With `tabStop` > 0 a tab is a blank that reaches to
// the next multiple of tabStop from the line's start: its Advance is set here, for the line it
// ends up on. The characters may come from several fonts; only their codes and advances count.
std::vector<TLaidLine> BreakLines(std::span<TLaidChar> text, int width, unsigned flags,
                                  int tabStop = 0);

// Lays text out in a font for a box `width` pixels wide, by the DrawText flags that concern
// lines: DT_SINGLELINE, DT_WORDBREAK, DT_EDITCONTROL, DT_NOPREFIX.
//   - CR LF, CR and LF end a line (not with DT_SINGLELINE); text that ends with a line end
//     has no empty line after it, and empty text has no lines;
//   - with DT_WORDBREAK a line breaks after blanks and before or after a Chinese character,
//     at the last such place where the text still fits; blanks at a break stay on the line
//     they end and do not count to its width. A word wider than the box stays whole unless
//     DT_EDITCONTROL is given, which breaks it between characters. Every line takes at least
//     one character;
//   - without DT_NOPREFIX "&&" stands for '&', and "&" underlines the character after it.
TTextLayout LayoutText(TRealizedFont& font, std::string_view gbk, int width, unsigned flags);

// Width and height of one line of text (no line breaks, no '&' marks): the sum of the
// advances and the cell height. Empty text is 0 wide and a cell high.
TSize TextExtent(const TFontDescription& font, std::string_view gbk);

// The lines a word-wrapping multi-line edit control shows for the text at `width` pixels,
// as GBK bytes, each without its line end.
std::vector<std::string> WrapText(const TFontDescription& font, std::string_view gbk, int width);

}  // namespace platform
