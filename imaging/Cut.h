#pragma once
// Dr. Halo pictures, with their palette file beside them.
// Registered for "cut".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TCUTGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // Sets PaletteFileName to the file's name with the extension ".pal", then loads.
  void LoadFromFile(const std::string& path) override;
  // The palette file read with the picture; kept as it is by loads from memory.
  std::string PaletteFileName;

 protected:
  std::string_view FormatName() const override { return SFormatCut; }
};

}  // namespace imaging
