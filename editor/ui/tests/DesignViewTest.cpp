// The design surface offscreen: a real page with objects under the designer, driven by Qt mouse
// and key events, with the designer's events recorded.
#include "editor/ui/DesignView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/tests/InspectorFixtures.h"
#include "model/FormConstructEx.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"

namespace editor::ui {
namespace {

using platform::TComponent;
using platform::TRect;
using test::TPlain;

QPoint Q(int x, int y) { return QPoint(x, y); }

// A 200 x 100 page under an active designer shown by a view; the events go to a log.
struct TSurface {
  model::TLeaf* Page = new model::TLeaf(nullptr);
  TDesign Design{nullptr};
  std::unique_ptr<TDesignView> View;
  std::vector<std::string> Log;
  std::vector<TComponent*> SelectChanges, Changes, DblClicks;
  std::vector<uint16_t> Keys;
  std::vector<QPoint> RightDowns;

  explicit TSurface(int width = 200, int height = 100) {
    Page->SetBounds(0, 0, width, height);
    View = std::make_unique<TDesignView>(Design);
    Design.SetContainer(Page);
    Design.SetActivate(true);
    Design.OnSelectChanged = [this](TComponent* c) { SelectChanges.push_back(c); };
    Design.OnChanged = [this](TComponent* c) { Changes.push_back(c); };
    Design.OnDblClick = [this](platform::TObject* c) { DblClicks.push_back(static_cast<TComponent*>(c)); };
    Design.OnKeyDown = [this](platform::TObject* sender, uint16_t& key, TShiftState) {
      EXPECT_EQ(sender, &Design);
      Keys.push_back(key);
      key = 0;  // not passed on
    };
    Design.OnMouseDown = [this](platform::TObject*, TMouseButton button, TShiftState, int x, int y) {
      if (button == mbRight) RightDowns.push_back(QPoint(x, y));
    };
    View->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(View.get()));
  }
  ~TSurface() {
    View.reset();
    delete Page;
  }

  TPlain* Object(int left, int top, int width, int height, platform::TColor color = platform::clRed) {
    auto* o = new TPlain(Page);
    o->SetParent(Page);
    o->SetBounds(left, top, width, height);
    o->SetColor(color);
    return o;
  }
  // A single-line text object.
  model::TText* Text(int left, int top, int width, int height) {
    auto* t = new model::TText(Page);
    t->SetParent(Page);
    t->SetBounds(left, top, width, height);
    return t;
  }
  // A press, moves through the points, and a release at the last one.
  void Drag(QPoint from, std::initializer_list<QPoint> through, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(View.get(), Qt::LeftButton, mods, from);
    QPoint last = from;
    for (QPoint p : through) {
      QTest::mouseMove(View.get(), p);
      last = p;
    }
    QTest::mouseRelease(View.get(), Qt::LeftButton, mods, last);
  }
  void Click(QPoint p, Qt::KeyboardModifiers mods = {}) { QTest::mouseClick(View.get(), Qt::LeftButton, mods, p); }
  QImage Shot() { return View->grab().toImage(); }
  TComponentCollection& Selection() { return *Design.Selection(); }
};

TRect BoundsOf(const platform::TControl& c) { return platform::Bounds(c.Left(), c.Top(), c.Width(), c.Height()); }

TEST(DesignView, MovingAnObjectByTheDragItsPointMade) {
  TSurface s;
  model::TText* o = s.Text(20, 20, 30, 10);
  s.Drag(Q(25, 25), {Q(28, 24), Q(32, 22)});
  EXPECT_EQ(BoundsOf(*o), (TRect{27, 17, 57, 27}));
  EXPECT_EQ(s.Changes, std::vector<TComponent*>{o});
  EXPECT_EQ(s.SelectChanges, std::vector<TComponent*>{o});
  EXPECT_EQ(s.Design.CurrentControl(), o);
  // The grab stands around the object where it went: cyan handles over the page.
  EXPECT_TRUE(s.Design.Grab()->Visible());
  EXPECT_EQ(s.Shot().pixelColor(25, 15), QColor(0, 255, 255));

  // Out and back to the start: nothing moves, nothing is told.
  s.Drag(Q(30, 20), {Q(60, 60), Q(30, 20)});
  EXPECT_EQ(BoundsOf(*o), (TRect{27, 17, 57, 27}));
  EXPECT_EQ(s.Changes.size(), 1u);

  // Past the page edge the point stops at the last pixel of the page: (0, 99).
  s.Drag(Q(30, 20), {Q(-50, 500)});
  EXPECT_EQ(o->Left(), 27 - 30);
  EXPECT_EQ(o->Top(), 17 + 79);
  EXPECT_EQ(s.Changes.size(), 2u);
}

TEST(DesignView, ResizingByEachHandle) {
  TSurface s;
  model::TText* o = s.Text(40, 30, 41, 21);  // odd sizes: the middle handles sit on truncated halves
  for (int index = 0; index < 8; ++index) {
    o->SetBounds(40, 30, 41, 21);
    s.Design.Select(o);
    const TRect before = BoundsOf(*o);
    const platform::TPoint h = s.Design.Grab()->Handles()[size_t(index)].Pos;
    const QPoint at(h.X + 2, h.Y + 2);
    const Qt::CursorShape shape = index == 0 || index == 7   ? Qt::SizeFDiagCursor
                                  : index == 2 || index == 5 ? Qt::SizeBDiagCursor
                                  : index == 1 || index == 6 ? Qt::SizeHorCursor
                                                             : Qt::SizeVerCursor;
    QTest::mouseMove(s.View.get(), at);
    EXPECT_EQ(s.View->cursor().shape(), shape) << index;
    QTest::mousePress(s.View.get(), Qt::LeftButton, {}, at);
    QTest::mouseMove(s.View.get(), at + QPoint(5, 4));
    // While dragged the whole surface shows the handle's cursor.
    QTest::mouseMove(s.View.get(), QPoint(150, 80));
    const Qt::CursorShape dragging = s.View->cursor().shape();
    QTest::mouseMove(s.View.get(), at + QPoint(5, 4));
    QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, at + QPoint(5, 4));
    EXPECT_EQ(BoundsOf(*o), TDesign::ResizeRect(before, index, 5, 4)) << index;
    EXPECT_EQ(dragging, shape) << index;
    QTest::mouseMove(s.View.get(), QPoint(150, 80));
    EXPECT_EQ(s.View->cursor().shape(), Qt::ArrowCursor) << index;
  }
  EXPECT_EQ(s.Changes.size(), 8u);

  // Bottom-right past the top-left corner: a zero-size rectangle at that corner.
  o->SetBounds(40, 30, 41, 21);
  s.Design.Select(o);
  const platform::TPoint br = s.Design.Grab()->Handles()[7].Pos;
  s.Drag(Q(br.X + 2, br.Y + 2), {Q(5, 5)});
  EXPECT_EQ(BoundsOf(*o), (TRect{40, 30, 40, 30}));
}

TEST(DesignView, AreaSelection) {
  TSurface s;
  model::TText* a = s.Text(10, 10, 20, 20);
  model::TText* b = s.Text(50, 10, 20, 20);
  model::TText* c = s.Text(90, 10, 20, 20);
  // A band from the empty corner over a and b, drawn dotted while it is dragged.
  QTest::mousePress(s.View.get(), Qt::LeftButton, {}, Q(5, 50));
  QTest::mouseMove(s.View.get(), Q(40, 20));
  const QImage band = s.Shot();
  EXPECT_EQ(band.pixelColor(5, 20), QColor(255, 255, 255));
  EXPECT_EQ(band.pixelColor(6, 20), QColor(0, 0, 0));
  EXPECT_EQ(band.pixelColor(38, 49), QColor(255, 255, 255));
  QTest::mouseMove(s.View.get(), Q(60, 5));
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(60, 5));
  EXPECT_EQ(s.Shot().pixelColor(5, 20), QColor(0, 0, 0));  // erased by the repaint
  ASSERT_EQ(s.Selection().Count(), 2);
  EXPECT_EQ(s.Selection().Items(0), a);
  EXPECT_EQ(s.Selection().Items(1), b);
  EXPECT_EQ(s.Design.CurrentControl(), &s.Selection());
  // Told of the page (the press), then of the selection.
  EXPECT_EQ(s.SelectChanges, (std::vector<TComponent*>{s.Page, &s.Selection()}));
  const QImage shot = s.Shot();
  EXPECT_EQ(shot.pixelColor(8, 8), QColor(255, 255, 255));    // a's top-left mark
  EXPECT_EQ(shot.pixelColor(68, 28), QColor(255, 255, 255));  // b's bottom-right mark
  EXPECT_EQ(shot.pixelColor(88, 8), QColor(0, 0, 0));         // c has none

  // A band that only touches c's left edge (x 90 is c's first column; the band stops before it).
  s.SelectChanges.clear();
  s.Drag(Q(75, 40), {Q(90, 5)});
  EXPECT_EQ(s.Selection().Count(), 0);
  EXPECT_EQ(s.SelectChanges, std::vector<TComponent*>{s.Page});
  EXPECT_EQ(s.Design.CurrentControl(), s.Page);

  // A click on the empty page with the page current: nothing is selected, nothing told.
  s.SelectChanges.clear();
  s.Click(Q(150, 80));
  EXPECT_EQ(s.Selection().Count(), 0);
  EXPECT_TRUE(s.SelectChanges.empty());
  EXPECT_TRUE(s.Changes.empty());
  (void)c;
}

TEST(DesignView, ShiftClicksDoubleClicksKeysAndMarks) {
  TSurface s;
  model::TText* a = s.Text(10, 10, 20, 10);
  model::TText* b = s.Text(31, 10, 20, 10);
  model::TText* c = s.Text(90, 10, 20, 10);
  s.Click(Q(15, 15));
  s.Click(Q(35, 15), Qt::ShiftModifier);
  s.Click(Q(95, 15), Qt::ShiftModifier);
  EXPECT_EQ(s.Selection().Count(), 3);
  s.Click(Q(35, 15), Qt::ShiftModifier);  // removes b
  EXPECT_EQ(s.Selection().Count(), 2);
  EXPECT_EQ(s.Selection().IndexOf(b), -1);
  EXPECT_EQ(BoundsOf(*b), (TRect{31, 10, 51, 20}));  // nothing moved
  EXPECT_TRUE(s.Changes.empty());
  s.Click(Q(35, 15), Qt::ShiftModifier);  // and adds it back

  // All three move by one delta; one change, told the selection.
  s.Drag(Q(95, 15), {Q(99, 30)});
  EXPECT_EQ(BoundsOf(*a), (TRect{14, 25, 34, 35}));
  EXPECT_EQ(BoundsOf(*b), (TRect{35, 25, 55, 35}));
  EXPECT_EQ(BoundsOf(*c), (TRect{94, 25, 114, 35}));
  EXPECT_EQ(s.Changes, std::vector<TComponent*>{&s.Selection()});
  EXPECT_EQ(s.Shot().pixelColor(12, 23), QColor(255, 255, 255));  // marks followed

  // A double click with two or more selected is not reported; with one it is. (Qt sends the
  // second press as the double click alone; its release follows.)
  QTest::mouseDClick(s.View.get(), Qt::LeftButton, {}, Q(20, 30));
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(20, 30));
  EXPECT_TRUE(s.DblClicks.empty());
  s.Click(Q(150, 80));
  s.Click(Q(100, 30));
  QTest::mouseDClick(s.View.get(), Qt::LeftButton, {}, Q(100, 30));
  EXPECT_TRUE(s.Design.Dragging());  // taken as a press too
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(100, 30));
  EXPECT_EQ(s.DblClicks, std::vector<TComponent*>{c});
  EXPECT_FALSE(s.Design.Dragging());
  EXPECT_EQ(BoundsOf(*c), (TRect{94, 25, 114, 35}));

  // Delete reaches OnKeyDown as 46; Ctrl+A as Ctrl (17), then A (65).
  QTest::keyClick(s.View.get(), Qt::Key_Delete);
  QTest::keyClick(s.View.get(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(s.Keys, (std::vector<uint16_t>{46, 17, 65}));
  EXPECT_EQ(TDesignView::VirtualKey(Qt::Key_F1), 112);
  EXPECT_EQ(TDesignView::VirtualKey(Qt::Key_Menu), 0);

  // A press on a mark acts on what lies under it: a's top-right mark covers b's first column.
  s.Design.SelectAll();
  s.Design.Select(nullptr);
  s.Click(Q(15, 30));
  s.Click(Q(100, 30), Qt::ShiftModifier);
  ASSERT_EQ(s.Selection().Count(), 2);
  const TSelect* marks = s.Design.Selector()->Marks(0);
  ASSERT_NE(marks, nullptr);
  EXPECT_TRUE(marks->Marks[2].Bounds().Contains(b->Left(), b->Top()));
  s.SelectChanges.clear();
  s.Click(Q(b->Left(), b->Top()));
  EXPECT_EQ(s.Design.CurrentControl(), b);
  EXPECT_EQ(s.SelectChanges, std::vector<TComponent*>{b});
  EXPECT_EQ(s.Page->ControlCount(), 3);  // nothing was taken for an object

  // The right button reports the screen point and leaves the selection alone.
  QTest::mouseClick(s.View.get(), Qt::RightButton, {}, Q(150, 50));
  ASSERT_EQ(s.RightDowns.size(), 1u);
  EXPECT_EQ(s.RightDowns[0], s.View->mapToGlobal(Q(150, 50)));
  EXPECT_EQ(s.Design.CurrentControl(), b);
}

TEST(DesignView, ActiveObjectsKeepTheirValuesAfterADrag) {
  TSurface s;
  TPlain* stopped = s.Object(10, 10, 20, 10);
  TPlain* running = s.Object(50, 10, 20, 10);
  stopped->SetActive(false);
  s.Page->SetActive(false);
  QTest::mousePress(s.View.get(), Qt::LeftButton, {}, Q(55, 15));
  EXPECT_FALSE(running->Active());  // stopped while dragged
  QTest::mouseMove(s.View.get(), Q(60, 20));
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(60, 20));
  EXPECT_FALSE(stopped->Active());
  EXPECT_TRUE(running->Active());
  EXPECT_TRUE(s.Page->Active());
  // The same through a double click, whose second press comes alone.
  QTest::mouseDClick(s.View.get(), Qt::LeftButton, {}, Q(65, 25));
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(65, 25));
  EXPECT_FALSE(stopped->Active());
  EXPECT_TRUE(running->Active());
}

// The same with the real clocks: a date-time object's Active comes back as it was, stopped or
// running; the analog clock, which has no Active, moves like any object.
TEST(DesignView, ClockObjectsKeepTheirActiveFlagAfterADrag) {
  TSurface s(300, 150);
  auto* running = new model::TDateTimeComponent(s.Page);
  auto* stopped = new model::TDateTimeComponent(s.Page);
  auto* clock = new model::TAnalogClock(s.Page);
  clock->SetParent(s.Page);
  running->SetBounds(10, 10, 60, 16);
  stopped->SetBounds(10, 40, 60, 16);
  clock->SetBounds(100, 10, 80, 80);
  running->SetActive(true);
  stopped->SetActive(false);

  QTest::mousePress(s.View.get(), Qt::LeftButton, {}, Q(15, 15));
  EXPECT_FALSE(running->Active());  // stopped while dragged
  QTest::mouseMove(s.View.get(), Q(25, 20));
  QTest::mouseRelease(s.View.get(), Qt::LeftButton, {}, Q(25, 20));
  EXPECT_EQ(running->Left(), 20);
  EXPECT_TRUE(running->Active());
  EXPECT_FALSE(stopped->Active());

  s.Drag(Q(140, 50), {Q(150, 55)});
  EXPECT_EQ(BoundsOf(*clock), (TRect{110, 15, 190, 95}));
  EXPECT_TRUE(running->Active());
  EXPECT_FALSE(stopped->Active());
  s.Drag(Q(15, 45), {Q(20, 50)});
  EXPECT_EQ(stopped->Top(), 45);
  EXPECT_TRUE(running->Active());
  EXPECT_FALSE(stopped->Active());
}

TEST(DesignView, SelectAllTakesAtMost512) {
  TSurface s(600, 600);
  for (int i = 0; i < 513; ++i) s.Object((i % 23) * 25, (i / 23) * 25, 20, 20);
  s.Design.SelectAll();
  EXPECT_EQ(s.Selection().Count(), 512);
  EXPECT_EQ(s.Selection().Items(511), s.Page->Controls(511));
  EXPECT_NE(s.Design.Selector()->Marks(511), nullptr);
  s.Shot();  // every mark drawn
  s.Design.DeleteAll();
  EXPECT_EQ(s.Page->ControlCount(), 1);
}

TEST(DesignView, FilterOnlyWhileActiveAndOnlyOverThePage) {
  TSurface s;
  TPlain* o = s.Object(10, 10, 20, 10);
  EXPECT_TRUE(s.View->FilterInstalled());
  s.Design.SetActivate(false);
  EXPECT_FALSE(s.View->FilterInstalled());
  s.Click(Q(15, 15));
  EXPECT_EQ(s.Design.CurrentControl(), s.Page);
  EXPECT_TRUE(s.SelectChanges.empty());
  s.Design.SetActivate(true);
  s.Click(Q(15, 15));
  EXPECT_EQ(s.Design.CurrentControl(), o);

  // Another window's input never reaches the designer.
  QWidget other;
  other.resize(50, 50);
  other.show();
  QTest::mouseClick(&other, Qt::LeftButton, {}, Q(20, 20));
  EXPECT_EQ(s.Design.CurrentControl(), o);
  EXPECT_EQ(s.SelectChanges.size(), 1u);

  // The view follows the page's size and goes black without a page.
  s.Page->SetBounds(0, 0, 120, 60);
  EXPECT_EQ(s.View->size(), QSize(120, 60));
  delete s.Page;
  s.Page = nullptr;
  EXPECT_FALSE(s.View->FilterInstalled());
  EXPECT_FALSE(s.Design.Activate());
}

TEST(DesignView, APageChangeRepaintsTheSurface) {
  TSurface s;
  TPlain* o = s.Object(10, 10, 20, 10, platform::clRed);
  EXPECT_EQ(s.Shot().pixelColor(15, 15), QColor(255, 0, 0));
  o->SetColor(platform::clLime);
  o->Invalidate();
  EXPECT_EQ(s.Shot().pixelColor(15, 15), QColor(0, 255, 0));
  EXPECT_EQ(s.Shot().pixelColor(150, 50), QColor(0, 0, 0));
}

}  // namespace
}  // namespace editor::ui
