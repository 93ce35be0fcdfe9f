#pragma once
// The picture object: a picture file of any format registered with the picture registry
// (platform::TPicture; the image formats add theirs at start-up), sent as a picture window.
//
// The object keeps the loaded picture as its own 24-bit bitmap: black 160 x 64 at first; a
// load makes it the picture's size, black, with the picture drawn on it at (0, 0). A picture
// that does not load (an unknown extension, a damaged file, a missing file, a folder, pipe or
// device, or a picture larger than the drawing layer holds: 65535 a side and its memory cap)
// shows "所选择文件格式错误，请选择其他文件!" ("提示信息") through the model's message box and
// changes nothing: name and picture stay as they were, so what the object shows, sends and
// saves still belong together. While object text loads the object, the name read is kept
// (with the black picture), so a picture that is missing now is not dropped from the project
// at the next save.
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"

namespace model {

// Published: FileName (""), Method, Speed, Stretch (True), Transparent (False), Fixed
// (False), Text, PropertyTable, RecordSelf; 160 x 64. The table has no row for Transparent.
class TPhoto : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TPhoto(platform::TComponent* owner);

  // GBK, made a path only when the file is opened.
  const std::string& FileName() const { return fileName_; }
  // Loads the picture and repaints; see above for a picture that does not load.
  void SetFileName(std::string_view fileName);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  // These two repaint when the value changes. Transparent goes only into the record's head.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // Saved with the object; nothing here reads it.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The loaded picture (pf24bit).
  const platform::TBitmap& Picture() const { return picture_; }

  // Stretch: the whole picture scaled onto the object. Otherwise the picture's top-left part
  // 1:1, black where the picture does not reach.
  void Paint(platform::TCanvas& canvas) override;

  // The picture the record sends (24-bit): with Stretch the object's size with the picture
  // scaled onto it; otherwise the picture's size with its top-left object-sized part copied
  // 1:1 and black elsewhere. Throws platform::EBitmapError for an object size the drawing
  // layer refuses.
  platform::TBitmap RecordPicture() const;
  // Appends a picture window of the bounds holding RecordPicture(). Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  std::string fileName_;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  bool stretch_ = true;
  bool transparent_ = false;
  bool fixed_ = false;
  std::string text_;
  TBasePropertyTable table_;
  platform::TBitmap picture_;
};

// "所选择文件格式错误，请选择其他文件!", GBK: what a picture that does not load shows.
const std::string& BadPictureMessage();

}  // namespace model
