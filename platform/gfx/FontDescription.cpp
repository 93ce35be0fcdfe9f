#include "FontDescription.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"

namespace platform {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = int64_t(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t q = (std::llabs(num) + den / 2) / den;
  if (num < 0) q = -q;
  if (q > INT32_MAX) return INT32_MAX;
  if (q < -INT32_MAX) return -INT32_MAX;  // so that the result can always be negated
  return int32_t(q);
}

int32_t TFontDescription::Size() const { return -MulDivRound(Height, 72, kPixelsPerInch); }

void TFontDescription::SetSize(int32_t size) { Height = -MulDivRound(size, kPixelsPerInch, 72); }

TLogFont TFontDescription::ToLogFont() const {
  TLogFont lf;
  lf.Height = Height;
  lf.Weight = (Style & FontStyleBit(fsBold)) ? TLogFont::kWeightBold : TLogFont::kWeightNormal;
  lf.Italic = (Style & FontStyleBit(fsItalic)) ? 1 : 0;
  lf.Underline = (Style & FontStyleBit(fsUnderline)) ? 1 : 0;
  lf.StrikeOut = (Style & FontStyleBit(fsStrikeOut)) ? 1 : 0;
  lf.CharSet = Charset;
  // Pitch-and-family keeps the pitch in its low bits: 0 default, 1 fixed, 2 variable.
  lf.PitchAndFamily = Pitch == fpFixed ? 1 : Pitch == fpVariable ? 2 : 0;
  lf.FaceName = Name;
  return lf;
}

TFontDescription TFontDescription::FromLogFont(const TLogFont& lf, uint32_t color) {
  TFontDescription d;
  d.Name = lf.FaceName;
  d.Height = lf.Height;
  d.Color = color;
  d.Style = 0;
  if (lf.Weight >= TLogFont::kWeightBold) d.Style |= FontStyleBit(fsBold);
  if (lf.Italic) d.Style |= FontStyleBit(fsItalic);
  if (lf.Underline) d.Style |= FontStyleBit(fsUnderline);
  if (lf.StrikeOut) d.Style |= FontStyleBit(fsStrikeOut);
  d.Charset = lf.CharSet;
  switch (lf.PitchAndFamily & 3) {
    case 1: d.Pitch = fpFixed; break;
    case 2: d.Pitch = fpVariable; break;
    default: d.Pitch = fpDefault; break;
  }
  return d;
}

std::optional<TLogFont> TLogFont::FromBytes(std::span<const uint8_t> bytes) {
  if (bytes.size() < kSize) return std::nullopt;
  const uint8_t* p = bytes.data();
  TLogFont lf;
  lf.Height = int32_t(LoadU32(p + 0));
  lf.Width = int32_t(LoadU32(p + 4));
  lf.Escapement = int32_t(LoadU32(p + 8));
  lf.Orientation = int32_t(LoadU32(p + 12));
  lf.Weight = int32_t(LoadU32(p + 16));
  lf.Italic = p[20];
  lf.Underline = p[21];
  lf.StrikeOut = p[22];
  lf.CharSet = p[23];
  lf.OutPrecision = p[24];
  lf.ClipPrecision = p[25];
  lf.Quality = p[26];
  lf.PitchAndFamily = p[27];
  const char* face = reinterpret_cast<const char*>(p + 28);
  lf.FaceName.assign(face, strnlen(face, kFaceSize));
  return lf;
}

std::array<uint8_t, TLogFont::kSize> TLogFont::ToBytes() const {
  std::array<uint8_t, kSize> out{};
  uint8_t* p = out.data();
  StoreU32(p + 0, uint32_t(Height));
  StoreU32(p + 4, uint32_t(Width));
  StoreU32(p + 8, uint32_t(Escapement));
  StoreU32(p + 12, uint32_t(Orientation));
  StoreU32(p + 16, uint32_t(Weight));
  p[20] = Italic;
  p[21] = Underline;
  p[22] = StrikeOut;
  p[23] = CharSet;
  p[24] = OutPrecision;
  p[25] = ClipPrecision;
  p[26] = Quality;
  p[27] = PitchAndFamily;
  // Whole characters only, and room for the terminating zero.
  size_t n = 0;
  while (n < FaceName.size()) {
    size_t step = IsGbkLeadByte(uint8_t(FaceName[n])) && n + 1 < FaceName.size() ? 2 : 1;
    if (n + step > kFaceSize - 1 || FaceName[n] == '\0') break;
    n += step;
  }
  std::memcpy(p + 28, FaceName.data(), n);
  return out;
}

}  // namespace platform
