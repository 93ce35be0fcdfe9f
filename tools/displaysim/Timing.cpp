#include "Timing.h"

#include <algorithm>

#include "platform/base/ByteOrder.h"

namespace displaysim {

int ClampStepTime(int64_t ms) { return int(std::clamp<int64_t>(ms, MinStepMs, MaxStepMs)); }

int StepTimeOfBlock(const uint8_t* block, size_t size) {
  if (!block || size < StepTimeOffset + 2) return MinStepMs;
  return ClampStepTime(platform::LoadU16(block + StepTimeOffset));
}

TPageClock::TPageClock(std::vector<uint32_t> displayTimesMs, int stepMs)
    : times_(std::move(displayTimesMs)), stepMs_(ClampStepTime(stepMs)) {}

bool TPageClock::Advance() {
  if (times_.empty()) return false;
  ++pageStep_;
  elapsedMs_ += uint64_t(stepMs_);
  if (elapsedMs_ < times_[page_]) return false;
  page_ = (page_ + 1) % times_.size();
  pageStep_ = 0;
  elapsedMs_ = 0;
  return true;
}

}  // namespace displaysim
