#include "Blit.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

TRect Area(const TBitmap& b) { return {0, 0, b.Width(), b.Height()}; }

// Pixel x of a row of `b` as a colour. 24-bit rows, the pictures of display objects, are
// read here directly: the copies below read every pixel they touch.
inline TColor ReadColor(const uint8_t* row, int x, const TBitmap& b) {
  if (b.PixelFormat() == pf24bit) {
    const uint8_t* p = row + 3 * size_t(x);
    return RGB(p[2], p[1], p[0]);
  }
  return ReadRowPixel(row, x, b.PixelFormat(), b.Palette());
}

// Writes colours into one destination bitmap through a raster operation, remembering the
// stored form of colours already seen (finding a palette entry is a search).
class TPixelSink {
 public:
  TPixelSink(TBitmap& dst, TCopyMode mode)
      : dst_(dst), mode_(mode), direct24_(dst.PixelFormat() == pf24bit) {}

  void Put(uint8_t* row, int x, TColor src) {
    if (direct24_) {  // blue, green, red bytes
      uint8_t* p = row + 3 * size_t(x);
      const uint8_t r = GetRValue(src), g = GetGValue(src), b = GetBValue(src);
      switch (mode_) {
        case cmSrcPaint:
          p[0] |= b;
          p[1] |= g;
          p[2] |= r;
          return;
        case cmNotSrcCopy:
          p[0] = uint8_t(~b);
          p[1] = uint8_t(~g);
          p[2] = uint8_t(~r);
          return;
        default:
          p[0] = b;
          p[1] = g;
          p[2] = r;
          return;
      }
    }
    TColor c;
    switch (mode_) {
      case cmSrcPaint:
        c = (ReadRowPixel(row, x, dst_.PixelFormat(), dst_.Palette()) | src) & 0xFFFFFF;
        break;
      case cmNotSrcCopy:
        c = ~src & 0xFFFFFF;
        break;
      default:
        c = src & 0xFFFFFF;
        break;
    }
    WriteRowPixel(row, x, dst_.PixelFormat(), Pack(c));
  }

 private:
  uint32_t Pack(TColor c) {
    if (!IsIndexed(dst_.PixelFormat())) return dst_.PackColor(c);
    auto it = seen_.find(c);
    if (it != seen_.end()) return it->second;
    uint32_t packed = dst_.PackColor(c);
    seen_.emplace(c, packed);
    return packed;
  }

  TBitmap& dst_;
  TCopyMode mode_;
  bool direct24_;
  std::unordered_map<TColor, uint32_t> seen_;
};

// What a copy reads: the source itself, or a copy of it when it is also the destination, so
// that a copy within one bitmap reads every pixel before it is overwritten.
const TBitmap& Readable(const TBitmap& src, const TBitmap& dst, TBitmap& copy) {
  if (&src != &dst) return src;
  copy = src;
  return copy;
}

// floor(a / b) for any signs, b != 0.
__int128 FloorDiv(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Source coordinate of destination pixel i (0-based within the destination span) when
// `srcLength` source pixels are spread over `dstLength` destination pixels: the source pixel
// under the destination pixel's centre.
int NearestSource(int i, int srcLength, int dstLength) {
  return int((int64_t(2 * int64_t(i) + 1) * srcLength) / (2 * int64_t(dstLength)));
}

// For each destination pixel along one axis, the source pixels it covers and by how much, in
// units of 1/dstLength of a source pixel; every destination pixel's weights add up to
// srcLength.
struct TSpan {
  int First;
  std::vector<uint32_t> Weights;
};

// The spans of destination pixels from .. to - 1 only: a destination may be far larger than
// the part of it that is drawn.
std::vector<TSpan> CoverageSpans(int srcLength, int dstLength, int from, int to) {
  std::vector<TSpan> spans(static_cast<size_t>(to - from));
  for (int i = from; i < to; ++i) {
    int64_t lo = int64_t(i) * srcLength, hi = lo + srcLength;
    int first = int(lo / dstLength);
    int last = int((hi - 1) / dstLength);
    TSpan& span = spans[size_t(i - from)];
    span.First = first;
    for (int k = first; k <= last; ++k) {
      int64_t a = std::max(lo, int64_t(k) * dstLength);
      int64_t b = std::min(hi, int64_t(k + 1) * dstLength);
      span.Weights.push_back(uint32_t(b - a));
    }
  }
  return spans;
}

void StretchNearest(TBitmap& dst, const TRect& area, const TRect& dstRect, const TBitmap& src,
                    const TRect& srcRect, TCopyMode mode, const uint32_t* key) {
  TPixelSink sink(dst, mode);
  const int sw = srcRect.Width(), sh = srcRect.Height();
  const int dw = dstRect.Width(), dh = dstRect.Height();
  std::vector<int> columns(size_t(area.Width()));
  for (int x = area.Left; x < area.Right; ++x)
    columns[size_t(x - area.Left)] = srcRect.Left + NearestSource(x - dstRect.Left, sw, dw);
  for (int y = area.Top; y < area.Bottom; ++y) {
    int sy = srcRect.Top + NearestSource(y - dstRect.Top, sh, dh);
    if (sy < 0 || sy >= src.Height()) continue;
    const uint8_t* srow = src.ScanLine(sy);
    uint8_t* drow = dst.ScanLine(y);
    for (int x = area.Left; x < area.Right; ++x) {
      int sx = columns[size_t(x - area.Left)];
      if (sx < 0 || sx >= src.Width()) continue;
      if (key && ReadRowPacked(srow, sx, src.PixelFormat()) == *key) continue;
      sink.Put(drow, x, ReadColor(srow, sx, src));
    }
  }
}

void StretchHalftone(TBitmap& dst, const TRect& area, const TRect& dstRect, const TBitmap& src,
                     const TRect& srcRect, TCopyMode mode) {
  TPixelSink sink(dst, mode);
  std::vector<TSpan> columns = CoverageSpans(srcRect.Width(), dstRect.Width(),
                                             area.Left - dstRect.Left, area.Right - dstRect.Left);
  std::vector<TSpan> rows = CoverageSpans(srcRect.Height(), dstRect.Height(),
                                          area.Top - dstRect.Top, area.Bottom - dstRect.Top);
  struct TSum {
    uint64_t R = 0, G = 0, B = 0, Weight = 0;
  };
  std::vector<TSum> sums(size_t(area.Width()));
  for (int y = area.Top; y < area.Bottom; ++y) {
    std::fill(sums.begin(), sums.end(), TSum{});
    const TSpan& rowSpan = rows[size_t(y - area.Top)];
    for (size_t j = 0; j < rowSpan.Weights.size(); ++j) {
      int sy = srcRect.Top + rowSpan.First + int(j);
      if (sy < 0 || sy >= src.Height()) continue;
      const uint64_t wy = rowSpan.Weights[j];
      const uint8_t* srow = src.ScanLine(sy);
      for (int x = area.Left; x < area.Right; ++x) {
        const TSpan& colSpan = columns[size_t(x - area.Left)];
        TSum& sum = sums[size_t(x - area.Left)];
        for (size_t i = 0; i < colSpan.Weights.size(); ++i) {
          int sx = srcRect.Left + colSpan.First + int(i);
          if (sx < 0 || sx >= src.Width()) continue;
          uint64_t w = wy * colSpan.Weights[i];
          TColor c = ReadRowPixel(srow, sx, src.PixelFormat(), src.Palette());
          sum.R += w * GetRValue(c);
          sum.G += w * GetGValue(c);
          sum.B += w * GetBValue(c);
          sum.Weight += w;
        }
      }
    }
    uint8_t* drow = dst.ScanLine(y);
    for (int x = area.Left; x < area.Right; ++x) {
      const TSum& sum = sums[size_t(x - area.Left)];
      if (sum.Weight == 0) continue;
      uint64_t half = sum.Weight / 2;
      sink.Put(drow, x,
               RGB(uint8_t((sum.R + half) / sum.Weight), uint8_t((sum.G + half) / sum.Weight),
                   uint8_t((sum.B + half) / sum.Weight)));
    }
  }
}

}  // namespace

void CopyBits(TBitmap& dst, const TRect& clip, int dx, int dy, int w, int h, const TBitmap& src,
              int sx, int sy, TCopyMode mode) {
  // Where the destination rectangle, the clip and the destination meet, further limited to
  // the pixels whose source exists.
  TRect area = Intersect(Intersect(Bounds(dx, dy, w, h), clip), Area(dst));
  area = Intersect(area, Area(src).Offset(dx - sx, dy - sy));
  if (area.IsEmpty()) return;
  const int ox = sx - dx, oy = sy - dy;
  if (mode == cmSrcCopy && &src != &dst && src.PixelFormat() == dst.PixelFormat() &&
      (BitsPerPixel(dst.PixelFormat()) >= 8) &&
      (!IsIndexed(dst.PixelFormat()) ||
       std::equal(src.Palette().begin(), src.Palette().end(), dst.Palette().begin(),
                  dst.Palette().end()))) {
    const size_t bytes = size_t(BitsPerPixel(dst.PixelFormat()) / 8);
    for (int y = area.Top; y < area.Bottom; ++y)
      std::memmove(dst.ScanLine(y) + size_t(area.Left) * bytes,
                   src.ScanLine(y + oy) + size_t(area.Left + ox) * bytes,
                   size_t(area.Width()) * bytes);
    return;
  }
  TBitmap copy;
  const TBitmap* from = &Readable(src, dst, copy);
  TPixelSink sink(dst, mode);
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint8_t* srow = from->ScanLine(y + oy);
    uint8_t* drow = dst.ScanLine(y);
    for (int x = area.Left; x < area.Right; ++x)
      sink.Put(drow, x, ReadColor(srow, x + ox, *from));
  }
}

void StretchBits(TBitmap& dst, const TRect& clip, const TRect& dstRect, const TBitmap& src,
                 const TRect& srcRect, TCopyMode mode, TStretchMode stretch) {
  if (dstRect.IsEmpty() || srcRect.IsEmpty()) return;
  TRect area = Intersect(Intersect(dstRect, clip), Area(dst));
  if (area.IsEmpty()) return;
  TBitmap copy;
  const TBitmap* from = &Readable(src, dst, copy);
  if (stretch == smHalftone)
    StretchHalftone(dst, area, dstRect, *from, srcRect, mode);
  else
    StretchNearest(dst, area, dstRect, *from, srcRect, mode, nullptr);
}

void TransparentBits(TBitmap& dst, const TRect& clip, const TRect& dstRect, const TBitmap& src,
                     const TRect& srcRect, TColor key) {
  if (dstRect.IsEmpty() || srcRect.IsEmpty()) return;
  TRect area = Intersect(Intersect(dstRect, clip), Area(dst));
  if (area.IsEmpty()) return;
  TBitmap copy;
  const TBitmap* from = &Readable(src, dst, copy);
  const uint32_t packedKey = from->PackColor(key);
  StretchNearest(dst, area, dstRect, *from, srcRect, cmSrcCopy, &packedKey);
}

void ParallelogramBits(TBitmap& dst, const TRect& clip, const TPoint points[3], const TBitmap& src,
                       const TRect& srcRect) {
  if (srcRect.IsEmpty()) return;
  // Vectors along the source's top edge (a) and left edge (b).
  const int64_t ax = int64_t(points[1].X) - points[0].X, ay = int64_t(points[1].Y) - points[0].Y;
  const int64_t bx = int64_t(points[2].X) - points[0].X, by = int64_t(points[2].Y) - points[0].Y;
  const __int128 det = __int128(ax) * by - __int128(ay) * bx;
  if (det == 0) return;
  int64_t xs[4] = {points[0].X, points[1].X, points[2].X, points[1].X + bx};
  int64_t ys[4] = {points[0].Y, points[1].Y, points[2].Y, points[1].Y + by};
  TRect box;
  {
    int64_t minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    int64_t minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    TRect limit = Intersect(clip, Area(dst));
    if (limit.IsEmpty()) return;
    box = {int(std::clamp<int64_t>(minX, limit.Left, limit.Right)),
           int(std::clamp<int64_t>(minY, limit.Top, limit.Bottom)),
           int(std::clamp<int64_t>(maxX, limit.Left, limit.Right)),
           int(std::clamp<int64_t>(maxY, limit.Top, limit.Bottom))};
  }
  if (box.IsEmpty()) return;
  TBitmap copy;
  const TBitmap* from = &Readable(src, dst, copy);
  TPixelSink sink(dst, cmSrcCopy);
  const int64_t sw = srcRect.Width(), sh = srcRect.Height();
  // Doubled offset of a pixel centre from the first corner, so everything stays integer:
  // centre = corner + u/sw * a + v/sh * b, solved for u and v by cross products; u and v are
  // floor(numerator / den). Along a row the numerators grow by fixed steps, so their quotients
  // are carried from pixel to pixel with a remainder instead of a division per pixel.
  __int128 den = 2 * det;
  __int128 stepU = __int128(2 * sw) * by, stepV = -__int128(2 * sh) * ay;
  const int sign = den < 0 ? -1 : 1;
  if (sign < 0) {
    den = -den;
    stepU = -stepU;
    stepV = -stepV;
  }
  // A quotient and its remainder in [0, den).
  struct TQuotient {
    __int128 Q, R;
  };
  const auto divide = [den](__int128 a) {
    const __int128 q = FloorDiv(a, den);
    return TQuotient{q, a - q * den};
  };
  const auto advance = [den](TQuotient& t, const TQuotient& step) {
    t.Q += step.Q;
    t.R += step.R;
    if (t.R >= den) {
      t.R -= den;
      ++t.Q;
    }
  };
  const TQuotient du = divide(stepU), dv = divide(stepV);
  const size_t stride = from->Stride();
  for (int y = box.Top; y < box.Bottom; ++y) {
    uint8_t* drow = dst.ScanLine(y);
    const int64_t qy = 2 * int64_t(y) + 1 - 2 * int64_t(points[0].Y);
    const int64_t qx = 2 * int64_t(box.Left) + 1 - 2 * int64_t(points[0].X);
    TQuotient u = divide(sign * sw * (__int128(qx) * by - __int128(qy) * bx));
    TQuotient v = divide(sign * sh * (__int128(ax) * qy - __int128(ay) * qx));
    for (int x = box.Left; x < box.Right; ++x, advance(u, du), advance(v, dv)) {
      if (u.Q < 0 || u.Q >= sw || v.Q < 0 || v.Q >= sh) continue;
      const int sx = srcRect.Left + int(u.Q), sy = srcRect.Top + int(v.Q);
      if (sx < 0 || sx >= from->Width() || sy < 0 || sy >= from->Height()) continue;
      sink.Put(drow, x, ReadColor(from->Bits() + size_t(sy) * stride, sx, *from));
    }
  }
}

}  // namespace platform
