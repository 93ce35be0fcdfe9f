#pragma once
// Small classes with hand-written property tables for the inspector's tests: each publishes a
// few properties of every kind the inspector shows, and a table the test fills.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/PropertyEditor.h"
#include "model/PropertyTable.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"
#include "platform/gfx/Canvas.h"

namespace editor::test {

inline const platform::TTypeInfo& TypeShade() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration("TShade", {"shLight", "shMiddle", "shDark"});
  return t;
}
inline const platform::TTypeInfo& TypeShades() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Set("TShades", TypeShade());
  return t;
}
inline const platform::TTypeInfo& TypeByte() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Integer("Byte", platform::otUByte);
  return t;
}
// Twelve values: more than the pop-up list shows at once.
inline const platform::TTypeInfo& TypeMode() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TMode", {"md0", "md1", "md2", "md3", "md4", "md5", "md6", "md7", "md8", "md9", "md10", "md11"});
  return t;
}
// Another enumeration under the name `Shade` publishes in TPlain: same name, other type.
inline const platform::TTypeInfo& TypeTone() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration("TTone", {"toWarm", "toCold"});
  return t;
}

// The inspector grid's window, recording what the grid asks of it.
class TFakeInspectorWindow : public TPropertyEditorWindow {
 public:
  int ClientWidth() const override { return Width; }
  int ClientHeight() const override { return Height; }
  void Invalidate() override { ++Invalidates; }
  int DoubleClickTime() const override { return 400; }
  void SetEditVisible(bool visible) override { EditVisible = visible; }
  void SetEditBounds(const platform::TRect& r) override { EditBounds = r; }
  void SetEditReadOnly(bool readOnly) override { EditReadOnly = readOnly; }
  std::string EditText() const override { return Text; }
  void SetEditText(const std::string& gbk) override { Text = gbk; }
  void FocusEdit(bool) override {}
  void SetButton(bool visible, TButtonGlyph glyph, const platform::TRect& r) override {
    ButtonVisible = visible;
    Glyph = glyph;
    ButtonBounds = r;
  }
  void SetScrollBar(bool visible, int, int, int position) override {
    BarVisible = visible;
    BarPosition = position;
  }
  void ShowList(const std::vector<std::string>& items, int index, const platform::TRect& r) override {
    ListItems = items;
    ListIndex = index;
    ListBounds = r;
  }
  void HideList() override { ListItems.clear(); }
  int ListTextWidth(const std::vector<std::string>& items) const override {
    size_t widest = 0;
    for (const auto& item : items) widest = std::max(widest, item.size());
    return int(widest) * 7;
  }

  int Width = 200, Height = 5 * RowHeight;
  int Invalidates = 0;
  bool EditVisible = false, EditReadOnly = false, ButtonVisible = false, BarVisible = false;
  platform::TRect EditBounds, ButtonBounds, ListBounds;
  TButtonGlyph Glyph = TButtonGlyph::None;
  std::string Text;
  int BarPosition = 0;
  std::vector<std::string> ListItems;
  int ListIndex = -1;
};

// The font and colour dialogs from a script: each answers its choice, or cancels without one.
class TFakeChooser : public TPropertyChooser {
 public:
  bool ChooseFont(platform::TFontDescription& font) override {
    ++Calls;
    Offered = font;
    if (!Font) return false;
    font = *Font;
    return true;
  }
  bool ChooseColor(platform::TColor& color) override {
    ++Calls;
    OfferedColor = color;
    if (!Color) return false;
    color = *Color;
    return true;
  }
  std::optional<platform::TFontDescription> Font;
  std::optional<platform::TColor> Color;
  platform::TFontDescription Offered;
  platform::TColor OfferedColor = 0;
  int Calls = 0;
};

// Replaces a table's rows with these (UTF-8 in the source, GBK in the table).
inline void SetRows(model::TBasePropertyTable& table, std::initializer_list<const char*> rows) {
  table.Clear();
  for (const char* row : rows) table.Add(platform::Utf8ToGbk(row));
}

// Twelve listed properties: Name, Tag, Left, Top, Width, Height, Text, PropertyTable, Color,
// Flag, Shades, Font.
class TSample : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TSample(platform::TComponent* owner) : TGraphicControl(owner) {}

  const std::string& Text() const { return text_; }
  void SetText(std::string_view v) { text_ = v; }
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t v) { color_ = v; }
  bool Flag() const { return flag_; }
  void SetFlag(bool v) { flag_ = v; }
  uint32_t Shades() const { return shades_; }
  void SetShades(uint32_t v) { shades_ = v; }
  platform::TFont& Font() { return font_; }
  void SetFont(const platform::TFont* f) {
    if (f) font_.Assign(*f);
  }
  model::TBasePropertyTable& PropertyTable() { return table_; }

 private:
  std::string text_;
  uint32_t color_ = 0;
  bool flag_ = false;
  uint32_t shades_ = 0;
  platform::TFont font_;
  model::TBasePropertyTable table_;
};

inline const platform::TClassInfo& TSample::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TSample, platform::TGraphicControl>("TSample")
          .Property("Text", &TSample::Text, &TSample::SetText)
          .Property("PropertyTable", [](TSample& s) { return &s.PropertyTable(); }, nullptr)
          .Property("Color", platform::TypeColor(), &TSample::Color, &TSample::SetColor)
          .Property("Flag", &TSample::Flag, &TSample::SetFlag)
          .Property("Shades", TypeShades(), &TSample::Shades, &TSample::SetShades)
          .Property("Font", [](TSample& s) { return &s.Font(); }, &TSample::SetFont)
          .Build();
  return info;
}

// A control with a date, a byte, a Cardinal, an event, a shade and a missing object.
class TDated : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TDated(platform::TComponent* owner) : TGraphicControl(owner) {}

  double When() const { return when_; }
  void SetWhen(double v) { when_ = v; }
  uint8_t Level() const { return level_; }
  void SetLevel(uint8_t v) { level_ = v; }
  uint32_t Seconds() const { return seconds_; }
  void SetSeconds(uint32_t v) { seconds_ = v; }
  uint8_t Shade() const { return shade_; }
  void SetShade(uint8_t v) { shade_ = v; }
  uint8_t Mode() const { return mode_; }
  void SetMode(uint8_t v) { mode_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view v) { text_ = v; }
  model::TBasePropertyTable& PropertyTable() { return table_; }

 private:
  double when_ = 0;
  uint8_t mode_ = 0;
  uint8_t level_ = 0;
  uint32_t seconds_ = 10;
  uint8_t shade_ = 0;
  std::string text_;
  model::TBasePropertyTable table_;
};

inline const platform::TClassInfo& TDated::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TDated, platform::TGraphicControl>("TDated")
          .Property("When", platform::TypeDateTime(), &TDated::When, &TDated::SetWhen)
          .Property("Level", TypeByte(), &TDated::Level, &TDated::SetLevel)
          .Property("Seconds", &TDated::Seconds, &TDated::SetSeconds)
          .Property("Shade", TypeShade(), &TDated::Shade, &TDated::SetShade)
          .Property("Mode", TypeMode(), &TDated::Mode, &TDated::SetMode)
          .Property("Text", &TDated::Text, &TDated::SetText)
          .Property("Missing", [](TDated&) { return static_cast<platform::TFont*>(nullptr); }, nullptr)
          .Property("PropertyTable", [](TDated& d) { return &d.PropertyTable(); }, nullptr)
          .Event("OnChange")
          .Build();
  return info;
}

// A graphic control that shares some names with TSample: Text and Color alike, Shade of another
// type (TSample has no Shade; TDated's is a TShade), Flag a string.
class TPlain : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TPlain(platform::TComponent* owner) : TGraphicControl(owner) {}

  const std::string& Text() const { return text_; }
  void SetText(std::string_view v) { text_ = v; }
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t v) { color_ = v; }
  const std::string& Flag() const { return flag_; }
  void SetFlag(std::string_view v) { flag_ = v; }
  uint8_t Shade() const { return shade_; }
  void SetShade(uint8_t v) { shade_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  model::TBasePropertyTable& PropertyTable() { return table_; }

  // Fills itself with its colour.
  void Paint(platform::TCanvas& canvas) override {
    canvas.Brush.Color = color_;
    canvas.Brush.Style = platform::bsSolid;
    canvas.FillRect({0, 0, Width(), Height()});
  }

 private:
  std::string text_;
  uint32_t color_ = 0;
  std::string flag_;
  uint8_t shade_ = 0;
  bool active_ = true;
  model::TBasePropertyTable table_;
};

inline const platform::TClassInfo& TPlain::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TPlain, platform::TGraphicControl>("TPlain")
          .Property("Text", &TPlain::Text, &TPlain::SetText)
          .Property("Color", platform::TypeColor(), &TPlain::Color, &TPlain::SetColor)
          .Property("Flag", &TPlain::Flag, &TPlain::SetFlag)
          .Property("Shade", TypeTone(), &TPlain::Shade, &TPlain::SetShade)
          .Property("Active", &TPlain::Active, &TPlain::SetActive)
          .Property("PropertyTable", [](TPlain& p) { return &p.PropertyTable(); }, nullptr)
          .Build();
  return info;
}

}  // namespace editor::test
