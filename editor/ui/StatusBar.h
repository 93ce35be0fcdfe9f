#pragma once
// `SystemStatusBar`: one widget that paints the main window's eight panels from the logic's
// texts, colours and marquee offset.
#include <QWidget>

namespace editor {
class TDesignForm;
}

namespace editor::ui {

class TStatusBarView : public QWidget {
 public:
  static constexpr int BarHeight = 22;

  explicit TStatusBarView(QWidget* parent = nullptr);
  // The logic whose panels it shows; null shows the bare panels.
  void SetForm(const TDesignForm* form) { form_ = form; }

  // The panel's rectangle; panel 7 reaches to the bar's right edge less 12 pixels.
  QRect PanelRect(int index) const;
  // The tips area the marquee repaints.
  QRect TipsRect() const;
  int TextWidth(const QString& text) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TDesignForm* form_ = nullptr;
};

}  // namespace editor::ui
