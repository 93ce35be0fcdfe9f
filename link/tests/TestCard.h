#pragma once
// A small simulated card for the link-thread tests and the benchmark. It shares nothing with
// the link engine but the frame codec: it reassembles frames on its own, answers the host's
// transfers and commands, and can push a transfer of its own to the host. It talks over UDP
// on 127.0.0.1 or over the master side of a pseudo-terminal, on a thread of its own.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace cardtest {

class TTestCard {
 public:
  // Over UDP: the card binds a free port on 127.0.0.1 and talks to the host's port there.
  static std::unique_ptr<TTestCard> OverUdp(uint16_t hostPort, uint8_t address = 7);
  // Over a byte stream such as a pseudo-terminal's master side (not owned).
  static std::unique_ptr<TTestCard> OverStream(int fd, uint8_t address = 7);
  ~TTestCard();

  uint16_t Port() const { return port_; }  // the card's UDP port
  uint8_t Address() const { return address_; }

  // Misbehaviour: drop every nth block or block answer received (0: none). Start and end
  // messages are kept: the protocol does not answer a repeated one once it has moved on.
  void DropEveryNth(int n) { dropEvery_ = n; }
  // The answer to a command kind: status and payload. Kinds without one are not answered.
  void SetAnswer(uint16_t kind, uint16_t status, std::vector<uint8_t> payload = {});

  // Waits until a transfer from the host has completed and returns its data.
  std::optional<std::vector<uint8_t>> WaitReceived(int timeoutMs);
  // Pushes a transfer to the host with `window` blocks in flight, resending after resendMs
  // without an answer; WaitPushed waits until the host has answered its end message.
  void Push(std::vector<uint8_t> data, int window, int resendMs = 200);
  bool WaitPushed(int timeoutMs);

  int FramesReceived() const { return framesReceived_.load(); }

 private:
  TTestCard(int fd, bool datagrams, uint8_t address);
  void Run();
  void Feed(const uint8_t* data, size_t count);
  void Handle(const std::vector<uint8_t>& body);
  void SendBody(const std::vector<uint8_t>& body);
  void SendReply(uint16_t answered, uint32_t number, uint16_t status, const std::vector<uint8_t>& payload = {});
  void PushStep(int64_t now, bool timedOut);
  void SendPushMessage(uint16_t kind, uint32_t value);

  int fd_ = -1;
  bool datagrams_ = false;
  bool ownsFd_ = false;
  uint16_t port_ = 0;
  uint16_t hostPort_ = 0;
  uint8_t address_ = 7;
  std::atomic<int> dropEvery_{0};
  std::atomic<int> framesReceived_{0};
  int blockFrames_ = 0;
  std::atomic<bool> stop_{false};
  int wakeFd_ = -1;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<uint16_t, std::pair<uint16_t, std::vector<uint8_t>>> answers_;
  // Receiving from the host.
  std::vector<uint8_t> incoming_;
  std::vector<bool> have_;
  bool receiving_ = false;
  std::vector<std::vector<uint8_t>> received_;
  // Pushing to the host.
  struct TPush {
    std::vector<uint8_t> Data;
    int Window = 1;
    int ResendMs = 200;
    enum { pStarting, pBlocks, pEnding, pDone } State = pStarting;
    uint32_t Blocks = 0;
    uint32_t Base = 1;  // lowest block not yet answered
    uint32_t Next = 1;  // next block to send
    std::vector<bool> Acked;
    int64_t LastSent = 0;
  };
  std::optional<TPush> push_;
  bool pushed_ = false;

  std::vector<uint8_t> frame_;
  bool assembling_ = false;
  std::thread thread_;
};

}  // namespace cardtest
