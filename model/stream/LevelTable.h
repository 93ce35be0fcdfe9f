#pragma once
// The level table: the card's brightness curve for full-colour modes. Every 8-bit colour
// component is mapped through it in colour modes 3 and 4 (never in modes 1 and 2). It is
// monotonic with LevelTable[0] = 0 and LevelTable[255] = 255, and follows no single power law:
// as 255 * (i / 255)^k its exponent rises from about 2 near index 32 to about 3 near index 250.
// The values are the card's and must stay exactly as they are.
#include <array>
#include <cstdint>

namespace model {

extern const std::array<uint8_t, 256> LevelTable;

}  // namespace model
