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

const TTableRows& ReadingRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddSensorRows(r);
    return r;
  }();
  return rows;
}

// What the three set up alike: the sample caption, the font, the size and the rows.
void InitSensor(platform::TGraphicControl& sensor, const char* utf8Caption, platform::TFont& font,
                TBasePropertyTable& table, const TTableRows& rows) {
  sensor.SetCaption(platform::Utf8ToGbk(utf8Caption));
  font.SetDescription(DisplayFont());
  sensor.SetBounds(sensor.Left(), sensor.Top(), SensorWidth, SensorHeight);
  FillPropertyTable(table, rows);
}

// The paint of all three: black under the object unless it is transparent, then the caption
// with its right end at the object's right edge, at the top.
void PaintSensor(platform::TCanvas& canvas, const platform::TControl& sensor,
                 const platform::TFont& font, bool transparent) {
  canvas.Font = font.Description();
  if (transparent) {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsClear};
  } else {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
    canvas.FillRect({0, 0, sensor.Width(), sensor.Height()});
  }
  canvas.TextOut(sensor.Width() - canvas.TextWidth(sensor.Caption()), 0, sensor.Caption());
}

// What the three publish besides Method.
template <class T>
platform::TClassBuilder<T, platform::TGraphicControl>& AddSensorProperties(
    platform::TClassBuilder<T, platform::TGraphicControl>& b) {
  return b.Property("Transparent", &T::Transparent, &T::SetTransparent)
      .Property("Caption", [](T& t) { return t.Caption(); }, &T::SetCaption)
      .Property("Font", [](T& t) { return &t.Font(); }, &T::SetFont)
      .Property("Text", &T::Text, &T::SetText)
      .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
      .template StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf);
}

struct TReadingKind {
  const char* ClassName;
  const char* Caption;  // UTF-8
  void (*Write)(const TRecordRect&, const platform::TFontDescription&, uint16_t,
                TProgramStream&);
};

constexpr TReadingKind kReadings[] = {
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

// ---- TTemperature ---------------------------------------------------------------------------

const platform::TClassInfo& TTemperature::StaticClassInfo() {
  using T = TTemperature;
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<T, platform::TGraphicControl> b("TTemperature");
    b.Property("Method", TypeTempMethod(), &T::Method, &T::SetMethod);
    return AddSensorProperties(b).Build();
  }();
  return info;
}

TTemperature::TTemperature(platform::TComponent* owner) : TGraphicControl(owner) {
  InitSensor(*this, "25", font_, table_, TemperatureRows());
}

void TTemperature::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TTemperature::SetFont(const platform::TFont* font) {
  if (!font) return;
  font_.Assign(*font);
  Invalidate();
}

uint16_t TTemperature::Flags() const {
  return uint16_t((transparent_ ? SensorTransparent : 0) |
                  (method_ == tmSpecial ? SensorFahrenheit : 0));
}

void TTemperature::Paint(platform::TCanvas& canvas) {
  PaintSensor(canvas, *this, font_, transparent_);
}

void TTemperature::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    WriteTemperatureRecord(ObjectRecordRect(*this), font_.Description(), Flags(), s);
  });
}

// ---- THumidity, TNoise ----------------------------------------------------------------------

template <TSensorReading Reading>
const platform::TClassInfo& TReadingSensor<Reading>::StaticClassInfo() {
  using T = TReadingSensor<Reading>;
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<T, platform::TGraphicControl> b(kReadings[Reading].ClassName);
    return AddSensorProperties(b).Build();
  }();
  return info;
}

template <TSensorReading Reading>
TReadingSensor<Reading>::TReadingSensor(platform::TComponent* owner) : TGraphicControl(owner) {
  InitSensor(*this, kReadings[Reading].Caption, font_, table_, ReadingRows());
}

template <TSensorReading Reading>
void TReadingSensor<Reading>::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  this->Invalidate();
}

template <TSensorReading Reading>
void TReadingSensor<Reading>::SetFont(const platform::TFont* font) {
  if (!font) return;
  font_.Assign(*font);
  this->Invalidate();
}

template <TSensorReading Reading>
void TReadingSensor<Reading>::Paint(platform::TCanvas& canvas) {
  PaintSensor(canvas, *this, font_, transparent_);
}

template <TSensorReading Reading>
void TReadingSensor<Reading>::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    kReadings[Reading].Write(ObjectRecordRect(*this), font_.Description(), Flags(), s);
  });
}

template class TReadingSensor<srHumidity>;
template class TReadingSensor<srNoise>;

}  // namespace model
