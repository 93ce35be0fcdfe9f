#include "UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

uint32_t UdpLinkAddress() {
  const char* text = std::getenv(kUdpAddressVariable);
  in_addr addr{};
  if (!text || ::inet_pton(AF_INET, text, &addr) != 1) return 0;
  return addr.s_addr;
}

bool TUdpSocket::Bind(uint16_t localPort, uint32_t localIp) {
  Close();
  error_.clear();
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error_ = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = localIp;
  addr.sin_port = htons(localPort);
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error_ = "bind to port " + std::to_string(localPort) + ": " + std::strerror(errno);
    Close();
    return false;
  }
  return true;
}

void TUdpSocket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint16_t TUdpSocket::LocalPort() const {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

bool TUdpSocket::SendTo(const uint8_t* data, size_t count, uint32_t ip, uint16_t port) {
  wouldBlock_ = false;
  if (fd_ < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ip;
  addr.sin_port = port;
  for (;;) {
    ssize_t n = ::sendto(fd_, data, count, 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (n >= 0) return size_t(n) == count;
    if (errno == EINTR) continue;
    wouldBlock_ = errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS;
    return false;
  }
}

size_t TUdpSocket::ReceiveFrom(uint8_t* buffer, size_t size, uint32_t& ip, uint16_t& port) {
  if (fd_ < 0) return 0;
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  for (;;) {
    ssize_t n = ::recvfrom(fd_, buffer, size, 0, reinterpret_cast<sockaddr*>(&addr), &len);
    if (n > 0) {
      ip = addr.sin_addr.s_addr;
      port = addr.sin_port;
      return size_t(n);
    }
    if (n < 0 && errno == EINTR) continue;
    return 0;  // nothing waiting, an empty datagram, or an error such as a port unreachable
  }
}

}  // namespace platform
