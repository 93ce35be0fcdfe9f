#pragma once
// SkinTabControl: the tab strip (TskTabControlTopPanel) and the tab control around it (TskTab).
// The strip draws each tab from the style's tab picture, cuts the last tab that does not fit and
// shows scroll buttons then; its per-tab data grows with the tabs.
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/gfx/FontDescription.h"
#include "skin/Skinnable.h"

namespace skin {

class TskTab;

class TskTabControlTopPanel : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskTabControlTopPanel(TskTab* owner);

  const QStringList& Tabs() const { return tabs_; }
  void SetTabs(const QStringList& tabs);
  int TabIndex() const { return tabIndex_; }
  // -1..count - 1; -1 when there are no tabs.
  void SetTabIndex(int index);
  int LeftMargin = 10;
  TColor Color = clBtnFace;
  bool TabVisible(int index) const;
  void SetTabVisible(int index, bool visible);
  int FirstShown() const { return firstShown_; }

  // A tab's width: its caption + 20, 80 without caption, at least 15.
  int TabWidth(int index) const;
  int StripHeight() const;
  // Where the tabs and the scroll buttons were drawn in the last layout (empty when not).
  struct TLayout {
    std::vector<QRect> Tabs;
    bool Cut = false;
    QRect ScrollLeft, ScrollRight;
  };
  TLayout Layout() const;
  TBitmap PaintBitmap();
  // What a click at the point does.
  void ClickAt(QPoint p);

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  TskTab* owner_;
  QStringList tabs_;
  std::vector<bool> visible_;  // one per tab, however many
  int tabIndex_ = 0;
  int firstShown_ = 0;
  TBitmap active_, inactive_, bar_, scroll_;
  QPoint mouse_{-1, -1};
};

class TskTab : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskTab(QWidget* parent = nullptr);

  TskTabControlTopPanel* TopPanel() const { return top_; }
  int LeftMargin() const { return top_->LeftMargin; }
  void SetLeftMargin(int m);
  TColor BorderColor = 0;
  TColor Color = clBtnFace;
  platform::TFontDescription Font;
  std::function<void(int index)> OnTabActive;
  std::function<void()> OnChange;
  std::function<void(bool& allow)> OnChanging;

  // The strip tells its owner: a tab may change (OnChanging), did change.
  virtual bool Changing();
  virtual void TabChanged(int index);
  TBitmap PaintBitmap();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void LayoutStrip();

  TskTabControlTopPanel* top_;
};

}  // namespace skin
