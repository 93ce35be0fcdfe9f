#include "AnalogClock.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/stream/PixelBlock.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/DateTime.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"

namespace model {

namespace {

using platform::TPoint;

constexpr long double kPi = std::numbers::pi_v<long double>;
// The dial's step between hour dots, from the truncated constant it has always used.
constexpr long double kDialStep = 3.1415926L / 6;
constexpr long double kSnap = 1e-9L;

constexpr size_t ClockTableHeadSize = 8;

int ToInt(int64_t v) {
  return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                 std::numeric_limits<int>::max()));
}

int64_t LimitPart(int64_t v) {
  return std::clamp<int64_t>(v, -TAnalogClock::MaxPartSize, TAnalogClock::MaxPartSize);
}

const TTableRows& ClockRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "DotM|整点半径");
    AddRow(r, "DotH|3,6,9点半径");
    AddRow(r, "ColorH|小时指针颜色");
    AddRow(r, "ColorM|分钟指针颜色");
    AddRow(r, "ColorS|秒指针颜色");
    AddRow(r, "ColorD|3,6,9点颜色");
    AddRow(r, "ColorN|整点颜色");
    AddRow(r, "WidthH|小时指针宽度");
    AddRow(r, "WidthM|分钟指针宽度");
    AddRow(r, kRowTransparent);
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// A filled dot of `radius` in `color` centred on (x, y).
void Dot(platform::TCanvas& canvas, TPoint centre, int64_t radius, platform::TColor color) {
  canvas.Pen = {color, 1, platform::psSolid};
  canvas.Brush = {color, platform::bsSolid};
  canvas.Ellipse({ToInt(centre.X - radius), ToInt(centre.Y - radius), ToInt(centre.X + radius),
                  ToInt(centre.Y + radius)});
}

// A hand template: black, the outline from the tail to one side, the tip, the other side and
// back, flood-filled from the centre in the outline's colour.
void DrawTemplate(platform::TBitmap& bitmap, int side, int64_t halfWidth, int64_t tipY,
                  platform::TColor color) {
  bitmap.Recreate(side, side);
  platform::TCanvas canvas(bitmap);
  const int64_t half = side / 2;
  const TPoint outline[5] = {{ToInt(half), ToInt(half + half / 4)},
                             {ToInt(half - halfWidth), ToInt(half)},
                             {ToInt(half), ToInt(tipY)},
                             {ToInt(half + halfWidth), ToInt(half)},
                             {ToInt(half), ToInt(half + half / 4)}};
  canvas.Pen = {color, 1, platform::psSolid};
  canvas.Polyline(outline);
  canvas.Brush = {color, platform::bsSolid};
  canvas.FloodFill(ToInt(half), ToInt(half), color, platform::fsBorder);
}

void Turn(const platform::TBitmap& from, platform::TBitmap& to, long double angle) {
  const int side = from.Width();
  to.Recreate(side, side);
  const std::array<TPoint, 3> points = TurnedCorners(side, angle);
  platform::TCanvas canvas(to);
  canvas.PlgBlt(points.data(), from, {0, 0, side, from.Height()});
}

// The time of day the hands show for `moment`, in seconds; -1 when it cannot be read.
int SecondOfDay(platform::TDateTime moment) {
  const auto t = platform::DecodeDateTime(moment);
  return t ? (t->Hour * 60 + t->Minute) * 60 + t->Second : -1;
}

}  // namespace

// ---- The clock's arithmetic -----------------------------------------------------------------

long double SnapToHalf(long double v) {
  const long double half = std::round(v * 2) / 2;
  return std::fabs(v - half) <= kSnap ? half : v;
}

int64_t RoundClock(long double v) {
  v = SnapToHalf(v);
  const long double floor = std::floor(v);
  const long double rest = v - floor;
  int64_t r = int64_t(floor);
  if (rest > 0.5L || (rest == 0.5L && r % 2 != 0)) ++r;
  return r;
}

int64_t TruncClock(long double v) { return int64_t(std::trunc(SnapToHalf(v))); }

TDialGeometry DialGeometry(int64_t width, int64_t height, int64_t dotH) {
  const int64_t half = std::min(width, height) / 2;
  return {half, std::max<int64_t>(half - dotH - 2, 0)};
}

TPoint DialDotCentre(int i, int64_t width, int64_t height, int64_t dotH) {
  const TDialGeometry dial = DialGeometry(width, height, dotH);
  const long double angle = i * kDialStep;
  const long double r = static_cast<long double>(dial.Radius);
  return {ToInt(dial.Centre - RoundClock(std::sin(angle) * r)),
          ToInt(dial.Centre + RoundClock(std::cos(angle) * r))};
}

int64_t SecondHandLength(int64_t width, int64_t height, int64_t dotH) {
  return std::max<int64_t>(DialGeometry(width, height, dotH).Radius - dotH - 4, 0);
}

TPoint SecondHandEnd(int second, int64_t width, int64_t height, int64_t dotH) {
  const int64_t c = DialGeometry(width, height, dotH).Centre;
  const long double length = static_cast<long double>(SecondHandLength(width, height, dotH));
  const long double angle = SecondHandAngle(second);
  return {ToInt(c + RoundClock(std::sin(angle) * length)),
          ToInt(c - RoundClock(std::cos(angle) * length))};
}

long double HourHandAngle(int hour, int quarter) {
  return hour * kPi / 6 + quarter * kPi / 30;
}

long double MinuteHandAngle(int minute) { return minute * kPi / 30; }

long double SecondHandAngle(int second) { return second * kPi / 30; }

std::array<TPoint, 3> TurnedCorners(int side, long double angle) {
  const int64_t half = side / 2;
  const long double radius = std::sqrt(2.0L * half * half);
  const int64_t corners[3][2] = {{0, 0}, {side, 0}, {0, side}};
  std::array<TPoint, 3> points;
  for (int k = 0; k < 3; ++k) {
    const long double a =
        std::atan2(static_cast<long double>(half - corners[k][1]),
                    static_cast<long double>(corners[k][0] - half)) -
        angle;
    points[size_t(k)] = {ToInt(half + TruncClock(std::cos(a) * radius)),
                         ToInt(half - TruncClock(std::sin(a) * radius))};
  }
  return points;
}

uint64_t ClockRecordSize(int side, int colorMode) {
  if (!ValidColorMode(colorMode)) return 0;
  return ClockHeadSize + ClockTableHeadSize +
         uint64_t(ClockPictureCount) * PixelBlockSize(side, side, colorMode);
}

// ---- TAnalogClock ---------------------------------------------------------------------------

const platform::TClassInfo& TAnalogClock::StaticClassInfo() {
  using T = TAnalogClock;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TAnalogClock")
          .Property("WidthH", &T::WidthH, &T::SetWidthH)
          .Property("WidthM", &T::WidthM, &T::SetWidthM)
          .Property("DotH", &T::DotH, &T::SetDotH)
          .Property("DotM", &T::DotM, &T::SetDotM)
          .Property("ColorH", platform::TypeColor(), &T::ColorH, &T::SetColorH)
          .Property("ColorM", platform::TypeColor(), &T::ColorM, &T::SetColorM)
          .Property("ColorS", platform::TypeColor(), &T::ColorS, &T::SetColorS)
          .Property("ColorD", platform::TypeColor(), &T::ColorD, &T::SetColorD)
          .Property("ColorN", platform::TypeColor(), &T::ColorN, &T::SetColorN)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Text", &T::Text, &T::SetText)
          .Property("Clock", &T::Clock, &T::SetClock)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TAnalogClock::TAnalogClock(platform::TComponent* owner) : TGraphicControl(owner) {
  SetBounds(Left(), Top(), 80, 80);
  FillPropertyTable(table_, ClockRows());
}

TAnalogClock::TTemplateKey TAnalogClock::CurrentKey() const {
  return {std::min(Width(), Height()), LimitPart(widthH_), LimitPart(widthM_),
          LimitPart(dotH_),            LimitPart(dotM_),   colorH_,
          colorM_};
}

void TAnalogClock::PrepareTemplates() {
  const TTemplateKey key = CurrentKey();
  if (key == templateKey_) return;
  const int side = key.Side;
  const int64_t half = side / 2;
  templateKey_ = {};  // until both are made
  DrawTemplate(hourTemplate_, side, key.WidthH, half / 3 + key.DotH, key.ColorH);
  DrawTemplate(minuteTemplate_, side, key.WidthM, half / 5 + key.DotM, key.ColorM);
  corners_ = {TPoint{0, 0}, TPoint{side, 0}, TPoint{0, side}, TPoint{side, side}};
  centre_ = {int(half), int(half)};
  cornerRadius_ = std::sqrt(2.0L * half * half);
  templateKey_ = key;
}

void TAnalogClock::TurnHourHand(long double angle) { Turn(hourTemplate_, hourHand_, angle); }

void TAnalogClock::TurnMinuteHand(long double angle) {
  Turn(minuteTemplate_, minuteHand_, angle);
}

void TAnalogClock::DrawDial(platform::TBitmap& bitmap, int width, int height) {
  platform::TCanvas canvas(bitmap);
  canvas.Brush = {platform::clBlack, platform::bsSolid};
  canvas.FillRect({0, 0, width, height});
  const int64_t dotH = LimitPart(dotH_), dotM = LimitPart(dotM_);
  dialRadius_ = DialGeometry(width, height, dotH).Radius;
  for (int i = 1; i <= 12; ++i) {
    const TPoint centre = DialDotCentre(i, width, height, dotH);
    Dot(canvas, centre, dotM, colorN_);
    if (i % 3 == 0) Dot(canvas, centre, dotH, colorD_);
  }
}

void TAnalogClock::DrawSecondHand(platform::TCanvas& canvas, int second) const {
  const TPoint end = SecondHandEnd(second, Width(), Height(), LimitPart(dotH_));
  canvas.Pen = {colorS_, 1, platform::psSolid};
  canvas.MoveTo(centre_.X, centre_.Y);
  canvas.LineTo(end.X, end.Y);
}

bool TAnalogClock::PictureDue() const { return SecondOfDay(platform::Now()) != paintedSecond_; }

void TAnalogClock::Paint(platform::TCanvas& canvas) {
  PrepareTemplates();
  const platform::TDateTime moment = platform::Now();
  paintedSecond_ = SecondOfDay(moment);
  const auto now = platform::DecodeDateTime(moment);
  if (!now) return;
  face_.Recreate(Width(), Height());
  // The hour hand moves on by 6° per whole quarter hour; hour 13 turns as hour 1, exactly as
  // the card's picture for it.
  TurnHourHand(HourHandAngle(now->Hour % 12, now->Minute / 15));
  TurnMinuteHand(MinuteHandAngle(now->Minute));
  DrawDial(face_, Width(), Height());
  platform::TCanvas faceCanvas(face_);
  faceCanvas.BitBlt(0, 0, hourHand_.Width(), hourHand_.Height(), hourHand_, 0, 0,
                    platform::cmSrcPaint);
  faceCanvas.BitBlt(0, 0, minuteHand_.Width(), minuteHand_.Height(), minuteHand_, 0, 0,
                    platform::cmSrcPaint);
  DrawSecondHand(faceCanvas, now->Second);
  Dot(faceCanvas, centre_, 1, platform::clBlack);

  const platform::TRect all{0, 0, Width(), Height()};
  if (transparent_)
    canvas.TransparentDraw(all, face_, all, platform::clBlack);
  else
    canvas.BitBlt(0, 0, Width(), Height(), face_, 0, 0, platform::cmSrcCopy);
}

void TAnalogClock::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) { WriteRecord(s); });
}

void TAnalogClock::WriteRecord(TProgramStream& stream) {
  const int mode = StreamContext().ColorMode();
  const int side = std::min(Width(), Height());
  // Every picture has the same length, so the whole record is known before anything is made;
  // one that would wrap its u32 length is not sent at all.
  const uint64_t size = ClockRecordSize(side, mode);
  if (size == 0 || size > std::numeric_limits<uint32_t>::max()) return;
  PrepareTemplates();

  TRecordGuard record(stream);
  const size_t start = record.Start();
  stream.WriteU16(rkAnalogClock);
  stream.WriteU16(transparent_ ? 1 : 0);
  stream.WriteU32(0);
  WriteRecordRect(ObjectRecordRect(*this), stream);
  stream.WriteU32(ClockPictureCount);
  stream.WriteZeros(8);
  const size_t table = stream.Position();
  stream.WriteU16(rkGlyphTable);
  stream.WriteU16(ClockPictureCount);
  stream.WriteU32(0);

  face_.Recreate(side, side);
  DrawDial(face_, Width(), Height());
  WritePictureBits(face_, mode, stream);
  for (int hour = 0; hour < 12; ++hour)
    for (int quarter = 0; quarter < 4; ++quarter) {
      TurnHourHand(HourHandAngle(hour, quarter));
      WritePictureBits(hourHand_, mode, stream);
    }
  for (int minute = 0; minute < 60; ++minute) {
    TurnMinuteHand(MinuteHandAngle(minute));
    WritePictureBits(minuteHand_, mode, stream);
  }
  platform::TCanvas canvas(minuteHand_);
  for (int second = 0; second < 60; ++second) {
    canvas.Brush = {platform::clBlack, platform::bsSolid};
    canvas.FillRect({0, 0, Width(), Height()});
    DrawSecondHand(canvas, second);
    WritePictureBits(minuteHand_, mode, stream);
  }
  stream.PatchU32(table + 4, uint32_t(stream.Position() - table));
  stream.PatchU32(start + WindowLengthOffset, uint32_t(stream.Position() - start));
  record.Commit();
}

}  // namespace model
