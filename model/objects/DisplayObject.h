#pragma once
// What every display object shares. A display object is one rectangle of a page (TLeaf) that
// shows one kind of content. Each kind is one class derived directly from
// platform::TGraphicControl; this unit gives them helpers, not a base class:
//
//   - the enumerations they publish (TDisplayMethod, TDisplaySpeed, TFontSet, TAlignment) with
//     their type infos, and the effect and speed codes the records carry (ordinal + 1);
//   - the inspector rows many classes share, as builders a class calls in the order its table
//     lists them (each class writes its own table out row by row);
//   - the default font of display objects ("宋体", 12 pt, red, GB2312);
//   - the record side: the record rectangle from the bounds, and AppendRecord(), the body of
//     every RecordSelf setter;
//   - the paint side: PaintControl() paints one object onto its page's canvas;
//   - ReadObjectFile() and RegularObjectFile(), through which every FileName is read.
//
// A display class, in outline (see Texts.h for whole ones):
//
//   class TThing : public platform::TGraphicControl {
//     DECLARE_CLASS_INFO()
//     explicit TThing(platform::TComponent* owner);   // defaults, size, FillPropertyTable
//     void Paint(platform::TCanvas& canvas) override;  // origin = own top-left, clip = bounds
//     void SetRecordSelf(TProgramStream* stream) {
//       AppendRecord(stream, [this](TProgramStream& s) { WriteRecord(s); });
//     }
//   };
//   ... TClassBuilder<TThing, platform::TGraphicControl>("TThing")
//         .Property("Method", TypeDisplayMethod(), &TThing::Method, &TThing::SetMethod)
//         .Property("PropertyTable", [](TThing& t) { return &t.PropertyTable(); }, nullptr)
//         .StreamProperty<TProgramStream>("RecordSelf", &TThing::SetRecordSelf)
//
// Sizes: a size the drawing layer refuses (negative, over 65535 a side, over its memory cap)
// never escapes a setter, a paint or a record. Paint then draws nothing (PaintControl catches
// it), the record writes nothing (AppendRecord catches it, so the page does not count the
// object), and a setter that keeps a picture leaves it empty.
//
// Loading: while the object-text reader fills an object (Loading()), properties arrive one at
// a time in name order, "FileName" before "Height" and "Width". A class whose resize re-reads
// or re-renders skips that step while loading and runs it once from Loaded().
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/PropertyTable.h"
#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"
#include "platform/component/Control.h"
#include "platform/component/TypeInfo.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/FontDescription.h"

namespace platform {
class TCanvas;
}

namespace model {

// ---- Enumerations ---------------------------------------------------------------------------

// The display effect: how the card brings the object's content on. Records carry ordinal + 1.
enum TDisplayMethod : uint8_t {
  dmCopy,                // 立即显示
  dmRightToLeftRoll,     // 左滚显示
  dmLeftToRightRollEx,   // 连续左滚
  dmBottomToTopRoll,     // 上滚显示
  dmCenterToTopBottom,   // 中间向上下展开
  dmCenterToBothSide,    // 中间向两边展开
  dmCenterToFourSide,    // 中间向四周展开
  dmLeftMoveIn,          // 向左移入
  dmRightMoveIn,         // 向右移入
  dmLeftToRight,         // 从左向右展开
  dmRightToLeft,         // 从右向左展开
  dmRightTopMoveIn,      // 从右上角移入
  dmRightBottomMoveIn,   // 从右下角移入
  dmLeftTopMoveIn,       // 从左上角移入
  dmLeftBottomMoveIn,    // 从左下角移入
  dmTopMoveIn,           // 从上向下移入
  dmBottomMoveIn,        // 从下向上移入
  dmFlicker,             // 闪  烁
  dmTopToBottomRoll,     // 从上向下滚动
  dmLeftToRightRoll,     // 从左向右滚动
  dmBottomToTopRollEx,   // 连续下滚
};
constexpr int DisplayMethodCount = 21;

// The effect's speed, first (fastest) to eighth. Records carry ordinal + 1.
enum TDisplaySpeed : uint8_t { dsFirst, dsSecond, dsThree, dsFour, dsFive, dsSix, dsSeven, dsEight };
constexpr int DisplaySpeedCount = 8;

// The card's own fonts for code text: 16-dot and 24-dot. Records carry the ordinal.
enum TFontSet : uint8_t { fs16, fs24 };

// Horizontal alignment of text inside an object, with the framework's ordinals.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

const platform::TTypeInfo& TypeDisplayMethod();  // "TDisplayMethod"
const platform::TTypeInfo& TypeDisplaySpeed();   // "TDisplaySpeed"
const platform::TTypeInfo& TypeFontSet();        // "TFontSet"
const platform::TTypeInfo& TypeAlignment();      // "TAlignment"

// The codes the records carry: 1..21 and 1..8.
constexpr uint16_t EffectCode(TDisplayMethod method) { return uint16_t(method + 1); }
constexpr uint16_t SpeedCode(TDisplaySpeed speed) { return uint16_t(speed + 1); }

// The inspector's captions of the values, GBK ("立即显示", "一级速度"); empty out of range.
const std::string& DisplayMethodCaption(int method);
const std::string& DisplaySpeedCaption(int speed);

// ---- Inspector rows -------------------------------------------------------------------------

// A property table's rows as GBK text, built once per class and copied into each object's
// table. The builders take and append UTF-8 text from the source.
using TTableRows = std::vector<std::string>;

// Rows that several classes carry, as UTF-8.
inline constexpr const char* kRowTransparent = "Transparent|是否透明";
inline constexpr const char* kRowMethod = "Method|显示方式";
inline constexpr const char* kRowSpeed = "Speed|显示速度";
inline constexpr const char* kRowFixed = "Fixed|固定显示";
inline constexpr const char* kRowFileName = "FileName|文件名|$000000F0";
// Prompts of class-typed properties; the blanks around the text belong to them.
inline constexpr const char* kRowFontPrompt = "TFont| 请选择字体 ";
inline constexpr const char* kRowLinesPrompt = "TStringList| 点击按钮编辑文字 ";

// One row, given as UTF-8.
void AddRow(TTableRows& rows, std::string_view utf8Row);
// "Left|左上角X坐标", "Top|左上角Y坐标", "Width|宽度", "Height|高度"; with `sizeThirdField`
// the size rows end in an empty third field ("Width|宽度|", "Height|高度|").
void AddBoundsRows(TTableRows& rows, bool sizeThirdField = false);
// The font property's sub-rows: `fontProperty` + ".Name|字体名", ".Color|颜色",
// ".Style|样式", ".Size|大小".
void AddFontRows(TTableRows& rows, std::string_view fontProperty);
// "fsBold|粗体", "fsItalic|斜体", "fsUnderLine|下划线", "fsStrikeOut|删除线".
void AddFontStyleRows(TTableRows& rows);
// The 21 effect rows ("dmCopy|立即显示" ...) and the 8 speed rows ("dsFirst|一级速度" ...).
void AddMethodRows(TTableRows& rows);
void AddSpeedRows(TTableRows& rows);
// "True|是", "False|否".
void AddBooleanRows(TTableRows& rows);

// Appends the rows to the table, after its own first row "Text|名称".
void FillPropertyTable(TBasePropertyTable& table, const TTableRows& rows);

// ---- Fonts ----------------------------------------------------------------------------------

// The font display objects start with: "宋体", 12 pt, colour $0000FF (red), character set 134.
platform::TFontDescription DisplayFont();

// ---- Records --------------------------------------------------------------------------------

// The rectangle a record carries: always the object's bounds.
TRecordRect ObjectRecordRect(const platform::TControl& object);

// The body of a RecordSelf setter. Null appends nothing. Otherwise `write` appends the
// object's record (or nothing, when it has nothing to send); when it leaves by an exception
// the stream is cut back to where the record began. A size the drawing layer refuses
// (platform::EBitmapError) ends the record quietly: the object then sends nothing and its page
// does not count it. A stream that cannot grow still propagates (EStreamError), so a half
// program is never sent.
void AppendRecord(TProgramStream* stream, const std::function<void(TProgramStream&)>& write);

// ---- Painting -------------------------------------------------------------------------------

// Paints `control` onto the canvas of the page it sits on: for the call, the origin moves to
// the control's top-left and the clip narrows to its bounds; both are restored afterwards. A
// size the drawing layer refuses ends that control's painting quietly.
void PaintControl(platform::TControl& control, platform::TCanvas& canvas);
// Paints the visible child controls of `page` in their order, each by PaintControl.
void PaintChildren(const platform::TWinControl& page, platform::TCanvas& canvas);
// The ground under an object's text: black over (0, 0, width, height) unless transparent, and
// a clear brush either way, so text leaves the page (or the black) alone between its strokes.
void PrepareGround(platform::TCanvas& canvas, bool transparent, int width, int height);

// ---- Files ----------------------------------------------------------------------------------

// Reads the whole file named by `gbkFileName` (a model string, GBK) into `bytes`, as they
// stand. False for an empty name, a missing or unreadable file, and anything but a regular
// file (a folder, pipe or device is refused at once, so /dev/zero cannot hang the editor).
bool ReadObjectFile(std::string_view gbkFileName, std::string& bytes);
// The OS path of the regular file named by `gbkFileName`, for readers that open the file
// themselves (pictures, movies); empty for an empty name, a missing file and anything but a
// regular file.
std::string RegularObjectFile(std::string_view gbkFileName);

}  // namespace model
