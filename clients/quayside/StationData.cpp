#include "StationData.h"

#include <limits>

namespace quayside {

int32_t TStationCard::ColorMode() const {
  if (Type == 0) return 1;
  if (Type == 1) return 2;
  return Type;
}

bool TStationCard::Sendable() const {
  const int32_t mode = ColorMode();
  return mode >= 1 && mode <= 4;
}

uint32_t TStationCard::TextColor() const { return Type != 0 ? 0x0000FFFFu : 0x000000FFu; }

int32_t DisplaySeconds(const TDisplayItem& item) {
  return item.DispalyTime > 0 ? item.DispalyTime : 10;
}

int64_t ReadNumber64(std::string_view text) {
  size_t i = 0;
  // The blanks atoi steps over: space, tab, line feed, vertical tab, form feed, carriage return.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;  // kept negative while reading a negative number, so kMin fits
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      if (value < (kMin + digit) / 10) return kMin;
      value = value * 10 - digit;
    } else {
      if (value > (kMax - digit) / 10) return kMax;
      value = value * 10 + digit;
    }
  }
  return value;
}

int32_t ReadNumber(std::string_view text) {
  const int64_t value = ReadNumber64(text);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(value);
}

std::string FormatNumber(int64_t value) { return std::to_string(value); }

}  // namespace quayside
