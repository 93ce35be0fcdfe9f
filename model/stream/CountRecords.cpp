#include "CountRecords.h"

namespace model {

namespace {

bool WriteCountRecord(uint16_t kind, const TRecordRect& rect, const TGlyphPainter& paint,
                      bool transparent, platform::TDateTime moment, uint16_t countFormat,
                      uint16_t alignment, TProgramStream& stream) {
  const auto stamp = platform::DateTimeToTimeStamp(moment);
  if (!stamp) return false;
  TRecordGuard record(stream);
  stream.WriteU16(kind);
  stream.WriteU16(transparent ? 1 : 0);
  stream.WriteU32(0);
  WriteRecordRect(rect, stream);
  stream.WriteU32(uint32_t(stamp->Time));
  stream.WriteU32(uint32_t(stamp->Date));
  stream.WriteU16(countFormat);
  stream.WriteU16(alignment);
  WriteGlyphTable(CounterGlyphs(), paint, stream);
  stream.PatchU32(record.Start() + 4, uint32_t(stream.Position() - record.Start()));
  record.Commit();
  return true;
}

}  // namespace

bool WriteCountUpRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                        bool transparent, platform::TDateTime start, TProgramStream& stream,
                        uint16_t countFormat) {
  return WriteCountUpRecord(rect, FontGlyphPainter(font), transparent, start, stream,
                            countFormat);
}

bool WriteCountDownRecord(const TRecordRect& rect, const platform::TFontDescription& font,
                          bool transparent, uint16_t alignment, platform::TDateTime terminal,
                          TProgramStream& stream, uint16_t countFormat) {
  return WriteCountDownRecord(rect, FontGlyphPainter(font), transparent, alignment, terminal,
                              stream, countFormat);
}

bool WriteCountUpRecord(const TRecordRect& rect, const TGlyphPainter& paint, bool transparent,
                        platform::TDateTime start, TProgramStream& stream,
                        uint16_t countFormat) {
  return WriteCountRecord(rkCountUp, rect, paint, transparent, start, countFormat, 0, stream);
}

bool WriteCountDownRecord(const TRecordRect& rect, const TGlyphPainter& paint, bool transparent,
                          uint16_t alignment, platform::TDateTime terminal,
                          TProgramStream& stream, uint16_t countFormat) {
  return WriteCountRecord(rkCountDown, rect, paint, transparent, terminal, countFormat,
                          alignment, stream);
}

}  // namespace model
