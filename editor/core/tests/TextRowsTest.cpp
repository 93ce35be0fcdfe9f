// The inspector's rows for the real text objects, as their tables publish them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/core/Design.h"
#include "editor/core/PropertyList.h"
#include "model/objects/Texts.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace editor {
namespace {

using platform::GbkToUtf8;
using TRows = std::vector<std::string>;

TRows Rows(const TPropertyList& list) {
  TRows rows;
  for (int i = 0; i < list.ItemCount(); ++i) {
    const TPropertyNode* node = list.Items(i);
    rows.push_back(std::string(size_t(2 * list.Level(i)), ' ') + GbkToUtf8(node->Caption) + "=" +
                   GbkToUtf8(node->ValueText));
  }
  return rows;
}

// A single-line text with four properties more: twenty listed, so the table's twentieth line
// ("Fixed|固定显示") is read.
class TWiderText : public model::TText {
  DECLARE_CLASS_INFO()
  explicit TWiderText(platform::TComponent* owner) : TText(owner) {}
};

const platform::TClassInfo& TWiderText::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TWiderText, model::TText>("TWiderText")
          .Property("Extra1", [](TWiderText&) { return 1; }, nullptr)
          .Property("Extra2", [](TWiderText&) { return 2; }, nullptr)
          .Property("Extra3", [](TWiderText&) { return 3; }, nullptr)
          .Property("Extra4", [](TWiderText&) { return 4; }, nullptr)
          .Build();
  return info;
}

const TRows TextRows = {
    "名称=",
    "左上角X坐标=0",
    "左上角Y坐标=0",
    "宽度=160",
    "高度=20",
    "字体=[ 请选择字体 ]",
    "  颜色=0x000000FF",
    "  字体名=宋体",
    "  大小=12",
    "  样式=[]",
    "    粗体=否",
    "    斜体=否",
    "    下划线=否",
    "    删除线=否",
    "是否透明=是",
    "文本=[ 点击按钮编辑文字 ]",
    "显示方式=立即显示",
    "显示速度=一级速度",
};

TEST(TextRows, SingleLineTextShowsItsSixteenProperties) {
  model::TText text(nullptr);
  ASSERT_EQ(text.ClassInfo().Properties().size(), 16u);
  TPropertyList list;
  list.SetRoot(&text);
  EXPECT_EQ(Rows(list), TextRows);
  for (int i = 0; i < list.ItemCount(); ++i) {
    const std::string caption = GbkToUtf8(list.Items(i)->Caption);
    const bool red = caption == "字体" || caption == "文本";
    EXPECT_EQ(list.Items(i)->Color, red ? 0x000000F0 : 0) << caption;
  }
  EXPECT_EQ(list.Items(6)->Path, "CanvasFont.Color");
  EXPECT_EQ(list.Items(6)->Instance, &text.CanvasFont());

  // Twenty listed properties reach the twentieth line, "Fixed|固定显示", after the speed row.
  TWiderText wider(nullptr);
  list.SetRoot(&wider);
  TRows expected = TextRows;
  expected.push_back("固定显示=否");
  EXPECT_EQ(Rows(list), expected);
}

TEST(TextRows, TextAndCodeTextShareTheRowsOfTheWalk) {
  model::TText text(nullptr);
  model::TMultiString code(nullptr);
  text.SetText(platform::Utf8ToGbk("单行0"));
  TComponentCollection both;
  both.Add(&text);
  both.Add(&code);
  TPropertyList list;
  list.SetRoot(&both);
  // Nine properties both have (Height, Left, Lines, Method, Speed, Text, Top, Transparent,
  // Width; never Name): the single-line text's first nine lines are walked, and Speed is its
  // tenth.
  EXPECT_EQ(Rows(list), (TRows{"名称=单行0", "左上角X坐标=0", "左上角Y坐标=0", "宽度=160", "高度=20", "是否透明=是",
                               "文本=[ 点击按钮编辑文字 ]", "显示方式=立即显示"}));
}

}  // namespace
}  // namespace editor
