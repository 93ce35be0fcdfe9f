#pragma once
// The designer (`TDesign`): it turns the page shown in the main window (its `Container`) into an
// editing surface. Fed with the mouse and key input the view receives over the page, it selects
// display objects, moves them, resizes them with eight grab handles, draws a rubber band for area
// selection and reports all of it through its events. The objects never see that input, so they
// need no design-time code of their own.
//
// Input comes in the container's client coordinates, with the global (screen) point that
// OnMouseDown and OnMouseUp report. The designer keeps the drag state, the selection and the
// current control, and says what to draw over the page: grab handles, selection marks, the drag
// outlines and the cursor. Handles and marks belong to the designer and are drawn by the view;
// they are not children of the page, so object text, program records, SelectAll and the rubber
// band never meet them.
//
// The view behind TDesignSurface installs its input filter while the designer is active. Freed
// controls are dropped at once (free notification): from the selection, as the current control
// and, for the page itself, as the container (the designer then deactivates).
//
// Everything here belongs to the GUI thread.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/component/Component.h"
#include "platform/component/Control.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

namespace editor {

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// The shift keys an event reports, as bits.
using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;

// Told the control concerned; for OnSelectChanged and OnChanged that may also be the selection
// collection, and for OnSelectChanged the page itself.
using TDesignEvent = std::function<void(platform::TComponent* sender)>;
using TChangeEvent = TDesignEvent;
// Told the designer as sender; x and y are screen coordinates.
using TMouseEvent =
    std::function<void(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
// Told the designer as sender and the virtual-key number (Delete is 46); changes to the key are
// not passed on.
using TKeyEvent = std::function<void(platform::TObject* sender, uint16_t& key, TShiftState shift)>;

// The cursor a place of the surface shows.
enum class TDesignCursor : uint8_t { Arrow, SizeNWSE, SizeWE, SizeNESW, SizeNS };
// The cursor of grab handle `index`; any index outside 0..7 gives the arrow.
TDesignCursor HandleCursor(int index);

inline constexpr platform::TColor GrabColor = platform::RGB(0, 255, 255);
inline constexpr platform::TColor MarkActiveColor = platform::RGB(255, 255, 255);
inline constexpr platform::TColor MarkInactiveColor = platform::RGB(192, 192, 192);

// Where a control's rectangle lies in the client coordinates of `container`, which must be one
// of its ancestors (or the rectangle stays in its parent's coordinates).
platform::TRect ControlRect(const platform::TControl& control, const platform::TWinControl* container);
// Where `control`'s client area lies in `container`'s client coordinates.
platform::TRect ClientRectIn(const platform::TWinControl& control, const platform::TWinControl* container);

// The control under point `p` of `parent`'s client area: windowed children (topmost first)
// searched inside, then the graphic children from the topmost down; `parent` itself when none
// is there. Hidden controls are passed over.
platform::TControl* ControlAt(platform::TWinControl& parent, platform::TPoint p);

// A grab handle or a selection mark: a 5 x 5 square in the container's client coordinates.
struct TGrabHandle {
  static constexpr int Size = 5;
  platform::TPoint Pos;
  platform::TColor Color = GrabColor;
  bool Visible = false;
  platform::TRect Bounds() const { return platform::Bounds(Pos.X, Pos.Y, Size, Size); }
};

// The up to 512 controls of a multi-selection; also the inspector's Root when several objects
// are selected. It refers to controls and never frees them; a member that is freed leaves it.
class TComponentCollection : public platform::TComponent, private platform::TFreeWatcher {
  DECLARE_CLASS_INFO()

  static constexpr int Capacity = 512;

  explicit TComponentCollection(platform::TComponent* owner = nullptr);

  // Appends `control` (a duplicate too); false, changing nothing, for null or when 512 are held.
  bool Add(platform::TControl* control);
  // The index of the first member that is `control`, or -1.
  int IndexOf(const platform::TControl* control) const;
  // Removes the first member that is `control`, shifting the rest down.
  void Remove(platform::TControl* control);
  // Adds dx to every member's Left and dy to its Top.
  void MoveBy(int dx, int dy);
  // Null when `index` is outside 0..Count() - 1.
  platform::TControl* Items(int index) const;
  void Clear();
  int Count() const { return count_; }

  // Told after a freed member has left (the pointer is only an identity by then).
  std::function<void(platform::TComponent& freed)> OnMemberFreed;

 private:
  void ComponentFreed(platform::TComponent& component) override;

  std::array<platform::TControl*, Capacity> items_{};
  int count_ = 0;
};

// The eight handles around the current control, index 0..7: top-left, middle-left,
// bottom-left, top-middle, bottom-middle, top-right, middle-right, bottom-right.
class TGrab {
 public:
  explicit TGrab(platform::TWinControl* parent) : parent_(parent) {}

  platform::TWinControl* Parent() const { return parent_; }
  // Shows the handles around `control` (its rectangle in the container's client coordinates).
  void Place(const platform::TRect& controlRect);
  void Hide();
  bool Visible() const { return handles_[0].Visible; }
  // The visible handle under `p`, the last made (highest index) on top; -1 when none.
  int HandleAt(platform::TPoint p) const;
  const std::array<TGrabHandle, 8>& Handles() const { return handles_; }

 private:
  platform::TWinControl* parent_;
  std::array<TGrabHandle, 8> handles_;
};

// The corner marks of one member of a multi-selection: top-left, bottom-left, top-right,
// bottom-right.
struct TSelect {
  std::array<TGrabHandle, 4> Marks;
};

// The multi-selection over a container: its collection (owned) and the marks of each member.
class TSelector {
 public:
  explicit TSelector(platform::TWinControl* container);
  ~TSelector();
  TSelector(const TSelector&) = delete;
  TSelector& operator=(const TSelector&) = delete;

  int IndexOf(const platform::TControl* control) const { return collection_->IndexOf(control); }
  // Adds only when the control is not a member yet; false when it is, or the selection is full.
  bool Add(platform::TControl* control);
  void Remove(platform::TControl* control) { collection_->Remove(control); }
  int Count() const { return collection_->Count(); }
  platform::TControl* Items(int index) const { return collection_->Items(index); }
  void Clear() { collection_->Clear(); }
  void MoveBy(int dx, int dy) { collection_->MoveBy(dx, dy); }

  // Places the marks of every member (made when missing, white while active) and frees those of
  // the indexes past the count.
  void UpdateMarks();
  // Frees every mark.
  void FreeMarks();
  // Recolours every existing mark and keeps the flag.
  void SetActive(bool active);
  bool Active() const { return active_; }
  // The marks of member `index`; null when it has none.
  const TSelect* Marks(int index) const;
  bool HasMarks() const;

  // `control` when it is the parent of a member, else the first such control among its windowed
  // children, depth first; null when none.
  platform::TWinControl* CommonParent(platform::TWinControl* control) const;
  // Keeps only the members whose parent is the container's common parent, in their order.
  void KeepSiblings();

  TComponentCollection& Collection() { return *collection_; }
  const TComponentCollection& Collection() const { return *collection_; }
  platform::TWinControl* Container() const { return container_; }

 private:
  platform::TWinControl* container_;
  std::unique_ptr<TComponentCollection> collection_;
  std::array<std::unique_ptr<TSelect>, TComponentCollection::Capacity> marks_;
  bool active_ = false;
};

// What the designer needs of the view that shows its container.
class TDesignSurface {
 public:
  virtual ~TDesignSurface() = default;
  // Activation installs the view's input filter, deactivation removes it.
  virtual void SetFilterInstalled(bool installed) = 0;
  // The designer shows another container (or none).
  virtual void ContainerChanged() = 0;
  // Handles, marks, outlines or the drag cursor changed: repaint over the page.
  virtual void OverlayChanged() = 0;
  // Repaint the page itself now.
  virtual void RedrawContainer() = 0;
};

class TDesign : public platform::TComponent, private platform::TFreeWatcher {
  DECLARE_CLASS_INFO()

  // Drag states.
  static constexpr uint8_t dsMoveOne = 0, dsRubberBand = 1, dsMoveSelection = 2, dsResize = 3;

  explicit TDesign(platform::TComponent* owner);
  ~TDesign() override;

  // The view showing the container; null detaches it. The designer does not own it.
  void SetSurface(TDesignSurface* surface);
  TDesignSurface* Surface() const { return surface_; }

  platform::TWinControl* Container() const { return container_; }
  // Stores the container and makes a fresh selector and grab over it.
  void SetContainer(platform::TWinControl* container);
  bool Activate() const { return active_; }
  // True activates (a fresh selector and grab, the view's filter installed); False deactivates
  // (marks freed, grab hidden, the container current, the filter removed).
  void SetActivate(bool active);

  // The single selected control, the selection collection, or the container when nothing is
  // selected; null before anything was selected.
  platform::TComponent* CurrentControl() const { return current_; }
  // The selection collection; null while there is no selector.
  TComponentCollection* Selection() const;
  const TSelector* Selector() const { return selector_.get(); }
  const TGrab* Grab() const { return grab_.get(); }

  // Makes `control` the only selection (see the class comment of the .cpp); fires nothing.
  void Select(platform::TControl* control);
  void SelectAll();
  void InvertSelection();
  void DeleteAll();
  void DeleteSelection();
  void RefreshSelection();

  // Input over the container, in its client coordinates, with the screen point. Each returns
  // whether the input was handled (the view then keeps it from the page's widgets). Nothing is
  // handled while inactive.
  bool MouseDown(TMouseButton button, TShiftState shift, platform::TPoint pos, platform::TPoint global);
  bool MouseMove(TShiftState shift, platform::TPoint pos, platform::TPoint global);
  bool MouseUp(TMouseButton button, TShiftState shift, platform::TPoint pos, platform::TPoint global);
  // A left double click; it is then taken as a press, as the platform posts one.
  bool DoubleClick(TShiftState shift, platform::TPoint pos, platform::TPoint global);
  bool KeyDown(uint16_t key, TShiftState shift);
  // The container's window is going (the view is destroyed with it): deactivate as the page
  // leaves.
  void ContainerDestroyed();

  // Drag state for the view and the tests.
  bool Dragging() const { return dragging_; }
  uint8_t DragState() const { return dragState_; }
  platform::TPoint StartPoint() const { return start_; }
  platform::TPoint CurrentPoint() const { return currentPoint_; }
  // The rectangle the point is kept in during a drag (the platform would confine the cursor).
  std::optional<platform::TRect> ClipRect() const { return clip_; }
  // The outlines to draw now, in the container's client coordinates (none unless dragging).
  std::vector<platform::TRect> Outlines() const;
  // The cursor at `pos`: the dragged handle's during a resize, a handle's over it, else the arrow.
  TDesignCursor CursorAt(platform::TPoint pos) const;

  // The resize rule: `rect` changed by the drag of handle `index` by (dx, dy), never turned
  // inside out.
  static platform::TRect ResizeRect(platform::TRect rect, int index, int dx, int dy);

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TKeyEvent OnKeyDown;
  TChangeEvent OnChanged;
  platform::TNotifyEvent OnDblClick;
  TDesignEvent OnSelectChanged;
  TDesignEvent OnClickControl;

 private:
  void ComponentFreed(platform::TComponent& component) override;
  void MemberFreed(platform::TComponent& freed);

  void NewSelectorAndGrab();
  void SetCurrent(platform::TComponent* current);
  void StartDrag(TShiftState shift, platform::TPoint pos);
  void FinishDrag(platform::TPoint pos);
  void EndDrag();
  platform::TPoint Clamp(platform::TPoint p) const;
  void SetClip(const platform::TRect& r) { clip_ = r; }
  platform::TControl* CurrentAsControl() const;
  bool ContainerContains(const platform::TControl* control) const;
  void SelectionBecomesCurrent();
  void ShowMarks();
  void StopActives();
  void RestoreActives();
  void Changed();

  TDesignSurface* surface_ = nullptr;
  uint8_t dragState_ = dsMoveOne;
  uint8_t handleIndex_ = 0;
  bool dragging_ = false;
  platform::TPoint start_;
  platform::TPoint currentPoint_;
  bool active_ = false;
  std::unique_ptr<TGrab> grab_;
  platform::TComponent* current_ = nullptr;
  platform::TWinControl* container_ = nullptr;
  std::unique_ptr<TSelector> selector_;
  std::optional<platform::TRect> clip_;
  TDesignCursor dragCursor_ = TDesignCursor::Arrow;
  // The Active values the objects had when the press stopped them, given back at the release.
  std::vector<std::pair<const platform::TControl*, bool>> savedActives_;
  bool activesStopped_ = false;
};

}  // namespace editor
