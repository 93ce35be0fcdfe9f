// Feeds arbitrary bytes to the Photoshop reader (seed it with the test fixtures).
#include "ReaderFuzz.h"
#include "imaging/Psd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::TPSDGraphic g;
  imagingfuzz::LoadAndDraw(g, data, size);
  return 0;
}
