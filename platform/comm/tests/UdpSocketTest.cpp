#include "platform/comm/UdpSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <stdlib.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

}  // namespace

TEST(UdpSocket, ASecondBindOfAPortInUseFails) {
  TUdpSocket first, second;
  ASSERT_TRUE(first.Bind(0)) << first.Error();
  uint16_t port = first.LocalPort();
  ASSERT_NE(port, 0);
  EXPECT_FALSE(second.Bind(port));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_NE(second.Error().find(std::to_string(port)), std::string::npos);
  first.Close();
  EXPECT_TRUE(second.Bind(port)) << second.Error();
}

TEST(UdpSocket, DatagramsCarryTheirSender) {
  TUdpSocket a, b;
  ASSERT_TRUE(a.Bind(0));
  ASSERT_TRUE(b.Bind(0));
  uint8_t buf[2048];
  uint32_t ip = 0;
  uint16_t port = 0;
  EXPECT_EQ(a.ReceiveFrom(buf, sizeof buf, ip, port), 0u);  // nothing waiting: no wait

  const uint8_t hello[] = {0x55, 1, 2, 3, 0xAA};
  ASSERT_TRUE(b.SendTo(hello, sizeof hello, kLoopback, htons(a.LocalPort())));
  ASSERT_TRUE(Readable(a.Fd(), 2000));
  ASSERT_EQ(a.ReceiveFrom(buf, sizeof buf, ip, port), sizeof hello);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), std::vector<uint8_t>(hello, hello + 5));
  EXPECT_EQ(ip, kLoopback);
  EXPECT_EQ(ntohs(port), b.LocalPort());

  // A datagram longer than the buffer gives only what fits; the next one is whole again.
  std::vector<uint8_t> big(1500, 7);
  ASSERT_TRUE(b.SendTo(big.data(), big.size(), kLoopback, htons(a.LocalPort())));
  ASSERT_TRUE(b.SendTo(hello, sizeof hello, kLoopback, htons(a.LocalPort())));
  ASSERT_TRUE(Readable(a.Fd(), 2000));
  EXPECT_EQ(a.ReceiveFrom(buf, 1046, ip, port), 1046u);
  ASSERT_TRUE(Readable(a.Fd(), 2000));
  EXPECT_EQ(a.ReceiveFrom(buf, sizeof buf, ip, port), sizeof hello);
}

TEST(UdpSocket, BindsToTheAddressGiven) {
  TUdpSocket listener, sender;
  ASSERT_TRUE(listener.Bind(0, kLoopback)) << listener.Error();
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  ASSERT_EQ(::getsockname(listener.Fd(), reinterpret_cast<sockaddr*>(&addr), &len), 0);
  EXPECT_EQ(addr.sin_addr.s_addr, kLoopback);

  ASSERT_TRUE(sender.Bind(0, kLoopback));
  const uint8_t one[] = {1};
  ASSERT_TRUE(sender.SendTo(one, 1, kLoopback, htons(listener.LocalPort())));
  EXPECT_FALSE(sender.SendWouldBlock());
  ASSERT_TRUE(Readable(listener.Fd(), 2000));
  uint8_t buf[4];
  uint32_t ip = 0;
  uint16_t port = 0;
  EXPECT_EQ(listener.ReceiveFrom(buf, sizeof buf, ip, port), 1u);
  EXPECT_EQ(ntohs(port), sender.LocalPort());
}

TEST(UdpSocket, TheLinkAddressComesFromTheEnvironmentWhenItIsAnAddress) {
  const struct {
    const char* Value;  // null: unset
    uint32_t Expected;  // host order
  } cases[] = {
      {nullptr, 0},           {"127.0.0.5", 0x7F000005}, {"127.1.2.3", 0x7F010203},
      {"", 0},                {"localhost", 0},          {"127.0.0.5 ", 0},
      {"127.0.0.256", 0},
  };
  for (const auto& c : cases) {
    if (c.Value)
      ::setenv(kUdpAddressVariable, c.Value, 1);
    else
      ::unsetenv(kUdpAddressVariable);
    EXPECT_EQ(UdpLinkAddress(), htonl(c.Expected)) << (c.Value ? c.Value : "unset");
  }
  ::unsetenv(kUdpAddressVariable);
}
