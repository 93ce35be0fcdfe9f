#pragma once
// Request messages laid out by hand from the record's table, for pageflat's tests.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pageflat::test {

inline void Put32(std::vector<uint8_t>& m, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) m[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// u32 0x5555, u32 0, u32 537, then the paths at 0 and 264 of the record (cut to 264 bytes,
// so a path of 264 bytes has no terminator), width at 528, height at 532, flag at 536.
inline std::vector<uint8_t> Message(const std::string& document, const std::string& bitmap,
                                    int32_t width, int32_t height, uint8_t flag) {
  std::vector<uint8_t> m(549, 0);
  Put32(m, 0, 0x5555);
  Put32(m, 4, 0);
  Put32(m, 8, 537);
  std::memcpy(&m[12], document.data(), std::min<size_t>(document.size(), 264));
  std::memcpy(&m[12 + 264], bitmap.data(), std::min<size_t>(bitmap.size(), 264));
  Put32(m, 12 + 528, uint32_t(width));
  Put32(m, 12 + 532, uint32_t(height));
  m[12 + 536] = flag;
  return m;
}

}  // namespace pageflat::test
