#pragma once
// frmPopup: the notice window of the popup notifier. A frameless, stay-on-top tool window that
// takes no focus and has no task-bar entry, 181 x 116, painted from POPUPFORM with a title and
// a word-wrapped text. It slides up out of its bottom edge, stays, and slides away; the slides
// and the stay run on timers of the skin's clock, never in a blocking loop.
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/base/Timer.h"
#include "platform/gfx/FontDescription.h"
#include "skin/SkinPublic.h"

namespace skin {

class TfrmPopupForm : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSlideStepMs = 10;
  static constexpr int kStayCheckMs = 100;
  // The close box of the background picture.
  static constexpr TRect kCloseBox{162, 6, 176, 20};

  explicit TfrmPopupForm(QWidget* parent = nullptr);
  ~TfrmPopupForm() override;

  enum TState { psHidden, psSlidingIn, psShown, psSlidingOut };
  TState State() const { return state_; }

  // The texts (GBK bytes; a single CR ends a line) and their fonts.
  std::string Title;
  std::string Text;
  platform::TFontDescription TitleFont;
  platform::TFontDescription TextFont;
  int AnimateTime = 400;
  int StayTime = 2000;
  bool ClickHide = false;

  // Shows the window at its final place `at` (top-left corner): slides
  // in, or, when it is already shown or sliding in, keeps it and restarts the stay. A window
  // sliding out finishes hiding first.
  void ShowAt(QPoint at);
  // Hides it: sliding out, or at once. Nothing while hidden or already sliding out.
  void HideNotice(bool animated);
  // The final (full) geometry of the window while it is shown.
  QRect FinalGeometry() const { return final_; }

  std::function<void()> OnClick;
  std::function<void()> OnTitleClick;
  std::function<void()> OnClose;  // once per shown notice

  // The whole window as it paints (content top first at any height).
  TBitmap PaintBitmap() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SlideTick();
  void StayTick();
  void SetShownHeight(int h);
  void Finish();

  TState state_ = psHidden;
  QRect final_;
  int64_t slideStart_ = 0;
  int slideFrom_ = 0;       // shown height when the slide began
  int64_t stayStart_ = 0;
  bool pressedInBox_ = false;
  std::unique_ptr<platform::TTimer> slide_;
  std::unique_ptr<platform::TTimer> stay_;
};

}  // namespace skin
