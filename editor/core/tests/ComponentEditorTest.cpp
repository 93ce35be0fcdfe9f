// The property editors by class over fake dialogs, with real objects on a project's page: the
// registration rows of both tables in their order, the main window's double-click and
// property messages (double-click table first, then the property-editor table), the dialogs'
// filters, a cancelled dialog, and an object freed while its dialog was open.
#include <gtest/gtest.h>

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
#include "model/objects/Texts.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
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

struct TRig {
  TRig() {
    test::PrepareModel();
    context.Dialogs = &dialogs;
    context.CurrentScreen = [this] { return root.GetScreen(0); };
    context.OnEdited = [this](platform::TComponent& control) { edited.push_back(&control); };
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
  std::vector<platform::TComponent*> edited;
};

struct TRow {
  const char* Class;
  const char* Property;
};

TEST(ComponentEditor, RegistrationRowsInTheirOrder) {
  TRig rig;
  {
    TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
    const std::vector<TRow> editorRows = {{"TPhoto", "FileName"},       {"TAVIPlayer", "FileName"},
                                          {"TWordObject", "FileName"},  {"TStringFile", "FileName"},
                                          {"TTableObject", "FileName"}};
    for (const TRow& row : editorRows) {
      EXPECT_EQ(rig.editors.Exists(row.Class, row.Property), pdEditor) << row.Class;
      EXPECT_TRUE(rig.editors.EditorOf(row.Class, row.Property)) << row.Class;
      EXPECT_EQ(rig.editors.PropertyOf(row.Class), row.Property) << row.Class;
      EXPECT_FALSE(rig.editors.ListOf(row.Class, row.Property)) << row.Class;
    }
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
  EXPECT_TRUE(componentEditor.EditObject(*photo));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, platform::TPicture::GraphicFilter());
  EXPECT_NE(rig.dialogs.FileRequests[0].Filter.find("*.bmp"), std::string::npos);
  EXPECT_EQ(photo->FileName(), Picture("photo.bmp"));
  EXPECT_EQ(rig.edited, std::vector<platform::TComponent*>{photo});
}

TEST(ComponentEditor, FileDialogsOfTheirClasses) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* movie = rig.Add<model::TAVIPlayer>();
  auto* text = rig.Add<model::TStringFile>();
  rig.dialogs.Files = {std::string("/m/a.Avi"), std::string("/t/b.Txt")};
  EXPECT_TRUE(componentEditor.EditProperty(*movie));
  EXPECT_TRUE(componentEditor.EditObject(*text));
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 2u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, Gbk("动画文件|*.Avi"));
  EXPECT_EQ(rig.dialogs.FileRequests[0].FileName, "*.Avi");
  EXPECT_EQ(rig.dialogs.FileRequests[1].Filter, Gbk("文本文件|*.Txt"));
  EXPECT_EQ(rig.dialogs.FileRequests[1].FileName, "*.Txt");
  EXPECT_EQ(movie->FileName(), "/m/a.Avi");
  EXPECT_EQ(text->FileName(), "/t/b.Txt");
  EXPECT_EQ(rig.edited.size(), 2u);
}

TEST(ComponentEditor, ACancelledDialogChangesNothing) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  auto* photo = rig.Add<model::TPhoto>();
  photo->SetFileName(Picture("photo.jpg"));
  rig.dialogs.Files = {std::nullopt};
  EXPECT_FALSE(componentEditor.EditObject(*photo));
  EXPECT_EQ(photo->FileName(), Picture("photo.jpg"));
  EXPECT_TRUE(rig.edited.empty());
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
  EXPECT_FALSE(componentEditor.EditObject(*photo));
  EXPECT_TRUE(rig.edited.empty());
}

TEST(ComponentEditor, ClassesWithoutEditorsAreNotEdited) {
  TRig rig;
  TComponentEditor componentEditor(rig.context, rig.editors, rig.doubleClick);
  EXPECT_FALSE(componentEditor.EditObject(*rig.root.GetLeaf(0, 0)));
  EXPECT_FALSE(componentEditor.EditProperty(*rig.root.GetLeaf(0, 0)));
  EXPECT_TRUE(rig.dialogs.FileRequests.empty());
  EXPECT_TRUE(rig.edited.empty());
}

TEST(ControlIds, NumbersFindTheirControlUntilItIsFreed) {
  TControlIds ids;
  auto* a = new platform::TComponent(nullptr);
  auto* b = new platform::TComponent(nullptr);
  const TControlId ia = ids.Add(a);
  const TControlId ib = ids.Add(b);
  EXPECT_NE(ia, 0u);
  EXPECT_NE(ia, ib);
  delete b;
  EXPECT_EQ(ids.Take(ib), nullptr);
  EXPECT_EQ(ids.Take(ia), a);
  EXPECT_EQ(ids.Take(ia), nullptr);  // taken once
  EXPECT_EQ(ids.Take(12345), nullptr);
  delete a;
}

}  // namespace
}  // namespace editor
