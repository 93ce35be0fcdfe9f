// The sensor objects TTemperature, THumidity and TNoise: tables, defaults, registration, paint
// and records against the landed sensor writers, object text.
#include "model/objects/Temperature.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/FormConstructEx.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/SensorRecords.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
// After the support header: its stand-in names must not shadow the real classes there.
#include "model/tests/StandIns.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::Utf8ToGbk;
using test::Gbk;
using test::Lines;

const char* const kSensorRows = R"(TFont| 请选择字体 
Font|字体
Font.Name|字体名
Font.Color|颜色
Font.Style|样式
Font.Pitch|宽度
Font.Size|大小
fpDefault|缺省
fpFixed|固定
fpVariable|可变
fsBold|粗体
fsItalic|斜体
fsUnderLine|下划线
fsStrikeOut|删除线
Transparent|是否透明
)";

const char* const kBoundsRows = R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
)";

TEST(SensorTables, EqualThePartsLists) {
  TTemperature temperature(nullptr);
  EXPECT_EQ(test::Joined(temperature.PropertyTable()),
            Utf8ToGbk(std::string(kBoundsRows) + "Method|温度格式\ntmSpecial|华式度\ntmNormal|摄氏度\n" +
                      kSensorRows));
  THumidity humidity(nullptr);
  EXPECT_EQ(test::Joined(humidity.PropertyTable()),
            Utf8ToGbk(std::string(kBoundsRows) + kSensorRows));
  TNoise noise(nullptr);
  EXPECT_EQ(test::Joined(noise.PropertyTable()), Utf8ToGbk(std::string(kBoundsRows) + kSensorRows));
}

TEST(SensorDefaults, NewObjectsWriteTheseLines) {
  auto lines = [](const std::string& header, const std::string& caption, bool method) {
    std::vector<std::string> l = {header, "  Caption='" + caption + "'", "  Font.Charset=134",
                                  "  Font.Color=255", "  Font.Height=-16", "  Font.Name='宋体'",
                                  "  Font.Pitch=fpDefault", "  Font.Size=12", "  Font.Style=[]",
                                  "  Height=20", "  Left=0"};
    if (method) l.push_back("  Method=tmNormal");
    std::string name = header.substr(7, header.find(':') - 7);
    for (const std::string& rest : {"  Name='" + name + "'", std::string("  Tag=0"),
                                    std::string("  Top=0"), std::string("  Transparent=True"),
                                    std::string("  Width=40"), std::string("End")})
      l.push_back(rest);
    std::string out;
    for (const std::string& line : l) out += Utf8ToGbk(line) + "\r\n";
    return out;
  };
  TTemperature temperature(nullptr);
  temperature.SetName("Temperature0");
  EXPECT_EQ(test::ObjectText(temperature),
            lines("Object Temperature0:TTemperature", "25", true));
  THumidity humidity(nullptr);
  humidity.SetName("Humidity0");
  EXPECT_EQ(test::ObjectText(humidity), lines("Object Humidity0:THumidity", "80", false));
  TNoise noise(nullptr);
  noise.SetName("Noise0");
  EXPECT_EQ(test::ObjectText(noise), lines("Object Noise0:TNoise", "30", false));
  EXPECT_EQ(TypeTempMethod().EnumNames(), (std::vector<std::string>{"tmNormal", "tmSpecial"}));
}

// The main window's seventeen, in its order: the landed classes and stand-ins for the rest.
void RegisterMainWindowClasses(TComponentManager& r) {
  for (const platform::TClassInfo* cls :
       {&TLEDScreen::StaticClassInfo(), &TLeaf::StaticClassInfo(), &TText::StaticClassInfo(),
        &test::TStandIn<6>::StaticClassInfo(),  // TDateTimeComponent
        &TMultiText::StaticClassInfo(), &TPhoto::StaticClassInfo(),
        &test::TStandIn<9>::StaticClassInfo(),   // TCountUp
        &test::TStandIn<10>::StaticClassInfo(),  // TCountDown
        &TAVIPlayer::StaticClassInfo(),
        &test::TStandIn<12>::StaticClassInfo(),  // TAnalogClock
        &TMultiString::StaticClassInfo(), &TMultiCard::StaticClassInfo(),
        &TCards::StaticClassInfo(),
        &test::TStandIn<16>::StaticClassInfo(),  // TWordObject
        &test::TStandIn<17>::StaticClassInfo(),  // TTableObject
        &TStringFile::StaticClassInfo(),
        &test::TStandIn<19>::StaticClassInfo()})  // TCampaignTime
    r.RegisterClass(*cls);
}

TEST(SensorRegistration, SensorsComeFirstAndFillTheRegistryWithTheOtherSeventeen) {
  TComponentManager registry;
  RegisterSensorClasses(registry);
  RegisterSensorClasses(registry);  // adds nothing
  ASSERT_EQ(registry.Count(), 3);
  RegisterMainWindowClasses(registry);
  ASSERT_EQ(registry.Count(), 20);
  EXPECT_EQ(registry.Classes(0), &TTemperature::StaticClassInfo());
  EXPECT_EQ(registry.Classes(1), &THumidity::StaticClassInfo());
  EXPECT_EQ(registry.Classes(2), &TNoise::StaticClassInfo());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(registry.Classes(i)->ClassName(), test::kClassNames[i]);
  // Once more, as a second start-up of the editor's application object would.
  RegisterSensorClasses(registry);
  EXPECT_EQ(registry.Count(), 20);
  EXPECT_EQ(registry.FindClass("tnoise"), &TNoise::StaticClassInfo());
}

class TSensorObject : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }
  void TearDown() override { StreamContext().Reset(); }
};

platform::TFontDescription SmallFont() {
  platform::TFontDescription f = DisplayFont();
  f.SetSize(9);
  f.Color = platform::clLime;
  return f;
}

// What a landed writer appends by itself.
using TSensorWriter = void (*)(const TRecordRect&, const platform::TFontDescription&, uint16_t,
                               TProgramStream&);
std::vector<uint8_t> Written(TSensorWriter write, const TRecordRect& rect,
                             const platform::TFontDescription& font, uint16_t flags) {
  TProgramStream s;
  write(rect, font, flags, s);
  return s.Bytes();
}

TEST_F(TSensorObject, FlagsAndKindsAreThoseOfTheLandedWriters) {
  struct TCase {
    bool Transparent;
    TTempMethod Method;
    uint16_t Flags;
  };
  const platform::TFont font(SmallFont());
  for (const TCase& c : {TCase{true, tmSpecial, 3}, TCase{false, tmNormal, 0},
                         TCase{true, tmNormal, 1}, TCase{false, tmSpecial, 2}}) {
    SCOPED_TRACE(c.Flags);
    TTemperature t(nullptr);
    t.SetBounds(3, 4, 50, 22);
    t.SetFont(&font);
    t.SetTransparent(c.Transparent);
    t.SetMethod(c.Method);
    EXPECT_EQ(t.Flags(), c.Flags);
    const std::vector<uint8_t> record = test::RecordOf(t);
    ASSERT_GE(record.size(), SensorHeadSize);
    EXPECT_EQ(platform::LoadU16(&record[0]), 80);
    EXPECT_EQ(platform::LoadU16(&record[2]), c.Flags);
    EXPECT_EQ(record, Written(&WriteTemperatureRecord, {3, 4, 53, 26},
                              SmallFont(), c.Flags));
  }
  for (bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    const uint16_t flags = transparent ? 1 : 0;
    THumidity h(nullptr);
    h.SetBounds(1, 2, 30, 16);
    h.SetFont(&font);
    h.SetTransparent(transparent);
    std::vector<uint8_t> record = test::RecordOf(h);
    EXPECT_EQ(platform::LoadU16(&record[0]), 81);
    EXPECT_EQ(platform::LoadU16(&record[2]), flags);
    EXPECT_EQ(record, Written(&WriteHumidityRecord, {1, 2, 31, 18},
                              SmallFont(), flags));
    TNoise n(nullptr);
    n.SetBounds(1, 2, 30, 16);
    n.SetFont(&font);
    n.SetTransparent(transparent);
    record = test::RecordOf(n);
    EXPECT_EQ(platform::LoadU16(&record[0]), 82);
    EXPECT_EQ(platform::LoadU16(&record[2]), flags);
    EXPECT_EQ(record, Written(&WriteNoiseRecord, {1, 2, 31, 18},
                              SmallFont(), flags));
  }
}

TEST_F(TSensorObject, TheCaptionIsShownRightAlignedAndNeverSent) {
  TTemperature t(nullptr);
  t.SetBounds(5, 6, 60, 24);
  t.SetTransparent(false);
  const std::vector<uint8_t> before = test::RecordOf(t);

  for (const char* caption : {"25", "-12"}) {
    SCOPED_TRACE(caption);
    t.SetCaption(caption);
    TBitmap expected(80, 40);
    TCanvas c(expected);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 80, 40});
    c.Brush = {platform::clBlack, platform::bsSolid};
    c.FillRect({5, 6, 65, 30});
    c.Font = DisplayFont();
    c.SetClipRect({5, 6, 65, 30});
    c.TextOut(5 + 60 - c.TextWidth(caption), 6, caption);
    EXPECT_TRUE(test::SamePixels(test::PaintedOnBlue(t, 80, 40), expected));
    EXPECT_EQ(test::RecordOf(t), before);
  }

  // Transparent: the page shows between the strokes.
  t.SetTransparent(true);
  TBitmap expected(80, 40);
  TCanvas c(expected);
  c.Brush = {platform::clBlue, platform::bsSolid};
  c.FillRect({0, 0, 80, 40});
  c.Font = DisplayFont();
  c.Brush.Style = platform::bsClear;
  c.SetClipRect({5, 6, 65, 30});
  c.TextOut(5 + 60 - c.TextWidth("-12"), 6, "-12");
  const TBitmap page = test::PaintedOnBlue(t, 80, 40);
  EXPECT_TRUE(test::SamePixels(page, expected));
  EXPECT_FALSE(test::HasColor(page, platform::clBlack));
  EXPECT_TRUE(test::HasColor(page, platform::clRed));
}

TEST_F(TSensorObject, ANullStreamWritesNothing) {
  TTemperature t(nullptr);
  THumidity h(nullptr);
  TNoise n(nullptr);
  EXPECT_NO_THROW(t.SetRecordSelf(nullptr));
  EXPECT_NO_THROW(h.SetRecordSelf(nullptr));
  EXPECT_NO_THROW(n.SetRecordSelf(nullptr));
}

TEST_F(TSensorObject, ObjectTextRoundTripKeepsEveryValue) {
  TLeaf page(nullptr);
  auto* t = new TTemperature(&page);
  t->SetParent(&page);
  t->SetName("Temperature0");
  t->SetBounds(1, 2, 48, 24);
  t->SetMethod(tmSpecial);
  t->SetTransparent(false);
  t->SetCaption("-12");
  const platform::TFont font(SmallFont());
  t->SetFont(&font);
  t->SetText(Gbk("温度1"));
  auto* h = new THumidity(&page);
  h->SetParent(&page);
  h->SetName("Humidity0");
  h->SetBounds(50, 2, 30, 16);
  h->SetCaption("99");
  h->SetText(Gbk("湿度1"));
  auto* n = new TNoise(&page);
  n->SetParent(&page);
  n->SetName("Noise0");
  n->SetTransparent(false);
  n->SetFont(&font);
  n->SetText(Gbk("噪声1"));
  const std::vector<uint8_t> record = test::ExpectRoundTrip(page);
  EXPECT_EQ(platform::LoadU16(&record[2]), 3);  // three sensor records on the page
  const std::string text = test::ChildrenText(page);
  EXPECT_NE(text.find("Method=tmSpecial"), std::string::npos);
  EXPECT_NE(text.find("Caption='-12'"), std::string::npos);
}

}  // namespace
}  // namespace model
