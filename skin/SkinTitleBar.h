#pragma once
// SkinTitleBar: the title bar a frame (TskForm) draws in place of the system's: its section
// pictures, its buttons (minimise, maximise, close, help, control box, custom) and the caption;
// dragging the window, double clicks and the title-bar menu.
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>

#include "platform/gfx/FontDescription.h"
#include "skin/SkinPopupMenu.h"
#include "skin/Skinnable.h"

namespace skin {

class TskForm;
class TskTitleBar;

enum TskTitleBarBtnType { skMax = 0, skMin = 1, skClose = 2, skHelp = 3, skControlBox = 4, skCustom = 5 };
enum TskTitleBarAlign { skLeft = 0, skRight = 1, skClient = 2 };

class TskTitleBarButtons;

class TskTitleBarButton {
 public:
  TskTitleBarBtnType ButtonType() const { return type_; }
  // A second control box is refused with ESkinError.
  void SetButtonType(TskTitleBarBtnType type);
  TskUIStyle UIStyle = DeepBlue;
  bool Transparent = false;
  int Top = 0;
  TskPopupMenu* ControlBoxMenu = nullptr;
  bool Visible = true;
  TBitmap PicNormal, PicMouseOn, PicMouseDown;

 private:
  friend class TskTitleBarButtons;
  TskTitleBarButtons* owner_ = nullptr;
  TskTitleBarBtnType type_ = skCustom;
};

class TskTitleBarButtons {
 public:
  TskTitleBarButton& Add(TskTitleBarBtnType type = skCustom);
  int Count() const { return int(items_.size()); }
  TskTitleBarButton& operator[](int i) { return items_[size_t(i)]; }
  const TskTitleBarButton& operator[](int i) const { return items_[size_t(i)]; }
  void Clear() { items_.clear(); }

 private:
  std::deque<TskTitleBarButton> items_;
};

class TskTitleBarSections;

class TskTitleBarSection {
 public:
  bool AutoSize = false;
  int Width = 0;
  TskTitleBarAlign Align() const { return align_; }
  // A second client section is refused with ESkinError.
  void SetAlign(TskTitleBarAlign align);
  TBitmap Picture;
  bool Stretch = false;

 private:
  friend class TskTitleBarSections;
  TskTitleBarSections* owner_ = nullptr;
  TskTitleBarAlign align_ = skLeft;
};

class TskTitleBarSections {
 public:
  TskTitleBarSection& Add();
  int Count() const { return int(items_.size()); }
  TskTitleBarSection& operator[](int i) { return items_[size_t(i)]; }
  const TskTitleBarSection& operator[](int i) const { return items_[size_t(i)]; }
  void Clear() { items_.clear(); }

 private:
  std::deque<TskTitleBarSection> items_;
};

// The title bar's menu: "最小化(&N)", "最大化/还原(&X)", "-", "关闭(&C)", each enabled only while
// the bar shows a button of that kind.
class TskTitleBarPopupMenu : public TskPopupMenu {
  Q_OBJECT

 public:
  explicit TskTitleBarPopupMenu(TskTitleBar* bar);
  void Popup(int x, int y) override;
  QAction* MinimizeItem() const { return min_; }
  QAction* MaximizeItem() const { return max_; }
  QAction* CloseItem() const { return close_; }

 private:
  TskTitleBar* bar_;
  QAction* min_;
  QAction* max_;
  QAction* close_;
};

class TskTitleBar : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  // `frame` is the frame the bar belongs to (none for a bar on its own).
  explicit TskTitleBar(QWidget* parent, TskForm* frame = nullptr);
  ~TskTitleBar() override;

  bool Custom = false;  // a style change leaves sections, buttons and font alone
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TskTitleBarSections& Sections() { return sections_; }
  TskTitleBarButtons& Buttons() { return buttons_; }
  int ButtonInterval = 0;
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  platform::TFontDescription Font;  // white "Tahoma", bold
  bool FormActive() const { return formActive_; }
  void SetFormActive(bool active);
  int LeftBtnXOffset = 0;
  int RightBtnXOffset = 0;
  bool DrawAppIcon = false;
  int RoundCorner = 0;
  TColor BorderColor = 0;
  int ButtonPictureHeight = 0;
  int ButtonTop = 0;

  TskTitleBarPopupMenu* PopupMenu() const { return popup_; }
  TskForm* Frame() const { return frame_; }
  bool InsideFrame() const { return frame_ != nullptr; }
  // Whether the bar's window is maximised.
  bool HostMaximized() const;

  // Where each button is drawn (an empty rectangle for one that is not), the caption's start
  // and the left edge of the right-hand buttons.
  struct TLayout {
    std::vector<QRect> Buttons;
    int TextStart = 0;
    int TextEnd = 0;
  };
  TLayout Layout() const;
  int HotButton() const { return hot_; }
  // Pixels kept clear between the caption and the first button on its right.
  static constexpr int CaptionGap = 4;
  // The width the caption may take: from its start to CaptionGap before the first button on
  // its right.
  int CaptionSpace() const;
  // The bar's width at which `caption` shows whole.
  int WidthFor(const QString& caption) const;
  // The caption as drawn: whole characters dropped from its end until the rest and "..." fit
  // in `width` pixels; empty when not even "..." fits. GBK.
  std::string FitCaption(const std::string& caption, int width) const;
  // The bar as it paints now.
  TBitmap PaintBitmap();
  // Re-reads the button pictures for the window's state (maximised or not).
  void UpdateButtonPictures();

  // What the buttons do.
  void ButtonAction(int index);
  void ToggleMaximized();
  void MinimizeApplication();
  void CloseWindow();

  std::function<void(int index)> OnCustomButtonClick;
  std::function<void(int index)> OnHelpButtonClick;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int ButtonAt(QPoint p) const;
  void ApplyButtonStyle(TskTitleBarButton& b, const TThemeSource& source) const;

  TskForm* frame_;
  TskTitleBarSections sections_;
  TskTitleBarButtons buttons_;
  TskTitleBarPopupMenu* popup_;
  QString caption_;
  bool autoSize_ = true;
  bool formActive_ = true;
  int hot_ = -1;
  bool mouseDown_ = false;
  bool dragging_ = false;  // moving the window ourselves where the platform does not
  QPoint dragFrom_;
  TThemeSource source_{nullptr, DeepBlue};
};

}  // namespace skin
