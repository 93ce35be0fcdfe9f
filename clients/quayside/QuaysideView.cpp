#include "QuaysideView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QEvent>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "clients/quayside/ItemIcons.h"
#include "clients/quayside/QtText.h"
#include "panelcast.h"

namespace quayside {

namespace {

constexpr int kTickMs = 1000;

enum TListColumn { lcCard, lcTime, lcText, lcColumns };

QDateTime PickerTime(const TLocalTime& t) {
  return QDateTime(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second));
}

// Picks `text` in a drop-down list, adding it first when the list lacks it, so that reading the
// form back keeps it. Empty text picks nothing.
void PickOrAdd(QComboBox* box, const QString& text) {
  if (text.isEmpty()) {
    box->setCurrentIndex(-1);
    return;
  }
  int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    box->addItem(text);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

int32_t NumberOf(const QString& text) { return ReadNumber(ToGbk(text)); }

}  // namespace

const QStringList& TQuaysideView::EffectNames() {
  static const QStringList names = {
      QStringLiteral("立即显示"),     QStringLiteral("左滚显示"),       QStringLiteral("连续左滚"),
      QStringLiteral("上滚显示"),     QStringLiteral("中间向上下展开"), QStringLiteral("中间向两边展开"),
      QStringLiteral("中间向四周展开"), QStringLiteral("向左移入"),     QStringLiteral("向右移入"),
      QStringLiteral("从左向右展开"), QStringLiteral("从右向左展开"),   QStringLiteral("右上角移入"),
      QStringLiteral("右下角移入"),   QStringLiteral("左上角移入"),     QStringLiteral("左下角移入"),
      QStringLiteral("从上向下移入"), QStringLiteral("从下向上移入"),   QStringLiteral("闪  烁"),
      QStringLiteral("从上向下滚动"), QStringLiteral("从左向右滚动"),   QStringLiteral("连续上滚")};
  return names;
}

const QStringList& TQuaysideView::SpeedNames() {
  static const QStringList names = {QStringLiteral("一级速度"), QStringLiteral("二级速度"),
                                    QStringLiteral("三级速度"), QStringLiteral("四级速度"),
                                    QStringLiteral("五级速度"), QStringLiteral("六级速度"),
                                    QStringLiteral("七级速度")};
  return names;
}

TQuaysideView::TQuaysideView(const std::string& folder, const TSecondsClock& clock,
                             TMessageBoxes& boxes, TQuaysideDialogs& dialogs,
                             TStationModel::TStatusSink status, QWidget* parent)
    : QWidget(parent), boxes_(boxes), dialogs_(dialogs) {
  BuildForm();
  time_->setDateTime(QDateTime(QDate(2006, 3, 21), QTime(0, 0, 0)));

  timer_ = new QTimer(this);
  timer_->setInterval(kTickMs);
  connect(timer_, &QTimer::timeout, this, [this] { model_->Tick(); });

  model_ = std::make_unique<TStationModel>(folder, clock, std::move(status));
  model_->Start();
  // The library queues its notifications for this thread; the event loop dispatches them.
  notifier_ = new QSocketNotifier(LED_GetMessageFd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [] { LED_DispatchMessages(); });
  timer_->start();

  FillCardNames();
  RefreshList();
  if (model_->Selected() >= 0) {
    SelectRow(model_->Selected());
    ShowItem(model_->Current());
  }
}

TQuaysideView::~TQuaysideView() {
  timer_->stop();
  // Closing the link may still deliver notifications; nothing is shown from here on.
  model_->SetStatusSink(nullptr);
  model_.reset();
}

void TQuaysideView::BuildForm() {
  auto* title = new QLabel(QStringLiteral("车站LED控制系统 Ver1.0"), this);
  QFont titleFont = title->font();
  titleFont.setPointSize(titleFont.pointSize() * 2);
  titleFont.setBold(true);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);

  list_ = new QTableWidget(0, lcColumns, this);
  list_->setHorizontalHeaderLabels(
      {QStringLiteral("卡号"), QStringLiteral("时间"), QStringLiteral("文本")});
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->setVisible(false);
  list_->setIconSize(QSize(16, 16));
  connect(list_, &QTableWidget::itemSelectionChanged, this, &TQuaysideView::ListSelectionChanged);
  list_->viewport()->installEventFilter(this);

  text_ = new QPlainTextEdit(this);
  card_ = new QComboBox(this);
  effect_ = new QComboBox(this);
  effect_->addItems(EffectNames());
  speed_ = new QComboBox(this);
  speed_->addItems(SpeedNames());
  font_ = new QComboBox(this);
  font_->addItems(QFontDatabase::families());
  // Qt would start from the first family it found, which changes with what is installed; the
  // form starts from the Song face the items are drawn in.
  PickOrAdd(font_, QStringLiteral("宋体"));
  size_ = new QComboBox(this);
  for (int size = 8; size <= 72; size += 2) size_->addItem(QString::number(size));
  x_ = new QLineEdit(this);
  y_ = new QLineEdit(this);
  autoSend_ = new QCheckBox(QStringLiteral("定时发送"), this);
  time_ = new QDateTimeEdit(this);
  time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  time_->setEnabled(false);
  connect(autoSend_, &QCheckBox::toggled, time_, &QWidget::setEnabled);

  add_ = new QPushButton(QStringLiteral("添加"), this);
  modify_ = new QPushButton(QStringLiteral("修改"), this);
  save_ = new QPushButton(QStringLiteral("保存"), this);
  delete_ = new QPushButton(QStringLiteral("删除"), this);
  send_ = new QPushButton(QStringLiteral("立即发送"), this);
  configure_ = new QPushButton(QStringLiteral("配置"), this);
  connect(add_, &QPushButton::clicked, this, &TQuaysideView::Add);
  connect(modify_, &QPushButton::clicked, this, &TQuaysideView::Modify);
  connect(save_, &QPushButton::clicked, this, &TQuaysideView::Modify);
  connect(delete_, &QPushButton::clicked, this, &TQuaysideView::Delete);
  connect(send_, &QPushButton::clicked, this, &TQuaysideView::SendNow);
  connect(configure_, &QPushButton::clicked, this, &TQuaysideView::Configure);

  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
  auto* form = new QGridLayout;
  form->addWidget(label("显示内容"), 0, 0);
  form->addWidget(text_, 0, 1, 1, 7);
  form->addWidget(label("显示卡号"), 1, 0);
  form->addWidget(card_, 1, 1);
  form->addWidget(label("显示方式"), 1, 2);
  form->addWidget(effect_, 1, 3);
  form->addWidget(label("显示速度"), 1, 4);
  form->addWidget(speed_, 1, 5);
  form->addWidget(label("字体名"), 2, 0);
  form->addWidget(font_, 2, 1);
  form->addWidget(label("字体大小"), 2, 2);
  form->addWidget(size_, 2, 3);
  form->addWidget(label("坐标X"), 2, 4);
  form->addWidget(x_, 2, 5);
  form->addWidget(label("坐标Y"), 2, 6);
  form->addWidget(y_, 2, 7);
  form->addWidget(autoSend_, 3, 1);
  form->addWidget(label("时间"), 3, 2);
  form->addWidget(time_, 3, 3);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {add_, modify_, save_, delete_, send_, configure_}) buttons->addWidget(b);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(list_, 1);
  layout->addLayout(form);
  layout->addLayout(buttons);
}

bool TQuaysideView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::Resize) SetColumnWidths();
  return QWidget::eventFilter(watched, event);
}

// 3/20, 5/20 and 12/20 of what the list shows, so the columns fill it without scrolling.
void TQuaysideView::SetColumnWidths() {
  const int width = list_->viewport()->width();
  list_->setColumnWidth(lcCard, width * 3 / 20);
  list_->setColumnWidth(lcTime, width * 5 / 20);
  list_->setColumnWidth(lcText, width * 12 / 20);
}

void TQuaysideView::FillCardNames() {
  const int index = card_->currentIndex();
  card_->clear();
  for (const std::string& name : model_->CardNames()) card_->addItem(FromGbk(name));
  card_->setCurrentIndex(index < card_->count() ? index : -1);
}

void TQuaysideView::RefreshList() {
  selecting_ = true;
  const auto& items = model_->Items();
  const auto& cards = model_->Cards();
  list_->clearContents();
  list_->setRowCount(int(items.size()));
  for (size_t row = 0; row < items.size(); ++row) {
    const TDisplayItem& item = items[row];
    const bool known = item.CardNo >= 0 && size_t(item.CardNo) < cards.size();
    auto* card = new QTableWidgetItem(known ? FromGbk(cards[size_t(item.CardNo)].Name) : QString());
    card->setIcon(ItemIcon(item.CardNo));
    list_->setItem(int(row), lcCard, card);
    list_->setItem(int(row), lcTime, new QTableWidgetItem(FromUtf8(SendTimeOfDay(item.SendTime))));
    list_->setItem(int(row), lcText, new QTableWidgetItem(FromGbk(item.DisplayText)));
  }
  selecting_ = false;
}

void TQuaysideView::SelectRow(int row) {
  selecting_ = true;
  if (row < 0)
    list_->clearSelection();
  else
    list_->selectRow(row);
  selecting_ = false;
}

void TQuaysideView::ListSelectionChanged() {
  if (selecting_) return;
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  if (!rows.isEmpty()) {
    model_->Select(rows.first().row());
    ShowItem(model_->Current());
  } else if (model_->Selected() >= 0) {
    // A click that leaves nothing selected selects the current item again.
    SelectRow(model_->Selected());
  }
}

TDisplayItem TQuaysideView::ReadForm() const {
  TDisplayItem item = model_->Current();
  item.DisplayText = ToGbk(text_->toPlainText());
  item.DisplayMethod = effect_->currentIndex();
  item.DisplaySpeed = speed_->currentIndex();
  item.CardNo = card_->currentIndex();
  item.FontName = ToGbk(font_->currentText());
  item.FontSize = NumberOf(size_->currentText());
  const QDateTime picked = time_->dateTime();
  const QDate date = picked.date();
  const QTime time = picked.time();
  if (const auto moment = MomentOf({date.year(), date.month(), date.day(), time.hour(),
                                    time.minute(), time.second()}))
    item.SendTime = SendTimeText(*moment);
  item.AutoSend = autoSend_->isChecked() ? 1 : 0;
  item.XCOOR = NumberOf(x_->text());
  item.YCOOR = NumberOf(y_->text());
  return item;
}

void TQuaysideView::ShowItem(const TDisplayItem& item) {
  text_->setPlainText(FromGbk(item.DisplayText));
  effect_->setCurrentIndex(item.DisplayMethod);
  speed_->setCurrentIndex(item.DisplaySpeed);
  card_->setCurrentIndex(item.CardNo);
  PickOrAdd(font_, FromGbk(item.FontName));
  PickOrAdd(size_, QString::number(item.FontSize));
  if (const auto local = LocalTimeOf(SendTimeSeconds(item.SendTime))) {
    const QDateTime picked = PickerTime(*local);
    if (picked.isValid()) time_->setDateTime(picked);
  }
  autoSend_->setChecked(item.AutoSend != 0);
  time_->setEnabled(item.AutoSend != 0);
  x_->setText(QString::number(item.XCOOR));
  y_->setText(QString::number(item.YCOOR));
}

void TQuaysideView::Add() {
  model_->Add(ReadForm());
  RefreshList();
  SelectRow(model_->Selected());
}

void TQuaysideView::Modify() {
  if (!model_->Modify(ReadForm())) return;
  RefreshList();
  SelectRow(model_->Selected());
}

void TQuaysideView::SaveOnClose() { Modify(); }

void TQuaysideView::Delete() {
  if (!model_->Delete(boxes_)) return;
  RefreshList();
  SelectRow(model_->Selected());
  if (model_->Selected() >= 0) ShowItem(model_->Current());
}

void TQuaysideView::SendNow() { model_->SendNow(ReadForm()); }

void TQuaysideView::Configure() {
  if (!dialogs_.AskPassword(window())) return;
  std::vector<TStationCard> cards = model_->Cards();
  if (!dialogs_.EditCards(window(), cards)) return;
  model_->ReplaceCards(std::move(cards));
  FillCardNames();
  RefreshList();
  SelectRow(model_->Selected());
}

}  // namespace quayside
