#include "imaging/RasterGraphic.h"

#include <utility>

namespace imaging {

using platform::EInvalidGraphic;

void RaiseGraphicError(std::string_view text, std::initializer_list<std::string_view> args) {
  throw EInvalidGraphic(FillText(text, args));
}

void TImageStream::Fail() const { RaiseGraphicError(SStreamReadError, {formatName_}); }

void TImageStream::Seek(uint64_t position) {
  if (position > size_) Fail();
  position_ = size_t(position);
}

void TImageStream::Skip(uint64_t count) {
  if (count > Remaining()) Fail();
  position_ += size_t(count);
}

std::span<const uint8_t> TImageStream::Read(uint64_t count) {
  if (count > Remaining()) Fail();
  std::span<const uint8_t> out(data_ + position_, size_t(count));
  position_ += size_t(count);
  return out;
}

std::span<const uint8_t> TImageStream::At(uint64_t offset, uint64_t count) const {
  if (offset > size_ || count > size_ - offset) Fail();
  return {data_ + offset, size_t(count)};
}

uint8_t TImageStream::U8() { return Read(1)[0]; }

uint16_t TImageStream::U16LE() {
  const uint8_t* p = Read(2).data();
  return uint16_t(p[0] | (p[1] << 8));
}

uint16_t TImageStream::U16BE() {
  const uint8_t* p = Read(2).data();
  return uint16_t((p[0] << 8) | p[1]);
}

uint32_t TImageStream::U32LE() {
  const uint8_t* p = Read(4).data();
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t TImageStream::U32BE() {
  const uint8_t* p = Read(4).data();
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void TRasterGraphic::LoadFromStream(const uint8_t* data, size_t size) {
  TColorManager previous = std::exchange(colorManager_, TColorManager());
  platform::TBitmap bitmap;
  try {
    TImageStream in(data, size, FormatName());
    ReadImage(in, bitmap);
  } catch (const platform::EBitmapError&) {
    colorManager_ = previous;
    RaiseInvalidImage();
  } catch (...) {
    colorManager_ = previous;
    throw;
  }
  Bitmap() = std::move(bitmap);
}

void TRasterGraphic::ReadImage(TImageStream&, platform::TBitmap&) { RaiseNotSupported(SReadingIs); }

void TRasterGraphic::RaiseInvalidImage() const {
  RaiseGraphicError(SInvalidImage, {FormatName()});
}

void TRasterGraphic::RaiseNotSupported(std::string_view phrase) const {
  RaiseGraphicError(SNotSupported, {phrase, FormatName()});
}

void TRasterGraphic::RaiseInvalidColorFormat() const {
  RaiseGraphicError(SInvalidColorFormat, {FormatName()});
}

platform::TPixelFormat TRasterGraphic::TargetPixelFormat() const {
  std::optional<platform::TPixelFormat> pf = colorManager_.PixelFormatFor(true);
  if (!pf) RaiseInvalidColorFormat();
  return *pf;
}

void TRasterGraphic::CheckBitmapSize(const platform::TBitmap& bitmap, int64_t width,
                                     int64_t height) const {
  if (width < 0 || height < 0 || width > platform::TBitmap::MaxDimension ||
      height > platform::TBitmap::MaxDimension ||
      !platform::TBitmap::SizeAllowed(int(width), int(height), bitmap.PixelFormat()))
    RaiseInvalidImage();
}

void TRasterGraphic::SizeBitmap(platform::TBitmap& bitmap, int64_t width, int64_t height) const {
  CheckBitmapSize(bitmap, width, height);
  bitmap.SetSize(int(width), int(height));
}

}  // namespace imaging
