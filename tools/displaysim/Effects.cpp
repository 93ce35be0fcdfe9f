#include "Effects.h"

#include <algorithm>

namespace displaysim {

namespace {

struct TExtent {
  int64_t W, H;    // the window
  int64_t Pw, Ph;  // the picture
};

TExtent ExtentOf(platform::TSize window, platform::TSize picture) {
  TExtent e;
  e.W = std::max(window.cx, 0);
  e.H = std::max(window.cy, 0);
  e.Pw = std::max(picture.cx, 0);
  e.Ph = std::max(picture.cy, 0);
  return e;
}

// How far (pixels) an effect travels before it is done; flicker counts steps instead. A move
// from the left or the top starts the picture's whole size out, so that a picture larger than
// its window comes in from its far edge.
int64_t Travel(int effect, const TExtent& e) {
  switch (effect) {
    case efRollLeft:
    case efMoveInLeft:
    case efOpenLeftToRight:
    case efOpenRightToLeft: return e.W;
    case efMoveInRight:
    case efRollRight: return e.Pw;
    case efRollUp:
    case efMoveInUp: return e.H;
    case efMoveInDown:
    case efRollDown: return e.Ph;
    case efMoveInFromTopRight: return std::max(e.W, e.Ph);
    case efMoveInFromBottomRight: return std::max(e.W, e.H);
    case efMoveInFromTopLeft: return std::max(e.Pw, e.Ph);
    case efMoveInFromBottomLeft: return std::max(e.Pw, e.H);
    case efOpenFromMiddleRows: return e.H - e.H / 2;
    case efOpenFromMiddleColumns: return e.W - e.W / 2;
    case efOpenFromCentre: return std::max(e.W - e.W / 2, e.H - e.H / 2);
    case efContinuousLeft: return std::max(e.Pw, e.W);
    case efContinuousDown: return std::max(e.Ph, e.H);
    default: return 0;
  }
}

constexpr int FlickerPhases = 6;  // shown, dark, shown, dark, shown, dark, then shown for good

int FlickerPhaseSteps(int64_t v) { return int(9 - v); }

}  // namespace

int PixelsPerStep(int speed) { return std::clamp(speed, 1, 8); }

int64_t EffectSteps(int effect, int speed, platform::TSize window, platform::TSize picture) {
  const int64_t v = PixelsPerStep(speed);
  if (effect == efFlicker) return int64_t(FlickerPhases) * FlickerPhaseSteps(v);
  const int64_t travel = Travel(effect, ExtentOf(window, picture));
  return (travel + v - 1) / v;
}

TEffectFrame EffectFrame(int effect, int speed, int64_t step, platform::TSize window,
                         platform::TSize picture) {
  const TExtent e = ExtentOf(window, picture);
  const int64_t v = PixelsPerStep(speed);
  TEffectFrame f;
  f.Reveal = {0, 0, int(e.W), int(e.H)};
  const int64_t steps = EffectSteps(effect, speed, window, picture);
  if (step >= steps) {
    // Effect 1's picture, after a wide picture has rolled through: its last move is as short
    // as it takes to bring the right end in, so that the end always shows.
    const int64_t overhang = e.Pw - e.W;
    const int64_t k = step - steps;
    if (overhang > 0 && k <= (overhang + v - 1) / v)
      f.Places[0].X = int(-std::min(k * v, overhang));
    return f;
  }
  const int64_t d = std::max<int64_t>(step, 0) * v;
  int64_t x = 0, y = 0;
  auto reveal = [&](int64_t left, int64_t top, int64_t right, int64_t bottom) {
    f.Reveal = {int(std::max<int64_t>(left, 0)), int(std::max<int64_t>(top, 0)),
                int(std::min(right, e.W)), int(std::min(bottom, e.H))};
  };
  switch (effect) {
    case efRollLeft:
    case efMoveInLeft: x = e.W - d; break;
    case efMoveInRight:
    case efRollRight: x = -e.Pw + d; break;
    case efRollUp:
    case efMoveInUp: y = e.H - d; break;
    case efMoveInDown:
    case efRollDown: y = -e.Ph + d; break;
    case efMoveInFromTopRight:
      x = e.W - std::min(d, e.W);
      y = -e.Ph + std::min(d, e.Ph);
      break;
    case efMoveInFromBottomRight:
      x = e.W - std::min(d, e.W);
      y = e.H - std::min(d, e.H);
      break;
    case efMoveInFromTopLeft:
      x = -e.Pw + std::min(d, e.Pw);
      y = -e.Ph + std::min(d, e.Ph);
      break;
    case efMoveInFromBottomLeft:
      x = -e.Pw + std::min(d, e.Pw);
      y = e.H - std::min(d, e.H);
      break;
    case efOpenFromMiddleRows: reveal(0, e.H / 2 - d, e.W, e.H / 2 + d); break;
    case efOpenFromMiddleColumns: reveal(e.W / 2 - d, 0, e.W / 2 + d, e.H); break;
    case efOpenFromCentre: reveal(e.W / 2 - d, e.H / 2 - d, e.W / 2 + d, e.H / 2 + d); break;
    case efOpenLeftToRight: reveal(0, 0, d, e.H); break;
    case efOpenRightToLeft: reveal(e.W - d, 0, e.W, e.H); break;
    case efContinuousLeft: {
      // The picture (at least the window wide) turns round once, its left edge coming back in
      // at the right.
      const int64_t turn = std::max(e.Pw, e.W);
      f.Places[0] = {int(-d), 0};
      f.Places[1] = {int(turn - d), 0};
      f.Count = 2;
      return f;
    }
    case efContinuousDown: {
      const int64_t turn = std::max(e.Ph, e.H);
      f.Places[0] = {0, int(d)};
      f.Places[1] = {0, int(d - turn)};
      f.Count = 2;
      return f;
    }
    case efFlicker: f.Visible = (step / FlickerPhaseSteps(v)) % 2 == 0; break;
    default: break;
  }
  f.Places[0] = {int(x), int(y)};
  return f;
}

}  // namespace displaysim
