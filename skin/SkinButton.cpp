#include "skin/SkinButton.h"

#include <QDialog>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QShortcut>

#include "platform/base/GbkText.h"
#include "skin/SkinMenu.h"
#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

namespace {

TClock* gClock = nullptr;


// Text on one line in `r` by DT flags; disabled: white one pixel right and down, then grey.
void DrawLine(TCanvas& c, const std::string& text, TRect r, unsigned flags, bool enabled, TColor color) {
  c.Brush.Style = bsClear;
  if (!enabled) {
    c.Font.Color = 0xFFFFFF;
    TRect shadow = r.Offset(1, 1);
    c.DrawText(text, shadow, flags);
    color = 0x808080;
  }
  c.Font.Color = ColorToRGB(color);
  c.DrawText(text, r, flags);
}

}  // namespace

TFontDescription DefaultControlFont() {
  TFontDescription f;
  f.Name = "\xCB\xCE\xCC\xE5";  // "宋体"
  f.SetSize(9);
  f.Charset = GB2312_CHARSET;
  return f;
}

TClock& SkinClock() { return gClock ? *gClock : SteadyClock(); }
void SetSkinClock(TClock* clock) { gClock = clock; }

void DrawButtonGlyph(TCanvas& c, const TBitmap& pic, const TRect& t, TColor key) {
  const int pw = pic.Width(), ph = pic.Height(), W = t.Width(), H = t.Height();
  if (pw <= 0 || ph <= 0 || W <= 0 || H <= 0) return;
  const int cw = pw / 2, ch = ph / 2;                          // the corners of the picture
  const int kw = std::min(cw, W / 2), kh = std::min(ch, H / 2);  // as far as the target allows
  auto part = [&](const TRect& dst, const TRect& src) {
    if (dst.Width() > 0 && dst.Height() > 0 && src.Width() > 0 && src.Height() > 0)
      c.TransparentDraw(dst.Offset(t.Left, t.Top), pic, src, key);
  };
  // Corners.
  part({0, 0, kw, kh}, {0, 0, kw, kh});
  part({W - kw, 0, W, kh}, {pw - kw, 0, pw, kh});
  part({0, H - kh, kw, H}, {0, ph - kh, kw, ph});
  part({W - kw, H - kh, W, H}, {pw - kw, ph - kh, pw, ph});
  // Edges from the middle column and row.
  part({kw, 0, W - kw, kh}, {cw, 0, cw + 1, kh});
  part({kw, H - kh, W - kw, H}, {cw, ph - kh, cw + 1, ph});
  part({0, kh, kw, H - kh}, {0, ch, kw, ch + 1});
  part({W - kw, kh, W, H - kh}, {pw - kw, ch, pw, ch + 1});
  // The middle.
  part({kw, kh, W - kw, H - kh}, {cw, ch, cw + 1, ch + 1});
}

// --- TskCustomButton ---

TskCustomButton::TskCustomButton(QWidget* parent) : QPushButton(parent), font_(DefaultControlFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { Clicked(); });
}

TskCustomButton::~TskCustomButton() = default;

void TskCustomButton::SetCaption(const QString& caption) {
  setText(caption);
  update();
}

void TskCustomButton::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on) AdjustSizeToSkin();
}

void TskCustomButton::SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

void TskCustomButton::SetCancel(bool on) {
  cancel_ = on;
  if (on && !escape_) {
    // Escape clicks the Cancel button, in place of a dialog's plain reject.
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setContext(Qt::WindowShortcut);
    connect(escape_, &QShortcut::activated, this, [this] {
      if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) click();
    });
  }
  if (escape_) escape_->setEnabled(on);
}

void TskCustomButton::SetTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  TransparencyChanged();
}

void TskCustomButton::SetFont(const TFontDescription& font) {
  font_ = font;
  FontChanged();
}

std::string TskCustomButton::CaptionGbk() const { return Utf8ToGbk(text().toStdString()); }

void TskCustomButton::PaintBackground(TCanvas& c) {
  if (transparent_) PaintTransparentBackground(c, this);
  else FillColor(c, {0, 0, width(), height()}, Color);
}

void TskCustomButton::DrawPicture(TCanvas& c, const TBitmap& picture) {
  if (picture.Empty()) return;
  const TColor key = PictureTransparent() ? picture.GetPixel(0, 0) : clInvalid;
  DrawMaskedPicture(c, picture, 0, 0, key, !isEnabled());
}

void TskCustomButton::DrawCaption(TCanvas& c, const std::string& text) {
  c.Font = font_;
  if (boldOnce_) c.Font.Style |= FontStyleBit(fsBold);
  TRect r{0, 0, width(), height()};
  if (Pressed()) r = r.Offset(1, 1);
  DrawLine(c, text, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER, isEnabled(), font_.Color);
}

void TskCustomButton::DrawFocus(TCanvas& c) {
  const int m = FocusedRectMargin;
  c.DrawFocusRect({m, m, width() - m, height() - m});
}

TBitmap TskCustomButton::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  const TBitmap picture = !isEnabled()  ? PictureDisabled()
                          : Pressed()   ? PictureMouseDown()
                          : mouseOn_    ? PictureMouseOn()
                                        : PictureNormal();
  PaintBackground(c);
  DrawPicture(c, picture);
  if (hasFocus() && focusPolicy() != Qt::NoFocus) DrawFocus(c);
  const std::string caption = CaptionGbk();
  if (caption.find_first_not_of(" \t") != std::string::npos || HasGlyph()) DrawCaption(c, caption);
  boldOnce_ = false;
  return b;
}

void TskCustomButton::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

void TskCustomButton::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  mouseOn_ = true;
  update();
  if (OnMouseEnter) OnMouseEnter();
}

void TskCustomButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  mouseOn_ = false;
  mouseDown_ = false;
  StopRepeat();
  update();
  if (OnMouseExit) OnMouseExit();
}

void TskCustomButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && isEnabled()) {
    mouseDown_ = true;
    StopRepeat();
    if (MouseContinuouslyDownInterval > 0) {
      repeat_ = std::make_unique<TTimer>(SkinClock());
      repeat_->SetInterval(MouseContinuouslyDownInterval);
      repeat_->SetOnTimer([this] {
        if (OnMouseContinuouslyDown) OnMouseContinuouslyDown();
      });
    }
    update();
  }
  QPushButton::mousePressEvent(event);
}

void TskCustomButton::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  const QPoint p = event->position().toPoint();
  if (!rect().contains(p)) {
    if (mouseOn_ || mouseDown_) {
      mouseOn_ = mouseDown_ = false;
      StopRepeat();
      update();
    }
  } else if (!mouseOn_) {
    mouseOn_ = true;
    update();
  }
}

void TskCustomButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasDown = mouseDown_;
  mouseDown_ = false;
  StopRepeat();
  QPushButton::mouseReleaseEvent(event);  // clicks when released inside
  if (wasDown) update();
}

void TskCustomButton::Clicked() {
  mouseDown_ = false;
  StopRepeat();
  update();
  if (ModalResult != 0) {
    if (auto* dialog = qobject_cast<QDialog*>(window())) {
      if (ModalResult == 1) dialog->accept();
      else if (ModalResult == 2) dialog->reject();
      else dialog->done(ModalResult);
    }
  }
  if (OnClick) OnClick();
}

void TskCustomButton::StopRepeat() { repeat_.reset(); }

void TskCustomButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

void TskCustomButton::focusInEvent(QFocusEvent* event) {
  QPushButton::focusInEvent(event);
  update();
}

void TskCustomButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  update();
}

// --- TskButton ---

TskButton::TskButton(QWidget* parent) : TskCustomButton(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  resize(75, 25);
  ApplyStyle();
}

void TskButton::StyleChanged(const TThemeSource& source) {
  for (int i = 0; i < 3; ++i) frames_[i] = source.Image(tiButtonImage, i + 1, 3);
  SetTransparent(source.Bool(tiButtonTransparentBool));
  if (AutoSize()) AdjustSizeToSkin();
}

void TskButton::AdjustSizeToSkin() {
  TBitmap pic;
  GetBuiltInImage(UIStyle(), tiButtonImage, &pic);
  resize(pic.Empty() ? 74 : pic.Width() / 3, pic.Empty() ? 21 : pic.Height());
}

void TskButton::SetGlyph(const TBitmap& glyph) {
  glyph_ = glyph;
  update();
}

void TskButton::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  update();
}

void TskButton::SetSpacing(int spacing) {
  spacing_ = spacing;
  update();
}

void TskButton::DrawPicture(TCanvas& c, const TBitmap& picture) {
  if (picture.Empty()) return;
  DrawButtonGlyph(c, picture, {0, 0, width(), height()}, Transparent() ? picture.GetPixel(0, 0) : clSkinKey);
}

void TskButton::DrawFocus(TCanvas& c) {
  if (UIStyle() == MacOS || UIStyle() == BlueGlass) BoldCaptionOnce();
  else TskCustomButton::DrawFocus(c);
}

void TskButton::DrawCaption(TCanvas& c, const std::string& text) {
  if (glyph_.Empty()) return TskCustomButton::DrawCaption(c, text);
  c.Font = Font();
  if (UIStyle() == MacOS || UIStyle() == BlueGlass) {
    if (hasFocus() && TabStop()) c.Font.Style |= FontStyleBit(fsBold);
  }
  TRect measure{0, 0, 0, 0};
  c.DrawText(text, measure, DT_SINGLELINE | DT_CALCRECT);
  const int tw = measure.Width(), th = measure.Height();
  // A glyph twice as wide as high holds an enabled and a disabled frame.
  TBitmap glyph = glyph_;
  bool greyed = !isEnabled();
  if (glyph_.Width() == 2 * glyph_.Height()) {
    CopyStripFrame(glyph_, glyph, 2, isEnabled() ? 1 : 2);
    greyed = false;
  }
  const int gw = glyph.Width(), gh = glyph.Height(), s = spacing_, W = width(), H = height();
  int gx = 0, gy = 0, tx = 0, ty = 0;
  switch (layout_) {
    case blGlyphLeft:
      gx = (W - (tw + gw + s)) / 2, gy = (H - gh) / 2, tx = gx + gw + s, ty = (H - th) / 2;
      break;
    case blGlyphRight:
      gx = (W + tw + s - gw) / 2, gy = (H - gh) / 2, tx = gx - tw - s, ty = (H - th) / 2;
      break;
    case blGlyphTop:
      gx = (W - gw) / 2, gy = (H - (th + gh + s)) / 2, ty = gy + gh + s, tx = (W - tw) / 2;
      break;
    case blGlyphBottom:
      gx = (W - gw) / 2, gy = (H + th + s - gh) / 2, ty = gy - th - s, tx = (W - tw) / 2;
      break;
  }
  if (Pressed()) gx += 1, gy += 1, tx += 1, ty += 1;
  DrawMaskedPicture(c, glyph, gx, gy, glyph.GetPixel(0, 0), greyed);
  DrawLine(c, text, {tx, ty, W, H}, DT_SINGLELINE, isEnabled(), Font().Color);
}

// --- TskImageButton ---

TskImageButton::TskImageButton(QWidget* parent) : TskCustomButton(parent) {}

void TskImageButton::AdjustSizeToSkin() {
  if (parentWidget() && !PicNormal.Empty()) resize(PicNormal.Width(), PicNormal.Height());
}

void TskImageButton::DrawPicture(TCanvas& c, const TBitmap& picture) {
  if (picture.Empty()) return;
  const TColor key = picture.GetPixel(0, 0);
  if (Stretch)
    c.TransparentDraw({0, 0, width(), height()}, picture, {0, 0, picture.Width(), picture.Height()}, key);
  else
    c.TransparentDraw({0, 0, picture.Width(), picture.Height()}, picture, {0, 0, picture.Width(), picture.Height()},
                      key);
}

void TskImageButton::DrawFocus(TCanvas& c) {
  if (DrawFocused) TskCustomButton::DrawFocus(c);
}

// --- TskArrowButton ---

TskArrowButton::TskArrowButton(QWidget* parent) : TskButton(parent) {}

void TskArrowButton::SetArrow(TskArrowButtonType arrow) {
  arrow_ = arrow;
  update();
}

void TskArrowButton::DrawPicture(TCanvas& c, const TBitmap& picture) {
  TskButton::DrawPicture(c, picture);
  // The filled triangle (x0, y0 + 3), (x0 + 3, y0), (x0 + 6, y0 + 3) (or its mirror), row by
  // row as the device interface fills and outlines it.
  const int x0 = (width() - 6) / 2, y0 = (height() - 3) / 2;
  for (int i = 0; i <= 3; ++i) {
    const int y = arrow_ == skUp ? y0 + i : y0 + 3 - i;
    FillColor(c, {x0 + 3 - i, y, x0 + 4 + i, y + 1}, 0);
  }
}

// --- TskToolBarSpeedButton ---

TskToolBarSpeedButton::TskToolBarSpeedButton(QWidget* parent) : QWidget(parent) {
  resize(18, 18);
  setMouseTracking(true);
}

void TskToolBarSpeedButton::paintEvent(QPaintEvent*) {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  FillColor(c, {0, 0, width(), height()}, Color);
  if (!Glyph.Empty()) {
    if (mouseOn_) DrawControlBorder(c, width(), height(), 0, 0, false);
    DrawMaskedPicture(c, Glyph, 1, 1, Glyph.GetPixel(0, 0), false);
  }
  PaintToWidget(this, b);
}

void TskToolBarSpeedButton::enterEvent(QEnterEvent*) {
  mouseOn_ = true;
  update();
}

void TskToolBarSpeedButton::leaveEvent(QEvent*) {
  mouseOn_ = false;
  update();
}

void TskToolBarSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

// --- TskCheckBox ---

TskCheckBox::TskCheckBox(QWidget* parent)
    : QAbstractButton(parent), TSkinnable(this, DefaultControlStyle(parent)), font_(DefaultControlFont()) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(93, 17);
  connect(this, &QAbstractButton::toggled, this, [this] {
    update();
    if (!Loading && OnClick) OnClick();
  });
  ApplyStyle();
}

void TskCheckBox::SetChecked(bool checked) {
  if (checked != isChecked()) setChecked(checked);
}

void TskCheckBox::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void TskCheckBox::SetTransparent(bool on) {
  transparent_ = on;
  update();
}

void TskCheckBox::SetCaption(const QString& caption) {
  setText(caption);
  AdjustSize();
  update();
}

void TskCheckBox::SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

void TskCheckBox::SetFont(const TFontDescription& font) {
  font_ = font;
  AdjustSize();
  update();
}

void TskCheckBox::StyleChanged(const TThemeSource& source) {
  for (int i = 0; i < 4; ++i) frames_[i] = source.Image(tiCheckBoxImage, i + 1, 4);
  AdjustSize();
}

void TskCheckBox::AdjustSize() {
  if (!autoSize_) return;
  const TBitmap& pic = frames_[0];
  const int w = TextExtent(font_, "W").cy;
  const int caption = TextExtent(font_, Utf8ToGbk(text().remove(QLatin1Char('&')).toStdString())).cx;
  resize(pic.Width() + 8 + caption, std::max(w + 2, pic.Height()) + 4);
}

TBitmap TskCheckBox::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  if (transparent_) PaintTransparentBackground(c, this);
  else FillColor(c, {0, 0, width(), height()}, Color);
  const int f = isEnabled() ? (isChecked() ? 0 : 1) : (isChecked() ? 2 : 3);
  const TBitmap& pic = frames_[f];
  DrawMaskedPicture(c, pic, 1, (height() - pic.Height()) / 2, clSkinKey, false);
  c.Font = font_;
  const int th = c.TextHeight("W");
  const int x = pic.Width() + 4, y = (height() - th) / 2;
  const std::string caption = Utf8ToGbk(text().toStdString());
  DrawLine(c, caption, {x, y, width(), height()}, DT_SINGLELINE | DT_NOCLIP, isEnabled(), font_.Color);
  if (hasFocus() && TabStop()) c.DrawFocusRect({x - 1, y - 1, width(), y + th + 1});
  return b;
}

void TskCheckBox::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

void TskCheckBox::changeEvent(QEvent* event) {
  QAbstractButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

}  // namespace skin
