#pragma once
// The font a piece of text is drawn in, as a plain value: what the drawing layer needs to pick
// and scale a face. Geometry is at a fixed 96 dpi, so a size in points and a height in pixels
// are two views of one number.
#include <cstdint>
#include <string>

namespace platform {

// Elements of a font's style set, by ordinal; a set of them is a bit mask (bit n = element n).
enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = uint32_t;
constexpr TFontStyles FontStyleBit(TFontStyle style) { return TFontStyles(1) << style; }

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t GB2312_CHARSET = 134;

struct TFontDescription {
  static constexpr int kPixelsPerInch = 96;

  std::string Name = "\xCB\xCE\xCC\xE5";  // face name, GBK ("宋体")
  // Negative: the character height without internal leading; positive: the cell height.
  int32_t Height = -16;
  uint32_t Color = 0;  // 0x00BBGGRR
  TFontStyles Style = 0;
  uint8_t Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;

  // Points; derived from Height: Size = -round(Height * 72 / 96).
  int32_t Size() const;
  // Height = -round(size * 96 / 72); 12 pt gives -16.
  void SetSize(int32_t size);

  bool operator==(const TFontDescription&) const = default;
};

// Rounds a * b / c to the nearest integer, halves away from zero, computed without overflow and
// limited to ±INT32_MAX; a zero divisor gives -1.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

}  // namespace platform
