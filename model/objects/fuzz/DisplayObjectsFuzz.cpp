// Feeds arbitrary object text to a page with the display classes registered, then paints the
// page and writes its record: whatever sizes, fonts, lines and file names the text gives the
// objects, loading, painting and sending must return, never throw or touch memory they should
// not.
#include <cstddef>
#include <cstdint>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/MessageBoxHook.h"
#include "model/ObjectText.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Temperature.h"
#include "model/objects/Texts.h"
#include "model/objects/rtf.h"
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
    // Pictures that do not load say so; quietly here.
    model::SetMessageBoxHook([](std::string_view, std::string_view, model::TMessageBoxIcon) {});
    return r;
  }();
  return *registry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  model::TDFMStream input;
  input.Write(data, int32_t(size));
  model::TLeaf page(nullptr);
  page.SetBounds(0, 0, 256, 128);
  model::ReadObjectText(page, page, input, Registry(), false);
  platform::TBitmap surface(256, 128);
  platform::TCanvas canvas(surface);
  model::PaintChildren(page, canvas);
  model::TProgramStream stream;
  page.SetRecordSelf(&stream);
  return 0;
}
