#pragma once
// Components: objects with an owner that frees them, a name and a tag. A component owns the
// components created with it as owner, keeps them in creation order and frees them with itself.
// Components live on the heap; the owner, or the creator of an unowned one, deletes them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Persistent.h"

namespace platform {

class TComponent;

// Told when a component it watches is freed, so it can drop its pointer: the designer's
// selection, the inspector's root and rows, a tree node's weak reference. Watching is two-way:
// a watcher that goes first stops watching everything, so neither side is left with a dangling
// pointer.
class TFreeWatcher {
 public:
  TFreeWatcher() = default;
  TFreeWatcher(const TFreeWatcher&) = delete;
  TFreeWatcher& operator=(const TFreeWatcher&) = delete;

  // Watches `component` (once, however often it is asked; null is ignored). A component that
  // is being freed can no longer be watched.
  void Watch(TComponent* component);
  void Unwatch(TComponent* component);
  void UnwatchAll();
  bool Watches(const TComponent* component) const;

 protected:
  ~TFreeWatcher();
  // Called from the freed component's destructor, after its own class's destructor and its
  // child controls are gone: use the pointer only as an identity. The watch has ended already;
  // the handler may watch or unwatch other components.
  virtual void ComponentFreed(TComponent& component) = 0;

 private:
  friend class TComponent;
  std::vector<TComponent*> watched_;
};

class TComponent : public TPersistent {
  DECLARE_CLASS_INFO()

  explicit TComponent(TComponent* owner);
  // Tells its watchers (TFreeWatcher), frees the owned components, last first, and leaves the
  // owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  // True from the start of its destructor: its derived parts may be gone already.
  bool Destroying() const { return freeing_; }
  int ComponentCount() const { return int(components_.size()); }
  // The owned component at `index` in creation order; null when out of range.
  TComponent* Components(int index) const;
  const std::vector<TComponent*>& OwnedComponents() const { return components_; }
  // Its place in the owner's list (-1 without an owner). Setting it moves the component there,
  // the index kept within the list; the order is the order object text and program records
  // take.
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  // Frees every owned component, last first.
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  // True while the object-text reader fills the component: from its creation by the reader
  // until just before its Loaded(). The text applies properties one at a time in name order
  // (a FileName before the Width it is to be shown at), so work that depends on several of
  // them waits for Loaded() instead of running on each one.
  bool Loading() const { return loading_; }
  // Set by the reader when it creates the component, cleared by it before Loaded().
  void SetLoading(bool loading) { loading_ = loading; }

  // Called by the object-text reader on every component it created, in creation order, once
  // the whole text has been read (after a failed read too). The text applies properties one at
  // a time in name order; a class settles here what depends on several of them. It may throw;
  // the read then reports failure. The default does nothing.
  virtual void Loaded() {}

 private:
  friend class TFreeWatcher;

  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::vector<TFreeWatcher*> watchers_;
  bool freeing_ = false;
  std::string name_;
  int32_t tag_ = 0;
  bool loading_ = false;
};

// A pointer to a component that reads null once the component is freed.
template <class T>
class TComponentRef final : private TFreeWatcher {
 public:
  TComponentRef() = default;
  explicit TComponentRef(T* component) { Set(component); }
  ~TComponentRef() = default;

  T* Get() const { return component_; }
  void Set(T* component) {
    if (component == component_) return;
    if (component_) Unwatch(component_);
    component_ = component;
    Watch(component_);
  }
  explicit operator bool() const { return component_ != nullptr; }
  T* operator->() const { return component_; }
  T& operator*() const { return *component_; }

 private:
  void ComponentFreed(TComponent& component) override {
    if (&component == component_) component_ = nullptr;
  }
  T* component_ = nullptr;
};

// The components `owner` owns that are of class T (or derived from it), in creation order.
template <class T>
std::vector<T*> OwnedOfClass(const TComponent& owner) {
  std::vector<T*> found;
  for (TComponent* c : owner.OwnedComponents())
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
  return found;
}

}  // namespace platform
