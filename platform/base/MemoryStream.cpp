#include "MemoryStream.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace platform {

bool TMemoryStream::Write(const void* src, size_t count) {
  if (count == 0) return true;
  if (pos_ > SIZE_MAX - count) return false;
  size_t end = pos_ + count;
  if (end > data_.size()) {
    try {
      data_.resize(end);
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
  }
  std::memcpy(data_.data() + pos_, src, count);
  pos_ = end;
  return true;
}

size_t TMemoryStream::Read(void* dest, size_t count) {
  if (pos_ >= data_.size()) return 0;
  size_t n = data_.size() - pos_;
  if (count < n) n = count;
  if (n) std::memcpy(dest, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

bool TMemoryStream::WriteAt(size_t offset, const void* src, size_t count) {
  if (offset > data_.size() || count > data_.size() - offset) return false;
  if (count) std::memcpy(data_.data() + offset, src, count);
  return true;
}

bool TMemoryStream::SetSize(size_t size) {
  try {
    data_.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  if (pos_ > size) pos_ = size;
  return true;
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

bool TMemoryStream::Reserve(size_t capacity) {
  try {
    data_.reserve(capacity);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace platform
