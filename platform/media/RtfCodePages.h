#pragma once
// Code pages of RTF text, shared by the reader and the writer so that what one writes as bytes
// the other reads back as the same characters.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::rtf {

constexpr int kCodePageGbk = 936;

// The code page of a font's character set: 134 GBK, 136 Big5, 128 Shift-JIS, 129 Korean,
// 0 Western; any other set uses the document's \ansicpg.
int CodePageOfCharset(int charset, int ansiCodePage);

// Bytes in a code page as Unicode. A sequence the code page does not hold gives U+FFFD for its
// first byte; control characters other than '\t' are left out. An unknown code page reads as
// GBK.
void AppendDecoded(int codePage, std::string_view bytes, std::u32string& out);

// The bytes of one character in a code page, or "" when it has none that reads back as the
// same character.
const std::string& EncodedIn(int codePage, char32_t c);

}  // namespace platform::rtf
