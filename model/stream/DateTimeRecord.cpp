#include "DateTimeRecord.h"

#include "platform/base/DateTime.h"

namespace model {

namespace {

using namespace std::string_view_literals;

// GBK: 年 月 日, the weekdays 日 一 二 三 四 五 六, and 星期.
constexpr std::string_view kYear = "\xC4\xEA"sv;
constexpr std::string_view kMonth = "\xD4\xC2"sv;
constexpr std::string_view kDay = "\xC8\xD5"sv;
constexpr std::string_view kWeek = "\xD0\xC7\xC6\xDA"sv;

constexpr std::string_view kYmdGlyphs[] = {"0"sv, "1"sv, "2"sv, "3"sv, "4"sv, "5"sv, "6"sv,
                                           "7"sv, "8"sv, "9"sv, kYear, kMonth, kDay};
constexpr std::string_view kClockGlyphs[] = {"0"sv, "1"sv, "2"sv, "3"sv, "4"sv, "5"sv,
                                             "6"sv, "7"sv, "8"sv, "9"sv, ":"sv};
constexpr std::string_view kDigitGlyphs[] = {"0"sv, "1"sv, "2"sv, "3"sv, "4"sv,
                                             "5"sv, "6"sv, "7"sv, "8"sv, "9"sv};
constexpr std::string_view kWeekGlyphs[] = {kDay,           "\xD2\xBB"sv, "\xB6\xFE"sv,
                                            "\xC8\xFD"sv,   "\xCB\xC4"sv, "\xCE\xE5"sv,
                                            "\xC1\xF9"sv,   kWeek};

enum : uint8_t {
  fcYear = 1, fcMonth, fcDay, fcWeekday, fcHour, fcMinute, fcSecond, fcFixed, fcSeparator
};
constexpr uint8_t kTens = 0, kUnits = 1;
constexpr uint8_t kWeekdayValue = 127;

}  // namespace

TDisplayPairs DateTimePairs(int formatCode, int year) {
  TDisplayPairs pairs{};
  size_t n = 0;
  auto add = [&](uint8_t code, uint8_t value) { pairs[n++] = {code, value}; };
  auto twoDigits = [&](uint8_t code) {
    add(code, kTens);
    add(code, kUnits);
  };
  auto century = [&] {
    add(fcFixed, uint8_t(year / 1000 % 10));
    add(fcFixed, uint8_t(year / 100 % 10));
  };
  switch (formatCode) {
    case 1:  // df_YMD; glyphs 10, 11, 12 are 年, 月, 日
      century();
      twoDigits(fcYear);
      add(fcFixed, 10);
      twoDigits(fcMonth);
      add(fcFixed, 11);
      twoDigits(fcDay);
      add(fcFixed, 12);
      break;
    case 2:  // df_HN
      twoDigits(fcHour);
      add(fcSeparator, 10);
      twoDigits(fcMinute);
      break;
    case 3:  // df_HNS
      twoDigits(fcHour);
      add(fcFixed, 10);
      twoDigits(fcMinute);
      add(fcFixed, 10);
      twoDigits(fcSecond);
      break;
    case 4:  // df_Y
      century();
      twoDigits(fcYear);
      break;
    case 5: twoDigits(fcMonth); break;
    case 6: twoDigits(fcDay); break;
    case 7: twoDigits(fcHour); break;
    case 8: twoDigits(fcMinute); break;
    case 9: twoDigits(fcSecond); break;
    case 10:  // df_W: 星期 is glyph 7
      add(fcFixed, 7);
      add(fcWeekday, kWeekdayValue);
      break;
    default: break;
  }
  return pairs;
}

std::span<const std::string_view> DateTimeGlyphs(int formatCode) {
  switch (formatCode) {
    case 1: return kYmdGlyphs;
    case 2:
    case 3: return kClockGlyphs;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9: return kDigitGlyphs;
    case 10: return kWeekGlyphs;
    default: return {};
  }
}

bool WriteDateTimeRecord(const TRecordRect& rect, int32_t distanceMinutes,
                         const platform::TFontDescription& font, bool transparent,
                         int formatCode, TProgramStream& stream) {
  return WriteDateTimeRecord(rect, distanceMinutes, FontGlyphPainter(font), transparent,
                             formatCode, stream);
}

bool WriteDateTimeRecord(const TRecordRect& rect, int32_t distanceMinutes,
                         const TGlyphPainter& paint, bool transparent, int formatCode,
                         TProgramStream& stream) {
  if (formatCode < MinDateTimeFormat || formatCode > MaxDateTimeFormat) return false;
  const auto now = platform::DecodeDateTime(platform::Now());
  const TDisplayPairs pairs = DateTimePairs(formatCode, now ? now->Year : 0);

  TRecordGuard record(stream);
  stream.WriteU16(rkDateTime);
  stream.WriteU16(transparent ? 1 : 0);
  stream.WriteU32(0);
  WriteRecordRect(rect, stream);
  stream.WriteU32(uint32_t(distanceMinutes));
  for (const TDisplayPair& p : pairs) {
    const uint8_t bytes[2] = {p.Code, p.Value};
    stream.Write(bytes, 2);
  }
  WriteGlyphTable(DateTimeGlyphs(formatCode), paint, stream);
  stream.PatchU32(record.Start() + 4, uint32_t(stream.Position() - record.Start()));
  record.Commit();
  return true;
}

}  // namespace model
