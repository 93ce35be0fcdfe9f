#pragma once
// Autodesk animator cels and pictures.
// Registered for "cel", "pic".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TAutodeskGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatAutodesk; }
};

}  // namespace imaging
