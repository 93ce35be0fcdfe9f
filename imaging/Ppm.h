#pragma once
// Portable maps: text and binary bitmaps (P1, P4), grey maps (P2, P5) and pixel maps (P3, P6).
// Samples of a maximum value above 255 (two bytes each in binary maps) are reduced to 0..255 as
// value x 255 div maximum, the reduction every 16-bit picture gets; maximum values up to 255
// keep the samples as they are.
// Bytes missing at the end raise "Stream read error in PPM file.".
// Registered for "ppm", "pgm", "pbm".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPPMGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatPortableMaps; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
