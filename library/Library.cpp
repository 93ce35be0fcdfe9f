#include "Library.h"

#include <atomic>

#include "library/TransferOptions.h"
#include "model/stream/StreamContext.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"

namespace panelcast {

TLibraryState::TLibraryState()
    : Notify(std::make_shared<TLibraryNotifyRecord>()),
      Manager(std::make_unique<cardlink::TLEDManager>(
          cardlink::PanelcastManagerPolicy(TransferOptions(), Notify))) {}

namespace {

std::atomic<TLibraryState*> gState{nullptr};

// Made when the library is loaded, freed when it is unloaded. The process-wide objects the
// state still uses while it is freed (the window registry the link threads notify through,
// the clock and options they read) are touched first, so they are made before it and outlive
// it.
struct TLifetime {
  TLifetime() {
    platform::IsWindowAlive(0);
    platform::SteadyClock();
    TransferOptions();
    model::StreamContext();
    try {
      gState.store(new TLibraryState);
    } catch (...) {
      // No state: every export answers as before the library's start.
    }
  }
  ~TLifetime() { delete gState.exchange(nullptr); }
};

TLifetime gLifetime;

}  // namespace

TLibraryState* Library() { return gState.load(); }

}  // namespace panelcast
