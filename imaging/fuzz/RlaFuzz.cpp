// Feeds arbitrary bytes to the RLA reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Rla.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TRLAGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
