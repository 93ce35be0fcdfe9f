#include "PhotoComps.h"

#include <algorithm>
#include <exception>

#include "model/MessageBoxHook.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"

namespace model {

namespace {

constexpr int PhotoWidth = 160;
constexpr int PhotoHeight = 64;

const TTableRows& PhotoRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, kRowFileName);
    AddRow(r, "Stretch|是否缩放");
    AddRow(r, kRowMethod);
    AddRow(r, kRowSpeed);
    AddMethodRows(r);
    AddSpeedRows(r);
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// The picture in the file as the object keeps it: a black 24-bit bitmap of the picture's size
// with the picture drawn at (0, 0). False for anything that is not a picture the registry and
// the drawing layer can hold.
bool LoadPicture(std::string_view gbkFileName, platform::TBitmap& out) {
  const std::string path = RegularObjectFile(gbkFileName);
  if (path.empty()) return false;
  try {
    platform::TPicture picture;
    picture.LoadFromFile(path);
    const platform::TGraphic& graphic = *picture.Graphic();
    // Throws beyond 65535 a side or the memory cap, so the record's u16 sizes always hold it.
    platform::TBitmap bitmap(graphic.Width(), graphic.Height(), platform::pf24bit);
    platform::TCanvas canvas(bitmap);
    graphic.Draw(canvas, {0, 0, bitmap.Width(), bitmap.Height()});
    out = std::move(bitmap);
    return true;
  } catch (const std::exception&) {
    // Readers of every format report a bad file by their own exceptions; all mean the same.
    return false;
  }
}

}  // namespace

const std::string& BadPictureMessage() {
  static const std::string text = platform::Utf8ToGbk("所选择文件格式错误，请选择其他文件!");
  return text;
}

const platform::TClassInfo& TPhoto::StaticClassInfo() {
  using T = TPhoto;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TPhoto")
          .Property("FileName", &T::FileName, &T::SetFileName)
          .Property("Method", TypeDisplayMethod(), &T::Method, &T::SetMethod)
          .Property("Speed", TypeDisplaySpeed(), &T::Speed, &T::SetSpeed)
          .Property("Stretch", &T::Stretch, &T::SetStretch)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Fixed", &T::Fixed, &T::SetFixed)
          .Property("Text", &T::Text, &T::SetText)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TPhoto::TPhoto(platform::TComponent* owner)
    : TGraphicControl(owner), picture_(PhotoWidth, PhotoHeight, platform::pf24bit) {
  SetBounds(Left(), Top(), PhotoWidth, PhotoHeight);
  FillPropertyTable(table_, PhotoRows());
}

void TPhoto::SetFileName(std::string_view fileName) {
  platform::TBitmap picture;
  if (LoadPicture(fileName, picture)) {
    fileName_ = fileName;
    picture_ = std::move(picture);
    Invalidate();
    return;
  }
  // The user keeps the picture shown with its own name. Object text keeps the name it holds,
  // with the black picture the object starts with.
  if (Loading()) fileName_ = fileName;
  ShowMessageBox(BadPictureMessage(), MessageBoxCaption());
}

void TPhoto::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  Invalidate();
}

void TPhoto::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TPhoto::Paint(platform::TCanvas& canvas) {
  const platform::TRect client{0, 0, Width(), Height()};
  canvas.CopyMode = platform::cmSrcCopy;
  if (stretch_) {
    canvas.StretchMode = platform::smColorOnColor;
    canvas.StretchDraw(client, picture_);
    return;
  }
  canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
  canvas.FillRect(client);
  canvas.BitBlt(0, 0, Width(), Height(), picture_, 0, 0, platform::cmSrcCopy);
}

platform::TBitmap TPhoto::RecordPicture() const {
  if (stretch_) {
    platform::TBitmap picture(Width(), Height(), platform::pf24bit);
    platform::TCanvas canvas(picture);
    canvas.StretchDraw({0, 0, Width(), Height()}, picture_);
    return picture;
  }
  platform::TBitmap picture(picture_.Width(), picture_.Height(), platform::pf24bit);  // black
  platform::TCanvas canvas(picture);
  canvas.BitBlt(0, 0, std::max(0, Width()), std::max(0, Height()), picture_, 0, 0,
                platform::cmSrcCopy);
  return picture;
}

void TPhoto::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    const platform::TBitmap picture = RecordPicture();
    WritePictureWindow(ObjectRecordRect(*this), picture, EffectCode(method_), SpeedCode(speed_),
                       transparent_, s);
  });
}

}  // namespace model
