#pragma once
// Portable bitmaps, grey maps and pixel maps.
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
};

}  // namespace imaging
