#pragma once
// Colours as the whole system stores them: 32-bit values 0x00BBGGRR (a Windows COLORREF), red in
// the low byte. Object text, program streams and the drawing layer all use this one layout.
#include <cstdint>

namespace platform {

using TColor = uint32_t;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t(c >> 16); }

// What a pixel query returns for a point outside the bitmap (GDI's CLR_INVALID).
constexpr TColor clInvalid = 0xFFFFFFFF;

// The colours an LED screen can show, plus white for drawing surfaces.
constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;  // the screens' green
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;

}  // namespace platform
