#pragma once
// Paint Shop Pro pictures of file versions 3 and 4: the first image layer that fits (in version
// 3 a raster layer, in version 4 a raster or the background layer), 1, 4, 8 or 24 bits a pixel,
// its channels raw, run-length packed or deflated.
//
// A file without such a layer, or whose channels do not hold the picture, is refused rather
// than shown black.
// Registered for "psp".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPSPGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatPsp; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
