// Feeds arbitrary object text to a page with the display classes registered, then paints the
// page and writes its record: whatever sizes, fonts, lines and file names the text gives the
// objects, loading, painting and sending must return, never throw or touch memory they should
// not.
#include <cstddef>
#include <algorithm>
#include <cstdint>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/MessageBoxHook.h"
#include "model/ObjectText.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Temperature.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "model/objects/rtf.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/Canvas.h"

namespace {

const model::TComponentManager& Registry() {
  static const model::TComponentManager* registry = [] {
    auto* r = new model::TComponentManager(nullptr);
    r->RegisterClass(model::TText::StaticClassInfo());
    r->RegisterClass(model::TMultiString::StaticClassInfo());
    r->RegisterClass(model::TStringFile::StaticClassInfo());
    r->RegisterClass(model::TMultiText::StaticClassInfo());
    r->RegisterClass(model::TPhoto::StaticClassInfo());
    r->RegisterClass(model::TAVIPlayer::StaticClassInfo());
    model::RegisterSensorClasses(*r);
    // Pictures and tables that do not load say so; quietly here.
    model::SetMessageBoxHook([](std::string_view, std::string_view, model::TMessageBoxIcon) {});
    r->RegisterClass(model::TDateTimeComponent::StaticClassInfo());
    r->RegisterClass(model::TCountUp::StaticClassInfo());
    r->RegisterClass(model::TCountDown::StaticClassInfo());
    r->RegisterClass(model::TCampaignTime::StaticClassInfo());
    r->RegisterClass(model::TAnalogClock::StaticClassInfo());
    r->RegisterClass(model::TWordObject::StaticClassInfo());
    r->RegisterClass(model::TTableObject::StaticClassInfo());
    return r;
  }();
  return *registry;
}

// A clock's pictures are its side squared, six of them when it paints and 169 when it is sent:
// a clock of thousands of pixels is slow and large by design, so the target keeps to smaller
// ones and spends its time on the rest.
bool TooLargeAClock(const platform::TComponent& page) {
  constexpr int kSide = 512;
  for (const platform::TComponent* child : page.OwnedComponents())
    if (const auto* clock = dynamic_cast<const model::TAnalogClock*>(child))
      if (std::min(clock->Width(), clock->Height()) > kSide ||
          std::max(clock->Width(), clock->Height()) > 8 * kSide)
        return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The time objects read the clock: a fixed one keeps runs repeatable.
  static platform::TFakeWallClock clock(*platform::EncodeDateTime({2024, 2, 29, 23, 59, 58, 0}));
  static platform::TScopedWallClock scoped(clock);
  model::TDFMStream input;
  input.Write(data, int32_t(size));
  model::TLeaf page(nullptr);
  page.SetBounds(0, 0, 256, 128);
  model::ReadObjectText(page, page, input, Registry(), false);
  if (TooLargeAClock(page)) return 0;
  platform::TBitmap surface(256, 128);
  platform::TCanvas canvas(surface);
  model::PaintChildren(page, canvas);
  model::TProgramStream stream;
  page.SetRecordSelf(&stream);
  return 0;
}
