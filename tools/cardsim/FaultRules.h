#pragma once
// Deliberate misbehaviour, so a test reaches every error path of the host on purpose. A rule
// picks frames by kind, value (the block number for blocks, the end number for ends) and card,
// and acts on the n-th of them.
//
// By default a rule picks frames the card receives; its action then concerns that frame (Drop:
// lost on the way in, never seen) or the card's answer to it (everything else). With Own set it
// picks frames the card sends by itself (its start, blocks and end when it pushes a transfer,
// its card messages, raw sends) and acts on those.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardsim {

enum TFaultAction {
  faDrop,               // the frame is lost (an own frame is not sent)
  faDropAnswer,         // the frame is handled but its answer is lost
  faDelay,              // the answer (own frame) goes out DelayMs later; the card is not held up
  faDuplicate,          // the answer (own frame) goes out twice
  faCorruptCrc,         // the answer (own frame) carries a wrong CRC
  faWrongDestination,   // the answer (own frame) goes to address Destination
  faWrongAnsweredKind,  // the answer names AnsweredKind as the kind it answers
  faStatusZero,         // the answer says status 0 with number AnswerNumber
  faOverflow,           // the card answers "receive buffer overflow" and drops its transfer
};

struct TFaultRule {
  TFaultAction Action = faDrop;
  uint16_t Kind = 0;
  std::optional<uint32_t> Number{};  // the frame's value; any when not given
  std::optional<uint8_t> Card{};   // the card address; any card of the line when not given
  bool Own = false;
  int Occurrence = 1;  // act from the n-th matching frame on (1 = the first)
  int Times = 1;       // on this many matching frames; 0 = on every one from there
  int64_t DelayMs = 0;
  uint8_t Destination = 1;
  uint16_t AnsweredKind = 0;
  uint32_t AnswerNumber = 0;
};

// What applies to one frame: the union of all rules that fire on it.
struct TFaultSet {
  bool Drop = false;
  bool DropAnswer = false;
  int64_t DelayMs = 0;
  bool Duplicate = false;
  bool CorruptCrc = false;
  std::optional<uint8_t> Destination;
  std::optional<uint16_t> AnsweredKind;
  std::optional<uint32_t> StatusZeroNumber;
  bool Overflow = false;

  bool Any() const;
  // "drop", "delay 50 ms, corrupt crc", ... for the frame log.
  std::string Describe() const;
};

// The rules of one simulated line with their match counts. Not thread-safe by itself.
class TFaultBook {
 public:
  void Add(const TFaultRule& rule);
  void Clear();
  // Counts the frame against every rule that picks it and returns what fires.
  TFaultSet Match(bool own, uint16_t kind, uint32_t value, uint8_t card);

 private:
  struct TEntry {
    TFaultRule Rule;
    int Seen = 0;
  };
  std::vector<TEntry> entries_;
};

}  // namespace cardsim
