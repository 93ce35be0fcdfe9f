#include "skin/SkinComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <algorithm>

#include "skin/BuiltInArt.h"
#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

namespace {

QStyle* ComboBaseStyle() {
  static QStyle* style = new TskDropDownStyle;
  return style;
}

// Places the list of the plain combo box that owns a dropped list as the list shows.
class TDroppedListPlacer : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show)
      if (auto* list = qobject_cast<QWidget*>(watched))
        if (auto* box = qobject_cast<QComboBox*>(list->parentWidget())) PlaceDroppedList(*box);
    return false;
  }
};

}  // namespace

TskDropDownStyle::TskDropDownStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int TskDropDownStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                QStyleHintReturn* data) const {
  if (hint == SH_ComboBox_Popup) return 0;
  return QProxyStyle::styleHint(hint, option, widget, data);
}


void PlaceDroppedList(QComboBox& box) {
  QWidget* list = box.view() ? box.view()->window() : nullptr;
  if (!list || list == box.window() || !list->isVisible()) return;
  const QRect at(ScreenPosition(box), box.size());
  QRect r = list->geometry();
  r.setWidth(std::max(r.width(), at.width()));
  r.moveTopLeft(at.bottomLeft() + QPoint(0, 1));
  if (const QScreen* screen = box.screen()) {
    const QRect area = screen->availableGeometry();
    if (r.bottom() > area.bottom() && at.top() - area.top() > area.bottom() - at.bottom()) r.moveBottom(at.top() - 1);
  }
  if (r != list->geometry()) list->setGeometry(r);
}

void DropUnderBox(QComboBox& box) {
  static TDroppedListPlacer placer;
  if (QWidget* list = box.view() ? box.view()->window() : nullptr; list && list != box.window()) {
    list->removeEventFilter(&placer);
    list->installEventFilter(&placer);
  }
}

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
  PlaceDroppedList(*this);
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
