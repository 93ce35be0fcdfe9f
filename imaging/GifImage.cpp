#include "imaging/GifImage.h"

#include <algorithm>

#include "imaging/GifReduce.h"
#include "imaging/GifRender.h"

namespace imaging {

using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

namespace {

std::string TextOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

}  // namespace

platform::TGraphicClass TGIFImage::Class() { return platform::GraphicClassOf<TGIFImage>("TGIFImage"); }

TGIFImage::TGIFImage()
    : header_(std::make_unique<TGIFHeader>(this)),
      images_(std::make_unique<TGIFImageList>(this)) {
  Clear();
}

TGIFImage::~TGIFImage() {
  StopPainters();
  window_.reset();
  // Frames reach back into the image (header, global table) while they are freed.
  images_->Clear();
}

void TGIFImage::Warning(const void* sender, uint8_t severity, const std::string& text) {
  if (OnWarning) OnWarning(sender, severity, text);
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& text) {
  if (OnProgress) OnProgress(stage, percent, text);
}

void TGIFImage::SetReductionMethod(int method) {
  if (method < 0 || method > 9) throw GIFException("Invalid color reduction method");
  reductionMethod_ = uint8_t(method);
}

void TGIFImage::SetDitherKind(int kind) {
  if (kind < 0 || kind > 6) throw GIFException("Invalid dither mode");
  ditherKind_ = uint8_t(kind);
}

bool TGIFImage::Dithering() const {
  return (PaintOptions & poDither) && (!(PaintOptions & poAutoDither) || GIFPaletteDisplay());
}

void TGIFImage::SetWidth(int width) {
  for (int i = 0; i < images_->Count(); ++i) {
    const TGIFSubImage& f = *(*images_)[i];
    if (f.Left() + f.Width() > width)
      throw GIFException("Image width too small for contained frames");
  }
  header_->Width = uint16_t(std::clamp(width, 0, 65535));
  DropBitmap();
}

void TGIFImage::SetHeight(int height) {
  for (int i = 0; i < images_->Count(); ++i) {
    const TGIFSubImage& f = *(*images_)[i];
    if (f.Top() + f.Height() > height)
      throw GIFException("Image height too small for contained frames");
  }
  header_->Height = uint16_t(std::clamp(height, 0, 65535));
  DropBitmap();
}

void TGIFImage::Clear() {
  StopPainters();
  DropBitmap();
  if (images_) images_->Clear();
  header_->Clear();
  palette_.reset();
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  frame->AttachTo(this);
  const int index = images_->Add(std::move(frame));
  DropBitmap();
  return index;
}

int TGIFImage::Add(const platform::TGraphic* graphic) {
  if (!graphic) throw GIFException("Object type not supported for operation");
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(graphic);
  return Add(std::move(frame));
}

int TGIFImage::Add(const TBitmap& bitmap) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(bitmap);
  return Add(std::move(frame));
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

void TGIFImage::ColorMapChanged() {
  palette_.reset();
  if (!images_) return;
  for (int i = 0; i < images_->Count(); ++i)
    if ((*images_)[i]->ColorMap().Count() == 0) (*images_)[i]->Changed();
}

// --- Files -------------------------------------------------------------------------------------

void TGIFImage::LoadFromStream(const uint8_t* data, size_t size) {
  TGIFReader in(data, size);
  StopPainters();
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
  DropBitmap();
  palette_.reset();
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

// --- Assignment --------------------------------------------------------------------------------

void TGIFImage::Assign(const TGIFImage& source) {
  if (&source == this) return;
  Clear();
  OnProgress = source.OnProgress;
  OnWarning = source.OnWarning;
  Progress(psStarting, 0, "Copying...");
  try {
    header_->Assign(source.Header());
    PainterPriority = source.PainterPriority;
    PaintBackground = source.PaintBackground;
    PaintOptions = source.PaintOptions;
    reductionMethod_ = source.reductionMethod_;
    ditherKind_ = source.ditherKind_;
    OnPaintStart = source.OnPaintStart;
    OnBeforeFrame = source.OnBeforeFrame;
    OnAfterFrame = source.OnAfterFrame;
    OnLoopRestart = source.OnLoopRestart;
    OnPaintEnd = source.OnPaintEnd;
    const int count = source.Images().Count();
    for (int i = 0; i < count; ++i) {
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->Assign(*source.Images()[i]);
      Add(std::move(frame));
      Progress(psRunning, (i + 1) * 100 / count, "Copying...");
    }
  } catch (...) {
    Progress(psEnding, 0, "Copying...");
    OnProgress = nullptr;
    OnWarning = nullptr;
    throw;
  }
  Progress(psEnding, 100, "Copying...");
  OnProgress = nullptr;
  OnWarning = nullptr;
}

void TGIFImage::Assign(const platform::TGraphic* source) {
  if (!source) {
    Clear();
    return;
  }
  if (const auto* gif = dynamic_cast<const TGIFImage*>(source)) {
    Assign(*gif);
    return;
  }
  Clear();
  Add(source);
}

void TGIFImage::Assign(const TBitmap& source) {
  Clear();
  Add(source);
}

void TGIFImage::AssignTo(TBitmap& target) {
  const TBitmap* first = Bitmap();
  target = first ? *first : TBitmap();
}

// --- Palette and first-frame bitmap ------------------------------------------------------------

std::vector<platform::TColor> TGIFImage::Palette() {
  // Frames without a table of their own take the image's palette, which may ask the first
  // frame again: that second request has no answer.
  if (paletteGuard_) throw GIFException("No global or local color table defined");
  paletteGuard_ = true;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{paletteGuard_};
  if (bitmap_ && platform::IsIndexed(bitmap_->PixelFormat()))
    return std::vector<platform::TColor>(bitmap_->Palette().begin(), bitmap_->Palette().end());
  if (palette_) return *palette_;
  if (Dithering()) {
    palette_ = std::make_unique<std::vector<platform::TColor>>(WebPalette());
    return *palette_;
  }
  if (GlobalColorMap().Count() > 0) {
    palette_ = std::make_unique<std::vector<platform::TColor>>(GlobalColorMap().ExportPalette());
    return *palette_;
  }
  if (Empty()) throw GIFException("No global or local color table defined");
  return (*images_)[0]->Palette();
}

void TGIFImage::SetPalette(const std::vector<platform::TColor>& palette) {
  if (palette_ && *palette_ == palette) return;
  palette_ = std::make_unique<std::vector<platform::TColor>>(palette);
  if (bitmap_ && platform::IsIndexed(bitmap_->PixelFormat()) &&
      !std::equal(bitmap_->Palette().begin(), bitmap_->Palette().end(), palette.begin(),
                  palette.end()))
    DropBitmap();
}

const TBitmap* TGIFImage::Bitmap() {
  if (Empty()) return nullptr;
  if (bitmap_) return bitmap_.get();
  TGIFSubImage& first = *(*images_)[0];
  if (first.Width() == Width() && first.Height() == Height()) {
    bitmap_ = std::make_unique<TBitmap>(first.Bitmap());
    return bitmap_.get();
  }
  std::vector<platform::TColor> palette;
  try {
    palette = Palette();
  } catch (const GIFException&) {
  }
  auto bitmap = std::make_unique<TBitmap>(Width(), Height(),
                                          palette.empty() ? platform::pf24bit : platform::pf8bit);
  if (!palette.empty()) {
    if (palette.size() > 256) palette.resize(256);
    bitmap->SetPalette(palette);
  }
  TCanvas canvas(*bitmap);
  DrawFrame(first, canvas, TRect{0, 0, Width(), Height()}, false, false);
  bitmap_ = std::move(bitmap);
  return bitmap_.get();
}

// --- Drawing -----------------------------------------------------------------------------------

namespace {

struct TFlag {
  bool& Flag;
  explicit TFlag(bool& flag) : Flag(flag) { Flag = true; }
  ~TFlag() { Flag = false; }
};

// The cached image bitmap onto a rectangle: stretched, or repeated at the screen's size.
void PaintSurface(TCanvas& canvas, const TRect& rect, const TBitmap& surface, bool tile) {
  if (!tile) {
    DrawMasked(canvas, rect, surface, nullptr, rect);
    return;
  }
  for (int y = rect.Top; y < rect.Bottom; y += surface.Height())
    for (int x = rect.Left; x < rect.Right; x += surface.Width())
      DrawMasked(canvas, platform::Bounds(x, y, surface.Width(), surface.Height()), surface,
                 nullptr, rect);
}

}  // namespace

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) const {
  auto* self = const_cast<TGIFImage*>(this);
  if (self->painting_ || Empty()) return;
  TFlag painting(self->painting_);
  DrawFrame(*(*images_)[0], canvas, rect, PaintOptions & poTransparent, PaintOptions & poTile);
}

int TGIFImage::PainterCount() const {
  std::lock_guard lock(paintersLock_);
  return int(painters_.size());
}

void TGIFImage::StopPainters() {
  std::vector<std::unique_ptr<TGIFPainter>> stopping;
  {
    std::lock_guard lock(paintersLock_);
    stopping.swap(painters_);
    current_ = nullptr;
  }
  for (auto& painter : stopping) painter->Stop();
  for (auto& painter : stopping) {
    painter->Join();
    if (painter->Async() && painter->Failure())
      Warning(this, GIFWarningSeverity, TextOf(painter->Failure()));
  }
  DropBitmap();
}

void TGIFImage::Reap(TGIFPainter* painter) {
  std::unique_ptr<TGIFPainter> owned;
  {
    std::lock_guard lock(paintersLock_);
    auto it = std::find_if(painters_.begin(), painters_.end(),
                           [&](const auto& p) { return p.get() == painter; });
    if (it == painters_.end()) return;
    owned = std::move(*it);
    painters_.erase(it);
    if (current_ == painter) current_ = nullptr;
  }
  owned->Join();
  if (owned->Async() && owned->Failure())
    Warning(this, GIFWarningSeverity, TextOf(owned->Failure()));
}

void TGIFImage::OnPainterMessage(uint32_t message, intptr_t lParam) {
  if (message == WM_GIFPAINTERCALL)
    (*reinterpret_cast<std::function<void()>*>(lParam))();
  else if (message == WM_GIFPAINTERDONE)
    Reap(reinterpret_cast<TGIFPainter*>(lParam));
}

void TGIFImage::DrawAnimated(const std::shared_ptr<TCanvas>& canvas, const TRect& rect) {
  if (painting_ || Empty() || !canvas) return;
  TFlag painting(painting_);
  TGIFPaintOptions options = PaintOptions;
  if (images_->Count() == 1 || !(options & poAnimate)) {
    DrawFrame(*(*images_)[0], *canvas, rect, options & poTransparent, options & poTile);
    return;
  }
  if (bitmap_ && !(options & poDirect)) {
    PaintSurface(*canvas, rect, *bitmap_, options & poTile);
    return;
  }
  {
    std::lock_guard lock(paintersLock_);
    if (current_ && current_->Caller() == canvas.get() && current_->Rect() == rect) return;
  }
  // Stop the current painter; waiting for it happens outside the list lock, with this
  // thread's messages handled, since an ending painter takes the lock and may be sending.
  TGIFPainter* current = nullptr;
  {
    std::lock_guard lock(paintersLock_);
    current = current_;
  }
  if (current) {
    current->Stop();
    Reap(current);
  }
  DropBitmap();

  // A direct painter holds the caller's canvas only weakly, so no strong hold here either.
  std::shared_ptr<TCanvas> target;
  TRect area = rect;
  if (!(options & poDirect)) {
    if (Width() <= 0 || Height() <= 0) return;
    bitmap_ = std::make_unique<TBitmap>(Width(), Height(), platform::pf24bit);
    // What the destination showed under the rectangle, scaled to the screen.
    const platform::TPoint o = canvas->Origin();
    platform::StretchBits(*bitmap_, TRect{0, 0, Width(), Height()}, TRect{0, 0, Width(), Height()},
                          canvas->Bitmap(), rect.Offset(o.X, o.Y));
    bitmapCanvas_ = std::make_shared<TCanvas>(*bitmap_);
    target = bitmapCanvas_;
    area = TRect{0, 0, Width(), Height()};
  }
  if (area.IsEmpty()) return;
  if (!window_)
    window_ = std::make_unique<platform::TMessageWindow>(
        [this](uint32_t message, uintptr_t, intptr_t lParam) -> intptr_t {
          OnPainterMessage(message, lParam);
          return 0;
        });
  auto made = std::make_unique<TGIFPainter>(*this, options, target ? target : canvas, area,
                                            canvas.get(), window_->Handle(), PainterTiming);
  TGIFPainter* painter = made.get();
  {
    std::lock_guard lock(paintersLock_);
    painters_.push_back(std::move(made));
    current_ = painter;
  }
  if (!painter->Async()) {
    // Runs the whole animation now; what stopped it leaves this call after the clean-up.
    std::exception_ptr failure;
    try {
      painter->Start();
    } catch (...) {
      failure = std::current_exception();
    }
    Reap(painter);
    if (failure) std::rethrow_exception(failure);
    if (!(options & poDirect) && bitmap_) PaintSurface(*canvas, rect, *bitmap_, false);
    return;
  }
  const std::shared_ptr<platform::TWaitableEvent> shown = painter->FirstFrameOrEnd();
  painter->Start();
  if (!(options & poDirect)) {
    // The painter may end, and be freed, while this thread handles its messages.
    platform::PumpUntil(*shown);
    if (bitmap_) PaintSurface(*canvas, rect, *bitmap_, false);
  }
}

// --- Clipboard ---------------------------------------------------------------------------------

void TGIFImage::SaveToClipboardFormat(TGIFClipboard& clipboard) {
  if (Empty()) return;
  const TBitmap* first = Bitmap();
  if (!first || !clipboard.PlaceBitmap(*first))
    throw GIFException("Failed to store GIF on clipboard");
  if (!clipboard.PlaceData(CF_GIFIMAGE, SaveToStream()))
    throw GIFException("Failed to store GIF on clipboard");
}

void TGIFImage::LoadFromClipboardFormat(TGIFClipboard& clipboard, std::string_view format) {
  if (format == CF_GIFIMAGE) {
    std::optional<std::vector<uint8_t>> data = clipboard.Data(format);
    if (!data) throw platform::EInvalidGraphic("Unsupported clipboard format");
    LoadFromStream(data->data(), data->size());
    return;
  }
  if (format == CF_BITMAP) {
    std::optional<TBitmap> bitmap = clipboard.Bitmap();
    if (!bitmap) throw platform::EInvalidGraphic("Unsupported clipboard format");
    Assign(*bitmap);
    return;
  }
  throw platform::EInvalidGraphic("Unsupported clipboard format");
}

// --- Registration ------------------------------------------------------------------------------

namespace {
std::mutex registrationLock;
bool registered = false;
}  // namespace

void RegisterGIFFormat() {
  std::lock_guard lock(registrationLock);
  if (registered) return;
  platform::TPicture::RegisterFileFormat("GIF", "GIF Image", TGIFImage::Class());
  registered = true;
}

void UnregisterGIFFormat() {
  std::lock_guard lock(registrationLock);
  if (!registered) return;
  platform::TPicture::UnregisterGraphicClass(TGIFImage::Class());
  registered = false;
}

}  // namespace imaging
