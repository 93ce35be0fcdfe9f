#include "PageRecord.h"

#include "model/stream/RecordKinds.h"

namespace model {

void WritePageHead(TProgramStream& stream, uint32_t displayTimeMs, uint16_t objectCount,
                   uint32_t length) {
  stream.WriteU16(rkPage);
  stream.WriteU16(objectCount);
  stream.WriteU32(displayTimeMs);
  stream.WriteU32(0);
  stream.WriteU32(length);
}

void WritePageRecord(uint32_t displayTimeMs, std::span<const TRecordWriter> objects,
                     TProgramStream& stream) {
  const size_t start = stream.Position();
  WritePageHead(stream, displayTimeMs);
  uint16_t count = 0;
  for (const TRecordWriter& object : objects) {
    const size_t before = stream.Position();
    object(stream);
    if (stream.Position() > before) ++count;
  }
  stream.PatchU16(start + PageCountOffset, count);
  stream.PatchU32(start + PageLengthOffset, uint32_t(stream.Position() - start));
}

}  // namespace model
