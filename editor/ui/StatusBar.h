#pragma once
// `SystemStatusBar`: the skin's status bar with the main window's eight panels; the captions
// are plain panels, panels 1, 3, 5 and 7 are drawn from the logic's texts, colours and marquee
// offset.
#include <string>
#include <unordered_map>

#include "skin/SkinStatusBar.h"

namespace editor {
class TDesignForm;
}

namespace editor::ui {

class TStatusBarView : public skin::TskStatusBar {
 public:
  static constexpr int BarHeight = 22;

  explicit TStatusBarView(QWidget* parent = nullptr);
  // The logic whose panels it shows; null shows the bare panels.
  void SetForm(const TDesignForm* form);

  // The tips area the marquee repaints.
  QRect TipsRect() const;
  // The part of it that holds only the tips: the tips panel inside its edge, without the
  // size grip's corner. The marquee's steps move it.
  QRect TipsScrollRect() const;
  // A text's width in the bar's font (GBK). The marquee asks for its few tips' widths at
  // every step, so they are kept.
  int TextWidth(const std::string& gbk) const;
  // Brings the caption panels' texts up to date with the logic's.
  void RefreshTexts();

 private:
  void DrawPanel(int index, platform::TCanvas& canvas, const skin::TRect& rect) const;
  // A tip's text in `font` on the panel's colour `back`.
  const platform::TBitmap& TipPicture(const std::string& gbk, const platform::TFontDescription& font,
                                      platform::TColor back) const;

  const TDesignForm* form_ = nullptr;
  mutable platform::TFontDescription widthsFont_, picturesFont_;
  mutable std::unordered_map<std::string, int> widths_;
  mutable platform::TColor picturesBack_ = 0;
  mutable std::unordered_map<std::string, platform::TBitmap> pictures_;
};

}  // namespace editor::ui
