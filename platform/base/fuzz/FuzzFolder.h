#pragma once
// For fuzz targets whose readers take a file name: a folder of the process's own in the
// temporary folder, made at the first use and removed when the process ends normally.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/base/AppPaths.h"

namespace platform::fuzz {

class TFuzzFolder {
 public:
  static TFuzzFolder& Instance() {
    static TFuzzFolder folder;
    return folder;
  }
  // The folder's path of `name` (the OS's bytes).
  std::string File(const std::string& name) const { return path_ + name; }
  // Writes `name` with the bytes and gives its path; aborts when it cannot (the run would say
  // nothing about the reader).
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
    const std::string path = File(name);
    // Written in place, not flushed: nothing here needs to outlive the process.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < size;) {
      const ssize_t n = ::write(fd, data + done, size - done);
      if (n <= 0) std::abort();
      done += size_t(n);
    }
    ::close(fd);
    return path;
  }

 private:
  TFuzzFolder() : path_(MakePrivateTempFolder("fuzz-")) {
    if (path_.empty()) std::abort();
  }
  ~TFuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string path_;
};

}  // namespace platform::fuzz
