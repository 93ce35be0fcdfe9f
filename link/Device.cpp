#include "Device.h"

#include <poll.h>
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/base/MessageWindow.h"
#include "platform/base/WaitableEvent.h"
#include "platform/comm/ComPortNames.h"
#include "platform/comm/SerialPort.h"
#include "platform/comm/UdpSocket.h"

namespace cardlink {

namespace {

// A serial or RS-485 line: a byte stream, so frames are reassembled byte by byte.
class TSerialTransport final : public TLinkTransport {
 public:
  explicit TSerialTransport(const TLinkSettings& s) {
    port_.Open(platform::ResolveComPort(s.ComPort),
               platform::TSerialSettings{platform::SpeedFromIndex(s.SpeedIndex), s.Handshake});
  }
  bool Opened() const override { return port_.IsOpen(); }
  std::string Error() const override { return port_.Error(); }
  TLinkTraits Traits(uint16_t kind) const override { return TLinkTraits{kind, false, true}; }
  int Fd() const override { return port_.Fd(); }
  void Send(const uint8_t* data, size_t count, const TLinkPeer&) override { (void)port_.Write(data, count); }
  size_t Receive(uint8_t* buffer, size_t size, TLinkPeer&) override { return port_.Read(buffer, size); }
  void Close() override { port_.Close(); }

 private:
  platform::TSerialPort port_;
};

// UDP: one frame per datagram, each from and to a card's address.
class TUdpTransport final : public TLinkTransport {
 public:
  explicit TUdpTransport(const TLinkSettings& s) { socket_.Bind(s.LocalPort, s.LocalIp); }
  bool Opened() const override { return socket_.IsOpen(); }
  std::string Error() const override { return socket_.Error(); }
  TLinkTraits Traits(uint16_t kind) const override { return TLinkTraits{kind, true, false}; }
  int Fd() const override { return socket_.Fd(); }
  void Send(const uint8_t* data, size_t count, const TLinkPeer& peer) override {
    if (peer.Ip == 0 || peer.Port == 0) return;  // the item named no usable card address
    (void)socket_.SendTo(data, count, peer.Ip, peer.Port);
  }
  size_t Receive(uint8_t* buffer, size_t size, TLinkPeer& from) override {
    return socket_.ReceiveFrom(buffer, size, from.Ip, from.Port);
  }
  void Close() override { socket_.Close(); }
  uint16_t LocalPort() const { return socket_.LocalPort(); }

 private:
  platform::TUdpSocket socket_;
};

// A port in error (a serial adapter pulled out, a terminal hung up) is polled again this often
// instead of waking the loop all the time.
constexpr int kBrokenPortRetryMs = 100;

}  // namespace

// What the link thread works on. Shared with the thread, so that a link closed from inside one
// of its own events can let its TInspect go while the thread finishes by itself.
struct TInspect::TCore {
  TCore(const TLinkSettings& settings, const TLinkPolicy& policy, std::unique_ptr<TLinkTransport> transport,
        platform::TClock& clock)
      : Settings(settings),
        Transport(std::move(transport)),
        Clock(clock),
        MaxWaitMs(std::max<int64_t>(policy.Timing.MaxWaitMs, 1)),
        Engine(policy, Transport->Traits(settings.LinkKind), settings.ReceiveBuffer) {}

  void Run();
  bool Execute(TLinkOutbox& out);
  void KeepUnfinished(TLinkOutbox& out, size_t from);
  void Raise(const TLinkEvent& e);
  void SendFrame(const std::vector<uint8_t>& frame, const TLinkPeer& peer);
  void CloseTransport();

  TLinkSettings Settings;
  TLinkEvents Events;
  std::mutex IoLock;  // the transport against closing while a caller sends a reply
  std::unique_ptr<TLinkTransport> Transport;
  platform::TClock& Clock;
  const int64_t MaxWaitMs;

  std::mutex Lock;  // the link's one lock: the engine's queues, flags and deadlines
  TLinkEngine Engine;

  platform::TWaitableEvent Wake;      // work was queued, or the thread must end
  platform::TWaitableEvent Finished;  // the thread has left its loop
  std::atomic<bool> Terminated{false};
  TUnfinishedHandler Unfinished;          // under Lock; set before Terminated
  std::vector<TLinkEvent> UnraisedOutcomes;  // link thread only
};

namespace {

// Events that end a piece of work someone waits for; progress and requests are not among them.
bool IsOutcome(TLinkEventKind kind) {
  return kind == leDataReceived || kind == leSendDone || kind == leTimeout || kind == leReply;
}

std::vector<TLinkEvent> OutcomesOf(TLinkOutbox& out, size_t from) {
  std::vector<TLinkEvent> events;
  for (size_t i = from; i < out.size(); ++i) {
    auto* e = std::get_if<TLinkEvent>(&out[i]);
    if (!e || !IsOutcome(e->Kind)) continue;
    if (e->Kind == leDataReceived) {
      e->Body.assign(e->Buffer.begin(), e->Buffer.begin() + std::min<size_t>(size_t(e->Total), e->Buffer.size()));
      e->Buffer = {};
    }
    events.push_back(std::move(*e));
  }
  return events;
}

}  // namespace

void TInspect::TCore::KeepUnfinished(TLinkOutbox& out, size_t from) {
  for (auto& e : OutcomesOf(out, from)) UnraisedOutcomes.push_back(std::move(e));
}

void TInspect::TCore::SendFrame(const std::vector<uint8_t>& frame, const TLinkPeer& peer) {
  std::lock_guard io(IoLock);
  if (Transport->Fd() >= 0) Transport->Send(frame.data(), frame.size(), peer);
}

void TInspect::TCore::CloseTransport() {
  std::lock_guard io(IoLock);
  Transport->Close();
}

void TInspect::TCore::Raise(const TLinkEvent& e) {
  switch (e.Kind) {
    case leDataReceived:
      if (Events.OnDataReceived) Events.OnDataReceived(e.Buffer, e.Peer, e.Address, e.Total);
      break;
    case leSendDone:
      if (Events.OnSendDone) Events.OnSendDone(e.Address, e.Peer);
      break;
    case leTimeout:
      if (Events.OnTimeout) Events.OnTimeout(e.Address, e.Body, e.CardPort, e.CardIp);
      break;
    case leReply:
      if (Events.OnReply) Events.OnReply(e.Address, e.Body, e.CardPort, e.CardIp);
      break;
    case leRequest:
      if (Events.OnRequest) Events.OnRequest(e.Body, e.Peer);
      break;
    case leProgress:
      if (Events.OnProgress) Events.OnProgress(e.Direction, e.SoFar, e.Total, e.Address);
      break;
  }
}

bool TInspect::TCore::Execute(TLinkOutbox& out) {
  for (size_t i = 0; i < out.size(); ++i) {
    if (Terminated.load()) {
      KeepUnfinished(out, i);
      return false;
    }
    auto& action = out[i];
    if (auto* send = std::get_if<TSendAction>(&action)) {
      SendFrame(send->Frame, send->Peer);
    } else if (auto* pause = std::get_if<TPauseAction>(&action)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause->Ms));
    } else {
      Raise(std::get<TLinkEvent>(action));
    }
  }
  return !Terminated.load();
}

void TInspect::TCore::Run() {
  std::vector<uint8_t> buffer(kMaxFrame);
  TLinkOutbox out;
  bool portBroken = false;
  while (!Terminated.load()) {
    Wake.Reset();
    TLinkPeer from{Settings.LinkKind, 0, 0};
    const size_t count = Transport->Receive(buffer.data(), buffer.size(), from);
    const int64_t now = Clock.NowMs();
    std::optional<int64_t> next;
    {
      std::lock_guard lock(Lock);
      if (count > 0) Engine.Receive(std::span(buffer.data(), count), from, now, out);
      else Engine.RunSendTimers(now, out);
      Engine.CheckReceiveTimeout(now, out);
      next = Engine.NextDeadline();
    }
    const bool acted = !out.empty();
    if (!Execute(out)) break;
    out.clear();
    if (count > 0 || acted) continue;  // more may be waiting: look again before sleeping

    // Nothing to do: sleep until the port is readable, work is queued, or the nearest deadline.
    int timeout = -1;
    if (next) timeout = int(std::min(*next <= now ? 0 : *next - now, MaxWaitMs));
    pollfd fds[2] = {{Wake.Fd(), POLLIN, 0}, {Transport->Fd(), POLLIN, 0}};
    nfds_t n = 2;
    if (portBroken) {
      n = 1;
      if (timeout < 0 || timeout > kBrokenPortRetryMs) timeout = kBrokenPortRetryMs;
    }
    ::poll(fds, n, timeout);
    portBroken = n == 2 && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
  }
  TUnfinishedHandler unfinished;
  {
    std::lock_guard lock(Lock);
    unfinished = Unfinished;
  }
  if (unfinished && !UnraisedOutcomes.empty()) unfinished(std::move(UnraisedOutcomes));
  UnraisedOutcomes.clear();
  Finished.Set();
}

TInspect::TInspect(const TLinkSettings& settings, const TLinkPolicy& policy,
                   std::unique_ptr<TLinkTransport> transport, platform::TClock& clock)
    : settings_(settings) {
  opened_ = transport->Opened();
  if (!opened_) openError_ = transport->Error();
  core_ = std::make_shared<TCore>(settings, policy, std::move(transport), clock);
}

TInspect::~TInspect() { Close(); }

TLinkTransport* TInspect::Transport() const { return core_->Transport.get(); }

bool TInspect::Start() {
  if (!opened_ || closed_ || thread_.joinable()) return false;
  core_->Events = events_;
  started_ = true;
  thread_ = std::jthread([core = core_] { core->Run(); });
  return true;
}

void TInspect::Close(TUnfinishedHandler unfinished) {
  if (closed_) return;
  closed_ = true;
  {
    std::lock_guard lock(core_->Lock);
    core_->Unfinished = unfinished;
  }
  core_->Terminated.store(true);
  core_->Wake.Set();
  if (thread_.joinable()) {
    const std::thread::id id = thread_.get_id();
    if (id == std::this_thread::get_id() || platform::IsHandlingSendFrom(id)) {
      // The link thread is inside one of its own events and cannot end before we return. Let
      // go of the port now (so it can be opened again at once) and let the thread end by
      // itself; it no longer touches the engine.
      core_->CloseTransport();
      thread_.detach();
    } else {
      platform::PumpUntil(core_->Finished);
      thread_.join();
      core_->CloseTransport();
    }
  } else {
    core_->CloseTransport();
  }
  if (!unfinished) return;
  TLinkOutbox out;
  {
    std::lock_guard lock(core_->Lock);
    core_->Engine.AbandonAll(out);
  }
  auto events = OutcomesOf(out, 0);
  if (!events.empty()) unfinished(std::move(events));
}

bool TInspect::Ended() const { return !thread_.joinable() && (!started_ || core_->Finished.IsSet()); }

template <typename F>
bool TInspect::Queue(F append) {
  bool queued;
  {
    std::lock_guard lock(core_->Lock);
    queued = append(core_->Engine);
  }
  if (queued) core_->Wake.Set();
  return queued;
}

bool TInspect::QueueData(std::span<const uint8_t> data, int port, std::string_view ip, uint8_t address) {
  return Queue([&](TLinkEngine& e) { return e.QueueData(data, port, ip, address); });
}

bool TInspect::QueueCommand(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address) {
  return Queue([&](TLinkEngine& e) { return e.QueueCommand(body, port, ip, address); });
}

bool TInspect::QueueCommandNoReply(std::span<const uint8_t> body, int port, std::string_view ip,
                                   uint8_t address) {
  return Queue([&](TLinkEngine& e) { return e.QueueCommandNoReply(body, port, ip, address); });
}

void TInspect::SendReply(const TMessageHead& message, uint16_t status, std::span<const uint8_t> payload,
                         const TLinkPeer& peer) {
  core_->SendFrame(ReplyFrame(MakeReplyHead(message, kHostAddress, status), payload), peer);
}

std::thread::id TInspect::ThreadId() const { return thread_.get_id(); }

std::chrono::nanoseconds TInspect::CpuTime() const {
  if (!thread_.joinable()) return std::chrono::nanoseconds(0);
  clockid_t id;
  timespec ts{};
  if (pthread_getcpuclockid(const_cast<std::jthread&>(thread_).native_handle(), &id) != 0 ||
      clock_gettime(id, &ts) != 0)
    return std::chrono::nanoseconds(0);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

TComInspect::TComInspect(const TLinkSettings& settings, const TLinkPolicy& policy, platform::TClock& clock)
    : TInspect(settings, policy, std::make_unique<TSerialTransport>(settings), clock) {}

T485Inspect::T485Inspect(const TLinkSettings& settings, const TLinkPolicy& policy, platform::TClock& clock)
    : TInspect(settings, policy, std::make_unique<TSerialTransport>(settings), clock) {}

TUdpInspect::TUdpInspect(const TLinkSettings& settings, const TLinkPolicy& policy, platform::TClock& clock)
    : TInspect(settings, policy, std::make_unique<TUdpTransport>(settings), clock) {
  boundPort_ = static_cast<TUdpTransport*>(Transport())->LocalPort();
}

}  // namespace cardlink
