#pragma once
// Portable Network Graphics pictures.
// Registered for "png".
//
// Every colour type and depth of the format is read, plain or Adam7-interlaced, into the bitmap
// format the colour manager picks: grey and palette pictures as indexed bitmaps (2-bit ones as
// 4 bits, 16-bit grey as 8), RGB as pf24bit, RGBA as pf32bit with the alpha in the fourth byte,
// grey with alpha as 8-bit grey. gAMA corrects colours for a display gamma of 2.2; bKGD gives
// the colour (or index) of pixels the image data does not reach; a grey or RGB tRNS colour makes
// the picture Transparent with the colour those pixels end up with. Every chunk's CRC is checked.
#include <string_view>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPNGGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatPng; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
