#pragma once
// SkinTreeView: a QTreeView whose frame is the skin's two one-pixel frames; optional skinned
// scroll bars mirror its own ones.
#include <QPointer>
#include <QTreeView>

#include "skin/SkinScrollBar.h"
#include "skin/Skinnable.h"

namespace skin {

class TskTreeView : public QTreeView, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskTreeView(QWidget* parent = nullptr);

  TColor BorderColor = 0;
  TColor Color = clWindow;
  TskScrollBar* VScrollBar() const { return vbar_; }
  void SetVScrollBar(TskScrollBar* bar);
  TskScrollBar* HScrollBar() const { return hbar_; }
  void SetHScrollBar(TskScrollBar* bar);
  // Brings the skinned bars up to date with the tree's own.
  void MirrorScrollBars();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Mirror(QScrollBar* native, TskScrollBar* skinned, bool vertical);
  QPointer<TskScrollBar> vbar_, hbar_;
  bool mirroring_ = false;
};

}  // namespace skin
