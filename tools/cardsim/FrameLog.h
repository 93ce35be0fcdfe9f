#pragma once
// What the card saw and sent, with monotonic timestamps, so tests can count frames exactly and
// check their spacing loosely, and the command-line program can print them.
#include <cstdint>
#include <string>
#include <vector>

#include "CardTransport.h"

namespace cardsim {

enum TFrameDirection { fdIn, fdOut };

struct TFrameRecord {
  int64_t TimeMs = 0;  // platform::SteadyClock() milliseconds
  TFrameDirection Direction = fdIn;
  TPeer Peer;
  std::vector<uint8_t> Raw;   // as on the wire
  std::vector<uint8_t> Body;  // decoded body without CRC; empty when the frame was rejected
  bool Valid = false;         // well formed, good CRC and a whole head
  uint16_t Kind = 0;
  uint8_t Source = 0;
  uint8_t Destination = 0;
  uint32_t Value = 0;  // for kind 3: the answer's number
  uint16_t AnsweredKind = 0;  // kind 3 only
  uint16_t Status = 0;        // kind 3 only
  std::string Note;  // why it was ignored, or which faults acted on it

  size_t PayloadSize() const;
};

// Fills the head fields of a record from its body; false (and Valid false) for a short body.
bool ReadRecordHead(TFrameRecord& record);

// One readable line: time (seconds since `originMs`), direction, peer, kind, addresses, value,
// payload size, note.
std::string DescribeFrame(const TFrameRecord& record, int64_t originMs);

}  // namespace cardsim
