#include "CardLink.h"

namespace model {

namespace {
cardlink::TLEDManager* gManager = nullptr;
}

cardlink::TLEDManager* LEDManager() { return gManager; }

void SetLEDManager(cardlink::TLEDManager* manager) { gManager = manager; }

platform::TSystemTime& CampaignTime() {
  static platform::TSystemTime time{};
  return time;
}

}  // namespace model
