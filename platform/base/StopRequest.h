#pragma once
// The program has been asked to end (SIGINT, SIGTERM). The request normally reaches the event
// loop at once; long work on the GUI thread, such as reading a large project, keeps it from
// doing so. Such work looks now and then whether a request has waited for longer than the
// loop should take (StopOverdue) and gives up, so that the program ends within a second
// instead of when the work is done. Short work just finishes. The request stays for the rest of
// the process.
#include <chrono>

namespace platform {

// Safe to call from a signal handler.
void RequestStop() noexcept;
bool StopRequested() noexcept;
// A stop was requested at least a quarter of a second ago.
bool StopOverdue() noexcept;
// For tests: a request made at `when`, and none.
void RequestStopAt(std::chrono::steady_clock::time_point when) noexcept;
void ClearStopRequest() noexcept;

}  // namespace platform
