#include "ItemIcons.h"

#include <QBitmap>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

namespace quayside {

namespace {

const QColor kKey(255, 0, 255);

// A small screen: a coloured frame, black face, the card number lit in its colour.
QColor CardColour(int n) {
  static const QColor colours[ItemIconCount] = {
      QColor(255, 0, 0),   QColor(0, 192, 0),   QColor(255, 192, 0), QColor(0, 96, 255),
      QColor(192, 0, 192), QColor(0, 192, 192), QColor(255, 96, 0),  QColor(128, 128, 0),
      QColor(96, 96, 255), QColor(128, 128, 128)};
  return colours[n];
}

}  // namespace

QPixmap ItemPicture(int n, int size) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(kKey);
  QPainter painter(&image);
  const int margin = size / 8;
  const QRect screen(margin, margin * 2, size - 2 * margin, size - 4 * margin);
  painter.fillRect(screen, CardColour(n));
  painter.fillRect(screen.adjusted(1, 1, -1, -1), Qt::black);
  QFont font;
  font.setPixelSize(screen.height() - 2);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(CardColour(n));
  painter.drawText(screen, Qt::AlignCenter, QString::number(n + 1));
  painter.end();
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(kKey.rgb(), Qt::MaskInColor)));
  return pixmap;
}

QIcon ItemIcon(int n) {
  if (n < 0 || n >= ItemIconCount) return {};
  static QIcon icons[ItemIconCount];
  if (icons[n].isNull()) {
    icons[n].addPixmap(ItemPicture(n, 32));
    icons[n].addPixmap(ItemPicture(n, 16));
  }
  return icons[n];
}

}  // namespace quayside
