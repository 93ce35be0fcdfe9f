#pragma once
// TRasterGraphic, the base of every raster reader, and TImageStream, the bounded reader of a
// picture's bytes that the readers read through.
//
// Rules every reader follows, which the base enforces where it can:
//   - LoadFromStream(data, size) reads only inside those bytes; offsets in a file count from
//     `data`. Needing bytes past the end throws "Stream read error in %s file." (TImageStream).
//   - A size the bitmap cannot hold throws the format's invalid-image text before anything is
//     allocated (SizeBitmap).
//   - Each load starts from a colour manager with its defaults and decodes into a new bitmap;
//     the picture takes both over only when the load succeeds, so a failed load keeps what the
//     picture held. An EBitmapError never leaves a reader: it becomes the invalid-image text.
//   - Errors are EInvalidGraphic with the texts of GraphicStrings, or the colour manager's
//     EColorConversionError, which passes through.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "imaging/GraphicStrings.h"
#include "imaging/RasterColor.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Picture.h"

namespace imaging {

// Throws EInvalidGraphic with `text`, its %s places filled by `args`.
[[noreturn]] void RaiseGraphicError(std::string_view text,
                                    std::initializer_list<std::string_view> args);

// A picture's bytes with a read position. Every read checks its bounds first and throws
// EInvalidGraphic "Stream read error in <format> file." when the bytes are not there; the
// position then stays where it was.
class TImageStream {
 public:
  TImageStream(const uint8_t* data, size_t size, std::string_view formatName)
      : data_(data), size_(size), formatName_(formatName) {}

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  size_t Position() const { return position_; }
  size_t Remaining() const { return size_ - position_; }

  // Moves to an offset from the first byte; past the end throws.
  void Seek(uint64_t position);
  void Skip(uint64_t count);
  // The next `count` bytes, read.
  std::span<const uint8_t> Read(uint64_t count);
  // `count` bytes at an offset from the first byte, without moving.
  std::span<const uint8_t> At(uint64_t offset, uint64_t count) const;
  uint8_t U8();
  uint16_t U16LE();
  uint16_t U16BE();
  uint32_t U32LE();
  uint32_t U32BE();

  [[noreturn]] void Fail() const;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  std::string_view formatName_;
};

// Row y of a bitmap as a span of its stride, the target a reader hands ConvertRow.
inline std::span<uint8_t> BitmapRow(platform::TBitmap& bitmap, int y) {
  return {bitmap.ScanLine(y), bitmap.Stride()};
}

class TRasterGraphic : public platform::TBitmapGraphic {
 public:
  // The manager of the last successful load (defaults before any).
  TColorManager& ColorManager() { return colorManager_; }
  const TColorManager& ColorManager() const { return colorManager_; }

  // Runs ReadImage with a fresh colour manager into a new bitmap (see the rules above).
  void LoadFromStream(const uint8_t* data, size_t size) final;

 protected:
  // The format's name in the messages, for example "TIF/TIFF".
  virtual std::string_view FormatName() const = 0;
  // Reads the picture from `in` (positioned at its first byte) into `bitmap`, an empty 24-bit
  // bitmap, using ColorManager(). Each format overrides it; the base reads nothing and throws
  // "Cannot load image. Reading is not supported for %s files.".
  virtual void ReadImage(TImageStream& in, platform::TBitmap& bitmap);

  // Throw EInvalidGraphic with the format's name in the shared texts.
  [[noreturn]] void RaiseInvalidImage() const;
  [[noreturn]] void RaiseNotSupported(std::string_view phrase) const;
  [[noreturn]] void RaiseInvalidColorFormat() const;
  // The colour manager's target pixel format; the invalid-colour-format text when the manager
  // names a format the bitmap has no layout for.
  platform::TPixelFormat TargetPixelFormat() const;
  // Gives the bitmap its size, first checking that the bitmap can hold it in its current pixel
  // format; the invalid-image text when it cannot (also for negative sizes).
  void SizeBitmap(platform::TBitmap& bitmap, int64_t width, int64_t height) const;
  // The check alone, for readers that look at their data before they make the bitmap.
  void CheckBitmapSize(const platform::TBitmap& bitmap, int64_t width, int64_t height) const;

 private:
  TColorManager colorManager_;
};

}  // namespace imaging
