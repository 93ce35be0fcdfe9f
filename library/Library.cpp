#include "Library.h"

#include <atomic>

#include "library/TransferOptions.h"
#include "model/StreamContext.h"
#include "platform/base/MessageWindow.h"

namespace panelcast {

namespace {

std::atomic<TLibraryState*> gState{nullptr};

// Made when the library is loaded, freed when it is unloaded. The process-wide objects the
// state uses while it is freed (the window registry the link threads still notify through,
// the options they read) are touched first, so they are made before it and outlive it.
struct TLifetime {
  TLifetime() {
    platform::IsWindowAlive(0);
    TransferOptions();
    model::StreamContext();
    gState.store(new TLibraryState);
  }
  ~TLifetime() { delete gState.exchange(nullptr); }
};

TLifetime gLifetime;

}  // namespace

TLibraryState* Library() { return gState.load(); }

}  // namespace panelcast
