#pragma once
// The library's process-wide state, made when the library is loaded and freed when it is
// unloaded: the program under construction and the notify record (and, with them, the link
// manager). Exports that find no state (before loading finished, or while unloading) do
// nothing and give their "nothing done" result.
#include <mutex>

#include "library/ProgramBuilder.h"

namespace panelcast {

struct TLibraryState {
  // One thread builds at a time; the lock keeps a second one from corrupting the program.
  std::mutex BuilderLock;
  TProgramBuilder Builder;
};

// The state, or nullptr outside the library's life.
TLibraryState* Library();

}  // namespace panelcast
