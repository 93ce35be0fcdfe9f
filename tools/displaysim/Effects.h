#pragma once
// The display effects (1-21) and speeds (1-8) of picture and string windows, as the simulator
// plays them. The repository README lists what each effect does.
//
// An effect is a function of the step since its page came up: where the window's picture lies
// (relative to the window's top-left corner), which part of the window shows it, and whether
// it shows at all. Moves and reveals go whole pixels per step, as many as the speed (1-8, other
// values taken as the nearest), the last step only as far as is left. A move starts with the
// picture just outside the window: its left or top edge at the window's right or bottom edge,
// or its right or bottom edge at the window's left or top edge, whatever the picture's size.
// Every effect ends on effect 1's picture (the picture at the window's top-left corner). A
// picture wider than its window then rolls left through it until its right edge has reached
// the window's right edge, and ends on effect 1's picture again.
#include <cstdint>

#include "platform/gfx/Geometry.h"

namespace displaysim {

enum TEffect : int {
  efCopy = 1,
  efRollLeft = 2,
  efContinuousLeft = 3,
  efRollUp = 4,
  efOpenFromMiddleRows = 5,
  efOpenFromMiddleColumns = 6,
  efOpenFromCentre = 7,
  efMoveInLeft = 8,
  efMoveInRight = 9,
  efOpenLeftToRight = 10,
  efOpenRightToLeft = 11,
  efMoveInFromTopRight = 12,
  efMoveInFromBottomRight = 13,
  efMoveInFromTopLeft = 14,
  efMoveInFromBottomLeft = 15,
  efMoveInDown = 16,
  efMoveInUp = 17,
  efFlicker = 18,
  efRollDown = 19,
  efRollRight = 20,
  efContinuousDown = 21,
};

struct TEffectFrame {
  bool Visible = true;
  // Where the picture's top-left pixel lies, relative to the window; the first Count are drawn.
  platform::TPoint Places[2];
  int Count = 1;
  // The part of the window that shows the picture, relative to the window.
  platform::TRect Reveal;
};

// Pixels an effect moves per step at a speed.
int PixelsPerStep(int speed);

// The steps `effect` takes before it shows effect 1's picture (0 for effect 1 and unknown
// codes), without the roll of a wide picture.
int64_t EffectSteps(int effect, int speed, platform::TSize window, platform::TSize picture);

// The frame of step `step` (0 the first step of the page).
TEffectFrame EffectFrame(int effect, int speed, int64_t step, platform::TSize window,
                         platform::TSize picture);

}  // namespace displaysim
