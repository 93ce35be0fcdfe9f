#include "imaging/Ppm.h"

#include <algorithm>

namespace imaging {

platform::TGraphicClass TPPMGraphic::Class() { return platform::GraphicClassOf<TPPMGraphic>("TPPMGraphic"); }

namespace {

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The text parts of a map: numbers between blanks and comments ("#" to the end of the line).
class TMapText {
 public:
  explicit TMapText(TImageStream& in) : in_(in) {}

  // Skips to the first digit, stepping over comments, and reads the digits (a value too large
  // for 32 bits stays at the largest); the character after the number is consumed.
  uint32_t Number() { return Digits(NextDigit()); }

  // The digits from `first` on.
  uint32_t Digits(uint8_t first) {
    uint64_t value = first - '0';
    while (in_.Remaining() > 0) {
      const uint8_t c = in_.U8();
      if (!IsDigit(c)) break;
      value = std::min<uint64_t>(value * 10 + (c - '0'), UINT32_MAX);
    }
    return uint32_t(value);
  }

  // The next digit character; anything before it that is not a digit is skipped.
  uint8_t NextDigit() {
    for (;;) {
      const uint8_t c = in_.U8();
      if (IsDigit(c)) return c;
      if (c == '#') SkipComment();
    }
  }

 private:
  // A comment ends at LF or CR (its CR LF is then skipped as blanks).
  void SkipComment() {
    for (uint8_t c = in_.U8(); c != '\n' && c != '\r'; c = in_.U8()) {
    }
  }

  TImageStream& in_;
};

}  // namespace

void TPPMGraphic::ReadImage(TImageStream& stream, platform::TBitmap& bitmap) {
  TImageStream in(stream.Data(), stream.Size(), SFormatPpm);
  TMapText text(in);
  if (in.U8() != 'P') RaiseInvalidImage();
  const uint8_t first = in.U8();
  if (!IsDigit(first)) RaiseInvalidImage();
  const uint32_t kind = text.Digits(first);
  if (kind < 1 || kind > 6) RaiseInvalidImage();
  const uint32_t width = text.Number();
  const uint32_t height = text.Number();
  const bool bits = kind == 1 || kind == 4, gray = kind == 2 || kind == 5;
  const bool binary = kind >= 4;
  const uint32_t maximum = bits ? 1 : text.Number();

  if (bits || gray) bitmap.SetPixelFormat(bits ? platform::pf1bit : platform::pf8bit);
  CheckBitmapSize(bitmap, width, height);
  // Every sample takes at least one byte (one character in text maps): a map that cannot hold
  // its picture is refused before the bitmap is made.
  const size_t channels = kind == 3 || kind == 6 ? 3 : 1, sampleBytes = maximum > 255 ? 2 : 1;
  const uint64_t needed = kind == 4   ? (uint64_t(width) + 7) / 8 * height
                          : binary    ? uint64_t(width) * height * channels * sampleBytes
                                      : uint64_t(width) * height * channels;
  if (needed > in.Remaining()) in.Fail();

  TColorManager& m = ColorManager();
  if (bits || gray) {
    m.SetSourceColorScheme(schIndexed);
    m.SetTargetColorScheme(schIndexed);
    m.SetSourceBitsPerSample(bits ? 1 : 8);
    m.SetTargetBitsPerSample(bits ? 1 : 8);
  }
  SizeBitmap(bitmap, width, height);
  if (bits || gray) bitmap.SetPalette(m.MakeGrayPalette(bits));  // bits: 0 white, 1 black

  if (kind == 1) {
    // Each "0" or "1" character is one pixel, with or without blanks between them.
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* row = bitmap.ScanLine(int(y));
      for (uint32_t x = 0; x < width; ++x)
        if ((text.NextDigit() - '0') & 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    return;
  }
  if (kind == 4) {
    const size_t rowBytes = (size_t(width) + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
      const std::span<const uint8_t> row = in.Read(rowBytes);
      std::copy(row.begin(), row.end(), bitmap.ScanLine(int(y)));
    }
    return;
  }

  // Grey and colour samples, brought to 0..255 when the maximum is above 255 the way every
  // other 16-bit source is reduced: v x 255 div maximum, truncated. For 65535 that is the colour
  // manager's own reduction; for other maxima it is the same as widening to 16 bits first
  // (v x 65535 div maximum) and then reducing, so a deep map loads as its PNG or TIFF does.
  auto scale = [maximum](uint32_t v) -> uint8_t {
    if (maximum > 255) return uint8_t(std::min<uint64_t>(uint64_t(v) * 255 / maximum, 255));
    return uint8_t(std::min<uint32_t>(v, 255));
  };
  const size_t rowSamples = size_t(width) * channels;
  std::vector<uint8_t> samples(rowSamples);
  for (uint32_t y = 0; y < height; ++y) {
    if (binary) {
      const uint8_t* p = in.Read(rowSamples * sampleBytes).data();
      for (size_t i = 0; i < rowSamples; ++i, p += sampleBytes)
        samples[i] = scale(sampleBytes == 2 ? uint32_t((p[0] << 8) | p[1]) : p[0]);
    } else {
      for (uint8_t& s : samples) s = scale(text.Number());
    }
    // Grey indexes are copied; red, green, blue become the bitmap's blue, green, red.
    m.ConvertRow({std::span<const uint8_t>(samples)}, BitmapRow(bitmap, int(y)), width);
  }
}

}  // namespace imaging
