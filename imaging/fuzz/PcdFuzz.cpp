// Drives the Photo-CD reader. Its files are large and fixed in layout, so the input is laid
// into one: byte 0 picks the size read (3 is refused), byte 1 the orientation, byte 2 whether
// the "PCD_IPI" mark is there, byte 3 how long the file is; the rest fills the image data,
// repeated.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ReaderFuzz.h"
#include "imaging/Pcd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  static const size_t lengths[] = {0x900, 0x2F84B, 0x2F84C, 0xB800 + 0x24000, 0xC0000 - 1, 0xC0000};
  std::vector<uint8_t> file(lengths[data[3] % 6]);
  for (size_t i = 0x2000; i < file.size(); ++i) file[i] = data[4 + (i - 0x2000) % (size - 4)];
  if (data[2] & 1) std::memcpy(&file[0x800], "PCD_IPI", 7);
  if (file.size() > 0x2F84B) file[0x2F84B] = data[1];
  imaging::TPCDGraphic g;
  g.Resolution = data[0] % 4;
  imagingfuzz::LoadAndDraw(g, file.data(), file.size());
  return 0;
}
