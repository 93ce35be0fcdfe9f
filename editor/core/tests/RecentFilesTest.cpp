#include "editor/core/RecentFiles.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using test::TTempFolder;

TEST(RecentFiles, FivePathsGiveTheFirstFour) {
  TTempFolder dir;
  dir.Write("Param.ini", "[Auto Save]\r\nFiles=/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt,/p/e.fmt\r\n");
  platform::TSettingsFile settings(dir.File("Param.ini"));
  auto paths = ReadRecentFiles(settings);
  EXPECT_EQ(paths, (std::vector<std::string>{"/p/a.fmt", "/p/b.fmt", "/p/c.fmt", "/p/d.fmt"}));

  auto items = RecentMenuItems(paths);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Name, "MenuItem0");
  EXPECT_EQ(items[0].Caption, "&0 /p/a.fmt");
  EXPECT_EQ(items[3].Name, "MenuItem3");
  EXPECT_EQ(items[3].Caption, "&3 /p/d.fmt");
  EXPECT_EQ(items[3].Path, "/p/d.fmt");
}

TEST(RecentFiles, EmptyPiecesAndAMissingKeyGiveNoItems) {
  TTempFolder dir;
  EXPECT_TRUE(ReadRecentFiles(platform::TSettingsFile(dir.File("Param.ini"))).empty());
  dir.Write("Param.ini", "[Auto Save]\nFiles=,/p/a.fmt,,\n");
  EXPECT_EQ(ReadRecentFiles(platform::TSettingsFile(dir.File("Param.ini"))), (std::vector<std::string>{"/p/a.fmt"}));
}

TEST(RecentFiles, AddPutsTheFileFirstWithoutDuplicateAndKeepsFour) {
  const std::string chinese = Utf8ToGbk("/p/显示.fmt");
  struct TCase {
    std::string Stored, Current, Expected;
  } cases[] = {
      {"", "/p/x.fmt", "/p/x.fmt"},
      {"/p/a.fmt,/p/b.fmt", "/p/x.fmt", "/p/x.fmt,/p/a.fmt,/p/b.fmt"},
      {"/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt", "/p/e.fmt", "/p/e.fmt,/p/a.fmt,/p/b.fmt,/p/c.fmt"},
      // Reopened in other letter case: moves to the front in the new spelling.
      {"/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt", "/P/C.FMT", "/P/C.FMT,/p/a.fmt,/p/b.fmt,/p/d.fmt"},
      {"/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt", "/p/a.fmt", "/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt"},
      // A fifth stored path is never read, so it is no duplicate either.
      {"/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt,/p/e.fmt", "/p/e.fmt", "/p/e.fmt,/p/a.fmt,/p/b.fmt,/p/c.fmt"},
      {"/p/a.fmt," + chinese, Utf8ToGbk("/P/显示.FMT"), Utf8ToGbk("/P/显示.FMT") + ",/p/a.fmt"},
  };
  for (const auto& c : cases) {
    TTempFolder dir;
    dir.Write("Param.ini", "[Param]\nTip=3\n[Auto Save]\nFiles=" + c.Stored + "\n");
    platform::TSettingsFile settings(dir.File("Param.ini"));
    AddRecentFile(settings, c.Current);
    EXPECT_EQ(settings.ReadString("Auto Save", "Files", ""), c.Expected) << c.Stored << " + " << c.Current;
    EXPECT_EQ(settings.ReadInteger("Param", "Tip", 0), 3);
  }
}

TEST(RecentFiles, AnEmptyCurrentFileWritesNothing) {
  TTempFolder dir;
  platform::TSettingsFile settings(dir.File("Param.ini"));
  AddRecentFile(settings, "");
  EXPECT_FALSE(settings.Modified());
  dir.Write("Param.ini", "[Auto Save]\nFiles=/p/a.fmt\n");
  platform::TSettingsFile stored(dir.File("Param.ini"));
  AddRecentFile(stored, "");
  EXPECT_FALSE(stored.Modified());
  EXPECT_EQ(stored.ReadString("Auto Save", "Files", ""), "/p/a.fmt");
}

}  // namespace
}  // namespace editor
