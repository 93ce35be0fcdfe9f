#include "platform/base/SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

// Expects the values configparser read (a fixture of "section|key|value" lines) and gives how
// many there were.
int ExpectValuesOf(const TSettingsFile& f, const std::string& fixture) {
  std::istringstream expected(Read(kFixtures + "/" + fixture));
  int lines = 0;
  for (std::string line; std::getline(expected, line); ++lines) {
    size_t a = line.find('|'), b = line.find('|', a + 1);
    EXPECT_EQ(f.ReadString(line.substr(0, a), line.substr(a + 1, b - a - 1), "<none>"), line.substr(b + 1)) << line;
  }
  return lines;
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

// A settings text in memory that counts how often the file is read and written.
struct TCountedStorage {
  std::string File;
  bool Exists = true;
  int Reads = 0;
  int Writes = 0;
  bool WriteFails = false;
  TSettingsStorage Storage() {
    TSettingsStorage s;
    s.Read = [this](const std::string&, std::string& content) {
      ++Reads;
      content = File;
      return Exists;
    };
    s.Write = [this](const std::string&, std::string_view content) {
      ++Writes;
      if (WriteFails) return false;
      File = std::string(content);
      return true;
    };
    return s;
  }
};

TEST(SettingsFile, TheFileIsReadOnceAndWrittenOnceWhenSaved) {
  TCountedStorage disk;
  disk.File = "[Param]\r\nMaximized=0\r\nLeft=3\r\n";
  TSettingsFile settings("Param.ini", disk.Storage());
  TSettingsFile dialog = settings;  // a window's copy shares the text
  EXPECT_EQ(disk.Reads, 0) << "read at the first use";
  EXPECT_EQ(settings.ReadInteger("Param", "Maximized", 1), 0);
  EXPECT_EQ(dialog.ReadInteger("Param", "Left", 0), 3);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(settings.ReadInteger("Param", "Width", 640), 640);
  settings.WriteInteger("Param", "Left", 10);
  settings.WriteInteger("Param", "Width", 800);
  dialog.WriteString("Param", "CardIPAddress", "127.0.0.1");
  settings.WriteString("Auto Save", "Files", "/p/a.fmt");
  EXPECT_EQ(dialog.ReadInteger("Param", "Width", 0), 800);
  EXPECT_EQ(settings.ReadString("Param", "CardIPAddress", ""), "127.0.0.1");
  EXPECT_EQ(disk.Reads, 1);
  EXPECT_EQ(disk.Writes, 0);
  EXPECT_TRUE(settings.Modified());

  ASSERT_TRUE(settings.Save());
  EXPECT_EQ(disk.Writes, 1);
  EXPECT_EQ(disk.File, "[Param]\r\nMaximized=0\r\nLeft=10\r\nWidth=800\r\nCardIPAddress=127.0.0.1\r\n"
                       "[Auto Save]\r\nFiles=/p/a.fmt\r\n");
  EXPECT_FALSE(dialog.Modified());
  // Nothing changed since: no write, also for a value written as it stands.
  dialog.WriteInteger("Param", "Width", 800);
  ASSERT_TRUE(dialog.Save());
  EXPECT_EQ(disk.Writes, 1);
  EXPECT_EQ(disk.Reads, 1);

  // A failed save keeps the changes for the next one.
  disk.WriteFails = true;
  settings.WriteInteger("Param", "Top", 4);
  EXPECT_FALSE(settings.Save());
  EXPECT_TRUE(settings.Modified());
  disk.WriteFails = false;
  ASSERT_TRUE(settings.Save());
  EXPECT_EQ(disk.Writes, 3);
  EXPECT_TRUE(TSettingsFile::Lookup(disk.File, "Param", "Top", nullptr));
}

TEST(SettingsFile, AFileThatCannotBeReadIsNeverReplaced) {
  TCountedStorage disk;
  disk.Exists = false;  // there, but not readable
  disk.File = "[Param]\r\nLeft=3\r\n";
  TSettingsFile settings("Param.ini", disk.Storage());
  EXPECT_EQ(settings.ReadInteger("Param", "Left", 7), 7);
  settings.WriteInteger("Param", "Left", 1);
  EXPECT_EQ(settings.ReadInteger("Param", "Left", 7), 1);
  EXPECT_FALSE(settings.Save());
  EXPECT_EQ(disk.Writes, 0);

  TempDir dir;
  TSettingsFile aFolder(dir.path.string());
  aFolder.WriteInteger("Param", "Left", 1);
  EXPECT_FALSE(aFolder.Save());
  EXPECT_TRUE(fs::is_directory(dir.path));
  TSettingsFile intoMissingFolder((dir.path / "no" / "Param.ini").string());
  intoMissingFolder.WriteInteger("Param", "Left", 1);
  EXPECT_FALSE(intoMissingFolder.Save());
  TSettingsFile none;
  none.WriteInteger("Param", "Left", 1);
  EXPECT_EQ(none.ReadInteger("Param", "Left", 0), 1);
  EXPECT_FALSE(none.Save());
}

TEST(SettingsFile, AWriteChangesOneLineAndKeepsTheRest) {
  TempDir dir;
  std::string path = (dir.path / "Param.ini").string();
  Write(path, "; kept\r\n[Param]\r\nLeft = 3\r\nTop=4\r\n\r\n[Table]\r\nRow=2\r\n");
  TSettingsFile f(path);
  f.WriteInteger("param", "LEFT", 10);
  ASSERT_TRUE(f.Save());
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\n\r\n[Table]\r\nRow=2\r\n");
  f.WriteString("Param", "Width", "640");  // new key: end of its section
  ASSERT_TRUE(f.Save());
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\nWidth=640\r\n\r\n[Table]\r\nRow=2\r\n");
  f.WriteString("Auto Save", "Files", "a,b");  // new section: end of the file
  ASSERT_TRUE(f.Save());
  EXPECT_EQ(Read(path), "; kept\r\n[Param]\r\nLeft=10\r\nTop=4\r\nWidth=640\r\n\r\n[Table]\r\nRow=2\r\n"
                        "[Auto Save]\r\nFiles=a,b\r\n");

  // A file with LF only and no final line end keeps its style.
  EXPECT_EQ(TSettingsFile::SetValue("[Param]\nTop=4", "Param", "Left", "1"), "[Param]\nTop=4\nLeft=1\n");
  EXPECT_EQ(TSettingsFile::SetValue("[Param]\nTop=4\nLeft=1\n", "Param", "Top", "5"), "[Param]\nTop=5\nLeft=1\n");
}

// Line breaks in what is written never make lines of their own: no key is added but the one
// written, and it reads back without them.
TEST(SettingsFile, LineBreaksInAWriteCannotAddKeys) {
  TSettingsFile f;
  f.WriteString("Table", "Col", "two\r\nlines");
  f.WriteString("Param", "Left\r\nInjected", "1\nAlso=2");
  f.WriteString("Param]\r\n[Other", "Key", "3");
  EXPECT_EQ(f.ReadString("Table", "Col", ""), "twolines");
  EXPECT_EQ(f.ReadString("Param", "LeftInjected", ""), "1Also=2");
  EXPECT_FALSE(f.ValueExists("Param", "Injected"));
  EXPECT_FALSE(f.ValueExists("Param", "Also"));
  EXPECT_FALSE(f.ValueExists("Other", "Key"));
  const std::string text = TSettingsFile::SetValue("[Param]\r\nTop=1\r\n", "Param", "Left\nX", "1\r\nY=2");
  EXPECT_EQ(text, "[Param]\r\nTop=1\r\nLeftX=1Y=2\r\n");
}

// What a run writes into its memory reads back the same from the saved text: the lines a write
// touches are split as a fresh read would split them.
TEST(SettingsFile, WrittenTextReadsBackAsSaved) {
  const char* texts[] = {"",
                         "[Param]",
                         "[Param]\r\nTop=1",
                         "[Param]\r\nTop=1\r",
                         "[Param]\nTop=1\n\n\n[Table]\nRow=2",
                         "x=1\r\n[Param]\r\n\r\n[param]\r\nLeft=9\r\n[Table]\r\n",
                         "; only a comment"};
  const std::pair<const char*, const char*> keys[] = {{"Param", "Left"}, {"Table", "Row"}, {"Param", "Top"},
                                                      {"Auto Save", "Files"}, {"Param", "Left"}};
  for (const char* start : texts) {
    TCountedStorage disk;
    disk.File = start;
    TSettingsFile f("Param.ini", disk.Storage());
    int n = 0;
    for (const auto& [section, key] : keys) f.WriteString(section, key, "v" + std::to_string(n++) + " x");
    ASSERT_TRUE(f.Save());
    for (const auto& [section, key] : keys) {
      std::string saved = "<none>";
      TSettingsFile::Lookup(disk.File, section, key, &saved);
      EXPECT_EQ(f.ReadString(section, key, "<none>"), saved) << start << " " << section << "/" << key;
    }
    // Writing the same keys again into the saved text gives the same bytes.
    std::string again = start;
    n = 0;
    for (const auto& [section, key] : keys) again = TSettingsFile::SetValue(again, section, key, "v" + std::to_string(n++) + " x");
    EXPECT_EQ(again, disk.File) << start;
  }
}

TEST(SettingsFile, ThreadsShareOneText) {
  TSettingsFile settings;
  settings.WriteInteger("Param", "AutoDownLoad", 1);
  TSettingsFile listener = settings;
  std::thread reader([&] {
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(listener.ReadInteger("Param", "AutoDownLoad", 0), 1);
  });
  for (int i = 0; i < 1000; ++i) settings.WriteInteger("Param", "Tip", i);
  reader.join();
  EXPECT_EQ(listener.ReadInteger("Param", "Tip", 0), 999);
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
  ASSERT_TRUE(ours.Save());
  EXPECT_EQ(Read(path), Read(kFixtures + "/ours.ini"));
  EXPECT_EQ(ExpectValuesOf(ours, "expected_from_ours.txt"), 7);
}

// A file edited by hand may end its lines in CR LF, LF or a lone CR: each ends a line where the
// file is split and looked up, and a key added after a line ending in a lone CR is a line of its
// own. Found by fuzzing: "[Param" and a CR (the committed input) lost the key written to it.
TEST(SettingsFile, ALoneCrEndsALineAsCrLfAndLfDo) {
  TSettingsFile found(kFixtures + "/lone_cr_found_by_fuzzing.ini");
  EXPECT_EQ(Read(found.Path()), "[Param\r");
  found.WriteString("Param", "Left", "1,2=3");
  EXPECT_EQ(found.ReadString("Param", "Left", ""), "1,2=3");
  EXPECT_EQ(TSettingsFile::SetValue("[Param\r", "Param", "Left", "1,2=3"), "[Param\rLeft=1,2=3\r");

  struct TCase {
    const char* Text;
    const char* Written;  // after Left=7 is set in [Param]
  } cases[] = {
      {"[Param]\r\nTop=1\r", "[Param]\r\nTop=1\rLeft=7\r\n"},
      {"[Param]\rTop=1\r", "[Param]\rTop=1\rLeft=7\r"},
      {"[Param]\rTop=1", "[Param]\rTop=1\rLeft=7\r"},
      {"[Param]\nTop=1\r\r\n", "[Param]\nTop=1\rLeft=7\r\n\r\n"},
      {"[Table]\rRow=2\r", "[Table]\rRow=2\r[Param]\rLeft=7\r"},
      {"[Param]\rTop=1\rLeft=3\r[Table]\r", "[Param]\rTop=1\rLeft=7\r[Table]\r"},
  };
  for (const auto& c : cases) {
    const std::string written = TSettingsFile::SetValue(c.Text, "Param", "Left", "7");
    EXPECT_EQ(written, c.Written) << c.Text;
    std::string value;
    EXPECT_TRUE(TSettingsFile::Lookup(written, "Param", "Left", &value)) << c.Text;
    EXPECT_EQ(value, "7") << c.Text;
    if (TSettingsFile::Lookup(c.Text, "Param", "Top", &value)) {
      EXPECT_EQ(value, "1") << c.Text;
    }
  }
}

// Oracle: configparser reads lines as Python's universal newlines split them.
TEST(SettingsFile, MixedLineEndsAgreeWithConfigparser) {
  const TSettingsFile theirs(kFixtures + "/mixed_line_ends.ini");
  EXPECT_EQ(ExpectValuesOf(theirs, "expected_from_mixed.txt"), 4);

  // What our writer makes of it, read back by configparser.
  TempDir dir;
  const std::string path = (dir.path / "mixed.ini").string();
  Write(path, Read(kFixtures + "/mixed_line_ends.ini"));
  TSettingsFile ours(path);
  ours.WriteString("Param", "Width", "800");
  ours.WriteString("Table", "Row", "4");
  ours.WriteString("Table", "Col", "2");
  ours.WriteString("Auto Save", "Files", "/p/a.fmt");
  ASSERT_TRUE(ours.Save());
  EXPECT_EQ(Read(path), Read(kFixtures + "/mixed_written.ini"));
  EXPECT_EQ(ExpectValuesOf(ours, "expected_from_mixed_written.txt"), 6);
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
