#pragma once
// The sensor records: where the card shows a reading it measures itself, with the digits it
// draws the reading from.
//
//   u16 kind (80 temperature, 81 humidity, 82 noise), u16 flags, u32 length (patched),
//   rectangle (4 x u16), glyph table of "0".."9", "-"
//
// Flags: bit 0 transparent; bit 1, temperature only, Fahrenheit.
#include <cstdint>

#include "model/stream/GlyphTable.h"
#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"

namespace model {

constexpr size_t SensorHeadSize = 16;
constexpr uint16_t SensorTransparent = 1;
constexpr uint16_t SensorFahrenheit = 2;

// Each appends its record with the glyph table drawn in the object's font.
void WriteTemperatureRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                            uint16_t flags, TProgramStream& stream);
void WriteHumidityRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                         uint16_t flags, TProgramStream& stream);
void WriteNoiseRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                      uint16_t flags, TProgramStream& stream);

// The same with the glyphs painted by `paint`.
void WriteTemperatureRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                            TProgramStream& stream);
void WriteHumidityRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                         TProgramStream& stream);
void WriteNoiseRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                      TProgramStream& stream);

}  // namespace model
