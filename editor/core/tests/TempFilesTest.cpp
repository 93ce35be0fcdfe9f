#include "editor/core/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Fakes.h"
#include "platform/base/FilePath.h"

namespace editor {
namespace {

using test::TTempFolder;

TEST(TempFileQueue, AnExistingFileGoesAtTheNextTickAMissingOneAfterTwentySeconds) {
  TTempFolder dir;
  platform::TFakeClock clock(1000);
  TTempFileQueue queue(clock);
  dir.Write("a.bmp", "a");
  dir.Write("b.bmp", "b");
  ASSERT_TRUE(queue.Add(dir.File("never.bmp")));
  ASSERT_TRUE(queue.Add(dir.File("a.bmp")));
  ASSERT_TRUE(queue.Add(dir.File("b.bmp")));
  ASSERT_TRUE(queue.Add(dir.File("later.bmp")));

  // One entry per tick, the first existing file first even behind a missing one.
  EXPECT_TRUE(queue.Tick());
  EXPECT_FALSE(dir.Exists("a.bmp"));
  EXPECT_TRUE(dir.Exists("b.bmp"));
  EXPECT_TRUE(queue.Tick());
  EXPECT_FALSE(dir.Exists("b.bmp"));
  EXPECT_EQ(queue.Count(), 2u);

  // A file that appears while queued goes at the next tick.
  clock.Advance(5000);
  EXPECT_FALSE(queue.Tick());
  dir.Write("later.bmp", "late");
  EXPECT_TRUE(queue.Tick());
  EXPECT_FALSE(dir.Exists("later.bmp"));

  // The one that never appeared is dropped once 20 s have passed since it was queued.
  clock.Set(1000 + TTempFileQueue::LifetimeMs - 1);
  EXPECT_FALSE(queue.Tick());
  EXPECT_EQ(queue.Count(), 1u);
  clock.Advance(1);
  EXPECT_TRUE(queue.Tick());
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_FALSE(queue.Tick());
}

TEST(TempFileQueue, DropsThe256thPathWhile255Wait) {
  TTempFolder dir;
  platform::TFakeClock clock;
  TTempFileQueue queue(clock);
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(queue.Add(dir.File("missing" + std::to_string(i))));
  dir.Write("extra", "x");
  EXPECT_FALSE(queue.Add(dir.File("extra")));
  EXPECT_EQ(queue.Count(), 255u);
  EXPECT_FALSE(queue.Tick());  // none exists, none is due: the dropped path was never queued
  EXPECT_TRUE(dir.Exists("extra"));
}

TEST(TempFileQueue, APathLongerThan264BytesIsNotQueued) {
  TTempFolder dir;
  platform::TFakeClock clock;
  TTempFileQueue queue(clock);
  // A file whose path is exactly 264 bytes, in folders short enough for the system.
  std::string path = dir.Path();
  while (path.size() < 264 - 60) {
    path += std::string(50, 'd') + "/";
    std::filesystem::create_directory(path);
  }
  path += std::string(264 - path.size(), 'f');
  ASSERT_EQ(path.size(), 264u);
  std::ofstream(path) << "keep";

  EXPECT_FALSE(queue.Add(path + "x"));  // cut to 264 bytes it would name the file above
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_FALSE(queue.Tick());
  EXPECT_TRUE(platform::RegularFileExists(path));

  EXPECT_TRUE(queue.Add(path));
  EXPECT_TRUE(queue.Tick());
  EXPECT_FALSE(platform::RegularFileExists(path));
}

TEST(TempFileQueue, AFolderIsNeverDeleted) {
  TTempFolder dir;
  platform::TFakeClock clock;
  TTempFileQueue queue(clock);
  std::filesystem::create_directory(dir.File("folder"));
  ASSERT_TRUE(queue.Add(dir.File("folder")));
  EXPECT_FALSE(queue.Tick());
  clock.Advance(TTempFileQueue::LifetimeMs);
  EXPECT_TRUE(queue.Tick());
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

}  // namespace
}  // namespace editor
