#pragma once
// Skinning: the one call that gives a Corvane window its skin. Every window of the editor makes
// it once its content is built; a window made later makes the same call.
#include <QFont>
#include <QString>

#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinForm.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinImagePanel.h"
#include "skin/SkinThemes.h"

class QWidget;

namespace editor::ui {

// Every frame is MacOS; the controls take their window's style. It is fixed: the user has no
// choice, no skin file is loaded and nothing of it is stored in "Param.ini".
inline constexpr skin::TskUIStyle WindowStyle = skin::MacOS;

// The window's TskForm (its title bar shows the window title, also when it changes later; it
// places a dialog centred on its owner and any other window centred on the screen each time it
// is shown), its size grown by the frame round its content, and the skin's styles on the plain Qt controls it
// holds (line edits, spin boxes, combo boxes, lists, trees and tables). Menus, tool bars,
// buttons, check boxes and panels are the skin's own classes where the views make them.
skin::TskForm* Skinning(QWidget* window);

// The skin's push button and check box with their caption, as the views make them.
skin::TskButton* NewButton(const QString& caption, QWidget* parent);
skin::TskCheckBox* NewCheckBox(const QString& caption, QWidget* parent);
skin::TskGroupBox* NewGroupBox(const QString& caption, QWidget* parent);
// A caption panel that stays open (no collapse button).
skin::TskPanel* NewCaptionPanel(const QString& caption, QWidget* parent);

// The skin's spin edit with a spin box's calls, as the card-parameter and server dialogs use it:
// its value stays in its range however the text was typed, and valueChanged follows every change.
class TSpinEdit : public skin::TskSpinEdit {
  Q_OBJECT

 public:
  explicit TSpinEdit(QWidget* parent = nullptr);
  int value() const;
  void setValue(int value) { SetValue(value); }
  void setRange(int low, int high);
  int minimum() const { return MinValue(); }
  int maximum() const { return MaxValue(); }

 signals:
  void valueChanged(int value);

 private:
  int last_ = 0;
};

// Widens `window` so its title bar shows `caption` whole (a window of fixed size stays fixed,
// at the new width); Skinning does it for the window's title.
void WidenForCaption(QWidget* window, const QString& caption);

// The size of a window whose content is `content`: the frame's bands and title bar round it
// (the content itself when the window holds no frame).
QSize FramedSize(const QWidget* window, QSize content);

// The font Qt draws the windows' text in: "宋体" 12 px as the drawing layer resolves it, without
// anti-aliasing, so it matches the skin's captions.
QFont WindowFont();

}  // namespace editor::ui
