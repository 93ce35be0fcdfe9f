// Frame bitmaps, masks and frame drawing.
#include <gtest/gtest.h>

#include "GifTestUtil.h"
#include "imaging/GIFFormat.h"

using namespace imaging;
using namespace giftest;
using platform::RGB;
using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;

namespace {

// An image with a 4-colour global table and one frame of the given pixels.
TGIFSubImage& Frame(TGIFImage& image, int left, int top, int width, int height,
                    const Bytes& pixels) {
  if (image.GlobalColorMap().Count() == 0) {
    image.GlobalColorMap().Add({255, 0, 0});
    image.GlobalColorMap().Add({0, 255, 0});
    image.GlobalColorMap().Add({0, 0, 255});
    image.GlobalColorMap().Add({255, 255, 255});
  }
  auto frame = std::make_unique<TGIFSubImage>(&image);
  TGIFSubImage& f = *frame;
  f.SetBounds(left, top, width, height);
  f.Data() = pixels;
  f.Changed();
  image.Add(std::move(frame));
  return f;
}

void MakeTransparent(TGIFSubImage& frame, uint8_t index) {
  auto gce = std::make_unique<TGIFGraphicControlExtension>(&frame);
  gce->TransparentColorIndex = index;
  gce->SetTransparent(true);
  frame.Extensions().Add(std::move(gce));
  frame.Changed();
}

TBitmap Filled(int width, int height, TColor c) {
  TBitmap b(width, height, platform::pf24bit);
  TCanvas canvas(b);
  canvas.Brush.Color = c;
  canvas.FillRect({0, 0, width, height});
  return b;
}

// Which pixels differ from the fill colour, one string per row.
std::vector<std::string> Marks(const TBitmap& b, TColor fill) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) row += b.GetPixel(x, y) == fill ? '.' : '#';
    rows.push_back(row);
  }
  return rows;
}

TEST(GifRender, FrameBitmapIsItsIndicesThroughItsPalette) {
  TGIFImage image;
  TGIFSubImage& f = Frame(image, 0, 0, 3, 2, {0, 1, 2, 3, 2, 1});
  const TBitmap& b = f.Bitmap();
  EXPECT_EQ(b.PixelFormat(), platform::pf8bit);
  EXPECT_EQ(std::vector<TColor>(b.Palette().begin(), b.Palette().end()),
            image.GlobalColorMap().ExportPalette());
  EXPECT_EQ(b.ScanLine(1)[0], 3);
  EXPECT_EQ(b.GetPixel(2, 0), RGB(0, 0, 255));
  EXPECT_FALSE(f.Dirty());
  EXPECT_EQ(f.Mask(), nullptr);
  // A local table takes over; a change renders again.
  f.ColorMap().Add({1, 2, 3});
  f.ColorMap().Add({4, 5, 6});
  f.Data()[0] = 1;
  f.Changed();
  EXPECT_EQ(f.Bitmap().GetPixel(0, 0), RGB(4, 5, 6));
}

TEST(GifRender, DitheredRowsUseTheWebPaletteAndMaskTransparentPixels) {
  GIFPaletteDisplay() = true;
  TGIFImage image;
  ASSERT_TRUE(image.Dithering());
  // Pure web colours keep their own index; index 3 (white) is transparent.
  TGIFSubImage& f = Frame(image, 0, 0, 4, 2, {0, 3, 1, 2, 3, 3, 0, 1});
  MakeTransparent(f, 3);
  const TBitmap& b = f.Bitmap();
  GIFPaletteDisplay() = false;
  EXPECT_EQ(b.Palette().size(), 216u);
  EXPECT_EQ(b.ScanLine(0)[0], 36 * 5);
  EXPECT_EQ(b.ScanLine(0)[2], 6 * 5);
  EXPECT_EQ(b.ScanLine(1)[3], 6 * 5);
  // The transparent colour's web index: white is 215.
  EXPECT_EQ(b.ScanLine(0)[1], 215);
  EXPECT_EQ(b.ScanLine(1)[0], 215);
  EXPECT_EQ(b.ScanLine(1)[1], 215);
  const TBitmap* mask = f.Mask();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(Marks(*mask, platform::clBlack), (std::vector<std::string>{".#..", "##.."}));
}

TEST(GifRender, FrameIsScaledIntoTheRectangle) {
  TGIFImage image;
  image.Header().Width = 4;
  image.Header().Height = 2;
  Frame(image, 2, 1, 2, 1, {0, 2});
  TBitmap target = Filled(10, 6, platform::clBlack);
  TCanvas canvas(target);
  DrawFrame(*image.Images()[0], canvas, TRect{1, 1, 9, 5}, false, false);
  EXPECT_EQ(Marks(target, platform::clBlack),
            (std::vector<std::string>{"..........", "..........", "..........", ".....####.",
                                      ".....####.", ".........."}));
  EXPECT_EQ(target.GetPixel(5, 3), RGB(255, 0, 0));
  EXPECT_EQ(target.GetPixel(8, 4), RGB(0, 0, 255));
}

TEST(GifRender, TilesRepeatAtTheScreenSizeInsideTheRectangle) {
  TGIFImage image;
  image.Header().Width = 3;
  image.Header().Height = 2;
  Frame(image, 1, 0, 1, 1, {1});
  TBitmap target = Filled(9, 6, platform::clBlack);
  TCanvas canvas(target);
  DrawFrame(*image.Images()[0], canvas, TRect{0, 0, 7, 5}, false, true);
  EXPECT_EQ(Marks(target, platform::clBlack),
            (std::vector<std::string>{".#..#....", ".........", ".#..#....", ".........",
                                      ".#..#....", "........."}));
}

TEST(GifRender, MaskedDrawKeepsTheDestination) {
  TGIFImage image;
  TGIFSubImage& f = Frame(image, 0, 0, 3, 1, {0, 3, 1});
  MakeTransparent(f, 3);
  const TColor ground = RGB(7, 8, 9);
  TBitmap target = Filled(3, 1, ground);
  TCanvas canvas(target);
  DrawFrame(f, canvas, TRect{0, 0, 3, 1}, true, false);
  EXPECT_EQ(target.GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(target.GetPixel(1, 0), ground);
  EXPECT_EQ(target.GetPixel(2, 0), RGB(0, 255, 0));
  // Without transparency the transparent index shows its colour.
  DrawFrame(f, canvas, TRect{0, 0, 3, 1}, false, false);
  EXPECT_EQ(target.GetPixel(1, 0), platform::clWhite);
  // Scaled, the mask scales along.
  TBitmap wide = Filled(6, 2, ground);
  TCanvas wideCanvas(wide);
  DrawFrame(f, wideCanvas, TRect{0, 0, 6, 2}, true, false);
  EXPECT_EQ(Marks(wide, ground), (std::vector<std::string>{"##..##", "##..##"}));
}

TEST(GifRender, ScreenOfNoSizeDrawsNothing) {
  TGIFImage image;
  TGIFSubImage& f = Frame(image, 0, 0, 2, 2, {0, 1, 2, 3});
  image.Header().Width = 0;
  TBitmap target = Filled(4, 4, platform::clBlack);
  TCanvas canvas(target);
  DrawFrame(f, canvas, TRect{0, 0, 4, 4}, false, false);
  DrawFrame(f, canvas, TRect{0, 0, 4, 4}, false, true);
  EXPECT_EQ(Marks(target, platform::clBlack), std::vector<std::string>(4, "...."));
}

TEST(GifRender, ImageWithoutAnyTableHasNoPalette) {
  TGIFImage image;
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->SetBounds(0, 0, 2, 1);
  image.Add(std::move(frame));
  try {
    image.Palette();
    FAIL() << "no exception";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "No global or local color table defined");
  }
  // Drawing still works, with the default colours.
  TBitmap target = Filled(2, 1, platform::clWhite);
  TCanvas canvas(target);
  image.Draw(canvas, TRect{0, 0, 2, 1});
  EXPECT_EQ(target.GetPixel(0, 0), platform::clBlack);
}

}  // namespace
