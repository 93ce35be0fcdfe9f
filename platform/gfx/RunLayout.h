#pragma once
// Text of several fonts, laid out in paragraphs for a box of a given width and drawn with the
// drawing layer's own glyphs. Lines break by the same rules as WrapText (BreakLines with
// edit-control rules); this adds what text of mixed fonts needs:
//   - the characters of a line share one baseline; a line is its largest ascent plus its
//     largest descent high, over every character on it (blanks at its end included);
//   - a tab reaches to the next multiple of kTabStop pixels from the paragraph's left edge;
//   - each paragraph's lines are aligned on their own: left, centred or right in the box;
//   - '\n' in a run ends a line inside its paragraph; a paragraph that ends with one has an
//     empty line after it;
//   - an empty paragraph is one empty line as high as the font of the last character before
//     it (or, when there is none, of the first after it, else the layout's fallback font).
// The layout keeps the realized fonts, so drawing needs nothing else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontDescription.h"
#include "platform/gfx/FontEngine.h"
#include "platform/gfx/TextLayout.h"

namespace platform {

enum TLineAlignment : uint8_t { laLeft, laCenter, laRight };

// A stretch of text in one font. Font.Color is the ink; underline and strike-out come from
// Font.Style. Characters below U+0020 other than '\t' and '\n' take no room and show nothing.
struct TTextRun {
  TFontDescription Font;
  std::u32string_view Text;
};

struct TRunParagraph {
  TLineAlignment Alignment = laLeft;
  std::span<const TTextRun> Runs;
};

class TRunLayout {
 public:
  static constexpr int kTabStop = 48;

  struct TLine {
    size_t First = 0;  // characters [First, Last) of the layout, line end excluded
    size_t Last = 0;
    int Left = 0;   // x of the line's first pen position in the box, after alignment
    int Width = 0;  // without the blanks that end the line
    int Ascent = 0;
    int Descent = 0;
    int64_t Top = 0;  // from the top of the first line
    int Height() const { return Ascent + Descent; }
  };

  TRunLayout() = default;
  // Lays the paragraphs out for a box `width` pixels wide; `fallback` sizes the empty lines
  // of a layout that has no character at all. Throws EFontError when no font can be realized.
  TRunLayout(std::span<const TRunParagraph> paragraphs, int width,
             const TFontDescription& fallback);

  // Lines from top to bottom; each counts once, with its full height.
  const std::vector<TLine>& Lines() const { return lines_; }
  size_t LineCount() const { return lines_.size(); }
  // The sum of all line heights.
  int64_t Height() const { return height_; }
  // The widest line.
  int Width() const { return width_; }

  // Draws lines [first, last) with the box's top-left corner placed so that line `first`
  // starts at logical (x, y) of the canvas: line k is drawn at y + Lines()[k].Top -
  // Lines()[first].Top. Only glyphs and rules are drawn (no background); the canvas's clip
  // and origin apply, and lines wholly outside the clip are passed over.
  void Draw(TCanvas& canvas, size_t first, size_t last, int x, int y) const;

 private:
  struct TFontEntry {
    TFontDescription Look;
    std::shared_ptr<TRealizedFont> Font;
  };
  uint32_t FontIndex(const TFontDescription& look);

  std::vector<TLaidChar> chars_;
  std::vector<uint32_t> fontOf_;  // per character, an index into fonts_
  std::vector<TFontEntry> fonts_;
  std::vector<TLine> lines_;
  int64_t height_ = 0;
  int width_ = 0;
};

}  // namespace platform
