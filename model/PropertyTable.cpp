#include "PropertyTable.h"

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace model {

using platform::TClassBuilder;
using platform::TClassInfo;

const TClassInfo& TBasePropertyTable::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TBasePropertyTable, platform::TStringList>("TBasePropertyTable").Build();
  return info;
}

TBasePropertyTable::TBasePropertyTable() {
  static const std::string kTextRow = platform::Utf8ToGbk("Text|名称");
  Add(kTextRow);
}

void TBasePropertyTable::RemoveLine(std::string_view row) {
  int i = IndexOf(row);
  if (i >= 0) Delete(i);
}

int TBasePropertyTable::FindKey(std::string_view key) const {
  // A row without "|" has an empty key, which matches nothing.
  if (key.empty()) return -1;
  for (int i = 0; i < Count(); ++i)
    if (platform::GbkSameText(KeyOf(Strings(i)), key)) return i;
  return -1;
}

std::string_view TBasePropertyTable::KeyOf(std::string_view row) {
  size_t bar = row.find('|');
  return bar == std::string_view::npos ? std::string_view() : row.substr(0, bar);
}

std::string_view TBasePropertyTable::CaptionOf(std::string_view row) {
  size_t bar = row.find('|');
  if (bar == std::string_view::npos) return {};
  row.remove_prefix(bar + 1);
  return row.substr(0, row.find('|'));
}

int32_t TBasePropertyTable::ColorOf(std::string_view row) {
  size_t bar = row.find('|');
  if (bar == std::string_view::npos) return 0;
  size_t second = row.find('|', bar + 1);
  if (second == std::string_view::npos) return 0;
  return TextToInt(row.substr(second + 1)).value_or(0);
}

std::optional<TIntegerText> ParseIntegerText(std::string_view text) {
  while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  TIntegerText parsed;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    parsed.Negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text[0] == '$') {
    parsed.Hexadecimal = true;
    text.remove_prefix(1);
  } else if (!text.empty() && (text[0] == 'x' || text[0] == 'X')) {
    parsed.Hexadecimal = true;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    parsed.Hexadecimal = true;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  const uint64_t base = parsed.Hexadecimal ? 16 : 10;
  uint64_t value = 0;
  for (char ch : text) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return std::nullopt;
    value = value * base + uint64_t(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  parsed.Magnitude = uint32_t(value);
  return parsed;
}

std::optional<int32_t> TextToInt(std::string_view text) {
  const std::optional<TIntegerText> parsed = ParseIntegerText(text);
  if (!parsed) return std::nullopt;
  if (!parsed->Hexadecimal &&
      parsed->Magnitude > (parsed->Negative ? 0x80000000u : 0x7FFFFFFFu))
    return std::nullopt;
  uint32_t bits = parsed->Magnitude;
  if (parsed->Negative) bits = 0u - bits;
  return int32_t(bits);
}

}  // namespace model
