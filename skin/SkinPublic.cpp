// The bitmap routines of SkinPublic (no Qt).
#include "skin/SkinPublic.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace skin {

using namespace platform;

TColor ColorToRGB(TColor color) {
  if ((color & 0xFF000000u) != 0x80000000u) return color & 0xFFFFFF;
  switch (color) {
    case clBtnFace:
    case clMenu:
      return 0xC8D0D4;
    case clHighlight:
      return 0x6A240A;
    case clInactiveCaption:
    case clGrayText:
      return 0x808080;
    case clWindow:
      return 0xFFFFFF;
    case clScrollBar:
      return 0xC8D0D4;
    default:  // window, menu and button text, and whatever else: black
      return 0x000000;
  }
}

void FillColor(TCanvas& canvas, const TRect& r, TColor color) {
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Pattern = nullptr;
  canvas.Brush.Color = ColorToRGB(color);
  canvas.FillRect(r);
}

void TileImage(TCanvas& canvas, const TBitmap& picture, const TRect& rect) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < rect.Height() + h; y += h)
    for (int x = 0; x < rect.Width() + w; x += w) canvas.Draw(x, y, picture);
}

void FillPattern(TCanvas& canvas, const TBitmap& tile, const TRect& area, TPoint tileOrigin) {
  const int tw = tile.Width(), th = tile.Height();
  if (tw <= 0 || th <= 0) return;
  TBitmap& dst = canvas.Bitmap();
  const TPoint o = canvas.Origin();
  const TRect device = Intersect(Intersect(area.Offset(o.X, o.Y), canvas.ClipRect().Offset(o.X, o.Y)),
                                 {0, 0, dst.Width(), dst.Height()});
  if (device.IsEmpty()) return;
  const TPixelFormat pf = dst.PixelFormat();
  const int bpp = BitsPerPixel(pf);
  const int ox = tileOrigin.X + o.X, oy = tileOrigin.Y + o.Y;  // the tile's (0, 0) on the device
  const int w = device.Width();
  // One finished row per tile row, then whole rows copied where the format allows.
  std::vector<TBitmap> rows;
  rows.reserve(size_t(th));
  for (int ty = 0; ty < th; ++ty) {
    TBitmap row(w, 1, pf);
    if (IsIndexed(pf)) row.SetPalette(dst.Palette());
    for (int x = 0; x < w; ++x)
      row.SetPixel(x, 0, tile.GetPixel(((device.Left + x - ox) % tw + tw) % tw, ty));
    rows.push_back(std::move(row));
  }
  for (int y = device.Top; y < device.Bottom; ++y) {
    const TBitmap& row = rows[size_t(((y - oy) % th + th) % th)];
    if (bpp >= 8) {
      std::memcpy(dst.ScanLine(y) + size_t(device.Left) * size_t(bpp / 8), row.ScanLine(0), size_t(w) * size_t(bpp / 8));
    } else {
      for (int x = 0; x < w; ++x)
        WriteRowPixel(dst.ScanLine(y), device.Left + x, pf, ReadRowPacked(row.ScanLine(0), x, pf));
    }
  }
}

bool PointInRect(int x, int y, const TRect& rect) {
  return x >= rect.Left && x <= rect.Right && y >= rect.Top && y <= rect.Bottom;
}

namespace {

void Frame(TCanvas& canvas, const TRect& r, TColor color) {
  if (r.IsEmpty()) return;
  TBrush saved = canvas.Brush;
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Pattern = nullptr;
  canvas.Brush.Color = color;
  canvas.FillRect({r.Left, r.Top, r.Right, r.Top + 1});
  canvas.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom});
  canvas.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom});
  canvas.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom});
  canvas.Brush = saved;
}

}  // namespace

void DrawControlBorder(TCanvas& canvas, int width, int height, TColor color, TColor innerColor,
                       bool drawInner) {
  Frame(canvas, {0, 0, width, height}, ColorToRGB(color));
  if (drawInner) Frame(canvas, {1, 1, width - 1, height - 1}, ColorToRGB(innerColor));
}

void DrawThreePartImage(const TBitmap& bitmap, TCanvas& canvas, const TRect& rect,
                        bool cornerTransparent) {
  const int fw = bitmap.Width() / 3, h = bitmap.Height();
  if (fw <= 0 || h <= 0) return;
  const TColor key = cornerTransparent ? bitmap.GetPixel(0, 0) : clSkinKey;
  canvas.TransparentDraw(Bounds(rect.Left, rect.Top, fw, h), bitmap, {0, 0, fw, h}, key);
  canvas.TransparentDraw(Bounds(rect.Right - fw, rect.Top, fw, h), bitmap, {2 * fw, 0, 3 * fw, h},
                         key);
  const TRect middle{rect.Left + fw, rect.Top, rect.Right - fw, rect.Bottom};
  if (middle.Width() > 0 && middle.Height() > 0)
    canvas.CopyRect(middle, bitmap, {fw, 0, 2 * fw, h});
}

void CopyStripFrame(const TBitmap& source, TBitmap& dest, int count, int index) {
  if (count <= 0) {
    if (&dest != &source) dest = source;
    return;
  }
  const int fw = source.Width() / count;
  if (index < 1 || index > count || fw <= 0 || source.Height() <= 0) {
    dest = TBitmap();
    return;
  }
  TBitmap frame(fw, source.Height(), source.PixelFormat());
  if (IsIndexed(source.PixelFormat())) frame.SetPalette(source.Palette());
  CopyBits(frame, {0, 0, fw, source.Height()}, 0, 0, fw, source.Height(), source, (index - 1) * fw, 0);
  dest = std::move(frame);
}

namespace {

// Moves every pixel of `bitmap` to `place(x, y)` in a bitmap of swapped size.
template <typename F>
void Turn(TBitmap& bitmap, F place) {
  const int w = bitmap.Width(), h = bitmap.Height();
  const TPixelFormat pf = bitmap.PixelFormat();
  TBitmap turned(h, w, pf);
  if (IsIndexed(pf)) turned.SetPalette(bitmap.Palette());
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      TPoint to = place(x, y, w, h);
      WriteRowPixel(turned.ScanLine(to.Y), to.X, pf, ReadRowPacked(row, x, pf));
    }
  }
  bitmap = std::move(turned);
}

}  // namespace

void RotateBitmapLeft(TBitmap& bitmap) {
  Turn(bitmap, [](int x, int y, int w, int) { return TPoint{y, w - 1 - x}; });
}

void RotateBitmapRight(TBitmap& bitmap) {
  Turn(bitmap, [](int x, int y, int, int h) { return TPoint{h - 1 - y, x}; });
}

}  // namespace skin
