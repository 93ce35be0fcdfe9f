#pragma once
// The text objects of a page:
//   - TText: single-line text, sent as a picture as wide as the whole text, which the card
//     moves through the object's window;
//   - TMultiString: code text, sent as characters the card draws with its own 16- or 24-dot
//     font;
//   - TStringFile: code text read from a text file and broken into lines at the object's width.
//   - TWordObject: a document cut into pages of the object's size, sent as one tall picture;
//   - TTableObject: a table file as the table control (TableReport.h) renders it.
// (The rich-text object TMultiText lives in rtf.h.)
//
// All text here is GBK, as every model string. Each class derives directly from
// TGraphicControl and builds on the helpers of DisplayObject.h. Setting RecordSelf appends the
// object's record: a picture window (TText, TWordObject, TTableObject) or a string window
// (TMultiString, TStringFile).
#include <cstdint>
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/base/Timer.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/component/Strings.h"
#include "platform/gfx/Bitmap.h"

namespace model {

// Single-line text. The lines are drawn end to end on one row, each right after the one before.
//
// Published: Lines ("单行文本"), CanvasFont ("宋体", 12 pt, red, GB2312), Transparent (True),
// Method, Speed, Fixed (False), DisplayTime (0), Text, PropertyTable, RecordSelf; 160 x 20;
// caption "单行文本".
class TText : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  // The widest and the tallest picture the record sends; longer text is cut.
  static constexpr int MaxPictureSide = 60000;

  explicit TText(platform::TComponent* owner);

  platform::TStringList& Lines() { return lines_; }
  const platform::TStringList& Lines() const { return lines_; }
  // Takes the lines (null is ignored) and repaints.
  void SetLines(const platform::TStringList* lines);
  platform::TFont& CanvasFont() { return canvasFont_; }
  const platform::TFont& CanvasFont() const { return canvasFont_; }
  // Takes the font (null is ignored) and repaints.
  void SetCanvasFont(const platform::TFont* font);
  // Stored only: the page repaints on its own timer.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  // Saved with the object; nothing here reads them.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  int32_t DisplayTime() const { return displayTime_; }
  void SetDisplayTime(int32_t seconds) { displayTime_ = seconds; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // Black first unless transparent, then the lines end to end at y 0 in CanvasFont.
  void Paint(platform::TCanvas& canvas) override;

  // The picture the record sends: as wide as all lines together and as high as the caption's
  // cell in CanvasFont, each side at most MaxPictureSide; the lines drawn on black. Throws
  // platform::EBitmapError when the drawing layer cannot make a picture of that size.
  platform::TBitmap RecordPicture() const;
  // Appends a picture window of the bounds holding RecordPicture(); nothing (and the page
  // does not count the object) when the picture cannot be made. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  platform::TStringList lines_;
  platform::TFont canvasFont_;
  bool transparent_ = true;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  bool fixed_ = false;
  int32_t displayTime_ = 0;
  std::string text_;
  TBasePropertyTable table_;
};

// Code text: the lines as the card draws them in its own font, one below the other.
//
// Published: Lines ("内码文本"), Font (fs16), Color ($0000FF), Transparent (True), Method, Speed,
// Text, PropertyTable, RecordSelf; 160 x 64.
class TMultiString : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TMultiString(platform::TComponent* owner);

  platform::TStringList& Lines() { return lines_; }
  const platform::TStringList& Lines() const { return lines_; }
  // These setters store and repaint; Transparent repaints only when it changes.
  void SetLines(const platform::TStringList* lines);
  TFontSet Font() const { return font_; }
  void SetFont(TFontSet font);
  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  void Paint(platform::TCanvas& canvas) override;
  // Appends a string window of the bounds: the lines each followed by CR LF, Font as the card
  // font, Color. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  platform::TStringList lines_;
  TFontSet font_ = fs16;
  platform::TColor color_ = platform::clRed;
  bool transparent_ = true;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  std::string text_;
  TBasePropertyTable table_;
};

// Code text from a text file: the file's GBK bytes broken into display lines at the object's
// full width, no margin, in "宋体" 12 pt (fs16) or 18 pt (fs24) with the word-wrapping rules of
// a multi-line edit control; CR LF, LF and CR end the file's lines. A file that cannot be read
// (an empty FileName, a missing file, a folder, pipe or device) shows the line "文本文件".
//
// The file is read and broken again whenever FileName or Font is set and on every resize (the
// constructor's own 160 x 64 included, so a new object shows "文本文件" at once), except while
// object text is loading the object: then once when loading ends, at the final size. And before
// each record.
//
// Published: FileName (""), Font, Color, Transparent, Method, Speed, Text with the defaults of
// TMultiString, PropertyTable, RecordSelf; 160 x 64.
class TStringFile : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TStringFile(platform::TComponent* owner);

  // GBK, made a path only when the file is opened.
  const std::string& FileName() const { return fileName_; }
  // Stores the name, reads and breaks the file, repaints.
  void SetFileName(std::string_view fileName);
  TFontSet Font() const { return font_; }
  // Stores the font, reads and breaks the file again, repaints.
  void SetFont(TFontSet font);
  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The display lines as last broken (not published).
  const platform::TStringList& Lines() const { return lines_; }

  void Paint(platform::TCanvas& canvas) override;
  // Reads and breaks the file again, then appends a string window as TMultiString does.
  void SetRecordSelf(TProgramStream* stream);

  // Breaks the file at the final width once the object text has set every property.
  void Loaded() override;

 protected:
  void Resize() override;

 private:
  // Reads FileName and breaks it into lines_ at the current width.
  void BreakFile();

  std::string fileName_;
  TFontSet font_ = fs16;
  platform::TColor color_ = platform::clRed;
  bool transparent_ = true;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  std::string text_;
  TBasePropertyTable table_;
  platform::TStringList lines_;
};

// A document (what LibreOffice opens: Word, ODF, RTF, HTML, text) shown as pages of the
// object's size.
//
// On the design surface the object shows page 1 as the document converter renders it (see
// PageflatClient.h): a request goes out when FileName is set to another name, when Reverse
// changes, and on a resize to a new size while FileName is set; a 50 ms poll timer on
// TimerClock() then picks the bitmap file up, loads it as the preview and deletes it.
//   - While a request is outstanding, further changes set a pending mark; one new request
//     follows when the bitmap arrives.
//   - While object text is read into the project (LoadModeReading), the request waits and goes
//     out on the first tick after the reading.
//   - A request is given up silently after RequestTimeoutMs (DeferredTimeoutMs when it waited
//     for the reading); a bitmap that comes later is never shown.
//   - Without a running converter requests are skipped and the preview keeps its picture.
//   - No request is made for a name that is not a regular file, or a path the request's
//     264-byte fields cannot hold whole (cut, it would name another file).
// While the object text fills the object, the requests wait for Loaded(), which makes one.
//
// The record sends every page (WordToBitmap), each the object's size and inverted with
// Reverse, stacked top to bottom into one picture window of the bounds, as many pages as fit
// in StripHeight() rows. It neither waits for nor stops an outstanding preview request.
// Nothing is sent when the document gives no page.
//
// Published: FileName (""), Reverse (True), Method, Speed, Transparent (True), Text,
// PropertyTable, RecordSelf; 256 x 128.
class TWordObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  static constexpr uint32_t PollInterval = 50;          // ms
  static constexpr int64_t RequestTimeoutMs = 20000;
  static constexpr int64_t DeferredTimeoutMs = 40000;

  explicit TWordObject(platform::TComponent* owner);

  // GBK, made a path only when the document is opened.
  const std::string& FileName() const { return fileName_; }
  // Another name: a request, then a repaint.
  void SetFileName(std::string_view fileName);
  bool Reverse() const { return reverse_; }
  // A change: a request, then a repaint.
  void SetReverse(bool reverse);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  // Repaints when it changes.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The last page 1 the converter gave (24-bit); black at the object's first size until then.
  const platform::TBitmap& Preview() const { return preview_; }
  // True while a request is outstanding or waits for the reading of object text to end.
  bool Polling() const { return pollTimer_.Enabled(); }

  // The preview stretched (nearest pixel) onto the object: copied when opaque, ORed onto the
  // page when transparent.
  void Paint(platform::TCanvas& canvas) override;

  // The picture the record sends: the pages stacked, the object's width; empty when there is
  // nothing to send (no document, no page, a size without a whole page in the strip). Runs
  // the converter and waits for it. Throws platform::EBitmapError for an object size the
  // drawing layer refuses.
  platform::TBitmap RecordPicture() const;
  // Appends a picture window of the bounds holding RecordPicture(); nothing (and the page
  // does not count the object) when it is empty. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

  // Makes the one request the object text's properties asked for.
  void Loaded() override;

 protected:
  void Resize() override;

 private:
  void RequestConversion();
  void PollTick();

  std::string fileName_;
  bool reverse_ = true;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  bool transparent_ = true;
  std::string text_;
  TBasePropertyTable table_;
  platform::TBitmap preview_;
  platform::TClock* clock_;
  platform::TTimer pollTimer_;
  bool deferred_ = false;
  bool pending_ = false;
  int64_t deadline_ = 0;
  int32_t lastWidth_ = 0;
  int32_t lastHeight_ = 0;
  std::string bitmapPath_;  // of the outstanding request
};

// A table file ("*.Tab") as the table control draws it, sent as a picture window.
//
// Setting FileName loads the file into a hidden table control and renders the whole table
// into the object's 24-bit picture; the object takes the picture's size. A file that does not
// load (missing, not a regular file, wrong magic, damaged, or a table too large to render)
// shows its one message through the model's message box ("打开报表错误!", or "打开文件错误"
// for a wrong magic) and, as an empty name does, leaves the object its size and its picture
// black. The name is kept either way, so a table that is missing now is not dropped from the
// project at the next save.
//
// Published: FileName (""), Transparent (False), Method, Speed, Text, PropertyTable,
// RecordSelf; 320 x 200, the picture black at that size.
class TTableObject : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TTableObject(platform::TComponent* owner);

  // GBK, made a path only when the file is opened.
  const std::string& FileName() const { return fileName_; }
  // Stores the name, loads and renders the table (see above) and repaints.
  void SetFileName(std::string_view fileName);
  // Repaints when it changes.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The rendered table (pf24bit).
  const platform::TBitmap& Picture() const { return picture_; }

  // Transparent: the picture ORed onto the page. Otherwise black, then the picture copied.
  void Paint(platform::TCanvas& canvas) override;
  // Appends a picture window of the bounds holding Picture(). Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  std::string fileName_;
  bool transparent_ = false;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  std::string text_;
  TBasePropertyTable table_;
  platform::TBitmap picture_;
};

// The font code text is shown and broken in: "宋体" at 18 pt for fs24 and 12 pt for fs16, in
// `color`, GB2312.
platform::TFontDescription CodeTextFont(TFontSet font, platform::TColor color);

}  // namespace model
