#include "skin/SkinTabControl.h"

#include <QMouseEvent>

#include "platform/base/GbkText.h"
#include "skin/SkinButton.h"
#include "skin/SkinMenu.h"

namespace skin {

using namespace platform;

namespace {

std::string Gbk(const QString& s) { return Utf8ToGbk(s.toStdString()); }

}  // namespace

// --- TskTabControlTopPanel ---

TskTabControlTopPanel::TskTabControlTopPanel(TskTab* owner)
    : QWidget(owner), TSkinnable(this, owner ? owner->UIStyle() : DeepBlue), owner_(owner) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  tabs_ << QStringLiteral("Tab1");
  visible_.assign(1, true);
  ApplyStyle();
}

void TskTabControlTopPanel::StyleChanged(const TThemeSource& source) {
  active_ = source.Image(tiTabControlTabImage, 1, 2);
  inactive_ = source.Image(tiTabControlTabImage, 2, 2);
  bar_ = source.Image(tiTabControlBarImage);
  scroll_ = source.Image(tiScrollButtonImage);
  Color = source.Color(tiControlBackgroundColor);
  setFixedHeight(StripHeight());
}

int TskTabControlTopPanel::StripHeight() const { return active_.Height() + bar_.Height(); }

void TskTabControlTopPanel::SetTabs(const QStringList& tabs) {
  tabs_ = tabs;
  visible_.assign(size_t(tabs.size()), true);
  if (tabs_.isEmpty()) tabIndex_ = -1;
  else if (tabIndex_ >= tabs_.size()) tabIndex_ = int(tabs_.size()) - 1;
  else if (tabIndex_ < 0) tabIndex_ = 0;
  firstShown_ = std::clamp(firstShown_, 0, std::max(0, int(tabs_.size()) - 1));
  update();
}

void TskTabControlTopPanel::SetTabIndex(int index) {
  if (tabs_.isEmpty()) index = -1;
  if (index < -1 || index >= tabs_.size()) return;
  tabIndex_ = index;
  update();
}

bool TskTabControlTopPanel::TabVisible(int index) const {
  return index >= 0 && size_t(index) < visible_.size() && visible_[size_t(index)];
}

void TskTabControlTopPanel::SetTabVisible(int index, bool visible) {
  if (index < 0 || index >= tabs_.size()) return;
  visible_.resize(size_t(tabs_.size()), true);
  visible_[size_t(index)] = visible;
  update();
}

int TskTabControlTopPanel::TabWidth(int index) const {
  const QString caption = tabs_.value(index);
  if (caption.isEmpty()) return 80;
  TFontDescription f = owner_ ? owner_->Font : DefaultControlFont();
  return std::max(15, TextExtent(f, Gbk(QString(caption).remove(QLatin1Char('&')))).cx + 20);
}

TskTabControlTopPanel::TLayout TskTabControlTopPanel::Layout() const {
  TLayout l;
  l.Tabs.resize(size_t(tabs_.size()));
  const int sw = scroll_.Width() / 4, sh = scroll_.Height();
  int x = LeftMargin;
  const int last = int(tabs_.size()) - 1;
  for (int i = firstShown_; i < tabs_.size(); ++i) {
    if (!TabVisible(i)) continue;
    const int w = TabWidth(i);
    const int available = i == last ? width() - 10 : width() - 2 * sw - 2;
    const bool active = i == tabIndex_;
    const int top = active ? 1 : 0;
    const int h = active ? active_.Height() : inactive_.Height();
    if (x + w > available) {
      l.Tabs[size_t(i)] = QRect(x, top, std::max(0, available - x), h);
      l.Cut = true;
      break;
    }
    l.Tabs[size_t(i)] = QRect(x, top, w, h);
    x += w;
  }
  if (l.Cut || firstShown_ > 0) {
    const int y = (active_.Height() - sh) / 2;
    l.ScrollRight = QRect(width() - sw, y, sw, sh);
    l.ScrollLeft = QRect(width() - 2 * sw, y, sw, sh);
  }
  return l;
}

TBitmap TskTabControlTopPanel::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  const int w = width(), th = active_.Height();
  c.Brush.Color = ColorToRGB(Color);
  c.FillRect({0, 0, w, height()});
  // The bar under the tabs, with the control's edges beside it.
  if (!bar_.Empty() && w > 2) c.StretchDraw({1, th, w - 1, th + bar_.Height()}, bar_);
  c.Brush.Color = ColorToRGB(owner_ ? owner_->BorderColor : 0);
  c.FillRect({0, th, 1, th + bar_.Height()});
  c.FillRect({w - 1, th, w, th + bar_.Height()});
  const TLayout l = Layout();
  c.Font = owner_ ? owner_->Font : DefaultControlFont();
  c.Brush.Style = bsClear;
  for (int i = 0; i < tabs_.size(); ++i) {
    const QRect r = l.Tabs[size_t(i)];
    if (r.isEmpty()) continue;
    const TBitmap& pic = i == tabIndex_ ? active_ : inactive_;
    const bool corners = !pic.Empty() && pic.GetPixel(0, 0) == clSkinKey;
    DrawThreePartImage(pic, c, {r.left(), r.top(), r.right() + 1, r.top() + pic.Height()}, corners);
    TRect text{r.left(), r.top(), r.right() + 1, r.top() + pic.Height()};
    const bool cut = l.Cut && i == [&] {
      for (int k = int(tabs_.size()) - 1; k >= 0; --k)
        if (!l.Tabs[size_t(k)].isEmpty()) return k;
      return -1;
    }();
    if (cut) {
      text.Left += 10;
      c.DrawText(Gbk(tabs_[i]), text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    } else {
      c.DrawText(Gbk(tabs_[i]), text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
  }
  if (!l.ScrollRight.isEmpty()) {
    TBitmap frame;
    CopyStripFrame(scroll_, frame, 4, l.ScrollRight.contains(mouse_) ? 2 : 1);
    DrawMaskedPicture(c, frame, l.ScrollRight.x(), l.ScrollRight.y(), frame.GetPixel(0, 0), false);
    CopyStripFrame(scroll_, frame, 4, l.ScrollLeft.contains(mouse_) ? 4 : 3);
    DrawMaskedPicture(c, frame, l.ScrollLeft.x(), l.ScrollLeft.y(), frame.GetPixel(0, 0), false);
  }
  return b;
}

void TskTabControlTopPanel::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

void TskTabControlTopPanel::mouseMoveEvent(QMouseEvent* event) {
  mouse_ = event->position().toPoint();
  update();
}

void TskTabControlTopPanel::leaveEvent(QEvent*) {
  mouse_ = QPoint(-1, -1);
  update();
}

void TskTabControlTopPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ClickAt(event->position().toPoint());
}

void TskTabControlTopPanel::ClickAt(QPoint p) {
  const TLayout l = Layout();
  if (l.ScrollLeft.contains(p)) {
    firstShown_ = std::max(0, firstShown_ - 1);
    update();
    return;
  }
  if (l.ScrollRight.contains(p)) {
    firstShown_ = std::min(int(tabs_.size()) - 1, firstShown_ + 1);
    update();
    return;
  }
  for (int i = 0; i < tabs_.size(); ++i) {
    if (l.Tabs[size_t(i)].isEmpty() || !l.Tabs[size_t(i)].contains(p) || i == tabIndex_) continue;
    if (owner_ && !owner_->Changing()) return;
    tabIndex_ = i;
    update();
    if (owner_) owner_->TabChanged(i);
    return;
  }
}

// --- TskTab ---

TskTab::TskTab(QWidget* parent) : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)), Font(DefaultControlFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  top_ = new TskTabControlTopPanel(this);
  resize(200, 80);
  ApplyStyle();
}

void TskTab::SetLeftMargin(int m) {
  top_->LeftMargin = m;
  top_->update();
}

bool TskTab::Changing() {
  bool allow = true;
  if (OnChanging) OnChanging(allow);
  return allow;
}

void TskTab::TabChanged(int index) {
  if (OnTabActive) OnTabActive(index);
  if (OnChange) OnChange();
}

void TskTab::StyleChanged(const TThemeSource& source) {
  top_->SetFileTheme(FileTheme());
  top_->SetUIStyle(UIStyle());
  BorderColor = source.Color(tiControlBorderColor);
  Color = source.Style() == WinXP ? 0xFFFFFF : source.Color(tiControlBackgroundColor);
  LayoutStrip();
}

void TskTab::LayoutStrip() {
  top_->setGeometry(0, 0, width(), top_->StripHeight());
  setContentsMargins(3, top_->StripHeight() + 3, 3, 3);
}

void TskTab::resizeEvent(QResizeEvent*) { LayoutStrip(); }

TBitmap TskTab::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  const int top = top_->StripHeight(), w = width(), h = height();
  c.Brush.Color = ColorToRGB(Color);
  c.FillRect({0, top, w, h});
  c.Brush.Color = ColorToRGB(BorderColor);
  c.FillRect({0, top, 1, h});
  c.FillRect({w - 1, top, w, h});
  c.FillRect({0, h - 1, w, h});
  return b;
}

void TskTab::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

}  // namespace skin
