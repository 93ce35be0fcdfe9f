#pragma once
// TDisplaySimulator: one simulation of a screen playing a program, stepped by its owner.
// Everything the library's three calls do happens here; the wall clock is injected so that
// tests can fix the time the clocks and counters show.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "DisplayItem.h"
#include "ProgramReader.h"
#include "Timing.h"
#include "displaysim.h"
#include "platform/base/DateTime.h"

namespace displaysim {

struct TSimulatorSetup {
  int ColorMode = 0;  // the screen's colour mode, used where the program header names none
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Program;
  std::vector<uint8_t> ParamBlock;  // empty: none
  const platform::TWallClock* Clock = nullptr;  // null: the process's wall clock
};

class TDisplaySimulator {
 public:
  explicit TDisplaySimulator(TSimulatorSetup setup);
  TDisplaySimulator(const TDisplaySimulator&) = delete;
  TDisplaySimulator& operator=(const TDisplaySimulator&) = delete;

  int StepTimeMs() const { return stepMs_; }
  size_t PageCount() const { return program_.Pages.size(); }
  size_t Page() const { return clock_.Page(); }
  int64_t PageStep() const { return clock_.PageStep(); }
  // The colour mode colour values show in: the header's when it is 1-4, else the screen's.
  int ColorMode() const { return itemSetup_.ColorMode; }

  // Paints the current step into `surface` (when it is usable) and advances by one step.
  void Step(const TDisplaySurface& surface);

  // Whether a surface can be painted: pixels, a positive size, a stride of whole pixels that
  // holds a row.
  static bool Usable(const TDisplaySurface& surface);
  // Paints all of a usable surface black.
  static void PaintBlack(const TDisplaySurface& surface);

 private:
  void MakeItems();

  TSimulatorSetup setup_;
  TProgramView program_;
  TItemSetup itemSetup_;
  int stepMs_;
  TPageClock clock_;
  std::vector<std::unique_ptr<TDisplayItem>> items_;
  bool itemsMade_ = false;
};

}  // namespace displaysim
