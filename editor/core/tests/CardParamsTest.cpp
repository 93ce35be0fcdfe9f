// The parameter block codec and "*.pam" files, against blocks packed by make_fixtures.py.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "editor/core/CardParams.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace {

namespace fs = std::filesystem;
using namespace editor;
using Bytes = std::vector<uint8_t>;

std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

Bytes ReadFixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(Fixture(name), content)) << name;
  return Bytes(content.begin(), content.end());
}

// A NAME.txt of the fixture script: the controls as "Member=value" lines.
std::map<std::string, std::string> ReadValues(const std::string& name) {
  std::map<std::string, std::string> values;
  std::ifstream in(Fixture(name));
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

TParamControls ControlsOf(std::map<std::string, std::string> v) {
  auto i = [&](const char* key) { return std::stoll(v.at(key)); };
  TParamControls c;
  c.LED_Width = int(i("LED_Width"));
  c.LED_Height = int(i("LED_Height"));
  c.LED_Type = int(i("LED_Type"));
  c.LED_Freq = int(i("LED_Freq"));
  c.Polarity = i("Polarity");
  c.RG_Reverse = i("RG_Reverse");
  c.Scan = i("Scan");
  c.Row_Prop = i("Row_Prop");
  c.DisplaySendFlag = i("DisplaySendFlag");
  c.EN = i("EN");
  c.Report_Self_Address = i("Report_Self_Address");
  c.Link_Prop = int(i("Link_Prop"));
  c.Link_method = int(i("Link_method"));
  c.uart_Speed = int(i("uart_Speed"));
  std::istringstream mac(v.at("MAC"));
  for (auto& m : c.MAC) std::getline(mac, m, ':');
  c.IPAddress = v.at("IPAddress");
  c.RemoteHost = v.at("RemoteHost");
  c.Brightness = uint32_t(i("Brightness"));
  c.LED_Left = uint32_t(i("LED_Left"));
  c.LED_Top = uint32_t(i("LED_Top"));
  c.ScanModeIndex = int(i("ScanModeIndex"));
  c.RemotePort = int(i("RemotePort"));
  c.Line_Order = int(i("Line_Order"));
  c.OE_Time = int(i("OE_Time"));
  c.Shift_Frequency = int(i("Shift_Frequency"));
  c.RefreshFreq = int(i("RefreshFreq"));
  c.GateIP = v.at("GateIP");
  c.IPMask = v.at("IPMask");
  c.CardName = platform::Utf8ToGbk(v.at("CardName"));
  c.Address = uint32_t(i("Address"));
  return c;
}

const char* const kBlocks[] = {"params_master", "params_slave", "params_alone", "params_other"};

TEST(CardParams, DecodingGivesTheScriptsValues) {
  for (const std::string name : kBlocks) {
    const Bytes block = ReadFixture(name + ".bin");
    ASSERT_EQ(block.size(), kParamBlockSize);
    EXPECT_EQ(ControlsFromBlock(block), ControlsOf(ReadValues(name + ".txt"))) << name;
  }
}

TEST(CardParams, EncodingGivesTheScriptsBytes) {
  for (const std::string name : kBlocks) {
    const auto values = ReadValues(name + ".txt");
    if (values.at("Encodes") != "1") continue;
    const Bytes expected = ReadFixture(name + ".bin");
    const TParamBlock built = BuildParamBlock(ControlsOf(values), uint32_t(std::stoull(values.at("Stamp"))));
    EXPECT_EQ(Bytes(built.begin(), built.end()), expected) << name;
  }
  // Cascade bits 00 read as "独立使用", which is written back as 11.
  const TParamBlock other = BuildParamBlock(ControlsFromBlock(ReadFixture("params_other.bin")), 0);
  EXPECT_EQ(platform::LoadU32(other.data() + 8) & pfCascadeMask, uint32_t(pfCascadeAlone));
}

TEST(CardParams, BuildingZeroesWhatNoControlWrites) {
  TParamControls c;
  c.Link_Prop = -1;  // nothing chosen: no cascade bits
  c.uart_Speed = -1;
  c.LED_Type = -1;
  c.IPAddress = c.IPMask = c.RemoteHost = c.GateIP = "";
  c.MAC = {"G0", "G0", "G0", "G0", "G0", "G0"};
  c.LED_Width = c.LED_Height = c.LED_Freq = 0;
  const TParamBlock b = BuildParamBlock(c, 0);
  EXPECT_EQ(b, TParamBlock{});
  // The reserved fields stay zero whatever the controls hold.
  const TParamBlock full = BuildParamBlock(ControlsFromBlock(ReadFixture("params_master.bin")), 0xFFFFFFFF);
  for (size_t offset : {26, 27, 28, 29, 30, 31, 40, 41, 42, 43}) EXPECT_EQ(full[offset], 0) << offset;
}

TEST(CardParams, StampMatchesTheScriptsArithmetic) {
  std::ifstream in(Fixture("stamps.txt"));
  int cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    unsigned year, month, day, hour, minute, random;
    uint64_t stamp;
    s >> year >> month >> day >> hour >> minute >> random >> stamp;
    platform::TSystemTime t{uint16_t(year), uint16_t(month),  0,  uint16_t(day),
                            uint16_t(hour), uint16_t(minute), 59, 999};
    EXPECT_EQ(ParamStamp(t, random), uint32_t(stamp)) << line;
    ++cases;
  }
  EXPECT_EQ(cases, 5);
  // The stamp is the u32 at 104, next to the card name.
  const TParamBlock b = BuildParamBlock(TParamControls{}, 0xA1B2C3D4);
  EXPECT_EQ(platform::LoadU32(b.data() + 104), 0xA1B2C3D4u);
}

TEST(CardParams, MacTexts) {
  const struct {
    const char* Text;
    uint8_t Byte;
  } cases[] = {
      {"G1", 0x00}, {"1G", 0xFF}, {"a", 0x0A}, {"", 0x00},   {"0", 0x00},   {"f", 0x0F},  {"ff", 0xFF},
      {"7f", 0x7F}, {"A0", 0xA0}, {"z", 0xFF}, {"9 ", 0xFF}, {"12x", 0x12}, {"-1", 0x00}, {"\xB0\xA1", 0x00},
  };
  for (const auto& c : cases) EXPECT_EQ(MacByte(c.Text), c.Byte) << '"' << c.Text << '"';
  for (int b : {0x00, 0x0A, 0x7F, 0xFF}) EXPECT_EQ(MacByte(MacText(uint8_t(b))), b);
  EXPECT_EQ(MacText(0x0A), "0A");
}

TEST(CardParams, SerialSpeedMasks) {
  const struct {
    uint32_t Mask;
    int Item;
  } toItem[] = {{1, 0}, {2, 1}, {4, 2}, {8, 3}, {16, 4}, {0, 4}, {3, 4}, {32, 4}, {0xFFFFFFFF, 4}};
  for (const auto& c : toItem) EXPECT_EQ(UartSpeedItem(c.Mask), c.Item) << c.Mask;
  const struct {
    int Item;
    uint32_t Mask;
  } toMask[] = {{-1, 0}, {0, 1}, {1, 2}, {2, 4}, {3, 8}, {4, 16}, {5, 0}};
  for (const auto& c : toMask) EXPECT_EQ(UartSpeedMask(c.Item), c.Mask) << c.Item;
}

TEST(CardParams, IndexesAndTypes) {
  TParamControls c;
  c.Line_Order = c.OE_Time = c.Shift_Frequency = c.RefreshFreq = -1;
  c.LED_Type = 1;
  TParamBlock b = BuildParamBlock(c, 0);
  for (size_t offset : {56, 58, 60, 62}) EXPECT_EQ(platform::LoadU16(b.data() + offset), 0xFFFF) << offset;
  EXPECT_EQ(platform::LoadU16(b.data() + 4), 2);  // two colours
  const TParamControls back = ControlsFromBlock(b);
  EXPECT_EQ(back.Line_Order, -1);
  EXPECT_EQ(back.RefreshFreq, -1);
  EXPECT_EQ(back.LED_Type, 1);
  // Type 0 in a block is no item.
  b[4] = 0;
  EXPECT_EQ(ControlsFromBlock(b).LED_Type, -1);
}

TEST(CardParams, ScanModeItems) {
  EXPECT_EQ(kScanModeItems.size(), 23u);
  EXPECT_EQ(kScanModeItems.front(), "1/16扫描");
  EXPECT_EQ(kScanModeItems.back(), "静态锁存G");
  const struct { int Number, Item; } cases[] = {{0, 0}, {7, 7}, {22, 22}, {23, -1}, {63, -1}, {-1, -1}};
  for (const auto& c : cases) EXPECT_EQ(ScanModeItem(c.Number), c.Item) << c.Number;
}

TEST(CardParams, CardNameKeepsItsZeroInsideTheField) {
  const std::string chinese = platform::Utf8ToGbk("显示屏");  // 6 bytes
  const struct {
    std::string Name;
    size_t Kept;
  } cases[] = {
      {"", 0},
      {std::string(31, 'a'), 31},
      {std::string(32, 'a'), 31},
      {std::string(40, 'b'), 31},
      {std::string(29, 'a') + chinese, 31},  // the first character ends at byte 31
      {std::string(30, 'a') + chinese, 30},  // it would end at byte 32: a character never splits
      {std::string(25, 'a') + chinese, 31},
      {chinese + chinese + chinese + chinese + chinese + chinese, 30},
  };
  for (const auto& c : cases) {
    TParamControls controls;
    controls.CardName = c.Name;
    const TParamBlock b = BuildParamBlock(controls, 0x11223344);
    EXPECT_EQ(ControlsFromBlock(b).CardName, c.Name.substr(0, c.Kept)) << c.Name;
    EXPECT_EQ(b[72 + 31], 0) << c.Name;
    EXPECT_EQ(platform::LoadU32(b.data() + 104), 0x11223344u) << "the stamp's low byte stays";
  }
  // A card's 32-byte name without a zero is read whole, and up to the first zero otherwise.
  TParamBlock b{};
  std::fill(b.begin() + 72, b.begin() + 104, 'n');
  b[104] = 'x';
  EXPECT_EQ(ControlsFromBlock(b).CardName, std::string(32, 'n'));
  b[80] = 0;
  EXPECT_EQ(ControlsFromBlock(b).CardName, std::string(8, 'n'));
}

TEST(CardParams, ShortBlocksReadAsZeroFilled) {
  const Bytes full = ReadFixture("params_master.bin");
  for (size_t n : {0u, 1u, 4u, 40u, 73u, 104u, 111u}) {
    Bytes shortened(full.begin(), full.begin() + long(n));
    Bytes padded = shortened;
    padded.resize(kParamBlockSize, 0);
    EXPECT_EQ(ControlsFromBlock(shortened), ControlsFromBlock(padded)) << n;
  }
}

class ParamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    // A dot in a folder name must not count as an extension.
    dir = fs::temp_directory_path() / ("editor-pam-" + std::to_string(getpid()) + ".d" + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(ParamFiles, SetExtensionKeepsAPamExtensionOfAnyCase) {
  const std::string d = dir.string() + "/";
  const struct {
    std::string In, Out;
  } cases[] = {
      {d + "a", d + "a.pam"},         {d + "a.txt", d + "a.pam"},         {d + "A.PAM", d + "A.PAM"},
      {d + "b.Pam", d + "b.Pam"},     {d + "c.pam.txt", d + "c.pam.pam"}, {d + "d.", d + "d.pam"},
      {"/x.y/name", "/x.y/name.pam"}, {"/x.y/name.pam", "/x.y/name.pam"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::SetFileExt(c.In, ".pam"), c.Out) << c.In;
}

TEST_F(ParamFiles, SaveThenReadGivesTheBlock) {
  const TParamBlock block = BuildParamBlock(ControlsFromBlock(ReadFixture("params_slave.bin")), 77);
  const std::string path = (dir / "one.pam").string();
  ASSERT_TRUE(SaveParamFile(path, block));
  EXPECT_EQ(fs::file_size(path), kParamBlockSize);
  const auto read = ReadParamFile(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, Bytes(block.begin(), block.end()));
}

TEST_F(ParamFiles, ReadingTakesAtMostABlockFromRegularFiles) {
  const auto write = [&](const char* name, size_t n) {
    const std::string path = (dir / name).string();
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i + 1);
    EXPECT_TRUE(platform::SaveFileAtomic(path, bytes.data(), n));
    return path;
  };
  EXPECT_EQ(ReadParamFile(write("40.pam", 40))->size(), 40u);
  EXPECT_EQ(ReadParamFile(write("0.pam", 0))->size(), 0u);
  const auto big = ReadParamFile(write("500.pam", 500));
  ASSERT_EQ(big->size(), kParamBlockSize);
  EXPECT_EQ(big->back(), 112);
  EXPECT_FALSE(ReadParamFile((dir / "missing.pam").string()));
  EXPECT_FALSE(ReadParamFile(dir.string()));
  EXPECT_FALSE(ReadParamFile("/dev/zero"));
  const std::string fifo = (dir / "fifo.pam").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_FALSE(ReadParamFile(fifo));
}

TEST_F(ParamFiles, AFailedSaveLeavesTheOldFile) {
  // The temporary file beside a name this long cannot be made, whoever runs the test.
  const std::string path = (dir / (std::string(248, 'o') + ".pam")).string();
  const Bytes old(112, 0x5A);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 112);
  std::string error;
  EXPECT_FALSE(SaveParamFile(path, TParamBlock{}, &error));
  EXPECT_FALSE(error.empty());
  std::string content;
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(Bytes(content.begin(), content.end()), old);
  // A folder where the file should be is never replaced.
  fs::create_directories(dir / "folder.pam");
  EXPECT_FALSE(SaveParamFile((dir / "folder.pam").string(), TParamBlock{}));
  EXPECT_TRUE(fs::is_directory(dir / "folder.pam"));
}

}  // namespace
