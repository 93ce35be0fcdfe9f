#include "LinkEngine.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "platform/base/ByteOrder.h"

namespace cardlink {

TLinkPeer MakePeer(uint16_t kind, int port, std::string_view ipText) {
  TLinkPeer peer;
  peer.Kind = kind;
  peer.Port = htons(uint16_t(port));
  char text[kIpTextSize + 1] = {};
  size_t n = std::min({ipText.size(), ipText.find('\0'), kIpTextSize});
  std::memcpy(text, ipText.data(), n);
  in_addr addr{};
  if (inet_pton(AF_INET, text, &addr) == 1) peer.Ip = addr.s_addr;
  return peer;
}

int PeerPort(const TLinkPeer& peer) { return ntohs(peer.Port); }

std::string PeerIpText(const TLinkPeer& peer) {
  in_addr addr{};
  addr.s_addr = peer.Ip;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr, text, sizeof text);
  return text;
}

TLinkPolicy CorvanePolicy(const TLinkTiming& timing) {
  TLinkPolicy p;
  p.Timing = timing;
  return p;
}

TLinkPolicy PanelcastPolicy(const TTransferOptions& options, const TLinkTiming& timing) {
  TLinkPolicy p;
  p.Timing = timing;
  p.Options = &options;
  p.Gaps = false;
  p.CommandsWithoutReply = false;
  p.PauseOnSerialLines = false;
  p.Resend = brGoBack;
  return p;
}

std::vector<uint8_t> ReplyFrame(const TReplyHead& head, std::span<const uint8_t> payload) {
  uint8_t packed[kReplyHeadSize];
  PackReplyHead(head, packed);
  // Answer payloads are small (a parameter block at most); a frame cannot carry more anyway.
  size_t count = std::min(payload.size(), kMaxFrame - 2 - kReplyHeadSize);
  std::vector<uint8_t> frame(EncodedFrameCapacity(kReplyHeadSize + count));
  frame.resize(EncodeFrame(packed, kReplyHeadSize, payload.data(), uint16_t(count), frame.data()));
  return frame;
}

TLinkEngine::TLinkEngine(const TLinkPolicy& policy, const TLinkTraits& traits, std::span<uint8_t> receiveBuffer)
    : policy_(policy), traits_(traits), buffer_(receiveBuffer) {
  frame_.reserve(kMaxFrame);
}

int64_t TLinkEngine::AnswerTimeout() const {
  int64_t t = policy_.Options ? policy_.Options->TimeoutMs.load() : policy_.Timing.AnswerTimeoutMs;
  return std::max<int64_t>(t, 1);
}

int TLinkEngine::Retries() const {
  return std::max(policy_.Options ? policy_.Options->Retries.load() : policy_.Timing.Retries, 0);
}

int TLinkEngine::Burst() const {
  return std::max(policy_.Options ? policy_.Options->Burst.load() : policy_.Timing.Burst, 1);
}

// ---- caller side ----

bool TLinkEngine::QueueData(std::span<const uint8_t> data, int port, std::string_view ip, uint8_t address) {
  if (data.size() > kMaxTransferSize) return false;
  auto item = MakeQueueItem(data.data(), data.size(), port, ip, address, true);
  if (!item) return false;
  if (transfers_.AppendNode(std::move(*item)) < 0) return false;
  if (policy_.Gaps && !started_) transferDeadline_ = INT64_MIN;
  return true;
}

bool TLinkEngine::QueueCommand(std::span<const uint8_t> body, int port, std::string_view ip, uint8_t address) {
  if (body.size() < kMessageHeadSize || body.size() > kMaxFrame - 2) return false;
  auto item = MakeQueueItem(body.data(), body.size(), port, ip, address, true);
  if (!item) return false;
  if (commands_.AppendNode(std::move(*item)) < 0) return false;
  if (policy_.Gaps && !outstanding_) commandDeadline_ = INT64_MIN;
  return true;
}

bool TLinkEngine::QueueCommandNoReply(std::span<const uint8_t> body, int port, std::string_view ip,
                                      uint8_t address) {
  if (!policy_.CommandsWithoutReply) return false;
  if (!QueueCommand(body, port, ip, address)) return false;
  // The node just appended is the tail; walk to it.
  auto* node = commands_.Head();
  while (node->Next) node = node->Next;
  node->Item.ReplyAwaited = false;
  return true;
}

// ---- receiving ----

void TLinkEngine::Receive(std::span<const uint8_t> bytes, const TLinkPeer& from, int64_t now, TLinkOutbox& out) {
  if (bytes.empty()) return;
  if (traits_.WholeDatagrams && bytes.front() == kFrameStart && bytes.back() == kFrameEnd) {
    HandleFrame(bytes.data(), bytes.size(), from, now, out);
    return;
  }
  for (uint8_t b : bytes) FeedByte(b, from, now, out);
}

void TLinkEngine::FeedByte(uint8_t b, const TLinkPeer& from, int64_t now, TLinkOutbox& out) {
  if (b == kFrameStart) {
    // A start byte always opens a new frame, dropping anything half built.
    assembling_ = true;
    frame_.assign(1, b);
    return;
  }
  if (!assembling_) return;
  frame_.push_back(b);
  if (b == kFrameEnd) {
    assembling_ = false;
    HandleFrame(frame_.data(), frame_.size(), from, now, out);
    frame_.clear();
  } else if (frame_.size() >= kMaxFrame) {
    assembling_ = false;  // longer than any frame: not a frame
    frame_.clear();
  }
}

void TLinkEngine::HandleFrame(const uint8_t* frame, size_t length, const TLinkPeer& peer, int64_t now,
                              TLinkOutbox& out) {
  if (length > kMaxFrame) return;
  size_t n = DecodeFrame(frame, uint16_t(length), body_);
  if (n == 0) return;
  if (traits_.SerialLine && policy_.PauseOnSerialLines && policy_.Timing.SerialPauseMs > 0)
    out.emplace_back(TPauseAction{policy_.Timing.SerialPauseMs});

  std::span<const uint8_t> body(body_, n);
  auto head = UnpackMessageHead(body);
  if (!head) return;  // shorter than a head: not a message
  if (head->Destination != kHostAddress) return;

  switch (head->Kind) {
    case ckStart:
      HandleStart(*head, peer, now, out);
      break;
    case ckBlock:
      HandleBlock(*head, body.subspan(kMessageHeadSize), peer, now, out);
      break;
    case ckEnd:
      HandleEnd(*head, peer, out);
      break;
    case ckReply: {
      auto reply = UnpackReplyHead(body);
      if (reply) HandleAnswer(*reply, body, peer, now, out);
      break;
    }
    case ckCardMessage: {
      TLinkEvent e;
      e.Kind = leReply;
      e.Address = head->Source;
      e.Body.assign(body.begin(), body.end());
      e.CardPort = PeerPort(peer);
      e.CardIp = PeerIpText(peer);
      out.emplace_back(std::move(e));
      break;
    }
    default: {
      TLinkEvent e;
      e.Kind = leRequest;
      e.Body.assign(body.begin(), body.end());
      e.Peer = peer;
      out.emplace_back(std::move(e));
      break;
    }
  }
}

void TLinkEngine::Answer(const TMessageHead& m, uint16_t status, const TLinkPeer& peer, TLinkOutbox& out) {
  Answer(MakeReplyHead(m, kHostAddress, status), peer, out);
}

void TLinkEngine::Answer(const TReplyHead& r, const TLinkPeer& peer, TLinkOutbox& out) {
  out.emplace_back(TSendAction{ReplyFrame(r), peer});
}

void TLinkEngine::HandleStart(const TMessageHead& m, const TLinkPeer& peer, int64_t now, TLinkOutbox& out) {
  // While receiving, only the card we receive from may start again: it repeats its start when
  // our answer got lost, or starts anew after giving up. Ignoring it would leave both sides
  // waiting for the inactivity limit. Anyone else waits until this transfer is over.
  if (receiving_ && !sender_.Is(m.Source, peer)) return;
  receiving_ = true;
  completed_ = TSender{};
  Answer(m, kStatusAccepted, peer, out);
  received_ = 0;
  bitmap_ = 0;
  base_ = 1;
  receiveDeadline_ = now + policy_.Timing.ReceiveIdleMs;
  announced_ = m.Value;
  sender_ = TSender{m.Source, true, peer};
}

void TLinkEngine::HandleBlock(const TMessageHead& m, std::span<const uint8_t> payload, const TLinkPeer& peer,
                              int64_t now, TLinkOutbox& out) {
  if (!receiving_) return;
  // No sender cuts blocks larger than this; such a frame is not one of ours.
  if (payload.size() > kBlockSize) return;
  receiveDeadline_ = now + policy_.Timing.ReceiveIdleMs;
  const int64_t n = m.Value;
  if (n >= 1 && n < base_) {
    // Below the window: received already (a repeated datagram, or a resend whose first copy
    // was answered late). Acknowledge it as such; "resend from base" would send the sender
    // back over blocks that are in flight.
    Answer(m, kStatusAccepted, peer, out);
    return;
  }
  if (n < 1 || n > base_ + int64_t(kReceiveWindow) - 1) {
    TReplyHead r = MakeReplyHead(m, kHostAddress, kStatusRefused);
    r.Number = uint32_t(base_);
    Answer(r, peer, out);
    return;
  }
  const uint32_t bit = uint32_t(1) << (n - base_);
  if (bitmap_ & bit) {
    Answer(m, kStatusAccepted, peer, out);
    return;
  }
  const uint64_t offset = uint64_t(n - 1) * kBlockSize;
  if (offset > buffer_.size() || payload.size() > buffer_.size() - offset) {
    receiving_ = false;
    TReplyHead r = MakeReplyHead(m, kHostAddress, kStatusRefused);
    r.AnsweredKind = kAnsweredBufferOverflow;
    Answer(r, peer, out);
    AbandonIncoming(out);  // whoever waits for this transfer hears that it failed
    return;
  }
  bitmap_ |= bit;
  if (!payload.empty()) std::memcpy(buffer_.data() + offset, payload.data(), payload.size());
  received_ += int64_t(payload.size());
  Answer(m, kStatusAccepted, peer, out);
  TLinkEvent e;
  e.Kind = leProgress;
  e.Direction = 2;
  e.SoFar = received_;
  e.Total = announced_;
  e.Address = m.Destination;
  out.emplace_back(std::move(e));
  if (n == base_) {
    for (uint32_t i = 0; i < kReceiveWindow && (bitmap_ & 1); ++i) {
      bitmap_ >>= 1;
      ++base_;
    }
  }
}

void TLinkEngine::HandleEnd(const TMessageHead& m, const TLinkPeer& peer, TLinkOutbox& out) {
  if (!receiving_) {
    // The sender repeats the end it completed with when our answer got lost: answer it again
    // so it does not report a failure; the data was delivered once already.
    if (completed_.Is(m.Source, peer) && m.Value == completedEnd_) Answer(m, kStatusAccepted, peer, out);
    return;
  }
  if (int64_t(m.Value) == base_) {
    Answer(m, kStatusAccepted, peer, out);
    receiving_ = false;
    completed_ = TSender{m.Source, true, peer};
    completedEnd_ = m.Value;
    sender_ = TSender{};
    TLinkEvent e;
    e.Kind = leDataReceived;
    e.Buffer = buffer_;
    e.Peer = peer;
    e.Address = m.Source;
    e.Total = received_;
    out.emplace_back(std::move(e));
  } else {
    // Blocks are missing: ask for them and go on receiving. The sender stays remembered, so
    // a transfer that then stalls still ends in a time-out event.
    TReplyHead r = MakeReplyHead(m, kHostAddress, kStatusRefused);
    r.AnsweredKind = kAnsweredBlocksMissing;
    r.Number = uint32_t(base_);
    Answer(r, peer, out);
  }
}

void TLinkEngine::AbandonIncoming(TLinkOutbox& out) {
  if (sender_.Valid) {
    TLinkEvent e;
    e.Kind = leTimeout;
    e.Address = sender_.Address;
    e.CardPort = PeerPort(sender_.Peer);
    e.CardIp = PeerIpText(sender_.Peer);
    out.emplace_back(std::move(e));
  }
  sender_ = TSender{};
  receiving_ = false;
}

// ---- sending ----

uint32_t TLinkEngine::EndNumber() const {
  size_t length = transfers_.Head()->Item.Data.size();
  return uint32_t((length + kBlockSize - 1) / kBlockSize + 1);
}

void TLinkEngine::SendMessage(uint16_t kind, uint32_t value, std::span<const uint8_t> payload, TLinkOutbox& out) {
  const TQueueItem& item = transfers_.Head()->Item;
  uint8_t head[kMessageHeadSize];
  PackMessageHead(TMessageHead{kind, kHostAddress, item.Address, value}, head);
  TSendAction send;
  send.Peer = transferPeer_;
  send.Frame.resize(EncodedFrameCapacity(kMessageHeadSize + payload.size()));
  send.Frame.resize(EncodeFrame(head, kMessageHeadSize, payload.data(), uint16_t(payload.size()), send.Frame.data()));
  out.emplace_back(std::move(send));
}

void TLinkEngine::SendBurst(int n, TLinkOutbox& out) {
  const std::vector<uint8_t>& data = transfers_.Head()->Item.Data;
  const int64_t length = int64_t(data.size());
  const int64_t block = int64_t(kBlockSize);
  for (int i = 0; i < n; ++i) {
    if (next_ == 0) {
      SendMessage(ckStart, 0, {}, out);
    } else if (next_ * block <= length) {
      SendMessage(ckBlock, uint32_t(next_), std::span(data).subspan(size_t((next_ - 1) * block), kBlockSize), out);
      ++next_;
    } else if ((next_ - 1) * block < length) {
      size_t offset = size_t((next_ - 1) * block);
      SendMessage(ckBlock, uint32_t(next_), std::span(data).subspan(offset), out);
      ++next_;
    } else if ((next_ - 2) * block < length) {
      SendMessage(ckEnd, uint32_t(next_), {}, out);
      break;
    }
  }
}

void TLinkEngine::HandleAnswer(const TReplyHead& r, std::span<const uint8_t> body, const TLinkPeer& peer,
                               int64_t now, TLinkOutbox& out) {
  switch (r.AnsweredKind) {
    case ckStart:
      if (!started_) return;
      next_ = 1;
      flowing_ = true;
      SendBurst(Burst(), out);
      transferDeadline_ = now + AnswerTimeout();
      return;
    case ckEnd:
      if (!flowing_) return;
      if (r.Status != kStatusRefused) {
        // Only an answer to an end message this transfer has sent completes it: a late copy of
        // the previous transfer's end answer must not report this one as delivered.
        if (next_ != EndNumber()) return;
        started_ = flowing_ = false;
        TLinkEvent e;
        e.Kind = leSendDone;
        e.Address = r.Source;
        e.Peer = peer;
        transfers_.PopNode();
        if (policy_.Gaps) transferDeadline_ = now + policy_.Timing.GapMs;
        out.emplace_back(std::move(e));
      } else {
        if (r.Number < 1 || r.Number > EndNumber()) return;  // asks for a block that never was
        next_ = r.Number;
        SendBurst(Burst(), out);
      }
      return;
    case ckBlock: {
      if (!flowing_) return;
      if (r.Number < 1 || r.Number > EndNumber()) return;
      transferDeadline_ = now + AnswerTimeout();
      retries_ = 0;
      if (r.Status != kStatusRefused) {
        SendBurst(int64_t(r.Number) + 1 == next_ ? Burst() : 1, out);
      } else if (policy_.Resend == brGoBack) {
        next_ = r.Number;
        SendBurst(1, out);
      } else {
        int64_t reached = next_;
        next_ = r.Number;
        SendBurst(1, out);
        next_ = std::max(reached, next_);
      }
      TLinkEvent e;
      e.Kind = leProgress;
      e.Direction = 1;
      e.SoFar = next_ * int64_t(kBlockSize);
      e.Total = int64_t(transfers_.Head()->Item.Data.size());
      e.Address = r.Destination;
      out.emplace_back(std::move(e));
      return;
    }
    case kAnsweredBufferOverflow:
      return;  // the card gave up receiving; the time-outs end the transfer
    default:
      break;
  }
  if (!outstanding_ || commands_.Empty()) return;
  const TQueueItem& item = commands_.Head()->Item;
  if (platform::LoadU16(item.Data.data()) != r.AnsweredKind) return;
  TLinkEvent e;
  e.Kind = leReply;
  e.Address = r.Source;
  e.Body.assign(body.begin(), body.end());
  e.CardPort = item.Port;
  e.CardIp = item.Ip;
  commands_.PopNode();
  outstanding_ = false;
  if (policy_.Gaps) commandDeadline_ = now + policy_.Timing.GapMs;
  out.emplace_back(std::move(e));
}

void TLinkEngine::RunSendTimers(int64_t now, TLinkOutbox& out) {
  if (!started_ && !transfers_.Empty() && (!policy_.Gaps || now >= transferDeadline_)) {
    const TQueueItem& item = transfers_.Head()->Item;
    transferPeer_ = MakePeer(traits_.LinkKind, item.Port, item.Ip);
    started_ = true;
    flowing_ = false;
    next_ = 0;
    retries_ = 0;
    transferDeadline_ = now + AnswerTimeout();
    SendBurst(1, out);
  } else if (started_ && now >= transferDeadline_) {
    if (retries_ < Retries()) {
      SendBurst(1, out);
      transferDeadline_ = now + AnswerTimeout();
      ++retries_;
    } else {
      const TQueueItem& item = transfers_.Head()->Item;
      TLinkEvent e;
      e.Kind = leTimeout;
      e.Address = item.Address;
      e.CardPort = item.Port;
      e.CardIp = item.Ip;
      transfers_.PopNode();
      started_ = flowing_ = false;
      out.emplace_back(std::move(e));
    }
  }

  if (!outstanding_ && !commands_.Empty() && (!policy_.Gaps || now >= commandDeadline_)) {
    const TQueueItem& item = commands_.Head()->Item;
    TSendAction send;
    send.Peer = MakePeer(traits_.LinkKind, item.Port, item.Ip);
    send.Frame = EncodeFrameBytes(item.Data);
    out.emplace_back(std::move(send));
    if (!item.ReplyAwaited) {
      commands_.PopNode();
    } else {
      commandDeadline_ = now + AnswerTimeout();
      outstanding_ = true;
    }
  } else if (outstanding_ && now >= commandDeadline_) {
    TQueueItem& item = commands_.Head()->Item;
    TLinkEvent e;
    e.Kind = leTimeout;
    e.Address = item.Address;
    e.Body = std::move(item.Data);
    e.CardPort = item.Port;
    e.CardIp = item.Ip;
    commands_.PopNode();
    outstanding_ = false;
    out.emplace_back(std::move(e));
  }
}

void TLinkEngine::CheckReceiveTimeout(int64_t now, TLinkOutbox& out) {
  if (receiving_ && now >= receiveDeadline_) AbandonIncoming(out);
}

void TLinkEngine::AbandonAll(TLinkOutbox& out) {
  if (receiving_) AbandonIncoming(out);
  completed_ = TSender{};
  for (auto* node = transfers_.Head(); node; node = node->Next) {
    TLinkEvent e;
    e.Kind = leTimeout;
    e.Address = node->Item.Address;
    e.CardPort = node->Item.Port;
    e.CardIp = node->Item.Ip;
    out.emplace_back(std::move(e));
  }
  for (auto* node = commands_.Head(); node; node = node->Next) {
    if (!node->Item.ReplyAwaited) continue;
    TLinkEvent e;
    e.Kind = leTimeout;
    e.Address = node->Item.Address;
    e.Body = std::move(node->Item.Data);
    e.CardPort = node->Item.Port;
    e.CardIp = node->Item.Ip;
    out.emplace_back(std::move(e));
  }
  transfers_.Clear();
  commands_.Clear();
  started_ = flowing_ = outstanding_ = false;
}

std::optional<int64_t> TLinkEngine::NextDeadline() const {
  std::optional<int64_t> next;
  auto consider = [&](int64_t t) { next = next ? std::min(*next, t) : t; };
  if (receiving_) consider(receiveDeadline_);
  if (started_) consider(transferDeadline_);
  else if (!transfers_.Empty()) consider(policy_.Gaps ? transferDeadline_ : INT64_MIN);
  if (outstanding_) consider(commandDeadline_);
  else if (!commands_.Empty()) consider(policy_.Gaps ? commandDeadline_ : INT64_MIN);
  return next;
}

}  // namespace cardlink
