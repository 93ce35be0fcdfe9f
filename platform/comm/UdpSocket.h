#pragma once
// A UDP socket bound to a local port, on every local address unless one is given. The port is
// not shared (no address reuse), so a second bind of a port in use fails. Sending and receiving
// never wait; the caller polls Fd(). Addresses and ports are in network byte order, as on the
// wire.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The local address UDP links bind: the IPv4 address the environment variable
// CORVANE_UDP_ADDRESS names, else 0, every local address. Tests give each run a loopback address
// of its own there, so runs on one machine do not meet on a port the program fixes.
inline constexpr const char kUdpAddressVariable[] = "CORVANE_UDP_ADDRESS";
uint32_t UdpLinkAddress();  // network byte order

class TUdpSocket {
 public:
  TUdpSocket() = default;
  TUdpSocket(const TUdpSocket&) = delete;
  TUdpSocket& operator=(const TUdpSocket&) = delete;
  ~TUdpSocket() { Close(); }

  // Port 0 takes any free port (see LocalPort); `localIp` 0 is every local address. False with
  // Error() set on failure.
  bool Bind(uint16_t localPort, uint32_t localIp = 0);
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  uint16_t LocalPort() const;  // host order
  const std::string& Error() const { return error_; }

  // One datagram; false when it could not be handed to the system. After a failure,
  // SendWouldBlock() tells whether only the send buffer was full (poll Fd() for POLLOUT).
  bool SendTo(const uint8_t* data, size_t count, uint32_t ip, uint16_t port);
  bool SendWouldBlock() const { return wouldBlock_; }
  // One datagram of at most `size` bytes (the rest of a longer one is lost), or 0 when none is
  // waiting or on an error.
  size_t ReceiveFrom(uint8_t* buffer, size_t size, uint32_t& ip, uint16_t& port);

 private:
  int fd_ = -1;
  std::string error_;
  bool wouldBlock_ = false;
};

}  // namespace platform
