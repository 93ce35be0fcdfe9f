// The designer without a window: the resize rule, grab and mark places, the selection
// operations the main window calls, the collection's capacity, and freed controls.
#include "editor/core/Design.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/core/tests/InspectorFixtures.h"

namespace editor {
namespace {

using platform::TControl;
using platform::TPoint;
using platform::TRect;
using test::TPlain;

class TFakeSurface : public TDesignSurface {
 public:
  void SetFilterInstalled(bool installed) override { Installed = installed; }
  void ContainerChanged() override { ++ContainerChanges; }
  void OverlayChanged() override { ++OverlayChanges; }
  void RedrawContainer() override { ++Redraws; }
  bool Installed = false;
  int ContainerChanges = 0, OverlayChanges = 0, Redraws = 0;
};

// A 200 x 100 page with three objects, under an active designer that records its events.
struct TDesignBench {
  platform::TWinControl* Page = new platform::TWinControl(nullptr);
  TPlain* A = Object(10, 10, 20, 10);
  TPlain* B = Object(50, 10, 20, 10);
  TPlain* C = Object(90, 10, 20, 10);
  TFakeSurface Surface;
  TDesign Design{nullptr};
  std::vector<platform::TComponent*> SelectChanges;

  TDesignBench() {
    Page->SetBounds(0, 0, 200, 100);
    Design.SetSurface(&Surface);
    Design.SetContainer(Page);
    Design.SetActivate(true);
    Design.OnSelectChanged = [this](platform::TComponent* c) { SelectChanges.push_back(c); };
  }
  ~TDesignBench() { delete Page; }

  TPlain* Object(int left, int top, int width, int height) {
    auto* o = new TPlain(Page);
    o->SetParent(Page);
    o->SetBounds(left, top, width, height);
    return o;
  }
  TComponentCollection& Selection() { return *Design.Selection(); }
};

TEST(Design, ResizeRuleNeverTurnsARectangleInsideOut) {
  const TRect r{10, 20, 40, 60};
  struct TCase {
    int index;
    TRect grown;    // dragged by (+5, +4)
    TRect crossed;  // dragged by (-100, -100) or (+100, +100) across the opposite corner
  } cases[] = {
      {0, {15, 24, 40, 60}, {40, 60, 40, 60}}, {1, {15, 20, 40, 60}, {40, 20, 40, 60}},
      {2, {15, 20, 40, 64}, {40, 20, 40, 20}}, {3, {10, 24, 40, 60}, {10, 60, 40, 60}},
      {4, {10, 20, 40, 64}, {10, 20, 40, 20}}, {5, {10, 24, 45, 60}, {10, 60, 10, 60}},
      {6, {10, 20, 45, 60}, {10, 20, 10, 60}}, {7, {10, 20, 45, 64}, {10, 20, 10, 20}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TDesign::ResizeRect(r, c.index, 5, 4), c.grown) << c.index;
    // Handles on the left or top pushed right or down past the opposite side, the others
    // pulled left or up past it.
    const int dx = (c.index <= 2) ? 100 : -100;
    const int dy = (c.index == 0 || c.index == 3 || c.index == 5) ? 100 : -100;
    EXPECT_EQ(TDesign::ResizeRect(r, c.index, dx, dy), c.crossed) << c.index;
  }
  EXPECT_EQ(TDesign::ResizeRect(r, 8, 5, 4), r);
  EXPECT_EQ(HandleCursor(0), TDesignCursor::SizeNWSE);
  EXPECT_EQ(HandleCursor(2), TDesignCursor::SizeNESW);
  EXPECT_EQ(HandleCursor(4), TDesignCursor::SizeNS);
  EXPECT_EQ(HandleCursor(6), TDesignCursor::SizeWE);
  EXPECT_EQ(HandleCursor(8), TDesignCursor::Arrow);
  EXPECT_EQ(HandleCursor(-1), TDesignCursor::Arrow);
}

TEST(Design, GrabHandlesAndMarksSitOnTheCorners) {
  TGrab grab(nullptr);
  // 7 x 5 at (10, 20): halves 3 and 2, truncated.
  grab.Place({10, 20, 17, 25});
  const TPoint odd[8] = {{8, 18}, {8, 20}, {8, 22}, {11, 18}, {11, 22}, {14, 18}, {14, 20}, {14, 22}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(grab.Handles()[size_t(i)].Pos, odd[i]) << i;
    EXPECT_EQ(grab.Handles()[size_t(i)].Color, GrabColor);
  }
  // 1 x 1: all eight handles on one square over the pixel, the last made on top.
  grab.Place({30, 30, 31, 31});
  for (int i = 0; i < 8; ++i) EXPECT_EQ(grab.Handles()[size_t(i)].Pos, (TPoint{28, 28})) << i;
  EXPECT_EQ(grab.HandleAt({30, 30}), 7);
  EXPECT_EQ(grab.HandleAt({32, 32}), 7);
  EXPECT_EQ(grab.HandleAt({33, 30}), -1);
  grab.Hide();
  EXPECT_EQ(grab.HandleAt({30, 30}), -1);

  TDesignBench bench;
  bench.Design.SelectAll();
  const TSelect* marks = bench.Design.Selector()->Marks(1);
  ASSERT_NE(marks, nullptr);
  const TPoint corners[4] = {{48, 8}, {48, 17}, {67, 8}, {67, 17}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(marks->Marks[size_t(k)].Pos, corners[k]);
    EXPECT_EQ(marks->Marks[size_t(k)].Color, MarkActiveColor);
  }
  EXPECT_EQ(bench.Design.Selector()->Marks(3), nullptr);
}

TEST(Design, SelectionOperations) {
  TDesignBench bench;
  TDesign& d = bench.Design;
  EXPECT_TRUE(bench.Surface.Installed);

  d.Select(bench.B);
  EXPECT_EQ(d.CurrentControl(), bench.B);
  EXPECT_EQ(bench.Selection().Count(), 1);
  EXPECT_TRUE(d.Grab()->Visible());
  EXPECT_TRUE(bench.SelectChanges.empty());  // Select fires nothing

  d.Select(bench.Page);  // the container: nothing selected
  EXPECT_EQ(d.CurrentControl(), bench.Page);
  EXPECT_EQ(bench.Selection().Count(), 0);
  EXPECT_FALSE(d.Grab()->Visible());

  d.SelectAll();
  EXPECT_EQ(bench.Selection().Count(), 3);
  EXPECT_EQ(d.CurrentControl(), &bench.Selection());
  EXPECT_EQ(bench.SelectChanges, std::vector<platform::TComponent*>{&bench.Selection()});

  d.Select(bench.A);
  d.InvertSelection();
  EXPECT_FALSE(d.Grab()->Visible());
  EXPECT_EQ(bench.Selection().Count(), 2);
  EXPECT_EQ(bench.Selection().Items(0), bench.B);
  EXPECT_EQ(bench.Selection().Items(1), bench.C);
  EXPECT_NE(d.Selector()->Marks(1), nullptr);
  EXPECT_EQ(d.CurrentControl(), &bench.Selection());

  d.SelectAll();
  d.InvertSelection();  // nothing left: the page is current and told
  EXPECT_EQ(bench.Selection().Count(), 0);
  EXPECT_EQ(d.CurrentControl(), bench.Page);
  EXPECT_EQ(bench.SelectChanges.back(), bench.Page);

  d.Select(bench.C);
  d.DeleteSelection();
  EXPECT_EQ(bench.Page->ControlCount(), 2);
  EXPECT_EQ(d.CurrentControl(), bench.Page);
  EXPECT_GE(bench.Surface.Redraws, 1);

  d.DeleteAll();
  EXPECT_EQ(bench.Page->ControlCount(), 0);
  EXPECT_EQ(bench.Selection().Count(), 0);
  EXPECT_EQ(d.CurrentControl(), bench.Page);

  // Inactive: Select only clears; delete does nothing.
  TPlain* d1 = bench.Object(0, 0, 5, 5);
  d.Select(d1);
  d.SetActivate(false);
  EXPECT_FALSE(bench.Surface.Installed);
  EXPECT_EQ(d.CurrentControl(), bench.Page);
  d.Select(d1);
  EXPECT_EQ(bench.Selection().Count(), 0);
  d.DeleteSelection();
  EXPECT_EQ(bench.Page->ControlCount(), 1);
  EXPECT_FALSE(d.MouseDown(mbLeft, 0, {1, 1}, {1, 1}));
}

TEST(Design, CollectionsHoldAtMost512) {
  auto* page = new platform::TWinControl(nullptr);
  std::vector<TControl*> objects;
  for (int i = 0; i < 513; ++i) {
    auto* o = new platform::TGraphicControl(page);
    o->SetParent(page);
    objects.push_back(o);
  }
  TComponentCollection collection;
  for (TControl* o : objects) collection.Add(o);
  EXPECT_EQ(collection.Count(), 512);
  EXPECT_FALSE(collection.Add(objects[512]));
  EXPECT_EQ(collection.IndexOf(objects[512]), -1);
  EXPECT_EQ(collection.Items(511), objects[511]);
  EXPECT_EQ(collection.Items(512), nullptr);
  EXPECT_FALSE(collection.Add(nullptr));

  collection.Remove(objects[0]);
  EXPECT_EQ(collection.Items(0), objects[1]);
  EXPECT_TRUE(collection.Add(objects[0]));  // a free slot again, duplicates not tested
  collection.Clear();
  EXPECT_TRUE(collection.Add(objects[0]));
  EXPECT_TRUE(collection.Add(objects[0]));
  collection.Remove(objects[0]);
  EXPECT_EQ(collection.Count(), 1);
  delete objects[0];  // freed: every place it held goes
  EXPECT_EQ(collection.Count(), 0);
  delete page;
}

TEST(Design, FreedControlsAreDropped) {
  TDesignBench bench;
  TDesign& d = bench.Design;
  d.Select(bench.A);
  delete bench.A;
  EXPECT_EQ(d.CurrentControl(), bench.Page);
  EXPECT_FALSE(d.Grab()->Visible());
  EXPECT_EQ(bench.Selection().Count(), 0);

  d.SelectAll();
  delete bench.B;
  EXPECT_EQ(bench.Selection().Count(), 1);
  EXPECT_EQ(d.Selector()->Marks(1), nullptr);  // the marks follow the members
  delete bench.C;
  EXPECT_EQ(d.CurrentControl(), bench.Page);

  // The page itself: the designer deactivates and lets go of it.
  delete bench.Page;
  bench.Page = nullptr;
  EXPECT_EQ(d.Container(), nullptr);
  EXPECT_EQ(d.CurrentControl(), nullptr);
  EXPECT_EQ(d.Selection(), nullptr);
  EXPECT_FALSE(d.Activate());
  EXPECT_FALSE(bench.Surface.Installed);
  d.SelectAll();
  d.DeleteSelection();
  d.RefreshSelection();
  EXPECT_FALSE(d.MouseDown(mbLeft, 0, {1, 1}, {1, 1}));
}

TEST(Design, ANewContainerOrActivationStartsAFreshSelection) {
  TDesignBench bench;
  TDesign& d = bench.Design;
  d.SelectAll();
  TComponentCollection* old = d.Selection();
  platform::TWinControl other(nullptr);
  d.SetContainer(&other);
  EXPECT_NE(d.Selection(), nullptr);
  EXPECT_EQ(d.Selection()->Count(), 0);
  // The current control was the old selection, which went with its selector.
  EXPECT_EQ(d.CurrentControl(), &other);
  EXPECT_NE(d.CurrentControl(), static_cast<platform::TComponent*>(old));
  EXPECT_GE(bench.Surface.ContainerChanges, 2);
}

}  // namespace
}  // namespace editor
