#include "ImageList.h"

#include <QPainter>
#include <QPixmap>

namespace editor::ui {

namespace {

// A small screen: a frame in `frame`, black face.
void Screen(QPainter& p, const QColor& frame) {
  p.fillRect(1, 3, 14, 10, frame);
  p.fillRect(2, 4, 12, 8, Qt::black);
}

// A page: white sheet with a folded corner.
void Page(QPainter& p) {
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
  p.drawLine(10, 1, 10, 4);
  p.drawLine(10, 4, 13, 4);
}

// A screen showing a glyph in red.
void Lit(QPainter& p, const QString& glyph) {
  Screen(p, QColor(0, 128, 128));
  QFont font;
  font.setPixelSize(8);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  p.setFont(font);
  p.setPen(Qt::red);
  p.drawText(QRect(2, 4, 12, 8), Qt::AlignCenter, glyph);
}

}  // namespace

QIcon ImageListIcon(int index) {
  QPixmap pixmap(ImageListSize, ImageListSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  switch (index) {
    case 12: Page(p); break;
    case 18: Screen(p, QColor(0, 0, 160)); break;
    case 19: Lit(p, "A"); break;      // single-line text
    case 20: Lit(p, "\u00B6"); break;  // multi-line text
    case 21: Lit(p, "\u25A3"); break;  // picture
    case 22: Lit(p, "\u25B6"); break;  // movie
    case 23: Lit(p, "D"); break;      // date and time
    case 24: Lit(p, "+"); break;      // count up
    case 25: Lit(p, "-"); break;      // count down, analog clock
    case 33: Lit(p, "#"); break;      // code text, text file
    case 36: Lit(p, "W"); break;      // document
    case 37: Lit(p, "\u229E"); break;  // table
    case 38: Lit(p, "T"); break;      // campaign time
    default: return QIcon();
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace editor::ui
