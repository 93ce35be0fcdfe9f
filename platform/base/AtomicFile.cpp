#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

bool Fail(std::string* error, const std::string& what, int err) {
  if (error) *error = err ? what + ": " + std::strerror(err) : what;
  return false;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string_view NameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The temporary file of a save of NAME is NAME + ".~" + six letters or digits: a pattern no
// file of the user's is likely to have (a "NAME.backup" is not taken for one).
constexpr std::string_view TempMarker = ".~";
constexpr size_t TempRandomLength = 6;
constexpr char TempAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsTemporaryNameOf(std::string_view name, std::string_view target) {
  if (name.size() != target.size() + TempMarker.size() + TempRandomLength) return false;
  if (name.substr(0, target.size()) != target || name.substr(target.size(), TempMarker.size()) != TempMarker)
    return false;
  for (char c : name.substr(target.size() + TempMarker.size()))
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// Creates the temporary file beside `path` with `mode` (the umask applies), never following a
// link or reusing a name.
int CreateTemporary(const std::string& path, std::string& tmp, mode_t mode) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[TempRandomLength];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random)) {
      // No entropy yet (early boot): the clock and the attempt still make names that differ.
      uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ uint64_t(::getpid());
      for (auto& r : random) {
        seed = seed * 6364136223846793005u + 1442695040888963407u + uint64_t(attempt);
        r = static_cast<unsigned char>(seed >> 56);
      }
    }
    tmp = path;
    tmp += TempMarker;
    for (unsigned char r : random) tmp += TempAlphabet[r % (sizeof TempAlphabet - 1)];
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool Older(const struct stat& a, const struct stat& b) {
  if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) return a.st_mtim.tv_sec < b.st_mtim.tv_sec;
  return a.st_mtim.tv_nsec < b.st_mtim.tv_nsec;
}

// Removes what earlier saves of `path` left behind when they were killed before their rename.
// `ours` is this save's temporary file (held locked, as every save holds its own while it
// writes); a file held by a save still running is left to it.
void RemoveStaleTemporaries(const std::string& path, const std::string& ours, const struct stat& oursStat) {
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  const std::string_view target = NameOf(path), own = NameOf(ours);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == own || !IsTemporaryNameOf(name, target)) continue;
    struct stat st;
    if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || !Older(st, oursStat))
      continue;
    const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat held;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_dev == st.st_dev &&
        held.st_ino == st.st_ino)
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

bool WriteAll(int fd, const char* p, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

bool SaveFileAtomic(const std::string& requested, const void* data, size_t size,
                    std::string* error, unsigned mode) {
  // Save through a symbolic link to the file it names, and never replace a device or a pipe
  // with a regular file.
  std::string path = requested;
  if (char* real = ::realpath(requested.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  struct stat target;
  const bool replacing = ::stat(path.c_str(), &target) == 0;
  if (replacing && !S_ISREG(target.st_mode))
    return Fail(error, "cannot save " + requested, S_ISDIR(target.st_mode) ? EISDIR : EINVAL);

  // A new file is made as any program makes one (0666 less the umask). Otherwise the temporary
  // file starts as 0600 and then gets the mode asked for, or the permissions of the file it
  // replaces.
  std::string tmp;
  const int fd = CreateTemporary(path, tmp, mode == KeepFileMode && !replacing ? 0666 : 0600);
  if (fd < 0) return Fail(error, "cannot create a temporary file beside " + path, errno);
  if (mode != KeepFileMode) ::fchmod(fd, mode & 07777);
  else if (replacing) ::fchmod(fd, target.st_mode & 07777);

  // Held until the rename, so that another save of the same target leaves it alone.
  ::flock(fd, LOCK_EX | LOCK_NB);
  struct stat own;
  if (::fstat(fd, &own) == 0) RemoveStaleTemporaries(path, tmp, own);

  const bool ok = WriteAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
  int err = errno;
  if (!ok) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return Fail(error, "cannot write " + path, err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    return Fail(error, "cannot replace " + path, err);
  }
  // The data is on disk (fsync); closing only lets the lock go.
  ::close(fd);
  // Make the rename itself durable.
  int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string* error) {
  // O_NONBLOCK so that opening a FIFO cannot wait for a writer; it is refused below anyway.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail(error, "cannot open " + path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(error, path + " is not a regular file", 0);
  }
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return Fail(error, "cannot read " + path, err);
    }
    if (n == 0) break;
    out.append(buf, size_t(n));
  }
  ::close(fd);
  content = std::move(out);
  return true;
}

}  // namespace platform
