// The widget routines of SkinPublic: the one conversion between our bitmaps and Qt, the
// parent's background, the work area and borders drawn on widgets.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <optional>

#ifdef CORVANE_HAS_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

#include "skin/SkinPublic.h"

namespace skin {

using namespace platform;

QColor ToQColor(TColor c) {
  c = ColorToRGB(c);
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TBitmap ControlBitmap(const QWidget* control) {
  return TBitmap(std::max(control->width(), 0), std::max(control->height(), 0), pf24bit);
}

QImage ToQImage(const TBitmap& bitmap) {
  if (bitmap.Empty()) return QImage();
  // Blue, green, red per pixel, rows on 4-byte boundaries: Qt reads it in place.
  if (bitmap.PixelFormat() == pf24bit)
    return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), qsizetype(bitmap.Stride()),
                  QImage::Format_BGR888);
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor c = bitmap.GetPixel(x, y);
      line[x] = qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    }
  }
  return image;
}

TBitmap FromQImage(const QImage& image) {
  if (image.isNull()) return TBitmap();
  QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  TBitmap b(rgb.width(), rgb.height(), pf32bit);
  for (int y = 0; y < rgb.height(); ++y) {
    std::memcpy(b.ScanLine(y), rgb.constScanLine(y), size_t(rgb.width()) * 4);
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) row[x * 4 + 3] = 0;
  }
  return b;
}

void PaintToWidget(QPainter& painter, const TBitmap& bitmap, int x, int y) {
  if (bitmap.Empty()) return;
  painter.drawImage(QPoint(x, y), ToQImage(bitmap));
}

void PaintToWidget(QWidget* widget, const TBitmap& bitmap) {
  QPainter painter(widget);
  PaintToWidget(painter, bitmap);
}

void PaintAncestorBackground(TCanvas& canvas, const QWidget* control, const QWidget* ancestor) {
  if (!control || !ancestor || control->width() <= 0 || control->height() <= 0) return;
  const QPoint offset = control->mapTo(ancestor, QPoint(0, 0));
  // Only what lies inside the ancestor's client area is its painting.
  const QRect source = QRect(offset, control->size()) & ancestor->rect();
  if (source.isEmpty()) return;
  QImage image(source.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  const_cast<QWidget*>(ancestor)->render(&image, QPoint(0, 0), QRegion(source),
                                         QWidget::DrawWindowBackground);
  const TBitmap behind = FromQImage(image);
  canvas.Draw(source.left() - offset.x(), source.top() - offset.y(), behind);
}

void PaintParentBackground(TCanvas& canvas, const QWidget* control) {
  if (control) PaintAncestorBackground(canvas, control, control->parentWidget());
}

void PaintTransparentBackground(TCanvas& canvas, const QWidget* control) {
  const QWidget* parent = control ? control->parentWidget() : nullptr;
  if (!parent) return;
  const bool seeThrough = parent->inherits("skin::TskTabSheet") || parent->inherits("QToolBar");
  PaintAncestorBackground(canvas, control, seeThrough && parent->parentWidget() ? parent->parentWidget() : parent);
}

TRect GetWorkArea(const QWidget* window) {
  QScreen* screen = window ? window->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0, 0, 0};
  const QRect r = screen->availableGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void DrawControlBorder(QPainter& painter, int width, int height, TColor color, TColor innerColor,
                       bool drawInner) {
  auto frame = [&](QRect r, TColor c) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const QColor q = ToQColor(c);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), q);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), q);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), q);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), q);
  };
  frame(QRect(0, 0, width, height), color);
  if (drawInner) frame(QRect(1, 1, width - 2, height - 2), innerColor);
}

void DrawControlBorder(QWidget* control, TColor color, TColor innerColor, bool drawInner) {
  QPainter painter(control);
  DrawControlBorder(painter, control->width(), control->height(), color, innerColor, drawInner);
}

bool HasPublishedProperty(const QObject* object, const char* name) {
  return object && object->metaObject()->indexOfProperty(name) >= 0;
}

namespace {

// The window system's answer for a top-level window, none where it cannot be asked.
std::optional<QPoint> WindowSystemPosition(const QWidget& window) {
#ifdef CORVANE_HAS_XCB
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  const QWindow* handle = window.windowHandle();
  if (!x11 || !handle || !x11->connection()) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return std::nullopt;
  const auto cookie = xcb_translate_coordinates(connection, xcb_window_t(handle->winId()), screen->root, 0, 0);
  xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(connection, cookie, nullptr);
  if (!reply) return std::nullopt;
  const QPoint at(reply->dst_x, reply->dst_y);
  std::free(reply);
  return at;
#else
  (void)window;
  return std::nullopt;
#endif
}

}  // namespace

QPoint ScreenPosition(const QWidget& widget) {
  const QWidget* window = widget.window();
  if (const std::optional<QPoint> origin = WindowSystemPosition(*window))
    return *origin + widget.mapTo(window, QPoint(0, 0));
  return widget.mapToGlobal(QPoint(0, 0));
}

}  // namespace skin
