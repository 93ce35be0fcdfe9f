#include "model/DFMStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/base/AtomicFile.h"

using namespace model;
using model::test::TTempDir;

namespace {

constexpr int32_t MiB = 1048576;

}  // namespace

TEST(DFMStream, WritesThenReadsBack) {
  TDFMStream s;
  EXPECT_EQ(s.Capacity(), MiB);
  EXPECT_EQ(s.Write("abc", 3), 3);
  EXPECT_EQ(s.Write("defgh", 5), 5);
  EXPECT_EQ(s.Position(), 8);
  EXPECT_EQ(s.Size(), 8);
  s.SetPosition(0);
  char buf[100] = {};
  EXPECT_EQ(s.Read(buf, 100), 8);
  EXPECT_EQ(std::string(buf, 8), "abcdefgh");
  EXPECT_EQ(s.Read(buf, 100), 0);  // nothing left
  // Overwriting inside the data keeps the size.
  s.SetPosition(2);
  EXPECT_EQ(s.Write("XY", 2), 2);
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 8), "abXYefgh");
  EXPECT_FALSE(s.Failed());
}

TEST(DFMStream, ReadRefusesNegativePositionAndCount) {
  TDFMStream s;
  s.Write("abcd", 4);
  char buf[8];
  s.SetPosition(-1);
  EXPECT_EQ(s.Read(buf, 4), 0);
  s.SetPosition(1);
  EXPECT_EQ(s.Read(buf, -4), 0);
  EXPECT_EQ(s.Read(buf, 2), 2);
  EXPECT_EQ(s.Position(), 3);
  s.SetPosition(10);
  EXPECT_EQ(s.Read(buf, 4), 0);
}

TEST(DFMStream, GrowsInWholeMebibytes) {
  std::vector<char> big(2000000, 'x');
  TDFMStream s;
  EXPECT_EQ(s.Write(big.data(), int32_t(big.size())), 2000000);
  EXPECT_EQ(s.Capacity(), 3 * MiB);  // grown by 2 MiB in one step
  EXPECT_EQ(s.Size(), 2000000);

  // A block exactly as large as position + count still grows, by (count div 1 MiB) + 1 MiB.
  TDFMStream t;
  std::vector<char> one(MiB, 'y');
  EXPECT_EQ(t.Write(one.data(), MiB - 1), MiB - 1);
  EXPECT_EQ(t.Capacity(), MiB);
  EXPECT_EQ(t.Write(one.data(), 1), 1);
  EXPECT_EQ(t.Capacity(), 2 * MiB);
  EXPECT_EQ(t.Write(one.data(), MiB), MiB);
  EXPECT_EQ(t.Capacity(), 4 * MiB);
}

TEST(DFMStream, AWriteFarBeyondTheEndGrowsToCoverItAndZeroFillsTheGap) {
  TDFMStream s;
  s.Write("ab", 2);
  s.SetPosition(5 * MiB + 10);
  EXPECT_EQ(s.Write("cd", 2), 2);
  EXPECT_GT(s.Capacity(), 5 * MiB + 12);
  EXPECT_EQ(s.Capacity() % MiB, 0);
  EXPECT_EQ(s.Size(), 5 * MiB + 12);
  const uint8_t* m = s.Memory();
  EXPECT_EQ(m[0], 'a');
  bool zero = true;
  for (int32_t i = 2; i < 5 * MiB + 10; ++i) zero = zero && m[i] == 0;
  EXPECT_TRUE(zero);
  EXPECT_EQ(m[5 * MiB + 11], 'd');

  // A gap inside the block is zero filled too, and a write of nothing still extends the size.
  TDFMStream t;
  std::vector<uint8_t> junk(64, 0xEE);
  t.Write(junk.data(), 64);
  t.SetPosition(0);
  t.SetPosition(100);
  EXPECT_EQ(t.Write("", 0), 0);
  EXPECT_EQ(t.Size(), 100);
  for (int32_t i = 64; i < 100; ++i) EXPECT_EQ(t.Memory()[i], 0) << i;
}

TEST(DFMStream, RefusedWritesChangeNothingAndAreReported) {
  TDFMStream s(2 * MiB);
  s.Write("abc", 3);
  struct Case {
    int32_t position, count;
  } cases[] = {
      {-1, 3},              // negative position
      {3, -1},              // negative count
      {INT32_MAX - 1, 5},   // beyond a signed 32-bit size
      {3, 2 * MiB},         // beyond the block limit: the growth fails
  };
  std::vector<char> big(2 * MiB, 'z');
  for (const auto& c : cases) {
    TDFMStream t(2 * MiB);
    t.Write("abc", 3);
    t.SetPosition(c.position);
    EXPECT_EQ(t.Write(big.data(), c.count), 0) << c.position << " " << c.count;
    EXPECT_TRUE(t.Failed());
    EXPECT_EQ(t.Size(), 3);
    EXPECT_EQ(t.Position(), c.position);
    EXPECT_EQ(t.Capacity(), MiB);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.Memory()), 3), "abc");
  }
  // Up to the limit is fine.
  s.SetPosition(0);
  EXPECT_EQ(s.Write(big.data(), 2 * MiB), 2 * MiB);
  EXPECT_EQ(s.Capacity(), 2 * MiB);
  EXPECT_FALSE(s.Failed());
}

TEST(DFMStream, SavesTheUsedBytesOnly) {
  TTempDir dir;
  TDFMStream s;
  s.Write("Object Leaf0:TLeaf\r\nEnd\r\n", 25);
  std::string path = dir.File("a.spj");
  EXPECT_TRUE(s.SaveToFile(path));
  std::string content;
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(content, "Object Leaf0:TLeaf\r\nEnd\r\n");

  // Overwrites an existing file, through a symbolic link to it.
  TDFMStream e;
  std::string link = dir.File("link.spj");
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  EXPECT_TRUE(e.SaveToFile(link));
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(content, "");
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(DFMStream, SaveReportsFailures) {
  TTempDir dir;
  TDFMStream s;
  s.Write("data", 4);
  EXPECT_FALSE(s.SaveToFile(dir.File("missing/dir/a.spj")));
  EXPECT_FALSE(s.SaveToFile(dir.File("")));  // a directory

  // A pipe nobody reads is refused at once rather than waited on.
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(s.SaveToFile(fifo));

  struct stat st;
  if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(s.SaveToFile("/dev/full"));
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));  // still the device, never replaced by a file
}
