// Unpacks arbitrary bytes, and packs them: unpacking what was packed must give them back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/Lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  model::TDFMStream input, unpacked, packed, again;
  input.Write(data, int32_t(size));
  input.SetPosition(0);
  if (!model::LzssDecode(input, unpacked)) std::abort();
  input.SetPosition(0);
  if (!model::LzssEncode(input, packed)) std::abort();
  packed.SetPosition(0);
  if (!model::LzssDecode(packed, again)) std::abort();
  if (again.Size() != int32_t(size) || (size && std::memcmp(again.Memory(), data, size) != 0))
    std::abort();
  return 0;
}
