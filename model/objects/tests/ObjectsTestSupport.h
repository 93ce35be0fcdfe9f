#pragma once
// Helpers of the display-object tests: fixtures, GBK text, object text through a registry of
// the display classes, records and pixels.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/ObjectText.h"
#include "model/ProgramRecords.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Temperature.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "model/objects/rtf.h"
#include "platform/base/GbkText.h"
#include "platform/component/Strings.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace model::test {

// The 21 effect rows and the 8 speed rows every class with Method and Speed carries.
inline constexpr const char* kEffectAndSpeedRows = R"(dmCopy|立即显示
dmRightToLeftRoll|左滚显示
dmLeftToRightRollEx|连续左滚
dmBottomToTopRoll|上滚显示
dmCenterToTopBottom|中间向上下展开
dmCenterToBothSide|中间向两边展开
dmCenterToFourSide|中间向四周展开
dmLeftMoveIn|向左移入
dmRightMoveIn|向右移入
dmLeftToRight|从左向右展开
dmRightToLeft|从右向左展开
dmRightTopMoveIn|从右上角移入
dmRightBottomMoveIn|从右下角移入
dmLeftTopMoveIn|从左上角移入
dmLeftBottomMoveIn|从左下角移入
dmTopMoveIn|从上向下移入
dmBottomMoveIn|从下向上移入
dmFlicker|闪  烁
dmTopToBottomRoll|从上向下滚动
dmLeftToRightRoll|从左向右滚动
dmBottomToTopRollEx|连续下滚
dsFirst|一级速度
dsSecond|二级速度
dsThree|三级速度
dsFour|四级速度
dsFive|五级速度
dsSix|六级速度
dsSeven|七级速度
dsEight|八级速度
)";

inline std::string Fixture(std::string_view name) {
  return std::string(CORVANE_FIXTURES) + "/" + std::string(name);
}

inline std::string Gbk(std::string_view utf8) { return platform::Utf8ToGbk(utf8); }

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                std::streamsize(bytes.size()));
}

// The rows of a list, each followed by "\n".
inline std::string Joined(const platform::TStrings& list) {
  std::string out;
  for (const std::string& row : list) out += row + "\n";
  return out;
}

// Object-text lines, each followed by CR LF.
inline std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

// A registry of the display classes, as the main window fills the program's.
inline const TComponentManager& Registry() {
  static const TComponentManager* registry = [] {
    auto* r = new TComponentManager(nullptr);
    r->RegisterClass(TText::StaticClassInfo());
    r->RegisterClass(TMultiString::StaticClassInfo());
    r->RegisterClass(TStringFile::StaticClassInfo());
    r->RegisterClass(TMultiText::StaticClassInfo());
    r->RegisterClass(TPhoto::StaticClassInfo());
    r->RegisterClass(TAVIPlayer::StaticClassInfo());
    RegisterSensorClasses(*r);
    r->RegisterClass(TDateTimeComponent::StaticClassInfo());
    r->RegisterClass(TCountUp::StaticClassInfo());
    r->RegisterClass(TCountDown::StaticClassInfo());
    r->RegisterClass(TCampaignTime::StaticClassInfo());
    r->RegisterClass(TAnalogClock::StaticClassInfo());
    r->RegisterClass(TWordObject::StaticClassInfo());
    r->RegisterClass(TTableObject::StaticClassInfo());
    return r;
  }();
  return *registry;
}

inline std::string Contents(const TDFMStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
}

// The block of one component.
inline std::string ObjectText(platform::TComponent& component) {
  TDFMStream s;
  WriteObjectText("", component, s, Registry());
  return Contents(s);
}

// The blocks of the registered children of `parent`.
inline std::string ChildrenText(platform::TComponent& parent) {
  TDFMStream s;
  SaveObjectText(parent, s, Registry(), false);
  return Contents(s);
}

// Reads object text into `parent`, which is also the naming root.
inline bool ReadInto(platform::TComponent& parent, std::string_view text) {
  TDFMStream s;
  s.Write(text.data(), int32_t(text.size()));
  s.SetPosition(0);
  return ReadObjectText(parent, parent, s, Registry(), false);
}

// Saves the objects of `page`, reads them into a new page and saves those: the two texts must
// be the same bytes, and so must the two pages' records. Gives the page record.
inline std::vector<uint8_t> ExpectRoundTrip(TLeaf& page) {
  const std::string first = ChildrenText(page);
  TLeaf copy(nullptr);
  EXPECT_TRUE(ReadInto(copy, first));
  EXPECT_EQ(ChildrenText(copy), first);
  TProgramStream a, b;
  page.SetRecordSelf(&a);
  copy.SetRecordSelf(&b);
  EXPECT_EQ(a.Bytes(), b.Bytes());
  return a.Bytes();
}

// The record an object appends through RecordSelf to an empty stream.
inline std::vector<uint8_t> RecordOf(platform::TObject& object) {
  TProgramStream s;
  SetRecordSelf(object, s);
  return s.Bytes();
}

inline bool SamePixels(const platform::TBitmap& a, const platform::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

// A page of the given size, blue, with `control` painted on it as the page paints it.
inline platform::TBitmap PaintedOnBlue(platform::TControl& control, int width, int height) {
  platform::TBitmap page(width, height);
  platform::TCanvas canvas(page);
  canvas.Brush = {platform::clBlue, platform::bsSolid};
  canvas.FillRect({0, 0, width, height});
  PaintControl(control, canvas);
  return page;
}

inline bool HasColor(const platform::TBitmap& b, platform::TColor color) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) == color) return true;
  return false;
}

}  // namespace model::test
