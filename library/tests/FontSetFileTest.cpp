#include "library/FontSetFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/ByteOrder.h"

namespace {

namespace fs = std::filesystem;
using panelcast::LoadFontSetBuffer;

class FontSetFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("panelcast-fontset-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }

  fs::path dir;
};

TEST_F(FontSetFile, HeadThenTheWholeFile) {
  for (size_t n : {2u, 3u, 512u, 1000u}) {
    std::vector<uint8_t> file(n);
    for (size_t i = 0; i < n; ++i) file[i] = uint8_t(i * 7 + 3);
    file[0] = 0xEE;
    file[1] = 0x00;
    const auto buffer = LoadFontSetBuffer(Write("font.Dat", file));
    ASSERT_TRUE(buffer) << n;
    ASSERT_EQ(n + 12, buffer->size());
    EXPECT_EQ(20, platform::LoadU16(buffer->data()));
    EXPECT_EQ(0, platform::LoadU16(buffer->data() + 2));
    EXPECT_EQ(n + 12, platform::LoadU32(buffer->data() + 4));
    EXPECT_EQ(0u, platform::LoadU32(buffer->data() + 8));
    EXPECT_EQ(file, std::vector<uint8_t>(buffer->begin() + 12, buffer->end()));
  }
}

TEST_F(FontSetFile, Refusals) {
  EXPECT_FALSE(LoadFontSetBuffer(Write("empty.Dat", {})));
  EXPECT_FALSE(LoadFontSetBuffer(Write("one.Dat", {0xEE})));
  EXPECT_FALSE(LoadFontSetBuffer(Write("ee01.Dat", {0xEE, 0x01, 0x00})));
  EXPECT_FALSE(LoadFontSetBuffer(Write("00ee.Dat", {0x00, 0xEE, 0x00})));
  EXPECT_FALSE(LoadFontSetBuffer((dir / "missing.Dat").string()));
  EXPECT_FALSE(LoadFontSetBuffer(dir.string()));  // a directory
  EXPECT_FALSE(LoadFontSetBuffer(""));
  // A pipe is no file: refused at once rather than read for ever.
  const std::string fifo = (dir / "fifo.Dat").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_FALSE(LoadFontSetBuffer(fifo));
  EXPECT_FALSE(LoadFontSetBuffer("/dev/zero"));
}

}  // namespace
