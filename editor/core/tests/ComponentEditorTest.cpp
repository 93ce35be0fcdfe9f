// The property editors by class over fake dialogs, with real objects on a project's page: the
// registration rows of both tables in their order, a double-click as the main window runs it
// (double-click table first, then the property-editor table), the dialogs' filters and inputs,
// a cancelled dialog, and an object freed while its dialog was open.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "editor/core/ComponentEditor.h"
#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/Projects.h"
#include "model/FormConstructEx.h"
#include "model/MessageBoxHook.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/TimeComps.h"
#include "model/objects/rtf.h"
#include "model/objects/Texts.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/PropertyPath.h"
#include "platform/gfx/Picture.h"

namespace editor {
namespace {

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

// Pictures the model's tests made with ImageMagick.
std::string Picture(const char* name) {
  return platform::GbkPathFromOs(std::string(CORVANE_FIXTURES) + "/../../../../model/objects/tests/fixtures/" + name);
}

// Fake dialogs that can run something while a file dialog is open (the program's messages keep
// running inside a modal dialog).
class TDialogsWithWork : public test::TFakeDialogs {
 public:
  std::optional<std::string> OpenFileName(const TFileRequest& request) override {
    if (DuringDialog) DuringDialog();
    return TFakeDialogs::OpenFileName(request);
  }
  std::function<void()> DuringDialog;
};

// A count-up whose Start takes any text, which the model's own refuses.
class TCountUpStandIn : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TCountUpStandIn(platform::TComponent* owner) : TGraphicControl(owner) {}
  const std::string& Start() const { return start_; }
  void SetStart(std::string_view v) { start_ = v; }

 private:
  std::string start_;
};

const platform::TClassInfo& TCountUpStandIn::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TCountUpStandIn, platform::TGraphicControl>("TCountUp")
          .Property("Start", &TCountUpStandIn::Start, &TCountUpStandIn::SetStart)
          .Build();
  return info;
}

struct TRig {
  TRig() {
    test::PrepareModel();
    context.Dialogs = &dialogs;
    context.CurrentScreen = [this] { return root.GetScreen(0); };
    context.EditRichText = [this](const std::string& file) {
      inputs.push_back("rich " + file);
      return Next();
    };
    context.EditTextLines = [this](const std::vector<std::string>& lines, const platform::TFontDescription& font) {
      inputs.push_back("lines " + std::to_string(lines.size()));
      fonts.push_back(font);
      std::optional<std::vector<std::string>> result;
      if (std::optional<std::string> line = Next()) result = std::vector<std::string>{*line, "2"};
      return result;
    };
    context.InputDateTime = [this](platform::TDateTime initial) {
      inputs.push_back("date " + platform::FormatDateTime(initial));
      return Next();
    };
    context.EditSubCards = [this](model::TCards& cards) {
      inputs.push_back("cards");
      new model::TMultiCard(&cards);
    };
  }
  std::optional<std::string> Next() {
    if (results.empty()) return std::nullopt;
    std::optional<std::string> next = results.front();
    results.erase(results.begin());
    return next;
  }
  // What the main window does with a double-clicked object.
  bool DoubleClick(platform::TComponent* object) {
    platform::TComponentRef<platform::TComponent> target(object);
    return doubleClick.EditFirst(target.Get()) || (target && editors.EditFirst(target.Get()));
  }
  template <class T>
  T* Add() {
    model::TLeaf* page = root.GetLeaf(0, 0);
    auto* object = new T(page);
    object->SetParent(page);
    return object;
  }

  model::TMessageBoxHookScope quiet{[](std::string_view, std::string_view, model::TMessageBoxIcon) {}};
  model::TConstructer root{nullptr};
  TDialogsWithWork dialogs;
  TComponentEditorContext context;
  TPropertyDescription editors, doubleClick;
  // The input dialogs' calls and what they answer in turn (nothing: cancelled).
  std::vector<std::string> inputs;
  std::vector<platform::TFontDescription> fonts;
  std::vector<std::optional<std::string>> results;
};

struct TRow {
  const char* Class;
  const char* Property;
};

TEST(ComponentEditor, RegistrationRowsInTheirOrder) {
  TRig rig;
  {
    TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
    const std::vector<TRow> editorRows = {
        {"TMultiText", "FileName"},     {"TText", "Lines"},          {"TMultiString", "Lines"},
        {"TPhoto", "FileName"},         {"TAVIPlayer", "FileName"},  {"TCountUp", "Start"},
        {"TCountDown", "Terminal"},     {"TLEDScreen", "Cards"},     {"TWordObject", "FileName"},
        {"TStringFile", "FileName"},    {"TCampaignTime", "StartTime"}, {"TCampaignTime", "EndTime"},
        {"TCampaignTime", "CampaignTime"}, {"TTableObject", "FileName"}};
    for (const TRow& row : editorRows) {
      EXPECT_EQ(rig.editors.Exists(row.Class, row.Property), pdEditor) << row.Class;
      EXPECT_TRUE(rig.editors.EditorOf(row.Class, row.Property)) << row.Class;
      EXPECT_FALSE(rig.editors.ListOf(row.Class, row.Property)) << row.Class;
    }
    // A class's first record is the one a double-click or message runs.
    EXPECT_EQ(rig.editors.PropertyOf("TCampaignTime"), "StartTime");
    EXPECT_EQ(rig.editors.PropertyOf("TLEDScreen"), "Cards");
    for (const TRow& row : std::vector<TRow>{{"TTableObject", "FileName"}, {"TWordObject", "FileName"}}) {
      EXPECT_EQ(rig.doubleClick.Exists(row.Class, row.Property), pdEditor) << row.Class;
      EXPECT_EQ(rig.doubleClick.PropertyOf(row.Class), row.Property) << row.Class;
    }
    EXPECT_EQ(rig.doubleClick.Exists("TPhoto", ""), 0);
    EXPECT_EQ(rig.editors.Exists("TPhoto", "Stretch"), 0);
  }
  // Gone with the editor that made them.
  EXPECT_EQ(rig.editors.Exists("TPhoto", "FileName"), 0);
  EXPECT_EQ(rig.doubleClick.Exists("TTableObject", ""), 0);
}

TEST(ComponentEditor, DoubleClickingAPictureOpensThePictureDialog) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* photo = rig.Add<model::TPhoto>();
  rig.dialogs.Files = {Picture("photo.bmp")};
  EXPECT_TRUE(rig.DoubleClick(photo));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, platform::TPicture::GraphicFilter());
  EXPECT_NE(rig.dialogs.FileRequests[0].Filter.find("*.bmp"), std::string::npos);
  EXPECT_EQ(photo->FileName(), Picture("photo.bmp"));
}

TEST(ComponentEditor, FileDialogsOfTheirClasses) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* movie = rig.Add<model::TAVIPlayer>();
  auto* text = rig.Add<model::TStringFile>();
  rig.dialogs.Files = {std::string("/m/a.Avi"), std::string("/t/b.Txt")};
  EXPECT_TRUE(rig.editors.EditFirst(movie));
  EXPECT_TRUE(rig.DoubleClick(text));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 2u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, Gbk("动画文件|*.Avi"));
  EXPECT_EQ(rig.dialogs.FileRequests[0].FileName, "*.Avi");
  EXPECT_EQ(rig.dialogs.FileRequests[1].Filter, Gbk("文本文件|*.Txt"));
  EXPECT_EQ(rig.dialogs.FileRequests[1].FileName, "*.Txt");
  EXPECT_EQ(movie->FileName(), "/m/a.Avi");
  EXPECT_EQ(text->FileName(), "/t/b.Txt");
}

TEST(ComponentEditor, FileDialogsStartInTheFolderOfThePropertysFile) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* text = rig.Add<model::TStringFile>();
  rig.dialogs.Files = {std::string("/t/b.Txt"), std::nullopt};
  EXPECT_TRUE(rig.DoubleClick(text));
  EXPECT_FALSE(rig.DoubleClick(text));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 2u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].InitialDir, "");  // no file yet: the last folder
  EXPECT_EQ(rig.dialogs.FileRequests[1].InitialDir, "/t/");
  EXPECT_EQ(rig.dialogs.FileRequests[1].Filter, Gbk("文本文件|*.Txt"));
}

TEST(ComponentEditor, ACancelledDialogChangesNothing) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* photo = rig.Add<model::TPhoto>();
  photo->SetFileName(Picture("photo.jpg"));
  rig.dialogs.Files = {std::nullopt};
  EXPECT_FALSE(rig.DoubleClick(photo));
  EXPECT_EQ(photo->FileName(), Picture("photo.jpg"));
  // The inspector's button reaches the same editor through the table.
  rig.dialogs.Files = {std::nullopt};
  EXPECT_FALSE(rig.editors.EditorOf("TPhoto", "FileName")(photo, "FileName"));
}

TEST(ComponentEditor, AnObjectFreedDuringItsDialogIsLeftAlone) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* photo = rig.Add<model::TPhoto>();
  rig.dialogs.DuringDialog = [&] { delete photo; };
  rig.dialogs.Files = {std::string("/a.bmp")};
  EXPECT_FALSE(rig.DoubleClick(photo));
}

TEST(ComponentEditor, ClassesWithoutEditorsAreNotEdited) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  EXPECT_FALSE(rig.DoubleClick(rig.root.GetLeaf(0, 0)));
  EXPECT_FALSE(rig.editors.EditFirst(rig.root.GetLeaf(0, 0)));
  EXPECT_TRUE(rig.dialogs.FileRequests.empty());
  EXPECT_TRUE(rig.inputs.empty());
}

TEST(ComponentEditor, AWordObjectGetsTheFileDialog) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* word = rig.Add<model::TWordObject>();
  rig.dialogs.Files = {std::string("/d/a.Doc")};
  EXPECT_TRUE(rig.DoubleClick(word));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, Gbk("Word 文档|*.Doc"));
  EXPECT_EQ(rig.dialogs.FileRequests[0].FileName, "*.Doc");
  EXPECT_EQ(word->FileName(), "/d/a.Doc");
}

TEST(ComponentEditor, ATableObjectOpensTheTableEditorAtTheScreensSize) {
  TRig rig;
  std::vector<std::string> calls;
  rig.context.EditTable = [&](const std::string& file, int width, int height) {
    calls.push_back(file + " " + std::to_string(width) + "x" + std::to_string(height));
    return std::string("/t/new.Tab");
  };
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  rig.root.GetScreen(0)->SetScreenWidth(320);
  rig.root.GetScreen(0)->SetScreenHeight(200);
  auto* table = rig.Add<model::TTableObject>();
  table->SetFileName("/t/old.Tab");
  EXPECT_TRUE(rig.DoubleClick(table));
  EXPECT_EQ(calls, std::vector<std::string>{"/t/old.Tab 320x200"});
  EXPECT_EQ(table->FileName(), "/t/new.Tab");
  EXPECT_TRUE(rig.dialogs.FileRequests.empty());
  // The inspector's button gives the file dialog instead.
  rig.dialogs.Files = {std::string("/t/b.Tab")};
  EXPECT_TRUE(rig.editors.EditFirst(table));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, Gbk("表格文件|*.Tab"));
  EXPECT_EQ(table->FileName(), "/t/b.Tab");
}

TEST(ComponentEditor, DateTimesGoThroughTheDateTimeDialog) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* campaign = rig.Add<model::TCampaignTime>();
  auto* up = rig.Add<model::TCountUp>();
  auto* down = rig.Add<model::TCountDown>();
  campaign->SetStartTime("2024-03-03 14:05:09");
  campaign->SetEndTime("2024-03-04 00:00:00");
  up->SetStart("2020-01-02 03:04:05");
  down->SetTerminal("2030-12-31 23:59:59");
  rig.results = {"2025-01-01 08:00:00", "2021-02-03 04:05:06", std::nullopt};
  // A double-click edits the class's first record, StartTime.
  EXPECT_TRUE(rig.DoubleClick(campaign));
  EXPECT_EQ(campaign->StartTime(), "2025-01-01 08:00:00");
  EXPECT_EQ(campaign->EndTime(), "2024-03-04 00:00:00");
  EXPECT_TRUE(rig.DoubleClick(up));
  EXPECT_EQ(up->Start(), "2021-02-03 04:05:06");
  EXPECT_FALSE(rig.DoubleClick(down));  // cancelled
  EXPECT_EQ(down->Terminal(), "2030-12-31 23:59:59");
  EXPECT_EQ(rig.inputs, (std::vector<std::string>{"date 2024-03-03 14:05:09", "date 2020-01-02 03:04:05",
                                                  "date 2030-12-31 23:59:59"}));
  // The inspector's button on another record of the class.
  rig.results = {"2024-05-06 07:08:09"};
  EXPECT_TRUE(rig.editors.EditorOf("TCampaignTime", "EndTime")(campaign, "EndTime"));
  EXPECT_EQ(campaign->EndTime(), "2024-05-06 07:08:09");
}

TEST(ComponentEditor, AnUnreadableDateOpensNoDialog) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  // The model's objects refuse such a text; one that holds it all the same is left as it is.
  auto* up = rig.Add<TCountUpStandIn>();
  up->SetStart("not a date");
  rig.results = {"2021-02-03 04:05:06"};
  EXPECT_FALSE(rig.DoubleClick(up));
  EXPECT_TRUE(rig.inputs.empty());
  EXPECT_EQ(up->Start(), "not a date");
}

TEST(ComponentEditor, TextLinesOpenInTheObjectsFont) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* small = rig.Add<model::TMultiString>();
  auto* large = rig.Add<model::TMultiString>();
  auto* text = rig.Add<model::TText>();
  small->SetColor(0x00FF00);
  large->SetFont(model::fs24);
  platform::TFontDescription textFont;
  textFont.Name = "Courier";
  textFont.SetSize(20);
  textFont.Color = 0x123456;
  text->CanvasFont().SetDescription(textFont);
  rig.results = {"1", "a", std::nullopt};
  EXPECT_TRUE(rig.DoubleClick(small));
  EXPECT_TRUE(rig.DoubleClick(large));
  EXPECT_FALSE(rig.DoubleClick(text));  // abandoned
  ASSERT_EQ(rig.fonts.size(), 3u);
  EXPECT_EQ(rig.fonts[0].Name, Gbk("宋体"));
  EXPECT_EQ(rig.fonts[0].Size(), 12);
  EXPECT_EQ(rig.fonts[0].Color, 0x00FF00u);
  EXPECT_EQ(rig.fonts[1].Size(), 18);
  EXPECT_EQ(rig.fonts[1].Color, uint32_t(platform::clRed));
  EXPECT_EQ(rig.fonts[2], textFont);
  EXPECT_EQ(small->Lines().Text(), "1\r\n2\r\n");
  EXPECT_EQ(large->Lines().Text(), "a\r\n2\r\n");
  EXPECT_EQ(text->Lines().Count(), 1);  // its default line
  // The dialog was given the object's lines.
  EXPECT_EQ(rig.inputs[2], "lines 1");
}

TEST(ComponentEditor, RichTextAndSubCards) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  test::TTempFolder folder;
  const std::string file = folder.File("a.RTF");
  {
    std::ofstream(file) << "{\\rtf1 red}";
  }
  const std::string gbkFile = platform::GbkPathFromOs(file);
  auto* rich = rig.Add<model::TMultiText>();
  rig.results = {gbkFile, std::nullopt};
  EXPECT_TRUE(rig.DoubleClick(rich));
  EXPECT_EQ(rich->FileName(), gbkFile);
  EXPECT_FALSE(rig.DoubleClick(rich));  // abandoned
  EXPECT_EQ(rich->FileName(), gbkFile);
  model::TLEDScreen* screen = rig.root.GetScreen(0);
  const size_t cards = screen->Cards().SubCards().size();
  EXPECT_TRUE(rig.editors.EditFirst(screen));
  EXPECT_EQ(screen->Cards().SubCards().size(), cards + 1);
  EXPECT_EQ(rig.inputs, (std::vector<std::string>{"rich ", "rich " + gbkFile, "cards"}));
}

TEST(ComponentEditor, WithoutTheirDialogEditorsAreNotRegistered) {
  TRig rig;
  rig.context.EditRichText = nullptr;
  rig.context.EditTextLines = nullptr;
  rig.context.InputDateTime = nullptr;
  rig.context.EditSubCards = nullptr;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  // Those rows stay typed in the inspector.
  for (const TRow& row : std::vector<TRow>{{"TMultiText", "FileName"},
                                           {"TText", "Lines"},
                                           {"TMultiString", "Lines"},
                                           {"TCountUp", "Start"},
                                           {"TCountDown", "Terminal"},
                                           {"TLEDScreen", "Cards"},
                                           {"TCampaignTime", "StartTime"},
                                           {"TCampaignTime", "CampaignTime"}})
    EXPECT_EQ(rig.editors.Exists(row.Class, row.Property), 0) << row.Class << "." << row.Property;
  EXPECT_EQ(rig.editors.Exists("TPhoto", "FileName"), pdEditor);
  EXPECT_FALSE(rig.DoubleClick(rig.Add<model::TCampaignTime>()));
  EXPECT_TRUE(rig.inputs.empty());
}

}  // namespace
}  // namespace editor
