#include "About.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// The box's picture: the program's name on a panel of LED dots.
QPixmap MakePicture() {
  QPixmap pixmap(320, 120);
  pixmap.fill(Qt::black);
  QPainter painter(&pixmap);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(60, 0, 0));
  for (int y = 2; y < pixmap.height(); y += 6)
    for (int x = 2; x < pixmap.width(); x += 6) painter.drawEllipse(x, y, 3, 3);
  QFont font(Text("黑体"));
  font.setPixelSize(36);
  painter.setFont(font);
  painter.setPen(QColor(255, 0, 0));
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Corvane"));
  return pixmap;
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("AboutForm");
  setWindowTitle(Text("关于程序"));
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName("Image1");
  picture->setPixmap(MakePicture());
  picture->setCursor(Qt::PointingHandCursor);
  picture->installEventFilter(this);
  picture_ = picture;
  layout->addWidget(picture);
  auto* name = new QLabel(Text("LED显示屏控制软件"), this);
  name->setObjectName("ProductName");
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* version = new QLabel(QStringLiteral("Corvane %1").arg(QStringLiteral(CORVANE_VERSION)), this);
  version->setObjectName("Version");
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  setFixedSize(sizeHint());
  Skinning(this);
}

namespace {

// Ends `loop` at each expose of `window`, once the window has handled it.
class TExposeWatch : public QObject {
 public:
  TExposeWatch(QWindow* window, QEventLoop& loop) : window_(window), loop_(loop) {
    if (window_) window_->installEventFilter(this);
  }
  ~TExposeWatch() override {
    if (window_) window_->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Expose) loop_.quit();  // the loop ends after it
    return false;
  }

 private:
  QPointer<QWindow> window_;
  QEventLoop& loop_;
};

}  // namespace

void TAboutForm::ShowAsSplash() {
  show();
  raise();
  // Nothing paints until the window system shows the window (a window manager maps a new
  // window in its own time), and the thread is about to block: wait for it here.
  QEventLoop loop;
  TExposeWatch exposed(windowHandle(), loop);
  QTimer limit;
  limit.setSingleShot(true);
  connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(SplashMapLimitMs);
  while (!testAttribute(Qt::WA_Mapped) && limit.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  repaint();
  // What was painted goes out to the window system now.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == picture_ && event->type() == QEvent::MouseButtonRelease) {
    close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace editor::ui
