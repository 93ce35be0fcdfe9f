#pragma once
// The program stream as the simulator reads it, written apart from the program writers so that
// a misreading on either side shows up against the other.
//
// All fields are little-endian. The program starts with a 12-byte header (u16 kind 17 or 18,
// u16 page count, u32 size, u16 colour mode, u16 0) and its pages follow back to back. A page
// is a 16-byte head (u16 48, u16 record count, u32 display time in ms, u32 0, u32 length) and
// its records; every record starts with a u16 kind and has its u32 length at offset 4.
//
// Reading never trusts a field: every read is bounded by the bytes given, the header's size
// field is ignored (page previews leave it 0), counts are bounded by the bytes present, and a
// record must lie inside its parent and be at least its head long. A record that does not
// ends the reading of its parent; the records before it stay.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/ByteOrder.h"

namespace displaysim {

// A byte range of the program. Reads outside it give 0; callers check Has() first where the
// difference matters.
class TBytes {
 public:
  TBytes() = default;
  TBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  bool Has(size_t offset, size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  uint16_t U16(size_t offset) const { return Has(offset, 2) ? platform::LoadU16(data_ + offset) : 0; }
  uint32_t U32(size_t offset) const { return Has(offset, 4) ? platform::LoadU32(data_ + offset) : 0; }
  int32_t I32(size_t offset) const { return int32_t(U32(offset)); }
  uint8_t U8(size_t offset) const { return Has(offset, 1) ? data_[offset] : 0; }
  // The bytes [offset, offset + count), cut to this range.
  TBytes Sub(size_t offset, size_t count) const;
  TBytes From(size_t offset) const { return Sub(offset, size_ > offset ? size_ - offset : 0); }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

enum TKind : uint16_t {
  kdSendHeader = 17,
  kdDownloadHeader = 18,
  kdPage = 48,
  kdPictureWindow = 49,
  kdDateTime = 50,
  kdStringWindow = 51,
  kdPixelBlock = 54,
  kdGlyphTable = 55,
  kdMovie = 56,
  kdCountDown = 57,
  kdCountUp = 58,
  kdTemperature = 80,
  kdHumidity = 81,
  kdNoise = 82,
  kdClock = 96,
};

constexpr size_t HeaderSize = 12;
constexpr size_t PageHeadSize = 16;
constexpr size_t PictureWindowHeadSize = 28;
constexpr size_t StringWindowHeadSize = 36;
constexpr size_t DateTimeHeadSize = 52;
constexpr size_t CountHeadSize = 28;
constexpr size_t SensorHeadSize = 16;
constexpr size_t MovieHeadSize = 28;
constexpr size_t ClockHeadSize = 28;
constexpr size_t GlyphTableHeadSize = 8;
constexpr size_t PixelBlockHeadSize = 12;
// A record of a kind not known here needs its kind and length to be skipped.
constexpr size_t UnknownHeadSize = 8;

// The head size of a page record's kind.
size_t RecordHeadSize(uint16_t kind);

// One record of a page: its kind and all its bytes, head included.
struct TRecordView {
  uint16_t Kind = 0;
  TBytes Bytes;
};

struct TPageView {
  uint32_t DisplayTimeMs = 0;
  std::vector<TRecordView> Records;
};

struct TProgramView {
  bool Playable = false;  // a header of kind 17 or 18
  uint16_t ColorMode = 0;  // as the header says, unchecked
  std::vector<TPageView> Pages;
};

// The pages of a program. A program too short for its header, or of another kind, is not
// playable and has no pages. Pages are read while the header's count allows and each page
// head and length fit the data.
TProgramView ReadProgram(TBytes program);

// Up to `count` records back to back from the start of `bytes`, each with its u32 length at
// offset 4, at least as long as its kind's head and inside `bytes`.
std::vector<TRecordView> ReadRecords(TBytes bytes, size_t count);

}  // namespace displaysim
