#pragma once
// The table control: a spreadsheet-like table of lines of cells with free widths and heights,
// merged cells, borders, diagonals, colours, fonts, texts and pictures, and its "*.Tab" file.
//
// Who uses it:
//   - the table object (TTableObject) makes a hidden instance, loads a file into it
//     (LoadFromFile) and renders the whole table into its picture (RenderToBitmap);
//   - the table editor drives the operations below from its tool bar and shows the control in
//     editor/ui/TableView, which feeds it mouse and keys (the input engine below) and shows
//     its painting, its cursor, its drag line and its inline editor.
//
// The control never appears in object text or the inspector: plain members and std::function
// events stand for what it publishes. Its size (Width, Height) is the page size of the file:
// loading sets it from the file, ResetPosition from the viewport of the view showing it.
//
// All text is GBK, at most MaxTextBytes bytes a text (longer text is cut on a character
// boundary). Coordinates are table coordinates: pixels from the page's top-left corner, the
// view's scroll position already added.
//
// Messages (refusals, file errors) go to the person through the model's message box
// (model/MessageBoxHook.h) with the caption "提示信息" and the exclamation icon; every
// operation also returns whether it did its work.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/MemoryStream.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/FontDescription.h"
#include "platform/gfx/Geometry.h"

namespace model {

class TTableReport;
class TTableReportLine;

// The sides of a cell, in the order the file stores its borders.
enum TCellSide : uint8_t { csLeft, csTop, csRight, csBottom };

// Diagonal lines of a cell (a bit set), drawn in the grid colour with the left border's width.
constexpr uint32_t tdTopLeftToBottomRight = 0x001;
constexpr uint32_t tdTopLeftToRightMiddle = 0x002;
constexpr uint32_t tdTopLeftToBottomMiddle = 0x004;
constexpr uint32_t tdTopRightToBottomLeft = 0x100;
constexpr uint32_t tdTopRightToLeftMiddle = 0x200;
constexpr uint32_t tdTopRightToBottomMiddle = 0x400;

// Alignments as the file stores them.
enum TCellHorzAlign : uint32_t { chaLeft = 0, chaCenter = 1, chaRight = 2 };
enum TCellVertAlign : uint32_t { cvaTop = 0, cvaCenter = 1, cvaBottom = 2 };

struct TCellBorder {
  bool Shown = true;
  int32_t Width = 1;
  bool operator==(const TCellBorder&) const = default;
};

// The font of a new cell: "宋体", 11 pt (height -15 at 96 dpi), character set 1.
platform::TLogFont DefaultCellFont();

// One cell. Its settings are changed through its setters, which keep the table's layout,
// painting and modified state up to date (each is one edit of the table). Layout results
// (column, left, rectangles, natural and merged heights) are recomputed by the table.
class TTableReportCell {
 public:
  explicit TTableReportCell(TTableReportLine* line);
  TTableReportCell(const TTableReportCell&) = delete;
  TTableReportCell& operator=(const TTableReportCell&) = delete;

  TTableReportLine* Line() const { return line_; }
  TTableReport* Table() const;

  // Merges: a cell is either free, a master with parts, or a part merged into one master.
  // Parts are not painted and never selected: their master covers them.
  TTableReportCell* MergedInto() const { return mergedInto_; }
  const std::vector<TTableReportCell*>& Parts() const { return parts_; }

  // ---- Layout results
  int32_t Column() const { return column_; }
  int32_t Left() const { return left_; }
  // The outer rectangle; a master's reaches down over its parts' lines.
  const platform::TRect& CellRect() const { return cellRect_; }
  // Where the text is drawn and the inline editor sits.
  const platform::TRect& TextRect() const { return textRect_; }
  int32_t NaturalHeight() const { return naturalHeight_; }
  int32_t MergedTextHeight() const { return mergedTextHeight_; }

  // ---- Settings
  int32_t InnerMargin() const { return innerMargin_; }
  void SetInnerMargin(int32_t margin);
  int32_t Width() const { return width_; }
  // At least MinCellWidth; lays the table out again.
  void SetWidth(int32_t width);
  // The height the cell asks for at least (0: none).
  int32_t AskedHeight() const { return askedHeight_; }
  void SetAskedHeight(int32_t height);
  const TCellBorder& Border(TCellSide side) const { return borders_[side]; }
  // Store, measure again, lay out again.
  void SetBorderWidth(TCellSide side, int32_t width);
  void SetBorderShown(TCellSide side, bool shown);
  uint32_t Diagonals() const { return diagonals_; }
  void SetDiagonals(uint32_t bits);
  platform::TColor TextColor() const { return textColor_; }
  void SetTextColor(platform::TColor color);
  platform::TColor BackColor() const { return backColor_; }
  void SetBackColor(platform::TColor color);
  uint32_t HorzAlign() const { return horzAlign_; }
  uint32_t VertAlign() const { return vertAlign_; }
  // -1 keeps a value.
  void SetAlign(int horz, int vert);
  const platform::TLogFont& Font() const { return font_; }
  void SetFont(const platform::TLogFont& font);
  // The font as the drawing layer takes it, in the text colour.
  platform::TFontDescription FontDescription() const;
  const std::string& Text() const { return text_; }
  // Cut to MaxTextBytes; measures again, lays out and repaints.
  void SetText(std::string_view gbk);
  // Three further texts (0..2); when any is not empty the text is not drawn.
  const std::string& ExtraText(int index) const { return extraTexts_[size_t(index)]; }
  void SetExtraText(int index, std::string_view gbk);
  bool HasExtraText() const;
  // A small red triangle in the top-right corner.
  uint8_t Marker() const { return marker_; }
  void SetMarker(uint8_t marker);
  // Kept and written back; nothing reads it.
  uint32_t Value() const { return value_; }
  void SetValue(uint32_t value) { value_ = value; }
  // Drawn scaled into the cell, keeping its aspect; null when none.
  const platform::TBitmap* Picture() const { return picture_.get(); }
  // Takes a copy (null removes the picture) and repaints.
  void SetPicture(const platform::TBitmap* picture);

 private:
  friend class TTableReport;
  friend class TTableReportLine;
  friend struct TTableFile;

  // Copies the look (margin, width, asked height, borders, diagonals, colours, alignment,
  // font), not the texts, picture, marker or value, and no merge.
  void CopyFormat(const TTableReportCell& from);
  // Tells the table that this cell changed: `measure` when its height may change.
  void Changed(bool measure);

  TTableReportLine* line_;
  TTableReportCell* mergedInto_ = nullptr;
  std::vector<TTableReportCell*> parts_;

  int32_t column_ = 0;
  int32_t left_ = 0;
  platform::TRect cellRect_;
  platform::TRect textRect_;
  int32_t naturalHeight_ = 0;
  int32_t mergedTextHeight_ = 0;
  bool measured_ = false;

  int32_t innerMargin_ = 5;
  int32_t width_ = 10;
  int32_t askedHeight_ = 0;
  std::array<TCellBorder, 4> borders_{};
  uint32_t diagonals_ = 0;
  platform::TColor textColor_ = 0x0000FF;
  platform::TColor backColor_ = 0x000000;
  uint32_t horzAlign_ = chaLeft;
  uint32_t vertAlign_ = cvaCenter;
  platform::TLogFont font_;
  std::string text_;
  std::array<std::string, 3> extraTexts_;
  uint8_t marker_ = 0;
  uint32_t value_ = 0;
  std::unique_ptr<platform::TBitmap> picture_;
};

// One line of cells.
class TTableReportLine {
 public:
  explicit TTableReportLine(TTableReport* table);
  TTableReportLine(const TTableReportLine&) = delete;
  TTableReportLine& operator=(const TTableReportLine&) = delete;

  TTableReport* Table() const { return table_; }
  int CellCount() const { return int(cells_.size()); }
  // Null out of range.
  TTableReportCell* Cell(int index) const;

  // Position from 0.
  int32_t Index() const { return index_; }
  // The tallest cell (recomputed).
  int32_t CellHeight() const { return cellHeight_; }
  // Set by dragging the line's bottom border; 0 for a new line.
  int32_t AskedHeight() const { return askedHeight_; }
  void SetAskedHeight(int32_t height);
  // The larger of the two.
  int32_t Height() const { return std::max(cellHeight_, askedHeight_); }
  int32_t Top() const { return top_; }
  const platform::TRect& Rect() const { return rect_; }

 private:
  friend class TTableReport;
  friend class TTableReportCell;
  friend struct TTableFile;

  TTableReport* table_;
  std::vector<std::unique_ptr<TTableReportCell>> cells_;
  int32_t index_ = 0;
  int32_t cellHeight_ = 0;
  int32_t askedHeight_ = 0;
  int32_t top_ = 0;
  platform::TRect rect_;
};

// One line's share of a rectangular selection check.
struct TSelectedLine {
  TTableReportLine* Line = nullptr;
  int32_t Index = 0;
  int32_t LeftX = 0;   // left of its first selected cell
  int32_t RightX = 0;  // right of its last
  std::vector<TTableReportCell*> Cells;  // by column
};

// The page settings of a table file that the control keeps and writes back. Margins place
// the cells; everything else is kept only.
struct TTableSettings {
  std::string Caption;
  int32_t LeftMargin = 0;
  int32_t TopMargin = 0;
  int32_t RightMargin = 0;
  int32_t BottomMargin = 0;
  std::array<int32_t, 4> Spacings{4, 4, 4, 4};
  std::vector<std::string> ListA;
  std::vector<std::string> ListB;
  std::string TextC;
  uint32_t ValueD = 1;
  std::string TextE;
  std::string TextF;
  uint8_t FlagG = 0;
  uint8_t FlagH = 1;
  uint8_t FlagI = 1;
  uint32_t ValueJ = 1;
  uint8_t FlagK = 0;
  uint8_t FlagL = 0;
  uint32_t ValueM = 0;
  uint32_t ValueN = 0;
  bool operator==(const TTableSettings&) const = default;
};

// What the view showing the table does for it. All rectangles are table coordinates.
class TTableHost {
 public:
  virtual ~TTableHost() = default;
  // This part of the table must be painted again.
  virtual void InvalidateTableRect(const platform::TRect& rect) = 0;
  // The table's extent (Extent()) may have changed.
  virtual void ExtentChanged() = 0;
  // The inline editor opened, closed, moved or changed its look (Editor()).
  virtual void EditorChanged() = 0;
  // Scrolls so that table point (x, y) is at the viewport's top-left.
  virtual void ScrollTo(int x, int y) = 0;
  // The size of the viewport that shows the table.
  virtual platform::TSize ViewportSize() const = 0;
};

// ---- Input engine types
enum class TTableCursor { Arrow, Text, SizeLeftRight, SizeUpDown };
enum class TTableButton { Left, Right, Middle };
// Modifier keys held.
using TTableShift = uint8_t;
constexpr TTableShift tsShift = 1;
constexpr TTableShift tsCtrl = 2;
// Key codes the engine looks at (the virtual-key codes of the original).
constexpr uint16_t vkReturn = 0x0D;
constexpr uint16_t vkEscape = 0x1B;
constexpr uint16_t vkLeft = 0x25;
constexpr uint16_t vkUp = 0x26;
constexpr uint16_t vkRight = 0x27;
constexpr uint16_t vkDown = 0x28;

// The inline editor as the view must show it: a frameless multi-line edit on the text
// rectangle, in the cell's font, colours and alignment. The view writes each change of its
// text back through SetEditorText.
struct TInlineEditor {
  bool Open = false;
  TTableReportCell* Cell = nullptr;
  platform::TRect TextRect;
  platform::TColor TextColor = 0;
  platform::TColor BackColor = 0;
  uint32_t HorzAlign = chaLeft;
  platform::TLogFont Font;
  std::string Text;  // GBK, CR LF line ends
};

// The line shown (XOR) while a border is dragged, from From to To.
struct TDragLine {
  platform::TPoint From;
  platform::TPoint To;
  bool operator==(const TDragLine&) const = default;
};

// What a load did.
enum class TTableLoad {
  Loaded,
  WrongMagic,  // not a table: nothing changed
  Damaged,     // unreadable or inconsistent: the table was cleared
};

class TTableReport : public platform::TWinControl {
  DECLARE_CLASS_INFO()

  static constexpr size_t MaxTextBytes = 3000;
  static constexpr int32_t MinCellWidth = 10;
  // Widths, heights, margins and border widths are kept within these, so layout sums never
  // overflow and a hostile file cannot make painting walk billions of pixels.
  static constexpr int32_t MaxCellSize = 65535;
  static constexpr int32_t MaxBorderWidth = 64;
  // The opening bytes of a table file.
  static constexpr uint16_t Magic = 0xAA55;

  explicit TTableReport(platform::TComponent* owner);
  ~TTableReport() override;

  // ---- Page
  // The control's colour: the page's fill without a background picture (default black).
  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor color);
  // Colour of every border and diagonal (0 until Clear or a file sets it).
  platform::TColor GridColor() const { return gridColor_; }
  void SetGridColor(platform::TColor color);
  const TTableSettings& Settings() const { return settings_; }
  // Takes the settings (margins kept within range) and lays out again.
  void SetSettings(const TTableSettings& settings);
  // Tiled over the page from (0, 0); null when none.
  const platform::TBitmap* BackgroundPicture() const { return background_.get(); }
  void SetBackgroundPicture(const platform::TBitmap* picture);
  // Stored for the table editor's new tables.
  int32_t DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int32_t width) { defaultColWidth_ = width; }
  int32_t DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int32_t height) { defaultRowHeight_ = height; }
  // No-fill mode: cells are not filled and the selection is not shown. Nothing switches it on.
  bool NoFill() const { return noFill_; }
  void SetNoFill(bool noFill);

  // ---- Lines and selection
  int GetLineCount() const { return int(lines_.size()); }
  // Null out of range.
  TTableReportLine* GetLine(int index) const;
  int GetSelectedCount() const { return int(selection_.size()); }
  const std::vector<TTableReportCell*>& SelectedCells() const { return selection_; }
  bool IsSelected(const TTableReportCell* cell) const;
  // The cell last added to the selection; null when none.
  TTableReportCell* CurrentCell() const { return current_; }
  // The cell the inline editor is open on; null when none.
  TTableReportCell* FocusedCell() const { return editor_.Open ? editor_.Cell : nullptr; }
  // Adds a cell (a part adds its master) and fires OnSelectedCellChange; a selected cell stays
  // as it is.
  void SelectCell(TTableReportCell* cell);
  void ClearSelection();
  // The cell at a point (a part's area gives its master); null outside cells.
  TTableReportCell* CellAt(int x, int y) const;

  // ---- Operations (each returns whether it did its work)
  // Builds a table on an empty control; refused with a message when it has lines.
  bool NewTable(int columns, int lines, int32_t cellWidth, int32_t lineHeight);
  // A line before the first selected cell's line, copying that line's cells' look and merges.
  bool InsertLine();
  // Deletes every line holding a selected cell, releasing the merges its cells take part in.
  bool DeleteLine();
  // Merges a rectangular selection of at least two cells into its first cell.
  bool CombineCells();
  // Releases the parts of every selected cell and selects them.
  bool SplitCellVertically();
  // Splits every selected cell into at most `pieces` cells about 12 pixels or more wide.
  bool SplitCellHorizontally(int pieces);
  bool SetFocusedCellAlign(int horz, int vert);
  bool SetSelectedCellsAlign(int horz, int vert);
  bool SetFocusedCellColors(platform::TColor text, platform::TColor back);
  bool SetSelectedCellsColors(platform::TColor text, platform::TColor back);
  bool SetFocusedCellFont(const platform::TLogFont& font);
  bool SetSelectedCellsFont(const platform::TLogFont& font);
  bool ClearSelectedText();
  // The control's own cell clipboard: texts only, one row per line with selected cells.
  bool CopySelection();
  bool CutSelection();
  bool PasteSelection();
  // Lays out again and repaints what moved.
  void ArrangeLines();
  // Between these, edits (cell setters above all) are stored but the table is laid out,
  // repainted and reported modified only once, at the outermost EndUpdate: for changes to
  // many cells at once. Pairs nest.
  void BeginUpdate();
  void EndUpdate();
  // Scrolls the view to its top-left, takes the viewport's size as the page size and moves
  // the control to 0, 0.
  void ResetPosition();
  // Removes every line and resets the page settings; retakes the snapshot.
  void Clear();

  // ---- Files
  // Writes the table at the stream's position; false when memory runs out.
  bool SaveToStream(platform::TMemoryStream& stream) const;
  // Reads a table from the stream's position. A wrong magic shows "打开文件错误" and changes
  // nothing; a damaged table clears the control (no message: LoadFromFile gives it).
  TTableLoad LoadFromStream(platform::TMemoryStream& stream);
  // `fileName` is GBK. Only regular files are read; a failed read shows "打开报表错误!" and
  // clears the table; a wrong magic keeps table, snapshot and modified state. The snapshot is
  // retaken after a good load.
  bool LoadFromFile(std::string_view fileName);
  // LoadFromFile telling what happened: an unreadable file counts as Damaged (table cleared).
  TTableLoad LoadFile(std::string_view fileName);
  // Saves atomically; a failure shows "报表保存错误!", keeps the old file and the modified
  // state. The snapshot is retaken after a good save.
  bool SaveToFile(std::string_view fileName);
  // True when a fresh stream differs from the snapshot.
  bool GetModified() const;

  // ---- Painting
  // The table's extent: the widest line + both side margins, all line heights + top and
  // bottom margins, each + 1 (the size RenderToBitmap makes), limited to int range.
  platform::TSize Extent() const;
  // The page (background and cells) over the control's area, origin at the control.
  void Paint(platform::TCanvas& canvas) override;
  // The part `area` of the page in table coordinates onto `canvas`, whose origin the caller
  // has set so that table (0, 0) lands where it belongs: background, cells, selection look.
  void PaintArea(platform::TCanvas& canvas, const platform::TRect& area);
  // Renders the whole table into a (width + 1) x (height + 1) 24-bit bitmap. False (bitmap
  // untouched) when the table is beyond the drawing layer's limits.
  bool RenderToBitmap(platform::TBitmap& bitmap);

  // ---- Input engine (control coordinates)
  void SetHost(TTableHost* host) { host_ = host; }
  TTableHost* Host() const { return host_; }
  void MouseDown(TTableButton button, TTableShift shift, int x, int y);
  void MouseMove(TTableShift shift, int x, int y);
  void MouseUp(TTableButton button, TTableShift shift, int x, int y);
  void DblClick(int x, int y);
  // A key before the view's own handling; true when the table used it.
  bool KeyDown(uint16_t key, TTableShift shift);
  // A typed character (GBK); true when it opened the inline editor holding it.
  bool KeyPress(std::string_view gbkChar);
  // The cursor for the last mouse position.
  TTableCursor Cursor() const { return cursor_; }
  // The border drag line, while a border is dragged.
  std::optional<TDragLine> DragLine() const;
  // True while the left button drags a selection.
  bool SelectionDragging() const { return drag_.Kind == TDragKind::Select; }
  const TInlineEditor& Editor() const { return editor_; }
  // Opens the inline editor on a cell (closing an open one first).
  void OpenEditor(TTableReportCell* cell);
  // Closes the inline editor; its text is already in the cell.
  void CloseEditor();
  // The editor's new text (GBK, CR LF): written into the cell, the table laid out again.
  // Refused (false, nothing changes) when the editor is closed or the text is longer than
  // MaxTextBytes.
  bool SetEditorText(std::string_view gbk);

  // ---- Events
  std::function<void(TTableReport&, TTableReportCell&)> OnSelectedCellChange;
  // After an edit: the modified state.
  std::function<void(TTableReport&, bool modified)> OnModified;
  std::function<void(TTableReport&, TTableButton, TTableShift, int x, int y)> OnMouseDown;
  std::function<void(TTableReport&, TTableButton, TTableShift, int x, int y)> OnMouseUp;
  std::function<void(TTableReport&, TTableShift, int x, int y)> OnMouseMove;
  std::function<void(TTableReport&, std::string_view gbkChar)> OnKeyPress;

 private:
  friend class TTableReportCell;
  friend class TTableReportLine;
  friend struct TTableFile;

  class TEditScope;
  enum class TDragKind { None, Select, RightBorder, BottomBorder };
  struct TDrag {
    TDragKind Kind = TDragKind::None;
    TTableReportCell* Anchor = nullptr;   // first cell of a selection drag, the border's cell
    TTableReportCell* Current = nullptr;  // cell under the mouse
    bool Moved = false;                   // the mouse went into another cell
    bool Shift = false;
    bool AfterDblClick = false;           // the release ending a double click opens nothing
    std::vector<TTableReportCell*> Base;  // selection kept under the rectangle
    int X = 0, Y = 0;
  };
  enum class TZone { None, Body, RightEdge, BottomEdge };

  // Measures cells marked for it, places lines and cells; returns the union of what moved.
  platform::TRect Layout();
  // The widest line and all lines with the margins, each + 1, in 64 bits.
  std::pair<int64_t, int64_t> PageExtent() const;
  void Measure(TTableReportCell& cell);
  void MeasureText(TTableReportCell& cell);
  int32_t MeasureTextHeight(const TTableReportCell& cell);
  void PlaceTextRect(TTableReportCell& cell);
  // An edit happened: lay out when asked, repaint `dirty`, report the modified state.
  void Edited(bool layout, const platform::TRect& dirty = {});
  void CellChanged(TTableReportCell& cell, bool measure);
  void LineChanged();
  void ReportModified();
  void InvalidateRect(const platform::TRect& rect);
  void SyncEditor();

  TTableReportCell* Master(TTableReportCell* cell) const;
  void RemoveFromSelection(TTableReportCell* cell);
  void ForgetCell(TTableReportCell* cell);
  void Unmerge(TTableReportCell* part);
  void ReleaseParts(TTableReportCell* master);
  void DeleteCellAt(TTableReportLine& line, int column);
  void RenumberLines();
  std::vector<TTableReportCell*> FocusedOrSelected(bool focused) const;
  bool ApplyToCells(const std::vector<TTableReportCell*>& cells,
                    const std::function<void(TTableReportCell&)>& apply, bool measure);
  std::vector<TSelectedLine> SelectedLines() const;
  bool SplitCellHorizontally(TTableReportCell* cell, int pieces);
  void ShowMessage(std::string_view utf8Text) const;

  TZone ZoneAt(int x, int y, TTableReportCell** cell) const;
  void UpdateCursor(int x, int y);
  void UpdateDragSelection(TTableReportCell* current);
  void FinishBorderDrag(int x, int y);
  bool MoveSelection(TTableReportCell* from, uint16_t key);

  void PaintBackground(platform::TCanvas& canvas, const platform::TRect& area) const;
  void PaintCell(platform::TCanvas& canvas, const TTableReportCell& cell) const;
  void PaintSelection(platform::TCanvas& canvas, const TTableReportCell& cell) const;
  void RenderPage(platform::TCanvas& canvas, const platform::TRect& area);

  std::vector<uint8_t> StreamBytes() const;
  void TakeSnapshot();
  void ResetSettings();

  std::vector<std::unique_ptr<TTableReportLine>> lines_;
  std::vector<TTableReportCell*> selection_;
  TTableReportCell* current_ = nullptr;
  TTableSettings settings_;
  platform::TColor color_ = 0x000000;
  platform::TColor gridColor_ = 0x000000;
  std::unique_ptr<platform::TBitmap> background_;
  int32_t defaultColWidth_ = 32;
  int32_t defaultRowHeight_ = 16;
  bool noFill_ = false;

  // The cell clipboard: rows of (text, three extra texts).
  std::vector<std::vector<std::array<std::string, 4>>> clipboard_;
  std::vector<uint8_t> snapshot_;
  bool changed_ = false;
  int editDepth_ = 0;
  int updateDepth_ = 0;
  bool pendingLayout_ = false;
  platform::TRect pendingDirty_;

  TTableHost* host_ = nullptr;
  TInlineEditor editor_;
  TDrag drag_;
  TTableCursor cursor_ = TTableCursor::Arrow;

  // A canvas to measure text on.
  platform::TBitmap measureBitmap_{1, 1};
  platform::TCanvas measureCanvas_{measureBitmap_};
};

}  // namespace model
