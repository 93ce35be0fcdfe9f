#include "model/PropertyTable.h"

#include <gtest/gtest.h>

#include "platform/base/GbkText.h"

using namespace model;
using platform::Utf8ToGbk;

TEST(PropertyTable, StartsWithTheTextRow) {
  TBasePropertyTable table;
  ASSERT_EQ(table.Count(), 1);
  EXPECT_EQ(table[0], "Text|\xC3\xFB\xB3\xC6");  // "名称" in GBK
  EXPECT_EQ(table.ClassName(), "TBasePropertyTable");
  EXPECT_TRUE(table.InheritsFrom(platform::TStringList::StaticClassInfo()));
  EXPECT_TRUE(table.ClassInfo().Properties().empty());  // object text writes nothing of it
}

TEST(PropertyTable, RemoveLineTakesTheFirstWholeRowIgnoringCase) {
  TBasePropertyTable table;
  const std::string ip = Utf8ToGbk("Communicate.IP|IP地址|$000000F0");
  table.Add(ip);
  table.Add(Utf8ToGbk("Communicate.Speed|波特率"));
  table.Add(ip);
  table.RemoveLine(Utf8ToGbk("COMMUNICATE.ip|IP地址|$000000f0"));
  ASSERT_EQ(table.Count(), 3);
  EXPECT_EQ(table[1], Utf8ToGbk("Communicate.Speed|波特率"));
  EXPECT_EQ(table[2], ip);

  // Only whole rows match: not a row with a colour field when the text has none, nor a prefix.
  table.RemoveLine(Utf8ToGbk("Communicate.IP|IP地址"));
  table.RemoveLine("Communicate.Speed");
  table.RemoveLine("");
  EXPECT_EQ(table.Count(), 3);
  // GBK trail bytes are not folded.
  table.Add("X|\x81\x41");
  table.RemoveLine("x|\x81\x61");
  EXPECT_EQ(table.Count(), 4);
  table.RemoveLine("x|\x81\x41");
  EXPECT_EQ(table.Count(), 3);
}

TEST(PropertyTable, RowParts) {
  struct Case {
    std::string row, key, caption;
    int32_t color;
  } cases[] = {
      {Utf8ToGbk("Left|左上角X坐标"), "Left", Utf8ToGbk("左上角X坐标"), 0},
      {Utf8ToGbk("Address|控制卡地址|$000000F0"), "Address", Utf8ToGbk("控制卡地址"), 0xF0},
      {Utf8ToGbk("Cards|子卡参数|$00808000"), "Cards", Utf8ToGbk("子卡参数"), 0x808000},
      {Utf8ToGbk("TFont| 请选择字体 "), "TFont", Utf8ToGbk(" 请选择字体 "), 0},
      {Utf8ToGbk("Width|宽度|"), "Width", Utf8ToGbk("宽度"), 0},
      {"A|b|green", "A", "b", 0},
      {"A|b|240", "A", "b", 240},
      {"A|b|$F0|x", "A", "b", 0},
      {"no bar", "", "", 0},
      {"|caption", "", "caption", 0},
      {"Key|", "Key", "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TBasePropertyTable::KeyOf(c.row), c.key) << c.row;
    EXPECT_EQ(TBasePropertyTable::CaptionOf(c.row), c.caption) << c.row;
    EXPECT_EQ(TBasePropertyTable::ColorOf(c.row), c.color) << c.row;
  }
}

TEST(PropertyTable, FindKeyComparesWholeKeysIgnoringCase) {
  TBasePropertyTable table;
  table.Add(Utf8ToGbk("Font.Size|大小"));
  table.Add("no bar");
  table.Add(Utf8ToGbk("font.size|second"));
  table.Add("True|\xCA\xC7");
  EXPECT_EQ(table.FindKey("FONT.SIZE"), 1);
  EXPECT_EQ(table.FindKey("text"), 0);
  EXPECT_EQ(table.FindKey("true"), 4);
  EXPECT_EQ(table.FindKey("Font"), -1);
  EXPECT_EQ(table.FindKey(""), -1);  // a row without "|" matches no property
}

TEST(PropertyTable, TextToInt) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"240", true, 240},           {"$000000F0", true, 0xF0},   {"$00808000", true, 0x808000},
      {"0x00FF00", true, 0xFF00},   {"x1f", true, 31},           {"-5", true, -5},
      {"+7", true, 7},              {"-$10", true, -16},         {" 12", true, 12},
      {"$FFFFFFFF", true, -1},      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},     {"$100000000", false, 0},    {"", false, 0},
      {"$", false, 0},              {"12a", false, 0},           {"12 ", false, 0},
      {"green", false, 0},          {"--1", false, 0},
  };
  for (const auto& c : cases) {
    auto v = TextToInt(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << c.text;
    if (v && c.ok) {
      EXPECT_EQ(*v, c.value) << c.text;
    }
  }
}

TEST(PropertyTable, ParseIntegerTextKeepsSignFormAndMagnitude) {
  auto big = ParseIntegerText("4294967295");
  ASSERT_TRUE(big.has_value());
  EXPECT_FALSE(big->Negative);
  EXPECT_FALSE(big->Hexadecimal);
  EXPECT_EQ(big->Magnitude, 4294967295u);
  auto hex = ParseIntegerText(" -0xFF");
  ASSERT_TRUE(hex.has_value());
  EXPECT_TRUE(hex->Negative);
  EXPECT_TRUE(hex->Hexadecimal);
  EXPECT_EQ(hex->Magnitude, 255u);
  EXPECT_FALSE(ParseIntegerText("4294967296").has_value());
  EXPECT_FALSE(ParseIntegerText("0x").has_value());
}
