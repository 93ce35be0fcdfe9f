#include "Design.h"

#include <algorithm>

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace editor {

using platform::TComponent;
using platform::TControl;
using platform::TPoint;
using platform::TRect;
using platform::TWinControl;

namespace {

// The rectangle spanned by two points, left not right of right, top not below bottom.
TRect Spanned(TPoint a, TPoint b) {
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

bool Meets(const TRect& a, const TRect& b) { return !platform::Intersect(a, b).IsEmpty(); }

// The published Boolean `Active` of a control (display objects with running clocks, the page);
// null when it publishes none.
const platform::TPropInfo* ActiveProperty(const TControl& control) {
  const platform::TPropInfo* p = control.ClassInfo().FindProperty("Active");
  if (!p || p->Kind() != platform::tkEnumeration || !p->IsWritable() ||
      !platform::GbkSameText(p->PropType().Name(), "Boolean"))
    return nullptr;
  return p;
}

// Calls `visit` on `root` and every control below it, parents before their children.
template <class F>
void ForEachControl(TControl& root, F&& visit) {
  visit(root);
  if (auto* w = dynamic_cast<TWinControl*>(&root)) {
    const std::vector<TControl*> children = w->ChildControls();
    for (TControl* child : children) ForEachControl(*child, visit);
  }
}

}  // namespace

TDesignCursor HandleCursor(int index) {
  static constexpr TDesignCursor cursors[8] = {
      TDesignCursor::SizeNWSE, TDesignCursor::SizeWE, TDesignCursor::SizeNESW, TDesignCursor::SizeNS,
      TDesignCursor::SizeNS,   TDesignCursor::SizeNESW, TDesignCursor::SizeWE, TDesignCursor::SizeNWSE};
  return index >= 0 && index < 8 ? cursors[index] : TDesignCursor::Arrow;
}

TRect ControlRect(const TControl& control, const TWinControl* container) {
  TRect r = platform::Bounds(control.Left(), control.Top(), control.Width(), control.Height());
  for (const TWinControl* p = control.Parent(); p && p != container; p = p->Parent())
    r = r.Offset(p->Left(), p->Top());
  return r;
}

TRect ClientRectIn(const TWinControl& control, const TWinControl* container) {
  if (&control == container) return {0, 0, control.Width(), control.Height()};
  return ControlRect(control, container);
}

TControl* ControlAt(TWinControl& parent, TPoint p) {
  const auto& children = parent.ChildControls();
  // Windowed children lie above every graphic one.
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    auto* w = dynamic_cast<TWinControl*>(*it);
    if (!w || !w->Visible()) continue;
    if (platform::Bounds(w->Left(), w->Top(), w->Width(), w->Height()).Contains(p.X, p.Y))
      return ControlAt(*w, {p.X - w->Left(), p.Y - w->Top()});
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    if (platform::Bounds(c->Left(), c->Top(), c->Width(), c->Height()).Contains(p.X, p.Y)) return c;
  }
  return &parent;
}

// ---- TComponentCollection -------------------------------------------------------------------

const platform::TClassInfo& TComponentCollection::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TComponentCollection, TComponent>("TComponentCollection").Build();
  return info;
}

TComponentCollection::TComponentCollection(TComponent* owner) : TComponent(owner) {}

bool TComponentCollection::Add(TControl* control) {
  if (!control || count_ >= Capacity) return false;
  items_[size_t(count_++)] = control;
  Watch(control);
  return true;
}

int TComponentCollection::IndexOf(const TControl* control) const {
  for (int i = 0; i < count_; ++i)
    if (items_[size_t(i)] == control) return i;
  return -1;
}

void TComponentCollection::Remove(TControl* control) {
  const int i = IndexOf(control);
  if (i < 0) return;
  std::copy(items_.begin() + i + 1, items_.begin() + count_, items_.begin() + i);
  items_[size_t(--count_)] = nullptr;
  if (IndexOf(control) < 0) Unwatch(control);
}

void TComponentCollection::MoveBy(int dx, int dy) {
  for (int i = 0; i < count_; ++i) {
    TControl* c = items_[size_t(i)];
    c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
  }
}

TControl* TComponentCollection::Items(int index) const {
  return index >= 0 && index < count_ ? items_[size_t(index)] : nullptr;
}

void TComponentCollection::Clear() {
  UnwatchAll();
  std::fill(items_.begin(), items_.begin() + count_, nullptr);
  count_ = 0;
}

void TComponentCollection::ComponentFreed(TComponent& component) {
  auto end = std::remove_if(items_.begin(), items_.begin() + count_,
                            [&](TControl* c) { return static_cast<TComponent*>(c) == &component; });
  const int kept = int(end - items_.begin());
  std::fill(end, items_.begin() + count_, nullptr);
  count_ = kept;
  if (OnMemberFreed) OnMemberFreed(component);
}

// ---- TGrab ------------------------------------------------------------------------------------

void TGrab::Place(const TRect& r) {
  const int x0 = r.Left, y0 = r.Top, w = r.Width(), h = r.Height();
  const int hw = w / 2, hh = h / 2;
  const TPoint places[8] = {{x0 - 2, y0 - 2},          {x0 - 2, y0 + hh - 2},     {x0 - 2, y0 + h - 3},
                            {x0 + hw - 2, y0 - 2},     {x0 + hw - 2, y0 + h - 3}, {x0 + w - 3, y0 - 2},
                            {x0 + w - 3, y0 + hh - 2}, {x0 + w - 3, y0 + h - 3}};
  for (size_t i = 0; i < handles_.size(); ++i) {
    handles_[i].Pos = places[i];
    handles_[i].Color = GrabColor;
    handles_[i].Visible = true;
  }
}

void TGrab::Hide() {
  for (TGrabHandle& h : handles_) h.Visible = false;
}

int TGrab::HandleAt(TPoint p) const {
  for (int i = int(handles_.size()) - 1; i >= 0; --i) {
    const TGrabHandle& h = handles_[size_t(i)];
    if (h.Visible && h.Bounds().Contains(p.X, p.Y)) return i;
  }
  return -1;
}

// ---- TSelector --------------------------------------------------------------------------------

TSelector::TSelector(TWinControl* container)
    : container_(container), collection_(std::make_unique<TComponentCollection>()) {}

TSelector::~TSelector() = default;

bool TSelector::Add(TControl* control) {
  if (IndexOf(control) >= 0) return false;
  return collection_->Add(control);
}

void TSelector::UpdateMarks() {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    auto& slot = marks_[size_t(i)];
    if (!slot) {
      slot = std::make_unique<TSelect>();
      for (TGrabHandle& m : slot->Marks) m.Color = MarkInactiveColor;
    }
    if (active_)
      for (TGrabHandle& m : slot->Marks) m.Color = MarkActiveColor;
    const TRect r = ControlRect(*Items(i), container_);
    const TPoint places[4] = {{r.Left - 2, r.Top - 2}, {r.Left - 2, r.Bottom - 3},
                              {r.Right - 3, r.Top - 2}, {r.Right - 3, r.Bottom - 3}};
    for (size_t k = 0; k < 4; ++k) {
      slot->Marks[k].Pos = places[k];
      slot->Marks[k].Visible = true;
    }
  }
  for (size_t i = size_t(count); i < marks_.size(); ++i) marks_[i].reset();
}

void TSelector::FreeMarks() {
  for (auto& slot : marks_) slot.reset();
}

void TSelector::SetActive(bool active) {
  for (auto& slot : marks_)
    if (slot)
      for (TGrabHandle& m : slot->Marks) m.Color = active ? MarkActiveColor : MarkInactiveColor;
  active_ = active;
}

const TSelect* TSelector::Marks(int index) const {
  return index >= 0 && index < int(marks_.size()) ? marks_[size_t(index)].get() : nullptr;
}

bool TSelector::HasMarks() const {
  return std::any_of(marks_.begin(), marks_.end(), [](const auto& slot) { return bool(slot); });
}

TWinControl* TSelector::CommonParent(TWinControl* control) const {
  if (!control) return nullptr;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Parent() == control) return control;
  for (TControl* child : control->ChildControls())
    if (auto* w = dynamic_cast<TWinControl*>(child))
      if (TWinControl* found = CommonParent(w)) return found;
  return nullptr;
}

void TSelector::KeepSiblings() {
  TWinControl* parent = CommonParent(container_);
  std::vector<TControl*> keep;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Parent() == parent) keep.push_back(Items(i));
  if (int(keep.size()) == Count()) return;
  collection_->Clear();
  for (TControl* c : keep) collection_->Add(c);
}

// ---- TDesign ----------------------------------------------------------------------------------

const platform::TClassInfo& TDesign::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TDesign, TComponent>("TDesign")
          .Property("Activate", &TDesign::Activate, &TDesign::SetActivate)
          .Property("Container", &TDesign::Container, &TDesign::SetContainer)
          .Event("OnMouseDown", platform::TTypeInfo::Method("TMouseEvent"))
          .Event("OnMouseUp", platform::TTypeInfo::Method("TMouseEvent"))
          .Event("OnKeyDown", platform::TTypeInfo::Method("TKeyEvent"))
          .Event("OnChanged", platform::TTypeInfo::Method("TChangeEvent"))
          .Event("OnDblClick")
          .Event("OnSelectChanged", platform::TTypeInfo::Method("TDesignEvent"))
          .Event("OnClickControl", platform::TTypeInfo::Method("TDesignEvent"))
          .Build();
  return info;
}

TDesign::TDesign(TComponent* owner) : TComponent(owner) {}

TDesign::~TDesign() {
  if (surface_ && active_) surface_->SetFilterInstalled(false);
}

void TDesign::SetSurface(TDesignSurface* surface) {
  if (surface == surface_) return;
  if (surface_ && active_) surface_->SetFilterInstalled(false);
  surface_ = surface;
  if (!surface_) return;
  surface_->ContainerChanged();
  if (active_) surface_->SetFilterInstalled(true);
}

void TDesign::SetContainer(TWinControl* container) {
  container_ = container;
  dragging_ = false;
  clip_.reset();
  NewSelectorAndGrab();
  if (surface_) surface_->ContainerChanged();
  Changed();
}

void TDesign::SetActivate(bool active) {
  if (active && !active_) {
    NewSelectorAndGrab();
    active_ = true;
    if (surface_) surface_->SetFilterInstalled(true);
  } else if (!active && active_) {
    if (activesStopped_) RestoreActives();
    if (selector_) selector_->FreeMarks();
    if (grab_) grab_->Hide();
    SetCurrent(container_);
    if (surface_) surface_->SetFilterInstalled(false);
    active_ = false;
    dragging_ = false;
    clip_.reset();
    dragCursor_ = TDesignCursor::Arrow;
  }
  Changed();
}

TComponentCollection* TDesign::Selection() const {
  return selector_ ? &selector_->Collection() : nullptr;
}

void TDesign::NewSelectorAndGrab() {
  // A current control that was the old selection becomes the container: the collection goes.
  const bool wasSelection = selector_ && current_ == &selector_->Collection();
  if (wasSelection) current_ = container_;
  grab_ = std::make_unique<TGrab>(container_);
  selector_ = std::make_unique<TSelector>(container_);
  selector_->Collection().OnMemberFreed = [this](TComponent& freed) { MemberFreed(freed); };
  SetCurrent(current_);
}

void TDesign::SetCurrent(TComponent* current) {
  current_ = current;
  // Watched: the container and a current control (the selection collection is the selector's
  // own and goes with it).
  UnwatchAll();
  Watch(container_);
  if (current_ && !(selector_ && current_ == &selector_->Collection())) Watch(current_);
}

TControl* TDesign::CurrentAsControl() const {
  if (!current_ || (selector_ && current_ == &selector_->Collection())) return nullptr;
  return dynamic_cast<TControl*>(current_);
}

bool TDesign::ContainerContains(const TControl* control) const {
  if (!container_) return false;
  for (const TControl* c = control; c; c = c->Parent())
    if (c == container_) return true;
  return false;
}

void TDesign::ShowMarks() {
  selector_->UpdateMarks();
  selector_->SetActive(true);
}

void TDesign::SelectionBecomesCurrent() {
  SetCurrent(&selector_->Collection());
  if (OnSelectChanged) OnSelectChanged(current_);
}

void TDesign::Changed() {
  if (surface_) surface_->OverlayChanged();
}

void TDesign::Select(TControl* control) {
  if (active_ && control && selector_) {
    grab_->Hide();
    selector_->FreeMarks();
    selector_->Clear();
    if (control != container_ && ContainerContains(control)) {
      SetCurrent(control);
      selector_->Add(control);
      grab_->Place(ControlRect(*control, container_));
    } else {
      SetCurrent(container_);
    }
  } else {
    if (selector_) {
      selector_->FreeMarks();
      selector_->Clear();
    }
    if (grab_) grab_->Hide();
  }
  Changed();
}

void TDesign::SelectAll() {
  if (dragging_ || !selector_ || !container_) return;
  grab_->Hide();
  for (TControl* child : container_->ChildControls())
    if (selector_->IndexOf(child) < 0) selector_->Add(child);
  ShowMarks();
  if (selector_->Count() > 0) SelectionBecomesCurrent();
  Changed();
}

void TDesign::InvertSelection() {
  if (!selector_ || !container_) return;
  std::vector<TControl*> others;
  for (TControl* child : container_->ChildControls())
    if (selector_->IndexOf(child) < 0) others.push_back(child);
  // The grab marked a single selection that is now deselected.
  grab_->Hide();
  selector_->FreeMarks();
  selector_->Clear();
  for (TControl* c : others) selector_->Add(c);
  ShowMarks();
  if (selector_->Count() == 0 && current_ != container_) {
    SetCurrent(container_);
    if (OnSelectChanged) OnSelectChanged(container_);
  } else {
    SelectionBecomesCurrent();
  }
  Changed();
}

void TDesign::DeleteAll() {
  if (!selector_ || !container_) return;
  grab_->Hide();
  for (TControl* child : container_->ChildControls())
    if (selector_->IndexOf(child) < 0) selector_->Add(child);
  ShowMarks();
  SelectionBecomesCurrent();
  DeleteSelection();
}

void TDesign::DeleteSelection() {
  if (!active_ || !selector_ || !container_) return;
  const TControl* probe = current_ == &selector_->Collection() ? selector_->Items(0)
                                                               : dynamic_cast<const TControl*>(current_);
  if (!probe || !ContainerContains(probe)) return;
  selector_->FreeMarks();
  grab_->Hide();
  if (selector_->Count() == 0) {
    if (current_ != container_) {
      TComponent* doomed = current_;
      SetCurrent(container_);
      delete doomed;
    }
  } else {
    std::vector<TControl*> doomed;
    for (int i = 0; i < selector_->Count(); ++i) doomed.push_back(selector_->Items(i));
    selector_->Clear();
    SetCurrent(container_);
    for (TControl* c : doomed) delete c;
  }
  if (surface_) surface_->RedrawContainer();
  Changed();
}

void TDesign::RefreshSelection() {
  if (!container_) return;
  container_->Invalidate();
  if (surface_) surface_->RedrawContainer();
  if (selector_ && selector_->Count() >= 2) ShowMarks();
  Changed();
}

// ---- Input ------------------------------------------------------------------------------------

bool TDesign::MouseDown(TMouseButton button, TShiftState shift, TPoint pos, TPoint global) {
  if (!active_ || !container_) return false;
  if (button == mbLeft) {
    StartDrag(shift, pos);
    if (OnMouseDown) OnMouseDown(this, mbLeft, 0, global.X, global.Y);
    Changed();
    return true;
  }
  if (button == mbRight && !dragging_ && OnMouseDown) OnMouseDown(this, mbRight, 0, global.X, global.Y);
  return false;
}

bool TDesign::MouseMove(TShiftState, TPoint pos, TPoint) {
  if (!active_ || !container_) return false;
  if (!dragging_) return true;
  const TPoint p = Clamp(pos);
  if (dragState_ == dsMoveSelection) selector_->KeepSiblings();
  if (p == currentPoint_) return true;
  currentPoint_ = p;
  Changed();
  return true;
}

bool TDesign::MouseUp(TMouseButton button, TShiftState shift, TPoint pos, TPoint global) {
  if (!active_ || !container_) return false;
  if (button == mbLeft) {
    if (dragging_) FinishDrag(pos);
    dragCursor_ = TDesignCursor::Arrow;
    dragging_ = false;
    clip_.reset();
    RestoreActives();
    Changed();
    return true;
  }
  if (button == mbRight && !dragging_ && OnMouseUp) {
    OnMouseUp(this, mbRight, TShiftState(shift & (ssCtrl | ssShift)), global.X, global.Y);
    return true;
  }
  return false;
}

bool TDesign::DoubleClick(TShiftState shift, TPoint pos, TPoint global) {
  if (!active_ || !container_) return false;
  clip_.reset();
  dragging_ = false;
  TControl* control = ControlAt(*container_, pos);
  if (control && selector_->Count() < 2 && OnDblClick) OnDblClick(control);
  // The platform posts a press with the same parameters.
  MouseDown(mbLeft, shift, pos, global);
  return true;
}

bool TDesign::KeyDown(uint16_t key, TShiftState) {
  if (!active_ || !container_) return false;
  if (!dragging_ && OnKeyDown) {
    uint16_t copy = key;
    OnKeyDown(this, copy, 0);
  }
  return false;
}

TPoint TDesign::Clamp(TPoint p) const {
  if (!clip_) return p;
  const TRect& r = *clip_;
  return {std::max(r.Left, std::min(p.X, r.Right - 1)), std::max(r.Top, std::min(p.Y, r.Bottom - 1))};
}

void TDesign::EndDrag() { dragging_ = false; }

void TDesign::StartDrag(TShiftState shift, TPoint pos) {
  // The handle under the press, found before the grab is hidden.
  const int handle = grab_->Visible() ? grab_->HandleAt(pos) : -1;
  StopActives();
  dragging_ = true;
  start_ = currentPoint_ = pos;
  clip_.reset();
  grab_->Hide();

  if (TControl* c = handle >= 0 ? CurrentAsControl() : nullptr) {
    dragState_ = dsResize;
    handleIndex_ = uint8_t(handle);
    if (c->Parent()) SetClip(ClientRectIn(*c->Parent(), container_));
    dragCursor_ = HandleCursor(handle);
    return;
  }

  TControl* control = ControlAt(*container_, pos);
  if (control && OnClickControl) OnClickControl(control);
  if (!container_ || !selector_) {  // the handler took the page away
    EndDrag();
    return;
  }
  const bool shifted = (shift & ssShift) != 0;
  const bool selected = control && selector_->IndexOf(control) >= 0;
  if (selected && selector_->Count() >= 2 && !shifted) {
    dragState_ = dsMoveSelection;
    TWinControl* parent = selector_->CommonParent(container_);
    SetClip(ClientRectIn(parent ? *parent : *container_, container_));
  } else if (selected && shifted) {
    EndDrag();
    selector_->Remove(control);
    ShowMarks();
    if (selector_->Count() > 0) {
      SelectionBecomesCurrent();
    } else {
      SetCurrent(container_);
      if (OnSelectChanged) OnSelectChanged(container_);
    }
  } else if (control && control != container_ && shifted) {
    EndDrag();
    selector_->Add(control);
    ShowMarks();
    SelectionBecomesCurrent();
  } else if (control == container_) {
    if (shifted) {
      EndDrag();
      return;
    }
    selector_->FreeMarks();
    selector_->Clear();
    dragState_ = dsRubberBand;
    if (current_ != container_ && OnSelectChanged) OnSelectChanged(container_);
    SetClip(ClientRectIn(*container_, container_));
    SetCurrent(container_);
  } else if (control) {
    dragState_ = dsMoveOne;
    selector_->FreeMarks();
    selector_->Clear();
    if (control->Parent()) SetClip(ClientRectIn(*control->Parent(), container_));
    if (current_ != control && OnSelectChanged) OnSelectChanged(control);
    SetCurrent(control);
    if (selector_->IndexOf(control) < 0) selector_->Add(control);
  } else {
    EndDrag();
  }
}

void TDesign::FinishDrag(TPoint pos) {
  const int dx = currentPoint_.X - start_.X, dy = currentPoint_.Y - start_.Y;
  const bool moved = dx != 0 || dy != 0;
  switch (dragState_) {
    case dsMoveOne:
      if (TControl* c = CurrentAsControl()) {
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
        grab_->Place(ControlRect(*c, container_));
      }
      if (moved && OnChanged) OnChanged(current_);
      break;
    case dsRubberBand: {
      currentPoint_ = Clamp(pos);
      const TRect band = Spanned(start_, currentPoint_);
      selector_->Clear();
      for (TControl* child : container_->ChildControls())
        if (Meets(band, platform::Bounds(child->Left(), child->Top(), child->Width(), child->Height())))
          selector_->Add(child);
      if (selector_->Count() > 0) {
        ShowMarks();
        SelectionBecomesCurrent();
      }
      break;
    }
    case dsMoveSelection:
      selector_->MoveBy(dx, dy);
      ShowMarks();
      if (moved && OnChanged) OnChanged(current_);
      break;
    case dsResize:
      if (TControl* c = CurrentAsControl()) {
        const TRect old = ControlRect(*c, container_);
        const TRect r = ResizeRect(old, handleIndex_, dx, dy);
        // Back into the parent's coordinates; sizes first.
        const int offX = old.Left - c->Left(), offY = old.Top - c->Top();
        c->SetWidth(r.Width());
        c->SetHeight(r.Height());
        c->SetLeft(r.Left - offX);
        c->SetTop(r.Top - offY);
        grab_->Place(ControlRect(*c, container_));
      }
      if (moved && OnChanged) OnChanged(current_);
      break;
  }
}

TRect TDesign::ResizeRect(TRect r, int index, int dx, int dy) {
  switch (index) {
    case 0: r.Left += dx; r.Top += dy; break;
    case 1: r.Left += dx; break;
    case 2: r.Left += dx; r.Bottom += dy; break;
    case 3: r.Top += dy; break;
    case 4: r.Bottom += dy; break;
    case 5: r.Right += dx; r.Top += dy; break;
    case 6: r.Right += dx; break;
    case 7: r.Right += dx; r.Bottom += dy; break;
    default: break;
  }
  // Each moved side stops at the one opposite.
  if (index <= 2) r.Left = std::min(r.Left, r.Right);
  if (index >= 5 && index <= 7) r.Right = std::max(r.Right, r.Left);
  if (index == 0 || index == 3 || index == 5) r.Top = std::min(r.Top, r.Bottom);
  if (index == 2 || index == 4 || index == 7) r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}

std::vector<TRect> TDesign::Outlines() const {
  std::vector<TRect> outlines;
  if (!dragging_ || !container_) return outlines;
  const int dx = currentPoint_.X - start_.X, dy = currentPoint_.Y - start_.Y;
  switch (dragState_) {
    case dsMoveOne:
      if (const TControl* c = CurrentAsControl()) outlines.push_back(ControlRect(*c, container_).Offset(dx, dy));
      break;
    case dsRubberBand:
      outlines.push_back(Spanned(start_, currentPoint_));
      break;
    case dsMoveSelection:
      for (int i = 0; i < selector_->Count(); ++i)
        outlines.push_back(ControlRect(*selector_->Items(i), container_).Offset(dx, dy));
      break;
    case dsResize:
      if (const TControl* c = CurrentAsControl())
        outlines.push_back(ResizeRect(ControlRect(*c, container_), handleIndex_, dx, dy));
      break;
  }
  return outlines;
}

TDesignCursor TDesign::CursorAt(TPoint pos) const {
  if (dragging_ && dragState_ == dsResize) return dragCursor_;
  if (grab_ && grab_->Visible()) return HandleCursor(grab_->HandleAt(pos));
  return TDesignCursor::Arrow;
}

// ---- Active while dragging --------------------------------------------------------------------

void TDesign::StopActives() {
  if (!container_) return;
  if (!activesStopped_) {
    savedActives_.clear();
    ForEachControl(*container_, [&](TControl& c) {
      if (const platform::TPropInfo* p = ActiveProperty(c)) savedActives_.emplace_back(&c, p->GetOrd(c) != 0);
    });
    activesStopped_ = true;
  }
  ForEachControl(*container_, [](TControl& c) {
    if (const platform::TPropInfo* p = ActiveProperty(c)) p->SetOrd(c, 0);
  });
}

void TDesign::RestoreActives() {
  if (!container_) return;
  // Each object gets back the value it had at the press; the page (and anything the press did
  // not see) is set active.
  ForEachControl(*container_, [&](TControl& c) {
    const platform::TPropInfo* p = ActiveProperty(c);
    if (!p) return;
    bool value = true;
    if (&c != container_) {
      auto saved = std::find_if(savedActives_.begin(), savedActives_.end(),
                                [&](const auto& entry) { return entry.first == &c; });
      if (saved != savedActives_.end()) value = saved->second;
    }
    p->SetOrd(c, value ? 1 : 0);
  });
  savedActives_.clear();
  activesStopped_ = false;
}

// ---- Freed controls ---------------------------------------------------------------------------

void TDesign::ComponentFreed(TComponent& component) {
  if (&component == container_) {
    // The page is going: deactivate as its window goes.
    container_ = nullptr;
    current_ = nullptr;
    grab_.reset();
    selector_.reset();
    if (active_ && surface_) surface_->SetFilterInstalled(false);
    active_ = false;
    dragging_ = false;
    clip_.reset();
    dragCursor_ = TDesignCursor::Arrow;
    savedActives_.clear();
    activesStopped_ = false;
    UnwatchAll();
    if (surface_) surface_->ContainerChanged();
    return;
  }
  if (&component == current_) {
    if (grab_) grab_->Hide();
    SetCurrent(container_);
    Changed();
  }
}

void TDesign::MemberFreed(TComponent&) {
  if (!selector_) return;
  if (selector_->HasMarks()) selector_->UpdateMarks();
  if (current_ == &selector_->Collection() && selector_->Count() == 0) SetCurrent(container_);
  Changed();
}

}  // namespace editor
