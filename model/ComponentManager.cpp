#include "ComponentManager.h"

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace model {

using platform::TClassInfo;

const TClassInfo& TComponentManager::StaticClassInfo() {
  static const TClassInfo info =
      platform::TClassBuilder<TComponentManager, platform::TComponent>("TComponentManager")
          .Build();
  return info;
}

TComponentManager::TComponentManager(platform::TComponent* owner) : TComponent(owner) {}

bool TComponentManager::RegisterClass(const TClassInfo& cls) {
  if (count_ >= kCapacity || !cls.CanCreate()) return false;
  classes_[size_t(count_++)] = &cls;
  return true;
}

const TClassInfo* TComponentManager::FindClass(std::string_view className) const {
  for (int i = 0; i < count_; ++i)
    if (platform::GbkSameText(classes_[size_t(i)]->ClassName(), className))
      return classes_[size_t(i)];
  return nullptr;
}

bool TComponentManager::IsRegistered(const TClassInfo& cls) const {
  for (int i = 0; i < count_; ++i)
    if (classes_[size_t(i)] == &cls) return true;
  return false;
}

const TClassInfo* TComponentManager::Classes(int index) const {
  if (index < 0 || index >= count_) return nullptr;
  return classes_[size_t(index)];
}

TComponentManager& ComponentManager() {
  static TComponentManager instance;
  return instance;
}

}  // namespace model
