#pragma once
// The date-time record (kind 50): a clock or date the card keeps running itself.
//
//   u16 50, u16 transparent, u32 length (patched), rectangle (4 x u16),
//   s32 time difference in minutes, 16 display pairs (u8 field code, u8 value) in display
//   order with unused pairs zero, glyph table of the format
//
// Field codes: 1 year, 2 month, 3 day, 5 hour, 6 minute, 7 second, each with value 0 for the
// tens digit and 1 for the units digit; 4 the weekday (value 127, the glyphs "日" Sunday to
// "六" Saturday at indices 0..6); 8 a fixed glyph and 9 the hour-minute separator, each with
// the index of its glyph.
//
// Format codes (ordinal of TDateTimeFormat plus 1) and what they send:
//   1 df_YMD  century digits as fixed glyphs, year, "年", month, "月", day, "日"
//   2 df_HN   hour, separator ":", minute         3 df_HNS  hour:minute:second
//   4 df_Y    century digits, year                5..9 month, day, hour, minute, second
//   10 df_W   "星期", weekday
// The century digits are the PC's current year (Now()) when the record is written; the card
// fills in the tens and units of the year.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/stream/GlyphTable.h"
#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"

namespace model {

constexpr size_t DateTimeHeadSize = 52;
constexpr int DateTimePairCount = 16;
constexpr int MinDateTimeFormat = 1;
constexpr int MaxDateTimeFormat = 10;

struct TDisplayPair {
  uint8_t Code = 0;
  uint8_t Value = 0;
  bool operator==(const TDisplayPair&) const = default;
};
using TDisplayPairs = std::array<TDisplayPair, DateTimePairCount>;

// The display pairs of a format code in a year; all zero for a code outside 1..10.
TDisplayPairs DateTimePairs(int formatCode, int year);
// The glyphs (GBK) of a format code; empty for a code outside 1..10.
std::span<const std::string_view> DateTimeGlyphs(int formatCode);

// Appends a date-time record with the glyphs drawn in `font`; false, appending nothing, for a
// format code outside 1..10.
bool WriteDateTimeRecord(const TRecordRect& rect, int32_t distanceMinutes,
                         const platform::TFontDescription& font, bool transparent,
                         int formatCode, TProgramStream& stream);
// The same with the glyphs painted by `paint`.
bool WriteDateTimeRecord(const TRecordRect& rect, int32_t distanceMinutes,
                         const TGlyphPainter& paint, bool transparent, int formatCode,
                         TProgramStream& stream);

}  // namespace model
