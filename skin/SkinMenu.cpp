#include "skin/SkinMenu.h"

#include <QActionEvent>
#include <QIcon>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

namespace {

const char kSystemMenuFont[] = "\xCB\xCE\xCC\xE5";  // "宋体"

std::string Gbk(const QString& s) { return Utf8ToGbk(s.toStdString()); }


// A MacOS picture resized to `rows` (keeping its top rows) and stretched over r.
void StretchRows(TCanvas& c, const char* name, int rows, const TRect& r) {
  const TBitmap* pic = BuiltInPicture(name);
  if (!pic) return;
  TBitmap cut = *pic;
  cut.SetHeight(rows);
  c.StretchDraw(r, cut);
}

}  // namespace

TFontDescription FontOf(const QFont& font) {
  TFontDescription f;
  f.Name = Gbk(font.family());
  if (font.pixelSize() > 0) f.Height = -font.pixelSize();
  else f.SetSize(int(font.pointSizeF() + 0.5));
  f.Style = (font.bold() ? FontStyleBit(fsBold) : 0) | (font.italic() ? FontStyleBit(fsItalic) : 0) |
            (font.underline() ? FontStyleBit(fsUnderline) : 0);
  return f;
}

void DrawMaskedPicture(TCanvas& canvas, const TBitmap& picture, int x, int y, TColor key, bool greyed) {
  if (picture.Empty()) return;
  if (key == clInvalid && !greyed) {  // no key: the whole picture
    canvas.Draw(x, y, picture);
    return;
  }
  if (!greyed) {
    canvas.TransparentDraw(Bounds(x, y, picture.Width(), picture.Height()), picture,
                           {0, 0, picture.Width(), picture.Height()}, key);
    return;
  }
  const bool keyed = key != clInvalid;
  const uint32_t packedKey = keyed ? picture.PackColor(key) : 0;
  for (TColor ink : {TColor(0xFFFFFF), TColor(0x808080)}) {
    const int d = ink == 0xFFFFFF ? 1 : 0;
    for (int py = 0; py < picture.Height(); ++py) {
      const uint8_t* row = picture.ScanLine(py);
      for (int px = 0; px < picture.Width(); ++px)
        if (!keyed || ReadRowPacked(row, px, picture.PixelFormat()) != packedKey) canvas.SetPixel(x + px + d, y + py + d, ink);
    }
  }
}

TBitmap IconPicture(const QIcon& icon, int size) {
  if (icon.isNull()) return TBitmap();
  QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
  TBitmap b(image.width(), image.height(), pf24bit);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb p = image.pixel(x, y);
      b.SetPixel(x, y, qAlpha(p) < 128 ? clSkinKey : RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))));
    }
  return b;
}

TMenuItemInfo MenuItemInfo(const QStyleOptionMenuItem& o) {
  TMenuItemInfo item;
  item.Separator = o.menuItemType == QStyleOptionMenuItem::Separator;
  const qsizetype tab = o.text.indexOf(QLatin1Char('\t'));
  item.Caption = item.Separator ? "-" : Gbk(tab < 0 ? o.text : o.text.left(tab));
  if (tab >= 0) item.ShortCut = Gbk(o.text.mid(tab + 1));
  item.Enabled = o.state & QStyle::State_Enabled;
  item.Checked = o.checkType != QStyleOptionMenuItem::NotCheckable && o.checked;
  item.Default = o.font.bold() || o.menuItemType == QStyleOptionMenuItem::DefaultItem;
  item.SubMenu = o.menuItemType == QStyleOptionMenuItem::SubMenu;
  return item;
}

// --- TskMenuBase ---

TskMenuBase::TskMenuBase(QObject* owner)
    : QObject(owner), TSkinnable(this, DefaultControlStyle(owner)), style_(new TskMenuStyle(this)) {
  style_->setParent(this);
}

TskMenuBase::~TskMenuBase() = default;

void TskMenuBase::SetMenuItemHeight(int h) {
  if (UIStyle() != MacOS) menuItemHeight_ = h;
}

void TskMenuBase::SetSeparatorHeight(int h) {
  if (UIStyle() != MacOS) separatorHeight_ = h;
}

void TskMenuBase::StyleChanged(const TThemeSource& source) {
  BarWidth = 26;
  if (UIStyle() == MacOS) {
    menuItemHeight_ = 20;
    separatorHeight_ = 12;
    SeparatorColor = 0;
  } else {
    menuItemHeight_ = 21;
    separatorHeight_ = 5;
    SeparatorColor = 0x848284;
  }
  BarColor = source.Color(tiMenuBarColor);
  Color = source.Color(tiMenuBackgroundColor);
  FontColor = source.Color(tiMenuFontColor);
  SelectedBorderColor = source.Color(tiMenuSelectedBorderColor);
  SelectedColor = source.Color(tiMenuSelectedBackgroundColor);
  SelectedFontColor = source.Color(tiMenuSelectedFontColor);
  frameLine_ = source.Color(tiFormBackgroundColor);
}

TColor TskMenuBase::FrameLineColor() const { return frameLine_; }

TFontDescription TskMenuBase::ItemFont() const {
  TFontDescription f;
  if (useSystemFont_) {
    f.Name = kSystemMenuFont;
    f.SetSize(9);
    f.Charset = GB2312_CHARSET;
  } else {
    f.Name = FontName;
    f.SetSize(FontSize);
    f.Charset = FontCharset;
  }
  return f;
}

void TskMenuBase::Skin(QMenu* menu) {
  if (!menu) return;
  menu->setStyle(style_);
  menu->removeEventFilter(this);
  menu->installEventFilter(this);
  for (QAction* a : menu->actions())
    if (QMenu* sub = a->menu()) Skin(sub);
}

bool TskMenuBase::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged) {
    QAction* a = static_cast<QActionEvent*>(event)->action();
    if (QMenu* sub = a ? a->menu() : nullptr; sub && sub->style() != style_) Skin(sub);
  }
  return QObject::eventFilter(watched, event);
}

QSize TskMenuBase::MeasureItem(const TMenuItemInfo& item) const {
  if (item.Separator) return {TextExtent(ItemFont(), "-").cx + BarWidth + 40, separatorHeight_};
  TFontDescription f = ItemFont();
  if (item.Default) f.Style |= FontStyleBit(fsBold);
  const int textWidth = TextExtent(f, item.Caption).cx;  // '&' marks count as the layer measures
  const int shortCut = item.ShortCut.empty() ? 0 : TextExtent(f, item.ShortCut).cx;
  return {textWidth + shortCut + BarWidth + 40, menuItemHeight_};
}

void TskMenuBase::DrawItem(TCanvas& c, const TMenuItemInfo& item, const TRect& r, bool selected) const {
  const bool mac = UIStyle() == MacOS;
  auto plainGround = [&] {
    if (BarWidth > 0) FillColor(c, {r.Left, r.Top, r.Left + BarWidth, r.Bottom}, BarColor);
    FillColor(c, {r.Left + BarWidth, r.Top, r.Right, r.Bottom}, Color);
  };
  if (item.Separator) {
    if (mac) {
      StretchRows(c, "MACOS_MENU_BAR", 12, r);
    } else {
      plainGround();
      c.Pen.Style = psSolid;
      c.Pen.Width = 1;
      c.Pen.Color = ColorToRGB(SeparatorColor);
      c.MoveTo(r.Left + BarWidth + 4, r.Top + 2);
      c.LineTo(r.Right - 2, r.Top + 2);
    }
    return;
  }
  if (selected && item.Enabled) {
    if (mac) {
      StretchRows(c, "MACOS_MENU_SELECT", 20, r);
    } else {
      FillColor(c, r, SelectedColor);
      c.Brush.Style = bsClear;
      c.Pen.Style = psSolid;
      c.Pen.Width = 1;
      c.Pen.Color = ColorToRGB(SelectedBorderColor);
      c.Rectangle(r);
    }
  } else if (mac) {
    StretchRows(c, "MACOS_MENU_BAR", 20, r);
  } else {
    plainGround();
  }

  c.Font = ItemFont();
  if (item.Default) c.Font.Style |= FontStyleBit(fsBold);
  c.Font.Color = ColorToRGB(!item.Enabled ? 0x808080 : selected ? SelectedFontColor : FontColor);
  c.Brush.Style = bsClear;
  TRect text{r.Left + BarWidth + 4, r.Top + 4, r.Right, r.Bottom};
  c.DrawText(item.Caption, text, DT_SINGLELINE | DT_NOCLIP);
  if (!item.ShortCut.empty()) c.TextOut(r.Right - c.TextWidth(item.ShortCut) - 16, r.Top + 4, item.ShortCut);
  if (item.SubMenu) {  // a small arrow, so a submenu can be told from a command
    const int ax = r.Right - 10, ay = r.Top + r.Height() / 2;
    for (int i = 0; i < 4; ++i) FillColor(c, {ax + i, ay - 3 + i, ax + i + 1, ay + 4 - i}, c.Font.Color);
  }

  if (item.Checked) {
    if (item.Image) {
      c.Brush.Style = bsSolid;
      FillColor(c, {r.Left + 3, r.Top + 2, r.Left + 20, r.Top + 19}, SelectedColor);
      c.Brush.Style = bsClear;
      c.Pen.Style = psSolid;
      c.Pen.Color = 0;
      c.Rectangle({r.Left + 2, r.Top + 1, r.Left + 21, r.Top + 20});
    } else if (const TBitmap* glyph = BuiltInPicture("MENU_CHECKED")) {
      DrawMaskedPicture(c, *glyph, r.Left + 4, r.Top + 3, 0xFFFFFF, !item.Enabled);
    }
  }
  if (item.Image) DrawMaskedPicture(c, *item.Image, r.Left + 4, r.Top + 3, clSkinKey, !item.Enabled);
}

// --- TskMenuStyle ---

TskMenuStyle::TskMenuStyle(const TskMenuBase* menu)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), menu_(menu) {}

int TskMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth: return 2;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuDesktopFrameWidth: return 0;
    case PM_SubMenuOverlap: return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize TskMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const {
  if (type == CT_MenuItem) {
    if (const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
      TMenuItemInfo item = MenuItemInfo(*o);
      return menu_->MeasureItem(item);
    }
  }
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TskMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  switch (element) {
    case CE_MenuItem: {
      const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
      if (!o) break;
      TMenuItemInfo item = MenuItemInfo(*o);
      TBitmap image = IconPicture(o->icon);
      if (!image.Empty()) item.Image = &image;
      const QRect r = o->rect;
      TBitmap bitmap(r.width(), r.height(), pf24bit);
      TCanvas canvas(bitmap);
      menu_->DrawItem(canvas, item, {0, 0, r.width(), r.height()}, o->state & State_Selected);
      PaintToWidget(*painter, bitmap, r.x(), r.y());
      return;
    }
    case CE_MenuEmptyArea:
    case CE_MenuHMargin:
    case CE_MenuVMargin:
    case CE_MenuScroller:
    case CE_MenuTearoff:
      painter->fillRect(option->rect, ToQColor(menu_->Color));
      return;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TskMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
  if (element == PE_PanelMenu) {
    painter->fillRect(option->rect, ToQColor(menu_->Color));
    element = PE_FrameMenu;
  }
  if (element != PE_FrameMenu) return QProxyStyle::drawPrimitive(element, option, painter, widget);
  const QRect r = option->rect;
  const int w = r.width(), h = r.height();
  TBitmap frame(w, h, pf24bit);
  TCanvas c(frame);
  // Only the two outer rings are ours; the inside shows through as the menu's colour.
  FillColor(c, {0, 0, w, h}, menu_->Color);
  auto line = [&](int x0, int y0, int x1, int y1, TColor color) { FillColor(c, {x0, y0, x1, y1}, color); };
  if (menu_->FlatMenu) {
    // A black frame less one pixel at the top, right and bottom, a white one inside it, and
    // lines of the form colour along the bottom, the right and the top.
    TCanvas shifted(frame);
    shifted.SetOrigin(0, 1);
    DrawControlBorder(shifted, w - 1, h - 2, 0x000000, 0xFFFFFF, true);
    line(0, h - 1, w, h, menu_->FrameLineColor());
    line(w - 1, 0, w, h, menu_->FrameLineColor());
    line(0, 0, w, 1, menu_->FrameLineColor());
  } else {
    // The raised edge of a menu window.
    line(0, 0, w, 1, 0xC8D0D4);
    line(0, 0, 1, h, 0xC8D0D4);
    line(0, h - 1, w, h, 0x404040);
    line(w - 1, 0, w, h, 0x404040);
    line(1, 1, w - 1, 2, 0xFFFFFF);
    line(1, 1, 2, h - 1, 0xFFFFFF);
    line(1, h - 2, w - 1, h - 1, 0x808080);
    line(w - 2, 1, w - 1, h - 1, 0x808080);
  }
  // Draw only the ring, so the items are not painted over.
  painter->save();
  QRegion ring = QRegion(r) - QRegion(r.adjusted(2, 2, -2, -2));
  painter->setClipRegion(ring);
  PaintToWidget(*painter, frame, r.x(), r.y());
  painter->restore();
}

}  // namespace skin
