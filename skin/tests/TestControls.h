#pragma once
// Stand-ins for skinned controls in the tests of the shared machinery.
#include <QPainter>
#include <QWidget>
#include <string>
#include <vector>

#include "skin/SkinPublic.h"
#include "skin/Skinnable.h"

namespace skintest {

// A skinned control that records what its setters and style hook saw.
class TskTestControl : public QWidget, public skin::TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetStyleLogged)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetThemeLogged)

 public:
  explicit TskTestControl(QWidget* parent = nullptr, std::vector<std::string>* log = nullptr)
      : QWidget(parent), TSkinnable(this, skin::DefaultControlStyle(parent)), log_(log) {
    ApplyStyle();
  }
  void SetStyleLogged(skin::TskUIStyle s) {
    if (log_) log_->push_back(objectName().toStdString() + ".UIStyle");
    SetUIStyle(s);
  }
  void SetThemeLogged(skin::TskFileTheme* t) {
    if (log_) log_->push_back(objectName().toStdString() + ".FileTheme");
    SetFileTheme(t);
  }

  int Applied = 0;
  skin::TColor BorderColor = 0;
  bool Transparent = false;

 protected:
  void StyleChanged(const skin::TThemeSource& source) override {
    ++Applied;
    BorderColor = source.Color(skin::tiFormBorderColor);
  }
  void paintEvent(QPaintEvent*) override {
    skin::TBitmap b = skin::ControlBitmap(this);
    platform::TCanvas c(b);
    if (Transparent) {
      skin::PaintParentBackground(c, this);
    } else {
      c.Brush.Color = BorderColor;
      c.FillRect({0, 0, width(), height()});
    }
    skin::PaintToWidget(this, b);
  }

 private:
  std::vector<std::string>* log_;
};

// A frame stand-in: the first frame among a window's children gives new controls its style.
class TskTestFrame : public QWidget, public skin::TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskTestFrame(QWidget* parent, skin::TskUIStyle style) : QWidget(parent), TSkinnable(this, style) {}
  bool IsFrame() const override { return true; }
};

// A plain widget that paints one colour over a part of itself.
class TPainted : public QWidget {
 public:
  TPainted(QWidget* parent, QColor ground, QRect spot, QColor spotColour)
      : QWidget(parent), ground_(ground), spot_(spot), spotColour_(spotColour) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), ground_);
    p.fillRect(spot_, spotColour_);
  }

 private:
  QColor ground_;
  QRect spot_;
  QColor spotColour_;
};

}  // namespace skintest
