#include "skin/frmPopup.h"

#include <QMouseEvent>
#include <QPainter>

#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"

namespace skin {

using namespace platform;

namespace {

const TRect kTitleRect = Bounds(10, 5, 181 - 30, 18);
const TRect kTextRect = Bounds(8, 28, 181 - 10, 116 - 10);

TFontDescription NoticeFont() {
  TFontDescription f = DefaultControlFont();
  f.Color = 0x800000;
  return f;
}

}  // namespace

TfrmPopupForm::TfrmPopupForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      TitleFont(NoticeFont()),
      TextFont(NoticeFont()) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  const TBitmap* background = BuiltInPicture("POPUPFORM");
  resize(background->Width(), background->Height());
  final_ = QRect(QPoint(0, 0), size());
}

TfrmPopupForm::~TfrmPopupForm() = default;

TBitmap TfrmPopupForm::PaintBitmap() const {
  const TBitmap* background = BuiltInPicture("POPUPFORM");
  TBitmap b = *background;
  TCanvas c(b);
  c.Brush.Style = bsClear;
  c.Font = TitleFont;
  TRect title = kTitleRect;
  c.DrawText(Title, title, DT_SINGLELINE | DT_NOPREFIX);
  c.Font = TextFont;
  TRect text = kTextRect;
  c.DrawText(Text, text, DT_WORDBREAK | DT_NOPREFIX);
  return b;
}

void TfrmPopupForm::paintEvent(QPaintEvent*) {
  // Content top first: the shown part is the top of the notice.
  QPainter p(this);
  PaintToWidget(p, PaintBitmap());
}

void TfrmPopupForm::SetShownHeight(int h) {
  h = std::clamp(h, 1, final_.height());
  setGeometry(final_.x(), final_.bottom() + 1 - h, final_.width(), h);
}

void TfrmPopupForm::ShowAt(QPoint at) {
  if (state_ == psSlidingOut) Finish();
  if (state_ == psShown || state_ == psSlidingIn) {
    stayStart_ = SkinClock().NowMs();  // the stay starts again; no second slide
    update();
    return;
  }
  final_ = QRect(at, final_.size());
  pressedInBox_ = false;
  stay_ = std::make_unique<TTimer>(SkinClock());
  stay_->SetInterval(kStayCheckMs);
  stay_->SetOnTimer([this] { StayTick(); });
  if (AnimateTime <= 0) {
    state_ = psShown;
    setGeometry(final_);
    stayStart_ = SkinClock().NowMs();
  } else {
    state_ = psSlidingIn;
    slideFrom_ = 0;
    slideStart_ = SkinClock().NowMs();
    SetShownHeight(1);
    slide_ = std::make_unique<TTimer>(SkinClock());
    slide_->SetInterval(kSlideStepMs);
    slide_->SetOnTimer([this] { SlideTick(); });
  }
  show();
  raise();
}

void TfrmPopupForm::SlideTick() {
  const int64_t elapsed = SkinClock().NowMs() - slideStart_;
  const int full = final_.height();
  if (state_ == psSlidingIn) {
    const int h = elapsed >= AnimateTime ? full : int(int64_t(full) * elapsed / AnimateTime);
    SetShownHeight(h);
    if (h >= full) {
      slide_.reset();
      state_ = psShown;
      stayStart_ = SkinClock().NowMs();  // the stay counts from the end of the slide
    }
  } else if (state_ == psSlidingOut) {
    const int64_t span = std::max<int64_t>(1, int64_t(AnimateTime) * slideFrom_ / full);
    const int h = elapsed >= span ? 0 : int(slideFrom_ - int64_t(slideFrom_) * elapsed / span);
    if (h <= 0) {
      Finish();
      return;
    }
    SetShownHeight(h);
  }
}

void TfrmPopupForm::StayTick() {
  if (state_ != psShown) return;
  // 64-bit monotonic time: the notice always stays its time.
  if (SkinClock().NowMs() - stayStart_ >= StayTime) HideNotice(true);
}

void TfrmPopupForm::HideNotice(bool animated) {
  if (state_ == psHidden || state_ == psSlidingOut) return;
  stay_.reset();
  if (!animated || AnimateTime <= 0) {
    Finish();
    return;
  }
  state_ = psSlidingOut;
  slideFrom_ = height();
  slideStart_ = SkinClock().NowMs();
  slide_ = std::make_unique<TTimer>(SkinClock());
  slide_->SetInterval(kSlideStepMs);
  slide_->SetOnTimer([this] { SlideTick(); });
}

void TfrmPopupForm::Finish() {
  auto slide = std::move(slide_);  // may be the timer running this
  stay_.reset();
  hide();
  setGeometry(final_);
  state_ = psHidden;
  if (OnClose) OnClose();
}

void TfrmPopupForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The window shows the top of the notice, from its own top.
  const QPoint p = event->position().toPoint();
  if (kCloseBox.Contains(p.x(), p.y())) {
    pressedInBox_ = true;
    HideNotice(false);
  }
}

void TfrmPopupForm::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressedInBox_) {
    pressedInBox_ = false;
    return;
  }
  const QPoint p = event->position().toPoint();
  if (kTitleRect.Contains(p.x(), p.y())) {
    if (OnTitleClick) OnTitleClick();
    return;
  }
  // The text covers most of the window: a click on it counts as one on the background.
  if (OnClick) OnClick();
  if (ClickHide) HideNotice(true);
}

}  // namespace skin
