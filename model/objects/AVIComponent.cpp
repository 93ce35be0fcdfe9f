#include "AVIComponent.h"

#include <algorithm>
#include <limits>

#include "model/FormConstructEx.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/StreamContext.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"

namespace model {

namespace {

const TTableRows& MovieRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddRow(r, kRowFileName);
    AddBoundsRows(r);
    AddRow(r, "Stretch|是否缩放");
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// The colour mode the movie would be sent in: that of the screen it sits on (its page's
// owner), from the card's parameter block; the current one when it sits on no screen.
int ScreenColorMode(const platform::TComponent& object) {
  for (const platform::TComponent* c = object.Owner(); c; c = c->Owner())
    if (const auto* screen = dynamic_cast<const TLEDScreen*>(c)) return screen->ColorMode();
  return StreamContext().ColorMode();
}

}  // namespace

const platform::TClassInfo& TAVIPlayer::StaticClassInfo() {
  using T = TAVIPlayer;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TAVIPlayer")
          .Property("FileName", &T::FileName, &T::SetFileName)
          .Property("Active", &T::Active, &T::SetActive)
          .Property("Stretch", &T::Stretch, &T::SetStretch)
          .Property("RecordSize", &T::RecordSize, &T::SetRecordSize)
          .Property("Fixed", &T::Fixed, &T::SetFixed)
          .Property("FixTime", &T::FixTime, &T::SetFixTime)
          .Property("Text", &T::Text, &T::SetText)
          .Property("Clock", &T::Clock, &T::SetClock)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TAVIPlayer::TAVIPlayer(platform::TComponent* owner) : TGraphicControl(owner) {
  if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) SetParent(parent);
  SetBounds(Left(), Top(), 128, 96);
  FillPropertyTable(table_, MovieRows());
}

void TAVIPlayer::SetFileName(std::string_view fileName) {
  fileName_ = fileName;
  reader_.Close();
  nextFrame_ = 0;
  // Only a regular file: the reader would wait forever on a pipe with no writer.
  const std::string path = RegularObjectFile(fileName_);
  if (!path.empty()) reader_.Open(path);
  Invalidate();
}

int32_t TAVIPlayer::RecordSize() const {
  const std::string path = RegularObjectFile(fileName_);
  if (path.empty()) return 0;
  const uint32_t size =
      MovieDataSize(ObjectRecordRect(*this), path, stretch_, ScreenColorMode(*this));
  // An Integer property: a larger estimate would read as a negative size.
  return int32_t(std::min<uint32_t>(size, std::numeric_limits<int32_t>::max()));
}

void TAVIPlayer::Paint(platform::TCanvas& canvas) {
  if (!reader_.IsOpen()) return;
  if (!reader_.ReadFrame(nextFrame_, frame_)) {
    nextFrame_ = 0;  // past the end: the movie starts again
    if (!reader_.ReadFrame(0, frame_)) return;
  }
  canvas.CopyMode = platform::cmSrcCopy;
  if (stretch_) {
    const platform::TStretchMode mode = canvas.StretchMode;
    canvas.StretchMode = platform::smHalftone;
    canvas.StretchDraw({0, 0, Width(), Height()}, frame_);
    canvas.StretchMode = mode;
  } else {
    canvas.Draw(0, 0, frame_);
  }
  ++nextFrame_;
}

void TAVIPlayer::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    const std::string path = RegularObjectFile(fileName_);
    if (!path.empty()) WriteMovieRecord(ObjectRecordRect(*this), path, s, stretch_);
  });
}

}  // namespace model
