#pragma once
// TGIFPainter: plays an animated GIF. It waits each frame's delay, draws the frames with their
// disposal methods through off-screen buffers, honours the loop extension and reports through
// five events. An asynchronous painter runs on its own thread and has all drawing and every
// event done on the thread that started it, through a message window of the image; a
// synchronous one runs inside TGIFImage::DrawAnimated.
//
// Time comes from an injectable clock and waits go through a small waiter (a condition
// variable in production, a fake in tests), so tests never sleep for animation time.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/WaitableEvent.h"
#include "platform/gfx/Canvas.h"

namespace imaging {

class TGIFImage;
class TGIFSubImage;
class TGIFPainter;

// PaintOptions bits.
using TGIFPaintOptions = uint16_t;
constexpr TGIFPaintOptions poAsync = 0x0001;
constexpr TGIFPaintOptions poTransparent = 0x0002;
constexpr TGIFPaintOptions poAnimate = 0x0004;
constexpr TGIFPaintOptions poLoop = 0x0008;
constexpr TGIFPaintOptions poLoopForever = 0x0010;
constexpr TGIFPaintOptions poCheckDestination = 0x0020;
constexpr TGIFPaintOptions poDirect = 0x0040;
constexpr TGIFPaintOptions poClearOnLoop = 0x0080;
constexpr TGIFPaintOptions poTile = 0x0100;
constexpr TGIFPaintOptions poDither = 0x0200;
constexpr TGIFPaintOptions poAutoDither = 0x0400;
constexpr TGIFPaintOptions DefaultPaintOptions = 0x060F;

// Timing constants, in delay units of 12 ms.
constexpr int64_t GIFDelayUnitMs = 12;
constexpr int GIFDefaultDelay = 10;
constexpr int GIFMinimumDelay = 3;
constexpr int GIFMaximumDelay = 1000;  // synchronous painters only
constexpr int64_t GIFSyncSliceMs = 100;

using TGIFPainterEvent = std::function<void(TGIFPainter& sender)>;

// Messages of the image's window: run a painter's work (lParam: the std::function), and reap a
// painter that has ended (lParam: the painter).
constexpr uint32_t WM_GIFPAINTERCALL = 0x8101;
constexpr uint32_t WM_GIFPAINTERDONE = 0x8102;

// Waits up to n milliseconds (or, for a negative n, until woken); a wake-up given while nobody
// waits ends the next wait at once.
class TGIFWaiter {
 public:
  virtual ~TGIFWaiter() = default;
  // True when woken.
  virtual bool Wait(int64_t ms) = 0;
  virtual void Wake() = 0;
};

// The production waiter: a condition variable.
class TGIFEventWaiter final : public TGIFWaiter {
 public:
  bool Wait(int64_t ms) override;
  void Wake() override;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool woken_ = false;
};

// Where painters take their time from.
struct TGIFPainterTiming {
  platform::TClock* Clock = nullptr;  // null: the steady clock
  std::function<std::unique_ptr<TGIFWaiter>()> MakeWaiter;  // empty: TGIFEventWaiter
};

class TGIFPainter {
 public:
  // Made by TGIFImage::DrawAnimated. `destination` is the canvas painted on (held weakly);
  // `caller` is the canvas the drawing was asked for (for telling painters apart).
  TGIFPainter(TGIFImage& image, TGIFPaintOptions options, std::shared_ptr<platform::TCanvas> destination,
              const platform::TRect& rect, const platform::TCanvas* caller,
              platform::TWindowHandle window, const TGIFPainterTiming& timing);
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;
  ~TGIFPainter();

  TGIFImage& Image() const { return *image_; }
  // The frame being shown; -1 when idle. OnAfterFrame may move it.
  std::atomic<int> ActiveFrame{-1};
  TGIFPaintOptions Options() const { return options_; }
  int Speed() const { return speed_; }
  bool Async() const { return async_; }
  const platform::TRect& Rect() const { return rect_; }
  const platform::TCanvas* Caller() const { return caller_; }
  platform::TColor BackgroundColor() const { return background_; }

  TGIFPainterEvent OnPaintStart;
  TGIFPainterEvent OnBeforeFrame;
  TGIFPainterEvent OnAfterFrame;
  TGIFPainterEvent OnLoopRestart;
  TGIFPainterEvent OnPaintEnd;

  // Asynchronous: starts the thread. Synchronous: runs the animation now, on this thread, and
  // rethrows what stopped it.
  void Start();
  // Asks the painter to stop and wakes it from a wait.
  void Stop();
  bool StopRequested() const { return stop_.stop_requested(); }
  // Set once a frame was drawn or the painter ended. Shared, so a caller can wait on it while
  // the painter ends and is freed.
  std::shared_ptr<platform::TWaitableEvent> FirstFrameOrEnd() const { return firstFrame_; }
  // Set when the painter has ended.
  const platform::TWaitableEvent& Finished() const { return finished_; }
  bool Started() const { return started_; }
  // Joins the thread of an asynchronous painter that has ended or is ending, pumping the
  // caller's messages meanwhile.
  void Join();
  std::exception_ptr Failure() const { return failure_; }

 private:
  void Execute();
  // Runs `work` on the thread that owns the image's window (directly when synchronous);
  // false when that window is gone, which ends the painter.
  bool Synchronize(const std::function<void()>& work);
  void Fire(const TGIFPainterEvent& event);
  // Waits the pending delay; returns false when the painter stops meanwhile.
  void WaitDelay(int pendingDelay, int64_t& lastTime, int64_t& carry);
  void PaintFrame(TGIFSubImage& frame);
  void RestoreBackground(TGIFSubImage& frame);
  std::shared_ptr<platform::TCanvas> Destination();
  bool Terminated() const { return stop_.stop_requested(); }

  TGIFImage* image_;
  TGIFPaintOptions options_;
  int speed_;
  bool async_;
  std::weak_ptr<platform::TCanvas> destination_;
  platform::TRect rect_;
  const platform::TCanvas* caller_;
  platform::TWindowHandle window_;
  platform::TClock* clock_;
  std::unique_ptr<TGIFWaiter> waiter_;
  std::stop_source stop_;
  std::jthread thread_;
  std::shared_ptr<platform::TWaitableEvent> firstFrame_ = std::make_shared<platform::TWaitableEvent>();
  platform::TWaitableEvent finished_;
  std::exception_ptr failure_;

  bool started_ = false;
  bool restart_ = false;
  int disposal_ = 1;
  int previousDisposal_ = 1;
  platform::TColor background_ = platform::clWhite;
  std::unique_ptr<platform::TBitmap> buffer_;
  std::unique_ptr<platform::TBitmap> previous_;
  std::unique_ptr<platform::TBitmap> backgroundBitmap_;
};

}  // namespace imaging
