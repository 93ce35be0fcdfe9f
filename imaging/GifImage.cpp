#include "imaging/GifImage.h"

#include <algorithm>

namespace imaging {

TGIFImage::TGIFImage()
    : header_(std::make_unique<TGIFHeader>(this)),
      images_(std::make_unique<TGIFImageList>(this)) {
  Clear();
}

TGIFImage::~TGIFImage() {
  // Frames reach back into the image (header, global table) while they are freed.
  images_->Clear();
}

void TGIFImage::Warning(const void* sender, uint8_t severity, const std::string& text) {
  if (OnWarning) OnWarning(sender, severity, text);
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& text) {
  if (OnProgress) OnProgress(stage, percent, text);
}

void TGIFImage::Clear() {
  images_->Clear();
  header_->Clear();
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  frame->AttachTo(this);
  return images_->Add(std::move(frame));
}

int TGIFImage::Version() const {
  int version = 0;
  for (int i = 0; i < images_->Count() && version < 2; ++i)
    version = std::max(version, (*images_)[i]->Version());
  return version;
}

int TGIFImage::BitsPerPixel() const {
  int bits = header_->ColorMap().BitsPerPixel();
  for (int i = 0; i < images_->Count(); ++i)
    bits = std::max(bits, (*images_)[i]->ColorMap().BitsPerPixel());
  return bits;
}

void TGIFImage::ReservePixels(size_t bytes) {
  if (!loading_) return;
  if (bytes > GIFLimits().TotalBytes || loadedPixels_ > GIFLimits().TotalBytes - bytes)
    throw GIFException("GIF image too large");
  loadedPixels_ += bytes;
}

void TGIFImage::LoadFromStream(const uint8_t* data, size_t size) {
  TGIFReader in(data, size);
  Progress(psStarting, 0, "Loading...");
  // The new model is built in place of the old one, which comes back if the load fails.
  std::unique_ptr<TGIFHeader> oldHeader = std::move(header_);
  std::unique_ptr<TGIFImageList> oldImages = std::move(images_);
  header_ = std::make_unique<TGIFHeader>(this);
  images_ = std::make_unique<TGIFImageList>(this);
  loading_ = true;
  loadedPixels_ = 0;
  try {
    header_->LoadFromStream(in);
    images_->LoadFromStream(in);
    if (in.Remaining() > 0 && in.U8() != ';')
      images_->Warning(GIFWarningSeverity, "Invalid Image trailer");
  } catch (...) {
    loading_ = false;
    images_->Clear();
    images_ = std::move(oldImages);
    header_ = std::move(oldHeader);
    Progress(psEnding, 0, "Loading...");
    throw;
  }
  loading_ = false;
  oldImages->Clear();
  oldImages.reset();
  oldHeader.reset();
  ColorMapChanged();
  Progress(psEnding, 100, "Loading...");
}

std::vector<uint8_t> TGIFImage::SaveToStream() const {
  std::vector<uint8_t> out;
  // Progress goes through the (logically unchanged) image; saving also brings the packed
  // flags of header and frames up to date, as they are written.
  auto* self = const_cast<TGIFImage*>(this);
  self->Progress(psStarting, 0, "Saving...");
  try {
    header_->SaveToStream(out);
    images_->SaveToStream(out);
    out.push_back(';');
  } catch (...) {
    self->Progress(psEnding, 0, "Saving...");
    throw;
  }
  self->Progress(psEnding, 100, "Saving...");
  return out;
}

}  // namespace imaging
