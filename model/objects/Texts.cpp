#include "Texts.h"

#include <algorithm>
#include <vector>

#include "model/LoadMode.h"
#include "model/MessageBoxHook.h"
#include "model/TimerClock.h"
#include "model/objects/PageflatClient.h"
#include "model/objects/TableReport.h"
#include "model/objects/WordToBmp.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Blit.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/TextLayout.h"

namespace model {

namespace {

// GBK forms of the texts the objects start with or fall back to.
const std::string& SingleLineCaption() {
  static const std::string text = platform::Utf8ToGbk("单行文本");
  return text;
}
const std::string& CodeTextSample() {
  static const std::string text = platform::Utf8ToGbk("内码文本");
  return text;
}
const std::string& NoFileText() {
  static const std::string text = platform::Utf8ToGbk("文本文件");
  return text;
}

constexpr int CodeTextWidth = 160;
constexpr int CodeTextHeight = 64;

const TTableRows& TextRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "CanvasFont|字体|$000000F0");
    AddRow(r, kRowTransparent);
    AddRow(r, "Lines|文本|$000000F0");
    AddRow(r, kRowMethod);
    AddRow(r, kRowSpeed);
    AddRow(r, kRowFontPrompt);
    AddFontRows(r, "CanvasFont");
    AddFontStyleRows(r);
    AddRow(r, kRowFixed);
    AddRow(r, kRowLinesPrompt);
    AddMethodRows(r);
    AddSpeedRows(r);
    AddRow(r, "Stretch|是否缩放");
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// The rows of TMultiString, and of TStringFile after its FileName row.
void AddCodeTextRows(TTableRows& r) {
  AddBoundsRows(r, true);
  AddRow(r, "Lines|文本行|$000000F0");
  AddRow(r, "Font|字体|$000000F0");
  AddRow(r, "Color|颜色");
  AddRow(r, kRowTransparent);
  AddRow(r, kRowMethod);
  AddRow(r, kRowSpeed);
  AddRow(r, kRowFixed);
  AddRow(r, kRowLinesPrompt);
  AddRow(r, "fs16|16点阵字体");
  AddRow(r, "fs24|24点阵字体");
  AddMethodRows(r);
  AddSpeedRows(r);
  AddBooleanRows(r);
}

const TTableRows& MultiStringRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddCodeTextRows(r);
    return r;
  }();
  return rows;
}

const TTableRows& StringFileRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddRow(r, kRowFileName);
    AddCodeTextRows(r);
    return r;
  }();
  return rows;
}

constexpr int WordWidth = 256;
constexpr int WordHeight = 128;

// The rows of TTableObject, and of TWordObject after its Reverse row.
void AddDocumentRows(TTableRows& r) {
  AddRow(r, kRowFileName);
  AddRow(r, kRowTransparent);
  AddRow(r, kRowMethod);
  AddRow(r, kRowSpeed);
  AddBooleanRows(r);
  AddMethodRows(r);
  AddSpeedRows(r);
}

const TTableRows& WordObjectRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "Reverse|是否反色|$000000F0");
    AddDocumentRows(r);
    return r;
  }();
  return rows;
}

constexpr int TableWidth = 320;
constexpr int TableHeight = 200;

const TTableRows& TableObjectRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddDocumentRows(r);
    return r;
  }();
  return rows;
}

// Paint of the two code-text objects: the lines at x 0, each below the one before by its
// height, clipped to the object.
void PaintCodeText(platform::TCanvas& canvas, const platform::TStringList& lines, TFontSet font,
                   platform::TColor color, bool transparent, int width, int height) {
  const platform::TRect clip = canvas.ClipRect();
  canvas.IntersectClipRect({0, 0, width, height});
  PrepareGround(canvas, transparent, width, height);
  canvas.Font = CodeTextFont(font, color);
  int64_t y = 0;
  for (const std::string& line : lines) {
    if (y >= height) break;  // the rest lies below the object
    canvas.TextOut(0, int(y), line);
    y += canvas.TextHeight(line);
  }
  canvas.SetClipRect(clip);
}

// The string window both code-text objects send.
void WriteCodeText(const platform::TControl& object, const platform::TStringList& lines,
                   TFontSet font, platform::TColor color, TDisplayMethod method,
                   TDisplaySpeed speed, bool transparent, TProgramStream& stream) {
  WriteStringWindow(ObjectRecordRect(object), lines.Text(), font == fs24 ? 1 : 0, color,
                    EffectCode(method), SpeedCode(speed), transparent, stream);
}

// What both code-text classes publish besides the source of their lines.
template <class T>
platform::TClassBuilder<T, platform::TGraphicControl>& AddCodeTextProperties(
    platform::TClassBuilder<T, platform::TGraphicControl>& b) {
  return b.Property("Font", TypeFontSet(), &T::Font, &T::SetFont)
      .Property("Color", platform::TypeColor(), &T::Color, &T::SetColor)
      .Property("Transparent", &T::Transparent, &T::SetTransparent)
      .Property("Method", TypeDisplayMethod(), &T::Method, &T::SetMethod)
      .Property("Speed", TypeDisplaySpeed(), &T::Speed, &T::SetSpeed)
      .Property("Text", &T::Text, &T::SetText)
      .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
      .template StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf);
}

}  // namespace

platform::TFontDescription CodeTextFont(TFontSet font, platform::TColor color) {
  platform::TFontDescription d = DisplayFont();
  d.SetSize(font == fs24 ? 18 : 12);
  d.Color = color;
  return d;
}

// ---- TText ----------------------------------------------------------------------------------

const platform::TClassInfo& TText::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TText, platform::TGraphicControl>("TText")
          .Property("Lines", [](TText& t) { return &t.Lines(); }, &TText::SetLines)
          .Property("CanvasFont", [](TText& t) { return &t.CanvasFont(); }, &TText::SetCanvasFont)
          .Property("Transparent", &TText::Transparent, &TText::SetTransparent)
          .Property("Method", TypeDisplayMethod(), &TText::Method, &TText::SetMethod)
          .Property("Speed", TypeDisplaySpeed(), &TText::Speed, &TText::SetSpeed)
          .Property("Fixed", &TText::Fixed, &TText::SetFixed)
          .Property("DisplayTime", &TText::DisplayTime, &TText::SetDisplayTime)
          .Property("Text", &TText::Text, &TText::SetText)
          .Property("PropertyTable", [](TText& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &TText::SetRecordSelf)
          .Build();
  return info;
}

TText::TText(platform::TComponent* owner) : TGraphicControl(owner) {
  lines_.Add(SingleLineCaption());
  canvasFont_.SetDescription(DisplayFont());
  SetCaption(SingleLineCaption());
  SetBounds(Left(), Top(), 160, 20);
  FillPropertyTable(table_, TextRows());
}

void TText::SetLines(const platform::TStringList* lines) {
  if (!lines) return;
  lines_.Assign(*lines);
  Invalidate();
}

void TText::SetCanvasFont(const platform::TFont* font) {
  if (!font) return;
  canvasFont_.Assign(*font);
  Invalidate();
}

void TText::Paint(platform::TCanvas& canvas) {
  canvas.Font = canvasFont_.Description();
  PrepareGround(canvas, transparent_, Width(), Height());
  int64_t x = 0;
  for (const std::string& line : lines_) {
    if (x >= Width()) break;  // the rest lies right of the object
    canvas.TextOut(int(x), 0, line);
    x += canvas.TextWidth(line);
  }
}

platform::TBitmap TText::RecordPicture() const {
  const platform::TFontDescription& font = canvasFont_.Description();
  // Summed in 64 bits: enough lines of wide text would wrap an int.
  int64_t total = 0;
  for (const std::string& line : lines_) total += platform::TextExtent(font, line).cx;
  const int width = int(std::min<int64_t>(total, MaxPictureSide));
  const int height = std::min(platform::TextExtent(font, Caption()).cy, MaxPictureSide);
  platform::TBitmap picture(width, height);  // black
  platform::TCanvas canvas(picture);
  canvas.Font = font;
  PrepareGround(canvas, false, width, height);
  int64_t x = 0;
  for (const std::string& line : lines_) {
    if (x >= width) break;
    canvas.TextOut(int(x), 0, line);
    x += canvas.TextWidth(line);
  }
  return picture;
}

void TText::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    const platform::TBitmap picture = RecordPicture();
    WritePictureWindow(ObjectRecordRect(*this), picture, EffectCode(method_), SpeedCode(speed_),
                       transparent_, s);
  });
}

// ---- TMultiString ---------------------------------------------------------------------------

const platform::TClassInfo& TMultiString::StaticClassInfo() {
  using T = TMultiString;
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<T, platform::TGraphicControl> b("TMultiString");
    b.Property("Lines", [](T& t) { return &t.Lines(); }, &T::SetLines);
    return AddCodeTextProperties(b).Build();
  }();
  return info;
}

TMultiString::TMultiString(platform::TComponent* owner) : TGraphicControl(owner) {
  lines_.Add(CodeTextSample());
  SetBounds(Left(), Top(), CodeTextWidth, CodeTextHeight);
  FillPropertyTable(table_, MultiStringRows());
}

void TMultiString::SetLines(const platform::TStringList* lines) {
  if (!lines) return;
  lines_.Assign(*lines);
  Invalidate();
}

void TMultiString::SetFont(TFontSet font) {
  font_ = font;
  Invalidate();
}

void TMultiString::SetColor(platform::TColor color) {
  color_ = color;
  Invalidate();
}

void TMultiString::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TMultiString::Paint(platform::TCanvas& canvas) {
  PaintCodeText(canvas, lines_, font_, color_, transparent_, Width(), Height());
}

void TMultiString::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    WriteCodeText(*this, lines_, font_, color_, method_, speed_, transparent_, s);
  });
}

// ---- TStringFile ----------------------------------------------------------------------------

const platform::TClassInfo& TStringFile::StaticClassInfo() {
  using T = TStringFile;
  static const platform::TClassInfo info = [] {
    platform::TClassBuilder<T, platform::TGraphicControl> b("TStringFile");
    b.Property("FileName", &T::FileName, &T::SetFileName);
    return AddCodeTextProperties(b).Build();
  }();
  return info;
}

TStringFile::TStringFile(platform::TComponent* owner) : TGraphicControl(owner) {
  lines_.Add(CodeTextSample());
  FillPropertyTable(table_, StringFileRows());
  // Runs the resize step: the empty FileName gives "文本文件" at once.
  SetBounds(Left(), Top(), CodeTextWidth, CodeTextHeight);
}

void TStringFile::SetFileName(std::string_view fileName) {
  fileName_ = fileName;
  if (Loading()) return;  // Loaded() breaks the file once every property is in
  BreakFile();
  Invalidate();
}

void TStringFile::SetFont(TFontSet font) {
  font_ = font;
  if (Loading()) return;
  BreakFile();
  Invalidate();
}

void TStringFile::SetColor(platform::TColor color) {
  color_ = color;
  Invalidate();
}

void TStringFile::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TStringFile::Resize() {
  if (Loading()) return;  // Loaded() breaks at the final size
  BreakFile();
  Invalidate();
}

void TStringFile::Loaded() {
  TGraphicControl::Loaded();
  BreakFile();
  Invalidate();
}

void TStringFile::BreakFile() {
  std::string text;
  if (!ReadObjectFile(fileName_, text)) text = NoFileText();
  lines_.Clear();
  for (const std::string& line : platform::WrapText(CodeTextFont(font_, color_), text, Width()))
    lines_.Add(line);
}

void TStringFile::Paint(platform::TCanvas& canvas) {
  PaintCodeText(canvas, lines_, font_, color_, transparent_, Width(), Height());
}

void TStringFile::SetRecordSelf(TProgramStream* stream) {
  if (!stream) return;
  BreakFile();
  Invalidate();
  AppendRecord(stream, [this](TProgramStream& s) {
    WriteCodeText(*this, lines_, font_, color_, method_, speed_, transparent_, s);
  });
}

// ---- TWordObject ----------------------------------------------------------------------------

const platform::TClassInfo& TWordObject::StaticClassInfo() {
  using T = TWordObject;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TWordObject")
          .Property("FileName", &T::FileName, &T::SetFileName)
          .Property("Reverse", &T::Reverse, &T::SetReverse)
          .Property("Method", TypeDisplayMethod(), &T::Method, &T::SetMethod)
          .Property("Speed", TypeDisplaySpeed(), &T::Speed, &T::SetSpeed)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Text", &T::Text, &T::SetText)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TWordObject::TWordObject(platform::TComponent* owner)
    : TGraphicControl(owner),
      preview_(WordWidth, WordHeight, platform::pf24bit),
      clock_(&TimerClock()),
      pollTimer_(*clock_) {
  pollTimer_.SetEnabled(false);
  pollTimer_.SetInterval(PollInterval);
  pollTimer_.SetOnTimer([this] { PollTick(); });
  SetBounds(Left(), Top(), WordWidth, WordHeight);
  FillPropertyTable(table_, WordObjectRows());
}

void TWordObject::SetFileName(std::string_view fileName) {
  if (fileName == fileName_) return;
  fileName_ = fileName;
  if (Loading()) return;  // Loaded() asks once every property is in
  RequestConversion();
  Invalidate();
}

void TWordObject::SetReverse(bool reverse) {
  if (reverse == reverse_) return;
  reverse_ = reverse;
  if (Loading()) return;
  RequestConversion();
  Invalidate();
}

void TWordObject::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TWordObject::Resize() {
  if (Width() == lastWidth_ && Height() == lastHeight_) return;
  lastWidth_ = Width();
  lastHeight_ = Height();
  if (Loading() || fileName_.empty()) return;
  RequestConversion();
}

void TWordObject::Loaded() {
  TGraphicControl::Loaded();
  if (!fileName_.empty()) RequestConversion();
  Invalidate();
}

void TWordObject::RequestConversion() {
  if (LoadMode() == LoadModeReading) {
    deferred_ = true;
    pollTimer_.SetEnabled(true);
    deadline_ = clock_->NowMs() + DeferredTimeoutMs;
    return;
  }
  if (pollTimer_.Enabled()) {
    pending_ = true;
    return;
  }
  TPageflatClient& converter = PageflatClient();
  if (!converter.Running()) return;
  const std::string document = RegularObjectFile(fileName_);
  if (document.empty()) return;  // nothing it could open
  TConvertRequest request;
  request.Document = platform::AbsolutePath(document);
  request.Bitmap = converter.NewBitmapPath();
  request.Width = Width();
  request.Height = Height();
  request.Reverse = reverse_;
  // Refused for a path too long for its field, a converter that went, a full socket.
  if (!converter.Send(request)) return;
  bitmapPath_ = std::move(request.Bitmap);
  pollTimer_.SetEnabled(true);
  deadline_ = clock_->NowMs() + RequestTimeoutMs;
}

void TWordObject::PollTick() {
  if (clock_->NowMs() > deadline_) {
    // Given up without a word; a bitmap that comes later stays in the converter's folder.
    pollTimer_.SetEnabled(false);
    deferred_ = false;
    pending_ = false;
    return;
  }
  if (LoadMode() == LoadModeReading) {
    pending_ = false;
    return;
  }
  if (deferred_) {
    pollTimer_.SetEnabled(false);
    deferred_ = false;
    RequestConversion();
    return;
  }
  std::string bytes;
  if (bitmapPath_.empty() || !platform::ReadWholeFile(bitmapPath_, bytes)) return;
  try {
    platform::TBitmap picture =
        platform::ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    picture.SetPixelFormat(platform::pf24bit);
    preview_ = std::move(picture);
  } catch (const std::exception&) {
    return;  // not whole yet: the next tick tries again
  }
  std::remove(bitmapPath_.c_str());
  bitmapPath_.clear();
  Invalidate();
  pollTimer_.SetEnabled(false);
  if (pending_) {
    pending_ = false;
    RequestConversion();
  }
}

void TWordObject::Paint(platform::TCanvas& canvas) {
  const platform::TCopyMode mode = canvas.CopyMode;
  canvas.CopyMode = transparent_ ? platform::cmSrcPaint : platform::cmSrcCopy;
  canvas.StretchMode = platform::smColorOnColor;
  canvas.StretchDraw({0, 0, Width(), Height()}, preview_);
  canvas.CopyMode = mode;
}

platform::TBitmap TWordObject::RecordPicture() const {
  const int stripHeight = StripHeight(Width(), Height());
  if (stripHeight == 0 || RegularObjectFile(fileName_).empty()) return {};
  platform::TBitmap strip(Width(), stripHeight, platform::pf16bit);
  const int k = WordToBitmap(fileName_, Width(), Height(), CopyPageToStrip,
                             const_cast<TWordObject*>(this), strip, reverse_);
  if (k <= 1) return {};  // an error, or no page
  const int rows = (k - 1) * Height();
  platform::TBitmap picture(Width(), rows, platform::pf24bit);
  platform::CopyBits(picture, {0, 0, Width(), rows}, 0, 0, Width(), rows, strip, 0, 0);
  return picture;
}

void TWordObject::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    const platform::TBitmap picture = RecordPicture();
    if (picture.Empty()) return;
    WritePictureWindow(ObjectRecordRect(*this), picture, EffectCode(method_), SpeedCode(speed_),
                       transparent_, s);
  });
}

// ---- TTableObject ---------------------------------------------------------------------------

const platform::TClassInfo& TTableObject::StaticClassInfo() {
  using T = TTableObject;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TTableObject")
          .Property("FileName", &T::FileName, &T::SetFileName)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Method", TypeDisplayMethod(), &T::Method, &T::SetMethod)
          .Property("Speed", TypeDisplaySpeed(), &T::Speed, &T::SetSpeed)
          .Property("Text", &T::Text, &T::SetText)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TTableObject::TTableObject(platform::TComponent* owner)
    : TGraphicControl(owner), picture_(TableWidth, TableHeight, platform::pf24bit) {
  SetBounds(Left(), Top(), TableWidth, TableHeight);
  FillPropertyTable(table_, TableObjectRows());
}

void TTableObject::SetFileName(std::string_view fileName) {
  fileName_ = fileName;
  platform::TBitmap rendered;
  bool loaded = false;
  if (!fileName_.empty()) {
    TTableReport table(nullptr);  // hidden; it needs no parent to load and render
    // A file that does not load has shown its message already.
    if (table.LoadFromFile(fileName_)) {
      loaded = table.RenderToBitmap(rendered);
      if (!loaded)
        ShowMessageBox(platform::Utf8ToGbk("打开报表错误!"), MessageBoxCaption(),
                       TMessageBoxIcon::Warning);
    }
  }
  if (loaded) {
    picture_ = std::move(rendered);
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  } else {
    // Black, at the size it has: a failed load must not shrink the object to the 1 x 1 of
    // an empty table, which the next save would keep.
    picture_.Recreate(picture_.Width(), picture_.Height());
  }
  Invalidate();
}

void TTableObject::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TTableObject::Paint(platform::TCanvas& canvas) {
  const platform::TCopyMode mode = canvas.CopyMode;
  if (transparent_) {
    canvas.CopyMode = platform::cmSrcPaint;
  } else {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
    canvas.FillRect({0, 0, Width(), Height()});
    canvas.CopyMode = platform::cmSrcCopy;
  }
  canvas.Draw(0, 0, picture_);
  canvas.CopyMode = mode;
}

void TTableObject::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    WritePictureWindow(ObjectRecordRect(*this), picture_, EffectCode(method_), SpeedCode(speed_),
                       transparent_, s);
  });
}

}  // namespace model
