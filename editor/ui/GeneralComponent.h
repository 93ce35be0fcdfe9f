#pragma once
// The table editor's two owner-drawn combo boxes (unit GeneralComponent): `TColorComboBox` picks
// one of the four LED colours, `TLineComboBox` one of six line widths. Items are 14 pixels high
// and drawn by hand, in the list and in the closed box alike; what they mean lives in
// editor/core/GeneralComponent.h.
//
// Only a choice the person makes is reported (OnChange); setting a box from code is silent.
#include <QComboBox>
#include <functional>

#include "platform/gfx/Color.h"

namespace editor::ui {

// What both boxes share: the item height, drawing the current item in the closed box, the
// report of the person's choice.
class TOwnerDrawComboBox : public QComboBox {
 public:
  explicit TOwnerDrawComboBox(QWidget* parent);
  // The person chose an item.
  std::function<void()> OnChange;
  // Where the closed box draws its current item (widget coordinates).
  QRect CurrentItemRect() const;
  // Draws item `index` into `rect` (the item's rectangle, 14 high in the list).
  virtual void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Items "黑色", "红色", "绿色", "黄色", each on white: a swatch of its colour framed in black from
// (left + 4, top + 3) to (left + 24, top + 11), its text at (left + 28, top + 1) (white while
// selected), and for the focused item a dotted focus rectangle with the text again in black.
class TColorComboBox : public TOwnerDrawComboBox {
 public:
  explicit TColorComboBox(QWidget* parent = nullptr);
  // The selected item's colour (black when none); writing selects the nearest item.
  platform::TColor Selected() const;
  void SetSelected(platform::TColor color);
  void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const override;
};

// Six items; item i is i + 1 black lines of one pixel from left + 4 to right - 4, the lowest at
// top + 6 + (i + 1) / 2, stacked upwards: a line i + 1 pixels thick.
class TLineComboBox : public TOwnerDrawComboBox {
 public:
  explicit TLineComboBox(QWidget* parent = nullptr);
  void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const override;
};

}  // namespace editor::ui
