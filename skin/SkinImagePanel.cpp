#include "skin/SkinImagePanel.h"

#include <QMouseEvent>

#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"
#include "skin/SkinMenu.h"

namespace skin {

using namespace platform;

namespace {


}  // namespace

// --- TskCustomPanel ---

TskCustomPanel::TskCustomPanel(QWidget* parent)
    : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)), Font(DefaultControlFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TskCustomPanel::SetPicture(const TBitmap& picture) {
  picture_ = picture;
  AdjustSize();
  update();
}

void TskCustomPanel::SetDrawStyle(TskDrawStyle style) {
  drawStyle_ = style;
  update();
}

void TskCustomPanel::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void TskCustomPanel::SetTransparent(bool on) {
  transparent_ = on;
  update();
}

void TskCustomPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TskCustomPanel::AdjustSize() {
  if (!autoSize_ || picture_.Empty()) return;
  int w = width(), h = height();
  if (Align != alTop && Align != alBottom && Align != alClient) w = picture_.Width();
  if (Align != alLeft && Align != alRight && Align != alClient) h = picture_.Height();
  resize(w, h);
}

void TskCustomPanel::PaintPicture(TCanvas& c) {
  if (transparent_) PaintTransparentBackground(c, this);
  if (!picture_.Empty()) {
    const TColor key = transparent_ ? picture_.GetPixel(0, 0) : clInvalid;
    const TRect all{0, 0, picture_.Width(), picture_.Height()};
    switch (drawStyle_) {
      case skNormal:
        DrawMaskedPicture(c, picture_, 0, 0, key, false);
        break;
      case skStretch:
        if (transparent_) c.TransparentDraw({0, 0, width(), height()}, picture_, all, key);
        else c.StretchDraw({0, 0, width(), height()}, picture_);
        break;
      case skTile:
        TileImage(c, picture_, {0, 0, width(), height()});
        break;
    }
  } else if (!transparent_) {
    FillColor(c, {0, 0, width(), height()}, Color);
  }
}

TBitmap TskCustomPanel::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  PaintPicture(c);
  const std::string text = Utf8ToGbk(caption_.trimmed().toStdString());
  if (!text.empty()) {
    c.Font = Font;
    c.Brush.Style = bsClear;
    if (CaptionPos) {
      c.TextOut(CaptionPos->x(), CaptionPos->y(), Utf8ToGbk(caption_.toStdString()));
    } else {
      const unsigned align = Alignment == taLeftJustify ? DT_LEFT : Alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
      TRect r{0, 0, width(), height()};
      c.DrawText(Utf8ToGbk(caption_.toStdString()), r, DT_SINGLELINE | DT_VCENTER | align);
    }
  }
  return b;
}

void TskCustomPanel::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

// --- TskPanel ---

TskPanel::TskPanel(QWidget* parent)
    : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)), Font(DefaultControlFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  resize(100, 100);
  ApplyStyle();
}

int TskPanel::TitleHeight() const { return title_.Empty() ? 20 : title_.Height(); }

void TskPanel::UpdateMargins() { setContentsMargins(3, TitleHeight(), 3, 3); }

void TskPanel::StyleChanged(const TThemeSource& source) {
  Color = 0xFFFFFF;
  title_ = source.Image(tiSideChannelBarImage);
  BorderColor = source.Color(tiControlBorderColor);
  if (source.FromFile()) {
    const TColor f = source.Color(tiControlFontColor);
    CaptionFontColor = (f == 0x020000 || f == 0x030000 || f == 0x040000 || f == 0x050000) ? 0 : 0xFFFFFF;
  } else {
    CaptionFontColor = source.Style() == MacOS ? 0 : source.Color(tiMenuSelectedFontColor);
  }
  UpdateMargins();
}

void TskPanel::SetShowButton(bool on) {
  showButton_ = on;
  update();
}

void TskPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TskPanel::SetHeight(int h) {
  storedHeight_ = h;
  if (expanded_ && !animation_) {
    stepping_ = true;
    resize(width(), h);
    stepping_ = false;
  }
}

QRect TskPanel::ButtonRect() const {
  const TBitmap* strip = BuiltInPicture("PANEL_BUTTON");
  const int fw = strip->Width() / 4, fh = strip->Height();
  return QRect(width() - fw - 4, (TitleHeight() - fh) / 2 + 2, fw, fh);
}

void TskPanel::Collapse() {
  if (!expanded_ || animation_) return;
  if (Align == alClient || Align == alLeft || Align == alRight)
    throw ESkinError("Can't push when Align is alClient, alLeft or alRight.");
  Step(TitleHeight(), true);
}

void TskPanel::Expand() {
  if (expanded_ || animation_) return;
  Step(storedHeight_, false);
}

void TskPanel::Step(int target, bool collapsing) {
  // One 15-pixel step per tick; clicks meanwhile are ignored, Height writes only stored.
  animation_ = std::make_unique<TTimer>(SkinClock());
  animation_->SetInterval(kStepMs);
  animation_->SetOnTimer([this, target, collapsing] {
    const int h = height();
    const int next = collapsing ? h - kStep : h + kStep;
    stepping_ = true;
    const bool done = collapsing ? next <= target : next >= target;
    resize(width(), done ? target : next);
    stepping_ = false;
    update();
    if (!done) return;
    auto finished = std::move(animation_);  // this handler's own timer: freed on return
    expanded_ = !collapsing;
    if (collapsing && OnPush) OnPush();
    if (!collapsing && OnPop) OnPop();
    if (!collapsing && height() != storedHeight_) SetHeight(storedHeight_);
    (void)finished;
  });
}

void TskPanel::resizeEvent(QResizeEvent*) {
  if (!stepping_ && expanded_ && !animation_) storedHeight_ = height();  // the user resized it
}

TBitmap TskPanel::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  const int w = width(), h = height(), th = TitleHeight();
  FillColor(c, {0, 0, w, h}, Color);
  DrawControlBorder(c, w, h, BorderColor, 0, false);
  if (!title_.Empty() && w > 2) c.StretchDraw({1, 0, w - 1, title_.Height()}, title_);
  c.Font = Font;
  c.Font.Color = ColorToRGB(CaptionFontColor);
  c.Brush.Style = bsClear;
  TRect text{10, 0, w, th};
  c.DrawText(Utf8ToGbk(caption_.toStdString()), text, DT_SINGLELINE | DT_VCENTER);
  if (showButton_ && Align != alClient && Align != alLeft && Align != alRight) {
    const TBitmap* strip = BuiltInPicture("PANEL_BUTTON");
    const int frame = (expanded_ ? 1 : 3) + (overButton_ ? 1 : 0);
    TBitmap pic;
    CopyStripFrame(*strip, pic, 4, frame);
    const QRect r = ButtonRect();
    DrawMaskedPicture(c, pic, r.x(), r.y(), pic.GetPixel(0, 0), false);
  }
  return b;
}

void TskPanel::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

void TskPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (p.y() >= TitleHeight()) return;
  const bool over = ButtonRect().contains(p);
  if (over != overButton_) {
    overButton_ = over;
    update();
  }
}

void TskPanel::leaveEvent(QEvent*) {
  if (overButton_) {
    overButton_ = false;
    update();
  }
}

void TskPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || animation_ || !showButton_) return;
  if (!ButtonRect().contains(event->position().toPoint())) return;
  if (expanded_) Collapse();
  else Expand();
}

}  // namespace skin
