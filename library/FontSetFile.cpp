#include "FontSetFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "link/LinkEngine.h"
#include "platform/base/ByteOrder.h"

namespace panelcast {

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

}  // namespace

std::optional<std::vector<uint8_t>> LoadFontSetBuffer(const std::string& fileName) {
  // Only regular files: a device or a pipe would never end, or hang the caller.
  TFd fd(open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const size_t size = size_t(st.st_size);
  if (size == 0 || size > cardlink::kMaxTransferSize - FontSetHeadSize) return std::nullopt;

  std::vector<uint8_t> buffer;
  try {
    buffer.assign(FontSetHeadSize + size, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (!ReadAll(fd.Get(), buffer.data() + FontSetHeadSize, size)) return std::nullopt;
  if (size < 2 || buffer[FontSetHeadSize] != 0xEE || buffer[FontSetHeadSize + 1] != 0x00)
    return std::nullopt;
  platform::StoreU16(buffer.data(), FontSetContentKind);
  platform::StoreU32(buffer.data() + 4, uint32_t(buffer.size()));
  return buffer;
}

}  // namespace panelcast
