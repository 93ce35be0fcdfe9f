// Feeds arbitrary bytes to the PCX reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TPCXGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
