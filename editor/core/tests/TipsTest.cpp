#include "editor/core/Tips.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace editor {
namespace {

using test::TTempFolder;

int Width(const std::string& text) { return int(text.size()) * 10; }

TEST(Tips, LoadsLinesEndedByLfOrCrLf) {
  TTempFolder dir;
  dir.Write("Tips.txt", "one\r\ntwo\n\nthree");
  TTips tips;
  ASSERT_TRUE(tips.LoadFromFile(dir.File("Tips.txt")));
  EXPECT_EQ(tips.Lines(), (std::vector<std::string>{"one", "two", "", "three"}));
  EXPECT_FALSE(tips.LoadFromFile(dir.File("missing.txt")));
  EXPECT_TRUE(tips.Lines().empty());
}

TEST(Tips, AdvanceSkipsEmptyLinesAndWraps) {
  TTips tips;
  tips.SetLines({"a", "", "b", ""});
  tips.SetIndex(0);
  ASSERT_TRUE(tips.Advance());
  EXPECT_EQ(tips.Index(), 2);
  EXPECT_EQ(tips.Current(), "b");
  ASSERT_TRUE(tips.Advance());
  EXPECT_EQ(tips.Index(), 0);
  EXPECT_EQ(tips.Current(), "a");
  // A stored index past the end, or below 0, starts again from the first line.
  for (int stored : {9, -5}) {
    tips.SetIndex(stored);
    ASSERT_TRUE(tips.Advance());
    EXPECT_EQ(tips.Index(), 0) << stored;
  }
}

TEST(Tips, OnlyEmptyLinesShowNothingAfterOnePass) {
  TTips tips;
  tips.SetLines({"", "", ""});
  tips.SetIndex(1);
  tips.SetCurrent("old");
  EXPECT_TRUE(tips.Advance());
  EXPECT_EQ(tips.Current(), "");
  EXPECT_EQ(tips.Index(), 1);
  EXPECT_TRUE(tips.Runs(0, 500, Width).empty());

  TTips none;
  EXPECT_FALSE(none.Advance());
}

TEST(Tips, RunsFillTheAreaWithTheFollowingTipsAndLeaveTheIndex) {
  TTips tips;
  tips.SetLines({"aaa", "", "bb"});
  tips.SetIndex(0);
  tips.SetCurrent("aaa");
  auto runs = tips.Runs(-20, 100, Width);
  // "aaa" at -20..10, "bb" 10..30, "aaa" 30..60, "bb" 60..80, "aaa" 80..110.
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[0].X, -20);
  EXPECT_EQ(runs[1].X, 10);
  EXPECT_EQ(runs[1].Text, "bb");
  EXPECT_EQ(runs[4].X, 80);
  EXPECT_EQ(runs[4].Text, "aaa");
  EXPECT_EQ(tips.Index(), 0);

  // The welcome or built-in text with no list stands alone.
  TTips welcome;
  welcome.SetCurrent(TTips::WelcomeTip());
  runs = welcome.Runs(0, 10000, Width);
  ASSERT_EQ(runs.size(), 1u);
}

}  // namespace
}  // namespace editor
