#pragma once
// The program header: the 12 bytes at offset 0 of every program.
//
//   u16 kind (17 send, 18 download), u16 number of pages, u32 size of the whole stream,
//   u16 colour mode, u16 0
//
// The page records follow back to back.
#include <cstdint>
#include <span>

#include "model/stream/ProgramStream.h"

namespace model {

// Appends a header with the given fields. Builders that keep the counts current themselves
// (Panelcast's root, the editor's single-page preview) write it this way.
void WriteProgramHead(TProgramStream& stream, uint16_t kind, int colorMode,
                      uint16_t pageCount = 0, uint32_t totalSize = 0);

// Writes a whole program: makes `colorMode` the current colour mode (StreamContext()),
// appends the header, lets every page append its record and counts each page, then patches
// the page count and the stream's total size into the header. Returns false, leaving both
// fields 0, when nothing at all followed the header (a screen without pages).
//
// The caller clears the stream first, so the total is the byte length of the program.
bool WriteProgramHeader(uint16_t kind, int colorMode, std::span<const TRecordWriter> pages,
                        TProgramStream& stream);

}  // namespace model
