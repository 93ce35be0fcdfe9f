#pragma once
// `TSimpleButton`: the small silver button at the right end of the inspector's current row. It
// shows a glyph ("Down" for a list, "Dot" for a dialog), raised, and sunken while pressed; a
// release fires OnClick. It never takes the focus, so the row's edit keeps it.
#include <QWidget>
#include <functional>

#include "editor/core/PropertyEditor.h"

namespace editor::ui {

class TSimpleButton : public QWidget {
 public:
  explicit TSimpleButton(QWidget* parent = nullptr);

  TButtonGlyph Glyph() const { return glyph_; }
  void SetGlyph(TButtonGlyph glyph);
  bool Down() const { return down_; }

  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TButtonGlyph glyph_ = TButtonGlyph::None;
  bool down_ = false;
};

}  // namespace editor::ui
