#include <gtest/gtest.h>

#include "platform/component/Font.h"
#include "platform/component/Strings.h"

using namespace platform;

TEST(Strings, ListOperations) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  EXPECT_EQ(list.Add("d"), 1);
  list.Insert(0, "a");
  list.Insert(2, "c");
  list.Insert(4, "e");
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\ne\r\n");
  list.Delete(4);
  list.SetStrings(0, "A");
  EXPECT_EQ(list[0], "A");
  EXPECT_EQ(list.Strings(3), "d");
  list.Add("b");  // duplicates are kept
  EXPECT_EQ(list.IndexOf("B"), 1);
  EXPECT_EQ(list.IndexOf("x"), -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(Strings, IndexErrors) {
  TStringList list;
  list.Add("x");
  EXPECT_THROW(list.Strings(1), EStringListError);
  EXPECT_THROW(list.Strings(-1), EStringListError);
  EXPECT_THROW(list.Delete(1), EStringListError);
  EXPECT_THROW(list.Insert(2, "y"), EStringListError);
  EXPECT_THROW(list.SetStrings(5, "y"), EStringListError);
  try {
    list.Strings(5);
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(Strings, IndexOfFoldsAsciiOnly) {
  TStringList list;
  list.Add("\x81\x61");  // a GBK character whose trail byte looks like 'a'
  list.Add("\xCF\xD4\xCA\xBE" "A");
  EXPECT_EQ(list.IndexOf("\x81\x41"), -1);
  EXPECT_EQ(list.IndexOf("\x81\x61"), 0);
  EXPECT_EQ(list.IndexOf("\xCF\xD4\xCA\xBE" "a"), 1);
}

TEST(Strings, TextSplitsAtEveryLineBreak) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\n", {"one"}},
      {"one\r\ntwo", {"one", "two"}},
      {"one\ntwo\rthree\r\n", {"one", "two", "three"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR are two breaks
  };
  for (const auto& c : cases) {
    TStringList list;
    list.Add("old");
    list.SetText(c.text);
    std::vector<std::string> got(list.begin(), list.end());
    EXPECT_EQ(got, c.lines) << c.text;
  }
}

TEST(Strings, AssignTakesAnotherListAndRefusesOtherClasses) {
  TStringList a, b;
  a.Add("x");
  a.Add("y'z");
  b.Add("old");
  b.Assign(a);
  EXPECT_EQ(b.Text(), "x\r\ny'z\r\n");
  b.Assign(b);
  EXPECT_EQ(b.Count(), 2);
  TFont font;
  try {
    b.Assign(font);
    FAIL() << "assigned a font to a string list";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TFont to a TStringList");
  }
  EXPECT_THROW(font.Assign(a), EConvertError);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_EQ(b.ClassName(), "TStringList");
  EXPECT_TRUE(b.InheritsFrom(TStrings::StaticClassInfo()));
  EXPECT_TRUE(b.ClassInfo().Properties().empty());
}
