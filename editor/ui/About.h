#pragma once
// `AboutForm`: the About box, also the splash of start-up. It is not modal; a click on its
// picture or a close request closes it.
#include <QWidget>

namespace editor::ui {

class TAboutForm : public QWidget {
 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  // How long the splash waits for the window system to show it (a window manager maps a new
  // window in its own time, and nothing paints before).
  static constexpr int SplashMapLimitMs = 2000;

  QWidget* Picture() const { return picture_; }
  // Shows it and paints it before returning, once the window system shows it (at most
  // SplashMapLimitMs later); the event loop need not run after.
  void ShowAsSplash();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* picture_;
};

}  // namespace editor::ui
