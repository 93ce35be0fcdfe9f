#include "skin/SkinPublic.h"

#include <gtest/gtest.h>

#include "SkinTestUtil.h"
#include <cstring>

using namespace skin;
using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadPnm;

namespace {

// A bitmap from rows of characters, one colour per character.
TBitmap Pic(std::initializer_list<const char*> rows) {
  auto colour = [](char ch) -> TColor {
    switch (ch) {
      case 'k': return clSkinKey;
      case 'r': return 0x0000FF;
      case 'g': return 0x00FF00;
      case 'b': return 0xFF0000;
      case 'y': return 0x00FFFF;
      case 'w': return 0xFFFFFF;
      default: return 0x000000;
    }
  };
  const int h = int(rows.size()), w = int(std::strlen(*rows.begin()));
  TBitmap b(w, h, pf24bit);
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, colour(row[x]));
    ++y;
  }
  return b;
}

std::vector<std::string> Rows(const TBitmap& b) {
  std::vector<std::string> out;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      switch (b.GetPixel(x, y)) {
        case clSkinKey: row += 'k'; break;
        case 0x0000FF: row += 'r'; break;
        case 0x00FF00: row += 'g'; break;
        case 0xFF0000: row += 'b'; break;
        case 0x00FFFF: row += 'y'; break;
        case 0xFFFFFF: row += 'w'; break;
        case 0x000000: row += '.'; break;
        default: row += '?';
      }
    }
    out.push_back(row);
  }
  return out;
}

TBitmap Ground(int w, int h, TColor c = 0xFFFFFF) {
  TBitmap b(w, h, pf24bit);
  TCanvas canvas(b);
  canvas.Brush.Color = c;
  canvas.FillRect({0, 0, w, h});
  return b;
}

}  // namespace

TEST(SkinPublic, CopyStripFrameMatchesPamcut) {
  const TBitmap strip = ReadPnm("strip306.ppm");
  ASSERT_EQ(strip.Width(), 306);
  TBitmap frame;
  CopyStripFrame(strip, frame, 18, 1);
  EXPECT_EQ(PixelDifference(frame, ReadPnm("strip306_1.ppm")), "");
  CopyStripFrame(strip, frame, 18, 18);
  EXPECT_EQ(PixelDifference(frame, ReadPnm("strip306_18.ppm")), "");
}

TEST(SkinPublic, CopyStripFrameOutsideItsFrames) {
  const TBitmap strip = ReadPnm("strip306.ppm");
  TBitmap frame(3, 3);
  CopyStripFrame(strip, frame, 0, 1);  // no count: the whole picture
  EXPECT_EQ(PixelDifference(frame, strip), "");
  CopyStripFrame(strip, frame, -4, 2);
  EXPECT_EQ(frame.Width(), 306);
  for (int index : {0, 19, -1}) {
    frame = TBitmap(3, 3);
    CopyStripFrame(strip, frame, 18, index);
    EXPECT_TRUE(frame.Empty()) << index;
  }
  frame = TBitmap(3, 3);
  CopyStripFrame(strip, frame, 400, 1);  // frames of no width
  EXPECT_TRUE(frame.Empty());
  CopyStripFrame(TBitmap(), frame, 3, 1);
  EXPECT_TRUE(frame.Empty());
}

TEST(SkinPublic, RotationsMatchImageMagick) {
  TBitmap left = ReadPnm("turn.ppm");
  RotateBitmapLeft(left);
  EXPECT_EQ(PixelDifference(left, ReadPnm("turn_left.ppm")), "");
  TBitmap right = ReadPnm("turn.ppm");
  RotateBitmapRight(right);
  EXPECT_EQ(PixelDifference(right, ReadPnm("turn_right.ppm")), "");
  RotateBitmapLeft(right);  // and back
  EXPECT_EQ(PixelDifference(right, ReadPnm("turn.ppm")), "");
}

TEST(SkinPublic, DrawThreePartImageMasksTheCaps) {
  // Caps of 3 with key corners; the middle is plain.
  const TBitmap parts = Pic({"krrgggbbk", "rrrgggbbb"});
  TBitmap out = Ground(10, 3);
  TCanvas canvas(out);
  DrawThreePartImage(parts, canvas, {0, 0, 10, 3}, false);  // $FF00FF is the key
  EXPECT_EQ(Rows(out), (std::vector<std::string>{"wrrggggbbw", "rrrggggbbb", "wwwggggwww"}));

  // With corner transparency the key is pixel (0, 0), here red: the red cap pixels drop out,
  // the magenta ones show.
  const TBitmap redCorner = Pic({"rrkgggbbr", "kkrgggbbb"});
  out = Ground(9, 2);
  TCanvas c2(out);
  DrawThreePartImage(redCorner, c2, {0, 0, 9, 2}, true);
  EXPECT_EQ(Rows(out), (std::vector<std::string>{"wwkgggbbw", "kkwgggbbb"}));
}

TEST(SkinPublic, DrawThreePartImageInNarrowRectangles) {
  const TBitmap parts = Pic({"rrrgggbbb"});
  for (int width : {6, 5, 2}) {
    TBitmap out = Ground(8, 1);
    TCanvas canvas(out);
    DrawThreePartImage(parts, canvas, {1, 0, 1 + width, 1}, false);
    const std::string row = Rows(out)[0];
    EXPECT_EQ(row.find('g'), std::string::npos) << width << ": " << row;  // no middle at all
  }
  TBitmap out = Ground(8, 1);
  TCanvas canvas(out);
  DrawThreePartImage(parts, canvas, {1, 0, 6, 1}, false);
  EXPECT_EQ(Rows(out)[0], "wrrbbbww");  // right cap drawn over the left one
  DrawThreePartImage(TBitmap(), canvas, {0, 0, 8, 1}, false);  // nothing to draw
}

TEST(SkinPublic, TileImageFromTheOrigin) {
  const TBitmap tile = Pic({"rgb", "ywk"});
  TBitmap out = Ground(13, 7, 0);
  TCanvas canvas(out);
  TileImage(canvas, tile, {5, 5, 12, 8});  // 7 x 3: tiles while x < 10 and y < 5
  const auto rows = Rows(out);
  EXPECT_EQ(rows[0], "rgbrgbrgbrgb.");
  EXPECT_EQ(rows[1], "ywkywkywkywk.");
  EXPECT_EQ(rows[4], "rgbrgbrgbrgb.");
  EXPECT_EQ(rows[5], "ywkywkywkywk.");
  EXPECT_EQ(rows[6], ".............");
  TileImage(canvas, TBitmap(0, 4), {0, 0, 10, 10});  // a picture of no width draws nothing
  TileImage(canvas, TBitmap(4, 0), {0, 0, 10, 10});
}

TEST(SkinPublic, DrawControlBorderOnABitmap) {
  TBitmap out = Ground(6, 5, 0x00FF00);
  TCanvas canvas(out);
  DrawControlBorder(canvas, 6, 5, 0x0000FF, 0xFF0000, true);
  EXPECT_EQ(Rows(out), (std::vector<std::string>{"rrrrrr", "rbbbbr", "rbggbr", "rbbbbr", "rrrrrr"}));
  out = Ground(4, 3, 0x00FF00);
  TCanvas c2(out);
  DrawControlBorder(c2, 4, 3, clBtnFace, clWindow, false);
  EXPECT_EQ(out.GetPixel(0, 0), 0xC8D0D4u);
  EXPECT_EQ(out.GetPixel(1, 1), 0x00FF00u);
}

TEST(SkinPublic, PointInRectCountsTheEdges) {
  const TRect r{2, 3, 5, 7};
  EXPECT_TRUE(PointInRect(2, 3, r));
  EXPECT_TRUE(PointInRect(5, 7, r));
  EXPECT_FALSE(PointInRect(6, 7, r));
  EXPECT_FALSE(PointInRect(1, 3, r));
}

TEST(SkinPublic, SystemColoursComeFromOneTable) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4u);
  EXPECT_EQ(ColorToRGB(clHighlight), 0x6A240Au);
  EXPECT_EQ(ColorToRGB(clInactiveCaption), 0x808080u);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0u);
  EXPECT_EQ(ColorToRGB(clMenuText), 0u);
  EXPECT_EQ(ColorToRGB(0x12345678), 0x345678u);
}
