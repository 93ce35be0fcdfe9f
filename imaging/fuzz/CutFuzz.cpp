// Feeds arbitrary bytes to the Dr. Halo reader and to its palette file parser (seed it with the
// test fixtures, pictures and palettes).
#include "ReaderFuzz.h"
#include "imaging/Cut.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<platform::TColor> palette = imaging::ReadCutPalette({data, size});
  if (palette.size() > 256) __builtin_trap();
  imaging::TCUTGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
