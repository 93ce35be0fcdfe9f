#pragma once
// Truevision Targa pictures; the one format that is also written.
// Registered for "win", "vst", "vda", "tga", "icb".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TTargaGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // The file's image identification field, loaded from and saved to the file.
  std::string ImageID;

 protected:
  std::string_view FormatName() const override { return SFormatTarga; }
};

}  // namespace imaging
