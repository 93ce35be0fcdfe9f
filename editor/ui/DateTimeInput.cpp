#include "DateTimeInput.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "editor/ui/FormLayout.h"
#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

// ---- Date-time dialog -------------------------------------------------------------------------

TDateTimeInputFormView::TDateTimeInputFormView(QWidget* parent) : QDialog(parent) {
  setObjectName("DateTimeInputForm");
  setWindowTitle(U("日期、时间输入"));
  auto* column = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  month_ = new QComboBox(this);
  month_->setObjectName("MonthSelect");
  for (const char* name :
       {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"})
    month_->addItem(U(name));
  year_ = new QSpinBox(this);
  year_->setObjectName("YearSelect");
  year_->setRange(1, 9999);
  top->addWidget(month_, 1);
  top->addWidget(year_);
  column->addLayout(top);
  day_ = new QCalendarWidget(this);
  day_->setObjectName("DaySelect");
  // The month list and the year spin move it.
  day_->setNavigationBarVisible(false);
  day_->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
  column->addWidget(day_);
  time_ = new QTimeEdit(this);
  time_->setObjectName("TimeSelect");
  time_->setDisplayFormat("HH:mm:ss");
  column->addWidget(time_);
  ok_ = NewButton(this, "Button1", "确  定");
  cancel_ = NewButton(this, "Button2", "取  消");
  column->addLayout(ButtonRow({ok_, cancel_}));

  controller_.reset(new TDateTimeInputForm(*this));
  connect(year_, &QSpinBox::valueChanged, this, [this](int year) {
    if (!syncing_) controller_->YearChanged(year);
  });
  connect(month_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!syncing_ && index >= 0) controller_->MonthChanged(index + 1);
  });
  connect(day_, &QCalendarWidget::selectionChanged, this, [this] {
    if (syncing_) return;
    const QDate date = day_->selectedDate();
    controller_->DateSelected(date.year(), date.month(), date.day());
  });
  connect(time_, &QTimeEdit::timeChanged, this, [this](QTime time) {
    if (!syncing_) controller_->TimeChanged(time.hour(), time.minute(), time.second());
  });
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_->Cancel(); });
  Skinning(this);
}

TDateTimeInputFormView::~TDateTimeInputFormView() = default;

std::optional<std::string> TDateTimeInputFormView::Execute(platform::TDateTime initial, const TModalRun& run) {
  controller_->Show(initial);
  RunModal(*this, run);
  if (!controller_->Accepted()) return std::nullopt;
  return controller_->Result();
}

void TDateTimeInputFormView::StateChanged(const TDateTimeInputState& s) {
  syncing_ = true;
  year_->setValue(s.Year);
  month_->setCurrentIndex(s.Month - 1);
  const QDate date(s.Year, s.Month, s.Day);
  day_->setCurrentPage(s.Year, s.Month);
  day_->setSelectedDate(date);
  time_->setTime(QTime(s.Hour, s.Minute, s.Second));
  syncing_ = false;
}

void TDateTimeInputFormView::Close() { done(controller_->Accepted() ? Accepted : Rejected); }

// ---- Campaign dialog --------------------------------------------------------------------------

TCampaignFormView::TCampaignFormView(TDialogs& dialogs, QWidget* parent) : QDialog(parent) {
  setObjectName("CampaignForm");
  setWindowTitle(U("作战时间设置"));
  auto* column = new QVBoxLayout(this);
  label_ = new QLabel(U("当前作战时间："), this);
  label_->setObjectName("Label1");
  column->addWidget(label_);
  modify_ = NewButton(this, "Button1", "修改作战时间");
  ok_ = NewButton(this, "Button2", "确  定");
  cancel_ = NewButton(this, "Button3", "放  弃");
  column->addLayout(ButtonRow({modify_, ok_, cancel_}));
  controller_.reset(new TCampaignForm(*this, dialogs));
  connect(modify_, &QPushButton::clicked, this, [this] { controller_->Modify(); });
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_->Cancel(); });
  Skinning(this);
}

TCampaignFormView::~TCampaignFormView() = default;

bool TCampaignFormView::Execute(const TModalRun& run) {
  controller_->Show();
  RunModal(*this, run);
  return controller_->Accepted();
}

void TCampaignFormView::SetLabel(const std::string& gbk) { label_->setText(QStringFromGbk(gbk)); }
void TCampaignFormView::Close() { done(controller_->Accepted() ? Accepted : Rejected); }

}  // namespace editor::ui
