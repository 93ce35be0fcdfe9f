#include "imaging/GifReduce.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/GifCodec.h"
#include "imaging/GifImage.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/JpegImage.h"

namespace imaging {

using platform::RGB;
using platform::TBitmap;
using platform::TRect;

// --- Palettes ----------------------------------------------------------------------------------

std::vector<TColor> WebPalette() {
  std::vector<TColor> p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back(RGB(uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b)));
  return p;
}

std::vector<TColor> GrayScalePalette() {
  std::vector<TColor> p;
  for (int i = 0; i < 256; ++i) p.push_back(RGB(uint8_t(i), uint8_t(i), uint8_t(i)));
  return p;
}

std::vector<TColor> BWPalette() { return {platform::clBlack, platform::clWhite}; }

std::vector<TColor> Gray4Palette() {
  return {RGB(0, 0, 0), RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 255, 255)};
}

std::vector<TColor> HalftonePalette() { return platform::DefaultPalette(platform::pf8bit); }

std::vector<TColor> SystemPalette() {
  std::vector<TColor> vga = platform::DefaultPalette(platform::pf4bit);
  std::vector<TColor> p(vga.begin(), vga.begin() + 8);
  p.insert(p.end(), {RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240),
                     RGB(160, 160, 164)});
  p.insert(p.end(), vga.begin() + 8, vga.end());
  return p;
}

std::vector<TColor> OctreePalette(const TBitmap& bitmap, int maxColors, int colorBits,
                                  bool systemColors) {
  const std::vector<TColor> system = SystemPalette();
  const int treeColors = systemColors ? 236 : std::clamp(maxColors, 1, 256);
  TColorQuantizer quantizer(treeColors, colorBits);
  quantizer.AddBitmap(bitmap);
  std::vector<TColor> colors = quantizer.Colors();
  colors.resize(size_t(treeColors), platform::clBlack);
  if (!systemColors) return colors;
  std::vector<TColor> p(system.begin(), system.begin() + 10);
  p.insert(p.end(), colors.begin(), colors.end());
  p.insert(p.end(), system.end() - 10, system.end());
  return p;
}

// --- Lookups -----------------------------------------------------------------------------------

TFastColorLookup::TFastColorLookup(std::span<const TColor> palette) : cache_(32768, 0xFFFF) {
  palette_.assign(palette.begin(), palette.begin() + long(std::min<size_t>(palette.size(), 256)));
  for (size_t i = palette_.size(); i-- > 0;) {
    const TColor c = palette_[i];
    // Walking backwards lets the first entry of a colour win.
    cache_[size_t(CacheKey(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)))] =
        uint16_t(i);
  }
}

int TFastColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  uint16_t& cached = cache_[size_t(CacheKey(red, green, blue))];
  if (cached == 0xFFFF) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const TColor c = palette_[i];
      const int d = std::abs(int(platform::GetRValue(c)) - red) +
                    std::abs(int(platform::GetGValue(c)) - green) +
                    std::abs(int(platform::GetBValue(c)) - blue);
      if (d < bestDistance) {
        bestDistance = d;
        best = int(i);
      }
    }
    cached = uint16_t(best);
  }
  chosen = palette_.empty() ? platform::clBlack : palette_[cached];
  return cached;
}

TNetscapeColorLookup::TNetscapeColorLookup() { palette_ = WebPalette(); }

int TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  const int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
  chosen = RGB(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51));
  return 36 * r + 6 * g + b;
}

TGrayScaleLookup::TGrayScaleLookup() { palette_ = GrayScalePalette(); }

int TGrayScaleLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  const int grey = (77 * red + 150 * green + 29 * blue) >> 8;
  chosen = RGB(uint8_t(grey), uint8_t(grey), uint8_t(grey));
  return grey;
}

TMonochromeLookup::TMonochromeLookup() { palette_ = BWPalette(); }

int TMonochromeLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  const bool white = 77 * red + 150 * green + 29 * blue >= 32513;
  chosen = white ? platform::clWhite : platform::clBlack;
  return white ? 1 : 0;
}

// --- Dither engines ----------------------------------------------------------------------------

int TDitherEngine::Dither(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  const int index = lookup_.Lookup(red, green, blue, chosen);
  column_ += direction_;
  return index;
}

void TDitherEngine::NextLine() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup,
                                                 std::vector<TDitherWeight> kernel, int divisor)
    : TDitherEngine(width, lookup), kernel_(std::move(kernel)), divisor_(divisor) {
  for (const TDitherWeight& w : kernel_) {
    reach_ = std::max(reach_, std::abs(w.Offset));
    rows_ = std::max(rows_, w.Row + 1);
  }
  for (auto& channel : errors_)
    channel.assign(size_t(rows_), std::vector<int32_t>(size_t(std::max(width, 0) + 2 * reach_), 0));
}

int TErrorDiffusionDitherer::Error(int row, int column, int channel) const {
  return errors_[channel][size_t(row)][size_t(column + reach_)];
}

int TErrorDiffusionDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue, TColor& chosen) {
  const uint8_t in[3] = {red, green, blue};
  uint8_t value[3];
  for (int c = 0; c < 3; ++c) {
    const int error = errors_[c][0][size_t(column_ + reach_)];
    value[c] = uint8_t(std::clamp(in[c] + (error + divisor_ / 2) / divisor_, 0, 255));
  }
  const int column = column_;
  const int index = TDitherEngine::Dither(value[0], value[1], value[2], chosen);
  const uint8_t got[3] = {platform::GetRValue(chosen), platform::GetGValue(chosen),
                          platform::GetBValue(chosen)};
  for (int c = 0; c < 3; ++c) {
    const int error = int(value[c]) - int(got[c]);
    if (error != 0) Distribute(c, error, column);
  }
  return index;
}

void TErrorDiffusionDitherer::Distribute(int channel, int error, int column) {
  for (const TDitherWeight& w : kernel_) {
    const int at = column + direction_ * w.Offset + reach_;
    errors_[channel][size_t(w.Row)][size_t(at)] += w.Weight * error;
  }
}

void TErrorDiffusionDitherer::NextLine() {
  for (auto& channel : errors_) {
    // The current row's array, zeroed, becomes the last one.
    std::vector<int32_t> done = std::move(channel[0]);
    std::fill(done.begin(), done.end(), 0);
    for (int r = 1; r < rows_; ++r) channel[size_t(r - 1)] = std::move(channel[size_t(r)]);
    channel[size_t(rows_ - 1)] = std::move(done);
  }
  TDitherEngine::NextLine();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}, 16) {}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4},
                     {1, 2, 2}, {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}},
                    42) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4},
                     {1, 2, 2}, {2, -1, 2}, {2, 0, 3}, {2, 1, 2}},
                    32) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5},
                     {1, 2, 3}, {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}},
                    48) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
                               {2, -2, 12}, {2, 0, 26}, {2, 2, 12}, {3, -3, 5}, {3, -1, 12},
                               {3, 1, 12}, {3, 3, 5}},
                              200) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup,
                              {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4},
                               {1, 2, 2}},
                              32) {}

std::unique_ptr<TDitherEngine> MakeDitherEngine(int kind, int width, TColorLookup& lookup) {
  switch (kind) {
    case 0: return std::make_unique<TDitherEngine>(width, lookup);
    case 1: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case 2: return std::make_unique<TStuckiDitherer>(width, lookup);
    case 3: return std::make_unique<TSierraDitherer>(width, lookup);
    case 4: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case 5: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case 6: return std::make_unique<TBurkesDitherer>(width, lookup);
    default: return nullptr;
  }
}

// --- Octree ------------------------------------------------------------------------------------

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(maxColors, 1)), colorBits_(std::clamp(colorBits, 1, 8)) {
  root_.reset(NewNode(0));
}

TColorQuantizer::~TColorQuantizer() = default;

TOctreeNode* TColorQuantizer::NewNode(int level) {
  auto* node = new TOctreeNode;
  if (level == colorBits_) {
    node->Leaf = true;
    ++leafCount_;
  } else {
    node->NextReducible = reducible_[size_t(level)];
    reducible_[size_t(level)] = node;
  }
  return node;
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
  TOctreeNode* node = root_.get();
  for (int level = 0;; ++level) {
    if (node->Leaf) {
      ++node->PixelCount;
      node->RedSum += red;
      node->GreenSum += green;
      node->BlueSum += blue;
      break;
    }
    const int shift = 7 - level;
    const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    if (!node->Children[size_t(child)]) node->Children[size_t(child)].reset(NewNode(level + 1));
    node = node->Children[size_t(child)].get();
  }
  while (leafCount_ > maxColors_) Reduce();
}

void TColorQuantizer::AddBitmap(const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  platform::TBgr24Rows rows(bitmap);
  for (int y = 0; y < rows.Height(); ++y) {
    const uint8_t* p = rows.Row(y);
    for (int x = 0; x < rows.Width(); ++x, p += 3) AddColor(p[2], p[1], p[0]);
  }
}

void TColorQuantizer::Reduce() {
  int level = colorBits_ - 1;
  while (level > 0 && !reducible_[size_t(level)]) --level;
  TOctreeNode* node = reducible_[size_t(level)];
  if (!node) return;
  reducible_[size_t(level)] = node->NextReducible;
  int children = 0;
  for (auto& child : node->Children) {
    if (!child) continue;
    node->PixelCount += child->PixelCount;
    node->RedSum += child->RedSum;
    node->GreenSum += child->GreenSum;
    node->BlueSum += child->BlueSum;
    child.reset();
    ++children;
  }
  node->Leaf = true;
  leafCount_ += 1 - children;
}

std::vector<TColor> TColorQuantizer::Colors() const {
  std::vector<TColor> colors;
  std::vector<const TOctreeNode*> stack{root_.get()};
  while (!stack.empty()) {
    const TOctreeNode* node = stack.back();
    stack.pop_back();
    if (node->Leaf) {
      const uint32_t n = node->PixelCount;
      colors.push_back(n == 0 ? platform::clBlack
                              : RGB(uint8_t(node->RedSum / n), uint8_t(node->GreenSum / n),
                                    uint8_t(node->BlueSum / n)));
      continue;
    }
    for (size_t i = 8; i-- > 0;)
      if (node->Children[i]) stack.push_back(node->Children[i].get());
  }
  return colors;
}

// --- Reduction ---------------------------------------------------------------------------------

TBitmap ReduceColors(const TBitmap& source, int method, int ditherKind,
                     std::span<const TColor> palette, int bitCount) {
  if (method == 0) {
    TBitmap copy = source;
    copy.SetPixelFormat(platform::pf24bit);
    return copy;
  }
  if (method < 0 || method > 9 || ditherKind < 0 || ditherKind > 6) return TBitmap();
  if (method == 9 && palette.empty())
    throw GIFException("No palette given for color reduction");

  std::unique_ptr<TColorLookup> lookup;
  switch (method) {
    case 1: lookup = std::make_unique<TFastColorLookup>(SystemPalette()); break;
    case 2: lookup = std::make_unique<TFastColorLookup>(HalftonePalette()); break;
    case 3: lookup = std::make_unique<TFastColorLookup>(Gray4Palette()); break;
    case 4: lookup = std::make_unique<TMonochromeLookup>(); break;
    case 5: lookup = std::make_unique<TGrayScaleLookup>(); break;
    case 6: lookup = std::make_unique<TNetscapeColorLookup>(); break;
    case 7:
      // More than 8 bits would ask for more colours than an 8-bit palette holds.
      lookup = std::make_unique<TFastColorLookup>(
          OctreePalette(source, 1 << std::clamp(bitCount, 1, 8), 8, false));
      break;
    case 8: lookup = std::make_unique<TFastColorLookup>(OctreePalette(source, 236, 8, true)); break;
    default: lookup = std::make_unique<TFastColorLookup>(palette); break;
  }

  TBitmap result;
  if (source.Empty()) return result;
  TDIBReader reader(source, platform::pf24bit);
  std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(ditherKind, source.Width(), *lookup);
  TDIBWriter writer(result, platform::pf8bit, source.Width(), source.Height(), lookup->Palette());
  for (int y = 0; y < source.Height(); ++y) {
    const uint8_t* in = reader.ScanLine(y);
    uint8_t* out = writer.ScanLine(y);
    TColor chosen;
    while (engine->InRow()) {
      const int x = engine->Column();
      out[x] = uint8_t(engine->Dither(in[3 * x + 2], in[3 * x + 1], in[3 * x], chosen));
    }
    engine->NextLine();
  }
  return result;
}

TDIBReader::TDIBReader(const TBitmap& bitmap, platform::TPixelFormat format) : source_(&bitmap) {
  if (bitmap.PixelFormat() != format) {
    copy_ = bitmap;
    copy_.SetPixelFormat(format);
    source_ = &copy_;
  }
}

TDIBWriter::TDIBWriter(TBitmap& target, platform::TPixelFormat format, int width, int height,
                       std::span<const TColor> palette)
    : target_(target) {
  if (format != platform::pf8bit && format != platform::pf24bit)
    throw GIFException("Unsupported PixelFormat");
  if (width <= 0 || height <= 0) throw GIFException("Invalid image dimensions");
  TBitmap fresh(width, height, format);
  if (format == platform::pf8bit)
    fresh.SetPalette(palette.subspan(0, std::min<size_t>(palette.size(), 256)));
  target_ = std::move(fresh);
}

}  // namespace imaging

// --- Frame import ------------------------------------------------------------------------------

namespace imaging {

void TGIFSubImage::Assign(const TBitmap& bitmap, const TBitmap* mask) {
  Clear();
  if (bitmap.Empty()) return;
  TGIFImage* image = Image();
  SetBounds(0, 0, bitmap.Width(), bitmap.Height());
  const platform::TPixelFormat pf = bitmap.PixelFormat();
  const bool indexed = pf == platform::pf1bit || pf == platform::pf4bit || pf == platform::pf8bit;
  TBitmap reduced;
  if (!indexed && image)
    reduced = ReduceColors(bitmap, image->ReductionMethod(), image->DitherKind(), {},
                           image->ReductionBitCount);
  else if (!indexed)
    reduced = ReduceColors(bitmap, 6, 0, {}, 8);
  const TBitmap& used = indexed ? bitmap : reduced;
  auto progress = [&](TProgressStage stage, int percent) {
    if (image) image->Progress(stage, percent, "Converting...");
  };
  progress(psStarting, 0);
  try {
    const platform::TPixelFormat upf = used.PixelFormat();
    if (upf != platform::pf24bit) colorMap_.ImportPalette(used.Palette());
    // Colours most recently seen in a 24-bit picture, newest last.
    TGIFColor ring[8];
    int ringIndex[8];
    int ringCount = 0;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* in = used.ScanLine(y);
      uint8_t* out = data_.data() + size_t(y) * width_;
      switch (upf) {
        case platform::pf8bit:
          std::copy_n(in, width_, out);
          break;
        case platform::pf4bit:
          for (int x = 0; x < width_; ++x) out[x] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
          break;
        case platform::pf1bit:
          for (int x = 0; x < width_; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
          break;
        default:
          for (int x = 0; x < width_; ++x) {
            const TGIFColor c{in[3 * x + 2], in[3 * x + 1], in[3 * x]};
            int index = -1;
            for (int k = ringCount; k-- > 0;)
              if (ring[k % 8] == c) {
                index = ringIndex[k % 8];
                break;
              }
            if (index < 0) {
              index = colorMap_.AddUnique(c);
              ring[ringCount % 8] = c;
              ringIndex[ringCount % 8] = index;
              ++ringCount;
              if (ringCount == 16) ringCount = 8;
            }
            out[x] = uint8_t(index);
          }
          break;
      }
      if (y % 32 == 0) progress(psRunning, y * 100 / height_);
    }
    if (mask && mask->Width() == width_ && mask->Height() == height_) {
      // Transparent pixels take a new entry of their own (when the table has room for one).
      colorMap_.Optimize();
      if (colorMap_.Count() >= 1 && colorMap_.Count() <= 255) {
        const int t = colorMap_.Add({0, 0, 0});
        bool changed = false;
        for (int y = 0; y < height_; ++y)
          for (int x = 0; x < width_; ++x)
            if (mask->GetPixel(x, y) != platform::clBlack) {
              data_[size_t(y) * width_ + size_t(x)] = uint8_t(t);
              changed = true;
            }
        if (!changed) {
          colorMap_.Delete(t);
        } else {
          auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
          gce->TransparentColorIndex = uint8_t(t);
          gce->SetTransparent(true);
          extensions_.Add(std::move(gce));
        }
      }
    }
  } catch (...) {
    progress(psEnding, 0);
    throw;
  }
  Changed();
  if (!mask && platform::IsIndexed(used.PixelFormat())) {
    // The bitmap used is the frame's picture as it stands.
    bitmap_ = std::make_unique<TBitmap>(used);
    dirty_ = false;
  }
  progress(psEnding, 100);
}

void TGIFSubImage::Assign(const platform::TGraphic* graphic) {
  if (!graphic) {
    Clear();
    return;
  }
  if (const auto* b = dynamic_cast<const platform::TBitmapGraphic*>(graphic)) {
    Assign(b->Bitmap());
    return;
  }
  if (const auto* j = dynamic_cast<const platform::TJPEGImage*>(graphic)) {
    Assign(j->Bitmap());
    return;
  }
  if (const auto* gif = dynamic_cast<const TGIFImage*>(graphic)) {
    TBitmap first;
    const_cast<TGIFImage*>(gif)->AssignTo(first);
    Assign(first);
    return;
  }
  // Any other picture is drawn at (0, 0) onto a true-colour bitmap of its size.
  TBitmap drawn(graphic->Width(), graphic->Height(), platform::pf24bit);
  platform::TCanvas canvas(drawn);
  graphic->Draw(canvas, TRect{0, 0, drawn.Width(), drawn.Height()});
  Assign(drawn);
}

}  // namespace imaging
