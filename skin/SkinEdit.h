#pragma once
// SkinEdit: edits with the skin's border. TskEdit is a QLineEdit whose 2-pixel frame is two
// one-pixel frames (BorderColor, then the edit's colour); TskSpinEdit adds a number with up and
// down buttons (TskSpinButtons) and a key filter.
#include <QLineEdit>
#include <functional>

#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/Skinnable.h"

namespace skin {

// The style of skinned edits: the frame is DrawControlBorder's two frames; a combo box's list
// drops under its box.
class TskEditStyle : public TskDropDownStyle {
 public:
  TskEditStyle();
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};

class TskEdit : public QLineEdit, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskEdit(QWidget* parent = nullptr);
  TColor BorderColor = 0;
  TColor Color = clWindow;

 protected:
  void StyleChanged(const TThemeSource& source) override;
};

class TskSpinButtons : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRepeatMs = 400;
  explicit TskSpinButtons(QWidget* parent = nullptr);

  TskUIStyle UIStyle() const;
  void SetUIStyle(TskUIStyle style);
  void SetFileTheme(TskFileTheme* theme);
  TskArrowButton* UpButton() const { return up_; }
  TskArrowButton* DownButton() const { return down_; }
  std::function<void()> OnUpClick;
  std::function<void()> OnDownClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TskArrowButton* up_;
  TskArrowButton* down_;
};

class TskSpinEdit : public TskEdit {
  Q_OBJECT

 public:
  explicit TskSpinEdit(QWidget* parent = nullptr);

  int MinValue() const { return minValue_; }
  void SetMinValue(int v) { minValue_ = v; }
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v) { maxValue_ = v; }
  int Increment = 1;
  // The text as an integer; MinValue when it is none.
  int Value() const;
  // Clamped into MinValue..MaxValue (not when they are equal), written as decimal text.
  void SetValue(int v);
  bool EditorEnabled = true;
  bool AutoSelect = true;
  TskSpinButtons* Buttons() const { return buttons_; }
  // The system beep; the program sets QApplication::beep, tests count.
  static std::function<void()>& Beep();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void UpClick();
  void DownClick();
  void StepBy(int64_t delta);
  bool Refuse();

  int minValue_ = 0, maxValue_ = 0;
  TskSpinButtons* buttons_;
};

}  // namespace skin
