// Every built-in picture on one sheet, compared with the committed reference
// (tests/references/art_sheet.png, made by the program and looked at).
#include <gtest/gtest.h>

#include "SkinTestUtil.h"
#include "skin/BuiltInArt.h"

using namespace skin;
using namespace platform;

TEST(ArtSheet, EveryPictureAsTheReferenceShowsIt) {
  const int sheetWidth = 1000, gap = 4;
  // Lay the pictures out in rows, left to right.
  struct TPlace {
    const TBitmap* Picture;
    int X, Y;
  };
  std::vector<TPlace> places;
  int x = gap, y = gap, rowHeight = 0;
  for (const TArtInfo& info : BuiltInPictures()) {
    const TBitmap* b = BuiltInPicture(info.Name);
    ASSERT_NE(b, nullptr);
    if (x + b->Width() + gap > sheetWidth) {
      x = gap;
      y += rowHeight + gap;
      rowHeight = 0;
    }
    places.push_back({b, x, y});
    x += b->Width() + gap;
    rowHeight = std::max(rowHeight, b->Height());
  }
  TBitmap sheet(sheetWidth, y + rowHeight + gap, pf32bit);
  TCanvas canvas(sheet);
  canvas.Brush.Color = 0xC0C0C0;
  canvas.FillRect({0, 0, sheet.Width(), sheet.Height()});
  for (const TPlace& p : places) canvas.Draw(p.X, p.Y, *p.Picture);
  EXPECT_TRUE(skintest::MatchesReference("art_sheet", sheet));
}
