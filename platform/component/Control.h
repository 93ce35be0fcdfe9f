#pragma once
// Controls: components with bounds, visibility and a caption that paint themselves onto a
// canvas. A control's parent (the windowed control it sits in and is drawn by) need not be its
// owner (the component that frees it).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Component.h"

namespace platform {

class TCanvas;  // the drawing layer's canvas; controls only take it by reference
class TWinControl;

// Raised for operations a control cannot do, such as becoming its own parent.
class EInvalidOperation : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// How a control places itself in its parent. Only filling the parent is needed here (a page
// on its screen or on the editor's container); the ordinal is the framework's.
enum TAlign : uint8_t { alNone = 0, alClient = 5 };

class TControl : public TComponent {
  DECLARE_CLASS_INFO()

  explicit TControl(TComponent* owner);
  // Leaves the parent's child list.
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Moves the control to the end of `parent`'s child list (or out of any, for null). Raises
  // EInvalidOperation when the control would become its own parent or ancestor.
  void SetParent(TWinControl* parent);

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
  // Sets all four at once; calls Resize() when the width or height changed. A control that
  // fills its parent keeps the parent's size whatever it is given.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  // alClient: the control covers its parent's whole area, now, whenever it gets a parent and
  // whenever the parent's size changes. alNone leaves the bounds as they are.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  // Calls VisibleChanged() when the value changes.
  void SetVisible(bool visible);

  // The control's own text (a sample value, a label); repaints when it changes.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption);

  // Moves the control to the top (drawn last) or the bottom (drawn first) of its parent's
  // children, and asks for a repaint.
  void BringToFront();
  void SendToBack();

  // Draws the control onto `canvas`, whose origin is the control's top-left corner.
  virtual void Paint(TCanvas& canvas) {}
  // Asks for a repaint: the nearest windowed control up the parent chain (this one included)
  // that has an OnInvalidate handler is told which control changed.
  void Invalidate();
  // Whether a view hears this control's Invalidate(): some windowed control up the parent
  // chain (this one included) has an OnInvalidate handler.
  bool InView() const { return Viewer() != nullptr; }
  // Whether the picture the control would paint now differs from the one it painted last
  // without anything having asked for a repaint: a clock's next second, a movie's next frame.
  // The page's repaint tick repaints only such controls.
  virtual bool PictureDue() const { return false; }

 protected:
  virtual void Resize() {}
  virtual void VisibleChanged() {}

 private:
  friend class TWinControl;
  void FillParent();
  // The windowed control whose OnInvalidate hears this control, or null.
  TWinControl* Viewer() const;

  TWinControl* parent_ = nullptr;
  TAlign align_ = alNone;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  std::string caption_;
};

// A control that holds child controls. Freeing it frees its child controls, owned or not.
class TWinControl : public TControl {
  DECLARE_CLASS_INFO()

  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  int ControlCount() const { return int(controls_.size()); }
  // The child at `index` in the order they were parented; null when out of range.
  TControl* Controls(int index) const;
  const std::vector<TControl*>& ChildControls() const { return controls_; }

  // Also resizes the children that fill this control.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

  // Told about every Invalidate() below this control; the view that shows it repaints.
  std::function<void(TControl&)> OnInvalidate;

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
};

// A control without children of its own that only paints (display objects).
class TGraphicControl : public TControl {
  DECLARE_CLASS_INFO()

  explicit TGraphicControl(TComponent* owner);
};

}  // namespace platform
