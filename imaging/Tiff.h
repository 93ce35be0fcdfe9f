#pragma once
// TIFF pictures: the first image of a file.
// Registered for "tiff", "tif", "fax".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TTIFFGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // Writes nothing: the format is read only.
  std::vector<uint8_t> SaveToStream() const override { return {}; }

 protected:
  std::string_view FormatName() const override { return SFormatTiff; }
};

}  // namespace imaging
