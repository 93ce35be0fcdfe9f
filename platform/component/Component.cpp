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
  freeing_ = true;
  // Each watcher leaves the list before it is told, so a handler that unwatches or watches
  // others cannot disturb the walk.
  while (!watchers_.empty()) {
    TFreeWatcher* watcher = watchers_.back();
    watchers_.pop_back();
    auto& watched = watcher->watched_;
    watched.erase(std::find(watched.begin(), watched.end(), this));
    watcher->ComponentFreed(*this);
  }
  DestroyComponents();
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::find(list.begin(), list.end(), this));
  }
}

// ---- TFreeWatcher --------------------------------------------------------------------------

TFreeWatcher::~TFreeWatcher() { UnwatchAll(); }

void TFreeWatcher::Watch(TComponent* component) {
  if (!component || component->freeing_) return;
  auto& watchers = component->watchers_;
  if (std::find(watchers.begin(), watchers.end(), this) != watchers.end()) return;
  watched_.push_back(component);
  component->watchers_.push_back(this);
}

void TFreeWatcher::Unwatch(TComponent* component) {
  auto at = std::find(watched_.begin(), watched_.end(), component);
  if (at == watched_.end()) return;
  watched_.erase(at);
  auto& watchers = component->watchers_;
  watchers.erase(std::find(watchers.begin(), watchers.end(), this));
}

void TFreeWatcher::UnwatchAll() {
  // One pass: a watcher of many components (a naming index over a large project) would
  // otherwise search its whole list once for each.
  for (TComponent* component : watched_) {
    auto& watchers = component->watchers_;
    watchers.erase(std::find(watchers.begin(), watchers.end(), this));
  }
  watched_.clear();
}

bool TFreeWatcher::Watches(const TComponent* component) const {
  return std::find(watched_.begin(), watched_.end(), component) != watched_.end();
}

// ---- TComponent ----------------------------------------------------------------------------

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[size_t(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  return int(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int index) {
  if (!owner_) return;
  auto& list = owner_->components_;
  list.erase(std::find(list.begin(), list.end(), this));
  index = std::clamp(index, 0, int(list.size()));
  list.insert(list.begin() + index, this);
}

void TComponent::DestroyComponents() {
  // Each component removes itself from the list as it is deleted.
  while (!components_.empty()) delete components_.back();
}

}  // namespace platform
