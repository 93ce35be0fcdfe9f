#include "AutoSendForms.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/ui/ErrorGuard.h"
#include "editor/ui/GridTable.h"
#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"
#include "skin/SkinToolBar.h"

namespace editor::ui {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int PickerSize = TGridTable::DefaultRowHeight - 4;

// The picker's "Dot" glyph: three dots, as a "choose a file" button shows.
QIcon DotGlyph() {
  QPixmap pixmap(12, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  for (int x : {1, 5, 9}) painter.drawRect(x, 8, 2, 2);
  return QIcon(pixmap);
}

}  // namespace

// ---- Interval dialog -----------------------------------------------------------------------

TAutoSendTimeForm::TAutoSendTimeForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AutoSendTimeForm");
  setWindowTitle(Text("自动发送时间间隔"));
  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(Text("时间间隔："), this);
  label->setObjectName("Label1");
  row->addWidget(label);
  spin_ = new QSpinBox(this);
  spin_->setObjectName("SpinEdit1");
  spin_->setRange(int(AutoSendMinInterval), int(AutoSendMaxInterval));
  spin_->setValue(DefaultValue);
  row->addWidget(spin_);
  column->addLayout(row);
  auto* buttons = new QHBoxLayout;
  // Either button closes it; the caller takes the spin's value in both cases.
  for (auto [name, caption] : {std::pair{"OkBtn", "确  定"}, std::pair{"ReturnBtn", "返  回"}}) {
    auto* button = NewButton(Text(caption), this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(button);
  }
  column->addLayout(buttons);
  Skinning(this);
}

// ---- Automatic-send dialog -----------------------------------------------------------------

TAutoSendForm::TAutoSendForm(TAutoSend& sender, QWidget* parent) : QDialog(parent), sender_(sender) {
  setObjectName("AutoSendForm");
  setWindowTitle(Text("自动发送设置"));
  auto* column = new QVBoxLayout(this);

  auto* bar = new skin::TskToolBar(this);
  bar->setObjectName("ToolBar1");
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto addAction = [&](const char* name, const char* caption, auto action) {
    QAction* item = bar->addAction(Text(caption));
    item->setObjectName(name);
    connect(item, &QAction::triggered, this, [action] { TErrorGuard::Run(action); });
    return item;
  };
  addAction("SaveBtn", "保 存", [this] { sender_.Save(); });
  addAction("IntervalBtn", "设定间隔时间", [this] { sender_.SetInterval(); });
  start_ = addAction("StartBtn", "启 动", [this] { sender_.StartStop(); });
  addAction("ReturnBtn", "返 回", [this] { accept(); });
  column->addWidget(bar);

  grid_ = new TGridTable(this, "ItemGrid", TAutoSend::Cols, TAutoSend::Rows, false);
  grid_->setColumnWidth(0, 70);
  grid_->setColumnWidth(1, 460);
  grid_->setMinimumSize(grid_->ColumnsWidth(), grid_->RowsHeight(8));
  column->addWidget(grid_);
  connect(grid_, &QTableWidget::cellPressed, this, [this](int row, int col) {
    TErrorGuard::Run([&] { sender_.MouseDown(col, row + 1); });
  });
  connect(grid_, &QTableWidget::currentCellChanged, this, [this] { PlacePicker(); });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlacePicker(); });
  connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlacePicker(); });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { PlacePicker(); });
  grid_->viewport()->installEventFilter(this);

  picker_ = new QToolButton(this);
  picker_->setObjectName("FilePicker");
  picker_->setIcon(DotGlyph());
  picker_->setFixedSize(PickerSize, PickerSize);
  connect(picker_, &QToolButton::clicked, this, [this] { TErrorGuard::Run([this] { sender_.PickFile(CurrentRow()); }); });

  grid_->setCurrentCell(0, 1);
  sender_.SetView(this);
  Changed();
  Skinning(this);
}

TAutoSendForm::~TAutoSendForm() { sender_.SetView(nullptr); }

int TAutoSendForm::CurrentRow() const { return std::max(grid_->currentRow(), 0) + 1; }

void TAutoSendForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TErrorGuard::Run([this] { sender_.Show(); });
  PlacePicker();
}

bool TAutoSendForm::eventFilter(QObject* watched, QEvent* event) {
  const bool result = QDialog::eventFilter(watched, event);
  // The picker follows the current row while the mouse presses, drags and lets go.
  if (watched == grid_->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
       event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Resize))
    PlacePicker();
  return result;
}

void TAutoSendForm::Changed() {
  grid_->ShowTexts([this](int col, int row) -> const std::string& { return sender_.Cell(col, row); });
  start_->setText(QStringFromGbk(sender_.StartCaption()));
  PlacePicker();
}

// At the right end of the current row's file cell, while that row is in view.
void TAutoSendForm::PlacePicker() {
  const int row = CurrentRow() - 1;
  const int top = grid_->rowViewportPosition(row);
  if (top < 0 || top + grid_->rowHeight(row) > grid_->viewport()->height()) {
    picker_->hide();
    return;
  }
  // The skin's frame holds the dialog's content, the picker among it: place it in its own
  // parent's coordinates.
  const QPoint origin = grid_->viewport()->mapTo(picker_->parentWidget(), QPoint(0, 0));
  const int right = grid_->columnViewportPosition(1) + grid_->columnWidth(1);
  picker_->move(origin.x() + right - picker_->width() + 1, origin.y() + top + 2);
  picker_->show();
  picker_->raise();
}

int TAutoSendForm::RunIntervalDialog(int value) {
  if (!timeForm_) return value;
  timeForm_->Spin()->setValue(value);
  timeForm_->exec();
  return timeForm_->Spin()->value();
}

}  // namespace editor::ui
