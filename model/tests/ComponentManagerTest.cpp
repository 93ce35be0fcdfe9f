#include "model/ComponentManager.h"

#include <gtest/gtest.h>

#include <utility>

#include "StandIns.h"
#include "platform/component/Font.h"

using namespace model;
using namespace model::test;
using platform::TClassInfo;

namespace {

template <int... N>
void RegisterAll(TComponentManager& m, std::integer_sequence<int, N...>) {
  (m.RegisterClass(TStandIn<N>::StaticClassInfo()), ...);
}

// The 20 classes of the program, in its registration order: sensors first.
void RegisterProgramClasses(TComponentManager& m) {
  RegisterAll(m, std::make_integer_sequence<int, 20>());
}

}  // namespace

TEST(ComponentManager, FindsRegisteredClassesWithoutRegardToCase) {
  TComponentManager m;
  RegisterProgramClasses(m);
  ASSERT_EQ(m.Count(), 20);
  EXPECT_EQ(m.FindClass("tleaf"), &TLeaf::StaticClassInfo());
  EXPECT_EQ(m.FindClass("TLEDSCREEN"), &TLEDScreen::StaticClassInfo());
  EXPECT_EQ(m.FindClass("TLeaf "), nullptr);
  EXPECT_EQ(m.FindClass("TUnknown"), nullptr);
  EXPECT_EQ(m.FindClass(""), nullptr);
  EXPECT_EQ(m.Classes(0), &TTemperature::StaticClassInfo());
  EXPECT_EQ(m.Classes(20), nullptr);

  // A found class creates its instances with an owner.
  platform::TComponent owner(nullptr);
  platform::TComponent* leaf = m.FindClass("tleaf")->CreateInstance(&owner);
  EXPECT_EQ(leaf->ClassName(), "TLeaf");
  EXPECT_EQ(leaf->Owner(), &owner);
}

TEST(ComponentManager, ATwentyFirstClassIsIgnored) {
  TComponentManager m;
  RegisterProgramClasses(m);
  const TClassInfo& extra = TStandIn<20>::StaticClassInfo();
  EXPECT_FALSE(m.RegisterClass(extra));
  EXPECT_EQ(m.Count(), 20);
  EXPECT_EQ(m.FindClass("TExtra"), nullptr);
  EXPECT_FALSE(m.IsRegistered(extra));
  for (int i = 0; i < 20; ++i) EXPECT_STREQ(m.Classes(i)->ClassName().c_str(), kClassNames[i]);
}

TEST(ComponentManager, RegistersOnlyExactCreatableClasses) {
  TComponentManager m;
  EXPECT_FALSE(m.RegisterClass(platform::TFont::StaticClassInfo()));  // no owner, no factory
  EXPECT_EQ(m.Count(), 0);
  EXPECT_TRUE(m.RegisterClass(platform::TWinControl::StaticClassInfo()));
  EXPECT_TRUE(m.IsRegistered(platform::TWinControl::StaticClassInfo()));
  // A class derived from a registered one is not registered itself.
  EXPECT_FALSE(m.IsRegistered(TLeaf::StaticClassInfo()));
  EXPECT_EQ(m.FindClass("TLeaf"), nullptr);
  // Registering twice keeps both entries; the first is found.
  EXPECT_TRUE(m.RegisterClass(TLeaf::StaticClassInfo()));
  EXPECT_TRUE(m.RegisterClass(TLeaf::StaticClassInfo()));
  EXPECT_EQ(m.Count(), 3);
  EXPECT_EQ(m.FindClass("tleaf"), &TLeaf::StaticClassInfo());
}

TEST(ComponentManager, IsAComponentWithOneProgramInstance) {
  EXPECT_EQ(&ComponentManager(), &ComponentManager());
  EXPECT_EQ(ComponentManager().ClassName(), "TComponentManager");
  TComponentManager* owned = new TComponentManager(&ComponentManager());
  EXPECT_EQ(owned->Owner(), &ComponentManager());
  delete owned;
}
