// The glyph records:
//   date-time:  u16 50, u16 transparent, u32 length, rectangle, s32 minutes added to the
//               clock, 16 pairs (u8 field code, u8 value), glyph table
//   counters:   u16 58 / 57, u16 transparent, u32 length, rectangle, s32 milliseconds of the
//               day and s32 day number (1 January 0001 = 1) of the start / end, u16 count
//               format, u16 alignment (count-down: 0 left, 1 right, 2 centre), glyph table
//               of "0".."9", ":"
//   sensors:    u16 80-82, u16 flags (bit 0 transparent), u32 length, rectangle, glyph
//               table of "0".."9", "-"
#include "GlyphRecords.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "DisplayItem.h"

namespace displaysim {

namespace {

constexpr int64_t MsPerDay = platform::MSecsPerDay;

enum TAlign { alLeft, alRight, alCentre };

// Field codes of the date-time pairs.
enum TField : uint8_t {
  fdYear = 1, fdMonth, fdDay, fdWeekday, fdHour, fdMinute, fdSecond, fdFixed, fdSeparator
};

// A row of glyphs taken from the record's table by index.
class TGlyphItem : public TWindowItem {
 public:
  TGlyphItem(TBytes record, size_t headSize, bool transparent, const TItemSetup& setup)
      : TWindowItem(record, transparent) {
    for (const TPixelBlock& block : ReadGlyphTable(record.From(headSize)))
      glyphs_.emplace_back(block, setup.RedGreenWords);
  }

  void Paint(TScreen& screen, const TStepState& state) override {
    const TRect clip = Ground(screen);
    if (clip.IsEmpty()) return;
    TAlign align = alLeft;
    const std::vector<size_t> shown = Glyphs(state, &align);
    int64_t width = 0;
    for (size_t i : shown)
      if (i < glyphs_.size()) width += glyphs_[i].Width();
    int64_t x = Rect.Left;
    if (align == alRight) x = Rect.Right - width;
    if (align == alCentre) x = Rect.Left + (Rect.Width() - width) / 2;
    for (size_t i : shown) {
      if (i >= glyphs_.size()) continue;  // a glyph the table does not hold shows nothing
      if (x < clip.Right && x + glyphs_[i].Width() > clip.Left)
        screen.Draw(glyphs_[i], int(x), Rect.Top, clip, blOr);
      x += glyphs_[i].Width();
    }
  }

 protected:
  // The glyph indices to show now, left to right, and how the row aligns in the rectangle.
  virtual std::vector<size_t> Glyphs(const TStepState& state, TAlign* align) const = 0;

  // Indices of the characters of a value: digits 0-9, anything else (":" or "-") 10.
  static std::vector<size_t> TextGlyphs(const std::string& text) {
    std::vector<size_t> indices;
    for (char c : text) indices.push_back(c >= '0' && c <= '9' ? size_t(c - '0') : 10);
    return indices;
  }

 private:
  std::vector<TBlockPicture> glyphs_;
};

class TDateTimeItem final : public TGlyphItem {
 public:
  TDateTimeItem(TBytes record, const TItemSetup& setup)
      : TGlyphItem(record, DateTimeHeadSize, record.U16(2) != 0, setup),
        distanceMinutes_(record.I32(16)) {
    for (size_t i = 0; i < 16; ++i) pairs_[i] = {record.U8(20 + 2 * i), record.U8(21 + 2 * i)};
  }

 protected:
  std::vector<size_t> Glyphs(const TStepState& state, TAlign* align) const override {
    *align = alLeft;
    // The fields show the clock plus the record's difference; the weekday the plain clock.
    const auto parts = platform::DecodeDateTime(state.Now + double(distanceMinutes_) / 1440.0);
    const auto weekday = platform::DayOfWeek(state.Now);
    std::vector<size_t> indices;
    if (!parts || !weekday) return indices;
    for (const auto& [code, value] : pairs_) {
      int field = -1;
      switch (code) {
        case fdYear: field = parts->Year % 100; break;
        case fdMonth: field = parts->Month; break;
        case fdDay: field = parts->Day; break;
        case fdHour: field = parts->Hour; break;
        case fdMinute: field = parts->Minute; break;
        case fdSecond: field = parts->Second; break;
        case fdWeekday: indices.push_back(size_t(*weekday)); continue;
        case fdFixed:
        case fdSeparator: indices.push_back(value); continue;
        default: continue;  // an unused pair
      }
      if (value == 0) indices.push_back(size_t(field / 10 % 10));
      if (value == 1) indices.push_back(size_t(field % 10));
    }
    return indices;
  }

 private:
  int32_t distanceMinutes_;
  std::pair<uint8_t, uint8_t> pairs_[16];
};

class TCounterItem final : public TGlyphItem {
 public:
  TCounterItem(TBytes record, const TItemSetup& setup)
      : TGlyphItem(record, CountHeadSize, record.U16(2) != 0, setup),
        up_(record.U16(0) == kdCountUp), format_(record.U16(24)), alignment_(record.U16(26)) {
    const int32_t time = record.I32(16), day = record.I32(20);
    if (time >= 0 && time < MsPerDay && day >= 1 && day <= platform::MaxDayNumber)
      stampMs_ = int64_t(day - 1) * MsPerDay + time;
  }

 protected:
  std::vector<size_t> Glyphs(const TStepState& state, TAlign* align) const override {
    // Count-down aligns by its alignment word; count-up (whose word is always 0) as the design
    // surface draws counters, at the right.
    *align = up_ ? alRight : alignment_ == 1 ? alRight : alignment_ == 2 ? alCentre : alLeft;
    const auto now = MomentMs(state.Now);
    if (!stampMs_ || !now) return {};
    return TextGlyphs(CountText(up_ ? *now - *stampMs_ : *stampMs_ - *now, format_));
  }

 private:
  bool up_;
  int format_;
  int alignment_;
  std::optional<int64_t> stampMs_;
};

class TSensorItem final : public TGlyphItem {
 public:
  TSensorItem(TBytes record, const TItemSetup& setup)
      : TGlyphItem(record, SensorHeadSize, (record.U16(2) & 1) != 0, setup),
        sample_(record.U16(0) == kdTemperature ? TemperatureSample
                : record.U16(0) == kdHumidity  ? HumiditySample
                                               : NoiseSample) {}

 protected:
  std::vector<size_t> Glyphs(const TStepState&, TAlign* align) const override {
    *align = alRight;
    return TextGlyphs(sample_);
  }

 private:
  std::string sample_;
};

std::string TwoDigits(std::initializer_list<int64_t> values) {
  std::string text;
  for (int64_t v : values) {
    char part[8];
    std::snprintf(part, sizeof part, "%02d", int(v % 100));
    if (!text.empty()) text += ':';
    text += part;
  }
  return text;
}

}  // namespace

std::optional<int64_t> MomentMs(platform::TDateTime moment) {
  const auto stamp = platform::DateTimeToTimeStamp(moment);
  if (!stamp) return std::nullopt;
  return int64_t(stamp->Date - 1) * MsPerDay + stamp->Time;
}

std::string CountText(int64_t differenceMs, int countFormat) {
  if (differenceMs < 0) differenceMs = 0;
  const int64_t days = differenceMs / MsPerDay;
  const int64_t rest = differenceMs % MsPerDay;
  const int64_t hours = rest / 3600000, minutes = rest / 60000 % 60, seconds = rest / 1000 % 60;
  switch (countFormat) {
    case 0: return std::to_string(days);
    case 1: return std::to_string(days * 24 + hours);
    case 2: return TwoDigits({hours, minutes, seconds});
    case 3: return TwoDigits({hours, minutes});
    case 4: return TwoDigits({minutes, seconds});
    case 5: return TwoDigits({seconds});
    default: return {};
  }
}

std::unique_ptr<TDisplayItem> MakeDateTime(TBytes record, const TItemSetup& setup) {
  return std::make_unique<TDateTimeItem>(record, setup);
}

std::unique_ptr<TDisplayItem> MakeCounter(TBytes record, const TItemSetup& setup) {
  return std::make_unique<TCounterItem>(record, setup);
}

std::unique_ptr<TDisplayItem> MakeSensor(TBytes record, const TItemSetup& setup) {
  return std::make_unique<TSensorItem>(record, setup);
}

}  // namespace displaysim
