#pragma once
// The clock that the timers of the model's components run on. Components are made by class
// name with an owner only (object text, the class registry), so they cannot be handed a clock;
// they take this one when they make their timers. It is the steady clock unless a test sets a
// fake one, before it creates the components.
#include "platform/base/Clock.h"

namespace model {

platform::TClock& TimerClock();
// Null goes back to the steady clock. The clock must outlive every timer made on it.
void SetTimerClock(platform::TClock* clock);

}  // namespace model
