// The per-class editor tables: first match by class and property, ignoring case.
#include "editor/core/PropertyDescription.h"

#include <gtest/gtest.h>

#include "platform/component/Strings.h"

namespace editor {
namespace {

TEST(PropertyDescription, FirstRecordOfClassAndProperty) {
  TPropertyDescription table;
  std::string ran;
  auto editor = [&](const char* name) {
    return [&ran, name](platform::TObject*, const std::string& path) {
      ran = std::string(name) + ":" + path;
      return true;
    };
  };
  table.Register("TCampaignTime", "StartTime", {}, editor("start"), pdEditor);
  table.Register("TCampaignTime", "EndTime", {}, editor("end"), pdEditor);
  table.Register("TText", "Method", [](platform::TObject*, const std::string&, platform::TStrings& l) { l.Add("x"); },
                 {}, pdList);
  table.Register("TText", "Lines", {}, editor("lines"), pdEditor);

  EXPECT_EQ(table.Exists("tcampaigntime", "ENDTIME"), pdEditor);
  EXPECT_EQ(table.Exists("TCampaignTime", ""), pdEditor);
  EXPECT_EQ(table.Exists("TText", ""), pdList);
  EXPECT_EQ(table.Exists("TText", "Speed"), 0);
  EXPECT_EQ(table.Exists("TPhoto", ""), 0);
  EXPECT_EQ(table.PropertyOf("TCampaignTime"), "StartTime");
  EXPECT_EQ(table.PropertyOf("TText"), "Method");
  EXPECT_EQ(table.PropertyOf("TPhoto"), "");

  ASSERT_TRUE(table.EditorOf("TCampaignTime", "endtime"));
  EXPECT_TRUE(table.EditorOf("TCampaignTime", "endtime")(nullptr, "EndTime"));
  EXPECT_EQ(ran, "end:EndTime");
  // With an empty property: the first kind-1 record of the class, past a list record.
  table.EditorOf("TText", "")(nullptr, "Lines");
  EXPECT_EQ(ran, "lines:Lines");
  EXPECT_FALSE(table.EditorOf("TText", "Method"));
  EXPECT_FALSE(table.ListOf("TText", "Lines"));
  platform::TStringList items;
  table.ListOf("ttext", "method")(nullptr, "Method", items);
  EXPECT_EQ(items.Count(), 1);
  EXPECT_NE(&PropertyEditorTable(), &DoubleClickTable());
}

}  // namespace
}  // namespace editor
