#pragma once
// The card's frame checksum: CRC-16/MODBUS (reflected polynomial 0xA001, start 0xFFFF, no final
// XOR). Computed bit by bit on purpose: the host side uses lookup tables, and the simulated card
// must not share a misreading with it.
#include <cstdint>
#include <span>

namespace cardsim {

// The 16-bit CRC value; "123456789" gives 0x4B37. On the wire the high byte goes first.
uint16_t CardCrc(std::span<const uint8_t> data);

}  // namespace cardsim
