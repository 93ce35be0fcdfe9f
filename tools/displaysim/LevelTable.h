#pragma once
// The card's level table of the full-colour modes: every 8-bit colour component of a picture
// is sent as Levels[component] (mode 3 keeps the top 5, 6 and 5 bits of red, green and blue;
// mode 4 keeps the red and green levels whole). The simulator shows a level as the smallest
// component that reaches it, so packing what it shows gives the words it was given.
#include <array>
#include <cstdint>

namespace displaysim {

extern const std::array<uint8_t, 256> Levels;

// The smallest component c with Levels[c] >= level (255 for a level no component reaches).
uint8_t ComponentOfLevel(uint8_t level);

}  // namespace displaysim
