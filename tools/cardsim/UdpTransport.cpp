#include "UdpTransport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cardsim {

bool ParseIpv4(const std::string& text, uint32_t& ip) {
  in_addr a{};
  if (inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
  ip = ntohl(a.s_addr);
  return true;
}

std::unique_ptr<TUdpTransport> TUdpTransport::Open(const std::string& address, uint16_t port,
                                                   std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return nullptr;
  };
  uint32_t ip = 0;
  if (!ParseIpv4(address, ip)) return fail("not an IPv4 address: " + address);
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail(std::string("socket: ") + strerror(errno));
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(ip);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    std::string why = "bind " + TPeer{ip, port}.Text() + ": " + strerror(errno);
    close(fd);
    return fail(why);
  }
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  return std::unique_ptr<TUdpTransport>(new TUdpTransport(fd, ip, ntohs(sa.sin_port)));
}

TUdpTransport::~TUdpTransport() { close(fd_); }

bool TUdpTransport::Receive(std::vector<uint8_t>& bytes, TPeer& peer) {
  bytes.resize(65536);
  sockaddr_in from{};
  socklen_t len = sizeof from;
  ssize_t n = recvfrom(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0) {
    bytes.clear();
    return false;
  }
  bytes.resize(size_t(n));
  peer = {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
  return true;
}

void TUdpTransport::Send(std::span<const uint8_t> bytes, const TPeer& peer) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(peer.Port);
  to.sin_addr.s_addr = htonl(peer.Ip);
  sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

std::string TUdpTransport::Describe() const { return "udp " + TPeer{address_, port_}.Text(); }

}  // namespace cardsim
