#pragma once
// Model, file and wire text is GBK bytes. It is converted only where it is drawn, measured or
// shown; comparisons fold ASCII letters and treat a two-byte GBK character as one unit.
#include <string>
#include <string_view>

namespace platform {

// GBK to UTF-8. Bytes that are not valid GBK become U+FFFD; never fails.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK. Characters GBK cannot hold, and invalid UTF-8, become '?'. When `lossless` is
// given it tells whether every character survived.
std::string Utf8ToGbk(std::string_view utf8, bool* lossless = nullptr);

// Length of the UTF-8 sequence at the start of the non-empty `s` as its bytes shape it (a lead
// byte and its continuation bytes), 1 for a stray or broken one; whether it names a character
// is iconv's to say.
size_t Utf8SequenceLength(std::string_view s);

// True when `c` starts a two-byte GBK character.
inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The longest start of `gbk` that is at most `maxBytes` long and ends on a character boundary:
// a lead byte and the byte after it are kept or dropped together.
std::string_view GbkPrefix(std::string_view gbk, size_t maxBytes);

// Case-insensitive comparison in the manner of CompareText: <0, 0 or >0. ASCII letters fold;
// a lead byte and its trail byte are compared as they are.
int GbkCompareText(std::string_view a, std::string_view b);
inline bool GbkSameText(std::string_view a, std::string_view b) {
  return GbkCompareText(a, b) == 0;
}
bool GbkStartsText(std::string_view text, std::string_view prefix);

// ASCII letters of `text` in upper or lower case; GBK characters untouched.
std::string GbkUpperCase(std::string_view text);
std::string GbkLowerCase(std::string_view text);

}  // namespace platform
