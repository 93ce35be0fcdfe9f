#include "IDCreater.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <optional>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/component/ClassInfo.h"

namespace model {

using platform::GbkSameText;
using platform::TComponent;

namespace {

void ForEachBelow(TComponent& owner, const std::function<void(TComponent&)>& visit) {
  for (TComponent* c : owner.OwnedComponents()) {
    visit(*c);
    ForEachBelow(*c, visit);
  }
}

// Finds the published string property Text of a component's class; remembers the last class,
// since the components of a tree are mostly of a few classes.
class TTextProperty {
 public:
  // The Text of a component that publishes it as a string.
  bool Get(TComponent& c, std::string& text) {
    const platform::TClassInfo* cls = &c.ClassInfo();
    if (cls != class_) {
      class_ = cls;
      prop_ = cls->FindProperty("Text");
      if (prop_ && (prop_->Kind() != platform::tkString || !prop_->IsReadable())) prop_ = nullptr;
    }
    if (!prop_) return false;
    text = prop_->GetStr(c);
    return true;
  }

 private:
  const platform::TClassInfo* class_ = nullptr;
  const platform::TPropInfo* prop_ = nullptr;
};

// The smallest n >= 0 for which base + n is not taken. Only base + n for n <= taken.size()
// can be tried before one is free, so each taken text marks the one number it can equal:
// one pass over the list instead of one per candidate.
template <class Text>
int SmallestFree(const std::vector<Text>& taken, std::string_view base) {
  std::vector<bool> used(taken.size() + 1, false);
  for (std::string_view t : taken) {
    if (t.size() <= base.size()) continue;
    std::string_view tail = t.substr(base.size());
    // The decimal form of n: digits without a leading zero (but "0"), and n small enough.
    if (tail.size() > 10 || (tail.size() > 1 && tail[0] == '0')) continue;
    uint64_t n = 0;
    bool digits = true;
    for (char ch : tail) {
      if (ch < '0' || ch > '9') {
        digits = false;
        break;
      }
      n = n * 10 + uint64_t(ch - '0');
    }
    if (!digits || n >= used.size()) continue;
    // The tail is digits, equal in any case: only the part before it must match the base.
    if (GbkSameText(t.substr(0, base.size()), base)) used[size_t(n)] = true;
  }
  for (size_t n = 0;; ++n)
    if (!used[n]) return int(n);
}

}  // namespace

int TIDCreater::NewNameNumber(TComponent& owner, std::string_view className) const {
  // Names stay put during the search, so they are gathered by reference.
  std::vector<std::string_view> names;
  const platform::TClassInfo* lastClass = nullptr;  // most components share a few classes
  bool lastSame = false;
  ForEachBelow(owner, [&](TComponent& c) {
    if (&c.ClassInfo() != lastClass) {
      lastClass = &c.ClassInfo();
      lastSame = GbkSameText(lastClass->ClassName(), className);
    }
    if (lastSame) names.push_back(c.Name());
  });
  return SmallestFree(names, className.empty() ? className : className.substr(1));
}

int TIDCreater::NewTextNumber(TComponent& owner, std::string_view prefix) const {
  std::vector<std::string> texts;
  TTextProperty textOf;
  std::string text;
  ForEachBelow(owner, [&](TComponent& c) {
    if (textOf.Get(c, text) && platform::GbkStartsText(text, prefix)) texts.push_back(text);
  });
  return SmallestFree(texts, prefix);
}

namespace {

bool TextUniqueBelow(TComponent& owner, const TComponent* component, std::string_view text,
                     TTextProperty& textOf, std::string& other) {
  for (TComponent* c : owner.OwnedComponents()) {
    if (!TextUniqueBelow(*c, component, text, textOf, other)) return false;
    if (c != component && textOf.Get(*c, other) && GbkSameText(other, text)) return false;
  }
  return true;
}

}  // namespace

bool TIDCreater::IsTextUnique(TComponent& owner, const TComponent* component,
                              std::string_view text) const {
  TTextProperty textOf;
  std::string other;
  return TextUniqueBelow(owner, component, text, textOf, other);
}

// ---- TNamingIndex ------------------------------------------------------------------------------

namespace {

std::atomic<bool> crossCheck{false};

// n when `name` is `base` followed by n in decimal (no leading zero, at most ten digits), the
// base compared without case; as the number searches compare their candidates.
std::optional<uint64_t> NumberAfter(std::string_view name, std::string_view base) {
  if (name.size() <= base.size() || name.size() - base.size() > 10) return std::nullopt;
  std::string_view tail = name.substr(base.size());
  if (tail.size() > 1 && tail[0] == '0') return std::nullopt;
  uint64_t n = 0;
  for (char ch : tail) {
    if (ch < '0' || ch > '9') return std::nullopt;
    n = n * 10 + uint64_t(ch - '0');
  }
  if (!GbkSameText(name.substr(0, base.size()), base)) return std::nullopt;
  return n;
}

std::string_view BaseOf(std::string_view className) {
  return className.empty() ? className : className.substr(1);
}

bool IsBelow(const TComponent& c, const TComponent& root) {
  for (const TComponent* o = c.Owner(); o; o = o->Owner())
    if (o == &root) return true;
  return false;
}

// The smallest number not counted, found from a hint below which every number is counted.
struct TNumbers {
  std::unordered_map<uint64_t, int> Count;
  uint64_t Free = 0;

  void Take(uint64_t n) { ++Count[n]; }
  void Give(uint64_t n) {
    auto at = Count.find(n);
    if (at == Count.end()) return;
    if (--at->second == 0) {
      Count.erase(at);
      Free = std::min(Free, n);
    }
  }
  uint64_t Smallest() {
    while (Count.count(Free)) ++Free;
    return Free;
  }
};

}  // namespace

struct TNamingIndex::TState {
  struct TEntry {
    std::string ClassKey;               // the class name in upper case
    std::optional<uint64_t> Number;     // of a name that is the class's base and a number
    std::optional<std::string> Text;    // as it is, when the class publishes Text
  };
  std::unordered_map<const TComponent*, TEntry> Entries;
  std::unordered_map<std::string, TNumbers> Names;  // by class key
  // The components by Text in upper case, and for each prefix in upper case the number below
  // which every prefix + n is taken.
  std::unordered_map<std::string, std::vector<const TComponent*>> Texts;
  std::unordered_map<std::string, uint64_t> TextFree;
  TTextProperty TextOf;

  void Index(const TComponent& c, TEntry& e) {
    e.Number = NumberAfter(c.Name(), BaseOf(c.ClassName()));
    if (e.Number) Names[e.ClassKey].Take(*e.Number);
    std::string text;
    if (TextOf.Get(const_cast<TComponent&>(c), text)) {
      Texts[platform::GbkUpperCase(text)].push_back(&c);
      e.Text = std::move(text);
    } else {
      e.Text.reset();
    }
  }

  void Unindex(const TComponent& c, const TEntry& e) {
    if (e.Number) Names[e.ClassKey].Give(*e.Number);
    if (!e.Text) return;
    const std::string key = platform::GbkUpperCase(*e.Text);
    auto at = Texts.find(key);
    if (at == Texts.end()) return;
    auto& holders = at->second;
    holders.erase(std::find(holders.begin(), holders.end(), &c));
    if (!holders.empty()) return;
    Texts.erase(at);
    // The text was prefix + n for each split before a run of its trailing digits: those
    // prefixes have n free again.
    for (size_t digits = 1; digits <= 10 && digits < key.size() + 1 && digits <= key.size(); ++digits) {
      const char ch = key[key.size() - digits];
      if (ch < '0' || ch > '9') break;
      if (auto n = NumberAfter(key, key.substr(0, key.size() - digits))) {
        auto hint = TextFree.find(key.substr(0, key.size() - digits));
        if (hint != TextFree.end()) hint->second = std::min(hint->second, *n);
      }
    }
  }

  // Whether a component below the root has the Text prefix + n, as NewTextNumber counts it.
  bool TextTaken(std::string_view prefix, uint64_t n) const {
    std::string candidate(prefix);
    candidate += std::to_string(n);
    auto at = Texts.find(platform::GbkUpperCase(candidate));
    if (at == Texts.end()) return false;
    // All holders have this text up to case, so one tells whether the prefix ends on a
    // character boundary of it, as the search asks.
    return platform::GbkStartsText(*Entries.at(at->second.front()).Text, prefix);
  }
};

TNamingIndex::TNamingIndex(TComponent& root) : state_(std::make_unique<TState>()), root_(root) {
  for (TComponent* c : root.OwnedComponents()) Add(*c);
}

TNamingIndex::~TNamingIndex() = default;

void TNamingIndex::SetCrossCheck(bool on) { crossCheck = on; }

void TNamingIndex::Add(TComponent& component) {
  if (!IsBelow(component, root_)) return;
  Update(component);
  for (TComponent* c : component.OwnedComponents()) Add(*c);
}

void TNamingIndex::Update(TComponent& component) {
  auto at = state_->Entries.find(&component);
  if (at == state_->Entries.end()) {
    if (!IsBelow(component, root_)) return;
    Watch(&component);
    TState::TEntry& e = state_->Entries[&component];
    e.ClassKey = platform::GbkUpperCase(component.ClassName());
    state_->Index(component, e);
    return;
  }
  TState::TEntry& e = at->second;
  // Most updates change nothing: compare before touching the tables.
  if (NumberAfter(component.Name(), BaseOf(component.ClassName())) == e.Number) {
    std::string text;
    const bool hasText = state_->TextOf.Get(component, text);
    if (hasText == e.Text.has_value() && (!hasText || text == *e.Text)) return;
  }
  state_->Unindex(component, e);
  state_->Index(component, e);
}

void TNamingIndex::ComponentFreed(TComponent& component) {
  auto at = state_->Entries.find(&component);
  if (at == state_->Entries.end()) return;
  state_->Unindex(component, at->second);
  state_->Entries.erase(at);
}

int TNamingIndex::NewNameNumber(std::string_view className) {
  const int n = int(state_->Names[platform::GbkUpperCase(className)].Smallest());
  if (crossCheck && n != IDCreater().NewNameNumber(root_, className)) std::abort();
  return n;
}

int TNamingIndex::TakeNameNumber(std::string_view className) {
  TNumbers& numbers = state_->Names[platform::GbkUpperCase(className)];
  const uint64_t n = numbers.Smallest();
  numbers.Take(n);
  return int(n);
}

int TNamingIndex::NewTextNumber(std::string_view prefix) {
  uint64_t& n = state_->TextFree[platform::GbkUpperCase(prefix)];
  while (state_->TextTaken(prefix, n)) ++n;
  if (crossCheck && int(n) != IDCreater().NewTextNumber(root_, prefix)) std::abort();
  return int(n);
}

bool TNamingIndex::IsTextUnique(const TComponent* component, std::string_view text) {
  bool unique = true;
  auto at = state_->Texts.find(platform::GbkUpperCase(text));
  if (at != state_->Texts.end())
    for (const TComponent* holder : at->second)
      if (holder != component) unique = false;
  if (crossCheck && unique != IDCreater().IsTextUnique(root_, component, text)) std::abort();
  return unique;
}

const TIDCreater& IDCreater() {
  static const TIDCreater instance;
  return instance;
}

}  // namespace model
