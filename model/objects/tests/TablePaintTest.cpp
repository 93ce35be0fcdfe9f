// The table's painting: RenderToBitmap of a 2 x 2 table against pixels written here from the
// painting rules, text against DrawText, a background picture made by ImageMagick tiled from
// (0, 0), the selection look, and tables beyond the drawing layer's limits.
#include <gtest/gtest.h>

#include <sstream>

#include "model/objects/TableReport.h"
#include "model/objects/tests/TableTestSupport.h"
#include "platform/gfx/Canvas.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;
using test::Build;
using test::CellOf;
using test::Gbk;

constexpr TColor kGrid = 0x00FFFF;
constexpr TColor kGrey = platform::RGB(192, 192, 192);

void HLine(TBitmap& b, int x0, int x1, int y, TColor c) {  // x0..x1 inclusive
  for (int x = x0; x <= x1; ++x) b.SetPixel(x, y, c);
}
void VLine(TBitmap& b, int x, int y0, int y1, TColor c) {
  for (int y = y0; y <= y1; ++y) b.SetPixel(x, y, c);
}
void Fill(TBitmap& b, int x0, int y0, int x1, int y1, TColor c) {  // inclusive
  for (int y = y0; y <= y1; ++y) HLine(b, x0, x1, y, c);
}
void Diagonal(TBitmap& b, platform::TPoint from, platform::TPoint to) {
  TCanvas canvas(b);
  canvas.Pen = {kGrid, 1, platform::psSolid};
  canvas.MoveTo(from.X, from.Y);
  canvas.LineTo(to.X, to.Y);
}

// A 4 x 2 picture, each pixel its own colour.
TBitmap Picture() {
  TBitmap p(4, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) p.SetPixel(x, y, platform::RGB(uint8_t(40 + 50 * x), uint8_t(100 + 100 * y), 7));
  return p;
}

TEST(TablePaint, TwoByTwoFollowsThePaintingRules) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 24, 25);
  t.SetGridColor(kGrid);
  TTableReportCell* a = CellOf(t, 0, 0);
  TTableReportCell* b = CellOf(t, 0, 1);
  TTableReportCell* c = CellOf(t, 1, 0);
  TTableReportCell* d = CellOf(t, 1, 1);
  a->SetBackColor(0x00FF00);
  a->SetDiagonals(tdTopLeftToRightMiddle);
  b->SetBackColor(0x808000);
  b->SetBorderShown(csLeft, false);
  b->SetBorderShown(csTop, false);
  b->SetBorderWidth(csRight, 2);
  b->SetMarker(1);
  const TBitmap picture = Picture();
  c->SetPicture(&picture);
  c->SetBorderShown(csBottom, false);
  d->SetBackColor(0xFF0000);
  d->SetDiagonals(tdTopRightToBottomLeft | tdTopRightToBottomMiddle);
  ASSERT_EQ(t.GetLine(0)->Height(), 25);
  ASSERT_EQ(t.GetLine(1)->Height(), 25);

  TBitmap got;
  ASSERT_TRUE(t.RenderToBitmap(got));
  ASSERT_EQ(got.Width(), 49);
  ASSERT_EQ(got.Height(), 51);

  TBitmap want(49, 51);  // black: the control's colour
  // (0,0): 0..24 x 0..25 filled (grown by one), four borders, the bottom one a pixel longer.
  Fill(want, 0, 0, 24, 25, 0x00FF00);
  VLine(want, 0, 0, 24, kGrid);
  HLine(want, 0, 23, 0, kGrid);
  VLine(want, 24, 0, 24, kGrid);
  HLine(want, 0, 24, 25, kGrid);
  // To the middle of the right side: (1 + 24) / 2 + 0.5 = 13 after truncation.
  Diagonal(want, {1, 1}, {23, 13});
  // (0,1): its fill covers the right border before it; a hidden left border off the first
  // column is not drawn, a hidden top border of the first line is light grey; the right border
  // is 2 wide.
  Fill(want, 24, 0, 48, 25, 0x808000);
  HLine(want, 24, 47, 0, kGrey);
  Fill(want, 48, 0, 48, 25, kGrid);  // a 2-pixel pen reaches one row further down
  HLine(want, 24, 48, 25, kGrid);
  {
    TCanvas canvas(want);
    canvas.Pen = {platform::clRed, 1, platform::psSolid};
    canvas.Brush = {platform::clRed, platform::bsSolid};
    const platform::TPoint triangle[] = {{47, 0}, {43, 0}, {46, 3}};
    canvas.Polygon(triangle);
  }
  // (1,0): black, borders, a hidden bottom border in grey, then the picture: 4 x 2 scaled to
  // 24 x 12, centred in the 25 rows (6 above).
  Fill(want, 0, 25, 24, 50, 0x000000);
  VLine(want, 0, 25, 49, kGrid);
  HLine(want, 0, 23, 25, kGrid);
  VLine(want, 24, 25, 49, kGrid);
  HLine(want, 0, 24, 50, kGrey);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 24; ++x) want.SetPixel(x, 31 + y, picture.GetPixel(x / 6, y / 6));
  // (1,1): blue, borders, two diagonals from the top-right corner inset by one.
  Fill(want, 24, 25, 48, 50, 0xFF0000);
  VLine(want, 24, 25, 49, kGrid);
  HLine(want, 24, 47, 25, kGrid);
  VLine(want, 48, 25, 49, kGrid);
  HLine(want, 24, 48, 50, kGrid);
  Diagonal(want, {47, 26}, {25, 49});
  Diagonal(want, {47, 26}, {36, 49});

  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x)
      ASSERT_EQ(got.GetPixel(x, y), want.GetPixel(x, y)) << x << "," << y;
}

TEST(TablePaint, TextIsDrawTextIntoTheTextRectangleUnlessAnExtraTextIsSet) {
  for (uint32_t align : {chaLeft, chaCenter, chaRight}) {
    TTableReport t(nullptr);
    Build(t, 1, 1, 120, 60);
    TTableReportCell* c = CellOf(t, 0, 0);
    c->SetText(Gbk("表格AB\r\n第二行文字"));
    c->SetTextColor(0x00FFFF);
    c->SetAlign(int(align), cvaCenter);
    platform::TLogFont bold = DefaultCellFont();
    bold.Weight = 700;
    c->SetFont(bold);
    TBitmap got;
    ASSERT_TRUE(t.RenderToBitmap(got));

    TBitmap want(got.Width(), got.Height());
    TCanvas canvas(want);
    canvas.Font = c->FontDescription();
    canvas.Brush.Style = platform::bsClear;
    TRect box = c->TextRect();
    canvas.DrawText(c->Text(), box, 0x2010 | align);
    const TRect r = c->TextRect();
    EXPECT_GT(r.Top, c->CellRect().Top + 2);  // centred vertically: moved down
    bool ink = false;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        ASSERT_EQ(got.GetPixel(x, y), want.GetPixel(x, y)) << align << ": " << x << "," << y;
        ink = ink || got.GetPixel(x, y) == 0x00FFFF;
      }
    EXPECT_TRUE(ink);

    c->SetExtraText(1, "x");
    ASSERT_TRUE(t.RenderToBitmap(got));
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) ASSERT_EQ(got.GetPixel(x, y), 0u) << x << "," << y;
  }
}

TEST(TablePaint, BackgroundPictureTilesFromTheOrigin) {
  TTableReport t(nullptr);
  t.Clear();
  test::TMessageLog log;
  ASSERT_TRUE(t.LoadFromFile(test::TableFixtureName("table_full")));
  // The script's 2 x 2 background, as it stored it (RRGGBB).
  std::istringstream in(test::FileBytes(test::Fixture("table_full.txt")));
  std::vector<TColor> tile;
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("background=2x2:"))
      for (size_t at = 15; at + 6 <= line.size(); at += 7) {
        const unsigned v = unsigned(std::stoul(line.substr(at, 6), nullptr, 16));
        tile.push_back(platform::RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)));
      }
  ASSERT_EQ(tile.size(), 4u);
  TBitmap got;
  ASSERT_TRUE(t.RenderToBitmap(got));
  // The left margin is 3 and the first cell's border 2 wide: columns 0 and 1 are page.
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < 2; ++x) ASSERT_EQ(got.GetPixel(x, y), tile[size_t((y % 2) * 2 + x % 2)]) << x << "," << y;
  // So is the bottom margin, below every cell (6 rows; the last line's border takes one).
  for (int x = 0; x < got.Width(); ++x)
    ASSERT_EQ(got.GetPixel(x, got.Height() - 2), tile[size_t(((got.Height() - 2) % 2) * 2 + x % 2)]) << x;
}

TEST(TablePaint, SelectedCellsShowAGreyFrameAndDarkBlueForThePagesColour) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 60, 30);
  CellOf(t, 0, 0)->SetText("Ab");
  CellOf(t, 0, 1)->SetBackColor(0x00FF00);
  TBitmap plain;
  ASSERT_TRUE(t.RenderToBitmap(plain));
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 0, 1));
  TBitmap shown(plain.Width(), plain.Height());
  TCanvas canvas(shown);
  t.PaintArea(canvas, {0, 0, plain.Width(), plain.Height()});
  for (const TTableReportCell* c : t.SelectedCells()) {
    const TRect r = c->CellRect();
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const bool frame = x == r.Left || y == r.Top || x == r.Right - 1 || y == r.Bottom - 1;
        const TColor before = plain.GetPixel(x, y);
        const TColor want = frame ? platform::RGB(128, 128, 128) : before == 0 ? 0x400000 : before;
        ASSERT_EQ(shown.GetPixel(x, y), want) << x << "," << y;
      }
  }
  // In no-fill mode nothing is filled and the selection is not shown.
  t.SetNoFill(true);
  TBitmap bare(plain.Width(), plain.Height());
  TCanvas bareCanvas(bare);
  t.PaintArea(bareCanvas, {0, 0, plain.Width(), plain.Height()});
  EXPECT_EQ(bare.GetPixel(70, 15), 0u);
}

TEST(TablePaint, PaintAreaOfAScrolledViewMatchesTheRender) {
  TTableReport t(nullptr);
  Build(t, 6, 6, 40, 24);
  for (int l = 0; l < 6; ++l) CellOf(t, l, l)->SetText(Gbk("表格") + std::to_string(l));
  CellOf(t, 2, 3)->SetDiagonals(tdTopLeftToBottomRight);
  TBitmap whole;
  ASSERT_TRUE(t.RenderToBitmap(whole));
  // A 50 x 40 viewport scrolled to (65, 37), painted in two halves.
  TBitmap view(50, 40);
  TCanvas canvas(view);
  canvas.SetOrigin(-65, -37);
  t.PaintArea(canvas, {65, 37, 90, 77});
  t.PaintArea(canvas, {90, 37, 115, 77});
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(view.GetPixel(x, y), whole.GetPixel(x + 65, y + 37)) << x << "," << y;
}

TEST(TablePaint, TablesBeyondTheDrawingLayerGiveNoBitmap) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 40000, 0);
  TBitmap b(3, 3);
  EXPECT_FALSE(t.RenderToBitmap(b));
  EXPECT_EQ(b.Width(), 3);
  t.Clear();
  ASSERT_TRUE(t.NewTable(1, 3, 40, 30000));
  EXPECT_FALSE(t.RenderToBitmap(b));
  // An empty table is one pixel of page.
  t.Clear();
  t.SetColor(0x00FF00);
  ASSERT_TRUE(t.RenderToBitmap(b));
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.GetPixel(0, 0), 0x00FF00u);
}

}  // namespace
}  // namespace model
