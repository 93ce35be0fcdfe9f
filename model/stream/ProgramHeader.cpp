#include "ProgramHeader.h"

#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"

namespace model {

void WriteProgramHead(TProgramStream& stream, uint16_t kind, int colorMode, uint16_t pageCount,
                      uint32_t totalSize) {
  stream.WriteU16(kind);
  stream.WriteU16(pageCount);
  stream.WriteU32(totalSize);
  stream.WriteU16(uint16_t(colorMode));
  stream.WriteU16(0);
}

bool WriteProgramHeader(uint16_t kind, int colorMode, std::span<const TRecordWriter> pages,
                        TProgramStream& stream) {
  StreamContext().SetColorMode(colorMode);
  const size_t start = stream.Position();
  WriteProgramHead(stream, kind, colorMode);
  uint16_t count = 0;
  for (const TRecordWriter& page : pages) {
    page(stream);
    ++count;
  }
  if (stream.Position() <= start + ProgramHeaderSize) return false;
  stream.PatchU16(start + ProgramCountOffset, count);
  stream.PatchU32(start + ProgramSizeOffset, uint32_t(stream.Size()));
  return true;
}

}  // namespace model
