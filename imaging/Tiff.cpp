#include "imaging/Tiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TTIFFGraphic::Class() {
  return platform::GraphicClassOf<TTIFFGraphic>("TTIFFGraphic");
}

namespace {

enum : uint16_t {
  tagImageWidth = 256,
  tagImageLength = 257,
  tagBitsPerSample = 258,
  tagCompression = 259,
  tagPhotometric = 262,
  tagFillOrder = 266,
  tagStripOffsets = 273,
  tagSamplesPerPixel = 277,
  tagRowsPerStrip = 278,
  tagStripByteCounts = 279,
  tagPlanarConfiguration = 284,
  tagT4Options = 292,
  tagPredictor = 317,
  tagColorMap = 320,
  tagYCbCrCoefficients = 529,
  tagYCbCrSubSampling = 530,
  tagReferenceBlackWhite = 532,
};

enum : uint16_t { typeByte = 1, typeShort = 3, typeLong = 4, typeRational = 5, typeSShort = 8,
                  typeSLong = 9 };

// The first directory: its entries sorted by tag, each with the 4 bytes of its value field.
class TDirectory {
 public:
  TDirectory(const TImageStream& in, bool bigEndian) : in_(in), bigEndian_(bigEndian) {}

  uint16_t U16(const uint8_t* p) const {
    return bigEndian_ ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
  }
  uint32_t U32(const uint8_t* p) const {
    return bigEndian_ ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                      : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                            (uint32_t(p[3]) << 24);
  }

  void Read(uint32_t offset) {
    const uint16_t count = U16(in_.At(offset, 2).data());
    const uint8_t* p = in_.At(uint64_t(offset) + 2, uint64_t(count) * 12).data();
    entries_.resize(count);
    for (uint16_t i = 0; i < count; ++i, p += 12)
      entries_[i] = {U16(p), U16(p + 2), U32(p + 4), p + 8};
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Tag < b.Tag; });
  }

  bool Has(uint16_t tag) const { return Find(tag) != nullptr; }
  uint32_t Count(uint16_t tag) const { return Find(tag) ? Find(tag)->Count : 0; }

  // One value: the default when absent; the raw field (an offset) when the count is not 1;
  // else the value by its type, read from the field's first bytes.
  uint32_t Single(uint16_t tag, uint32_t fallback) const {
    const TEntry* e = Find(tag);
    if (!e) return fallback;
    if (e->Count != 1) return U32(e->Field);
    switch (e->Type) {
      case typeByte:
        return e->Field[0];
      case typeShort:
      case typeSShort:
        return U16(e->Field);
      case typeLong:
      case typeSLong:
        return U32(e->Field);
      default:
        return fallback;
    }
  }

  // Every value, from the field itself when they fit in it, else from the offset it holds.
  // Types other than the integer ones give an empty list.
  std::vector<uint32_t> List(uint16_t tag) const {
    const TEntry* e = Find(tag);
    if (!e) return {};
    size_t size;
    switch (e->Type) {
      case typeByte:
        size = 1;
        break;
      case typeShort:
      case typeSShort:
        size = 2;
        break;
      case typeLong:
      case typeSLong:
        size = 4;
        break;
      default:
        return {};
    }
    const uint64_t bytes = uint64_t(e->Count) * size;
    const uint8_t* p = bytes <= 4 ? e->Field : in_.At(U32(e->Field), bytes).data();
    std::vector<uint32_t> values(e->Count);
    for (uint32_t i = 0; i < e->Count; ++i, p += size)
      values[i] = size == 1 ? *p : size == 2 ? U16(p) : U32(p);
    return values;
  }

  // RATIONAL values as numbers; an empty list for any other type.
  std::vector<double> Rationals(uint16_t tag) const {
    const TEntry* e = Find(tag);
    if (!e || e->Type != typeRational) return {};
    const uint8_t* p = in_.At(U32(e->Field), uint64_t(e->Count) * 8).data();
    std::vector<double> values(e->Count);
    for (uint32_t i = 0; i < e->Count; ++i, p += 8) {
      const uint32_t denominator = U32(p + 4);
      values[i] = denominator ? double(U32(p)) / denominator : 0.0;
    }
    return values;
  }

 private:
  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    const uint8_t* Field;
  };

  const TEntry* Find(uint16_t tag) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), tag,
                               [](const TEntry& e, uint16_t t) { return e.Tag < t; });
    return it != entries_.end() && it->Tag == tag ? &*it : nullptr;
  }

  const TImageStream& in_;
  bool bigEndian_;
  std::vector<TEntry> entries_;
};

// TIFF's YCbCr to RGB (ITU-R BT.601 with the file's coefficients and reference range).
class TYCbCrToRgb {
 public:
  explicit TYCbCrToRgb(const TDirectory& dir) {
    std::vector<double> luma = dir.Rationals(tagYCbCrCoefficients);
    if (luma.size() >= 3 && luma[1] != 0) std::copy_n(luma.begin(), 3, luma_);
    std::vector<double> range = dir.Rationals(tagReferenceBlackWhite);
    if (range.size() >= 6) std::copy_n(range.begin(), 6, range_);
  }

  void Row(const uint8_t* source, uint8_t* rgb, size_t count) const {
    const double lr = luma_[0], lg = luma_[1], lb = luma_[2];
    for (size_t i = 0; i < count; ++i, source += 3, rgb += 3) {
      const double y = Scale(source[0], range_[0], range_[1], 255);
      const double cb = Scale(source[1], range_[2], range_[3], 127);
      const double cr = Scale(source[2], range_[4], range_[5], 127);
      const double r = cr * (2 - 2 * lr) + y;
      const double b = cb * (2 - 2 * lb) + y;
      const double g = (y - lb * b - lr * r) / lg;
      rgb[0] = Clamp(r);
      rgb[1] = Clamp(g);
      rgb[2] = Clamp(b);
    }
  }

 private:
  static double Scale(int code, double black, double white, double span) {
    const double width = white - black;
    return (code - black) * span / (width != 0 ? width : 1);
  }
  static uint8_t Clamp(double v) {
    v = std::nearbyint(v);
    return v <= 0 ? 0 : v >= 255 ? 255 : uint8_t(v);
  }

  double luma_[3] = {0.299, 0.587, 0.114};
  double range_[6] = {0, 255, 128, 255, 128, 255};
};

// Undoes horizontal differencing of 8-bit samples: each byte adds the one a pixel before it.
void Undifference(uint8_t* row, size_t width, uint32_t samples) {
  const size_t step = samples == 3 || samples == 4 ? samples : 1;
  if (width < 2) return;
  const size_t bytes = step * width;
  for (size_t i = step; i < bytes; ++i) row[i] = uint8_t(row[i] + row[i - step]);
}

}  // namespace

void TTIFFGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  const std::span<const uint8_t> order = in.Read(2);
  const bool bigEndian = order[0] == 'M' && order[1] == 'M';
  if (!bigEndian && !(order[0] == 'I' && order[1] == 'I')) RaiseInvalidImage();
  TDirectory dir(in, bigEndian);
  const std::span<const uint8_t> head = in.Read(6);
  if (dir.U16(head.data()) != 42) RaiseInvalidImage();
  dir.Read(dir.U32(head.data() + 2));

  const uint32_t photometric = dir.Single(tagPhotometric, 0);
  const uint32_t samples = dir.Single(tagSamplesPerPixel, 1);
  const std::vector<uint32_t> bitsList = dir.List(tagBitsPerSample);
  const uint32_t bits = bitsList.empty() ? 1 : bitsList[0];
  const uint32_t width = dir.Single(tagImageWidth, 0);
  const uint32_t height = dir.Single(tagImageLength, 0);

  // What this reader would otherwise misread.
  if (dir.Single(tagPlanarConfiguration, 1) == 2 && samples > 1) RaiseNotSupported(SSeparatePlanesAre);
  bool paletteWidened = false;
  switch (photometric) {
    case 0:
    case 1:
    case 3:
      if (samples != 1) RaiseNotSupported(SSampleCountIs);
      if (photometric == 3 && bits > 8) RaiseNotSupported(SDeepPalettesAre);
      paletteWidened = photometric == 3 && bits == 2;
      break;
    case 2:
      if (samples != 3 && samples != 4) RaiseNotSupported(SSampleCountIs);
      break;
    case 5:
      if (samples != 4) RaiseNotSupported(SSampleCountIs);
      break;
    case 6:
    case 8:
      if (samples != 3) RaiseNotSupported(SSampleCountIs);
      if (photometric == 6) {
        std::vector<uint32_t> sub = dir.List(tagYCbCrSubSampling);
        if (sub.size() < 2 || sub[0] != 1 || sub[1] != 1) RaiseNotSupported(SSubsamplingIs);
        if (bits != 8) RaiseNotSupported(SDeepYCbCrIs);
      }
      break;
    default:
      RaiseNotSupported(SPhotometricIs);
  }

  // The colour manager by the photometric interpretation.
  TColorManager& m = ColorManager();
  m.SourceOptions = bigEndian ? optSwapBytes : 0;
  const uint8_t sourceBits = uint8_t(bits <= 16 ? bits : 0);  // other depths: the depth text
  m.SetSourceBitsPerSample(sourceBits);
  m.SetTargetBitsPerSample(sourceBits == 16 ? 8 : sourceBits == 2 && !paletteWidened ? 4 : sourceBits);
  switch (photometric) {
    case 0:
    case 1:
    case 3:
      m.SetSourceColorScheme(schIndexed);
      m.SetTargetColorScheme(schIndexed);
      break;
    case 2:
      m.SetSourceSamplesPerPixel(uint8_t(samples));
      m.SetTargetSamplesPerPixel(uint8_t(samples));
      m.SetSourceColorScheme(samples == 4 ? schRGBA : schRGB);
      m.SetTargetColorScheme(samples == 4 ? schBGRA : schBGR);
      break;
    case 5:
      m.SetSourceSamplesPerPixel(4);
      m.SetTargetSamplesPerPixel(3);
      m.SetSourceColorScheme(schCMYK);
      m.SetTargetColorScheme(schBGR);
      break;
    case 6:
      // The rows are turned into RGB here, with the file's own coefficients.
      m.SetSourceSamplesPerPixel(3);
      m.SetTargetSamplesPerPixel(3);
      m.SetSourceColorScheme(schRGB);
      m.SetTargetColorScheme(schBGR);
      break;
    case 8:
      m.SetSourceSamplesPerPixel(3);
      m.SetTargetSamplesPerPixel(3);
      m.SetSourceColorScheme(schCIELab);
      m.SetTargetColorScheme(schBGR);
      m.SourceOptions = optLabScaled | (bigEndian ? optSwapBytes : 0);
      break;
  }
  bitmap.SetPixelFormat(TargetPixelFormat());
  if (width == 0 || height == 0) RaiseInvalidImage();

  // The decoder, and the other settings the rows depend on.
  const uint32_t compression = dir.Single(tagCompression, 0);
  const uint64_t bitsPerPixel = uint64_t(bits) * samples;
  std::unique_ptr<TDecoder> decoder;
  switch (compression) {
    case 1:
      break;
    case 2:
    case 3: {
      if (bitsPerPixel != 1) RaiseNotSupported(SDeepFaxIs);
      const uint32_t options = dir.Single(tagT4Options, 0);
      const bool swapBits = dir.Single(tagFillOrder, 1) == 2;
      if (compression == 2) {
        decoder = std::make_unique<TCCITTMHDecoder>(options, swapBits, width);
      } else {
        if (options & 1) RaiseNotSupported(STwoDimensionalFaxIs);
        decoder = std::make_unique<TCCITTFax3Decoder>(options, swapBits, width);
      }
      break;
    }
    case 32773:
      decoder = std::make_unique<TPackbitsRLEDecoder>();
      break;
    default:
      RaiseNotSupported(SCompressionIs);
  }
  const bool predictor = dir.Single(tagPredictor, 0) == 2;
  if (predictor && bits != 8) RaiseNotSupported(SDeepPredictorIs);

  // Strip tables, each read by its own type, one value a strip.
  const uint32_t strips = dir.Has(tagStripOffsets) ? dir.Count(tagStripOffsets) : 1;
  std::vector<uint32_t> offsets, byteCounts, rowsPerStrip;
  if (strips == 1) {
    offsets = {dir.Single(tagStripOffsets, 0)};
    byteCounts = {dir.Single(tagStripByteCounts, 0)};
    rowsPerStrip = {height};
  } else {
    offsets = dir.List(tagStripOffsets);
    byteCounts = dir.List(tagStripByteCounts);
    rowsPerStrip = dir.List(tagRowsPerStrip);
    if (offsets.size() < strips || rowsPerStrip.empty() ||
        (decoder && byteCounts.size() < strips))
      RaiseInvalidImage();
  }

  SizeBitmap(bitmap, width, height);
  if (m.TargetColorScheme() == schIndexed) {
    if (photometric == 3) {
      const uint64_t entries = uint64_t(1) << bits, planeBytes = entries * 2;
      const uint64_t map = dir.Single(tagColorMap, 0);
      bitmap.SetPalette(m.MakePalette({in.At(map, planeBytes), in.At(map + planeBytes, planeBytes),
                                       in.At(map + 2 * planeBytes, planeBytes)},
                                      palPlanes16, entries, false));
    } else {
      bitmap.SetPalette(m.MakeGrayPalette(photometric == 0));
    }
  }

  const size_t bytesPerRow = size_t((width * bitsPerPixel + 7) / 8);
  const std::optional<TYCbCrToRgb> ycbcr =
      photometric == 6 ? std::optional<TYCbCrToRgb>(dir) : std::nullopt;
  // Decoded strips go through one buffer of the largest strip; only the part a decoder leaves
  // unwritten is cleared.
  std::unique_ptr<uint8_t[]> strip;
  if (decoder) {
    uint32_t most = 0;
    for (uint32_t s = 0; s < strips; ++s)
      most = std::max(most, s < rowsPerStrip.size() ? rowsPerStrip[s] : rowsPerStrip.back());
    strip.reset(new uint8_t[size_t(std::min(most, height)) * bytesPerRow]);
  }
  std::vector<uint8_t> rowCopy(predictor ? bytesPerRow : 0), rgb(ycbcr ? width * 3 : 0);
  uint32_t row = 0;
  for (uint32_t s = 0; s < strips && row < height; ++s) {
    const uint32_t wanted = s < rowsPerStrip.size() ? rowsPerStrip[s] : rowsPerStrip.back();
    const uint32_t rows = std::min(wanted, height - row);
    const size_t size = size_t(rows) * bytesPerRow;
    const uint8_t* data;
    if (decoder) {
      // A strip that yields less than its rows need leaves the rest zero.
      std::span<const uint8_t> packed = in.At(offsets[s], byteCounts[s]);
      const uint8_t* source = packed.data();
      size_t packedSize = packed.size();
      uint8_t* target = strip.get();
      size_t unpackedSize = size;
      const TDecodeResult r = decoder->Decode(source, packedSize, target, unpackedSize);
      std::memset(strip.get() + r.Produced, 0, size - r.Produced);
      data = strip.get();
    } else {
      data = in.At(offsets[s], size).data();
    }
    for (uint32_t r = 0; r < rows; ++r, ++row) {
      const uint8_t* source = data + size_t(r) * bytesPerRow;
      if (predictor) {
        std::copy_n(source, bytesPerRow, rowCopy.data());
        Undifference(rowCopy.data(), width, samples);
        source = rowCopy.data();
      }
      const std::span<uint8_t> target(bitmap.ScanLine(int(row)), bitmap.Stride());
      if (paletteWidened) {
        WidenIndexes2To4({source, bytesPerRow}, target, width);
      } else if (ycbcr) {
        ycbcr->Row(source, rgb.data(), width);
        m.ConvertRow({std::span<const uint8_t>(rgb)}, target, width);
      } else {
        m.ConvertRow({std::span<const uint8_t>(source, bytesPerRow)}, target, width);
      }
    }
  }
}

}  // namespace imaging
