#pragma once
// A growable memory buffer that carries object text, packed data and clipboard content. Users
// set the position directly (rewinding to 0 before reading); only the first Size() bytes are
// ever read, saved or copied.
#include <cstdint>
#include <string>

namespace model {

class TDFMStream {
 public:
  static constexpr int32_t kBlockStep = 1048576;  // the block grows in whole mebibytes

  // Allocates the first 1 MiB block. `maxCapacity` is the most the block may grow to; by
  // default, as far as a signed 32-bit size reaches.
  explicit TDFMStream(int32_t maxCapacity = INT32_MAX);
  ~TDFMStream();
  TDFMStream(const TDFMStream&) = delete;
  TDFMStream& operator=(const TDFMStream&) = delete;

  // Writes `count` bytes at the position and returns `count`. The block grows by
  // ((count div 1 MiB) + 1) MiB when it is not larger than position + count, and further when
  // that would still not cover them; a gap between the old size and the position is zero
  // filled. Returns 0, changing nothing, for a negative position or count, for an end beyond
  // a signed 32-bit size or the block limit, and when memory cannot be had; such a refused
  // write also sets Failed().
  int32_t Write(const void* buffer, int32_t count);
  // Copies min(count, Size() - Position()) bytes from the position and advances it; 0 when
  // the position or count is negative or nothing is left.
  int32_t Read(void* buffer, int32_t count);
  // Writes the first Size() bytes to `fileName`, replacing it. False, with the old file left
  // as it was, when it cannot be created or written completely.
  bool SaveToFile(const std::string& fileName) const;

  int32_t Position() const { return position_; }
  void SetPosition(int32_t position) { position_ = position; }
  int32_t Size() const { return size_; }
  int32_t Capacity() const { return capacity_; }
  const uint8_t* Memory() const { return block_; }
  // True once a write has been refused, so that a caller writing many pieces can check once.
  bool Failed() const { return failed_; }

 private:
  bool Grow(int64_t end);

  uint8_t* block_ = nullptr;
  int32_t capacity_ = 0;
  int32_t maxCapacity_;
  int32_t position_ = 0;
  int32_t size_ = 0;
  bool failed_ = false;
};

}  // namespace model
