#include "TestCard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "link/Packet.h"
#include "platform/base/ByteOrder.h"

namespace cardtest {

using namespace cardlink;

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::unique_ptr<TTestCard> TTestCard::OverUdp(uint16_t hostPort, uint8_t address) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  std::unique_ptr<TTestCard> card(new TTestCard(fd, true, address));
  card->ownsFd_ = true;
  card->port_ = ntohs(addr.sin_port);
  card->hostPort_ = hostPort;
  card->thread_ = std::thread([c = card.get()] { c->Run(); });
  return card;
}

std::unique_ptr<TTestCard> TTestCard::OverStream(int fd, uint8_t address) {
  std::unique_ptr<TTestCard> card(new TTestCard(fd, false, address));
  card->thread_ = std::thread([c = card.get()] { c->Run(); });
  return card;
}

TTestCard::TTestCard(int fd, bool datagrams, uint8_t address)
    : fd_(fd), datagrams_(datagrams), address_(address), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TTestCard::~TTestCard() {
  stop_ = true;
  uint64_t one = 1;
  (void)!::write(wakeFd_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
  ::close(wakeFd_);
  if (ownsFd_) ::close(fd_);
}

void TTestCard::SetAnswer(uint16_t kind, uint16_t status, std::vector<uint8_t> payload) {
  std::lock_guard lock(mutex_);
  answers_[kind] = {status, std::move(payload)};
}

std::optional<std::vector<uint8_t>> TTestCard::WaitReceived(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !received_.empty(); }))
    return std::nullopt;
  auto data = std::move(received_.front());
  received_.erase(received_.begin());
  return data;
}

void TTestCard::Push(std::vector<uint8_t> data, int window, int resendMs) {
  {
    std::lock_guard lock(mutex_);
    TPush p;
    p.Blocks = uint32_t((data.size() + kBlockSize - 1) / kBlockSize);
    p.Acked.assign(p.Blocks + 2, false);
    p.Data = std::move(data);
    p.Window = window;
    p.ResendMs = resendMs;
    push_ = std::move(p);
    pushed_ = false;
    PushStep(NowMs(), true);
  }
  uint64_t one = 1;
  (void)!::write(wakeFd_, &one, sizeof one);
}

bool TTestCard::WaitPushed(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pushed_; });
}

void TTestCard::Run() {
  uint8_t buffer[4096];
  while (!stop_) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    ::poll(fds, 2, 5);
    if (fds[1].revents & POLLIN) {
      uint64_t v;
      (void)!::read(wakeFd_, &v, sizeof v);
    }
    if (fds[0].revents & POLLIN) {
      ssize_t n = datagrams_ ? ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT) : ::read(fd_, buffer, sizeof buffer);
      if (n > 0) Feed(buffer, size_t(n));
    }
    std::lock_guard lock(mutex_);
    if (push_ && push_->State != TPush::pDone && NowMs() - push_->LastSent >= push_->ResendMs)
      PushStep(NowMs(), true);
  }
}

void TTestCard::Feed(const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t b = data[i];
    if (b == kFrameStart) {
      assembling_ = true;
      frame_.assign(1, b);
      continue;
    }
    if (!assembling_) continue;
    frame_.push_back(b);
    if (b != kFrameEnd && frame_.size() < 4096) continue;
    assembling_ = false;
    if (b != kFrameEnd) continue;
    uint8_t body[kMaxFrame];
    size_t n = DecodeFrame(frame_.data(), uint16_t(frame_.size()), body);
    if (n < kMessageHeadSize) continue;
    ++framesReceived_;
    const uint16_t kind = platform::LoadU16(body);
    const bool blockTraffic = kind == ckBlock || (kind == ckReply && n >= kReplyHeadSize &&
                                                  platform::LoadU16(body + 8) == ckBlock);
    int every = dropEvery_.load();
    if (blockTraffic && every > 0 && ++blockFrames_ % every == 0) continue;
    std::lock_guard lock(mutex_);
    Handle(std::vector<uint8_t>(body, body + n));
  }
}

void TTestCard::SendBody(const std::vector<uint8_t>& body) {
  auto frame = EncodeFrameBytes(body);
  if (datagrams_) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(hostPort_);
    ::sendto(fd_, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  } else {
    size_t done = 0;
    while (done < frame.size()) {
      ssize_t n = ::write(fd_, frame.data() + done, frame.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
  }
}

void TTestCard::SendReply(uint16_t answered, uint32_t number, uint16_t status, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> body;
  platform::AppendU16(body, ckReply);
  body.push_back(address_);
  body.push_back(0);
  platform::AppendU32(body, number);
  platform::AppendU16(body, answered);
  platform::AppendU16(body, status);
  body.insert(body.end(), payload.begin(), payload.end());
  SendBody(body);
}

void TTestCard::Handle(const std::vector<uint8_t>& body) {
  const uint16_t kind = platform::LoadU16(body.data());
  const uint32_t value = platform::LoadU32(body.data() + 4);
  switch (kind) {
    case ckStart:
      receiving_ = true;
      incoming_.clear();
      have_.clear();
      SendReply(ckStart, value, 1);
      return;
    case ckBlock: {
      if (!receiving_ || value == 0) return;
      size_t offset = size_t(value - 1) * kBlockSize;
      size_t count = body.size() - kMessageHeadSize;
      if (incoming_.size() < offset + count) incoming_.resize(offset + count);
      std::memcpy(incoming_.data() + offset, body.data() + kMessageHeadSize, count);
      if (have_.size() <= value) have_.resize(value + 1, false);
      have_[value] = true;
      SendReply(ckBlock, value, 1);
      return;
    }
    case ckEnd: {
      if (!receiving_) {
        SendReply(ckEnd, value, 1);  // a repeated end after completion
        return;
      }
      for (uint32_t n = 1; n < value; ++n) {
        if (n >= have_.size() || !have_[n]) {
          SendReply(ckEnd, n, 0);
          return;
        }
      }
      receiving_ = false;
      received_.push_back(incoming_);
      changed_.notify_all();
      SendReply(ckEnd, value, 1);
      return;
    }
    case ckReply: {
      if (!push_ || body.size() < kReplyHeadSize) return;
      const uint16_t answered = platform::LoadU16(body.data() + 8);
      const uint16_t status = platform::LoadU16(body.data() + 10);
      TPush& p = *push_;
      if (answered == ckStart && p.State == TPush::pStarting) {
        p.State = TPush::pBlocks;
        PushStep(NowMs(), false);
      } else if (answered == ckBlock && p.State != TPush::pDone) {
        if (status != 0 && value >= 1 && value <= p.Blocks) {
          p.Acked[value] = true;
          while (p.Base <= p.Blocks && p.Acked[p.Base]) ++p.Base;
        } else if (status == 0) {
          // "Resend from n": the host has everything before n.
          for (uint32_t b = p.Base; b < value && b <= p.Blocks; ++b) p.Acked[b] = true;
          while (p.Base <= p.Blocks && p.Acked[p.Base]) ++p.Base;
          p.Next = std::max<uint32_t>(value, 1);
          p.State = TPush::pBlocks;
        }
        PushStep(NowMs(), false);
      } else if (answered == ckEnd && p.State == TPush::pEnding && status != 0) {
        p.State = TPush::pDone;
        pushed_ = true;
        changed_.notify_all();
      }
      return;
    }
    default: {
      auto it = answers_.find(kind);
      if (it != answers_.end()) SendReply(kind, value, it->second.first, it->second.second);
      return;
    }
  }
}

void TTestCard::SendPushMessage(uint16_t kind, uint32_t value) {
  std::vector<uint8_t> body;
  platform::AppendU16(body, kind);
  body.push_back(address_);
  body.push_back(0);
  platform::AppendU32(body, value);
  if (kind == ckBlock) {
    const auto& d = push_->Data;
    size_t offset = size_t(value - 1) * kBlockSize;
    size_t count = std::min(kBlockSize, d.size() - offset);
    body.insert(body.end(), d.begin() + long(offset), d.begin() + long(offset + count));
  }
  SendBody(body);
}

// With the mutex held. Sends what the push state allows; on a time-out resends from the base.
void TTestCard::PushStep(int64_t now, bool timedOut) {
  TPush& p = *push_;
  switch (p.State) {
    case TPush::pStarting:
      if (timedOut) SendPushMessage(ckStart, uint32_t(p.Data.size()));
      break;
    case TPush::pBlocks:
      if (timedOut) p.Next = p.Base;
      while (p.Next <= p.Blocks && p.Next < p.Base + uint32_t(p.Window)) {
        if (!p.Acked[p.Next]) SendPushMessage(ckBlock, p.Next);
        ++p.Next;
      }
      if (p.Base > p.Blocks) {
        p.State = TPush::pEnding;
        SendPushMessage(ckEnd, p.Blocks + 1);
      }
      break;
    case TPush::pEnding:
      if (timedOut) SendPushMessage(ckEnd, p.Blocks + 1);
      break;
    case TPush::pDone:
      return;
  }
  p.LastSent = now;
}

}  // namespace cardtest
