#include "imaging/Png.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/Lz77.h"

namespace imaging {

using platform::TBitmap;
using platform::TColor;

platform::TGraphicClass TPNGGraphic::Class() {
  return platform::GraphicClassOf<TPNGGraphic>("TPNGGraphic");
}

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint16_t U16BE(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
uint32_t U32BE(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

[[noreturn]] void Raise(std::string_view text) { RaiseGraphicError(text, {SFormatPng}); }

// ---- filters ---------------------------------------------------------------------------------

inline uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Paeth over pixels of B bytes: the bytes of one pixel do not depend on each other, so they
// are worked on side by side.
template <size_t B>
void UnPaeth(uint8_t* r, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < B && i < n; ++i) r[i] = uint8_t(r[i] + p[i]);
  for (size_t i = B; i + B <= n; i += B)
    for (size_t k = 0; k < B; ++k)
      r[i + k] = uint8_t(r[i + k] + Paeth(r[i + k - B], p[i + k], p[i + k - B]));
}

// Undoes a row's filter in place: `r` the row after its filter-type byte, `p` the prior row the
// same way, `n` bytes, `bpp` the filter's bytes per pixel. A filter type above 4 leaves the row
// as read.
void Unfilter(uint8_t type, uint8_t* r, const uint8_t* p, size_t n, size_t bpp) {
  switch (type) {
    case 1:  // Sub
      for (size_t i = bpp; i < n; ++i) r[i] = uint8_t(r[i] + r[i - bpp]);
      break;
    case 2:  // Up
      for (size_t i = 0; i < n; ++i) r[i] = uint8_t(r[i] + p[i]);
      break;
    case 3:  // Average
      for (size_t i = 0; i < bpp && i < n; ++i) r[i] = uint8_t(r[i] + (p[i] >> 1));
      for (size_t i = bpp; i < n; ++i) r[i] = uint8_t(r[i] + ((r[i - bpp] + p[i]) >> 1));
      break;
    case 4:  // Paeth
      switch (bpp) {
        case 1: UnPaeth<1>(r, p, n); break;
        case 2: UnPaeth<2>(r, p, n); break;
        case 3: UnPaeth<3>(r, p, n); break;
        case 4: UnPaeth<4>(r, p, n); break;
        case 6: UnPaeth<6>(r, p, n); break;
        default: UnPaeth<8>(r, p, n); break;
      }
      break;
    default:
      break;
  }
}

// ---- the reader ------------------------------------------------------------------------------

// The seven Adam7 passes: start row, row step, start column, column step, pixel mask.
struct TPass {
  uint32_t Row, RowStep, Column, ColumnStep;
  uint8_t Mask;
};
constexpr TPass kAdam7[7] = {
    {0, 8, 0, 8, 0x80}, {0, 8, 4, 8, 0x08}, {4, 8, 0, 4, 0x88}, {0, 4, 2, 4, 0x22},
    {2, 4, 0, 2, 0xAA}, {0, 2, 1, 2, 0x55}, {1, 2, 0, 1, 0xFF},
};

// The colour types: the depths each allows (bit d for depth d), the samples of a pixel in the
// file, and how the colour manager takes them. Pixels of 2-bit grey and palette files go into
// 4-bit bitmaps, 16-bit grey into 8-bit ones, colour into 24 and 32 bits.
struct TColorType {
  uint8_t Type;
  uint32_t Depths;
  uint8_t Channels;  // samples of a pixel in the file
  uint8_t Samples;   // samples a pixel for the manager
  TSampleScheme Source, Target;
};
constexpr uint32_t Bit(unsigned depth) { return 1u << depth; }
constexpr TColorType kColorTypes[] = {
    {0, Bit(1) | Bit(2) | Bit(4) | Bit(8) | Bit(16), 1, 1, schIndexed, schIndexed},  // grey
    {2, Bit(8) | Bit(16), 3, 3, schRGB, schBGR},                                     // RGB
    {3, Bit(1) | Bit(2) | Bit(4) | Bit(8), 1, 1, schIndexed, schIndexed},           // palette
    {4, Bit(8) | Bit(16), 2, 1, schGrayAlpha, schIndexed},                           // grey, alpha
    {6, Bit(8) | Bit(16), 4, 4, schRGBA, schBGRA},                                   // RGBA
};

// One load: the chunk walk and the image data.
class TPngReader {
 public:
  // `sizeBitmap` gives the bitmap its size or throws the invalid-image text.
  TPngReader(TImageStream& in, TBitmap& bitmap, TColorManager& m,
             std::function<void(int64_t, int64_t)> sizeBitmap)
      : in_(in), bitmap_(bitmap), m_(m), sizeBitmap_(std::move(sizeBitmap)) {}

  void Load();

  std::optional<TColor> TransparentColor() const { return transparent_; }

 private:
  // Chunks.
  void ReadHeader();
  std::span<const uint8_t> ReadData();
  bool Is(const char* name) const {
    for (int i = 0; i < 4; ++i)
      if ((type_[i] | 0x20) != (uint8_t(name[i]) | 0x20)) return false;
    return true;
  }
  bool Ancillary() const { return type_[0] & 0x20; }

  void SetUpColorDepth();
  void ReadPalette(std::span<const uint8_t> data);
  void LoadImage();
  // The index a grey sample of the file ends up as in the bitmap, as its rows are converted.
  uint32_t GreyIndex(uint32_t sample) const;
  // An 8-bit colour sample from a 16-bit field of bKGD or tRNS, reduced as the rows are; none
  // for a value the depth cannot hold.
  std::optional<uint8_t> ColorSample(uint16_t field) const;
  void Fill(int firstRow, int rows);
  // Inflates the next `size` bytes of image data into `row`; false when the image data ends
  // first (the row is then incomplete). A compressed stream that ends while bytes are still
  // wanted raises the extra-data text.
  bool ReadRow(uint8_t* row, size_t size);
  void ConvertRow(const uint8_t* row, size_t size, int y, uint8_t mask);

  TImageStream& in_;
  TBitmap& bitmap_;
  TColorManager& m_;
  std::function<void(int64_t, int64_t)> sizeBitmap_;

  // The current chunk's header and running CRC.
  uint32_t length_ = 0;
  uint8_t type_[4] = {};
  uLong crc_ = 0;

  // IHDR.
  uint32_t width_ = 0, height_ = 0;
  uint8_t depth_ = 0, colorType_ = 0, interlace_ = 0;

  bool depthSetUp_ = false;
  size_t channels_ = 1;           // samples of a pixel in the file
  size_t filterBytes_ = 1;        // bytes per pixel of the filters
  bool widenPalette2_ = false;    // 2-bit palette indexes go into 4-bit pixels as they are
  std::vector<TColor> palette_;   // of an indexed bitmap
  bool hasPalette_ = false;
  std::vector<uint8_t> background_;   // bKGD's data, read when the image starts
  std::vector<uint8_t> transparency_; // tRNS's data of a grey or RGB picture
  std::optional<TColor> transparent_;
  TColor backgroundColor_ = platform::clWhite;
  uint32_t backgroundIndex_ = 0;

  // Image data: the decoder and what is left of the current IDAT.
  TLZ77Decoder decoder_;
  const uint8_t* idat_ = nullptr;
  size_t idatLeft_ = 0;
  bool dataEnded_ = false;    // a chunk other than IDAT came
  bool streamEnded_ = false;  // the compressed stream is finished
};

void TPngReader::ReadHeader() {
  const uint8_t* h = in_.Read(8).data();
  length_ = U32BE(h);
  std::memcpy(type_, h + 4, 4);
  // The data and its CRC must be there before anything is done with them.
  if (uint64_t(length_) + 4 > in_.Remaining()) in_.Fail();
  crc_ = crc32(crc32(0, nullptr, 0), type_, 4);
}

std::span<const uint8_t> TPngReader::ReadData() {
  const std::span<const uint8_t> data = in_.Read(length_);
  crc_ = crc32(crc_, data.data(), uInt(data.size()));
  if (in_.U32BE() != crc_) Raise(SCrcError);
  return data;
}

void TPngReader::SetUpColorDepth() {
  depthSetUp_ = true;
  const TColorType* t = std::find_if(std::begin(kColorTypes), std::end(kColorTypes),
                                     [&](const TColorType& c) { return c.Type == colorType_; });
  if (t == std::end(kColorTypes) || depth_ > 16 || !(t->Depths & Bit(depth_)))
    Raise(SInvalidColorFormat);
  const unsigned d = depth_;
  m_.SetSourceSamplesPerPixel(t->Samples);
  m_.SetTargetSamplesPerPixel(t->Samples);
  m_.SetSourceColorScheme(t->Source);
  m_.SetTargetColorScheme(t->Target);
  m_.SetSourceBitsPerSample(uint8_t(d));
  m_.SetTargetBitsPerSample(uint8_t(d == 2 ? 4 : d == 16 ? 8 : d));
  channels_ = t->Channels;
  filterBytes_ = (d * channels_ + 7) / 8;
  // Palette indexes stay indexes: scaled like grey levels they would point past the palette.
  widenPalette2_ = colorType_ == 3 && d == 2;
  bitmap_.SetPixelFormat(*m_.PixelFormatFor(true));
  if (colorType_ == 0) {
    palette_ = m_.MakeGrayPalette(false);
    hasPalette_ = true;
  } else if (colorType_ == 4) {
    // The grey converter already puts grey-alpha samples through the gamma table; a gamma
    // palette on top would correct them twice.
    const TRowOptions options = m_.TargetOptions;
    m_.TargetOptions &= TRowOptions(~optGamma);
    palette_ = m_.MakeGrayPalette(false);
    m_.TargetOptions = options;
    hasPalette_ = true;
  }
}

void TPngReader::ReadPalette(std::span<const uint8_t> data) {
  if (data.size() % 3 != 0) Raise(SInvalidPalette);
  if (colorType_ != 3) return;
  SetUpColorDepth();
  // No more entries than the depth can address: a 1-bit bitmap holds two.
  const size_t entries = std::min<size_t>(data.size() / 3, size_t(1) << depth_);
  palette_ = m_.MakePalette({data}, palTriples8, entries, false);
  hasPalette_ = true;
}

uint32_t TPngReader::GreyIndex(uint32_t sample) const {
  if (depth_ == 16) sample = sample * 255 / 65535;
  if (colorType_ == 4) {
    // Grey-alpha rows go through the grey converter, gamma and all.
    return (m_.TargetOptions & optGamma) ? m_.GammaTable()[sample & 0xFF] : sample;
  }
  if (depth_ == 2) return sample * 15 / 3;
  return sample;
}

std::optional<uint8_t> TPngReader::ColorSample(uint16_t field) const {
  uint32_t v = field;
  if (depth_ == 16)
    v = v * 255 / 65535;
  else if (v > 255)
    return std::nullopt;
  if (m_.TargetOptions & optGamma) v = m_.GammaTable()[v];
  return uint8_t(v);
}

void TPngReader::Fill(int firstRow, int rows) {
  if (rows <= 0) return;
  const platform::TPixelFormat pf = bitmap_.PixelFormat();
  const size_t rowBytes = (size_t(bitmap_.Width()) * size_t(platform::BitsPerPixel(pf)) + 7) / 8;
  uint8_t* first = bitmap_.ScanLine(firstRow);
  if (platform::IsIndexed(pf)) {
    const uint8_t i = uint8_t(backgroundIndex_);
    const uint8_t pattern = pf == platform::pf1bit ? uint8_t(i ? 0xFF : 0)
                            : pf == platform::pf4bit ? uint8_t(i * 0x11)
                                                     : i;
    std::memset(first, pattern, rowBytes);
  } else {
    const uint32_t packed = bitmap_.PackColor(backgroundColor_);
    for (int x = 0; x < bitmap_.Width(); ++x) platform::WriteRowPixel(first, x, pf, packed);
  }
  for (int y = firstRow + 1; y < firstRow + rows; ++y)
    std::memcpy(bitmap_.ScanLine(y), first, rowBytes);
}

bool TPngReader::ReadRow(uint8_t* row, size_t size) {
  // Every row wanted after the stream's end is missing from it, whether the end fell inside a
  // row or just after one: the file is damaged either way.
  if (streamEnded_) Raise(SExtraCompressedData);
  while (size > 0) {
    if (idatLeft_ == 0) {
      // The next chunk, when it is image data too; anything else ends the image data, its
      // header left read for the chunk walk.
      if (dataEnded_) return false;
      ReadHeader();
      if (!Is("IDAT")) {
        dataEnded_ = true;
        return false;
      }
      const std::span<const uint8_t> data = ReadData();
      idat_ = data.data();
      idatLeft_ = data.size();
      // An empty IDAT is legal; inflate would only answer that it needs more.
      continue;
    }
    const TDecodeResult r = decoder_.Decode(idat_, idatLeft_, row, size);
    switch (decoder_.Result()) {
      case Z_OK:
      case Z_BUF_ERROR:  // give more: the next IDAT goes on
        if (r.Consumed == 0 && r.Produced == 0) Raise(SCompressionError);
        break;
      case Z_STREAM_END:
        if (size > 0 || idatLeft_ > 0) Raise(SExtraCompressedData);
        streamEnded_ = true;
        break;
      default:  // Z_DATA_ERROR, Z_STREAM_ERROR, Z_MEM_ERROR, Z_NEED_DICT
        Raise(SCompressionError);
    }
  }
  return true;
}

void TPngReader::ConvertRow(const uint8_t* row, size_t size, int y, uint8_t mask) {
  const std::span<uint8_t> target(bitmap_.ScanLine(y), bitmap_.Stride());
  if (widenPalette2_)
    WidenIndexes2To4({row, size}, target, width_, mask);
  else
    m_.ConvertRow({std::span<const uint8_t>(row, size)}, target, width_, mask);
}

void TPngReader::LoadImage() {
  if (!depthSetUp_) SetUpColorDepth();
  auto rowSizeOf = [&](uint64_t pixels) {
    return size_t((pixels * depth_ + 7) / 8 * channels_ + 1);
  };

  // The bitmap: palette, size, the colour of pixels the data does not reach, transparency.
  if (hasPalette_) bitmap_.SetPalette(palette_);
  // What the bitmap cannot hold is refused here, before the row sizes are worked out.
  sizeBitmap_(width_, height_);

  const bool indexed = platform::IsIndexed(bitmap_.PixelFormat());
  const size_t paletteSize = bitmap_.Palette().size();
  if (indexed) {
    // The background of an indexed bitmap is an index: bKGD's, taken as the rows are; else the
    // entry nearest white.
    std::optional<uint32_t> index;
    if (colorType_ == 3 && background_.size() >= 1)
      index = background_[0];
    else if (colorType_ != 3 && background_.size() >= 2)
      index = GreyIndex(U16BE(background_.data()));
    backgroundIndex_ = index && *index < paletteSize
                           ? *index
                           : uint32_t(bitmap_.NearestPaletteIndex(platform::clWhite));
  } else if (background_.size() >= 6) {
    // Scaled by the format's rule: 16-bit samples reduced, 8-bit ones taken as they are.
    auto sample = [&](int i) {
      const uint32_t v = U16BE(background_.data() + 2 * i);
      return uint8_t(depth_ == 16 ? v * 255 / 65535 : v & 0xFF);
    };
    backgroundColor_ = platform::RGB(sample(0), sample(1), sample(2));
  }
  // The transparent colour is the colour the matching pixels end up with.
  if (colorType_ == 0 && transparency_.size() >= 2) {
    const uint32_t index = GreyIndex(U16BE(transparency_.data()));
    if (index < paletteSize) transparent_ = bitmap_.Palette()[index];
  } else if (colorType_ == 2 && transparency_.size() >= 6) {
    const auto r = ColorSample(U16BE(transparency_.data()));
    const auto g = ColorSample(U16BE(transparency_.data() + 2));
    const auto b = ColorSample(U16BE(transparency_.data() + 4));
    if (r && g && b) transparent_ = platform::RGB(*r, *g, *b);
  }

  // Two rows alternate as the current and the prior one.
  const size_t fullRow = rowSizeOf(width_);
  std::vector<uint8_t> current(fullRow, 0), prior(fullRow, 0);
  if (interlace_ != 1) {
    int y = 0;
    for (; y < int(height_); ++y) {
      if (!ReadRow(current.data(), fullRow)) break;
      Unfilter(current[0], current.data() + 1, prior.data() + 1, fullRow - 1, filterBytes_);
      ConvertRow(current.data() + 1, fullRow - 1, y, 0xFF);
      current.swap(prior);
    }
    // Rows the image data did not reach show the background.
    Fill(y, int(height_) - y);
  } else {
    Fill(0, int(height_));
    for (const TPass& pass : kAdam7) {
      if (width_ <= pass.Column) continue;
      const size_t size =
          rowSizeOf((uint64_t(width_) + pass.ColumnStep - 1 - pass.Column) / pass.ColumnStep);
      std::fill_n(prior.begin(), size, 0);
      bool complete = true;
      for (uint32_t y = pass.Row; y < height_; y += pass.RowStep) {
        if (!ReadRow(current.data(), size)) {
          complete = false;
          break;
        }
        Unfilter(current[0], current.data() + 1, prior.data() + 1, size - 1, filterBytes_);
        ConvertRow(current.data() + 1, size - 1, int(y), pass.Mask);
        current.swap(prior);
      }
      if (!complete) break;
    }
  }

  // Further image data is checked and dropped; the first other chunk's header stays read.
  if (!dataEnded_) {
    while (true) {
      ReadHeader();
      if (!Is("IDAT")) break;
      ReadData();
    }
  }
}

void TPngReader::Load() {
  if (in_.Remaining() < 8 || std::memcmp(in_.Read(8).data(), kSignature, 8) != 0)
    Raise(SInvalidImage);
  ReadHeader();
  if (!Is("IHDR")) Raise(SInvalidImage);
  m_.SourceOptions = optSwapBytes;  // 16-bit samples are big-endian
  {
    const std::span<const uint8_t> ihdr = ReadData();
    if (ihdr.size() < 13) Raise(SInvalidImage);
    width_ = U32BE(ihdr.data());
    height_ = U32BE(ihdr.data() + 4);
    depth_ = ihdr[8];
    colorType_ = ihdr[9];
    interlace_ = ihdr[12];
    if (width_ == 0 || height_ == 0) Raise(SInvalidImage);
    if (ihdr[10] != 0) RaiseGraphicError(SNotSupported, {SCompressionIs, SFormatPng});
  }
  decoder_.DecodeInit();

  bool imageRead = false;
  ReadHeader();
  while (true) {
    // Before the image: the chunks that shape it. After it, every chunk is only checked.
    if (!imageRead && Is("IDAT")) {
      const std::span<const uint8_t> data = ReadData();
      idat_ = data.data();
      idatLeft_ = data.size();
      LoadImage();
      imageRead = true;
      ReadData();  // the chunk after the image data
    } else if (!imageRead && Is("PLTE")) {
      ReadPalette(ReadData());
      ReadHeader();
      continue;
    } else if (!imageRead && Is("gAMA")) {
      const std::span<const uint8_t> data = ReadData();
      if (data.size() >= 4) {
        m_.SetGamma(float(U32BE(data.data()) / 100000.0), 2.2f);
        m_.TargetOptions |= optGamma;
      }
      ReadHeader();
      continue;
    } else if (!imageRead && Is("bKGD")) {
      const std::span<const uint8_t> data = ReadData();
      background_.assign(data.begin(), data.end());
      ReadHeader();
      continue;
    } else if (!imageRead && Is("tRNS")) {
      const std::span<const uint8_t> data = ReadData();
      // Palette transparency (and any for pictures with alpha) is not used.
      if (colorType_ == 0 || colorType_ == 2) transparency_.assign(data.begin(), data.end());
      ReadHeader();
      continue;
    } else {
      ReadData();
    }
    if (Is("IEND")) break;
    if (!Ancillary()) Raise(SUnknownCriticalChunk);
    ReadHeader();
  }
  // A file without image data holds no picture.
  if (!imageRead) Raise(SInvalidImage);
}

}  // namespace

void TPNGGraphic::ReadImage(TImageStream& in, TBitmap& bitmap) {
  TPngReader reader(in, bitmap, ColorManager(),
                    [&](int64_t width, int64_t height) { SizeBitmap(bitmap, width, height); });
  reader.Load();
  Transparent = reader.TransparentColor().has_value();
  if (Transparent) TransparentColor = *reader.TransparentColor();
}

}  // namespace imaging
