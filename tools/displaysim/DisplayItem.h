#pragma once
// One record of the current page as the screen shows it. Items are made when their page comes
// up and painted at every step, in record order; each keeps inside its rectangle.
#include <cstdint>
#include <memory>

#include "ProgramReader.h"
#include "Screen.h"
#include "platform/base/DateTime.h"

namespace displaysim {

struct TStepState {
  int64_t PageStep = 0;          // steps since the page came up, 0 the first
  platform::TDateTime Now = 0;  // the local time of this step
};

// What every item of a program is made with.
struct TItemSetup {
  int ColorMode = 1;           // 1-4: how colours given as colour values show
  bool RedGreenWords = false;  // format-5 pixels are mode-4 words
  int ScreenWidth = 0;
  int ScreenHeight = 0;
};

class TDisplayItem {
 public:
  virtual ~TDisplayItem() = default;
  virtual void Paint(TScreen& screen, const TStepState& state) = 0;
};

// The rectangle of a record (u16 left, top, right, bottom at offset 8).
TRect RecordRect(TBytes record);

// An item that paints inside its record's rectangle, onto black unless it is transparent.
class TWindowItem : public TDisplayItem {
 protected:
  TWindowItem(TBytes record, bool transparent)
      : Rect(RecordRect(record)), Transparent(transparent) {}
  // The part of the window on the screen, filled black first unless the window is
  // transparent; empty when the window is off the screen.
  TRect Ground(TScreen& screen) const;

  TRect Rect;
  bool Transparent;
};

// The item of a record; null for a kind that shows nothing.
std::unique_ptr<TDisplayItem> MakeItem(const TRecordView& record, const TItemSetup& setup);

// The item kinds.
std::unique_ptr<TDisplayItem> MakePictureWindow(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeStringWindow(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeDateTime(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeCounter(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeSensor(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeMovie(TBytes record, const TItemSetup& setup);
std::unique_ptr<TDisplayItem> MakeClock(TBytes record, const TItemSetup& setup);

}  // namespace displaysim
