// The library's three calls over one process-wide simulation.
#include <cstring>
#include <memory>
#include <new>

#include "DisplaySimulator.h"
#include "displaysim.h"

namespace {

std::unique_ptr<displaysim::TDisplaySimulator>& Simulation() {
  static std::unique_ptr<displaysim::TDisplaySimulator> simulation;
  return simulation;
}

constexpr int32_t MaxScreenSide = 65535;

}  // namespace

extern "C" {

DISPLAYSIM_API int32_t Display_Create(const char* fontFile, int32_t colourMode, int32_t width,
                                      int32_t height, TDisplaySurface* window,
                                      const void* program, const void* paramBlock,
                                      uint32_t programLength) {
  (void)fontFile;  // the card font's format is unknown here; the drawing layer stands in
  Simulation().reset();
  if (!window || width > MaxScreenSide || height > MaxScreenSide) return 0;
  try {
    displaysim::TSimulatorSetup setup;
    setup.ColorMode = colourMode;
    setup.Width = width;
    setup.Height = height;
    if (program && programLength > 0) {
      const auto* bytes = static_cast<const uint8_t*>(program);
      setup.Program.assign(bytes, bytes + programLength);
    }
    if (paramBlock) {
      const auto* bytes = static_cast<const uint8_t*>(paramBlock);
      setup.ParamBlock.assign(bytes, bytes + displaysim::ParamBlockSize);
    }
    Simulation() = std::make_unique<displaysim::TDisplaySimulator>(std::move(setup));
  } catch (...) {
    Simulation().reset();
    return 0;
  }
  displaysim::TDisplaySimulator::PaintBlack(*window);
  return 1;
}

DISPLAYSIM_API int32_t Display_Step(TDisplaySurface* window) {
  if (!Simulation() || !window) return 0;
  try {
    Simulation()->Step(*window);
  } catch (...) {
    // Out of memory in the middle of a step: the step is lost, the simulation goes on.
    return 0;
  }
  return 1;
}

DISPLAYSIM_API void Display_Destroy(void) { Simulation().reset(); }

}  // extern "C"
