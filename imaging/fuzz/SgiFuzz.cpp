// Feeds arbitrary bytes to the SGI reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Sgi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TSGIGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
