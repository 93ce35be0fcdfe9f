#include "CardTransport.h"

#include <cstdio>

namespace cardsim {

std::string TPeer::Text() const {
  if (Ip == 0 && Port == 0) return "line";
  char buf[32];
  snprintf(buf, sizeof buf, "%u.%u.%u.%u:%u", Ip >> 24, (Ip >> 16) & 0xFF, (Ip >> 8) & 0xFF,
           Ip & 0xFF, unsigned(Port));
  return buf;
}

}  // namespace cardsim
