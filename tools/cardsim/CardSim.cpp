#include "CardSim.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "CardFrame.h"
#include "PtyTransport.h"
#include "UdpTransport.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"

namespace cardsim {

namespace {

int64_t NowMs() { return platform::SteadyClock().NowMs(); }

uint16_t ContentKindOf(const std::vector<uint8_t>& data) {
  return data.size() >= 2 ? platform::LoadU16(data.data()) : 0;
}

// The card message that reports a completed transfer of this content, if any.
std::optional<uint32_t> TransferMessage(uint16_t contentKind) {
  switch (contentKind) {
    case ckProgramSend:
    case ckProgramDownload:
    case ckFirmware:
      return cmProgramDone;
    case ckFontSet:
      return cmFontDone;
  }
  return {};
}

TFrameRecord OutRecord(const std::vector<uint8_t>& body, const std::vector<uint8_t>& wire,
                       const TPeer& peer) {
  TFrameRecord r;
  r.Direction = fdOut;
  r.Peer = peer;
  r.Raw = wire;
  r.Body = body;
  ReadRecordHead(r);
  return r;
}

}  // namespace

uint16_t TReceivedTransfer::ContentKind() const { return ContentKindOf(Data); }

TCardSim::TCardSim(TCardSimOptions options)
    : options_(options), cardMessages_(options.CardMessages) {}

TCardSim::~TCardSim() { Stop(); }

// ---- cards ----

void TCardSim::AddCard(uint8_t address) {
  std::lock_guard lock(mutex_);
  if (!cards_.contains(address))
    cards_.emplace(address, TCard{DefaultCardState(address), TBlockReceiver(options_.ReceiveCapacity)});
}

void TCardSim::AddCard(const TCardState& state) {
  std::lock_guard lock(mutex_);
  cards_.insert_or_assign(state.Address, TCard{state, TBlockReceiver(options_.ReceiveCapacity)});
}

void TCardSim::RemoveCard(uint8_t address) {
  std::lock_guard lock(mutex_);
  cards_.erase(address);
}

std::vector<uint8_t> TCardSim::Cards() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> out;
  for (const auto& [address, card] : cards_) out.push_back(address);
  return out;
}

std::optional<TCardState> TCardSim::Card(uint8_t address) const {
  std::lock_guard lock(mutex_);
  auto it = cards_.find(address);
  if (it == cards_.end()) return {};
  return it->second.State;
}

bool TCardSim::UpdateCard(uint8_t address, const std::function<void(TCardState&)>& change) {
  std::lock_guard lock(mutex_);
  auto it = cards_.find(address);
  if (it == cards_.end()) return false;
  change(it->second.State);
  it->second.State.Address = address;
  return true;
}

bool TCardSim::SetAutomatic(uint8_t address, bool power, bool brightness) {
  return UpdateCard(address, [&](TCardState& c) {
    c.AutoPower = power;
    c.AutoBright = brightness;
  });
}

void TCardSim::SetCardMessages(bool on) {
  std::lock_guard lock(mutex_);
  cardMessages_ = on;
}

// ---- transport and thread ----

bool TCardSim::StartUdp(uint16_t port, const std::string& bindAddress, std::string* error) {
  auto udp = TUdpTransport::Open(bindAddress, port, error);
  if (!udp) return false;
  uint16_t bound = udp->Port();
  if (!Start(std::move(udp), error)) return false;
  std::lock_guard lock(mutex_);
  udpPort_ = bound;
  return true;
}

bool TCardSim::StartPty(std::string* error) {
  auto pty = TPtyTransport::Open(error);
  if (!pty) return false;
  std::string path = pty->SlavePath();
  if (!Start(std::move(pty), error)) return false;
  std::lock_guard lock(mutex_);
  ptyPath_ = path;
  return true;
}

bool TCardSim::Start(std::unique_ptr<TCardTransport> transport, std::string* error) {
  std::lock_guard lock(mutex_);
  if (running_) {
    if (error) *error = "the simulated card is already running";
    return false;
  }
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    if (error) *error = "eventfd failed";
    return false;
  }
  describe_ = transport->Describe();
  transport_ = std::move(transport);
  lineSplitter_.Reset();
  udpPort_ = 0;
  ptyPath_.clear();
  running_ = true;
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void TCardSim::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
  }
  thread_.request_stop();
  Wake();
  thread_.join();
  std::lock_guard lock(mutex_);
  running_ = false;
  transport_.reset();
  close(wakeFd_);
  wakeFd_ = -1;
  delayed_.Clear();
  ownPending_.clear();
  changed_.notify_all();
}

bool TCardSim::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

uint16_t TCardSim::UdpPort() const {
  std::lock_guard lock(mutex_);
  return udpPort_;
}

std::string TCardSim::PtyPath() const {
  std::lock_guard lock(mutex_);
  return ptyPath_;
}

std::string TCardSim::Describe() const {
  std::lock_guard lock(mutex_);
  return describe_;
}

void TCardSim::Wake() {
  uint64_t one = 1;
  if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
}

int TCardSim::PollTimeoutLocked(int64_t nowMs) const {
  std::optional<int64_t> due = delayed_.NextDue();
  auto consider = [&due](int64_t t) { due = due ? std::min(*due, t) : t; };
  for (const auto& [address, card] : cards_)
    if (card.Receiver.Receiving()) consider(card.IdleDeadline);
  if (!pushes_.empty() && pushes_.front().Begun) consider(pushes_.front().Pusher.Deadline());
  if (!ownPending_.empty() || (!pushes_.empty() && !pushes_.front().Begun)) consider(nowMs);
  if (!due) return -1;
  return int(std::clamp<int64_t>(*due - nowMs, 0, 60000));
}

void TCardSim::Run(std::stop_token stop) {
  std::vector<std::pair<std::vector<uint8_t>, TPeer>> chunks;
  while (!stop.stop_requested()) {
    int timeout;
    {
      std::lock_guard lock(mutex_);
      timeout = PollTimeoutLocked(NowMs());
    }
    pollfd fds[2] = {{transport_->Fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    poll(fds, 2, timeout);
    if (fds[1].revents & POLLIN) {
      uint64_t count;
      (void)!read(wakeFd_, &count, sizeof count);
    }
    chunks.clear();
    if (fds[0].revents & POLLIN) {
      std::vector<uint8_t> bytes;
      TPeer peer;
      // Bounded, so a flood on the line cannot keep the timers from running.
      while (chunks.size() < 64 && transport_->Receive(bytes, peer)) chunks.emplace_back(std::move(bytes), peer);
    }
    TBatch batch;
    {
      std::lock_guard lock(mutex_);
      int64_t now = NowMs();
      for (auto& [bytes, peer] : chunks) {
        std::vector<std::vector<uint8_t>> frames;
        if (transport_->ChunksAreDatagrams()) {
          TFrameSplitter splitter;
          splitter.Feed(bytes, frames);
        } else {
          lineSplitter_.Feed(bytes, frames);
        }
        for (const auto& raw : frames) HandleFrameLocked(raw, peer, now, batch);
      }
      RunDueLocked(now, batch);
      PumpPushesLocked(now, batch);
      for (const TOwnRequest& r : ownPending_) {
        if (r.Raw)
          EmitRawLocked(r.Bytes, r.Peer, now, batch);
        else
          EmitOwnLocked(r.Bytes, r.Peer, now, batch);
      }
      ownPending_.clear();
    }
    Deliver(batch);
  }
}

void TCardSim::Deliver(TBatch& batch) {
  for (const TOutFrame& f : batch.Send) transport_->Send(f.Wire, f.Peer);
  if (batch.Changed) changed_.notify_all();
  TFrameObserver frameObserver;
  TTransferObserver transferObserver;
  {
    std::lock_guard lock(mutex_);
    frameObserver = frameObserver_;
    transferObserver = transferObserver_;
  }
  if (frameObserver)
    for (const TFrameRecord& r : batch.Frames) frameObserver(r);
  if (transferObserver)
    for (const TReceivedTransfer& t : batch.Transfers) transferObserver(t);
}

// ---- frames in ----

void TCardSim::LogLocked(TFrameRecord record, TBatch& batch) {
  batch.Changed = true;
  if (options_.KeepFrames) log_.push_back(record);
  batch.Frames.push_back(std::move(record));
}

void TCardSim::HandleFrameLocked(const std::vector<uint8_t>& raw, const TPeer& peer, int64_t nowMs,
                                 TBatch& batch) {
  TFrameRecord in;
  in.TimeMs = nowMs;
  in.Direction = fdIn;
  in.Peer = peer;
  in.Raw = raw;
  auto body = DecodeCardFrame(raw);
  if (!body) {
    in.Note = "bad frame or crc";
    LogLocked(std::move(in), batch);
    return;
  }
  in.Body = std::move(*body);
  if (!ReadRecordHead(in)) {
    in.Note = "body shorter than its head";
    LogLocked(std::move(in), batch);
    return;
  }
  TCardHead head{in.Kind, in.Source, in.Destination, in.Value};
  bool forPush = head.Kind == mkAnswer && !pushes_.empty() && pushes_.front().Begun &&
                 pushes_.front().Pusher.Card() == head.Destination;
  auto cardIt = cards_.find(head.Destination);
  if (!forPush && cardIt == cards_.end()) {
    in.Note = "not for this line";
    LogLocked(std::move(in), batch);
    return;
  }
  lastPeer_ = peer;
  TFaultSet faults = faults_.Match(false, head.Kind, head.Value, head.Destination);
  in.Note = faults.Describe();
  if (faults.Drop) {
    LogLocked(std::move(in), batch);
    return;
  }

  if (head.Kind == mkAnswer) {
    auto answer = ReadAnswer(in.Body);
    if (forPush) {
      LogLocked(std::move(in), batch);
      HandleAnswerLocked(*answer, nowMs, batch);
    } else {
      if (in.Note.empty()) in.Note = "no transfer waiting for it";
      LogLocked(std::move(in), batch);
    }
    return;
  }

  TCard& card = cardIt->second;
  std::span<const uint8_t> payload = std::span<const uint8_t>(in.Body).subspan(HeadSize);
  std::vector<uint8_t> answerPayload;
  std::optional<TReceiverAnswer> answer;
  std::optional<uint32_t> cardMessage;
  bool readBack = false;

  if (faults.Overflow) {
    if (head.Kind <= mkBlock) card.Receiver.Abandon();
    answer = TBlockReceiver::OverflowAnswer(head.Value);
  } else if (head.Kind <= mkBlock) {
    if (auto completed = HandleTransferLocked(card, head, payload, peer, nowMs, in, answer, batch))
      cardMessage = TransferMessage(*completed);
  } else if (head.Kind == mkCardMessage) {
    if (in.Note.empty()) in.Note = "ignored";
  } else {
    TCommandOutcome outcome = AnswerCommand(card.State, head, payload);
    if (outcome.Answered) {
      answer = TReceiverAnswer{head.Kind, outcome.Status, outcome.Number};
      answerPayload = std::move(outcome.Payload);
    } else if (head.Kind != mkCampaignTime && in.Note.empty()) {
      in.Note = "not answered";
    }
    cardMessage = outcome.CardMessage;
    readBack = outcome.ReadBack;
  }
  uint8_t host = head.Source;
  LogLocked(std::move(in), batch);

  if (answer) {
    TCardAnswer a{card.State.Address, host, answer->Number, answer->AnsweredKind, answer->Status};
    if (faults.StatusZeroNumber) {
      a.Status = 0;
      a.Number = *faults.StatusZeroNumber;
    }
    if (faults.AnsweredKind) a.AnsweredKind = *faults.AnsweredKind;
    if (faults.Destination) a.Destination = *faults.Destination;
    if (!faults.DropAnswer) EmitLocked(BuildAnswer(a, answerPayload), peer, faults, nowMs, batch);
  }
  if (cardMessage && cardMessages_)
    EmitOwnLocked(BuildMessage({mkCardMessage, card.State.Address, host, *cardMessage}), peer, nowMs, batch);
  if (readBack) {
    TPushPlan plan = readBackPlan_;
    plan.Host = host;
    PushLocked(card.State.Address, card.State.DisplayContent, plan, peer);
  }
}

std::optional<uint16_t> TCardSim::HandleTransferLocked(TCard& card, const TCardHead& head,
                                                       std::span<const uint8_t> payload,
                                                       const TPeer& peer, int64_t nowMs,
                                                       TFrameRecord& in,
                                                       std::optional<TReceiverAnswer>& answer,
                                                       TBatch& batch) {
  auto note = [&in](const std::string& text) {
    if (!in.Note.empty()) in.Note += ", ";
    in.Note += text;
  };
  switch (head.Kind) {
    case mkStart:
      answer = card.Receiver.Start(head.Value, {head.Source, peer});
      if (!answer) {
        note("receiving from another sender");
        break;
      }
      card.IdleDeadline = nowMs + options_.ReceiveIdleMs;
      break;
    case mkBlock:
      if (payload.size() > BlockSize) {
        note("block longer than 512 bytes");
        break;
      }
      answer = card.Receiver.Block(head.Value, payload);
      if (!answer) {
        note("not receiving");
        break;
      }
      card.IdleDeadline = nowMs + options_.ReceiveIdleMs;
      if (answer->AnsweredKind == akOverflow) note("receive buffer overflow");
      break;
    case mkEnd: {
      bool wasReceiving = card.Receiver.Receiving();
      std::vector<uint8_t> data;
      uint32_t announced = card.Receiver.Announced();
      answer = card.Receiver.End(head.Value, {head.Source, peer}, &data);
      if (!answer) {
        note("not receiving");
      } else if (answer->Status == 0) {
        note("missing from " + std::to_string(answer->Number));
      } else if (!wasReceiving) {
        note("repeated end");
      } else {
        note("transfer complete, " + std::to_string(data.size()) + " bytes");
        TReceivedTransfer t{card.State.Address, head.Source, peer, announced, std::move(data), nowMs};
        uint16_t kind = t.ContentKind();
        if (kind == ckProgramSend || kind == ckProgramDownload) card.State.DisplayContent = t.Data;
        if (options_.KeepTransfers) transfers_.push_back(t);
        batch.Transfers.push_back(std::move(t));
        batch.Changed = true;
        return kind;
      }
      break;
    }
  }
  return {};
}

void TCardSim::HandleAnswerLocked(const TCardAnswer& answer, int64_t nowMs, TBatch& batch) {
  TPushJob& job = pushes_.front();
  for (const auto& body : job.Pusher.OnAnswer(answer, nowMs)) EmitOwnLocked(body, job.Peer, nowMs, batch);
}

// ---- timers and own frames ----

void TCardSim::RunDueLocked(int64_t nowMs, TBatch& batch) {
  for (TOutFrame& f : delayed_.TakeDue(nowMs)) {
    f.Record.TimeMs = nowMs;
    LogLocked(f.Record, batch);
    batch.Send.push_back(std::move(f));
  }
  for (auto& [address, card] : cards_) {
    if (card.Receiver.Receiving() && nowMs >= card.IdleDeadline) card.Receiver.Abandon();
  }
  if (!pushes_.empty() && pushes_.front().Begun && nowMs >= pushes_.front().Pusher.Deadline()) {
    TPushJob& job = pushes_.front();
    for (const auto& body : job.Pusher.OnDeadline(nowMs)) EmitOwnLocked(body, job.Peer, nowMs, batch);
  }
}

void TCardSim::PumpPushesLocked(int64_t nowMs, TBatch& batch) {
  while (!pushes_.empty()) {
    TPushJob& job = pushes_.front();
    if (!job.Begun) {
      job.Begun = true;
      for (const auto& body : job.Pusher.Begin(nowMs)) EmitOwnLocked(body, job.Peer, nowMs, batch);
    }
    if (job.Pusher.Result() == prPending) return;
    pushResults_[job.Id] = job.Pusher.Result();
    pushes_.erase(pushes_.begin());
    batch.Changed = true;
  }
}

void TCardSim::EmitLocked(const std::vector<uint8_t>& body, const TPeer& peer, const TFaultSet& faults,
                          int64_t nowMs, TBatch& batch) {
  TOutFrame f{EncodeCardFrame(body, faults.CorruptCrc), peer, {}};
  f.Record = OutRecord(body, f.Wire, peer);
  f.Record.TimeMs = nowMs;
  if (faults.CorruptCrc) f.Record.Note = "corrupt crc";
  int copies = faults.Duplicate ? 2 : 1;
  for (int i = 0; i < copies; ++i) {
    if (faults.DelayMs > 0) {
      delayed_.Add(nowMs + faults.DelayMs, f);
    } else {
      LogLocked(f.Record, batch);
      batch.Send.push_back(f);
    }
  }
}

void TCardSim::EmitOwnLocked(const std::vector<uint8_t>& body, const TPeer& peer, int64_t nowMs,
                             TBatch& batch) {
  auto head = ReadHead(body);
  if (!head) return EmitRawLocked(EncodeCardFrame(body), peer, nowMs, batch);
  TFaultSet faults = faults_.Match(true, head->Kind, head->Value, head->Source);
  if (faults.Drop) return;
  std::vector<uint8_t> sent = body;
  if (faults.Destination) sent[3] = *faults.Destination;
  EmitLocked(sent, peer, faults, nowMs, batch);
}

void TCardSim::EmitRawLocked(const std::vector<uint8_t>& bytes, const TPeer& peer, int64_t nowMs,
                             TBatch& batch) {
  TOutFrame f{bytes, peer, {}};
  f.Record.TimeMs = nowMs;
  f.Record.Direction = fdOut;
  f.Record.Peer = peer;
  f.Record.Raw = bytes;
  if (auto body = DecodeCardFrame(bytes)) {
    f.Record.Body = std::move(*body);
    ReadRecordHead(f.Record);
  }
  f.Record.Note = "raw";
  LogLocked(f.Record, batch);
  batch.Send.push_back(std::move(f));
}

// ---- faults and log ----

void TCardSim::AddFault(const TFaultRule& rule) {
  std::lock_guard lock(mutex_);
  faults_.Add(rule);
}

void TCardSim::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
}

std::vector<TFrameRecord> TCardSim::Frames() const {
  std::lock_guard lock(mutex_);
  return log_;
}

size_t TCardSim::CountFrames(TFrameDirection direction, uint16_t kind) const {
  std::lock_guard lock(mutex_);
  return size_t(std::count_if(log_.begin(), log_.end(), [&](const TFrameRecord& r) {
    return r.Valid && r.Direction == direction && r.Kind == kind;
  }));
}

void TCardSim::ClearFrames() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

bool TCardSim::WaitForFrames(const TLogPredicate& done, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(log_); });
}

bool TCardSim::WaitForFrameCount(TFrameDirection direction, uint16_t kind, size_t count,
                                 std::chrono::milliseconds timeout) const {
  return WaitForFrames(
      [&](const std::vector<TFrameRecord>& log) {
        return size_t(std::count_if(log.begin(), log.end(), [&](const TFrameRecord& r) {
                 return r.Valid && r.Direction == direction && r.Kind == kind;
               })) >= count;
      },
      timeout);
}

// ---- transfers ----

std::vector<TReceivedTransfer> TCardSim::Transfers() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

std::optional<TReceivedTransfer> TCardSim::WaitForTransfer(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [&] { return transfersTaken_ < transfers_.size(); })) return {};
  return transfers_[transfersTaken_++];
}

std::optional<TPeer> TCardSim::TargetLocked(const std::optional<TPeer>& to) const {
  if (to) return to;
  if (transport_ && !transport_->ChunksAreDatagrams()) return TPeer{};  // a line has one peer
  return lastPeer_;
}

int TCardSim::PushLocked(uint8_t card, std::vector<uint8_t> data, const TPushPlan& plan, const TPeer& to) {
  int id = nextPushId_++;
  pushes_.push_back(TPushJob{id, TBlockPusher(card, std::move(data), plan, options_.AnswerTimeoutMs, options_.Retries), to, false});
  pushResults_[id] = prPending;
  return id;
}

int TCardSim::Push(uint8_t card, std::vector<uint8_t> data, const TPushPlan& plan, std::optional<TPeer> to) {
  int id;
  {
    std::lock_guard lock(mutex_);
    auto target = TargetLocked(to);
    if (!target) return -1;
    id = PushLocked(card, std::move(data), plan, *target);
  }
  Wake();
  return id;
}

TPushResult TCardSim::PushResult(int id) const {
  std::lock_guard lock(mutex_);
  auto it = pushResults_.find(id);
  return it == pushResults_.end() ? prFailed : it->second;
}

TPushResult TCardSim::WaitForPush(int id, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  auto it = pushResults_.find(id);
  if (it == pushResults_.end()) return prFailed;
  changed_.wait_for(lock, timeout, [&] { return it->second != prPending || !running_; });
  return it->second;
}

void TCardSim::SetReadBackPlan(const TPushPlan& plan) {
  std::lock_guard lock(mutex_);
  readBackPlan_ = plan;
}

bool TCardSim::SendCardMessage(uint8_t card, uint32_t code, std::optional<TPeer> to) {
  return SendMessage({mkCardMessage, card, HostAddress, code}, {}, to);
}

bool TCardSim::SendMessage(const TCardHead& head, std::span<const uint8_t> payload, std::optional<TPeer> to) {
  {
    std::lock_guard lock(mutex_);
    auto target = TargetLocked(to);
    if (!target || !running_) return false;
    ownPending_.push_back({false, BuildMessage(head, payload), *target});
  }
  Wake();
  return true;
}

bool TCardSim::SendRaw(std::vector<uint8_t> bytes, std::optional<TPeer> to) {
  {
    std::lock_guard lock(mutex_);
    auto target = TargetLocked(to);
    if (!target || !running_) return false;
    ownPending_.push_back({true, std::move(bytes), *target});
  }
  Wake();
  return true;
}

std::optional<TPeer> TCardSim::LastPeer() const {
  std::lock_guard lock(mutex_);
  return lastPeer_;
}

void TCardSim::SetFrameObserver(TFrameObserver observer) {
  std::lock_guard lock(mutex_);
  frameObserver_ = std::move(observer);
}

void TCardSim::SetTransferObserver(TTransferObserver observer) {
  std::lock_guard lock(mutex_);
  transferObserver_ = std::move(observer);
}

}  // namespace cardsim
