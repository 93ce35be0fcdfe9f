#include "DisplayObject.h"

#include <algorithm>
#include <array>

#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace model {

namespace {

// Page coordinates beyond this are off every bitmap anyway.
constexpr int64_t kPaintLimit = int64_t(1) << 30;

struct TValueRow {
  const char* Name;
  const char* Caption;  // UTF-8
};

constexpr std::array<TValueRow, DisplayMethodCount> kMethods{{
    {"dmCopy", "立即显示"},
    {"dmRightToLeftRoll", "左滚显示"},
    {"dmLeftToRightRollEx", "连续左滚"},
    {"dmBottomToTopRoll", "上滚显示"},
    {"dmCenterToTopBottom", "中间向上下展开"},
    {"dmCenterToBothSide", "中间向两边展开"},
    {"dmCenterToFourSide", "中间向四周展开"},
    {"dmLeftMoveIn", "向左移入"},
    {"dmRightMoveIn", "向右移入"},
    {"dmLeftToRight", "从左向右展开"},
    {"dmRightToLeft", "从右向左展开"},
    {"dmRightTopMoveIn", "从右上角移入"},
    {"dmRightBottomMoveIn", "从右下角移入"},
    {"dmLeftTopMoveIn", "从左上角移入"},
    {"dmLeftBottomMoveIn", "从左下角移入"},
    {"dmTopMoveIn", "从上向下移入"},
    {"dmBottomMoveIn", "从下向上移入"},
    {"dmFlicker", "闪  烁"},
    {"dmTopToBottomRoll", "从上向下滚动"},
    {"dmLeftToRightRoll", "从左向右滚动"},
    {"dmBottomToTopRollEx", "连续下滚"},
}};

constexpr std::array<TValueRow, DisplaySpeedCount> kSpeeds{{
    {"dsFirst", "一级速度"},
    {"dsSecond", "二级速度"},
    {"dsThree", "三级速度"},
    {"dsFour", "四级速度"},
    {"dsFive", "五级速度"},
    {"dsSix", "六级速度"},
    {"dsSeven", "七级速度"},
    {"dsEight", "八级速度"},
}};

template <size_t N>
std::vector<std::string> GbkCaptions(const std::array<TValueRow, N>& values) {
  std::vector<std::string> captions;
  for (const TValueRow& v : values) captions.push_back(platform::Utf8ToGbk(v.Caption));
  return captions;
}

template <size_t N>
void AddValueRows(TTableRows& rows, const std::array<TValueRow, N>& values) {
  for (const TValueRow& v : values) AddRow(rows, std::string(v.Name) + "|" + v.Caption);
}

const std::string& CaptionAt(const std::vector<std::string>& captions, int index) {
  static const std::string none;
  return index >= 0 && size_t(index) < captions.size() ? captions[size_t(index)] : none;
}

}  // namespace

// ---- Enumerations ---------------------------------------------------------------------------

const platform::TTypeInfo& TypeDisplayMethod() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TDisplayMethod",
      {"dmCopy", "dmRightToLeftRoll", "dmLeftToRightRollEx", "dmBottomToTopRoll",
       "dmCenterToTopBottom", "dmCenterToBothSide", "dmCenterToFourSide", "dmLeftMoveIn",
       "dmRightMoveIn", "dmLeftToRight", "dmRightToLeft", "dmRightTopMoveIn",
       "dmRightBottomMoveIn", "dmLeftTopMoveIn", "dmLeftBottomMoveIn", "dmTopMoveIn",
       "dmBottomMoveIn", "dmFlicker", "dmTopToBottomRoll", "dmLeftToRightRoll",
       "dmBottomToTopRollEx"});
  return t;
}

const platform::TTypeInfo& TypeDisplaySpeed() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TDisplaySpeed",
      {"dsFirst", "dsSecond", "dsThree", "dsFour", "dsFive", "dsSix", "dsSeven", "dsEight"});
  return t;
}

const platform::TTypeInfo& TypeFontSet() {
  static const platform::TTypeInfo t =
      platform::TTypeInfo::Enumeration("TFontSet", {"fs16", "fs24"});
  return t;
}

const platform::TTypeInfo& TypeAlignment() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
  return t;
}

const std::string& DisplayMethodCaption(int method) {
  static const std::vector<std::string> captions = GbkCaptions(kMethods);
  return CaptionAt(captions, method);
}

const std::string& DisplaySpeedCaption(int speed) {
  static const std::vector<std::string> captions = GbkCaptions(kSpeeds);
  return CaptionAt(captions, speed);
}

// ---- Inspector rows -------------------------------------------------------------------------

void AddRow(TTableRows& rows, std::string_view utf8Row) {
  rows.push_back(platform::Utf8ToGbk(utf8Row));
}

void AddBoundsRows(TTableRows& rows, bool sizeThirdField) {
  AddRow(rows, "Left|左上角X坐标");
  AddRow(rows, "Top|左上角Y坐标");
  AddRow(rows, sizeThirdField ? "Width|宽度|" : "Width|宽度");
  AddRow(rows, sizeThirdField ? "Height|高度|" : "Height|高度");
}

void AddFontRows(TTableRows& rows, std::string_view fontProperty) {
  const std::string font(fontProperty);
  AddRow(rows, font + ".Name|字体名");
  AddRow(rows, font + ".Color|颜色");
  AddRow(rows, font + ".Style|样式");
  AddRow(rows, font + ".Size|大小");
}

void AddFontStyleRows(TTableRows& rows) {
  AddRow(rows, "fsBold|粗体");
  AddRow(rows, "fsItalic|斜体");
  AddRow(rows, "fsUnderLine|下划线");
  AddRow(rows, "fsStrikeOut|删除线");
}

void AddMethodRows(TTableRows& rows) { AddValueRows(rows, kMethods); }

void AddSpeedRows(TTableRows& rows) { AddValueRows(rows, kSpeeds); }

void AddBooleanRows(TTableRows& rows) {
  AddRow(rows, "True|是");
  AddRow(rows, "False|否");
}

void FillPropertyTable(TBasePropertyTable& table, const TTableRows& rows) {
  for (const std::string& row : rows) table.Add(row);
}

// ---- Fonts ----------------------------------------------------------------------------------

platform::TFontDescription DisplayFont() {
  platform::TFontDescription font;  // "宋体"
  font.SetSize(12);
  font.Color = platform::clRed;
  font.Charset = platform::GB2312_CHARSET;
  return font;
}

// ---- Records --------------------------------------------------------------------------------

TRecordRect ObjectRecordRect(const platform::TControl& object) {
  // Added in 64 bits: the record keeps the low 16 bits of each field, which a 32-bit sum
  // that overflowed would not even have.
  const int64_t right = int64_t(object.Left()) + object.Width();
  const int64_t bottom = int64_t(object.Top()) + object.Height();
  return {object.Left(), object.Top(), int(right), int(bottom)};
}

void AppendRecord(TProgramStream* stream, const std::function<void(TProgramStream&)>& write) {
  if (!stream) return;
  TRecordGuard guard(*stream);
  try {
    write(*stream);
  } catch (const platform::EBitmapError&) {
    return;  // the guard takes back what was written
  }
  guard.Commit();
}

// ---- Painting -------------------------------------------------------------------------------

void PaintControl(platform::TControl& control, platform::TCanvas& canvas) {
  const platform::TPoint origin = canvas.Origin();
  const platform::TRect clip = canvas.ClipRect();  // logical, at the page's origin
  // Bounds from object text may be anything; kept well inside int so no sum overflows.
  auto limit = [](int64_t v) { return int(std::clamp<int64_t>(v, -kPaintLimit, kPaintLimit)); };
  const platform::TRect bounds{limit(control.Left()), limit(control.Top()),
                               limit(int64_t(control.Left()) + control.Width()),
                               limit(int64_t(control.Top()) + control.Height())};
  canvas.SetClipRect(platform::Intersect(clip, bounds));
  canvas.SetOrigin(limit(int64_t(origin.X) + bounds.Left), limit(int64_t(origin.Y) + bounds.Top));
  try {
    control.Paint(canvas);
  } catch (const platform::EBitmapError&) {
    // What could not be made is not drawn.
  }
  canvas.SetOrigin(origin.X, origin.Y);
  canvas.SetClipRect(clip);
}

void PaintChildren(const platform::TWinControl& page, platform::TCanvas& canvas) {
  for (platform::TControl* child : page.ChildControls())
    if (child->Visible()) PaintControl(*child, canvas);
}

void PrepareGround(platform::TCanvas& canvas, bool transparent, int width, int height) {
  if (!transparent) {
    canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
    canvas.FillRect({0, 0, width, height});
  }
  canvas.Brush = platform::TBrush{platform::clBlack, platform::bsClear};
}

// ---- Files ----------------------------------------------------------------------------------

bool ReadObjectFile(std::string_view gbkFileName, std::string& bytes) {
  if (gbkFileName.empty()) return false;
  return platform::ReadWholeFile(platform::OsPathFromGbk(gbkFileName), bytes);
}

std::string RegularObjectFile(std::string_view gbkFileName) {
  if (gbkFileName.empty()) return {};
  std::string path = platform::OsPathFromGbk(gbkFileName);
  return platform::RegularFileExists(path) ? path : std::string();
}

}  // namespace model
