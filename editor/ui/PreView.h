#pragma once
// The preview window `TPrevForm` ("显示效果预览"): `CoolBar1` with `ToolBar1` and its button
// "返  回" over `Panel1` (lowered bevel), which holds `Panel2`, the black surface the display
// simulator paints at every tick. The client area is the screen plus 4 pixels each way, plus the
// tool bar; the window has no system buttons and stands centred on the screen.
//
// Execute shows a preview modally. One asked for while the window is open (a card's read-back
// handled inside its modal loop) waits and opens after it closes (TPreviewQueue).
#include <QDialog>
#include <functional>
#include <memory>

#include "editor/core/PreView.h"

class QFrame;
class QToolBar;
class QToolButton;

namespace editor::ui {

class TPrevForm : public QDialog {
 public:
  explicit TPrevForm(TDialogs& dialogs, TPreviewOptions options = {}, QWidget* parent = nullptr);
  ~TPrevForm() override;

  // Shows `request` modally and returns when the window has closed, after the previews that
  // were asked for meanwhile. Returns at once, leaving `request` waiting, while one is open.
  void Execute(const TPreviewRequest& request);
  // Sizes the window for `request` and shows it, which starts the player: Execute's show,
  // without a modal loop.
  void Open(const TPreviewRequest& request);
  // What Execute runs between the show and the close: exec(). Tests run none.
  std::function<void(QDialog&)> RunModal;

  TPreviewPlayer& Player() { return player_; }
  const TPreviewQueue& Queue() const { return queue_; }
  QWidget* CoolBar() const { return coolBar_; }
  QFrame* Panel1() const { return panel1_; }
  QWidget* Panel2() const { return panel2_; }
  QToolButton* SpeedButton1() const { return back_; }

 protected:
  // Every way the window closes (the button, Escape, a close request) ends here.
  void done(int result) override;
  void closeEvent(QCloseEvent* event) override;
  // Showing starts the player with the request the window was sized for.
  void showEvent(QShowEvent* event) override;

 private:
  void Prepare(const TPreviewRequest& request);

  TPreviewPlayer player_;
  TPreviewQueue queue_;
  TPreviewRequest request_;
  QWidget* coolBar_;
  QToolBar* toolBar_;
  QToolButton* back_;
  QFrame* panel1_;
  QWidget* panel2_;
};

}  // namespace editor::ui
