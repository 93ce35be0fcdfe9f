#pragma once
// SkinGroupBox: a frame of one line with a gap for its caption; its children take its style.
#include "skin/SkinImagePanel.h"

namespace skin {

class TskCustomGroupBox : public TskCustomPanel {
  Q_OBJECT

 public:
  explicit TskCustomGroupBox(QWidget* parent = nullptr);
  TColor BorderColor = 0;
  TBitmap PaintBitmap() override;
  // The top of the line: half the caption font's height plus one.
  int LineTop() const;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void changeEvent(QEvent* event) override;
};

class TskGroupBox : public TskCustomGroupBox {
  Q_OBJECT

 public:
  explicit TskGroupBox(QWidget* parent = nullptr) : TskCustomGroupBox(parent) {}
};

}  // namespace skin
