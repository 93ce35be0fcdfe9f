#include "model/IDCreater.h"

#include <gtest/gtest.h>

#include <random>

#include "StandIns.h"
#include "platform/base/GbkText.h"

using namespace model;
using namespace model::test;
using platform::TComponent;
using platform::Utf8ToGbk;

namespace {

// A project root with screens, each owning pages; helpers make them with a name and text.
struct TTree {
  TComponent root{nullptr};

  template <class C>
  C* Make(TComponent* owner, const char* name, const std::string& text = "") {
    auto* c = new C(owner);
    c->SetName(name);
    if constexpr (requires { c->SetText(text); }) c->SetText(text);
    return c;
  }
};

}  // namespace

TEST(IDCreater, NewNameNumberTakesTheSmallestFreeNumberOfTheClass) {
  TTree t;
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TLEDScreen"), 0);
  auto* s0 = t.Make<TLEDScreen>(&t.root, "LEDScreen0");
  t.Make<TLEDScreen>(&t.root, "LEDScreen2");
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TLEDScreen"), 1);
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "tledscreen"), 1);

  // Names are compared without case, and searched depth first below the owner.
  t.Make<TLEDScreen>(s0, "ledscreen1");
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TLEDScreen"), 3);
  // Only components of that class count.
  t.Make<TLeaf>(s0, "LEDScreen3");
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TLEDScreen"), 3);
  t.Make<TLeaf>(s0, "Leaf0");
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TLeaf"), 1);
  // The owner itself is not below itself.
  EXPECT_EQ(IDCreater().NewNameNumber(*s0, "TLEDScreen"), 0);
  EXPECT_EQ(IDCreater().NewNameNumber(t.root, ""), 0);
}

TEST(IDCreater, NewTextNumberCountsTextsThatStartWithThePrefix) {
  TTree t;
  const std::string page = Utf8ToGbk("显示页面");
  auto* screen = t.Make<TLEDScreen>(&t.root, "LEDScreen0", Utf8ToGbk("控制卡0"));
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, page), 0);
  t.Make<TLeaf>(screen, "Leaf0", page + "0");
  t.Make<TLeaf>(screen, "Leaf1", page + "1");
  t.Make<TLeaf>(screen, "Leaf2", page + "x");
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, page), 2);
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, Utf8ToGbk("控制卡")), 1);
  // A class without Text never takes part.
  t.Make<TCards>(screen, "MulCard");
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, page), 2);
  // ASCII letters fold.
  t.Make<TLeaf>(screen, "Leaf3", "Page0");
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, "PAGE"), 1);
}

TEST(IDCreater, GbkTrailBytesAreNotFolded) {
  // 0x81 0x41 and 0x81 0x61 are two characters whose trail bytes look like 'A' and 'a'.
  TTree t;
  t.Make<TLeaf>(&t.root, "Leaf0", "\x81\x41" "0");
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, "\x81\x61"), 0);
  EXPECT_EQ(IDCreater().NewTextNumber(t.root, "\x81\x41"), 1);
  EXPECT_TRUE(IDCreater().IsTextUnique(t.root, nullptr, "\x81\x61" "0"));
  EXPECT_FALSE(IDCreater().IsTextUnique(t.root, nullptr, "\x81\x41" "0"));
}

TEST(IDCreater, IsTextUniqueIgnoresTheComponentItself) {
  TTree t;
  const std::string card = Utf8ToGbk("控制卡0");
  auto* screen = t.Make<TLEDScreen>(&t.root, "LEDScreen0", card);
  auto* leaf = t.Make<TLeaf>(screen, "Leaf0", Utf8ToGbk("显示页面0"));
  auto* deep = t.Make<TText>(leaf, "Text0", "Hello");

  EXPECT_TRUE(IDCreater().IsTextUnique(t.root, screen, card));  // its own current text
  EXPECT_FALSE(IDCreater().IsTextUnique(t.root, leaf, card));
  EXPECT_FALSE(IDCreater().IsTextUnique(t.root, nullptr, "HELLO"));  // found at any depth
  EXPECT_TRUE(IDCreater().IsTextUnique(t.root, deep, "hello"));
  EXPECT_TRUE(IDCreater().IsTextUnique(t.root, nullptr, "Hello1"));
  // Components without Text are passed over; so is an empty text only when none has it.
  t.Make<TCards>(screen, "MulCard");
  EXPECT_TRUE(IDCreater().IsTextUnique(t.root, nullptr, ""));
  t.Make<TText>(leaf, "Text1", "");
  EXPECT_FALSE(IDCreater().IsTextUnique(t.root, nullptr, ""));
}

TEST(IDCreater, NumberSearchesMatchTheCandidateByCandidateSearch) {
  // The straightforward search: try base + 0, 1, 2... against every text gathered.
  auto reference = [](const std::vector<std::string>& taken, const std::string& base) {
    for (int n = 0;; ++n) {
      bool used = false;
      for (const auto& t : taken) used = used || platform::GbkSameText(t, base + std::to_string(n));
      if (!used) return n;
    }
  };
  const std::vector<std::string> pool = {
      "Text0", "text1", "TEXT2", "Text01", "Text00", "Text3x", "Text", "Text4", "Text-5",
      "Text 6", "Text5", "Text99999999999999999999", "Text7", "Txt8", "\x81\x41" "0", "Text6"};
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    TTree t;
    std::vector<std::string> names, texts;
    for (const auto& name : pool) {
      if (rng() % 2) continue;
      t.Make<TText>(&t.root, name.c_str(), name);
      names.push_back(name);
      texts.push_back(name);
    }
    EXPECT_EQ(IDCreater().NewNameNumber(t.root, "TText"), reference(names, "Text"));
    std::vector<std::string> prefixed;
    for (const auto& x : texts)
      if (platform::GbkStartsText(x, "TEXT")) prefixed.push_back(x);
    EXPECT_EQ(IDCreater().NewTextNumber(t.root, "TEXT"), reference(prefixed, "TEXT"));
  }
}
