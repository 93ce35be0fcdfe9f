#include "SensorRecords.h"

namespace model {

namespace {

void WriteSensorRecord(uint16_t kind, const TRecordRect& rect, const TGlyphPainter& paint,
                       uint16_t flags, TProgramStream& stream) {
  TRecordGuard record(stream);
  stream.WriteU16(kind);
  stream.WriteU16(flags);
  stream.WriteU32(0);
  WriteRecordRect(rect, stream);
  WriteGlyphTable(SensorGlyphs(), paint, stream);
  stream.PatchU32(record.Start() + 4, uint32_t(stream.Position() - record.Start()));
  record.Commit();
}

}  // namespace

void WriteTemperatureRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                            uint16_t flags, TProgramStream& stream) {
  WriteSensorRecord(rkTemperature, rect, FontGlyphPainter(font), flags, stream);
}

void WriteHumidityRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                         uint16_t flags, TProgramStream& stream) {
  WriteSensorRecord(rkHumidity, rect, FontGlyphPainter(font), flags, stream);
}

void WriteNoiseRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                      uint16_t flags, TProgramStream& stream) {
  WriteSensorRecord(rkNoise, rect, FontGlyphPainter(font), flags, stream);
}

void WriteTemperatureRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                            TProgramStream& stream) {
  WriteSensorRecord(rkTemperature, rect, paint, flags, stream);
}

void WriteHumidityRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                         TProgramStream& stream) {
  WriteSensorRecord(rkHumidity, rect, paint, flags, stream);
}

void WriteNoiseRecord(const TRecordRect& rect, const TGlyphPainter& paint, uint16_t flags,
                      TProgramStream& stream) {
  WriteSensorRecord(rkNoise, rect, paint, flags, stream);
}

}  // namespace model
