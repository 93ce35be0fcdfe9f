#pragma once
// The two window records every rendered or card-drawn object becomes.
//
// Picture window (kind 49), 28-byte head then one pixel block:
//   u16 49, u16 transparent, u32 length (patched), rectangle (4 x u16), u16 effect,
//   u16 speed, 8 zero bytes, pixel block
// String window (kind 51), 36-byte head then the text:
//   u16 51, u16 transparent, u32 length (patched), rectangle, u16 effect, u16 speed,
//   8 zero bytes, u32 text colour, u32 card font, text bytes, 0, zero padding to 4
//
// Effect and speed are written as given: callers pass the ordinals of TDisplayMethod and
// TDisplaySpeed plus one, as the card expects.
#include <cstdint>
#include <string_view>

#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"

namespace model {

// Appends a picture window whose pixel block packs `bitmap` in the current colour mode. In a
// colour mode outside 1..4 the pixel block is left out and the record is its head alone.
void WritePictureWindow(const TRecordRect& rect, const platform::TBitmap& bitmap,
                        uint16_t effect, uint16_t speed, bool transparent,
                        TProgramStream& stream);

// Appends a string window. `text` is GBK bytes copied as they are, up to its first NUL; lines
// are the caller's (each followed by CR LF). `fontSet` is the ordinal of the card's built-in
// font (0 16-dot, 1 24-dot); `color` the text colour.
void WriteStringWindow(const TRecordRect& rect, std::string_view text, uint32_t fontSet,
                       platform::TColor color, uint16_t effect, uint16_t speed,
                       bool transparent, TProgramStream& stream);

}  // namespace model
