// The inspector's rows: which properties show, in which order, with which captions, colours and
// value texts, for one object and for a multi-selection; open and closed rows; refresh; freed
// objects.
#include "editor/core/PropertyList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "editor/core/Design.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "model/objects/Temperature.h"
#include "model/objects/Texts.h"
#include "platform/base/DateTime.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::GbkToUtf8;
using test::SetRows;
using test::TDated;
using test::TPlain;
using test::TSample;

// The visible rows as "caption=value", indented two blanks per level, in UTF-8.
std::vector<std::string> Rows(const TPropertyList& list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list.ItemCount(); ++i) {
    const TPropertyNode* node = list.Items(i);
    rows.push_back(std::string(size_t(2 * list.Level(i)), ' ') + GbkToUtf8(node->Caption) + "=" +
                   GbkToUtf8(node->ValueText));
  }
  return rows;
}

using TRows = std::vector<std::string>;

TEST(PropertyList, RowsFollowTheTableWithinTheCountOfProperties) {
  struct TCase {
    const char* what;
    std::initializer_list<const char*> table;
    TRows rows;
  };
  // TSample lists 12 properties.
  const TCase cases[] = {
      {"only the listed rows, in table order", {"Text|名称", "Left|左上角X坐标"}, {"名称=abc", "左上角X坐标=3"}},
      {"a caption equal to the name hides the property",
       {"Text|名称", "Left|Left", "Top|左上角Y坐标"},
       {"名称=abc", "左上角Y坐标=4"}},
      {"line 12 is still read",
       {"Left|X", "1|a", "2|b", "3|c", "4|d", "5|e", "6|f", "7|g", "8|h", "9|i", "10|j", "Text|名称"},
       {"X=3", "名称=abc"}},
      {"line 13 is not",
       {"Left|X", "1|a", "2|b", "3|c", "4|d", "5|e", "6|f", "7|g", "8|h", "9|i", "10|j", "11|k", "Text|名称"},
       {"X=3"}},
      {"a dotted row never shows at the top", {"Font.Size|大小", "Text|名称"}, {"名称=abc"}},
      {"a dotted row shows under its object's row",
       {"Font|字体|$000000F0", "Font.Size|大小", "Font.Name|字体名", "TFont| 请选择字体 "},
       {"字体=[ 请选择字体 ]", "  字体名=宋体", "  大小=12"}},
      {"colour as eight hex digits, Boolean by its caption",
       {"Color|颜色", "Flag|标志", "True|是", "False|否"},
       {"颜色=0x000000FF", "标志=是"}},
      {"an empty set, every element false",
       {"Shades|深浅", "shLight|浅", "shDark|深", "False|否"},
       {"深浅=[]", "  浅=否", "  shMiddle=否", "  深=否"}},
      {"no table rows: nothing", {}, {}},
  };
  for (const TCase& c : cases) {
    TSample sample(nullptr);
    sample.SetText("abc");
    sample.SetBounds(3, 4, 10, 10);
    sample.SetColor(255);
    sample.SetFlag(true);
    sample.Font().SetName(platform::Utf8ToGbk("宋体"));
    sample.Font().SetSize(12);
    SetRows(sample.PropertyTable(), c.table);
    TPropertyList list;
    list.SetRoot(&sample);
    EXPECT_EQ(Rows(list), c.rows) << c.what;
  }
}

TEST(PropertyList, ValueTextsOfEveryKind) {
  TDated dated(nullptr);
  dated.SetWhen(*platform::EncodeDateTime({2006, 3, 21, 12, 0, 0, 0}));
  dated.SetLevel(200);
  dated.SetSeconds(4000000000u);
  dated.SetShade(2);
  dated.SetText(std::string(300, 'x'));
  SetRows(dated.PropertyTable(), {"When|时间", "Level|级别|$00808000", "Seconds|秒", "Shade|色调", "shDark|深",
                                  "Missing|字体", "TFont| 请选择字体 ", "Text|名称", "OnChange|事件"});
  TPropertyList list;
  list.SetRoot(&dated);
  EXPECT_EQ(Rows(list), (TRows{"时间=2006-03-21 12:00:00", "级别=200", "秒=4000000000", "色调=深",
                               "字体= 请选择字体 ", "名称=" + std::string(300, 'x')}));
  // Paths, colours and read-only flags.
  EXPECT_EQ(list.Items(1)->Path, "Level");
  EXPECT_EQ(list.Items(1)->Color, 0x00808000);
  EXPECT_EQ(list.Items(0)->Color, 0);
  EXPECT_TRUE(list.Items(4)->ReadOnly);  // a missing object
  EXPECT_FALSE(list.Items(5)->ReadOnly);
  EXPECT_EQ(list.Items(5)->Instance, &dated);
  ASSERT_NE(list.Header(), nullptr);
  EXPECT_EQ(list.Header()->ValueText, "[TDated]");
}

TEST(PropertyList, OpenClosedCountsAndLevels) {
  TSample sample(nullptr);
  sample.SetShades(0b101);
  SetRows(sample.PropertyTable(), {"Font|字体", "Font.Style|样式", "Font.Color|颜色", "fsBold|粗体", "Shades|深浅",
                                   "shLight|浅", "True|是", "False|否"});
  TPropertyList list;
  list.SetRoot(&sample);
  // Font (open) > Color, Style (open) > 4 elements; Shades (open) > 3 elements.
  EXPECT_EQ(list.ItemCount(), 11);
  EXPECT_EQ(list.ItemMaxCount(), 11);
  EXPECT_EQ(Rows(list)[4], "    fsItalic=否");
  EXPECT_EQ(list.Level(3), 2);
  EXPECT_EQ(list.Items(3)->State, nsElement);
  EXPECT_EQ(list.Items(3)->Element, 0);
  EXPECT_EQ(Rows(list)[7], "深浅=[浅,shDark]");
  EXPECT_EQ(Rows(list)[10], "  shDark=是");

  // Closing the style row hides its elements, not from the maximum.
  list.Items(2)->State = nsClosed;
  EXPECT_EQ(list.ItemCount(), 7);
  EXPECT_EQ(list.ItemMaxCount(), 11);
  EXPECT_EQ(GbkToUtf8(list.Items(3)->Caption), "深浅");
  list.Items(0)->State = nsClosed;
  EXPECT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(list.Items(5), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);

  // Refresh keeps the states and reads the values again.
  sample.Font().SetStyle(platform::TFontStyles(1));
  sample.SetShades(0);
  list.Refresh();
  EXPECT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(Rows(list)[1], "深浅=[]");
  list.Items(0)->State = nsOpen;
  EXPECT_EQ(Rows(list)[2], "  样式=[粗体]");
  // A new root (the same one too) starts over.
  list.SetRoot(&sample);
  EXPECT_EQ(list.ItemCount(), 11);
}

TEST(PropertyList, CaptionAndColourLookups) {
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"NoBar", "Font.Size|大小|$000000F0", "font.size|另一个", "Text|名称|green"});
  TPropertyList list;
  EXPECT_EQ(list.CaptionOf("Font.", "Size"), "Size");  // no root, no table
  list.SetRoot(&sample);
  EXPECT_EQ(GbkToUtf8(list.CaptionOf("FONT.", "size")), "大小");
  EXPECT_EQ(list.ColorOf("Font.", "Size"), 0xF0);
  EXPECT_EQ(list.ColorOf("", "Text"), 0);  // not a number
  EXPECT_EQ(list.CaptionOf("", "NoBar"), "NoBar");
  EXPECT_EQ(list.CaptionOf("Font.", "Name"), "Name");
  TDated other(nullptr);
  SetRows(other.PropertyTable(), {"Font.Size|字号"});
  EXPECT_EQ(GbkToUtf8(list.CaptionOf("Font.", "Size", &other)), "字号");
}

TEST(PropertyList, MultiSelectionShowsCommonPropertiesOfOneTypeNeverName) {
  TSample sample(nullptr);
  TPlain plain(nullptr);
  sample.SetText("s");
  sample.SetColor(0xFF);
  plain.SetText("p");
  // Text and Color are common; Flag is Boolean here and a string there; Left has no row in
  // TPlain; Name is never shown.
  SetRows(sample.PropertyTable(), {"Name|名字", "Text|名称", "Flag|标志", "Color|颜色", "Left|X"});
  SetRows(plain.PropertyTable(), {"Name|名字", "Color|颜色", "Flag|标志", "Text|名称"});
  TComponentCollection both;
  both.Add(&sample);
  both.Add(&plain);
  TPropertyList list;
  list.SetRoot(&both);
  // Two common properties: the first two lines of the first member's table are walked, and
  // only "Text" of them is common.
  EXPECT_EQ(Rows(list), (TRows{"名称=s"}));
  EXPECT_EQ(list.Items(0)->Instance, &sample);

  // With the common lines first, both show, valued from the first member.
  SetRows(sample.PropertyTable(), {"Color|颜色", "Text|名称", "Name|名字", "Flag|标志"});
  list.SetRoot(&both);
  EXPECT_EQ(Rows(list), (TRows{"颜色=0x000000FF", "名称=s"}));
  EXPECT_EQ(list.Targets(), (std::vector<platform::TObject*>{&sample, &plain}));

  // Same name, other type: TDated's Shade is a TShade, TPlain's a TTone.
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Shade|色调", "Text|名称"});
  SetRows(plain.PropertyTable(), {"Text|名称", "Shade|色调"});
  TComponentCollection mixed;
  mixed.Add(&plain);
  mixed.Add(&dated);
  list.SetRoot(&mixed);
  EXPECT_EQ(Rows(list), (TRows{"名称=p"}));
}

// The real display classes: a temperature's Method is its scale, a text's Method its way of
// showing, two types of one name, so a selection of both never offers the scale.
TEST(PropertyList, ATemperatureAndATextShowNoScaleRow) {
  model::TTemperature temperature(nullptr);
  model::TText text(nullptr);
  const auto hasScale = [](const TRows& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const std::string& row) { return row.starts_with("温度格式="); });
  };
  TPropertyList list;
  list.SetRoot(&temperature);
  EXPECT_TRUE(hasScale(Rows(list)));
  for (bool temperatureFirst : {true, false}) {
    TComponentCollection both;
    both.Add(temperatureFirst ? static_cast<platform::TControl*>(&temperature) : &text);
    both.Add(temperatureFirst ? static_cast<platform::TControl*>(&text) : &temperature);
    list.SetRoot(&both);
    const TRows rows = Rows(list);
    EXPECT_FALSE(hasScale(rows)) << temperatureFirst;
    EXPECT_FALSE(rows.empty()) << "what both have still shows";
  }
}

TEST(PropertyList, FreedRootOrMemberLeavesNoRowBehind) {
  auto* page = new platform::TWinControl(nullptr);
  auto* a = new TSample(page);
  auto* b = new TSample(page);
  a->SetText("a");
  b->SetText("b");
  for (TSample* s : {a, b}) SetRows(s->PropertyTable(), {"Text|名称"});
  TComponentCollection both;
  both.Add(a);
  both.Add(b);
  TPropertyList list;
  int told = 0;
  list.OnRowsFreed = [&] { ++told; };
  list.SetRoot(&both);
  EXPECT_EQ(Rows(list), (TRows{"名称=a"}));
  delete a;
  EXPECT_EQ(told, 1);
  EXPECT_EQ(list.Root(), &both);
  EXPECT_EQ(Rows(list), (TRows{"名称=b"}));
  EXPECT_EQ(list.Items(0)->Instance, b);

  list.SetRoot(b);
  delete page;
  EXPECT_EQ(told, 2);
  EXPECT_EQ(list.Root(), nullptr);
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_EQ(list.Items(0), nullptr);
  list.Refresh();  // nothing to read
}

}  // namespace
}  // namespace editor
