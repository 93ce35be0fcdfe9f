#include "Control.h"

#include <algorithm>

#include "platform/component/ClassBuilder.h"

namespace platform {

// ---- TControl ------------------------------------------------------------------------------

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TControl, TComponent>("TControl")
      .Property("Left", &TControl::Left, &TControl::SetLeft)
      .Property("Top", &TControl::Top, &TControl::SetTop)
      .Property("Width", &TControl::Width, &TControl::SetWidth)
      .Property("Height", &TControl::Height, &TControl::SetHeight)
      .Build();
  return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (TControl* c = parent; c; c = c->parent_)
    if (c == this) throw EInvalidOperation("Control cannot be its own parent");
  if (parent_) {
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
  }
  parent_ = parent;
  if (parent_) parent_->controls_.push_back(this);
  FillParent();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  Invalidate();
}

void TControl::SetAlign(TAlign align) {
  align_ = align;
  FillParent();
}

void TControl::FillParent() {
  if (align_ == alClient && parent_) SetBounds(0, 0, parent_->Width(), parent_->Height());
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (align_ == alClient && parent_) {
    left = 0;
    top = 0;
    width = parent_->Width();
    height = parent_->Height();
  }
  bool resized = width != width_ || height != height_;
  if (!resized && left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (resized) Resize();
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  VisibleChanged();
  Invalidate();
}

void TControl::SetCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Invalidate();
}

TWinControl* TControl::Viewer() const {
  for (const TControl* c = this; c; c = c->parent_) {
    auto* w = dynamic_cast<const TWinControl*>(c);
    if (w && w->OnInvalidate) return const_cast<TWinControl*>(w);
  }
  return nullptr;
}

void TControl::Invalidate() {
  if (TWinControl* w = Viewer()) w->OnInvalidate(*this);
}

// ---- TWinControl ---------------------------------------------------------------------------

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TWinControl, TControl>("TWinControl").Build();
  return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children go first, last first; each leaves this list (and its owner's) as it goes.
  while (!controls_.empty()) delete controls_.back();
}

void TWinControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  const int32_t oldWidth = Width(), oldHeight = Height();
  TControl::SetBounds(left, top, width, height);
  if (Width() == oldWidth && Height() == oldHeight) return;
  // A copy: a child's Resize() may add or remove controls.
  const std::vector<TControl*> children = controls_;
  for (TControl* c : children)
    if (c->Align() == alClient) c->FillParent();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls_[size_t(index)];
}

// ---- TGraphicControl -----------------------------------------------------------------------

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TGraphicControl, TControl>("TGraphicControl").Build();
  return info;
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

}  // namespace platform
