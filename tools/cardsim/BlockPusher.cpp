#include "BlockPusher.h"

#include <algorithm>

namespace cardsim {

TBlockPusher::TBlockPusher(uint8_t card, std::vector<uint8_t> data, TPushPlan plan,
                           int64_t answerTimeoutMs, int retries)
    : card_(card),
      data_(std::move(data)),
      plan_(std::move(plan)),
      timeoutMs_(answerTimeoutMs),
      retries_(retries),
      lastBlock_(uint32_t((data_.size() + BlockSize - 1) / BlockSize)) {
  if (plan_.Burst < 1) plan_.Burst = 1;
  if (plan_.Order.empty()) {
    for (uint32_t n = 1; n <= lastBlock_; ++n) plan_.Order.push_back(n);
  }
}

std::vector<uint8_t> TBlockPusher::StartBody() const {
  uint32_t announced = plan_.Announced.value_or(uint32_t(data_.size()));
  return BuildMessage({mkStart, card_, plan_.Host, announced});
}

std::vector<uint8_t> TBlockPusher::BlockBody(uint32_t number) const {
  std::span<const uint8_t> part;
  if (number >= 1 && number <= lastBlock_) {
    size_t offset = size_t(number - 1) * BlockSize;
    part = std::span<const uint8_t>(data_).subspan(offset, std::min(BlockSize, data_.size() - offset));
  }
  return BuildMessage({mkBlock, card_, plan_.Host, number}, part);
}

std::vector<uint8_t> TBlockPusher::EndBody() const {
  return BuildMessage({mkEnd, card_, plan_.Host, lastBlock_ + 1});
}

std::vector<std::vector<uint8_t>> TBlockPusher::Begin(int64_t nowMs) {
  phase_ = phStarting;
  attempts_ = 0;
  deadline_ = nowMs + timeoutMs_;
  return {StartBody()};
}

void TBlockPusher::ResendFrom(uint32_t number) {
  queue_.clear();
  for (uint32_t n = std::max<uint32_t>(number, 1); n <= lastBlock_; ++n) queue_.push_back(n);
  next_ = 0;
}

void TBlockPusher::SendNext(std::vector<std::vector<uint8_t>>& out, int64_t nowMs) {
  if (resendFrom_) {
    ResendFrom(*resendFrom_);
    resendFrom_.reset();
  }
  outstanding_ = 0;
  while (outstanding_ < plan_.Burst && next_ < queue_.size()) {
    out.push_back(BlockBody(queue_[next_++]));
    ++outstanding_;
  }
  deadline_ = nowMs + timeoutMs_;
  if (outstanding_ > 0) {
    phase_ = phSending;
  } else if (plan_.SendEnd) {
    phase_ = phEnding;
    out.push_back(EndBody());
  } else {
    Finish(prStopped);
  }
}

std::vector<std::vector<uint8_t>> TBlockPusher::OnAnswer(const TCardAnswer& answer, int64_t nowMs) {
  std::vector<std::vector<uint8_t>> out;
  if (result_ != prPending) return out;
  if (answer.AnsweredKind == akOverflow) {
    Finish(prFailed);
    return out;
  }
  switch (phase_) {
    case phStarting:
      if (answer.AnsweredKind == mkStart) {
        attempts_ = 0;
        queue_ = plan_.Order;
        next_ = 0;
        SendNext(out, nowMs);
      }
      break;
    case phSending:
      if (answer.AnsweredKind == mkBlock) {
        attempts_ = 0;
        if (answer.Status == 0)
          resendFrom_ = resendFrom_ ? std::min(*resendFrom_, answer.Number) : answer.Number;
        if (outstanding_ > 0 && --outstanding_ == 0) SendNext(out, nowMs);
      }
      break;
    case phEnding:
      if ((answer.AnsweredKind == mkEnd || answer.AnsweredKind == akMissing) && answer.Status == 0) {
        // Blocks are missing from the number on. A round that makes no progress counts as a
        // resend, so a host that keeps asking for the same block cannot hold the card forever.
        if (lastMissing_ && answer.Number <= *lastMissing_) {
          if (++attempts_ > retries_) {
            Finish(prFailed);
            break;
          }
        } else {
          attempts_ = 0;
        }
        lastMissing_ = answer.Number;
        ResendFrom(answer.Number);
        SendNext(out, nowMs);
      } else if (answer.AnsweredKind == mkEnd) {
        Finish(prComplete);
      }
      break;
    case phDone:
      break;
  }
  return out;
}

std::vector<std::vector<uint8_t>> TBlockPusher::OnDeadline(int64_t nowMs) {
  std::vector<std::vector<uint8_t>> out;
  if (result_ != prPending) return out;
  if (++attempts_ > retries_) {
    Finish(prFailed);
    return out;
  }
  deadline_ = nowMs + timeoutMs_;
  switch (phase_) {
    case phStarting:
      out.push_back(StartBody());
      break;
    case phSending:
      // Answers went missing: go on, the end message finds out what the host lacks.
      SendNext(out, nowMs);
      break;
    case phEnding:
      out.push_back(EndBody());
      break;
    case phDone:
      break;
  }
  return out;
}

void TBlockPusher::Finish(TPushResult result) {
  phase_ = phDone;
  result_ = result;
}

}  // namespace cardsim
