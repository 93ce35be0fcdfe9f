#include "model/IDCreater.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The index gives the walk's answers while components come, change names and texts and go, as
// they do during a read: a random run of such steps over pools that hold the awkward cases
// (case, leading zeros, long numbers, a prefix that ends in a lone GBK lead byte).
TEST(NamingIndex, GivesTheWalksAnswersWhileTheTreeChanges) {
  const std::vector<std::string> names = {"Text0", "text1", "TEXT2", "Text01", "Text", "Text3", "Leaf0",
                                          "leaf1", "Leaf10", "LEDScreen0", "x", ""};
  const std::vector<std::string> texts = {"A0", "a1", "A2", "A01", "A", "\xB0" "0", "\xB0" "1", "B7",
                                          "12", "", "A99999999999", "\x81\x41" "0", "\x81\x61" "0"};
  const std::vector<std::string> classes = {"TText", "TLeaf", "TLEDScreen", "tleaf", "TCards"};
  const std::vector<std::string> prefixes = {"A", "a", "\xB0", "B", "", "\x81\x41", "\x81\x61"};
  std::mt19937 rng(5);
  auto pick = [&](const std::vector<std::string>& pool) { return pool[rng() % pool.size()]; };
  for (int round = 0; round < 40; ++round) {
    TTree t;
    TNamingIndex index(t.root);
    std::vector<TComponent*> live{&t.root};
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE(testing::Message() << "round " << round << " step " << step);
      TComponent* at = live[rng() % live.size()];
      switch (rng() % 5) {
        case 0:
        case 1: {  // a new component, as the reader makes one
          TComponent* made;
          switch (rng() % 3) {
            case 0: made = t.Make<TText>(at, pick(names).c_str(), pick(texts)); break;
            case 1: made = t.Make<TLeaf>(at, pick(names).c_str(), pick(texts)); break;
            default: made = t.Make<TCards>(at, pick(names).c_str()); break;
          }
          live.push_back(made);
          index.Add(*made);
          break;
        }
        case 2:  // a rename
          if (at != &t.root) {
            at->SetName(pick(names));
            index.Update(*at);
          }
          break;
        case 3:  // a new text
          if (auto* text = dynamic_cast<TText*>(at)) text->SetText(pick(texts));
          if (auto* leaf = dynamic_cast<TLeaf*>(at)) leaf->SetText(pick(texts));
          index.Update(*at);
          break;
        default:  // freed, with what it owns
          if (at != &t.root) {
            live.erase(std::remove_if(live.begin(), live.end(),
                                      [&](TComponent* c) {
                                        for (TComponent* o = c; o; o = o->Owner())
                                          if (o == at) return true;
                                        return false;
                                      }),
                       live.end());
            delete at;
          }
          break;
      }
      for (const std::string& cls : classes)
        ASSERT_EQ(index.NewNameNumber(cls), IDCreater().NewNameNumber(t.root, cls)) << cls;
      for (const std::string& prefix : prefixes)
        ASSERT_EQ(index.NewTextNumber(prefix), IDCreater().NewTextNumber(t.root, prefix)) << prefix;
      for (const std::string& text : texts)
        for (TComponent* c : {static_cast<TComponent*>(nullptr), live[rng() % live.size()]})
          ASSERT_EQ(index.IsTextUnique(c, text), IDCreater().IsTextUnique(t.root, c, text)) << text;
    }
  }
}
