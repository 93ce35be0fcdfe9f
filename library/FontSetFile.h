#pragma once
// The font-set file a client downloads to a card, and the buffer it travels in: a 12-byte
// head, then the whole file.
//
//   u16 20 (content kind: font set), u16 0, u32 file size + 12 (the whole buffer), u32 0
//
// A font-set file starts with the little-endian u16 0x00EE.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace panelcast {

constexpr size_t FontSetHeadSize = 12;
constexpr uint16_t FontSetContentKind = 20;

// The buffer for the font-set file `fileName`; nothing when it cannot be read, is no regular
// file, is empty, does not start with 0xEE, 0x00, or is too large for one transfer.
std::optional<std::vector<uint8_t>> LoadFontSetBuffer(const std::string& fileName);

}  // namespace panelcast
