#include "platform/base/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace platform;
namespace fs = std::filesystem;

namespace {
struct TempDir {
  fs::path path;
  TempDir() {
    std::string t = (fs::temp_directory_path() / "atomicXXXXXX").string();
    path = ::mkdtemp(t.data());
  }
  ~TempDir() { fs::remove_all(path); }
};
}  // namespace

TEST(AtomicFile, ReplacesTheTargetAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string target = (dir.path / "Param.ini").string();
  ASSERT_TRUE(SaveFileAtomic(target, "old", 3));
  ::chmod(target.c_str(), 0600);
  ASSERT_TRUE(SaveFileAtomic(target, "new!", 4));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(target, content));
  EXPECT_EQ(content, "new!");
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(AtomicFile, FailureReportsAndKeepsThePreviousFile) {
  TempDir dir;
  std::string target = (dir.path / "keep.bin").string();
  ASSERT_TRUE(SaveFileAtomic(target, "keep", 4));
  // The target is a directory now: rename must fail, and the temporary file must go.
  std::string asDir = (dir.path / "sub").string();
  fs::create_directory(asDir);
  fs::create_directory(asDir + "/x");
  std::string error;
  EXPECT_FALSE(SaveFileAtomic(asDir, "data", 4, &error));
  EXPECT_NE(error.find("cannot save"), std::string::npos) << error;
  // A device stays a device.
  EXPECT_FALSE(SaveFileAtomic("/dev/null", "data", 4, &error));
  struct stat devNull;
  ASSERT_EQ(::stat("/dev/null", &devNull), 0);
  EXPECT_TRUE(S_ISCHR(devNull.st_mode));
  EXPECT_FALSE(SaveFileAtomic((dir.path / "missing" / "f").string(), "x", 1, &error));
  EXPECT_NE(error.find("temporary"), std::string::npos) << error;
  std::string content;
  ASSERT_TRUE(ReadWholeFile(target, content));
  EXPECT_EQ(content, "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

TEST(AtomicFile, SavesThroughASymbolicLink) {
  TempDir dir;
  std::string target = (dir.path / "real.spj").string();
  std::string link = (dir.path / "link.spj").string();
  ASSERT_TRUE(SaveFileAtomic(target, "one", 3));
  fs::create_symlink(target, link);
  ASSERT_TRUE(SaveFileAtomic(link, "two", 3));
  EXPECT_TRUE(fs::is_symlink(link));
  std::string content;
  ASSERT_TRUE(ReadWholeFile(target, content));
  EXPECT_EQ(content, "two");
}

TEST(AtomicFile, ReadReportsAMissingFile) {
  std::string content = "unchanged", error;
  EXPECT_FALSE(ReadWholeFile("/nonexistent/file", content, &error));
  EXPECT_EQ(content, "unchanged");
  EXPECT_FALSE(error.empty());
}

TEST(AtomicFile, ReadRefusesAnythingButARegularFileAtOnce) {
  TempDir dir;
  std::string fifo = (dir.path / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, dir.path.string(), std::string("/dev/zero")}) {
    std::string content = "unchanged", error;
    EXPECT_FALSE(ReadWholeFile(path, content, &error)) << path;  // a FIFO without writer must not block
    EXPECT_EQ(content, "unchanged");
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  }
}

TEST(AtomicFile, AGivenModeReplacesTheOldPermissions) {
  TempDir dir;
  std::string target = (dir.path / "secret.bin").string();
  ASSERT_TRUE(SaveFileAtomic(target, "old", 3));
  ::chmod(target.c_str(), 0644);
  ASSERT_TRUE(SaveFileAtomic(target, "new", 3, nullptr, 0600));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::string fresh = (dir.path / "fresh.bin").string();
  ASSERT_TRUE(SaveFileAtomic(fresh, "x", 1, nullptr, 0600));
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}
