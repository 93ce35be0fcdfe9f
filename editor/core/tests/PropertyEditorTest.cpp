// The inspector grid's logic against a recording window: the double-click time shared by the
// value column and the edit, dragging past the grid, the pop-up list's place, scrolling rows
// into view, and the drawn image.
#include "editor/core/PropertyEditor.h"

#include <gtest/gtest.h>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "platform/gfx/Canvas.h"

namespace editor {
namespace {

using test::SetRows;
using test::TDated;
using test::TSample;

using TFakeWindow = test::TFakeInspectorWindow;

struct TGrid {
  TFakeWindow Window;
  test::TFakeDialogs Dialogs;
  test::TFakeChooser Chooser;
  TPropertyDescription Editors;
  TPropertyEditor Editor{Window, Dialogs, Chooser, Editors};
  int Changes = 0;
  TGrid() {
    Editor.Resized();
    Editor.OnChanged = [this](platform::TObject*) { ++Changes; };
  }
};

TEST(PropertyGrid, DoubleClickTimeIsSharedByTheValueColumnAndTheEdit) {
  TGrid g;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Text|名称", "Shade|色调"});
  g.Editor.SetRoot(&dated);
  // A press in the value column of the shade row, then one on the edit that now sits there.
  g.Editor.MouseDown(g.Editor.Border() + 30, RowHeight + 9, 1000);
  g.Editor.MouseUp();
  EXPECT_EQ(g.Editor.CurrentRow(), 1);
  EXPECT_TRUE(g.Editor.EditPressed(1300));
  g.Editor.EditAction(eaDblClick);
  EXPECT_EQ(dated.Shade(), 1);
  // The next press starts afresh; one too late is no double click.
  EXPECT_FALSE(g.Editor.EditPressed(1400));
  EXPECT_FALSE(g.Editor.EditPressed(1900));
  // A press in the name column records nothing.
  g.Editor.MouseDown(20, RowHeight + 9, 5000);
  EXPECT_FALSE(g.Editor.EditPressed(5100));
}

TEST(PropertyGrid, DraggingPastTheGridStepsThroughTheRows) {
  TGrid g;
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"Text|名称", "Left|X", "Top|Y", "Width|W", "Height|H", "Tag|T", "Name|N"});
  g.Editor.SetRoot(&sample);
  EXPECT_EQ(g.Editor.RowCount(), 7);
  EXPECT_EQ(g.Editor.RowsPerPage(), 5);
  EXPECT_TRUE(g.Window.BarVisible);
  g.Editor.MouseDown(20, 9, 0);
  EXPECT_EQ(g.Editor.MouseMode(), 2);
  auto below = g.Editor.MouseMove(20, g.Window.Height + 10);
  EXPECT_TRUE(below.KeepScrolling);
  EXPECT_EQ(g.Editor.CurrentRow(), 1);
  for (int i = 0; i < 10; ++i) g.Editor.MouseMove(20, g.Window.Height + 10);  // the timer's repeats
  EXPECT_EQ(g.Editor.CurrentRow(), 6);
  EXPECT_EQ(g.Editor.TopRow(), 2);
  EXPECT_EQ(g.Window.BarPosition, 2);
  EXPECT_EQ(g.Window.EditBounds.Top, (6 - 2) * RowHeight + 4);
  EXPECT_TRUE(g.Editor.MouseMove(20, -5).KeepScrolling);
  EXPECT_EQ(g.Editor.CurrentRow(), 5);
  EXPECT_FALSE(g.Editor.MouseMove(20, 9).KeepScrolling);  // back over the rows: row top + 0
  EXPECT_EQ(g.Editor.CurrentRow(), 2);
  g.Editor.MouseUp();
  EXPECT_EQ(g.Editor.MouseMode(), 0);
  // Selecting beyond the last row takes the last, with the top where it shows.
  g.Editor.ScrollTo(0);
  g.Editor.SelectRow(40, g.Editor.Border(), false);
  EXPECT_EQ(g.Editor.CurrentRow(), 6);
  EXPECT_EQ(g.Editor.TopRow(), 2);
  g.Editor.SelectRow(-3, g.Editor.Border(), false);
  EXPECT_EQ(g.Editor.CurrentRow(), 0);
  EXPECT_EQ(g.Editor.TopRow(), 0);
}

TEST(PropertyGrid, AListWiderThanTheValueColumnKeepsItsRightEdge) {
  TGrid g;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Shade|色调", "shDark|a very long caption of the dark shade"});
  g.Editor.SetRoot(&dated);
  g.Editor.ButtonClick();
  ASSERT_EQ(g.Window.ListItems.size(), 3u);
  const int widest = g.Window.ListTextWidth(g.Window.ListItems);
  EXPECT_EQ(g.Window.ListBounds.Width(), widest);
  EXPECT_EQ(g.Window.ListBounds.Right, g.Window.Width);
  EXPECT_EQ(g.Window.ListBounds.Top, RowHeight);
  EXPECT_EQ(g.Window.ListIndex, 0);
  // Narrow items: from the border to the client's right edge.
  SetRows(dated.PropertyTable(), {"Shade|色调"});
  g.Editor.SetRoot(&dated);
  g.Editor.ButtonClick();
  EXPECT_EQ(g.Window.ListBounds.Left, g.Editor.Border() + 1);
  EXPECT_EQ(g.Window.ListBounds.Right, g.Window.Width);
  EXPECT_EQ(g.Window.ListBounds.Height(), 3 * ListItemHeight + 2);
}

TEST(PropertyGrid, TheImageHoldsCaptionsValuesAndIcons) {
  TGrid g;
  TSample sample(nullptr);
  sample.SetColor(0x00FF00);
  SetRows(sample.PropertyTable(), {"Color|颜色|$000000F0", "Font|字体", "Font.Size|大小"});
  g.Editor.SetRoot(&sample);
  const platform::TBitmap& image = g.Editor.Image();
  EXPECT_EQ(image.Width(), 2 * g.Window.Width);
  EXPECT_EQ(image.Height(), 3 * RowHeight + 1);
  EXPECT_EQ(image.GetPixel(1, 1), InspectorBackground);
  EXPECT_EQ(image.GetPixel(0, 0), platform::clBlack);  // the dotted line
  EXPECT_EQ(image.GetPixel(1, 0), InspectorBackground);
  // The colour row's swatch, in the value half.
  EXPECT_EQ(image.GetPixel(g.Window.Width + 9, 9), 0x00FF00u);
  // The open font row's icon at level 0 (a minus), and its child's caption indented.
  bool iconInk = false;
  for (int x = 2; x < 11; ++x) iconInk |= image.GetPixel(x, RowHeight + 9) == platform::clBlack;
  EXPECT_TRUE(iconInk);
  bool caption = false;
  for (int x = 0; x < g.Window.Width; ++x)
    for (int y = 2 * RowHeight + 1; y < 3 * RowHeight; ++y) caption |= image.GetPixel(x, y) == platform::clBlack;
  EXPECT_TRUE(caption);

  // The client: rows from the image, the border lines, the current row's white value cell.
  platform::TBitmap client(g.Window.Width, g.Window.Height);
  platform::TCanvas canvas(client);
  g.Editor.Paint(canvas);
  const int border = g.Editor.Border();
  EXPECT_EQ(client.GetPixel(border + 1, 30), platform::RGB(128, 128, 128));
  EXPECT_EQ(client.GetPixel(border + 2, 30), platform::clWhite);
  EXPECT_EQ(client.GetPixel(g.Window.Width - 3, 9), platform::clWhite);
  EXPECT_EQ(client.GetPixel(10, g.Window.Height - 2), InspectorBackground);  // below the rows
}

}  // namespace
}  // namespace editor
