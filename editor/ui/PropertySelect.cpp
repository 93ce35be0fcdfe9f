#include "PropertySelect.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "editor/core/PropertyEditor.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/QtText.h"

namespace editor::ui {

TPropertySelect::TPropertySelect() : QListWidget(nullptr) {
  setObjectName("PropertySelect1");
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  QFont font(QString::fromUtf8("宋体"));
  font.setPointSize(9);
  setFont(font);
  setUniformItemSizes(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // One plain line round the list: a sunken box would take two pixels a side from the items'
  // height the list is sized for.
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  resize(100, ListDefaultHeight);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) hide();
  });
}

TPropertySelect::~TPropertySelect() { qApp->removeEventFilter(this); }

int TPropertySelect::ItemHeight() const { return ListItemHeight; }

void TPropertySelect::ShowItems(const std::vector<std::string>& items, int index, const QRect& bounds) {
  clear();
  for (const std::string& item : items) {
    auto* row = new QListWidgetItem(QStringFromGbk(item), this);
    row->setSizeHint(QSize(0, ListItemHeight));
  }
  setCurrentRow(count() > 0 ? std::clamp(index, 0, count() - 1) : -1);
  setGeometry(bounds);
  show();
  if (currentItem()) scrollToItem(currentItem());
}

int TPropertySelect::TextWidth(const std::vector<std::string>& items) const {
  int widest = 0;
  for (const std::string& item : items)
    widest = std::max(widest, fontMetrics().horizontalAdvance(QStringFromGbk(item)));
  // The frame and the item margins.
  return widest + 2 * frameWidth() + 6;
}

void TPropertySelect::Step(int by) {
  if (count() == 0) return;
  setCurrentRow(std::clamp(currentRow() + by, 0, count() - 1));
}

void TPropertySelect::Choose() {
  const int index = currentRow();
  hide();
  if (OnSelected && index >= 0) TErrorGuard::Run([&] { OnSelected(index); });
}

bool TPropertySelect::HandleKey(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up: Step(-1); return true;
    case Qt::Key_Down: Step(1); return true;
    case Qt::Key_PageUp: Step(-10); return true;
    case Qt::Key_PageDown: Step(10); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: Choose(); return true;
    case Qt::Key_Escape: hide(); return true;
    default: return false;
  }
}

void TPropertySelect::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Choose();
}

void TPropertySelect::showEvent(QShowEvent* event) {
  QListWidget::showEvent(event);
  qApp->installEventFilter(this);
}

void TPropertySelect::hideEvent(QHideEvent* event) {
  qApp->removeEventFilter(this);
  QListWidget::hideEvent(event);
}

bool TPropertySelect::eventFilter(QObject* watched, QEvent* event) {
  // A press anywhere but in the list cancels it.
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget != this && !isAncestorOf(widget)) hide();
  }
  return QListWidget::eventFilter(watched, event);
}

}  // namespace editor::ui
