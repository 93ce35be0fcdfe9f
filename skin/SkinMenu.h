#pragma once
// SkinMenu: what the skinned menus share. TskMenuBase holds the appearance both menus publish;
// TskMenuStyle is the Qt style that measures and draws every item of a menu and its submenus
// by the skin's rules (set on each menu, also on submenus added later).
#include <QMenu>
#include <QProxyStyle>
#include <QPointer>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontDescription.h"
#include "skin/Skinnable.h"

namespace skin {

using platform::TFontDescription;

// One item as the drawing rules see it. Texts are GBK.
struct TMenuItemInfo {
  std::string Caption;   // with its '&' mark
  std::string ShortCut;  // "Ctrl+O", empty for none
  bool Separator = false;
  bool Enabled = true;
  bool Checked = false;
  bool Default = false;   // drawn bold
  bool SubMenu = false;
  const TBitmap* Image = nullptr;  // its picture, $FF00FF where it is transparent; none without
};

class TskMenuBase : public QObject, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskMenuBase(QObject* owner);
  ~TskMenuBase() override;

  bool OwnerDraw() const { return true; }
  void SetOwnerDraw(bool) {}  // always owner-drawn
  int MenuItemHeight() const { return menuItemHeight_; }
  void SetMenuItemHeight(int h);  // ignored while the style is MacOS
  int SeparatorHeight() const { return separatorHeight_; }
  void SetSeparatorHeight(int h);  // likewise
  int BarWidth = 0;
  TColor BarColor = clBtnFace;
  TColor Color = 0xFFFFFF;
  TColor SeparatorColor = 0x808080;
  TColor SelectedBorderColor = clHighlight;
  TColor SelectedColor = clHighlight;
  TColor SelectedFontColor = 0xFFFFFF;
  TColor FontColor = 0xFFFFFF;
  TColor BorderColor = 0;  // not used in drawing
  bool FlatMenu = false;
  std::string FontName = "MS Sans Serif";  // GBK
  int FontSize = 8;
  uint8_t FontCharset = 1;
  bool UseSystemFont() const { return useSystemFont_; }
  virtual void SetUseSystemFont(bool on) { useSystemFont_ = on; }

  // The font items are drawn in: the system menu font ("宋体" 9 pt) or FontName, FontSize,
  // FontCharset.
  TFontDescription ItemFont() const;
  // FormBackgroundColor (item 15) of the style or theme: the flat menu's frame lines.
  TColor FrameLineColor() const;

  // Puts the skin's style on the menu and its submenus, now and whenever one is added.
  void Skin(QMenu* menu);
  QStyle* MenuStyle() const { return style_; }

  QSize MeasureItem(const TMenuItemInfo& item) const;
  // Draws an item into a canvas whose (0, 0) is the item's top-left corner.
  void DrawItem(platform::TCanvas& canvas, const TMenuItemInfo& item, const TRect& r, bool selected) const;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int menuItemHeight_ = 21;
  int separatorHeight_ = 21;
  bool useSystemFont_ = true;
  TColor frameLine_ = 0;
  QStyle* style_;
};

// The style of skinned menus.
class TskMenuStyle : public QProxyStyle {
 public:
  explicit TskMenuStyle(const TskMenuBase* menu);

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  const TskMenuBase* menu_;
};

// Helpers the menu bar and buttons share.
TMenuItemInfo MenuItemInfo(const class QStyleOptionMenuItem& option);
// The font of a Qt font as the drawing layer takes it (face name in GBK, pixel size).
TFontDescription FontOf(const QFont& font);
// A picture drawn with its key colour left out; greyed: its shape in white one pixel right
// and down, then in $808080 at its place.
void DrawMaskedPicture(platform::TCanvas& canvas, const TBitmap& picture, int x, int y, TColor key,
                       bool greyed);
// An icon at its 16-pixel size, $FF00FF where it is transparent.
TBitmap IconPicture(const class QIcon& icon, int size = 16);

}  // namespace skin
