// The table view offscreen, driven by QTest clicks and keys and by mouse events sent to its
// viewport: the inline editor on the text rectangle in the cell's look, typing written back as
// GBK, the 3000-byte limit, a border drag with its XOR line, the selection look in grab(),
// auto-scrolling a selection drag and the cell clipboard's keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "editor/ui/QtText.h"
#include "editor/ui/TableView.h"
#include "model/objects/TableReport.h"
#include "platform/base/GbkText.h"

namespace editor::ui {
namespace {

using model::TTableReport;
using model::TTableReportCell;

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

// Types text as an input method delivers it: a key event carrying each character (QTest's own
// typing knows only ASCII).
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The edit's text as the cell holds it.
std::string CellTextOf(const QPlainTextEdit* edit) {
  QString s = edit->toPlainText();
  s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return GbkFromQString(s);
}

struct TRig {
  explicit TRig(int columns = 4, int lines = 4, int width = 60, int height = 30) {
    table.Clear();
    table.NewTable(columns, lines, width, height);
    view.resize(320, 240);
    view.SetTable(&table);
    view.show();
    view.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus();
  }
  ~TRig() { view.SetTable(nullptr); }
  TTableReportCell* Cell(int line, int column) const { return table.GetLine(line)->Cell(column); }
  QWidget* Viewport() const { return view.viewport(); }
  // The viewport point of a table point.
  QPoint At(int x, int y) const {
    return QPoint(x, y) - view.TablePoint(QPoint(0, 0));
  }
  QPoint CentreOf(const TTableReportCell* c) const {
    const platform::TRect& r = c->CellRect();
    return At((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, p, Viewport()->mapToGlobal(p), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(Viewport(), &e);
  }
  void Press(QPoint p) { QTest::mousePress(Viewport(), Qt::LeftButton, {}, p); }
  void MoveHeld(QPoint p) { Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
  void Release(QPoint p) { QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, p); }

  TTableReport table{nullptr};
  TTableView view;
};

QColor PixelAt(const QImage& image, QPoint p) { return image.pixelColor(p); }

TEST(TableView, ClickOpensTheEditorOnTheTextRectangleInTheCellsColours) {
  TRig rig;
  TTableReportCell* cell = rig.Cell(1, 1);
  cell->SetBackColor(0xFF0000);
  cell->SetTextColor(0x00FFFF);
  cell->SetAlign(model::chaRight, -1);
  QTest::mouseClick(rig.Viewport(), Qt::LeftButton, {}, rig.CentreOf(cell));
  ASSERT_TRUE(rig.table.Editor().Open);
  QPlainTextEdit* edit = rig.view.InlineEditor();
  ASSERT_TRUE(edit->isVisible());
  EXPECT_TRUE(edit->hasFocus());
  const platform::TRect& r = cell->TextRect();
  EXPECT_EQ(edit->geometry(), QRect(r.Left, r.Top, r.Width(), r.Height()));
  EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 0, 255));
  EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(255, 255, 0));
  EXPECT_EQ(edit->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(edit->font().pixelSize(), 15);
  EXPECT_EQ(edit->frameShape(), QFrame::NoFrame);
  // A click elsewhere closes it; its text is already in the cell.
  QTest::keyClicks(edit, "ab");
  QTest::mouseClick(rig.Viewport(), Qt::LeftButton, {}, rig.CentreOf(rig.Cell(3, 0)));
  EXPECT_EQ(cell->Text(), "ab");
  EXPECT_EQ(rig.table.Editor().Cell, rig.Cell(3, 0));
}

TEST(TableView, TypingStoresGbkAndTheLineGrowsWhenTheTextWraps) {
  TRig rig(4, 4, 60, 0);
  TTableReportCell* cell = rig.Cell(1, 0);
  QTest::mouseClick(rig.Viewport(), Qt::LeftButton, {}, rig.CentreOf(cell));
  QPlainTextEdit* edit = rig.view.InlineEditor();
  ASSERT_TRUE(edit->isVisible());
  Type(edit, QString::fromUtf8("表格"));
  EXPECT_EQ(cell->Text(), Gbk("表格"));
  const int height = rig.table.GetLine(1)->Height();
  const int editHeight = edit->height();
  const int below = rig.table.GetLine(2)->Top();
  Type(edit, QString::fromUtf8("表格显示屏控制卡"));
  EXPECT_EQ(cell->Text(), Gbk("表格表格显示屏控制卡"));
  EXPECT_GT(rig.table.GetLine(1)->Height(), height);
  EXPECT_GT(edit->height(), editHeight);
  EXPECT_GT(rig.table.GetLine(2)->Top(), below);
  // A line break is CR LF in the cell.
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClicks(edit, "x");
  EXPECT_EQ(cell->Text(), Gbk("表格表格显示屏控制卡\r\nx"));
  // Esc ends the editing and selects the cell.
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(rig.table.SelectedCells(), std::vector<TTableReportCell*>{cell});
  EXPECT_TRUE(rig.view.hasFocus());
  // Typing on the selected cell opens the editor holding what was typed.
  Type(&rig.view, QString::fromUtf8("字"));
  ASSERT_TRUE(edit->isVisible());
  EXPECT_EQ(cell->Text(), Gbk("表格表格显示屏控制卡\r\nx字"));
  EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("表格表格显示屏控制卡\nx字"));
}

TEST(TableView, TheByteAfter3000IsRefused) {
  TRig rig;
  TTableReportCell* cell = rig.Cell(0, 0);
  cell->SetText(std::string(2998, 'x'));
  QTest::mouseClick(rig.Viewport(), Qt::LeftButton, {}, rig.CentreOf(cell));
  QPlainTextEdit* edit = rig.view.InlineEditor();
  ASSERT_TRUE(edit->isVisible());
  Type(edit, QString::fromUtf8("表"));  // 2 bytes: 3000
  EXPECT_EQ(cell->Text().size(), 3000u);
  QTest::keyClicks(edit, "y");
  EXPECT_EQ(cell->Text().size(), 3000u);
  EXPECT_EQ(CellTextOf(edit), cell->Text());
  // In the middle too: nothing moves.
  QTextCursor cursor = edit->textCursor();
  cursor.setPosition(5);
  edit->setTextCursor(cursor);
  QTest::keyClicks(edit, "z");
  EXPECT_EQ(cell->Text(), std::string(2998, 'x') + Gbk("表"));
  EXPECT_EQ(edit->textCursor().position(), 5);
  // Deleting is always allowed.
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(cell->Text().size(), 2999u);
}

TEST(TableView, RightBorderDragShowsTheLineAndSetsTheWidthOnRelease) {
  TRig rig;
  rig.Cell(0, 0)->SetBackColor(0x404040);  // a plain ground for the line
  rig.view.viewport()->repaint();
  const QPoint edge = rig.At(59, 15);
  QTest::mouseMove(rig.Viewport(), edge);
  rig.Send(QEvent::MouseMove, edge, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(rig.Viewport()->cursor().shape(), Qt::SizeHorCursor);
  rig.Press(edge);
  rig.MoveHeld(rig.At(45, 15));
  ASSERT_TRUE(rig.table.DragLine());
  const QImage shown = rig.view.viewport()->grab().toImage();
  // XOR with white turns the grey ground into its complement.
  EXPECT_EQ(PixelAt(shown, rig.At(45, 12)), QColor(0xBF, 0xBF, 0xBF));
  EXPECT_EQ(PixelAt(shown, rig.At(44, 12)), QColor(0x40, 0x40, 0x40));
  EXPECT_EQ(rig.Cell(0, 0)->Width(), 60);  // nothing changes before the release
  rig.Release(rig.At(45, 15));
  EXPECT_FALSE(rig.table.DragLine());
  EXPECT_EQ(rig.Cell(0, 0)->Width(), 45);
  EXPECT_EQ(rig.Cell(0, 1)->Width(), 75);
  EXPECT_FALSE(rig.table.Editor().Open);
  const QImage after = rig.view.viewport()->grab().toImage();
  EXPECT_EQ(PixelAt(after, rig.At(44, 12)), QColor(0x40, 0x40, 0x40));
}

TEST(TableView, GrabShowsTheSelectionLook) {
  TRig rig;
  TTableReportCell* cell = rig.Cell(1, 2);
  rig.table.SelectCell(cell);
  const QImage image = rig.view.grab().toImage();
  // The view's points of table points (the viewport sits inside the view's frame).
  auto at = [&](int x, int y) { return rig.Viewport()->mapTo(&rig.view, rig.At(x, y)); };
  const platform::TRect& r = cell->CellRect();
  EXPECT_EQ(PixelAt(image, at(r.Left, r.Top + 5)), QColor(128, 128, 128));
  EXPECT_EQ(PixelAt(image, at(r.Right - 1, r.Top + 5)), QColor(128, 128, 128));
  EXPECT_EQ(PixelAt(image, at(r.Left + 3, r.Top + 3)), QColor(0, 0, 0x40));
  const platform::TRect& other = rig.Cell(1, 0)->CellRect();
  EXPECT_EQ(PixelAt(image, at(other.Left + 3, other.Top + 3)), QColor(0, 0, 0));
}

TEST(TableView, SelectionDragScrollsNearTheEdge) {
  TRig rig(10, 20, 60, 30);
  ASSERT_GT(rig.view.verticalScrollBar()->maximum(), 0);
  rig.Press(rig.At(10, 10));
  const QPoint bottom(100, rig.Viewport()->height() - 2);
  rig.MoveHeld(bottom);
  EXPECT_TRUE(rig.view.AutoScrollTimer()->isActive());
  const int selected = rig.table.GetSelectedCount();
  for (int i = 0; i < 4; ++i) rig.view.AutoScrollTick();
  EXPECT_EQ(rig.view.verticalScrollBar()->value(), 4 * TTableView::AutoScrollStep);
  EXPECT_GT(rig.table.GetSelectedCount(), selected);
  const QPoint under = rig.view.TablePoint(bottom);
  EXPECT_TRUE(rig.table.IsSelected(rig.table.CellAt(under.x(), under.y())));
  rig.Release(bottom);
  EXPECT_FALSE(rig.view.AutoScrollTimer()->isActive());
  // ResetPosition scrolls back and takes the viewport's size as the page size.
  rig.table.ResetPosition();
  EXPECT_EQ(rig.view.verticalScrollBar()->value(), 0);
  EXPECT_EQ(rig.table.Width(), rig.Viewport()->width());
  EXPECT_EQ(rig.table.Height(), rig.Viewport()->height());
}

TEST(TableView, ClipboardKeysAndArrowsReachTheTable) {
  TRig rig;
  rig.Cell(0, 0)->SetText("a");
  rig.table.SelectCell(rig.Cell(0, 0));
  QTest::keyClick(&rig.view, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&rig.view, Qt::Key_Down);
  EXPECT_EQ(rig.table.SelectedCells(), std::vector<TTableReportCell*>{rig.Cell(1, 0)});
  QTest::keyClick(&rig.view, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(rig.Cell(1, 0)->Text(), "a");
  EXPECT_FALSE(rig.table.Editor().Open);
  QTest::keyClick(&rig.view, Qt::Key_Return);
  EXPECT_TRUE(rig.view.InlineEditor()->isVisible());
  // Ctrl+arrow leaves the editor for the next cell.
  QTest::keyClick(rig.view.InlineEditor(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_FALSE(rig.view.InlineEditor()->isVisible());
  EXPECT_EQ(rig.table.SelectedCells(), std::vector<TTableReportCell*>{rig.Cell(1, 1)});
}

TEST(TableView, FocusLeavingAndComingBackKeepsTheScrollPosition) {
  QWidget window;
  auto* view = new TTableView(&window);
  auto* other = new QLineEdit(&window);
  other->move(0, 300);
  view->resize(200, 150);
  TTableReport table(nullptr);
  table.Clear();
  table.NewTable(10, 20, 60, 30);
  view->SetTable(&table);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  view->setFocus();
  view->horizontalScrollBar()->setValue(70);
  view->verticalScrollBar()->setValue(90);
  other->setFocus(Qt::TabFocusReason);
  view->horizontalScrollBar()->setValue(0);  // something scrolls it meanwhile
  view->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(view->horizontalScrollBar()->value(), 70);
  EXPECT_EQ(view->verticalScrollBar()->value(), 90);
  view->SetTable(nullptr);
}

}  // namespace
}  // namespace editor::ui
