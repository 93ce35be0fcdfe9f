#include "imaging/GifRender.h"

#include <algorithm>
#include <climits>

#include "imaging/GifImage.h"
#include "imaging/GifReduce.h"

namespace imaging {

using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

bool& GIFPaletteDisplay() {
  static bool paletteDisplay = false;
  return paletteDisplay;
}

namespace {

// Source pixel under the centre of destination pixel i when `from` pixels cover `to`.
int NearestSource(int i, int from, int to) {
  return int((int64_t(2 * i + 1) * from) / (int64_t(2) * to));
}

// a x b / c, rounded.
int MulDivRound(int a, int b, int c) {
  const int64_t n = int64_t(a) * b;
  return int((n + c / 2) / c);
}

bool MaskBit(const TBitmap& mask, int x, int y) {
  return (mask.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

}  // namespace

// --- Rendering ---------------------------------------------------------------------------------

std::vector<TColor> TGIFSubImage::Palette() {
  if (bitmap_ && platform::IsIndexed(bitmap_->PixelFormat()) && !dirty_)
    return std::vector<TColor>(bitmap_->Palette().begin(), bitmap_->Palette().end());
  if (palette_) return *palette_;
  TGIFImage* image = Image();
  if (image && image->Dithering()) return WebPalette();
  if (colorMap_.Count() > 0) {
    palette_ = std::make_unique<std::vector<TColor>>(colorMap_.ExportPalette());
    return *palette_;
  }
  if (image && image->GlobalColorMap().Count() > 0) {
    palette_ = std::make_unique<std::vector<TColor>>(image->GlobalColorMap().ExportPalette());
    return *palette_;
  }
  if (!image) return {};
  return image->Palette();
}

const TBitmap& TGIFSubImage::Bitmap() {
  if (bitmap_ && !dirty_) return *bitmap_;
  TGIFImage* image = Image();
  auto progress = [&](TProgressStage stage, int percent) {
    if (image) image->Progress(stage, percent, "Rendering...");
  };
  progress(psStarting, 0);
  const bool dither = image && image->Dithering();
  std::vector<TColor> palette;
  if (dither) {
    palette = WebPalette();
  } else {
    try {
      palette = Palette();
    } catch (const GIFException&) {
      // No table anywhere: the frame is drawn with the display's default colours.
      palette = platform::DefaultPalette(platform::pf8bit);
    }
  }
  if (palette.size() > 256) palette.resize(256);
  const int transparent = TransparentIndex();
  auto bitmap = std::make_unique<TBitmap>(0, 0, platform::pf8bit);
  std::unique_ptr<TBitmap> mask;
  try {
    bitmap->SetSize(width_, height_);
    bitmap->SetPalette(palette);
    if (!Empty()) {
      if (!dither) {
        for (int y = 0; y < height_; ++y) {
          std::copy_n(data_.data() + size_t(y) * width_, width_, bitmap->ScanLine(y));
          if (y % 32 == 0) progress(psRunning, y * 100 / height_);
        }
      } else {
        // The frame's colours, dithered onto the web palette in serpentine rows; transparent
        // pixels are stepped over and keep the web index of the transparent colour.
        TGIFColorMap& map = ActiveColorMap();
        TColor colors[256];
        bool invalid = false;
        for (int i = 0; i < 256; ++i) {
          if (i < map.Count()) {
            colors[i] = ToTColor(map.ColorAt(i));
          } else {
            colors[i] = map.Count() > 0 ? ToTColor(map.ColorAt(0)) : platform::clBlack;
            invalid = invalid || std::find(data_.begin(), data_.end(), uint8_t(i)) != data_.end();
          }
        }
        if (invalid) Warning(GIFWarningSeverity, "Invalid color index");
        TNetscapeColorLookup lookup;
        TFloydSteinbergDitherer engine(width_, lookup);
        TColor chosen;
        int fill = 0;
        if (transparent >= 0) {
          const TColor c = colors[transparent];
          fill = lookup.Lookup(platform::GetRValue(c), platform::GetGValue(c),
                               platform::GetBValue(c), chosen);
        }
        for (int y = 0; y < height_; ++y) {
          uint8_t* out = bitmap->ScanLine(y);
          const uint8_t* in = data_.data() + size_t(y) * width_;
          std::fill_n(out, width_, uint8_t(fill));
          while (engine.InRow()) {
            const int x = engine.Column();
            if (in[x] == transparent) {
              engine.Skip();
              continue;
            }
            const TColor c = colors[in[x]];
            out[x] = uint8_t(engine.Dither(platform::GetRValue(c), platform::GetGValue(c),
                                           platform::GetBValue(c), chosen));
          }
          engine.NextLine();
          if (y % 32 == 0) progress(psRunning, y * 100 / height_);
        }
      }
      if (transparent >= 0) {
        auto m = std::make_unique<TBitmap>(width_, height_, platform::pf1bit);
        bool any = false;
        for (int y = 0; y < height_; ++y) {
          uint8_t* row = m->ScanLine(y);
          const uint8_t* in = data_.data() + size_t(y) * width_;
          for (int x = 0; x < width_; ++x)
            if (in[x] == transparent) {
              row[x >> 3] |= uint8_t(0x80 >> (x & 7));
              any = true;
            }
        }
        if (any) mask = std::move(m);
      }
    }
  } catch (...) {
    progress(psEnding, 0);
    throw;
  }
  bitmap_ = std::move(bitmap);
  mask_ = std::move(mask);
  dirty_ = false;
  progress(psEnding, 100);
  return *bitmap_;
}

const TBitmap* TGIFSubImage::Mask() {
  if (!bitmap_ || dirty_) Bitmap();
  return mask_.get();
}

// --- Drawing -----------------------------------------------------------------------------------

void DrawMasked(TCanvas& canvas, const TRect& dest, const TBitmap& source, const TBitmap* mask,
                const TRect& limit) {
  if (dest.IsEmpty() || source.Empty()) return;
  TBitmap& target = canvas.Bitmap();
  const platform::TPoint origin = canvas.Origin();
  const TRect d = dest.Offset(origin.X, origin.Y);
  TRect area = Intersect(Intersect(canvas.ClipRect(), limit).Offset(origin.X, origin.Y), d);
  area = Intersect(area, TRect{0, 0, target.Width(), target.Height()});
  if (area.IsEmpty()) return;
  if (mask && (mask->Width() != source.Width() || mask->Height() != source.Height())) mask = nullptr;

  // Stored forms of the source's colours on the target, worked out once.
  const platform::TPixelFormat sf = source.PixelFormat();
  const platform::TPixelFormat tf = target.PixelFormat();
  std::vector<uint32_t> packed;
  if (platform::IsIndexed(sf)) {
    packed.resize(size_t(platform::MaxPaletteEntries(sf)));
    for (size_t i = 0; i < packed.size(); ++i)
      packed[i] = target.PackColor(i < source.Palette().size() ? source.Palette()[i]
                                                               : platform::clBlack);
  }
  std::vector<int> columns(size_t(area.Width()));
  for (int x = area.Left; x < area.Right; ++x)
    columns[size_t(x - area.Left)] = NearestSource(x - d.Left, source.Width(), d.Width());
  for (int y = area.Top; y < area.Bottom; ++y) {
    const int sy = NearestSource(y - d.Top, source.Height(), d.Height());
    const uint8_t* in = source.ScanLine(sy);
    uint8_t* out = target.ScanLine(y);
    for (int x = area.Left; x < area.Right; ++x) {
      const int sx = columns[size_t(x - area.Left)];
      if (mask && MaskBit(*mask, sx, sy)) continue;
      const uint32_t value =
          packed.empty()
              ? target.PackColor(platform::ReadRowPixel(in, sx, sf, source.Palette()))
              : packed[platform::ReadRowPacked(in, sx, sf)];
      platform::WriteRowPixel(out, x, tf, value);
    }
  }
}

void DrawFrame(TGIFSubImage& frame, TCanvas& canvas, const TRect& rect, bool transparent,
               bool tile) {
  TGIFImage* image = frame.Image();
  if (!image || frame.Empty() || rect.IsEmpty()) return;
  const int sw = image->Width();
  const int sh = image->Height();
  // The frame's place is a share of the screen: a screen of no size has no places.
  if (sw <= 0 || sh <= 0) return;
  const TBitmap& bitmap = frame.Bitmap();
  const TBitmap* mask = transparent && frame.HasTransparency ? frame.Mask() : nullptr;
  if (!tile) {
    const TRect d{rect.Left + MulDivRound(frame.Left(), rect.Width(), sw),
                  rect.Top + MulDivRound(frame.Top(), rect.Height(), sh),
                  rect.Left + MulDivRound(frame.Left() + frame.Width(), rect.Width(), sw),
                  rect.Top + MulDivRound(frame.Top() + frame.Height(), rect.Height(), sh)};
    DrawMasked(canvas, d, bitmap, mask, TRect{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2});
    return;
  }
  for (int y = rect.Top + frame.Top(); y < rect.Bottom; y += sh)
    for (int x = rect.Left + frame.Left(); x < rect.Right; x += sw)
      DrawMasked(canvas, platform::Bounds(x, y, frame.Width(), frame.Height()), bitmap, mask, rect);
}

}  // namespace imaging
