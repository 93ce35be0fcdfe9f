#include "platform/base/GbkText.h"

#include <gtest/gtest.h>

using namespace platform;

// "显示" in GBK is CF D4 CA BE; "中文" is D6 D0 CE C4.
static const std::string kShowGbk = "\xCF\xD4\xCA\xBE";

TEST(GbkText, ConvertsBothWays) {
  EXPECT_EQ(GbkToUtf8(kShowGbk), "显示");
  EXPECT_EQ(Utf8ToGbk("显示"), kShowGbk);
  EXPECT_EQ(GbkToUtf8("abc" + kShowGbk + "1"), "abc显示1");
  bool lossless = false;
  EXPECT_EQ(Utf8ToGbk("宋体 12", &lossless), "\xCB\xCE\xCC\xE5 12");
  EXPECT_TRUE(lossless);
}

TEST(GbkText, InvalidBytesBecomeReplacementCharacters) {
  // 0xFF is never valid, nor is 0x81 before a space; a lead byte at the very end has no trail.
  EXPECT_EQ(GbkToUtf8("a\x81 b"), "a\xEF\xBF\xBD b");
  EXPECT_EQ(GbkToUtf8("a\xFF"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GbkToUtf8("a\xCF"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(GbkText, UnmappableAndInvalidUtf8BecomeQuestionMarks) {
  bool lossless = true;
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80z", &lossless), "a?z");  // an emoji has no GBK code
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToGbk("a\xC3z", &lossless), "a?z");
  EXPECT_FALSE(lossless);
}

TEST(GbkText, CompareFoldsAsciiOnly) {
  struct Case {
    std::string a, b;
    int sign;
  } cases[] = {
      {"LEDScreen", "ledscreen", 0},
      {"abc", "abd", -1},
      {"abc", "ab", 1},
      {"", "", 0},
      {kShowGbk + "A", kShowGbk + "a", 0},
      // 0x81 0x41 and 0x81 0x61 are two different characters whose trail bytes look like 'A'
      // and 'a': they must not compare equal.
      {"\x81\x41", "\x81\x61", -1},
      {"x\x81\x41", "X\x81\x61", -1},
  };
  for (const auto& c : cases) {
    int r = GbkCompareText(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(GbkText, StartsTextRespectsCharacterBoundaries) {
  EXPECT_TRUE(GbkStartsText("LEDScreen12", "ledscreen"));
  EXPECT_TRUE(GbkStartsText(kShowGbk + "0", kShowGbk));
  EXPECT_FALSE(GbkStartsText("\x81\x61" "b", "\x81\x41"));
  EXPECT_FALSE(GbkStartsText("ab", "abc"));
  // A prefix that ends inside a two-byte character is no prefix.
  EXPECT_FALSE(GbkStartsText(kShowGbk, kShowGbk.substr(0, 1)));
}

TEST(GbkText, CaseMappingLeavesTrailBytesAlone) {
  EXPECT_EQ(GbkUpperCase("ab\x81\x61z"), "AB\x81\x61Z");
  EXPECT_EQ(GbkLowerCase("AB\x81\x41Z"), "ab\x81\x41z");
}

TEST(GbkText, PrefixKeepsWholeCharacters) {
  const std::string biao = Utf8ToGbk("表");  // two bytes
  EXPECT_EQ(GbkPrefix("abc", 5), "abc");
  EXPECT_EQ(GbkPrefix("abc", 2), "ab");
  EXPECT_EQ(GbkPrefix("a" + biao, 2), "a");
  EXPECT_EQ(GbkPrefix("a" + biao, 3), "a" + biao);
  EXPECT_EQ(GbkPrefix(biao + biao, 3), biao);
  EXPECT_EQ(GbkPrefix("", 0), "");
  // A lone lead byte at the very end is one unit of its own.
  EXPECT_EQ(GbkPrefix("ab\x81", 3), "ab\x81");
}
