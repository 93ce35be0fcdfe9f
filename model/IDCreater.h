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

// Names for many components at once, as NewNameNumber would give them one after the other:
// the class name without its first character and the smallest number not yet taken by a
// component of that class below the owner, nor by a name this object gave before. The names
// below the owner are gathered once, when it is made.
class TNameNumbers {
 public:
  explicit TNameNumbers(platform::TComponent& owner);
  ~TNameNumbers();
  std::string NewName(const platform::TComponent& component);

 private:
  struct TTaken;
  std::unique_ptr<TTaken> taken_;
};

// The program's one name generator.
const TIDCreater& IDCreater();

}  // namespace model
