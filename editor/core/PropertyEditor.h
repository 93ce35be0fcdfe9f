#pragma once
// The property inspector's grid (`TPropertyEditor`): the rows of a TPropertyList in two columns,
// name and value, 18 pixels high, with a movable column border, open and close icons, an
// in-place edit on the current row, a button at the row's right end and a pop-up list of
// values. Values are written back to the inspected object, or to every member of a
// multi-selection, and each write fires OnChanged with Root. Per-class editors registered in a
// TPropertyDescription take a property over.
//
// This is the grid's logic and its drawing, without widgets: the rows are drawn with the
// drawing layer into an off-screen image (so "宋体" looks as it does on the page), and Paint()
// composes the client area from it. The window behind TPropertyEditorWindow owns the edit, the
// button, the scroll bar and the pop-up list and passes their input on; font and colour
// dialogs sit behind TPropertyChooser and message boxes behind TDialogs, so tests open none.
//
// Integers convert as model::TextToInt does (Cardinal rows also take decimal up to
// 4294967295); a value outside the property type's range is refused with a message instead of
// being cut to it. Texts are kept whole, however long.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/Dialogs.h"
#include "editor/core/PropertyDescription.h"
#include "editor/core/PropertyList.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/FontDescription.h"
#include "platform/gfx/Geometry.h"

namespace platform {
class TCanvas;
}

namespace editor {

inline constexpr int RowHeight = 18;
// The column border keeps this far from either side.
inline constexpr int BorderMargin = 40;
inline constexpr platform::TColor InspectorBackground = 0xC0FBFB;  // pale yellow
inline constexpr platform::TColor ValueTextColor = platform::RGB(0, 0, 192);
// The pop-up list: rows of this height, at most this high unless it shrinks to fewer items.
inline constexpr int ListItemHeight = 14;
inline constexpr int ListDefaultHeight = 122;
// The editor's size before it first fills its panel; the border starts at half the width.
inline constexpr int InspectorDefaultWidth = 260, InspectorDefaultHeight = 615;

// What the button at the end of the current row shows.
enum class TButtonGlyph : uint8_t { None, Down, Dot };
// The in-place edit's actions.
enum TEditAction : uint8_t { eaUp = 2, eaDown = 3, eaPageUp = 4, eaPageDown = 5, eaEnter = 6, eaDblClick = 7 };
// The cursor over the grid.
enum class TGridCursor : uint8_t { Default, HSplit };

// The font ("宋体" 9 pt) of the rows and of the in-place edit and the pop-up list.
platform::TFontDescription InspectorFont();
// The glyphs of the button ("Down" 9 x 9, "Dot" 9 x 6) on the button's silver.
platform::TBitmap GlyphBitmap(TButtonGlyph glyph);

// The font and colour dialogs.
class TPropertyChooser {
 public:
  virtual ~TPropertyChooser() = default;
  // Started with `font`; true when confirmed, `font` then holding the choice.
  virtual bool ChooseFont(platform::TFontDescription& font) = 0;
  // Started with `color`; true when confirmed.
  virtual bool ChooseColor(platform::TColor& color) = 0;
};

// What the grid needs of its window. Coordinates are the grid's client coordinates.
class TPropertyEditorWindow {
 public:
  virtual ~TPropertyEditorWindow() = default;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Repaint the client area (Paint()).
  virtual void Invalidate() = 0;
  // The system's double-click time in milliseconds.
  virtual int DoubleClickTime() const = 0;

  virtual void SetEditVisible(bool visible) = 0;
  virtual void SetEditBounds(const platform::TRect& bounds) = 0;
  virtual void SetEditReadOnly(bool readOnly) = 0;
  // GBK text.
  virtual std::string EditText() const = 0;
  virtual void SetEditText(const std::string& gbk) = 0;
  virtual void FocusEdit(bool selectAll) = 0;

  virtual void SetButton(bool visible, TButtonGlyph glyph, const platform::TRect& bounds) = 0;
  // Shown with the range 0 .. count - 1, `page` rows a page, at `position`; hidden when not.
  virtual void SetScrollBar(bool visible, int count, int page, int position) = 0;

  // The pop-up list: GBK items, the selected one, its place (client coordinates; it floats
  // over everything) and height.
  virtual void ShowList(const std::vector<std::string>& items, int itemIndex, const platform::TRect& bounds) = 0;
  virtual void HideList() = 0;
  // The width of the widest item in the list's font.
  virtual int ListTextWidth(const std::vector<std::string>& items) const = 0;
};

class TPropertyEditor {
 public:
  // `editors` is the property-editor table consulted for (class of Root, row path).
  TPropertyEditor(TPropertyEditorWindow& view, TDialogs& dialogs, TPropertyChooser& chooser,
                  const TPropertyDescription& editors = PropertyEditorTable());
  ~TPropertyEditor();
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;

  platform::TObject* Root() const { return list_.Root(); }
  // A new object starts at its first row; the same object again rebuilds the rows and keeps
  // the current and top rows.
  void SetRoot(platform::TObject* root);
  TPropertyList& List() { return list_; }
  const TPropertyList& List() const { return list_; }

  // Told Root after every write.
  platform::TNotifyEvent OnChanged;

  int CurrentRow() const { return current_; }
  int TopRow() const { return top_; }
  int RowsPerPage() const { return rowsPerPage_; }
  int RowCount() const { return count_; }
  int Border() const { return border_; }
  int MouseMode() const { return mouseMode_; }
  bool Busy() const { return busy_; }
  const platform::TBitmap& Image() const { return image_; }

  // Draws the client area.
  void Paint(platform::TCanvas& canvas) const;

  // The window was resized.
  void Resized();
  // Makes `row` current with the border at `border` (kept 40 pixels from each side), committing
  // the row it leaves; `force` sets the row up again although it is current already.
  void SelectRow(int row, int border, bool force);
  // Writes the edit's text to the current row; false when nothing was written.
  bool Commit(bool force);
  // From the in-place edit (ignored while a dialog of the button runs).
  void EditAction(TEditAction action);
  // A left press on the edit at `timeMs`: true when it makes a double click with the press
  // before it (on the edit or in the value column).
  bool EditPressed(int64_t timeMs);
  void ButtonClick();
  // An item of the pop-up list was chosen.
  void ListChosen(int itemIndex);

  struct TMouseResult {
    TGridCursor Cursor = TGridCursor::Default;
    // Dragging past the grid: the window repeats the move on a short timer.
    bool KeepScrolling = false;
  };
  void MouseDown(int x, int y, int64_t timeMs);
  TMouseResult MouseMove(int x, int y);
  void MouseUp();
  // The scroll bar moved to `top`.
  void ScrollTo(int top);

  // The items and height the pop-up list was last shown with.
  const std::vector<std::string>& ListItems() const { return listItems_; }
  int ListHeight() const { return listHeight_; }

 private:
  enum class TListKind : uint8_t { None, Callback, Enumeration, Element };

  TPropertyNode* Current() const { return list_.Items(current_); }
  void SetUpRow();
  void PlaceEditAndButton();
  void UpdateScrollBar();
  void RecreateImage();
  void DrawImage();
  void RowsFreed();
  // Shows the list's rows from the first (a new root), or keeping the current and top rows
  // where they still exist.
  void ShowRows(bool fromFirst);
  void ShowList(TListKind kind, std::vector<std::string> items);
  // Writes done: rows re-read, image redrawn, the written objects repainted, OnChanged.
  void Written(const std::vector<platform::TObject*>& targets, bool showValue);
  std::optional<int64_t> EditInteger(const TPropertyNode& node, const std::string& text);

  TPropertyEditorWindow& view_;
  TDialogs& dialogs_;
  TPropertyChooser& chooser_;
  const TPropertyDescription& editors_;
  TPropertyList list_;
  platform::TBitmap image_;

  int current_ = 0;
  int top_ = 0;
  int rowsPerPage_ = InspectorDefaultHeight / RowHeight;
  int count_ = 0;
  int border_ = InspectorDefaultWidth / 2;
  int mouseMode_ = 0;
  bool busy_ = false;
  std::optional<int64_t> lastPress_;
  TButtonGlyph glyph_ = TButtonGlyph::None;
  bool buttonVisible_ = false;

  TListKind listKind_ = TListKind::None;
  std::vector<std::string> listItems_;
  int listHeight_ = ListDefaultHeight;
};

}  // namespace editor
