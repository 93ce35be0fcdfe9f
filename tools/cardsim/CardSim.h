#pragma once
// A simulated control card line for tests and for trying the programs without hardware: one or
// several card addresses on a UDP socket or a pty, answering the host's commands, receiving and
// sending block transfers, misbehaving on request, and logging every frame.
//
// One thread per simulator owns the transport. It waits in poll() on the transport, a wake-up
// descriptor and the earliest deadline (delayed frames, answer time-outs of the card's own
// transfers, receive inactivity), so delays never hold anything else up. Every public call is
// thread-safe; observers run on the card's thread outside its lock.
//
//   cardsim::TCardSim sim({.AnswerTimeoutMs = 50, .Retries = 2});
//   sim.AddCard(1);
//   sim.StartUdp();                       // 127.0.0.1, a free port: sim.UdpPort()
//   sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkBlock, .Number = 3});
//   ... the host sends a transfer to 127.0.0.1:sim.UdpPort(), card address 1 ...
//   auto t = sim.WaitForTransfer(std::chrono::seconds(5));
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "BlockPusher.h"
#include "BlockReceiver.h"
#include "CardFrame.h"
#include "CardHeads.h"
#include "CardTransport.h"
#include "DeadlineQueue.h"
#include "FaultRules.h"
#include "FrameLog.h"
#include "SimCard.h"

namespace cardsim {

struct TCardSimOptions {
  // The card's own transfers (read-back, Push): how long it waits for each answer, and how
  // often it resends before it gives up.
  int64_t AnswerTimeoutMs = 2500;
  int Retries = 6;
  // A host→card transfer with no start or block message for this long is dropped.
  int64_t ReceiveIdleMs = 20000;
  // The largest host→card transfer a card takes; a block past it is answered "overflow".
  size_t ReceiveCapacity = size_t(8) << 20;
  // Card messages after parameter and schedule writes and completed transfers.
  bool CardMessages = true;
  // Keep every frame for Frames()/WaitForFrames, and every completed transfer for Transfers()/
  // WaitForTransfer. A long-running program that only watches the observers turns them off.
  bool KeepFrames = true;
  bool KeepTransfers = true;
};

// A host→card transfer the card completed.
struct TReceivedTransfer {
  uint8_t Card = 0;    // the card it was addressed to
  uint8_t Source = 0;  // the sender's address (the host's)
  TPeer Peer;
  uint32_t Announced = 0;  // the value of its start message
  std::vector<uint8_t> Data;
  int64_t TimeMs = 0;
  // The u16 the data starts with (17 program, 18 download, 19 firmware, 20 fonts); 0 when
  // shorter than two bytes.
  uint16_t ContentKind() const;
};

class TCardSim {
 public:
  using TFrameObserver = std::function<void(const TFrameRecord&)>;
  using TTransferObserver = std::function<void(const TReceivedTransfer&)>;
  using TLogPredicate = std::function<bool(const std::vector<TFrameRecord>&)>;

  explicit TCardSim(TCardSimOptions options = {});
  ~TCardSim();
  TCardSim(const TCardSim&) = delete;
  TCardSim& operator=(const TCardSim&) = delete;

  // Cards on the line. A card answers only frames addressed to it.
  void AddCard(uint8_t address);  // with DefaultCardState; nothing when it exists
  void AddCard(const TCardState& state);  // replaces a card of the same address
  void RemoveCard(uint8_t address);
  std::vector<uint8_t> Cards() const;
  std::optional<TCardState> Card(uint8_t address) const;
  // Changes a card's state under the simulator's lock; false for an unknown address.
  bool UpdateCard(uint8_t address, const std::function<void(TCardState&)>& change);
  // While on, set-power (set-brightness) is refused with status 99.
  bool SetAutomatic(uint8_t address, bool power, bool brightness);
  void SetCardMessages(bool on);

  // Starting on a UDP socket bound to `bindAddress` (default loopback only) and `port` (0 picks
  // a free one), or on a new pty pair. False and a reason when it cannot, or when running.
  bool StartUdp(uint16_t port = 0, const std::string& bindAddress = "127.0.0.1",
                std::string* error = nullptr);
  bool StartPty(std::string* error = nullptr);
  // Stops the thread and closes the transport; delayed frames not yet sent are dropped.
  void Stop();
  bool Running() const;
  uint16_t UdpPort() const;     // 0 unless on UDP
  std::string PtyPath() const;  // the slave path; empty unless on a pty
  std::string Describe() const;  // "udp 127.0.0.1:6666", "pty /dev/pts/4"

  // Called on the card's thread, outside its lock, for every frame logged (in log order) and
  // every completed transfer.
  void SetFrameObserver(TFrameObserver observer);
  void SetTransferObserver(TTransferObserver observer);

  void AddFault(const TFaultRule& rule);
  void ClearFaults();

  std::vector<TFrameRecord> Frames() const;
  size_t CountFrames(TFrameDirection direction, uint16_t kind) const;
  void ClearFrames();
  // Waits until `done` holds for the log (checked at once and after every change).
  bool WaitForFrames(const TLogPredicate& done, std::chrono::milliseconds timeout) const;
  bool WaitForFrameCount(TFrameDirection direction, uint16_t kind, size_t count,
                         std::chrono::milliseconds timeout) const;

  // Completed host→card transfers, oldest first.
  std::vector<TReceivedTransfer> Transfers() const;
  // The oldest completed transfer not taken yet, waiting up to `timeout` for one.
  std::optional<TReceivedTransfer> WaitForTransfer(std::chrono::milliseconds timeout);

  // Card→host transfer of `data` from card address `card` (it need not be one of the line's
  // cards) to `to`, or on UDP to whoever sent the card its last frame. Transfers run one after
  // the other. Returns an id for WaitForPush, or -1 on UDP when no host is known yet.
  int Push(uint8_t card, std::vector<uint8_t> data, const TPushPlan& plan = {},
           std::optional<TPeer> to = {});
  TPushResult PushResult(int id) const;
  // prPending when the time ran out first.
  TPushResult WaitForPush(int id, std::chrono::milliseconds timeout) const;
  // How read-backs (kind 8925) send the display content; by default in order, one block per
  // answer.
  void SetReadBackPlan(const TPushPlan& plan);

  // A kind-100 card message with `code` as its value.
  bool SendCardMessage(uint8_t card, uint32_t code, std::optional<TPeer> to = {});
  // Any message (a request of kinds 6-12, say); the host's answers show in the frame log.
  bool SendMessage(const TCardHead& head, std::span<const uint8_t> payload = {},
                   std::optional<TPeer> to = {});
  // Bytes exactly as given, no framing.
  bool SendRaw(std::vector<uint8_t> bytes, std::optional<TPeer> to = {});
  // The sender of the last frame the card took (UDP).
  std::optional<TPeer> LastPeer() const;

 private:
  struct TCard {
    TCardState State;
    TBlockReceiver Receiver;
    int64_t IdleDeadline = 0;
  };
  struct TPushJob {
    int Id = 0;
    TBlockPusher Pusher;
    TPeer Peer;
    bool Begun = false;
  };
  struct TOutFrame {
    std::vector<uint8_t> Wire;
    TPeer Peer;
    TFrameRecord Record;
  };
  // What one pass of the thread hands out once the lock is released.
  struct TBatch {
    std::vector<TOutFrame> Send;
    std::vector<TFrameRecord> Frames;
    std::vector<TReceivedTransfer> Transfers;
    bool Changed = false;
  };

  bool Start(std::unique_ptr<TCardTransport> transport, std::string* error);
  void Run(std::stop_token stop);
  void Wake();
  int PollTimeoutLocked(int64_t nowMs) const;
  void HandleFrameLocked(const std::vector<uint8_t>& raw, const TPeer& peer, int64_t nowMs, TBatch& batch);
  void HandleAnswerLocked(const TCardAnswer& answer, int64_t nowMs, TBatch& batch);
  // Start, block and end messages; returns the content kind of a transfer it completed.
  std::optional<uint16_t> HandleTransferLocked(TCard& card, const TCardHead& head,
                                               std::span<const uint8_t> payload, const TPeer& peer,
                                               int64_t nowMs, TFrameRecord& in,
                                               std::optional<TReceiverAnswer>& answer, TBatch& batch);
  void RunDueLocked(int64_t nowMs, TBatch& batch);
  void PumpPushesLocked(int64_t nowMs, TBatch& batch);
  void EmitLocked(const std::vector<uint8_t>& body, const TPeer& peer, const TFaultSet& faults,
                  int64_t nowMs, TBatch& batch);
  void EmitOwnLocked(const std::vector<uint8_t>& body, const TPeer& peer, int64_t nowMs, TBatch& batch);
  void EmitRawLocked(const std::vector<uint8_t>& bytes, const TPeer& peer, int64_t nowMs, TBatch& batch);
  void LogLocked(TFrameRecord record, TBatch& batch);
  int PushLocked(uint8_t card, std::vector<uint8_t> data, const TPushPlan& plan, const TPeer& to);
  std::optional<TPeer> TargetLocked(const std::optional<TPeer>& to) const;
  void Deliver(TBatch& batch);

  const TCardSimOptions options_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;

  std::unique_ptr<TCardTransport> transport_;
  std::jthread thread_;
  int wakeFd_ = -1;
  bool running_ = false;
  uint16_t udpPort_ = 0;
  std::string ptyPath_;
  std::string describe_;

  std::map<uint8_t, TCard> cards_;
  bool cardMessages_;
  TFaultBook faults_;
  std::vector<TFrameRecord> log_;
  std::vector<TReceivedTransfer> transfers_;
  size_t transfersTaken_ = 0;
  std::vector<TPushJob> pushes_;  // the first is the one running
  std::map<int, TPushResult> pushResults_;
  int nextPushId_ = 1;
  TPushPlan readBackPlan_;
  struct TOwnRequest {
    bool Raw = false;  // bytes as they are, else a body to frame
    std::vector<uint8_t> Bytes;
    TPeer Peer;
  };
  std::vector<TOwnRequest> ownPending_;  // frames asked for by callers, sent by the thread
  TDeadlineQueue<TOutFrame> delayed_;
  std::optional<TPeer> lastPeer_;
  TFrameSplitter lineSplitter_;
  TFrameObserver frameObserver_;
  TTransferObserver transferObserver_;
};

}  // namespace cardsim
