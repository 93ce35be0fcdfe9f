#include "platform/gfx/Canvas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "PnmFile.h"

using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadPnm;
using gfxtest::Shape;
using Rows = std::vector<std::string>;

namespace {

TBitmap Black(int w, int h, TPixelFormat pf = pf24bit) { return TBitmap(w, h, pf); }

// The picture as rows of letters: '.' black, 'R' red, 'B' blue, 'G' lime, 'W' white, '?' other.
Rows Letters(const TBitmap& b) {
  Rows rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      switch (b.GetPixel(x, y)) {
        case clBlack: row += '.'; break;
        case clRed: row += 'R'; break;
        case clBlue: row += 'B'; break;
        case clLime: row += 'G'; break;
        case clWhite: row += 'W'; break;
        default: row += '?'; break;
      }
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<TPoint> SetPixels(const TBitmap& b) {
  std::vector<TPoint> points;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != clBlack) points.push_back({x, y});
  return points;
}

}  // namespace

TEST(CanvasLines, LeaveOutTheEndPointAndStayOnTheIdealLine) {
  // Checked against geometry, not against a drawing: a line from a to b sets max(|dx|, |dy|)
  // pixels, one per step of the major axis, each within half a pixel of the true line, with a
  // set first pixel and an unset end pixel.
  struct Case {
    TPoint from, to;
  } cases[] = {{{1, 1}, {8, 1}}, {{2, 9}, {2, 1}}, {{0, 0}, {6, 6}}, {{0, 0}, {9, 3}},
               {{9, 9}, {0, 4}}, {{3, 0}, {5, 9}}, {{8, 2}, {1, 7}}, {{4, 4}, {4, 4}}};
  for (const Case& c : cases) {
    TBitmap b = Black(10, 10);
    TCanvas canvas(b);
    canvas.Pen.Color = clRed;
    canvas.MoveTo(c.from.X, c.from.Y);
    canvas.LineTo(c.to.X, c.to.Y);
    SCOPED_TRACE(::testing::Message() << c.from.X << "," << c.from.Y << " -> " << c.to.X << ","
                                    << c.to.Y);
    const int dx = c.to.X - c.from.X, dy = c.to.Y - c.from.Y;
    std::vector<TPoint> pixels = SetPixels(b);
    EXPECT_EQ(int(pixels.size()), std::max(std::abs(dx), std::abs(dy)));
    if (dx || dy) {
      EXPECT_EQ(b.GetPixel(c.from.X, c.from.Y), clRed);
    }
    EXPECT_EQ(b.GetPixel(c.to.X, c.to.Y), clBlack);
    for (const TPoint& p : pixels) {
      // Distance along the minor axis from the ideal line.
      if (std::abs(dx) >= std::abs(dy)) {
        double ideal = c.from.Y + double(p.X - c.from.X) * dy / dx;
        EXPECT_LE(std::abs(p.Y - ideal), 0.5) << p.X << "," << p.Y;
      } else {
        double ideal = c.from.X + double(p.Y - c.from.Y) * dx / dy;
        EXPECT_LE(std::abs(p.X - ideal), 0.5) << p.X << "," << p.Y;
      }
    }
    EXPECT_EQ(canvas.PenPos(), c.to);
  }
}

TEST(CanvasLines, ClosedPolylineDrawsTheWholeOutline) {
  TBitmap b = Black(7, 7);
  TCanvas canvas(b);
  canvas.Pen.Color = clRed;
  // Each line leaves out its end point, which the next line starts on: the outline closes.
  const TPoint diamond[] = {{3, 0}, {6, 3}, {3, 6}, {0, 3}, {3, 0}};
  canvas.Polyline(diamond);
  EXPECT_EQ(Shape(b), (Rows{"...#...",  //
                            "..#.#..",  //
                            ".#...#.",  //
                            "#.....#",  //
                            ".#...#.",  //
                            "..#.#..",  //
                            "...#..."}));
}

TEST(CanvasLines, WidePenIsARoundDotAlongTheLine) {
  TBitmap b = Black(9, 7);
  TCanvas canvas(b);
  canvas.Pen.Color = clRed;
  canvas.Pen.Width = 3;
  canvas.MoveTo(2, 3);
  canvas.LineTo(6, 3);
  EXPECT_EQ(Shape(b), (Rows{".........",  //
                            ".........",  //
                            ".######..",  //
                            ".######..",  //
                            ".######..",  //
                            ".........",  //
                            "........."}));
  TBitmap dot = Black(7, 7);
  TCanvas dotCanvas(dot);
  dotCanvas.Pen.Color = clRed;
  dotCanvas.Pen.Width = 5;
  dotCanvas.MoveTo(3, 3);
  dotCanvas.LineTo(4, 3);
  EXPECT_EQ(Shape(dot), (Rows{".......",  //
                              "..###..",  //
                              ".#####.",  //
                              ".#####.",  //
                              ".#####.",  //
                              "..###..",  //
                              "......."}));
}

TEST(CanvasShapes, FocusRectangleInvertsEverySecondOutlinePixelAndErasesItself) {
  TBitmap b = Black(7, 5);
  TCanvas canvas(b);
  canvas.DrawFocusRect({1, 1, 6, 5});
  EXPECT_EQ(Letters(b), (Rows{".......",  //
                              ".W.W.W.",  //
                              ".......",  //
                              ".W...W.",  //
                              "..W.W.."}));
  canvas.DrawFocusRect({1, 1, 6, 5});
  EXPECT_EQ(Letters(b), Letters(Black(7, 5)));
  canvas.DrawFocusRect({3, 3, 3, 9});  // empty: nothing
  EXPECT_EQ(Letters(b), Letters(Black(7, 5)));
}

TEST(CanvasShapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  TBitmap b = Black(7, 5);
  TCanvas canvas(b);
  canvas.Pen.Color = clRed;
  canvas.Brush.Color = clBlue;
  canvas.Rectangle({1, 1, 6, 4});
  EXPECT_EQ(Letters(b), (Rows{".......",  //
                              ".RRRRR.",  //
                              ".RBBBR.",  //
                              ".RRRRR.",  //
                              "......."}));
  // Without a pen the fill stops short of the right and bottom edge; a clear brush leaves the
  // inside alone.
  TBitmap c = Black(7, 5);
  TCanvas noPen(c);
  noPen.Pen.Style = psClear;
  noPen.Brush.Color = clBlue;
  noPen.Rectangle({1, 1, 6, 4});
  EXPECT_EQ(Letters(c), (Rows{".......",  //
                              ".BBBB..",  //
                              ".BBBB..",  //
                              ".......",  //
                              "......."}));
  TBitmap d = Black(4, 4);
  TCanvas noBrush(d);
  noBrush.Pen.Color = clRed;
  noBrush.Brush.Style = bsClear;
  noBrush.Rectangle({0, 0, 4, 4});
  EXPECT_EQ(Letters(d), (Rows{"RRRR", "R..R", "R..R", "RRRR"}));
}

TEST(CanvasShapes, EllipseShapes) {
  struct Case {
    TRect box;
    Rows letters;
  } cases[] = {
      {{0, 0, 5, 5}, {".RRR.", "RBBBR", "RBBBR", "RBBBR", ".RRR."}},
      {{0, 0, 4, 4}, {".RR.", "RBBR", "RBBR", ".RR."}},
      {{0, 0, 7, 5}, {".RRRRR.", "RBBBBBR", "RBBBBBR", "RBBBBBR", ".RRRRR."}},
      {{0, 0, 9, 3}, {".RRRRRRR.", "RBBBBBBBR", ".RRRRRRR."}},
      {{0, 0, 12, 2}, {"RRRRRRRRRRRR", "RRRRRRRRRRRR"}},
      {{0, 0, 2, 7}, {"RR", "RR", "RR", "RR", "RR", "RR", "RR"}},
      {{0, 0, 3, 1}, {"RRR"}},
      {{0, 0, 2, 2}, {"RR", "RR"}},
  };
  for (const Case& c : cases) {
    TBitmap b = Black(c.box.Width(), c.box.Height());
    TCanvas canvas(b);
    canvas.Pen.Color = clRed;
    canvas.Brush.Color = clBlue;
    canvas.Ellipse(c.box);
    EXPECT_EQ(Letters(b), c.letters) << c.box.Width() << "x" << c.box.Height();
  }
}

TEST(CanvasShapes, EllipsesAreSymmetricAndTouchTheirBox) {
  for (int w = 1; w <= 40; ++w)
    for (int h = 1; h <= 40; ++h) {
      TBitmap b = Black(w + 2, h + 2);
      TCanvas canvas(b);
      canvas.Pen.Color = clRed;
      canvas.Brush.Color = clBlue;
      canvas.Ellipse({1, 1, w + 1, h + 1});
      Rows rows = Letters(b);
      SCOPED_TRACE(::testing::Message() << w << "x" << h);
      // Nothing outside the box; something in its first and last row and column.
      EXPECT_EQ(rows.front(), std::string(size_t(w + 2), '.'));
      EXPECT_EQ(rows.back(), std::string(size_t(w + 2), '.'));
      bool left = false, right = false;
      for (int y = 0; y < h + 2; ++y) {
        EXPECT_EQ(rows[size_t(y)][0], '.');
        EXPECT_EQ(rows[size_t(y)][size_t(w + 1)], '.');
        left |= rows[size_t(y)][1] != '.';
        right |= rows[size_t(y)][size_t(w)] != '.';
        // Mirror images left to right and top to bottom.
        std::string mirrored(rows[size_t(y)].rbegin(), rows[size_t(y)].rend());
        EXPECT_EQ(rows[size_t(y)], mirrored);
        EXPECT_EQ(rows[size_t(y)], rows[size_t(h + 1 - y)]);
      }
      EXPECT_TRUE(left && right);
      EXPECT_NE(rows[1], std::string(size_t(w + 2), '.'));
      // A circle is the same turned a quarter.
      if (w == h) {
        for (int y = 0; y < h + 2; ++y)
          for (int x = 0; x < w + 2; ++x)
            EXPECT_EQ(rows[size_t(y)][size_t(x)], rows[size_t(x)][size_t(y)]);
      }
    }
}

TEST(CanvasFloodFill, BorderFillStopsAtTheOutlineAndSurfaceFillTakesOneColour) {
  const Rows expected = {"...R...",  //
                         "..RBR..",  //
                         ".RBBBR.",  //
                         "RBBBBBR",  //
                         ".RBBBR.",  //
                         "..RBR..",  //
                         "...R..."};
  for (TFillStyle style : {fsBorder, fsSurface}) {
    TBitmap b = Black(7, 7);
    TCanvas canvas(b);
    canvas.Pen.Color = clRed;
    const TPoint diamond[] = {{3, 0}, {6, 3}, {3, 6}, {0, 3}, {3, 0}};
    canvas.Polyline(diamond);
    canvas.Brush.Color = clBlue;
    // The diagonal outline has gaps only a corner wide: a 4-connected fill does not leak.
    canvas.FloodFill(3, 3, style == fsBorder ? clRed : clBlack, style);
    EXPECT_EQ(Letters(b), expected) << int(style);
  }
}

TEST(CanvasFloodFill, FillColourEqualToTheBorderAndStartsOnTheBorder) {
  TBitmap b = Black(5, 5);
  TCanvas canvas(b);
  canvas.Pen.Color = clRed;
  canvas.Brush.Style = bsClear;
  canvas.Rectangle({0, 0, 5, 5});
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Color = clRed;
  canvas.FloodFill(0, 0, clRed, fsBorder);  // on the border: nothing
  EXPECT_EQ(Letters(b)[2], "R...R");
  canvas.FloodFill(2, 2, clRed, fsBorder);  // the hand templates fill in their border colour
  EXPECT_EQ(Letters(b), Rows(5, "RRRRR"));
}

TEST(CanvasFloodFill, LargeAreasNeedNoRecursion) {
  // A serpentine of 1-pixel corridors: millions of pixels on one path.
  const int n = 1501;
  TBitmap b = Black(n, n);
  TCanvas canvas(b);
  canvas.Pen.Color = clWhite;
  for (int y = 1; y < n; y += 2) {
    canvas.MoveTo(y % 4 == 1 ? 0 : 1, y);  // walls open at the right, then at the left
    canvas.LineTo(y % 4 == 1 ? n - 1 : n, y);
  }
  canvas.Brush.Color = clRed;
  canvas.FloodFill(0, 0, clWhite, fsBorder);
  EXPECT_EQ(b.GetPixel(n - 1, n - 1), clRed);
  EXPECT_EQ(b.GetPixel(n / 2, n - 1), clRed);
  EXPECT_EQ(b.GetPixel(n / 2, 1), clWhite);
  EXPECT_EQ(b.GetPixel(0, 1), clWhite);
}

TEST(CanvasCopies, RasterOperations) {
  struct Case {
    TCopyMode mode;
    TColor dst, src, result;
  } cases[] = {
      {cmSrcCopy, clRed, RGB(1, 2, 3), RGB(1, 2, 3)},
      {cmSrcPaint, clRed, clLime, clYellow},
      {cmSrcPaint, RGB(0x10, 0x01, 0x80), RGB(0x01, 0x10, 0x08), RGB(0x11, 0x11, 0x88)},
      {cmNotSrcCopy, clRed, RGB(0x12, 0x34, 0x56), RGB(0xED, 0xCB, 0xA9)},
      {cmNotSrcCopy, clRed, clBlack, clWhite},
  };
  for (const Case& c : cases) {
    for (TPixelFormat pf : {pf24bit, pf32bit}) {
      TBitmap dst = Black(2, 1), src(1, 1, pf);
      dst.SetPixel(1, 0, c.dst);
      src.SetPixel(0, 0, c.src);
      TCanvas canvas(dst);
      canvas.BitBlt(1, 0, 1, 1, src, 0, 0, c.mode);
      EXPECT_EQ(dst.GetPixel(1, 0), c.result) << std::hex << c.mode;
      EXPECT_EQ(dst.GetPixel(0, 0), clBlack);
    }
  }
}

TEST(CanvasCopies, CopiesStayInsideBothBitmaps) {
  TBitmap src = Black(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) src.SetPixel(x, y, RGB(uint8_t(10 * x + 1), uint8_t(y + 1), 0));
  TBitmap dst(4, 4);
  TCanvas canvas(dst);
  // Partly off the destination and partly off the source.
  canvas.BitBlt(-1, 2, 5, 5, src, 0, -1, cmSrcCopy);
  EXPECT_EQ(dst.GetPixel(0, 2), clBlack);  // its source row -1 does not exist
  EXPECT_EQ(dst.GetPixel(0, 3), RGB(11, 1, 0));
  EXPECT_EQ(dst.GetPixel(1, 3), RGB(21, 1, 0));
  EXPECT_EQ(dst.GetPixel(2, 3), clBlack);  // source column 3 does not exist
  // Within one bitmap, overlapping: the source is read before it is overwritten.
  TCanvas self(src);
  self.BitBlt(1, 1, 2, 2, src, 0, 0, cmSrcCopy);
  EXPECT_EQ(src.GetPixel(2, 2), RGB(11, 2, 0));
  EXPECT_EQ(src.GetPixel(1, 1), RGB(1, 1, 0));
}

TEST(CanvasCopies, CopiesBetweenFormats) {
  TBitmap mono(2, 1, pf1bit);
  mono.SetPixel(1, 0, clWhite);
  TBitmap dst = Black(2, 1);
  TCanvas canvas(dst);
  canvas.Draw(0, 0, mono);
  EXPECT_EQ(dst.GetPixel(1, 0), clWhite);
  TBitmap pal(2, 1, pf8bit);
  TCanvas toPalette(pal);
  toPalette.CopyMode = cmNotSrcCopy;
  toPalette.Draw(0, 0, mono);
  EXPECT_EQ(pal.GetPixel(0, 0), clWhite);
  EXPECT_EQ(pal.GetPixel(1, 0), clBlack);
}

TEST(CanvasStretch, NearestTakesThePixelUnderEachCentre) {
  TBitmap src = Black(4, 1);
  const TColor c[4] = {clRed, clLime, clBlue, clWhite};
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, c[x]);
  TBitmap grow = Black(8, 2);
  TCanvas(grow).StretchDraw({0, 0, 8, 2}, src);
  EXPECT_EQ(Letters(grow), (Rows{"RRGGBBWW", "RRGGBBWW"}));
  TBitmap shrink = Black(2, 1);
  TCanvas(shrink).StretchDraw({0, 0, 2, 1}, src);
  EXPECT_EQ(Letters(shrink), (Rows{"GW"}));
}

TEST(CanvasStretch, HalftoneAveragesTheCoveredArea) {
  TBitmap src = Black(4, 2);
  const uint8_t grey[2][4] = {{0, 40, 90, 255}, {10, 30, 100, 200}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) src.SetPixel(x, y, RGB(grey[y][x], grey[y][x], 0));
  TBitmap half = Black(2, 1);
  TCanvas canvas(half);
  canvas.StretchMode = smHalftone;
  canvas.StretchDraw({0, 0, 2, 1}, src);
  EXPECT_EQ(half.GetPixel(0, 0), RGB(20, 20, 0));    // (0 + 40 + 10 + 30) / 4
  EXPECT_EQ(half.GetPixel(1, 0), RGB(161, 161, 0));  // (90 + 255 + 100 + 200) / 4 = 161.25
  // Three columns onto two: each takes one and a half source pixels.
  TBitmap three = Black(3, 1);
  three.SetPixel(0, 0, RGB(0, 0, 0));
  three.SetPixel(1, 0, RGB(90, 0, 0));
  three.SetPixel(2, 0, RGB(255, 0, 0));
  TBitmap two = Black(2, 1);
  TCanvas twoCanvas(two);
  twoCanvas.StretchMode = smHalftone;
  twoCanvas.StretchDraw({0, 0, 2, 1}, three);
  EXPECT_EQ(two.GetPixel(0, 0), RGB(30, 0, 0));   // (2 * 0 + 90) / 3
  EXPECT_EQ(two.GetPixel(1, 0), RGB(200, 0, 0));  // (90 + 2 * 255) / 3
  // Whole-number enlargements repeat pixels.
  TBitmap big = Black(8, 4);
  TCanvas bigCanvas(big);
  bigCanvas.StretchMode = smHalftone;
  bigCanvas.StretchDraw({0, 0, 8, 4}, src);
  EXPECT_EQ(big.GetPixel(5, 1), RGB(90, 90, 0));
  EXPECT_EQ(big.GetPixel(7, 3), RGB(200, 200, 0));
  // Only the part of the destination that is drawn counts: a window onto it shows the same
  // pixels, and a destination of a billion pixels a side costs no more than its visible part.
  TBitmap window = Black(3, 2);
  TCanvas windowCanvas(window);
  windowCanvas.StretchMode = smHalftone;
  windowCanvas.StretchDraw({-4, -1, 4, 3}, src);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(window.GetPixel(x, y), big.GetPixel(x + 4, y + 1));
  windowCanvas.StretchDraw({0, 0, 1000000000, 1000000000}, src);
  EXPECT_EQ(window.GetPixel(2, 1), RGB(0, 0, 0));
}

TEST(CanvasCopies, TransparentCopyKeepsTheKeyColourOut) {
  TBitmap src = Black(3, 1);
  src.SetPixel(1, 0, clRed);
  TBitmap dst(3, 1);
  TCanvas canvas(dst);
  canvas.Brush.Color = clBlue;
  canvas.FillRect({0, 0, 3, 1});
  canvas.TransparentDraw({0, 0, 3, 1}, src, {0, 0, 3, 1}, clBlack);
  EXPECT_EQ(Letters(dst), (Rows{"BRB"}));
}

TEST(CanvasCopies, ThreePointCopyTurnsLikeImageMagick) {
  TBitmap src = ReadPnm("turn.ppm");  // 7 x 5
  const int w = src.Width(), h = src.Height();
  struct Case {
    const char* expected;
    int dw, dh;
    TPoint points[3];  // upper-left, upper-right, lower-left of the turned picture
  } cases[] = {
      {"turn90.ppm", h, w, {{h, 0}, {h, w}, {0, 0}}},
      {"turn180.ppm", w, h, {{w, h}, {0, h}, {w, 0}}},
      {"turn.ppm", w, h, {{0, 0}, {w, 0}, {0, h}}},
  };
  for (const Case& c : cases) {
    TBitmap dst = Black(c.dw, c.dh);
    TCanvas canvas(dst);
    canvas.PlgBlt(c.points, src, {0, 0, w, h});
    EXPECT_EQ(PixelDifference(dst, ReadPnm(c.expected)), "") << c.expected;
  }
  // No area, nothing drawn.
  TBitmap dst = Black(7, 7);
  const TPoint flat[3] = {{0, 0}, {5, 5}, {2, 2}};
  TCanvas(dst).PlgBlt(flat, src, {0, 0, w, h});
  EXPECT_THAT(SetPixels(dst), ::testing::IsEmpty());
}

TEST(CanvasCopies, ThreePointCopyTakesThePixelUnderEachCentre) {
  // Turned and slanted parallelograms, mirrored ones included: each destination pixel whose
  // centre (x + 1/2, y + 1/2) = p0 + s * a + t * b has 0 <= s, t < 1 takes source pixel
  // (floor(s * w), floor(t * h)). Worked out here in exact fractions, one pixel at a time.
  TBitmap src(13, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) src.SetPixel(x, y, RGB(uint8_t(x * 19 + 1), uint8_t(y * 27 + 1), 7));
  const TPoint cases[][3] = {
      {{20, 3}, {36, 14}, {9, 18}},   {{5, 30}, {12, 2}, {33, 37}},  {{40, 40}, {2, 35}, {37, 1}},
      {{1, 1}, {39, 1}, {1, 39}},     {{30, 5}, {3, 9}, {28, 38}},   {{17, 0}, {40, 17}, {0, 23}},
      {{-8, 12}, {25, -6}, {14, 45}}, {{10, 10}, {11, 30}, {30, 11}},
  };
  for (const auto& p : cases) {
    TBitmap dst(42, 42);
    TCanvas(dst).PlgBlt(p, src, {0, 0, 13, 9});
    const int64_t ax = p[1].X - p[0].X, ay = p[1].Y - p[0].Y;
    const int64_t bx = p[2].X - p[0].X, by = p[2].Y - p[0].Y;
    const int64_t det = ax * by - ay * bx;
    int drawn = 0;
    for (int y = 0; y < 42; ++y)
      for (int x = 0; x < 42; ++x) {
        // Doubled centre offset; s = (qx by - qy bx) / (2 det), t = (ax qy - ay qx) / (2 det).
        const int64_t qx = 2 * (x - p[0].X) + 1, qy = 2 * (y - p[0].Y) + 1;
        int64_t sn = 13 * (qx * by - qy * bx), tn = 9 * (ax * qy - ay * qx), d = 2 * det;
        if (d < 0) sn = -sn, tn = -tn, d = -d;
        const auto floorDiv = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
        const int64_t u = floorDiv(sn, d), v = floorDiv(tn, d);
        const bool inside = u >= 0 && u < 13 && v >= 0 && v < 9;
        const TColor want = inside ? src.GetPixel(int(u), int(v)) : clBlack;
        drawn += inside;
        ASSERT_EQ(dst.GetPixel(x, y), want) << p[0].X << "," << p[0].Y << " at " << x << "," << y;
      }
    EXPECT_GT(drawn, 50);
  }
}

TEST(CanvasState, OriginShiftsAndClipLimitsDrawing) {
  TBitmap b = Black(6, 4);
  TCanvas canvas(b);
  canvas.SetOrigin(2, 1);
  canvas.Brush.Color = clRed;
  canvas.FillRect({0, 0, 2, 2});
  EXPECT_EQ(Letters(b), (Rows{"......", "..RR..", "..RR..", "......"}));
  canvas.SetClipRect({-1, 0, 1, 1});  // device (1, 1) - (3, 2)
  EXPECT_EQ(canvas.ClipRect(), (TRect{-1, 0, 1, 1}));
  canvas.SetOrigin(0, 0);  // the clip stays on the device pixels it was given
  EXPECT_EQ(canvas.ClipRect(), (TRect{1, 1, 3, 2}));
  canvas.Brush.Color = clBlue;
  canvas.FillRect({0, 0, 6, 4});
  canvas.Pen.Color = clLime;
  canvas.MoveTo(0, 3);
  canvas.LineTo(6, 3);  // outside the clip
  canvas.SetPixel(5, 0, clWhite);
  EXPECT_EQ(Letters(b), (Rows{"......", ".BBR..", "..RR..", "......"}));
  canvas.RemoveClip();
  EXPECT_EQ(canvas.ClipRect(), (TRect{0, 0, 6, 4}));
  canvas.SetPixel(5, 0, clWhite);
  EXPECT_EQ(canvas.Pixel(5, 0), clWhite);
  EXPECT_EQ(canvas.Pixel(6, 0), clInvalid);
}

TEST(CanvasState, PatternBrushRepeatsFromTheDeviceCorner) {
  TBitmap pattern(2, 2);
  pattern.SetPixel(0, 0, clRed);
  pattern.SetPixel(1, 0, clLime);
  pattern.SetPixel(0, 1, clBlue);
  pattern.SetPixel(1, 1, clWhite);
  TBitmap b = Black(5, 3);
  TCanvas canvas(b);
  canvas.Brush.Pattern = &pattern;
  canvas.SetOrigin(1, 0);
  canvas.FillRect({0, 0, 4, 3});
  EXPECT_EQ(Letters(b), (Rows{".GRGR", ".WBWB", ".GRGR"}));
}

TEST(CanvasState, DrawsOnIndexedBitmaps) {
  TBitmap mono(10, 2, pf1bit);
  TCanvas canvas(mono);
  canvas.Brush.Color = RGB(250, 250, 250);  // nearest entry: white
  canvas.FillRect({2, 0, 9, 1});
  canvas.Pen.Color = clWhite;
  canvas.MoveTo(0, 1);
  canvas.LineTo(3, 1);
  EXPECT_EQ(Shape(mono), (Rows{"..#######.", "###......."}));
}
