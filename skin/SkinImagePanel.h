#pragma once
// SkinImagePanel: panels. TskCustomPanel and TskImagePanel show a picture (at its place,
// stretched or tiled) and an optional caption; TskPanel is the collapsible caption panel of the
// editor's side bars, whose steps run on a timer.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "platform/base/Timer.h"
#include "platform/gfx/FontDescription.h"
#include "skin/Skinnable.h"

namespace skin {

// Where a control sits in its parent, as the framework aligned it; the panels' sizing rules
// depend on it (the parent's layout places the control).
enum TskAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TskDrawStyle { skNormal, skStretch, skTile };
enum TskAlignment { taLeftJustify, taRightJustify, taCenter };

class TskCustomPanel : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

 public:
  explicit TskCustomPanel(QWidget* parent = nullptr);

  const TBitmap& Picture() const { return picture_; }
  void SetPicture(const TBitmap& picture);
  TskDrawStyle DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(TskDrawStyle style);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TskAlignment Alignment = taCenter;
  TskAlign Align = alNone;
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // Writes the caption at this point instead of aligning it.
  std::optional<QPoint> CaptionPos;
  TColor Color = clBtnFace;
  platform::TFontDescription Font;

  virtual TBitmap PaintBitmap();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void PaintPicture(platform::TCanvas& c);
  void AdjustSize();

  TBitmap picture_;
  TskDrawStyle drawStyle_ = skNormal;
  bool autoSize_ = false;
  bool transparent_ = false;
  QString caption_;
};

class TskImagePanel : public TskCustomPanel {
  Q_OBJECT

 public:
  explicit TskImagePanel(QWidget* parent = nullptr) : TskCustomPanel(parent) {}
};

// The collapsible caption panel.
class TskPanel : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  static constexpr int kStep = 15;        // pixels per step
  static constexpr int kStepMs = 10;      // one step per 10 ms

  explicit TskPanel(QWidget* parent = nullptr);

  TColor BorderColor = 0;
  TColor CaptionFontColor = 0;
  TColor Color = 0xFFFFFF;
  bool ShowButton() const { return showButton_; }
  void SetShowButton(bool on);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  TskAlign Align = alNone;
  platform::TFontDescription Font;
  // The expanded height: applied while expanded, only stored while collapsed or animating.
  int Height() const { return storedHeight_; }
  void SetHeight(int h);
  bool Expanded() const { return expanded_; }
  bool Animating() const { return bool(animation_); }
  int TitleHeight() const;
  // Collapse to the title or expand again, in 15-pixel steps on the timer. Collapsing a panel
  // aligned to the client, left or right raises ESkinError.
  void Collapse();
  void Expand();
  QRect ButtonRect() const;
  std::function<void()> OnPush;
  std::function<void()> OnPop;

  TBitmap PaintBitmap();

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Step(int target, bool collapsing);
  void UpdateMargins();

  TBitmap title_;
  bool showButton_ = true;
  QString caption_;
  int storedHeight_ = 100;
  bool expanded_ = true;
  bool overButton_ = false;
  bool stepping_ = false;  // our own resizes, not the user's
  std::unique_ptr<platform::TTimer> animation_;
};

}  // namespace skin
