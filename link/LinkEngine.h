#pragma once
// The block-transfer protocol of one link as a state machine with no I/O and no clock of its own:
// received bytes and the time go in; frames to send, pauses and events come out in an outbox.
// A link thread (Device) drives it under its one lock and carries the outbox out after letting
// the lock go; tests drive it directly on a virtual clock. Corvane and Panelcast differ only in
// the policy handed to the constructor.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "link/MemCommand.h"
#include "link/Packet.h"

namespace cardlink {

constexpr uint8_t kHostAddress = 0;      // the host's own address in both deliverables
constexpr uint32_t kReceiveWindow = 32;  // blocks the receiver accepts ahead of its base
constexpr size_t kReceiveBufferSize = 0x800000;
// Largest transfer a caller may queue; sizes and progress travel as 32-bit values.
constexpr size_t kMaxTransferSize = 0x7FFFFFFF;

// Where a frame came from or goes to. Port and IP are in network byte order, as on the wire;
// a serial link's peer is the link itself and only Kind matters.
struct TLinkPeer {
  uint16_t Kind = 0;  // the device record's link kind
  uint16_t Port = 0;
  uint32_t Ip = 0;
  bool operator==(const TLinkPeer&) const = default;
};

// The peer of a card given as port (host order) and IP text; Ip stays 0 when the text is no
// dotted IPv4 address, and nothing is then sent to it.
TLinkPeer MakePeer(uint16_t kind, int port, std::string_view ipText);
int PeerPort(const TLinkPeer& peer);  // host order
std::string PeerIpText(const TLinkPeer& peer);

// Panelcast's process-wide transfer options; a link reads them each time it uses one, so a
// change takes effect at the next use.
struct TTransferOptions {
  std::atomic<int> TimeoutMs{2500};  // option 1: answer time-out T
  std::atomic<int> Retries{3};       // option 2: resends after the first attempt R
  std::atomic<int> Burst{4};         // option 3: blocks sent per good answer W
};

// Every time constant of a link, injectable so tests run with short ones.
struct TLinkTiming {
  int64_t AnswerTimeoutMs = 2500;    // T (when no options are given)
  int Retries = 6;                   // R
  int Burst = 1;                     // W
  int64_t ReceiveIdleMs = 20000;     // an incoming transfer is abandoned after this silence
  int64_t GapMs = 500;               // pause after a finished transfer or answered command
  int64_t SerialPauseMs = 10;        // pause after each accepted frame on a serial line
  int64_t MaxWaitMs = 5;             // longest poll while a deadline is pending
};

// What a negative block answer ("resend from n") makes the sender do.
enum TBlockResend {
  brOneBlock,  // send block n once, then go on from where it was
  brGoBack,    // go back to block n and go on from there
};

struct TLinkPolicy {
  TLinkTiming Timing;
  // When set, T, R and W come from here at each use instead of from Timing.
  const TTransferOptions* Options = nullptr;
  // A gap of Timing.GapMs after a finished transfer or answered command; an item appended to
  // an idle queue starts at once.
  bool Gaps = true;
  bool CommandsWithoutReply = true;  // QueueCommandNoReply is available
  bool PauseOnSerialLines = true;    // Timing.SerialPauseMs after each accepted frame
  TBlockResend Resend = brOneBlock;
};

TLinkPolicy CorvanePolicy(const TLinkTiming& timing = {});
TLinkPolicy PanelcastPolicy(const TTransferOptions& options, const TLinkTiming& timing = {});

// What the transport underneath tells the engine about itself.
struct TLinkTraits {
  uint16_t LinkKind = 0;        // echoed into every peer of this link
  bool WholeDatagrams = false;  // a datagram framed 0x55 ... 0xAA is one frame (UDP)
  bool SerialLine = false;      // a serial or RS-485 line (the pause after frames applies)
};

enum TLinkEventKind { leDataReceived, leSendDone, leTimeout, leReply, leRequest, leProgress };

// One outcome for the link manager. Which fields are set depends on Kind:
//   leDataReceived  Address = source, Peer, Buffer = the receive buffer, Total = bytes received
//   leSendDone      Address = source of the answer, Peer
//   leTimeout       Address, CardPort, CardIp; Body = the command's data, empty for transfers
//   leReply         Address = source, Body = the whole answer body, CardPort, CardIp
//   leRequest       Body, Peer
//   leProgress      Direction 1 sending / 2 receiving, SoFar, Total, Address = the frame's
//                   destination (the host's own address)
struct TLinkEvent {
  TLinkEventKind Kind = leProgress;
  uint8_t Address = 0;
  TLinkPeer Peer;
  int CardPort = 0;
  std::string CardIp;
  std::vector<uint8_t> Body;
  std::span<const uint8_t> Buffer;
  int64_t Total = 0;
  int64_t SoFar = 0;
  int Direction = 0;
};

struct TSendAction {
  std::vector<uint8_t> Frame;
  TLinkPeer Peer;
};

struct TPauseAction {
  int64_t Ms = 0;
};

using TLinkAction = std::variant<TSendAction, TPauseAction, TLinkEvent>;
using TLinkOutbox = std::vector<TLinkAction>;

// The frame of a reply built from `head`, followed by `payload` when it is not empty.
std::vector<uint8_t> ReplyFrame(const TReplyHead& head, std::span<const uint8_t> payload = {});

class TLinkEngine {
 public:
  // `receiveBuffer` receives incoming transfers; it must outlive the engine.
  TLinkEngine(const TLinkPolicy& policy, const TLinkTraits& traits, std::span<uint8_t> receiveBuffer);

  // Caller side. Each copies the data; false (nothing queued) when the copy cannot be made,
  // the data is too large, a command body is shorter than a message head or longer than a
  // frame can carry, or (QueueCommandNoReply) the policy has no such commands.
  bool QueueData(std::span<const uint8_t> data, int port, std::string_view ip, uint8_t address);
  bool QueueCommand(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address);
  bool QueueCommandNoReply(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address);

  // Link-thread side, one call per pass of the loop.
  // Bytes read from the transport (a whole datagram on UDP).
  void Receive(std::span<const uint8_t> bytes, const TLinkPeer& from, int64_t now, TLinkOutbox& out);
  // The send timers; the loop runs them on a pass that read nothing.
  void RunSendTimers(int64_t now, TLinkOutbox& out);
  // The receive inactivity limit; the loop checks it on every pass.
  void CheckReceiveTimeout(int64_t now, TLinkOutbox& out);
  // The earliest time a timer wants to run, or nullopt when the link is idle.
  std::optional<int64_t> NextDeadline() const;
  // Gives up everything still in hand, for a link that is being replaced: a time-out event for
  // every transfer and every command queued or in flight (a command without an awaited reply
  // is dropped: nobody waits for it) and for an incoming transfer whose sender is known. The
  // link is idle and both queues are empty afterwards.
  void AbandonAll(TLinkOutbox& out);

  // One reassembled frame (0x55 ... 0xAA).
  void HandleFrame(const uint8_t* frame, size_t length, const TLinkPeer& peer, int64_t now, TLinkOutbox& out);

  // State, for tests and the link manager.
  bool Receiving() const { return receiving_; }
  bool TransferStarted() const { return started_; }
  bool BlocksFlowing() const { return flowing_; }
  bool CommandOutstanding() const { return outstanding_; }
  uint32_t ReceiveBase() const { return uint32_t(base_); }
  uint32_t NextBlock() const { return uint32_t(next_); }
  size_t QueuedTransfers() const { return transfers_.NodeCount(); }
  size_t QueuedCommands() const { return commands_.NodeCount(); }
  const TLinkTraits& Traits() const { return traits_; }

 private:
  struct TSender {
    uint8_t Address = 0;
    bool Valid = false;
    TLinkPeer Peer;
    bool Is(uint8_t address, const TLinkPeer& peer) const { return Valid && Address == address && Peer == peer; }
  };

  int64_t AnswerTimeout() const;
  int Retries() const;
  int Burst() const;

  void FeedByte(uint8_t b, const TLinkPeer& from, int64_t now, TLinkOutbox& out);
  void HandleStart(const TMessageHead& m, const TLinkPeer& peer, int64_t now, TLinkOutbox& out);
  void HandleBlock(const TMessageHead& m, std::span<const uint8_t> payload, const TLinkPeer& peer, int64_t now,
                   TLinkOutbox& out);
  void HandleEnd(const TMessageHead& m, const TLinkPeer& peer, TLinkOutbox& out);
  void HandleAnswer(const TReplyHead& r, std::span<const uint8_t> body, const TLinkPeer& peer, int64_t now,
                    TLinkOutbox& out);
  void SendBurst(int n, TLinkOutbox& out);
  void Answer(const TMessageHead& m, uint16_t status, const TLinkPeer& peer, TLinkOutbox& out);
  void Answer(const TReplyHead& r, const TLinkPeer& peer, TLinkOutbox& out);
  void AbandonIncoming(TLinkOutbox& out);
  uint32_t EndNumber() const;  // one past the last block of the head transfer
  void SendMessage(uint16_t kind, uint32_t value, std::span<const uint8_t> payload, TLinkOutbox& out);

  TLinkPolicy policy_;
  TLinkTraits traits_;
  std::span<uint8_t> buffer_;

  // Reassembly.
  bool assembling_ = false;
  std::vector<uint8_t> frame_;
  uint8_t body_[kMaxFrame];

  // Receiver.
  bool receiving_ = false;
  int64_t base_ = 1;
  uint32_t bitmap_ = 0;
  int64_t receiveDeadline_ = 0;
  int64_t received_ = 0;
  uint32_t announced_ = 0;
  TSender sender_;
  // The sender of the transfer completed last and its end number, until the next start: its
  // end is answered again when our answer to it was lost.
  TSender completed_;
  uint32_t completedEnd_ = 0;

  // Sender.
  bool started_ = false;
  bool flowing_ = false;
  bool outstanding_ = false;
  int64_t next_ = 0;
  int64_t transferDeadline_ = INT64_MIN;
  int retries_ = 0;
  int64_t commandDeadline_ = INT64_MIN;
  TLinkPeer transferPeer_;  // the head transfer's own card
  TMemList<TQueueItem> transfers_;
  TMemList<TQueueItem> commands_;
};

}  // namespace cardlink
