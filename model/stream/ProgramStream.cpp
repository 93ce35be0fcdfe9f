#include "ProgramStream.h"

#include "platform/base/ByteOrder.h"

namespace model {

namespace {
[[noreturn]] void OutOfMemory() {
  throw EStreamError("Out of memory while expanding memory stream");
}
}  // namespace

void TProgramStream::Write(const void* src, size_t count) {
  if (!mem_.Write(src, count)) OutOfMemory();
}

void TProgramStream::WriteU16(uint16_t v) {
  uint8_t b[2];
  platform::StoreU16(b, v);
  Write(b, 2);
}

void TProgramStream::WriteU32(uint32_t v) {
  uint8_t b[4];
  platform::StoreU32(b, v);
  Write(b, 4);
}

void TProgramStream::WriteZeros(size_t count) { Extend(count); }

uint8_t* TProgramStream::Extend(size_t count) {
  size_t start = mem_.Size();
  if (count > SIZE_MAX - start || !mem_.SetSize(start + count)) OutOfMemory();
  mem_.SetPosition(mem_.Size());
  return mem_.Memory() + start;
}

void TProgramStream::PadToFour() {
  size_t rest = mem_.Size() % 4;
  if (rest) WriteZeros(4 - rest);
}

void TProgramStream::Truncate(size_t size) {
  if (size >= mem_.Size()) return;
  mem_.SetSize(size);  // shrinking never allocates
  mem_.SetPosition(size);
}

void TProgramStream::PatchU16(size_t offset, uint16_t v) {
  uint8_t b[2];
  platform::StoreU16(b, v);
  if (!mem_.WriteAt(offset, b, 2)) throw EStreamError("Patch outside the program stream");
}

void TProgramStream::PatchU32(size_t offset, uint32_t v) {
  uint8_t b[4];
  platform::StoreU32(b, v);
  if (!mem_.WriteAt(offset, b, 4)) throw EStreamError("Patch outside the program stream");
}

}  // namespace model
