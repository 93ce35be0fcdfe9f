#pragma once
// SkinToolBar: a flat QToolBar whose buttons are drawn by the skin: a hot button outlined in
// ButtonBorderColor on ButtonColor, pressed or checked on ButtonDownColor.
#include <QProxyStyle>
#include <QToolBar>

#include "skin/Skinnable.h"

namespace skin {

class TskToolBar;

class TskToolBarStyle : public QProxyStyle {
 public:
  explicit TskToolBarStyle(const TskToolBar* bar);
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;

 private:
  const TskToolBar* bar_;
};

class TskToolBar : public QToolBar, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskToolBar(QWidget* parent = nullptr);
  TColor ButtonColor = 0xEFEFEF;
  TColor ButtonBorderColor = 0x474747;
  TColor ButtonDownColor = 0xD8D8D8;
  bool Transparent = false;
  TColor Color = clBtnFace;
  QStyle* ButtonStyle() const { return style_; }

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void actionEvent(QActionEvent* event) override;

 private:
  QStyle* style_;
};

}  // namespace skin
