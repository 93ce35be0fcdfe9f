#include "DFMStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/base/AtomicFile.h"

namespace model {

TDFMStream::TDFMStream(int32_t maxCapacity) : maxCapacity_(std::max(maxCapacity, kBlockStep)) {
  block_ = static_cast<uint8_t*>(std::malloc(kBlockStep));
  if (!block_) throw std::bad_alloc();
  capacity_ = kBlockStep;
}

TDFMStream::~TDFMStream() { std::free(block_); }

bool TDFMStream::Grow(int64_t end) {
  // The step of the original growth rule, made large enough to cover the end when the
  // position lies beyond the block.
  int64_t step = (end - position_) / kBlockStep + 1;
  int64_t wanted = int64_t(capacity_) + step * kBlockStep;
  wanted = std::max(wanted, (end / kBlockStep + 1) * kBlockStep);
  wanted = std::min<int64_t>(wanted, maxCapacity_);
  if (wanted < end) return false;
  void* bigger = std::realloc(block_, size_t(wanted));
  if (!bigger) return false;  // the old block stays as it was
  block_ = static_cast<uint8_t*>(bigger);
  capacity_ = int32_t(wanted);
  return true;
}

int32_t TDFMStream::Write(const void* buffer, int32_t count) {
  if (position_ < 0 || count < 0 || int64_t(position_) + count > INT32_MAX) {
    failed_ = true;
    return 0;
  }
  int64_t end = int64_t(position_) + count;
  if (capacity_ <= end && !Grow(end)) {
    failed_ = true;
    return 0;
  }
  if (position_ > size_) std::memset(block_ + size_, 0, size_t(position_ - size_));
  if (count > 0) std::memcpy(block_ + position_, buffer, size_t(count));
  position_ = int32_t(end);
  if (position_ > size_) size_ = position_;
  return count;
}

int32_t TDFMStream::Read(void* buffer, int32_t count) {
  if (position_ < 0 || count < 0 || size_ - position_ < 1) return 0;
  int32_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, block_ + position_, size_t(n));
  position_ += n;
  return n;
}

namespace {

bool WriteAll(int fd, const uint8_t* p, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

bool TDFMStream::SaveToFile(const std::string& fileName) const {
  struct stat st;
  if (::stat(fileName.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      // A device or pipe is written in place; replacing it by rename would remove it. The open
      // does not wait for a reader of a pipe; the writes then block as usual.
      int fd = ::open(fileName.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) return false;
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      bool ok = WriteAll(fd, block_, size_t(size_));
      return ::close(fd) == 0 && ok;
    }
    if (::access(fileName.c_str(), W_OK) != 0) return false;  // a read-only file stays
  }
  // The atomic save replaces the file a symbolic link leads to, never the link itself.
  return platform::SaveFileAtomic(fileName, block_, size_t(size_));
}

}  // namespace model
