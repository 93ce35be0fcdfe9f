#include "StatusBar.h"

#include "editor/core/Main.h"
#include "editor/ui/QtText.h"
#include "platform/gfx/TextLayout.h"

namespace editor::ui {

TStatusBarView::TStatusBarView(QWidget* parent) : skin::TskStatusBar(parent) {
  setObjectName("SystemStatusBar");
  setFixedHeight(BarHeight);
  for (int i = 0; i < StatusPanelCount; ++i) {
    skin::TskStatusPanel panel;
    panel.Width = StatusPanelWidths[size_t(i)];
    if (TDesignForm::StatusPanelOwnerDrawn(i))
      panel.OnDrawPanel = [this, i](platform::TCanvas& canvas, const skin::TRect& rect) { DrawPanel(i, canvas, rect); };
    Panels().push_back(std::move(panel));
  }
}

void TStatusBarView::SetForm(const TDesignForm* form) {
  form_ = form;
  RefreshTexts();
}

void TStatusBarView::RefreshTexts() {
  for (int i = 0; i < StatusPanelCount; ++i) {
    const bool plain = form_ && !TDesignForm::StatusPanelOwnerDrawn(i);
    Panels()[size_t(i)].Text = plain ? QStringFromGbk(form_->StatusPanelText(i)) : QString();
  }
}

QRect TStatusBarView::TipsRect() const {
  return QRect(QPoint(TipsAreaLeft, 2), QPoint(width() - TipsAreaRightMargin - 1, height() - 3));
}

QRect TStatusBarView::TipsScrollRect() const {
  QRect inside = PanelRect(TipsPanel).adjusted(1, 1, -1, -1);
  if (GripActive()) inside.setRight(std::min(inside.right(), width() - kGripSize - 1));
  // A window too narrow for the tips has none to move.
  return inside.isValid() ? inside & rect() : QRect();
}

int TStatusBarView::TextWidth(const std::string& gbk) const {
  if (widthsFont_ != Font || widths_.size() > 256) {
    widths_.clear();
    widthsFont_ = Font;
  }
  auto [it, added] = widths_.try_emplace(gbk, 0);
  if (added) it->second = platform::TextExtent(Font, gbk).cx;
  return it->second;
}

// The marquee moves its few tips on at every step: each is drawn once, then copied.
const platform::TBitmap& TStatusBarView::TipPicture(const std::string& gbk, const platform::TFontDescription& font,
                                                    platform::TColor back) const {
  if (picturesFont_ != font || picturesBack_ != back || pictures_.size() > 64) {
    pictures_.clear();
    picturesFont_ = font;
    picturesBack_ = back;
  }
  auto [it, added] = pictures_.try_emplace(gbk);
  if (added) {
    const platform::TSize size = platform::TextExtent(font, gbk);
    // Two pixels more for glyphs that reach past their advance; the next tip, copied after it,
    // covers them.
    platform::TBitmap& picture = it->second;
    picture.SetSize(size.cx + 2, size.cy);
    platform::TCanvas canvas(picture);
    canvas.Brush.Color = back;
    canvas.FillRect({0, 0, picture.Width(), picture.Height()});
    canvas.Font = font;
    canvas.Brush.Style = platform::bsClear;
    canvas.TextOut(0, 0, gbk);
  }
  return it->second;
}

void TStatusBarView::DrawPanel(int index, platform::TCanvas& c, const skin::TRect& rect) const {
  if (!form_) return;
  c.Font = Font;
  c.Font.Color = form_->StatusPanelColor(index);
  if (index == TipsPanel) {
    c.Brush.Style = platform::bsSolid;
    c.Brush.Color = skin::ColorToRGB(Color);
    c.FillRect(rect);
    c.SetClipRect(rect);
    c.Brush.Style = platform::bsClear;
    for (const auto& run : form_->TipRuns(rect.Width()))
      c.Draw(rect.Left + run.X, rect.Top + 3, TipPicture(run.Text, c.Font, c.Brush.Color));
    c.RemoveClip();
    c.Brush.Style = platform::bsSolid;
    return;
  }
  c.Brush.Style = platform::bsClear;
  skin::TRect text = rect;
  c.DrawText(form_->StatusPanelText(index), text, platform::DT_SINGLELINE | platform::DT_CENTER | platform::DT_VCENTER);
  c.Brush.Style = platform::bsSolid;
}

}  // namespace editor::ui
