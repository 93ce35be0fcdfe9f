#include "platform/base/AtomicFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

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

namespace {

// Sets the process's umask for one test.
struct TScopedUmask {
  mode_t Old;
  explicit TScopedUmask(mode_t mask) : Old(::umask(mask)) {}
  ~TScopedUmask() { ::umask(Old); }
};

unsigned ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : ~0u;
}

void Touch(const std::string& path, time_t secondsAgo) {
  ASSERT_TRUE(SaveFileAtomic(path, "left over", 9));
  const timespec times[2] = {{::time(nullptr) - secondsAgo, 0}, {::time(nullptr) - secondsAgo, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

}  // namespace

// A new file is 0666 less the umask; a file replaced keeps its mode; a mode asked for is the
// mode, whatever the umask.
TEST(AtomicFile, NewFilesFollowTheUmask) {
  struct TCase {
    mode_t Umask;
    unsigned Fresh;
  } cases[] = {{077, 0600}, {022, 0644}, {002, 0664}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Umask);
    TempDir dir;
    TScopedUmask mask(c.Umask);
    const std::string fresh = (dir.path / "new.fmt").string();
    ASSERT_TRUE(SaveFileAtomic(fresh, "x", 1));
    EXPECT_EQ(ModeOf(fresh), c.Fresh);
    ::chmod(fresh.c_str(), 0640);
    ASSERT_TRUE(SaveFileAtomic(fresh, "y", 1));
    EXPECT_EQ(ModeOf(fresh), 0640u);
    const std::string secret = (dir.path / "Service.sat").string();
    ASSERT_TRUE(SaveFileAtomic(secret, "z", 1, nullptr, 0600));
    EXPECT_EQ(ModeOf(secret), 0600u);
    ::chmod(secret.c_str(), 0644);
    ASSERT_TRUE(SaveFileAtomic(secret, "z", 1, nullptr, 0600));
    EXPECT_EQ(ModeOf(secret), 0600u);
  }
}

// A save killed before its rename leaves "NAME.~XXXXXX"; the next save of NAME removes such
// files, and only those of its own: regular, ours, older than it and held by no running save.
TEST(AtomicFile, TheNextSaveRemovesWhatAKilledSaveLeft) {
  TempDir dir;
  const std::string target = (dir.path / "Param.ini").string();
  ASSERT_TRUE(SaveFileAtomic(target, "old", 3));
  const auto at = [&](const char* name) { return (dir.path / name).string(); };
  Touch(at("Param.ini.~Ab12Cd"), 60);
  Touch(at("Param.ini.~zz99ZZ"), 3600);
  std::vector<std::string> kept = {"Param.ini.backup", "Param.ini.~Ab12C", "Param.ini.~Ab12Cd7", "Param.ini.~Ab-2Cd",
                                   "Param.ini~Ab12Cd", "Other.ini.~Ab12Cd", "param.ini.~Ab12Cd"};
  for (const auto& name : kept) Touch(at(name.c_str()), 60);
  // Younger than the save: a save that is still starting.
  Touch(at("Param.ini.~Young1"), -3600);
  kept.push_back("Param.ini.~Young1");
  // Held by a save that is still writing.
  Touch(at("Param.ini.~Held01"), 60);
  kept.push_back("Param.ini.~Held01");
  const int held = ::open(at("Param.ini.~Held01").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // Not a regular file.
  fs::create_directory(at("Param.ini.~Dir123"));
  fs::create_symlink(at("Other.ini.~Ab12Cd"), at("Param.ini.~Link12"));
  kept.push_back("Param.ini.~Dir123");
  kept.push_back("Param.ini.~Link12");
  // Another user's.
  if (::geteuid() == 0) {
    Touch(at("Param.ini.~Other1"), 60);
    ASSERT_EQ(::chown(at("Param.ini.~Other1").c_str(), 65534, 65534), 0);
    kept.push_back("Param.ini.~Other1");
  }

  ASSERT_TRUE(SaveFileAtomic(target, "new", 3));
  EXPECT_FALSE(fs::exists(at("Param.ini.~Ab12Cd")));
  EXPECT_FALSE(fs::exists(at("Param.ini.~zz99ZZ")));
  for (const auto& name : kept) EXPECT_TRUE(fs::exists(fs::symlink_status(at(name.c_str())))) << name;
  std::string content;
  ASSERT_TRUE(ReadWholeFile(target, content));
  EXPECT_EQ(content, "new");
  ::close(held);

  // Through a link, the leftovers beside the file it names go.
  const std::string link = at("link.ini");
  fs::create_symlink(target, link);
  Touch(at("Param.ini.~Ab12Cd"), 60);
  ASSERT_TRUE(SaveFileAtomic(link, "again", 5));
  EXPECT_FALSE(fs::exists(at("Param.ini.~Ab12Cd")));
  EXPECT_FALSE(fs::exists(at("Param.ini.~Held01")));  // no longer held
}
