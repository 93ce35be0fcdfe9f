#pragma once
// SGI pictures.
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
};

}  // namespace imaging
