#pragma once
// The page record: a 16-byte head followed by the records of the page's display objects, in
// the page's ownership order.
//
//   u16 48, u16 number of object records, u32 display time in ms, u32 0,
//   u32 length of head plus object records
#include <cstdint>
#include <span>

#include "model/stream/ProgramStream.h"

namespace model {

// Appends a page head with the given fields (Panelcast keeps count and length current itself
// and writes a fresh page with length 16).
void WritePageHead(TProgramStream& stream, uint32_t displayTimeMs, uint16_t objectCount = 0,
                   uint32_t length = 0);

// Writes a whole page: the head, then each object's record in order, counting only objects
// that appended at least one byte, then patches the count and the page length. A page whose
// objects write nothing is still a 16-byte record.
void WritePageRecord(uint32_t displayTimeMs, std::span<const TRecordWriter> objects,
                     TProgramStream& stream);

}  // namespace model
