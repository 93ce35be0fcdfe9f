#pragma once
// The library's process-wide state, made when the library is loaded and freed when it is
// unloaded: the link manager with the one notify record, and the program under construction.
// Exports that find no state (before loading finished, or while unloading) do nothing and
// give their "nothing done" result.
#include <memory>
#include <mutex>

#include "library/NotifyRecord.h"
#include "library/ProgramBuilder.h"
#include "link/tsSender.h"

namespace panelcast {

struct TLibraryState {
  TLibraryState();

  // One thread builds at a time; the lock keeps a second one from corrupting the program.
  std::mutex BuilderLock;
  TProgramBuilder Builder;

  std::shared_ptr<TLibraryNotifyRecord> Notify;
  // The manager's table belongs to one thread at a time. Handlers of notifications run inside
  // link calls on the same thread (while a link ends) and may call in again, hence recursive.
  std::recursive_mutex ManagerLock;
  // Declared last: freed first, closing every link while the rest still stands.
  std::unique_ptr<cardlink::TLEDManager> Manager;
};

// The state, or nullptr outside the library's life.
TLibraryState* Library();

}  // namespace panelcast
