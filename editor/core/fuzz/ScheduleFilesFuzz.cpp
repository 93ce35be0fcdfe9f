// Arbitrary bytes as the editor's schedule and list files: an "AutoSend.Lst", and the first 116
// and 28 bytes as a "*.Tim" and a "*.Bri" (shorter input padded with zeros). Reading never looks
// outside the bytes, what it gives is what the dialogs can hold (intervals 10..65535, paths of at
// most 260 bytes without a zero, times of the day, levels 0-7), and writing it back reads the same.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "editor/core/AutoSend.h"
#include "editor/core/Schedules.h"

namespace {

template <size_t N>
std::array<uint8_t, N> Padded(const uint8_t* data, size_t size) {
  std::array<uint8_t, N> block{};
  std::copy_n(data, std::min(size, N), block.begin());
  return block;
}

void List(const uint8_t* data, size_t size) {
  const auto list = editor::DecodeAutoSendList({data, size});
  if (!list) {
    if (size >= editor::AutoSendListSize) std::abort();
    return;
  }
  if (list->Interval < editor::AutoSendMinInterval || list->Interval > editor::AutoSendMaxInterval) std::abort();
  for (const auto& entry : list->Entries)
    if (entry.Path.size() > editor::AutoSendPathMax || entry.Path.find('\0') != std::string::npos) std::abort();
  const auto block = editor::EncodeAutoSendList(*list);
  if (editor::DecodeAutoSendList(block) != list) std::abort();
}

void Power(const uint8_t* data, size_t size) {
  const auto grid = editor::DecodePowerSchedule(Padded<editor::PowerScheduleSize>(data, size));
  const auto block = editor::EncodePowerSchedule(grid);  // every shown time converts back
  if (editor::DecodePowerSchedule(block) != grid) std::abort();
}

void Bright(const uint8_t* data, size_t size) {
  const auto grid = editor::DecodeBrightSchedule(Padded<editor::BrightScheduleSize>(data, size));
  const auto block = editor::EncodeBrightSchedule(grid);
  for (size_t h = 4; h < block.size(); ++h)
    if (block[h] > 7) std::abort();
  if (editor::DecodeBrightSchedule(block) != grid) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  List(data, size);
  Power(data, size);
  Bright(data, size);
  return 0;
}
