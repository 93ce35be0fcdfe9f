#pragma once
// Helpers the image-format tests share. The drawing layer's test helpers (fixture files, PNM
// oracles, pixel comparison, temporary folders) are used as they are.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/GifImage.h"
#include "imaging/RasterFormats.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/tests/PnmFile.h"
#include "platform/gfx/tests/TempDir.h"

namespace imagingtest {

using platform::TColor;

// A binary PNM oracle (P4 bitmap, P5 grey or P6 colour, any maxval) as colours of 8 bits a
// channel: a sample v becomes v * 255 div maxval, the manager's own reduction of 16-bit samples.
struct TPnm {
  int Width = 0, Height = 0, MaxVal = 1, Channels = 1;
  bool Bitmap = false;
  std::vector<uint16_t> Samples;  // Bitmap: 1 for black

  TColor Colour(int x, int y) const {
    const size_t i = (size_t(y) * size_t(Width) + size_t(x)) * size_t(Channels);
    if (Bitmap) return Samples[i] ? platform::RGB(0, 0, 0) : platform::RGB(255, 255, 255);
    auto scale = [&](size_t k) { return uint8_t(uint32_t(Samples[k]) * 255 / uint32_t(MaxVal)); };
    return Channels == 3 ? platform::RGB(scale(i), scale(i + 1), scale(i + 2))
                         : platform::RGB(scale(i), scale(i), scale(i));
  }
};

inline TPnm ReadPnmFixture(const std::string& name) {
  const std::vector<uint8_t> data = gfxtest::ReadFixture(name);
  size_t pos = 0;
  auto token = [&] {
    std::string t;
    while (pos < data.size() && (std::isspace(data[pos]) || data[pos] == '#'))
      if (data[pos++] == '#')
        while (pos < data.size() && data[pos] != '\n') ++pos;
    while (pos < data.size() && !std::isspace(data[pos])) t += char(data[pos++]);
    return t;
  };
  TPnm p;
  const std::string magic = token();
  p.Width = std::stoi(token());
  p.Height = std::stoi(token());
  p.Bitmap = magic == "P4";
  if (!p.Bitmap) p.MaxVal = std::stoi(token());
  p.Channels = magic == "P6" ? 3 : 1;
  ++pos;  // the one blank before the samples
  if (magic != "P4" && magic != "P5" && magic != "P6") throw std::runtime_error("not a PNM: " + name);
  const size_t count = size_t(p.Width) * size_t(p.Height) * size_t(p.Channels);
  p.Samples.resize(count);
  if (p.Bitmap) {
    const size_t rowBytes = (size_t(p.Width) + 7) / 8;
    if (data.size() < pos + rowBytes * size_t(p.Height)) throw std::runtime_error("short " + name);
    for (int y = 0; y < p.Height; ++y)
      for (int x = 0; x < p.Width; ++x)
        p.Samples[size_t(y) * size_t(p.Width) + size_t(x)] =
            (data[pos + size_t(y) * rowBytes + size_t(x) / 8] >> (7 - x % 8)) & 1;
    return p;
  }
  const size_t bytes = p.MaxVal > 255 ? 2 : 1;
  if (data.size() < pos + count * bytes) throw std::runtime_error("short " + name);
  for (size_t i = 0; i < count; ++i)
    p.Samples[i] = bytes == 2 ? uint16_t((data[pos + 2 * i] << 8) | data[pos + 2 * i + 1])
                              : data[pos + i];
  return p;
}

// The oracle as a 24-bit bitmap, to compare with gfxtest::PixelDifference.
inline platform::TBitmap PnmBitmap(const TPnm& pnm) {
  platform::TBitmap b(pnm.Width, pnm.Height, platform::pf24bit);
  for (int y = 0; y < pnm.Height; ++y)
    for (int x = 0; x < pnm.Width; ++x) b.SetPixel(x, y, pnm.Colour(x, y));
  return b;
}

// The largest difference of one colour channel between two bitmaps of the same size; -1 when
// the sizes differ.
inline int MaxChannelDifference(const platform::TBitmap& a, const platform::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int most = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const TColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      for (int shift = 0; shift < 24; shift += 8)
        most = std::max(most, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
    }
  return most;
}

// Loads bytes into a graphic through LoadFromStream.
template <class Graphic>
void LoadBytes(Graphic& g, const std::vector<uint8_t>& data) {
  g.LoadFromStream(data.data(), data.size());
}

// Loads a fixture into a graphic through LoadFromStream.
template <class Graphic>
void LoadFixture(Graphic& g, const std::string& name) {
  LoadBytes(g, gfxtest::ReadFixture(name));
}

// A fixture and what it must decode to.
struct TOracleCase {
  std::string File;                // the picture
  std::string Oracle;              // its expected pixels, a binary PNM (ReadPnmFixture)
  platform::TPixelFormat Format;   // the bitmap's pixel format
  int Tolerance = 0;               // the largest difference of one channel allowed
};

// Loads each case into a new Graphic and compares it with its oracle.
template <class Graphic>
void ExpectOracles(const std::vector<TOracleCase>& cases) {
  for (const TOracleCase& c : cases) {
    Graphic g;
    ASSERT_NO_THROW(LoadFixture(g, c.File)) << c.File;
    EXPECT_EQ(g.Bitmap().PixelFormat(), c.Format) << c.File;
    const platform::TBitmap expected = PnmBitmap(ReadPnmFixture(c.Oracle));
    EXPECT_LE(MaxChannelDifference(g.Bitmap(), expected), c.Tolerance)
        << c.File << ": " << gfxtest::PixelDifference(g.Bitmap(), expected);
  }
}

// Bytes with `size` bytes at `at` replaced by a big- or little-endian value.
inline std::vector<uint8_t> Patched(std::vector<uint8_t> data, size_t at, uint32_t value,
                                    size_t size, bool bigEndian) {
  for (size_t i = 0; i < size; ++i)
    data.at(at + i) = uint8_t(value >> (8 * (bigEndian ? size - 1 - i : i)));
  return data;
}

// Puts the picture registry back as a test found it when it goes: the raster formats and the
// GIF format registered or not as they were, and every class registered since removed. The
// tests run in one process in any order, and those that count formats must find the table
// they expect.
class TRegistryGuard {
 public:
  TRegistryGuard()
      : raster_(imaging::FileFormatList() != nullptr),
        gif_(platform::TPicture::FindExtension("gif") == imaging::TGIFImage::Class()),
        before_(platform::TPicture::FileFormats()) {}
  ~TRegistryGuard() {
    if (!gif_) imaging::UnregisterGIFFormat();
    if (raster_)
      imaging::RegisterRasterFormats();
    else
      imaging::UnregisterRasterFormats();
    if (gif_) imaging::RegisterGIFFormat();
    for (const platform::TPictureFormat& f : platform::TPicture::FileFormats())
      if (std::none_of(before_.begin(), before_.end(),
                       [&](const platform::TPictureFormat& b) { return b.GraphicClass == f.GraphicClass; }))
        platform::TPicture::UnregisterGraphicClass(f.GraphicClass);
  }
  TRegistryGuard(const TRegistryGuard&) = delete;
  TRegistryGuard& operator=(const TRegistryGuard&) = delete;

 private:
  bool raster_;
  bool gif_;
  std::vector<platform::TPictureFormat> before_;
};

// The text of the exception `f` throws; "(no exception)" when it throws none.
inline std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

}  // namespace imagingtest
