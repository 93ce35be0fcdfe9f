#include "tsSender.h"

#include "platform/base/DateTime.h"
#include "platform/comm/UdpSocket.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace cardlink {

// Where one link's notifications go: a snapshot of the device record as the link was started
// with it. The link thread holds it through its event handlers, so it outlives the table entry
// when a link is closed or replaced from inside one of its own notifications.
struct TLinkTarget {
  TDeviceRecord Record;
  std::shared_ptr<uint8_t[]> Buffer;  // the receive buffer stays while the link may use it
  std::shared_ptr<TNotifySink> Sink;
  std::shared_ptr<TCourier> Courier;
  size_t RequestParamsSize = kParamsBlockSize;
  TInspect* Link = nullptr;         // answers the card's requests; gone only after the link ends
  std::atomic<bool> Closing{false};   // notifications still waiting for their turn give up
  std::atomic<bool> Replaced{false};  // ... and then go to the courier instead of nowhere
};

namespace {

bool IsOutcome(TLinkEventKind kind) {
  return kind == leDataReceived || kind == leSendDone || kind == leTimeout || kind == leReply;
}

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void SetCard(TNotifyRecord& r, int port, std::string_view ip) {
  const size_t n = std::min({ip.size(), ip.find('\0'), sizeof r.CardIp});
  std::memcpy(r.CardIp, ip.data(), n);
  r.CardPort = port;
}

// The notification an event gives, or nothing (requests, replies of other kinds). Data points
// into `e`.
std::optional<TNotifyRecord> MakeNotifyRecord(const TDeviceRecord& device, const TLinkEvent& e) {
  TNotifyRecord r{};
  r.Device = device;
  r.CardAddress = e.Address;
  switch (e.Kind) {
    case leProgress:
      r.Code = e.Direction == 1 ? ncSendProgress : ncReceiveProgress;
      r.Status = Clamp32(e.SoFar);
      r.Length = Clamp32(e.Total);
      return r;
    case leDataReceived:
      r.Code = ncDataReceived;
      r.Length = Clamp32(e.Total);
      r.Data = e.Buffer.empty() ? e.Body.data() : e.Buffer.data();
      SetCard(r, PeerPort(e.Peer), PeerIpText(e.Peer));
      return r;
    case leSendDone:
      r.Code = ncSendDone;
      SetCard(r, PeerPort(e.Peer), PeerIpText(e.Peer));
      return r;
    case leTimeout:
      r.Code = ncTimeout;
      r.Data = e.Body.empty() ? nullptr : e.Body.data();
      SetCard(r, e.CardPort, e.CardIp);
      return r;
    case leReply: {
      if (e.Body.size() < kMessageHeadSize) return std::nullopt;
      const uint16_t kind = platform::LoadU16(e.Body.data());
      if (kind == ckReply) {
        auto reply = UnpackReplyHead(e.Body);
        if (!reply) return std::nullopt;
        r.Code = ncReply;
        r.AnsweredKind = reply->AnsweredKind;
        r.Status = reply->Status;
        r.Number = int32_t(reply->Number);
        if (e.Body.size() > kReplyHeadSize) {
          r.Length = int32_t(e.Body.size() - kReplyHeadSize);
          r.Data = e.Body.data() + kReplyHeadSize;
        }
      } else if (kind == ckCardMessage) {
        r.Code = ncCardMessage;
        r.Status = int32_t(platform::LoadU32(e.Body.data() + 4));
      } else {
        return std::nullopt;
      }
      SetCard(r, e.CardPort, e.CardIp);
      return r;
    }
    case leRequest:
      break;
  }
  return std::nullopt;
}

// The card asks the host: a clock, power, brightness or parameter request is accepted; a
// parameter read gets a block that starts 512, 256, 2 (zeros after).
void AnswerRequest(const TLinkTarget& t, std::span<const uint8_t> body, const TLinkPeer& peer) {
  auto head = UnpackMessageHead(body);
  if (!head || !t.Link) return;
  switch (head->Kind) {
    case ckSetTime:
    case ckWriteParams:
    case ckReadPower:
    case ckSetPower:
    case ckReadBrightness:
    case ckSetBrightness:
      t.Link->SendReply(*head, kStatusAccepted, {}, peer);
      break;
    case ckReadParams: {
      std::vector<uint8_t> block(t.RequestParamsSize, 0);
      platform::StoreU16(block.data(), 512);
      platform::StoreU16(block.data() + 2, 256);
      platform::StoreU16(block.data() + 4, 2);
      t.Link->SendReply(*head, kStatusAccepted, block, peer);
      break;
    }
    default:
      break;
  }
}

// Answers a request or notifies the window. False only when the delivery was cancelled.
bool Handle(const TLinkTarget& t, const TLinkEvent& e, const std::atomic<bool>& cancel) {
  if (e.Kind == leRequest) {
    AnswerRequest(t, e.Body, e.Peer);
    return true;
  }
  if (t.Record.NotifyFlag == 0) return true;
  auto record = MakeNotifyRecord(t.Record, e);
  if (!record) return true;
  return t.Sink->Deliver(*record, cancel);
}

}  // namespace

// ---- notification sinks ----

bool TDirectNotify::Deliver(const TNotifyRecord& record, const std::atomic<bool>&) {
  // A window that is gone is not waited for: the notification is over either way.
  platform::SendMessageTo(record.Device.Window, record.Device.Message, reinterpret_cast<uintptr_t>(&record), 0);
  return true;
}

bool TSharedNotifyRecord::Deliver(const TNotifyRecord& record, const std::atomic<bool>& cancel) {
  {
    std::unique_lock lock(turn_);
    if (busy_ && !cancel.load()) {
      lock.unlock();
      DeliveryWaits();
      lock.lock();
    }
    free_.wait(lock, [&] { return !busy_ || cancel.load(); });
    if (busy_) return false;  // the link is being closed while another notification holds the record
    busy_ = true;
  }
  struct TRelease {
    TSharedNotifyRecord& Self;
    ~TRelease() {
      {
        std::lock_guard lock(Self.turn_);
        Self.busy_ = false;
      }
      Self.free_.notify_all();
    }
  } release{*this};
  uintptr_t address;
  {
    std::lock_guard lock(data_);
    address = Store(record);
    valid_ = true;
  }
  platform::SendMessageTo(record.Device.Window, record.Device.Message, address, 0);
  return true;
}

void TSharedNotifyRecord::Interrupt() {
  { std::lock_guard lock(turn_); }
  free_.notify_all();
}

bool TSharedNotifyRecord::Read(TNotifyRecord& out) const {
  std::lock_guard lock(data_);
  out = record_;
  return valid_;
}

uintptr_t TSharedNotifyRecord::Store(const TNotifyRecord& record) {
  record_ = record;
  return reinterpret_cast<uintptr_t>(&record_);
}

// ---- the courier ----

// Delivers, on a thread of its own, the notifications of links that were replaced: what they
// still had queued or in flight, as time-outs, and outcomes they could not deliver any more.
// It takes its turn like a link thread, so the old window hears of every item exactly as it
// would have from the old link, after the manager has finished the replacement.
class TCourier {
 public:
  TCourier() : core_(std::make_shared<TCore>()) {}
  TCourier(const TCourier&) = delete;
  TCourier& operator=(const TCourier&) = delete;
  ~TCourier() { Stop(); }

  // Any thread. Dropped once stopped.
  void Post(std::shared_ptr<TLinkTarget> target, std::vector<TLinkEvent> events) {
    if (events.empty()) return;
    std::lock_guard lock(core_->Mutex);
    if (core_->Stopped.load()) return;
    try {
      if (!thread_.joinable()) thread_ = std::jthread([core = core_] { core->Run(); });
      core_->Jobs.push_back(TJob{std::move(target), std::move(events)});
    } catch (const std::exception&) {
      return;  // no thread or memory left: nothing can be delivered, and link threads must not throw
    }
    core_->Changed.notify_all();
  }

  // Drops what is still waiting and ends the thread, pumping the calling thread's queue while
  // it waits (the courier may be sending to one of its windows). Idempotent.
  void Stop(TNotifySink* sink = nullptr) {
    std::jthread thread;
    {
      std::lock_guard lock(core_->Mutex);
      core_->Stopped.store(true);
      core_->Jobs.clear();
      thread = std::move(thread_);
    }
    core_->Changed.notify_all();
    if (sink) sink->Interrupt();
    if (!thread.joinable()) return;
    const auto id = thread.get_id();
    if (id == std::this_thread::get_id() || platform::IsHandlingSendFrom(id)) {
      thread.detach();  // it is waiting for us; it ends by itself once we return
      return;
    }
    platform::PumpUntil(core_->Finished);
    thread.join();
  }

 private:
  struct TJob {
    std::shared_ptr<TLinkTarget> Target;
    std::vector<TLinkEvent> Events;
  };
  struct TCore {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<TJob> Jobs;
    std::atomic<bool> Stopped{false};
    platform::TWaitableEvent Finished;

    void Run() {
      for (;;) {
        TJob job;
        {
          std::unique_lock lock(Mutex);
          Changed.wait(lock, [&] { return Stopped.load() || !Jobs.empty(); });
          if (Stopped.load()) break;
          job = std::move(Jobs.front());
          Jobs.pop_front();
        }
        for (const auto& e : job.Events) {
          if (Stopped.load()) break;
          Handle(*job.Target, e, Stopped);
        }
      }
      Finished.Set();
    }
  };

  std::shared_ptr<TCore> core_;
  std::jthread thread_;  // under core_->Mutex
};

namespace {

// Runs one event of a link on its thread. When the delivery was cancelled because the link is
// being replaced, an outcome goes to the courier so its window still hears of it.
void Raise(const std::shared_ptr<TLinkTarget>& t, TLinkEvent e) {
  if (Handle(*t, e, t->Closing)) return;
  if (!t->Replaced.load() || !IsOutcome(e.Kind)) return;
  if (e.Kind == leDataReceived) {
    e.Body.assign(e.Buffer.begin(), e.Buffer.begin() + std::min<size_t>(size_t(e.Total), e.Buffer.size()));
    e.Buffer = {};
  }
  std::vector<TLinkEvent> events;
  events.push_back(std::move(e));
  t->Courier->Post(t, std::move(events));
}

void BindEvents(TInspect& link, const std::shared_ptr<TLinkTarget>& t) {
  auto& ev = link.Events();
  ev.OnDataReceived = [t](std::span<const uint8_t> buffer, const TLinkPeer& peer, uint8_t source, int64_t total) {
    TLinkEvent e;
    e.Kind = leDataReceived;
    e.Buffer = buffer;
    e.Peer = peer;
    e.Address = source;
    e.Total = total;
    Raise(t, std::move(e));
  };
  ev.OnSendDone = [t](uint8_t source, const TLinkPeer& peer) {
    TLinkEvent e;
    e.Kind = leSendDone;
    e.Address = source;
    e.Peer = peer;
    Raise(t, std::move(e));
  };
  ev.OnTimeout = [t](uint8_t address, std::span<const uint8_t> command, int cardPort, const std::string& cardIp) {
    TLinkEvent e;
    e.Kind = leTimeout;
    e.Address = address;
    e.Body.assign(command.begin(), command.end());
    e.CardPort = cardPort;
    e.CardIp = cardIp;
    Raise(t, std::move(e));
  };
  ev.OnReply = [t](uint8_t source, std::span<const uint8_t> body, int cardPort, const std::string& cardIp) {
    TLinkEvent e;
    e.Kind = leReply;
    e.Address = source;
    e.Body.assign(body.begin(), body.end());
    e.CardPort = cardPort;
    e.CardIp = cardIp;
    Raise(t, std::move(e));
  };
  ev.OnRequest = [t](std::span<const uint8_t> body, const TLinkPeer& peer) {
    TLinkEvent e;
    e.Kind = leRequest;
    e.Body.assign(body.begin(), body.end());
    e.Peer = peer;
    Raise(t, std::move(e));
  };
  ev.OnProgress = [t](int direction, int64_t soFar, int64_t total, uint8_t address) {
    TLinkEvent e;
    e.Kind = leProgress;
    e.Direction = direction;
    e.SoFar = soFar;
    e.Total = total;
    e.Address = address;
    Raise(t, std::move(e));
  };
}

std::shared_ptr<uint8_t[]> NewReceiveBuffer(size_t size) {
  try {
    // Left uninitialised: only what a transfer writes is ever read, and untouched pages of a
    // large buffer then cost nothing.
    return std::shared_ptr<uint8_t[]>(new uint8_t[std::max<size_t>(size, 1)]);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// ---- policies ----

TManagerPolicy CorvaneManagerPolicy(const TLinkTiming& timing) {
  TManagerPolicy p;
  p.Link = CorvanePolicy(timing);
  return p;
}

TManagerPolicy PanelcastManagerPolicy(const TTransferOptions& options, std::shared_ptr<TSharedNotifyRecord> record,
                                      const TLinkTiming& timing) {
  TManagerPolicy p;
  p.Link = PanelcastPolicy(options, timing);
  p.Kinds = TLinkKinds{0, -1, 1};
  p.RequestParamsSize = 108;
  p.Sink = record ? std::move(record) : std::make_shared<TSharedNotifyRecord>();
  return p;
}

// ---- the manager ----

TLEDManager::TLEDManager(TManagerPolicy policy) : policy_(std::move(policy)) {
  if (!policy_.Sink) policy_.Sink = std::make_shared<TDirectNotify>();
  if (!policy_.Clock) policy_.Clock = &platform::SteadyClock();
  if (!policy_.LocalTime) policy_.LocalTime = platform::LocalSystemTime;
  courier_ = std::make_shared<TCourier>();
}

TLEDManager::~TLEDManager() {
  // Out of the table first: handlers that run while the links end find no devices.
  std::vector<TDeviceEntry> entries;
  while (!table_.Empty()) {
    entries.push_back(std::move(table_.Head()->Item));
    table_.PopNode();
  }
  for (auto& e : entries)
    if (e.Target) e.Target->Closing.store(true);
  policy_.Sink->Interrupt();
  for (auto& e : entries)
    if (e.Link) e.Link->Close();
  courier_->Stop(policy_.Sink.get());
}

bool TLEDManager::IsSerialLine(int32_t kind) const {
  return kind == policy_.Kinds.Serial || (policy_.Kinds.Rs485 >= 0 && kind == policy_.Kinds.Rs485);
}

TMemNode<TDeviceEntry>* TLEDManager::FindOpen(const TDeviceRecord& record) const {
  for (auto* node = table_.Head(); node; node = node->Next) {
    const TDeviceRecord& r = node->Item.Record;
    if (r.LinkKind != record.LinkKind) continue;
    // RS-485 lines are found by their port like serial ones: the port can be held only once.
    if (IsSerialLine(r.LinkKind) && r.ComPort == record.ComPort) return node;
    if (IsUdp(r.LinkKind) && r.LocalPort == record.LocalPort) return node;
  }
  return nullptr;
}

TMemNode<TDeviceEntry>* TLEDManager::FindIndex(int index) const {
  for (auto* node = table_.Head(); node; node = node->Next)
    if (node->Item.Record.DeviceIndex == index) return node;
  return nullptr;
}

const TDeviceEntry* TLEDManager::GetDevice(int index) const {
  auto* node = FindIndex(index);
  return node ? &node->Item : nullptr;
}

TInspect* TLEDManager::LinkOf(int index) const {
  auto* node = FindIndex(index);
  if (!node) return nullptr;
  // While a replacement waits for the old link, work still goes to it; it ends in time-outs
  // for the old window rather than getting lost.
  return node->Item.Link ? node->Item.Link.get() : node->Item.Retiring;
}

std::unique_ptr<TInspect> TLEDManager::StartLink(TDeviceEntry& entry) {
  // Card errors are never exceptions: a link that cannot get its thread (or memory) did not open.
  try {
    return TryStartLink(entry);
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

std::unique_ptr<TInspect> TLEDManager::TryStartLink(TDeviceEntry& entry) {
  TDeviceRecord& r = entry.Record;
  TLinkSettings s;
  s.LinkKind = uint16_t(r.LinkKind);
  s.SpeedIndex = r.SpeedIndex;
  s.ComPort = r.ComPort;
  s.Handshake = r.Handshake != 0;
  s.LocalPort = uint16_t(r.LocalPort);
  s.LocalIp = platform::UdpLinkAddress();
  s.ReceiveBuffer = std::span(entry.Buffer.get(), size_t(r.ReceiveBufferSize));

  std::unique_ptr<TInspect> link;
  platform::TClock& clock = *policy_.Clock;
  if (r.LinkKind == policy_.Kinds.Serial) {
    link = std::make_unique<TComInspect>(s, policy_.Link, clock);
  } else if (policy_.Kinds.Rs485 >= 0 && r.LinkKind == policy_.Kinds.Rs485) {
    link = std::make_unique<T485Inspect>(s, policy_.Link, clock);
  } else if (IsUdp(r.LinkKind)) {
    auto udp = std::make_unique<TUdpInspect>(s, policy_.Link, clock);
    // A record that asked for any free port keeps the one bound, so it can be found again.
    if (udp->Opened()) r.LocalPort = udp->BoundPort();
    link = std::move(udp);
  }
  if (!link || !link->Opened()) return nullptr;

  auto target = std::make_shared<TLinkTarget>();
  target->Record = r;
  target->Buffer = entry.Buffer;
  target->Sink = policy_.Sink;
  target->Courier = courier_;
  target->RequestParamsSize = policy_.RequestParamsSize;
  target->Link = link.get();
  BindEvents(*link, target);
  if (!link->Start()) return nullptr;
  entry.Target = std::move(target);
  return link;
}

int TLEDManager::OpenDevice(const TDeviceRecord& record, int32_t notifyFlag, platform::TWindowHandle window,
                            uint32_t message) {
  if (auto* node = FindOpen(record)) {
    TDeviceEntry& e = node->Item;
    const bool sameTarget =
        e.Record.NotifyFlag == notifyFlag && e.Record.Window == window && e.Record.Message == message;
    if (sameTarget && (IsUdp(e.Record.LinkKind) || e.Record.SpeedIndex == record.SpeedIndex))
      return e.Record.DeviceIndex;
    // Only these change; the rest (the handshake flag, say) stays as first opened.
    e.Record.SpeedIndex = record.SpeedIndex;
    e.Record.NotifyFlag = notifyFlag;
    e.Record.Window = window;
    e.Record.Message = message;
    // Opened again by a handler while this device's link is being replaced: the replacement
    // under way builds the new link from the entry as it is now.
    if (e.Retiring) return e.Record.DeviceIndex;
    return Replace(e.Record.DeviceIndex);
  }

  if (!IsSerialLine(record.LinkKind) && !IsUdp(record.LinkKind)) return -1;
  if (IsUdp(record.LinkKind) && (record.LocalPort < 0 || record.LocalPort > 65535)) return -1;
  if (table_.NodeCount() >= size_t(kMaxDevices)) return -1;
  const size_t size = std::min<size_t>(policy_.ReceiveBufferSize, INT32_MAX);

  TDeviceEntry e;
  e.Record = record;
  e.Record.NotifyFlag = notifyFlag;
  e.Record.Window = window;
  e.Record.Message = message;
  e.Buffer = NewReceiveBuffer(size);
  if (!e.Buffer) return -1;
  e.Record.ReceiveBuffer = e.Buffer.get();
  e.Record.ReceiveBufferSize = int32_t(size);
  const int index = nextIndex_;
  e.Record.DeviceIndex = index;
  e.Link = StartLink(e);
  if (!e.Link) return -1;
  if (table_.AppendNode(std::move(e)) < 0) return -1;  // the entry, and its link, are gone
  ++nextIndex_;
  return index;
}

int TLEDManager::Replace(int index) {
  TDeviceEntry& e = FindIndex(index)->Item;
  std::unique_ptr<TInspect> old = std::move(e.Link);
  std::shared_ptr<TLinkTarget> oldTarget = e.Target;
  e.Retiring = old.get();
  // Everything the old link still holds, and any outcome it cannot deliver any more, ends in a
  // notification to its own window, sent by the courier once the new link runs.
  oldTarget->Replaced.store(true);
  oldTarget->Closing.store(true);
  policy_.Sink->Interrupt();
  old->Close([courier = courier_, oldTarget](std::vector<TLinkEvent> events) {
    courier->Post(oldTarget, std::move(events));
  });
  const bool ended = old->Ended();

  // Handlers may have run while we waited: look the entry up again.
  auto* node = FindIndex(index);
  if (!node) return -1;  // closed meanwhile
  TDeviceEntry& current = node->Item;
  current.Retiring = nullptr;
  if (!ended) {
    // The old thread is still on its way out and may read its buffer: give the new one its own.
    current.Buffer = NewReceiveBuffer(size_t(current.Record.ReceiveBufferSize));
    current.Record.ReceiveBuffer = current.Buffer.get();
  }
  if (current.Buffer) current.Link = StartLink(current);
  if (!current.Link) {
    table_.DeleteNode(node);
    return -1;
  }
  return index;
}

void TLEDManager::CloseDevice(int index) {
  auto* node = FindIndex(index);
  if (!node) return;
  // Unlinked before its link is freed: notifications pumped while the link ends may call us.
  TDeviceEntry e = std::move(node->Item);
  table_.DeleteNode(node);
  if (e.Target) e.Target->Closing.store(true);
  policy_.Sink->Interrupt();
  if (e.Link) e.Link->Close();
}

int64_t TLEDManager::SendData(int index, std::span<const uint8_t> data, int cardPort, std::string_view cardIp,
                              uint8_t cardAddress) {
  TInspect* link = LinkOf(index);
  if (!link || !link->QueueData(data, cardPort, cardIp, cardAddress)) return -1;
  return int64_t(data.size());
}

bool TLEDManager::Queue(int index, uint16_t kind, uint32_t value, std::span<const uint8_t> payload,
                        size_t payloadSize, uint8_t address, int cardPort, std::string_view cardIp, uint8_t source,
                        bool replyAwaited) {
  TInspect* link = LinkOf(index);
  if (!link) return false;
  // A block shorter than its command's size is sent zero-filled, never read past its end.
  std::vector<uint8_t> body(kMessageHeadSize + payloadSize, 0);
  PackMessageHead(TMessageHead{kind, source, address, value}, body.data());
  std::copy_n(payload.begin(), std::min(payload.size(), payloadSize), body.begin() + kMessageHeadSize);
  return replyAwaited ? link->QueueCommand(body, cardPort, cardIp, address)
                      : link->QueueCommandNoReply(body, cardPort, cardIp, address);
}

bool TLEDManager::Query(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckQuery, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::AdjustTime(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  std::vector<uint8_t> time;
  platform::AppendSystemTime(time, policy_.LocalTime());
  return Queue(index, ckSetTime, 0, time, platform::TSystemTime::Size, address, cardPort, cardIp);
}

bool TLEDManager::GetParams(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckReadParams, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetParams(int index, uint8_t address, std::span<const uint8_t> params, int cardPort,
                            std::string_view cardIp) {
  return Queue(index, ckWriteParams, 0, params, kParamsBlockSize, address, cardPort, cardIp);
}

bool TLEDManager::GetPower(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckReadPower, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetPower(int index, uint8_t address, uint32_t on, int cardPort, std::string_view cardIp) {
  return Queue(index, ckSetPower, on, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::GetBrightness(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckReadBrightness, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetBrightness(int index, uint8_t address, uint32_t level, int cardPort, std::string_view cardIp) {
  return Queue(index, ckSetBrightness, level, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::GetAutoClose(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckReadPowerSchedule, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetAutoClose(int index, uint8_t address, std::span<const uint8_t> schedule, int cardPort,
                               std::string_view cardIp) {
  return Queue(index, ckWritePowerSchedule, 0, schedule, kPowerScheduleSize, address, cardPort, cardIp);
}

bool TLEDManager::GetAutoBright(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckReadBrightnessSchedule, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetAutoBright(int index, uint8_t address, std::span<const uint8_t> schedule, int cardPort,
                                std::string_view cardIp) {
  return Queue(index, ckWriteBrightnessSchedule, 0, schedule, kBrightScheduleSize, address, cardPort, cardIp);
}

bool TLEDManager::SendCascade(int index, uint8_t address, int cardPort, std::string_view cardIp) {
  return Queue(index, ckCascade, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SendCommand(int index, uint8_t address, uint16_t kind, int cardPort, std::string_view cardIp) {
  return Queue(index, kind, 0, {}, 0, address, cardPort, cardIp);
}

bool TLEDManager::SetCampaignTime(int index, uint8_t address, const platform::TSystemTime& time, int cardPort,
                                  std::string_view cardIp) {
  std::vector<uint8_t> payload;
  platform::AppendSystemTime(payload, time);
  return Queue(index, ckCampaignTime, 0, payload, platform::TSystemTime::Size, address, cardPort, cardIp,
               kCampaignSource, false);
}

}  // namespace cardlink
