#include "skin/SkinTitleBar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include "platform/base/GbkText.h"
#include "platform/gfx/TextLayout.h"
#include "skin/SkinForm.h"
#include "skin/SkinMenu.h"
#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

namespace {

const char kTitleFace[] = "Tahoma";

// The title-bar picture frames (normal, mouse on, mouse down) of each button type.
int FirstFrame(TskTitleBarBtnType type, bool maximized) {
  switch (type) {
    case skControlBox: return 1;
    case skHelp: return 4;
    case skMax: return maximized ? 10 : 7;
    case skMin: return 13;
    case skClose: return 16;
    default: return 0;
  }
}

}  // namespace

// --- Collections ---

void TskTitleBarButton::SetButtonType(TskTitleBarBtnType type) {
  if (type == skControlBox && type_ != skControlBox && owner_) {
    for (int i = 0; i < owner_->Count(); ++i)
      if (&(*owner_)[i] != this && (*owner_)[i].ButtonType() == skControlBox)
        throw ESkinError("Sorry, only one button's ButtonType property can be \"skControlBox\"");
  }
  type_ = type;
}

TskTitleBarButton& TskTitleBarButtons::Add(TskTitleBarBtnType type) {
  TskTitleBarButton& b = items_.emplace_back();
  b.owner_ = this;
  try {
    b.SetButtonType(type);
  } catch (...) {
    items_.pop_back();
    throw;
  }
  return b;
}

void TskTitleBarSection::SetAlign(TskTitleBarAlign align) {
  if (align == skClient && align_ != skClient && owner_) {
    for (int i = 0; i < owner_->Count(); ++i)
      if (&(*owner_)[i] != this && (*owner_)[i].Align() == skClient)
        throw ESkinError("Sorry, only one section's Align property can be \"skClient\"");
  }
  align_ = align;
}

TskTitleBarSection& TskTitleBarSections::Add() {
  TskTitleBarSection& s = items_.emplace_back();
  s.owner_ = this;
  return s;
}

// --- The title bar's menu ---

TskTitleBarPopupMenu::TskTitleBarPopupMenu(TskTitleBar* bar) : TskPopupMenu(bar), bar_(bar) {
  min_ = Menu()->addAction(QString::fromUtf8("最小化(&N)"));
  max_ = Menu()->addAction(QString::fromUtf8("最大化/还原(&X)"));
  Menu()->addSeparator();
  close_ = Menu()->addAction(QString::fromUtf8("关闭(&C)"));
  connect(min_, &QAction::triggered, bar, [bar] { bar->MinimizeApplication(); });
  connect(max_, &QAction::triggered, bar, [bar] {
    for (int i = 0; i < bar->Buttons().Count(); ++i)
      if (bar->Buttons()[i].Visible && bar->Buttons()[i].ButtonType() == skMax) bar->ButtonAction(i);
  });
  connect(close_, &QAction::triggered, bar, [bar] { bar->CloseWindow(); });
}

void TskTitleBarPopupMenu::Popup(int x, int y) {
  auto has = [&](TskTitleBarBtnType type) {
    for (int i = 0; i < bar_->Buttons().Count(); ++i)
      if (bar_->Buttons()[i].Visible && bar_->Buttons()[i].ButtonType() == type) return true;
    return false;
  };
  min_->setEnabled(has(skMin));
  max_->setEnabled(has(skMax));
  close_->setEnabled(has(skClose));
  TskPopupMenu::Popup(x, y);
}

// --- TskTitleBar ---

TskTitleBar::TskTitleBar(QWidget* parent, TskForm* frame)
    : QWidget(parent), TSkinnable(this, DefaultControlStyle(parent)), frame_(frame) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  Font.Name = kTitleFace;
  Font.SetSize(9);
  Font.Style = FontStyleBit(fsBold);
  Font.Color = 0xFFFFFF;
  popup_ = new TskTitleBarPopupMenu(this);
  for (TskTitleBarBtnType t : {skControlBox, skClose, skMax, skMin}) buttons_.Add(t);
  resize(200, 20);
  ApplyStyle();
}

TskTitleBar::~TskTitleBar() = default;

void TskTitleBar::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on && sections_.Count() > 0 && !sections_[0].Picture.Empty())
    setFixedHeight(std::max(0, sections_[0].Picture.Height() - (InsideFrame() ? 3 : 0)));
}

void TskTitleBar::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TskTitleBar::SetFormActive(bool active) {
  formActive_ = active;
  update();
}

bool TskTitleBar::HostMaximized() const { return window() && window()->isMaximized(); }

void TskTitleBar::ApplyButtonStyle(TskTitleBarButton& b, const TThemeSource& source) const {
  b.UIStyle = source.Style();
  b.Transparent = source.Bool(tiTitleBarButtonTransparentBool);
  b.Top = ButtonTop;
  const int first = FirstFrame(b.ButtonType(), HostMaximized());
  if (first == 0) return;  // a custom button keeps its own pictures
  b.PicNormal = source.Image(tiTitleBarButtonImage, first, 18);
  b.PicMouseOn = source.Image(tiTitleBarButtonImage, first + 1, 18);
  b.PicMouseDown = source.Image(tiTitleBarButtonImage, first + 2, 18);
}

void TskTitleBar::UpdateButtonPictures() {
  for (int i = 0; i < buttons_.Count(); ++i) ApplyButtonStyle(buttons_[i], source_);
  update();
}

void TskTitleBar::StyleChanged(const TThemeSource& source) {
  source_ = source;
  if (!Custom) {
    sections_.Clear();
    TskTitleBarSection& left = sections_.Add();
    left.Picture = source.Image(tiTitleBarLeftImage);
    left.AutoSize = true;
    left.Width = left.Picture.Width();
    TskTitleBarSection& right = sections_.Add();
    right.Picture = source.Image(tiTitleBarRightImage);
    right.AutoSize = true;
    right.Width = right.Picture.Width();
    right.SetAlign(skRight);
    TskTitleBarSection& client = sections_.Add();
    client.Picture = source.Image(tiTitleBarClientImage);
    client.SetAlign(skClient);
  }
  LeftBtnXOffset = source.Int(tiTitleBarButtonLeftOffsetInt);
  RightBtnXOffset = source.Int(tiTitleBarButtonRightOffsetInt);
  BorderColor = source.Color(tiFormBorderColor);
  ButtonPictureHeight = source.Image(tiTitleBarButtonImage).Height();
  ButtonTop = source.Int(tiTitleBarButtonTopInt) - (InsideFrame() ? 3 : 0);
  if (frame_ && window()) window()->setMinimumWidth(std::max(125, source.Int(tiFormMinWidthInt)));
  RoundCorner = source.Int(tiFormRoundCornerInt);
  if (!Custom) {
    for (int i = 0; i < buttons_.Count(); ++i) ApplyButtonStyle(buttons_[i], source);
    if (source.FromFile()) {
      const TColor f = source.Color(tiControlFontColor);
      Font.Color = (f == 0x010000 || f == 0x030000 || f == 0x040000 || f == 0x050000) ? 0 : 0xFFFFFF;
    } else {
      Font.Color = source.Style() == MacOS ? 0x000000 : 0xFFFFFF;
    }
  }
  popup_->SetFileTheme(FileTheme());
  popup_->SetUIStyle(UIStyle());
  SetAutoSize(true);
}

TskTitleBar::TLayout TskTitleBar::Layout() const {
  TLayout l;
  l.Buttons.resize(size_t(buttons_.Count()));
  const int shift = InsideFrame() && HostMaximized() ? -3 : 0;
  int x = width() + 1 + RightBtnXOffset;
  for (int i = 0; i < buttons_.Count(); ++i) {
    const TskTitleBarButton& b = buttons_[i];
    if (!b.Visible || b.ButtonType() == skControlBox) continue;
    const int w = b.PicNormal.Width(), h = b.PicNormal.Height();
    x -= w + 1 + ButtonInterval;
    l.Buttons[size_t(i)] = QRect(x + shift, b.Top + shift, w, h);
  }
  l.TextEnd = x + shift;
  int left = LeftBtnXOffset;
  if (DrawAppIcon) {
    l.TextStart = left + 21;
  } else {
    l.TextStart = left;
    for (int i = 0; i < buttons_.Count(); ++i) {
      const TskTitleBarButton& b = buttons_[i];
      if (!b.Visible || b.ButtonType() != skControlBox) continue;
      l.Buttons[size_t(i)] = QRect(left + shift, b.Top + shift, b.PicNormal.Width(), b.PicNormal.Height());
      l.TextStart = left + b.PicNormal.Width() + 5;
      break;
    }
  }
  if (l.TextStart == 0) l.TextStart = 6;
  l.TextStart += shift;
  return l;
}

int TskTitleBar::CaptionSpace() const {
  const TLayout l = Layout();
  return l.TextEnd - l.TextStart - CaptionGap;
}

// The space grows with the bar, pixel for pixel.
int TskTitleBar::WidthFor(const QString& caption) const {
  return width() - CaptionSpace() + TextExtent(Font, Utf8ToGbk(caption.toStdString())).cx;
}

std::string TskTitleBar::FitCaption(const std::string& caption, int width) const {
  if (TextExtent(Font, caption).cx <= width) return caption;
  static const std::string dots = "...";
  if (TextExtent(Font, dots).cx > width) return {};
  const std::vector<TGbkChar> chars = DecodeGbk(caption);
  // Drop whole characters from the end until the rest and "..." fit; stop at the empty rest.
  for (size_t keep = chars.size(); keep-- > 0;) {
    const std::string rest = caption.substr(0, chars[keep].Offset);
    if (TextExtent(Font, rest + dots).cx <= width) return rest + dots;
  }
  return dots;
}

TBitmap TskTitleBar::PaintBitmap() {
  TBitmap b = ControlBitmap(this);
  TCanvas c(b);
  const int W = width();
  c.Brush.Color = ColorToRGB(BorderColor);
  c.FillRect({0, 0, W, height()});
  const int shift = InsideFrame() && HostMaximized() ? -3 : 0;
  // 1. Sections by position: left, right, and the client one stretched between them.
  int leftW = 0, rightW = 0;
  if (sections_.Count() > 0 && !sections_[0].Picture.Empty()) {
    c.Draw(shift, shift, sections_[0].Picture);
    leftW = sections_[0].Picture.Width();
  }
  if (sections_.Count() > 1 && !sections_[1].Picture.Empty()) {
    rightW = sections_[1].Picture.Width();
    c.Draw(W - rightW + shift, shift, sections_[1].Picture);
  }
  if (sections_.Count() > 2 && !sections_[2].Picture.Empty()) {
    const TBitmap& p = sections_[2].Picture;
    const TRect client{leftW + shift, shift, W - rightW + shift, p.Height() + shift};
    if (client.Width() > 0) c.StretchDraw(client, p);  // a bar too narrow for both caps has none
  }
  // 2. and 3. Buttons.
  const TLayout l = Layout();
  for (int i = 0; i < buttons_.Count(); ++i) {
    const QRect r = l.Buttons[size_t(i)];
    if (r.isEmpty()) continue;
    const TskTitleBarButton& btn = buttons_[i];
    const TBitmap& pic = i == hot_ ? (mouseDown_ ? btn.PicMouseDown : btn.PicMouseOn) : btn.PicNormal;
    if (pic.Empty()) continue;
    DrawMaskedPicture(c, pic, r.x(), r.y(), btn.Transparent ? pic.GetPixel(0, 0) : clInvalid, false);
  }
  if (DrawAppIcon) {
    const QIcon icon = QApplication::windowIcon();
    const TBitmap picture = IconPicture(icon);
    if (!picture.Empty()) DrawMaskedPicture(c, picture, LeftBtnXOffset + 3 + shift, ButtonTop + shift, clSkinKey, false);
  }
  // 4. Caption.
  c.Font = Font;
  c.Font.Color = formActive_ ? Font.Color : 0x808080;
  c.Brush.Style = bsClear;
  const std::string caption = FitCaption(Utf8ToGbk(caption_.toStdString()), CaptionSpace());
  if (!caption.empty()) {
    const int y = ButtonTop + shift + (ButtonPictureHeight - c.TextHeight(caption)) / 2;
    c.TextOut(l.TextStart, y, caption);
  }
  return b;
}

void TskTitleBar::paintEvent(QPaintEvent*) { PaintToWidget(this, PaintBitmap()); }

int TskTitleBar::ButtonAt(QPoint p) const {
  const TLayout l = Layout();
  for (size_t i = 0; i < l.Buttons.size(); ++i)
    if (!l.Buttons[i].isEmpty() && l.Buttons[i].contains(p)) return int(i);
  return -1;
}

void TskTitleBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  mouseDown_ = true;
  hot_ = ButtonAt(event->position().toPoint());
  update();
  if (hot_ < 0 && !HostMaximized()) {
    QWidget* host = window();
    const bool system = host->windowHandle() && host->windowHandle()->startSystemMove();
    if (!system) {  // the platform does not drag: move the window with the mouse ourselves
      dragging_ = true;
      dragFrom_ = event->globalPosition().toPoint();
    }
    mouseDown_ = false;
  }
}

void TskTitleBar::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    const QPoint now = event->globalPosition().toPoint();
    QWidget* host = window();
    host->move(host->pos() + (now - dragFrom_));
    dragFrom_ = now;
    return;
  }
  const int hot = ButtonAt(event->position().toPoint());
  if (hot != hot_) {
    hot_ = hot;
    update();
  }
}

void TskTitleBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  if (dragging_) {
    dragging_ = false;
    return;
  }
  const bool wasDown = mouseDown_;
  mouseDown_ = false;
  const int hot = ButtonAt(event->position().toPoint());
  hot_ = hot;
  update();
  if (wasDown && hot >= 0) ButtonAction(hot);
}

void TskTitleBar::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int at = ButtonAt(event->position().toPoint());
  mouseDown_ = false;  // the release that follows acts on nothing
  if (at >= 0) {
    if (buttons_[at].ButtonType() == skControlBox) CloseWindow();
    return;
  }
  for (int i = 0; i < buttons_.Count(); ++i)
    if (buttons_[i].Visible && buttons_[i].ButtonType() == skMax) {
      ButtonAction(i);
      return;
    }
}

void TskTitleBar::leaveEvent(QEvent*) {
  if (hot_ != -1) {
    hot_ = -1;
    update();
  }
}

void TskTitleBar::ButtonAction(int index) {
  if (index < 0 || index >= buttons_.Count()) return;
  TskTitleBarButton& b = buttons_[index];
  const QPoint below = mapToGlobal(QPoint(0, height()));
  switch (b.ButtonType()) {
    case skControlBox:
      if (b.ControlBoxMenu) b.ControlBoxMenu->Popup(below.x(), below.y());
      else popup_->Popup(below.x(), below.y());
      break;
    case skMax: ToggleMaximized(); break;
    case skMin: MinimizeApplication(); break;
    case skClose: CloseWindow(); break;
    case skCustom:
      if (OnCustomButtonClick) OnCustomButtonClick(index);
      break;
    case skHelp:
      if (OnHelpButtonClick) OnHelpButtonClick(index);
      break;
  }
}

void TskTitleBar::ToggleMaximized() {
  if (frame_) {
    frame_->ToggleMaximized();
  } else {
    QWidget* host = window();
    if (host->isMaximized()) host->showNormal();
    else host->showMaximized();
  }
  UpdateButtonPictures();
}

void TskTitleBar::MinimizeApplication() {
  TskForm* main = TskForm::MainFrame();
  QWidget* host = main && main->Host() ? main->Host() : window();
  host->showMinimized();
}

void TskTitleBar::CloseWindow() { window()->close(); }

}  // namespace skin
