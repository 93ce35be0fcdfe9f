#pragma once
// The body every raster reader's fuzz target shares: the bytes must load or be refused with a
// picture or colour error, never read outside themselves or allocate beyond the bitmap limits;
// what loads must draw.
#include <cstddef>
#include <cstdint>

#include "imaging/RasterGraphic.h"
#include "platform/gfx/Canvas.h"

namespace imagingfuzz {

inline void LoadAndDraw(platform::TGraphic& g, const uint8_t* data, size_t size) {
  try {
    g.LoadFromStream(data, size);
  } catch (const platform::EInvalidGraphic&) {
    return;
  } catch (const imaging::EColorConversionError&) {
    return;
  }
  platform::TBitmap page(8, 8);
  platform::TCanvas canvas(page);
  g.Draw(canvas, {0, 0, 8, 8});
}

}  // namespace imagingfuzz
