#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

TRect Area(const TBitmap& b) { return {0, 0, b.Width(), b.Height()}; }

// Pixels [x0, x1) of a 24-bit row in one packed colour.
void FillRow24(uint8_t* row, int x0, int x1, uint32_t packed) {
  uint8_t* p = row + 3 * size_t(x0);
  const uint8_t b = uint8_t(packed), g = uint8_t(packed >> 8), r = uint8_t(packed >> 16);
  if (b == g && g == r) {
    std::memset(p, b, 3 * size_t(x1 - x0));
    return;
  }
  for (int x = x0; x < x1; ++x, p += 3) {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
}

// Paints spans of device pixels with a brush: a solid colour, or a pattern repeated from the
// device's (0, 0).
class TBrushPainter {
 public:
  TBrushPainter(const TBrush& brush, TBitmap& bitmap)
      : bitmap_(bitmap),
        pattern_(brush.Pattern && !brush.Pattern->Empty() ? brush.Pattern : nullptr),
        active_(brush.Style == bsSolid),
        packed_(active_ && !pattern_ ? bitmap.PackColor(brush.Color) : 0) {}

  bool Active() const { return active_; }

  void Span(int y, int x0, int x1) {
    if (!active_ || x0 >= x1) return;
    uint8_t* row = bitmap_.ScanLine(y);
    const TPixelFormat pf = bitmap_.PixelFormat();
    if (!pattern_) {
      if (pf == pf24bit) {  // the pictures of display objects: worth a loop of its own
        FillRow24(row, x0, x1, packed_);
        return;
      }
      for (int x = x0; x < x1; ++x) WriteRowPixel(row, x, pf, packed_);
      return;
    }
    const uint8_t* prow = pattern_->ScanLine(y % pattern_->Height());
    for (int x = x0; x < x1; ++x) {
      TColor c = ReadRowPixel(prow, x % pattern_->Width(), pattern_->PixelFormat(),
                              pattern_->Palette());
      WriteRowPixel(row, x, pf, bitmap_.PackColor(c));
    }
  }

 private:
  TBitmap& bitmap_;
  const TBitmap* pattern_;
  bool active_;
  uint32_t packed_;
};

// The ellipse filling a box w x h: row j holds the pixels whose centres lie inside. In doubled
// coordinates from the box centre (dx = 2i + 1 - w, dy = 2j + 1 - h) that is
// dx^2 h^2 + dy^2 w^2 <= w^2 h^2. Returns the largest |dx| of the row (it has the parity of
// w - 1), or -1 when the row is empty.
int64_t EllipseHalfWidth(int64_t j, int64_t w, int64_t h) {
  const __int128 dy = 2 * j + 1 - h;
  const __int128 limit = __int128(w) * w * (__int128(h) * h - dy * dy) / (__int128(h) * h);
  // Integer square root of limit.
  int64_t m = int64_t(std::sqrt(double(limit)));
  while (m > 0 && __int128(m) * m > limit) --m;
  while (__int128(m + 1) * (m + 1) <= limit) ++m;
  if ((m - (w - 1)) % 2 != 0) --m;
  return m;
}

// Gives the brush the part of [x0, x1) in row y that lies inside the clip.
void ClippedSpan(TBrushPainter& brush, int y, int64_t x0, int64_t x1, const TRect& clip) {
  if (y < clip.Top || y >= clip.Bottom) return;
  x0 = std::max<int64_t>(x0, clip.Left);
  x1 = std::min<int64_t>(x1, clip.Right);
  if (x0 < x1) brush.Span(y, int(x0), int(x1));
}

}  // namespace

TRect TCanvas::DeviceClip() const {
  return hasClip_ ? Intersect(clip_, Area(*bitmap_)) : Area(*bitmap_);
}

TRect TCanvas::ClipRect() const {
  TRect device = hasClip_ ? clip_ : Area(*bitmap_);
  return device.Offset(-origin_.X, -origin_.Y);
}

void TCanvas::SetClipRect(const TRect& r) {
  clip_ = r.Offset(origin_.X, origin_.Y);
  hasClip_ = true;
}

void TCanvas::IntersectClipRect(const TRect& r) {
  TRect device = r.Offset(origin_.X, origin_.Y);
  clip_ = hasClip_ ? Intersect(clip_, device) : device;
  hasClip_ = true;
}

TColor TCanvas::Pixel(int x, int y) const {
  return bitmap_->GetPixel(x + origin_.X, y + origin_.Y);
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  x += origin_.X;
  y += origin_.Y;
  if (!DeviceClip().Contains(x, y)) return;
  bitmap_->SetPixel(x, y, c);
}

void TCanvas::FillRect(const TRect& r) {
  TRect area = Intersect(r.Offset(origin_.X, origin_.Y), DeviceClip());
  if (area.IsEmpty()) return;
  TBrushPainter brush(Brush, *bitmap_);
  for (int y = area.Top; y < area.Bottom; ++y) brush.Span(y, area.Left, area.Right);
}

void TCanvas::PenDot(int x, int y, uint32_t packed, const TRect& clip) {
  const TPixelFormat pf = bitmap_->PixelFormat();
  const int w = std::max(Pen.Width, 1);
  if (w == 1) {
    if (clip.Contains(x, y)) WriteRowPixel(bitmap_->ScanLine(y), x, pf, packed);
    return;
  }
  // A round dot w pixels across, centred on the pixel (for even widths, on its lower right
  // corner): doubled offsets keep the test integer.
  const int lo = -(w - 1) / 2, hi = w / 2, even = (w % 2 == 0) ? 1 : 0;
  for (int dy = lo; dy <= hi; ++dy) {
    if (!(y + dy >= clip.Top && y + dy < clip.Bottom)) continue;
    uint8_t* row = bitmap_->ScanLine(y + dy);
    for (int dx = lo; dx <= hi; ++dx) {
      int ex = 2 * dx - even, ey = 2 * dy - even;
      if (ex * ex + ey * ey > w * w) continue;
      if (clip.Contains(x + dx, y + dy)) WriteRowPixel(row, x + dx, pf, packed);
    }
  }
}

void TCanvas::PenLine(TPoint from, TPoint to, uint32_t packed, const TRect& clip) {
  // Bresenham, stepping along the major axis; the end point is not drawn.
  int64_t x = from.X, y = from.Y;
  const int64_t dx = std::llabs(int64_t(to.X) - from.X), dy = std::llabs(int64_t(to.Y) - from.Y);
  const int sx = to.X >= from.X ? 1 : -1, sy = to.Y >= from.Y ? 1 : -1;
  const int64_t steps = std::max(dx, dy);
  // A line far outside the bitmap is not walked pixel by pixel.
  const int margin = std::max(Pen.Width, 1);
  if (std::max<int64_t>(from.X, to.X) < clip.Left - margin ||
      std::min<int64_t>(from.X, to.X) >= clip.Right + margin ||
      std::max<int64_t>(from.Y, to.Y) < clip.Top - margin ||
      std::min<int64_t>(from.Y, to.Y) >= clip.Bottom + margin)
    return;
  int64_t err = (dx >= dy ? dx : dy) / 2;
  for (int64_t i = 0; i < steps; ++i) {
    if (x >= clip.Left - margin && x < clip.Right + margin && y >= clip.Top - margin &&
        y < clip.Bottom + margin)
      PenDot(int(x), int(y), packed, clip);
    if (dx >= dy) {
      x += sx;
      err -= dy;
      if (err < 0) {
        y += sy;
        err += dx;
      }
    } else {
      y += sy;
      err -= dx;
      if (err < 0) {
        x += sx;
        err += dy;
      }
    }
  }
}

void TCanvas::LineTo(int x, int y) {
  TPoint from = penPos_;
  penPos_ = {x, y};
  if (Pen.Style == psClear) return;
  TRect clip = DeviceClip();
  if (clip.IsEmpty()) return;
  PenLine({from.X + origin_.X, from.Y + origin_.Y}, {x + origin_.X, y + origin_.Y},
          bitmap_->PackColor(Pen.Color), clip);
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2) return;
  TRect clip = DeviceClip();
  TBrushPainter brush(Brush, *bitmap_);
  if (brush.Active() && points.size() >= 3 && !clip.IsEmpty()) {
    // Scan lines through pixel centres; an edge counts from its upper end up to, but not
    // including, its lower end, so shared vertices are crossed once.
    int64_t minY = points[0].Y, maxY = points[0].Y;
    for (const TPoint& p : points) {
      minY = std::min<int64_t>(minY, p.Y);
      maxY = std::max<int64_t>(maxY, p.Y);
    }
    int yFrom = int(std::max<int64_t>(minY + origin_.Y, clip.Top));
    int yTo = int(std::min<int64_t>(maxY + origin_.Y, clip.Bottom));
    std::vector<double> crossings;
    for (int y = yFrom; y < yTo; ++y) {
      const double cy = y + 0.5 - origin_.Y;
      crossings.clear();
      for (size_t i = 0; i < points.size(); ++i) {
        const TPoint& a = points[i];
        const TPoint& b = points[(i + 1) % points.size()];
        if (a.Y == b.Y) continue;
        double y0 = std::min(a.Y, b.Y), y1 = std::max(a.Y, b.Y);
        if (cy < y0 || cy >= y1) continue;
        crossings.push_back(a.X + (cy - a.Y) * double(b.X - a.X) / double(b.Y - a.Y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
        // Pixels whose centre lies in [left crossing, right crossing).
        double left = crossings[k] + origin_.X - 0.5, right = crossings[k + 1] + origin_.X - 0.5;
        int64_t x0 = int64_t(std::ceil(left)), x1 = int64_t(std::ceil(right));
        x0 = std::max<int64_t>(x0, clip.Left);
        x1 = std::min<int64_t>(x1, clip.Right);
        if (x0 < x1) brush.Span(y, int(x0), int(x1));
      }
    }
  }
  if (Pen.Style == psClear) return;
  std::vector<TPoint> closed(points.begin(), points.end());
  closed.push_back(points[0]);
  Polyline(closed);
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  auto invert = [&](int x, int y) {
    if (((x - r.Left) + (y - r.Top)) % 2 != 0) return;
    const TColor p = Pixel(x, y);
    if (p != clInvalid) SetPixel(x, y, ~p & 0xFFFFFF);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    invert(x, r.Top);
    if (r.Bottom - 1 > r.Top) invert(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    invert(r.Left, y);
    if (r.Right - 1 > r.Left) invert(r.Right - 1, y);
  }
}

void TCanvas::Rectangle(const TRect& r) {
  if (r.IsEmpty()) return;
  TBrushPainter brush(Brush, *bitmap_);
  if (brush.Active()) {
    // Without a pen the fill stops one pixel short of the right and bottom, as the outline
    // would have taken them.
    TRect inside = Pen.Style == psClear ? TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1}
                                        : TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    TRect area = Intersect(inside.Offset(origin_.X, origin_.Y), DeviceClip());
    if (!area.IsEmpty())
      for (int y = area.Top; y < area.Bottom; ++y) brush.Span(y, area.Left, area.Right);
  }
  if (Pen.Style == psClear) return;
  TPoint corners[5] = {{r.Left, r.Top},
                       {r.Right - 1, r.Top},
                       {r.Right - 1, r.Bottom - 1},
                       {r.Left, r.Bottom - 1},
                       {r.Left, r.Top}};
  TPoint saved = penPos_;
  if (r.Width() == 1 || r.Height() == 1) {
    // A line one pixel thick: the closing path would leave out its last pixel.
    TRect clip = DeviceClip();
    uint32_t packed = bitmap_->PackColor(Pen.Color);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) PenDot(x + origin_.X, y + origin_.Y, packed, clip);
  } else {
    Polyline(corners);
  }
  penPos_ = saved;
}

void TCanvas::Ellipse(const TRect& r) {
  if (r.IsEmpty()) return;
  const TRect clip = DeviceClip();
  const int margin = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
  const TRect device = r.Offset(origin_.X, origin_.Y);
  // Only rows that can touch the clip are visited, so a huge ellipse costs its visible part.
  const TRect rows = Intersect(device, {clip.Left - margin, clip.Top - margin,
                                        clip.Right + margin, clip.Bottom + margin});
  if (rows.IsEmpty()) return;
  TBrushPainter brush(Brush, *bitmap_);
  const bool outline = Pen.Style != psClear;
  const uint32_t packed = outline ? bitmap_->PackColor(Pen.Color) : 0;
  const int64_t w = r.Width(), h = r.Height();
  // Each row's pixels are the span [Left, Right] of box columns; a pixel is interior when it
  // and its four neighbours are all inside, and outline otherwise.
  struct TSpan {
    int64_t Left = 1, Right = 0;  // empty
  };
  // Pixel centres inside the ellipse, plus the middle row(s) across the whole box and the
  // middle column(s) down it, so that flat and thin ellipses still touch all four sides.
  auto span = [&](int64_t j) {
    TSpan s;
    if (j < 0 || j >= h) return s;
    if (std::llabs(2 * j + 1 - h) <= 1) return TSpan{0, w - 1};
    s.Left = (w - 1) / 2;
    s.Right = w / 2;
    int64_t m = EllipseHalfWidth(j, w, h);
    if (m >= 0) {
      s.Left = std::min(s.Left, (w - 1 - m) / 2);
      s.Right = std::max(s.Right, (w - 1 + m) / 2);
    }
    return s;
  };
  for (int y = rows.Top; y < rows.Bottom; ++y) {
    const int64_t j = y - device.Top;
    const TSpan row = span(j), above = span(j - 1), below = span(j + 1);
    if (row.Left > row.Right) continue;
    const int64_t inLeft = std::max({row.Left + 1, above.Left, below.Left});
    const int64_t inRight = std::min({row.Right - 1, above.Right, below.Right});
    auto put = [&](int64_t i0, int64_t i1) {  // outline pixels [i0, i1]
      if (!outline) {
        ClippedSpan(brush, y, device.Left + i0, device.Left + i1 + 1, clip);
        return;
      }
      for (int64_t i = i0; i <= i1; ++i) {
        int64_t x = device.Left + i;
        if (x >= clip.Left - margin && x < clip.Right + margin) PenDot(int(x), y, packed, clip);
      }
    };
    if (inLeft > inRight) {
      put(row.Left, row.Right);
      continue;
    }
    ClippedSpan(brush, y, device.Left + inLeft, device.Left + inRight + 1, clip);
    put(row.Left, inLeft - 1);
    put(inRight + 1, row.Right);
  }
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  TBrushPainter brush(Brush, *bitmap_);
  if (!brush.Active()) return;
  x += origin_.X;
  y += origin_.Y;
  const TRect clip = DeviceClip();
  if (!clip.Contains(x, y)) return;
  const TPixelFormat pf = bitmap_->PixelFormat();
  const uint32_t target = bitmap_->PackColor(color);
  const int w = clip.Width();
  // The test reads the picture as it was before filling, so a fill colour equal to the
  // border or surface colour cannot confuse it; `done` marks pixels already taken.
  std::vector<uint8_t> done(size_t(w) * size_t(clip.Height()), 0);
  auto fillable = [&](int px, int py) {
    if (done[size_t(py - clip.Top) * size_t(w) + size_t(px - clip.Left)]) return false;
    uint32_t v = ReadRowPacked(bitmap_->ScanLine(py), px, pf);
    return style == fsBorder ? v != target : v == target;
  };
  if (!fillable(x, y)) return;
  // Scan-line fill with an explicit stack of seed points.
  struct TSeed {
    int X, Y;
  };
  struct TRun {
    int Y, X0, X1;  // [X0, X1)
  };
  std::vector<TSeed> stack{{x, y}};
  std::vector<TRun> runs;
  while (!stack.empty()) {
    TSeed s = stack.back();
    stack.pop_back();
    if (!fillable(s.X, s.Y)) continue;
    int x0 = s.X, x1 = s.X + 1;
    while (x0 > clip.Left && fillable(x0 - 1, s.Y)) --x0;
    while (x1 < clip.Right && fillable(x1, s.Y)) ++x1;
    uint8_t* mark = &done[size_t(s.Y - clip.Top) * size_t(w)];
    std::fill(mark + (x0 - clip.Left), mark + (x1 - clip.Left), uint8_t(1));
    runs.push_back({s.Y, x0, x1});
    for (int ny : {s.Y - 1, s.Y + 1}) {
      if (ny < clip.Top || ny >= clip.Bottom) continue;
      bool inRun = false;
      for (int nx = x0; nx < x1; ++nx) {
        bool f = fillable(nx, ny);
        if (f && !inRun) stack.push_back({nx, ny});
        inRun = f;
      }
    }
  }
  for (const TRun& run : runs) brush.Span(run.Y, run.X0, run.X1);
}

void TCanvas::Draw(int x, int y, const TBitmap& src) {
  CopyBits(*bitmap_, DeviceClip(), x + origin_.X, y + origin_.Y, src.Width(), src.Height(), src,
           0, 0, CopyMode);
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& src) {
  CopyRect(dest, src, {0, 0, src.Width(), src.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& src, const TRect& source) {
  TRect d = dest.Offset(origin_.X, origin_.Y);
  if (d.Width() == source.Width() && d.Height() == source.Height())
    CopyBits(*bitmap_, DeviceClip(), d.Left, d.Top, d.Width(), d.Height(), src, source.Left,
             source.Top, CopyMode);
  else
    StretchBits(*bitmap_, DeviceClip(), d, src, source, CopyMode, StretchMode);
}

void TCanvas::BitBlt(int x, int y, int w, int h, const TBitmap& src, int sx, int sy,
                     TCopyMode mode) {
  CopyBits(*bitmap_, DeviceClip(), x + origin_.X, y + origin_.Y, w, h, src, sx, sy, mode);
}

void TCanvas::TransparentDraw(const TRect& dest, const TBitmap& src, const TRect& source,
                              TColor key) {
  TransparentBits(*bitmap_, DeviceClip(), dest.Offset(origin_.X, origin_.Y), src, source, key);
}

void TCanvas::PlgBlt(const TPoint points[3], const TBitmap& src, const TRect& source) {
  TPoint device[3];
  for (int i = 0; i < 3; ++i) device[i] = {points[i].X + origin_.X, points[i].Y + origin_.Y};
  ParallelogramBits(*bitmap_, DeviceClip(), device, src, source);
}

TSize TCanvas::TextExtent(std::string_view text) const { return platform::TextExtent(Font, text); }

void TCanvas::DrawRun(TRealizedFont& font, TColor color, TFontStyles style,
                      std::span<const TLaidChar> chars, int x, int baseline, const TRect& clip) {
  const TFontMetrics& m = font.Metrics();
  const uint32_t packed = bitmap_->PackColor(color);
  const TPixelFormat pf = bitmap_->PixelFormat();
  auto rule = [&](int x0, int x1, int top, int thickness) {
    TRect r = Intersect({x0, top, x1, top + thickness}, clip);
    for (int ry = r.Top; ry < r.Bottom; ++ry)
      for (int rx = r.Left; rx < r.Right; ++rx) WriteRowPixel(bitmap_->ScanLine(ry), rx, pf, packed);
  };
  const int start = x;
  for (const TLaidChar& c : chars) {
    if (c.Char.Code < 0x20) {  // line ends and tabs show no glyph
      x += c.Advance;
      continue;
    }
    std::shared_ptr<const TGlyphImage> g = font.Glyph(c.Char.Code);
    const int left = x + g->Left, top = baseline - g->Top;
    const TRect box = Intersect(Bounds(left, top, g->Width, g->Height), clip);
    for (int gy = box.Top; gy < box.Bottom; ++gy) {
      uint8_t* row = bitmap_->ScanLine(gy);
      const uint8_t* ink = &g->Ink[size_t(gy - top) * size_t(g->Width)];
      if (pf == pf24bit) {  // the pictures of display objects: worth a loop of its own
        const uint8_t b = uint8_t(packed), g8 = uint8_t(packed >> 8), r = uint8_t(packed >> 16);
        // Most of a glyph's box is bare: skipping those pixels beats rewriting every one
        // (measured: about half the time of a branch-free masked write on whole documents).
        uint8_t* p = row + 3 * size_t(box.Left);
        for (int gx = box.Left; gx < box.Right; ++gx, p += 3) {
          if (!ink[gx - left]) continue;
          p[0] = b;
          p[1] = g8;
          p[2] = r;
        }
        continue;
      }
      for (int gx = box.Left; gx < box.Right; ++gx)
        if (ink[gx - left]) WriteRowPixel(row, gx, pf, packed);
    }
    if (c.Underlined) rule(x, x + c.Advance, baseline + m.UnderlineOffset, m.UnderlineThickness);
    x += c.Advance;
  }
  if (style & FontStyleBit(fsUnderline))
    rule(start, x, baseline + m.UnderlineOffset, m.UnderlineThickness);
  if (style & FontStyleBit(fsStrikeOut))
    rule(start, x, baseline + m.StrikeOutOffset, m.StrikeOutThickness);
}

void TCanvas::DrawChars(TRealizedFont& font, const TFontDescription& look,
                        std::span<const TLaidChar> chars, int x, int baseline) {
  DrawRun(font, look.Color, look.Style, chars, x + origin_.X, baseline + origin_.Y, DeviceClip());
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  std::shared_ptr<TRealizedFont> font = RealizeFont(Font);
  TTextLayout layout = LayoutText(*font, text, 0, DT_SINGLELINE | DT_NOPREFIX);
  const TRect clip = DeviceClip();
  x += origin_.X;
  y += origin_.Y;
  TBrushPainter brush(Brush, *bitmap_);
  if (brush.Active()) {
    int width = 0;  // blanks at the end count here
    for (const TLaidChar& c : layout.Chars) width += c.Advance;
    TRect cell = Intersect(Bounds(x, y, width, layout.LineHeight), clip);
    if (!cell.IsEmpty())
      for (int row = cell.Top; row < cell.Bottom; ++row) brush.Span(row, cell.Left, cell.Right);
  }
  if (!layout.Lines.empty())
    DrawRun(*font, Font.Color, Font.Style, layout.Chars, x, y + font->Metrics().Ascent, clip);
}

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned flags) {
  std::shared_ptr<TRealizedFont> font = RealizeFont(Font);
  TTextLayout layout = LayoutText(*font, text, rect.Width(), flags);
  if (flags & DT_CALCRECT) {
    rect.Right = rect.Left + layout.Width;
    rect.Bottom = rect.Top + layout.Height();
    return layout.Height();
  }
  const TRect box = rect.Offset(origin_.X, origin_.Y);
  const TRect clip = (flags & DT_NOCLIP) ? DeviceClip() : Intersect(DeviceClip(), box);
  int y = box.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER)
      y = box.Top + (box.Height() - layout.LineHeight) / 2;
    else if (flags & DT_BOTTOM)
      y = box.Bottom - layout.LineHeight;
  }
  TBrushPainter brush(Brush, *bitmap_);
  for (const TLaidLine& line : layout.Lines) {
    // Edit-control rules leave out a last line that would be cut.
    if ((flags & DT_EDITCONTROL) && y + layout.LineHeight > box.Bottom && y > box.Top) break;
    int x = box.Left;
    if (flags & DT_CENTER)
      x = box.Left + (box.Width() - line.Width) / 2;
    else if (flags & DT_RIGHT)
      x = box.Right - line.Width;
    if (brush.Active()) {
      TRect cell = Intersect(Bounds(x, y, line.Width, layout.LineHeight), clip);
      if (!cell.IsEmpty())
        for (int row = cell.Top; row < cell.Bottom; ++row) brush.Span(row, cell.Left, cell.Right);
    }
    DrawRun(*font, Font.Color, Font.Style,
            std::span(layout.Chars).subspan(line.First, line.Last - line.First), x,
            y + font->Metrics().Ascent, clip);
    y += layout.LineHeight;
  }
  return layout.Height();
}

}  // namespace platform
