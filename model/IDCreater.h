#pragma once
// Unique component names and unique `Text` values. Every search walks the components owned by
// the given owner (normally the project root) recursively, depth first. Names and texts are
// compared without regard to case; GBK characters are compared as they are.
#include <memory>
#include <string>
#include <string_view>

#include "platform/component/Component.h"

namespace model {

class TIDCreater {
 public:
  // The smallest n >= 0 such that the class name without its first character followed by n is
  // not the Name of a component of that class (case-insensitive) below `owner`: with
  // LEDScreen0 and LEDScreen2 present, "TLEDScreen" gives 1.
  int NewNameNumber(platform::TComponent& owner, std::string_view className) const;
  // The smallest n >= 0 such that prefix + n is not the Text of a component below `owner` that
  // publishes Text.
  int NewTextNumber(platform::TComponent& owner, std::string_view prefix) const;
  // True when no component below `owner` other than `component` publishes a Text equal to
  // `text`.
  bool IsTextUnique(platform::TComponent& owner, const platform::TComponent* component,
                    std::string_view text) const;
};

// The answers of the name generator for one naming root, kept in step while many components
// come and change below it (the object-text reader's case), so that each costs amortised
// constant time instead of a walk of the whole tree. It learns every component below the root
// when it is made; after that its user tells it of the components it adds (Add) and of those
// whose name or Text may have changed (Update). Components freed meanwhile leave it by
// themselves. Every answer equals the one TIDCreater would give for the tree as it is.
class TNamingIndex : private platform::TFreeWatcher {
 public:
  explicit TNamingIndex(platform::TComponent& root);
  ~TNamingIndex();
  TNamingIndex(const TNamingIndex&) = delete;
  TNamingIndex& operator=(const TNamingIndex&) = delete;

  // `component` and everything it owns, when it is below the root; those known already are
  // updated.
  void Add(platform::TComponent& component);
  void Update(platform::TComponent& component);

  int NewNameNumber(std::string_view className);
  int NewTextNumber(std::string_view prefix);
  bool IsTextUnique(const platform::TComponent* component, std::string_view text);
  // NewNameNumber, then the number counts as taken until the index goes: for names handed out
  // without naming a component (the writer's headers).
  int TakeNameNumber(std::string_view className);

  // Tests and fuzz targets: every answer is also worked out by walking the tree, and a
  // difference aborts the program.
  static void SetCrossCheck(bool on);

 private:
  void ComponentFreed(platform::TComponent& component) override;
  struct TState;
  std::unique_ptr<TState> state_;
  platform::TComponent& root_;
};

// The program's one name generator.
const TIDCreater& IDCreater();

}  // namespace model
