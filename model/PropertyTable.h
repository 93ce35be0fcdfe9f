#pragma once
// The per-object table that tells the property inspector which published properties to show
// and with what captions. Each row is a key, "|", a caption and optionally "|" and a colour
// ("Communicate.IP|IP地址|$000000F0"); keys are property paths, enumeration value and set
// element names, "True"/"False" and class names. Rows are GBK text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/component/Strings.h"

namespace model {

class TBasePropertyTable : public platform::TStringList {
  DECLARE_CLASS_INFO()

  // An empty table but for its first row, "Text|名称".
  TBasePropertyTable();

  // Deletes the first row equal to `row` over its whole length, without regard to case;
  // nothing when there is none.
  void RemoveLine(std::string_view row);

  // The index of the first row whose key equals `key` without regard to case, or -1.
  int FindKey(std::string_view key) const;

  // The parts of a row: the key before the first "|" (empty when there is none), the caption
  // up to the second "|" or the end, and the colour after it (0 when absent or not a number).
  static std::string_view KeyOf(std::string_view row);
  static std::string_view CaptionOf(std::string_view row);
  static int32_t ColorOf(std::string_view row);
};

// The parts of an integer text: leading blanks, an optional sign, then decimal digits, or
// hexadecimal ones after "$", "x" or "0x"; the rest of the text must be digits. Nothing when it
// is not such a text or its magnitude passes 32 bits.
struct TIntegerText {
  bool Negative = false;
  bool Hexadecimal = false;
  uint32_t Magnitude = 0;
};
std::optional<TIntegerText> ParseIntegerText(std::string_view text);

// Converts text as an integer: leading blanks, an optional sign, then decimal digits, or
// hexadecimal ones after "$", "x" or "0x"; the rest of the text must convert. Hexadecimal may
// use all 32 bits (so "$FFFFFFFF" is -1); decimal must fit a signed 32-bit value.
std::optional<int32_t> TextToInt(std::string_view text);

}  // namespace model
