#pragma once
// Fixture classes for object text: the three classes of the format's example with just its
// properties, and a control that publishes a property of every kind the text knows. Shared by
// the tests, the fuzz target and the benchmark.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/PropertyTable.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/component/Graphics.h"
#include "platform/component/Strings.h"

namespace model::test {

using platform::TClassBuilder;
using platform::TClassInfo;
using platform::TComponent;
using platform::TTypeInfo;

enum TMethod : uint8_t { dmCopy, dmLeftToRight, dmRightToLeft, dmFlash };
inline const TTypeInfo& TypeMethod() {
  static const TTypeInfo t =
      TTypeInfo::Enumeration("TDisplayMethod", {"dmCopy", "dmLeftToRight", "dmRightToLeft", "dmFlash"});
  return t;
}
inline const TTypeInfo& TypeWideElement() {
  static const TTypeInfo t = TTypeInfo::Enumeration(
      "TWide", {"w00", "w01", "w02", "w03", "w04", "w05", "w06", "w07", "w08", "w09", "w10",
                "w11", "w12", "w13", "w14", "w15", "w16", "w17", "w18", "w19", "w20", "w21",
                "w22", "w23", "w24", "w25", "w26", "w27", "w28", "w29", "w30", "w31"});
  return t;
}
inline const TTypeInfo& TypeWideSet() {
  static const TTypeInfo t = TTypeInfo::Set("TWideSet", TypeWideElement());
  return t;
}
inline const TTypeInfo& TypeChar() {
  static const TTypeInfo t = TTypeInfo::Other("Char");
  return t;
}

// ---- the example's classes -----------------------------------------------------------------

class TExampleScreen : public TComponent {
  DECLARE_CLASS_INFO()
  explicit TExampleScreen(TComponent* owner) : TComponent(owner) {}
  int32_t Address() const { return address_; }
  void SetAddress(int32_t v) { address_ = v; }

 private:
  int32_t address_ = 1;
};

class TExampleLeaf : public TComponent {
  DECLARE_CLASS_INFO()
  explicit TExampleLeaf(TComponent* owner) : TComponent(owner) {}
  int32_t DisplayTime() const { return displayTime_; }
  void SetDisplayTime(int32_t v) { displayTime_ = v; }

 private:
  int32_t displayTime_ = 10;
};

class TExampleMultiString : public TComponent {
  DECLARE_CLASS_INFO()
  explicit TExampleMultiString(TComponent* owner) : TComponent(owner) {}
  platform::TStringList* Lines() { return &lines_; }
  void SetLines(platform::TStringList* v) { lines_.Assign(*v); }
  TMethod Method() const { return method_; }
  void SetMethod(TMethod v) { method_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }

 private:
  platform::TStringList lines_;
  TMethod method_ = dmCopy;
  bool transparent_ = false;
};

inline const TClassInfo& TExampleScreen::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TExampleScreen, TComponent>("TLEDScreen")
      .Property("Address", &TExampleScreen::Address, &TExampleScreen::SetAddress)
      .Build();
  return info;
}
inline const TClassInfo& TExampleLeaf::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TExampleLeaf, TComponent>("TLeaf")
      .Property("DisplayTime", &TExampleLeaf::DisplayTime, &TExampleLeaf::SetDisplayTime)
      .Build();
  return info;
}
inline const TClassInfo& TExampleMultiString::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TExampleMultiString, TComponent>("TMultiString")
      .Property("Lines", &TExampleMultiString::Lines, &TExampleMultiString::SetLines)
      .Property("Method", TypeMethod(), &TExampleMultiString::Method, &TExampleMultiString::SetMethod)
      .Property("Transparent", &TExampleMultiString::Transparent, &TExampleMultiString::SetTransparent)
      .Build();
  return info;
}

// ---- a property of every kind --------------------------------------------------------------

// An object held by a class property, two levels deep.
class TInner : public platform::TPersistent {
  DECLARE_CLASS_INFO()
  TInner() = default;
  int32_t X = 0;
  double Y = 0;
  std::string Note;
};
inline const TClassInfo& TInner::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TInner, platform::TPersistent>("TInner")
      .Property("X", [](TInner& o) { return o.X; }, [](TInner& o, int32_t v) { o.X = v; })
      .Property("Y", [](TInner& o) { return o.Y; }, [](TInner& o, double v) { o.Y = v; })
      .Property("Note", [](TInner& o) { return o.Note; },
                [](TInner& o, const std::string& v) { o.Note = v; })
      .Build();
  return info;
}

class TSubject : public platform::TPersistent {
  DECLARE_CLASS_INFO()
  TSubject() = default;
  int32_t Level = 0;
  std::string Label;
  int32_t Fixed = 7;  // read-only: not written inside an object either
  TInner Inner;
};
inline const TClassInfo& TSubject::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TSubject, platform::TPersistent>("TSubject")
      .Property("Level", [](TSubject& o) { return o.Level; }, [](TSubject& o, int32_t v) { o.Level = v; })
      .Property("Label", [](TSubject& o) { return o.Label; },
                [](TSubject& o, const std::string& v) { o.Label = v; })
      .Property("Fixed", [](TSubject& o) { return o.Fixed; }, nullptr)
      .Property("Inner", [](TSubject& o) { return &o.Inner; }, [](TSubject&, TInner*) {})
      .Build();
  return info;
}

// Two nodes that hold each other: a cycle of class properties.
class TNode : public platform::TPersistent {
  DECLARE_CLASS_INFO()
  TNode() = default;
  int32_t Value = 0;
  TNode* Next = nullptr;
};
inline const TClassInfo& TNode::StaticClassInfo() {
  // The class is not built yet while its own property is declared: the type names it only.
  static const TTypeInfo nodeType = TTypeInfo::Class("TNode", nullptr);
  static const TClassInfo info = TClassBuilder<TNode, platform::TPersistent>("TNode")
      .Property("Value", [](TNode& o) { return o.Value; }, [](TNode& o, int32_t v) { o.Value = v; })
      .Property("Next", nodeType, [](TNode& o) { return o.Next; }, [](TNode& o, TNode* v) { o.Next = v; })
      .Build();
  return info;
}

// The names of the components whose Loaded() ran, in order.
inline std::vector<std::string>& LoadedLog() {
  static std::vector<std::string> log;
  return log;
}

// A windowed control publishing every kind: it can hold child controls.
class TKinds : public platform::TWinControl {
  DECLARE_CLASS_INFO()
  explicit TKinds(TComponent* owner) : TWinControl(owner) {
    loopA_.Next = &loopB_;
    loopB_.Next = &loopA_;
  }

  int32_t Color = 0;
  uint32_t Limit = 0;
  bool Flag = false;
  TMethod Method = dmCopy;
  double Ratio = 0;
  std::string Text, Hint;
  platform::TFontStyles Styles = 0;
  uint32_t Wide = 0;
  platform::TStringList Lines;
  platform::TPublishedPicture Picture;
  platform::TPublishedBitmap Glyph;
  platform::TFont Font;
  TSubject Sub;
  TBasePropertyTable Table;
  int32_t Area = 0;  // settled in Loaded() from Width and Height
  bool LoadingWhenHinted = false;  // Loading() when Hint was last set
  bool LoadingInLoaded = true;     // Loading() inside Loaded()

  TNode& Loop() { return loopA_; }
  int32_t Count() const { return 42; }

  void Loaded() override {
    LoadingInLoaded = Loading();
    LoadedLog().push_back(Name());
    Area = Width() * Height();
  }

 private:
  TNode loopA_, loopB_;
};

inline const TClassInfo& TKinds::StaticClassInfo() {
  using K = TKinds;
  static const TClassInfo info = TClassBuilder<K, platform::TWinControl>("TKinds")
      .Property("Color", platform::TypeColor(), [](K& o) { return o.Color; }, [](K& o, int32_t v) { o.Color = v; })
      .Property("Limit", [](K& o) { return o.Limit; }, [](K& o, uint32_t v) { o.Limit = v; })
      .Property("Flag", [](K& o) { return o.Flag; }, [](K& o, bool v) { o.Flag = v; })
      .Property("Method", TypeMethod(), [](K& o) { return o.Method; }, [](K& o, TMethod v) { o.Method = v; })
      .Property("Ratio", [](K& o) { return o.Ratio; }, [](K& o, double v) { o.Ratio = v; })
      .Property("Text", [](K& o) { return o.Text; }, [](K& o, const std::string& v) { o.Text = v; })
      .Property("Hint", [](K& o) { return o.Hint; }, [](K& o, const std::string& v) { o.Hint = v; o.LoadingWhenHinted = o.Loading(); })
      .Property("Styles", platform::TypeFontStyles(), [](K& o) { return o.Styles; },
                [](K& o, platform::TFontStyles v) { o.Styles = v; })
      .Property("Wide", TypeWideSet(), [](K& o) { return o.Wide; }, [](K& o, uint32_t v) { o.Wide = v; })
      .Property("Lines", [](K& o) { return &o.Lines; }, [](K& o, platform::TStringList* v) { o.Lines.Assign(*v); })
      .Property("Picture", [](K& o) { return &o.Picture; }, [](K&, platform::TPublishedPicture*) {})
      .Property("Glyph", [](K& o) { return &o.Glyph; }, [](K& o, platform::TPublishedBitmap* v) { o.Glyph.Assign(*v); })
      .Property("Font", [](K& o) { return &o.Font; }, [](K& o, platform::TFont* v) { o.Font.Assign(*v); })
      .Property("Sub", [](K& o) { return &o.Sub; }, [](K&, TSubject*) {})
      .Property("Loop", [](K& o) { return &o.Loop(); }, [](K&, TNode*) {})
      .Property("PropertyTable", [](K& o) { return &o.Table; }, nullptr)
      .Property("Count", &K::Count, nullptr)
      .StreamProperty<TDFMStream>("RecordSelf", [](K& o, TDFMStream* s) {
        if (s) s->Write(o.Name().data(), int32_t(o.Name().size()));
      })
      .Event("OnClick")
      .Other("Initial", TypeChar())
      .Build();
  return info;
}

// A class whose setter throws, and one whose constructor throws.
class TFragile : public TComponent {
  DECLARE_CLASS_INFO()
  explicit TFragile(TComponent* owner) : TComponent(owner) {}
  int32_t Fuse() const { return 0; }
  void SetFuse(int32_t v) {
    if (v != 0) throw std::runtime_error("fuse blown");
  }
};
inline const TClassInfo& TFragile::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TFragile, TComponent>("TFragile")
      .Property("Fuse", &TFragile::Fuse, &TFragile::SetFuse)
      .Build();
  return info;
}

class TBroken : public TComponent {
  DECLARE_CLASS_INFO()
  explicit TBroken(TComponent* owner) : TComponent(owner) {
    throw std::runtime_error("cannot be made");
  }
};
inline const TClassInfo& TBroken::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TBroken, TComponent>("TBroken").Build();
  return info;
}

// Every fixture class above.
inline void RegisterFixtureClasses(TComponentManager& registry) {
  registry.RegisterClass(TExampleScreen::StaticClassInfo());
  registry.RegisterClass(TExampleLeaf::StaticClassInfo());
  registry.RegisterClass(TExampleMultiString::StaticClassInfo());
  registry.RegisterClass(TKinds::StaticClassInfo());
  registry.RegisterClass(TFragile::StaticClassInfo());
  registry.RegisterClass(TBroken::StaticClassInfo());
}

// A registry holding the fixture classes, made once.
inline const TComponentManager& FixtureRegistry() {
  static TComponentManager* registry = [] {
    auto* r = new TComponentManager;
    RegisterFixtureClasses(*r);
    return r;
  }();
  return *registry;
}

}  // namespace model::test
