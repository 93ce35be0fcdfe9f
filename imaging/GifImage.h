#pragma once
// TGIFImage: a GIF file as a picture. It owns the header and the frames of the model in
// GifFile.h, loads and saves whole files, and passes the warnings and progress of its items on
// to whoever listens.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/GifFile.h"

namespace imaging {

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };

// Sender (the image, a list, a colour map or an item), severity and text.
using TGIFWarningEvent =
    std::function<void(const void* sender, uint8_t severity, const std::string& text)>;
using TGIFProgressEvent =
    std::function<void(TProgressStage stage, int percent, const std::string& text)>;

class TGIFImage {
 public:
  TGIFImage();
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;
  virtual ~TGIFImage();

  TGIFHeader& Header() { return *header_; }
  const TGIFHeader& Header() const { return *header_; }
  TGIFImageList& Images() { return *images_; }
  const TGIFImageList& Images() const { return *images_; }
  TGIFColorMap& GlobalColorMap() { return header_->ColorMap(); }

  // The logical screen.
  int Width() const { return header_->Width; }
  int Height() const { return header_->Height; }
  bool Empty() const { return images_->Count() == 0; }

  // The raster encoder used when saving: 1 run-length, anything else LZW.
  uint8_t CompressionKind = 0;

  // Called with every warning of the image and its items; dropped when unset.
  TGIFWarningEvent OnWarning;
  // Called with the stages of loading, saving and converting; dropped when unset.
  TGIFProgressEvent OnProgress;

  void Warning(const void* sender, uint8_t severity, const std::string& text);
  void Progress(TProgressStage stage, int percent, const std::string& text);

  // Frees the frames, empties the global table and makes the screen 0 x 0.
  void Clear();
  // Appends a frame (made for this image or another) and returns its index.
  int Add(std::unique_ptr<TGIFSubImage> frame);
  // The highest Version of the frames, stopping at 2; 0 without frames.
  int Version() const;
  // The largest bit count of the global and every local table.
  int BitsPerPixel() const;

  // Reads a whole GIF file from the given bytes. On any error the image keeps what it held;
  // warnings raised before the error are still delivered.
  void LoadFromStream(const uint8_t* data, size_t size);
  // The image as a GIF file. Raises "Unsupported GIF version" without frames.
  std::vector<uint8_t> SaveToStream() const;

  // Called by a frame before it allocates `bytes` of pixels: during a load, raises "GIF image
  // too large" once the frames of the load together pass GIFLimits().TotalBytes.
  void ReservePixels(size_t bytes);

  // The global table changed: what was derived from it is out of date.
  virtual void ColorMapChanged() {}

 private:
  std::unique_ptr<TGIFHeader> header_;
  std::unique_ptr<TGIFImageList> images_;
  bool loading_ = false;
  size_t loadedPixels_ = 0;
};

}  // namespace imaging
