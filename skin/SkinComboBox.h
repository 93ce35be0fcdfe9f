#pragma once
// SkinComboBox: a QComboBox keeping its own behaviour, with the skin's frame, drop-down button
// and arrow drawn over its own painting, and its dropped list framed in BorderColor.
#include <QComboBox>
#include <QProxyStyle>

#include "skin/Skinnable.h"

namespace skin {

// Fusion with a combo box's list dropping under the box, as the platform's own lists do, rather
// than laid over the box with the current item on it.
class TskDropDownStyle : public QProxyStyle {
 public:
  TskDropDownStyle();
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override;
};

// Puts the dropped list of `box` right under the box (above it when the screen has no room below),
// at the box's left edge and at least as wide, where the window system shows the box. Qt places
// the list from its own copy of the window's position, which a window manager can leave stale
// for a frameless window it has just mapped.
void PlaceDroppedList(QComboBox& box);
// Keeps the dropped list of a plain QComboBox under its box each time it drops.
void DropUnderBox(QComboBox& box);

class TskCustomComboBox : public QComboBox, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  // The button is the right 17 pixels inside the two frame lines.
  static constexpr int kButtonWidth = 17;

  explicit TskCustomComboBox(QWidget* parent = nullptr);

  TColor ArrowColor = 0;
  TColor ButtonColor = clBtnFace;
  TColor BorderColor = 0;
  TColor Color = clWindow;
  // The simple style draws no button.
  bool Simple = false;

  QRect ButtonRect() const;
  // What the skin draws over the native painting: the frames, the button and the arrow.
  void PaintSkin(QPainter& painter) const;
  TBitmap ButtonBitmap() const;
  void showPopup() override;
  void hidePopup() override;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class TskComboBox : public TskCustomComboBox {
  Q_OBJECT

 public:
  explicit TskComboBox(QWidget* parent = nullptr) : TskCustomComboBox(parent) {}
};

}  // namespace skin
