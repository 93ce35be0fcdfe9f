#pragma once
// Quayside fixes its ports: it binds UDP 9999 and sends to the card's 6666. So that test runs on
// one machine (two worktrees, or CI beside a developer) never meet on them, each test process
// takes a loopback address of its own, 127.x.y.z from its process id (pids are below 2^22, so no
// two live processes share one): the simulated card listens there, and the library binds 9999
// there through CORVANE_UDP_ADDRESS.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/comm/UdpSocket.h"

namespace quayside::test {

// The address, host byte order.
inline uint32_t RunIp() { return 0x7F000000u | (uint32_t(::getpid()) & 0xFFFFFFu); }

// The address as the card file writes it.
inline std::string RunAddress() {
  const uint32_t ip = RunIp();
  return "127." + std::to_string((ip >> 16) & 0xFF) + "." + std::to_string((ip >> 8) & 0xFF) + "." +
         std::to_string(ip & 0xFF);
}

// Makes the library's UDP links of this process bind the run's address; call it before the
// link opens.
inline std::string UseRunAddress() {
  const std::string address = RunAddress();
  ::setenv(platform::kUdpAddressVariable, address.c_str(), 1);
  return address;
}

}  // namespace quayside::test
