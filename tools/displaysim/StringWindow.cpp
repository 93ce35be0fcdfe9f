#include "StringWindow.h"

#include "platform/gfx/Canvas.h"

namespace displaysim {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
  return lines;
}

TPixelPicture RenderStringLines(std::string_view text, uint32_t fontSet, uint32_t colorRef,
                                int mode, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  platform::TBitmap bitmap;
  try {
    bitmap = platform::TBitmap(width, height, platform::pf24bit);
  } catch (const platform::EBitmapError&) {
    return {};
  }
  platform::TCanvas canvas(bitmap);
  const bool large = fontSet == 1;
  canvas.Font.SetSize(large ? 18 : 12);
  canvas.Font.Charset = platform::GB2312_CHARSET;
  canvas.Font.Color = platform::clWhite;  // a mask: lit pixels take the shown colour below
  canvas.Brush.Style = platform::bsClear;
  int y = 0;
  for (std::string_view line : SplitLines(text)) {
    if (y >= height) break;
    canvas.TextOut(0, y, line);
    // The card's fonts are 16 and 24 dots high, and so are its lines; the drawing layer's
    // face at 18 pt is a row taller (25), which would push every further line down.
    y += large ? 24 : 16;
  }
  const TPixel lit = ShownColor(colorRef, mode);
  TPixelPicture picture(width, height);
  for (int row = 0; row < height; ++row) {
    const uint8_t* bgr = bitmap.ScanLine(row);
    TPixel* out = picture.Row(row);
    for (int x = 0; x < width; ++x, bgr += 3)
      out[x] = (bgr[0] | bgr[1] | bgr[2]) != 0 ? lit : pxBlack;
  }
  return picture;
}

}  // namespace displaysim
