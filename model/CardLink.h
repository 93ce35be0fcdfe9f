#pragma once
// What the project roots' card operations share process-wide: the link manager they talk to
// cards through, and the campaign time they send.
//
// Corvane has one TLEDManager. The editor program makes it at start-up (CorvaneManagerPolicy),
// sets it here before the first project root runs an operation, and clears it again before it
// frees the manager at exit; tests point it at a manager of their own with short link timing.
// While none is set, no link opens: every operation ends in Status 0 (port open error).
//
// Both belong to the GUI thread, like the roots that use them.
#include "platform/base/ByteOrder.h"

namespace cardlink {
class TLEDManager;
}

namespace model {

// The manager the card operations open links with; null when none is set. It is not owned here.
cardlink::TLEDManager* LEDManager();
void SetLEDManager(cardlink::TLEDManager* manager);

// The campaign time that TConstructer::SendTimeRecord sends; the campaign-time dialog sets it.
// All zero until then.
platform::TSystemTime& CampaignTime();

}  // namespace model
