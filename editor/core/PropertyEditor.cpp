#include "PropertyEditor.h"

#include <algorithm>

#include "model/PropertyTable.h"
#include "platform/base/GbkText.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/component/Strings.h"
#include "platform/gfx/Canvas.h"

namespace editor {

using platform::TBitmap;
using platform::TCanvas;
using platform::TObject;
using platform::TRect;

namespace {

constexpr platform::TColor ShadowColor = platform::RGB(128, 128, 128);
constexpr platform::TColor DarkShadowColor = platform::RGB(64, 64, 64);
constexpr platform::TColor LightColor = platform::RGB(192, 192, 192);
constexpr platform::TColor ButtonFaceColor = platform::RGB(192, 192, 192);
constexpr int IconStep = 11;  // indentation per level, and the icon box's width

bool IsType(const platform::TTypeInfo& type, const char* name) { return platform::GbkSameText(type.Name(), name); }

bool IsColorRow(const TPropertyNode& n) {
  return n.Property && n.Property->Kind() == platform::tkInteger && IsType(n.Property->PropType(), "TColor");
}
bool IsEnumRow(const TPropertyNode& n) {
  return n.Property && n.Property->Kind() == platform::tkEnumeration && n.State != nsElement;
}
bool IsElementRow(const TPropertyNode& n) { return n.Property && n.State == nsElement; }
bool IsStringRow(const TPropertyNode& n) { return n.Property && n.Property->Kind() == platform::tkString; }
bool IsFontRow(const TPropertyNode& n) {
  return n.Property && n.Property->Kind() == platform::tkClass && IsType(n.Property->PropType(), "TFont");
}

// The values a property of this storage may take.
struct TOrdRange {
  int64_t Min, Max;
};
TOrdRange RangeOf(platform::TOrdType ordType) {
  switch (ordType) {
    case platform::otSByte: return {-128, 127};
    case platform::otUByte: return {0, 255};
    case platform::otSWord: return {-32768, 32767};
    case platform::otUWord: return {0, 65535};
    case platform::otSLong: return {INT32_MIN, INT32_MAX};
    case platform::otULong: return {0, UINT32_MAX};
  }
  return {INT32_MIN, INT32_MAX};
}

// The row's class in the editor tables: that of Root (a multi-selection's is its collection's).
std::string RootClass(const TPropertyList& list) { return list.Root() ? list.Root()->ClassName() : std::string(); }

// Open-and-close icons: a 9 x 9 box with a minus, and a plus for a closed row.
void DrawRowIcon(TCanvas& canvas, int x, int y, bool closed) {
  canvas.Pen.Color = ShadowColor;
  canvas.Pen.Style = platform::psSolid;
  canvas.Brush.Color = platform::clWhite;
  canvas.Brush.Style = platform::bsSolid;
  canvas.Rectangle({x, y, x + 9, y + 9});
  canvas.Pen.Color = platform::clBlack;
  canvas.MoveTo(x + 2, y + 4);
  canvas.LineTo(x + 7, y + 4);
  if (closed) {
    canvas.MoveTo(x + 4, y + 2);
    canvas.LineTo(x + 4, y + 7);
  }
}

// A sunken edge along the left, top and bottom of a rectangle.
void DrawSunkenEdge(TCanvas& canvas, const TRect& r) {
  auto line = [&](int x0, int y0, int x1, int y1, platform::TColor c) {
    canvas.Pen.Color = c;
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
  };
  canvas.Pen.Style = platform::psSolid;
  line(r.Left, r.Top, r.Right, r.Top, ShadowColor);
  line(r.Left, r.Top, r.Left, r.Bottom, ShadowColor);
  line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, platform::clWhite);
  line(r.Left + 1, r.Top + 1, r.Right, r.Top + 1, DarkShadowColor);
  line(r.Left + 1, r.Top + 1, r.Left + 1, r.Bottom - 1, DarkShadowColor);
  line(r.Left + 1, r.Bottom - 2, r.Right, r.Bottom - 2, LightColor);
}

}  // namespace

platform::TFontDescription InspectorFont() {
  platform::TFontDescription font;
  font.Name = platform::Utf8ToGbk("宋体");
  font.SetSize(9);
  font.Charset = platform::GB2312_CHARSET;
  return font;
}

TBitmap GlyphBitmap(TButtonGlyph glyph) {
  if (glyph == TButtonGlyph::None) return TBitmap();
  const bool down = glyph == TButtonGlyph::Down;
  TBitmap bitmap(9, down ? 9 : 6);
  TCanvas canvas(bitmap);
  canvas.Brush.Color = ButtonFaceColor;
  canvas.FillRect({0, 0, bitmap.Width(), bitmap.Height()});
  canvas.Brush.Color = platform::clBlack;
  if (down) {
    // A triangle pointing down, 7 wide at the top.
    for (int row = 0; row < 4; ++row) canvas.FillRect({1 + row, 3 + row, 8 - row, 4 + row});
  } else {
    // An ellipsis: three 2 x 2 dots on the bottom rows.
    for (int x : {0, 3, 6}) canvas.FillRect({x + 1, 3, x + 3, 5});
  }
  return bitmap;
}

TPropertyEditor::TPropertyEditor(TPropertyEditorWindow& view, TDialogs& dialogs, TPropertyChooser& chooser,
                                 const TPropertyDescription& editors)
    : view_(view), dialogs_(dialogs), chooser_(chooser), editors_(editors) {
  list_.OnRowsFreed = [this] { RowsFreed(); };
}

TPropertyEditor::~TPropertyEditor() { list_.OnRowsFreed = nullptr; }

// ---- Root -------------------------------------------------------------------------------------

void TPropertyEditor::SetRoot(TObject* root) {
  const bool same = root && root == list_.Root();
  view_.HideList();
  list_.SetRoot(root);
  rowsPerPage_ = view_.ClientHeight() / RowHeight;
  ShowRows(!same);
}

void TPropertyEditor::RowsFreed() {
  // What the rows showed is gone: they were rebuilt (or emptied), so the edit's text belongs to
  // no row any more.
  view_.HideList();
  ShowRows(false);
}

void TPropertyEditor::ShowRows(bool fromFirst) {
  count_ = list_.ItemCount();
  if (count_ == 0) {
    current_ = top_ = 0;
    RecreateImage();
    view_.SetEditVisible(false);
    buttonVisible_ = false;
    view_.SetButton(false, TButtonGlyph::None, {});
    view_.SetScrollBar(false, 0, 0, 0);
    view_.Invalidate();
    return;
  }
  if (fromFirst) {
    current_ = top_ = 0;
    view_.SetEditText("");
    view_.SetEditVisible(true);
  } else {
    // The rows start over; the places stay where they still exist.
    current_ = std::min(current_, count_ - 1);
    top_ = std::clamp(top_, 0, std::max(0, count_ - std::max(1, rowsPerPage_)));
  }
  UpdateScrollBar();
  RecreateImage();
  SetUpRow();
}

// ---- Geometry ---------------------------------------------------------------------------------

void TPropertyEditor::Resized() {
  rowsPerPage_ = view_.ClientHeight() / RowHeight;
  RecreateImage();
  UpdateScrollBar();
  if (count_ > 0) SelectRow(current_, border_, true);
  view_.Invalidate();
}

void TPropertyEditor::UpdateScrollBar() {
  const bool fits = count_ <= rowsPerPage_;
  view_.SetScrollBar(!fits, count_, rowsPerPage_, top_);
}

void TPropertyEditor::PlaceEditAndButton() {
  const int y = (current_ - top_) * RowHeight;
  const int width = view_.ClientWidth();
  view_.SetEditBounds(platform::Bounds(border_ + 3, y + 4, width, 14));
  view_.SetButton(buttonVisible_, glyph_, platform::Bounds(width - 15, y + 2, 15, 15));
}

void TPropertyEditor::SelectRow(int row, int border, bool force) {
  const int width = view_.ClientWidth();
  border = std::clamp(border, BorderMargin, std::max(BorderMargin, width - BorderMargin));
  if (border != border_) {
    border_ = border;
    PlaceEditAndButton();
    view_.Invalidate();
  }
  if (count_ == 0) return;
  const int page = std::max(1, rowsPerPage_);
  if (row != current_) {
    if (row < 0) row = 0;
    if (row < top_) {
      top_ = row;
    } else if (row >= count_) {
      row = count_ - 1;
      if (count_ - page > top_) top_ = count_ - page;
    } else if (row >= top_ + page) {
      top_ = row - page + 1;
    }
    UpdateScrollBar();
  }
  if (row != current_) {
    Commit(false);
    // The write's handlers may have set a new root.
    if (count_ == 0) return;
    row = std::min(row, count_ - 1);
  } else if (!force) {
    return;
  }
  current_ = row;
  SetUpRow();
}

void TPropertyEditor::SetUpRow() {
  const TPropertyNode* n = Current();
  if (!n) return;
  bool readOnly = false;
  TButtonGlyph glyph = TButtonGlyph::None;
  if (const uint8_t kind = editors_.Exists(RootClass(list_), n->Path)) {
    readOnly = true;
    glyph = kind == pdList ? TButtonGlyph::Down : TButtonGlyph::Dot;
  } else if (n->ReadOnly || !n->Property) {
    readOnly = true;
  } else {
    switch (n->Property->Kind()) {
      case platform::tkInteger:
        if (IsColorRow(*n)) glyph = TButtonGlyph::Dot;
        break;
      case platform::tkEnumeration:
      case platform::tkSet:
        readOnly = true;
        glyph = TButtonGlyph::Down;
        break;
      case platform::tkString:
        break;
      case platform::tkClass:
        readOnly = true;
        if (IsFontRow(*n)) glyph = TButtonGlyph::Dot;
        break;
      default:
        break;
    }
  }
  glyph_ = glyph;
  buttonVisible_ = glyph != TButtonGlyph::None;
  view_.SetEditReadOnly(readOnly);
  PlaceEditAndButton();
  view_.SetEditText(n->ValueText);
  view_.SetEditVisible(true);
  view_.Invalidate();
}

void TPropertyEditor::ScrollTo(int top) {
  top_ = std::clamp(top, 0, std::max(0, count_ - std::max(1, rowsPerPage_)));
  PlaceEditAndButton();
  view_.Invalidate();
}

// ---- Writing ----------------------------------------------------------------------------------

std::optional<int64_t> TPropertyEditor::EditInteger(const TPropertyNode& node, const std::string& text) {
  const platform::TOrdType ordType = node.Property->PropType().OrdType();
  if (ordType == platform::otULong) {
    // Unsigned: decimal up to 4294967295, hexadecimal as its 32 bits.
    const auto parsed = model::ParseIntegerText(text);
    if (!parsed) return std::nullopt;
    return parsed->Negative ? -int64_t(parsed->Magnitude) : int64_t(parsed->Magnitude);
  }
  const auto value = model::TextToInt(text);
  if (!value) return std::nullopt;
  return int64_t(*value);
}

bool TPropertyEditor::Commit(bool force) {
  TPropertyNode* n = Current();
  if (!n || !n->Property || n->State == nsElement) return false;
  const std::string text = view_.EditText();
  const std::string path = n->Path;
  std::vector<TObject*> written;
  if (n->Property->Kind() == platform::tkInteger) {
    const std::optional<int64_t> value = EditInteger(*n, text);
    if (!value) return false;
    if (!force && platform::GbkSameText(text, n->ValueText)) return false;
    const TOrdRange range = RangeOf(n->Property->PropType().OrdType());
    if (*value < range.Min || *value > range.Max) {
      // Cut to the type's storage it would become another value (-1 seconds, 4294967295).
      const std::string message = "输入的数值超出允许范围（" + std::to_string(range.Min) + " 至 " +
                                  std::to_string(range.Max) + "）";
      view_.SetEditText(n->ValueText);
      dialogs_.MessageBox(platform::Utf8ToGbk(message), MessageCaption(), TMessageIcon::Warning,
                          TMessageButtons::Ok);
      return false;
    }
    for (TObject* t : list_.Targets())
      if (PathSetOrd(t, path, *value)) written.push_back(t);
  } else if (IsStringRow(*n)) {
    if (!force && platform::GbkSameText(text, n->ValueText)) return false;
    for (TObject* t : list_.Targets())
      if (PathSetStr(t, path, text)) written.push_back(t);
  } else {
    return false;
  }
  if (written.empty()) return false;
  // The edit shows the value as stored, so leaving the row does not write it again.
  Written(written, true);
  return true;
}

void TPropertyEditor::Written(const std::vector<TObject*>& targets, bool showValue) {
  list_.Refresh();
  DrawImage();
  if (showValue)
    if (const TPropertyNode* n = Current()) view_.SetEditText(n->ValueText);
  view_.Invalidate();
  // What was written shows on the page at once.
  for (TObject* t : targets)
    if (auto* control = dynamic_cast<platform::TControl*>(t)) control->Invalidate();
  if (OnChanged) OnChanged(list_.Root());
}

// ---- Edit actions -----------------------------------------------------------------------------

void TPropertyEditor::EditAction(TEditAction action) {
  if (busy_ || count_ == 0) return;
  switch (action) {
    case eaUp:
      if (current_ > 0) SelectRow(current_ - 1, border_, false);
      break;
    case eaDown:
      if (current_ < count_ - 1) SelectRow(current_ + 1, border_, false);
      break;
    case eaPageUp:
      if (current_ > 0) SelectRow(std::max(0, current_ - rowsPerPage_), border_, false);
      break;
    case eaPageDown:
      if (current_ < count_ - 1) SelectRow(std::min(count_ - 1, current_ + rowsPerPage_), border_, false);
      break;
    case eaEnter:
      Commit(true);
      break;
    case eaDblClick: {
      TPropertyNode* n = Current();
      if (!n || !n->Instance) break;
      const std::string path = n->Path;
      std::vector<TObject*> written;
      if (IsEnumRow(*n)) {
        // The next value after the first member's, from the highest back to the lowest.
        const int64_t count = int64_t(n->Property->PropType().EnumNames().size());
        int64_t next = n->Property->GetOrd(*n->Instance) + 1;
        if (next >= count) next = 0;
        for (TObject* t : list_.Targets())
          if (PathSetOrd(t, path, next)) written.push_back(t);
      } else if (IsElementRow(*n)) {
        const uint32_t bit = uint32_t(1) << n->Element;
        for (TObject* t : list_.Targets())
          if (PathSetOrd(t, path, int64_t(uint32_t(PathGetOrd(t, path)) ^ bit))) written.push_back(t);
      } else {
        break;
      }
      if (!written.empty()) Written(written, true);
      break;
    }
  }
}

bool TPropertyEditor::EditPressed(int64_t timeMs) {
  const bool twice = lastPress_ && timeMs - *lastPress_ <= view_.DoubleClickTime();
  lastPress_ = twice ? std::nullopt : std::optional<int64_t>(timeMs);
  return twice;
}

// ---- Button and pop-up list -------------------------------------------------------------------

void TPropertyEditor::ShowList(TListKind kind, std::vector<std::string> items) {
  listKind_ = kind;
  listItems_ = std::move(items);
  const TPropertyNode* n = Current();
  int index = 0;
  for (size_t i = 0; n && i < listItems_.size(); ++i)
    if (platform::GbkSameText(listItems_[i], n->ValueText)) {
      index = int(i);
      break;
    }
  const int fitted = int(listItems_.size()) * ListItemHeight + 2;
  if (fitted < listHeight_) listHeight_ = fitted;
  const int width = view_.ClientWidth();
  int x = border_ + 1;
  int w = width - border_ - 1;
  const int widest = view_.ListTextWidth(listItems_);
  if (widest > w) {
    w = widest;
    x = width - widest;
  }
  const int y = (current_ - top_ + 1) * RowHeight;
  view_.ShowList(listItems_, index, platform::Bounds(x, y, w, listHeight_));
}

void TPropertyEditor::ButtonClick() {
  TPropertyNode* n = Current();
  if (!n || busy_) return;
  busy_ = true;
  const std::string path = n->Path;
  TObject* root = list_.Root();
  const std::vector<TObject*> targets = list_.Targets();
  const uint8_t kind = editors_.Exists(RootClass(list_), path);
  if (kind == pdList) {
    platform::TStringList items;
    if (auto fill = editors_.ListOf(RootClass(list_), path)) fill(root, path, items);
    ShowList(TListKind::Callback, std::vector<std::string>(items.begin(), items.end()));
  } else if (kind == pdEditor) {
    auto edit = editors_.EditorOf(RootClass(list_), path);
    if (edit && edit(root, path)) {
      list_.Refresh();
      DrawImage();
      if (const TPropertyNode* now = Current()) view_.SetEditText(now->ValueText);
      view_.Invalidate();
      if (OnChanged) OnChanged(list_.Root());
    }
  } else if (IsEnumRow(*n)) {
    std::vector<std::string> items;
    for (const std::string& name : n->Property->PropType().EnumNames()) items.push_back(list_.CaptionOf("", name));
    listHeight_ = ListDefaultHeight;  // a new, empty list
    ShowList(TListKind::Enumeration, std::move(items));
  } else if (IsElementRow(*n)) {
    listHeight_ = ListDefaultHeight;
    ShowList(TListKind::Element, {list_.CaptionOf("", "False"), list_.CaptionOf("", "True")});
  } else if (IsFontRow(*n) && !targets.empty()) {
    auto* font = dynamic_cast<platform::TFont*>(PathGetObject(targets.front(), path));
    platform::TFontDescription chosen = font ? font->Description() : platform::TFontDescription();
    if (chooser_.ChooseFont(chosen)) {
      platform::TFont value(chosen);
      std::vector<TObject*> written;
      for (TObject* t : list_.Targets())
        if (PathSetObject(t, path, &value)) written.push_back(t);
      if (!written.empty()) Written(written, false);
    }
  } else if (IsColorRow(*n) && !targets.empty()) {
    platform::TColor color = platform::TColor(PathGetOrd(targets.front(), path));
    if (chooser_.ChooseColor(color)) {
      std::vector<TObject*> written;
      for (TObject* t : list_.Targets())
        if (PathSetOrd(t, path, int32_t(color))) written.push_back(t);
      if (!written.empty()) Written(written, true);
    }
  }
  busy_ = false;
}

void TPropertyEditor::ListChosen(int itemIndex) {
  TPropertyNode* n = Current();
  if (!n || itemIndex < 0) return;
  const std::string path = n->Path;
  std::vector<TObject*> written;
  if (IsEnumRow(*n)) {
    for (TObject* t : list_.Targets())
      if (PathSetOrd(t, path, itemIndex)) written.push_back(t);
  } else if (IsElementRow(*n)) {
    const uint32_t bit = uint32_t(1) << n->Element;
    for (TObject* t : list_.Targets()) {
      const uint32_t bits = uint32_t(PathGetOrd(t, path));
      if (PathSetOrd(t, path, int64_t(itemIndex == 1 ? bits | bit : bits & ~bit))) written.push_back(t);
    }
  }
  if (!written.empty()) {
    Written(written, true);
  } else {
    list_.Refresh();
    if (const TPropertyNode* now = Current()) view_.SetEditText(now->ValueText);
    DrawImage();
    view_.Invalidate();
  }
  view_.FocusEdit(false);
}

// ---- Mouse ------------------------------------------------------------------------------------

void TPropertyEditor::MouseDown(int x, int y, int64_t timeMs) {
  if (count_ == 0) return;
  if (x > border_) lastPress_ = timeMs;
  if (x >= border_ - 2 && x <= border_ + 4) {
    mouseMode_ = 1;
  } else if (y >= 0) {
    const int row = y / RowHeight + top_;
    if (row < count_) {
      mouseMode_ = 2;
      SelectRow(row, border_, false);
      TPropertyNode* n = list_.Items(row);
      const int level = list_.Level(row);
      const int inRow = y - (row - top_) * RowHeight;
      if (n && (n->State == nsClosed || n->State == nsOpen) && x >= level * IconStep &&
          x < (level + 1) * IconStep && inRow >= 5 && inRow < 14) {
        n->State = n->State == nsClosed ? nsOpen : nsClosed;
        count_ = list_.ItemCount();
        top_ = 0;
        UpdateScrollBar();
        DrawImage();
        // The edit follows its row to where the list now shows it.
        current_ = std::min(current_, count_ - 1);
        PlaceEditAndButton();
        view_.Invalidate();
      }
    }
  }
  view_.FocusEdit(true);
}

TPropertyEditor::TMouseResult TPropertyEditor::MouseMove(int x, int y) {
  TMouseResult result;
  switch (mouseMode_) {
    case 1:
      SelectRow(current_, x, false);
      result.Cursor = TGridCursor::HSplit;
      break;
    case 2:
      if (y >= view_.ClientHeight()) {
        if (current_ < count_ - 1) SelectRow(current_ + 1, border_, false);
        result.KeepScrolling = true;
      } else if (y < 0) {
        if (current_ > 0) SelectRow(current_ - 1, border_, false);
        result.KeepScrolling = true;
      } else {
        const int row = y / RowHeight + top_;
        if (row < count_) SelectRow(row, border_, false);
      }
      break;
    default:
      if (count_ > 0 && x >= border_ - 2 && x <= border_ + 4) result.Cursor = TGridCursor::HSplit;
      break;
  }
  return result;
}

void TPropertyEditor::MouseUp() {
  view_.FocusEdit(false);
  mouseMode_ = 0;
}

// ---- Drawing ----------------------------------------------------------------------------------

void TPropertyEditor::RecreateImage() {
  const int width = std::max(0, view_.ClientWidth());
  image_.SetSize(2 * width, std::max(1, list_.ItemMaxCount() * RowHeight + 1));
  DrawImage();
}

void TPropertyEditor::DrawImage() {
  const int width = image_.Width() / 2;
  if (image_.Empty()) return;
  TCanvas canvas(image_);
  canvas.Brush.Color = InspectorBackground;
  canvas.Brush.Style = platform::bsSolid;
  canvas.FillRect({0, 0, image_.Width(), image_.Height()});
  // A dotted line over each row, and one under the last.
  for (int i = 0; i <= count_; ++i) {
    const int y = i * RowHeight;
    if (y >= image_.Height()) break;
    for (int x = 0; x < image_.Width(); x += 2) canvas.SetPixel(x, y, platform::clBlack);
  }
  canvas.Font = InspectorFont();
  for (int i = 0; i < count_; ++i) {
    const TPropertyNode* n = list_.Items(i);
    if (!n) break;
    const int level = list_.Level(i);
    const int y = i * RowHeight;
    if (n->State == nsClosed || n->State == nsOpen) DrawRowIcon(canvas, level * IconStep + 2, y + 5, n->State == nsClosed);
    canvas.Brush.Style = platform::bsClear;
    canvas.Font.Color = platform::TColor(n->Color);
    TRect caption{level * IconStep + 13, y + 3, width, y + RowHeight};
    canvas.DrawText(n->Caption, caption, platform::DT_LEFT | platform::DT_SINGLELINE | platform::DT_NOPREFIX);
    int textX = width + 4;
    if (IsColorRow(*n) && n->Instance) {
      canvas.Pen.Color = platform::clBlack;
      canvas.Brush.Style = platform::bsSolid;
      canvas.Brush.Color = platform::TColor(n->Property->GetOrd(*n->Instance)) & 0xFFFFFF;
      canvas.Rectangle({width + 4, y + 4, width + 15, y + 15});
      canvas.Brush.Style = platform::bsClear;
      textX = width + 19;
    }
    canvas.Font.Color = ValueTextColor;
    canvas.TextOut(textX, y + 3, n->ValueText);
  }
}

void TPropertyEditor::Paint(TCanvas& canvas) const {
  const int width = view_.ClientWidth(), height = view_.ClientHeight();
  canvas.Brush.Color = InspectorBackground;
  canvas.Brush.Style = platform::bsSolid;
  if (count_ == 0 || image_.Empty()) {
    canvas.FillRect({0, 0, width, height});
    return;
  }
  const int rowsBottom = std::min(height, (count_ - top_) * RowHeight + 1);
  const int sourceY = top_ * RowHeight;
  canvas.BitBlt(0, 0, border_, rowsBottom, image_, 0, sourceY, platform::cmSrcCopy);
  canvas.BitBlt(border_, 0, std::max(0, width - border_), rowsBottom, image_, image_.Width() / 2, sourceY,
                platform::cmSrcCopy);
  canvas.FillRect({0, rowsBottom, width, height});
  // The column border.
  canvas.Pen.Style = platform::psSolid;
  canvas.Pen.Color = ShadowColor;
  canvas.MoveTo(border_ + 1, 0);
  canvas.LineTo(border_ + 1, rowsBottom);
  canvas.Pen.Color = platform::clWhite;
  canvas.MoveTo(border_ + 2, 0);
  canvas.LineTo(border_ + 2, rowsBottom);
  // The current row, sunken, its value cell white under the edit.
  const int y = (current_ - top_) * RowHeight;
  DrawSunkenEdge(canvas, {0, y, width, y + RowHeight + 1});
  canvas.Brush.Color = platform::clWhite;
  canvas.FillRect({border_ + 2, y + 2, width, y + RowHeight - 1});
}

}  // namespace editor
