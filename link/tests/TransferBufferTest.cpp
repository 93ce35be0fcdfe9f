// The firmware and font-set buffers, against the fixtures made by make_fixtures.py.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/TransferBuffer.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"

namespace {

namespace fs = std::filesystem;
using cardlink::LoadFirmwareBuffer;
using cardlink::LoadFontSetBuffer;

std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(Fixture(name), content)) << name;
  return std::vector<uint8_t>(content.begin(), content.end());
}

class TransferBuffer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("cardlink-transfer-" + std::to_string(getpid()) + "-" +
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

  // The head every buffer starts with: kind, 0, the whole size, 0.
  static void ExpectHead(const std::vector<uint8_t>& buffer, uint16_t kind) {
    ASSERT_GE(buffer.size(), 12u);
    EXPECT_EQ(kind, platform::LoadU16(buffer.data()));
    EXPECT_EQ(0, platform::LoadU16(buffer.data() + 2));
    EXPECT_EQ(buffer.size(), platform::LoadU32(buffer.data() + 4));
    EXPECT_EQ(0u, platform::LoadU32(buffer.data() + 8));
  }

  fs::path dir;
};

TEST_F(TransferBuffer, FontSetIsHeadThenTheWholeFile) {
  for (size_t n : {2u, 3u, 512u, 1000u}) {
    std::vector<uint8_t> file(n);
    for (size_t i = 0; i < n; ++i) file[i] = uint8_t(i * 7 + 3);
    file[0] = 0xEE;
    file[1] = 0x00;
    const auto buffer = LoadFontSetBuffer(Write("font.Dat", file));
    ASSERT_TRUE(buffer) << n;
    ASSERT_EQ(n + 12, buffer->size());
    ExpectHead(*buffer, 20);
    EXPECT_EQ(file, std::vector<uint8_t>(buffer->begin() + 12, buffer->end()));
  }
}

TEST_F(TransferBuffer, FontSetRefusals) {
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

TEST_F(TransferBuffer, FirmwareIsHeadThenTheDescrambledData) {
  for (const char* name : {"good", "blocks4", "final3"}) {
    const auto buffer = LoadFirmwareBuffer(Fixture(std::string(name) + ".Bin"));
    ASSERT_TRUE(buffer) << name;
    ExpectHead(*buffer, 19);
    EXPECT_EQ(ReadFixture(std::string(name) + ".expected"), std::vector<uint8_t>(buffer->begin() + 12, buffer->end()))
        << name;
  }
  // Several 512-byte blocks of a transfer.
  EXPECT_GT(LoadFirmwareBuffer(Fixture("blocks4.Bin"))->size(), 3 * 512u);
}

TEST_F(TransferBuffer, FirmwareRefusals) {
  for (const char* name : {"badcrc_block2.Bin", "final2.Bin", "empty.Bin", "missing.Bin"})
    EXPECT_FALSE(LoadFirmwareBuffer(Fixture(name))) << name;
  EXPECT_FALSE(LoadFirmwareBuffer(dir.string()));
  const std::string fifo = (dir / "fifo.Bin").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_FALSE(LoadFirmwareBuffer(fifo));
  EXPECT_FALSE(LoadFirmwareBuffer("/dev/zero"));
}

}  // namespace
