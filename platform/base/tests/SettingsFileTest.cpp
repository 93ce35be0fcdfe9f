#include "platform/base/SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/AtomicFile.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/settingsXXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
};

std::string Read(const std::string& path) {
  std::string content;
  ReadWholeFile(path, content);
  return content;
}

void Write(const std::string& path, std::string_view text) { SaveFileAtomic(path, text.data(), text.size()); }

const std::string kFixtures = CORVANE_FIXTURES;

// The writes that make fixtures/ours.ini, in order.
void WriteOurs(TSettingsFile& f) {
  f.WriteInteger("Param", "Maximized", 0);
  f.WriteInteger("Param", "Left", -8);
  f.WriteString("Param", "ObjectList Height", "160");
  f.WriteString("Auto Save", "Files", "/tmp/a b.fmt,/tmp/c=d.fmt");
  f.WriteString("Param", "CardIPAddress", "127.0.0.1");
  f.WriteString("Table", "LineColor", "65280");
  f.WriteInteger("param", "maximized", 1);  // the first spelling stays
  f.WriteString("Param", "Tip", "\xC4\xE3\xBA\xC3");  // GBK "你好"
}

}  // namespace

TEST(SettingsFile, ReadsAsTheRulesSay) {
  const std::string text =
      "Stray=before any section\r\n"
      "[Param]\r\n"
      "  Maximized = 0  \r\n"
      "ObjectList Height=212\r\n"
      "maximized=1\r\n"  // a duplicate: the first wins
      "Bad=12abc\r\n"
      "Hex=$1F\r\n"
      "Big=99999999999999999999\r\n"
      "Empty=\r\n"
      "[Auto Save]\n"  // LF alone ends lines too
      "Files=a,b,c,d,e\n"
      "Eq=x=y\n"
      "[PARAM]\n"
      "Tip=7\n";
  struct TCase {
    const char* Section;
    const char* Key;
    bool Found;
    const char* Value;
  } cases[] = {
      {"Param", "Maximized", true, "0"},
      {"PARAM", "MAXIMIZED", true, "0"},
      {"Param", "objectlist height", true, "212"},
      {"Param", "ObjectListHeight", false, ""},
      {"Param", "Empty", true, ""},
      {"Auto Save", "Files", true, "a,b,c,d,e"},
      {"auto save", "Eq", true, "x=y"},
      {"Param", "Stray", false, ""},
      {"Param", "Tip", false, ""},  // only the first [Param] counts
      {"Missing", "Maximized", false, ""},
  };
  for (const auto& c : cases) {
    std::string value;
    EXPECT_EQ(TSettingsFile::Lookup(text, c.Section, c.Key, &value), c.Found) << c.Section << "/" << c.Key;
    if (c.Found) {
      EXPECT_EQ(value, c.Value) << c.Section << "/" << c.Key;
    }
  }

  TempDir dir;
  std::string path = (dir.path / "Param.ini").string();
  Write(path, text);
  TSettingsFile f(path);
  EXPECT_EQ(f.ReadInteger("Param", "Maximized", 5), 0);
  EXPECT_EQ(f.ReadInteger("Param", "Bad", 5), 5);
  EXPECT_EQ(f.ReadInteger("Param", "Hex", 5), 31);
  EXPECT_EQ(f.ReadInteger("Param", "Big", 5), 5);
  EXPECT_EQ(f.ReadInteger("Param", "Empty", 5), 5);
  EXPECT_EQ(f.ReadInteger("Param", "Nothing", -3), -3);
  EXPECT_EQ(f.ReadString("Auto Save", "Files", ""), "a,b,c,d,e");
  EXPECT_TRUE(f.ValueExists("param", "EMPTY"));

  TSettingsFile missing((dir.path / "none.ini").string());
  EXPECT_EQ(missing.ReadInteger("Param", "Width", 640), 640);
  EXPECT_EQ(missing.ReadString("Param", "X", "d"), "d");
}

TEST(SettingsFile, AWriteChangesOneLineAndKeepsTheRest) {
  TempDir dir;
  std::string path = (dir.path / "Param.ini").string();
  Write(path, "; kept\r\n[Param]\r\nLeft = 3\r\nTop=4\r\n\r\n[Table]\r\nRow=2\r\n");
  TSettingsFile f(path);
  ASSERT_TRUE(f.WriteInteger("param", "LEFT", 10));
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\n\r\n[Table]\r\nRow=2\r\n");
  ASSERT_TRUE(f.WriteString("Param", "Width", "640"));  // new key: end of its section
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\nWidth=640\r\n\r\n[Table]\r\nRow=2\r\n");
  ASSERT_TRUE(f.WriteString("Auto Save", "Files", "a,b"));  // new section: end of the file
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\nWidth=640\r\n\r\n[Table]\r\nRow=2\r\n"
                        "[Auto Save]\r\nFiles=a,b\r\n");
  ASSERT_TRUE(f.WriteString("Table", "Col", "two\r\nlines"));  // a value never splits into lines
  EXPECT_EQ(f.ReadString("Table", "Col", ""), "twolines");

  // A file with LF only and no final line end keeps its style.
  Write(path, "[Param]\nTop=4");
  ASSERT_TRUE(f.WriteInteger("Param", "Left", 1));
  EXPECT_EQ(Read(path), "[Param]\nTop=4\nLeft=1\n");
  ASSERT_TRUE(f.WriteInteger("Param", "Top", 5));
  EXPECT_EQ(Read(path), "[Param]\nTop=5\nLeft=1\n");
}

TEST(SettingsFile, TwoWritersOfOneFileKeepEachOthersKeys) {
  TempDir dir;
  std::string path = (dir.path / "Param.ini").string();
  TSettingsFile mainWindow(path), cardDialog(path);
  ASSERT_TRUE(mainWindow.WriteInteger("Param", "Width", 800));
  ASSERT_TRUE(cardDialog.WriteString("Param", "CardIPAddress", "127.0.0.1"));
  ASSERT_TRUE(mainWindow.WriteInteger("Param", "Height", 600));
  EXPECT_EQ(cardDialog.ReadInteger("Param", "Width", 0), 800);
  EXPECT_EQ(mainWindow.ReadString("Param", "CardIPAddress", ""), "127.0.0.1");
  EXPECT_EQ(mainWindow.ReadInteger("Param", "Height", 0), 600);
}

TEST(SettingsFile, AFailedWriteLeavesTheFileAsItWas) {
  TempDir dir;
  TSettingsFile intoMissingFolder((dir.path / "no" / "Param.ini").string());
  EXPECT_FALSE(intoMissingFolder.WriteInteger("Param", "Left", 1));
  TSettingsFile aFolder(dir.path.string());
  EXPECT_FALSE(aFolder.WriteInteger("Param", "Left", 1));
  EXPECT_TRUE(fs::is_directory(dir.path));
}

// Oracle: Python's configparser (fixtures/make_settings_fixtures.py).
TEST(SettingsFile, AgreesWithConfigparser) {
  TSettingsFile theirs(kFixtures + "/written_by_configparser.ini");
  EXPECT_EQ(theirs.ReadInteger("Param", "Maximized", 1), 0);
  EXPECT_EQ(theirs.ReadInteger("Param", "ObjectList Height", 0), 212);
  EXPECT_EQ(theirs.ReadInteger("Param", "Menu Three Left", 0), -5);
  EXPECT_EQ(theirs.ReadString("Param", "CardIPAddress", ""), "127.0.0.1");
  EXPECT_EQ(theirs.ReadString("Auto Save", "Files", ""), "/tmp/a b.fmt,/tmp/c=d.fmt,/tmp/e.fmt");
  EXPECT_EQ(theirs.ReadInteger("Table", "LineColor", 0), 0xFF00);
  EXPECT_EQ(theirs.ReadInteger("Table", "Row", 0), 16);

  TempDir dir;
  std::string path = (dir.path / "ours.ini").string();
  TSettingsFile ours(path);
  WriteOurs(ours);
  EXPECT_EQ(Read(path), Read(kFixtures + "/ours.ini"));
  std::istringstream expected(Read(kFixtures + "/expected_from_ours.txt"));
  int lines = 0;
  for (std::string line; std::getline(expected, line); ++lines) {
    size_t a = line.find('|'), b = line.find('|', a + 1);
    EXPECT_EQ(ours.ReadString(line.substr(0, a), line.substr(a + 1, b - a - 1), "<none>"), line.substr(b + 1)) << line;
  }
  EXPECT_EQ(lines, 7);
}

TEST(SettingsFile, IntegersParseAsTheReaderSays) {
  struct TCase {
    const char* Text;
    bool Ok;
    int64_t Value;
  } cases[] = {{"0", true, 0},         {"-12", true, -12},  {"+7", true, 7},     {" 42 ", true, 42},
               {"$ff", true, 255},     {"0x10", true, 16},  {"-$10", true, -16}, {"", false, 0},
               {"-", false, 0},        {"12abc", false, 0}, {"1.5", false, 0},   {"$", false, 0},
               {"9223372036854775807", true, INT64_MAX},    {"-9223372036854775808", true, INT64_MIN},
               {"9223372036854775808", false, 0}};
  for (const auto& c : cases) {
    int64_t v = 0;
    EXPECT_EQ(ParseSettingsInteger(c.Text, v), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(v, c.Value) << c.Text;
    }
  }
}
