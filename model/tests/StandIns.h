#pragma once
// Stand-ins for the project classes, under the names the registry and the name generator see:
// windowed or graphic controls that publish Text where the real classes do.
#include <string>
#include <string_view>

#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"

namespace model::test {

inline constexpr const char* kClassNames[] = {
    "TTemperature", "THumidity",  "TNoise",       "TLEDScreen",     "TLeaf",
    "TText",        "TDateTimeComponent",         "TMultiText",     "TPhoto",
    "TCountUp",     "TCountDown", "TAVIPlayer",   "TAnalogClock",   "TMultiString",
    "TMultiCard",   "TCards",     "TWordObject",  "TTableObject",   "TStringFile",
    "TCampaignTime", "TExtra"};

// Class N of the list above. Classes whose name is "TCards" publish no Text.
template <int N>
class TStandIn : public platform::TWinControl {
  DECLARE_CLASS_INFO()
  explicit TStandIn(platform::TComponent* owner) : TWinControl(owner) {}
  const std::string& Text() const { return text_; }
  void SetText(std::string_view v) { text_ = v; }

 private:
  std::string text_;
};

template <int N>
const platform::TClassInfo& TStandIn<N>::StaticClassInfo() {
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<TStandIn<N>, platform::TWinControl> b(kClassNames[N]);
    if (std::string_view(kClassNames[N]) != "TCards")
      b.Property("Text", &TStandIn<N>::Text, &TStandIn<N>::SetText);
    return b.Build();
  }();
  return info;
}

using TTemperature = TStandIn<0>;
using TLEDScreen = TStandIn<3>;
using TLeaf = TStandIn<4>;
using TText = TStandIn<5>;
using TMultiCard = TStandIn<14>;
using TCards = TStandIn<15>;

}  // namespace model::test
