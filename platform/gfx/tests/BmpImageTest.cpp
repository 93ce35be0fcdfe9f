#include "platform/gfx/BmpImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PnmFile.h"
#include "platform/base/ByteOrder.h"

using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadFixture;
using gfxtest::ReadPnm;
using ::testing::HasSubstr;

namespace {

TBitmap ReadBmpFixture(const std::string& name) {
  std::vector<uint8_t> data = ReadFixture(name);
  return ReadBmp(data.data(), data.size());
}

std::string ErrorOf(const std::vector<uint8_t>& data) {
  try {
    ReadBmp(data.data(), data.size());
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "no error";
}

// A file of a 40-byte header followed by the given palette and pixel bytes.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             const std::vector<TColor>& palette,
                             const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> out(54);
  out[0] = 'B';
  out[1] = 'M';
  const uint32_t offBits = 54 + uint32_t(palette.size()) * 4;
  StoreU32(&out[10], offBits);
  StoreU32(&out[14], 40);
  StoreU32(&out[18], uint32_t(width));
  StoreU32(&out[22], uint32_t(height));
  StoreU16(&out[26], 1);
  StoreU16(&out[28], bits);
  StoreU32(&out[30], compression);
  StoreU32(&out[46], uint32_t(palette.size()));
  for (TColor c : palette) {
    out.push_back(GetBValue(c));
    out.push_back(GetGValue(c));
    out.push_back(GetRValue(c));
    out.push_back(0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  StoreU32(&out[2], uint32_t(out.size()));
  return out;
}

const std::vector<TColor> kFour = {clBlack, clRed, clLime, clBlue};

}  // namespace

TEST(BmpReader, ReadsWhatNetpbmAndImageMagickWrite) {
  struct Case {
    const char* file;
    TPixelFormat format;
  } cases[] = {
      {"bpp1", pf1bit},   {"bpp4", pf4bit},     {"bpp8", pf8bit},       {"bpp24", pf24bit},
      {"os2bpp8", pf8bit}, {"rle8", pf8bit},    {"rle8codes", pf8bit},  {"rle4", pf4bit},
      {"rgb565", pf16bit}, {"rgb555", pf15bit}, {"argb32", pf32bit},    {"topdown", pf24bit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TBitmap b = ReadBmpFixture(std::string(c.file) + ".bmp");
    EXPECT_EQ(b.PixelFormat(), c.format);
    EXPECT_EQ(PixelDifference(b, ReadPnm(std::string(c.file) + ".ppm")), "");
  }
}

TEST(BmpWriter, WritesWhatNetpbmWritesApartFromTheImageSize) {
  // netpbm leaves the image size field 0; we fill it in, as readers may rely on it.
  for (const char* file : {"bpp1.bmp", "bpp4.bmp", "bpp8.bmp", "bpp24.bmp"}) {
    std::vector<uint8_t> original = ReadFixture(file);
    std::vector<uint8_t> written = WriteBmp(ReadBmp(original.data(), original.size()));
    ASSERT_EQ(written.size(), original.size()) << file;
    EXPECT_EQ(LoadU32(&written[34]), written.size() - LoadU32(&written[10])) << file;
    std::memset(&written[34], 0, 4);
    EXPECT_TRUE(written == original) << file;
  }
}

TEST(BmpWriter, EveryFormatReadsBackUnchanged) {
  for (const char* file : {"rle4.bmp", "rle8.bmp", "rgb565.bmp", "rgb555.bmp", "argb32.bmp",
                           "os2bpp8.bmp", "topdown.bmp"}) {
    TBitmap b = ReadBmpFixture(file);
    std::vector<uint8_t> written = WriteBmp(b);
    TBitmap back = ReadBmp(written.data(), written.size());
    EXPECT_EQ(PixelDifference(back, b), "") << file;
    EXPECT_EQ(IsIndexed(back.PixelFormat()), IsIndexed(b.PixelFormat())) << file;
  }
  // A short palette keeps its length, and an empty bitmap makes a valid empty file.
  TBitmap small(3, 2, pf8bit);
  small.SetPalette(kFour);
  small.SetPixel(2, 1, clBlue);
  std::vector<uint8_t> written = WriteBmp(small);
  EXPECT_EQ(LoadU32(&written[46]), 4u);
  TBitmap back = ReadBmp(written.data(), written.size());
  EXPECT_EQ(back.Palette().size(), 4u);
  EXPECT_EQ(back.GetPixel(2, 1), clBlue);
  std::vector<uint8_t> empty = WriteBmp(TBitmap());
  EXPECT_TRUE(ReadBmp(empty.data(), empty.size()).Empty());
}

TEST(BmpReader, PackedBitmapsHaveNoFileHeader) {
  std::vector<uint8_t> file = ReadFixture("bpp8.bmp");
  TBitmap b = ReadDib(file.data() + 14, file.size() - 14);
  EXPECT_EQ(PixelDifference(b, ReadPnm("bpp8.ppm")), "");
}

TEST(BmpReader, RunLengthCodesStayInsideThePicture) {
  // 4 x 3, bottom row first: a run longer than the row, a jump to the right edge, a run there
  // that is dropped, a literal run on the top row and a jump beyond the last row, which ends
  // the picture.
  const std::vector<uint8_t> codes = {
      6, 1,                // bottom row: 4 pixels of 1, two more dropped
      0, 0,                // line end
      0, 2, 9, 0,          // jump right, past the edge
      2, 2,                // dropped: past the edge
      0, 0,                // line end: top row
      0, 3, 3, 1, 2, 0,    // literal 3, 1, 2 and a pad byte
      0, 2, 0, 5,          // jump beyond the last row
  };
  std::vector<uint8_t> file = MakeBmp(4, 3, 8, 1, kFour, codes);
  TBitmap b = ReadBmp(file.data(), file.size());
  EXPECT_EQ(gfxtest::Shape(b, clRed), (std::vector<std::string>{".#..", "....", "####"}));
  EXPECT_EQ(b.GetPixel(0, 0), clBlue);
  EXPECT_EQ(b.GetPixel(2, 0), clLime);
  EXPECT_EQ(b.GetPixel(3, 0), clBlack);
  // Codes that stop without an end mark once every row is done are complete.
  std::vector<uint8_t> unmarked = MakeBmp(4, 1, 8, 1, kFour, {4, 1, 0, 0});
  EXPECT_EQ(ReadBmp(unmarked.data(), unmarked.size()).GetPixel(3, 0), clRed);
}

TEST(BmpReader, TruncatedFilesAreRejected) {
  for (const char* file : {"bpp1.bmp", "bpp4.bmp", "bpp8.bmp", "bpp24.bmp", "os2bpp8.bmp",
                           "rle4.bmp", "rle8.bmp", "rgb565.bmp", "argb32.bmp"}) {
    std::vector<uint8_t> data = ReadFixture(file);
    TBitmap whole = ReadBmp(data.data(), data.size());
    // Each cut either fails cleanly or still holds every pixel (only padding was cut).
    for (size_t n = 0; n < data.size(); ++n) {
      std::vector<uint8_t> cut(data.begin(), data.begin() + long(n));
      try {
        TBitmap b = ReadBmp(cut.data(), cut.size());
        EXPECT_EQ(PixelDifference(b, whole), "") << file << " cut to " << n;
      } catch (const EInvalidGraphic& e) {
        EXPECT_THAT(e.what(), HasSubstr("Bitmap image is not valid")) << file;
      }
    }
    std::vector<uint8_t> half(data.begin(), data.begin() + long(data.size() / 2));
    EXPECT_THAT(ErrorOf(half), HasSubstr("truncated")) << file;
  }
}

TEST(BmpReader, DamagedHeadersAreRejectedWithTheirFault) {
  const std::vector<uint8_t> good = MakeBmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 0));
  ASSERT_EQ(ReadBmp(good.data(), good.size()).Width(), 2);
  struct Case {
    size_t offset;
    int size;  // 1, 2 or 4 bytes
    uint32_t value;
    const char* error;
  } cases[] = {
      {0, 1, 'X', "not a bitmap file"},
      {14, 4, 20, "unsupported header"},
      {14, 4, 0xFFFFFFF0, "unsupported header"},
      {28, 2, 7, "unsupported bit depth"},
      {30, 4, 4, "unsupported compression"},
      {30, 4, 1, "run-length coding of a wrong depth"},
      {30, 4, 3, "bit fields of a wrong depth"},
      {18, 4, uint32_t(-2), "negative size"},
      {22, 4, 0x80000000u, "negative size"},
      {18, 4, 100000, "too large"},
      {22, 4, 70000, "too large"},
      {10, 4, 1000, "truncated pixel data"},
      {22, 4, 3, "truncated pixel data"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = good;
    if (c.size == 1) bad[c.offset] = uint8_t(c.value);
    if (c.size == 2) StoreU16(&bad[c.offset], uint16_t(c.value));
    if (c.size == 4) StoreU32(&bad[c.offset], c.value);
    EXPECT_THAT(ErrorOf(bad), HasSubstr(c.error)) << c.offset << " = " << c.value;
  }
  // A top-down run-length picture, a palette larger than the file, bit fields with a gap.
  std::vector<uint8_t> rle = MakeBmp(2, -2, 8, 1, kFour, {0, 1});
  EXPECT_THAT(ErrorOf(rle), HasSubstr("top-down run-length"));
  std::vector<uint8_t> palette = MakeBmp(2, 2, 8, 0, kFour, std::vector<uint8_t>(8, 0));
  StoreU32(&palette[46], 200);
  EXPECT_THAT(ErrorOf(palette), HasSubstr("truncated palette"));
  std::vector<uint8_t> dib(palette.begin() + 14, palette.end());
  StoreU32(&dib[32], 0xFFFFFFFF);
  try {
    ReadDib(dib.data(), dib.size());
    ADD_FAILURE() << "a palette of 2^32 colours was accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_THAT(e.what(), HasSubstr("truncated palette"));
  }
  std::vector<uint8_t> fields = MakeBmp(1, 1, 16, 3, {}, {});
  const uint32_t masks[3] = {0xF00F, 0x00F0, 0x0000};
  for (uint32_t m : masks)
    for (int i = 0; i < 4; ++i) fields.push_back(uint8_t(m >> (8 * i)));
  fields.insert(fields.end(), {0, 0, 0, 0});
  EXPECT_THAT(ErrorOf(fields), HasSubstr("bit fields are not contiguous"));
}

TEST(BitmapGraphic, LoadsDrawsAndSaves) {
  TBitmapGraphic g;
  std::vector<uint8_t> data = ReadFixture("bpp24.bmp");
  g.LoadFromStream(data.data(), data.size());
  EXPECT_EQ(g.Width(), 37);
  EXPECT_EQ(g.Height(), 23);
  TBitmap page(37, 23);
  TCanvas canvas(page);
  g.Draw(canvas, {0, 0, 37, 23});
  EXPECT_EQ(PixelDifference(page, ReadPnm("bpp24.ppm")), "");
  std::vector<uint8_t> saved = g.SaveToStream();
  EXPECT_EQ(PixelDifference(ReadBmp(saved.data(), saved.size()), g.Bitmap()), "");
  // A bad file leaves the picture as it was.
  const uint8_t junk[20] = {'B', 'M'};
  EXPECT_THROW(g.LoadFromStream(junk, sizeof junk), EInvalidGraphic);
  EXPECT_EQ(g.Width(), 37);
}

TEST(BitmapGraphic, TransparentPicturesLeaveOutTheirKeyColour) {
  TBitmapGraphic g;
  g.Bitmap() = TBitmap(4, 2, pf32bit);
  const TColor key = RGB(10, 20, 30);
  for (int x = 0; x < 4; ++x) {
    g.Bitmap().SetPixel(x, 0, x % 2 ? key : RGB(200, 0, 0));
    g.Bitmap().SetPixel(x, 1, RGB(0, 0, uint8_t(50 * x)));
  }
  // The fourth byte of a 32-bit pixel (alpha, where a reader kept it) is not colour.
  g.Bitmap().ScanLine(0)[4 * 1 + 3] = 0x7F;
  EXPECT_EQ(ReadRowPacked(g.Bitmap().ScanLine(0), 1, pf32bit), g.Bitmap().PackColor(key));

  auto draw = [&](const TRect& r) {
    TBitmap page(8, 4);
    TCanvas canvas(page);
    canvas.Brush.Color = RGB(1, 2, 3);
    canvas.FillRect({0, 0, 8, 4});
    g.Draw(canvas, r);
    return page;
  };
  // Not transparent: every pixel is drawn.
  TBitmap page = draw({0, 0, 4, 2});
  EXPECT_EQ(page.GetPixel(1, 0), key);
  // Transparent: the key's pixels keep the ground, 1:1 and scaled.
  g.Transparent = true;
  g.TransparentColor = key;
  page = draw({0, 0, 4, 2});
  EXPECT_EQ(page.GetPixel(0, 0), RGB(200, 0, 0));
  EXPECT_EQ(page.GetPixel(1, 0), RGB(1, 2, 3));
  EXPECT_EQ(page.GetPixel(3, 0), RGB(1, 2, 3));
  EXPECT_EQ(page.GetPixel(2, 1), RGB(0, 0, 100));
  page = draw({0, 0, 8, 4});
  EXPECT_EQ(page.GetPixel(2, 0), RGB(1, 2, 3));
  EXPECT_EQ(page.GetPixel(3, 1), RGB(1, 2, 3));
  EXPECT_EQ(page.GetPixel(4, 1), RGB(200, 0, 0));
}
