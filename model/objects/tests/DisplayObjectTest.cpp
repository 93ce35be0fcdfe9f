// The shared part of the display objects: enumerations, rows, records, painting and files.
#include "model/objects/DisplayObject.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "model/tests/TempDir.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace model {
namespace {

using platform::Utf8ToGbk;

TEST(DisplayEnums, NamesOrdinalsAndCaptions) {
  const auto& methods = TypeDisplayMethod();
  EXPECT_EQ(methods.Name(), "TDisplayMethod");
  ASSERT_EQ(methods.EnumNames().size(), 21u);
  EXPECT_EQ(platform::GetEnumName(methods, dmCopy), "dmCopy");
  EXPECT_EQ(platform::GetEnumName(methods, dmFlicker), "dmFlicker");
  EXPECT_EQ(platform::GetEnumName(methods, dmBottomToTopRollEx), "dmBottomToTopRollEx");
  EXPECT_EQ(DisplayMethodCaption(dmFlicker), Utf8ToGbk("闪  烁"));
  EXPECT_EQ(DisplayMethodCaption(dmBottomToTopRollEx), Utf8ToGbk("连续下滚"));
  EXPECT_EQ(DisplayMethodCaption(21), "");

  const auto& speeds = TypeDisplaySpeed();
  EXPECT_EQ(speeds.Name(), "TDisplaySpeed");
  ASSERT_EQ(speeds.EnumNames().size(), 8u);
  EXPECT_EQ(platform::GetEnumName(speeds, dsEight), "dsEight");
  EXPECT_EQ(DisplaySpeedCaption(dsThree), Utf8ToGbk("三级速度"));

  EXPECT_EQ(TypeFontSet().EnumNames(), (std::vector<std::string>{"fs16", "fs24"}));
  EXPECT_EQ(TypeAlignment().EnumNames(),
            (std::vector<std::string>{"taLeftJustify", "taRightJustify", "taCenter"}));

  // The card's codes: ordinal + 1.
  EXPECT_EQ(EffectCode(dmCopy), 1);
  EXPECT_EQ(EffectCode(dmBottomToTopRollEx), 21);
  EXPECT_EQ(SpeedCode(dsFirst), 1);
  EXPECT_EQ(SpeedCode(dsEight), 8);
}

TEST(DisplayRows, SharedBuildersGiveThePartsRows) {
  TTableRows rows;
  AddBoundsRows(rows);
  AddBoundsRows(rows, true);
  AddFontRows(rows, "Font");
  AddFontStyleRows(rows);
  AddBooleanRows(rows);
  const std::vector<const char*> expected = {
      "Left|左上角X坐标", "Top|左上角Y坐标", "Width|宽度",     "Height|高度",
      "Left|左上角X坐标", "Top|左上角Y坐标", "Width|宽度|",    "Height|高度|",
      "Font.Name|字体名", "Font.Color|颜色", "Font.Style|样式", "Font.Size|大小",
      "fsBold|粗体",      "fsItalic|斜体",   "fsUnderLine|下划线", "fsStrikeOut|删除线",
      "True|是",          "False|否"};
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], Utf8ToGbk(expected[i])) << i;

  TTableRows values;
  AddMethodRows(values);
  AddSpeedRows(values);
  ASSERT_EQ(values.size(), 29u);
  EXPECT_EQ(values[0], Utf8ToGbk("dmCopy|立即显示"));
  EXPECT_EQ(values[17], Utf8ToGbk("dmFlicker|闪  烁"));
  EXPECT_EQ(values[20], Utf8ToGbk("dmBottomToTopRollEx|连续下滚"));
  EXPECT_EQ(values[21], Utf8ToGbk("dsFirst|一级速度"));
  EXPECT_EQ(values[28], Utf8ToGbk("dsEight|八级速度"));

  TBasePropertyTable table;
  FillPropertyTable(table, {Utf8ToGbk("Fixed|固定显示")});
  ASSERT_EQ(table.Count(), 2);
  EXPECT_EQ(table[0], Utf8ToGbk("Text|名称"));
  EXPECT_EQ(table[1], Utf8ToGbk("Fixed|固定显示"));
}

TEST(DisplayFont, IsSongTwelvePointRedGb2312) {
  const platform::TFontDescription font = DisplayFont();
  EXPECT_EQ(font.Name, Utf8ToGbk("宋体"));
  EXPECT_EQ(font.Size(), 12);
  EXPECT_EQ(font.Height, -16);
  EXPECT_EQ(font.Color, 0x0000FFu);
  EXPECT_EQ(font.Charset, 134);
}

// A graphic control whose paint and record do what a test asks.
class TProbe : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TProbe(platform::TComponent* owner) : TGraphicControl(owner) {}
  std::function<void(platform::TCanvas&)> OnPaint;
  void Paint(platform::TCanvas& canvas) override {
    if (OnPaint) OnPaint(canvas);
  }
};

const platform::TClassInfo& TProbe::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TProbe, platform::TGraphicControl>("TProbe").Build();
  return info;
}

TEST(DisplayRecords, RectangleIsTheBounds) {
  TProbe probe(nullptr);
  probe.SetBounds(10, 20, 160, 64);
  EXPECT_EQ(ObjectRecordRect(probe), (TRecordRect{10, 20, 170, 84}));
  // Far out: the sum is made in 64 bits, so its low 16 bits are still the true ones.
  probe.SetBounds(0x7FFFFFF0, 0, 0x20, 1);
  TProgramStream s;
  WriteRecordRect(ObjectRecordRect(probe), s);
  const uint8_t* b = s.Memory();
  EXPECT_EQ(b[0] | (b[1] << 8), 0xFFF0);
  EXPECT_EQ(b[4] | (b[5] << 8), 0x0010);  // 0x80000010
}

TEST(DisplayRecords, AppendRecordTakesBackWhatFailed) {
  TProgramStream s;
  s.WriteU32(7);
  int calls = 0;
  AppendRecord(nullptr, [&](TProgramStream&) { ++calls; });
  EXPECT_EQ(calls, 0);

  AppendRecord(&s, [](TProgramStream& st) { st.WriteU32(1); });
  EXPECT_EQ(s.Size(), 8u);

  // A size the drawing layer refuses: no record, quietly.
  AppendRecord(&s, [](TProgramStream& st) {
    st.WriteU32(2);
    platform::TBitmap too(70000, 1);
  });
  EXPECT_EQ(s.Size(), 8u);

  // A stream that cannot grow is the caller's to hear about; what was written goes.
  EXPECT_THROW(AppendRecord(&s,
                            [](TProgramStream& st) {
                              st.WriteU32(3);
                              throw EStreamError("Out of memory while expanding memory stream");
                            }),
               EStreamError);
  EXPECT_EQ(s.Size(), 8u);
}

TEST(DisplayPaint, OriginAndClipFollowTheObjectAndAreRestored) {
  platform::TBitmap page(40, 30);
  platform::TCanvas canvas(page);
  TProbe probe(nullptr);
  probe.SetBounds(5, 6, 10, 8);
  platform::TRect seenClip;
  probe.OnPaint = [&](platform::TCanvas& c) {
    seenClip = c.ClipRect();
    c.Brush = {platform::clRed, platform::bsSolid};
    c.FillRect({-100, -100, 100, 100});  // only the object's rectangle takes it
  };
  PaintControl(probe, canvas);
  EXPECT_EQ(seenClip, (platform::TRect{0, 0, 10, 8}));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      EXPECT_EQ(page.GetPixel(x, y),
                x >= 5 && x < 15 && y >= 6 && y < 14 ? platform::clRed : platform::clBlack)
          << x << "," << y;
  EXPECT_EQ(canvas.Origin(), (platform::TPoint{0, 0}));
  EXPECT_EQ(canvas.ClipRect(), (platform::TRect{0, 0, 40, 30}));

  // A picture the drawing layer refuses ends the paint, not the page.
  probe.OnPaint = [](platform::TCanvas&) { platform::TBitmap b(-1, 1); };
  EXPECT_NO_THROW(PaintControl(probe, canvas));
  EXPECT_EQ(canvas.Origin(), (platform::TPoint{0, 0}));

  // Bounds from a hostile file do not overflow.
  probe.SetBounds(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF);
  probe.OnPaint = [](platform::TCanvas& c) {
    c.Brush = {platform::clLime, platform::bsSolid};
    c.FillRect({0, 0, 10, 10});
  };
  PaintControl(probe, canvas);
  EXPECT_EQ(page.GetPixel(39, 29), platform::clBlack);
}

TEST(DisplayPaint, ChildrenPaintInOrderAndHiddenOnesNot) {
  platform::TWinControl page(nullptr);
  auto* a = new TProbe(&page);
  auto* b = new TProbe(&page);
  auto* c = new TProbe(&page);
  for (TProbe* p : {a, b, c}) {
    p->SetParent(&page);
    p->SetBounds(0, 0, 4, 4);
  }
  std::string order;
  a->OnPaint = [&](platform::TCanvas&) { order += 'a'; };
  b->OnPaint = [&](platform::TCanvas&) { order += 'b'; };
  c->OnPaint = [&](platform::TCanvas&) { order += 'c'; };
  b->SetVisible(false);
  platform::TBitmap bitmap(8, 8);
  platform::TCanvas canvas(bitmap);
  PaintChildren(page, canvas);
  EXPECT_EQ(order, "ac");
}

TEST(DisplayFiles, OnlyRegularFilesAreRead) {
  test::TTempDir dir;
  std::string bytes = "x";
  EXPECT_FALSE(ReadObjectFile("", bytes));
  EXPECT_FALSE(ReadObjectFile(dir.File("missing.txt"), bytes));
  EXPECT_FALSE(ReadObjectFile(dir.Path(), bytes));  // a folder
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(ReadObjectFile(dir.File("fifo"), bytes));  // no writer: must not wait
  EXPECT_FALSE(ReadObjectFile("/dev/zero", bytes));
  EXPECT_EQ(bytes, "x");

  // The name is GBK; the file on disk has the OS's (UTF-8) name.
  const std::string osName = dir.File("文本.txt");
  std::ofstream(osName, std::ios::binary) << "\xC4\xDA\r\n";
  const std::string gbkName = Utf8ToGbk(osName);
  ASSERT_NE(gbkName, osName);
  ASSERT_TRUE(ReadObjectFile(gbkName, bytes));
  EXPECT_EQ(bytes, "\xC4\xDA\r\n");
}

}  // namespace
}  // namespace model
