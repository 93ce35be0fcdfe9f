#pragma once
// The colour manager: turns one row of decoded samples, in whatever colour scheme, depth and
// layout a file uses, into one row of the bitmap a reader fills, and makes the palettes that
// indexed and grey pictures need.
//
// A reader describes the source and the wanted target (schemes, bits per sample, samples per
// pixel, options), takes the bitmap's pixel format from PixelFormatFor(true), and hands every
// decoded row to ConvertRow. The row converter is chosen again only when a setting changed.
//
// Rows are spans: ConvertRow checks that the sources and the target hold what `count` pixels
// need before it writes anything, so no converter touches memory outside them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"

namespace imaging {

using platform::TColor;
using platform::TPixelFormat;

// Settings the manager cannot convert with. Readers let it pass: it reaches the user as the
// reason a picture did not load.
class EColorConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* SBadColorDepth =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8, or 16.";
inline constexpr const char* SBadSampleCount =
    "Sample count per pixel does not correspond to the given color scheme.";
inline constexpr const char* SIndexedNotSupported =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr const char* SNoConversionMethod =
    "Color conversion failed. Could not find a proper method.";

enum TSampleScheme : uint8_t {
  schIndexed,    // palette indexes; also grey pictures that get a grey palette
  schGray,
  schGrayAlpha,  // grey, then alpha
  schRGB,
  schRGBA,
  schBGR,
  schBGRA,
  schUnused,     // kept for the order of the values; nothing converts from or to it
  schCMYK,
  schCIELab,
  schYCbCr,
};

// Flags of the source or target data, an 8-bit set.
using TRowOptions = uint8_t;
inline constexpr TRowOptions optHasAlpha = 1;   // an alpha sample comes last; set from the scheme
inline constexpr TRowOptions optGamma = 2;      // (target) colour samples go through GammaTable
inline constexpr TRowOptions optSwapBytes = 4;  // (source) 16-bit samples are high byte first
inline constexpr TRowOptions optLabScaled = 8;  // (source, CIELab) L stored 0..255, divided by 2.55
inline constexpr TRowOptions optLabOffset = 16; // (source, CIELab) a, b unsigned with 128 added

// Layouts of raw palette data for MakePalette (3 and 7 read as 2 and 6).
inline constexpr int palTriples8 = 0;   // one span: red, green, blue bytes
inline constexpr int palQuads8 = 1;     // one span: four bytes an entry, the fourth skipped
inline constexpr int palPlanes8 = 2;    // three spans: red, green and blue bytes
inline constexpr int palTriples16 = 4;  // one span: 16-bit triples
inline constexpr int palQuads16 = 5;    // one span: 16-bit quadruples, the fourth word skipped
inline constexpr int palPlanes16 = 6;   // three spans: 16-bit red, green and blue planes

class TColorManager;

// One row's work, as ConvertRow hands it to the chosen converter after checking the spans.
struct TRowJob {
  const uint8_t* Sources[4] = {};
  int Planes = 0;  // 1: channels interleaved in Sources[0]; more: one plane per channel
  uint8_t* Target = nullptr;
  size_t Count = 0;
  uint8_t Mask = 0xFF;
};
using TRowConverter = void (*)(const TColorManager& manager, const TRowJob& job);

class TColorManager {
 public:
  TColorManager();

  uint8_t SourceBitsPerSample() const { return sourceBits_; }
  uint8_t TargetBitsPerSample() const { return targetBits_; }
  uint8_t SourceSamplesPerPixel() const { return sourceSamples_; }
  uint8_t TargetSamplesPerPixel() const { return targetSamples_; }
  TSampleScheme SourceColorScheme() const { return sourceScheme_; }
  TSampleScheme TargetColorScheme() const { return targetScheme_; }
  float MainGamma() const { return mainGamma_; }
  float DisplayGamma() const { return displayGamma_; }
  const std::array<uint8_t, 256>& GammaTable() const { return gammaTable_; }
  // A setting changed since the row converter was chosen.
  bool Changed() const { return changed_; }

  // 1, 2, 4, 8 or 16; anything else throws SBadColorDepth and keeps the old value.
  void SetSourceBitsPerSample(uint8_t bits);
  void SetTargetBitsPerSample(uint8_t bits);
  // 1, 3 or 4; anything else throws SBadSampleCount. 1 also makes that side indexed.
  void SetSourceSamplesPerPixel(uint8_t samples);
  void SetTargetSamplesPerPixel(uint8_t samples);
  // schIndexed also sets that side to one sample per pixel.
  void SetSourceColorScheme(TSampleScheme scheme);
  void SetTargetColorScheme(TSampleScheme scheme);
  // Stores both gammas (a value not above 0 becomes 1.0 for the main and 2.2 for the display
  // gamma) and rebuilds GammaTable: entry i = round(255 * (i / 255) ^ (1 / (main * display))).
  // The table serves 8-bit values whatever the depths, so it always has all 256 entries.
  void SetGamma(float mainGamma, float displayGamma);

  // Flags of the data, assigned directly by readers; a change counts from the next ConvertRow.
  // optHasAlpha is set and cleared from the schemes when the converter is chosen.
  TRowOptions SourceOptions = 0;
  TRowOptions TargetOptions = 0;

  // The bitmap format for the source (false) or target (true) side from its samples per pixel
  // S and bits per sample B; none for the formats the bitmap has no layout for:
  // S = 1: B 1 -> pf1bit, B 2..4 -> pf4bit, B 8..16 -> pf8bit; S = 3: B 1..5 -> pf15bit, else
  // pf24bit; S = 4: B 8 and above -> pf32bit.
  std::optional<TPixelFormat> PixelFormatFor(bool target) const;

  // Converts `count` pixels from the sources (one span: channels interleaved; more: one plane
  // per channel in the scheme's order, for example R, G, B, alpha or C, M, Y, K) into the
  // target row. Pixel i is converted when bit 7 - (i mod 8) of `mask` is set; a skipped pixel
  // advances the target and consumes no source sample. Chooses the converter first when a
  // setting changed (throwing SIndexedNotSupported for a mixed pair of schemes) and throws
  // SNoConversionMethod when there is none. Throws std::length_error, writing nothing, when a
  // source or the target is shorter than the pixels need (SourceBytes, TargetBytes).
  void ConvertRow(std::initializer_list<std::span<const uint8_t>> sources,
                  std::span<uint8_t> target, size_t count, uint8_t mask = 0xFF);
  void ConvertRow(std::span<const std::span<const uint8_t>> sources, std::span<uint8_t> target,
                  size_t count, uint8_t mask = 0xFF);

  // What ConvertRow needs for `count` pixels with the current settings: bytes of each source
  // span (`planes` spans given) and of the target. Chooses the converter like ConvertRow.
  size_t SourceBytes(size_t count, uint8_t mask, size_t planes);
  size_t TargetBytes(size_t count);

  // A grey ramp of N = 2^(target bits x target samples) entries (at most 256), entry i the
  // grey i x (255 div (N - 1)), through GammaTable when the target has optGamma; reversed puts
  // entry i at N - 1 - i.
  std::vector<TColor> MakeGrayPalette(bool reversed) const;
  // A palette from raw data in one of the layouts above; at most 256 entries (a larger count
  // is cut). `blueFirst` says interleaved entries are stored blue, green, red. 8-bit values go
  // through GammaTable when the target has optGamma; 16-bit values are reduced to 8 bits
  // (byte-swapped first when the source has optSwapBytes), gamma as set. Throws
  // std::length_error when the spans are fewer or shorter than the entries need.
  std::vector<TColor> MakePalette(std::span<const std::span<const uint8_t>> data, int layout,
                                  size_t colorCount, bool blueFirst) const;
  std::vector<TColor> MakePalette(std::initializer_list<std::span<const uint8_t>> data,
                                  int layout, size_t colorCount, bool blueFirst) const;

 private:
  void SetDepth(uint8_t& field, uint8_t bits);
  void SetSamples(uint8_t& field, TSampleScheme& scheme, uint8_t samples);
  void SetScheme(TSampleScheme& field, uint8_t& samples, TSampleScheme scheme);
  // Picks the row converter and the buffer rules for the current settings.
  void ChooseConverter();
  void EnsureConverter();
  // Samples of a source pixel in one interleaved span, and channels (planes) the converter
  // reads.
  size_t SourceSamplesOfScheme() const;
  size_t PlanesRead() const;

  bool changed_ = true;
  uint8_t sourceBits_ = 8;
  uint8_t targetBits_ = 8;
  uint8_t sourceSamples_ = 3;
  uint8_t targetSamples_ = 3;
  float mainGamma_ = 1.0f;
  float displayGamma_ = 2.2f;
  std::array<uint8_t, 256> gammaTable_{};
  TSampleScheme sourceScheme_ = schRGB;
  TSampleScheme targetScheme_ = schBGR;
  TRowConverter rowConverter_ = nullptr;
  // The options the converter was chosen with, so a direct assignment is noticed.
  TRowOptions chosenSourceOptions_ = 0;
  TRowOptions chosenTargetOptions_ = 0;
  enum class TFamily : uint8_t { None, Indexed, Gray, Color } family_ = TFamily::None;
};

// 2-bit palette indexes widened to 4-bit pixels without scaling them (0-3 stay 0-3, high nibble
// first), for readers whose 2-bit palette pictures go into a 4-bit bitmap under the file's four
// colours. `mask` covers pixels as ConvertRow's does: a skipped pixel keeps its target nibble and
// consumes no source index. Throws std::length_error, writing nothing, when a span is short for
// `count` pixels.
void WidenIndexes2To4(std::span<const uint8_t> source, std::span<uint8_t> target, size_t count,
                      uint8_t mask = 0xFF);

}  // namespace imaging
