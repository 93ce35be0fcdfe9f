#include "platform/base/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
struct TEnv {
  std::string Name;
  std::optional<std::string> Old;
  TEnv(const char* name, const char* value) : Name(name) {
    if (const char* v = std::getenv(name)) Old = v;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
    ResetProgramDir();
  }
  ~TEnv() {
    if (Old) ::setenv(Name.c_str(), Old->c_str(), 1);
    else ::unsetenv(Name.c_str());
    ResetProgramDir();
  }
};

}  // namespace

TEST(AppPaths, TheVariableNamesTheProgramDirectoryAndItIsMade) {
  fs::path base = fs::temp_directory_path() / ("apppaths" + std::to_string(::getpid()));
  fs::remove_all(base);
  {
    TEnv env("CORVANE_PROGRAM_DIR", (base / "prog").c_str());
    EXPECT_EQ(ProgramDir(), (base / "prog").string() + "/");
    EXPECT_TRUE(fs::is_directory(base / "prog"));
    EXPECT_EQ(ProgramFile("Param.ini"), (base / "prog" / "Param.ini").string());
  }
  fs::remove_all(base);
}

TEST(AppPaths, WithoutTheVariableTheExecutablesFolderOrTheDataFolder) {
  TEnv env("CORVANE_PROGRAM_DIR", "");
  std::string exe = ExecutableDir();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.back(), '/');
  if (::access(exe.c_str(), W_OK) == 0) {
    EXPECT_EQ(ProgramDir(), exe);
  } else {
    EXPECT_NE(ProgramDir().find("/corvane/"), std::string::npos);
  }
}

TEST(AppPaths, TempDirEndsInASlash) {
  {
    TEnv env("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempDir(), "/var/tmp/");
  }
  {
    TEnv env("TMPDIR", nullptr);
    EXPECT_EQ(TempDir(), "/tmp/");
  }
}

TEST(AppPaths, PrivateTempFoldersAreNewAndTheUsersAlone) {
  std::string dir = std::filesystem::temp_directory_path() / "apppaths-XXXXXX";
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  TEnv env("TMPDIR", dir.c_str());
  const std::string a = MakePrivateTempFolder("pf-");
  const std::string b = MakePrivateTempFolder("pf-");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir + "/pf-", 0), 0u);
  EXPECT_EQ(a.back(), '/');
  struct stat st;
  ASSERT_EQ(::stat(a.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(MakePrivateTempFolder("pf-"), "");  // TMPDIR is gone
}
