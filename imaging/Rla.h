#pragma once
// Wavefront RLA pictures: red, green and blue channels (and a matte channel as alpha) of up to
// 16 bits, each row's channels run-length packed, rows in either order; the file's gamma is
// applied when it is not 1.0. Channels above 8 bits are reduced to 8.
// Registered for "rla", "rpf".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TRLAGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatRla; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
