// Firmware ("*.Bin") and font-set ("*.Dat") files from anywhere, read as the card-settings dialog
// and the sending library read them: LoadFirmwareFile, LoadFirmwareBuffer and LoadFontSetBuffer.
// The firmware is read twice, as given and with every 130-byte block's CRC made right, so that
// the fuzzer reaches the descrambling with any data. Seeds: link/tests/fixtures (*.Bin) and
// editor/core/tests/fixtures (*.Dat).
//
// A refused firmware leaves the stream it was to go to exactly as it was; an accepted one adds
// its blocks' data (128 bytes of each 130, the last block 2 fewer than its size) and descrambles
// the whole stream, which descrambling again gives back. Each buffer is its 12-byte head (kind,
// 0, the whole size, 0) and then the content; a font set is taken exactly when it starts with
// 0xEE 0x00.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/Packet.h"
#include "link/TransferBuffer.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/MemoryStream.h"
#include "platform/base/fuzz/FuzzFolder.h"

namespace {

constexpr size_t kBlock = 130;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckHead(const std::vector<uint8_t>& buffer, uint16_t kind) {
  Check(buffer.size() >= cardlink::kTransferHeadSize);
  Check(platform::LoadU16(buffer.data()) == kind && platform::LoadU16(buffer.data() + 2) == 0);
  Check(platform::LoadU32(buffer.data() + 4) == buffer.size() && platform::LoadU32(buffer.data() + 8) == 0);
}

// The data the blocks of a firmware file carry, CRCs left out.
std::vector<uint8_t> BlockData(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> data;
  for (size_t at = 0; at < file.size(); at += kBlock) {
    const size_t n = std::min(kBlock, file.size() - at);
    data.insert(data.end(), file.begin() + ptrdiff_t(at), file.begin() + ptrdiff_t(at + n - 2));
  }
  return data;
}

void Firmware(const std::vector<uint8_t>& file) {
  const std::string path = platform::fuzz::TFuzzFolder::Instance().Write("firmware.Bin", file.data(), file.size());
  // A stream that already holds something, its position inside it.
  const uint8_t before[] = {1, 2, 3, 4, 5};
  platform::TMemoryStream stream;
  stream.Write(before, sizeof before);
  stream.SetPosition(2);
  const bool loaded = cardlink::LoadFirmwareFile(path, stream);
  const std::optional<std::vector<uint8_t>> buffer = cardlink::LoadFirmwareBuffer(path);
  Check(loaded == buffer.has_value());
  if (!loaded) {
    Check(stream.Size() == sizeof before && stream.Position() == 2);
    Check(std::memcmp(stream.Memory(), before, sizeof before) == 0);
    return;
  }
  Check(!file.empty() && file.size() % kBlock != 1 && file.size() % kBlock != 2);
  std::vector<uint8_t> expected(before, before + sizeof before);
  const std::vector<uint8_t> data = BlockData(file);
  expected.insert(expected.end(), data.begin(), data.end());
  Check(stream.Size() == expected.size());
  std::vector<uint8_t> plain(stream.Size());
  cardlink::Descramble(stream.Memory(), plain.data(), plain.size());
  Check(plain == expected);

  CheckHead(*buffer, cardlink::ctFirmware);
  std::vector<uint8_t> alone(data.size());
  cardlink::Descramble(data.data(), alone.data(), data.size());
  Check(std::equal(buffer->begin() + cardlink::kTransferHeadSize, buffer->end(), alone.begin(), alone.end()));
}

void FontSet(const std::vector<uint8_t>& file) {
  const std::string path = platform::fuzz::TFuzzFolder::Instance().Write("fonts.Dat", file.data(), file.size());
  const std::optional<std::vector<uint8_t>> buffer = cardlink::LoadFontSetBuffer(path);
  Check(buffer.has_value() == (file.size() >= 2 && file[0] == 0xEE && file[1] == 0x00));
  if (!buffer) return;
  CheckHead(*buffer, cardlink::ctFontSet);
  Check(std::equal(buffer->begin() + cardlink::kTransferHeadSize, buffer->end(), file.begin(), file.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  FontSet(file);
  Firmware(file);
  // Every block's CRC right (high byte first), whatever the data.
  for (size_t at = 0; at < file.size(); at += kBlock) {
    const size_t n = std::min(kBlock, file.size() - at);
    if (n < 3) break;
    const uint16_t crc = cardlink::FrameCrc(file.data() + at, n - 2);
    file[at + n - 2] = uint8_t(crc >> 8);
    file[at + n - 1] = uint8_t(crc & 0xFF);
  }
  Firmware(file);
  return 0;
}
