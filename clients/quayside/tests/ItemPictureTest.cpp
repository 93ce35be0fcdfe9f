// The picture an item is sent as: its lines, its size rules and its colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/quayside/ItemPicture.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/TextLayout.h"

namespace quayside {
namespace {

using platform::Utf8ToGbk;

TDisplayItem Text(const std::string& utf8, int size = 12) {
  TDisplayItem item;
  item.DisplayText = Utf8ToGbk(utf8);
  item.FontName = Utf8ToGbk("宋体");
  item.FontSize = size;
  return item;
}

TStationCard Card(int width, int type = 0) { return {"127.0.0.1", width, 32, 1, "c", type}; }

platform::TSize Extent(const std::string& utf8, int size = 12) {
  platform::TFontDescription font;
  font.Name = Utf8ToGbk("宋体");
  font.SetSize(size);
  return platform::TextExtent(font, Utf8ToGbk(utf8));
}

TEST(ItemPicture, Lines) {
  using L = std::vector<std::string_view>;
  EXPECT_EQ((L{""}), ItemLines(""));
  EXPECT_EQ((L{"a"}), ItemLines("a"));
  EXPECT_EQ((L{"a", "b"}), ItemLines("a\nb"));
  EXPECT_EQ((L{"a", "b"}), ItemLines("a\r\nb\r"));
  EXPECT_EQ((L{"a", ""}), ItemLines("a\n"));
  EXPECT_EQ((L{"a\r", "b"}), ItemLines("a\r\r\nb"));
  EXPECT_EQ((L{"", "", ""}), ItemLines("\n\r\n"));
}

TEST(ItemPicture, SizeRules) {
  const platform::TSize wide = Extent("欢迎乘车欢迎乘车");
  const platform::TSize narrow = Extent("候车");
  ASSERT_GT(wide.cx, narrow.cx);
  ASSERT_GT(narrow.cy, 0);
  struct TCase {
    const char* Text;
    int CardWidth;
    int Width;
    int Lines;
  };
  const TCase cases[] = {
      {"候车", 1000, narrow.cx, 1},                      // one line: its own width
      {"候车\n候车", 1000, 1000, 2},                      // several lines: the card's width
      {"欢迎乘车欢迎乘车\n候车", 10, wide.cx, 2},          // wider: the widest line, not the sum
      {"候车\r\n欢迎乘车欢迎乘车\r\n", 10, wide.cx, 3},
      {"", 1000, 0, 1},                                  // nothing to draw
  };
  for (const TCase& c : cases) {
    const auto picture = RenderItemPicture(Text(c.Text), Card(c.CardWidth));
    ASSERT_TRUE(picture) << c.Text;
    EXPECT_EQ(c.Width, picture->Width) << c.Text;
    EXPECT_EQ(c.Lines * narrow.cy, picture->Height) << c.Text;
    EXPECT_EQ(narrow.cy, picture->LineHeight);
    EXPECT_EQ(c.Width, picture->Bitmap.Width());
  }
  // Too wide for the card's records: nothing.
  std::string line;
  for (int i = 0; i < 65536 / narrow.cx * 2 + 2; ++i) line += "车";
  EXPECT_FALSE(RenderItemPicture(Text(line), Card(64)));
  std::string tall;
  for (int i = 0; i < 65536 / narrow.cy + 1; ++i) tall += "\n";
  EXPECT_FALSE(RenderItemPicture(Text(tall), Card(64)));
}

TEST(ItemPicture, ColoursAndCarriageReturns) {
  for (int type : {0, 1, 2}) {
    const auto picture = RenderItemPicture(Text("站\n台"), Card(40, type));
    ASSERT_TRUE(picture);
    const uint32_t ink = type == 0 ? 0x0000FFu : 0x00FFFFu;
    int lit = 0;
    for (int y = 0; y < picture->Height; ++y)
      for (int x = 0; x < picture->Width; ++x) {
        const uint32_t c = picture->Bitmap.GetPixel(x, y);
        EXPECT_TRUE(c == 0 || c == ink) << std::hex << c;
        lit += c == ink;
      }
    EXPECT_GT(lit, 10);
  }
  // CR LF draws what LF draws.
  const auto lf = RenderItemPicture(Text("站台\n候车"), Card(10));
  const auto crlf = RenderItemPicture(Text("站台\r\n候车\r"), Card(10));
  ASSERT_TRUE(lf && crlf);
  ASSERT_EQ(lf->Width, crlf->Width);
  ASSERT_EQ(lf->Height, crlf->Height);
  for (int y = 0; y < lf->Height; ++y)
    for (int x = 0; x < lf->Width; ++x)
      ASSERT_EQ(lf->Bitmap.GetPixel(x, y), crlf->Bitmap.GetPixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace quayside
