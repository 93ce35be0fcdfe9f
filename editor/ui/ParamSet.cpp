#include "ParamSet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"
#include "skin/SkinPageControl.h"

namespace editor::ui {

namespace {

QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// Dotted IPv4 only: four numbers 0..255.
QValidator* Ipv4Validator(QObject* parent) {
  const QString octet = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";
  return new QRegularExpressionValidator(
      QRegularExpression("^" + octet + "\\." + octet + "\\." + octet + "\\." + octet + "$"), parent);
}

TSpinEdit* NewSpin(QWidget* parent, const char* name, int low, int high, int value) {
  auto* spin = new TSpinEdit(parent);
  spin->setObjectName(name);
  spin->setRange(low, high);
  spin->setValue(value);
  return spin;
}

template <size_t N>
QComboBox* Combo(QWidget* parent, const char* name, const std::array<std::string_view, N>& items) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  for (auto item : items) combo->addItem(U(item));
  return combo;
}

QLineEdit* IpEdit(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
  edit->setObjectName(name);
  edit->setValidator(Ipv4Validator(edit));
  return edit;
}

skin::TskCheckBox* Check(QWidget* parent, const char* name, const char* caption) {
  auto* check = NewCheckBox(U(caption), parent);
  check->setObjectName(name);
  return check;
}

// A labelled row in a grid; returns the label.
QLabel* Row(QGridLayout* grid, int row, const char* caption, QWidget* field, QWidget* after = nullptr) {
  auto* label = new QLabel(U(caption));
  label->setBuddy(field);
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
  if (after) grid->addWidget(after, row, 2);
  return label;
}

template <size_t N>
QButtonGroup* RadioGroup(QWidget* box, const char* name, const std::array<std::string_view, N>& items, int columns) {
  auto* group = new QButtonGroup(box);
  group->setObjectName(name);
  auto* grid = new QGridLayout(box);
  for (size_t i = 0; i < N; ++i) {
    auto* radio = new QRadioButton(U(items[i]), box);
    radio->setObjectName(QString("%1_%2").arg(name).arg(i));
    group->addButton(radio, int(i));
    grid->addWidget(radio, int(i) / columns, int(i) % columns);
  }
  return group;
}

// Selects item `id` of a radio group, or none at all for -1 or an unknown item.
void SelectRadio(QButtonGroup* group, int id) {
  QAbstractButton* button = group->button(id);
  if (button) {
    button->setChecked(true);
    return;
  }
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}

void SetLabelColour(QWidget* widget, uint32_t colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, QColorFromColorRef(colour));
  palette.setColor(QPalette::Text, QColorFromColorRef(colour));
  widget->setPalette(palette);
}

}  // namespace

// ---- TColourPanel ----

TColourPanel::TColourPanel(const char* name, QWidget* parent) : QWidget(parent) { setObjectName(name); }

void TColourPanel::SetText(const QString& text, uint32_t colour) {
  text_ = text;
  colour_ = colour;
  update();
}

QSize TColourPanel::sizeHint() const { return QSize(200, fontMetrics().height() + 6); }

void TColourPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(QColorFromColorRef(colour_));
  painter.drawText(rect(), Qt::AlignCenter, text_);
}

// ---- TStatusForm ----

TStatusForm::TStatusForm(QWidget* parent) : QDialog(parent) {
  setObjectName("StatusForm");
  setWindowTitle(U("命令执行情况"));
  auto* layout = new QGridLayout(this);
  auto* executing = new QLabel(U("正在执行"), this);
  executing->setObjectName("Panel2");
  command_ = new QLabel(this);
  command_->setObjectName("CommandPanel");
  message_ = new QLabel(this);
  message_->setObjectName("MessagePanel");
  message_->setAlignment(Qt::AlignCenter);
  message_->setMinimumWidth(360);
  message_->setFrameShape(QFrame::Panel);
  message_->setFrameShadow(QFrame::Sunken);
  message_->setAutoFillBackground(true);
  layout->addWidget(executing, 0, 0);
  layout->addWidget(command_, 0, 1);
  layout->addWidget(message_, 1, 0, 1, 2);
  Skinning(this);
}

void TStatusForm::SetCommand(const QString& command) { command_->setText(command); }

void TStatusForm::SetMessage(const QString& message, uint32_t colour) {
  message_->setText(message);
  QPalette palette = message_->palette();
  palette.setColor(QPalette::WindowText,
                   colour == clParamPanelFace ? palette.color(QPalette::Window) : QColorFromColorRef(colour));
  message_->setPalette(palette);
}

void TStatusForm::reject() {
  if (CloseQuery && !CloseQuery()) return;
  QDialog::reject();
}

void TStatusForm::closeEvent(QCloseEvent* event) {
  if (CloseQuery && !CloseQuery()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

// ---- TBrightSetForm ----

TBrightSetForm::TBrightSetForm(QWidget* parent) : QDialog(parent) {
  setObjectName("BrightSetForm");
  setWindowTitle(U("显示屏亮度调整"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(U("请输入亮度值:"), this), 0, 0);
  spin_ = NewSpin(this, "SpinEdit1", 0, 7, 0);
  layout->addWidget(spin_, 0, 1);
  layout->addWidget(new QLabel(U("(亮度值在 0 - 7 之间, 0最暗 7最亮)"), this), 1, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  auto* adjust = NewButton(U("调  节"), this);
  adjust->setObjectName("AdjustButton");
  auto* read = NewButton(U("读  取"), this);
  read->setObjectName("ReadButton");
  auto* back = NewButton(U("返  回"), this);
  back->setObjectName("ReturnButton");
  buttons->addWidget(adjust);
  buttons->addWidget(read);
  buttons->addWidget(back);
  layout->addLayout(buttons, 2, 0, 1, 2);
  connect(adjust, &QPushButton::clicked, this, [this] {
    if (OnAdjust) OnAdjust(spin_->value());
  });
  connect(read, &QPushButton::clicked, this, [this] {
    if (OnRead) OnRead();
  });
  connect(back, &QPushButton::clicked, this, &QDialog::close);
  Skinning(this);
}

void TBrightSetForm::SetValue(int value) { spin_->setValue(value); }
int TBrightSetForm::Value() const { return spin_->value(); }

// ---- TParamSetForm ----

TParamSetForm::TParamSetForm(TDialogs& dialogs, cardlink::TLEDManager& manager, const platform::TSettingsFile& settings,
                             TParamSetOptions options, QWidget* parent)
    : QDialog(parent), status_(std::make_unique<TStatusForm>(this)), bright_(std::make_unique<TBrightSetForm>(this)) {
  setObjectName("ParamSetForm");
  setWindowTitle(U("控制卡设置"));
  RunModal = [](QDialog& dialog) { dialog.exec(); };

  auto* layout = new QVBoxLayout(this);
  auto* linkArea = new QWidget(this);
  BuildLinkArea(linkArea);
  layout->addWidget(linkArea);

  pages_ = new skin::TskPageControl(this);
  pages_->setObjectName("PageControl1");
  const std::pair<QWidget*, const char*> sheets[] = {{BuildBasicPage(), "基本参数"},
                                                     {BuildNetworkPage(), "网络通讯参数"},
                                                     {BuildScanPage(), "扫描输出参数"},
                                                     {BuildCascadePage(), "级连参数"}};
  QSize content;
  for (const auto& [page, caption] : sheets) {
    skin::TskTabSheet* sheet = pages_->AddSheet(U(caption));
    sheet->setObjectName(page->objectName());
    page->setObjectName(QString());
    auto* fill = new QVBoxLayout(sheet);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(page);
    content = content.expandedTo(fill->sizeHint());
    // Every sheet starts disabled and is enabled when it becomes the active page.
    sheet->setEnabled(false);
  }
  // The sheets lie on the control, outside any layout: the largest one gives its least size.
  const QMargins strip = pages_->contentsMargins();
  pages_->setMinimumSize(content + QSize(strip.left() + strip.right(), strip.top() + strip.bottom()));
  pages_->OnChange = [this] { EnableActivePage(); };
  layout->addWidget(pages_, 1);
  layout->addWidget(BuildButtons());

  auto* bar = new QWidget(this);
  bar->setObjectName("StatusBar1");
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(0, 0, 0, 0);
  auto* panel0 = new QLabel(U("执行操作"), bar);
  panel0->setObjectName("StatusPanel0");
  panel0->setFrameShape(QFrame::Panel);
  panel0->setFrameShadow(QFrame::Sunken);
  operationPanel_ = new TColourPanel("StatusPanel1", bar);
  outcomePanel_ = new TColourPanel("StatusPanel2", bar);
  barLayout->addWidget(panel0);
  barLayout->addWidget(operationPanel_, 1);
  barLayout->addWidget(outcomePanel_, 2);
  layout->addWidget(bar);

  controller_ = std::make_unique<TParamSetController>(*this, dialogs, manager, settings, std::move(options));

  status_->CloseQuery = [this] { return controller_->ProgressCloseQuery(); };
  bright_->OnAdjust = [this](int value) { controller_->BrightnessAdjust(value); };
  bright_->OnRead = [this] { controller_->BrightnessRead(); };
  ApplyReportEnabling();
  ApplyCascadeEnabling();
  Skinning(this);
}

TParamSetForm::~TParamSetForm() {
  // The controller goes first: its link may still deliver to this view while it closes.
  controller_.reset();
}

void TParamSetForm::BuildLinkArea(QWidget* area) {
  auto* grid = new QGridLayout(area);
  commType_ = Combo(area, "CommType", kCommTypeItems);
  cardAddress_ = NewSpin(area, "Card_Address", 0, 255, 0);
  locPort_ = NewSpin(area, "locPort", 1, 64, 1);
  cardIp_ = IpEdit(area, "Card_IP_Address", "192.168.0.99");
  cardIp_->setMaxLength(int(kCardIpTextMax));
  auto add = [&](int column, const char* caption, QWidget* field) {
    auto* label = new QLabel(U(caption), area);
    label->setBuddy(field);
    grid->addWidget(label, 0, column);
    grid->addWidget(field, 0, column + 1);
  };
  add(0, "通讯方式:", commType_);
  add(2, "控制卡地址:", cardAddress_);
  add(4, "串口号:", locPort_);
  add(6, "IP地址:", cardIp_);
  auto* establish = NewButton(U("建立通讯"), area);
  establish->setObjectName("LinkButton");
  grid->addWidget(establish, 0, 8);
  connect(establish, &QPushButton::clicked, this, [this] { controller_->EstablishLink(); });
}

QWidget* TParamSetForm::BuildBasicPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet1");
  auto* grid = new QGridLayout(page);
  width_ = NewSpin(page, "LED_Width", 8, 2048, 64);
  height_ = NewSpin(page, "LED_Height", 16, 512, 16);
  type_ = Combo(page, "LED_Type", kLedTypeItems);
  freq_ = NewSpin(page, "LED_Freq", 20, 2000, 20);
  ip_ = IpEdit(page, "IPAddress", "192.168.0.99");
  brightness_ = NewSpin(page, "Brightness", 0, 7, 0);
  uartSpeed_ = Combo(page, "uart_Speed", kUartSpeedItems);
  uartSpeed_->setCurrentIndex(4);
  address_ = NewSpin(page, "Address", 0, 31, 0);
  displaySendFlag_ = Check(page, "DisplaySendFlag", " 是否显示通讯标志");

  Row(grid, 0, "宽度:", width_);
  Row(grid, 1, "高度:", height_);
  Row(grid, 2, "类型:", type_);
  Row(grid, 3, "单步时间:", freq_, new QLabel(U("毫秒"), page));
  Row(grid, 4, "IP地址:", ip_);
  auto* macRow = new QWidget(page);
  auto* macLayout = new QHBoxLayout(macRow);
  macLayout->setContentsMargins(0, 0, 0, 0);
  for (size_t i = 0; i < mac_.size(); ++i) {
    mac_[i] = new QLineEdit("00", macRow);
    mac_[i]->setObjectName(QString("MAC%1").arg(i));
    mac_[i]->setMaxLength(2);
    macLayout->addWidget(mac_[i]);
  }
  Row(grid, 5, "MAC地址:", macRow);
  Row(grid, 6, "亮度:", brightness_);
  Row(grid, 7, "串行通讯速度:", uartSpeed_);
  Row(grid, 8, "硬件地址:", address_);
  grid->addWidget(displaySendFlag_, 9, 0, 1, 2);
  return page;
}

QWidget* TParamSetForm::BuildNetworkPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet2");
  auto* grid = new QGridLayout(page);
  remoteHost_ = IpEdit(page, "RemoteHost", "0.0.0.0");
  report_ = Check(page, "Report_Self_Address", "  是否向远程IP报告控制地址");
  remotePort_ = NewSpin(page, "RemotePort", 0, 65535, 0);
  gateIp_ = IpEdit(page, "GateIP", "0.0.0.0");
  ipMask_ = IpEdit(page, "IPMask", "255.255.255.0");
  cardName_ = new QLineEdit(page);
  cardName_->setObjectName("CardName");

  grid->addWidget(report_, 0, 0, 1, 2);
  reportLabels_ = {Row(grid, 1, "远程IP地址:", remoteHost_), Row(grid, 2, "远程端口号:", remotePort_),
                   Row(grid, 3, "网关IP地址:", gateIp_), Row(grid, 4, "子网掩码:", ipMask_),
                   Row(grid, 5, "控制卡名称:", cardName_)};
  reportControls_ = {remoteHost_, remotePort_, gateIp_, ipMask_, cardName_};
  auto* explanation = new QLabel(
      U("选中\"是否向远程IP报告控制地址\"后, 控制卡通过网关向远程IP地址的远程端口报告自己的地址和名称。"), page);
  explanation->setObjectName("StaticText1");
  explanation->setWordWrap(true);
  grid->addWidget(explanation, 6, 0, 1, 2);
  connect(report_, &QAbstractButton::clicked, this, [this] { ApplyReportEnabling(); });
  return page;
}

QWidget* TParamSetForm::BuildScanPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet3");
  auto* layout = new QGridLayout(page);
  auto* scanBox = NewGroupBox(QString(), page);
  scanBox->setObjectName("ScanMode");
  scanMode_ = RadioGroup(scanBox, "ScanMode", kScanModeItems, 4);
  layout->addWidget(scanBox, 0, 0, 1, 2);

  auto* fields = new QGridLayout;
  scanModeIndex_ = NewSpin(page, "ScanModeIndex", 0, 63, 0);
  lineOrder_ = Combo(page, "Line_Order", kLineOrderItems);
  oeTime_ = Combo(page, "OE_Time", kOeTimeItems);
  shiftFrequency_ = Combo(page, "Shift_Frequency", kShiftFrequencyItems);
  refreshFreq_ = Combo(page, "RefreshFreq", kRefreshFreqItems);
  Row(fields, 0, "方式编号", scanModeIndex_);
  Row(fields, 1, "行顺序:", lineOrder_);
  Row(fields, 2, "关断时间:", oeTime_);
  Row(fields, 3, "移位频率:", shiftFrequency_);
  Row(fields, 4, "刷新频率:", refreshFreq_);
  layout->addLayout(fields, 1, 0);

  auto* signalBox = NewGroupBox(U("控制信号特性"), page);
  signalBox->setObjectName("SignalBox");
  auto* signalLayout = new QVBoxLayout(signalBox);
  polarity_ = Check(signalBox, "Polarity", " 极性相反");
  rgReverse_ = Check(signalBox, "RG_Reverse", " 红绿反色");
  scan_ = Check(signalBox, "Scan", " 逆向扫描");
  rowProp_ = Check(signalBox, "Row_Prop", " 行取反");
  en_ = Check(signalBox, "EN", " 使能相反");
  for (QWidget* w : std::initializer_list<QWidget*>{polarity_, rgReverse_, scan_, rowProp_, en_})
    signalLayout->addWidget(w);
  layout->addWidget(signalBox, 1, 1);

  SelectRadio(scanMode_, 0);
  connect(scanMode_, &QButtonGroup::idClicked, this, [this](int id) { ScanModeClicked(id); });
  connect(scanModeIndex_, &TSpinEdit::valueChanged, this, [this](int n) { ScanModeNumberChanged(n); });
  return page;
}

QWidget* TParamSetForm::BuildCascadePage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet4");
  auto* layout = new QGridLayout(page);
  auto* propBox = NewGroupBox(U("控制卡级连类型"), page);
  propBox->setObjectName("Link_Prop");
  linkProp_ = RadioGroup(propBox, "Link_Prop", kLinkPropItems, 1);
  linkMethodBox_ = NewGroupBox(U("级连通讯方式"), page);
  linkMethodBox_->setObjectName("Link_method");
  linkMethod_ = RadioGroup(linkMethodBox_, "Link_method", kLinkMethodItems, 1);
  SelectRadio(linkProp_, lpAlone);
  SelectRadio(linkMethod_, lmRs232);
  left_ = NewSpin(page, "LED_Left", 0, 65535, 0);
  top_ = NewSpin(page, "LED_Top", 0, 65535, 0);
  layout->addWidget(propBox, 0, 0);
  layout->addWidget(linkMethodBox_, 0, 1);
  auto* corner = new QGridLayout;
  Row(corner, 0, "左上角X坐标:", left_);
  Row(corner, 1, "左上角Y坐标:", top_);
  layout->addLayout(corner, 1, 0, 1, 2);
  connect(linkProp_, &QButtonGroup::idClicked, this, [this] { ApplyCascadeEnabling(); });
  return page;
}

QWidget* TParamSetForm::BuildButtons() {
  auto* box = NewGroupBox(U("设置功能"), this);
  box->setObjectName("FunctionBox");
  auto* grid = new QGridLayout(box);
  const struct {
    const char* Name;
    const char* Caption;
    void (TParamSetController::*Press)();
  } buttons[] = {
      {"QueryButton", "查询状态", &TParamSetController::QueryStatus},
      {"TimeButton", "校正时钟", &TParamSetController::AdjustTime},
      {"FontButton", "下载字库", &TParamSetController::DownloadFonts},
      {"PowerOnButton", "打开电源", &TParamSetController::PowerOn},
      {"PowerOffButton", "关闭电源", &TParamSetController::PowerOff},
      {"ProgramButton", "更新程序", &TParamSetController::UpdateFirmware},
      {"SetParamButton", "设置参数", &TParamSetController::SetParams},
      {"ReadParamButton", "读取参数", &TParamSetController::ReadParams},
      {"BrightButton", "调节亮度", &TParamSetController::AdjustBrightness},
      {"ImportButton", "导入设置", &TParamSetController::ImportParams},
      {"ExportButton", "导出设置", &TParamSetController::ExportParams},
  };
  int i = 0;
  for (const auto& b : buttons) {
    auto* button = NewButton(U(b.Caption), box);
    button->setObjectName(b.Name);
    button->setEnabled(false);
    const auto press = b.Press;
    connect(button, &QPushButton::clicked, this, [this, press] { (controller_.get()->*press)(); });
    grid->addWidget(button, i / 6, i % 6);
    functionButtons_.push_back(button);
    ++i;
  }
  return box;
}

// ---- the view ----

void TParamSetForm::StateChanged(const TParamSetState& s) {
  setWindowTitle(QStringFromGbk(s.Caption));
  for (QPushButton* b : functionButtons_) b->setEnabled(s.ButtonsEnabled);
  operationPanel_->SetText(QStringFromGbk(s.OperationText), clParamOperation);
  outcomePanel_->SetText(QStringFromGbk(s.OutcomeText), OutcomeColour(s));

  status_->SetCommand(QStringFromGbk(s.ProgressCommand));
  status_->SetMessage(QStringFromGbk(s.ProgressMessage), s.ProgressColour);
  // Shown modally without a loop of its own: the window blocks input to the others while the
  // dialog's code returns at once.
  const Qt::WindowModality modality = s.ProgressModal ? Qt::ApplicationModal : Qt::NonModal;
  if (!s.ProgressVisible) {
    if (status_->isVisible()) status_->hide();
  } else if (!status_->isVisible() || status_->windowModality() != modality) {
    status_->hide();
    status_->setWindowModality(modality);
    status_->show();
  }
  if (bright_->Value() != s.BrightnessValue) bright_->SetValue(s.BrightnessValue);
}

TCardLinkSettings TParamSetForm::LinkSettings() const {
  TCardLinkSettings link;
  link.CommTypeIndex = commType_->currentIndex();
  link.CardAddress = cardAddress_->value();
  link.locPort = locPort_->value();
  link.CardIPAddress = GbkFromQString(cardIp_->text());
  return link;
}

void TParamSetForm::SetLinkSettings(const TCardLinkSettings& link) {
  commType_->setCurrentIndex(link.CommTypeIndex);
  cardAddress_->setValue(link.CardAddress);
  locPort_->setValue(link.locPort);
  cardIp_->setText(QStringFromGbk(link.CardIPAddress));
}

TParamControls TParamSetForm::Controls() const {
  TParamControls c;
  c.LED_Width = width_->value();
  c.LED_Height = height_->value();
  c.LED_Type = type_->currentIndex();
  c.LED_Freq = freq_->value();
  c.IPAddress = GbkFromQString(ip_->text());
  for (size_t i = 0; i < mac_.size(); ++i) c.MAC[i] = GbkFromQString(mac_[i]->text());
  c.Brightness = uint32_t(brightness_->value());
  c.uart_Speed = uartSpeed_->currentIndex();
  c.Address = uint32_t(address_->value());
  c.DisplaySendFlag = displaySendFlag_->isChecked();
  c.RemoteHost = GbkFromQString(remoteHost_->text());
  c.Report_Self_Address = report_->isChecked();
  c.RemotePort = remotePort_->value();
  c.GateIP = GbkFromQString(gateIp_->text());
  c.IPMask = GbkFromQString(ipMask_->text());
  c.CardName = GbkFromQString(cardName_->text());
  c.ScanModeIndex = scanModeIndex_->value();
  c.Line_Order = lineOrder_->currentIndex();
  c.OE_Time = oeTime_->currentIndex();
  c.Shift_Frequency = shiftFrequency_->currentIndex();
  c.RefreshFreq = refreshFreq_->currentIndex();
  c.Polarity = polarity_->isChecked();
  c.RG_Reverse = rgReverse_->isChecked();
  c.Scan = scan_->isChecked();
  c.Row_Prop = rowProp_->isChecked();
  c.EN = en_->isChecked();
  c.Link_Prop = linkProp_->checkedId();
  c.Link_method = linkMethod_->checkedId();
  c.LED_Left = uint32_t(left_->value());
  c.LED_Top = uint32_t(top_->value());
  return c;
}

void TParamSetForm::SetControls(const TParamControls& c) {
  auto setSpin = [](TSpinEdit* spin, int64_t value) {
    spin->setValue(int(std::clamp<int64_t>(value, spin->minimum(), spin->maximum())));
  };
  // An index outside the list shows no item.
  auto setCombo = [](QComboBox* combo, int item) { combo->setCurrentIndex(item < combo->count() ? item : -1); };
  setSpin(width_, c.LED_Width);
  setSpin(height_, c.LED_Height);
  setCombo(type_, c.LED_Type);
  setSpin(freq_, c.LED_Freq);
  ip_->setText(QStringFromGbk(c.IPAddress));
  for (size_t i = 0; i < mac_.size(); ++i) mac_[i]->setText(QStringFromGbk(c.MAC[i]));
  setSpin(brightness_, c.Brightness);
  setCombo(uartSpeed_, c.uart_Speed);
  setSpin(address_, c.Address);
  displaySendFlag_->setChecked(c.DisplaySendFlag);
  remoteHost_->setText(QStringFromGbk(c.RemoteHost));
  report_->setChecked(c.Report_Self_Address);
  setSpin(remotePort_, c.RemotePort);
  gateIp_->setText(QStringFromGbk(c.GateIP));
  ipMask_->setText(QStringFromGbk(c.IPMask));
  cardName_->setText(QStringFromGbk(c.CardName));
  setSpin(scanModeIndex_, c.ScanModeIndex);
  ScanModeNumberChanged(scanModeIndex_->value());
  setCombo(lineOrder_, c.Line_Order);
  setCombo(oeTime_, c.OE_Time);
  setCombo(shiftFrequency_, c.Shift_Frequency);
  setCombo(refreshFreq_, c.RefreshFreq);
  polarity_->setChecked(c.Polarity);
  rgReverse_->setChecked(c.RG_Reverse);
  scan_->setChecked(c.Scan);
  rowProp_->setChecked(c.Row_Prop);
  en_->setChecked(c.EN);
  SelectRadio(linkProp_, c.Link_Prop);
  SelectRadio(linkMethod_, c.Link_method);
  setSpin(left_, c.LED_Left);
  setSpin(top_, c.LED_Top);
  ApplyReportEnabling();
  ApplyCascadeEnabling();
}

void TParamSetForm::RunBrightnessDialog() { RunModal(*bright_); }

// ---- showing and closing ----

void TParamSetForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  controller_->Show();
  EnableActivePage();
  ApplyReportEnabling();
}

void TParamSetForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous() && controller_ && controller_->Visible()) controller_->Close();
}

// ---- rules of the controls ----

void TParamSetForm::EnableActivePage() {
  if (QWidget* page = pages_->ActivePage()) page->setEnabled(true);
}

void TParamSetForm::ApplyReportEnabling() {
  const bool on = report_->isChecked();
  for (QWidget* w : reportControls_) {
    w->setEnabled(on);
    SetLabelColour(w, LabelColour(on));
  }
  for (QLabel* l : reportLabels_) SetLabelColour(l, LabelColour(on));
}

void TParamSetForm::ApplyCascadeEnabling() {
  const bool on = linkProp_->checkedId() != lpAlone;
  linkMethodBox_->setEnabled(on);
  SetLabelColour(linkMethodBox_, LabelColour(on));
}

void TParamSetForm::ScanModeClicked(int item) {
  if (syncingScanMode_) return;
  syncingScanMode_ = true;
  scanModeIndex_->setValue(item);
  syncingScanMode_ = false;
}

void TParamSetForm::ScanModeNumberChanged(int number) {
  if (syncingScanMode_) return;
  syncingScanMode_ = true;
  SelectRadio(scanMode_, ScanModeItem(number));
  syncingScanMode_ = false;
}

}  // namespace editor::ui
