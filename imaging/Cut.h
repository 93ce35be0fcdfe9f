#pragma once
// Dr. Halo pictures: 8 bits a pixel, run-length packed rows, the palette in a file of its own
// beside the picture (the picture's name with the extension ".pal"); without one the picture
// is grey.
// Registered for "cut".
#include <span>
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
  // The palette file read with the picture; kept as it is by loads from memory. When no file
  // has this very name, one in the same folder whose name equals it ignoring the case of ASCII
  // letters is read ("IMAGE.PAL" for "image.pal"). Only a regular file is read.
  std::string PaletteFileName;

 protected:
  std::string_view FormatName() const override { return SFormatCut; }
  void ReadImage(TImageStream& in, platform::TBitmap& bitmap) override;
};

// The colours of a Dr. Halo palette file: the entry count (the word at offset 12, plus 1; at
// most 256 are taken), entries of three little-endian words red, green, blue (their low bytes
// used) from offset 40 on, in 512-byte blocks whose last bytes too few for an entry are
// skipped. Entries stop at the end of the data.
std::vector<platform::TColor> ReadCutPalette(std::span<const uint8_t> data);

}  // namespace imaging
