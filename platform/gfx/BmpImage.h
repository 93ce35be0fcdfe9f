#pragma once
// Windows and OS/2 bitmap files.
//
// Reading takes 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, run-length (RLE8, RLE4)
// and with bit fields, bottom-up and top-down, with any of the usual info headers (12, 40,
// 52, 56, 64, 108 or 124 bytes). Indexed pictures keep their palette and pixel format; 16-bit
// pictures become pf15bit or pf16bit and 32-bit ones pf32bit when their bit fields are the
// usual ones, else pf24bit. Pixels a run-length picture jumps over keep palette index 0.
// Every read stays inside the given bytes; damaged files throw EInvalidGraphic with a fixed
// text saying what is wrong.
//
// Writing makes an uncompressed bottom-up file with a 40-byte info header: indexed bitmaps with
// their palette and bit depth, all others with 24 bits per pixel.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"

namespace platform {

// A whole file: the 14-byte file header, then the bitmap.
TBitmap ReadBmp(const uint8_t* data, size_t size);
// A bitmap without the file header (a packed device-independent bitmap): info header,
// palette, pixels.
TBitmap ReadDib(const uint8_t* data, size_t size);
std::vector<uint8_t> WriteBmp(const TBitmap& bitmap);

// The framework's bitmap as a picture class (registered for "bmp"). Image readers of other
// formats derive from it, load into Bitmap() and keep its bitmap-file SaveToStream.
class TBitmapGraphic : public TGraphic {
 public:
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  void LoadFromStream(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> SaveToStream() const override;
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void Draw(TCanvas& canvas, const TRect& rect) const override;

  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& Bitmap() const { return bitmap_; }

  // The framework bitmap's transparency: while Transparent is set, Draw leaves out the pixels
  // of TransparentColor (colours compared as the bitmap stores them). Readers that find a
  // transparent colour in a file set both; other pictures leave them alone.
  bool Transparent = false;
  TColor TransparentColor = clBlack;

 private:
  TBitmap bitmap_;
};

}  // namespace platform
