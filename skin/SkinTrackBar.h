#pragma once
// SkinTrackBar: a skinned slider: bar picture, draggable slider picture, tick marks, keys and
// paging while the mouse is held. Values and geometry are worked in 64 bits, so any 32-bit range
// works. TskScrollTrackBar is the track of the scroll bar: its pictures come from outside and
// its slider is never drawn transparent.
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/Timer.h"
#include "skin/SkinImagePanel.h"
#include "skin/Skinnable.h"

namespace skin {

enum TskProgressBarOrientation { skHorizontal, skVertical };

class TskTrackBar : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  static constexpr int kPagingMs = 100;

  explicit TskTrackBar(QWidget* parent = nullptr);
  ~TskTrackBar() override;

  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  TskProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TskProgressBarOrientation o);
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);  // 0..Max, else ignored
  int LineSize() const { return lineSize_; }
  void SetLineSize(int v);  // likewise
  bool ShowTick = true;
  int Frequency = 1;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
  void SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }
  TColor Color = clBtnFace;
  const TBitmap& BarImage() const { return barImage_; }
  void SetBarImage(const TBitmap& b);
  const TBitmap& SliderImage() const { return sliderImage_; }
  void SetSliderImage(const TBitmap& b);
  std::function<void()> OnChange;
  int LastChange() const { return lastChange_; }

  // Geometry along the track: its length L, the slider's length S, the slider's offset for
  // the position, the value at a point; and the tick offsets that are drawn.
  int TrackLength() const;
  int SliderLength() const;
  int SliderOffset() const;
  int ValueAt(int p) const;
  std::vector<int> TickOffsets() const;
  TskImagePanel* Slider() const { return slider_; }
  // The bar as it is built for the control's size (horizontal, or turned for a vertical bar).
  const TBitmap& BarBitmap() const { return bar_; }
  TBitmap PaintBitmap();

 protected:
  // The scroll track answers these differently.
  virtual bool PicturesFromOutside() const { return picturesFixed_; }
  virtual bool SliderTransparent() const { return orientation_ == skHorizontal; }

  void StyleChanged(const TThemeSource& source) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

  void Changed();
  void AdjustCross();
  void BuildBar();
  void PlaceSlider();
  int Along(QPoint p) const { return orientation_ == skHorizontal ? p.x() : p.y(); }
  void PageToward(int along, int step);

  int min_ = 0, max_ = 10, position_ = 0;
  TskProgressBarOrientation orientation_ = skHorizontal;
  int pageSize_ = 2, lineSize_ = 1;
  bool transparent_ = false;
  bool picturesFixed_ = false;
  TBitmap barImage_, sliderImage_, bar_;
  TskImagePanel* slider_;
  int lastPosition_ = 0, lastChange_ = 0;
  bool dragging_ = false;
  int grab_ = 0;  // where on the slider it was taken
  int pagingAt_ = 0;
  std::unique_ptr<platform::TTimer> paging_;
};

class TskScrollTrackBar : public TskTrackBar {
  Q_OBJECT

 public:
  explicit TskScrollTrackBar(QWidget* parent = nullptr);

 protected:
  bool PicturesFromOutside() const override { return true; }
  bool SliderTransparent() const override { return false; }
};

}  // namespace skin
