#include "skin/SkinScrollBar.h"

#include <QPainter>

namespace skin {

using namespace platform;

TskScrollBar::TskScrollBar(QWidget* parent) : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  track_ = new TskScrollTrackBar(this);
  track_->SetMax(100);
  first_ = new TskImageButton(this);
  second_ = new TskImageButton(this);
  for (TskImageButton* b : {first_, second_}) {
    b->SetTabStop(false);
    b->MouseContinuouslyDownInterval = 100;
  }
  first_->OnClick = [this] { Step(-SmallChange); };
  first_->OnMouseContinuouslyDown = [this] { Step(-SmallChange); };
  second_->OnClick = [this] { Step(SmallChange); };
  second_->OnMouseContinuouslyDown = [this] { Step(SmallChange); };
  resize(185, 17);
  ApplyStyle();
}

void TskScrollBar::Step(int delta) { track_->SetPosition(int(std::clamp<int64_t>(int64_t(track_->Position()) + delta, INT32_MIN, INT32_MAX))); }

void TskScrollBar::SetOrientation(TskProgressBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  const QSize s = size();
  resize(s.height(), s.width());
  ApplyStyle();
}

void TskScrollBar::SetPageSize(int v) {
  pageSize_ = v;
  track_->SetPageSize(v);
  BuildSlider();
}

void TskScrollBar::SetLineButton(int v) {
  lineButton_ = v;
  BuildSlider();
}

void TskScrollBar::StyleChanged(const TThemeSource& source) {
  Color = source.Color(tiScrollBarBackgroundColor);
  track_->Color = Color;
  for (int i = 0; i < 3; ++i) {
    parts_[i] = source.Image(tiScrollBarSliderImage, i + 1, 3);
    if (orientation_ == skVertical) RotateBitmapRight(parts_[i]);
  }
  TBitmap* pics[2][3] = {{&first_->PicNormal, &first_->PicMouseOn, &first_->PicMouseDown},
                         {&second_->PicNormal, &second_->PicMouseOn, &second_->PicMouseDown}};
  for (int b = 0; b < 2; ++b)
    for (int i = 0; i < 3; ++i) {
      *pics[b][i] = source.Image(tiScrollBarButtonImage, b * 3 + i + 1, 6);
      if (orientation_ == skHorizontal) RotateBitmapLeft(*pics[b][i]);
    }
  for (TskImageButton* b : {first_, second_}) {
    b->resize(b->PicNormal.Width(), b->PicNormal.Height());
    b->update();
  }
  track_->SetOrientation(orientation_);
  LayoutParts();
}

void TskScrollBar::LayoutParts() {
  if (laying_) return;
  laying_ = true;
  if (width() <= 0 || height() <= 0) {
    hide();  // a bar of no width or height hides itself
    laying_ = false;
    return;
  }
  if (orientation_ == skHorizontal) {
    resize(width(), first_->height());
    first_->move(0, 0);
    track_->setGeometry(first_->width(), 0, std::max(0, width() - first_->width() - second_->width()), first_->height());
    second_->move(width() - second_->width(), 0);
  } else {
    resize(first_->width(), height());
    first_->move(0, 0);
    track_->setGeometry(0, first_->height(), first_->width(),
                        std::max(0, height() - first_->height() - second_->height() - 1));
    second_->move(0, height() - second_->height());
  }
  laying_ = false;
  BuildSlider();
}

void TskScrollBar::BuildSlider() {
  const int trackLength = orientation_ == skHorizontal ? track_->width() : track_->height();
  int length;
  if (lineButton_ > 0) {
    // A slider longer than the track is not taken.
    length = lineButton_ > trackLength ? 0 : std::max(18, lineButton_);
  } else {
    length = 0;
  }
  if (length == 0) {
    const int percent = pageSize_ < 10 || pageSize_ > 100 ? 10 : pageSize_;
    length = trackLength * percent / 100;
  }
  const bool horizontal = orientation_ == skHorizontal;
  const TBitmap& start = parts_[0];
  const TBitmap& middle = parts_[1];
  const TBitmap& end = parts_[2];
  if (start.Empty() || middle.Empty() || end.Empty() || length <= 0) return;
  const int cross = horizontal ? start.Height() : start.Width();
  TBitmap slider(horizontal ? length : cross, horizontal ? cross : length, pf24bit);
  TCanvas c(slider);
  if (horizontal) {
    c.StretchDraw({start.Width(), 0, length - end.Width(), cross}, middle);
    c.Draw(0, 0, start);
    c.Draw(length - end.Width(), 0, end);
  } else {
    c.StretchDraw({0, start.Height(), cross, length - end.Height()}, middle);
    c.Draw(0, 0, start);
    c.Draw(0, length - end.Height(), end);
  }
  track_->SetSliderImage(slider);
}

void TskScrollBar::resizeEvent(QResizeEvent*) { LayoutParts(); }

void TskScrollBar::paintEvent(QPaintEvent*) { QPainter(this).fillRect(rect(), ToQColor(Color)); }

}  // namespace skin
