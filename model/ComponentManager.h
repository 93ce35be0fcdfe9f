#pragma once
// The registry of the component classes that may appear in object text: the writer writes
// only children of registered classes, the reader creates only registered classes, and a
// loaded project must consist of them.
#include <array>
#include <string_view>

#include "platform/component/Component.h"

namespace model {

class TComponentManager : public platform::TComponent {
  DECLARE_CLASS_INFO()

  static constexpr int kCapacity = 20;

  explicit TComponentManager(platform::TComponent* owner = nullptr);

  // Appends a class that can be created with an owner while fewer than kCapacity are
  // registered; otherwise does nothing and gives false.
  bool RegisterClass(const platform::TClassInfo& cls);
  // The first registered class whose name equals `className` without regard to case, or null.
  const platform::TClassInfo* FindClass(std::string_view className) const;
  // True when exactly this class (not only a parent of it) is registered.
  bool IsRegistered(const platform::TClassInfo& cls) const;

  int Count() const { return count_; }
  // The class registered at `index` in registration order; null when out of range.
  const platform::TClassInfo* Classes(int index) const;

 private:
  std::array<const platform::TClassInfo*, kCapacity> classes_{};
  int count_ = 0;
};

// The program's one registry.
TComponentManager& ComponentManager();

}  // namespace model
