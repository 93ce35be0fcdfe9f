#pragma once
// The LZSS packer of packed object text: a 4096-byte ring, matches of 3 to 18 bytes, a binary
// search tree of ring positions for the longest match, and the classic byte format:
//   - groups of up to eight items, each group led by a flag byte whose bits, from bit 0 up,
//     say 1 = literal byte, 0 = reference;
//   - a reference is two bytes: the low 8 bits of the absolute ring position where the match
//     starts, then the position's bits 8-11 in the high nibble and length - 3 in the low one.
// The ring starts with spaces in positions 0..4077 and the first byte goes to 4078.
//
// Every call starts from the same fresh state (the ring zeroed, then the spaces, the tree
// empty), so the output depends on the input alone; the state is a local of the call, so any
// number of threads may pack and unpack at once. Nothing is allocated but the output.
#include <cstddef>
#include <cstdint>

#include "model/DFMStream.h"

namespace model {

namespace lzss {
inline constexpr int kRingSize = 4096;   // N
inline constexpr int kMaxMatch = 18;     // F
inline constexpr int kThreshold = 2;     // matches longer than this are references
inline constexpr int kFirstPosition = kRingSize - kMaxMatch;  // 4078, where the first byte goes
}  // namespace lzss

// Packs the bytes of `input` from its position to its size and appends them to `output`;
// `input`'s position ends at its size. False when `output` refused a write, so that no caller
// keeps a truncated result.
bool LzssEncode(TDFMStream& input, TDFMStream& output);
// Unpacks the bytes of `input` from its position to its size and appends them to `output`;
// `input`'s position ends at its size. Input that ends anywhere (after a flag byte, inside a
// reference) just ends the output. False when `output` refused a write.
bool LzssDecode(TDFMStream& input, TDFMStream& output);

}  // namespace model
