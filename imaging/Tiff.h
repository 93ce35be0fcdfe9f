#pragma once
// TIFF pictures: the first image of a file, from its first directory.
//
// Read: bilevel, grey (1, 2, 4, 8, 16 bits; white or black as zero), palette (1, 2, 4, 8
// bits), RGB and RGBA (8 and 16 bits), CMYK, CIELab, and YCbCr without subsampling; in "II" and
// "MM" byte order; uncompressed, PackBits, CCITT modified Huffman and group 3 one-dimensional
// fax; horizontal differencing of 8-bit samples. Everything else is refused with a text that
// names it rather than shown wrongly: other compressions (LZW, deflate, JPEG, group 4),
// two-dimensional group 3, separate colour planes, subsampled YCbCr, palettes deeper than
// 8 bits, sample counts the colour space does not describe, other photometric interpretations.
//
// Offsets count from the first byte given; the directory, value lists, colour map and strips
// must lie inside the bytes ("Stream read error in TIF/TIFF file." otherwise).
// Registered for "tiff", "tif", "fax".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TTIFFGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // Writes nothing: the format is read only.
  std::vector<uint8_t> SaveToStream() const override { return {}; }

 protected:
  std::string_view FormatName() const override { return SFormatTiff; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
