// The animation painter on a fake clock and waiter: waits, loops, events, disposal against
// ImageMagick's composition, and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "GifOracle.h"
#include "GifTestUtil.h"
#include "imaging/GIFFormat.h"
#include "platform/base/MessageWindow.h"

using namespace imaging;
using namespace giftest;
using platform::RGB;
using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;

namespace {

// Time that moves only when a painter waits: a wait of n ms moves the clock n ms at once; a
// wait without end lasts until the painter is woken.
struct TFakeTime {
  platform::TFakeClock Clock;
  std::mutex Lock;
  std::condition_variable Woken;
  std::vector<int64_t> Waits;

  std::vector<int64_t> WaitsSoFar() {
    std::lock_guard lock(Lock);
    return Waits;
  }
};

class TFakeWaiter : public TGIFWaiter {
 public:
  explicit TFakeWaiter(TFakeTime& time) : time_(time) {}
  bool Wait(int64_t ms) override {
    std::unique_lock lock(time_.Lock);
    time_.Waits.push_back(ms);
    if (!woken_ && ms >= 0) {
      time_.Clock.Advance(ms);
      return false;
    }
    time_.Woken.wait(lock, [this] { return woken_; });
    woken_ = false;
    return true;
  }
  void Wake() override {
    std::lock_guard lock(time_.Lock);
    woken_ = true;
    time_.Woken.notify_all();
  }

 private:
  TFakeTime& time_;
  bool woken_ = false;
};

// An animation of full-screen 4 x 3 frames, one colour each, with the given delays; a loop
// extension in front of the first frame when `loops` is set.
std::unique_ptr<TGIFImage> Animation(const std::vector<int>& delays, int loops = -1) {
  auto image = std::make_unique<TGIFImage>();
  for (size_t i = 0; i < 8; ++i)
    image->GlobalColorMap().Add({uint8_t(30 * i), uint8_t(200 - 20 * i), uint8_t(7 * i)});
  for (size_t i = 0; i < delays.size(); ++i) {
    auto frame = std::make_unique<TGIFSubImage>(image.get());
    frame->SetBounds(0, 0, 4, 3);
    std::fill(frame->Data().begin(), frame->Data().end(), uint8_t(i % 8));
    if (i == 0 && loops >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
      loop->LoopCount = uint16_t(loops);
      frame->Extensions().Add(std::move(loop));
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    gce->Delay = uint16_t(delays[i]);
    frame->Extensions().Add(std::move(gce));
    image->Add(std::move(frame));
  }
  return image;
}

struct TRun {
  TFakeTime Time;
  std::unique_ptr<TGIFImage> Image;
  std::shared_ptr<TCanvas> Canvas;
  TBitmap Surface{8, 6, platform::pf24bit};
  std::vector<std::string> Events;
  platform::TWaitableEvent Ended;
  std::vector<std::string> Warnings;

  explicit TRun(std::unique_ptr<TGIFImage> image) : Image(std::move(image)) {
    Canvas = std::make_shared<TCanvas>(Surface);
    Image->PainterTiming.Clock = &Time.Clock;
    Image->PainterTiming.MakeWaiter = [this] { return std::make_unique<TFakeWaiter>(Time); };
    Image->OnPaintStart = [this](TGIFPainter&) { Events.push_back("start"); };
    Image->OnBeforeFrame = [this](TGIFPainter& p) {
      Events.push_back("before" + std::to_string(p.ActiveFrame));
    };
    Image->OnAfterFrame = [this](TGIFPainter& p) {
      Events.push_back("after" + std::to_string(p.ActiveFrame));
    };
    Image->OnLoopRestart = [this](TGIFPainter&) { Events.push_back("restart"); };
    Image->OnPaintEnd = [this](TGIFPainter&) {
      Events.push_back("end");
      Ended.Set();
    };
    Image->OnWarning = [this](const void*, uint8_t, const std::string& text) {
      Warnings.push_back(text);
    };
  }

  void Draw(uint16_t options, int speed = 100) {
    Image->PaintOptions = options;
    Image->SpeedPercent = speed;
    Image->DrawAnimated(Canvas, TRect{0, 0, 8, 6});
  }
  // Lets an asynchronous painter run to its end and be reaped (a bound in real time guards a
  // hang).
  bool PumpToEnd() {
    if (!platform::PumpUntil(Ended, 20000)) return false;
    return PumpWhile([this] { return Image->PainterCount() > 0; });
  }
  // Handles this thread's messages while `busy` holds, for at most 20 s.
  static bool PumpWhile(const std::function<bool()>& busy) {
    for (int i = 0; i < 2000 && busy(); ++i) {
      platform::WaitMessage(10);
      platform::ProcessMessages();
    }
    return !busy();
  }
  int Frames() const {
    return int(std::count_if(Events.begin(), Events.end(),
                             [](const std::string& e) { return e.rfind("after", 0) == 0; }));
  }
};

constexpr uint16_t Async = poAsync | poAnimate | poLoop;
constexpr uint16_t Sync = poAnimate | poLoop;

struct TWaitCase {
  const char* Name;
  std::vector<int> Delays;
  uint16_t Options;
  int Speed;
  std::vector<int64_t> Waits;  // sum of the synchronous slices per frame, in order
};

class PainterWaits : public ::testing::TestWithParam<TWaitCase> {};

TEST_P(PainterWaits, FollowTheDelays) {
  const TWaitCase& c = GetParam();
  TRun run(Animation(c.Delays));
  run.Draw(c.Options, c.Speed);
  if (c.Options & poAsync) {
    ASSERT_TRUE(run.PumpToEnd());
  }
  std::vector<int64_t> waits = run.Time.WaitsSoFar();
  if (!(c.Options & poAsync)) {
    // Synchronous waits come in slices of at most 100 ms; add each frame's up.
    for (int64_t w : waits) EXPECT_LE(w, 100);
    const int64_t total = std::accumulate(waits.begin(), waits.end(), int64_t(0));
    EXPECT_EQ(total, std::accumulate(c.Waits.begin(), c.Waits.end(), int64_t(0)));
    return;
  }
  EXPECT_EQ(waits, c.Waits);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PainterWaits,
    ::testing::Values(
        TWaitCase{"DelayOneIsRaisedToThree", {1, 1, 1}, Async, 100, {36, 36}},
        TWaitCase{"DelayZeroIsTheDefault", {0, 0}, Async, 100, {120}},
        TWaitCase{"DoubleSpeedHalves", {1, 0, 1}, Async, 200, {18, 60}},
        TWaitCase{"AsynchronousWaitsTheFullTime", {2000, 1}, Async, 100, {24000}},
        // The first frame of a synchronous painter waits one unit.
        TWaitCase{"SynchronousCutsToTwelveSeconds", {2000, 1}, Sync, 100, {12, 12000}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GifPainter, LoopCountThreePlaysThreePasses) {
  TRun run(Animation({5, 5}, 3));
  run.Draw(Async);
  ASSERT_TRUE(run.PumpToEnd());
  EXPECT_EQ(run.Events,
            (std::vector<std::string>{"start", "before0", "after0", "before1", "after1", "restart",
                                      "before0", "after0", "before1", "after1", "restart",
                                      "before0", "after0", "before1", "after1", "end"}));
  EXPECT_EQ(run.Image->PainterCount(), 0);
}

TEST(GifPainter, LoopCountZeroLoopsUntilStoppedOrPlaysOnceInline) {
  TRun run(Animation({5, 5}, 0));
  platform::TWaitableEvent seven;
  run.Image->OnAfterFrame = [&](TGIFPainter&) {
    run.Events.push_back("after");
    if (run.Frames() == 7) seven.Set();
  };
  run.Draw(Async);
  ASSERT_TRUE(platform::PumpUntil(seven, 20000));
  EXPECT_EQ(run.Image->PainterCount(), 1);
  run.Image->StopPainters();
  EXPECT_EQ(run.Image->PainterCount(), 0);
  EXPECT_GE(run.Frames(), 7);
  EXPECT_EQ(run.Events.back(), "end");

  TRun once(Animation({5, 5}, 0));
  once.Draw(Sync);
  EXPECT_EQ(once.Frames(), 2);
  EXPECT_EQ(once.Events.back(), "end");
}

TEST(GifPainter, SpeedZeroShowsTheFirstFrameUntilStopped) {
  TRun run(Animation({5, 5}));
  run.Draw(Async, 0);
  // After the first frame the painter waits without end.
  ASSERT_TRUE(TRun::PumpWhile([&] { return run.Time.WaitsSoFar().empty(); }));
  EXPECT_EQ(run.Frames(), 1);
  EXPECT_EQ(run.Time.WaitsSoFar(), std::vector<int64_t>{-1});
  run.Image->StopPainters();
  EXPECT_EQ(run.Frames(), 1);
  EXPECT_EQ(run.Events.back(), "end");
}

TEST(GifPainter, AfterFrameHandlerMovesTheActiveFrame) {
  TRun run(Animation({5, 5, 5, 5}));
  run.Image->OnAfterFrame = [&](TGIFPainter& p) {
    run.Events.push_back("after" + std::to_string(p.ActiveFrame));
    if (p.ActiveFrame == 0) p.ActiveFrame = 2;
  };
  run.Draw(Sync);
  EXPECT_EQ(run.Events, (std::vector<std::string>{"start", "before0", "after0", "before2",
                                                  "after2", "before3", "after3", "end"}));
}

TEST(GifPainter, SameCanvasAndRectangleStartNoSecondPainter) {
  TRun run(Animation({5, 5}, 0));
  run.Draw(Async | poDirect);
  EXPECT_EQ(run.Image->PainterCount(), 1);
  TGIFPainter* first = run.Image->CurrentPainter();
  run.Image->DrawAnimated(run.Canvas, TRect{0, 0, 8, 6});
  EXPECT_EQ(run.Image->CurrentPainter(), first);
  EXPECT_EQ(run.Image->PainterCount(), 1);
  // Another rectangle replaces it.
  run.Image->DrawAnimated(run.Canvas, TRect{0, 0, 4, 3});
  EXPECT_EQ(run.Image->PainterCount(), 1);
  EXPECT_NE(run.Image->CurrentPainter(), nullptr);
  run.Image->StopPainters();
}

TEST(GifPainter, OneFrameNeverStartsAPainter) {
  TRun run(Animation({5}));
  run.Draw(Async);
  EXPECT_EQ(run.Image->PainterCount(), 0);
  EXPECT_TRUE(run.Events.empty());
  EXPECT_EQ(run.Surface.GetPixel(1, 1), run.Image->GlobalColorMap().Colors(0));
}

TEST(GifPainter, EmptyFirstFrameEndsTheDrawing) {
  TRun run(Animation({5, 5}));
  auto empty = std::make_unique<TGIFSubImage>(run.Image.get());
  empty->Extensions().Add(std::make_unique<TGIFCommentExtension>(empty.get()));
  run.Image->Images().Insert(0, std::move(empty));
  run.Draw(Async);
  ASSERT_TRUE(run.PumpToEnd());
  EXPECT_EQ(run.Events, (std::vector<std::string>{"start", "end"}));
}

TEST(GifPainter, ThrowingHandlerGivesOneWarning) {
  TRun run(Animation({5, 5}));
  run.Image->OnBeforeFrame = [](TGIFPainter&) { throw std::runtime_error("handler failed"); };
  run.Draw(Async | poDirect);
  ASSERT_TRUE(run.PumpToEnd());
  EXPECT_EQ(run.Image->PainterCount(), 0);
  EXPECT_EQ(run.Warnings, std::vector<std::string>{"handler failed"});
  // A synchronous painter's failure leaves the drawing call after its clean-up.
  TRun inline_(Animation({5, 5}));
  inline_.Image->OnAfterFrame = [](TGIFPainter&) { throw std::runtime_error("inline failed"); };
  inline_.Image->PaintOptions = Sync;
  EXPECT_THROW(inline_.Image->DrawAnimated(inline_.Canvas, TRect{0, 0, 8, 6}), std::runtime_error);
  EXPECT_EQ(inline_.Image->PainterCount(), 0);
  EXPECT_EQ(inline_.Events.back(), "end");
}

TEST(GifPainter, StopDuringALongDelayReturnsAtOnce) {
  // Real time here: the painter really waits 24 s unless it is woken.
  auto image = Animation({2000, 2000});
  auto canvasBitmap = TBitmap(4, 3, platform::pf24bit);
  auto canvas = std::make_shared<TCanvas>(canvasBitmap);
  image->PaintOptions = Async;
  image->DrawAnimated(canvas, TRect{0, 0, 4, 3});
  ASSERT_EQ(image->PainterCount(), 1);
  const auto start = std::chrono::steady_clock::now();
  image->StopPainters();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(image->PainterCount(), 0);
}

TEST(GifPainter, DestroyingTheImageWhileThePainterSendsCompletes) {
  TRun run(Animation({5, 5, 5}, 0));
  run.Draw(Async);
  // The painter moves on at once and asks this thread to draw; nobody answers yet.
  ASSERT_TRUE(platform::WaitMessage(20000));
  run.Image.reset();
  EXPECT_EQ(run.Events.back(), "end");
}

TEST(GifPainter, DirectPainterWhoseCanvasIsGoneDrawsNothing) {
  TRun run(Animation({5, 5, 5}));
  run.Image->PaintOptions = Sync | poDirect | poCheckDestination;
  std::weak_ptr<TCanvas> weak = run.Canvas;
  run.Image->OnAfterFrame = [&](TGIFPainter&) {
    run.Events.push_back("after");
    run.Canvas.reset();  // the view goes away after the first frame
  };
  run.Image->DrawAnimated(run.Canvas, TRect{0, 0, 8, 6});
  EXPECT_TRUE(weak.expired());
  // The second frame found no canvas, and the painter that checks its destination ended.
  EXPECT_EQ(run.Frames(), 2);
  EXPECT_EQ(run.Events.back(), "end");
}

// --- Disposal against ImageMagick's composition -----------------------------------------------

struct TDisposalCase {
  const char* Name;
  bool Transparent;
};

class Disposal : public ::testing::TestWithParam<TDisposalCase> {};

TEST_P(Disposal, ImageBitmapAfterEachFrameEqualsTheComposition) {
  const std::string name = GetParam().Name;
  const Bytes data = ReadFixture(name + ".gif");
  const std::vector<TPpmFrame> expected = ParsePpms(ReadFixture(name + "_coalesced.ppm"));
  auto image = std::make_unique<TGIFImage>();
  image->LoadFromStream(data.data(), data.size());
  TRun run(std::move(image));
  const TColor ground = RGB(10, 20, 30);
  run.Surface = TBitmap(20, 14, platform::pf24bit);
  run.Canvas = std::make_shared<TCanvas>(run.Surface);
  run.Canvas->Brush.Color = ground;
  run.Canvas->FillRect(TRect{0, 0, 20, 14});
  std::vector<TBitmap> shown;
  run.Image->OnAfterFrame = [&](TGIFPainter& p) { shown.push_back(*p.Image().Bitmap()); };
  uint16_t options = poAnimate;
  if (GetParam().Transparent)
    options |= poTransparent;
  else
    run.Image->PaintBackground = ground;
  run.Image->PaintOptions = options;
  run.Image->DrawAnimated(run.Canvas, TRect{0, 0, 20, 14});
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < shown.size(); ++i)
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 20; ++x) {
        const uint8_t* p = &expected[i].Rgb[(size_t(y) * 20 + x) * 3];
        ASSERT_EQ(shown[i].GetPixel(x, y), RGB(p[0], p[1], p[2]))
            << "frame " << i << " at " << x << "," << y;
      }
  // The destination shows the last one.
  EXPECT_EQ(run.Surface.GetPixel(5, 5), shown.back().GetPixel(5, 5));
}

INSTANTIATE_TEST_SUITE_P(Files, Disposal,
                         ::testing::Values(TDisposalCase{"gs_dispose", true},
                                           TDisposalCase{"gs_dispose_opaque", true},
                                           TDisposalCase{"gs_dispose_opaque", false}),
                         [](const auto& info) {
                           return std::string(info.param.Name) +
                                  (info.param.Transparent ? "_transparent" : "_background");
                         });

}  // namespace
