#pragma once
// The program has been asked to end (SIGINT, SIGTERM). Long work on the GUI thread, such as
// reading a large project, looks at the request now and then and gives up, so that the program
// ends at once instead of when the work is done. The request stays for the rest of the process.
namespace platform {

// Safe to call from a signal handler.
void RequestStop() noexcept;
bool StopRequested() noexcept;
// For tests that request a stop and go on in the same process.
void ClearStopRequest() noexcept;

}  // namespace platform
