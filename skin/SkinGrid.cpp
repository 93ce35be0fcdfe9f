#include "skin/SkinGrid.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionHeader>

#include <QEvent>

#include "platform/base/GbkText.h"
#include "skin/SkinButton.h"

namespace skin {

using namespace platform;

namespace {

class TCellDelegate : public QStyledItemDelegate {
 public:
  explicit TCellDelegate(TskStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    TBitmap b(r.width(), r.height(), pf24bit);
    TCanvas c(b);
    const bool focused = grid_->currentIndex() == index && grid_->hasFocus();
    const bool selected = option.state & QStyle::State_Selected;
    grid_->DrawCell(c, {0, 0, r.width(), r.height()}, index.data().toString(), selected, focused);
    if (grid_->OnDrawCell) grid_->OnDrawCell(index.row() + 1, index.column() + 1, c, {0, 0, r.width(), r.height()});
    PaintToWidget(*painter, b, r.x(), r.y());
  }

 private:
  TskStringGrid* grid_;
};

}  // namespace

TskGridStyle::TskGridStyle(const TskStringGrid* grid)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), grid_(grid) {}

int TskGridStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_DefaultFrameWidth) return 1;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void TskGridStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  if (element == CE_Header) {
    const auto* o = qstyleoption_cast<const QStyleOptionHeader*>(option);
    const QRect r = option->rect;
    if (!o || r.isEmpty()) return;
    TBitmap b(r.width(), r.height(), pf24bit);
    TCanvas c(b);
    grid_->DrawFixedCell(c, {0, 0, r.width(), r.height()}, o->text);
    PaintToWidget(*painter, b, r.x(), r.y());
    return;
  }
  if (element == CE_HeaderEmptyArea) {
    painter->fillRect(option->rect, ToQColor(grid_->FixedBGColor));
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

TskStringGrid::TskStringGrid(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent), TSkinnable(this, DefaultControlStyle(parent)) {
  style_ = new TskGridStyle(this);
  style_->setParent(this);
  setStyle(style_);
  horizontalHeader()->setStyle(style_);
  verticalHeader()->setStyle(style_);
  setItemDelegate(new TCellDelegate(this));
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  ApplyStyle();
}

void TskStringGrid::StyleChanged(const TThemeSource& source) {
  BorderColor = source.Color(tiControlBorderColor);
  FixedBGColor = source.Color(tiMenuSelectedBackgroundColor);
  BGColor = source.Color(tiControlBackgroundColor);
  FixedFontColor = source.Color(tiMenuSelectedFontColor);
  FontColor = source.Color(tiMenuFontColor);
  if (FontColor == 0xFFFFFF) FontColor = 0;
  viewport()->update();
  horizontalHeader()->viewport()->update();
  verticalHeader()->viewport()->update();
}

void TskStringGrid::DrawCell(TCanvas& c, const TRect& r, const QString& text, bool selected, bool focused) const {
  c.Brush.Style = bsSolid;
  c.Brush.Color = ColorToRGB(focused ? FocusedColor : selected ? SelectedColor : BGColor);
  c.FillRect(r);
  c.Font = DefaultControlFont();
  c.Font.Color = ColorToRGB(FontColor);
  c.Brush.Style = bsClear;
  c.TextOut(r.Left + 2, r.Top + 2, Utf8ToGbk(text.toStdString()));
}

void TskStringGrid::DrawFixedCell(TCanvas& c, const TRect& r, const QString& text) const {
  c.Brush.Style = bsSolid;
  c.Brush.Color = ColorToRGB(FixedBGColor);
  c.FillRect(r);
  // The fixed cells' grid lines, right and bottom.
  c.Brush.Color = 0x808080;
  c.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom});
  c.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom});
  c.Font = DefaultControlFont();
  c.Font.Color = ColorToRGB(FixedFontColor);
  c.Brush.Style = bsClear;
  c.TextOut(r.Left + 2, r.Top + 2, Utf8ToGbk(text.toStdString()));
}

bool TskStringGrid::event(QEvent* event) {
  if (event->type() == QEvent::Paint) {
    QPainter p(this);
    DrawControlBorder(p, width(), height(), BorderColor, 0, false);
    return true;
  }
  return QTableWidget::event(event);
}

}  // namespace skin
