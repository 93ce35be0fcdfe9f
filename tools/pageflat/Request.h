#pragma once
// The conversion request the editor sends to pageflat: one message on a Unix SOCK_SEQPACKET
// socket, little-endian,
//
//   u32 0x5555 (the message's id), u32 0, u32 537, then the 537-byte record:
//     0    264  document path, zero-terminated
//     264  264  bitmap path to write, zero-terminated
//     528  4    width in pixels, signed
//     532  4    height in pixels, signed
//     536  1    1: invert the colours
//
// Paths are the OS's bytes. This reader is pageflat's own: it shares nothing with the editor's
// writer, so a misreading on one side shows against the other.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pageflat {

inline constexpr uint32_t RequestMessageId = 0x5555;
inline constexpr size_t RequestRecordSize = 537;
inline constexpr size_t RequestHeadSize = 12;
inline constexpr size_t RequestMessageSize = RequestHeadSize + RequestRecordSize;
inline constexpr size_t RequestPathField = 264;
// The largest page side pageflat renders (the bitmap file's and the card picture's limit).
inline constexpr int32_t MaxPageSide = 65535;

struct TPageRequest {
  std::string Document;
  std::string Bitmap;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Reverse = false;
};

// The request in one whole message; nullopt for anything else: another length, id or record
// size, a path without its terminator inside its field, an empty path, a width or height
// outside 1..MaxPageSide.
std::optional<TPageRequest> ReadRequestMessage(const uint8_t* data, size_t size);

}  // namespace pageflat
