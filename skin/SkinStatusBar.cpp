#include "skin/SkinStatusBar.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include "platform/base/GbkText.h"
#include "skin/SkinButton.h"

namespace skin {

using namespace platform;

TskStatusBar::TskStatusBar(QWidget* parent)
    : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)), Font(DefaultControlFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(300, 19);
  ApplyStyle();
}

void TskStatusBar::StyleChanged(const TThemeSource& source) { Color = source.Color(tiFormBackgroundColor); }

bool TskStatusBar::GripActive() const {
  const QWidget* w = window();
  return w && w->minimumSize() != w->maximumSize() && !w->isMaximized();
}

QRect TskStatusBar::PanelRect(int index) const {
  int x = 0;
  for (int i = 0; i < index; ++i) x += panels_[size_t(i)].Width;
  const int w = index == int(panels_.size()) - 1 ? std::max(0, width() - x) : panels_[size_t(index)].Width;
  return QRect(x, 2, w - 2, height() - 2);
}

TBitmap TskStatusBar::PaintBitmap(const QRect& area) {
  const QRect part = area.isValid() ? area & rect() : rect();
  TBitmap b(part.width(), part.height(), pf24bit);
  TCanvas c(b);
  c.SetOrigin(-part.x(), -part.y());
  c.Brush.Color = ColorToRGB(Color);
  c.FillRect({0, 0, width(), height()});
  for (size_t i = 0; i < panels_.size(); ++i) {
    const QRect q = PanelRect(int(i));
    const TRect r{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
    if (r.IsEmpty() || !part.intersects(q)) continue;
    // The lowered edge: grey top and left, white bottom and right.
    c.Brush.Color = 0x808080;
    c.FillRect({r.Left, r.Top, r.Right, r.Top + 1});
    c.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom});
    c.Brush.Color = 0xFFFFFF;
    c.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom});
    c.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom});
    const TRect inside{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    if (panels_[i].OnDrawPanel) {
      panels_[i].OnDrawPanel(c, inside);
    } else {
      c.Font = Font;
      c.Brush.Style = bsClear;
      TRect text{inside.Left + 2, inside.Top, inside.Right, inside.Bottom};
      c.DrawText(Utf8ToGbk(panels_[i].Text.toStdString()), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      c.Brush.Style = bsSolid;
    }
  }
  if (GripActive()) {
    // The 16 x 16 grip: three diagonal lines 4 pixels apart in the inactive-caption colour.
    const int gx = width() - kGripSize, gy = height() - kGripSize;
    c.Brush.Color = ColorToRGB(Color);
    c.FillRect({gx, gy, width(), height()});
    c.Pen.Style = psSolid;
    c.Pen.Width = 1;
    c.Pen.Color = ColorToRGB(clInactiveCaption);
    for (int k = 0; k < 3; ++k) {
      const int d = 4 + 4 * k;
      c.MoveTo(width() - d, height());
      c.LineTo(width(), height() - d);
    }
  }
  return b;
}

void TskStatusBar::paintEvent(QPaintEvent* event) {
  const QRect part = event->rect() & rect();
  QPainter painter(this);
  PaintToWidget(painter, PaintBitmap(part), part.x(), part.y());
}

void TskStatusBar::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && GripActive() && p.x() >= width() - kGripSize &&
      p.y() >= height() - kGripSize) {
    if (QWindow* w = window()->windowHandle()) w->startSystemResize(Qt::RightEdge | Qt::BottomEdge);
  }
}

}  // namespace skin
