#pragma once
// The sensor objects: where the card shows a reading it measures and draws itself. The
// program sends only the place, the transparency, for temperature the scale, and the digits
// "0".."9" and "-" drawn in the object's font (the sensor records of model/stream). On the
// design surface each object shows a sample value, its caption ("25", "80", "30"), which the
// user may change and which is never sent.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/ComponentManager.h"
#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/component/TypeInfo.h"

namespace model {

// The temperature's scale: Celsius (摄氏度) or Fahrenheit (华式度).
enum TTempMethod : uint8_t { tmNormal, tmSpecial };
const platform::TTypeInfo& TypeTempMethod();  // "TTempMethod"

// Registers TTemperature, THumidity and TNoise, in this order, with `registry`; the editor
// calls it at start-up before it registers its other display classes. A class already
// registered is passed over, so calling it again adds nothing.
void RegisterSensorClasses(TComponentManager& registry);

// The three sensors, one class each from one template: they differ only in their sample
// caption, their record kind and, for temperature alone, the published scale Method.
enum TSensorKind : uint8_t { skTemperature, skHumidity, skNoise };

// Published: Method (TTemperature only, tmNormal), Transparent (True), Caption ("25", "80",
// "30"), Font ("宋体", 12 pt, red, GB2312), Text, PropertyTable, RecordSelf; 40 x 20.
template <TSensorKind Kind>
class TSensorObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TSensorObject(platform::TComponent* owner);

  TTempMethod Method() const requires(Kind == skTemperature) { return method_; }
  void SetMethod(TTempMethod method) requires(Kind == skTemperature) { method_ = method; }
  bool Transparent() const { return transparent_; }
  // Repaints when the value changes.
  void SetTransparent(bool transparent);
  platform::TFont& Font() { return font_; }
  const platform::TFont& Font() const { return font_; }
  // Takes the font (null is ignored) and repaints.
  void SetFont(const platform::TFont* font);
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The record's flags: bit 0 Transparent; bit 1 Fahrenheit (tmSpecial, temperature only).
  uint16_t Flags() const;

  // Black first unless transparent, then the caption right-aligned at the top in Font.
  void Paint(platform::TCanvas& canvas) override;
  // Appends the sensor record of the kind (80 temperature, 81 humidity, 82 noise) with the
  // bounds, Font and Flags(). Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  TTempMethod method_ = tmNormal;  // always tmNormal but in TTemperature
  bool transparent_ = true;
  platform::TFont font_;
  std::string text_;
  TBasePropertyTable table_;
};

using TTemperature = TSensorObject<skTemperature>;
using THumidity = TSensorObject<skHumidity>;
using TNoise = TSensorObject<skNoise>;

extern template class TSensorObject<skTemperature>;
extern template class TSensorObject<skHumidity>;
extern template class TSensorObject<skNoise>;

}  // namespace model
