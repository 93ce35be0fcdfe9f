// The table object TTableObject: table, defaults, loading a table file (fixtures made by
// fixtures/make_tables.py), paint, record, and files that do not load.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "model/MessageBoxHook.h"
#include "model/objects/TableReport.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "model/tests/TempDir.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::Utf8ToGbk;
using test::Fixture;
using test::Lines;

TEST(TableObjectTable, EqualsThePartsList) {
  TTableObject table(nullptr);
  EXPECT_EQ(test::Joined(table.PropertyTable()), Utf8ToGbk(std::string(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
FileName|文件名|$000000F0
Transparent|是否透明
Method|显示方式
Speed|显示速度
True|是
False|否
)") + test::kEffectAndSpeedRows));
}

TEST(TableObjectDefaults, ANewObjectIsBlackAndWritesTheseLines) {
  TTableObject table(nullptr);
  table.SetName("TableObject0");
  EXPECT_EQ(test::ObjectText(table),
            Lines({"Object TableObject0:TTableObject", "  Height=200", "  Left=0",
                   "  Method=dmCopy", "  Name='TableObject0'", "  Speed=dsFirst", "  Tag=0",
                   "  Top=0", "  Transparent=False", "  Width=320", "End"}));
  EXPECT_TRUE(test::SamePixels(table.Picture(), TBitmap(320, 200)));
  EXPECT_EQ(table.Picture().PixelFormat(), platform::pf24bit);
}

class TTableObjectFiles : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }
  void TearDown() override { StreamContext().Reset(); }

  // The table as the table control renders it on its own.
  static TBitmap Rendered(const std::string& file) {
    TTableReport table(nullptr);
    EXPECT_TRUE(table.LoadFromFile(file));
    TBitmap b;
    EXPECT_TRUE(table.RenderToBitmap(b));
    return b;
  }

  static std::vector<uint8_t> PictureWindow(const TRecordRect& rect, const TBitmap& picture,
                                            uint16_t effect, uint16_t speed, bool transparent) {
    TProgramStream s;
    WritePictureWindow(rect, picture, effect, speed, transparent, s);
    return s.Bytes();
  }

  std::vector<std::string> shown_;
  TMessageBoxHookScope hook_{[this](std::string_view text, std::string_view, TMessageBoxIcon) {
    shown_.emplace_back(text);
  }};
  test::TTempDir dir_;
};

TEST_F(TTableObjectFiles, ATableOf410x96ResizesTheObjectAndIsPaintedAndSent) {
  const std::string file = Fixture("table_object.Tab");
  const TBitmap rendered = Rendered(file);
  ASSERT_EQ(rendered.Width(), 410);
  ASSERT_EQ(rendered.Height(), 96);
  EXPECT_TRUE(test::HasColor(rendered, platform::clRed));   // grid and first line's text
  EXPECT_TRUE(test::HasColor(rendered, platform::clLime));  // the second line's text

  TTableObject table(nullptr);
  table.SetBounds(3, 2, 320, 200);
  table.SetFileName(file);
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(table.FileName(), file);
  EXPECT_EQ(table.Left(), 3);
  EXPECT_EQ(table.Width(), 410);
  EXPECT_EQ(table.Height(), 96);
  EXPECT_TRUE(test::SamePixels(table.Picture(), rendered));

  // Opaque: the picture; larger than it, black around it.
  table.SetBounds(3, 2, 420, 100);
  TBitmap page = test::PaintedOnBlue(table, 430, 110);
  for (int y = 0; y < 110; ++y)
    for (int x = 0; x < 430; ++x) {
      platform::TColor expected = platform::clBlue;
      if (x >= 3 && x < 423 && y >= 2 && y < 102)
        expected = x < 413 && y < 98 ? rendered.GetPixel(x - 3, y - 2) : platform::clBlack;
      ASSERT_EQ(page.GetPixel(x, y), expected) << x << "," << y;
    }
  // Transparent: ORed onto the page.
  table.SetTransparent(true);
  page = test::PaintedOnBlue(table, 430, 110);
  EXPECT_EQ(page.GetPixel(3, 2), rendered.GetPixel(0, 0) | platform::clBlue);
  EXPECT_EQ(page.GetPixel(200, 60), rendered.GetPixel(197, 58) | platform::clBlue);
  EXPECT_EQ(page.GetPixel(420, 99), platform::clBlue);

  // The record carries the rendered table.
  table.SetMethod(dmTopMoveIn);
  table.SetSpeed(dsFour);
  EXPECT_EQ(test::RecordOf(table), PictureWindow({3, 2, 423, 102}, rendered, 16, 4, true));
}

TEST_F(TTableObjectFiles, ObjectTextRoundTrip) {
  TLeaf page(nullptr);
  auto* table = new TTableObject(&page);
  table->SetParent(&page);
  table->SetName("TableObject0");
  table->SetFileName(Fixture("table_object.Tab"));
  table->SetLeft(7);
  table->SetTransparent(true);
  table->SetMethod(dmRightMoveIn);
  table->SetSpeed(dsSeven);
  table->SetText(Utf8ToGbk("表格1"));
  const std::string text = test::ChildrenText(page);
  EXPECT_NE(text.find("  Width=410\r\n"), std::string::npos);
  EXPECT_NE(text.find("  Transparent=True\r\n"), std::string::npos);
  const std::vector<uint8_t> record = test::ExpectRoundTrip(page);
  EXPECT_EQ(platform::LoadU16(record.data() + 2), 1);
  EXPECT_TRUE(shown_.empty());
}

TEST_F(TTableObjectFiles, AFileThatDoesNotLoadKeepsTheSizeTurnsBlackAndSaysSoOnce) {
  const std::string wrongMagic = dir_.File("wrong.Tab");
  test::WriteFile(wrongMagic, std::string("\x56\xAA", 2) + std::string(100, '\0'));
  const std::string fifo = dir_.File("fifo.Tab");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Two cells of 40000 pixels: more than a picture holds.
  const std::string huge = dir_.File("huge.Tab");
  {
    TTableReport wide(nullptr);
    ASSERT_TRUE(wide.NewTable(2, 1, 40000, 20));
    ASSERT_TRUE(wide.SaveToFile(huge));
  }
  const std::string readError = Utf8ToGbk("打开报表错误!");
  struct TCase {
    std::string file;
    std::string message;
  } cases[] = {
      {dir_.File("missing.Tab"), readError},
      {wrongMagic, Utf8ToGbk("打开文件错误")},
      {fifo, readError},
      {Fixture("table_merge_self.Tab"), readError},  // damaged
      {huge, readError},
  };
  for (const TCase& c : cases) {
    TTableObject table(nullptr);
    table.SetFileName(Fixture("table_object.Tab"));
    ASSERT_EQ(table.Width(), 410);
    shown_.clear();
    table.SetFileName(c.file);
    EXPECT_EQ(shown_, std::vector<std::string>{c.message}) << c.file;
    EXPECT_EQ(table.FileName(), c.file);
    EXPECT_EQ(table.Width(), 410) << c.file;
    EXPECT_EQ(table.Height(), 96) << c.file;
    EXPECT_TRUE(test::SamePixels(table.Picture(), TBitmap(410, 96))) << c.file;
  }
}

TEST_F(TTableObjectFiles, AnEmptyNameTurnsThePictureBlackAtItsSize) {
  TTableObject table(nullptr);
  table.SetFileName(Fixture("table_object.Tab"));
  table.SetBounds(0, 0, 100, 50);
  table.SetFileName("");
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(table.Width(), 100);
  EXPECT_TRUE(test::SamePixels(table.Picture(), TBitmap(410, 96)));
  EXPECT_EQ(test::RecordOf(table), PictureWindow({0, 0, 100, 50}, TBitmap(410, 96), 1, 1, false));
}

}  // namespace
}  // namespace model
