#pragma once
// The link threads. Each open link to a card, or to a chain of cards on one serial line or UDP
// port, has one TInspect: a thread that owns the port or socket and drives the protocol engine
// (LinkEngine) with it. Callers on other threads queue data and commands; every outcome comes
// back as one of six events, which run on the link thread.
//
// Locking: one lock per link guards the engine (both queues, the flags and the deadlines).
// Callers append under it; the link thread holds it only while the engine computes, never while
// it sends, receives or raises an event. So an event handler may queue more work, and may close
// or replace the link it came from: Close() called from inside one of the link's own events (on
// any thread that is handling a message the link thread sent) lets go of the port at once and
// leaves the thread to end by itself as soon as the handler returns.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/LinkEngine.h"
#include "platform/base/Clock.h"

namespace cardlink {

// What a link thread takes from the device record.
struct TLinkSettings {
  uint16_t LinkKind = 0;   // the record's link kind, echoed into every peer
  int SpeedIndex = 0;      // 0-5: 9600, 14400, 19200, 38400, 57600, 115200 bit/s
  int ComPort = 1;         // serial port number n of "COM" + n
  bool Handshake = false;  // hardware flow control
  uint16_t LocalPort = 0;  // UDP port to bind
  uint32_t LocalIp = 0;    // UDP address to bind, network byte order; 0: every local address
  // Incoming transfers land here; owned by the caller and kept until the link is closed.
  std::span<uint8_t> ReceiveBuffer;
};

// The six events. Bind them before Start(); they run on the link thread, which waits for each
// to return. Spans are valid only during the call.
struct TLinkEvents {
  std::function<void(std::span<const uint8_t> buffer, const TLinkPeer& peer, uint8_t source, int64_t total)>
      OnDataReceived;
  std::function<void(uint8_t source, const TLinkPeer& peer)> OnSendDone;
  // `command` is the timed-out command's data, empty for a transfer.
  std::function<void(uint8_t address, std::span<const uint8_t> command, int cardPort, const std::string& cardIp)>
      OnTimeout;
  std::function<void(uint8_t source, std::span<const uint8_t> body, int cardPort, const std::string& cardIp)>
      OnReply;
  std::function<void(std::span<const uint8_t> body, const TLinkPeer& peer)> OnRequest;
  // direction 1 sending, 2 receiving.
  std::function<void(int direction, int64_t soFar, int64_t total, uint8_t address)> OnProgress;
};

// The port or socket under a link thread.
class TLinkTransport {
 public:
  virtual ~TLinkTransport() = default;
  virtual bool Opened() const = 0;  // ready when constructed, or never
  virtual std::string Error() const = 0;
  virtual TLinkTraits Traits(uint16_t linkKind) const = 0;
  virtual int Fd() const = 0;  // polled for readability; -1 when closed
  // Errors are not reported: the answer time-outs recover from a lost frame.
  virtual void Send(const uint8_t* data, size_t count, const TLinkPeer& peer) = 0;
  // What has arrived (one datagram on UDP), without waiting; 0 when nothing has.
  virtual size_t Receive(uint8_t* buffer, size_t size, TLinkPeer& from) = 0;
  virtual void Close() = 0;
};

// What a link that is being replaced had not finished, as events (TLinkEvent): a time-out for
// every transfer and command it still held (TLinkEngine::AbandonAll), and the outcomes it had
// worked out but not yet raised when it was told to end. A data-received event carries its
// data in Body (Buffer is empty), since the receive buffer may be reused at once.
using TUnfinishedHandler = std::function<void(std::vector<TLinkEvent> events)>;

class TInspect {
 public:
  TInspect(const TInspect&) = delete;
  TInspect& operator=(const TInspect&) = delete;
  // Close().
  virtual ~TInspect();

  // Whether the port or socket opened; a link that did not open never runs.
  bool Opened() const { return opened_; }
  const std::string& OpenError() const { return openError_; }

  TLinkEvents& Events() { return events_; }
  // Starts the thread; false when the port did not open or it was started before.
  bool Start();
  // Ends the thread and closes the port. Waits for the thread to end while pumping the calling
  // thread's message queue, so notifications the link sends meanwhile are still delivered;
  // from inside one of the link's own events it returns at once (see above). Idempotent.
  // Without `unfinished` whatever the link still held is dropped. With it, nothing is lost:
  // it receives the unfinished work on the calling thread before Close returns and, when the
  // thread was left to end by itself, once more on the link thread as it ends (the outcomes of
  // the pass it was in). It must not call back into this link.
  void Close(TUnfinishedHandler unfinished = {});
  // True once the thread has left its loop, or when it never ran.
  bool Ended() const;

  // Each copies the data, so the caller may reuse its buffer at once. False when nothing was
  // queued: the copy could not be made, or the data cannot be sent (see TLinkEngine).
  bool QueueData(std::span<const uint8_t> data, int port, std::string_view ip, uint8_t address);
  bool QueueCommand(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address);
  bool QueueCommandNoReply(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address);

  // Answers `message` on `peer`: a reply head (host address, the message's source, value and
  // kind, `status`), then `payload` when it is not empty. Used to answer the card's requests.
  void SendReply(const TMessageHead& message, uint16_t status, std::span<const uint8_t> payload,
                 const TLinkPeer& peer);

  const TLinkSettings& Settings() const { return settings_; }
  std::thread::id ThreadId() const;
  // CPU time the running link thread has used so far.
  std::chrono::nanoseconds CpuTime() const;

 protected:
  TInspect(const TLinkSettings& settings, const TLinkPolicy& policy, std::unique_ptr<TLinkTransport> transport,
           platform::TClock& clock);
  TLinkTransport* Transport() const;

 private:
  struct TCore;
  // Appends under the link's lock and wakes the thread when something was queued.
  template <typename F>
  bool Queue(F append);

  TLinkSettings settings_;
  TLinkEvents events_;
  bool opened_ = false;
  std::string openError_;
  bool closed_ = false;
  bool started_ = false;
  std::shared_ptr<TCore> core_;
  std::jthread thread_;
};

// A serial port, "COM" + the settings' port number (see platform/comm/ComPortNames.h).
class TComInspect : public TInspect {
 public:
  TComInspect(const TLinkSettings& settings, const TLinkPolicy& policy,
              platform::TClock& clock = platform::SteadyClock());
};

// An RS-485 line: a serial port like TComInspect.
class T485Inspect : public TInspect {
 public:
  T485Inspect(const TLinkSettings& settings, const TLinkPolicy& policy,
              platform::TClock& clock = platform::SteadyClock());
};

// A UDP socket bound to the settings' local port on every local address.
class TUdpInspect : public TInspect {
 public:
  TUdpInspect(const TLinkSettings& settings, const TLinkPolicy& policy,
              platform::TClock& clock = platform::SteadyClock());
  // The port actually bound (differs from the settings' when that was 0).
  uint16_t BoundPort() const { return boundPort_; }

 private:
  uint16_t boundPort_ = 0;
};

}  // namespace cardlink
