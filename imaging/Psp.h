#pragma once
// Paint Shop Pro pictures of versions 3 and 4: the first image layer.
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
};

}  // namespace imaging
