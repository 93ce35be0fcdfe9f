#pragma once
// `TTableView`: the scroll area that shows a table control (model::TTableReport) 1:1 over the
// table's extent and lets the person edit it. The table editor hosts it where its scroll box
// `scbMain` stood; the table editor's tool bar calls the table's operations directly, and the
// view follows through the table's host interface (repaints, extent, inline editor, scrolling).
//
// What the view does and the table does not:
//   - mouse, keys and focus go to the table's input engine in table coordinates (a press takes
//     the focus; Qt's implicit grab of a pressed button stands in for capture);
//   - the cursor is the engine's; a border drag's line is drawn with XOR composition;
//   - while a selection drag nears an edge of the viewport a short timer scrolls it;
//   - losing the focus remembers the scroll position and gaining it restores it;
//   - the inline editor is a frameless multi-line edit on the cell's text rectangle in the
//     cell's font, colours and alignment. Every change of its text goes back to the table
//     (GBK, CR LF line ends: the only place text is converted); a change that would make the
//     text longer than the table allows is refused and the edit keeps its old text;
//   - Ctrl+C, Ctrl+X and Ctrl+V reach the table's own cell clipboard while no cell is edited.
#include <QAbstractScrollArea>
#include <QPoint>
#include <optional>
#include <string>

#include "model/objects/TableReport.h"

class QPlainTextEdit;
class QTimer;

namespace editor::ui {

class TTableView : public QAbstractScrollArea, public model::TTableHost {
 public:
  // How close to the viewport's edge a selection drag starts scrolling, and how far each tick
  // of the timer (every AutoScrollMs) scrolls.
  static constexpr int AutoScrollMargin = 12;
  static constexpr int AutoScrollStep = 16;
  static constexpr int AutoScrollMs = 40;

  explicit TTableView(QWidget* parent = nullptr);
  ~TTableView() override;

  // The table shown and edited; not owned, and it must outlive the view or be taken away with
  // SetTable(nullptr) first. The view becomes the table's host.
  void SetTable(model::TTableReport* table);
  model::TTableReport* Table() const { return table_; }

  // The inline editor's widget: shown while the table's inline editor is open.
  QPlainTextEdit* InlineEditor() const { return edit_; }
  // The timer of the selection drag's scrolling, and one of its steps (tests call it directly).
  QTimer* AutoScrollTimer() const { return autoScroll_; }
  void AutoScrollTick();
  // The table point under a viewport point.
  QPoint TablePoint(const QPoint& viewportPoint) const;

  // ---- model::TTableHost
  void InvalidateTableRect(const platform::TRect& rect) override;
  void ExtentChanged() override;
  void EditorChanged() override;
  void ScrollTo(int x, int y) override;
  platform::TSize ViewportSize() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateScrollBars();
  void PlaceEditor();
  void EditorTextChanged();
  void AfterInput();
  void UpdateAutoScroll(const QPoint& viewportPoint);

  model::TTableReport* table_ = nullptr;
  QPlainTextEdit* edit_ = nullptr;
  QTimer* autoScroll_ = nullptr;
  QPoint lastMouse_;  // viewport coordinates of the last mouse event
  model::TTableShift lastShift_ = 0;
  std::optional<model::TDragLine> shownDragLine_;
  std::string shownText_;  // the editor text last written either way (GBK)
  bool syncing_ = false;   // the view itself is changing the edit's text
  int changeAt_ = 0;       // where the edit's last change began
  std::optional<QPoint> savedScroll_;  // while the focus is outside the view
};

}  // namespace editor::ui
