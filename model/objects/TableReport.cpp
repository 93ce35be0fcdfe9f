// The table control: cells, lines, selection, the edit operations, measuring and layout.
// Painting is in TablePainting.cpp, mouse and keys in TableInput.cpp, the file in TableFile.cpp.
#include "model/objects/TableReport.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "model/MessageBoxHook.h"
#include "model/objects/TableReportInternal.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/TextLayout.h"

namespace model {

using platform::TColor;
using platform::TLogFont;
using platform::TRect;

namespace {

// "汉", measured in place of an empty text.
constexpr std::string_view kHan = "\xBA\xBA";

}  // namespace

TLogFont DefaultCellFont() {
  TLogFont f;
  // 11 pt at 96 pixels per inch: 110 tenths of a point, rounded.
  f.Height = -platform::MulDivRound(110, platform::TFontDescription::kPixelsPerInch, 720);
  f.CharSet = platform::DEFAULT_CHARSET;
  f.FaceName = "\xCB\xCE\xCC\xE5";  // 宋体
  return f;
}

namespace table_detail {

int32_t ClampCoord(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kMaxCoord, kMaxCoord)); }

TRect Union(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

TRect Inflate(const TRect& r, int by) {
  return {ClampCoord(int64_t(r.Left) - by), ClampCoord(int64_t(r.Top) - by),
          ClampCoord(int64_t(r.Right) + by), ClampCoord(int64_t(r.Bottom) + by)};
}

TRect Everything() { return {-kMaxCoord, -kMaxCoord, kMaxCoord, kMaxCoord}; }

void KeepSettingsInRange(TTableSettings& s) {
  for (int32_t* margin : {&s.LeftMargin, &s.TopMargin, &s.RightMargin, &s.BottomMargin})
    *margin = std::clamp(*margin, -TTableReport::MaxCellSize, TTableReport::MaxCellSize);
  for (std::string* text : {&s.Caption, &s.TextC, &s.TextE, &s.TextF}) *text = CapText(*text);
  for (auto* list : {&s.ListA, &s.ListB})
    for (std::string& text : *list) text = CapText(text);
}

std::string CapText(std::string_view gbk) {
  return std::string(platform::GbkPrefix(gbk, TTableReport::MaxTextBytes));
}

unsigned TextFlags(uint32_t horzAlign) {
  unsigned flags = platform::DT_EDITCONTROL | platform::DT_WORDBREAK;
  if (horzAlign == chaCenter) flags |= platform::DT_CENTER;
  if (horzAlign == chaRight) flags |= platform::DT_RIGHT;
  return flags;
}

// What a cell's painting may reach beyond its rectangle: the grown fill, the longer bottom
// border and half of the widest pen.
TRect PaintedRect(const TTableReportCell& cell) {
  int widest = 1;
  for (int s = 0; s < 4; ++s) widest = std::max(widest, cell.Border(TCellSide(s)).Width);
  return Inflate(cell.CellRect(), widest / 2 + 2);
}

}  // namespace table_detail

using namespace table_detail;

// ---- TTableReportCell ------------------------------------------------------------------------

TTableReportCell::TTableReportCell(TTableReportLine* line) : line_(line), font_(DefaultCellFont()) {}

TTableReport* TTableReportCell::Table() const { return line_ ? line_->table_ : nullptr; }

void TTableReportCell::Changed(bool measure) {
  if (TTableReport* table = Table()) table->CellChanged(*this, measure);
}

void TTableReportCell::SetInnerMargin(int32_t margin) {
  innerMargin_ = std::clamp(margin, 0, TTableReport::MaxCellSize);
  Changed(true);
}

void TTableReportCell::SetWidth(int32_t width) {
  width_ = std::clamp(width, TTableReport::MinCellWidth, TTableReport::MaxCellSize);
  Changed(true);
}

void TTableReportCell::SetAskedHeight(int32_t height) {
  askedHeight_ = std::clamp(height, 0, TTableReport::MaxCellSize);
  Changed(true);
}

void TTableReportCell::SetBorderWidth(TCellSide side, int32_t width) {
  borders_[side].Width = std::clamp(width, 0, TTableReport::MaxBorderWidth);
  Changed(true);
}

void TTableReportCell::SetBorderShown(TCellSide side, bool shown) {
  borders_[side].Shown = shown;
  Changed(false);
}

void TTableReportCell::SetDiagonals(uint32_t bits) {
  diagonals_ = bits;
  Changed(false);
}

void TTableReportCell::SetTextColor(TColor color) {
  textColor_ = color;
  Changed(false);
}

void TTableReportCell::SetBackColor(TColor color) {
  backColor_ = color;
  Changed(false);
}

void TTableReportCell::SetAlign(int horz, int vert) {
  if (horz >= 0) horzAlign_ = uint32_t(horz);
  if (vert >= 0) vertAlign_ = uint32_t(vert);
  Changed(true);
}

void TTableReportCell::SetFont(const TLogFont& font) {
  font_ = font;
  Changed(true);
}

platform::TFontDescription TTableReportCell::FontDescription() const {
  return platform::TFontDescription::FromLogFont(font_, textColor_);
}

void TTableReportCell::SetText(std::string_view gbk) {
  text_ = CapText(gbk);
  Changed(true);
}

void TTableReportCell::SetExtraText(int index, std::string_view gbk) {
  if (index < 0 || index > 2) return;
  extraTexts_[size_t(index)] = CapText(gbk);
  Changed(false);
}

bool TTableReportCell::HasExtraText() const {
  return std::any_of(extraTexts_.begin(), extraTexts_.end(),
                     [](const std::string& s) { return !s.empty(); });
}

void TTableReportCell::SetMarker(uint8_t marker) {
  marker_ = marker;
  Changed(false);
}

void TTableReportCell::SetPicture(const platform::TBitmap* picture) {
  picture_ = picture ? std::make_unique<platform::TBitmap>(*picture) : nullptr;
  Changed(false);
}

void TTableReportCell::CopyFormat(const TTableReportCell& from) {
  innerMargin_ = from.innerMargin_;
  width_ = from.width_;
  askedHeight_ = from.askedHeight_;
  borders_ = from.borders_;
  diagonals_ = from.diagonals_;
  textColor_ = from.textColor_;
  backColor_ = from.backColor_;
  horzAlign_ = from.horzAlign_;
  vertAlign_ = from.vertAlign_;
  font_ = from.font_;
  measured_ = false;
}

// ---- TTableReportLine ------------------------------------------------------------------------

TTableReportLine::TTableReportLine(TTableReport* table) : table_(table) {}

TTableReportCell* TTableReportLine::Cell(int index) const {
  if (index < 0 || index >= CellCount()) return nullptr;
  return cells_[size_t(index)].get();
}

void TTableReportLine::SetAskedHeight(int32_t height) {
  askedHeight_ = std::clamp(height, 0, TTableReport::MaxCellSize);
  if (table_) table_->LineChanged();
}

// ---- TTableReport: construction and settings --------------------------------------------------

const platform::TClassInfo& TTableReport::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TTableReport, platform::TWinControl>("TTableReport").Build();
  return info;
}

TTableReport::TTableReport(platform::TComponent* owner) : TWinControl(owner) {}

TTableReport::~TTableReport() {
  // Nobody is told about anything while the table goes.
  host_ = nullptr;
  OnSelectedCellChange = nullptr;
  OnModified = nullptr;
}

void TTableReport::SetColor(TColor color) {
  TEditScope scope(*this);
  color_ = color;
  Edited(false, Everything());
}

void TTableReport::SetGridColor(TColor color) {
  TEditScope scope(*this);
  gridColor_ = color;
  Edited(false, Everything());
}

void TTableReport::SetSettings(const TTableSettings& settings) {
  TEditScope scope(*this);
  settings_ = settings;
  KeepSettingsInRange(settings_);
  Edited(true, Everything());
}

void TTableReport::SetBackgroundPicture(const platform::TBitmap* picture) {
  TEditScope scope(*this);
  background_ = picture ? std::make_unique<platform::TBitmap>(*picture) : nullptr;
  Edited(false, Everything());
}

void TTableReport::SetNoFill(bool noFill) {
  noFill_ = noFill;
  InvalidateRect(Everything());
}

void TTableReport::ResetSettings() {
  settings_ = TTableSettings();
  color_ = 0x000000;
  gridColor_ = 0x0000FF;
  background_.reset();
}

// ---- Lines and selection ---------------------------------------------------------------------

TTableReportLine* TTableReport::GetLine(int index) const {
  if (index < 0 || index >= GetLineCount()) return nullptr;
  return lines_[size_t(index)].get();
}

TTableReportCell* TTableReport::Master(TTableReportCell* cell) const {
  return cell && cell->mergedInto_ ? cell->mergedInto_ : cell;
}

bool TTableReport::IsSelected(const TTableReportCell* cell) const {
  return std::find(selection_.begin(), selection_.end(), cell) != selection_.end();
}

void TTableReport::SelectCell(TTableReportCell* cell) {
  cell = Master(cell);
  if (!cell || cell->Table() != this || IsSelected(cell)) return;
  selection_.push_back(cell);
  current_ = cell;
  InvalidateRect(PaintedRect(*cell));
  if (OnSelectedCellChange) OnSelectedCellChange(*this, *cell);
}

void TTableReport::ClearSelection() {
  for (TTableReportCell* cell : selection_) InvalidateRect(PaintedRect(*cell));
  selection_.clear();
  current_ = nullptr;
}

void TTableReport::RemoveFromSelection(TTableReportCell* cell) {
  auto it = std::find(selection_.begin(), selection_.end(), cell);
  if (it == selection_.end()) return;
  InvalidateRect(PaintedRect(*cell));
  selection_.erase(it);
  if (current_ == cell) current_ = selection_.empty() ? nullptr : selection_.back();
}

void TTableReport::ForgetCell(TTableReportCell* cell) {
  RemoveFromSelection(cell);
  if (editor_.Cell == cell) {
    editor_ = TInlineEditor();
    if (host_) host_->EditorChanged();
  }
  if (drag_.Anchor == cell || drag_.Current == cell) drag_ = TDrag();
  drag_.Base.erase(std::remove(drag_.Base.begin(), drag_.Base.end(), cell), drag_.Base.end());
}

TTableReportCell* TTableReport::CellAt(int x, int y) const {
  // Lines lie top to bottom and cells left to right, so both searches halve.
  auto line = std::upper_bound(lines_.begin(), lines_.end(), y,
                               [](int v, const std::unique_ptr<TTableReportLine>& l) {
                                 return v < l->top_;
                               });
  if (line == lines_.begin()) return nullptr;
  const TTableReportLine& l = **std::prev(line);
  if (int64_t(y) >= int64_t(l.top_) + l.Height()) return nullptr;
  auto cell = std::upper_bound(l.cells_.begin(), l.cells_.end(), x,
                               [](int v, const std::unique_ptr<TTableReportCell>& c) {
                                 return v < c->left_;
                               });
  if (cell == l.cells_.begin()) return nullptr;
  TTableReportCell* c = std::prev(cell)->get();
  if (int64_t(x) >= int64_t(c->left_) + c->width_) return nullptr;
  return Master(c);
}

// ---- Merges ----------------------------------------------------------------------------------

void TTableReport::Unmerge(TTableReportCell* part) {
  TTableReportCell* master = part->mergedInto_;
  if (!master) return;
  auto& parts = master->parts_;
  parts.erase(std::remove(parts.begin(), parts.end(), part), parts.end());
  part->mergedInto_ = nullptr;
  part->measured_ = false;
  master->measured_ = false;
}

void TTableReport::ReleaseParts(TTableReportCell* master) {
  for (TTableReportCell* part : master->parts_) {
    part->mergedInto_ = nullptr;
    part->measured_ = false;
  }
  master->parts_.clear();
  master->measured_ = false;
}

void TTableReport::DeleteCellAt(TTableReportLine& line, int column) {
  TTableReportCell* cell = line.Cell(column);
  if (!cell) return;
  Unmerge(cell);
  ReleaseParts(cell);
  ForgetCell(cell);
  line.cells_.erase(line.cells_.begin() + column);
}

void TTableReport::RenumberLines() {
  for (size_t i = 0; i < lines_.size(); ++i) lines_[i]->index_ = int32_t(i);
}

// ---- Measuring and layout --------------------------------------------------------------------

int32_t TTableReport::MeasureTextHeight(const TTableReportCell& cell) {
  const int32_t top = cell.borders_[csTop].Width, bottom = cell.borders_[csBottom].Width;
  if (int64_t(cell.innerMargin_) * 2 >= cell.width_) return top + 17 + bottom;
  measureCanvas_.Font = cell.FontDescription();
  const std::string_view text = cell.text_.empty() ? kHan : std::string_view(cell.text_);
  TRect box{0, 0, cell.width_ - 2 * cell.innerMargin_, 0};
  int64_t height = measureCanvas_.DrawText(text, box, TextFlags(cell.horzAlign_) | platform::DT_CALCRECT);
  // The layout leaves no empty line after a closing line end; the editor shows one.
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
    height += measureCanvas_.TextHeight("A");
  return ClampCoord(std::max<int64_t>(height, 15) + 2 + top + bottom);
}

void TTableReport::Measure(TTableReportCell& cell) {
  const int32_t fixed = cell.borders_[csTop].Width + 17 + cell.borders_[csBottom].Width;
  if (cell.mergedInto_) {
    cell.naturalHeight_ = fixed;
    cell.mergedTextHeight_ = 0;
  } else if (!cell.parts_.empty()) {
    cell.mergedTextHeight_ = MeasureTextHeight(cell);
    cell.naturalHeight_ = fixed;
  } else {
    cell.naturalHeight_ = MeasureTextHeight(cell);
    cell.mergedTextHeight_ = 0;
  }
  cell.measured_ = true;
}

void TTableReport::PlaceTextRect(TTableReportCell& cell) {
  const TRect& r = cell.cellRect_;
  const int32_t top = cell.borders_[csTop].Width, bottom = cell.borders_[csBottom].Width;
  TRect t;
  t.Left = ClampCoord(int64_t(r.Left) + cell.innerMargin_ + 1);
  t.Top = ClampCoord(int64_t(r.Top) + top + 1);
  t.Right = ClampCoord(int64_t(r.Right) - cell.innerMargin_);
  t.Bottom = ClampCoord(int64_t(t.Top) + r.Height() - 2 - top - bottom);
  // The text's own height, as measured (at least 15), decides how far it moves down; the
  // rectangle then ends where it did, so the inline editor stays inside the cell.
  const int64_t textHeight =
      int64_t(cell.parts_.empty() ? cell.naturalHeight_ : cell.mergedTextHeight_) - 2 - top - bottom;
  const int64_t free = int64_t(t.Height()) - textHeight;
  if (free > 0 && cell.vertAlign_ == cvaCenter) t.Top = ClampCoord(t.Top + free / 2);
  if (free > 0 && cell.vertAlign_ == cvaBottom) t.Top = ClampCoord(t.Top + free);
  cell.textRect_ = t;
}

TRect TTableReport::Layout() {
  const platform::TSize oldExtent = Extent();
  // Old places, for what moved.
  std::vector<std::pair<TRect, TRect>> old;
  for (auto& line : lines_)
    for (auto& cell : line->cells_) old.emplace_back(cell->cellRect_, cell->textRect_);

  // Heights of the lines from their cells.
  for (auto& line : lines_) {
    int32_t height = 0;
    for (auto& cell : line->cells_) {
      if (!cell->measured_) Measure(*cell);
      height = std::max({height, cell->askedHeight_, cell->naturalHeight_});
    }
    line->cellHeight_ = height;
  }
  RenumberLines();

  // A merged text taller than its lines together gets the missing height from the group's
  // lowest line. Groups are taken by their lowest line, so what one group adds is seen by every
  // later group that spans that line.
  struct TGroup {
    const TTableReportCell* Master;
    int32_t First, Last;
  };
  std::vector<TGroup> groups;
  for (auto& line : lines_)
    for (auto& cell : line->cells_) {
      if (cell->parts_.empty()) continue;
      TGroup g{cell.get(), line->index_, line->index_};
      for (const TTableReportCell* part : cell->parts_) {
        g.First = std::min(g.First, part->line_->index_);
        g.Last = std::max(g.Last, part->line_->index_);
      }
      groups.push_back(g);
    }
  if (!groups.empty()) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const TGroup& a, const TGroup& b) { return a.Last < b.Last; });
    std::vector<int64_t> sums(lines_.size() + 1, 0);  // heights before each line
    for (size_t i = 0; i < lines_.size(); ++i) sums[i + 1] = sums[i] + lines_[i]->Height();
    std::vector<std::pair<int32_t, int64_t>> added;  // (line, height added), lines ascending
    std::vector<int64_t> addedSums{0};
    for (const TGroup& g : groups) {
      const auto from = std::lower_bound(added.begin(), added.end(), std::make_pair(g.First, int64_t(0)),
                                         [](const auto& a, const auto& b) { return a.first < b.first; });
      const int64_t extra = addedSums.back() - addedSums[size_t(from - added.begin())];
      const int64_t combined = sums[size_t(g.Last) + 1] - sums[size_t(g.First)] + extra;
      const int64_t missing = int64_t(g.Master->mergedTextHeight_) - combined;
      if (missing <= 0) continue;
      TTableReportLine& last = *lines_[size_t(g.Last)];
      last.cellHeight_ = ClampCoord(int64_t(last.Height()) + missing);
      added.emplace_back(g.Last, missing);
      addedSums.push_back(addedSums.back() + missing);
    }
  }

  // Places.
  int64_t y = settings_.TopMargin;
  for (auto& line : lines_) {
    const int64_t height = line->Height();
    int64_t x = settings_.LeftMargin;
    int32_t column = 0;
    for (auto& cell : line->cells_) {
      cell->column_ = column++;
      cell->left_ = ClampCoord(x);
      cell->cellRect_ = {cell->left_, ClampCoord(y), ClampCoord(x + cell->width_), ClampCoord(y + height)};
      x += cell->width_;
    }
    line->top_ = ClampCoord(y);
    line->rect_ = {ClampCoord(settings_.LeftMargin), line->top_, ClampCoord(x), ClampCoord(y + height)};
    y += height;
  }
  for (auto& line : lines_)
    for (auto& cell : line->cells_) {
      for (const TTableReportCell* part : cell->parts_)
        cell->cellRect_.Bottom = std::max(cell->cellRect_.Bottom, part->line_->rect_.Bottom);
      PlaceTextRect(*cell);
    }

  // What moved: old and new places of every cell whose rectangles changed.
  TRect dirty;
  size_t i = 0;
  for (auto& line : lines_)
    for (auto& cell : line->cells_) {
      const auto& [oldCell, oldText] = old[i++];
      if (oldCell == cell->cellRect_ && oldText == cell->textRect_) continue;
      int widest = 1;
      for (const TCellBorder& b : cell->borders_) widest = std::max(widest, b.Width);
      dirty = Union(dirty, Inflate(oldCell, widest / 2 + 2));
      dirty = Union(dirty, PaintedRect(*cell));
    }
  if (Extent() != oldExtent && host_) host_->ExtentChanged();
  return dirty;
}

void TTableReport::ArrangeLines() {
  const TRect dirty = Layout();
  if (!dirty.IsEmpty()) InvalidateRect(dirty);
  SyncEditor();
}

std::pair<int64_t, int64_t> TTableReport::PageExtent() const {
  int64_t width = 0, height = 0;
  for (const auto& line : lines_) {
    int64_t sum = 0;
    for (const auto& cell : line->cells_) sum += cell->width_;
    width = std::max(width, sum);
    height += line->Height();
  }
  width += int64_t(settings_.LeftMargin) + settings_.RightMargin + 1;
  height += int64_t(settings_.TopMargin) + settings_.BottomMargin + 1;
  return {width, height};
}

platform::TSize TTableReport::Extent() const {
  const auto [width, height] = PageExtent();
  return {int(std::clamp<int64_t>(width, 0, kMaxCoord)), int(std::clamp<int64_t>(height, 0, kMaxCoord))};
}

// ---- Edits -----------------------------------------------------------------------------------

void TTableReport::InvalidateRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  if (host_)
    host_->InvalidateTableRect(rect);
  else
    TControl::Invalidate();
}

void TTableReport::Edited(bool layout, const TRect& dirty) {
  changed_ = true;
  if (updateDepth_ > 0) {
    pendingLayout_ = pendingLayout_ || layout;
    pendingDirty_ = Union(pendingDirty_, dirty);
    return;
  }
  TRect r = dirty;
  if (layout) r = Union(r, Layout());
  InvalidateRect(r);
  SyncEditor();
}

void TTableReport::BeginUpdate() {
  ++updateDepth_;
  ++editDepth_;
}

void TTableReport::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ == 0) {
    const bool layout = std::exchange(pendingLayout_, false);
    const TRect dirty = std::exchange(pendingDirty_, TRect());
    if (changed_) Edited(layout, dirty);
  }
  if (--editDepth_ == 0) ReportModified();
}

void TTableReport::LineChanged() {
  TEditScope scope(*this);
  Edited(true, {});
}

void TTableReport::CellChanged(TTableReportCell& cell, bool measure) {
  TEditScope scope(*this);
  if (measure) {
    cell.measured_ = false;
    if (cell.mergedInto_) cell.mergedInto_->measured_ = false;
  }
  const TTableReportCell* shown = Master(&cell);
  Edited(measure, PaintedRect(*shown));
}

void TTableReport::ReportModified() {
  if (!changed_) return;
  changed_ = false;
  if (OnModified) OnModified(*this, GetModified());
}

void TTableReport::SyncEditor() {
  if (!editor_.Open || !editor_.Cell) return;
  const TTableReportCell& c = *editor_.Cell;
  if (editor_.TextRect == c.textRect_ && editor_.TextColor == c.textColor_ &&
      editor_.BackColor == c.backColor_ && editor_.HorzAlign == c.horzAlign_ && editor_.Font == c.font_ &&
      editor_.Text == c.text_)
    return;
  // An operation changed the edited cell's text (paste, cut, clear): the editor shows it.
  editor_.Text = c.text_;
  editor_.TextRect = c.textRect_;
  editor_.TextColor = c.textColor_;
  editor_.BackColor = c.backColor_;
  editor_.HorzAlign = c.horzAlign_;
  editor_.Font = c.font_;
  if (host_) host_->EditorChanged();
}

void TTableReport::ShowMessage(std::string_view utf8Text) const {
  ShowMessageBox(platform::Utf8ToGbk(utf8Text), MessageBoxCaption(), TMessageBoxIcon::Warning);
}

// ---- Operations ------------------------------------------------------------------------------

bool TTableReport::NewTable(int columns, int lines, int32_t cellWidth, int32_t lineHeight) {
  if (!lines_.empty()) {
    ShowMessage("关闭正在编辑的文件后，才能建立新表格。");
    return false;
  }
  if (columns < 1 || lines < 1) return false;
  TEditScope scope(*this);
  auto first = std::make_unique<TTableReportLine>(this);
  for (int i = 0; i < columns; ++i) {
    auto cell = std::make_unique<TTableReportCell>(first.get());
    cell->width_ = std::clamp(cellWidth, MinCellWidth, MaxCellSize);
    first->cells_.push_back(std::move(cell));
  }
  if (lineHeight != 0) first->askedHeight_ = std::clamp(lineHeight, 0, MaxCellSize);
  lines_.push_back(std::move(first));
  Layout();
  for (int n = 1; n < lines; ++n) {
    const TTableReportLine& last = *lines_.back();
    auto line = std::make_unique<TTableReportLine>(this);
    for (const auto& model : last.cells_) {
      auto cell = std::make_unique<TTableReportCell>(line.get());
      cell->CopyFormat(*model);
      line->cells_.push_back(std::move(cell));
    }
    line->askedHeight_ = last.Height();
    lines_.push_back(std::move(line));
    RenumberLines();
  }
  Edited(true, Everything());
  return true;
}

bool TTableReport::InsertLine() {
  if (selection_.empty()) return false;
  TEditScope scope(*this);
  TTableReportLine* model = selection_.front()->line_;
  const int32_t at = model->index_;
  auto line = std::make_unique<TTableReportLine>(this);
  for (const auto& from : model->cells_) {
    auto cell = std::make_unique<TTableReportCell>(line.get());
    cell->CopyFormat(*from);
    // A cell of a group that starts above joins it, before the cell it copies; a copy of a
    // group's master starts free (it lies above the group).
    if (TTableReportCell* master = from->mergedInto_; master && master->line_->index_ < at) {
      cell->mergedInto_ = master;
      auto& parts = master->parts_;
      parts.insert(std::find(parts.begin(), parts.end(), from.get()), cell.get());
      master->measured_ = false;
    }
    line->cells_.push_back(std::move(cell));
  }
  lines_.insert(lines_.begin() + at, std::move(line));
  RenumberLines();
  Edited(true, Everything());
  return true;
}

bool TTableReport::DeleteLine() {
  std::vector<TTableReportLine*> doomed;
  for (TTableReportCell* cell : selection_)
    if (std::find(doomed.begin(), doomed.end(), cell->line_) == doomed.end()) doomed.push_back(cell->line_);
  if (doomed.empty()) return false;
  TEditScope scope(*this);
  for (TTableReportLine* line : doomed)
    for (auto& cell : line->cells_) {
      Unmerge(cell.get());
      ReleaseParts(cell.get());
      ForgetCell(cell.get());
    }
  std::erase_if(lines_, [&](const std::unique_ptr<TTableReportLine>& l) {
    return std::find(doomed.begin(), doomed.end(), l.get()) != doomed.end();
  });
  RenumberLines();
  Edited(true, Everything());
  return true;
}

std::vector<TSelectedLine> TTableReport::SelectedLines() const {
  // Each selected master brings its parts: they are the master's share of their lines.
  std::vector<TTableReportCell*> cells;
  for (TTableReportCell* cell : selection_) {
    cells.push_back(cell);
    cells.insert(cells.end(), cell->parts_.begin(), cell->parts_.end());
  }
  std::sort(cells.begin(), cells.end(), [](const TTableReportCell* a, const TTableReportCell* b) {
    return std::pair(a->line_->index_, a->column_) < std::pair(b->line_->index_, b->column_);
  });
  cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
  std::vector<TSelectedLine> lines;
  for (TTableReportCell* cell : cells) {
    if (lines.empty() || lines.back().Line != cell->line_) {
      TSelectedLine share;
      share.Line = cell->line_;
      share.Index = cell->line_->index_;
      share.LeftX = cell->left_;
      lines.push_back(std::move(share));
    }
    lines.back().Cells.push_back(cell);
    lines.back().RightX = ClampCoord(int64_t(cell->left_) + cell->width_);
  }
  return lines;
}

bool TTableReport::CombineCells() {
  if (selection_.size() < 2) {
    ShowMessage("选中的单元格数量小于2!");
    return false;
  }
  const std::vector<TSelectedLine> lines = SelectedLines();
  bool rectangle = true;
  for (size_t i = 0; i < lines.size() && rectangle; ++i) {
    const TSelectedLine& l = lines[i];
    if (i > 0 && (l.Index != lines[i - 1].Index + 1 || l.LeftX != lines[0].LeftX || l.RightX != lines[0].RightX))
      rectangle = false;
    for (size_t k = 1; k < l.Cells.size() && rectangle; ++k)
      if (l.Cells[k]->column_ != l.Cells[k - 1]->column_ + 1) rectangle = false;
  }
  if (!rectangle) {
    ShowMessage("选中的区域不是一个矩形区域!");
    return false;
  }
  TTableReportCell* first = lines.front().Cells.front();
  if (first->mergedInto_) {
    // Only a damaged table puts a part above its master.
    ShowMessage("选中的区域不是一个矩形区域!");
    return false;
  }
  TEditScope scope(*this);
  CloseEditor();
  for (const TSelectedLine& l : lines) {
    TTableReportCell* keep = l.Cells.front();
    for (size_t k = l.Cells.size() - 1; k >= 1; --k) DeleteCellAt(*l.Line, l.Cells[k]->column_);
    keep->width_ = std::clamp(l.RightX - l.LeftX, MinCellWidth, MaxCellSize);
    keep->measured_ = false;
    // Columns after the deleted cells moved up; layout renumbers them, the loop needs them now.
    for (size_t c = 0; c < l.Line->cells_.size(); ++c) l.Line->cells_[c]->column_ = int32_t(c);
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    TTableReportCell* cell = lines[i].Cells.front();
    if (cell->mergedInto_ == first) continue;
    Unmerge(cell);
    first->text_ = CapText(first->text_ + cell->text_);
    cell->text_.clear();
    for (TTableReportCell* part : cell->parts_) {
      part->mergedInto_ = first;
      first->parts_.push_back(part);
    }
    cell->parts_.clear();
    cell->mergedInto_ = first;
    cell->measured_ = false;
    first->parts_.push_back(cell);
  }
  first->measured_ = false;
  ClearSelection();
  SelectCell(first);
  Edited(true, Everything());
  return true;
}

bool TTableReport::SplitCellVertically() {
  const std::vector<TTableReportCell*> masters = selection_;
  bool any = false;
  TEditScope scope(*this);
  for (TTableReportCell* cell : masters) {
    if (cell->parts_.empty()) continue;
    any = true;
    const std::vector<TTableReportCell*> parts = cell->parts_;
    ReleaseParts(cell);
    for (TTableReportCell* part : parts) SelectCell(part);
  }
  if (any) Edited(true, Everything());
  return any;
}

bool TTableReport::SplitCellHorizontally(TTableReportCell* cell, int pieces) {
  const int64_t w = cell->width_;
  // k = trunc(w / 12 + 0.5), at most `pieces`; fewer while a piece or the rest would be
  // narrower than a cell may be.
  int64_t k = std::min<int64_t>((2 * w + 12) / 24, pieces);
  int64_t piece = 0;
  for (; k > 1; --k) {
    piece = (2 * w + k) / (2 * k);
    if (piece >= MinCellWidth && w - (k - 1) * piece >= MinCellWidth) break;
  }
  if (k <= 1) return false;
  auto split = [&](TTableReportCell* from) {
    std::vector<TTableReportCell*> made;
    const int64_t width = from->width_;
    const int64_t p = std::max<int64_t>((2 * width + k) / (2 * k), MinCellWidth);
    from->width_ = int32_t(std::max<int64_t>(width - (k - 1) * p, MinCellWidth));
    from->measured_ = false;
    auto& cells = from->line_->cells_;
    auto at = std::find_if(cells.begin(), cells.end(), [&](const auto& c) { return c.get() == from; });
    size_t pos = size_t(at - cells.begin()) + 1;
    for (int64_t i = 1; i < k; ++i) {
      auto copy = std::make_unique<TTableReportCell>(from->line_);
      copy->CopyFormat(*from);
      copy->width_ = int32_t(p);
      made.push_back(copy.get());
      cells.insert(cells.begin() + ptrdiff_t(pos++), std::move(copy));
    }
    return made;
  };
  const std::vector<TTableReportCell*> made = split(cell);
  for (TTableReportCell* part : cell->parts_) {
    const std::vector<TTableReportCell*> copies = split(part);
    for (size_t i = 0; i < copies.size(); ++i) {
      copies[i]->mergedInto_ = made[i];
      made[i]->parts_.push_back(copies[i]);
    }
  }
  for (TTableReportCell* c : made) SelectCell(c);
  return true;
}

bool TTableReport::SplitCellHorizontally(int pieces) {
  if (pieces < 1 || selection_.empty()) return false;
  TEditScope scope(*this);
  const std::vector<TTableReportCell*> cells = selection_;
  bool any = false;
  for (TTableReportCell* cell : cells) any = SplitCellHorizontally(cell, pieces) || any;
  if (any) Edited(true, Everything());
  return any;
}

std::vector<TTableReportCell*> TTableReport::FocusedOrSelected(bool focused) const {
  if (focused) return FocusedCell() ? std::vector<TTableReportCell*>{FocusedCell()} : std::vector<TTableReportCell*>{};
  return selection_;
}

bool TTableReport::ApplyToCells(const std::vector<TTableReportCell*>& cells,
                                const std::function<void(TTableReportCell&)>& apply, bool measure) {
  if (cells.empty()) return false;
  TEditScope scope(*this);
  TRect dirty;
  for (TTableReportCell* cell : cells) {
    apply(*cell);
    for (TTableReportCell* part : cell->parts_) apply(*part);
    if (measure) {
      cell->measured_ = false;
      for (TTableReportCell* part : cell->parts_) part->measured_ = false;
    }
    dirty = Union(dirty, PaintedRect(*cell));
  }
  Edited(measure, dirty);
  return true;
}

bool TTableReport::SetFocusedCellAlign(int horz, int vert) {
  return ApplyToCells(FocusedOrSelected(true), [&](TTableReportCell& c) {
    if (horz >= 0) c.horzAlign_ = uint32_t(horz);
    if (vert >= 0) c.vertAlign_ = uint32_t(vert);
  }, true);
}

bool TTableReport::SetSelectedCellsAlign(int horz, int vert) {
  return ApplyToCells(FocusedOrSelected(false), [&](TTableReportCell& c) {
    if (horz >= 0) c.horzAlign_ = uint32_t(horz);
    if (vert >= 0) c.vertAlign_ = uint32_t(vert);
  }, true);
}

bool TTableReport::SetFocusedCellColors(TColor text, TColor back) {
  return ApplyToCells(FocusedOrSelected(true), [&](TTableReportCell& c) {
    c.textColor_ = text;
    c.backColor_ = back;
  }, false);
}

bool TTableReport::SetSelectedCellsColors(TColor text, TColor back) {
  return ApplyToCells(FocusedOrSelected(false), [&](TTableReportCell& c) {
    c.textColor_ = text;
    c.backColor_ = back;
  }, false);
}

bool TTableReport::SetFocusedCellFont(const TLogFont& font) {
  return ApplyToCells(FocusedOrSelected(true), [&](TTableReportCell& c) { c.font_ = font; }, true);
}

bool TTableReport::SetSelectedCellsFont(const TLogFont& font) {
  return ApplyToCells(FocusedOrSelected(false), [&](TTableReportCell& c) { c.font_ = font; }, true);
}

bool TTableReport::ClearSelectedText() {
  return ApplyToCells(selection_, [](TTableReportCell& c) { c.text_.clear(); }, true);
}

namespace {

// The selected cells line by line, each line's cells by column.
std::vector<std::vector<TTableReportCell*>> ByLine(const std::vector<TTableReportCell*>& selection) {
  std::vector<TTableReportCell*> cells = selection;
  std::sort(cells.begin(), cells.end(), [](const TTableReportCell* a, const TTableReportCell* b) {
    return std::pair(a->Line()->Index(), a->Column()) < std::pair(b->Line()->Index(), b->Column());
  });
  std::vector<std::vector<TTableReportCell*>> rows;
  for (TTableReportCell* cell : cells) {
    if (rows.empty() || rows.back().front()->Line() != cell->Line()) rows.emplace_back();
    rows.back().push_back(cell);
  }
  return rows;
}

}  // namespace

bool TTableReport::CopySelection() {
  if (selection_.empty()) return false;
  clipboard_.clear();
  for (const auto& row : ByLine(selection_)) {
    auto& records = clipboard_.emplace_back();
    for (const TTableReportCell* cell : row)
      records.push_back({cell->text_, cell->extraTexts_[0], cell->extraTexts_[1], cell->extraTexts_[2]});
  }
  return true;
}

bool TTableReport::CutSelection() {
  if (!CopySelection()) return false;
  return ApplyToCells(selection_, [](TTableReportCell& c) {
    c.text_.clear();
    for (std::string& s : c.extraTexts_) s.clear();
  }, true);
}

bool TTableReport::PasteSelection() {
  if (clipboard_.empty() || selection_.empty()) return false;
  const auto rows = ByLine(selection_);
  TEditScope scope(*this);
  TRect dirty;
  for (size_t r = 0; r < rows.size() && r < clipboard_.size(); ++r)
    for (size_t c = 0; c < rows[r].size() && c < clipboard_[r].size(); ++c) {
      TTableReportCell& cell = *rows[r][c];
      const auto& record = clipboard_[r][c];
      cell.text_ = CapText(record[0]);
      for (size_t e = 0; e < 3; ++e) cell.extraTexts_[e] = CapText(record[e + 1]);
      cell.measured_ = false;
      dirty = Union(dirty, PaintedRect(cell));
    }
  Edited(true, dirty);
  return true;
}

void TTableReport::ResetPosition() {
  platform::TSize size{Width(), Height()};
  if (host_) {
    host_->ScrollTo(0, 0);
    size = host_->ViewportSize();
  }
  SetBounds(0, 0, std::clamp(size.cx, 0, MaxCellSize), std::clamp(size.cy, 0, MaxCellSize));
}

void TTableReport::Clear() {
  CloseEditor();
  drag_ = TDrag();
  selection_.clear();
  current_ = nullptr;
  lines_.clear();
  ResetSettings();
  Layout();
  InvalidateRect(Everything());
  if (host_) host_->ExtentChanged();
  TakeSnapshot();
  changed_ = false;
}

// ---- Snapshot --------------------------------------------------------------------------------

void TTableReport::TakeSnapshot() { snapshot_ = StreamBytes(); }

bool TTableReport::GetModified() const { return StreamBytes() != snapshot_; }

}  // namespace model
