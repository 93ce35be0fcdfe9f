#pragma once
// Kodak Photo-CD pictures, at one of the three sizes every file holds, turned as the file's
// orientation says.
// Registered for "pcd".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPCDGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }
  // Writes nothing: the format is read only.
  std::vector<uint8_t> SaveToStream() const override { return {}; }
  // The image size read: 0 Base/16 (192 x 128), 1 Base/4 (384 x 256), 2 Base (768 x 512);
  // any other value refuses to load.
  int Resolution = 2;

 protected:
  std::string_view FormatName() const override { return SFormatPcd; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
