// Fuzz target: a simulation of a 64 x 32 screen over each input as its program, stepped 50
// times at a fixed time. Seeds: the programs the tests write (fuzz/corpus).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DisplaySimulator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const platform::TFakeWallClock clock(45000.5123);  // 2023-03-15 12:17:42
  constexpr int kWidth = 64, kHeight = 32;
  displaysim::TSimulatorSetup setup;
  setup.ColorMode = 3;
  setup.Width = kWidth;
  setup.Height = kHeight;
  setup.Program.assign(data, data + size);
  setup.ParamBlock.assign(112, 0);
  setup.ParamBlock[6] = 20;
  setup.Clock = &clock;
  displaysim::TDisplaySimulator sim(std::move(setup));
  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  const TDisplaySurface surface{pixels.data(), kWidth, kHeight, kWidth * 4};
  for (int i = 0; i < 50; ++i) sim.Step(surface);
  return 0;
}
