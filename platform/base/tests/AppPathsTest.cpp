#include "platform/base/AppPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace platform;

namespace {

// Sets an environment variable for one test and puts the old value back.
class TEnvGuard {
 public:
  TEnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~TEnvGuard() {
    if (had_) ::setenv(name_, old_.c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(AppPaths, ProgramDirFromTheEnvironmentEndsInSlash) {
  TEnvGuard dir("CORVANE_PROGRAM_DIR", "/tmp/some/where");
  EXPECT_EQ(AppPaths::ProgramDir(), "/tmp/some/where/");
  EXPECT_EQ(AppPaths::ProgramFile("Param.ini"), "/tmp/some/where/Param.ini");
}

TEST(AppPaths, EmptyOverrideFallsBackToTheExecutableFolder) {
  TEnvGuard dir("CORVANE_PROGRAM_DIR", "");
  std::string exeDir = AppPaths::ExecutableDir();
  ASSERT_FALSE(exeDir.empty());
  EXPECT_EQ(exeDir.back(), '/');
  EXPECT_EQ(AppPaths::ProgramDir(), exeDir);  // the build folder is writable
}

TEST(AppPaths, TempDir) {
  {
    TEnvGuard tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(AppPaths::TempDir(), "/var/tmp/");
  }
  TEnvGuard tmp("TMPDIR", nullptr);
  EXPECT_EQ(AppPaths::TempDir(), "/tmp/");
}

TEST(AppPaths, FileNamePart) {
  EXPECT_EQ(FileNamePart("/a/b/skin.skn"), "skin.skn");
  EXPECT_EQ(FileNamePart("C:\\Skins\\blue.skn"), "blue.skn");
  EXPECT_EQ(FileNamePart("plain"), "plain");
  EXPECT_EQ(FileNamePart("dir/"), "");
}
