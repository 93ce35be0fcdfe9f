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

int TStatusBarView::TextWidth(const std::string& gbk) const { return platform::TextExtent(Font, gbk).cx; }

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
    for (const auto& run : form_->TipRuns(rect.Width())) c.TextOut(rect.Left + run.X, rect.Top + 3, run.Text);
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
