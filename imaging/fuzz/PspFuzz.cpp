// Feeds arbitrary bytes to the Paint Shop Pro reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Psp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TPSPGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
