#pragma once
// The chunks of a PNG file, for tests and the fuzz target that change a file and must keep (or
// mend) its CRCs.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imagingtest {

struct TPngChunk {
  size_t Offset;  // of the length field
  uint32_t Length;
  std::string Type;
};

// The chunks after the signature, as far as their lengths stay inside the bytes.
inline std::vector<TPngChunk> PngChunks(const std::vector<uint8_t>& file) {
  std::vector<TPngChunk> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const uint32_t length = (uint32_t(file[at]) << 24) | (uint32_t(file[at + 1]) << 16) |
                            (uint32_t(file[at + 2]) << 8) | file[at + 3];
    if (length > file.size() - at - 12) break;
    chunks.push_back({at, length, std::string(file.begin() + std::ptrdiff_t(at + 4),
                                              file.begin() + std::ptrdiff_t(at + 8))});
    at += 12 + size_t(length);
  }
  return chunks;
}

// Writes the right CRC into every whole chunk.
inline void MendPngCrcs(uint8_t* file, size_t size) {
  size_t at = 8;
  while (at + 12 <= size) {
    const uint32_t length = (uint32_t(file[at]) << 24) | (uint32_t(file[at + 1]) << 16) |
                            (uint32_t(file[at + 2]) << 8) | file[at + 3];
    if (length > size - at - 12) break;
    const uLong crc = crc32(0, file + at + 4, uInt(length) + 4);
    uint8_t* p = file + at + 8 + length;
    p[0] = uint8_t(crc >> 24);
    p[1] = uint8_t(crc >> 16);
    p[2] = uint8_t(crc >> 8);
    p[3] = uint8_t(crc);
    at += 12 + size_t(length);
  }
}

}  // namespace imagingtest
