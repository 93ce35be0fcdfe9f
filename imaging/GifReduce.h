#pragma once
// Colour reduction: any picture becomes at most 256 colours before it can be a GIF frame. A
// palette is chosen by the reduction method, every pixel is mapped to it by a colour lookup,
// either to the nearest entry or through error diffusion (the dither kind), and the result is an
// 8-bit bitmap. The same lookups and the Floyd-Steinberg ditherer serve the dithered display of
// frames (GifRender).
//
// Reduction methods (ReduceColors):
//   0 none (a 24-bit copy)            5 256 greys (grey lookup)
//   1 the 20 system colours           6 the 216-colour web palette (web lookup)
//   2 the halftone palette            7 octree of 2^bits colours
//   3 4 greys: 0, 128, 192, 255       8 octree of 236 colours and the 20 system colours
//   4 black and white (monochrome)    9 a palette given by the caller
// Dither kinds: 0 nearest colour, 1 Floyd-Steinberg, 2 Stucki, 3 Sierra, 4 Jarvis-Judice-Ninke,
// 5 Stevenson-Arce, 6 Burkes. Methods other than 4, 5 and 6 look colours up in the palette
// (nearest by the sum of channel differences).
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace imaging {

using platform::TColor;

// --- Palettes ----------------------------------------------------------------------------------

// Entry 36r + 6g + b is (51r, 51g, 51b).
std::vector<TColor> WebPalette();
std::vector<TColor> GrayScalePalette();  // (i, i, i)
std::vector<TColor> BWPalette();         // black, white
std::vector<TColor> Gray4Palette();      // 0, 128, 192, 255
std::vector<TColor> HalftonePalette();   // the screen's 256-colour palette
// The system's 20 colours: the 16 VGA colours with the four pale ones at places 8-11.
std::vector<TColor> SystemPalette();
// The octree palette of a bitmap: `maxColors` entries (entries past the tree's leaves black);
// with the system colours, the first and last ten of them take entries 0-9 and 246-255 and the
// tree fills the 236 between.
std::vector<TColor> OctreePalette(const platform::TBitmap& bitmap, int maxColors, int colorBits,
                                  bool systemColors);

// --- Colour lookups ----------------------------------------------------------------------------

class TColorLookup {
 public:
  virtual ~TColorLookup() = default;
  // The palette index for a colour and the palette colour chosen.
  virtual int Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) = 0;
  const std::vector<TColor>& Palette() const { return palette_; }

 protected:
  std::vector<TColor> palette_;
};

// Nearest entry of any palette (up to 256) by the sum of absolute channel differences, the
// lowest index on a tie. Answers are cached per 15-bit colour (the top 5 bits of each channel),
// pre-set with each entry's own colour.
class TFastColorLookup : public TColorLookup {
 public:
  explicit TFastColorLookup(std::span<const TColor> palette);
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) override;

  static int CacheKey(uint8_t red, uint8_t green, uint8_t blue) {
    return (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10);
  }

 private:
  std::vector<uint16_t> cache_;
};

// The web palette: each channel becomes level (c + 3) div 51.
class TNetscapeColorLookup : public TColorLookup {
 public:
  TNetscapeColorLookup();
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) override;
};

// 256 greys: (77 R + 150 G + 29 B) shr 8.
class TGrayScaleLookup : public TColorLookup {
 public:
  TGrayScaleLookup();
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) override;
};

// Black below 77 R + 150 G + 29 B = 32513, else white.
class TMonochromeLookup : public TColorLookup {
 public:
  TMonochromeLookup();
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) override;
};

// --- Dither engines ----------------------------------------------------------------------------

// Nearest colour; rows are walked in serpentine order (left to right, then right to left).
class TDitherEngine {
 public:
  TDitherEngine(int width, TColorLookup& lookup) : width_(width), lookup_(lookup) {}
  virtual ~TDitherEngine() = default;

  // The index for the pixel at Column() and the colour chosen; moves to the next column.
  virtual int Dither(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen);
  // Turns round at the end of a row.
  virtual void NextLine();
  // Steps over the pixel at Column() without dithering it.
  void Skip() { column_ += direction_; }

  int Width() const { return width_; }
  int Column() const { return column_; }
  int Direction() const { return direction_; }
  bool InRow() const { return column_ >= 0 && column_ < width_; }

 protected:
  int width_;
  TColorLookup& lookup_;
  int direction_ = 1;
  int column_ = 0;
};

// One term of an error-diffusion kernel: the row after the current one (0 = this row), the
// offset in the walking direction and the weight.
struct TDitherWeight {
  int Row;
  int Offset;
  int Weight;
};

// Error diffusion: per channel, one error row for the current row and one per row the kernel
// reaches, each width + 2 x reach long, rotated (not reallocated) at every row.
class TErrorDiffusionDitherer : public TDitherEngine {
 public:
  int Dither(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) override;
  void NextLine() override;

  int Divisor() const { return divisor_; }
  // The error held for a column of a row (0 = the current one) and channel (0 red, 1 green,
  // 2 blue), for tests.
  int Error(int row, int column, int channel) const;

 protected:
  TErrorDiffusionDitherer(int width, TColorLookup& lookup, std::vector<TDitherWeight> kernel,
                          int divisor);
  // Spreads one channel's error at a column over the kernel.
  void Distribute(int channel, int error, int column);

 private:
  std::vector<TDitherWeight> kernel_;
  int divisor_;
  int reach_ = 0;
  int rows_ = 1;
  std::vector<std::vector<int32_t>> errors_[3];  // per channel: rows_ arrays, [0] current
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
 public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);
};

// The 5-wide kernels over 3 rows.
class T5by3Ditherer : public TErrorDiffusionDitherer {
 protected:
  using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

class TStuckiDitherer : public T5by3Ditherer {
 public:
  TStuckiDitherer(int width, TColorLookup& lookup);
};

class TSierraDitherer : public T5by3Ditherer {
 public:
  TSierraDitherer(int width, TColorLookup& lookup);
};

class TJaJuNiDitherer : public T5by3Ditherer {
 public:
  TJaJuNiDitherer(int width, TColorLookup& lookup);
};

class TSteveArcheDitherer : public TErrorDiffusionDitherer {
 public:
  TSteveArcheDitherer(int width, TColorLookup& lookup);
};

class TBurkesDitherer : public TErrorDiffusionDitherer {
 public:
  TBurkesDitherer(int width, TColorLookup& lookup);
};

// The engine of a dither kind 0-6; null for any other kind.
std::unique_ptr<TDitherEngine> MakeDitherEngine(int kind, int width, TColorLookup& lookup);

// --- Octree quantizer --------------------------------------------------------------------------

struct TOctreeNode {
  bool Leaf = false;
  uint32_t PixelCount = 0;
  uint32_t RedSum = 0;
  uint32_t GreenSum = 0;
  uint32_t BlueSum = 0;
  TOctreeNode* NextReducible = nullptr;
  std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

class TColorQuantizer {
 public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();

  // Adds a colour, then merges the deepest reducible nodes until at most MaxColors leaves remain.
  void AddColor(uint8_t red, uint8_t green, uint8_t blue);
  void AddBitmap(const platform::TBitmap& bitmap);
  int LeafCount() const { return leafCount_; }
  int MaxColors() const { return maxColors_; }
  // The leaves' average colours, depth first, children in index order.
  std::vector<TColor> Colors() const;

 private:
  void Reduce();
  TOctreeNode* NewNode(int level);

  std::unique_ptr<TOctreeNode> root_;
  int leafCount_ = 0;
  std::array<TOctreeNode*, 8> reducible_{};
  int maxColors_;
  int colorBits_;
};

// --- Reduction ---------------------------------------------------------------------------------

// The bitmap reduced by a method and dither kind: 8 bits per pixel with the method's palette,
// or a 24-bit copy for method 0. A method outside 0-9 or a dither kind outside 0-6 gives an
// empty bitmap. The octree's bit count is taken between 1 and 8. Method 9 without a palette
// raises GIFException "No palette given for color reduction".
platform::TBitmap ReduceColors(const platform::TBitmap& source, int method, int ditherKind,
                               std::span<const TColor> palette, int bitCount);

// Row access to a bitmap in one pixel format: the reader converts a copy once (the source is
// left alone), the writer makes the target an 8- or 24-bit bitmap of a size and fills its rows.
class TDIBReader {
 public:
  // The bitmap must outlive the reader and stay unchanged while it is read.
  TDIBReader(const platform::TBitmap& bitmap, platform::TPixelFormat format);
  TDIBReader(const TDIBReader&) = delete;
  TDIBReader& operator=(const TDIBReader&) = delete;
  const uint8_t* ScanLine(int row) const { return source_->ScanLine(row); }
  const platform::TBitmap& Bitmap() const { return *source_; }

 private:
  const platform::TBitmap* source_;
  platform::TBitmap copy_;
};

class TDIBWriter {
 public:
  // Raises GIFException "Unsupported PixelFormat" for formats other than 8 and 24 bits, and
  // "Invalid image dimensions" for a width or height of 0.
  TDIBWriter(platform::TBitmap& target, platform::TPixelFormat format, int width, int height,
             std::span<const TColor> palette = {});
  // Raises the bitmap's scan-line error outside the image.
  uint8_t* ScanLine(int row) { return target_.ScanLine(row); }

 private:
  platform::TBitmap& target_;
};

}  // namespace imaging
