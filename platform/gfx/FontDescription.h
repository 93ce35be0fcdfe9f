#pragma once
// The font a piece of text is drawn in, as a plain value: what the drawing layer needs to pick
// and scale a face. Geometry is at a fixed 96 dpi, so a size in points and a height in pixels
// are two views of one number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

// Elements of a font's style set, by ordinal; a set of them is a bit mask (bit n = element n).
enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = uint32_t;
constexpr TFontStyles FontStyleBit(TFontStyle style) { return TFontStyles(1) << style; }

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t GB2312_CHARSET = 134;

struct TLogFont;

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

  // The font as a LOGFONT record, as the original's font handle was made: weight 700 when
  // bold, else 400; italic, underline and strike-out flags; the character set; the pitch in
  // the low bits of pitch-and-family; width, angles, precisions and quality 0.
  TLogFont ToLogFont() const;
  // A font from a LOGFONT record: bold from weight 700 up, italic, underline and strike-out
  // from their flags, pitch from the low two bits of pitch-and-family. A LOGFONT has no colour,
  // so the colour is given; its width, angles, precisions and quality have no place here.
  static TFontDescription FromLogFont(const TLogFont& logFont, uint32_t color = 0);

  bool operator==(const TFontDescription&) const = default;
};

// The 60-byte LOGFONT record (8-bit face name) that table files and the table control carry,
// little-endian: five i32 (height, width, escapement, orientation, weight), eight u8 (italic,
// underline, strike-out, character set, out precision, clip precision, quality,
// pitch-and-family), then the face name in 32 bytes, zero-terminated.
struct TLogFont {
  static constexpr size_t kSize = 60;
  static constexpr size_t kFaceSize = 32;
  static constexpr int32_t kWeightNormal = 400;
  static constexpr int32_t kWeightBold = 700;

  int32_t Height = 0;
  int32_t Width = 0;
  int32_t Escapement = 0;
  int32_t Orientation = 0;
  int32_t Weight = 0;
  uint8_t Italic = 0;
  uint8_t Underline = 0;
  uint8_t StrikeOut = 0;
  uint8_t CharSet = 0;
  uint8_t OutPrecision = 0;
  uint8_t ClipPrecision = 0;
  uint8_t Quality = 0;
  uint8_t PitchAndFamily = 0;
  std::string FaceName;  // GBK, without the terminating zero

  // Reads a record from the first 60 bytes; none when fewer are given. A face name that fills
  // all 32 bytes without a zero is taken whole.
  static std::optional<TLogFont> FromBytes(std::span<const uint8_t> bytes);
  // The record; a face name longer than 31 bytes is cut at a character boundary so the zero
  // always fits and no two-byte character is split.
  std::array<uint8_t, kSize> ToBytes() const;

  bool operator==(const TLogFont&) const = default;
};

// Rounds a * b / c to the nearest integer, halves away from zero, computed without overflow and
// limited to ±INT32_MAX; a zero divisor gives -1.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

}  // namespace platform
