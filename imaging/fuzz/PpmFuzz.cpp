// Feeds arbitrary bytes to the portable map reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Ppm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TPPMGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
