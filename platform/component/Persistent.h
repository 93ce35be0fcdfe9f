#pragma once
// Objects that can copy their state from another object of a related class.
#include <stdexcept>
#include <string>

#include "platform/component/ClassInfo.h"

namespace platform {

// Raised when an object cannot take the state of another ("Cannot assign a TFont to a
// TStringList").
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPersistent : public TObject {
  DECLARE_CLASS_INFO()

  // Copies the state of `source`. The default asks the source to copy itself into this object
  // and raises EConvertError when neither side knows the other.
  virtual void Assign(const TPersistent& source);

 protected:
  TPersistent() = default;
  virtual void AssignTo(TPersistent& dest) const;
};

}  // namespace platform
