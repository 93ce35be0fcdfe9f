#include "TransferBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "link/LinkEngine.h"
#include "link/Packet.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/MemoryStream.h"

namespace cardlink {

namespace {

class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `count` bytes; false on an error or an early end (the file shrank).
bool ReadAll(int fd, uint8_t* dest, size_t count) {
  while (count > 0) {
    const ssize_t n = read(fd, dest, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    dest += n;
    count -= size_t(n);
  }
  return true;
}

// Fills in the head of a buffer whose content already follows it.
void PutHead(std::vector<uint8_t>& buffer, TContentKind kind) {
  platform::StoreU16(buffer.data(), kind);
  platform::StoreU16(buffer.data() + 2, 0);
  platform::StoreU32(buffer.data() + 4, uint32_t(buffer.size()));
  platform::StoreU32(buffer.data() + 8, 0);
}

}  // namespace

std::optional<std::vector<uint8_t>> LoadFontSetBuffer(const std::string& fileName) {
  // Only regular files: a device or a pipe would never end, or hang the caller.
  TFd fd(open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const size_t size = size_t(st.st_size);
  if (size < 2 || size > kMaxTransferSize - kTransferHeadSize) return std::nullopt;

  std::vector<uint8_t> buffer;
  try {
    buffer.assign(kTransferHeadSize + size, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (!ReadAll(fd.Get(), buffer.data() + kTransferHeadSize, size)) return std::nullopt;
  if (buffer[kTransferHeadSize] != 0xEE || buffer[kTransferHeadSize + 1] != 0x00) return std::nullopt;
  PutHead(buffer, ctFontSet);
  return buffer;
}

std::optional<std::vector<uint8_t>> LoadFirmwareBuffer(const std::string& fileName) {
  // A file whose data could not travel in one transfer is not read into memory at all: every
  // 130 bytes carry 128 of data, the last piece two fewer than its size.
  struct stat st {};
  if (stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    const uint64_t size = uint64_t(st.st_size);
    if (size - 2 * ((size + 129) / 130) > kMaxTransferSize - kTransferHeadSize) return std::nullopt;
  }
  platform::TMemoryStream stream;
  if (!LoadFirmwareFile(fileName, stream)) return std::nullopt;
  if (stream.Size() > kMaxTransferSize - kTransferHeadSize) return std::nullopt;
  std::vector<uint8_t> buffer;
  try {
    buffer.assign(kTransferHeadSize + stream.Size(), 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::copy(stream.Bytes().begin(), stream.Bytes().end(), buffer.begin() + kTransferHeadSize);
  PutHead(buffer, ctFirmware);
  return buffer;
}

}  // namespace cardlink
