// The project dialog and the sub-card dialog over a recording list, with the editor's own
// inspector on a recording window, a program directory of the test's own and a registry of the
// project tree's classes.
#include "editor/core/ProjectForm.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "editor/core/tests/Projects.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace editor {
namespace {

using model::TLEDScreen;
using model::TMultiCard;
using platform::TComponent;
using platform::Utf8ToGbk;

// A class whose construction fails, as a broken display object's might.
class TBomb : public platform::TComponent {
  DECLARE_CLASS_INFO()
  explicit TBomb(TComponent* owner) : TComponent(owner) { throw std::runtime_error("bomb"); }
};

const platform::TClassInfo& TBomb::StaticClassInfo() {
  static const platform::TClassInfo info = platform::TClassBuilder<TBomb, platform::TComponent>("TBomb").Build();
  return info;
}

const model::TComponentManager& Registry() {
  static model::TComponentManager registry(nullptr);
  static const bool filled = [] {
    for (const platform::TClassInfo* cls : {&TLEDScreen::StaticClassInfo(), &model::TLeaf::StaticClassInfo(),
                                            &TMultiCard::StaticClassInfo(), &model::TCards::StaticClassInfo(),
                                            &TBomb::StaticClassInfo()})
      registry.RegisterClass(*cls);
    return true;
  }();
  (void)filled;
  return registry;
}

class TFakeListView : public TMultiCardView {
 public:
  TFakeListView() { Editor.Resized(); }
  void SetNodes(const std::vector<TListNode>& nodes) override { Nodes = nodes; }
  void SelectNode(int index) override { Selected = index; }
  TPropertyEditor& Inspector() override { return Editor; }
  void Close() override { ++Closes; }
  void SetAddEnabled(bool enabled) override { AddEnabled = enabled; }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& node : Nodes) texts.push_back(platform::GbkToUtf8(node.Text));
    return texts;
  }
  // Types `utf8` into the inspector's Text row.
  void TypeText(const char* utf8) {
    for (int row = 0; row < Editor.List().ItemCount(); ++row) {
      if (Editor.List().Items(row)->Path != "Text") continue;
      Editor.SelectRow(row, Editor.Border(), false);
      Window.Text = Utf8ToGbk(utf8);
      Editor.Commit(true);
      return;
    }
    ADD_FAILURE() << "no Text row";
  }

  test::TFakeInspectorWindow Window;
  test::TFakeDialogs InspectorDialogs;
  test::TFakeChooser Chooser;
  TPropertyDescription Editors;
  TPropertyEditor Editor{Window, InspectorDialogs, Chooser, Editors};
  std::vector<TListNode> Nodes;
  int Selected = -2;
  int Closes = 0;
  bool AddEnabled = false;
};

// Object text of the components `holder` owns.
std::string ObjectTextOf(TComponent& holder) {
  model::TDFMStream text;
  EXPECT_TRUE(model::SaveObjectText(holder, text, Registry(), false));
  return std::string(reinterpret_cast<const char*>(text.Memory()), size_t(text.Size()));
}

// Object text of top-level components made by `fill`.
std::string ObjectTextOf(const std::function<void(TComponent&)>& fill) {
  TComponent holder(nullptr);
  fill(holder);
  return ObjectTextOf(holder);
}

TLEDScreen* NewScreen(TComponent& owner, const char* name, const char* utf8Text) {
  auto* screen = new TLEDScreen(&owner);
  screen->SetName(name);
  screen->SetText(Utf8ToGbk(utf8Text));
  return screen;
}

std::vector<std::string> TextsOf(const TComponent* copy) {
  std::vector<std::string> texts;
  for (TLEDScreen* s : platform::OwnedOfClass<TLEDScreen>(*copy)) texts.push_back(platform::GbkToUtf8(s->Text()));
  return texts;
}

struct TProjectRig {
  test::TTempFolder Dir;
  test::TFakeDialogs Dialogs;
  TFakeListView View;
  TProjectForm Form{View, Dialogs, Dir.Path(), Registry()};
  TProjectRig() { model::SetLoadMode(model::LoadModeNormal); }
  void WriteDefault(const std::string& text) { Dir.Write("Default.spj", text); }
  std::string Gbk(const std::string& name) const { return platform::GbkPathFromOs(Dir.File(name)); }
};

std::string TwoScreens() {
  return ObjectTextOf([](TComponent& holder) {
    NewScreen(holder, "LEDScreen0", "控制卡0");
    NewScreen(holder, "LEDScreen1", "大屏");
  });
}

TEST(ProjectForm, ShowReadsTheDefaultProjectIntoBothCopies) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "大屏"}));
  EXPECT_EQ(TextsOf(rig.Form.EditCopy()), TextsOf(rig.Form.ShadowCopy()));
  EXPECT_EQ(rig.View.Nodes[0].ImageIndex, 18);
  EXPECT_EQ(rig.View.Nodes[1].Identity, platform::OwnedOfClass<TLEDScreen>(*rig.Form.EditCopy())[1]->Identity());
  EXPECT_EQ(rig.View.Editor.Root(), nullptr);
  EXPECT_EQ(model::LoadMode(), model::LoadModeNormal);
  // A click shows the node's screen.
  rig.Form.NodeSelected(1);
  EXPECT_EQ(rig.View.Editor.Root(), platform::OwnedOfClass<TLEDScreen>(*rig.Form.EditCopy())[1]);
  rig.Form.Exit();
  EXPECT_EQ(rig.View.Closes, 1);
  rig.Form.Closed();
  EXPECT_EQ(rig.View.Editor.Root(), nullptr);
  EXPECT_EQ(rig.Form.EditCopy(), nullptr);
}

TEST(ProjectForm, AnythingButScreensAtTheTopMeansAnEmptyProject) {
  const std::string pageAtTop = ObjectTextOf([](TComponent& holder) {
    NewScreen(holder, "LEDScreen0", "控制卡0");
    (new model::TLeaf(&holder))->SetName("Leaf0");
  });
  for (const std::string& text : {pageAtTop, std::string("Object LEDScreen0:TNoSuchClass\r\nEnd\r\n"),
                                  std::string("not object text at all"), std::string()}) {
    TProjectRig rig;
    rig.WriteDefault(text);
    rig.Form.Show();
    EXPECT_TRUE(rig.View.Nodes.empty()) << text;
    EXPECT_EQ(rig.Form.EditCopy()->ComponentCount(), 0);
    EXPECT_EQ(rig.Form.ShadowCopy()->ComponentCount(), 0);
    EXPECT_TRUE(rig.Dialogs.Boxes.empty());
  }
}

TEST(ProjectForm, TheLoadModeIsBackAfterAReadThatThrows) {
  TProjectRig rig;
  rig.WriteDefault("Object Bomb0:TBomb\r\nEnd\r\n");
  rig.Form.Show();
  EXPECT_EQ(model::LoadMode(), model::LoadModeNormal);
  EXPECT_TRUE(rig.View.Nodes.empty());
  EXPECT_EQ(rig.Form.EditCopy()->ComponentCount(), 0);
}

TEST(ProjectForm, ARenameToAnotherScreensTextIsTakenBack) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  rig.Form.NodeSelected(1);
  rig.View.TypeText("控制卡0");
  EXPECT_EQ(TextsOf(rig.Form.EditCopy()), (std::vector<std::string>{"控制卡0", "大屏"}));
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "大屏"}));
  // Case does not make a text another one.
  rig.Form.NodeSelected(0);
  rig.View.TypeText("大屏");
  EXPECT_EQ(TextsOf(rig.Form.EditCopy())[0], "控制卡0");

  // A unique name goes to both copies and the node; the node still reaches its screen.
  rig.Form.NodeSelected(1);
  rig.View.TypeText("新屏");
  EXPECT_EQ(TextsOf(rig.Form.EditCopy()), (std::vector<std::string>{"控制卡0", "新屏"}));
  EXPECT_EQ(TextsOf(rig.Form.ShadowCopy()), (std::vector<std::string>{"控制卡0", "新屏"}));
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "新屏"}));
  EXPECT_EQ(rig.View.Selected, 1);
  // Its own text again is no clash.
  rig.View.TypeText("新屏");
  EXPECT_EQ(TextsOf(rig.Form.EditCopy())[1], "新屏");
}

TEST(ProjectForm, AddNamesTheScreenByTheGenerator) {
  TProjectRig rig;
  rig.WriteDefault(ObjectTextOf([](TComponent& holder) {
    NewScreen(holder, "LEDScreen0", "控制卡0");
    NewScreen(holder, "LEDScreen1", "控制卡2");
  }));
  rig.Form.Show();
  rig.Form.AddScreen();
  rig.Form.AddScreen();
  for (const TComponent* copy : {rig.Form.EditCopy(), rig.Form.ShadowCopy()}) {
    const auto screens = platform::OwnedOfClass<TLEDScreen>(*copy);
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_EQ(screens[2]->Name(), "LEDScreen2");
    EXPECT_EQ(screens[2]->Text(), Utf8ToGbk("控制卡1"));
    EXPECT_EQ(screens[3]->Name(), "LEDScreen3");
    EXPECT_EQ(screens[3]->Text(), Utf8ToGbk("控制卡3"));
    // Made by a command, a screen brings its sub-card container.
    EXPECT_EQ(platform::OwnedOfClass<model::TCards>(*screens[3]).size(), 1u);
  }
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "控制卡2", "控制卡1", "控制卡3"}));
}

TEST(ProjectForm, DeletingTheShownScreenMovesTheInspectorFirst) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  rig.Form.AddScreen();
  // The middle one, then the last, then the only one left.
  rig.Form.NodeSelected(1);
  rig.Form.DeleteScreen();
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "控制卡1"}));
  EXPECT_EQ(TextsOf(rig.Form.ShadowCopy()), (std::vector<std::string>{"控制卡0", "控制卡1"}));
  EXPECT_EQ(rig.Form.Selected(), 1);
  EXPECT_EQ(rig.View.Selected, 1);
  EXPECT_EQ(rig.View.Editor.Root(), platform::OwnedOfClass<TLEDScreen>(*rig.Form.EditCopy())[1]);
  rig.Form.DeleteScreen();
  EXPECT_EQ(rig.Form.Selected(), 0);
  EXPECT_EQ(rig.View.Editor.Root(), platform::OwnedOfClass<TLEDScreen>(*rig.Form.EditCopy())[0]);
  rig.Form.DeleteScreen();
  EXPECT_TRUE(rig.View.Nodes.empty());
  EXPECT_EQ(rig.Form.Selected(), -1);
  EXPECT_EQ(rig.View.Editor.Root(), nullptr);
  EXPECT_EQ(rig.Form.ShadowCopy()->ComponentCount(), 0);
  // Nothing selected: nothing to delete.
  rig.Form.DeleteScreen();
  // The inspector's rows were rebuilt from a live screen each time (the address sanitizer
  // would see a freed one).
  rig.View.Editor.List().Refresh();
}

TEST(ProjectForm, ImportReadsAProjectOrSaysItIsNone) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  rig.Form.NodeSelected(0);
  rig.Dir.Write("page.spj", "Object Leaf0:TLeaf\r\nEnd\r\n");
  rig.Dialogs.Files.push_back(rig.Gbk("page.spj"));
  rig.Form.Import();
  ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(rig.Dialogs.Boxes[0].Text, Utf8ToGbk("所选择文件不是显示屏工程文件,请重新选择"));
  EXPECT_EQ(rig.Dialogs.Boxes[0].Caption, MessageCaption());
  EXPECT_TRUE(rig.View.Nodes.empty());
  EXPECT_EQ(rig.View.Editor.Root(), nullptr);
  EXPECT_EQ(rig.Dialogs.FileRequests[0].Filter, Utf8ToGbk("显示屏工程文件|*.spj"));
  EXPECT_EQ(rig.Dialogs.FileRequests[0].FileName, "*.spj");

  rig.Dir.Write("two.spj", TwoScreens());
  rig.Dialogs.Files.push_back(rig.Gbk("two.spj"));
  rig.Form.Import();
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "大屏"}));
  EXPECT_EQ(TextsOf(rig.Form.ShadowCopy()), (std::vector<std::string>{"控制卡0", "大屏"}));
  // A cancelled dialog changes nothing.
  rig.Form.Import();
  EXPECT_EQ(rig.View.Nodes.size(), 2u);
}

TEST(ProjectForm, ExportWritesPlainObjectTextOnlyOverAConfirmedFile) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  rig.Dir.Write("out.spj", "keep");
  // Answered No: the file stays.
  rig.Dialogs.Files.push_back(rig.Gbk("out"));
  rig.Dialogs.Answers.push_back(TMessageAnswer::No);
  rig.Form.Export();
  ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(rig.Dialogs.Boxes[0].Text, Utf8ToGbk("导出文件已存在，是否覆盖(y/n)?"));
  EXPECT_EQ(rig.Dialogs.Boxes[0].Buttons, TMessageButtons::YesNo);
  EXPECT_EQ(rig.Dir.Read("out.spj"), "keep");
  // Yes: the edit copy as plain object text, which reads back the same.
  rig.Dialogs.Files.push_back(rig.Gbk("out.SPJ"));
  rig.Dir.Write("out.SPJ", "keep");
  rig.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  rig.Form.Export();
  const std::string written = rig.Dir.Read("out.SPJ");
  EXPECT_EQ(written.rfind("Object LEDScreen0:TLEDScreen\r\n", 0), 0u) << written;
  EXPECT_EQ(written, ObjectTextOf(*rig.Form.EditCopy()));
  rig.Dialogs.Files.push_back(rig.Gbk("out.SPJ"));
  rig.Form.Import();
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "大屏"}));
  EXPECT_EQ(rig.Dir.Read("out.spj"), "keep");
  // A new file is written without a question.
  rig.Dialogs.Files.push_back(rig.Gbk("fresh"));
  rig.Form.Export();
  EXPECT_EQ(rig.Dialogs.Boxes.size(), 2u);
  EXPECT_EQ(rig.Dir.Read("fresh.spj"), written);
}

TEST(ProjectForm, SetAsDefaultWritesTheTemplateOfNewProjects) {
  TProjectRig rig;
  rig.Form.Show();  // no "Default.spj" yet
  rig.Form.AddScreen();
  rig.Form.AddScreen();
  rig.Form.NodeSelected(1);
  rig.View.TypeText("第二屏");
  // No: nothing written.
  rig.Dialogs.Answers.push_back(TMessageAnswer::No);
  rig.Form.SetDefault();
  EXPECT_EQ(rig.Dialogs.Boxes.back().Text, Utf8ToGbk("您确定要将当前编辑的内容设为系统的缺省值(y/n)?"));
  EXPECT_FALSE(rig.Dir.Exists("Default.spj"));
  rig.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  rig.Form.SetDefault();
  ASSERT_TRUE(rig.Dir.Exists("Default.spj"));

  // What the New command starts from: the two screens, each given a page.
  test::PrepareModel();
  model::TConstructer root(nullptr);
  LoadDefaultProject(root, rig.Gbk("Default.spj"));
  EXPECT_EQ(test::LayoutOf(root), (test::TLayout{1, 1}));
  EXPECT_EQ(root.GetScreen(0)->Text(), Utf8ToGbk("控制卡0"));
  EXPECT_EQ(root.GetScreen(1)->Text(), Utf8ToGbk("第二屏"));
  // And what the dialog shows next time.
  rig.Form.Closed();
  rig.Form.Show();
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"控制卡0", "第二屏"}));
}

// The dialog may delete every screen: what it then writes opens again in the dialog, and as the
// template of new projects it gives way to the built-in default project.
TEST(ProjectForm, AProjectWithEveryScreenDeletedOpensAgain) {
  TProjectRig rig;
  rig.WriteDefault(TwoScreens());
  rig.Form.Show();
  for (int i = 0; i < 2; ++i) {
    rig.Form.NodeSelected(0);
    rig.Form.DeleteScreen();
  }
  ASSERT_TRUE(rig.View.Nodes.empty());
  rig.Dialogs.Files.push_back(rig.Gbk("none"));
  rig.Form.Export();
  rig.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  rig.Form.SetDefault();
  const size_t boxes = rig.Dialogs.Boxes.size();

  rig.Dialogs.Files.push_back(rig.Gbk("none.spj"));
  rig.Form.Import();
  EXPECT_EQ(rig.Dialogs.Boxes.size(), boxes);  // no message: it is a project, without screens
  EXPECT_TRUE(rig.View.Nodes.empty());
  rig.Form.Closed();
  rig.Form.Show();
  EXPECT_TRUE(rig.View.Nodes.empty());
  EXPECT_EQ(rig.Dialogs.Boxes.size(), boxes);

  test::PrepareModel();
  model::TConstructer root(nullptr);
  LoadDefaultProject(root, rig.Gbk("Default.spj"));
  EXPECT_EQ(test::LayoutOf(root), (test::TLayout{1}));
}

// ---- Sub-card dialog --------------------------------------------------------------------------

struct TSubCardRig {
  TFakeListView View;
  TMultiCardForm Form{View};
  model::TConstructer Root{nullptr};
  model::TCards& Cards() { return Root.GetScreen(0)->Cards(); }
  TSubCardRig() { model::SetLoadMode(model::LoadModeNormal); }
};

TEST(SubCards, AtMost32AndTheAddButtonSaysSo) {
  TSubCardRig rig;
  rig.Form.Show(rig.Cards());
  EXPECT_TRUE(rig.View.Nodes.empty());
  EXPECT_EQ(rig.View.Editor.Root(), nullptr);
  EXPECT_TRUE(rig.View.AddEnabled);
  for (int i = 0; i < 31; ++i) rig.Form.AddCard();
  EXPECT_TRUE(rig.View.AddEnabled);
  rig.Form.AddCard();
  EXPECT_FALSE(rig.View.AddEnabled);
  EXPECT_EQ(rig.View.Nodes.size(), 32u);
  // The newest is selected and shown.
  EXPECT_EQ(rig.View.Selected, 31);
  const auto cards = rig.Cards().SubCards();
  EXPECT_EQ(rig.View.Editor.Root(), cards.back());
  EXPECT_EQ(cards[0]->Name(), "MultiCard0");
  EXPECT_EQ(cards[0]->Text(), Utf8ToGbk("子卡0"));
  EXPECT_EQ(cards[31]->Name(), "MultiCard31");
  EXPECT_EQ(cards[31]->Text(), Utf8ToGbk("子卡31"));
  // A 33rd is refused even when asked for.
  rig.Form.AddCard();
  EXPECT_EQ(rig.Cards().SubCards().size(), 32u);
  rig.Form.DeleteCard();
  EXPECT_TRUE(rig.View.AddEnabled);
  EXPECT_EQ(rig.View.Nodes.size(), 31u);
  rig.Form.Closed();

  // A container that holds 32 already shows the button disabled.
  rig.Form.AddCard();  // not shown: nothing
  EXPECT_EQ(rig.Cards().SubCards().size(), 31u);
  new TMultiCard(&rig.Cards());
  rig.Form.Show(rig.Cards());
  EXPECT_FALSE(rig.View.AddEnabled);
  EXPECT_EQ(rig.View.Selected, 0);
  EXPECT_EQ(rig.View.Editor.Root(), rig.Cards().SubCards()[0]);
  rig.Form.AddCard();
  EXPECT_EQ(rig.Cards().SubCards().size(), 32u);
}

TEST(SubCards, DeleteFreesTheNodesOwnCardWhenTwoShareAText) {
  TSubCardRig rig;
  rig.Form.Show(rig.Cards());
  rig.Form.AddCard();
  rig.Form.AddCard();
  rig.Form.AddCard();
  // The second is renamed to the first's text; its node follows.
  rig.Form.NodeSelected(1);
  rig.View.TypeText("子卡0");
  EXPECT_EQ(rig.View.Texts(), (std::vector<std::string>{"子卡0", "子卡0", "子卡2"}));
  TMultiCard* second = rig.Cards().SubCards()[1];
  EXPECT_EQ(rig.View.Editor.Root(), second);
  rig.Form.DeleteCard();
  const auto left = rig.Cards().SubCards();
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0]->Name(), "MultiCard0");
  EXPECT_EQ(left[1]->Name(), "MultiCard2");
  // The inspector moved to the card that took the node's place before the card went.
  EXPECT_EQ(rig.View.Editor.Root(), left[1]);
  EXPECT_EQ(rig.View.Selected, 1);
  rig.View.Editor.List().Refresh();
}

TEST(SubCards, NamesAreUniqueAcrossTheProject) {
  TSubCardRig rig;
  rig.Root.AddScreen("");
  rig.Form.Show(rig.Root.GetScreen(0)->Cards());
  rig.Form.AddCard();
  rig.Form.Closed();
  rig.Form.Show(rig.Root.GetScreen(1)->Cards());
  rig.Form.AddCard();
  const auto cards = rig.Root.GetScreen(1)->Cards().SubCards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_EQ(cards[0]->Name(), "MultiCard1");
  EXPECT_EQ(cards[0]->Text(), Utf8ToGbk("子卡1"));
}

}  // namespace
}  // namespace editor
