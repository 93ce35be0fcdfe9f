#include "skin/SkinTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "skin/SkinButton.h"

namespace skin {

using namespace platform;

namespace {

int Clamp64(int64_t v, int lo, int hi) { return int(std::clamp<int64_t>(v, lo, hi)); }

}  // namespace

TskTrackBar::TskTrackBar(QWidget* parent) : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  slider_ = new TskImagePanel(this);
  slider_->installEventFilter(this);
  resize(150, 25);
  ApplyStyle();
}

TskTrackBar::~TskTrackBar() = default;

TskScrollTrackBar::TskScrollTrackBar(QWidget* parent) : TskTrackBar(parent) {
  ShowTick = false;
  SetTabStop(false);
}

void TskTrackBar::StyleChanged(const TThemeSource& source) {
  if (!PicturesFromOutside()) {
    barImage_ = source.Image(tiTrackBarBarImage);
    sliderImage_ = source.Image(orientation_ == skHorizontal ? tiTrackBarSliderImage : tiTrackBarSliderVImage);
  }
  if (source.Style() == MacOS) transparent_ = true;
  slider_->SetPicture(sliderImage_);
  slider_->resize(sliderImage_.Width(), sliderImage_.Height());
  slider_->SetTransparent(SliderTransparent());
  AdjustCross();
  BuildBar();
  PlaceSlider();
}

void TskTrackBar::AdjustCross() {
  // The control is as thick as the bar picture or the slider, whichever is more.
  const int sliderCross = orientation_ == skHorizontal ? slider_->height() : slider_->width();
  const int cross = std::max(barImage_.Height(), sliderCross);
  if (cross <= 0) return;
  if (orientation_ == skHorizontal) resize(width(), cross);
  else resize(cross, height());
}

void TskTrackBar::SetBarImage(const TBitmap& b) {
  barImage_ = b;
  picturesFixed_ = true;
  BuildBar();
  update();
}

void TskTrackBar::SetSliderImage(const TBitmap& b) {
  sliderImage_ = b;
  picturesFixed_ = true;
  slider_->SetPicture(b);
  slider_->resize(b.Width(), b.Height());
  slider_->SetTransparent(SliderTransparent());
  PlaceSlider();
}

void TskTrackBar::SetOrientation(TskProgressBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  ApplyStyle();
}

void TskTrackBar::SetTransparent(bool on) {
  transparent_ = on;
  update();
}

void TskTrackBar::SetMin(int v) {
  min_ = std::min(v, max_);
  position_ = std::clamp(position_, min_, max_);
  Changed();
}

void TskTrackBar::SetMax(int v) {
  max_ = std::max(v, min_);
  position_ = std::clamp(position_, min_, max_);
  Changed();
}

void TskTrackBar::SetPosition(int v) {
  position_ = std::clamp(v, min_, max_);
  Changed();
}

void TskTrackBar::SetPageSize(int v) {
  if (v >= 0 && v <= max_) pageSize_ = v;
}

void TskTrackBar::SetLineSize(int v) {
  if (v >= 0 && v <= max_) lineSize_ = v;
}

void TskTrackBar::Changed() {
  PlaceSlider();
  update();
  if (position_ != lastPosition_) {
    lastChange_ = int(std::clamp<int64_t>(int64_t(position_) - lastPosition_, INT32_MIN, INT32_MAX));
    lastPosition_ = position_;
    if (OnChange) OnChange();
  }
}

int TskTrackBar::TrackLength() const { return orientation_ == skHorizontal ? width() : height(); }

int TskTrackBar::SliderLength() const {
  return orientation_ == skHorizontal ? slider_->width() : slider_->height();
}

int TskTrackBar::SliderOffset() const {
  const int64_t range = int64_t(max_) - min_;
  const int64_t room = std::max(0, TrackLength() - SliderLength());  // L < S counts as L = S
  if (range <= 0) return 0;
  return int(room * (int64_t(position_) - min_) / range);
}

int TskTrackBar::ValueAt(int p) const {
  const int64_t room = TrackLength() - SliderLength();
  if (room <= 0) return Clamp64(0, min_, max_);
  const int64_t range = int64_t(max_) - min_;
  const int64_t num = (int64_t(p) - SliderLength() / 2) * range;
  // round(num / room), halves away from zero
  const int64_t q = num >= 0 ? (num + room / 2) / room : -((-num + room / 2) / room);
  return Clamp64(int64_t(min_) + q, min_, max_);
}

std::vector<int> TskTrackBar::TickOffsets() const {
  std::vector<int> ticks;
  if (max_ <= min_) return ticks;
  const int64_t range = int64_t(max_) - min_;
  const int64_t room = std::max(0, TrackLength() - SliderLength());
  const int half = SliderLength() / 2;
  auto offset = [&](int64_t v) { return int((v - min_) * room / range) + half; };
  auto add = [&](int o) {
    if (ticks.empty() || ticks.back() != o) ticks.push_back(o);
  };
  if (Frequency <= 0) {  // no step to walk by: the ends only
    add(offset(min_));
    add(offset(max_));
    return ticks;
  }
  // At most one tick per pixel: denser ticks mark every pixel of the track.
  if (range / Frequency > room) {
    for (int o = 0; o <= room; ++o) add(o + half);
    return ticks;
  }
  for (int64_t v = min_; v < max_; v += Frequency) add(offset(v));
  add(offset(max_));
  return ticks;
}

void TskTrackBar::BuildBar() {
  const int length = std::max(0, TrackLength());
  const int h = barImage_.Height();
  if (length <= 0 || h <= 0) {
    bar_ = TBitmap();
    return;
  }
  TBitmap b(length, h, pf24bit);
  TCanvas c(b);
  c.Brush.Color = ColorToRGB(Color);
  c.FillRect({0, 0, length, h});
  DrawThreePartImage(barImage_, c, {0, 0, length, h}, false);
  if (orientation_ == skVertical) RotateBitmapLeft(b);
  bar_ = std::move(b);
}

void TskTrackBar::PlaceSlider() {
  const int cross = orientation_ == skHorizontal ? height() : width();
  const int sliderCross = orientation_ == skHorizontal ? slider_->height() : slider_->width();
  const int across = std::max(0, cross - sliderCross) / 2;
  if (orientation_ == skHorizontal) slider_->move(SliderOffset(), across);
  else slider_->move(across, SliderOffset());
}

void TskTrackBar::resizeEvent(QResizeEvent*) {
  BuildBar();
  PlaceSlider();
}

TBitmap TskTrackBar::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  if (transparent_) {
    PaintTransparentBackground(c, this);
  } else {
    c.Brush.Color = ColorToRGB(Color);
    c.FillRect({0, 0, width(), height()});
  }
  if (!bar_.Empty()) {
    if (orientation_ == skHorizontal) c.Draw(0, (height() - bar_.Height()) / 2, bar_);
    else c.Draw((width() - bar_.Width()) / 2, 0, bar_);
  }
  if (hasFocus() && TabStop()) c.DrawFocusRect({0, 0, width(), height()});
  if (ShowTick) {
    c.Brush.Color = 0;
    for (int o : TickOffsets()) {
      if (orientation_ == skHorizontal) {
        c.FillRect({o, height() - 3, o + 1, height()});
      } else {
        c.FillRect({0, o, 3, o + 1});
        c.FillRect({width() - 3, o, width(), o + 1});
      }
    }
  }
  return b;
}

void TskTrackBar::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

void TskTrackBar::PageToward(int along, int step) {
  const int target = ValueAt(along);
  const int sliderStart = SliderOffset();
  if (along >= sliderStart + SliderLength()) {
    SetPosition(int(std::min<int64_t>(int64_t(position_) + step, target)));
  } else if (along < sliderStart) {
    SetPosition(int(std::max<int64_t>(int64_t(position_) - step, target)));
  }
}

void TskTrackBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  pagingAt_ = Along(event->position().toPoint());
  PageToward(pagingAt_, pageSize_);
  paging_ = std::make_unique<TTimer>(SkinClock());
  paging_->SetInterval(kPagingMs);
  paging_->SetOnTimer([this] {
    PageToward(pagingAt_, orientation_ == skVertical ? pageSize_ : 3 * pageSize_);
  });
}

void TskTrackBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (dragging_) {
    SetPosition(ValueAt(Along(p) - grab_ + SliderLength() / 2));
  } else if (paging_) {
    if (!rect().contains(p)) paging_.reset();  // leaving the control ends the paging
    else pagingAt_ = Along(p);
  }
}

void TskTrackBar::mouseReleaseEvent(QMouseEvent*) {
  paging_.reset();
  dragging_ = false;
}

void TskTrackBar::leaveEvent(QEvent*) { paging_.reset(); }

bool TskTrackBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == slider_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
          dragging_ = true;  // the slider grabs the mouse while the button is down
          grab_ = Along(e->position().toPoint());
          if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
        }
        return true;
      }
      case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_) SetPosition(ValueAt(Along(slider_->mapTo(this, e->position().toPoint())) - grab_ + SliderLength() / 2));
        return true;
      }
      case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TskTrackBar::event(QEvent* event) {
  // The arrow keys belong to the track bar, not to the dialog's focus moves.
  if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    switch (k->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (event->type() == QEvent::ShortcutOverride) {
          event->accept();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QWidget::event(event);
}

void TskTrackBar::keyPressEvent(QKeyEvent* event) {
  const int64_t p = position_;
  int64_t next;
  switch (event->key()) {
    case Qt::Key_PageUp: next = p - pageSize_; break;
    case Qt::Key_PageDown: next = p + pageSize_; break;
    case Qt::Key_End: next = max_; break;
    case Qt::Key_Home: next = min_; break;
    case Qt::Key_Left:
    case Qt::Key_Up: next = p - lineSize_; break;
    case Qt::Key_Right:
    case Qt::Key_Down: next = p + lineSize_; break;
    default: return QWidget::keyPressEvent(event);
  }
  SetPosition(Clamp64(next, min_, max_));
}

}  // namespace skin
