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
QPushButton* AddDialogButton(QBoxLayout* row, QWidget* parent, const char* name, const char* caption, F action) {
  auto* button = new QPushButton(Text(caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, parent, [action] { TErrorGuard::Run(action); });
  row->addWidget(button);
  return button;
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

// ---- What both schedule dialogs share -------------------------------------------------------

template <class TController>
TScheduleGridForm<TController>::TScheduleGridForm(const TScheduleFormContext& context, const TLook& look,
                                                  QWidget* parent)
    : QDialog(parent), runModal_(context.RunModal) {
  setObjectName(look.FormName);
  setWindowTitle(Text(look.Title));
  controller_ = std::make_unique<TController>(*this, *context.Dialogs, *context.Operations, context.CurrentScreen);
  auto* column = new QVBoxLayout(this);
  grid_ = new TGridTable(this, look.GridName, TController::Cols, TController::Rows, true);
  int col = 0;
  for (int width : look.ColumnWidths) grid_->setColumnWidth(col++, width);
  grid_->setMinimumSize(grid_->ColumnsWidth(), grid_->RowsHeight(grid_->rowCount()));
  column->addWidget(grid_);
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    TErrorGuard::Run([&] { controller_->CellClick(col, row + 1); });
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { Quietly([this] { PlacePicker(); }); });

  check_ = new QCheckBox(Text(look.CheckCaption), this);
  check_->setObjectName(look.CheckName);
  connect(check_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!updating_) controller_->SetAuto(checked);
  });
  column->addWidget(check_);
  buttons_ = new QHBoxLayout;
  column->addLayout(buttons_);
}

template <class TController>
TScheduleGridForm<TController>::~TScheduleGridForm() = default;

template <class TController>
void TScheduleGridForm<TController>::AddButton(const char* name, const char* caption, std::function<void()> action) {
  AddDialogButton(buttons_, this, name, caption, std::move(action));
}

template <class TController>
void TScheduleGridForm<TController>::Quietly(const std::function<void()>& change) {
  const bool was = updating_;
  updating_ = true;
  change();
  updating_ = was;
}

template <class TController>
void TScheduleGridForm<TController>::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Quietly([this] { BeforeShow(); });
  TErrorGuard::Run([this] { controller_->Show(); });
}

template <class TController>
void TScheduleGridForm<TController>::Changed() {
  Quietly([this] {
    setWindowTitle(QStringFromGbk(controller_->Caption()));
    grid_->ShowTexts([this](int col, int row) -> const std::string& { return controller_->Cell(col, row); });
    check_->setChecked(controller_->Auto());
    PlacePicker();
  });
}

template class TScheduleGridForm<TAutoCloseController>;
template class TScheduleGridForm<TAutoBrightController>;

// ---- Power schedule ------------------------------------------------------------------------

TAutoCloseForm::TAutoCloseForm(const TScheduleFormContext& context, QWidget* parent)
    : TScheduleGridForm(context,
                        {"AutoCloseForm", "自动开关屏设置", "StringGrid1", {90, 130, 130}, "blAutoPower",
                         " 是否自动开关屏"},
                        parent) {
  picker_ = new QTimeEdit(grid_->viewport());
  picker_->setObjectName("TimePicker");
  picker_->setDisplayFormat("HH:mm:ss");
  picker_->hide();
  connect(picker_, &QTimeEdit::timeChanged, this, [this](QTime time) {
    if (!Updating()) TErrorGuard::Run([&] { controller_->PickerChanged(time.msecsSinceStartOfDay()); });
  });
  AddButton("DownLoadBtn", "下  载", [this] { controller_->Download(); });
  AddButton("RefreshBtn", "刷  新", [this] { controller_->Refresh(); });
  AddButton("ImportBtn", "导  入", [this] { controller_->Import(); });
  AddButton("ExportBtn", "导  出", [this] { controller_->Export(); });
  AddButton("ReturnBtn", "返  回", [this] { accept(); });
}

void TAutoCloseForm::PlacePicker() {
  const QTime time = QTime::fromMSecsSinceStartOfDay(controller_->PickerTime());
  if (picker_->time() != time) picker_->setTime(time);
  PlaceOver(picker_, grid_, controller_->Picker());
}

// ---- Brightness schedule -------------------------------------------------------------------

TAutoBrightForm::TAutoBrightForm(const TScheduleFormContext& context, QWidget* parent)
    : TScheduleGridForm(context,
                        {"AutoBrightForm", "自动亮度调节设置", "BrightTable", {130, 130, 130, 130}, "blAutoBright",
                         " 是否自动进行亮度调节"},
                        parent) {
  picker_ = new QComboBox(grid_->viewport());
  picker_->setObjectName("BrightPicker");
  picker_->hide();
  connect(picker_, &QComboBox::activated, this, [this](int index) {
    if (!Updating()) TErrorGuard::Run([&] { controller_->PickerChosen(index); });
  });
  AddButton("RefreshBtn", "刷  新", [this] { controller_->Refresh(); });
  AddButton("DownLoadBtn", "下  载", [this] { controller_->Download(); });
  AddButton("ExportBtn", "导  出", [this] { controller_->Export(); });
  AddButton("ImportBtn", "导  入", [this] { controller_->Import(); });
  AddButton("ReturnBtn", "返  回", [this] { accept(); });
}

// The drop-down's items are the eight level names, replaced at every show.
void TAutoBrightForm::BeforeShow() {
  picker_->clear();
  for (int level = 0; level < BrightLevels; ++level) picker_->addItem(QStringFromGbk(BrightLevelName(level)));
}

void TAutoBrightForm::PlacePicker() {
  if (picker_->currentIndex() != controller_->PickerLevel()) picker_->setCurrentIndex(controller_->PickerLevel());
  PlaceOver(picker_, grid_, controller_->Picker());
}

// ---- Manual brightness ---------------------------------------------------------------------

TBrightAdjustForm::TBrightAdjustForm(const TScheduleFormContext& context, QWidget* parent)
    : QDialog(parent), runModal_(context.RunModal) {
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
  AddDialogButton(buttons, this, "AdjustBtn", "调  节", [this] { controller_->Adjust(); });
  AddDialogButton(buttons, this, "ReturnBtn", "返  回", [this] { accept(); });
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
  if (AutoSendForm) ui::RunModal(*AutoSendForm, RunModal);
}

void TScheduleForms::ScreenStatusChanged(const model::TLEDScreen& screen) {
  if (AutoCloseForm) AutoCloseForm->Controller().StatusChanged(screen);
  if (AutoBrightForm) AutoBrightForm->Controller().StatusChanged(screen);
}

}  // namespace editor::ui
