#include "GeneralComponent.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "editor/core/GeneralComponent.h"
#include "editor/ui/QtText.h"

namespace editor::ui {

namespace {

// The list's items, drawn by their box.
class TItemDelegate : public QStyledItemDelegate {
 public:
  explicit TItemDelegate(TOwnerDrawComboBox* box) : QStyledItemDelegate(box), box_(box) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    box_->DrawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected,
                   option.state & QStyle::State_HasFocus);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), GeneralComboItemHeight};
  }

 private:
  TOwnerDrawComboBox* box_;
};

// The rectangle GDI's FocusRect draws: every other pixel of its outline.
void DrawFocusRect(QPainter& painter, const QRect& r) {
  painter.setPen(Qt::black);
  for (int x = r.left(); x <= r.right(); ++x) {
    if ((x - r.left()) % 2) continue;
    painter.drawPoint(x, r.top());
    painter.drawPoint(x, r.bottom());
  }
  for (int y = r.top(); y <= r.bottom(); ++y) {
    if ((y - r.top()) % 2) continue;
    painter.drawPoint(r.left(), y);
    painter.drawPoint(r.right(), y);
  }
}

}  // namespace

// ---- What both boxes share -----------------------------------------------------------------

TOwnerDrawComboBox::TOwnerDrawComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new TItemDelegate(this));
  connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] {
    if (OnChange) OnChange();
  });
}

QRect TOwnerDrawComboBox::CurrentItemRect() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

void TOwnerDrawComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  if (currentIndex() < 0) return;
  const QRect r = CurrentItemRect();
  painter.save();
  painter.setClipRect(r);
  DrawItem(painter, r, currentIndex(), hasFocus(), hasFocus());
  painter.restore();
}

// ---- Colours -------------------------------------------------------------------------------

TColorComboBox::TColorComboBox(QWidget* parent) : TOwnerDrawComboBox(parent) {
  for (const std::string& item : ColorComboItems()) addItem(QStringFromGbk(item));
}

platform::TColor TColorComboBox::Selected() const { return ColorComboColor(currentIndex()); }

void TColorComboBox::SetSelected(platform::TColor color) { setCurrentIndex(ColorComboIndex(color)); }

void TColorComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const {
  painter.fillRect(rect, Qt::white);
  // GDI's Rectangle from (left + 4, top + 3) to (left + 24, top + 11): the outline covers the
  // pixels up to right - 1 and bottom - 1.
  painter.setPen(Qt::black);
  painter.setBrush(QColorFromColorRef(ColorComboColor(index)));
  painter.drawRect(QRect(rect.left() + 4, rect.top() + 3, 19, 7));
  painter.setBrush(Qt::NoBrush);
  painter.setFont(font());
  const QRect textRect(rect.left() + 28, rect.top() + 1, std::max(0, rect.width() - 28), rect.height() - 1);
  const QString text = itemText(index);
  painter.setPen(selected ? Qt::white : Qt::black);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  if (focused) {
    DrawFocusRect(painter, rect);
    painter.setPen(Qt::black);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  }
}

// ---- Line widths ---------------------------------------------------------------------------

TLineComboBox::TLineComboBox(QWidget* parent) : TOwnerDrawComboBox(parent) {
  for (int i = 0; i < LineComboItemCount; ++i) addItem(QString());
}

void TLineComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool) const {
  painter.fillRect(rect, selected ? palette().color(QPalette::Highlight) : QColor(Qt::white));
  painter.setPen(Qt::black);
  const int base = rect.top() + 6 + (index + 1) / 2;
  // GDI's line from left + 4 to right - 4 leaves its end point out.
  const int right = rect.left() + rect.width() - 4 - 1;
  for (int k = 0; k <= index; ++k) painter.drawLine(rect.left() + 4, base - k, right, base - k);
}

}  // namespace editor::ui
