// Feeds arbitrary bytes to the video reader as a movie file and reads a few frames in the
// orders the movie object and the movie record use.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/media/VideoReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("movie", 0);
  if (fd < 0) return 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  platform::TVideoReader reader;
  if (reader.Open("/proc/self/fd/" + std::to_string(fd))) {
    platform::TBitmap frame;
    for (int64_t n : {0, 1, 2, 0, 5, 3}) reader.ReadFrame(n, frame);
  }
  reader.Close();
  close(fd);
  return 0;
}
