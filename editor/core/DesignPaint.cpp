#include "DesignPaint.h"

#include "model/objects/DisplayObject.h"
#include "platform/gfx/Canvas.h"

namespace editor {

using platform::TCanvas;
using platform::TRect;

void PaintPage(const platform::TWinControl& page, TCanvas& canvas) {
  canvas.Brush.Color = platform::clBlack;
  canvas.Brush.Style = platform::bsSolid;
  canvas.FillRect({0, 0, page.Width(), page.Height()});
  model::PaintChildren(page, canvas);
}

void DrawFocusRect(TCanvas& canvas, const TRect& r) {
  if (r.IsEmpty()) return;
  auto dot = [&](int x, int y) {
    if ((x + y) % 2 != 0) return;
    const platform::TColor c = canvas.Pixel(x, y);
    if (c != platform::clInvalid) canvas.SetPixel(x, y, ~c & 0xFFFFFF);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
  }
}

void PaintDesignOverlay(const TDesign& design, TCanvas& canvas) {
  for (const TRect& r : design.Outlines()) DrawFocusRect(canvas, r);
  canvas.Brush.Style = platform::bsSolid;
  auto square = [&](const TGrabHandle& h) {
    if (!h.Visible) return;
    canvas.Brush.Color = h.Color;
    canvas.FillRect(h.Bounds());
  };
  if (const TSelector* selector = design.Selector())
    for (int i = 0; i < TComponentCollection::Capacity; ++i)
      if (const TSelect* marks = selector->Marks(i))
        for (const TGrabHandle& m : marks->Marks) square(m);
  if (const TGrab* grab = design.Grab())
    for (const TGrabHandle& h : grab->Handles()) square(h);
}

}  // namespace editor
