#pragma once
// SkinGrid: TskStringGrid, a QTableWidget whose fixed row and column are its headers, drawn as
// fixed cells; normal cells are drawn by a delegate: focused, else selected, else plain.
#include <QHeaderView>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "platform/gfx/Canvas.h"
#include "skin/Skinnable.h"

namespace skin {

class TskStringGrid;

class TskGridStyle : public QProxyStyle {
 public:
  explicit TskGridStyle(const TskStringGrid* grid);
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

 private:
  const TskStringGrid* grid_;
};

class TskStringGrid : public QTableWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  TskStringGrid(int rows, int columns, QWidget* parent = nullptr);

  TColor BorderColor = 0;
  TColor BGColor = clWindow;
  TColor FocusedColor = 0x00FF00;
  TColor SelectedColor = 0x00FFFF;
  TColor FixedFontColor = 0;
  TColor FixedBGColor = clBtnFace;
  TColor FontColor = 0;
  bool Ctl3D() const { return false; }
  // Draws over a cell after the default drawing (row, column, canvas, rectangle).
  std::function<void(int, int, platform::TCanvas&, const TRect&)> OnDrawCell;

  // Draws one normal cell's face as the grid shows it.
  void DrawCell(platform::TCanvas& canvas, const TRect& r, const QString& text, bool selected, bool focused) const;
  void DrawFixedCell(platform::TCanvas& canvas, const TRect& r, const QString& text) const;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  bool event(QEvent* event) override;

 private:
  QStyle* style_;
};

}  // namespace skin
