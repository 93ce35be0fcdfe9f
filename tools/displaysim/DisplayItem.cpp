#include "DisplayItem.h"

namespace displaysim {

TRect RecordRect(TBytes record) {
  return {record.U16(8), record.U16(10), record.U16(12), record.U16(14)};
}

TRect TWindowItem::Ground(TScreen& screen) const {
  const TRect clip = platform::Intersect(Rect, screen.Bounds());
  if (!clip.IsEmpty() && !Transparent) screen.Fill(clip, pxBlack);
  return clip;
}

std::unique_ptr<TDisplayItem> MakeItem(const TRecordView& record, const TItemSetup& setup) {
  switch (record.Kind) {
    case kdPictureWindow: return MakePictureWindow(record.Bytes, setup);
    case kdStringWindow: return MakeStringWindow(record.Bytes, setup);
    case kdDateTime: return MakeDateTime(record.Bytes, setup);
    case kdCountUp:
    case kdCountDown: return MakeCounter(record.Bytes, setup);
    case kdTemperature:
    case kdHumidity:
    case kdNoise: return MakeSensor(record.Bytes, setup);
    case kdMovie: return MakeMovie(record.Bytes, setup);
    case kdClock: return MakeClock(record.Bytes, setup);
    default: return nullptr;
  }
}

}  // namespace displaysim
