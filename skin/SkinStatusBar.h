#pragma once
// SkinStatusBar: panels of a width with a text or an owner-drawn face, each in a lowered
// one-pixel edge, and the size grip of a sizeable window.
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontDescription.h"
#include "skin/Skinnable.h"

namespace skin {

struct TskStatusPanel {
  int Width = 50;
  QString Text;
  // Draws the panel itself when set: canvas and the panel's rectangle.
  std::function<void(platform::TCanvas&, const TRect&)> OnDrawPanel;
};

class TskStatusBar : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  static constexpr int kGripSize = 16;
  explicit TskStatusBar(QWidget* parent = nullptr);

  std::vector<TskStatusPanel>& Panels() { return panels_; }
  TColor PanelColor() const { return Color; }
  void SetPanelColor(TColor c) { Color = c; update(); }
  TColor Color = clBtnFace;
  platform::TFontDescription Font;

  // Whether the grip shows: the window is sizeable and not maximised.
  bool GripActive() const;
  QRect PanelRect(int index) const;
  // The bar as it paints now; with an `area`, only that part of it, with the panels that
  // reach into it (a marquee in one panel repaints that panel alone).
  TBitmap PaintBitmap(const QRect& area = QRect());

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::vector<TskStatusPanel> panels_;
};

}  // namespace skin
