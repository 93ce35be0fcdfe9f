#pragma once
// Skinnable: what every skinned control shares. A control derives from its Qt class and from
// TSkinnable, and publishes the two properties with
//   Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
//   Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)
// so that PropagateStyleToChildren and the theme's reload find them through the meta-object.
// Both setters run UseFileTheme, then the control's style hook (StyleChanged) with a
// TThemeSource, then repaint.
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <stdexcept>

#include "skin/SkinFileTheme.h"
#include "skin/SkinPublic.h"
#include "skin/SkinThemes.h"

namespace skin {

// Errors of the skinned controls, with the fixed texts the controls raise.
class ESkinError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Which theme a control uses: a style other than FromThemeFile is its own answer (an assigned
// theme is then ignored); FromThemeFile uses the theme when one is assigned and loaded, else
// DeepBlue.
struct TUseFileTheme {
  bool UseTheme = false;
  TskUIStyle Style = DeepBlue;  // the effective style
};
TUseFileTheme UseFileTheme(const TskFileTheme* theme, TskUIStyle style);

// Where a control reads its items: the file theme or the effective built-in style. The one
// place for the missing-item rule: an integer, colour or picture that the loaded file lacks
// (or cannot decode) is DeepBlue's, the style an unusable theme falls back to. Colours count
// by their low 24 bits.
class TThemeSource {
 public:
  TThemeSource(const TskFileTheme* theme, TskUIStyle style);

  bool FromFile() const { return theme_ != nullptr; }
  // The effective style: FromThemeFile when the file theme is used.
  TskUIStyle Style() const { return style_; }
  const TskFileTheme* Theme() const { return theme_; }

  TColor Color(int item) const;
  int32_t Int(int item) const;
  bool Bool(int item) const;
  TBitmap Image(int item) const;
  TBitmap Image(int item, int index, int count) const;

 private:
  const TskFileTheme* theme_ = nullptr;
  TskUIStyle style_ = DeepBlue;
};

class TSkinnable {
 public:
  // `self` is the control itself (the QObject side of the same object).
  TSkinnable(QObject* self, TskUIStyle initial);
  virtual ~TSkinnable();
  TSkinnable(const TSkinnable&) = delete;
  TSkinnable& operator=(const TSkinnable&) = delete;

  TskUIStyle UIStyle() const { return style_; }
  void SetUIStyle(TskUIStyle style);
  TskFileTheme* FileTheme() const { return theme_; }
  // Always re-reads the items, also for the theme already set (a reloaded theme).
  void SetFileTheme(TskFileTheme* theme);

  TThemeSource ThemeSource() const { return TThemeSource(theme_, style_); }
  // Runs the style hook and repaints.
  void ApplyStyle();
  // Frames (TskForm) answer true: a new control takes the style of its window's frame.
  virtual bool IsFrame() const { return false; }

 protected:
  // The control's style hook: read every item it needs from `source`.
  virtual void StyleChanged(const TThemeSource& source) {}
  // The theme was destroyed: FileTheme none, UIStyle DeepBlue.
  virtual void ThemeRemoved();
  QObject* Self() const { return self_; }

 private:
  QObject* self_;
  TskUIStyle style_;
  QPointer<TskFileTheme> theme_;
  QMetaObject::Connection themeGone_;
};

TSkinnable* AsSkinnable(QObject* object);
const TSkinnable* AsSkinnable(const QObject* object);

// The style a new control takes: that of the first direct child of the owner's window that is
// a frame; DeepBlue without an owner or frame.
TskUIStyle DefaultControlStyle(const QObject* owner);

// For each direct child of the container that publishes both FileTheme and UIStyle, in order:
// FileTheme := theme, then UIStyle := style, through the properties (so the child's setters
// run). Plain Qt children are passed over; it does not descend further.
void PropagateStyleToChildren(QObject* container, TskUIStyle style, TskFileTheme* theme);

}  // namespace skin

Q_DECLARE_METATYPE(skin::TskUIStyle)
