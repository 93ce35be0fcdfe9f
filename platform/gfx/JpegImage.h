#pragma once
// JPEG pictures on libjpeg. A library error becomes EInvalidGraphic "JPEG error #n" with the
// library's message code n; warnings (damaged but still decodable data) are ignored, so such a
// picture loads as far as the library can decode it. Colour pictures load as pf24bit,
// greyscale ones as pf8bit with a grey palette.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"

namespace platform {

TBitmap ReadJpeg(const uint8_t* data, size_t size);
// Compresses a bitmap (any format) as a colour JPEG of quality 1..100.
std::vector<uint8_t> WriteJpeg(const TBitmap& bitmap, int quality);

// The framework's JPEG picture class (registered for "jpg" and "jpeg"). It keeps the file it
// loaded and saves it unchanged; a picture given as a bitmap is compressed when saved.
class TJPEGImage : public TGraphic {
 public:
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  void LoadFromStream(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> SaveToStream() const override;
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void Draw(TCanvas& canvas, const TRect& rect) const override;

  const TBitmap& Bitmap() const { return bitmap_; }
  void Assign(const TBitmap& bitmap);

  int CompressionQuality = 90;

 private:
  TBitmap bitmap_;
  std::vector<uint8_t> data_;  // the file loaded; empty when the bitmap was assigned
};

}  // namespace platform
