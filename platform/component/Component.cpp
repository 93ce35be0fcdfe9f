#include "Component.h"

#include <algorithm>

#include "platform/component/ClassBuilder.h"

namespace platform {

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TComponent, TPersistent>("TComponent")
      .Property("Name", &TComponent::Name, &TComponent::SetName)
      .Property("Tag", &TComponent::Tag, &TComponent::SetTag)
      .Build();
  return info;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::find(list.begin(), list.end(), this));
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[size_t(index)];
}

void TComponent::DestroyComponents() {
  // Each component removes itself from the list as it is deleted.
  while (!components_.empty()) delete components_.back();
}

}  // namespace platform
