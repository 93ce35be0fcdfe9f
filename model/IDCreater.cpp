#include "IDCreater.h"

#include <functional>
#include <map>
#include <set>
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

// For each class (by upper-case name) the numbers its components' names end in.
struct TNameNumbers::TTaken {
  std::map<std::string, std::set<uint64_t>> Numbers;

  // The number a name ends in when it is the class's base followed by n in decimal.
  static std::optional<uint64_t> NumberOf(std::string_view name, std::string_view base) {
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

  static std::string_view BaseOf(std::string_view className) {
    return className.empty() ? className : className.substr(1);
  }

  void Add(const TComponent& c) {
    const std::string& cls = c.ClassName();
    if (auto n = NumberOf(c.Name(), BaseOf(cls))) Numbers[platform::GbkUpperCase(cls)].insert(*n);
  }
};

TNameNumbers::TNameNumbers(TComponent& owner) : taken_(std::make_unique<TTaken>()) {
  ForEachBelow(owner, [&](TComponent& c) { taken_->Add(c); });
}

TNameNumbers::~TNameNumbers() = default;

std::string TNameNumbers::NewName(const TComponent& component) {
  const std::string& cls = component.ClassName();
  std::set<uint64_t>& used = taken_->Numbers[platform::GbkUpperCase(cls)];
  uint64_t n = 0;
  for (uint64_t u : used) {
    if (u != n) break;
    ++n;
  }
  used.insert(n);
  return std::string(TTaken::BaseOf(cls)) + std::to_string(n);
}

const TIDCreater& IDCreater() {
  static const TIDCreater instance;
  return instance;
}

}  // namespace model
