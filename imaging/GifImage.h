#pragma once
// TGIFImage: the GIF picture class. It owns the header and the frames of the model in
// GifFile.h, loads and saves whole files, turns other pictures into frames (GifReduce), draws
// them (GifRender) and plays animations (GifPainter), and keeps the settings that steer
// reduction, compression and animation. RegisterGIFFormat() makes it the picture class of
// ".gif" files.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/GifFile.h"
#include "imaging/GifPainter.h"
#include "platform/base/MessageWindow.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"

namespace imaging {

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };

// Sender (the image, a list, a colour map or an item), severity and text.
using TGIFWarningEvent =
    std::function<void(const void* sender, uint8_t severity, const std::string& text)>;
using TGIFProgressEvent =
    std::function<void(TProgressStage stage, int percent, const std::string& text)>;

// The framework's colour value for "no colour".
constexpr platform::TColor clNone = 0x1FFFFFFF;

// The clipboard as the picture class sees it; the GUI program's adapter places and fetches
// the data. Formats: "GIF Image" (the file's bytes) and the bitmap format.
constexpr std::string_view CF_GIFIMAGE = "GIF Image";
constexpr std::string_view CF_BITMAP = "Bitmap";
class TGIFClipboard {
 public:
  virtual ~TGIFClipboard() = default;
  virtual bool PlaceBitmap(const platform::TBitmap& bitmap) = 0;
  virtual bool PlaceData(std::string_view format, const std::vector<uint8_t>& data) = 0;
  virtual std::optional<std::vector<uint8_t>> Data(std::string_view format) = 0;
  virtual std::optional<platform::TBitmap> Bitmap() = 0;
};

class TGIFImage : public platform::TGraphic {
 public:
  static platform::TGraphicClass Class();
  platform::TGraphicClass ClassType() const override { return Class(); }

  TGIFImage();
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;
  ~TGIFImage() override;

  TGIFHeader& Header() { return *header_; }
  const TGIFHeader& Header() const { return *header_; }
  TGIFImageList& Images() { return *images_; }
  const TGIFImageList& Images() const { return *images_; }
  TGIFColorMap& GlobalColorMap() { return header_->ColorMap(); }

  // --- Settings ---
  TGIFPaintOptions PaintOptions = DefaultPaintOptions;
  // The raster encoder used when saving: 1 run-length, anything else LZW.
  uint8_t CompressionKind = 0;
  int PainterPriority = 0;  // kept for painters; threads here run at one priority
  int32_t SpeedPercent = 100;
  platform::TColor PaintBackground = clNone;
  int32_t ReductionBitCount = 8;  // stored as set; taken between 1 and 8 where used
  uint8_t ReductionMethod() const { return reductionMethod_; }
  uint8_t DitherKind() const { return ditherKind_; }
  // Raise GIFException for a method outside 0-9 or a kind outside 0-6, keeping the old value.
  void SetReductionMethod(int method);
  void SetDitherKind(int kind);
  // Whether frames are drawn dithered to the web palette (poDither, and with poAutoDither only
  // on a palette display).
  bool Dithering() const;

  // Called with every warning of the image and its items; dropped when unset.
  TGIFWarningEvent OnWarning;
  // Called with the stages of loading, saving, converting and rendering; dropped when unset.
  TGIFProgressEvent OnProgress;
  TGIFPainterEvent OnPaintStart;
  TGIFPainterEvent OnBeforeFrame;
  TGIFPainterEvent OnAfterFrame;
  TGIFPainterEvent OnLoopRestart;
  TGIFPainterEvent OnPaintEnd;
  // Clock and waiter of the painters (tests give fakes).
  TGIFPainterTiming PainterTiming;

  void Warning(const void* sender, uint8_t severity, const std::string& text);
  void Progress(TProgressStage stage, int percent, const std::string& text);

  // --- The picture ---
  int Width() const override { return header_->Width; }
  int Height() const override { return header_->Height; }
  // No frames.
  bool Empty() const { return images_->Count() == 0; }
  // Every frame must fit: "Image width too small for contained frames" (height likewise)
  // leaves the size as it was.
  void SetWidth(int width);
  void SetHeight(int height);
  bool Equals(const TGIFImage& other) const { return this == &other; }

  // Stops the painters, frees the frames, empties the global table, makes the screen 0 x 0.
  void Clear();
  // Appends a frame (made for this image or another) and returns its index.
  int Add(std::unique_ptr<TGIFSubImage> frame);
  // A picture becomes a new frame; a TGIFImage or null raises "Object type not supported for
  // operation".
  int Add(const platform::TGraphic* graphic);
  int Add(const platform::TBitmap& bitmap);
  // The highest Version of the frames, stopping at 2; 0 without frames.
  int Version() const;
  // The largest bit count of the global and every local table.
  int BitsPerPixel() const;

  // Copies another GIF (frames, header, options; not SpeedPercent, CompressionKind or
  // ReductionBitCount); ends without progress handler and OnWarning.
  void Assign(const TGIFImage& source);
  // Any other picture becomes the one frame; null clears.
  void Assign(const platform::TGraphic* source);
  void Assign(const platform::TBitmap& source);
  // The first-frame bitmap, copied into a bitmap.
  void AssignTo(platform::TBitmap& target);

  // Reads a whole GIF file from the given bytes. On any error the image keeps what it held;
  // warnings raised before the error are still delivered.
  void LoadFromStream(const uint8_t* data, size_t size) override;
  // The image as a GIF file. Raises "Unsupported GIF version" without frames.
  std::vector<uint8_t> SaveToStream() const override;

  // The image's palette; a request made while one is being built raises "No global or local
  // color table defined".
  std::vector<platform::TColor> Palette();
  void SetPalette(const std::vector<platform::TColor>& palette);
  // The first frame on a bitmap of the logical screen's size (cached until a change); null
  // for an empty image.
  const platform::TBitmap* Bitmap();

  // One-time drawing (pictures on pages, previews): the first frame scaled into `rect`, with
  // PaintOptions' transparency and tiling; never starts a painter.
  void Draw(platform::TCanvas& canvas, const platform::TRect& rect) const override;
  // Live drawing for views that show a GIF animated: may start a painter (see GifPainter.h),
  // which keeps only a weak hold on the canvas.
  void DrawAnimated(const std::shared_ptr<platform::TCanvas>& canvas, const platform::TRect& rect);
  // Stops every painter of the image, cooperatively, handling this thread's messages while it
  // waits for them.
  void StopPainters();
  int PainterCount() const;
  TGIFPainter* CurrentPainter() const { return current_; }

  // Clipboard: the first-frame bitmap and the file's bytes ("Failed to store GIF on
  // clipboard" when placing fails); loading takes "GIF Image" bytes or a bitmap, else raises
  // "Unsupported clipboard format".
  void SaveToClipboardFormat(TGIFClipboard& clipboard);
  void LoadFromClipboardFormat(TGIFClipboard& clipboard, std::string_view format);

  // Called by a frame before it allocates `bytes` of pixels: during a load, raises "GIF image
  // too large" once the frames of the load together pass GIFLimits().TotalBytes.
  void ReservePixels(size_t bytes);
  // The global table changed: palettes and frame bitmaps made from it are out of date.
  void ColorMapChanged();
  // Drops the cached first-frame or animation bitmap.
  void DropBitmap() { bitmap_.reset(); }

 private:
  void OnPainterMessage(uint32_t message, intptr_t lParam);
  void Reap(TGIFPainter* painter);

  std::unique_ptr<TGIFHeader> header_;
  std::unique_ptr<TGIFImageList> images_;
  bool loading_ = false;
  size_t loadedPixels_ = 0;
  uint8_t reductionMethod_ = 6;
  uint8_t ditherKind_ = 0;
  bool painting_ = false;
  bool paletteGuard_ = false;
  std::unique_ptr<std::vector<platform::TColor>> palette_;
  std::unique_ptr<platform::TBitmap> bitmap_;
  std::shared_ptr<platform::TCanvas> bitmapCanvas_;  // the painters' surface when not direct
  // Painters: the list lock is taken only to check, register or unlist.
  mutable std::mutex paintersLock_;
  std::vector<std::unique_ptr<TGIFPainter>> painters_;
  TGIFPainter* current_ = nullptr;
  std::unique_ptr<platform::TMessageWindow> window_;
};

// Registers "GIF" ("GIF Image") with the picture registry; a second call does nothing.
void RegisterGIFFormat();
void UnregisterGIFFormat();

}  // namespace imaging
