#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
  if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode))
    return Fail(error, "cannot save " + requested, S_ISDIR(target.st_mode) ? EISDIR : EINVAL);

  std::string tmp = path + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return Fail(error, "cannot create a temporary file beside " + path, errno);

  // The temporary file starts as 0600; it gets the mode asked for, or keeps the permissions of
  // the file being replaced.
  struct stat st;
  if (mode != KeepFileMode) ::fchmod(fd, mode & 07777);
  else if (::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  else ::fchmod(fd, 0644);

  bool ok = WriteAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return Fail(error, "cannot write " + path, err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    ::unlink(tmp.c_str());
    return Fail(error, "cannot replace " + path, err);
  }
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
