#pragma once
// The design surface: shows the designer's `Container` (the current page) and passes the mouse
// and keys over it to the designer (editor/core's TDesign).
//
// The page and its objects are painted with their own Paint into an off-screen bitmap, kept
// until the page reports a change (OnInvalidate); the designer's outlines (dotted focus
// rectangles), marks and handles are drawn over a copy of it at each paint, so erasing is a
// repaint.
//
// While the designer is active, an event filter on this view (and on any widget inside it)
// hands it every mouse and key event: the widget under it never sees them. Positions come from
// the events. The point is held in the clip rectangle the designer names (the platform cannot
// confine the pointer); the press's implicit grab stands in for the capture. Keys reach the
// designer as the virtual-key numbers the main window expects (Delete is 46).
//
// Use: make it with the designer (inside the main window's `Container`:
// TDesignFormView::PlaceDesigner), then set the designer's Container and activate it.
#include <QWidget>

#include "editor/core/Design.h"
#include "platform/component/Component.h"
#include "platform/gfx/Bitmap.h"

namespace editor::ui {

class TDesignView : public QWidget, private TDesignSurface {
 public:
  explicit TDesignView(TDesign& design, QWidget* parent = nullptr);
  ~TDesignView() override;

  // Null once the designer is freed.
  TDesign* Design() const { return design_.Get(); }
  bool FilterInstalled() const { return filtered_; }

  // The virtual-key number of a Qt key; 0 for keys without one.
  static uint16_t VirtualKey(int qtKey);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void childEvent(QChildEvent* event) override;

 private:
  // TDesignSurface
  void SetFilterInstalled(bool installed) override;
  void ContainerChanged() override;
  void OverlayChanged() override;
  void RedrawContainer() override;

  void PageChanged();
  void FollowPageSize();
  void ShowCursorAt(QPoint pos);
  void Filter(QWidget* widget, bool on);
  // Maps a position in `widget` to the page's client coordinates.
  platform::TPoint PagePoint(QObject* widget, QPointF pos) const;

  platform::TComponentRef<TDesign> design_;
  // The page shown, and the repaint hook it had before.
  platform::TComponentRef<platform::TWinControl> page_;
  std::function<void(platform::TControl&)> previousHook_;
  platform::TBitmap pageImage_;
  bool pageDirty_ = true;
  bool filtered_ = false;
};

}  // namespace editor::ui
