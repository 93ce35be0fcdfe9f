#include "imaging/Pcd.h"

#include <cstring>

namespace imaging {

platform::TGraphicClass TPCDGraphic::Class() { return platform::GraphicClassOf<TPCDGraphic>("TPCDGraphic"); }

namespace {

// Chroma of a pair of rows widened to full width: row 1 from this pair's samples, row 2 halfway
// to the next pair's (`next`); the sample past the end repeats the last one.
void WidenChroma(const uint8_t* chroma, const uint8_t* next, size_t half, uint8_t* row1,
                 uint8_t* row2) {
  for (size_t i = 0; i < half; ++i) {
    const unsigned c0 = chroma[i], c1 = chroma[i + 1 < half ? i + 1 : i];
    const unsigned n0 = next[i], n1 = next[i + 1 < half ? i + 1 : i];
    row1[2 * i] = uint8_t(c0);
    row1[2 * i + 1] = uint8_t((c0 + c1) >> 1);
    row2[2 * i] = uint8_t((c0 + n0) >> 1);
    row2[2 * i + 1] = uint8_t((c0 + c1 + n0 + n1) >> 2);
  }
}

}  // namespace

void TPCDGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  static constexpr struct {
    uint32_t Width, Height, Offset;
  } sizes[] = {{192, 128, 0x2000}, {384, 256, 0xB800}, {768, 512, 0x30000}};
  if (Resolution < 0 || Resolution > 2) RaiseNotSupported(SPcdSizesAre);
  if (std::memcmp(in.At(0x800, 7).data(), "PCD_IPI", 7) != 0) RaiseInvalidImage();
  const uint8_t orientation = in.At(0x2F84B, 1)[0] & 3;
  const bool rotate = orientation == 1 || orientation == 3;
  const bool reverse = orientation == 2 || orientation == 3;
  const uint32_t width = sizes[Resolution].Width, height = sizes[Resolution].Height;

  TColorManager& m = ColorManager();
  m.SetSourceSamplesPerPixel(3);
  m.SetTargetSamplesPerPixel(3);
  m.SetSourceColorScheme(schYCbCr);
  m.SetTargetColorScheme(schBGR);
  bitmap.SetPixelFormat(TargetPixelFormat());

  // Every pair of rows: luma of both, then half-width Cb and Cr shared by the two.
  const size_t half = width / 2, pairBytes = 3 * size_t(width), pairs = height / 2;
  const uint8_t* data = in.At(sizes[Resolution].Offset, pairs * pairBytes).data();
  SizeBitmap(bitmap, rotate ? height : width, rotate ? width : height);
  std::vector<uint8_t> cb1(width), cb2(width), cr1(width), cr2(width);
  std::vector<uint8_t> turned1(rotate ? 3 * size_t(width) : 0), turned2(turned1.size());
  for (size_t p = 0; p < pairs; ++p) {
    const uint8_t* pair = data + p * pairBytes;
    const uint8_t* next = data + (p + 1 < pairs ? p + 1 : p) * pairBytes;
    WidenChroma(pair + 2 * width, next + 2 * width, half, cb1.data(), cb2.data());
    WidenChroma(pair + 2 * width + half, next + 2 * width + half, half, cr1.data(), cr2.data());
    const int r = int(2 * p);
    auto convert = [&](const uint8_t* luma, const std::vector<uint8_t>& cb,
                       const std::vector<uint8_t>& cr, std::span<uint8_t> target) {
      m.ConvertRow({std::span<const uint8_t>(luma, width), cb, cr}, target, width);
    };
    if (!rotate) {
      convert(pair, cb1, cr1, BitmapRow(bitmap, reverse ? int(height) - 1 - r : r));
      convert(pair + width, cb2, cr2, BitmapRow(bitmap, reverse ? int(height) - 2 - r : r + 1));
      continue;
    }
    // Turned: file row r becomes bitmap column r, its pixel i bitmap row i (reversed) or
    // width - 1 - i.
    convert(pair, cb1, cr1, turned1);
    convert(pair + width, cb2, cr2, turned2);
    for (uint32_t i = 0; i < width; ++i) {
      uint8_t* target = bitmap.ScanLine(int(reverse ? i : width - 1 - i));
      std::memcpy(target + 3 * size_t(r), &turned1[3 * size_t(i)], 3);
      std::memcpy(target + 3 * size_t(r + 1), &turned2[3 * size_t(i)], 3);
    }
  }
}

}  // namespace imaging
