#pragma once
// What the card is attached to: a UDP socket or the master side of a pty. Each backend carries
// its own I/O; the card's core never asks which one it talks to.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cardsim {

// Where a frame came from or goes to. On a pty there is only one peer and this stays empty.
struct TPeer {
  uint32_t Ip = 0;  // IPv4 address, host byte order
  uint16_t Port = 0;
  bool operator==(const TPeer&) const = default;
  std::string Text() const;  // "127.0.0.1:5000", or "line" for the empty peer
};

class TCardTransport {
 public:
  virtual ~TCardTransport() = default;
  // The descriptor to poll for reading.
  virtual int Fd() const = 0;
  // One chunk of received bytes (a datagram, or whatever the line holds). False when nothing is
  // waiting; errors count as nothing.
  virtual bool Receive(std::vector<uint8_t>& bytes, TPeer& peer) = 0;
  // Errors are ignored: the host's time-outs recover, as they would from a noisy line.
  virtual void Send(std::span<const uint8_t> bytes, const TPeer& peer) = 0;
  // True when each received chunk is a unit of its own, so a frame never spans two chunks.
  virtual bool ChunksAreDatagrams() const = 0;
  // "udp 127.0.0.1:6666" or "pty /dev/pts/3".
  virtual std::string Describe() const = 0;
};

}  // namespace cardsim
