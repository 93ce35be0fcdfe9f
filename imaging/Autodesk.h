#pragma once
// Autodesk Animator pictures: 8 bits a pixel under a 256-colour palette of 6-bit values.
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
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
