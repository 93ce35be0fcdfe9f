#include "Pageflat.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/base/AtomicFile.h"
#include "platform/gfx/BmpImage.h"
#include "tools/pageflat/Request.h"

namespace pageflat {
namespace {

const char* const Usage =
    "usage: pageflat --serve FD\n"
    "       pageflat --pages DOCUMENT WIDTH HEIGHT OUTDIR\n";

// The write end of the pipe the stop signals write to.
int gStopWrite = -1;

void OnStopSignal(int) {
  const int saved = errno;
  if (gStopWrite >= 0) (void)!::write(gStopWrite, "x", 1);
  errno = saved;
}

// SIGTERM and SIGINT make the returned descriptor readable; -1 when that cannot be set up.
int InstallStopSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  gStopWrite = fds[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  return fds[0];
}

bool ParseInt(const char* text, long low, long high, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

int UsageError(const char* what) {
  std::fprintf(stderr, "pageflat: %s\n%s", what, Usage);
  return 1;
}

}  // namespace

void InvertColors(platform::TBitmap& page) {
  if (page.PixelFormat() != platform::pf24bit) page.SetPixelFormat(platform::pf24bit);
  const size_t bytes = size_t(page.Width()) * 3;
  for (int y = 0; y < page.Height(); ++y) {
    uint8_t* row = page.ScanLine(y);
    for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
  }
}

bool WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  return platform::SaveFileAtomic(path, bytes.data(), bytes.size());
}

int Serve(int socket, TRenderer& renderer, const TServeHooks& hooks, int stopFd) {
  // A hang-up of the socket, or a stop signal, cancels a render that runs.
  std::vector<pollfd> watch{{socket, 0, 0}};
  if (stopFd >= 0) watch.push_back({stopFd, POLLIN, 0});
  std::vector<uint8_t> buffer(4096);
  for (;;) {
    pollfd fds[2] = {{socket, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(fds, stopFd >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    if (stopFd >= 0 && fds[1].revents != 0) return 0;
    const ssize_t got = ::recv(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (got == 0) return 0;  // the editor closed its end, or went
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return 0;
    }
    if (size_t(got) > buffer.size()) continue;  // far too long to be a request
    const std::span<const uint8_t> message(buffer.data(), size_t(got));
    if (hooks.OnMessage) hooks.OnMessage(message);
    const std::optional<TPageRequest> request = ReadRequestMessage(message.data(), message.size());
    if (!request) continue;

    platform::TBitmap page;
    bool rendered = false;
    const TRenderStatus status =
        renderer.Render(request->Document, request->Width, request->Height, 1, watch,
                        [&](int, platform::TBitmap& p) {
                          page = std::move(p);
                          rendered = true;
                          return false;
                        });
    if (status == TRenderStatus::Cancelled) return 0;
    if (status != TRenderStatus::Done || !rendered) {
      std::fprintf(stderr, "pageflat: cannot render %s\n", request->Document.c_str());
      continue;
    }
    if (request->Reverse) InvertColors(page);
    const std::vector<uint8_t> bmp = platform::WriteBmp(page);
    const bool written = hooks.WriteBitmap ? hooks.WriteBitmap(request->Bitmap, bmp)
                                           : WriteFileWhole(request->Bitmap, bmp);
    if (!written) std::fprintf(stderr, "pageflat: cannot write %s\n", request->Bitmap.c_str());
  }
}

int WritePages(const std::string& document, int width, int height, const std::string& outDir,
               TRenderer& renderer, int stopFd) {
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (ec) return int(TRenderStatus::PageFailed);
  std::vector<pollfd> watch;
  if (stopFd >= 0) watch.push_back({stopFd, POLLIN, 0});
  const std::string dir = outDir.ends_with('/') ? outDir : outDir + "/";
  bool writeFailed = false;
  const TRenderStatus status =
      renderer.Render(document, width, height, 0, watch, [&](int index, platform::TBitmap& page) {
        char name[32];
        std::snprintf(name, sizeof name, "page-%04d.bmp", index);
        if (WriteFileWhole(dir + name, platform::WriteBmp(page))) return true;
        writeFailed = true;
        return false;
      });
  if (status == TRenderStatus::Cancelled) return 1;
  if (status == TRenderStatus::Done && writeFailed) return int(TRenderStatus::PageFailed);
  return int(status);
}

int RunPageflat(int argc, char** argv, const TRendererFactory& makeRenderer,
                const TServeHooks& hooks) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  long socket = -1, width = 0, height = 0;
  if (mode == "--serve") {
    if (argc != 3 || !ParseInt(argv[2], 0, INT32_MAX, socket)) return UsageError("bad arguments");
    if (::fcntl(int(socket), F_GETFD) < 0) return UsageError("no socket at that descriptor");
    // The programs pageflat runs must not hold the editor's socket.
    ::fcntl(int(socket), F_SETFD, FD_CLOEXEC);
  } else if (mode == "--pages") {
    if (argc != 6 || !ParseInt(argv[3], 1, MaxPageSide, width) ||
        !ParseInt(argv[4], 1, MaxPageSide, height))
      return UsageError("bad arguments");
  } else {
    return UsageError("no mode");
  }
  const int stopFd = InstallStopSignals();
  int exitCode = 0;
  std::unique_ptr<TRenderer> renderer = makeRenderer(exitCode);
  if (!renderer) return exitCode;
  if (mode == "--serve") return Serve(int(socket), *renderer, hooks, stopFd);
  return WritePages(argv[2], int(width), int(height), argv[5], *renderer, stopFd);
}

}  // namespace pageflat
