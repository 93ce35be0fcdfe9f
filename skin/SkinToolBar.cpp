#include "skin/SkinToolBar.h"

#include <QActionEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include "platform/base/GbkText.h"
#include "skin/SkinButton.h"
#include "skin/SkinMenu.h"

namespace skin {

using namespace platform;

TskToolBarStyle::TskToolBarStyle(const TskToolBar* bar)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), bar_(bar) {}

void TskToolBarStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const {
  if (element == PE_PanelToolBar || element == PE_FrameButtonTool || element == PE_PanelButtonTool) return;
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TskToolBarStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
  if (element == CE_ToolBar) return;  // no edges
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TskToolBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                         QPainter* painter, const QWidget* widget) const {
  const auto* o = qstyleoption_cast<const QStyleOptionToolButton*>(option);
  if (control != CC_ToolButton || !o) return QProxyStyle::drawComplexControl(control, option, painter, widget);
  const QRect r = o->rect;
  TBitmap b(r.width(), r.height(), pf24bit);
  TCanvas c(b);
  if (bar_->Transparent && widget) PaintAncestorBackground(c, widget, widget->parentWidget() ? widget->parentWidget()->parentWidget() : nullptr);
  else {
    c.Brush.Color = ColorToRGB(bar_->Color);
    c.FillRect({0, 0, r.width(), r.height()});
  }
  const bool hot = (o->state & State_MouseOver) && (o->state & State_Enabled);
  const bool down = (o->state & (State_Sunken | State_On));
  if (hot || down) {
    c.Brush.Color = ColorToRGB(down ? bar_->ButtonDownColor : bar_->ButtonColor);
    c.FillRect({0, 0, r.width(), r.height()});
    DrawControlBorder(c, r.width(), r.height(), bar_->ButtonBorderColor, 0, false);
  }
  const bool dropDown = o->features & QStyleOptionToolButton::MenuButtonPopup;
  const int area = dropDown ? r.width() - 14 : r.width();
  const TBitmap icon = IconPicture(o->icon, o->iconSize.width() > 0 ? o->iconSize.width() : 16);
  QString caption = o->text;
  caption.remove(QLatin1Char('&'));
  const std::string text = Utf8ToGbk(caption.toStdString());
  const bool list = o->toolButtonStyle == Qt::ToolButtonTextBesideIcon;
  c.Font = DefaultControlFont();
  c.Font.Color = (o->state & State_Enabled) ? 0 : 0x808080;
  c.Brush.Style = bsClear;
  if (list) {
    DrawMaskedPicture(c, icon, 5, 3, clSkinKey, !(o->state & State_Enabled));
    TRect t{5 + icon.Width() + 4, 0, area, r.height()};
    c.DrawText(text, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  } else {
    const bool withText = o->toolButtonStyle == Qt::ToolButtonTextUnderIcon && !text.empty();
    const int ix = (area - icon.Width()) / 2;
    const int iy = withText ? 3 : (r.height() - icon.Height()) / 2;
    DrawMaskedPicture(c, icon, ix, iy, clSkinKey, !(o->state & State_Enabled));
    if (withText || icon.Empty()) {
      TRect t{0, icon.Empty() ? 0 : iy + icon.Height() + 1, area, r.height()};
      c.DrawText(text, t, DT_SINGLELINE | DT_CENTER | (icon.Empty() ? DT_VCENTER : 0) | DT_NOPREFIX);
    }
  }
  if (dropDown) {
    // Two small black arrows' worth: the arrow and the line that parts it from the button.
    c.Brush.Style = bsSolid;
    c.Brush.Color = ColorToRGB(bar_->ButtonBorderColor);
    if (hot || down) c.FillRect({area, 1, area + 1, r.height() - 1});
    c.Brush.Color = 0;
    const int ax = area + 4, ay = r.height() / 2 - 1;
    for (int i = 0; i < 3; ++i) c.FillRect({ax + i, ay + i, ax + 5 - i, ay + i + 1});
  }
  PaintToWidget(*painter, b, r.x(), r.y());
}

TskToolBar::TskToolBar(QWidget* parent) : QToolBar(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  style_ = new TskToolBarStyle(this);
  style_->setParent(this);
  setStyle(style_);
  setMovable(false);
  setFloatable(false);
  ApplyStyle();
}

void TskToolBar::StyleChanged(const TThemeSource& source) {
  ButtonBorderColor = source.Color(tiToolBarButtonBorderColor);
  ButtonColor = source.Color(tiToolBarButtonBackgroundColor);
  ButtonDownColor = source.Color(tiToolBarButtonDownBackgroundColor);
  Transparent = source.Style() == MacOS || source.Style() == Protein;
  Color = source.Color(tiFormBackgroundColor);
  update();
}

void TskToolBar::paintEvent(QPaintEvent*) {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  if (Transparent) PaintParentBackground(c, this);
  else {
    c.Brush.Color = ColorToRGB(Color);
    c.FillRect({0, 0, width(), height()});
  }
  PaintToWidget(this, b);
}

void TskToolBar::actionEvent(QActionEvent* event) {
  QToolBar::actionEvent(event);
  // Every button of the bar is drawn by the skin, also ones added later.
  for (QToolButton* b : findChildren<QToolButton*>()) {
    if (b->style() != style_) b->setStyle(style_);
    b->setAttribute(Qt::WA_Hover);
  }
}

}  // namespace skin
