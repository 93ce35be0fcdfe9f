#include "StreamContext.h"

namespace model {

void TStreamContext::Reset() {
  colorMode_ = DefaultColorMode;
  preview_.Clear();
}

TStreamContext& StreamContext() {
  static TStreamContext context;
  return context;
}

}  // namespace model
