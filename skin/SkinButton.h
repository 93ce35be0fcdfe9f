#pragma once
// SkinButton: the push-button family and the check box.
//
// TskCustomButton is a QPushButton (focus, mnemonics, Qt's default-button rules) that paints
// everything itself: the state picture, the focus rectangle and the caption, off screen. The
// derived buttons choose the pictures: TskButton the style's ButtonImage stretched by
// DrawButtonGlyph (with an optional glyph), TskImageButton pictures of its own, TskArrowButton a
// skin button with an arrow. TskCheckBox is a checkable QAbstractButton.
#include <QAbstractButton>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/Timer.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontDescription.h"
#include "skin/Skinnable.h"

class QShortcut;

namespace skin {

using platform::TFontDescription;

// The font skinned controls start with: "宋体" 9 pt.
TFontDescription DefaultControlFont();
// The clock the skin's timers run on (the steady clock unless a test sets another).
platform::TClock& SkinClock();
void SetSkinClock(platform::TClock* clock);

// Draws `picture` over `target` cut at half its width and height: the four corner quarters
// unscaled at the corners (each cut to at most half the target), the edge strips stretched
// from the middle column and row, the middle pixel stretched over the rest. The key colour is
// left out. For a picture of odd size the corners are the first and last w/2 columns and h/2
// rows (rounded down) and column w/2, row h/2 are stretched.
void DrawButtonGlyph(platform::TCanvas& canvas, const TBitmap& picture, const TRect& target, TColor key);

class TskCustomButton : public QPushButton {
  Q_OBJECT

 public:
  explicit TskCustomButton(QWidget* parent = nullptr);
  ~TskCustomButton() override;

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);
  bool Default() const { return isDefault(); }
  void SetDefault(bool on) { setDefault(on); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // On a QDialog a click ends it: 1 accepts, 2 rejects, any other non-zero value done(value).
  int ModalResult = 0;
  int FocusedRectMargin = 2;
  // Milliseconds between OnMouseContinuouslyDown calls while the mouse is held; 0 or below: no
  // repeat.
  int MouseContinuouslyDownInterval = 100;
  const TFontDescription& Font() const { return font_; }
  void SetFont(const TFontDescription& font);
  TColor Color = clBtnFace;

  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseExit;
  std::function<void()> OnMouseContinuouslyDown;

  bool MouseOn() const { return mouseOn_; }
  bool MouseDown() const { return mouseDown_; }

  // Renders the button as it would paint now (the tests' and the benchmark's view).
  TBitmap PaintBitmap();

 protected:
  // Overridable steps, in the order the base adds them.
  virtual void AdjustSizeToSkin() {}
  virtual void FontChanged() { update(); }
  virtual void TransparencyChanged() { update(); }
  virtual void DrawPicture(platform::TCanvas& canvas, const TBitmap& picture);
  virtual void DrawCaption(platform::TCanvas& canvas, const std::string& text);
  virtual void DrawFocus(platform::TCanvas& canvas);
  virtual TBitmap PictureNormal() const { return {}; }
  virtual TBitmap PictureMouseOn() const { return PictureNormal(); }
  virtual TBitmap PictureMouseDown() const { return PictureNormal(); }
  virtual TBitmap PictureDisabled() const { return PictureNormal(); }
  // A glyph is drawn with the caption, also when the caption is empty.
  virtual bool HasGlyph() const { return false; }
  // Whether the state picture is drawn with pixel (0, 0) left out.
  virtual bool PictureTransparent() const { return transparent_; }

  void PaintBackground(platform::TCanvas& canvas);
  // Pressed look: the mouse or the Space key holds the button down.
  bool Pressed() const { return mouseDown_ || isDown(); }
  // Bold caption for the next paint (buttons that show focus that way).
  void BoldCaptionOnce() { boldOnce_ = true; }
  std::string CaptionGbk() const;

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Clicked();
  void StopRepeat();

  bool autoSize_ = false;
  bool cancel_ = false;
  bool transparent_ = false;
  bool mouseOn_ = false;
  bool mouseDown_ = false;
  bool boldOnce_ = false;
  TFontDescription font_;
  std::unique_ptr<platform::TTimer> repeat_;
  QShortcut* escape_ = nullptr;
};

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TskButton : public TskCustomButton, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskButton(QWidget* parent = nullptr);

  const TBitmap& Glyph() const { return glyph_; }
  void SetGlyph(const TBitmap& glyph);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);
  int ResHandle() const { return 0; }
  void SetResHandle(int) {}

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void AdjustSizeToSkin() override;
  void DrawPicture(platform::TCanvas& canvas, const TBitmap& picture) override;
  void DrawCaption(platform::TCanvas& canvas, const std::string& text) override;
  void DrawFocus(platform::TCanvas& canvas) override;
  TBitmap PictureNormal() const override { return frames_[0]; }
  TBitmap PictureMouseOn() const override { return frames_[1]; }
  TBitmap PictureMouseDown() const override { return frames_[2]; }
  TBitmap PictureDisabled() const override { return frames_[0]; }
  bool HasGlyph() const override { return !glyph_.Empty(); }

 private:
  TBitmap frames_[3];
  TBitmap glyph_;
  TButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
};

class TskImageButton : public TskCustomButton {
  Q_OBJECT

 public:
  explicit TskImageButton(QWidget* parent = nullptr);

  TskUIStyle UIStyle() const { return FromThemeFile; }
  TBitmap PicNormal, PicMouseOn, PicMouseDown, PicDisabled;
  bool Stretch = false;
  bool DrawFocused = false;
  // Takes the size of PicNormal (when it has a parent and a picture).
  void AdjustSizeToSkin() override;

 protected:
  void DrawPicture(platform::TCanvas& canvas, const TBitmap& picture) override;
  void DrawFocus(platform::TCanvas& canvas) override;
  TBitmap PictureNormal() const override { return PicNormal; }
  TBitmap PictureMouseOn() const override { return PicMouseOn.Empty() ? PicNormal : PicMouseOn; }
  TBitmap PictureMouseDown() const override { return PicMouseDown.Empty() ? PicNormal : PicMouseDown; }
  TBitmap PictureDisabled() const override { return PicDisabled.Empty() ? PicNormal : PicDisabled; }
  bool PictureTransparent() const override { return true; }
};

enum TskArrowButtonType { skUp, skDown };

class TskArrowButton : public TskButton {
  Q_OBJECT

 public:
  explicit TskArrowButton(QWidget* parent = nullptr);
  TskArrowButtonType Arrow() const { return arrow_; }
  void SetArrow(TskArrowButtonType arrow);

 protected:
  void DrawPicture(platform::TCanvas& canvas, const TBitmap& picture) override;
  void DrawCaption(platform::TCanvas&, const std::string&) override {}

 private:
  TskArrowButtonType arrow_ = skUp;
};

// A small flat tool button: its colour, and its glyph framed in black under the mouse.
class TskToolBarSpeedButton : public QWidget {
  Q_OBJECT

 public:
  explicit TskToolBarSpeedButton(QWidget* parent = nullptr);
  TBitmap Glyph;
  TColor Color = clBtnFace;
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool mouseOn_ = false;
};

class TskCheckBox : public QAbstractButton, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskCheckBox(QWidget* parent = nullptr);

  bool Checked() const { return isChecked(); }
  // Only a change stores, repaints and fires OnClick (not while loading).
  void SetChecked(bool checked);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);
  TColor Color = clWindow;
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool on);
  const TFontDescription& Font() const { return font_; }
  void SetFont(const TFontDescription& font);
  // While set, Checked changes fire no OnClick (the component is being loaded).
  bool Loading = false;
  std::function<void()> OnClick;

  TBitmap PaintBitmap();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void AdjustSize();
  TBitmap frames_[4];
  bool autoSize_ = true;
  bool transparent_ = false;
  TFontDescription font_;
};

}  // namespace skin
