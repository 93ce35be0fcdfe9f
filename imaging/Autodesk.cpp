#include "imaging/Autodesk.h"

#include <algorithm>

namespace imaging {

platform::TGraphicClass TAutodeskGraphic::Class() { return platform::GraphicClassOf<TAutodeskGraphic>("TAutodeskGraphic"); }

void TAutodeskGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  if (in.U16LE() != 0x9119) RaiseInvalidImage();
  const uint16_t width = in.U16LE();
  const uint16_t height = in.U16LE();
  in.Skip(26);
  bitmap.SetPixelFormat(platform::pf8bit);

  // Red, green, blue in 0..63, widened to 0..255 (a value beyond 63 is taken as full).
  const std::span<const uint8_t> entries = in.Read(256 * 3);
  std::vector<platform::TColor> palette(256);
  auto widen = [](uint8_t v) { return uint8_t(std::min(v * 4, 255)); };
  for (size_t i = 0; i < 256; ++i)
    palette[i] = platform::RGB(widen(entries[3 * i]), widen(entries[3 * i + 1]),
                               widen(entries[3 * i + 2]));
  bitmap.SetPalette(palette);

  const std::span<const uint8_t> pixels = in.Read(uint64_t(width) * height);
  SizeBitmap(bitmap, width, height);
  for (uint16_t y = 0; y < height; ++y)
    std::copy_n(pixels.begin() + size_t(y) * width, width, bitmap.ScanLine(y));
}

}  // namespace imaging
