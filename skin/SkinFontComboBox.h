#pragma once
// SkinFontComboBox: font pickers. TskFontComboBox lists the drawing layer's font families
// (with their type glyphs, optionally each in its own face); TskFontSizeComboBox lists the
// sizes of one face. Both are owner-drawn skinned combo boxes.
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "platform/gfx/FontEngine.h"
#include "skin/SkinComboBox.h"

namespace skin {

enum TFontDevice { fdScreen, fdPrinter, fdBoth };
enum TFontListOption {
  foAnsiOnly = 1 << 0,
  foTrueTypeOnly = 1 << 1,
  foFixedPitchOnly = 1 << 2,
  foNoOEMFonts = 1 << 3,
  foOEMFontsOnly = 1 << 4,
  foScalableOnly = 1 << 5,
  foNoSymbolFonts = 1 << 6,
};
using TFontListOptions = unsigned;

// Font type bits of a list item, and the mark of a face that is no symbol set.
constexpr int RASTER_FONTTYPE = 1;
constexpr int DEVICE_FONTTYPE = 2;
constexpr int TRUETYPE_FONTTYPE = 4;
constexpr int kNotSymbolFlag = 0x100;

// The faces a font list offers, as the device lists them (fdPrinter adds nothing: there is no
// printer here).
std::vector<platform::TFontFamilyInfo> ScreenFontFamilies();

class TskFontDrawComboBox : public TskCustomComboBox {
  Q_OBJECT

 public:
  explicit TskFontDrawComboBox(QWidget* parent = nullptr);
  // Drop-down list (the default), drop-down (editable) or simple.
  enum TStyle { csDropDown, csSimple, csDropDownList };
  TStyle ComboStyle() const { return comboStyle_; }
  void SetComboStyle(TStyle style);

 protected:
  TStyle comboStyle_ = csDropDownList;
};

class TskFontComboBox : public TskFontDrawComboBox {
  Q_OBJECT

 public:
  explicit TskFontComboBox(QWidget* parent = nullptr);

  // The text (GBK).
  std::string FontName() const;
  void SetFontName(const std::string& name);
  TFontDevice Device() const { return device_; }
  void SetDevice(TFontDevice device);
  TFontListOptions Options() const { return options_; }
  void SetOptions(TFontListOptions options);
  bool UseFonts = false;
  // While set, FontName only sets the text (the component is being loaded).
  bool Loading = false;
  std::function<void()> OnChange;
  // The type bits of an item.
  int ItemFontType(int index) const;
  int ItemHeightFor() const;

 private:
  void Rebuild();
  TFontDevice device_ = fdScreen;
  TFontListOptions options_ = 0;
};

class TskFontSizeComboBox : public TskFontDrawComboBox {
  Q_OBJECT

 public:
  static constexpr int kPixelsPerInch = 96;
  explicit TskFontSizeComboBox(QWidget* parent = nullptr);

  std::string FontName() const { return fontName_; }
  // Lists the sizes of the face; the previous size stays selected if it is listed.
  void SetFontName(const std::string& name);
  // The selected size; 0 when none is selected or it is no number.
  int FontSize() const;
  // Selects the item of that size; none when it is not listed.
  void SetFontSize(int size);
  std::function<void()> OnChange;

  // The sizes listed for a face: a scalable face the 16 standard sizes, a bitmap face each of
  // its sizes in points, round(pixels x 72 / 96), ascending without repeats.
  static std::vector<int> SizesFor(const platform::TFontFamilyInfo& face);

 private:
  std::string fontName_;
};

}  // namespace skin
