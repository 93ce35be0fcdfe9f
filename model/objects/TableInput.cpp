// The table control's mouse and keyboard rules, fed by the view with table coordinates,
// buttons, modifier keys and key codes: the cursor, selection and border drags, the keys, and
// the inline editor's state.
#include <algorithm>

#include "model/objects/TableReport.h"
#include "model/objects/TableReportInternal.h"

namespace model {

using platform::TRect;
using namespace table_detail;

namespace {

// How close to a cell's right or bottom edge the border can be taken, in pixels.
constexpr int kEdgeZone = 3;
// Narrower cells open no editor on a click.
constexpr int32_t kMinEditWidth = 11;

}  // namespace

TTableReport::TZone TTableReport::ZoneAt(int x, int y, TTableReportCell** cell) const {
  TTableReportCell* c = CellAt(x, y);
  if (cell) *cell = c;
  if (!c) return TZone::None;
  const TRect& r = c->cellRect_;
  if (int64_t(x) >= int64_t(r.Right) - kEdgeZone) return TZone::RightEdge;
  if (int64_t(y) >= int64_t(r.Bottom) - kEdgeZone) return TZone::BottomEdge;
  return TZone::Body;
}

void TTableReport::UpdateCursor(int x, int y) {
  switch (ZoneAt(x, y, nullptr)) {
    case TZone::None: cursor_ = TTableCursor::Arrow; break;
    case TZone::Body: cursor_ = TTableCursor::Text; break;
    case TZone::RightEdge: cursor_ = TTableCursor::SizeLeftRight; break;
    case TZone::BottomEdge: cursor_ = TTableCursor::SizeUpDown; break;
  }
}

void TTableReport::MouseDown(TTableButton button, TTableShift shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
  if (button == TTableButton::Right) {
    TTableReportCell* cell = CellAt(x, y);
    if (cell && !IsSelected(cell) && selection_.size() < 2) {
      ClearSelection();
      SelectCell(cell);
    }
    return;
  }
  if (button != TTableButton::Left) return;
  CloseEditor();
  TTableReportCell* cell = nullptr;
  const TZone zone = ZoneAt(x, y, &cell);
  drag_ = TDrag();
  drag_.X = x;
  drag_.Y = y;
  switch (zone) {
    case TZone::None:
      ClearSelection();
      break;
    case TZone::RightEdge:
    case TZone::BottomEdge:
      drag_.Kind = zone == TZone::RightEdge ? TDragKind::RightBorder : TDragKind::BottomBorder;
      drag_.Anchor = cell;
      break;
    case TZone::Body:
      if (!(shift & tsShift)) ClearSelection();
      drag_.Kind = TDragKind::Select;
      drag_.Anchor = drag_.Current = cell;
      drag_.Shift = (shift & tsShift) != 0;
      drag_.Base = selection_;
      SelectCell(cell);
      break;
  }
}

void TTableReport::UpdateDragSelection(TTableReportCell* current) {
  const TRect& a = drag_.Anchor->cellRect_;
  const TRect& b = current->cellRect_;
  const TRect span{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                   std::max(a.Bottom, b.Bottom)};
  std::vector<TTableReportCell*> wanted;
  for (const auto& line : lines_)
    for (const auto& cell : line->cells_)
      if (!cell->mergedInto_ && !Intersect(cell->cellRect_, span).IsEmpty()) wanted.push_back(cell.get());
  // Cells the rectangle left go; what the drag started with stays.
  const std::vector<TTableReportCell*> now = selection_;
  for (TTableReportCell* cell : now)
    if (std::find(wanted.begin(), wanted.end(), cell) == wanted.end() &&
        std::find(drag_.Base.begin(), drag_.Base.end(), cell) == drag_.Base.end())
      RemoveFromSelection(cell);
  for (TTableReportCell* cell : wanted) SelectCell(cell);
}

void TTableReport::MouseMove(TTableShift shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
  switch (drag_.Kind) {
    case TDragKind::Select: {
      TTableReportCell* cell = CellAt(x, y);
      if (cell && cell != drag_.Current) {
        drag_.Moved = true;
        drag_.Current = cell;
        UpdateDragSelection(cell);
      }
      break;
    }
    case TDragKind::RightBorder:
    case TDragKind::BottomBorder:
      drag_.X = x;
      drag_.Y = y;
      break;
    case TDragKind::None:
      UpdateCursor(x, y);
      break;
  }
}

void TTableReport::FinishBorderDrag(int x, int y) {
  TTableReportCell* cell = drag_.Anchor;
  if (!cell) return;
  if (drag_.Kind == TDragKind::BottomBorder) {
    // The lowest line of the merge group takes the new height.
    TTableReportLine* line = cell->line_;
    for (const TTableReportCell* part : cell->parts_)
      if (part->line_->index_ > line->index_) line = part->line_;
    const int32_t height = int32_t(std::clamp<int64_t>(int64_t(y) - line->top_, 0, MaxCellSize));
    if (height == line->askedHeight_) return;
    TEditScope scope(*this);
    line->askedHeight_ = height;
    Edited(true, {});
    return;
  }
  // The cell and its parts take the new width; the next cell of each line gives or takes the
  // difference, and keeps at least MinCellWidth.
  std::vector<TTableReportCell*> cells{cell};
  cells.insert(cells.end(), cell->parts_.begin(), cell->parts_.end());
  int64_t width = std::max<int64_t>(int64_t(x) - cell->left_, MinCellWidth);
  for (TTableReportCell* c : cells) {
    TTableReportCell* next = c->line_->Cell(c->column_ + 1);
    if (!next) continue;
    if (next->mergedInto_) return;
    width = std::min<int64_t>(width, int64_t(c->width_) + next->width_ - MinCellWidth);
    width = std::max<int64_t>(width, int64_t(c->width_) + next->width_ - MaxCellSize);
  }
  width = std::clamp<int64_t>(width, MinCellWidth, MaxCellSize);
  bool changed = false;
  for (TTableReportCell* c : cells) changed = changed || c->width_ != width;
  if (!changed) return;
  TEditScope scope(*this);
  for (TTableReportCell* c : cells) {
    const int64_t delta = width - c->width_;
    if (TTableReportCell* next = c->line_->Cell(c->column_ + 1)) {
      next->width_ = int32_t(std::clamp<int64_t>(next->width_ - delta, MinCellWidth, MaxCellSize));
      next->measured_ = false;
    }
    c->width_ = int32_t(width);
    c->measured_ = false;
  }
  cell->measured_ = false;
  Edited(true, {});
}

void TTableReport::MouseUp(TTableButton button, TTableShift shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  if (button != TTableButton::Left) return;
  const TDrag drag = drag_;
  switch (drag.Kind) {
    case TDragKind::Select:
      drag_ = TDrag();
      if (!drag.Moved && !drag.Shift && drag.Anchor->width_ >= kMinEditWidth) OpenEditor(drag.Anchor);
      break;
    case TDragKind::RightBorder:
    case TDragKind::BottomBorder:
      FinishBorderDrag(x, y);
      drag_ = TDrag();
      break;
    case TDragKind::None:
      break;
  }
  UpdateCursor(x, y);
}

void TTableReport::DblClick(int x, int y) {
  CloseEditor();
  ClearSelection();
  drag_ = TDrag();
  TTableReportCell* cell = CellAt(x, y);
  if (cell && cell->width_ >= kMinEditWidth && !cell->picture_) OpenEditor(cell);
}

std::optional<TDragLine> TTableReport::DragLine() const {
  const platform::TSize extent = Extent();
  if (drag_.Kind == TDragKind::RightBorder) return TDragLine{{drag_.X, 0}, {drag_.X, extent.cy}};
  if (drag_.Kind == TDragKind::BottomBorder) return TDragLine{{0, drag_.Y}, {extent.cx, drag_.Y}};
  return std::nullopt;
}

bool TTableReport::MoveSelection(TTableReportCell* from, uint16_t key) {
  if (!from) return false;
  const TRect& r = from->cellRect_;
  int64_t x = (int64_t(r.Left) + r.Right) / 2, y = (int64_t(r.Top) + r.Bottom) / 2;
  switch (key) {
    case vkLeft: x -= r.Width() / 2 + 2; break;
    case vkRight: x += r.Width() / 2 + 2; break;
    case vkUp: y -= r.Height() / 2 + 2; break;
    case vkDown: y += r.Height() / 2 + 2; break;
    default: return false;
  }
  TTableReportCell* to = CellAt(ClampCoord(x), ClampCoord(y));
  if (!to) return true;
  ClearSelection();
  SelectCell(to);
  return true;
}

bool TTableReport::KeyDown(uint16_t key, TTableShift shift) {
  const bool ctrl = (shift & tsCtrl) != 0;
  const bool arrow = key == vkLeft || key == vkRight || key == vkUp || key == vkDown;
  if (editor_.Open) {
    TTableReportCell* cell = editor_.Cell;
    // Without Ctrl, Enter breaks the line and the arrows move the caret in the editor.
    if (key == vkEscape || (ctrl && (key == vkReturn || arrow))) {
      CloseEditor();
      SelectCell(cell);
      if (arrow) MoveSelection(cell, key);
      return true;
    }
    return false;
  }
  const bool one = selection_.size() == 1 && current_;
  if (key == vkReturn && one) {
    TTableReportCell* cell = current_;
    ClearSelection();
    OpenEditor(cell);
    return true;
  }
  if (arrow && one) return MoveSelection(current_, key);
  return false;
}

bool TTableReport::KeyPress(std::string_view gbkChar) {
  if (OnKeyPress) OnKeyPress(*this, gbkChar);
  if (editor_.Open || selection_.size() != 1 || gbkChar.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(gbkChar.front());
  if (first < 0x20 || first == 0x7F) return false;  // control keys type nothing
  TTableReportCell* cell = selection_.front();
  OpenEditor(cell);
  const std::string text = cell->text_ + std::string(gbkChar);
  if (text.size() <= MaxTextBytes && SetEditorText(text) && host_) host_->EditorChanged();
  return true;
}

void TTableReport::OpenEditor(TTableReportCell* cell) {
  cell = Master(cell);
  if (!cell || cell->Table() != this) return;
  if (editor_.Open) CloseEditor();
  editor_.Open = true;
  editor_.Cell = cell;
  editor_.TextRect = cell->textRect_;
  editor_.TextColor = cell->textColor_;
  editor_.BackColor = cell->backColor_;
  editor_.HorzAlign = cell->horzAlign_;
  editor_.Font = cell->font_;
  editor_.Text = cell->text_;
  if (host_) host_->EditorChanged();
}

void TTableReport::CloseEditor() {
  if (!editor_.Open) return;
  editor_ = TInlineEditor();
  if (host_) host_->EditorChanged();
}

bool TTableReport::SetEditorText(std::string_view gbk) {
  if (!editor_.Open || !editor_.Cell || gbk.size() > MaxTextBytes) return false;
  if (gbk == editor_.Cell->text_) {
    editor_.Text = gbk;
    return true;
  }
  TEditScope scope(*this);
  TTableReportCell& cell = *editor_.Cell;
  cell.text_ = gbk;
  editor_.Text = gbk;
  cell.measured_ = false;
  Edited(true, PaintedRect(cell));
  return true;
}

}  // namespace model
