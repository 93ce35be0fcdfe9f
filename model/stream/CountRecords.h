#pragma once
// The count-up (kind 58) and count-down (kind 57) records: time since a start or until an end,
// counted by the card itself.
//
//   u16 kind, u16 transparent, u32 length (patched), rectangle (4 x u16),
//   s32 milliseconds since midnight and s32 day number (1 January 0001 = 1) of the start
//   (count-up) or end (count-down), u16 count format (TCountFormat ordinal: cf_days 0,
//   cf_hours 1, cf_HMS 2, cf_HM 3, cf_MS 4, cf_S 5), u16 alignment (count-down: TAlignment
//   ordinal, taLeftJustify 0, taRightJustify 1, taCenter 2; count-up: 0),
//   glyph table of "0".."9", ":"
#include <cstdint>

#include "model/stream/GlyphTable.h"
#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"
#include "platform/base/DateTime.h"

namespace model {

constexpr size_t CountHeadSize = 28;

// Each appends its record, the glyphs drawn in the object's font, and returns true. A moment that has no time stamp (outside
// 0001-01-01 .. 9999-12-31, or not a number) appends nothing and returns false: the objects
// only pass moments they parsed, so this is a caller's fault that must not reach the card.
bool WriteCountUpRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                        bool transparent, platform::TDateTime start, TProgramStream& stream,
                        uint16_t countFormat);
bool WriteCountDownRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                          bool transparent, uint16_t alignment, platform::TDateTime terminal,
                          TProgramStream& stream, uint16_t countFormat);

// The same with the glyphs painted by `paint`.
bool WriteCountUpRecord(const TRecordRect& rect, const TGlyphPainter& paint, bool transparent,
                        platform::TDateTime start, TProgramStream& stream,
                        uint16_t countFormat);
bool WriteCountDownRecord(const TRecordRect& rect, const TGlyphPainter& paint, bool transparent,
                          uint16_t alignment, platform::TDateTime terminal,
                          TProgramStream& stream, uint16_t countFormat);

}  // namespace model
