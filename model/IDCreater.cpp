#include "IDCreater.h"

#include <functional>
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

// The Text of a component that publishes it as a string.
bool PublishedText(TComponent& c, std::string& text) {
  const platform::TPropInfo* p = c.ClassInfo().FindProperty("Text");
  if (!p || p->Kind() != platform::tkString || !p->IsReadable()) return false;
  text = p->GetStr(c);
  return true;
}

// The smallest n in 0..taken.size() for which base + n is not taken; one always is free.
int SmallestFree(const std::vector<std::string>& taken, std::string_view base) {
  for (size_t n = 0;; ++n) {
    std::string candidate = std::string(base) + std::to_string(n);
    bool used = false;
    for (const auto& t : taken) {
      if (GbkSameText(t, candidate)) {
        used = true;
        break;
      }
    }
    if (!used) return int(n);
  }
}

}  // namespace

int TIDCreater::NewNameNumber(TComponent& owner, std::string_view className) const {
  std::vector<std::string> names;
  ForEachBelow(owner, [&](TComponent& c) {
    if (GbkSameText(c.ClassName(), className)) names.push_back(c.Name());
  });
  return SmallestFree(names, className.empty() ? className : className.substr(1));
}

int TIDCreater::NewTextNumber(TComponent& owner, std::string_view prefix) const {
  std::vector<std::string> texts;
  ForEachBelow(owner, [&](TComponent& c) {
    std::string text;
    if (PublishedText(c, text) && platform::GbkStartsText(text, prefix)) texts.push_back(text);
  });
  return SmallestFree(texts, prefix);
}

bool TIDCreater::IsTextUnique(TComponent& owner, const TComponent* component,
                              std::string_view text) const {
  for (TComponent* c : owner.OwnedComponents()) {
    if (!IsTextUnique(*c, component, text)) return false;
    std::string other;
    if (c != component && PublishedText(*c, other) && GbkSameText(other, text)) return false;
  }
  return true;
}

const TIDCreater& IDCreater() {
  static const TIDCreater instance;
  return instance;
}

}  // namespace model
