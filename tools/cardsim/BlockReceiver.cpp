#include "BlockReceiver.h"

#include <algorithm>

namespace cardsim {

std::optional<TReceiverAnswer> TBlockReceiver::Start(uint32_t announced, const TTransferSender& sender) {
  if (receiving_ && sender != sender_) return {};
  receiving_ = true;
  sender_ = sender;
  base_ = 1;
  bitmap_ = 0;
  total_ = 0;
  announced_ = announced;
  data_.clear();
  lastEnd_.reset();
  return TReceiverAnswer{mkStart, 1, announced};
}

std::optional<TReceiverAnswer> TBlockReceiver::Block(uint32_t number, std::span<const uint8_t> data) {
  if (!receiving_ || data.size() > BlockSize) return {};
  // Received already: a repeated datagram. "Resend from base" would send the host back over
  // blocks it has in flight.
  if (number >= 1 && number < base_) return TReceiverAnswer{mkBlock, 1, number};
  if (number < 1 || uint64_t(number) > uint64_t(base_) + ReceiveWindow - 1)
    return TReceiverAnswer{mkBlock, 0, base_};
  uint32_t bit = uint32_t(1) << (number - base_);
  if (bitmap_ & bit) return TReceiverAnswer{mkBlock, 1, number};
  uint64_t offset = uint64_t(number - 1) * BlockSize;
  uint64_t end = offset + data.size();
  if (end > capacity_) {
    Abandon();
    return OverflowAnswer(number);
  }
  if (data_.size() < end) data_.resize(size_t(end));
  std::copy(data.begin(), data.end(), data_.begin() + ptrdiff_t(offset));
  total_ += data.size();
  bitmap_ |= bit;
  while (bitmap_ & 1) {
    bitmap_ >>= 1;
    ++base_;
  }
  return TReceiverAnswer{mkBlock, 1, number};
}

std::optional<TReceiverAnswer> TBlockReceiver::End(uint32_t number, const TTransferSender& sender,
                                                   std::vector<uint8_t>* completed) {
  if (!receiving_) {
    if (lastEnd_ && *lastEnd_ == number && sender == lastSender_) return TReceiverAnswer{mkEnd, 1, number};
    return {};
  }
  if (number != base_) return TReceiverAnswer{mkEnd, 0, base_};
  receiving_ = false;
  lastEnd_ = number;
  lastSender_ = sender;
  if (completed) *completed = std::move(data_);
  data_.clear();
  return TReceiverAnswer{mkEnd, 1, number};
}

void TBlockReceiver::Abandon() {
  receiving_ = false;
  bitmap_ = 0;
  data_.clear();
  lastEnd_.reset();
}

}  // namespace cardsim
