#pragma once
// SGI pictures: 1 (grey), 3 (RGB) or 4 (RGBA) channels of 8 or 16 bits, raw or run-length
// packed, rows stored bottom first. 16-bit samples are reduced to 8 bits.
// Registered for "sgi", "rgba", "rgb", "bw".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TSGIGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatSgi; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
