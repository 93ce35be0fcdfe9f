#pragma once
// The card on a UDP socket: answers whoever sent the datagram.
#include <memory>

#include "CardTransport.h"

namespace cardsim {

class TUdpTransport final : public TCardTransport {
 public:
  // Binds `address` (dotted IPv4) and `port`; port 0 picks a free one. Nothing and a reason
  // when the socket cannot be made or bound.
  static std::unique_ptr<TUdpTransport> Open(const std::string& address, uint16_t port,
                                             std::string* error);
  ~TUdpTransport() override;

  uint16_t Port() const { return port_; }
  uint32_t Address() const { return address_; }

  int Fd() const override { return fd_; }
  bool Receive(std::vector<uint8_t>& bytes, TPeer& peer) override;
  void Send(std::span<const uint8_t> bytes, const TPeer& peer) override;
  bool ChunksAreDatagrams() const override { return true; }
  std::string Describe() const override;

 private:
  TUdpTransport(int fd, uint32_t address, uint16_t port) : fd_(fd), address_(address), port_(port) {}
  int fd_;
  uint32_t address_;
  uint16_t port_;
};

// Parses a dotted IPv4 address into host byte order.
bool ParseIpv4(const std::string& text, uint32_t& ip);

}  // namespace cardsim
