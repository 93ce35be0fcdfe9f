// Fuzz target: a simulation of a screen over each input as its program, stepped 50 times at a
// fixed time. What a card sends back plays with whichever card is current, so the first four
// bytes choose the card: its colour mode (as it is: 1-4 and any other), its width and height
// less one (1-256 each), and its parameter block (0: a block of zeros, the shortest step;
// 1: none; 2: the 112 bytes after the four; any other: zeros with that byte x 8 ms as the step
// time). The program follows. Seeds: the programs the tests write, behind the four bytes
// 3, 63, 31, 0 (fuzz/corpus).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DisplaySimulator.h"
#include "platform/base/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const platform::TFakeWallClock clock(45000.5123);  // 2023-03-15 12:17:42
  constexpr size_t kHead = 4, kBlock = 112;
  if (size < kHead) return 0;
  displaysim::TSimulatorSetup setup;
  setup.ColorMode = data[0];
  setup.Width = data[1] + 1;
  setup.Height = data[2] + 1;
  size_t program = kHead;
  switch (data[3]) {
    case 0: setup.ParamBlock.assign(kBlock, 0); break;
    case 1: break;
    case 2:
      program = std::min(size, kHead + kBlock);
      setup.ParamBlock.assign(data + kHead, data + program);
      break;
    default:
      setup.ParamBlock.assign(kBlock, 0);
      platform::StoreU16(setup.ParamBlock.data() + 6, uint16_t(data[3] * 8));
      break;
  }
  setup.Program.assign(data + program, data + size);
  setup.Clock = &clock;
  const int width = setup.Width, height = setup.Height;
  displaysim::TDisplaySimulator sim(std::move(setup));
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  const TDisplaySurface surface{pixels.data(), width, height, width * 4};
  for (int i = 0; i < 50; ++i) sim.Step(surface);
  return 0;
}
