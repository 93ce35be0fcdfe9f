#include "PageflatClient.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/base/AppPaths.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"

namespace model {
std::optional<std::array<uint8_t, ConvertMessageSize>> PackConvertMessage(
    const TConvertRequest& request) {
  if (request.Document.size() > ConvertPathMax || request.Bitmap.size() > ConvertPathMax)
    return std::nullopt;
  std::array<uint8_t, ConvertMessageSize> m{};
  platform::StoreU32(&m[0], ConvertMessageId);
  platform::StoreU32(&m[4], 0);
  platform::StoreU32(&m[8], ConvertRequestSize);
  uint8_t* record = &m[12];
  std::memcpy(record, request.Document.data(), request.Document.size());
  std::memcpy(record + ConvertPathField, request.Bitmap.data(), request.Bitmap.size());
  platform::StoreU32(record + 528, uint32_t(request.Width));
  platform::StoreU32(record + 532, uint32_t(request.Height));
  record[536] = request.Reverse ? 1 : 0;
  return m;
}

std::string PageflatProgram() {
  if (const char* named = std::getenv("CORVANE_PAGEFLAT"); named && *named)
    return platform::ProgramFileExists(named) ? std::string(named) : std::string();
  const std::string dir = platform::ExecutableDir();
  if (dir.empty()) return {};
  for (const char* candidate : {"pageflat", "../tools/pageflat/pageflat"})
    if (platform::ProgramFileExists(dir + candidate)) return dir + candidate;
  return {};
}

TPageflatClient::~TPageflatClient() { Stop(); }

bool TPageflatClient::Start(const std::string& program) {
  Stop();
  const std::string path = program.empty() ? PageflatProgram() : program;
  if (path.empty()) return false;
  folder_ = platform::MakePrivateTempFolder("corvane-pageflat-");
  if (folder_.empty()) return false;
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) {
    Stop();
    return false;
  }
  platform::TSpawnOptions options;
  options.NewProcessGroup = true;  // so that Stop reaches whatever it starts
  options.Descriptors = {{fds[1], 3}};
  const bool started = child_.Start({path, "--serve", "3"}, options);
  ::close(fds[1]);
  socket_ = fds[0];
  if (!started) {
    Stop();
    return false;
  }
  sent_ = 0;
  return true;
}

void TPageflatClient::CloseSocket() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

void TPageflatClient::Stop() {
  CloseSocket();  // the converter's signal to end
  if (child_.Pid() > 0) {
    child_.WaitExit(StopWaitMs);
    // Until the converter is reaped its group id cannot be taken: this reaches only its own.
    child_.SignalGroup(SIGKILL);
    child_.Reap();
  }
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    folder_.clear();
  }
}

bool TPageflatClient::Running() {
  if (socket_ < 0 || child_.Pid() <= 0) return false;
  if (!child_.Exited()) return true;
  // It ended by itself (no LibreOffice, a crash): clear up after it, and start no other.
  CloseSocket();
  child_.SignalGroup(SIGKILL);
  child_.Reap();
  return false;
}

bool TPageflatClient::Send(const TConvertRequest& request) {
  const auto message = PackConvertMessage(request);
  if (!message || !Running()) return false;
  const ssize_t n =
      ::send(socket_, message->data(), message->size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (n == ssize_t(message->size())) {
    ++sent_;
    return true;
  }
  // A full socket is a converter that does not keep up: this request is skipped. Any other
  // failure means the converter has gone.
  if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) CloseSocket();
  return false;
}

std::string TPageflatClient::NewBitmapPath() {
  if (folder_.empty()) return {};
  for (;;) {
    std::string path = folder_ + std::to_string(nextName_++) + ".Bmp";
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return path;
  }
}

TPageflatClient& PageflatClient() {
  static TPageflatClient client;
  return client;
}

}  // namespace model
