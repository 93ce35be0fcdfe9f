#pragma once
// Display objects for the tree tests: graphic controls that publish RecordSelf and write a
// picture window, a string window or nothing, as the display objects proper do.
#include <string>
#include <string_view>

#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"

namespace model::test {

// A picture object: a picture window of its bounds holding a red and green picture of its size.
class TPictureObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TPictureObject(platform::TComponent* owner) : TGraphicControl(owner) {
    if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) SetParent(parent);
    SetBounds(4, 8, 20, 10);
  }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }

  platform::TBitmap Picture() const {
    platform::TBitmap b(Width(), Height());
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        b.SetPixel(x, y, (x + y) % 3 ? platform::clRed : platform::clLime);
    return b;
  }
  // The record as the landed writer gives it.
  void Write(TProgramStream& s) const {
    WritePictureWindow(RecordRect(Left(), Top(), Width(), Height()), Picture(), 3, 2, true, s);
  }
  void SetRecordSelf(TProgramStream* s) {
    if (s) Write(*s);
  }

 private:
  std::string text_;
};

// A code-text object: a string window of its lines, each followed by CR LF.
class TStringObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TStringObject(platform::TComponent* owner) : TGraphicControl(owner) {
    if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) SetParent(parent);
    SetBounds(0, 0, 64, 16);
  }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  const std::string& Lines() const { return lines_; }
  void SetLines(std::string_view lines) { lines_ = lines; }

  void Write(TProgramStream& s) const {
    WriteStringWindow(RecordRect(Left(), Top(), Width(), Height()), lines_ + "\r\n", 1,
                      platform::clYellow, 1, 8, false, s);
  }
  void SetRecordSelf(TProgramStream* s) {
    if (s) Write(*s);
  }

 private:
  std::string text_;
  std::string lines_ = "AB";
};

// An object with nothing to send (a campaign-time object): its record is empty.
class TSilentObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TSilentObject(platform::TComponent* owner) : TGraphicControl(owner) {
    if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) SetParent(parent);
  }
  int Calls = 0;
  void SetRecordSelf(TProgramStream* s) {
    if (s) ++Calls;
  }
};

// A windowed control that publishes RecordSelf and writes a page-sized record: it is no page
// and no display object, so no writer may ask it for its record.
class TIntruder : public platform::TWinControl {
  DECLARE_CLASS_INFO()
  explicit TIntruder(platform::TComponent* owner) : TWinControl(owner) {}
  int Calls = 0;
  void SetRecordSelf(TProgramStream* s) {
    if (!s) return;
    ++Calls;
    s->WriteZeros(16);
  }
};

inline const platform::TClassInfo& TPictureObject::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TPictureObject, platform::TGraphicControl>("TPictureObject")
          .Property("Text", &TPictureObject::Text, &TPictureObject::SetText)
          .StreamProperty<TProgramStream>("RecordSelf", &TPictureObject::SetRecordSelf)
          .Build();
  return info;
}

inline const platform::TClassInfo& TStringObject::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TStringObject, platform::TGraphicControl>("TStringObject")
          .Property("Text", &TStringObject::Text, &TStringObject::SetText)
          .Property("Lines", &TStringObject::Lines, &TStringObject::SetLines)
          .StreamProperty<TProgramStream>("RecordSelf", &TStringObject::SetRecordSelf)
          .Build();
  return info;
}

inline const platform::TClassInfo& TSilentObject::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TSilentObject, platform::TGraphicControl>("TSilentObject")
          .StreamProperty<TProgramStream>("RecordSelf", &TSilentObject::SetRecordSelf)
          .Build();
  return info;
}

inline const platform::TClassInfo& TIntruder::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TIntruder, platform::TWinControl>("TIntruder")
          .StreamProperty<TProgramStream>("RecordSelf", &TIntruder::SetRecordSelf)
          .Build();
  return info;
}

}  // namespace model::test
