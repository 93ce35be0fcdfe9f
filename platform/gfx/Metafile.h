#pragma once
// The framework's metafile picture class, registered by the image formats for "wmf" and "emf".
// A metafile is a recording of drawing calls; playing one back needs the whole of the original
// drawing interface (regions, world transforms, every text and raster operation), far beyond
// what this drawing layer offers, so a metafile is never loaded: the picture stays empty.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Picture.h"

namespace platform {

inline constexpr const char* SMetafileNotSupported =
    "Cannot load image. Metafile drawing is not supported for WMF/EMF files.";

class TMetafile : public TGraphic {
 public:
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  // Always throws EInvalidGraphic SMetafileNotSupported.
  void LoadFromStream(const uint8_t* data, size_t size) override;
  // Writes nothing.
  std::vector<uint8_t> SaveToStream() const override { return {}; }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void Draw(TCanvas&, const TRect&) const override {}
};

}  // namespace platform
