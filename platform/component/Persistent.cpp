#include "Persistent.h"

#include "platform/component/ClassBuilder.h"

namespace platform {

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TPersistent, TObject>("TPersistent").Build();
  return info;
}

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}

}  // namespace platform
