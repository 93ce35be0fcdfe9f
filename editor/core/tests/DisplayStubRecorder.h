#pragma once
// What the stub display simulators (DisplayStub.h) were asked, as the test program records it:
// every call with its arguments and copies of the bytes they pointed at when it came.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DisplayStub.h"
#include "editor/core/Dialogs.h"

namespace editor::test {

struct TStubCall {
  std::string Name;
  std::string FontFile;
  int32_t ColourMode = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  const TDisplaySurface* Window = nullptr;
  const void* Program = nullptr;
  const void* ParamBlock = nullptr;
  uint32_t ProgramLength = 0;
  std::vector<uint8_t> ProgramBytes;       // ProgramLength bytes from Program
  std::array<uint8_t, 112> ParamBytes{};   // the block
};

// The calls since the last Clear, in order.
std::vector<TStubCall>& StubCalls();
// The names of the calls, in order.
std::vector<std::string> StubCallNames();
// How many calls of `name` there were.
size_t StubCallCount(const std::string& name);

// The stub libraries' paths, and one that does not exist.
inline const char* FullStub() { return DISPLAY_STUB_LIBRARY; }
inline const char* CreateOnlyStub() { return DISPLAY_STUB_CREATE_ONLY_LIBRARY; }
inline const char* MissingLibrary() { return "/nonexistent/libdisplaysim.so"; }
// A preview of `program` on a width x height screen whose block is `fill` bytes but for the
// colour mode (offset 4) and the step time (offset 6).
TPreviewRequest StubRequest(uint16_t width, uint16_t height, int mode, int stepTime, std::vector<uint8_t> program,
                            uint8_t fill = 0x5A);

// Whether the library at `path` is loaded in this process now.
bool LibraryLoaded(const char* path);

}  // namespace editor::test
