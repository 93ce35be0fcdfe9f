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

void PaintDesignOverlay(const TDesign& design, TCanvas& canvas) {
  for (const TRect& r : design.Outlines()) canvas.DrawFocusRect(r);
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
