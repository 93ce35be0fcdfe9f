#pragma once
// The library's process-wide transfer options. Every link of the library reads them each time
// it uses one (link threads read them while the caller's thread may set them, hence the
// atomics of TTransferOptions), so a change takes effect at the links' next use.
//
//   1 answer time-out in ms   51-59999  default 2500
//   2 retries after the first attempt  2-15  default 3
//   3 blocks sent per good answer  1-8  default 4
#include <cstdint>

#include "link/LinkEngine.h"

namespace panelcast {

// The options every link of the library is made with.
cardlink::TTransferOptions& TransferOptions();

// Sets one option within its range; false, changing nothing, for a value outside it or an
// unknown option.
bool SetOption(int32_t option, int32_t value);
// The option's value, or -1 for an unknown option.
int32_t GetOption(int32_t option);

}  // namespace panelcast
