#pragma once
// ZSoft Paintbrush pictures.
// Registered for "pcx", "pcc", "scr".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPCXGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // Writes nothing: the format is read only.
  std::vector<uint8_t> SaveToStream() const override { return {}; }

 protected:
  std::string_view FormatName() const override { return SFormatPcxOrScr; }
};

}  // namespace imaging
