#pragma once
// Simulated time: the step time, and which page shows at which step.
//
// Each step advances simulated time by the step time. A page shows for its display time, at
// least one step, and then the next page comes up; after the last page the first again.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace displaysim {

// The step times the card-settings dialog offers. A step time outside them (a zeroed block, a
// card's read-back) is kept within them, so a timer never spins.
constexpr int MinStepMs = 20;
constexpr int MaxStepMs = 2000;
constexpr size_t ParamBlockSize = 112;
constexpr size_t StepTimeOffset = 6;  // u16 of the parameter block

int ClampStepTime(int64_t ms);
// The step time of a parameter block (its u16 at offset 6), clamped; MinStepMs without one.
int StepTimeOfBlock(const uint8_t* block, size_t size);

class TPageClock {
 public:
  TPageClock(std::vector<uint32_t> displayTimesMs, int stepMs);

  size_t Page() const { return page_; }
  // Steps the current page has shown, 0 while its first step is shown.
  int64_t PageStep() const { return pageStep_; }
  // One step has passed. True when the next step shows another page or the same page anew.
  bool Advance();

 private:
  std::vector<uint32_t> times_;
  int stepMs_;
  size_t page_ = 0;
  int64_t pageStep_ = 0;
  uint64_t elapsedMs_ = 0;
};

}  // namespace displaysim
