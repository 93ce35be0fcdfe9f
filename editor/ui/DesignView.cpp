#include "DesignView.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "editor/core/DesignPaint.h"
#include "editor/ui/ErrorGuard.h"
#include "model/FormConstructEx.h"
#include "platform/gfx/Canvas.h"
#include "skin/SkinPublic.h"

namespace editor::ui {

using platform::TPoint;

namespace {

// Qt keys and the virtual-key numbers of the platform the main window's handlers were written
// for. Letters and digits share their codes (0x30-0x39, 0x41-0x5A).
constexpr std::pair<int, uint16_t> KeyTable[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
    {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},      {Qt::Key_Home, 36},     {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},
    {Qt::Key_F1, 112},      {Qt::Key_F2, 113},      {Qt::Key_F3, 114},      {Qt::Key_F4, 115},
    {Qt::Key_F5, 116},      {Qt::Key_F6, 117},      {Qt::Key_F7, 118},      {Qt::Key_F8, 119},
    {Qt::Key_F9, 120},      {Qt::Key_F10, 121},     {Qt::Key_F11, 122},     {Qt::Key_F12, 123},
};

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  return shift;
}

Qt::CursorShape ShapeOf(TDesignCursor cursor) {
  switch (cursor) {
    case TDesignCursor::SizeNWSE: return Qt::SizeFDiagCursor;
    case TDesignCursor::SizeWE: return Qt::SizeHorCursor;
    case TDesignCursor::SizeNESW: return Qt::SizeBDiagCursor;
    case TDesignCursor::SizeNS: return Qt::SizeVerCursor;
    case TDesignCursor::Arrow: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

uint16_t TDesignView::VirtualKey(int qtKey) {
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
    return uint16_t(qtKey);
  for (const auto& [key, vk] : KeyTable)
    if (key == qtKey) return vk;
  return 0;
}

TDesignView::TDesignView(TDesign& design, QWidget* parent) : QWidget(parent), design_(&design) {
  setObjectName("DesignView");
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  design.SetSurface(this);
}

TDesignView::~TDesignView() {
  if (design_) design_->SetSurface(nullptr);
  if (page_ && !page_->Destroying()) page_->OnInvalidate = std::move(previousHook_);
}

void TDesignView::SetFilterInstalled(bool installed) {
  if (installed == filtered_) return;
  filtered_ = installed;
  Filter(this, installed);
  for (QWidget* child : findChildren<QWidget*>()) Filter(child, installed);
}

void TDesignView::Filter(QWidget* widget, bool on) {
  if (on) widget->installEventFilter(this);
  else widget->removeEventFilter(this);
}

void TDesignView::childEvent(QChildEvent* event) {
  QWidget::childEvent(event);
  if (filtered_ && event->added())
    if (auto* widget = qobject_cast<QWidget*>(event->child())) Filter(widget, true);
}

void TDesignView::ContainerChanged() {
  // A page that is being freed keeps its hook: its own parts are gone.
  if (page_ && !page_->Destroying()) page_->OnInvalidate = std::move(previousHook_);
  previousHook_ = nullptr;
  page_.Set(design_ ? design_->Container() : nullptr);
  if (page_) {
    previousHook_ = std::move(page_->OnInvalidate);
    page_->OnInvalidate = [this](platform::TControl& changed) {
      if (previousHook_) previousHook_(changed);
      PageChanged();
    };
    // The page shown is active: its repaint tick, which stops while no view shows the page,
    // runs again.
    if (auto* leaf = dynamic_cast<model::TLeaf*>(page_.Get())) leaf->SetActive(true);
  }
  PageChanged();
}

void TDesignView::PageChanged() {
  pageDirty_ = true;
  FollowPageSize();
  update();
}

void TDesignView::FollowPageSize() {
  const QSize size = page_ ? QSize(std::max(0, page_->Width()), std::max(0, page_->Height())) : QSize(0, 0);
  if (size != this->size()) setFixedSize(size);
}

void TDesignView::OverlayChanged() { update(); }

void TDesignView::RedrawContainer() {
  pageDirty_ = true;
  repaint();
}

void TDesignView::paintEvent(QPaintEvent*) {
  if (!page_ || page_->Width() <= 0 || page_->Height() <= 0) {
    QPainter(this).fillRect(rect(), Qt::black);
    return;
  }
  if (pageDirty_ || pageImage_.Width() != page_->Width() || pageImage_.Height() != page_->Height()) {
    pageDirty_ = false;
    pageImage_.SetSize(page_->Width(), page_->Height());
    platform::TCanvas canvas(pageImage_);
    PaintPage(*page_, canvas);
  }
  platform::TBitmap frame = pageImage_;
  platform::TCanvas canvas(frame);
  if (design_) PaintDesignOverlay(*design_, canvas);
  skin::PaintToWidget(this, frame);
}

TPoint TDesignView::PagePoint(QObject* watched, QPointF pos) const {
  QPoint p = pos.toPoint();
  if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget != this) p = widget->mapTo(this, p);
  return {p.x(), p.y()};
}

void TDesignView::ShowCursorAt(QPoint pos) {
  if (design_) setCursor(ShapeOf(design_->CursorAt({pos.x(), pos.y()})));
}

bool TDesignView::eventFilter(QObject* watched, QEvent* event) {
  if (!design_ || !design_->Activate()) return false;
  bool handled = false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      const TPoint p = PagePoint(watched, me->position());
      const QPoint g = me->globalPosition().toPoint();
      const TPoint global{g.x(), g.y()};
      const TShiftState shift = ShiftOf(me->modifiers());
      const bool left = me->button() == Qt::LeftButton, right = me->button() == Qt::RightButton;
      TErrorGuard::Run([&] {
        switch (event->type()) {
          case QEvent::MouseButtonPress:
            if (left || right) {
              if (left) setFocus(Qt::MouseFocusReason);
              handled = design_->MouseDown(left ? mbLeft : mbRight, shift, p, global);
            }
            break;
          case QEvent::MouseButtonDblClick:
            // The second press of a double click comes as this event alone.
            if (left) handled = design_->DoubleClick(shift, p, global);
            else if (right) handled = design_->MouseDown(mbRight, shift, p, global);
            break;
          case QEvent::MouseMove:
            handled = design_->MouseMove(shift, p, global);
            break;
          default:
            if (left || right) handled = design_->MouseUp(left ? mbLeft : mbRight, shift, p, global);
            break;
        }
      });
      ShowCursorAt({p.X, p.Y});
      return handled;
    }
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (const uint16_t key = VirtualKey(ke->key()))
        TErrorGuard::Run([&] { handled = design_->KeyDown(key, ShiftOf(ke->modifiers())); });
      return handled;
    }
    default:
      return false;
  }
}

}  // namespace editor::ui
