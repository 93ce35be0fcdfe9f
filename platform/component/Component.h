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

class TComponent : public TPersistent {
  DECLARE_CLASS_INFO()

  explicit TComponent(TComponent* owner);
  // Frees the owned components, last first, and leaves the owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return int(components_.size()); }
  // The owned component at `index` in creation order; null when out of range.
  TComponent* Components(int index) const;
  const std::vector<TComponent*>& OwnedComponents() const { return components_; }
  // Frees every owned component, last first.
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  // Called by the object-text reader on every component it created, in creation order, once
  // the whole text has been read (after a failed read too). The text applies properties one at
  // a time in name order; a class settles here what depends on several of them. It may throw;
  // the read then reports failure. The default does nothing.
  virtual void Loaded() {}

 private:
  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::string name_;
  int32_t tag_ = 0;
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
