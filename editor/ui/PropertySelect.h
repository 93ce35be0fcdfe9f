#pragma once
// `TPropertySelect`: the inspector's pop-up list of values. A frameless top-level tool window
// that floats over everything and never takes the focus: the inspector's edit keeps it and
// forwards its keys here while the list shows. Enter or a click chooses (OnSelected) and
// hides the list; Escape, a press anywhere outside it, the application losing the focus or the
// edit losing it hide it.
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

class QKeyEvent;

namespace editor::ui {

class TPropertySelect : public QListWidget {
 public:
  TPropertySelect();
  ~TPropertySelect() override;

  // Shows GBK items with `index` selected at `bounds` (global coordinates).
  void ShowItems(const std::vector<std::string>& items, int index, const QRect& bounds);
  // A key the edit forwards: Up and Down move one item, Page Up and Page Down ten, Enter
  // chooses, Escape hides. False for other keys.
  bool HandleKey(QKeyEvent* event);
  // The widest item's text in the list's font.
  int TextWidth(const std::vector<std::string>& items) const;

  int ItemHeight() const;
  // Told the chosen item's index.
  std::function<void(int index)> OnSelected;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Choose();
  void Step(int by);
};

}  // namespace editor::ui
