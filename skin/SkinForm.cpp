#include "skin/SkinForm.h"

#include <QApplication>
#include <QFrame>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QWindow>
#include <cmath>
#include <vector>

#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"
#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

namespace {

std::vector<TskForm*>& Frames() {
  static std::vector<TskForm*> frames;
  return frames;
}


std::string Gbk(const QString& s) { return Utf8ToGbk(s.toStdString()); }

}  // namespace

// The client area: the window's content lives here, on the frame's background.
class TskClientArea : public QWidget {
 public:
  explicit TskClientArea(TskForm* frame) : QWidget(frame), frame_(frame) { setAttribute(Qt::WA_OpaquePaintEvent); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    const QRect dirty = event->rect();
    TBitmap b(dirty.width(), dirty.height(), pf24bit);
    TCanvas c(b);
    c.SetOrigin(-dirty.x(), -dirty.y());
    // The pattern starts at the frame's client origin, above the title bar.
    const QPoint origin = QPoint(frame_->BandWidth(), 3) - pos();
    frame_->PaintBackground(c, {dirty.x(), dirty.y(), dirty.right() + 1, dirty.bottom() + 1}, origin);
    QPainter p(this);
    PaintToWidget(p, b, dirty.x(), dirty.y());
  }
  void resizeEvent(QResizeEvent*) override {
    if (frame_->formPanel_) frame_->formPanel_->setGeometry(rect());
  }

 private:
  TskForm* frame_;
};

// --- TskMenuBarStyle ---

TskMenuBarStyle::TskMenuBarStyle(const TskForm* frame)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), frame_(frame) {}

int TskMenuBarStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuBarPanelWidth:
    case PM_MenuBarItemSpacing:
    case PM_MenuBarHMargin:
    case PM_MenuBarVMargin: return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize TskMenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                        const QWidget* widget) const {
  if (type == CT_MenuBarItem) {
    if (const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      QString caption = o->text;
      caption.remove(QLatin1Char('&'));
      return {TextExtent(frame_->MenuBarFont(), Gbk(caption)).cx + 16, frame_->MenuBarHeight()};
    }
  }
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TskMenuBarStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
  if (element != CE_MenuBarItem && element != CE_MenuBarEmptyArea)
    return QProxyStyle::drawControl(element, option, painter, widget);
  const QRect r = option->rect;
  if (r.isEmpty()) return;
  const TThemeSource source = frame_->MenuBarSource();
  const bool mac = source.Style() == MacOS;
  TBitmap b(r.width(), r.height(), pf24bit);
  TCanvas c(b);
  const TRect all{0, 0, r.width(), r.height()};
  // The bar's ground.
  if (mac) {
    if (const TBitmap* bar = BuiltInPicture("MACOS_MENU_BAR")) c.StretchDraw(all, *bar);
  } else {
    FillColor(c, all, frame_->MenuBarColor());
  }
  if (element == CE_MenuBarItem) {
    const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const bool enabled = option->state & State_Enabled;
    const bool pressed = enabled && (option->state & State_Sunken);
    const bool hot = enabled && (option->state & State_Selected);
    c.Font = frame_->MenuBarFont();
    TColor color;
    TRect text = all.Offset(0, 2);
    if (hot || pressed) {
      if (mac) {
        if (const TBitmap* sel = BuiltInPicture("MACOS_MENU_SELECT")) c.StretchDraw(all, *sel);
      } else {
        const TRect box = pressed ? TRect{0, 0, all.Right, all.Bottom - 2} : all;
        FillColor(c, box, source.Color(tiMenuSelectedBackgroundColor));
        c.Brush.Style = bsClear;
        c.Pen.Style = psSolid;
        c.Pen.Width = 1;
        c.Pen.Color = source.Color(tiMenuSelectedBorderColor);
        c.Rectangle(box);
        if (pressed) text = text.Offset(2, 0);
      }
      color = source.Color(tiMenuSelectedFontColor);
    } else if (!enabled) {
      color = 0x808080;
    } else {
      color = source.FromFile() && source.Color(tiControlFontColor) == 0x030000 ? 0xFFFFFF
                                                                                : source.Color(tiMenuFontColor);
    }
    c.Font.Color = ColorToRGB(color);
    c.Brush.Style = bsClear;
    if (o) c.DrawText(Gbk(o->text), text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  PaintToWidget(*painter, b, r.x(), r.y());
}

// --- TskForm ---

TskForm::TskForm(QWidget* host) : QWidget(host), TSkinnable(this, DeepBlue) {
  titleBar_ = new TskTitleBar(this, nullptr);
  client_ = new TskClientArea(this);
  bool attach = host && host->isWindow();
  if (attach) {
    for (QObject* child : host->children())
      if (auto* other = qobject_cast<TskForm*>(child); other && other != this && other->IsFrame()) attach = false;
  }
  if (attach) {
    host_ = host;
    AttachToHost();
  }
  ApplyStyle();
}

TskForm::~TskForm() {
  std::erase(Frames(), this);
  if (menu_ && menu_->Frame() == this) menu_->SetFrame(nullptr);
  if (host_) {
    host_->removeEventFilter(this);
    host_->clearMask();
  }
}

TskForm* TskForm::Attach(QWidget* window, TskUIStyle style) {
  auto* frame = new TskForm(window);
  frame->SetUIStyle(style);
  // The controls the window already holds were made before their frame: they take its style
  // now, as a control made after it would (a control that needs another style sets it after).
  for (QObject* o : window->findChildren<QObject*>())
    if (HasPublishedProperty(o, "UIStyle") && AsSkinnable(o)) o->setProperty("UIStyle", QVariant::fromValue(style));
  return frame;
}

TskForm* TskForm::MainFrame() { return Frames().empty() ? nullptr : Frames().front(); }

void TskForm::AttachToHost() {
  QWidget* host = host_;
  // titleBar_ was made before the host was known; it belongs to this frame.
  delete titleBar_;
  titleBar_ = new TskTitleBar(this, this);
  titleBar_->OnCustomButtonClick = [this](int i) {
    if (OnTitleBarCustomBtnsClick) OnTitleBarCustomBtnsClick(i);
  };
  titleBar_->OnHelpButtonClick = [this](int i) {
    if (OnTitleBarHelpBtnClick) OnTitleBarHelpBtnClick(i);
  };
  Frames().push_back(this);

  // The window's content moves into the client area: its layout and its child widgets.
  if (QLayout* layout = host->layout()) client_->setLayout(layout);
  const QObjectList children = host->children();
  for (QObject* o : children) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w == this || w->isWindow()) continue;
    const bool shown = !w->isHidden();
    const QRect g = w->geometry();
    w->setParent(client_);
    w->setGeometry(g);
    if (shown) w->show();
  }

  const bool visible = host->isVisible();
  host->setWindowFlag(Qt::FramelessWindowHint, true);
  host->setMinimumSize(std::max(125, host->minimumWidth()), std::max(50, host->minimumHeight()));
  setMinimumSize(125, 50);
  host->installEventFilter(this);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  titleBar_->SetCaption(host->windowTitle());
  setGeometry(host->rect());
  lower();
  show();
  if (visible) host->show();

  if (Frames().size() == 1) {
    // Alt+Space: the title-bar menu of the main window, once per program.
    altSpace_ = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), host);
    altSpace_->setContext(Qt::ApplicationShortcut);
    connect(altSpace_, &QShortcut::activated, this, [this] {
      if (!host_) return;
      const QPoint at = host_->geometry().topLeft() + QPoint(0, titleBar_->height());
      titleBar_->PopupMenu()->Popup(at.x(), at.y());
    });
  }
  LayoutParts();
}

int TskForm::BandWidth() const { return std::max(3, borderWidth_); }
int TskForm::TitleHeight() const { return titleBarVisible_ ? titleBar_->height() : 0; }
int TskForm::MenuHeight() const { return menuBar_ && menuBar_->isVisibleTo(this) ? menuBarHeight_ : 0; }

void TskForm::LayoutParts() {
  if (!IsFrame()) {
    titleBar_->hide();
    client_->setGeometry(rect());
    return;
  }
  const int bw = BandWidth(), w = width(), h = height();
  titleBar_->setVisible(titleBarVisible_);
  titleBar_->setGeometry(bw, 3, std::max(0, w - 2 * bw), titleBar_->height());
  int top = 3 + TitleHeight();
  if (menuBar_) {
    menuBar_->setGeometry(bw, top, std::max(0, w - 2 * bw), menuBarHeight_);
    top += MenuHeight();
  }
  client_->setGeometry(bw, top, std::max(0, w - 2 * bw), std::max(0, h - top - bw));
  update();
}

void TskForm::resizeEvent(QResizeEvent*) {
  LayoutParts();
  UpdateFormRegion();
}

void TskForm::SetBorderColor(TColor c) {
  borderColor_ = c;
  update();
}

void TskForm::SetBorderWidth(int w) {
  borderWidth_ = w;
  LayoutParts();
}

void TskForm::SetTitleBarVisible(bool on) {
  titleBarVisible_ = on;
  titleBar_->raise();
  LayoutParts();
}

void TskForm::SetColor(TColor c) {
  color_ = c;
  update();
  client_->update();
}

QString TskForm::Caption() const { return titleBar_->Caption(); }

void TskForm::SetCaption(const QString& caption) {
  titleBar_->SetCaption(caption);
  if (host_) host_->setWindowTitle(caption);
}

int TskForm::WidthForCaption(const QString& caption) const {
  return titleBar_->WidthFor(caption) + 2 * BandWidth();
}

void TskForm::SetFormPanel(QWidget* panel) {
  if (panel == this) throw ESkinError("Sorry, you can't select the Form assign to FormPanel property");
  formPanel_ = panel;
  if (!panel) return;
  panel->setParent(client_);
  if (auto* frame = qobject_cast<QFrame*>(panel)) frame->setFrameShape(QFrame::NoFrame);
  if (HasPublishedProperty(panel, "Caption")) panel->setProperty("Caption", QString());
  panel->setGeometry(client_->rect());
  panel->show();
}

void TskForm::SetTitleBarDrawAppIcon(bool on) {
  titleBar_->DrawAppIcon = on;
  titleBar_->update();
}

void TskForm::SetMenu(TskMainMenu* menu) {
  if (menu_ == menu) return;
  if (menu_ && menu_->Frame() == this) menu_->SetFrame(nullptr);
  menu_ = menu;
  if (menu) {
    menu->SetFrame(this);
    if (!menuBar_) {
      menuBar_ = new QMenuBar(this);
      menuBar_->setNativeMenuBar(false);
      menuBarStyle_ = new TskMenuBarStyle(this);
      menuBarStyle_->setParent(menuBar_);
      menuBar_->setStyle(menuBarStyle_);
      menuBar_->show();
    }
    menu->SetFileTheme(FileTheme());
    menu->SetUIStyle(UIStyle());
    RebuildMenuBar();
    connect(menu, &QObject::destroyed, this, [this] {
      delete menuBar_;
      menuBar_ = nullptr;
      LayoutParts();
    });
  } else {
    delete menuBar_;
    menuBar_ = nullptr;
  }
  LayoutParts();
}

void TskForm::RebuildMenuBar() {
  if (!menuBar_ || !menu_) return;
  menuBar_->clear();
  for (QMenu* m : menu_->Menus()) menuBar_->addMenu(m);
  // The menus' actions join the window, so their short cuts work without a native menu bar.
  if (host_) {
    std::function<void(QMenu*)> add = [&](QMenu* m) {
      for (QAction* a : m->actions()) {
        if (QMenu* sub = a->menu()) add(sub);
        else if (!a->isSeparator() && !host_->actions().contains(a)) host_->addAction(a);
      }
    };
    for (QMenu* m : menu_->Menus()) add(m);
  }
  RefreshMenuBar();
}

void TskForm::RefreshMenuBar() {
  if (!menuBar_) return;
  menuBar_->setFixedHeight(menuBarHeight_);
  menuBar_->updateGeometry();
  menuBar_->update();
}

void TskForm::SetMenuBarColor(TColor c) {
  menuBarColor_ = c;
  if (menuBar_) menuBar_->update();
  update();
}

void TskForm::SetMenuBarHeight(int h) {
  menuBarHeight_ = h;
  RefreshMenuBar();
  LayoutParts();
}

void TskForm::SetRoundCorner(int r) {
  titleBar_->RoundCorner = r;
  UpdateFormRegion();
}

TThemeSource TskForm::MenuBarSource() const { return menu_ ? menu_->ThemeSource() : ThemeSource(); }

TFontDescription TskForm::MenuBarFont() const {
  if (menu_) return menu_->ItemFont();
  TskMenuBase plain(nullptr);
  return plain.ItemFont();
}

void TskForm::StyleChanged(const TThemeSource& source) {
  borderColor_ = source.Color(tiFormBorderColor);
  borderWidth_ = source.Int(tiFormBorderWidthInt);
  color_ = source.Color(tiFormBackgroundColor);
  if (source.FromFile()) {
    const TColor f = source.Color(tiControlFontColor);
    menuBarColor_ = f == 0x020000 ? 0xAC5B3B : f == 0x030000 ? 0x996733 : color_;
  } else {
    menuBarColor_ = color_;
  }
  titleBar_->SetFileTheme(FileTheme());
  titleBar_->SetUIStyle(UIStyle());
  titleBar_->RoundCorner = source.Int(tiFormRoundCornerInt);
  if (menu_) {
    menu_->SetFileTheme(FileTheme());
    menu_->SetUIStyle(UIStyle());
  }
  if (UIStyleAutoUpdateSub) PropagateStyleToChildren(client_, UIStyle(), FileTheme());
  LayoutParts();
  UpdateFormRegion();
  client_->update();
  if (menuBar_) menuBar_->update();
}

QRegion TskForm::WindowShape() const {
  const int w = width(), h = height(), rc = titleBar_->RoundCorner;
  if (rc <= 0) return QRegion(0, 0, w, h);
  // Rows of the top corners follow an ellipse of rc x rc; everything below them is whole.
  QRegion shape;
  const double r = rc / 2.0;
  const int rows = std::min(int(std::ceil(r)), h);
  for (int y = 0; y < rows; ++y) {
    const double dy = r - (y + 0.5);
    const double dx = r - std::sqrt(std::max(0.0, r * r - dy * dy));
    const int inset = int(std::floor(dx + 0.5));
    shape += QRect(inset, y, std::max(0, w - 2 * inset), 1);
  }
  shape += QRect(0, rows, w, h - rows);
  return shape;
}

void TskForm::UpdateFormRegion() {
  if (!host_) return;
  host_->setMask(WindowShape());
}

void TskForm::ToggleMaximized() {
  if (!host_) return;
  if (host_->isMaximized()) {
    host_->overrideWindowState(host_->windowState() & ~Qt::WindowMaximized);
    if (normalGeometry_.isValid()) host_->setGeometry(normalGeometry_);
  } else {
    normalGeometry_ = host_->geometry();
    const TRect work = GetWorkArea(host_);
    host_->setGeometry(work.Left, work.Top, work.Width(), work.Height() - 1);
    // Qt's maximised state without the platform's maximise, which would cover the bottom row.
    host_->overrideWindowState(host_->windowState() | Qt::WindowMaximized);
  }
  titleBar_->UpdateButtonPictures();
  update();
}

void TskForm::PaintBackground(TCanvas& c, const TRect& area, QPoint clientOrigin) const {
  const TskUIStyle style = ThemeSource().Style();
  const char* pattern = style == MacOS ? "MACOS_FORM_BACKGROUND" : style == Protein ? "PROTEIN_FORM_BACKGROUND" : nullptr;
  if (const TBitmap* tile = pattern ? BuiltInPicture(pattern) : nullptr) {
    FillPattern(c, *tile, area, {clientOrigin.x(), clientOrigin.y()});  // from the client's origin
  } else {
    FillColor(c, area, color_);
  }
}

TBitmap TskForm::PaintBitmap() {
  TBitmap b(width(), height(), pf24bit);
  TCanvas c(b);
  Paint(c);
  return b;
}

void TskForm::Paint(TCanvas& c) {
  const int w = width(), h = height();
  const int bw = BandWidth(), border = borderWidth_;
  PaintBackground(c, {0, 0, w, h}, QPoint(bw, 3));
  if (!IsFrame()) return;
  const int titleBottom = 3 + TitleHeight();
  // Beside the title bar the bands continue its pictures.
  if (titleBarVisible_ && titleBar_->Sections().Count() >= 2) {
    const TBitmap& left = titleBar_->Sections()[0].Picture;
    const TBitmap& right = titleBar_->Sections()[1].Picture;
    c.SetClipRect({0, 3, bw, titleBottom});
    c.Draw(0, 3, left);
    c.SetClipRect({w - bw, 3, w, titleBottom});
    c.Draw(w - right.Width(), 3, right);
    c.RemoveClip();
  }
  // 1. The left, bottom and right bands in the border colour.
  FillColor(c, {0, 0, border, h}, borderColor_);
  FillColor(c, {w - border, 0, w, h}, borderColor_);
  FillColor(c, {0, h - border, w, h}, borderColor_);
  // 2. The rest of the 3-pixel bands: the form colour, the menu bar's beside it.
  if (border < 4) {
    const int menuBottom = titleBottom + MenuHeight();
    if (MenuHeight() > 0) {
      FillColor(c, {border, titleBottom, bw, menuBottom}, menuBarColor_);
      FillColor(c, {w - bw, titleBottom, w - border, menuBottom}, menuBarColor_);
    }
    FillColor(c, {border, menuBottom, bw, h - border}, color_);
    FillColor(c, {w - bw, menuBottom, w - border, h - border}, color_);
    FillColor(c, {border, h - bw, w - border, h - border}, color_);
  }
  // 3. and 4. The top three rows.
  const TskTitleBarSections& s = titleBar_->Sections();
  const bool pictures = s.Count() == 3 && !s[0].Picture.Empty() && !s[1].Picture.Empty() && !s[2].Picture.Empty();
  if (titleBarVisible_ && pictures && border < 4) {
    const TBitmap &left = s[0].Picture, &right = s[1].Picture, &client = s[2].Picture;
    c.CopyRect({0, 0, left.Width(), 3}, left, {0, 0, left.Width(), 3});
    c.CopyRect({w - right.Width(), 0, w, 3}, right, {0, 0, right.Width(), 3});
    if (w - right.Width() > left.Width())
      c.CopyRect({left.Width(), 0, w - right.Width(), 3}, client, {0, 0, client.Width(), 3});
    if (border == 1 && titleBar_->RoundCorner == 11) {
      // Outline the rounded top corners.
      c.Brush.Style = bsClear;
      c.Pen.Style = psSolid;
      c.Pen.Width = 1;
      c.Pen.Color = ColorToRGB(borderColor_);
      c.SetClipRect({0, 0, 6, 6});
      c.Ellipse({0, 0, 12, 12});
      c.SetClipRect({w - 6, 0, w, 6});
      c.Ellipse({w - 12, 0, w, 12});
      c.RemoveClip();
    }
  } else if (!titleBarVisible_) {
    FillColor(c, {0, 0, w, 1}, borderColor_);
    FillColor(c, {border, 1, w - border, 3}, color_);
  }
}

void TskForm::paintEvent(QPaintEvent* event) {
  if (host_ && host_->isMinimized()) return;
  // Only what shows: the client area and the bars lie on top of most of the frame.
  QPainter painter(this);
  for (const QRect& r : event->region()) {
    TBitmap b(r.width(), r.height(), pf24bit);
    TCanvas c(b);
    c.SetOrigin(-r.x(), -r.y());
    Paint(c);
    PaintToWidget(painter, b, r.x(), r.y());
  }
}

bool TskForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == host_) {
    switch (event->type()) {
      case QEvent::Resize:
        setGeometry(host_->rect());
        break;
      case QEvent::WindowActivate:
        titleBar_->SetFormActive(true);
        break;
      case QEvent::WindowDeactivate:
        titleBar_->SetFormActive(false);
        break;
      case QEvent::WindowTitleChange:
        titleBar_->SetCaption(host_->windowTitle());
        break;
      case QEvent::WindowStateChange:
        titleBar_->UpdateButtonPictures();
        break;
      case QEvent::Show:
        // The program's own shows; the window system's (a restore) leave it where it was.
        if (!event->spontaneous()) PlaceHost();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

namespace {

// Where a window lies on the screen. A frameless window's frame is its own, so it is the
// window's rectangle where the window system shows it: Qt's frame geometry counts the extent of
// a window manager's frame as Qt last read it, which just after a window was mapped can be any
// size (a 1 x 1 frame round a 570 x 289 dialog has been seen), and would place a dialog by it.
QRect OnScreen(const QWidget& window) {
  if (window.windowFlags() & Qt::FramelessWindowHint) return QRect(ScreenPosition(window), window.size());
  return window.frameGeometry();
}

}  // namespace

QPoint TskForm::PlacedPosition() const {
  if (!host_) return {};
  const QWidget* host = host_;
  if (placement_ == TskFormPlacement::Designed) return host->pos();
  const auto usable = [host](const QWidget* w) {
    return w && w != host && w->isVisible() && !w->isMinimized() ? w : nullptr;
  };
  const QWidget* owner = nullptr;
  if (placement_ == TskFormPlacement::OwnerCentre) {
    owner = usable(host->parentWidget() ? host->parentWidget()->window() : nullptr);
    if (!owner) owner = usable(QApplication::activeWindow());
    if (!owner && MainFrame()) owner = usable(MainFrame()->Host());
  }
  const QScreen* screen = owner ? owner->screen() : host->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(QPoint(), host->size());
  const QRect area = owner ? OnScreen(*owner) : work;
  const QSize size = OnScreen(*host).size();
  QPoint at = area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
  // The whole window on the work area where it fits, its top-left corner where it does not.
  at.setX(std::max(work.left(), std::min(at.x(), work.right() + 1 - size.width())));
  at.setY(std::max(work.top(), std::min(at.y(), work.bottom() + 1 - size.height())));
  return at;
}

void TskForm::PlaceHost() {
  if (!host_ || placement_ == TskFormPlacement::Designed) return;
  if (host_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) return;
  const QPoint at = PlacedPosition();
  host_->move(at);  // also tells the platform the position is the program's, not its own choice
  if (QWindow* window = host_->windowHandle(); window && window->position() != at) window->setPosition(at);
}

Qt::Edges TskForm::EdgesAt(QPoint p) const {
  if (!host_ || host_->isMaximized() || host_->minimumSize() == host_->maximumSize()) return {};
  const int bw = BandWidth();
  Qt::Edges e;
  if (p.x() < bw) e |= Qt::LeftEdge;
  if (p.x() >= width() - bw) e |= Qt::RightEdge;
  if (p.y() >= height() - bw) e |= Qt::BottomEdge;
  if (p.y() < 3) e |= Qt::TopEdge;
  return e;
}

void TskForm::mousePressEvent(QMouseEvent* event) {
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && edges && host_->windowHandle())
    host_->windowHandle()->startSystemResize(edges);
}

void TskForm::mouseMoveEvent(QMouseEvent* event) {
  const Qt::Edges e = EdgesAt(event->position().toPoint());
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (e == (Qt::LeftEdge | Qt::BottomEdge) || e == (Qt::RightEdge | Qt::TopEdge)) shape = Qt::SizeBDiagCursor;
  else if (e == (Qt::RightEdge | Qt::BottomEdge) || e == (Qt::LeftEdge | Qt::TopEdge)) shape = Qt::SizeFDiagCursor;
  else if (e & (Qt::LeftEdge | Qt::RightEdge)) shape = Qt::SizeHorCursor;
  else if (e & (Qt::TopEdge | Qt::BottomEdge)) shape = Qt::SizeVerCursor;
  setCursor(shape);
}

// --- TskPopupForm ---

TskPopupForm::TskPopupForm(QObject* owner)
    : QObject(owner), TitleFont(DefaultControlFont()), MessageFont(DefaultControlFont()),
      form_(std::make_unique<TfrmPopupForm>()) {
  TitleFont.Color = 0x800000;
  MessageFont.Color = 0x800000;
  form_->OnClick = [this] {
    if (OnClick) OnClick();
  };
  form_->OnTitleClick = [this] {
    if (OnTitleClick) OnTitleClick();
  };
  form_->OnClose = [this] {
    if (OnClose) OnClose();
  };
}

TskPopupForm::~TskPopupForm() {
  form_->OnClose = nullptr;
}

void TskPopupForm::Popup() {
  TfrmPopupForm& f = *form_;
  f.AnimateTime = AnimateTime;
  f.StayTime = StayTime;
  f.ClickHide = ClickHide;
  f.Title = Gbk(Title);
  f.TitleFont = TitleFont;
  f.Text = Gbk(MessageText);
  f.TextFont = MessageFont;
  if (OnShow) OnShow();
  QPoint at(PositionX, PositionY);
  if (AutoPosition) {
    const auto* owner = qobject_cast<const QWidget*>(parent());
    const TRect work = GetWorkArea(owner ? owner->window() : nullptr);
    at = QPoint(work.Right - f.FinalGeometry().width() - 18, work.Bottom - f.FinalGeometry().height());
  }
  f.ShowAt(at);
}

}  // namespace skin
