#pragma once
// The buffers that carry a firmware file or a font-set file to a card as one data transfer: a
// 12-byte head, then the content.
//
//   u16 content kind (19 firmware, 20 font set), u16 0, u32 content size + 12 (the whole
//   buffer), u32 0
//
// The editor's card-settings dialog and the sending library both read their files here, so the
// two never differ on what they accept.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardlink {

constexpr size_t kTransferHeadSize = 12;

// The buffer for the font-set file `fileName` (the OS's bytes), which must start with the
// little-endian u16 0x00EE. Nothing when the file cannot be read, is no regular file (a pipe or
// device is refused at once), is shorter than 2 bytes, does not start with 0xEE, 0x00, or is
// too large for one transfer.
std::optional<std::vector<uint8_t>> LoadFontSetBuffer(const std::string& fileName);

// The buffer for the firmware file `fileName`: the head, then what LoadFirmwareFile gives (the
// checked and descrambled data). Nothing when the loader refuses the file or the data is too
// large for one transfer.
std::optional<std::vector<uint8_t>> LoadFirmwareBuffer(const std::string& fileName);

}  // namespace cardlink
