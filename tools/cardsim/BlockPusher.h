#pragma once
// The card's side of a card→host transfer (the display content on a read-back, or any bytes a
// test pushes): start message, blocks in the order and bursts the test chose, end message, and
// the resends the host's answers ask for. Pure: bodies and deadlines out, answers and time in.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "CardHeads.h"

namespace cardsim {

struct TPushPlan {
  // Block numbers in the order they are first sent; a number given twice is sent twice, a number
  // past the data goes out as an empty block. Empty: 1, 2, ... up to the last block.
  std::vector<uint32_t> Order{};
  // Blocks sent back to back before the card waits for their answers (at least 1).
  uint32_t Burst = 1;
  // The value of the start message; the data size when not given.
  std::optional<uint32_t> Announced{};
  // False: stop after the blocks without an end message (the host's inactivity limit then ends
  // the transfer on its side).
  bool SendEnd = true;
  // The destination address of every frame of the transfer.
  uint8_t Host = HostAddress;
};

enum TPushResult { prPending, prComplete, prStopped, prFailed };

class TBlockPusher {
 public:
  TBlockPusher(uint8_t card, std::vector<uint8_t> data, TPushPlan plan, int64_t answerTimeoutMs,
               int retries);

  // The start message. Bodies are returned in sending order.
  std::vector<std::vector<uint8_t>> Begin(int64_t nowMs);
  // An answer from the host addressed to this card.
  std::vector<std::vector<uint8_t>> OnAnswer(const TCardAnswer& answer, int64_t nowMs);
  // Call once the deadline has passed: resends, moves on, or gives up after the retries.
  std::vector<std::vector<uint8_t>> OnDeadline(int64_t nowMs);

  // When OnDeadline is due; only meaningful while Result() is prPending.
  int64_t Deadline() const { return deadline_; }
  TPushResult Result() const { return result_; }
  uint8_t Card() const { return card_; }
  uint32_t LastBlock() const { return lastBlock_; }

 private:
  enum TPhase { phStarting, phSending, phEnding, phDone };

  std::vector<uint8_t> StartBody() const;
  std::vector<uint8_t> BlockBody(uint32_t number) const;
  std::vector<uint8_t> EndBody() const;
  void SendNext(std::vector<std::vector<uint8_t>>& out, int64_t nowMs);
  void ResendFrom(uint32_t number);
  void Finish(TPushResult result);

  uint8_t card_;
  std::vector<uint8_t> data_;
  TPushPlan plan_;
  int64_t timeoutMs_;
  int retries_;
  uint32_t lastBlock_;

  TPhase phase_ = phStarting;
  TPushResult result_ = prPending;
  int64_t deadline_ = 0;
  int attempts_ = 0;             // resends since the last useful answer
  std::vector<uint32_t> queue_;  // blocks still to send in this round
  size_t next_ = 0;
  uint32_t outstanding_ = 0;     // answers still expected for the last burst
  std::optional<uint32_t> resendFrom_;
  std::optional<uint32_t> lastMissing_;
};

}  // namespace cardsim
