#include "skin/SkinFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/base/ByteOrder.h"

namespace skin {

namespace {

constexpr char kMagic[] = "SkinFile_TB";

unsigned char Fold(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

uint32_t U32(const uint8_t* p) { return platform::LoadU32(p); }

// Reads the whole of a regular file, at most `limit` bytes; none when it cannot.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t limit) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > limit) return std::nullopt;
  std::vector<uint8_t> data(size_t(st.st_size));
  size_t got = 0;
  while (got < data.size()) {
    ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  data.resize(got);  // a file that shrank meanwhile is read as it now is
  return data;
}

}  // namespace

bool TKeyLess::operator()(std::string_view a, std::string_view b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

const std::vector<uint8_t>* TSkinFileData::Image(std::string_view key) const {
  auto it = Images.find(key);
  return it == Images.end() ? nullptr : &it->second;
}

std::optional<int32_t> TSkinFileData::Integer(std::string_view key) const {
  auto it = Integers.find(key);
  if (it == Integers.end()) return std::nullopt;
  return it->second;
}

std::optional<bool> TSkinFileData::Boolean(std::string_view key) const {
  auto it = Booleans.find(key);
  if (it == Booleans.end()) return std::nullopt;
  return it->second != 0;
}

bool HasSkinMagic(const uint8_t* data, size_t size) {
  if (size < 12) return false;
  const size_t len = strnlen(reinterpret_cast<const char*>(data), 12);
  return len == sizeof kMagic - 1 && std::memcmp(data, kMagic, len) == 0;
}

TSkinFileData ReadSkinFile(const uint8_t* data, size_t size) {
  if (!data || size < kSkinHeaderSize || !HasSkinMagic(data, size)) throw ESkinFileError();
  if (U32(data + 12) < kSkinHeaderSize) throw ESkinFileError();  // a larger header is allowed
  TSkinFileData out;
  std::unordered_set<uint32_t> seen;
  uint32_t at = U32(data + 20);
  for (;;) {
    if (uint64_t(at) + kSkinEntrySize > size || !seen.insert(at).second) throw ESkinFileError();
    const uint8_t* entry = data + at;
    const uint32_t next = U32(entry + 73);
    if (next == 0) break;  // the entry that ends the chain is not taken in
    const std::string key(reinterpret_cast<const char*>(entry), strnlen(reinterpret_cast<const char*>(entry), 64));
    const uint8_t kind = entry[64];
    const uint32_t offset = U32(entry + 65), length = U32(entry + 69);
    if (kind <= 3 && uint64_t(offset) + length > size) throw ESkinFileError();
    const uint8_t* value = data + offset;
    switch (kind) {
      case 0:
        out.Images.try_emplace(key, value, value + length);
        break;
      case 1:
        if (length != 4) throw ESkinFileError();
        out.Integers.try_emplace(key, int32_t(U32(value)));
        break;
      case 2:
        if (length != 1) throw ESkinFileError();
        out.Booleans.try_emplace(key, value[0]);
        break;
      case 3:
        out.Strings.try_emplace(key, reinterpret_cast<const char*>(value), length);
        break;
      default:  // a kind of its own: passed over
        break;
    }
    at = next;
  }
  return out;
}

bool IsValidSkinFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st{};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  uint8_t buf[16];
  size_t got = 0;
  while (ok && got < sizeof buf) {
    ssize_t n = ::read(fd, buf + got, sizeof buf - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  ::close(fd);
  return ok && got == sizeof buf && HasSkinMagic(buf, got);
}

TSkinFileData ReadSkinFileAt(const std::string& path) {
  std::optional<std::vector<uint8_t>> data = ReadRegularFile(path, kSkinFileLimit);
  if (!data) throw ESkinFileError();
  return ReadSkinFile(data->data(), data->size());
}

}  // namespace skin
