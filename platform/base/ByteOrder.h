#pragma once
// Little-endian access to byte buffers. Everything the cards and the program stream exchange is
// little-endian; these readers never step outside the span they were given.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

inline uint16_t LoadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The Windows SYSTEMTIME record: eight little-endian u16 in this order.
struct TSystemTime {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
  static constexpr size_t Size = 16;
  bool operator==(const TSystemTime&) const = default;
};

// Sequential reader with a sticky failure flag: a read past the end fails, yields zeros and
// leaves the position where it was, so a caller can run several reads and check Ok() once.
class TByteReader {
 public:
  explicit TByteReader(std::span<const uint8_t> data) : data_(data) {}
  TByteReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data), size) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int32_t I32();
  TSystemTime SystemTime();
  bool Read(void* dest, size_t count);
  bool Skip(size_t count);
  bool Seek(size_t position);

  size_t Position() const { return pos_; }
  size_t Remaining() const { return data_.size() - pos_; }
  size_t Size() const { return data_.size(); }
  bool Ok() const { return ok_; }

 private:
  const uint8_t* Take(size_t count);
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Writer into a fixed span; a write that does not fit fails, writes nothing and sets the flag.
class TByteWriter {
 public:
  explicit TByteWriter(std::span<uint8_t> data) : data_(data) {}
  TByteWriter(void* data, size_t size) : data_(static_cast<uint8_t*>(data), size) {}

  bool U8(uint8_t v);
  bool U16(uint16_t v);
  bool U32(uint32_t v);
  bool I32(int32_t v) { return U32(uint32_t(v)); }
  bool SystemTime(const TSystemTime& t);
  bool Write(const void* src, size_t count);

  size_t Position() const { return pos_; }
  bool Ok() const { return ok_; }

 private:
  uint8_t* Take(size_t count);
  std::span<uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Appending writers for growable byte strings.
void AppendU8(std::vector<uint8_t>& out, uint8_t v);
void AppendU16(std::vector<uint8_t>& out, uint16_t v);
void AppendU32(std::vector<uint8_t>& out, uint32_t v);
void AppendSystemTime(std::vector<uint8_t>& out, const TSystemTime& t);

}  // namespace platform
