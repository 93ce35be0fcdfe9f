// The table control's painting: the page, the cells, the selection look, and the whole table
// rendered into a bitmap.
#include <algorithm>
#include <cmath>

#include "model/objects/TableReport.h"
#include "model/objects/TableReportInternal.h"

namespace model {

using platform::TCanvas;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using namespace table_detail;

namespace {

constexpr TColor kHiddenBorder = platform::RGB(192, 192, 192);
constexpr TColor kSelectionFrame = platform::RGB(128, 128, 128);
constexpr TColor kSelectionFill = 0x400000;
constexpr TColor kMarker = platform::clRed;

// A line with the canvas's pen, end point excluded. A line far longer than the visible part is
// cut to it first (with the pen's reach to spare), so a huge cell is not walked pixel by pixel;
// axis-parallel lines give the same pixels either way.
void Line(TCanvas& canvas, TPoint from, TPoint to) {
  const TRect clip = Inflate(canvas.ClipRect(), canvas.Pen.Width + 2);
  const int64_t longest = std::max(std::llabs(int64_t(to.X) - from.X), std::llabs(int64_t(to.Y) - from.Y));
  if (longest > 4 * int64_t(std::max(clip.Width(), clip.Height())) + 4096) {
    // Liang-Barsky against the grown clip.
    double t0 = 0, t1 = 1;
    const double dx = double(to.X) - from.X, dy = double(to.Y) - from.Y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(from.X) - clip.Left, double(clip.Right) - from.X,
                         double(from.Y) - clip.Top, double(clip.Bottom) - from.Y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
    }
    if (t0 > t1) return;
    const TPoint a{int(std::lround(from.X + t0 * dx)), int(std::lround(from.Y + t0 * dy))};
    const TPoint b{int(std::lround(from.X + t1 * dx)), int(std::lround(from.Y + t1 * dy))};
    from = a;
    to = b;
  }
  canvas.MoveTo(from.X, from.Y);
  canvas.LineTo(to.X, to.Y);
}

// (a + b) / 2 + 0.5, truncated.
int Middle(int a, int b) { return int(std::floor((int64_t(a) + b) / 2.0 + 0.5)); }

}  // namespace

void TTableReport::PaintBackground(TCanvas& canvas, const TRect& area) const {
  if (!background_ || background_->Empty()) {
    canvas.Brush = {color_, platform::bsSolid};
    canvas.FillRect(area);
    return;
  }
  // Tiles from the page's (0, 0), whatever the view's scroll position.
  const int w = background_->Width(), h = background_->Height();
  const int64_t x0 = int64_t(std::floor(double(area.Left) / w)) * w;
  const int64_t y0 = int64_t(std::floor(double(area.Top) / h)) * h;
  const TRect saved = canvas.ClipRect();
  canvas.IntersectClipRect(area);
  const platform::TCopyMode mode = canvas.CopyMode;
  canvas.CopyMode = platform::cmSrcCopy;
  for (int64_t y = y0; y < area.Bottom; y += h)
    for (int64_t x = x0; x < area.Right; x += w) canvas.Draw(int(x), int(y), *background_);
  canvas.CopyMode = mode;
  canvas.SetClipRect(saved);
}

void TTableReport::PaintCell(TCanvas& canvas, const TTableReportCell& cell) const {
  const TRect r = cell.cellRect_;
  if (!noFill_) {
    canvas.Brush = {cell.backColor_, platform::bsSolid};
    canvas.FillRect({r.Left, r.Top, r.Right + 1, r.Bottom + 1});
  }

  auto border = [&](TCellSide side, TPoint from, TPoint to) {
    const TCellBorder& b = cell.borders_[side];
    canvas.Pen = b.Shown ? platform::TPen{gridColor_, b.Width, platform::psSolid}
                         : platform::TPen{kHiddenBorder, 1, platform::psSolid};
    Line(canvas, from, to);
  };
  if (cell.borders_[csLeft].Shown || cell.column_ == 0) border(csLeft, {r.Left, r.Top}, {r.Left, r.Bottom});
  if (cell.borders_[csTop].Shown || cell.line_->index_ == 0) border(csTop, {r.Left, r.Top}, {r.Right, r.Top});
  border(csRight, {r.Right, r.Top}, {r.Right, r.Bottom});
  border(csBottom, {r.Left, r.Bottom}, {r.Right + 1, r.Bottom});

  if (cell.diagonals_) {
    canvas.Pen = {gridColor_, cell.borders_[csLeft].Width, platform::psSolid};
    const int l = r.Left + 1, t = r.Top + 1, rr = r.Right - 1, b = r.Bottom - 1;
    const TPoint topLeft{l, t}, topRight{rr, t}, bottomLeft{l, b}, bottomRight{rr, b};
    const TPoint rightMiddle{rr, Middle(t, b)}, leftMiddle{l, Middle(t, b)}, bottomMiddle{Middle(l, rr), b};
    const struct {
      uint32_t Bit;
      TPoint From, To;
    } lines[] = {
        {tdTopLeftToBottomRight, topLeft, bottomRight},  {tdTopLeftToRightMiddle, topLeft, rightMiddle},
        {tdTopLeftToBottomMiddle, topLeft, bottomMiddle}, {tdTopRightToBottomLeft, topRight, bottomLeft},
        {tdTopRightToLeftMiddle, topRight, leftMiddle},   {tdTopRightToBottomMiddle, topRight, bottomMiddle},
    };
    for (const auto& d : lines)
      if (cell.diagonals_ & d.Bit) Line(canvas, d.From, d.To);
  }
  if (cell.marker_) {
    canvas.Pen = {kMarker, 1, platform::psSolid};
    canvas.Brush = {kMarker, platform::bsSolid};
    const TPoint triangle[] = {{r.Right - 1, r.Top}, {r.Right - 5, r.Top}, {r.Right - 2, r.Top + 3}};
    canvas.Polygon(triangle);
  }

  if (cell.picture_ && !cell.picture_->Empty()) {
    // Scaled into the cell, keeping its aspect, centred.
    const int64_t pw = cell.picture_->Width(), ph = cell.picture_->Height();
    const int64_t cw = r.Width(), ch = r.Height();
    int64_t w = cw, h = ch;
    if (pw * ch <= ph * cw)
      w = pw * ch / ph;
    else
      h = ph * cw / pw;
    const TRect dest = platform::Bounds(int(r.Left + (cw - w) / 2), int(r.Top + (ch - h) / 2), int(w), int(h));
    if (!dest.IsEmpty()) {
      canvas.CopyMode = platform::cmSrcCopy;
      canvas.StretchDraw(dest, *cell.picture_);
    }
  }

  if (cell.HasExtraText()) return;
  canvas.Font = cell.FontDescription();
  canvas.Brush.Style = platform::bsClear;
  TRect box = cell.textRect_;
  canvas.DrawText(cell.text_, box, TextFlags(cell.horzAlign_));
}

void TTableReport::PaintSelection(TCanvas& canvas, const TTableReportCell& cell) const {
  const TRect r = cell.cellRect_;
  canvas.Pen = {kSelectionFrame, 1, platform::psSolid};
  const TPoint frame[] = {{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1},
                          {r.Left, r.Bottom - 1}, {r.Left, r.Top}};
  for (int i = 0; i < 4; ++i) Line(canvas, frame[i], frame[i + 1]);
  // Inside the frame the page's colour turns dark blue.
  const TRect inside = Intersect({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, canvas.ClipRect());
  if (inside.IsEmpty()) return;
  platform::TBitmap& bitmap = canvas.Bitmap();
  const uint32_t page = bitmap.PackColor(color_), shown = bitmap.PackColor(kSelectionFill);
  const TPoint o = canvas.Origin();
  const platform::TPixelFormat pf = bitmap.PixelFormat();
  for (int y = inside.Top; y < inside.Bottom; ++y) {
    uint8_t* row = bitmap.ScanLine(y + o.Y);
    for (int x = inside.Left; x < inside.Right; ++x)
      if (platform::ReadRowPacked(row, x + o.X, pf) == page) platform::WriteRowPixel(row, x + o.X, pf, shown);
  }
}

void TTableReport::RenderPage(TCanvas& canvas, const TRect& area) {
  const TRect saved = canvas.ClipRect();
  canvas.IntersectClipRect(area);
  const TRect visible = canvas.ClipRect();
  PaintBackground(canvas, visible);
  for (const auto& line : lines_) {
    if (line->top_ >= visible.Bottom + MaxBorderWidth) break;
    for (const auto& cell : line->cells_) {
      if (cell->mergedInto_) continue;
      if (Intersect(PaintedRect(*cell), visible).IsEmpty()) continue;
      PaintCell(canvas, *cell);
    }
  }
  canvas.SetClipRect(saved);
}

void TTableReport::PaintArea(TCanvas& canvas, const TRect& area) {
  RenderPage(canvas, area);
  if (noFill_) return;
  const TRect saved = canvas.ClipRect();
  canvas.IntersectClipRect(area);
  for (const TTableReportCell* cell : selection_)
    if (!Intersect(cell->cellRect_, canvas.ClipRect()).IsEmpty()) PaintSelection(canvas, *cell);
  canvas.SetClipRect(saved);
}

void TTableReport::Paint(TCanvas& canvas) { PaintArea(canvas, {0, 0, Width(), Height()}); }

bool TTableReport::RenderToBitmap(platform::TBitmap& bitmap) {
  // The page size and the control's size are one here, so the page maps onto the control
  // one to one.
  const auto [width, height] = PageExtent();
  if (width <= 0 || height <= 0 || width > platform::TBitmap::MaxDimension ||
      height > platform::TBitmap::MaxDimension ||
      !platform::TBitmap::SizeAllowed(int(width), int(height), platform::pf24bit))
    return false;
  platform::TBitmap out;
  try {
    out.SetSize(int(width), int(height));
  } catch (const platform::EBitmapError&) {
    return false;
  }
  TCanvas canvas(out);
  RenderPage(canvas, {0, 0, int(width), int(height)});
  bitmap = std::move(out);
  return true;
}

}  // namespace model
