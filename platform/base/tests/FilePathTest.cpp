#include "platform/base/FilePath.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/base/GbkText.h"

using namespace platform;

TEST(FilePath, SetFileExtKeepsAnEqualExtensionAndReplacesAnother) {
  struct TCase {
    const char* Path;
    const char* Ext;
    const char* Result;
  } cases[] = {
      {"show", ".fmt", "show.fmt"},
      {"show.FMT", ".fmt", "show.FMT"},
      {"show.txt", ".fmt", "show.fmt"},
      {"/a.b/show", ".spj", "/a.b/show.spj"},
      {"/a.b/show.tar.Gz", ".gz", "/a.b/show.tar.Gz"},
      {"\xD6\xD0\xCE\xC4", ".Tim", "\xD6\xD0\xCE\xC4.Tim"},  // GBK name
  };
  for (const auto& c : cases) EXPECT_EQ(SetFileExt(c.Path, c.Ext), c.Result) << c.Path;
}

TEST(FilePath, PartsOfAPath) {
  EXPECT_EQ(ExtractFileExt("/x.y/name"), "");
  EXPECT_EQ(ExtractFileExt("/x/name.Bri"), ".Bri");
  EXPECT_EQ(ExtractFileName("/x/name.Bri"), "name.Bri");
  EXPECT_EQ(ExtractFileName("name"), "name");
  EXPECT_EQ(ExtractFilePath("/x/name.Bri"), "/x/");
  EXPECT_EQ(ExtractFilePath("name"), "");
}

TEST(FilePath, GbkAndOsFormsRoundTrip) {
  const std::string gbk = "/tmp/\xCF\xD4\xCA\xBE.fmt";  // "显示"
  const std::string os = OsPathFromGbk(gbk);
  EXPECT_EQ(os, "/tmp/\xE6\x98\xBE\xE7\xA4\xBA.fmt");
  bool lossless = false;
  EXPECT_EQ(GbkPathFromOs(os, &lossless), gbk);
  EXPECT_TRUE(lossless);
  GbkPathFromOs("/tmp/\xF0\x9F\x98\x80", &lossless);  // an emoji has no GBK form
  EXPECT_FALSE(lossless);
}

// Linux names are bytes: whatever bytes name a file come back unchanged from their GBK form,
// and the parts of the GBK path stay where they were.
TEST(FilePath, EveryOsNameComesBackAsItsBytes) {
  const char* names[] = {
      "/tmp/caf\xE9.fmt",                  // Latin-1 "café"
      "/tmp/\xB2\xE2\xCA\xD4.fmt",          // GBK "测试"
      "/tmp/\xF0\x9F\x98\x80.fmt",          // UTF-8 without a GBK form (an emoji)
      "/tmp/\xE4\xB8.fmt",                 // UTF-8 cut short
      "/tmp/\xED\xA0\x80\xC0\xAF\xFF.fmt",  // a surrogate, an overlong "/", 0xFF
      "/tmp/\x80\xFD\xA1\xFE\xFE.fmt",      // bytes that look like GBK and like our escapes
      "/tmp/\xE6\xB5\x8B\xE8\xAF\x95.fmt",  // UTF-8 "测试"
  };
  for (const char* os : names) {
    const std::string gbk = GbkPathFromOs(os);
    EXPECT_EQ(OsPathFromGbk(gbk), os) << os;
    EXPECT_EQ(ExtractFileExt(gbk), ".fmt") << os;
    EXPECT_EQ(ExtractFilePath(gbk), "/tmp/") << os;
  }
  bool lossless = true;
  EXPECT_EQ(GbkPathFromOs("/tmp/\xE6\xB5\x8B\xE8\xAF\x95.fmt", &lossless), "/tmp/\xB2\xE2\xCA\xD4.fmt");
  EXPECT_TRUE(lossless);
  GbkPathFromOs("/tmp/caf\xE9.fmt", &lossless);
  EXPECT_FALSE(lossless);
  // The codes that carry such bytes are no GBK character of their own.
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string gbk = GbkPathFromOs(std::string(1, char(b)));
    ASSERT_EQ(gbk.size(), 2u) << b;
    EXPECT_EQ(GbkToUtf8(gbk), "\xEF\xBF\xBD\xEF\xBF\xBD") << b;  // both bytes refused
  }
}

TEST(FilePath, RegularFileExists) {
  EXPECT_FALSE(RegularFileExists("/tmp"));
  EXPECT_FALSE(RegularFileExists("/dev/null"));
  EXPECT_FALSE(RegularFileExists("/nonexistent/x"));
  EXPECT_TRUE(RegularFileExists("/proc/self/exe") || RegularFileExists("/etc/hostname"));
}

TEST(FilePath, ProgramFileExists) {
  EXPECT_TRUE(ProgramFileExists("/bin/sh"));
  EXPECT_FALSE(ProgramFileExists("/bin"));
  EXPECT_FALSE(ProgramFileExists("/dev/null"));
  EXPECT_FALSE(ProgramFileExists("/etc/passwd"));  // no execute bit, not even for root
  EXPECT_FALSE(ProgramFileExists("/nonexistent/x"));
}

TEST(FilePath, AbsolutePathPrefixesTheCurrentFolder) {
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  const std::string here = std::string(cwd) == "/" ? "/" : std::string(cwd) + "/";
  EXPECT_EQ(AbsolutePath("a/b.doc"), here + "a/b.doc");
  EXPECT_EQ(AbsolutePath("../x"), here + "../x");
  EXPECT_EQ(AbsolutePath("/tmp/x.doc"), "/tmp/x.doc");
  EXPECT_EQ(AbsolutePath(""), "");
}
