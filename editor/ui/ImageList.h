#pragma once
// The editor's image list `ImageList1`: the small pictures of the object tree and of the lists
// of screens and sub-cards, by index (screen 18, page 12, the display classes 19 to 25, 33 and
// 36 to 38). Drawn here, 16 x 16, in the manner of the design surface's own colours.
#include <QIcon>

namespace editor::ui {

inline constexpr int ImageListSize = 16;

// The picture at `index`; a null icon for an index the list has no picture for.
QIcon ImageListIcon(int index);

}  // namespace editor::ui
