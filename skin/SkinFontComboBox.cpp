#include "skin/SkinFontComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>

#include "platform/base/GbkText.h"
#include "platform/gfx/TextLayout.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"
#include "skin/SkinMenu.h"

namespace skin {

using namespace platform;

namespace {

constexpr int kTypeRole = Qt::UserRole + 1;

std::string Gbk(const QString& s) { return Utf8ToGbk(s.toStdString()); }
QString Text(const std::string& gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

// Draws the font names: the type glyph, then the name (in its own face with UseFonts).
class TFontItemDelegate : public QStyledItemDelegate {
 public:
  explicit TFontItemDelegate(const TskFontComboBox* box) : QStyledItemDelegate(const_cast<TskFontComboBox*>(box)), box_(box) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    TBitmap b(r.width(), r.height(), pf24bit);
    TCanvas c(b);
    const bool selected = option.state & QStyle::State_Selected;
    c.Brush.Color = selected ? ColorToRGB(clHighlight) : 0xFFFFFF;
    c.FillRect({0, 0, r.width(), r.height()});
    const int type = index.data(kTypeRole).toInt();
    const char* glyphName = (type & TRUETYPE_FONTTYPE) ? "FONTCOMBO_TRUETYPE_FNT"
                            : (type & DEVICE_FONTTYPE)  ? "FONTCOMBO_DEVICE_FNT"
                                                        : nullptr;
    int x = 20 + 6;
    if (const TBitmap* glyph = glyphName ? BuiltInPicture(glyphName) : nullptr) {
      DrawMaskedPicture(c, *glyph, 2, (r.height() - glyph->Height()) / 2, glyph->GetPixel(0, 0), false);
      x = glyph->Width() + 6;
    }
    const std::string name = Gbk(index.data(Qt::DisplayRole).toString());
    c.Font = DefaultControlFont();
    if (box_->UseFonts && (type & kNotSymbolFlag)) c.Font.Name = name;
    c.Font.Color = selected ? 0xFFFFFF : 0;
    c.Brush.Style = bsClear;
    TRect text{x, 0, r.width(), r.height()};
    c.DrawText(name, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    PaintToWidget(*painter, b, r.x(), r.y());
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {option.rect.width(), box_->ItemHeightFor()};
  }

 private:
  const TskFontComboBox* box_;
};

}  // namespace

std::vector<TFontFamilyInfo> ScreenFontFamilies() { return ListFontFamilies(); }

// --- TskFontDrawComboBox ---

TskFontDrawComboBox::TskFontDrawComboBox(QWidget* parent) : TskCustomComboBox(parent) { SetComboStyle(csDropDownList); }

void TskFontDrawComboBox::SetComboStyle(TStyle style) {
  comboStyle_ = style;
  setEditable(style != csDropDownList);
  Simple = style == csSimple;
  update();
}

// --- TskFontComboBox ---

TskFontComboBox::TskFontComboBox(QWidget* parent) : TskFontDrawComboBox(parent) {
  setItemDelegate(new TFontItemDelegate(this));
  Rebuild();
  connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] {
    if (OnChange) OnChange();
  });
  connect(this, &QComboBox::editTextChanged, this, [this](const QString& text) {
    const int i = findText(text, Qt::MatchFixedString);
    if (i >= 0 && i != currentIndex()) setCurrentIndex(i);
  });
}

int TskFontComboBox::ItemHeightFor() const {
  const int text = TextExtent(DefaultControlFont(), "W").cy + 1;
  const TBitmap* glyph = BuiltInPicture("FONTCOMBO_TRUETYPE_FNT");
  return std::max({text, 9, glyph->Height() - 1});
}

int TskFontComboBox::ItemFontType(int index) const { return itemData(index, kTypeRole).toInt(); }

void TskFontComboBox::SetDevice(TFontDevice device) {
  device_ = device;
  Rebuild();
}

void TskFontComboBox::SetOptions(TFontListOptions options) {
  options_ = options;
  Rebuild();
}

void TskFontComboBox::Rebuild() {
  const std::string previous = FontName();
  blockSignals(true);
  clear();
  std::vector<TFontFamilyInfo> faces;
  if (device_ == fdScreen || device_ == fdBoth) faces = ScreenFontFamilies();
  // Every face here is of the default character set: none is ANSI-only, OEM or symbol-set.
  struct TItem {
    std::string Name;
    int Type;
  };
  std::vector<TItem> items;
  for (const TFontFamilyInfo& f : faces) {
    const bool trueType = f.Outline;
    if ((options_ & foTrueTypeOnly) && !trueType) continue;
    if ((options_ & foFixedPitchOnly) && !f.FixedPitch) continue;
    if (options_ & foOEMFontsOnly) continue;  // no OEM character set here
    if ((options_ & foScalableOnly) && !f.Outline) continue;
    if ((options_ & foNoSymbolFonts) && f.Symbol) continue;
    if (std::any_of(items.begin(), items.end(), [&](const TItem& i) { return i.Name == f.Name; })) continue;
    items.push_back({f.Name, (trueType ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE) | (f.Symbol ? 0 : kNotSymbolFlag)});
  }
  std::sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) { return GbkCompareText(a.Name, b.Name) < 0; });
  for (const TItem& i : items) {
    addItem(Text(i.Name));
    setItemData(count() - 1, i.Type, kTypeRole);
  }
  const int at = findText(Text(previous), Qt::MatchFixedString);
  setCurrentIndex(at);
  if (at < 0 && isEditable()) setEditText(Text(previous));
  blockSignals(false);
  if (!previous.empty() && FontName() != previous && OnChange) OnChange();
}

std::string TskFontComboBox::FontName() const { return Gbk(currentText()); }

void TskFontComboBox::SetFontName(const std::string& name) {
  if (name == FontName()) return;
  if (Loading) {
    if (isEditable()) setEditText(Text(name));
    return;
  }
  int found = -1;
  for (int i = 0; i < count() && found < 0; ++i)
    if (GbkSameText(Gbk(itemText(i)), name)) found = i;
  blockSignals(true);
  setCurrentIndex(found);
  if (found < 0 && isEditable()) setEditText(Text(name));
  blockSignals(false);
  if (OnChange) OnChange();
}

// --- TskFontSizeComboBox ---

TskFontSizeComboBox::TskFontSizeComboBox(QWidget* parent) : TskFontDrawComboBox(parent) {
  connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] {
    if (OnChange) OnChange();
  });
}

std::vector<int> TskFontSizeComboBox::SizesFor(const TFontFamilyInfo& face) {
  if (face.Outline) return {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
  std::vector<int> sizes;
  for (int pixels : face.BitmapSizes) sizes.push_back((pixels * 72 + kPixelsPerInch / 2) / kPixelsPerInch);
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

void TskFontSizeComboBox::SetFontName(const std::string& name) {
  fontName_ = name;
  const QString previous = currentText();
  blockSignals(true);
  clear();
  if (!name.empty()) {
    for (const TFontFamilyInfo& f : ScreenFontFamilies())
      if (GbkSameText(f.Name, name)) {
        for (int s : SizesFor(f)) addItem(QString::number(s));
        break;
      }
  }
  setCurrentIndex(findText(previous));  // with the change event held back
  blockSignals(false);
  if (OnChange) OnChange();
}

int TskFontSizeComboBox::FontSize() const {
  if (currentIndex() < 0) return 0;
  bool ok = false;
  const int v = currentText().toInt(&ok);
  return ok ? v : 0;
}

void TskFontSizeComboBox::SetFontSize(int size) { setCurrentIndex(findText(QString::number(size))); }

}  // namespace skin
