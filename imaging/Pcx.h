#pragma once
// ZSoft Paintbrush pictures: one plane of 1, 2, 4 or 8 bits, four planes of 1 bit (16 colours)
// or three planes of 8 bits (24 bits), raw or run-length packed. Other plane layouts are
// refused with "Invalid color format in PCX file.".
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
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
