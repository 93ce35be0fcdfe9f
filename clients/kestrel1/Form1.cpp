#include "Form1.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>

#include "NotifyTitle.h"

namespace kestrel1 {

namespace {

// Where the buttons address the card. The link Command1 opens is serial, which uses neither
// the IP nor the port: they are passed as a UDP link would need them.
constexpr uint8_t CardAddress = 0;
constexpr const char* CardIP = "192.168.0.99";
constexpr int32_t CardPort = 6666;

constexpr int PictureWidth = 128;
constexpr int PictureHeight = 64;

}  // namespace

QImage DrawPicture1() {
  QImage canvas(PictureWidth, PictureHeight, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  QFont font = painter.font();
  font.setPixelSize(20);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(QColor(255, 0, 0));
  painter.drawText(QRect(0, 0, PictureWidth, 32), Qt::AlignCenter, QStringLiteral("Kestrel1"));
  painter.fillRect(8, 36, PictureWidth - 16, 8, QColor(0, 255, 0));
  painter.fillRect(8, 50, PictureWidth - 16, 8, QColor(255, 255, 0));
  painter.end();

  // A font engine may still shade glyph edges: every component goes to 0 or 255, so each pixel
  // is black, red, green or yellow and packs the same in every colour mode.
  QImage picture = canvas.convertToFormat(QImage::Format_BGR888);
  for (int y = 0; y < picture.height(); ++y) {
    uchar* row = picture.scanLine(y);
    for (int i = 0; i < picture.width() * 3; ++i) row[i] = row[i] > 127 ? 255 : 0;
  }
  return picture;
}

TForm1::TForm1(std::string library, TMessageService& messages, QWidget* parent)
    : QWidget(parent),
      messages_(messages),
      module_(std::move(library),
              [this](uint32_t message, uintptr_t, intptr_t) { Notify(message); }),
      picture_(DrawPicture1()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kestrel1"));

  auto* picture1 = new QLabel(this);
  picture1->setObjectName(QStringLiteral("Picture1"));
  picture1->setPixmap(QPixmap::fromImage(picture_).scaled(picture_.size() * 2));
  picture1->setAlignment(Qt::AlignCenter);

  struct TButton {
    const char* Name;
    const char* Caption;
    void (TForm1::*Click)();
  };
  const TButton buttons[] = {
      {"Command1", "打开串口", &TForm1::Command1Click},
      {"Command2", "查询", &TForm1::Command2Click},
      {"Command3", "打开电源", &TForm1::Command3Click},
      {"Command4", "关闭电源", &TForm1::Command4Click},
      {"Command5", "发送数据", &TForm1::Command5Click},
      {"Command6", "电源状态", &TForm1::Command6Click},
  };
  auto* grid = new QGridLayout;
  int i = 0;
  for (const TButton& b : buttons) {
    auto* button = new QPushButton(QString::fromUtf8(b.Caption), this);
    button->setObjectName(QString::fromLatin1(b.Name));
    connect(button, &QPushButton::clicked, this, b.Click);
    grid->addWidget(button, i / 3, i % 3);
    ++i;
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture1);
  layout->addLayout(grid);

  // Runs from the start and drives nothing; sending stops it.
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(1000);
  timer1_->start();
}

TForm1::~TForm1() { Shutdown(); }

template <typename F>
F TForm1::Bind(const char* name) {
  std::string error;
  F call = module_.Find<F>(name, error);
  if (!call) messages_.Show(MessageTitle, QString::fromStdString(error));
  return call;
}

void TForm1::Command1Click() {
  auto open = Bind<decltype(&LED_Open)>("LED_Open");
  if (!open) return;
  TDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.LinkKind = LED_LINK_SERIAL;
  record.SpeedIndex = 5;  // 115200 bit/s
  record.ComPort = 5;
  record.Handshake = 0;
  const int32_t device = open(&record, 1, module_.Window(), NotifyMessage);
  if (device == -1) {
    messages_.Show(MessageTitle, QStringLiteral("无法打开指定端口"));
    return;
  }
  device_ = device;
  setWindowTitle(QStringLiteral("打开串口成功"));
}

void TForm1::Command2Click() {
  if (auto query = Bind<decltype(&LED_Query)>("LED_Query"))
    query(device_, CardAddress, CardIP, CardPort);
}

void TForm1::SetPower(int32_t value) {
  if (auto setPower = Bind<decltype(&LED_SetPower)>("LED_SetPower"))
    setPower(device_, CardAddress, CardIP, CardPort, value);
}

void TForm1::Command3Click() { SetPower(1); }

void TForm1::Command4Click() { SetPower(0); }

void TForm1::Command5Click() {
  // Every call first, so a missing one changes nothing.
  auto makeRoot = Bind<decltype(&MakeRoot)>("MakeRoot");
  if (!makeRoot) return;
  auto addLeaf = Bind<decltype(&AddLeaf)>("AddLeaf");
  if (!addLeaf) return;
  auto addWindow = Bind<decltype(&AddWindow)>("AddWindow");
  if (!addWindow) return;
  auto send = Bind<decltype(&LED_SendToScreen)>("LED_SendToScreen");
  if (!send) return;

  timer1_->stop();
  makeRoot(17, 2);  // a program to send, for a red and green card
  addLeaf(1000);
  const TLEDRect rect = {0, 0, picture_.width(), picture_.height()};
  const TLEDImage image = {picture_.constBits(), int32_t(picture_.bytesPerLine()),
                           picture_.width(), picture_.height()};
  addWindow(&image, picture_.width(), picture_.height(), &rect, 1, 1, 1);
  setWindowTitle(QStringLiteral("正在发送数据..."));
  send(device_, CardAddress, CardIP, CardPort);
}

void TForm1::Command6Click() {
  if (auto getPower = Bind<decltype(&LED_GetPower)>("LED_GetPower"))
    getPower(device_, CardAddress, CardIP, CardPort);
}

void TForm1::Notify(uint32_t message) {
  if (message != NotifyMessage) return;
  std::string error;
  auto get = module_.Find<decltype(&LED_GetNotifyMessage)>("LED_GetNotifyMessage", error);
  if (!get) return;
  TNotifyRecord record;
  std::memset(&record, 0, sizeof record);
  get(&record);
  if (auto title = NotifyTitle(record.Code, record.Kind, record.Status, record.Number))
    setWindowTitle(QString::fromStdString(*title));
}

void TForm1::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
}

void TForm1::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  module_.Close(device_);
}

}  // namespace kestrel1
