#include "RunLayout.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

constexpr unsigned kBreakFlags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

bool IsLineEnd(char32_t c) { return c == '\r' || c == '\n'; }

}  // namespace

uint32_t TRunLayout::FontIndex(const TFontDescription& look) {
  // Runs mostly repeat the font before them, so look there first.
  for (size_t i = fonts_.size(); i-- > 0;)
    if (fonts_[i].Look == look) return uint32_t(i);
  fonts_.push_back({look, RealizeFont(look)});
  return uint32_t(fonts_.size() - 1);
}

TRunLayout::TRunLayout(std::span<const TRunParagraph> paragraphs, int width,
                       const TFontDescription& fallback) {
  // Empty lines of empty paragraphs take their font from a neighbouring character, found once
  // all characters are known: (line, character position where the paragraph stands).
  std::vector<std::pair<size_t, size_t>> emptyParagraphs;
  // Empty lines inside a paragraph take the font of the line end that makes them.
  std::vector<std::pair<size_t, size_t>> emptyLines;

  for (const TRunParagraph& paragraph : paragraphs) {
    const size_t begin = chars_.size();
    for (const TTextRun& run : paragraph.Runs) {
      if (run.Text.empty()) continue;
      const uint32_t index = FontIndex(run.Font);
      TRealizedFont& font = *fonts_[index].Font;
      for (char32_t code : run.Text) {
        TLaidChar c;
        c.Char.Offset = chars_.size() - begin;
        c.Char.Code = code;
        c.Advance = (code < 0x20) ? 0 : font.Advance(code);
        chars_.push_back(c);
        fontOf_.push_back(index);
      }
    }
    const size_t end = chars_.size();
    if (begin == end) {
      emptyParagraphs.emplace_back(lines_.size(), begin);
      TLine line;
      line.First = line.Last = begin;
      lines_.push_back(line);
      continue;
    }
    std::vector<TLaidLine> broken =
        BreakLines(std::span(chars_).subspan(begin, end - begin), width, kBreakFlags, kTabStop);
    // A line end that closes the paragraph leaves an empty line after it.
    if (IsLineEnd(chars_[end - 1].Char.Code)) broken.push_back({end - begin, end - begin, 0});
    for (const TLaidLine& b : broken) {
      TLine line;
      line.First = begin + b.First;
      line.Last = begin + b.Last;
      line.Width = b.Width;
      switch (paragraph.Alignment) {
        case laLeft: line.Left = 0; break;
        case laCenter: line.Left = (width - line.Width) / 2; break;
        case laRight: line.Left = width - line.Width; break;
      }
      if (line.First == line.Last)
        emptyLines.emplace_back(lines_.size(),
                                line.First < end ? line.First : end - 1);
      for (size_t k = line.First; k < line.Last; ++k) {
        const TFontMetrics& m = fonts_[fontOf_[k]].Font->Metrics();
        line.Ascent = std::max(line.Ascent, m.Ascent);
        line.Descent = std::max(line.Descent, m.Descent);
      }
      width_ = std::max(width_, line.Width);
      lines_.push_back(line);
    }
  }

  auto sizeBy = [&](size_t line, uint32_t font) {
    const TFontMetrics& m = fonts_[font].Font->Metrics();
    lines_[line].Ascent = m.Ascent;
    lines_[line].Descent = m.Descent;
  };
  for (auto [line, at] : emptyLines) sizeBy(line, fontOf_[at]);
  for (auto [line, at] : emptyParagraphs) {
    if (at > 0)
      sizeBy(line, fontOf_[at - 1]);
    else if (!chars_.empty())
      sizeBy(line, fontOf_[0]);
    else
      sizeBy(line, FontIndex(fallback));
  }
  for (TLine& line : lines_) {
    line.Top = height_;
    height_ += line.Height();
  }
}

void TRunLayout::Draw(TCanvas& canvas, size_t first, size_t last, int x, int y) const {
  last = std::min(last, lines_.size());
  if (first >= last) return;
  const TRect clip = canvas.ClipRect();
  const int64_t origin = int64_t(y) - lines_[first].Top;
  for (size_t i = first; i < last; ++i) {
    const TLine& line = lines_[i];
    const int64_t top = origin + line.Top;
    if (top >= clip.Bottom) break;
    if (top + line.Height() <= clip.Top) continue;
    const int baseline = int(top) + line.Ascent;
    int pen = x + line.Left;
    size_t k = line.First;
    while (k < line.Last) {
      size_t end = k + 1;
      while (end < line.Last && fontOf_[end] == fontOf_[k]) ++end;
      const TFontEntry& font = fonts_[fontOf_[k]];
      std::span<const TLaidChar> segment(chars_.data() + k, end - k);
      canvas.DrawChars(*font.Font, font.Look, segment, pen, baseline);
      for (const TLaidChar& c : segment) pen += c.Advance;
      k = end;
    }
  }
}

}  // namespace platform
