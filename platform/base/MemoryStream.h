#pragma once
// A growable in-memory byte stream with a position, in the manner of the framework's memory
// stream: writes go at the position and extend the data, reads stop at the end.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class TMemoryStream {
 public:
  TMemoryStream() = default;

  // Writes `count` bytes at the position, growing the stream as needed (any gap between the
  // end and the position is zero-filled). Returns false, changing nothing, when memory for the
  // growth cannot be had.
  bool Write(const void* src, size_t count);
  // Reads up to `count` bytes from the position; returns how many were read.
  size_t Read(void* dest, size_t count);
  // Overwrites bytes already in the stream at `offset`, without moving the position; false if
  // the range is not wholly inside the stream.
  bool WriteAt(size_t offset, const void* src, size_t count);

  bool SetSize(size_t size);  // zero-fills when growing; the position is kept within the data
  void Clear();
  bool Reserve(size_t capacity);

  size_t Size() const { return data_.size(); }
  size_t Position() const { return pos_; }
  void SetPosition(size_t pos) { pos_ = pos; }
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace platform
