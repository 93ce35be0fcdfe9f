#include "imaging/GifPainter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "imaging/GifImage.h"
#include "imaging/GifRender.h"
#include "platform/gfx/Blit.h"

namespace imaging {

using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

bool TGIFEventWaiter::Wait(int64_t ms) {
  std::unique_lock lock(mutex_);
  if (ms < 0)
    cv_.wait(lock, [this] { return woken_; });
  else
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return woken_; });
  const bool woken = woken_;
  woken_ = false;
  return woken;
}

void TGIFEventWaiter::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

namespace {

// A copy of the `rect` part of a canvas's picture, in true colour.
std::unique_ptr<TBitmap> CopyOf(TCanvas* canvas, const TRect& rect) {
  auto copy = std::make_unique<TBitmap>(rect.Width(), rect.Height(), platform::pf24bit);
  if (canvas) {
    const platform::TPoint o = canvas->Origin();
    platform::CopyBits(*copy, TRect{0, 0, copy->Width(), copy->Height()}, 0, 0, rect.Width(),
                       rect.Height(), canvas->Bitmap(), rect.Left + o.X, rect.Top + o.Y);
  }
  return copy;
}

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, TGIFPaintOptions options,
                         std::shared_ptr<TCanvas> destination, const TRect& rect,
                         const TCanvas* caller, platform::TWindowHandle window,
                         const TGIFPainterTiming& timing)
    : image_(&image),
      options_(options),
      speed_(image.SpeedPercent),
      async_((options & poAsync) && (options & poAnimate)),
      destination_(destination),
      rect_(rect),
      caller_(caller),
      window_(window),
      clock_(timing.Clock ? timing.Clock : &platform::SteadyClock()),
      waiter_(timing.MakeWaiter ? timing.MakeWaiter() : std::make_unique<TGIFEventWaiter>()) {
  OnPaintStart = image.OnPaintStart;
  OnBeforeFrame = image.OnBeforeFrame;
  OnAfterFrame = image.OnAfterFrame;
  OnLoopRestart = image.OnLoopRestart;
  OnPaintEnd = image.OnPaintEnd;

  if (image.PaintBackground != clNone)
    background_ = image.PaintBackground;
  else if (image.GlobalColorMap().Count() == 0)
    background_ = platform::clWhite;  // the window colour
  else
    background_ = image.GlobalColorMap().Colors(image.Header().BackgroundColorIndex);

  bool restores = (options_ & poClearOnLoop) != 0;
  bool previous = false;
  for (int i = 0; i < image.Images().Count(); ++i)
    if (TGIFGraphicControlExtension* gce = image.Images()[i]->GraphicControlExtension()) {
      restores = restores || gce->Disposal() == 2;
      previous = previous || gce->Disposal() == 3;
    }
  if (!rect_.IsEmpty()) {
    if (restores && (options_ & poTransparent)) backgroundBitmap_ = CopyOf(destination.get(), rect_);
    if (restores || previous) {
      buffer_ = CopyOf(destination.get(), rect_);
      previous_ = std::make_unique<TBitmap>(rect_.Width(), rect_.Height(), platform::pf24bit);
    }
  }
}

TGIFPainter::~TGIFPainter() {
  Stop();
  Join();
}

void TGIFPainter::Start() {
  if (!async_) {
    Execute();
    finished_.Set();
    firstFrame_->Set();
    if (failure_) std::rethrow_exception(failure_);
    return;
  }
  thread_ = std::jthread([this] {
    Execute();
    firstFrame_->Set();
    finished_.Set();
    platform::PostMessageTo(window_, WM_GIFPAINTERDONE, 0, reinterpret_cast<intptr_t>(this));
  });
}

void TGIFPainter::Stop() {
  stop_.request_stop();
  waiter_->Wake();
}

void TGIFPainter::Join() {
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
    return;
  }
  platform::PumpUntil(finished_);
  thread_.join();
}

bool TGIFPainter::Synchronize(const std::function<void()>& work) {
  if (!async_) {
    work();
    return true;
  }
  std::exception_ptr error;
  std::function<void()> call = [&] {
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
  };
  if (!platform::SendMessageTo(window_, WM_GIFPAINTERCALL, 0, reinterpret_cast<intptr_t>(&call))) {
    // The window, and with it the thread that draws, is gone.
    stop_.request_stop();
    return false;
  }
  if (error) std::rethrow_exception(error);
  return true;
}

void TGIFPainter::Fire(const TGIFPainterEvent& event) {
  if (event) Synchronize([&] { event(*this); });
}

std::shared_ptr<TCanvas> TGIFPainter::Destination() { return destination_.lock(); }

void TGIFPainter::WaitDelay(int pendingDelay, int64_t& lastTime, int64_t& carry) {
  const int64_t now = clock_->NowMs();
  int64_t wait;
  if (speed_ > 0) {
    const double w =
        (double(pendingDelay) * GIFDelayUnitMs - double(now - lastTime - carry) / 2) * 100 / speed_;
    if (w > double(INT32_MAX) || w < double(INT32_MIN)) {
      wait = 12000;
      carry = 0;
    } else {
      wait = std::llround(w);
      carry = wait;
    }
  } else {
    // Speed 0 (or below) shows the frame until stopped; a synchronous painter cannot wait
    // that long inside a drawing call.
    wait = async_ ? -1 : GIFMaximumDelay * GIFDelayUnitMs;
  }
  lastTime = now;
  if (async_) {
    if (wait <= 0 && speed_ > 0) return;
    if (waiter_->Wait(wait)) {
      carry = 0;
      lastTime = clock_->NowMs();
    }
    return;
  }
  // Synchronous: slices of at most 100 ms, handling the caller's messages between them.
  if (wait <= 0) wait = 1;
  while (wait > 0 && !Terminated() && !restart_) {
    const int64_t before = clock_->NowMs();
    waiter_->Wait(std::min(wait, GIFSyncSliceMs));
    wait -= std::max<int64_t>(clock_->NowMs() - before, 1);
    platform::ProcessMessages();
  }
}

void TGIFPainter::Execute() {
  TGIFImageList& frames = image_->Images();
  const bool forever = async_ && (options_ & poLoopForever);
  try {
    restart_ = true;
    while (restart_ && !Terminated()) {
      ActiveFrame = 0;
      Fire(OnPaintStart);
      started_ = false;
      restart_ = false;
      int loopsLeft = 1;
      int firstOfPass = 0;
      bool loopSeen = false;
      int pendingDelay = async_ ? 0 : 1;
      previousDisposal_ = 1;
      int64_t lastTime = clock_->NowMs();
      int64_t carry = 0;
      while ((loopsLeft != 0 || forever) && !Terminated() && !restart_) {
        ActiveFrame = firstOfPass;
        if (started_) Fire(OnLoopRestart);
        while (ActiveFrame >= 0 && ActiveFrame < frames.Count() && !Terminated() && !restart_) {
          TGIFSubImage& frame = *frames[ActiveFrame];
          if (frame.Empty()) break;
          if (pendingDelay > 0) {
            WaitDelay(pendingDelay, lastTime, carry);
            if (Terminated() || restart_) break;
          } else {
            std::this_thread::yield();
          }
          Fire(OnBeforeFrame);
          disposal_ = 1;
          TGIFGraphicControlExtension* control = nullptr;
          for (int e = 0; e < frame.Extensions().Count(); ++e) {
            TGIFExtension* extension = frame.Extensions()[e];
            if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(extension); loop && !loopSeen) {
              loopSeen = true;
              loopsLeft = loop->LoopCount;
              // Endless only where a thread can run for ever.
              if (loopsLeft == 0) loopsLeft = async_ ? -1 : 1;
              firstOfPass = ActiveFrame;
            } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(extension)) {
              control = gce;
              disposal_ = gce->Disposal();
            }
          }
          if (!Synchronize([&] { PaintFrame(frame); })) break;
          previousDisposal_ = disposal_;
          pendingDelay = GIFDefaultDelay;
          if (control && control->Delay > 0) {
            pendingDelay = std::max<int>(control->Delay, GIFMinimumDelay);
            if (!async_) pendingDelay = std::min(pendingDelay, GIFMaximumDelay);
          }
          const int shown = ActiveFrame;
          Fire(OnAfterFrame);
          if (ActiveFrame == shown) ++ActiveFrame;
          if (!(options_ & poAnimate)) break;
        }
        if (loopsLeft > 0) --loopsLeft;
        if (!((options_ & poAnimate) && (options_ & poLoop))) break;
      }
    }
  } catch (...) {
    failure_ = std::current_exception();
    stop_.request_stop();
  }
  ActiveFrame = -1;
  try {
    Fire(OnPaintEnd);
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
  }
}

void TGIFPainter::RestoreBackground(TGIFSubImage& frame) {
  const int sw = image_->Width(), sh = image_->Height();
  if (sw <= 0 || sh <= 0 || !buffer_) return;
  TCanvas canvas(*buffer_);
  const TRect whole{0, 0, buffer_->Width(), buffer_->Height()};
  // The frame's area, scaled into the painter's rectangle, or in every tile.
  std::vector<TRect> areas;
  if (options_ & poTile) {
    for (int y = frame.Top(); y < whole.Bottom; y += sh)
      for (int x = frame.Left(); x < whole.Right; x += sw)
        areas.push_back(Intersect(platform::Bounds(x, y, frame.Width(), frame.Height()), whole));
  } else {
    areas.push_back(TRect{int(int64_t(frame.Left()) * whole.Width() / sw),
                          int(int64_t(frame.Top()) * whole.Height() / sh),
                          int((int64_t(frame.Left()) + frame.Width()) * whole.Width() / sw),
                          int((int64_t(frame.Top()) + frame.Height()) * whole.Height() / sh)});
  }
  for (const TRect& area : areas) {
    if (area.IsEmpty()) continue;
    if ((options_ & poTransparent) && backgroundBitmap_) {
      platform::CopyBits(*buffer_, whole, area.Left, area.Top, area.Width(), area.Height(),
                         *backgroundBitmap_, area.Left, area.Top);
    } else {
      canvas.Brush.Color = background_;
      canvas.Brush.Style = platform::bsSolid;
      canvas.FillRect(area);
    }
  }
}

void TGIFPainter::PaintFrame(TGIFSubImage& frame) {
  std::shared_ptr<TCanvas> destination = Destination();
  if (!destination) {
    // The view that asked for the drawing is gone: nothing is drawn, and a painter that
    // checks its destination ends.
    if (options_ & poCheckDestination) stop_.request_stop();
    return;
  }
  const bool transparent = options_ & poTransparent;
  const bool tile = options_ & poTile;
  if (!buffer_) {
    DrawFrame(frame, *destination, rect_, transparent, tile);
  } else {
    const TRect whole{0, 0, buffer_->Width(), buffer_->Height()};
    auto show = [&](const TBitmap& from) {
      const platform::TPoint o = destination->Origin();
      platform::CopyBits(destination->Bitmap(),
                         Intersect(destination->ClipRect(), rect_).Offset(o.X, o.Y),
                         rect_.Left + o.X, rect_.Top + o.Y, whole.Width(), whole.Height(), from, 0,
                         0);
    };
    if ((options_ & poClearOnLoop) && ActiveFrame == 0) {
      if (transparent && backgroundBitmap_)
        *buffer_ = *backgroundBitmap_;
      else {
        TCanvas canvas(*buffer_);
        canvas.Brush.Color = background_;
        canvas.FillRect(whole);
      }
    }
    // Reserved disposal values are taken as "leave in place".
    const int current = disposal_ >= 0 && disposal_ <= 3 ? disposal_ : 1;
    const int before = previousDisposal_ >= 0 && previousDisposal_ <= 3 ? previousDisposal_ : 1;
    if (current != 3) {
      TCanvas canvas(*buffer_);
      DrawFrame(frame, canvas, whole, transparent, tile);
      show(*buffer_);
      if (current == 2) RestoreBackground(frame);
    } else if (before == 0 || before == 1) {
      // The buffer keeps the picture from before this frame.
      DrawFrame(frame, *destination, rect_, transparent, tile);
    } else {
      *previous_ = *buffer_;
      TCanvas canvas(*previous_);
      DrawFrame(frame, canvas, whole, transparent, tile);
      show(*previous_);
    }
  }
  started_ = true;
  firstFrame_->Set();
}

}  // namespace imaging
