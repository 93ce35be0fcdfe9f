#pragma once
// The station client's main window: 800 x 600, centred, no maximise box and no menu, titled
// "车站LED控制系统", with the view inside and a status bar of four panes, the first of which
// shows every message of the program.
#include <QMainWindow>

#include <string>

#include "clients/quayside/QuaysideView.h"

class QLabel;

namespace quayside {

class TQuaysideFrame final : public QMainWindow {
  Q_OBJECT

 public:
  TQuaysideFrame(const std::string& folder, const TSecondsClock& clock, TMessageBoxes& boxes,
                 TQuaysideDialogs& dialogs, QWidget* parent = nullptr);

  TQuaysideView* View() const { return view_; }
  // The first pane's text.
  QString StatusText() const;
  void CentreOnScreen();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* panes_[4] = {};
  TQuaysideView* view_ = nullptr;
};

}  // namespace quayside
