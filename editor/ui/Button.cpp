#include "Button.h"

#include <QMouseEvent>

#include "editor/ui/ErrorGuard.h"
#include "platform/gfx/Canvas.h"
#include "skin/SkinPublic.h"

namespace editor::ui {

using platform::TCanvas;
using platform::TColor;

namespace {

constexpr TColor Silver = platform::RGB(192, 192, 192);
constexpr TColor Shadow = platform::RGB(128, 128, 128);

void Frame(TCanvas& canvas, int w, int h, TColor topLeft, TColor bottomRight) {
  canvas.Pen.Color = topLeft;
  canvas.MoveTo(0, h - 1);
  canvas.LineTo(0, 0);
  canvas.LineTo(w - 1, 0);
  canvas.Pen.Color = bottomRight;
  canvas.LineTo(w - 1, h - 1);
  canvas.LineTo(-1, h - 1);
}

}  // namespace

TSimpleButton::TSimpleButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(15, 15);
}

void TSimpleButton::SetGlyph(TButtonGlyph glyph) {
  if (glyph == glyph_) return;
  glyph_ = glyph;
  update();
}

void TSimpleButton::paintEvent(QPaintEvent*) {
  platform::TBitmap bitmap = skin::ControlBitmap(this);
  TCanvas canvas(bitmap);
  canvas.Brush.Color = Silver;
  canvas.FillRect({0, 0, width(), height()});
  // Raised: light above and left; pressed: sunken, the glyph a pixel lower.
  if (down_) Frame(canvas, width(), height(), Shadow, platform::clWhite);
  else Frame(canvas, width(), height(), platform::clWhite, Shadow);
  const platform::TBitmap glyph = GlyphBitmap(glyph_);
  if (!glyph.Empty())
    canvas.Draw((width() - glyph.Width()) / 2, (height() - glyph.Height()) / 2 + (down_ ? 1 : 0), glyph);
  skin::PaintToWidget(this, bitmap);
}

void TSimpleButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  down_ = true;
  update();
}

void TSimpleButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TSimpleButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !down_) return;
  down_ = false;
  update();
  if (rect().contains(event->position().toPoint()) && OnClick) TErrorGuard::Run([this] { OnClick(); });
}

}  // namespace editor::ui
