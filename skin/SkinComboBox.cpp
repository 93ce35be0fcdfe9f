#include "skin/SkinComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QStyleFactory>

#include "skin/BuiltInArt.h"

namespace skin {

using namespace platform;

namespace {

QStyle* ComboBaseStyle() {
  static QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
  return style;
}

}  // namespace

TskCustomComboBox::TskCustomComboBox(QWidget* parent)
    : QComboBox(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  setStyle(ComboBaseStyle());
  resize(145, 21);
  ApplyStyle();
}

void TskCustomComboBox::StyleChanged(const TThemeSource& source) {
  ArrowColor = 0;
  BorderColor = source.Color(tiControlBorderColor);
  ButtonColor = source.Color(tiFormBackgroundColor);
}

QRect TskCustomComboBox::ButtonRect() const {
  return QRect(width() - 2 - kButtonWidth, 2, kButtonWidth, std::max(0, height() - 4));
}

TBitmap TskCustomComboBox::ButtonBitmap() const {
  const QRect r = ButtonRect();
  TBitmap b(r.width() + 2, r.height() + 2, pf24bit);  // with a pixel round it for the left line
  TCanvas c(b);
  c.SetOrigin(1, 1);
  const TRect button{0, 0, r.width(), r.height()};
  const TskUIStyle style = ThemeSource().Style();
  c.Brush.Color = ColorToRGB(ButtonColor);
  c.FillRect({-1, -1, r.width() + 1, r.height() + 1});
  if (style == MacOS || style == WinXP) {
    if (const TBitmap* pic = BuiltInPicture(style == MacOS ? "MACOS_COMBOBOX_BUTTON" : "WINXP_COMBOBOX_BUTTON"))
      c.StretchDraw(button, *pic);
  } else {
    c.FillRect(button);
    // A line along the button's left edge, from one pixel above it to one pixel below.
    c.Brush.Color = ColorToRGB(BorderColor);
    c.FillRect({0, -1, 1, r.height() + 1});
  }
  if (style != WinXP) {
    const int x = r.width() / 2 - 3, y = r.height() / 2;
    auto arrow = [&](int dx, int dy, TColor colour) {
      c.Brush.Color = colour;
      for (int i = 0; i <= 3; ++i) c.FillRect({x + dx + i, y + dy + i, x + dx + 7 - i, y + dy + i + 1});
    };
    if (!isEnabled()) {
      arrow(1, 1, 0xFFFFFF);
      arrow(0, 0, 0x808080);
    } else {
      arrow(0, 0, ColorToRGB(ArrowColor));
    }
  }
  return b;
}

void TskCustomComboBox::PaintSkin(QPainter& p) const {
  DrawControlBorder(p, width(), height(), BorderColor, Color, true);
  if (Simple) return;
  const QRect r = ButtonRect();
  const TBitmap b = ButtonBitmap();
  // The button itself and the line left of it.
  p.save();
  const TskUIStyle style = ThemeSource().Style();
  QRegion area(r);
  if (style != MacOS && style != WinXP) area += QRect(r.x(), r.y() - 1, 1, r.height() + 2);  // the line
  p.setClipRegion(area);
  PaintToWidget(p, b, r.x() - 1, r.y() - 1);
  p.restore();
}

void TskCustomComboBox::paintEvent(QPaintEvent* event) {
  QComboBox::paintEvent(event);  // the native look first: text, selection, focus
  QPainter p(this);
  PaintSkin(p);
}

void TskCustomComboBox::showPopup() {
  QComboBox::showPopup();
  if (QWidget* list = view() ? view()->window() : nullptr) {
    list->removeEventFilter(this);
    list->installEventFilter(this);
    list->update();
  }
}

void TskCustomComboBox::hidePopup() {
  QComboBox::hidePopup();
  if (QWidget* parent = parentWidget()) parent->update();  // the parent repaints when the list closes
}

bool TskCustomComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && view() && watched == view()->window()) {
    // Frame the dropped list in BorderColor after its own painting.
    auto* list = static_cast<QWidget*>(watched);
    list->removeEventFilter(this);
    QApplication::sendEvent(list, event);
    list->installEventFilter(this);
    QPainter p(list);
    DrawControlBorder(p, list->width(), list->height(), BorderColor, 0, false);
    return true;
  }
  return QComboBox::eventFilter(watched, event);
}

}  // namespace skin
