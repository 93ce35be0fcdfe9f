#pragma once
// Truevision Targa pictures; the one format that is also written.
// Registered for "win", "vst", "vda", "tga", "icb".
//
// Reading takes colour-mapped (types 1, 9), true-colour (2, 10) and grey (3, 11) files,
// uncompressed or run-length packed, bottom-up or top-down. The bitmap's pixel format follows
// the file: 8-bit pixels pf8bit under the file's colour map (or 256 greys), 15- and 16-bit pixels
// pf15bit (the attribute bit dropped), 24 bits pf24bit, 32 bits pf32bit with the fourth byte as
// stored. Other image types, pixel sizes and colour map entry sizes are refused.
//
// Writing always makes a run-length packed, top-down file: indexed pictures as type 9 with a
// 256-entry, 24-bit colour map, the others as type 10 of 16 (from pf15bit and pf16bit), 24 or 32
// bits a pixel.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TTargaGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // The file's image identification field as stored (at most 255 bytes are written).
  std::string ImageID;

  // The picture as a Targa file; nothing at all for an empty picture. The picture itself is
  // not changed.
  std::vector<uint8_t> SaveToStream() const override;

 protected:
  std::string_view FormatName() const override { return SFormatTarga; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
