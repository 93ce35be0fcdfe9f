#pragma once
// TCanvas: drawing onto a TBitmap with the rules of the original's device interface, so that
// what the design surface shows is what the card receives:
//   - no anti-aliasing: every pixel gets one colour;
//   - lines leave out their end point, whatever the pen width; a polyline is a run of such
//     lines, so a closed outline sets each corner once;
//   - rectangles and ellipses stop before their right and bottom coordinates;
//   - the brush fills, the pen outlines; a clear brush or pen draws nothing;
//   - coordinates are logical: device = logical + Origin(); all drawing stays inside the clip
//     rectangle and the bitmap.
// Colours are 0x00BBGGRR. The canvas does not own its bitmap, which may be resized between
// drawing calls.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Blit.h"
#include "platform/gfx/FontDescription.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/TextLayout.h"

namespace platform {

enum TPenStyle : uint8_t { psSolid, psClear };
enum TBrushStyle : uint8_t { bsSolid, bsClear };
// Flood fill: fill the area of one colour (surface), or everything up to a border colour.
enum TFillStyle : uint8_t { fsSurface, fsBorder };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;  // pixels; 0 draws as 1
  TPenStyle Style = psSolid;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  // A pattern: when set, a solid brush paints this bitmap repeated from the device's (0, 0)
  // instead of Color. The bitmap must outlive its use.
  const TBitmap* Pattern = nullptr;
};

class TCanvas {
 public:
  explicit TCanvas(TBitmap& bitmap) : bitmap_(&bitmap) {}

  TBitmap& Bitmap() const { return *bitmap_; }

  TPen Pen;
  TBrush Brush;
  // The font of the text calls; its Color is the colour of the text.
  TFontDescription Font;
  // Raster operation of Draw, StretchDraw and CopyRect.
  TCopyMode CopyMode = cmSrcCopy;
  // Colour picking of StretchDraw and CopyRect when the size changes.
  TStretchMode StretchMode = smColorOnColor;

  // Logical (0, 0) lies at device Origin().
  TPoint Origin() const { return origin_; }
  void SetOrigin(int x, int y) { origin_ = {x, y}; }
  // The clip rectangle in logical coordinates; the whole bitmap when no clip is set.
  TRect ClipRect() const;
  // Sets, narrows or removes the clip; the rectangle is logical and is fixed to device pixels
  // when set, so a later origin change does not move it.
  void SetClipRect(const TRect& r);
  void IntersectClipRect(const TRect& r);
  void RemoveClip() { hasClip_ = false; }

  TColor Pixel(int x, int y) const;  // clInvalid outside the bitmap
  void SetPixel(int x, int y, TColor c);

  void FillRect(const TRect& r);  // with the brush, right and bottom excluded
  void MoveTo(int x, int y) { penPos_ = {x, y}; }
  void LineTo(int x, int y);  // with the pen, end point excluded; the pen moves there
  TPoint PenPos() const { return penPos_; }
  void Polyline(std::span<const TPoint> points);
  // Filled with the brush (alternate rule: a pixel is inside when its centre is) and
  // outlined with the pen through the points and back to the first.
  void Polygon(std::span<const TPoint> points);
  void Rectangle(const TRect& r);
  // The dotted focus rectangle: every second pixel of the outline of `r` inverted, from its
  // top-left corner (drawing it again erases it). Nothing for an empty rectangle.
  void DrawFocusRect(const TRect& r);
  void Ellipse(const TRect& r);  // the ellipse touching the four sides of r
  // From (x, y), fills the 4-connected area with the brush: with fsBorder every pixel up to
  // the colour `color`, with fsSurface every pixel of the colour `color`. Colours compare as
  // the bitmap stores them. Works without recursion on any area size.
  void FloodFill(int x, int y, TColor color, TFillStyle style);

  // Copies `src` 1:1 with its top-left at (x, y), through CopyMode.
  void Draw(int x, int y, const TBitmap& src);
  // Scales all of `src` onto `dest`, through CopyMode and StretchMode.
  void StretchDraw(const TRect& dest, const TBitmap& src);
  // Scales the `source` part of `src` onto `dest`, through CopyMode and StretchMode.
  void CopyRect(const TRect& dest, const TBitmap& src, const TRect& source);
  void BitBlt(int x, int y, int w, int h, const TBitmap& src, int sx, int sy, TCopyMode mode);
  // Scales the `source` part of `src` onto `dest`, leaving out the source pixels of colour key.
  void TransparentDraw(const TRect& dest, const TBitmap& src, const TRect& source, TColor key);
  // Maps the `source` part of `src` onto the parallelogram of upper-left, upper-right and
  // lower-left corners points[0..2] (see ParallelogramBits).
  void PlgBlt(const TPoint points[3], const TBitmap& src, const TRect& source);

  // Text is GBK. Text is drawn in Font, without anti-aliasing; a solid brush first fills the
  // text's cells (ascent + descent high), a clear brush leaves the ground alone.
  TSize TextExtent(std::string_view text) const;
  int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) const { return TextExtent(text).cy; }
  // One line with its cell's top-left corner at (x, y); line ends are not drawn.
  void TextOut(int x, int y, std::string_view text);
  // Text laid out in a rectangle by DT_ flags (see LayoutText): lines aligned left, centred
  // or right; a single line also top, centred or bottom; clipped to the rectangle unless
  // DT_NOCLIP. With DT_CALCRECT nothing is drawn and the rectangle's right and bottom move to
  // fit the widest line and all lines. Returns the height of the text.
  int DrawText(std::string_view text, TRect& rect, unsigned flags);
  // Laid-out characters (LayoutText, BreakLines) in a realized font, the pen starting at
  // logical x on the baseline at logical y, in the colour of `look`, underlined and struck out
  // as `look` asks; the brush is not used. Text of several fonts shares a baseline this way.
  void DrawChars(TRealizedFont& font, const TFontDescription& look,
                 std::span<const TLaidChar> chars, int x, int baseline);

 private:
  // Draws laid-out characters from pen position x on the baseline (device coordinates), with
  // underline and strike-out as `style` asks.
  void DrawRun(TRealizedFont& font, TColor color, TFontStyles style,
               std::span<const TLaidChar> chars, int x, int baseline, const TRect& clip);
  TRect DeviceClip() const;
  // Pen dot centred on a device pixel, the pen's width across.
  void PenDot(int x, int y, uint32_t packed, const TRect& clip);
  // A line between device points, end point excluded.
  void PenLine(TPoint from, TPoint to, uint32_t packed, const TRect& clip);
  // Fills a device rectangle (already clipped) with the brush.
  void BrushSpan(int y, int x0, int x1);

  TBitmap* bitmap_;
  TPoint origin_;
  bool hasClip_ = false;
  TRect clip_;  // device pixels
  TPoint penPos_;
};

}  // namespace platform
