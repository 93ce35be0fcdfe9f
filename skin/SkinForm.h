#pragma once
// SkinForm: TskForm turns an ordinary top-level window into a skinned one. It fills the
// window (which becomes frameless), paints the outer frame in its border colour and the
// background, shows its own title bar and the window's main menu as a bar of flat buttons, and
// cuts the window into a shape with rounded top corners. The window's content moves into the
// frame's client area (Client()).
//
// One call per window: TskForm::Attach(window, style) after the window's content is built;
// content added later goes into Client().
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "platform/gfx/Canvas.h"
#include "skin/SkinMainMenu.h"
#include "skin/SkinTitleBar.h"
#include "skin/Skinnable.h"
#include "skin/frmPopup.h"

class QShortcut;

namespace skin {

class TskForm;

// Where a frame puts its window each time the window is shown.
enum class TskFormPlacement {
  Designed,      // where the window itself says (its own moves, the settings it keeps)
  OwnerCentre,   // centred on its owner: its parent's window, else the window that is active
                 // as it opens, else the program's main window; without one, as ScreenCentre
  ScreenCentre,  // centred on the work area of its screen
};

// The style of the frame's menu bar: one flat button per top-level menu, drawn by the menu-bar
// rules.
class TskMenuBarStyle : public QProxyStyle {
 public:
  explicit TskMenuBarStyle(const TskForm* frame);
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;

 private:
  const TskForm* frame_;
};

class TskForm : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  // Attaches to `host`, which must be a top-level window not yet holding a frame; otherwise the
  // frame stays a plain panel on it.
  explicit TskForm(QWidget* host);
  ~TskForm() override;
  // Skins a window in one call: the frame in that style, and every skinned control the window
  // already holds in the same style.
  static TskForm* Attach(QWidget* window, TskUIStyle style);
  // The frame of the program's main window: the first frame made that is still alive.
  static TskForm* MainFrame();

  bool IsFrame() const override { return host_ != nullptr; }
  QWidget* Host() const { return host_; }
  // Where the window's content lives.
  QWidget* Client() const { return client_; }
  TskTitleBar* TitleBar() const { return titleBar_; }
  QMenuBar* MenuBar() const { return menuBar_; }

  bool UIStyleAutoUpdateSub = false;
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor c);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);
  bool TitleBarVisible() const { return titleBarVisible_; }
  void SetTitleBarVisible(bool on);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  QString Caption() const;
  // Sets the title bar's caption and the window's own title.
  void SetCaption(const QString& caption);
  // The window's width at which the title bar shows `caption` whole.
  int WidthForCaption(const QString& caption) const;
  QWidget* FormPanel() const { return formPanel_; }
  // A panel to fill the client area; the frame itself is refused with ESkinError.
  void SetFormPanel(QWidget* panel);
  TskTitleBarButtons& TitleBarButtons() { return titleBar_->Buttons(); }
  TskTitleBarSections& TitleBarSections() { return titleBar_->Sections(); }
  bool TitleBarDrawAppIcon() const { return titleBar_->DrawAppIcon; }
  void SetTitleBarDrawAppIcon(bool on);
  bool TitleBarCustom() const { return titleBar_->Custom; }
  void SetTitleBarCustom(bool on) { titleBar_->Custom = on; }
  platform::TFontDescription& Font() { return titleBar_->Font; }
  TskMainMenu* Menu() const { return menu_; }
  void SetMenu(TskMainMenu* menu);
  TColor MenuBarColor() const { return menuBarColor_; }
  void SetMenuBarColor(TColor c);
  int MenuBarHeight() const { return menuBarHeight_; }
  void SetMenuBarHeight(int h);
  int RoundCorner() const { return titleBar_->RoundCorner; }
  void SetRoundCorner(int r);
  TskPopupMenu* PopupMenu = nullptr;
  TskFormPlacement Placement() const { return placement_; }
  void SetPlacement(TskFormPlacement placement) { placement_ = placement; }
  // Where the placement puts the window now: always on its screen's work area, the window's own
  // position for Designed.
  QPoint PlacedPosition() const;
  QString Version() const { return QStringLiteral("5.4"); }
  void SetVersion(const QString&) {}

  std::function<void(int index)> OnTitleBarCustomBtnsClick;
  std::function<void(int index)> OnTitleBarHelpBtnClick;

  // The window's shape: a rounded rectangle (0, 0, width + 1, height + 1) with a RoundCorner
  // corner ellipse, its bottom corners squared.
  QRegion WindowShape() const;
  // Maximised: the work area less its bottom row, and isMaximized() true; and back.
  void ToggleMaximized();
  void RebuildMenuBar();
  void RefreshMenuBar();
  // The theme the menu bar is drawn by: the main menu's, else the frame's.
  TThemeSource MenuBarSource() const;
  platform::TFontDescription MenuBarFont() const;
  // The frame as it paints now (bands, top rows, background), the window's size.
  TBitmap PaintBitmap();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void AttachToHost();
  void LayoutParts();
  void UpdateFormRegion();
  // Moves the window to PlacedPosition(), the platform's window with it: a window shown again
  // would otherwise open where the platform last had it.
  void PlaceHost();
  int BandWidth() const;
  int TitleHeight() const;
  int MenuHeight() const;
  Qt::Edges EdgesAt(QPoint p) const;
  void PaintBackground(platform::TCanvas& c, const TRect& area, QPoint clientOrigin) const;
  void Paint(platform::TCanvas& c);

  QPointer<QWidget> host_;
  QWidget* client_ = nullptr;
  TskTitleBar* titleBar_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  TskMenuBarStyle* menuBarStyle_ = nullptr;
  QPointer<TskMainMenu> menu_;
  QPointer<QWidget> formPanel_;
  QShortcut* altSpace_ = nullptr;
  TColor borderColor_ = 0;
  int borderWidth_ = 1;
  bool titleBarVisible_ = true;
  TColor color_ = clBtnFace;
  TColor menuBarColor_ = clBtnFace;
  int menuBarHeight_ = 22;
  TskFormPlacement placement_ = TskFormPlacement::Designed;
  QRect normalGeometry_;
  friend class TskClientArea;
};

// TskPopupForm: the popup notifier a window holds. Popup shows its notice window in the corner
// of the work area (or at PositionX, PositionY) with Title and MessageText.
class TskPopupForm : public QObject {
  Q_OBJECT

 public:
  explicit TskPopupForm(QObject* owner = nullptr);
  ~TskPopupForm() override;

  int AnimateTime = 400;
  int StayTime = 2000;
  int PositionX = 0;
  int PositionY = 0;
  bool AutoPosition = true;
  bool ClickHide = false;
  QString Title;
  QString MessageText;  // a single CR ends a line
  platform::TFontDescription TitleFont;
  platform::TFontDescription MessageFont;
  TfrmPopupForm* Form() const { return form_.get(); }

  std::function<void()> OnTitleClick;
  std::function<void()> OnClick;
  std::function<void()> OnClose;
  std::function<void()> OnShow;

  void Popup();

 private:
  std::unique_ptr<TfrmPopupForm> form_;
};

}  // namespace skin
