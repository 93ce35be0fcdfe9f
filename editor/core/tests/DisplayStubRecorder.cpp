#include "DisplayStubRecorder.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "platform/base/ByteOrder.h"

namespace editor::test {

std::vector<TStubCall>& StubCalls() {
  static std::vector<TStubCall> calls;
  return calls;
}

std::vector<std::string> StubCallNames() {
  std::vector<std::string> names;
  for (const TStubCall& call : StubCalls()) names.push_back(call.Name);
  return names;
}

size_t StubCallCount(const std::string& name) {
  return size_t(std::count_if(StubCalls().begin(), StubCalls().end(),
                              [&](const TStubCall& call) { return call.Name == name; }));
}

TPreviewRequest StubRequest(uint16_t width, uint16_t height, int mode, int stepTime, std::vector<uint8_t> program,
                            uint8_t fill) {
  TPreviewRequest request;
  request.Width = width;
  request.Height = height;
  request.Program = std::move(program);
  request.ParamBlock.fill(fill);
  platform::StoreU16(&request.ParamBlock[4], uint16_t(mode));
  platform::StoreU16(&request.ParamBlock[6], uint16_t(stepTime));
  return request;
}

bool LibraryLoaded(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);  // drops only the reference this look took
  return handle != nullptr;
}

}  // namespace editor::test

extern "C" __attribute__((visibility("default"))) void DisplayStubCalled(const TDisplayStubCall* c) {
  editor::test::TStubCall call;
  call.Name = c->Name;
  if (c->FontFile) call.FontFile = c->FontFile;
  call.ColourMode = c->ColourMode;
  call.Width = c->Width;
  call.Height = c->Height;
  call.Window = c->Window;
  call.Program = c->Program;
  call.ParamBlock = c->ParamBlock;
  call.ProgramLength = c->ProgramLength;
  if (c->Program && c->ProgramLength) {
    const auto* bytes = static_cast<const uint8_t*>(c->Program);
    call.ProgramBytes.assign(bytes, bytes + c->ProgramLength);
  }
  if (c->ParamBlock) std::memcpy(call.ParamBytes.data(), c->ParamBlock, call.ParamBytes.size());
  editor::test::StubCalls().push_back(std::move(call));
}
