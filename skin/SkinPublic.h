#pragma once
// The small drawing routines every skinned control shares.
//
// Painting rule of the skinned controls: a control paints off screen into a TBitmap of its
// size with TCanvas (fills stop before right and bottom, lines leave out their end point,
// stretches take the nearest pixel, masked copies leave out a key colour); PaintToWidget puts
// the finished bitmap on the widget in one conversion.
//
// The bitmap routines need no Qt (SkinPublic.cpp); the widget routines are in
// SkinWidgetPaint.cpp.
#include <cstdint>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

class QColor;
class QImage;
class QObject;
class QPainter;
class QPoint;
class QWidget;

namespace skin {

using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;

// System colours, as the framework names them (0x80000000 + index), and the one fixed table
// that turns them into plain colours here.
constexpr TColor clScrollBar = 0x80000000;
constexpr TColor clInactiveCaption = 0x80000003;
constexpr TColor clMenu = 0x80000004;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clMenuText = 0x80000007;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clGrayText = 0x80000011;
constexpr TColor clBtnText = 0x80000012;
// The colour drawn for a colour value: system colours through the table (button face
// $C8D0D4, highlight $6A240A, inactive caption $808080, window $FFFFFF, window and menu text
// $000000, grey text $808080), plain colours by their low 24 bits.
TColor ColorToRGB(TColor color);

// The key colour of pictures drawn masked.
constexpr TColor clSkinKey = 0xFF00FF;

// Fills a rectangle with one colour (system colours through the table).
void FillColor(TCanvas& canvas, const TRect& r, TColor color);

// Draws the picture repeatedly from x = 0 in steps of its width and y = 0 in steps of its
// height while x < rect width + picture width and y < rect height + picture height. A picture
// with no width or height draws nothing.
void TileImage(TCanvas& canvas, const TBitmap& picture, const TRect& rect);

// Fills `area` (logical) with `tile` repeated so that the tile's (0, 0) falls on the logical
// point `tileOrigin`; inside the canvas's clip. Row copies, fast enough for whole windows.
void FillPattern(TCanvas& canvas, const TBitmap& tile, const TRect& area, platform::TPoint tileOrigin);

// left <= x <= right and top <= y <= bottom: the edges count as inside.
bool PointInRect(int x, int y, const TRect& rect);

// Frames (0, 0, width, height) with a one-pixel line of `color`; with `drawInner` the
// rectangle one pixel inside it with `innerColor`. System colours are turned into plain ones.
void DrawControlBorder(TCanvas& canvas, int width, int height, TColor color, TColor innerColor,
                       bool drawInner);

// `bitmap` holds three equal frames (left cap, middle, right cap; frame width = width / 3).
// The caps go to the rectangle's left and right ends masked with the key colour (pixel (0, 0)
// when `cornerTransparent`, else $FF00FF); the middle is stretched unmasked between them. A
// middle of no width (a rectangle narrower than both caps) is not drawn.
void DrawThreePartImage(const TBitmap& bitmap, TCanvas& canvas, const TRect& rect,
                        bool cornerTransparent);

// Frame `index` (from 1) of `count` equal frames side by side: dest becomes the source's
// columns (index - 1) x w .. index x w - 1, w = source width / count. A count of 0 or below
// gives the whole source; an index outside 1..count or a frame width of 0 an empty picture.
void CopyStripFrame(const TBitmap& source, TBitmap& dest, int count, int index);

// Turn by 90 degrees in place; width and height swap. Left: (x, y) goes to
// (y, width - 1 - x); right: (x, y) goes to (height - 1 - y, x).
void RotateBitmapLeft(TBitmap& bitmap);
void RotateBitmapRight(TBitmap& bitmap);

// --- Widgets (Qt) ---

// The off-screen bitmap a control paints into: its size, 24 bits per pixel (which Qt reads in
// place).
TBitmap ControlBitmap(const QWidget* control);
// Puts a finished off-screen bitmap on the widget at (0, 0); the one conversion to Qt.
void PaintToWidget(QWidget* widget, const TBitmap& bitmap);
void PaintToWidget(QPainter& painter, const TBitmap& bitmap, int x = 0, int y = 0);
// A view of a 24-bit bitmap as a QImage (a copy for other formats); the bitmap must outlive
// the view.
QImage ToQImage(const TBitmap& bitmap);
TBitmap FromQImage(const QImage& image);
// Where the window system shows the top-left corner of `widget` on the screen. Qt keeps a copy
// of each window's position, which a window manager can leave stale for a frameless window it
// has just mapped; an X server is asked instead.
QPoint ScreenPosition(const QWidget& widget);

// Paints the control's parent (its background and its own painting, without its children)
// into the canvas as it lies behind the control: this is how a transparent control shows its
// parent. Nothing without a parent.
void PaintParentBackground(TCanvas& canvas, const QWidget* control);
// As above, but paints `ancestor` (a parent of the control's parent) behind the control: the
// background of a tab sheet or tool bar seen through it.
void PaintAncestorBackground(TCanvas& canvas, const QWidget* control, const QWidget* ancestor);

// The ground of a transparent control: its parent's painting; for a control on a tab sheet or a
// tool bar, the painting of that parent's parent.
void PaintTransparentBackground(TCanvas& canvas, const QWidget* control);

// The work area of the screen a window is on (of the primary screen without a window), right
// and bottom exclusive.
TRect GetWorkArea(const QWidget* window = nullptr);

// DrawControlBorder on the widget itself, after its own paint.
void DrawControlBorder(QWidget* control, TColor color, TColor innerColor, bool drawInner);
void DrawControlBorder(QPainter& painter, int width, int height, TColor color, TColor innerColor,
                       bool drawInner);

// A colour for Qt (system colours through the table).
QColor ToQColor(TColor color);

// Whether the object's class publishes a (Qt) property of that name.
bool HasPublishedProperty(const QObject* object, const char* name);

}  // namespace skin

