#pragma once
// The card's side of a host→card transfer: the 32-block window, the answers to start, block and
// end messages, and the bytes collected so far. Pure: the caller does the I/O and the timing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "CardHeads.h"
#include "CardTransport.h"

namespace cardsim {

constexpr uint32_t ReceiveWindow = 32;

// The kind-3 fields the card answers with.
struct TReceiverAnswer {
  uint16_t AnsweredKind = 0;
  uint16_t Status = 0;
  uint32_t Number = 0;
  bool operator==(const TReceiverAnswer&) const = default;
};

// Who a transfer comes from: the source address of its messages and where they came from.
struct TTransferSender {
  uint8_t Address = 0;
  TPeer Peer;
  bool operator==(const TTransferSender&) const = default;
};

class TBlockReceiver {
 public:
  explicit TBlockReceiver(size_t capacity) : capacity_(capacity) {}

  // Starts a transfer. While receiving, only the same sender may start again, and that starts
  // afresh: it sends its start again when it lost the answer to the first, or when it gave up
  // on an earlier transfer; ignoring it would stall both sides. Anyone else gets nothing.
  std::optional<TReceiverAnswer> Start(uint32_t announced, const TTransferSender& sender);

  // Nothing (no answer) while not receiving or for a block longer than 512 bytes. Otherwise:
  // below the base (received already) or already held "accepted" again; 0 or past base + 31
  // "resend from base"; too big for the buffer "overflow" (the transfer is dropped); else
  // stored and accepted.
  std::optional<TReceiverAnswer> Block(uint32_t number, std::span<const uint8_t> data);

  // Nothing while not receiving, except a repeat of the end that completed the last transfer,
  // from its sender, which is accepted again (the host resends its end when the answer got
  // lost). When the end number is the window base the transfer is complete and its bytes go to
  // `completed`; otherwise the answer asks for the blocks from the base.
  std::optional<TReceiverAnswer> End(uint32_t number, const TTransferSender& sender,
                                     std::vector<uint8_t>* completed);

  // Drops the transfer in progress (buffer overflow, inactivity).
  void Abandon();
  // The answer to a block when the buffer would overflow.
  static TReceiverAnswer OverflowAnswer(uint32_t number) { return {akOverflow, 0, number}; }

  bool Receiving() const { return receiving_; }
  uint32_t Base() const { return base_; }
  uint64_t Total() const { return total_; }
  uint32_t Announced() const { return announced_; }

 private:
  size_t capacity_;
  bool receiving_ = false;
  uint32_t base_ = 1;
  uint32_t bitmap_ = 0;  // bit i: block base + i has arrived
  uint64_t total_ = 0;
  uint32_t announced_ = 0;
  std::vector<uint8_t> data_;
  TTransferSender sender_;           // of the transfer in progress
  std::optional<uint32_t> lastEnd_;  // end number of the last completed transfer
  TTransferSender lastSender_;       // and its sender
};

}  // namespace cardsim
