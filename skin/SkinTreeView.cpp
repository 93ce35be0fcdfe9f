#include "skin/SkinTreeView.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace skin {

using namespace platform;

TskTreeView::TskTreeView(QWidget* parent) : QTreeView(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  // setStyle does not take the style: the tree owns it.
  QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
  fusion->setParent(this);
  setStyle(fusion);
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(2);  // room for the two frames
  setMidLineWidth(0);
  for (QScrollBar* native : {verticalScrollBar(), horizontalScrollBar()}) {
    native->installEventFilter(this);
    connect(native, &QScrollBar::valueChanged, this, [this] { MirrorScrollBars(); });
    connect(native, &QScrollBar::rangeChanged, this, [this] { MirrorScrollBars(); });
  }
  ApplyStyle();
}

void TskTreeView::StyleChanged(const TThemeSource& source) {
  BorderColor = source.Color(tiControlBorderColor);
  for (TskScrollBar* b : {vbar_.data(), hbar_.data()})
    if (b) b->SetUIStyle(source.Style());
  viewport()->update();
  update();
}

bool TskTreeView::event(QEvent* event) {
  if (event->type() == QEvent::Paint) {
    // The tree's own frame: BorderColor, then its colour one pixel inside.
    QPainter p(this);
    DrawControlBorder(p, width(), height(), BorderColor, Color, true);
    return true;
  }
  return QTreeView::event(event);
}

void TskTreeView::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  MirrorScrollBars();
}

bool TskTreeView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Resize:
    case QEvent::EnabledChange:
      if (watched == verticalScrollBar() || watched == horizontalScrollBar()) MirrorScrollBars();
      break;
    default:
      break;
  }
  return QTreeView::eventFilter(watched, event);
}

void TskTreeView::SetVScrollBar(TskScrollBar* bar) {
  vbar_ = bar;
  if (bar) {
    bar->setParent(this);
    bar->SetOrientation(skVertical);
    bar->SetUIStyle(ThemeSource().Style() == FromThemeFile ? UIStyle() : ThemeSource().Style());
    bar->OnChange() = [this, bar] {
      if (!mirroring_) verticalScrollBar()->setValue(bar->Position());
    };
  }
  MirrorScrollBars();
}

void TskTreeView::SetHScrollBar(TskScrollBar* bar) {
  hbar_ = bar;
  if (bar) {
    bar->setParent(this);
    bar->SetOrientation(skHorizontal);
    bar->SetUIStyle(ThemeSource().Style() == FromThemeFile ? UIStyle() : ThemeSource().Style());
    bar->OnChange() = [this, bar] {
      if (!mirroring_) horizontalScrollBar()->setValue(bar->Position());
    };
  }
  MirrorScrollBars();
}

void TskTreeView::MirrorScrollBars() {
  Mirror(verticalScrollBar(), vbar_, true);
  Mirror(horizontalScrollBar(), hbar_, false);
}

void TskTreeView::Mirror(QScrollBar* native, TskScrollBar* skinned, bool vertical) {
  if (!skinned) return;
  mirroring_ = true;
  const bool shown = native->isVisibleTo(this) && native->isEnabled() && native->maximum() > native->minimum();
  if (!shown) {
    skinned->hide();
    mirroring_ = false;
    return;
  }
  QStyleOptionSlider o;
  o.initFrom(native);
  o.orientation = native->orientation();
  o.minimum = native->minimum();
  o.maximum = native->maximum();
  o.pageStep = native->pageStep();
  o.sliderPosition = native->sliderPosition();
  o.sliderValue = native->value();
  const QRect thumb = native->style()->subControlRect(QStyle::CC_ScrollBar, &o, QStyle::SC_ScrollBarSlider, native);
  skinned->SetLineButton(vertical ? thumb.height() : thumb.width());
  skinned->SetMin(native->minimum());
  skinned->SetMax(native->maximum());  // the last position: range maximum - page + 1
  skinned->SetPosition(native->value());
  skinned->SmallChange = 5;
  // Along the tree's bottom and right edges, inside its border.
  const QRect g = QRect(native->mapTo(this, QPoint(0, 0)), native->size());
  skinned->setGeometry(g);
  skinned->show();
  skinned->raise();
  mirroring_ = false;
}

}  // namespace skin
