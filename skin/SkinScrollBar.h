#pragma once
// SkinScrollBar: a skinned scroll bar: a scroll track between two line buttons that repeat
// every 100 ms while held; the slider is composed from the style's three slider parts.
#include <QWidget>
#include <functional>

#include "skin/SkinButton.h"
#include "skin/SkinTrackBar.h"
#include "skin/Skinnable.h"

namespace skin {

class TskScrollBar : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskScrollBar(QWidget* parent = nullptr);

  TskProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TskProgressBarOrientation o);
  int Min() const { return track_->Min(); }
  void SetMin(int v) { track_->SetMin(v); }
  int Max() const { return track_->Max(); }
  void SetMax(int v) { track_->SetMax(v); }
  int Position() const { return track_->Position(); }
  void SetPosition(int v) { track_->SetPosition(v); }
  int SmallChange = 1;
  int LargeChange() const { return track_->PageSize(); }
  void SetLargeChange(int v) { SetPageSize(v); }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);
  // The slider's length in pixels (0: PageSize percent of the track).
  int LineButton() const { return lineButton_; }
  void SetLineButton(int v);
  TColor Color = 0xF5F5F5;
  std::function<void()>& OnChange() { return track_->OnChange; }

  TskScrollTrackBar* Track() const { return track_; }
  TskImageButton* FirstButton() const { return first_; }
  TskImageButton* SecondButton() const { return second_; }

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void LayoutParts();
  void BuildSlider();
  void Step(int delta);

  TskProgressBarOrientation orientation_ = skHorizontal;
  int pageSize_ = 2;
  int lineButton_ = 0;
  TskScrollTrackBar* track_;
  TskImageButton* first_;
  TskImageButton* second_;
  TBitmap parts_[3];  // start cap, middle, end cap
  bool laying_ = false;
};

}  // namespace skin
