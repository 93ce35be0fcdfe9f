#include "Packet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/base/ByteOrder.h"

namespace cardlink {
namespace {

// The two byte tables of the Modbus CRC, made at compile time from the reflected polynomial
// 0xA001: TableHi[i] is the low byte of the bitwise table entry, TableLo[i] its high byte.
struct TCrcTables {
  std::array<uint8_t, 256> Hi{};
  std::array<uint8_t, 256> Lo{};
};

constexpr TCrcTables MakeCrcTables() {
  TCrcTables t;
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = uint16_t(i);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    t.Hi[i] = uint8_t(crc & 0xFF);
    t.Lo[i] = uint8_t(crc >> 8);
  }
  return t;
}

constexpr TCrcTables kCrc = MakeCrcTables();
static_assert(kCrc.Hi[0] == 0x00 && kCrc.Hi[1] == 0xC1 && kCrc.Hi[2] == 0x81 && kCrc.Hi[3] == 0x40);
static_assert(kCrc.Lo[0] == 0x00 && kCrc.Lo[1] == 0xC0 && kCrc.Lo[2] == 0xC1 && kCrc.Lo[3] == 0x01);

// Running CRC in the byte-table form: at the end lo is the CRC's high byte, hi its low byte.
struct TCrc {
  uint8_t hi = 0xFF;
  uint8_t lo = 0xFF;
  void Add(uint8_t x) {
    uint8_t i = uint8_t(x ^ hi);
    hi = uint8_t(kCrc.Hi[i] ^ lo);
    lo = kCrc.Lo[i];
  }
  uint16_t Value() const { return uint16_t((lo << 8) | hi); }
};

inline bool NeedsEscape(uint8_t b) { return b == kFrameStart || b == kFrameEnd || b == kFrameEscape; }

inline uint8_t* PutEscaped(uint8_t* out, uint8_t b) {
  if (NeedsEscape(b)) {
    *out++ = kFrameEscape;
    *out++ = uint8_t(b + 1);
  } else {
    *out++ = b;
  }
  return out;
}

}  // namespace

void PackMessageHead(const TMessageHead& head, uint8_t out[kMessageHeadSize]) {
  platform::StoreU16(out, head.Kind);
  out[2] = head.Source;
  out[3] = head.Destination;
  platform::StoreU32(out + 4, head.Value);
}

std::optional<TMessageHead> UnpackMessageHead(std::span<const uint8_t> body) {
  if (body.size() < kMessageHeadSize) return std::nullopt;
  TMessageHead h;
  h.Kind = platform::LoadU16(body.data());
  h.Source = body[2];
  h.Destination = body[3];
  h.Value = platform::LoadU32(body.data() + 4);
  return h;
}

void PackReplyHead(const TReplyHead& head, uint8_t out[kReplyHeadSize]) {
  platform::StoreU16(out, head.Kind);
  out[2] = head.Source;
  out[3] = head.Destination;
  platform::StoreU32(out + 4, head.Number);
  platform::StoreU16(out + 8, head.AnsweredKind);
  platform::StoreU16(out + 10, head.Status);
}

std::optional<TReplyHead> UnpackReplyHead(std::span<const uint8_t> body) {
  if (body.size() < kReplyHeadSize) return std::nullopt;
  TReplyHead h;
  h.Kind = platform::LoadU16(body.data());
  h.Source = body[2];
  h.Destination = body[3];
  h.Number = platform::LoadU32(body.data() + 4);
  h.AnsweredKind = platform::LoadU16(body.data() + 8);
  h.Status = platform::LoadU16(body.data() + 10);
  return h;
}

TReplyHead MakeReplyHead(const TMessageHead& message, uint8_t ownAddress, uint16_t status) {
  TReplyHead r;
  r.Source = ownAddress;
  r.Destination = message.Source;
  r.Number = message.Value;
  r.AnsweredKind = message.Kind;
  r.Status = status;
  return r;
}

uint16_t FrameCrc(const uint8_t* data, size_t count) {
  TCrc crc;
  for (size_t i = 0; i < count; ++i) crc.Add(data[i]);
  return crc.Value();
}

size_t EncodeFrame(const uint8_t* head, uint16_t headCount, const uint8_t* payload,
                   uint16_t payloadCount, uint8_t* out) {
  uint8_t* p = out;
  TCrc crc;
  *p++ = kFrameStart;
  for (size_t i = 0; i < headCount; ++i) {
    crc.Add(head[i]);
    p = PutEscaped(p, head[i]);
  }
  for (size_t i = 0; i < payloadCount; ++i) {
    crc.Add(payload[i]);
    p = PutEscaped(p, payload[i]);
  }
  uint16_t value = crc.Value();
  p = PutEscaped(p, uint8_t(value >> 8));
  p = PutEscaped(p, uint8_t(value & 0xFF));
  *p++ = kFrameEnd;
  return size_t(p - out);
}

size_t EncodeFrame1(const uint8_t* body, uint16_t count, uint8_t* out) {
  return EncodeFrame(body, count, nullptr, 0, out);
}

std::vector<uint8_t> EncodeFrameBytes(std::span<const uint8_t> body) {
  std::vector<uint8_t> out(EncodedFrameCapacity(body.size()));
  // Bodies longer than a u16 cannot be framed; the link never builds them.
  size_t n = EncodeFrame1(body.data(), uint16_t(body.size() > 0xFFFF ? 0xFFFF : body.size()), out.data());
  out.resize(n);
  return out;
}

size_t DecodeFrame(const uint8_t* frame, uint16_t length, uint8_t* out) {
  if (frame == nullptr || length < 2 || frame[0] != kFrameStart || frame[length - 1] != kFrameEnd)
    return 0;
  const size_t end = size_t(length) - 1;  // the closing 0xAA; anything before it is data
  size_t m = 0;
  for (size_t i = 1; i < end;) {
    uint8_t b = frame[i];
    if (b == kFrameEscape) {
      if (i + 1 >= end) return 0;  // an escape with nothing to escape
      b = uint8_t(frame[i + 1] - 1);
      i += 2;
    } else {
      ++i;
    }
    if (m == kMaxFrame) return 0;  // longer than any frame the link may carry
    out[m++] = b;
  }
  if (m < 3) return 0;
  uint16_t crc = FrameCrc(out, m - 2);
  if (out[m - 2] != uint8_t(crc >> 8) || out[m - 1] != uint8_t(crc & 0xFF)) return 0;
  return m - 2;
}

namespace {

// Reads until `count` bytes or end of file; -1 on a read error.
ssize_t ReadFull(int fd, uint8_t* buf, size_t count) {
  size_t got = 0;
  while (got < count) {
    ssize_t n = ::read(fd, buf + got, count - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  return ssize_t(got);
}

}  // namespace

bool LoadFirmwareFile(const std::string& fileName, platform::TMemoryStream& stream) {
  constexpr size_t kFirmwareBlock = 130;
  // Only regular files: a pipe or device would be read for ever, or hang the open.
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }

  const size_t oldSize = stream.Size();
  const size_t oldPosition = stream.Position();
  auto fail = [&] {
    ::close(fd);
    stream.SetSize(oldSize);
    stream.SetPosition(oldPosition);
    return false;
  };

  stream.SetPosition(oldSize);
  uint8_t block[kFirmwareBlock];
  size_t blocks = 0;
  for (;;) {
    ssize_t n = ReadFull(fd, block, sizeof block);
    if (n < 0) return fail();
    if (n == 0) break;
    // A piece of 1 or 2 bytes has no room for data and its CRC.
    if (n < 3) return fail();
    size_t dataCount = size_t(n) - 2;
    uint16_t crc = FrameCrc(block, dataCount);
    if (block[dataCount] != uint8_t(crc >> 8) || block[dataCount + 1] != uint8_t(crc & 0xFF))
      return fail();
    if (!stream.Write(block, dataCount)) return fail();
    ++blocks;
    if (size_t(n) < sizeof block) break;  // a short block is the last one
  }
  if (blocks == 0) return fail();  // an empty file is no firmware
  ::close(fd);
  Descramble(stream.Memory(), stream.Memory(), stream.Size());
  return true;
}

void Descramble(const uint8_t* source, uint8_t* dest, size_t byteCount) {
  uint16_t key = 0x5A3C;
  const size_t words = byteCount / 2;
  for (size_t i = 0; i < words; ++i) {
    uint16_t w = platform::LoadU16(source + 2 * i);
    platform::StoreU16(dest + 2 * i, uint16_t(w ^ key));
    key = uint16_t(key * 0x1D27 + 0x0B61);
  }
  if ((byteCount & 1) && dest != source) dest[byteCount - 1] = source[byteCount - 1];
}

}  // namespace cardlink
