#include "skin/SkinGroupBox.h"

#include <QEvent>

#include "platform/base/GbkText.h"
#include "skin/SkinButton.h"

namespace skin {

using namespace platform;

TskCustomGroupBox::TskCustomGroupBox(QWidget* parent) : TskCustomPanel(parent) {
  caption_ = QStringLiteral(" ");
  resize(185, 105);
  if (parent) Color = 0xFFFFFFFF;  // the parent's colour: drawn as the parent paints
  ApplyStyle();
}

int TskCustomGroupBox::LineTop() const { return TextExtent(Font, "W").cy / 2 + 1; }

void TskCustomGroupBox::StyleChanged(const TThemeSource& source) {
  BorderColor = source.Color(tiControlBorderColor);
  Font.Color = source.Color(tiControlFontColor);
  const int fh = TextExtent(Font, "W").cy;
  setContentsMargins(3, fh + 5, 3, 3);
  PropagateStyleToChildren(this, UIStyle(), FileTheme());
}

TBitmap TskCustomGroupBox::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  if (transparent_ || Color == 0xFFFFFFFF) {
    PaintTransparentBackground(c, this);
  } else {
    c.Brush.Color = ColorToRGB(Color);
    c.FillRect({0, 0, width(), height()});
  }
  c.Font = Font;
  const std::string caption = Utf8ToGbk(caption_.toStdString());
  const bool hasCaption = !caption_.trimmed().isEmpty();
  const int y0 = LineTop(), w = width(), h = height();
  const int gapEnd = hasCaption ? c.TextWidth(caption) + 6 : 0;
  c.Pen.Style = psSolid;
  c.Pen.Width = 1;
  c.Pen.Color = ColorToRGB(BorderColor);
  const TPoint line[6] = {{2, y0}, {0, y0}, {0, h - 1}, {w - 1, h - 1}, {w - 1, y0}, {gapEnd, y0}};
  c.Polyline(line);
  if (hasCaption) {
    c.Brush.Style = bsClear;
    c.Font.Color = isEnabled() ? ColorToRGB(Font.Color) : 0x808080;
    c.TextOut(5, 0, caption);
  }
  return b;
}

void TskCustomGroupBox::changeEvent(QEvent* event) {
  TskCustomPanel::changeEvent(event);  // children follow enabling through Qt
  if (event->type() == QEvent::EnabledChange) update();
}

}  // namespace skin
