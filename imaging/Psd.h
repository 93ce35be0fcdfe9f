#pragma once
// Photoshop pictures: the merged (flattened) image that follows the layers.
//
// Read: bitmap (1 bit), greyscale and duotone (8 and 16 bits, as grey), indexed (8 bits), RGB
// and multichannel (8 and 16 bits; a fourth channel is alpha), CMYK and Lab (8 and 16 bits);
// raw or PackBits. Other modes, depths and too few channels are refused with "Invalid color
// format in PSD or PDD file." rather than shown wrongly; other compressions with the
// compression text.
// Registered for "psd", "pdd".
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RasterGraphic.h"

namespace imaging {

class TPSDGraphic : public TRasterGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

 protected:
  std::string_view FormatName() const override { return SFormatPsd; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

}  // namespace imaging
