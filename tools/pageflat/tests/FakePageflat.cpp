// fake_pageflat: pageflat's two modes (the very same serve and pages code) over a renderer
// that needs no LibreOffice, for the tests of the editor's Word objects.
//
// Its "document" is a text file of page colours, one a line as six hex digits RRGGBB
// ("FF0000" is a red page); blank lines are skipped. A file that cannot be read, or holds no
// line, is not converted (pages mode: exit 3); a line that is no colour fails its page (exit 4).
//
// Switches, from the environment:
//   FAKE_PAGEFLAT_EXIT=N       exit at once with N, reading and writing nothing
//   FAKE_PAGEFLAT_LOG=FILE     append every message received to FILE, byte for byte
//   FAKE_PAGEFLAT_DELAY_MS=N   wait N ms before each render (a hang-up still cancels it)
//   FAKE_PAGEFLAT_HOLD=FIFO    serve mode: before writing a bitmap, wait until a writer has
//                              opened and closed FIFO
//   FAKE_PAGEFLAT_SLOW=FIFO    serve mode: write each bitmap straight to its path, not whole:
//                              the first half, then wait on FIFO as above, then the rest
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/AtomicFile.h"
#include "platform/gfx/Canvas.h"
#include "tools/pageflat/Pageflat.h"

namespace {

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

// Blocks until a writer has opened and closed the FIFO.
void WaitOnFifo(const char* fifo) {
  const int fd = ::open(fifo, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buf[64];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
  ::close(fd);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= size_t(w);
  }
  return true;
}

// Straight to the path, in two writes with a wait between them: a poller may see half a file.
bool WriteSlowly(const std::string& path, const std::vector<uint8_t>& bytes, const char* fifo) {
  const size_t half = bytes.size() / 2;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), half);
  ::close(fd);
  WaitOnFifo(fifo);
  fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  ok = WriteAll(fd, bytes.data() + half, bytes.size() - half) && ok;
  ::close(fd);
  return ok;
}

class TColourRenderer final : public pageflat::TRenderer {
 public:
  pageflat::TRenderStatus Render(const std::string& document, int width, int height, int maxPages,
                                 const std::vector<pollfd>& watch,
                                 const pageflat::TPageSink& sink) override {
    if (const char* delay = Env("FAKE_PAGEFLAT_DELAY_MS")) {
      std::vector<pollfd> fds = watch;
      if (::poll(fds.data(), fds.size(), std::atoi(delay)) > 0)
        return pageflat::TRenderStatus::Cancelled;
    }
    std::string text;
    if (!platform::ReadWholeFile(document, text)) return pageflat::TRenderStatus::NotConverted;
    int index = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      char* stop = nullptr;
      const unsigned long rgb = std::strtoul(line.c_str(), &stop, 16);
      if (line.size() != 6 || *stop != '\0') return pageflat::TRenderStatus::PageFailed;
      // RRGGBB to the drawing layer's 0x00BBGGRR.
      const platform::TColor colour =
          platform::TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
      platform::TBitmap page(width, height, platform::pf24bit);
      platform::TCanvas canvas(page);
      canvas.Brush = {colour, platform::bsSolid};
      canvas.FillRect({0, 0, width, height});
      if (!sink(++index, page)) return pageflat::TRenderStatus::Done;
      if (maxPages > 0 && index >= maxPages) return pageflat::TRenderStatus::Done;
    }
    return index > 0 ? pageflat::TRenderStatus::Done : pageflat::TRenderStatus::NotConverted;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (const char* code = Env("FAKE_PAGEFLAT_EXIT")) return std::atoi(code);
  pageflat::TServeHooks hooks;
  if (const char* log = Env("FAKE_PAGEFLAT_LOG")) {
    hooks.OnMessage = [path = std::string(log)](std::span<const uint8_t> message) {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
      if (fd < 0) return;
      WriteAll(fd, message.data(), message.size());
      ::close(fd);
    };
  }
  const char* hold = Env("FAKE_PAGEFLAT_HOLD");
  const char* slow = Env("FAKE_PAGEFLAT_SLOW");
  if (hold || slow) {
    hooks.WriteBitmap = [hold, slow](const std::string& path, const std::vector<uint8_t>& bmp) {
      if (hold) WaitOnFifo(hold);
      return slow ? WriteSlowly(path, bmp, slow) : pageflat::WriteFileWhole(path, bmp);
    };
  }
  return pageflat::RunPageflat(
      argc, argv, [](int&) -> std::unique_ptr<pageflat::TRenderer> {
        return std::make_unique<TColourRenderer>();
      },
      hooks);
}
