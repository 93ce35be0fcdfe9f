#include "Temperature.h"

#include "model/stream/SensorRecords.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"

namespace model {

namespace {

constexpr int SensorWidth = 40;
constexpr int SensorHeight = 20;

// The rows of all three after their own first ones.
void AddSensorRows(TTableRows& r) {
  AddRow(r, kRowFontPrompt);
  AddRow(r, "Font|字体");
  AddRow(r, "Font.Name|字体名");
  AddRow(r, "Font.Color|颜色");
  AddRow(r, "Font.Style|样式");
  AddRow(r, "Font.Pitch|宽度");
  AddRow(r, "Font.Size|大小");
  AddRow(r, "fpDefault|缺省");
  AddRow(r, "fpFixed|固定");
  AddRow(r, "fpVariable|可变");
  AddFontStyleRows(r);
  AddRow(r, kRowTransparent);
}

const TTableRows& TemperatureRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "Method|温度格式");
    AddRow(r, "tmSpecial|华式度");
    AddRow(r, "tmNormal|摄氏度");
    AddSensorRows(r);
    return r;
  }();
  return rows;
}

const TTableRows& HumidityNoiseRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddSensorRows(r);
    return r;
  }();
  return rows;
}

struct TSensorClass {
  const char* ClassName;
  const char* Caption;  // UTF-8
  void (*Write)(const TRecordRect&, const platform::TFontDescription&, uint16_t,
                TProgramStream&);
};

constexpr TSensorClass kSensors[] = {
    {"TTemperature", "25", &WriteTemperatureRecord},
    {"THumidity", "80", &WriteHumidityRecord},
    {"TNoise", "30", &WriteNoiseRecord},
};

}  // namespace

const platform::TTypeInfo& TypeTempMethod() {
  static const platform::TTypeInfo t =
      platform::TTypeInfo::Enumeration("TTempMethod", {"tmNormal", "tmSpecial"});
  return t;
}

void RegisterSensorClasses(TComponentManager& registry) {
  for (const platform::TClassInfo* cls :
       {&TTemperature::StaticClassInfo(), &THumidity::StaticClassInfo(),
        &TNoise::StaticClassInfo()})
    if (!registry.IsRegistered(*cls)) registry.RegisterClass(*cls);
}

template <TSensorKind Kind>
const platform::TClassInfo& TSensorObject<Kind>::StaticClassInfo() {
  using T = TSensorObject<Kind>;
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<T, platform::TGraphicControl> b(kSensors[Kind].ClassName);
    if constexpr (Kind == skTemperature)
      b.Property("Method", TypeTempMethod(), &T::Method, &T::SetMethod);
    return b.Property("Transparent", &T::Transparent, &T::SetTransparent)
        .Property("Caption", [](T& t) { return t.Caption(); }, &T::SetCaption)
        .Property("Font", [](T& t) { return &t.Font(); }, &T::SetFont)
        .Property("Text", &T::Text, &T::SetText)
        .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
        .template StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
        .Build();
  }();
  return info;
}

template <TSensorKind Kind>
TSensorObject<Kind>::TSensorObject(platform::TComponent* owner) : TGraphicControl(owner) {
  this->SetCaption(platform::Utf8ToGbk(kSensors[Kind].Caption));
  font_.SetDescription(DisplayFont());
  this->SetBounds(this->Left(), this->Top(), SensorWidth, SensorHeight);
  FillPropertyTable(table_, Kind == skTemperature ? TemperatureRows() : HumidityNoiseRows());
}

template <TSensorKind Kind>
void TSensorObject<Kind>::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  this->Invalidate();
}

template <TSensorKind Kind>
void TSensorObject<Kind>::SetFont(const platform::TFont* font) {
  if (!font) return;
  font_.Assign(*font);
  this->Invalidate();
}

template <TSensorKind Kind>
uint16_t TSensorObject<Kind>::Flags() const {
  return uint16_t((transparent_ ? SensorTransparent : 0) |
                  (method_ == tmSpecial ? SensorFahrenheit : 0));
}

template <TSensorKind Kind>
void TSensorObject<Kind>::Paint(platform::TCanvas& canvas) {
  // Black under the object unless it is transparent, then the caption with its right end at
  // the object's right edge, at the top.
  canvas.Font = font_.Description();
  if (transparent_) {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsClear};
  } else {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
    canvas.FillRect({0, 0, this->Width(), this->Height()});
  }
  const std::string& caption = this->Caption();
  canvas.TextOut(this->Width() - canvas.TextWidth(caption), 0, caption);
}

template <TSensorKind Kind>
void TSensorObject<Kind>::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    kSensors[Kind].Write(ObjectRecordRect(*this), font_.Description(), Flags(), s);
  });
}

template class TSensorObject<skTemperature>;
template class TSensorObject<skHumidity>;
template class TSensorObject<skNoise>;

}  // namespace model
