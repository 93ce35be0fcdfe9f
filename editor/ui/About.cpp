#include "About.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

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

void TAboutForm::ShowAsSplash() {
  show();
  raise();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == picture_ && event->type() == QEvent::MouseButtonRelease) {
    close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace editor::ui
