#pragma once
// The editor's side of the document converter pageflat (tools/pageflat), which renders page 1
// of a Word object's document into a bitmap file for the design surface.
//
// The application object starts the one process-wide client before the main window and stops
// it at exit. Start runs the converter in serve mode in a process group of its own, with one
// end of a Unix SOCK_SEQPACKET socket; each request is one message on it:
//
//   u32 0x5555, u32 0, u32 537, then the 537-byte record (TConvertRequest, little-endian):
//     0    264  document path, zero-terminated (at most 263 bytes)
//     264  264  bitmap path the converter is to write, zero-terminated
//     528  4    width in pixels, signed
//     532  4    height in pixels, signed
//     536  1    reverse flag, 0 or 1
//
// Paths are the OS's bytes. Bitmap paths lie in a private folder (0700) that Start makes in
// the temporary directory and Stop removes, with any bitmap that came too late.
//
// Everything here belongs to the GUI thread and never blocks it: a message the socket cannot
// take at once counts as "not running".
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/ChildProcess.h"

namespace model {

inline constexpr uint32_t ConvertMessageId = 0x5555;
inline constexpr size_t ConvertRequestSize = 537;
inline constexpr size_t ConvertPathField = 264;
// The longest path the record holds: the field less its terminator.
inline constexpr size_t ConvertPathMax = ConvertPathField - 1;
// The message: its 12-byte head, then the record.
inline constexpr size_t ConvertMessageSize = 12 + ConvertRequestSize;

struct TConvertRequest {
  std::string Document;  // OS bytes, absolute
  std::string Bitmap;    // OS bytes, absolute
  int32_t Width = 0;
  int32_t Height = 0;
  bool Reverse = false;
};

// The whole message; nullopt when a path is longer than ConvertPathMax (cut, it could name
// another file).
std::optional<std::array<uint8_t, ConvertMessageSize>> PackConvertMessage(
    const TConvertRequest& request);

// The converter program: the file CORVANE_PAGEFLAT names when it is set and not empty, else
// "pageflat" beside the executable, else the build tree's "../tools/pageflat/pageflat" from
// it; empty when none of them exists.
std::string PageflatProgram();

class TPageflatClient {
 public:
  // How long Stop waits for the converter to end once its socket is closed.
  static constexpr int StopWaitMs = 2000;

  TPageflatClient() = default;
  TPageflatClient(const TPageflatClient&) = delete;
  TPageflatClient& operator=(const TPageflatClient&) = delete;
  ~TPageflatClient();

  // Makes the private folder and starts `program` (PageflatProgram() when empty). False when
  // no converter can be started; the client then stays stopped. A running one is stopped
  // first.
  bool Start(const std::string& program = {});
  // Closes the socket, waits StopWaitMs for the converter to end, then kills its process
  // group (whatever the converter started goes with it) and removes the private folder.
  void Stop();

  // "The converter's window exists": the converter runs and its socket is open. A converter
  // found dead is reaped, with its group, and not started again.
  bool Running();
  // Sends one request without waiting. False, sending nothing, when the converter is not
  // running, a path does not fit its field, or the socket cannot take the message at once.
  bool Send(const TConvertRequest& request);

  // A new bitmap path in the private folder: the folder, a decimal number from a counter of
  // the process, ".Bmp"; names that exist are passed over. Empty while stopped.
  std::string NewBitmapPath();
  // The private folder, ending in "/"; empty while stopped.
  const std::string& Folder() const { return folder_; }

  // For tests: the converter's process id (0 when none), the requests sent since Start, and a
  // wait of at most timeoutMs for the converter to end by itself.
  pid_t Pid() const { return child_.Pid(); }
  // Readable once the converter has ended (-1 when none runs or the system has no process
  // descriptors): an event loop that watches it calls Running() to reap the converter at once.
  int ExitFd() const { return child_.ExitFd(); }
  int SentCount() const { return sent_; }
  bool WaitExit(int timeoutMs) const { return child_.WaitExit(timeoutMs); }

 private:
  void CloseSocket();

  platform::TChildProcess child_;
  int socket_ = -1;
  std::string folder_;
  uint64_t nextName_ = 1;
  int sent_ = 0;
};

// The process-wide client that Word objects send their requests through.
TPageflatClient& PageflatClient();

}  // namespace model
