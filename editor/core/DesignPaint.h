#pragma once
// What the design surface shows, drawn with the drawing layer: the page with its objects as the
// card will show them, and over it the designer's drag outlines (dotted focus rectangles),
// selection marks and grab handles.
#include "editor/core/Design.h"

namespace platform {
class TCanvas;
}

namespace editor {

// The page's ground (black, as the screen shows it) and its visible objects in their order.
void PaintPage(const platform::TWinControl& page, platform::TCanvas& canvas);
// The designer's outlines, then its marks and handles, in the container's client coordinates.
void PaintDesignOverlay(const TDesign& design, platform::TCanvas& canvas);

}  // namespace editor
