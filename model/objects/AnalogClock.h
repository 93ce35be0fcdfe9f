#pragma once
// The analog clock: a dial of twelve dots with hour, minute and second hands.
//
// On the design surface the clock paints the current time (platform::Now()). To the card it
// sends every picture the card needs, and the card puts the face together itself: the dial,
// 48 hour hands (each hour by quarter hour), 60 minute hands and 60 second hands, all squares
// of side min(Width, Height) (record kind 96, see WriteClockRecord below).
//
// The pixels follow fixed steps:
//   - dial: black; r = min(w, h) / 2 − DotH − 2, centre c = min(w, h) / 2; for i = 1..12 a dot
//     of radius DotM in ColorN at (c − round(sin(i·a)·r), c + round(cos(i·a)·r)) with
//     a = 3.1415926 / 6, and over every third one a dot of radius DotH in ColorD;
//   - hand templates, s = min(Width, Height), half = s / 2: the outline (half, half + half/4) →
//     (half − WidthH, half) → (half, half/3 + DotH) → (half + WidthH, half) → back, in ColorH,
//     flood-filled from the centre up to ColorH; the minute hand likewise with WidthM, ColorM
//     and its tip at (half, half/5 + DotM); both point to 12;
//   - a hand turned clockwise by t: the corners (0,0), (s,0), (0,s) at angle
//     atan2(half − y, x − half) − t go to (half + trunc(cos·R), half − trunc(sin·R)),
//     R = half·√2, and the template is copied there by a three-point copy (PlgBlt); the hour
//     hand turns by hour·π/6 + (minute div 15)·π/30, the minute hand by minute·π/30;
//   - second hand: a line in ColorS from the centre to
//     (c + round(sin(second·π/30)·L), c − round(cos(second·π/30)·L)), L = r − DotH − 4;
//   - paint: dial, the two hands ORed on, the second hand, a black dot of radius 1 at the
//     centre; then the face onto the page, opaque or with black as the see-through colour.
// Trigonometry is done in long double. Round is to nearest with halves to even, trunc cuts
// towards zero; before either, a value within 1e-9 of a whole or half number counts as that
// number, so the angles that are exact in theory (quarter turns, sin 30°) land on the same
// pixels whatever the last bit of the library's sinl.
//
// A clock too small for its dots would have r or L below 0, which would mirror the dots and
// point the second hand at the opposite second: both count as 0 there (no second hand rather
// than a wrong one); the centre stays at min(w, h) / 2.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

namespace platform {
class TCanvas;
}

namespace model {

// ---- The clock's arithmetic -----------------------------------------------------------------

// A value within 1e-9 of a whole or half number, as that number; any other value as it is.
long double SnapToHalf(long double v);
// Round to nearest, halves to even, of the snapped value.
int64_t RoundClock(long double v);
// Trunc towards zero of the snapped value.
int64_t TruncClock(long double v);

// The dial of a width x height rectangle: its centre (both coordinates) and radius, never
// below 0.
struct TDialGeometry {
  int64_t Centre = 0;
  int64_t Radius = 0;
};
TDialGeometry DialGeometry(int64_t width, int64_t height, int64_t dotH);

// The centre of hour dot i (1..12) of the dial.
platform::TPoint DialDotCentre(int i, int64_t width, int64_t height, int64_t dotH);
// The second hand's length (never below 0) and the end of the hand at `second`.
int64_t SecondHandLength(int64_t width, int64_t height, int64_t dotH);
platform::TPoint SecondHandEnd(int second, int64_t width, int64_t height, int64_t dotH);

// How far the hands turn clockwise, in radians.
long double HourHandAngle(int hour, int quarter);  // hour·π/6 + quarter·π/30
long double MinuteHandAngle(int minute);           // minute·π/30
long double SecondHandAngle(int second);           // second·π/30

// Where the corners (0,0), (s,0) and (0,s) of a side x side template go when it turns by
// `angle` about its centre (side / 2, side / 2): the three points of the copy.
std::array<platform::TPoint, 3> TurnedCorners(int side, long double angle);

// ---- The record -----------------------------------------------------------------------------

constexpr size_t ClockHeadSize = 28;
constexpr int ClockPictureCount = 169;  // dial, 48 hour, 60 minute and 60 second hands
constexpr int ClockFirstHourHand = 1;
constexpr int ClockFirstMinuteHand = 49;
constexpr int ClockFirstSecondHand = 109;

// The length of the clock record whose pictures are side x side in a colour mode; 0 when the
// mode is outside 1..4. May exceed what the record's u32 length holds.
uint64_t ClockRecordSize(int side, int colorMode);

// ---- TAnalogClock ---------------------------------------------------------------------------

// Published: WidthH (2), WidthM (1), DotH (3), DotM (2), ColorH ($0000FF), ColorM ($00FFFF),
// ColorS ($00FF00), ColorD ($00FFFF), ColorN ($0000FF), Transparent (True), Text, Clock (0),
// PropertyTable, RecordSelf; 80 x 80.
//
// The dot radii and hand half-widths are used within ±MaxPartSize: beyond that they would only
// move pixels far outside any picture, and the drawing's arithmetic stays in range.
class TAnalogClock : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  static constexpr int MaxPartSize = 1 << 20;

  explicit TAnalogClock(platform::TComponent* owner);

  // All stored only: the page repaints the clock on its own timer.
  int32_t WidthH() const { return widthH_; }
  void SetWidthH(int32_t v) { widthH_ = v; }
  int32_t WidthM() const { return widthM_; }
  void SetWidthM(int32_t v) { widthM_ = v; }
  int32_t DotH() const { return dotH_; }
  void SetDotH(int32_t v) { dotH_ = v; }
  int32_t DotM() const { return dotM_; }
  void SetDotM(int32_t v) { dotM_ = v; }
  platform::TColor ColorH() const { return colorH_; }
  void SetColorH(platform::TColor c) { colorH_ = c; }
  platform::TColor ColorM() const { return colorM_; }
  void SetColorM(platform::TColor c) { colorM_ = c; }
  platform::TColor ColorS() const { return colorS_; }
  void SetColorS(platform::TColor c) { colorS_ = c; }
  platform::TColor ColorD() const { return colorD_; }
  void SetColorD(platform::TColor c) { colorD_ = c; }
  platform::TColor ColorN() const { return colorN_; }
  void SetColorN(platform::TColor c) { colorN_ = c; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  int32_t Clock() const { return clock_; }
  void SetClock(int32_t clock) { clock_ = clock; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // Makes the two hand templates for the current size, colours, widths and dots (kept while
  // those stay), with the corners, centre and corner radius. Throws platform::EBitmapError for
  // a size the drawing layer refuses.
  void PrepareTemplates();
  const platform::TBitmap& HourTemplate() const { return hourTemplate_; }
  const platform::TBitmap& MinuteTemplate() const { return minuteTemplate_; }
  // The turned hands and the face as last painted or written.
  const platform::TBitmap& HourHand() const { return hourHand_; }
  const platform::TBitmap& MinuteHand() const { return minuteHand_; }
  const platform::TBitmap& Face() const { return face_; }
  // Turns a template into its hand bitmap: black, then the template through TurnedCorners.
  void TurnHourHand(long double angle);
  void TurnMinuteHand(long double angle);
  // Draws the dial of a width x height rectangle at (0, 0) of `bitmap` and keeps its radius.
  void DrawDial(platform::TBitmap& bitmap, int width, int height);
  int64_t DialRadius() const { return dialRadius_; }

  void Paint(platform::TCanvas& canvas) override;
  // When the clock's second has moved on since the face was painted.
  bool PictureDue() const override;
  // Appends the clock record in the stream's colour mode; nothing (so the page does not count
  // the clock) when the record would not fit its u32 length or the mode is outside 1..4.
  // Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  struct TTemplateKey {
    int Side = -1;
    int64_t WidthH = 0, WidthM = 0, DotH = 0, DotM = 0;
    platform::TColor ColorH = 0, ColorM = 0;
    bool operator==(const TTemplateKey&) const = default;
  };
  TTemplateKey CurrentKey() const;
  // The second hand in ColorS onto `canvas`, from the centre.
  void DrawSecondHand(platform::TCanvas& canvas, int second) const;
  void WriteRecord(TProgramStream& stream);

  int32_t widthH_ = 2, widthM_ = 1, dotH_ = 3, dotM_ = 2;
  platform::TColor colorH_ = platform::clRed, colorM_ = platform::clYellow,
                   colorS_ = platform::clLime, colorD_ = platform::clYellow,
                   colorN_ = platform::clRed;
  bool transparent_ = true;
  std::string text_;
  int32_t clock_ = 0;
  TBasePropertyTable table_;

  // The five bitmaps: the two templates, the two turned hands and the face.
  platform::TBitmap hourTemplate_, minuteTemplate_, hourHand_, minuteHand_, face_;
  TTemplateKey templateKey_;
  std::array<platform::TPoint, 4> corners_{};
  platform::TPoint centre_;
  long double cornerRadius_ = 0;
  int64_t dialRadius_ = 0;
  int paintedSecond_ = -1;  // the time of day the face shows, in seconds
};

}  // namespace model
