// Feeds arbitrary bytes to the Autodesk reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Autodesk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TAutodeskGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
