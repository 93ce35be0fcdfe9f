// Ownership, parents and the control hooks.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/component/ClassBuilder.h"
#include "platform/component/Control.h"

using namespace platform;

namespace {

// Writes its name into a shared log when it is freed.
class TLogged : public TGraphicControl {
 public:
  TLogged(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TGraphicControl(owner), log_(log) {
    SetName(name);
  }
  ~TLogged() override { log_->push_back(Name()); }

  int resized = 0;
  int visibilityChanges = 0;

 protected:
  void Resize() override { ++resized; }
  void VisibleChanged() override { ++visibilityChanges; }

 private:
  std::vector<std::string>* log_;
};

class TLoggedWin : public TWinControl {
 public:
  TLoggedWin(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TWinControl(owner), log_(log) {
    SetName(name);
  }
  ~TLoggedWin() override { log_->push_back(Name()); }

 private:
  std::vector<std::string>* log_;
};

}  // namespace

TEST(Component, OwnerKeepsCreationOrderAndFreesLastFirst) {
  std::vector<std::string> log;
  auto* owner = new TComponent(nullptr);
  auto* a = new TLogged(owner, &log, "a");
  auto* b = new TLogged(owner, &log, "b");
  auto* c = new TLogged(owner, &log, "c");
  EXPECT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(2), c);
  EXPECT_EQ(owner->Components(3), nullptr);
  EXPECT_EQ(owner->Components(-1), nullptr);
  EXPECT_EQ(b->Owner(), owner);

  delete b;  // leaves its owner
  EXPECT_EQ(owner->OwnedComponents(), (std::vector<TComponent*>{a, c}));
  delete owner;
  EXPECT_EQ(log, (std::vector<std::string>{"b", "c", "a"}));
}

TEST(Component, OwnedComponentsOfOwnedComponentsGoToo) {
  std::vector<std::string> log;
  auto* root = new TComponent(nullptr);
  auto* mid = new TLoggedWin(root, &log, "mid");
  new TLogged(mid, &log, "leaf1");
  new TLogged(mid, &log, "leaf2");
  root->DestroyComponents();
  EXPECT_EQ(root->ComponentCount(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"mid", "leaf2", "leaf1"}));
  delete root;
}

TEST(Component, ComponentIndexMovesItWithinItsOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  auto* c = new TComponent(&owner);
  EXPECT_EQ(b->ComponentIndex(), 1);
  c->SetComponentIndex(0);
  EXPECT_EQ(owner.OwnedComponents(), (std::vector<TComponent*>{c, a, b}));
  a->SetComponentIndex(99);  // kept within the list
  EXPECT_EQ(owner.OwnedComponents(), (std::vector<TComponent*>{c, b, a}));
  b->SetComponentIndex(-5);
  EXPECT_EQ(owner.OwnedComponents(), (std::vector<TComponent*>{b, c, a}));
  TComponent alone(nullptr);
  EXPECT_EQ(alone.ComponentIndex(), -1);
  alone.SetComponentIndex(3);  // nothing to move within
}

TEST(Component, NameAndTagArePublished) {
  TComponent c(nullptr);
  const TClassInfo& info = c.ClassInfo();
  EXPECT_EQ(info.ClassName(), "TComponent");
  ASSERT_NE(info.FindProperty("Name"), nullptr);
  info.FindProperty("Name")->SetStr(c, "LEDScreen0");
  info.FindProperty("Tag")->SetOrd(c, -3);
  EXPECT_EQ(c.Name(), "LEDScreen0");
  EXPECT_EQ(c.Tag(), -3);
}

TEST(Control, ParentIsSeparateFromOwner) {
  std::vector<std::string> log;
  auto* owner = new TComponent(nullptr);
  auto* panelA = new TLoggedWin(owner, &log, "panelA");
  auto* panelB = new TLoggedWin(owner, &log, "panelB");
  auto* child = new TLogged(owner, &log, "child");
  EXPECT_EQ(child->Parent(), nullptr);  // creation does not parent

  child->SetParent(panelA);
  EXPECT_EQ(panelA->ControlCount(), 1);
  EXPECT_EQ(panelA->Controls(0), child);
  EXPECT_EQ(child->Owner(), owner);
  child->SetParent(panelB);
  EXPECT_EQ(panelA->ControlCount(), 0);
  EXPECT_EQ(panelB->ChildControls(), (std::vector<TControl*>{child}));
  EXPECT_EQ(panelA->Controls(0), nullptr);

  // Freeing a windowed control frees its children, owned or not, and they leave their owner.
  delete panelB;
  EXPECT_EQ(log, (std::vector<std::string>{"panelB", "child"}));
  EXPECT_EQ(owner->OwnedComponents(), (std::vector<TComponent*>{panelA}));

  // Freeing a child leaves its parent's list.
  auto* other = new TLogged(owner, &log, "other");
  other->SetParent(panelA);
  delete other;
  EXPECT_EQ(panelA->ControlCount(), 0);
  delete owner;
}

TEST(Control, BringToFrontAndSendToBackReorderTheParentsChildren) {
  TWinControl page(nullptr);
  auto* a = new TGraphicControl(&page);
  auto* b = new TGraphicControl(&page);
  auto* c = new TGraphicControl(&page);
  for (TControl* x : {a, b, c}) x->SetParent(&page);
  std::vector<TControl*> repainted;
  page.OnInvalidate = [&](TControl& changed) { repainted.push_back(&changed); };
  a->BringToFront();
  EXPECT_EQ(page.ChildControls(), (std::vector<TControl*>{b, c, a}));
  c->SendToBack();
  EXPECT_EQ(page.ChildControls(), (std::vector<TControl*>{c, b, a}));
  EXPECT_EQ(repainted, (std::vector<TControl*>{a, c}));
  // The owner's order is another matter.
  EXPECT_EQ(page.OwnedComponents(), (std::vector<TComponent*>{a, b, c}));
  TGraphicControl loose(nullptr);
  loose.BringToFront();
  loose.SendToBack();
}

TEST(Control, CannotBecomeItsOwnAncestor) {
  auto* outer = new TWinControl(nullptr);
  auto* inner = new TWinControl(outer);
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), nullptr);
  EXPECT_EQ(inner->Parent(), outer);
  delete outer;
}

TEST(Control, BoundsVisibilityAndCaptionHooks) {
  std::vector<std::string> log;
  auto* page = new TWinControl(nullptr);
  auto* obj = new TLogged(page, &log, "obj");
  obj->SetParent(page);
  std::vector<TControl*> invalidated;
  page->OnInvalidate = [&](TControl& c) { invalidated.push_back(&c); };

  obj->SetBounds(10, 20, 160, 64);
  EXPECT_EQ(obj->resized, 1);
  obj->SetLeft(11);  // a move is not a resize
  obj->SetTop(21);
  EXPECT_EQ(obj->resized, 1);
  obj->SetWidth(100);
  obj->SetHeight(50);
  EXPECT_EQ(obj->resized, 3);
  obj->SetHeight(50);  // unchanged: nothing happens
  EXPECT_EQ(obj->resized, 3);
  EXPECT_EQ(obj->Left(), 11);
  EXPECT_EQ(obj->Top(), 21);
  EXPECT_EQ(obj->Width(), 100);
  EXPECT_EQ(obj->Height(), 50);
  EXPECT_EQ(invalidated.size(), 5u);

  EXPECT_TRUE(obj->Visible());
  obj->SetVisible(false);
  obj->SetVisible(false);
  EXPECT_EQ(obj->visibilityChanges, 1);
  obj->SetCaption("25");
  EXPECT_EQ(obj->Caption(), "25");
  EXPECT_EQ(invalidated.size(), 7u);
  for (TControl* c : invalidated) EXPECT_EQ(c, obj);

  // Bounds are published; writing them through the properties runs the same hooks.
  ASSERT_NE(obj->ClassInfo().FindProperty("Width"), nullptr);
  obj->ClassInfo().FindProperty("Width")->SetOrd(*obj, 40);
  EXPECT_EQ(obj->resized, 4);
  EXPECT_EQ(obj->ClassInfo().FindProperty("Visible"), nullptr);  // public, not published
  delete page;
}

TEST(Control, InvalidateReachesTheNearestHandlerUpTheParentChain) {
  auto* screen = new TWinControl(nullptr);
  auto* page = new TWinControl(screen);
  page->SetParent(screen);
  auto* obj = new TGraphicControl(page);
  obj->Invalidate();  // no parent, no handler: nothing happens
  obj->SetParent(page);
  int screenCalls = 0, pageCalls = 0;
  screen->OnInvalidate = [&](TControl& c) {
    ++screenCalls;
    EXPECT_EQ(&c, obj);
  };
  obj->Invalidate();
  EXPECT_EQ(screenCalls, 1);
  page->OnInvalidate = [&](TControl&) { ++pageCalls; };
  obj->Invalidate();
  EXPECT_EQ(screenCalls, 1);
  EXPECT_EQ(pageCalls, 1);
  delete screen;
}

TEST(Control, AControlThatFillsItsParentFollowsTheParentsSize) {
  std::vector<std::string> log;
  auto* screen = new TWinControl(nullptr);
  screen->SetBounds(0, 0, 512, 256);
  auto* container = new TWinControl(nullptr);
  container->SetBounds(3, 3, 64, 32);
  auto* page = new TLoggedWin(screen, &log, "page");
  page->SetBounds(5, 6, 7, 8);
  page->SetAlign(alClient);  // no parent yet: stays where it is
  EXPECT_EQ(page->Width(), 7);

  page->SetParent(screen);
  EXPECT_EQ(page->Left(), 0);
  EXPECT_EQ(page->Top(), 0);
  EXPECT_EQ(page->Width(), 512);
  EXPECT_EQ(page->Height(), 256);
  page->SetBounds(10, 10, 20, 20);  // refused while it fills its parent
  page->SetLeft(4);
  EXPECT_EQ(page->Left(), 0);
  EXPECT_EQ(page->Width(), 512);

  screen->SetBounds(1, 1, 128, 32);  // the parent's position does not matter, its size does
  EXPECT_EQ(page->Left(), 0);
  EXPECT_EQ(page->Width(), 128);
  EXPECT_EQ(page->Height(), 32);

  // Nested: the container fills its own parent; the page fills the container.
  auto* panel = new TWinControl(nullptr);
  panel->SetBounds(0, 0, 70, 40);
  container->SetParent(panel);
  container->SetAlign(alClient);
  EXPECT_EQ(container->Width(), 70);
  page->SetParent(container);
  EXPECT_EQ(page->Width(), 70);
  panel->SetHeight(90);
  EXPECT_EQ(container->Height(), 90);
  EXPECT_EQ(page->Height(), 90);

  // Back to no alignment: the bounds are its own again.
  page->SetAlign(alNone);
  page->SetBounds(2, 2, 10, 10);
  EXPECT_EQ(page->Width(), 10);
  panel->SetWidth(300);
  EXPECT_EQ(page->Width(), 10);
  delete panel;
  delete screen;
}

TEST(Control, ClassHierarchy) {
  EXPECT_EQ(TControl::StaticClassInfo().Parent(), &TComponent::StaticClassInfo());
  EXPECT_EQ(TWinControl::StaticClassInfo().Parent(), &TControl::StaticClassInfo());
  EXPECT_EQ(TGraphicControl::StaticClassInfo().Parent(), &TControl::StaticClassInfo());
  EXPECT_EQ(TComponent::StaticClassInfo().Parent(), &TPersistent::StaticClassInfo());
  EXPECT_EQ(TPersistent::StaticClassInfo().Parent(), &TObject::StaticClassInfo());
  EXPECT_EQ(TObject::StaticClassInfo().Parent(), nullptr);
  TGraphicControl g(nullptr);
  EXPECT_EQ(g.ClassName(), "TGraphicControl");
  EXPECT_EQ(g.ClassInfo().Properties().size(), 6u);  // Name, Tag, Left, Top, Width, Height
}

namespace {

// Records what it is told, and may react by watching or unwatching others.
class TRecordingWatcher : public TFreeWatcher {
 public:
  ~TRecordingWatcher() = default;
  std::vector<TComponent*> freed;
  std::function<void(TComponent&)> react;

 private:
  void ComponentFreed(TComponent& component) override {
    freed.push_back(&component);
    if (react) react(component);
  }
};

}  // namespace

TEST(FreeNotification, WatchersAreToldOnceAndForgetTheComponent) {
  auto* page = new TWinControl(nullptr);
  auto* a = new TGraphicControl(page);
  a->SetParent(page);
  auto* b = new TGraphicControl(page);
  b->SetParent(page);
  TRecordingWatcher first, second;
  first.Watch(a);
  first.Watch(a);  // once only
  first.Watch(b);
  first.Watch(nullptr);
  second.Watch(b);
  second.Watch(page);
  EXPECT_TRUE(first.Watches(a));

  delete a;
  EXPECT_EQ(first.freed, std::vector<TComponent*>{a});
  EXPECT_FALSE(first.Watches(a));
  EXPECT_TRUE(second.freed.empty());

  // Freeing the page frees its children first: each is reported, then the page.
  delete page;
  EXPECT_EQ(first.freed, (std::vector<TComponent*>{a, b}));
  EXPECT_EQ(second.freed, (std::vector<TComponent*>{b, page}));
  EXPECT_FALSE(second.Watches(page));
}

TEST(FreeNotification, AWatcherThatGoesFirstLeavesNothingBehind) {
  auto* c = new TComponent(nullptr);
  {
    TRecordingWatcher gone;
    gone.Watch(c);
  }
  TRecordingWatcher stays;
  stays.Watch(c);
  stays.Unwatch(c);
  stays.Unwatch(c);  // not watched: nothing
  delete c;          // would reach the freed watcher if it had stayed registered
  EXPECT_TRUE(stays.freed.empty());
}

TEST(FreeNotification, HandlersMayChangeWhatTheyWatch) {
  auto* owner = new TComponent(nullptr);
  auto* x = new TComponent(owner);
  auto* y = new TComponent(owner);
  TRecordingWatcher w1, w2;
  w1.Watch(x);
  w2.Watch(x);
  w2.Watch(y);
  // Told of x, w1 stops w2 watching y and tries to watch x again (refused: x is going).
  w1.react = [&](TComponent& freed) {
    w2.Unwatch(y);
    w1.Watch(&freed);
  };
  delete x;
  EXPECT_EQ(w1.freed, std::vector<TComponent*>{x});
  EXPECT_EQ(w2.freed, std::vector<TComponent*>{x});
  EXPECT_FALSE(w1.Watches(x));
  delete owner;  // y goes without a word to w2
  EXPECT_EQ(w2.freed, std::vector<TComponent*>{x});
}

TEST(FreeNotification, ComponentRefReadsNullOnceFreed) {
  auto* a = new TComponent(nullptr);
  auto* b = new TComponent(nullptr);
  TComponentRef<TComponent> ref(a);
  TComponentRef<TComponent> other(a);
  EXPECT_EQ(ref.Get(), a);
  ref.Set(b);
  delete a;
  EXPECT_EQ(ref.Get(), b);
  EXPECT_EQ(other.Get(), nullptr);
  EXPECT_FALSE(other);
  delete b;
  EXPECT_EQ(ref.Get(), nullptr);
}
