#include "StatusBar.h"

#include <QPainter>

#include "editor/core/Main.h"
#include "editor/ui/QtText.h"

namespace editor::ui {

TStatusBarView::TStatusBarView(QWidget* parent) : QWidget(parent) {
  setObjectName("SystemStatusBar");
  setFixedHeight(BarHeight);
}

QRect TStatusBarView::PanelRect(int index) const {
  int left = 0;
  for (int i = 0; i < index; ++i) left += StatusPanelWidths[size_t(i)];
  if (index == TipsPanel) return QRect(left, 0, std::max(0, width() - TipsAreaRightMargin - left), height());
  return QRect(left, 0, StatusPanelWidths[size_t(index)], height());
}

QRect TStatusBarView::TipsRect() const {
  return QRect(QPoint(TipsAreaLeft, 2), QPoint(width() - TipsAreaRightMargin - 1, height() - 3));
}

int TStatusBarView::TextWidth(const QString& text) const { return fontMetrics().horizontalAdvance(text); }

void TStatusBarView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  for (int i = 0; i < StatusPanelCount; ++i) {
    const QRect rect = PanelRect(i);
    if (i != TipsPanel) {
      painter.setPen(palette().color(QPalette::Mid));
      painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    if (!form_) continue;
    if (i == TipsPanel) {
      painter.fillRect(rect, palette().color(QPalette::Window));
      painter.save();
      painter.setClipRect(rect);
      painter.setPen(QColorFromColorRef(form_->StatusPanelColor(i)));
      for (const auto& run : form_->TipRuns(rect.width()))
        painter.drawText(rect.left() + run.X, rect.top() + 3 + metrics.ascent(), QStringFromGbk(run.Text));
      painter.restore();
      continue;
    }
    const QString text = QStringFromGbk(form_->StatusPanelText(i));
    if (TDesignForm::StatusPanelOwnerDrawn(i)) {
      painter.setPen(QColorFromColorRef(form_->StatusPanelColor(i)));
      painter.drawText(rect, Qt::AlignCenter, text);
    } else {
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(rect.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
  }
}

}  // namespace editor::ui
