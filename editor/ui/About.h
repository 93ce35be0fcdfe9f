#pragma once
// `AboutForm`: the About box, also the splash of start-up. It is not modal; a click on its
// picture or a close request closes it.
#include <QWidget>

namespace editor::ui {

class TAboutForm : public QWidget {
 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  QWidget* Picture() const { return picture_; }
  // Shows it and paints it at once, before the event loop runs.
  void ShowAsSplash();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* picture_;
};

}  // namespace editor::ui
