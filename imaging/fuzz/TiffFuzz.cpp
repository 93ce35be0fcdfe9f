// Feeds arbitrary bytes to the TIFF reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TTIFFGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
