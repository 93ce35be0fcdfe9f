#include "ScheduleForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "editor/ui/AutoSendForms.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/GridTable.h"
#include "editor/ui/QtText.h"

namespace editor::ui {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// A dialog button whose click runs `action` under the error guard.
template <typename F>
QPushButton* AddButton(QBoxLayout* row, QWidget* parent, const char* name, const char* caption, F action) {
  auto* button = new QPushButton(Text(caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, parent, [action] { TErrorGuard::Run(action); });
  row->addWidget(button);
  return button;
}

// A table exactly as wide as its columns, and as high as its rows when `allRows`.
void FitTable(TGridTable* grid, bool allRows) {
  int width = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
  for (int col = 0; col < grid->columnCount(); ++col) width += grid->columnWidth(col);
  grid->setMinimumWidth(width);
  if (allRows) {
    const int height = 2 * grid->frameWidth() + grid->horizontalHeader()->sizeHint().height() +
                       grid->rowCount() * TGridTable::DefaultRowHeight;
    grid->setMinimumHeight(height);
  }
}

// A picker that floats over a cell of the grid's viewport: it scrolls with the cells.
void PlaceOver(QWidget* picker, TGridTable* grid, const TCellPicker& at) {
  if (!at.Visible) {
    picker->hide();
    return;
  }
  picker->setGeometry(grid->CellRect(at.Col, at.Row));
  picker->show();
  picker->raise();
}

}  // namespace

// ---- Power schedule ------------------------------------------------------------------------

TAutoCloseForm::TAutoCloseForm(const TScheduleFormContext& context, QWidget* parent) : QDialog(parent) {
  setObjectName("AutoCloseForm");
  setWindowTitle(Text("自动开关屏设置"));
  controller_ = std::make_unique<TAutoCloseController>(*this, *context.Dialogs, *context.Operations,
                                                       context.CurrentScreen);
  auto* column = new QVBoxLayout(this);
  grid_ = new TGridTable(this, "StringGrid1", TAutoCloseController::Cols, TAutoCloseController::Rows, true);
  grid_->setColumnWidth(0, 90);
  grid_->setColumnWidth(1, 130);
  grid_->setColumnWidth(2, 130);
  FitTable(grid_, true);
  column->addWidget(grid_);

  picker_ = new QTimeEdit(grid_->viewport());
  picker_->setObjectName("TimePicker");
  picker_->setDisplayFormat("HH:mm:ss");
  picker_->hide();
  connect(picker_, &QTimeEdit::timeChanged, this, [this](QTime time) {
    if (updating_) return;
    TErrorGuard::Run([&] { controller_->PickerChanged(time.msecsSinceStartOfDay()); });
  });
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    TErrorGuard::Run([&] { controller_->CellClick(col, row + 1); });
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    updating_ = true;
    PlacePicker();
    updating_ = false;
  });

  auto_ = new QCheckBox(Text(" 是否自动开关屏"), this);
  auto_->setObjectName("blAutoPower");
  connect(auto_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!updating_) controller_->SetAuto(checked);
  });
  column->addWidget(auto_);

  auto* buttons = new QHBoxLayout;
  AddButton(buttons, this, "DownLoadBtn", "下  载", [this] { controller_->Download(); });
  AddButton(buttons, this, "RefreshBtn", "刷  新", [this] { controller_->Refresh(); });
  AddButton(buttons, this, "ImportBtn", "导  入", [this] { controller_->Import(); });
  AddButton(buttons, this, "ExportBtn", "导  出", [this] { controller_->Export(); });
  AddButton(buttons, this, "ReturnBtn", "返  回", [this] { accept(); });
  column->addLayout(buttons);
}

TAutoCloseForm::~TAutoCloseForm() = default;

void TAutoCloseForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TErrorGuard::Run([this] { controller_->Show(); });
}

void TAutoCloseForm::Changed() {
  updating_ = true;
  setWindowTitle(QStringFromGbk(controller_->Caption()));
  grid_->ShowTexts([this](int col, int row) -> const std::string& { return controller_->Cell(col, row); });
  auto_->setChecked(controller_->Auto());
  PlacePicker();
  updating_ = false;
}

void TAutoCloseForm::PlacePicker() {
  const TCellPicker& at = controller_->Picker();
  const QTime time = QTime::fromMSecsSinceStartOfDay(controller_->PickerTime());
  if (picker_->time() != time) picker_->setTime(time);
  PlaceOver(picker_, grid_, at);
}

// ---- Brightness schedule -------------------------------------------------------------------

TAutoBrightForm::TAutoBrightForm(const TScheduleFormContext& context, QWidget* parent) : QDialog(parent) {
  setObjectName("AutoBrightForm");
  setWindowTitle(Text("自动亮度调节设置"));
  controller_ = std::make_unique<TAutoBrightController>(*this, *context.Dialogs, *context.Operations,
                                                        context.CurrentScreen);
  auto* column = new QVBoxLayout(this);
  grid_ = new TGridTable(this, "BrightTable", TAutoBrightController::Cols, TAutoBrightController::Rows, true);
  for (int col = 0; col < grid_->columnCount(); ++col) grid_->setColumnWidth(col, 130);
  FitTable(grid_, true);
  column->addWidget(grid_);

  picker_ = new QComboBox(grid_->viewport());
  picker_->setObjectName("BrightPicker");
  picker_->hide();
  connect(picker_, &QComboBox::activated, this, [this](int index) {
    if (!updating_) TErrorGuard::Run([&] { controller_->PickerChosen(index); });
  });
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    TErrorGuard::Run([&] { controller_->CellClick(col, row + 1); });
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    updating_ = true;
    PlacePicker();
    updating_ = false;
  });

  auto_ = new QCheckBox(Text(" 是否自动进行亮度调节"), this);
  auto_->setObjectName("blAutoBright");
  connect(auto_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!updating_) controller_->SetAuto(checked);
  });
  column->addWidget(auto_);

  auto* buttons = new QHBoxLayout;
  AddButton(buttons, this, "RefreshBtn", "刷  新", [this] { controller_->Refresh(); });
  AddButton(buttons, this, "DownLoadBtn", "下  载", [this] { controller_->Download(); });
  AddButton(buttons, this, "ExportBtn", "导  出", [this] { controller_->Export(); });
  AddButton(buttons, this, "ImportBtn", "导  入", [this] { controller_->Import(); });
  AddButton(buttons, this, "ReturnBtn", "返  回", [this] { accept(); });
  column->addLayout(buttons);
}

TAutoBrightForm::~TAutoBrightForm() = default;

void TAutoBrightForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The drop-down's items are the eight level names, replaced at every show.
  updating_ = true;
  picker_->clear();
  for (int level = 0; level < BrightLevels; ++level) picker_->addItem(QStringFromGbk(BrightLevelName(level)));
  updating_ = false;
  TErrorGuard::Run([this] { controller_->Show(); });
}

void TAutoBrightForm::Changed() {
  updating_ = true;
  setWindowTitle(QStringFromGbk(controller_->Caption()));
  grid_->ShowTexts([this](int col, int row) -> const std::string& { return controller_->Cell(col, row); });
  auto_->setChecked(controller_->Auto());
  PlacePicker();
  updating_ = false;
}

void TAutoBrightForm::PlacePicker() {
  if (picker_->currentIndex() != controller_->PickerLevel()) picker_->setCurrentIndex(controller_->PickerLevel());
  PlaceOver(picker_, grid_, controller_->Picker());
}

// ---- Manual brightness ---------------------------------------------------------------------

TBrightAdjustForm::TBrightAdjustForm(const TScheduleFormContext& context, QWidget* parent) : QDialog(parent) {
  setObjectName("BrightAdjustForm");
  setWindowTitle(Text("显示屏亮度调节"));
  controller_ = std::make_unique<TBrightAdjustController>(*this, *context.Operations, context.CurrentScreen);
  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(Text("请输入亮度值:"), this);
  label->setObjectName("Label1");
  row->addWidget(label);
  spin_ = new QSpinBox(this);
  spin_->setObjectName("SpinEdit1");
  spin_->setRange(TBrightAdjustController::MinValue, TBrightAdjustController::MaxValue);
  connect(spin_, &QSpinBox::valueChanged, this, [this](int value) {
    if (!updating_) controller_->SetValue(value);
  });
  row->addWidget(spin_);
  column->addLayout(row);
  auto* hint = new QLabel(Text("(亮度值在 0 - 7 之间, 0最暗 7最亮)"), this);
  hint->setObjectName("Label2");
  column->addWidget(hint);
  auto* buttons = new QHBoxLayout;
  AddButton(buttons, this, "AdjustBtn", "调  节", [this] { controller_->Adjust(); });
  AddButton(buttons, this, "ReturnBtn", "返  回", [this] { accept(); });
  column->addLayout(buttons);
}

TBrightAdjustForm::~TBrightAdjustForm() = default;

void TBrightAdjustForm::Changed() {
  updating_ = true;
  spin_->setValue(controller_->Value());
  updating_ = false;
}

// ---- Commands -----------------------------------------------------------------------------

void TScheduleForms::AutoClose() {
  if (AutoCloseForm) AutoCloseForm->Controller().Execute();
}

void TScheduleForms::AutoBright() {
  if (AutoBrightForm) AutoBrightForm->Controller().Execute();
}

void TScheduleForms::BrightAdjust() {
  if (BrightAdjustForm) BrightAdjustForm->Controller().Execute();
}

void TScheduleForms::AutoSend() {
  if (AutoSendForm) AutoSendForm->exec();
}

void TScheduleForms::ScreenStatusChanged(const model::TLEDScreen& screen) {
  if (AutoCloseForm) AutoCloseForm->Controller().StatusChanged(screen);
  if (AutoBrightForm) AutoBrightForm->Controller().StatusChanged(screen);
}

}  // namespace editor::ui
