// Published properties: a small class hierarchy that publishes every kind of property.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/component/PropertyPath.h"
#include "platform/component/Strings.h"

using namespace platform;

namespace {

enum TShade { shNone, shLight, shDark };
const TTypeInfo& TypeShade() {
  static const TTypeInfo t = TTypeInfo::Enumeration("TShade", {"shNone", "shLight", "shDark"});
  return t;
}
const TTypeInfo& TypeChar() {
  static const TTypeInfo t = TTypeInfo::Other("Char");
  return t;
}

// A stand-in for the program stream that objects append their records to.
struct TRecorder {
  std::vector<std::string> Records;
};

// A persistent sub-object reached by dotted paths, like a screen's link settings.
class TSettings : public TPersistent {
  DECLARE_CLASS_INFO()
  TSettings() = default;
  const std::string& IP() const { return ip_; }
  void SetIP(std::string_view v) { ip_ = v; }
  int32_t Port() const { return port_; }
  void SetPort(int32_t v) { port_ = v; }

 private:
  std::string ip_ = "192.168.0.99";
  int32_t port_ = 6666;
};

const TClassInfo& TSettings::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TSettings, TPersistent>("TSettings")
      .Property("IP", &TSettings::IP, &TSettings::SetIP)
      .Property("Port", &TSettings::Port, &TSettings::SetPort)
      .Build();
  return info;
}

class TGadget : public TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TGadget(TComponent* owner) : TGraphicControl(owner) { lines_.Add("first"); }

  int32_t Count() const { return count_; }
  void SetCount(int32_t v) { count_ = v; }
  uint32_t Limit() const { return limit_; }
  void SetLimit(uint32_t v) { limit_ = v; }
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t v) { color_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  double Moment() const { return moment_; }
  void SetMoment(double v) { moment_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view v) { text_ = v; }
  TFontStyles Styles() const { return styles_; }
  void SetStyles(TFontStyles v) { styles_ = v; }
  TFont* Font() { return &font_; }
  void SetFont(TFont* v) {
    if (v) font_.Assign(*v);
  }
  TStringList* Lines() { return &lines_; }
  void SetLines(TStringList* v) {
    if (v) lines_.Assign(*v);
  }
  TSettings* Settings() { return &settings_; }
  TFont* Spare() { return nullptr; }  // a class property whose object is missing
  int32_t Serial() const { return 77; }
  void SetRecordSelf(TRecorder* r) {
    ++recordCalls;
    if (r) r->Records.push_back(text_);
  }

  int recordCalls = 0;

 private:
  int32_t count_ = 0;
  uint32_t limit_ = 0;
  uint32_t color_ = 0x0000FF;
  bool transparent_ = false;
  TShade shade_ = shNone;
  double ratio_ = 0;
  double moment_ = 0;
  std::string text_;
  TFontStyles styles_ = 0;
  TFont font_;
  TStringList lines_;
  TSettings settings_;
};

const TClassInfo& TGadget::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TGadget, TGraphicControl>("TGadget")
      .Property("Text", &TGadget::Text, &TGadget::SetText)
      .Property("Count", &TGadget::Count, &TGadget::SetCount)
      .Property("Limit", &TGadget::Limit, &TGadget::SetLimit)
      .Property("Color", TypeColor(), &TGadget::Color, &TGadget::SetColor)
      .Property("Transparent", &TGadget::Transparent, &TGadget::SetTransparent)
      .Property("Shade", TypeShade(), &TGadget::Shade, &TGadget::SetShade)
      .Property("Ratio", &TGadget::Ratio, &TGadget::SetRatio)
      .Property("Moment", TypeDateTime(), &TGadget::Moment, &TGadget::SetMoment)
      .Property("Styles", TypeFontStyles(), &TGadget::Styles, &TGadget::SetStyles)
      .Property("Font", &TGadget::Font, &TGadget::SetFont)
      .Property("Lines", &TGadget::Lines, &TGadget::SetLines)
      .Property("Settings", &TGadget::Settings, nullptr)
      .Property("Spare", &TGadget::Spare, nullptr)
      .Property("Serial", &TGadget::Serial, nullptr)
      .StreamProperty<TRecorder>("RecordSelf", &TGadget::SetRecordSelf)
      .Event("OnChanged")
      .Other("Key", TypeChar())
      .Build();
  return info;
}

// Publishes Tag and Count again (Count now without a setter) and adds one of its own.
class TFancyGadget : public TGadget {
  DECLARE_CLASS_INFO()
  explicit TFancyGadget(TComponent* owner) : TGadget(owner) {}
  int32_t Extra() const { return 5; }
};

const TClassInfo& TFancyGadget::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TFancyGadget, TGadget>("TFancyGadget")
      .Property("Extra", &TFancyGadget::Extra, nullptr)
      .Property("Tag", &TFancyGadget::Tag, &TFancyGadget::SetTag)
      .Property("count", &TFancyGadget::Count, nullptr)
      .Build();
  return info;
}

// Forgets DECLARE_CLASS_INFO(), so its objects would report their parent's class.
class TForgetful : public TComponent {
 public:
  explicit TForgetful(TComponent* owner) : TComponent(owner) {}
};

std::vector<std::string> Names(const std::vector<const TPropInfo*>& props) {
  std::vector<std::string> out;
  for (auto* p : props) out.push_back(p->Name());
  return out;
}

}  // namespace

TEST(ClassInfo, ListsInheritedPropertiesFirstInDeclarationOrder) {
  const TClassInfo& info = TGadget::StaticClassInfo();
  EXPECT_EQ(info.ClassName(), "TGadget");
  EXPECT_EQ(info.Parent(), &TGraphicControl::StaticClassInfo());
  EXPECT_EQ(Names(info.Properties()),
            (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height", "Text",
                                      "Count", "Limit", "Color", "Transparent", "Shade", "Ratio",
                                      "Moment", "Styles", "Font", "Lines", "Settings", "Spare",
                                      "Serial", "RecordSelf", "OnChanged", "Key"}));
  EXPECT_EQ(Names(info.SortedProperties()),
            (std::vector<std::string>{"Color", "Count", "Font", "Height", "Key", "Left", "Limit",
                                      "Lines", "Moment", "Name", "OnChanged", "Ratio",
                                      "RecordSelf", "Serial", "Settings", "Shade", "Spare",
                                      "Styles", "Tag", "Text", "Top", "Transparent", "Width"}));
}

TEST(ClassInfo, RepublishedPropertyReplacesTheInheritedEntry) {
  const TClassInfo& base = TGadget::StaticClassInfo();
  const TClassInfo& fancy = TFancyGadget::StaticClassInfo();
  ASSERT_EQ(fancy.Properties().size(), base.Properties().size() + 1);
  EXPECT_EQ(fancy.Properties().back()->Name(), "Extra");
  for (size_t i = 0; i + 1 < fancy.Properties().size(); ++i) {
    const TPropInfo* p = fancy.Properties()[i];
    EXPECT_TRUE(GbkSameText(p->Name(), base.Properties()[i]->Name())) << i;
    bool republished = p->Name() == "Tag" || p->Name() == "count";
    EXPECT_EQ(p != base.Properties()[i], republished) << p->Name();
  }
  // Count lost its setter in the derived class only.
  TFancyGadget fancyGadget(nullptr);
  TGadget gadget(nullptr);
  EXPECT_FALSE(PathSetOrd(&fancyGadget, "Count", 3));
  EXPECT_TRUE(PathSetOrd(&gadget, "Count", 3));
  EXPECT_EQ(gadget.Count(), 3);
  EXPECT_EQ(fancyGadget.Count(), 0);
  EXPECT_TRUE(PathSetOrd(&fancyGadget, "Tag", 9));
  EXPECT_EQ(fancyGadget.Tag(), 9);
}

TEST(ClassInfo, KindsAndTypeNames) {
  const TClassInfo& info = TGadget::StaticClassInfo();
  struct Case {
    const char* prop;
    TTypeKind kind;
    const char* type;
  } cases[] = {
      {"Count", tkInteger, "Integer"},       {"Limit", tkInteger, "Cardinal"},
      {"Color", tkInteger, "TColor"},        {"Transparent", tkEnumeration, "Boolean"},
      {"Shade", tkEnumeration, "TShade"},    {"Ratio", tkFloat, "Double"},
      {"Moment", tkFloat, "TDateTime"},      {"Text", tkString, "String"},
      {"Styles", tkSet, "TFontStyles"},      {"Font", tkClass, "TFont"},
      {"Lines", tkClass, "TStringList"},     {"RecordSelf", tkClass, "TStream"},
      {"OnChanged", tkMethod, "TNotifyEvent"}, {"Key", tkOther, "Char"},
      {"Name", tkString, "String"},          {"Left", tkInteger, "Integer"},
  };
  for (const auto& c : cases) {
    const TPropInfo* p = info.FindProperty(c.prop);
    ASSERT_NE(p, nullptr) << c.prop;
    EXPECT_EQ(p->Kind(), c.kind) << c.prop;
    EXPECT_EQ(p->PropType().Name(), c.type) << c.prop;
  }
  EXPECT_EQ(info.FindProperty("Font")->PropType().ClassType(), &TFont::StaticClassInfo());
  EXPECT_EQ(info.FindProperty("RecordSelf")->PropType().ClassType(), nullptr);
  EXPECT_EQ(info.FindProperty("fONT"), info.FindProperty("Font"));
  EXPECT_EQ(info.FindProperty("Missing"), nullptr);

  const TPropInfo* event = info.FindProperty("OnChanged");
  EXPECT_FALSE(event->IsReadable());
  EXPECT_FALSE(event->IsWritable());
  EXPECT_FALSE(info.FindProperty("Serial")->IsWritable());
  EXPECT_TRUE(info.FindProperty("Serial")->IsReadable());
  EXPECT_TRUE(info.FindProperty("RecordSelf")->IsStream());
  EXPECT_FALSE(info.FindProperty("Font")->IsStream());
}

TEST(ClassInfo, ReadsAndWritesEveryKindByName) {
  TGadget g(nullptr);
  const TClassInfo& info = g.ClassInfo();
  auto prop = [&](const char* name) { return info.FindProperty(name); };

  EXPECT_TRUE(prop("Count")->SetOrd(g, -42));
  EXPECT_EQ(prop("Count")->GetOrd(g), -42);
  EXPECT_TRUE(prop("Ratio")->SetFloat(g, 2.5));
  EXPECT_EQ(prop("Ratio")->GetFloat(g), 2.5);
  EXPECT_TRUE(prop("Text")->SetStr(g, "\xCF\xD4\xCA\xBE"));
  EXPECT_EQ(g.Text(), "\xCF\xD4\xCA\xBE");
  EXPECT_EQ(prop("Text")->GetStr(g), "\xCF\xD4\xCA\xBE");
  EXPECT_TRUE(prop("Transparent")->SetOrd(g, 1));
  EXPECT_TRUE(g.Transparent());
  EXPECT_TRUE(prop("Shade")->SetOrd(g, shDark));
  EXPECT_EQ(g.Shade(), shDark);
  EXPECT_EQ(prop("Shade")->GetOrd(g), 2);

  // A value of a kind the property does not hold is neither written nor read.
  EXPECT_FALSE(prop("Count")->SetStr(g, "5"));
  EXPECT_FALSE(prop("Count")->SetFloat(g, 5.0));
  EXPECT_FALSE(prop("Text")->SetOrd(g, 5));
  EXPECT_FALSE(prop("Ratio")->SetOrd(g, 5));
  EXPECT_FALSE(prop("Font")->SetOrd(g, 5));
  EXPECT_EQ(prop("Text")->GetOrd(g), 0);
  EXPECT_EQ(prop("Count")->GetStr(g), "");
  EXPECT_EQ(prop("Count")->GetObject(g), nullptr);
  EXPECT_EQ(g.Count(), -42);
  EXPECT_EQ(g.Ratio(), 2.5);
}

TEST(ClassInfo, OrdinalsKeepTheirTypesRange) {
  TGadget g(nullptr);
  const TClassInfo& info = g.ClassInfo();
  struct Case {
    const char* prop;
    int64_t written;
    bool accepted;
    int64_t read;
  } cases[] = {
      {"Limit", 4294967295, true, 4294967295},  // a Cardinal has no sign
      {"Limit", -1, true, 4294967295},
      {"Color", -16777208, true, -16777208},    // system colours are negative
      {"Color", 0xFF000008, true, -16777208},
      {"Count", 0x100000005, true, 5},          // cut to 32 bits
      {"Transparent", 2, false, 1},             // Boolean is False or True only
      {"Shade", 1, true, 1},
      {"Shade", 3, false, 1},
      {"Shade", -1, false, 1},
      {"Styles", 0xFF, true, 0x0F},             // bits beyond the last element dropped
  };
  g.SetTransparent(true);
  for (const auto& c : cases) {
    const TPropInfo* p = info.FindProperty(c.prop);
    EXPECT_EQ(p->SetOrd(g, c.written), c.accepted) << c.prop << " " << c.written;
    EXPECT_EQ(p->GetOrd(g), c.read) << c.prop << " " << c.written;
  }
  EXPECT_EQ(g.Color(), 0xFF000008u);
}

TEST(ClassInfo, EnumerationAndSetNamesRoundTrip) {
  const TTypeInfo& shade = TypeShade();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(GetEnumValue(shade, GetEnumName(shade, i)), i);
  EXPECT_EQ(GetEnumValue(shade, "SHDARK"), shDark);
  EXPECT_EQ(GetEnumValue(shade, "shdar"), -1);
  EXPECT_EQ(GetEnumName(shade, 3), "");
  EXPECT_EQ(GetEnumName(TypeBoolean(), 0), "False");
  EXPECT_EQ(GetEnumValue(TypeBoolean(), "true"), 1);

  const TTypeInfo& styles = TypeFontStyles();
  ASSERT_EQ(styles.ElementType(), &TypeFontStyle());
  EXPECT_EQ(SetElementCount(styles), 4);
  EXPECT_EQ(SetFullMask(styles), 0x0Fu);
  // The names of the members of bold + italic, and back.
  TGadget g(nullptr);
  g.SetStyles(FontStyleBit(fsBold) | FontStyleBit(fsItalic));
  int64_t mask = PathGetOrd(&g, "Styles");
  std::vector<std::string> members;
  for (int i = 0; i < SetElementCount(styles); ++i)
    if (mask & (int64_t(1) << i)) members.push_back(GetEnumName(*styles.ElementType(), i));
  EXPECT_EQ(members, (std::vector<std::string>{"fsBold", "fsItalic"}));
  int64_t back = 0;
  for (const char* n : {"FSITALIC", "fsbold"}) back |= int64_t(1) << GetEnumValue(*styles.ElementType(), n);
  EXPECT_TRUE(PathSetOrd(&g, "Styles", back));
  EXPECT_EQ(g.Styles(), FontStyleBit(fsBold) | FontStyleBit(fsItalic));
}

TEST(ClassInfo, DottedPaths) {
  TGadget g(nullptr);
  EXPECT_TRUE(PathSetStr(&g, "Font.Name", "\xBA\xDA\xCC\xE5"));
  EXPECT_EQ(g.Font()->Name(), "\xBA\xDA\xCC\xE5");
  EXPECT_TRUE(PathSetOrd(&g, "font.size", 18));
  EXPECT_EQ(g.Font()->Height(), -24);
  EXPECT_EQ(PathGetOrd(&g, "Font.Height"), -24);
  EXPECT_EQ(PathKind(&g, "Font.Style"), tkSet);
  // Through a class property that has no setter of its own.
  EXPECT_TRUE(PathSetStr(&g, "Settings.IP", "127.0.0.1"));
  EXPECT_EQ(PathGetStr(&g, "SETTINGS.ip"), "127.0.0.1");
  EXPECT_EQ(PathGetOrd(&g, "Settings.Port"), 6666);

  TObject* instance = nullptr;
  const TPropInfo* p = PathPropInfo(&g, "Font.Color", &instance);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(instance, g.Font());
  EXPECT_EQ(p, TFont::StaticClassInfo().FindProperty("Color"));

  EXPECT_EQ(PathGetObject(&g, "Font"), g.Font());
  EXPECT_EQ(PathGetObject(&g, "Text"), nullptr);  // not an object property
  EXPECT_EQ(PathGetObject(&g, "RecordSelf"), nullptr);

  struct Unresolved {
    const char* path;
  } unresolved[] = {{""}, {"Missing"}, {"Font.Missing"}, {"Font."}, {".Font"}, {"Font..Name"},
                    {"Spare.Name"},  // the object is missing
                    {"Missing.Name"}};
  for (const auto& u : unresolved) {
    EXPECT_EQ(PathPropInfo(&g, u.path), nullptr) << u.path;
    EXPECT_EQ(PathKind(&g, u.path), tkUnknown) << u.path;
    EXPECT_FALSE(PathSetStr(&g, u.path, "x")) << u.path;
    EXPECT_EQ(PathGetStr(&g, u.path), "") << u.path;
  }
  EXPECT_EQ(PathKind(nullptr, "Font"), tkUnknown);

  // A part that names a property of another kind leaves the walk on the same object.
  EXPECT_TRUE(PathSetOrd(&g, "Count.Left", 12));
  EXPECT_EQ(g.Left(), 12);
}

TEST(ClassInfo, ClassPropertiesTakeOnlyTheirDeclaredClass) {
  TGadget g(nullptr);
  TFont font;
  font.SetName("Arial");
  TStringList lines;
  lines.Add("a");
  lines.Add("b");
  EXPECT_TRUE(PathSetObject(&g, "Font", &font));
  EXPECT_EQ(g.Font()->Name(), "Arial");
  EXPECT_NE(g.Font(), &font);  // the setter copies
  EXPECT_FALSE(PathSetObject(&g, "Font", &lines));
  EXPECT_TRUE(PathSetObject(&g, "Lines", &lines));
  EXPECT_EQ(g.Lines()->Text(), "a\r\nb\r\n");
  EXPECT_TRUE(PathSetObject(&g, "Font", nullptr));  // the setter decides what null means
  EXPECT_EQ(g.Font()->Name(), "Arial");
  // Listed but without a setter.
  TSettings other;
  EXPECT_FALSE(PathSetObject(&g, "Settings", &other));
  EXPECT_FALSE(PathSetOrd(&g, "Serial", 1));
  EXPECT_EQ(PathGetOrd(&g, "Serial"), 77);
}

TEST(ClassInfo, WriteOnlyStreamPropertyAppendsRecords) {
  TGadget g(nullptr);
  g.SetText("one");
  TRecorder rec;
  EXPECT_TRUE(PathSetStream(&g, "RecordSelf", &rec));
  g.SetText("two");
  EXPECT_TRUE(PathSetStream(&g, "recordself", &rec));
  EXPECT_EQ(rec.Records, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(PathGetObject(&g, "RecordSelf"), nullptr);

  // Null reaches the setter, which appends nothing; streams of another type are refused.
  EXPECT_TRUE(PathSetObject(&g, "RecordSelf", nullptr));
  EXPECT_EQ(g.recordCalls, 3);
  std::string wrong;
  EXPECT_FALSE(PathSetStream(&g, "RecordSelf", &wrong));
  TFont notAStream;
  EXPECT_FALSE(PathSetObject(&g, "RecordSelf", &notAStream));
  EXPECT_FALSE(PathSetStream(&g, "Text", &rec));
  EXPECT_EQ(g.recordCalls, 3);
  EXPECT_EQ(rec.Records.size(), 2u);
}

TEST(ClassInfo, AccessorsIgnoreObjectsOfOtherClasses) {
  const TPropInfo* count = TGadget::StaticClassInfo().FindProperty("Count");
  const TPropInfo* text = TGadget::StaticClassInfo().FindProperty("Text");
  TComponent plain(nullptr);
  EXPECT_FALSE(count->SetOrd(plain, 1));
  EXPECT_EQ(count->GetOrd(plain), 0);
  EXPECT_FALSE(text->SetStr(plain, "x"));
  TRecorder rec;
  EXPECT_FALSE(TGadget::StaticClassInfo().FindProperty("RecordSelf")->SetStream(plain, &rec));
}

TEST(ClassInfo, CreatesComponentsByClass) {
  TComponent owner(nullptr);
  const TClassInfo& info = TGadget::StaticClassInfo();
  ASSERT_TRUE(info.CanCreate());
  TComponent* c = info.CreateInstance(&owner);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(&c->ClassInfo(), &info);
  EXPECT_EQ(c->ClassName(), "TGadget");
  EXPECT_EQ(c->Owner(), &owner);
  EXPECT_EQ(owner.Components(0), c);
  EXPECT_TRUE(c->InheritsFrom(TControl::StaticClassInfo()));
  EXPECT_FALSE(c->InheritsFrom(TFancyGadget::StaticClassInfo()));

  std::unique_ptr<TComponent> unowned(TFancyGadget::StaticClassInfo().CreateInstance(nullptr));
  EXPECT_EQ(unowned->ClassName(), "TFancyGadget");

  EXPECT_FALSE(TFont::StaticClassInfo().CanCreate());
  EXPECT_EQ(TFont::StaticClassInfo().CreateInstance(&owner), nullptr);
  EXPECT_FALSE(TPersistent::StaticClassInfo().CanCreate());
}

TEST(ClassInfo, RefusesAClassThatForgotItsClassInformation) {
  static const TClassInfo info = TClassBuilder<TForgetful, TComponent>("TForgetful").Build();
  TComponent owner(nullptr);
  EXPECT_THROW(info.CreateInstance(&owner), std::logic_error);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(ClassInfo, RegistrationMistakesAreCaught) {
  using TBuilder = TClassBuilder<TGadget, TGraphicControl>;
  auto duplicate = [] {
    TBuilder("TBad")
        .Property("Text", &TGadget::Text, &TGadget::SetText)
        .Property("TEXT", &TGadget::Text, nullptr)
        .Build();
  };
  EXPECT_THROW(duplicate(), std::logic_error);
  auto wrongKind = [] {
    TBuilder("TBad").Property("Count", TypeDouble(), &TGadget::Count, &TGadget::SetCount);
  };
  EXPECT_THROW(wrongKind(), std::logic_error);
  auto setTooWide = [] {  // ten elements do not fit a byte
    static const TTypeInfo ten = TTypeInfo::Enumeration(
        "TTen", {"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9"});
    static const TTypeInfo tenSet = TTypeInfo::Set("TTenSet", ten);
    TBuilder("TBad").Property("Ten", tenSet, [](TGadget&) -> uint8_t { return 0; }, nullptr);
  };
  EXPECT_THROW(setTooWide(), std::logic_error);
  auto eventOfNoMethodType = [] { TBuilder("TBad").Event("OnX", TypeInteger()); };
  EXPECT_THROW(eventOfNoMethodType(), std::logic_error);
  static const TTypeInfo many = TTypeInfo::Enumeration(
      "TMany", {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9", "b0",
                "b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9", "c0", "c1",
                "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "d0", "d1", "d2"});
  EXPECT_THROW(TTypeInfo::Set("TManySet", many), std::logic_error);
}
