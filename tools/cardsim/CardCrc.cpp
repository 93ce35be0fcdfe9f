#include "CardCrc.h"

namespace cardsim {

uint16_t CardCrc(std::span<const uint8_t> data) {
  uint16_t crc = 0xFFFF;
  for (uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

}  // namespace cardsim
