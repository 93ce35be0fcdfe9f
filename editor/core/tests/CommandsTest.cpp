// The main window's commands on a real project, designer and inspector, with scripted dialogs,
// clipboard, notifier and a recording view: files, editing, the object tree, the clipboard,
// inserting, aligning, previews and the status notices.
#include "editor/core/Commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "editor/core/PropertyDescription.h"
#include "editor/core/StatusTexts.h"
#include "editor/core/tests/CommandFakes.h"
#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "model/ProgramRecords.h"
#include "model/ScreenStatus.h"
#include "model/objects/Texts.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/base/StopRequest.h"
#include "platform/base/MessageWindow.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/PropertyPath.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using editor::test::AddText;
using test::TCommandsRig;

// A display object without `Text`: it has no node in the tree.
class TUntitled : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TUntitled(platform::TComponent* owner) : TGraphicControl(owner) {}
};

const platform::TClassInfo& TUntitled::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TUntitled, platform::TGraphicControl>("TUntitled").Build();
  return info;
}

// A display object whose record cannot be made.
class TFaulty : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TFaulty(platform::TComponent* owner) : TGraphicControl(owner) {}
  void SetRecordSelf(model::TProgramStream* stream) {
    if (stream) throw std::runtime_error("no record");
  }
};

const platform::TClassInfo& TFaulty::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TFaulty, platform::TGraphicControl>("TFaulty")
          .StreamProperty<model::TProgramStream>("RecordSelf", &TFaulty::SetRecordSelf)
          .Build();
  return info;
}

std::string TextOf(platform::TComponent& c) { return PublishedText(c).value_or("<none>"); }

// The object text of one component, without its Name and Text lines.
std::string Properties(platform::TComponent& c) {
  model::TDFMStream buffer;
  model::WriteObjectText("", c, buffer, model::ComponentManager());
  std::string text(reinterpret_cast<const char*>(buffer.Memory()), size_t(buffer.Size()));
  std::string kept;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    if (line.rfind("  Name=", 0) != 0 && line.rfind("  Text=", 0) != 0 && line.rfind("Object ", 0) != 0)
      kept += line;
    start = end;
  }
  return kept;
}

// ---- Files ----------------------------------------------------------------------------------------

struct FileCommands : ::testing::Test {
  TCommandsRig rig;
  std::string good, bad;
  FileCommands() {
    good = rig.Dir.File("good.fmt");
    bad = rig.Dir.File("bad.fmt");
    EXPECT_TRUE(test::WriteProject(good, {1, 2}, "good"));
    rig.Dir.Write("bad.fmt", "Object X:TNoSuchClass\r\nEnd\r\n");
    rig.Start();
  }
  std::string ScreenText() { return rig.Screen().Text(); }
  size_t BoxesWith(const char* utf8) {
    return size_t(std::count_if(rig.Dialogs.Boxes.begin(), rig.Dialogs.Boxes.end(),
                                [&](const auto& box) { return box.Text == Utf8ToGbk(utf8); }));
  }
};

TEST_F(FileCommands, OpenTable) {
  struct TCase {
    const char* Name;
    bool Modified;
    std::optional<TMessageAnswer> Answer;  // to the save question
    std::optional<std::string> SaveAs;      // the save dialog's answer ("" cancelled)
    bool Good;                               // the file opened is good
    bool Replaced;                           // the project is another one afterwards
    const char* File;                        // "good", "bad", "saved" or ""
    bool ModifiedAfter;
  } cases[] = {
      {"unmodified, good", false, {}, {}, true, true, "good", false},
      {"unmodified, bad", false, {}, {}, false, true, "", false},
      {"modified, No", true, TMessageAnswer::No, {}, true, true, "good", false},
      {"modified, Yes, save dialog cancelled", true, TMessageAnswer::Yes, "", true, false, "", true},
      {"modified, Yes, saved", true, TMessageAnswer::Yes, "saved", true, true, "good", false},
  };
  for (const TCase& c : cases) {
    TCommandsRig rig;
    const std::string goodFile = rig.Dir.File("good.fmt");
    ASSERT_TRUE(test::WriteProject(goodFile, {1, 2}, "good"));
    rig.Dir.Write("bad.fmt", "Object X:TNoSuchClass\r\nEnd\r\n");
    rig.Start();
    rig.Screen().SetText("before");
    const std::string before = rig.Screen().Text();
    rig.Form->SetModified(c.Modified);
    if (c.Answer) rig.Dialogs.Answers.push_back(*c.Answer);
    if (c.SaveAs) {
      if (c.SaveAs->empty()) rig.Dialogs.Files.push_back(std::nullopt);
      else rig.Dialogs.Files.push_back(rig.Dir.File(*c.SaveAs));
    }
    rig.Dialogs.Files.push_back(rig.Dir.File(c.Good ? "good.fmt" : "bad.fmt"));
    rig.Commands->Execute(TCommand::Open);

    const std::string file = std::string(c.File).empty() ? "" : rig.Dir.File(std::string(c.File) + ".fmt");
    EXPECT_EQ(rig.Screen().Text() != before, c.Replaced) << c.Name;
    if (c.Replaced && c.Good) { EXPECT_EQ(rig.Screen().Text(), "good-0") << c.Name; }
    EXPECT_EQ(rig.Form->CurrentFile(), file) << c.Name;
    EXPECT_EQ(rig.MainView.Caption, TDesignForm::CaptionFor(file)) << c.Name;
    EXPECT_EQ(rig.Form->Modified(), c.ModifiedAfter) << c.Name;
    const auto recent = ReadRecentFiles(rig.Form->Settings());
    if (std::string(c.File) == "good") { EXPECT_EQ(recent, std::vector<std::string>{goodFile}) << c.Name; }
    else { EXPECT_TRUE(recent.empty()) << c.Name; }
    const bool failureShown = std::any_of(rig.Dialogs.Boxes.begin(), rig.Dialogs.Boxes.end(), [](const auto& b) {
      return b.Text == Utf8ToGbk("您所选择文件不是显示内容描述文件,请重新选择");
    });
    EXPECT_EQ(failureShown, !c.Good && c.Replaced) << c.Name;
    if (c.SaveAs && !c.SaveAs->empty()) { EXPECT_TRUE(rig.Dir.Exists(*c.SaveAs + ".fmt")) << c.Name; }
    // A cancelled save stops the command before the open dialog.
    if (c.SaveAs && c.SaveAs->empty()) { EXPECT_EQ(rig.Dialogs.FileRequests.size(), 1u) << c.Name; }
  }
}

TEST_F(FileCommands, AFailedOpenLeavesNoCurrentFileForSaveToOverwrite) {
  rig.Form->SetCurrentFile(good);
  rig.Dialogs.Files.push_back(bad);
  const std::string badBytes = rig.Dir.Read("bad.fmt");
  rig.Commands->Open();
  EXPECT_EQ(BoxesWith("您所选择文件不是显示内容描述文件,请重新选择"), 1u);
  EXPECT_EQ(rig.Form->CurrentFile(), "");
  // What loading left: the default project, the file untouched.
  EXPECT_EQ(rig.Root().ScreenCount(), 1);
  EXPECT_EQ(rig.Dir.Read("bad.fmt"), badBytes);
  // Save asks for a name instead.
  rig.Commands->Save();
  EXPECT_EQ(rig.Dir.Read("bad.fmt"), badBytes);
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, Utf8ToGbk("显示内容描述文件|*.fmt"));
}

// A file cut short, an empty one, one of blanks and comments only, and one of binary bytes: each
// is refused with the message once, and neither the caption nor the recent list takes it.
TEST_F(FileCommands, DamagedFilesAreRefusedAndNotTaken) {
  const std::string whole = rig.Dir.Read("good.fmt");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += char((i * 7919 + 13) % 256);
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"cut inside the second screen", whole.substr(0, whole.size() * 2 / 3)},
      {"cut before the first End", whole.substr(0, whole.find("End"))},
      {"empty", ""},
      {"blanks and comments only", "\r\n   \r\n// saved by hand\r\n\t// nothing else"},
      {"binary", binary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    rig.Dialogs.Boxes.clear();
    rig.Form->SetCurrentFile(good);
    rig.Dir.Write("damaged.fmt", c.Bytes);
    rig.Dialogs.Files.push_back(rig.Dir.File("damaged.fmt"));
    rig.Commands->Open();
    EXPECT_EQ(BoxesWith("您所选择文件不是显示内容描述文件,请重新选择"), 1u);
    EXPECT_EQ(rig.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(rig.Form->CurrentFile(), "");
    EXPECT_EQ(rig.MainView.Caption, TDesignForm::CaptionFor(""));
    EXPECT_TRUE(ReadRecentFiles(rig.Form->Settings()).empty());
    // The default project stands in: a screen with a page to work on.
    EXPECT_EQ(rig.Root().ScreenCount(), 1);
    EXPECT_EQ(rig.Root().GetLeafCount(0), 1);
    EXPECT_EQ(rig.Dir.Read("damaged.fmt"), c.Bytes);
  }
}

// An open given up because the program is ending (a signal arrived) is no damaged file: no
// message stands in the way of the exit.
TEST_F(FileCommands, AnOpenGivenUpForTheExitSaysNothing) {
  rig.Dialogs.Files.push_back(good);
  platform::RequestStopAt(std::chrono::steady_clock::now() - std::chrono::seconds(1));
  rig.Commands->Open();
  platform::ClearStopRequest();
  EXPECT_TRUE(rig.Dialogs.Boxes.empty());
  EXPECT_EQ(rig.Form->CurrentFile(), "");
}

TEST_F(FileCommands, OpenAndSaveAsStartInTheFolderOfTheCurrentFile) {
  // Both dialogs cancelled: only where they start counts.
  rig.Commands->Open();
  rig.Commands->SaveAs();
  rig.Form->SetCurrentFile(good);
  rig.Commands->Open();
  rig.Commands->SaveAs();
  ASSERT_EQ(rig.Dialogs.FileRequests.size(), 4u);
  EXPECT_EQ(rig.Dialogs.FileRequests[0].InitialDir, "");  // an untitled project: the last folder
  EXPECT_EQ(rig.Dialogs.FileRequests[1].InitialDir, "");
  EXPECT_EQ(rig.Dialogs.FileRequests[2].InitialDir, rig.Dir.Path());
  EXPECT_EQ(rig.Dialogs.FileRequests[3].InitialDir, rig.Dir.Path());
  EXPECT_EQ(rig.Dialogs.FileRequests[3].Filter, Utf8ToGbk("显示内容描述文件|*.fmt"));
}

TEST_F(FileCommands, OpenRecentUsesItsPathAndLeavesTheListAlone) {
  rig.Commands->OpenRecent(good);
  EXPECT_EQ(ScreenText(), "good-0");
  EXPECT_EQ(rig.Form->CurrentFile(), good);
  EXPECT_TRUE(ReadRecentFiles(rig.Form->Settings()).empty());
  EXPECT_EQ(rig.Form->CurrentScreen(), 0);
  EXPECT_EQ(rig.Form->CurrentPage(), 0);
  EXPECT_EQ(rig.View.Expansions, 2);  // first show, then the open
  EXPECT_EQ(rig.View.SelectedTreeNode().Component, &rig.Screen());
  EXPECT_EQ(rig.Inspector().Root(), &rig.Screen());
  EXPECT_TRUE(rig.Design().Activate());
  EXPECT_EQ(rig.Design().Container(), &rig.Page());

  rig.Commands->OpenRecent(bad);
  EXPECT_EQ(BoxesWith("您所选择文件已损坏,请重新选择"), 1u);
  EXPECT_EQ(rig.Form->CurrentFile(), "");
  EXPECT_EQ(rig.MainView.Caption, TDesignForm::CaptionFor(""));

  // "Yes" to the question, and the save does not write: nothing is opened.
  rig.Form->SetModified(true);
  rig.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  rig.Dialogs.Files.push_back(std::nullopt);
  const model::TLEDScreen* before = &rig.Screen();
  rig.Commands->OpenRecent(good);
  EXPECT_EQ(&rig.Screen(), before);
  EXPECT_TRUE(rig.Form->Modified());
}

TEST_F(FileCommands, NewStopsWhenTheSaveDidNotWriteAndOtherwiseLoadsTheDefaultProject) {
  ASSERT_TRUE(test::WriteProject(rig.Dir.File("Default.spj"), {0, 2}, "default"));
  rig.Commands->AddCard();
  rig.Form->SetCurrentFile(rig.Dir.File("nofolder/x.fmt"));  // cannot be written
  rig.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  rig.Commands->New();
  EXPECT_EQ(rig.Root().ScreenCount(), 2);  // still the edited project
  EXPECT_TRUE(rig.Form->Modified());
  ASSERT_FALSE(rig.Dialogs.Boxes.empty());
  EXPECT_EQ(rig.Dialogs.Boxes.back().Icon, TMessageIcon::Error);
  EXPECT_NE(rig.Dialogs.Boxes.back().Text.find(rig.Form->CurrentFile()), std::string::npos);

  rig.Dialogs.Answers.push_back(TMessageAnswer::No);
  rig.Commands->New();
  EXPECT_EQ(test::LayoutOf(rig.Root()), (test::TLayout{1, 2}));  // a page for the screen without
  EXPECT_EQ(rig.Screen().Text(), "default-0");
  EXPECT_EQ(rig.Form->CurrentFile(), "");
  EXPECT_FALSE(rig.Form->Modified());
  EXPECT_EQ(rig.Inspector().Root(), &rig.Screen());
  EXPECT_EQ(rig.Design().Container(), &rig.Page());
  EXPECT_TRUE(rig.Design().Activate());
  EXPECT_EQ(rig.View.Lines().front(), "default-0");
  // The new root reports to the main window.
  rig.Screen().SetStatus(model::ssTimedOut);
  rig.Root().OnStatusChanged(&rig.Screen());
  EXPECT_EQ(rig.Form->StatusPanelText(3), ScreenStatusText(model::ssTimedOut));
}

TEST_F(FileCommands, SaveClearsModifiedOnlyWhenItWrote) {
  rig.Form->SetModified(true);
  rig.Dialogs.Files.push_back(std::nullopt);
  EXPECT_FALSE(rig.Commands->Save());
  EXPECT_TRUE(rig.Form->Modified());

  rig.Form->SetCurrentFile(rig.Dir.File("nofolder/x.fmt"));
  EXPECT_FALSE(rig.Commands->Save());
  EXPECT_TRUE(rig.Form->Modified());
  EXPECT_EQ(rig.Dialogs.Boxes.back().Caption, MessageCaption());

  rig.Form->SetCurrentFile(rig.Dir.File("x.fmt"));
  EXPECT_TRUE(rig.Commands->Save());
  EXPECT_FALSE(rig.Form->Modified());
  EXPECT_TRUE(rig.Dir.Exists("x.fmt"));
}

TEST_F(FileCommands, SaveAsSetsTheExtensionIgnoringCase) {
  for (const auto& [chosen, written] : std::vector<std::pair<std::string, std::string>>{
           {"a", "a.fmt"}, {"b.FMT", "b.FMT"}, {"c.txt", "c.fmt"}}) {
    rig.Dialogs.Files.push_back(rig.Dir.File(chosen));
    EXPECT_TRUE(rig.Commands->SaveAs()) << chosen;
    EXPECT_EQ(rig.Form->CurrentFile(), rig.Dir.File(written)) << chosen;
    EXPECT_EQ(rig.MainView.Caption, TDesignForm::CaptionFor(rig.Dir.File(written))) << chosen;
    EXPECT_TRUE(rig.Dir.Exists(written)) << chosen;
  }
  EXPECT_FALSE(rig.Dir.Exists("c.txt"));
}

TEST_F(FileCommands, SavedOpenedAndSavedAgainIsByteIdentical) {
  rig.Commands->AddPage();
  rig.Commands->Execute(TCommand::InsertText);
  rig.Commands->Execute(TCommand::InsertMultiString);
  rig.Commands->AddCard();
  rig.Form->SetCurrentFile(rig.Dir.File("one.fmt"));
  ASSERT_TRUE(rig.Commands->Save());
  rig.Commands->OpenRecent(rig.Dir.File("one.fmt"));
  rig.Form->SetCurrentFile(rig.Dir.File("two.fmt"));
  ASSERT_TRUE(rig.Commands->Save());
  EXPECT_EQ(rig.Dir.Read("one.fmt"), rig.Dir.Read("two.fmt"));
  EXPECT_NE(rig.Dir.Read("one.fmt").find("TMultiString"), std::string::npos);
}

// ---- Editing --------------------------------------------------------------------------------------

struct EditCommands : ::testing::Test {
  TCommandsRig rig;
  EditCommands() { rig.Start(); }
};

TEST_F(EditCommands, DeletingTheOnlyCardOrPageDoesNothing) {
  model::TLEDScreen* screen = &rig.Screen();
  model::TLeaf* page = &rig.Page();
  rig.Commands->DeleteCard();
  rig.Commands->DeletePage();
  EXPECT_EQ(&rig.Screen(), screen);
  EXPECT_EQ(&rig.Page(), page);
  EXPECT_FALSE(rig.Form->Modified());
}

TEST_F(EditCommands, IndexesClampAfterDeletes) {
  rig.Commands->AddCard();
  rig.Commands->AddCard();
  EXPECT_EQ(rig.Form->CurrentScreen(), 2);
  rig.Commands->DeleteCard();
  EXPECT_EQ(rig.Form->CurrentScreen(), 1);
  EXPECT_EQ(rig.Form->CurrentPage(), 0);
  EXPECT_EQ(rig.Root().ScreenCount(), 2);
  EXPECT_EQ(rig.Inspector().Root(), &rig.Screen());

  rig.Commands->AddPage();
  rig.Commands->AddPage();
  EXPECT_EQ(rig.Form->CurrentPage(), 2);
  model::TLeaf* middle = rig.Root().GetLeaf(1, 1);
  rig.Commands->DeletePage();
  EXPECT_EQ(rig.Form->CurrentPage(), 1);
  EXPECT_EQ(&rig.Page(), middle);
  EXPECT_EQ(rig.Design().Container(), middle);
  EXPECT_EQ(middle->Parent(), &rig.Form->Container());
  EXPECT_TRUE(rig.Form->Modified());

  // A card at the same index with fewer pages: its last page.
  rig.Form->SetCurrentScreen(0);
  rig.Form->SetCurrentPage(0);
  rig.Commands->AddPage();
  rig.Commands->AddPage();  // card 0 on page 2 of 3
  rig.Commands->DeleteCard();
  EXPECT_EQ(rig.Form->CurrentScreen(), 0);
  EXPECT_EQ(rig.Form->CurrentPage(), 1);
  EXPECT_EQ(rig.Design().Container(), &rig.Page());
  // The pages of other cards went back to them.
  for (int p = 0; p < rig.Root().GetLeafCount(0); ++p) {
    if (p != 1) { EXPECT_NE(rig.Root().GetLeaf(0, p)->Parent(), &rig.Form->Container()); }
  }
}

TEST_F(EditCommands, TheModifiedFlagAfterEachCommand) {
  struct TCase {
    TCommand Command;
    bool Modified;
  } cases[] = {
      {TCommand::AddCard, true},       {TCommand::AddPage, true},         {TCommand::DeleteCard, true},
      {TCommand::DeletePage, true},    {TCommand::DeleteSelected, true},  {TCommand::Cut, true},
      {TCommand::DeleteAll, true},     {TCommand::InsertText, true},      {TCommand::Paste, true},
      {TCommand::BringToFront, true},  {TCommand::SendToBack, true},      {TCommand::AlignBoth, true},
      {TCommand::Copy, false},         {TCommand::SelectAll, false},      {TCommand::InvertSelection, false},
      {TCommand::SendCurrent, false},  {TCommand::PreviewPage, false},    {TCommand::PreviewAll, false},
  };
  for (const TCase& c : cases) {
    TCommandsRig rig;
    rig.Start();
    // Two cards of two pages, an object selected, something on the clipboard.
    rig.Commands->AddCard();
    rig.Commands->AddPage();
    model::TText* text = AddText(rig.Page(), "a");
    rig.Design().Select(text);
    rig.Clipboard.SetDisplayFormat(" Object Text9:TText\r\n End\r\n");
    rig.Form->SetModified(false);
    rig.Commands->Execute(c.Command);
    EXPECT_EQ(rig.Form->Modified(), c.Modified) << CommandInfo(c.Command).Name;
  }
}

TEST_F(EditCommands, DeletesLeaveTheInspectorOnThePage) {
  for (TCommand command : {TCommand::DeleteSelected, TCommand::Cut, TCommand::DeleteAll}) {
    model::TText* a = AddText(rig.Page(), "a");
    AddText(rig.Page(), "b");
    rig.Design().SelectAll();  // the inspector shows the selection
    EXPECT_EQ(rig.Inspector().Root(), rig.Design().Selection());
    rig.Design().Select(a);
    rig.Commands->Execute(command);
    EXPECT_EQ(rig.Inspector().Root(), &rig.Page()) << CommandInfo(command).Name;
    EXPECT_EQ(rig.Design().CurrentControl(), &rig.Page()) << CommandInfo(command).Name;
    rig.Commands->DeleteAll();
  }
}

TEST_F(EditCommands, MenuEnablingFollowsTheSelection) {
  model::TText* a = AddText(rig.Page(), "a");
  model::TText* b = AddText(rig.Page(), "b");
  struct TCase {
    const char* Name;
    std::function<void()> Select;
    bool Any, One;
  } cases[] = {
      {"nothing", [&] { rig.Design().Select(&rig.Page()); }, false, false},
      {"one", [&] { rig.Design().Select(a); }, true, true},
      {"two", [&] { rig.Design().SelectAll(); }, true, false},
      {"one left of two", [&] { rig.Design().SelectAll(), rig.Design().Selection()->Remove(b); }, true, true},
  };
  for (const TCase& c : cases) {
    c.Select();
    for (bool clip : {false, true}) {
      rig.Clipboard.HasOurs = clip;
      const auto edit = rig.Commands->EditMenuStates();
      EXPECT_EQ(edit, (std::vector<TCommandState>{{TCommand::DeleteCard, false},
                                                  {TCommand::DeletePage, false},
                                                  {TCommand::DeleteSelected, c.Any},
                                                  {TCommand::Copy, c.Any},
                                                  {TCommand::Cut, c.Any},
                                                  {TCommand::Paste, clip}}))
          << c.Name;
      EXPECT_EQ(rig.Commands->DesignPopupStates(),
                (std::vector<TCommandState>{{TCommand::Copy, c.Any},
                                            {TCommand::Cut, c.Any},
                                            {TCommand::DeleteSelected, c.Any},
                                            {TCommand::BringToFront, c.One},
                                            {TCommand::SendToBack, c.One},
                                            {TCommand::AlignVertical, c.One},
                                            {TCommand::AlignHorizontal, c.One},
                                            {TCommand::AlignBoth, c.One},
                                            {TCommand::Paste, clip}}))
          << c.Name;
    }
  }
  rig.Commands->AddCard();
  rig.Commands->AddPage();
  const auto edit = rig.Commands->EditMenuStates();
  EXPECT_TRUE(edit[0].Enabled);
  EXPECT_TRUE(edit[1].Enabled);

  // The tree's pop-up: object nodes only for "删除当前对象".
  rig.View.Selected.clear();
  rig.Commands->TreeRightClick(5, 6);
  ASSERT_EQ(rig.View.TreePopups.size(), 1u);
  EXPECT_EQ(rig.View.TreePopups[0].States,
            (std::vector<TCommandState>{{TCommand::DeleteCard, true},
                                        {TCommand::DeletePage, true},
                                        {TCommand::DeleteTreeObject, false}}));
  rig.Form->SetCurrentScreen(0);
  rig.Form->SetCurrentPage(0);
  rig.Commands->RebuildTree();
  rig.View.SelectTreeNode(a);
  rig.Commands->TreeRightClick(5, 6);
  EXPECT_EQ(rig.View.TreePopups[1].States[2], (TCommandState{TCommand::DeleteTreeObject, true}));
  EXPECT_EQ(rig.View.TreePopups[1].States[1], (TCommandState{TCommand::DeletePage, false}));
}

TEST_F(EditCommands, FrontAndBackMoveTheObjectInItsPageAndInTheProgram) {
  model::TText* a = AddText(rig.Page(), "a");
  model::TText* b = AddText(rig.Page(), "b");
  rig.Design().Select(a);
  rig.Commands->BringToFront();
  EXPECT_EQ(rig.Page().ChildControls().back(), a);
  EXPECT_EQ(rig.Page().OwnedComponents().back(), a);
  rig.Design().Select(b);
  rig.Commands->SendToBack();
  EXPECT_EQ(rig.Page().ChildControls().front(), b);
  EXPECT_EQ(rig.Page().OwnedComponents().front(), b);
  // Nothing selected: nothing moves.
  rig.Design().Select(&rig.Page());
  rig.Form->SetModified(false);
  rig.Commands->BringToFront();
  EXPECT_EQ(rig.Page().ChildControls().front(), b);
  EXPECT_FALSE(rig.Form->Modified());
}

TEST_F(EditCommands, AlignCentresTowardZero) {
  rig.Screen().SetScreenWidth(101);
  rig.Screen().SetScreenHeight(50);
  rig.Root().OnParamChanged(&rig.Screen());  // the edit area follows the card's size
  ASSERT_EQ(rig.Page().Width(), 101);
  ASSERT_EQ(rig.Page().Height(), 50);
  using K = TCommands::TAlignKind;
  const struct {
    K Kind;
    int Width, Height, Left, Top;
  } cases[] = {
      {K::Vertical, 30, 11, 7, 19},      // (50 - 11) / 2 = 19; Left stays
      {K::Horizontal, 30, 11, 35, 3},    // (101 - 30) / 2 = 35; Top stays
      {K::Both, 31, 12, 35, 19},
      {K::Both, 150, 71, -24, -10},      // larger than the page: (101 - 150) / 2 = -24, (50 - 71) / 2 = -10
  };
  for (const auto& c : cases) {
    model::TText* t = AddText(rig.Page(), "t", 7, 3);
    t->SetBounds(7, 3, c.Width, c.Height);
    rig.Design().Select(t);
    rig.Commands->Align(c.Kind);
    EXPECT_EQ(t->Left(), c.Left) << c.Width;
    EXPECT_EQ(t->Top(), c.Top) << c.Width;
    EXPECT_EQ(rig.Inspector().Root(), &rig.Page());
    EXPECT_EQ(rig.Design().CurrentControl(), t);
    delete t;
  }
  // Two selected: nothing moves.
  model::TText* a = AddText(rig.Page(), "a", 1, 1);
  AddText(rig.Page(), "b", 2, 2);
  rig.Design().SelectAll();
  rig.Commands->Align(K::Both);
  EXPECT_EQ(a->Left(), 1);
}

// ---- The object tree ----------------------------------------------------------------------------

TEST_F(EditCommands, TheTreeShowsScreensPagesAndObjectsWithText) {
  rig.Commands->AddPage();
  AddText(rig.Page(), Utf8ToGbk("文字"));
  auto* untitled = new TUntitled(&rig.Page());
  untitled->SetParent(&rig.Page());
  rig.Commands->RebuildTree();
  const auto lines = rig.View.Lines();
  EXPECT_EQ(lines, (std::vector<std::string>{rig.Screen().Text(), "  " + rig.Root().GetLeaf(0, 0)->Text(),
                                             "  " + rig.Page().Text(), "    " + Utf8ToGbk("文字")}));
  const TTreeEntry& screen = rig.View.Tree.at(0);
  EXPECT_EQ(screen.ImageIndex, 18);
  EXPECT_EQ(screen.Children.at(0).ImageIndex, 12);
  EXPECT_EQ(screen.Children.at(1).Children.at(0).ImageIndex, 19);
  EXPECT_EQ(screen.Children.at(1).Children.at(0).Component, rig.Page().OwnedComponents().front());
}

TEST(ObjectTree, ClassIcons) {
  const std::pair<const char*, int> icons[] = {
      {"TLEDScreen", 18},   {"TLeaf", 12},      {"ttext", 19},         {"TMultiText", 20}, {"TPhoto", 21},
      {"TAVIPlayer", 22},   {"TDateTimeComponent", 23}, {"TCountUp", 24}, {"TCountDown", 25},
      {"TMultiString", 33}, {"TAnalogClock", 25}, {"TWordObject", 36}, {"TTableObject", 37},
      {"TStringFile", 33},  {"TCampaignTime", 38}, {"TTemperature", -1}, {"TCards", -1},
  };
  for (const auto& [name, index] : icons) EXPECT_EQ(ClassImageIndex(name), index) << name;
}

TEST_F(EditCommands, DeletingATreeObjectFreesThatNodesOwnObject) {
  // One text on each of two pages, both "同名".
  const std::string same = Utf8ToGbk("同名");
  model::TText* first = AddText(rig.Page(), same);
  rig.Commands->AddPage();
  model::TText* second = AddText(rig.Page(), same);
  model::TText* other = AddText(rig.Page(), "other");
  rig.Commands->RebuildTree();
  // The designer and the inspector hold the one going.
  rig.Design().Select(second);
  rig.Inspector().SetRoot(second);
  rig.View.SelectTreeNode(second);
  platform::TComponentRef<model::TText> firstRef(first), secondRef(second);
  rig.Commands->DeleteTreeObject();
  EXPECT_TRUE(firstRef);
  EXPECT_FALSE(secondRef);
  EXPECT_NE(rig.Design().CurrentControl(), nullptr);
  // The node in its place now shows the next object, which is selected and inspected.
  EXPECT_EQ(rig.View.SelectedTreeNode().Component, other);
  EXPECT_EQ(rig.Design().CurrentControl(), other);
  EXPECT_EQ(rig.Inspector().Root(), other);
  EXPECT_TRUE(rig.Form->Modified());
  rig.Inspector().List().Refresh();
}

TEST_F(EditCommands, TreeChangeAndClickUseTheNodesComponent) {
  const std::string same = Utf8ToGbk("同名");
  rig.Commands->AddCard();
  rig.Commands->AddPage();  // card 1, pages 0 and 1
  model::TText* onCard1 = AddText(rig.Page(), same);
  rig.Form->SetCurrentScreen(0);
  rig.Form->SetCurrentPage(0);
  rig.Commands->TreeChange(rig.Root().GetLeaf(0, 0), PageLevel);
  model::TText* onCard0 = AddText(*rig.Root().GetLeaf(0, 0), same);
  (void)onCard0;
  rig.Commands->RebuildTree();

  rig.Commands->TreeChange(onCard1, ObjectLevel);
  EXPECT_EQ(rig.Form->CurrentScreen(), 1);
  EXPECT_EQ(rig.Form->CurrentPage(), 1);
  EXPECT_EQ(onCard1->Parent()->Parent(), &rig.Form->Container());
  EXPECT_EQ(rig.Form->StatusPanelText(1), rig.Screen().Text());
  rig.Commands->TreeClick(onCard1);
  EXPECT_EQ(rig.Design().CurrentControl(), onCard1);
  EXPECT_EQ(rig.Inspector().Root(), onCard1);

  rig.Commands->TreeChange(rig.Root().GetScreen(0), ScreenLevel);
  EXPECT_EQ(rig.Form->CurrentScreen(), 0);
  EXPECT_EQ(rig.Form->CurrentPage(), 0);
  EXPECT_FALSE(rig.Root().GetLeaf(1, 1)->Visible());
}

// ---- Clipboard ------------------------------------------------------------------------------------

TEST_F(EditCommands, CopyPutsTheWritersTextOfTheSelection) {
  model::TText* a = AddText(rig.Page(), "a");
  AddText(rig.Page(), "between", 50, 0);
  model::TText* b = AddText(rig.Page(), "b", 100, 0);
  rig.Design().Select(a);
  rig.Design().MouseDown(mbLeft, ssShift, {b->Left() + 5, b->Top() + 5}, {});
  ASSERT_EQ(rig.Design().Selection()->Count(), 2);
  rig.Commands->Copy();
  model::TDFMStream expected;
  model::WriteObjectText(" ", *a, expected, model::ComponentManager());
  model::WriteObjectText(" ", *b, expected, model::ComponentManager());
  EXPECT_EQ(rig.Clipboard.Bytes, std::string(reinterpret_cast<const char*>(expected.Memory()), size_t(expected.Size())));
}

TEST_F(EditCommands, PasteOnAnotherPageGivesEqualObjectsWithNewNames) {
  model::TText* a = AddText(rig.Page(), "a", 3, 4);
  a->SetMethod(model::TDisplayMethod(2));
  rig.Design().Select(a);
  rig.Commands->Copy();
  rig.Commands->AddPage();
  rig.Commands->Paste();
  ASSERT_EQ(rig.Page().OwnedComponents().size(), 1u);
  auto* pasted = dynamic_cast<model::TText*>(rig.Page().OwnedComponents().front());
  ASSERT_NE(pasted, nullptr);
  EXPECT_EQ(Properties(*pasted), Properties(*a));
  EXPECT_EQ(pasted->Name(), "Text1");
  EXPECT_EQ(pasted->Text(), "a0");  // "a" clashes: its prefix without digits and a number
  EXPECT_EQ(pasted->Parent(), &rig.Page());
  EXPECT_EQ(model::LoadMode(), model::LoadModeNormal);
  EXPECT_EQ(rig.View.Lines().back(), "    a0");
}

TEST_F(EditCommands, BadClipboardDataLeavesThePageAsItWas) {
  model::TText* a = AddText(rig.Page(), "a");
  rig.Design().Select(a);
  rig.Commands->Copy();
  const std::string good = rig.Clipboard.Bytes;
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"a screen", good + "Object LEDScreen5:TLEDScreen\r\nEnd\r\n"},
      {"a page", "Object Leaf7:TLeaf\r\n  Object Text3:TText\r\n  End\r\nEnd\r\n"},
      {"a sub-card container", "Object MulCard:TCards\r\nEnd\r\n"},
      {"cut off", good.substr(0, good.size() / 2)},
      {"junk after a good block", good + "Object :\r\n"},
      {"an unknown class", good + "Object X:TNoSuch\r\nEnd\r\n"},
  };
  for (const auto& c : cases) {
    rig.Commands->AddPage();
    const std::vector<platform::TComponent*> before = rig.Page().OwnedComponents();
    const std::set<platform::TComponent*> screenBefore(rig.Screen().OwnedComponents().begin(),
                                                       rig.Screen().OwnedComponents().end());
    rig.Clipboard.SetDisplayFormat(c.Bytes);
    rig.Form->SetModified(false);
    rig.Commands->Paste();
    EXPECT_EQ(rig.Page().OwnedComponents(), before) << c.Name;
    EXPECT_EQ(rig.Page().ControlCount(), 0) << c.Name;
    EXPECT_EQ(model::LoadMode(), model::LoadModeNormal) << c.Name;
    EXPECT_FALSE(rig.Form->Modified()) << c.Name;
    EXPECT_EQ(std::set<platform::TComponent*>(rig.Screen().OwnedComponents().begin(),
                                              rig.Screen().OwnedComponents().end()),
              screenBefore)
        << c.Name;
  }
  // Without our data nothing is read.
  rig.Clipboard.Clear();
  rig.Commands->Paste();
  EXPECT_EQ(rig.Page().ControlCount(), 0);
}

// ---- Insert -------------------------------------------------------------------------------------

TEST_F(EditCommands, InsertNumbersNamesAndTextsOverTheWholeProject) {
  // Objects of each class already on another card push the numbers up.
  for (const TCommandInfo& info : CommandTable()) {
    if (info.ClassName.empty() || !rig.Commands->Available(info.Id)) continue;
    if (info.File != TInsertFile::None) rig.Dialogs.Files.push_back(rig.Dir.File("missing"));
    ASSERT_TRUE(rig.Commands->Insert(info)) << info.Name;
  }
  rig.Commands->AddCard();
  int made = 0;
  for (const TCommandInfo& info : CommandTable()) {
    if (info.ClassName.empty()) continue;
    if (!rig.Commands->Available(info.Id)) {
      EXPECT_FALSE(model::ComponentManager().FindClass(info.ClassName)) << info.Name;
      continue;
    }
    if (info.File != TInsertFile::None) rig.Dialogs.Files.push_back(rig.Dir.File("chosen"));
    const size_t requests = rig.Dialogs.FileRequests.size();
    rig.Form->SetModified(false);
    rig.Commands->Execute(info.Id);
    ++made;
    platform::TComponent* object = rig.Page().OwnedComponents().back();
    EXPECT_EQ(object->ClassName(), info.ClassName);
    EXPECT_EQ(object->Name(), std::string(info.ClassName.substr(1)) + "1") << info.Name;
    EXPECT_EQ(TextOf(*object), Utf8ToGbk(info.TextPrefix) + "1") << info.Name;
    EXPECT_EQ(rig.Design().CurrentControl(), object) << info.Name;
    EXPECT_EQ(rig.Inspector().Root(), object) << info.Name;
    EXPECT_EQ(rig.View.SelectedTreeNode().Component, object) << info.Name;
    EXPECT_TRUE(rig.Form->Modified()) << info.Name;
    if (info.File != TInsertFile::None) {
      EXPECT_EQ(rig.Dialogs.FileRequests.size(), requests + 1) << info.Name;
      EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, InsertFileRequest(info.File).Filter) << info.Name;
    }
  }
  EXPECT_EQ(rig.Page().ControlCount(), made);
  EXPECT_GE(made, 9);  // the text, picture, movie and sensor classes at least
}

TEST_F(EditCommands, InsertAsksForItsFileFirst) {
  const TCommandInfo& movie = CommandInfo(TCommand::InsertMovie);
  rig.Dialogs.Files.push_back(std::nullopt);
  EXPECT_FALSE(rig.Commands->Insert(movie));
  EXPECT_EQ(rig.Page().ComponentCount(), 0);
  EXPECT_FALSE(rig.Form->Modified());
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, Utf8ToGbk("动画文件|*.Avi"));
  EXPECT_EQ(rig.Dialogs.FileRequests.back().FileName, "*.Avi");

  const std::string path = rig.Dir.File("clip.avi");
  rig.Dialogs.Files.push_back(path);
  ASSERT_TRUE(rig.Commands->Insert(movie));
  EXPECT_EQ(platform::PathGetStr(rig.Page().OwnedComponents().back(), "FileName"), path);

  EXPECT_EQ(InsertFileRequest(TInsertFile::Text).Filter, Utf8ToGbk("文本文件|*.Txt|超文本文件|*.RTF"));
  EXPECT_EQ(InsertFileRequest(TInsertFile::Text).FileName, "*.Txt;*.RTF");
}


TEST_F(EditCommands, WordAndTableObjectsComeFromTheObjectBarWithoutAFileAndShowTheirIcons) {
  ASSERT_TRUE(rig.Commands->Available(TCommand::InsertWord));
  ASSERT_TRUE(rig.Commands->Available(TCommand::InsertTable));
  rig.Commands->Execute(TCommand::InsertWord);
  rig.Commands->Execute(TCommand::InsertTable);
  // The Insert menu's own two items do nothing.
  rig.Commands->Execute(TCommand::WordItem);
  rig.Commands->Execute(TCommand::TableItem);
  EXPECT_TRUE(rig.Dialogs.FileRequests.empty());
  ASSERT_EQ(rig.Page().ControlCount(), 2);
  const auto& made = rig.Page().OwnedComponents();
  auto* word = dynamic_cast<model::TWordObject*>(made.at(0));
  auto* table = dynamic_cast<model::TTableObject*>(made.at(1));
  ASSERT_TRUE(word && table);
  EXPECT_EQ(word->Name(), "WordObject0");
  EXPECT_EQ(word->Text(), "Word0");
  EXPECT_EQ(table->Text(), Utf8ToGbk("表格0"));
  EXPECT_EQ(word->Width(), 256);
  EXPECT_EQ(table->Width(), 320);
  // Their tree nodes carry the icons of their classes.
  std::map<const platform::TComponent*, int> icons;
  std::function<void(const std::vector<TTreeEntry>&)> walk = [&](const auto& entries) {
    for (const TTreeEntry& e : entries) {
      icons[e.Component] = e.ImageIndex;
      walk(e.Children);
    }
  };
  walk(rig.View.Tree);
  EXPECT_EQ(icons[word], 36);
  EXPECT_EQ(icons[table], 37);
  EXPECT_EQ(rig.View.SelectedTreeNode().Component, table);
}
// ---- Preview ------------------------------------------------------------------------------------

TEST_F(EditCommands, ThePreviewsPlayTheCurrentScreen) {
  AddText(rig.Page(), "a");
  rig.Commands->AddCard();
  AddText(rig.Page(), "b");
  rig.Screen().SetScreenWidth(96);
  rig.Commands->Execute(TCommand::PreviewPage);
  rig.Commands->Execute(TCommand::PreviewAll);
  ASSERT_EQ(rig.Dialogs.Previews.size(), 2u);
  model::TProgramStream all;
  ASSERT_TRUE(model::WriteProgramRecords(rig.Screen(), 17, all, rig.Screen().ColorMode()));
  EXPECT_EQ(rig.Dialogs.Previews[1].Program, all.Bytes());
  EXPECT_EQ(rig.Dialogs.Previews[0].Width, 96);
  EXPECT_EQ(platform::LoadU16(rig.Dialogs.Previews[0].Program.data() + 2), 1);  // one page
  EXPECT_TRUE(rig.Page().Active());
  EXPECT_EQ(model::StreamContext().PreviewStream().Size(), 0u);
  // "p" on the command line runs the preview of all pages through the same command.
  rig.Form->Hooks().PreviewAll();
  EXPECT_EQ(rig.Dialogs.Previews.size(), 3u);
}

// A page whose program cannot be built: the error goes on to the program's guard, the page is
// active again, the shared stream is empty and nothing is previewed.
TEST_F(EditCommands, APreviewThatCannotBeBuiltLeavesThePageActiveAndTheStreamEmpty) {
  AddText(rig.Page(), "a");
  auto* faulty = new TFaulty(&rig.Page());
  faulty->SetParent(&rig.Page());
  rig.Page().SetActive(true);
  EXPECT_THROW(rig.Commands->Execute(TCommand::PreviewPage), std::runtime_error);
  EXPECT_TRUE(rig.Page().Active());
  EXPECT_EQ(model::StreamContext().PreviewStream().Size(), 0u);
  EXPECT_TRUE(rig.Dialogs.Previews.empty());
  // Once the object is gone the page previews.
  delete faulty;
  rig.Commands->Execute(TCommand::PreviewPage);
  EXPECT_EQ(rig.Dialogs.Previews.size(), 1u);
  EXPECT_TRUE(rig.Page().Active());
}

// ---- Dialogs ------------------------------------------------------------------------------------

TEST_F(EditCommands, CommandsWhoseDialogIsMissingAreUnavailable) {
  rig.Modal.Missing = {TModalDialog::CardSettings};
  EXPECT_FALSE(rig.Commands->Available(TCommand::CardSettings));
  EXPECT_TRUE(rig.Commands->Available(TCommand::OnLineList));
  rig.Dialogs.PasswordAccepted = true;
  rig.Commands->Execute(TCommand::CardSettings);
  EXPECT_EQ(rig.Dialogs.PasswordPrompts, 0);
  EXPECT_TRUE(rig.Modal.Shown.empty());
}

// The project and card settings sit behind the password prompt; the set-password dialog does not.
TEST_F(EditCommands, TheGuardedDialogsOpenOnlyOnTheRightPassword) {
  for (TCommand command : {TCommand::ProjectSettings, TCommand::SetPassword, TCommand::CampaignTime})
    EXPECT_TRUE(rig.Commands->Available(command)) << CommandInfo(command).Name;
  rig.Dialogs.PasswordAccepted = false;
  rig.Commands->Execute(TCommand::ProjectSettings);
  rig.Commands->Execute(TCommand::CardSettings);
  EXPECT_EQ(rig.Dialogs.PasswordPrompts, 2);
  EXPECT_EQ(rig.Dialogs.ProjectRuns, 0);
  EXPECT_TRUE(rig.Modal.Shown.empty());

  rig.Dialogs.PasswordAccepted = true;
  rig.Commands->Execute(TCommand::ProjectSettings);
  rig.Commands->Execute(TCommand::CardSettings);
  EXPECT_EQ(rig.Dialogs.PasswordPrompts, 4);
  EXPECT_EQ(rig.Dialogs.ProjectRuns, 1);
  EXPECT_EQ(rig.Modal.Shown, (std::vector<TModalDialog>{TModalDialog::CardSettings}));

  rig.Commands->Execute(TCommand::SetPassword);
  EXPECT_EQ(rig.Dialogs.SetPasswordRuns, 1);
  EXPECT_EQ(rig.Dialogs.PasswordPrompts, 4);
}

// ---- Status -------------------------------------------------------------------------------------

TEST(StatusNotice, TheFourNoticesWithTheirTexts) {
  test::PrepareModel();
  model::TConstructer root(nullptr);
  model::TLEDScreen& screen = *root.GetScreen(0);
  screen.SetText("Card");
  screen.SetAddress(7);
  screen.Communicate().SetComPort(3);
  screen.Communicate().SetLocalPort(1025);
  const std::string cr = "\r";
  const auto gbk = [](const char* s) { return Utf8ToGbk(s); };
  struct TCase {
    model::TCommType Type;
    int Status;
    std::optional<TNotice> Notice;
  } cases[] = {
      {model::ctCom, 0,
       TNotice{"Card" + gbk("无法打开串口") + "3",
               gbk("产生该问题的原因有：") + cr + gbk("  1. 计算机中不存在串口") + "3" + cr +
                   gbk("  2. 其他程序占用了该串口") + cr + gbk("请修改通讯参数或用其他串口发送数据")}},
      {model::ctNetWork, 0,
       TNotice{"Card" + gbk("无法打开端口") + "1025",
               gbk("产生该问题的原因有：") + cr + gbk("1. 防火墙禁止程序使用该端口") + cr + gbk("2. 其他程序占用了该端口") +
                   cr + cr + gbk("将本地端口设为0可自动分配系统未使用的端口")}},
      {model::ct485, 0, TNotice{"Card" + gbk("无法打开端口") + "1025", {}}},
      {model::ctCom, 3,
       TNotice{"Card" + gbk("传输超时"),
               gbk("产生该问题的原因有：") + cr + gbk("1. 不存在地址为") + "7" + gbk("的控制卡") + cr +
                   gbk("2. 波特率,硬件地址输入错误") + cr + gbk("3. 串口号输入错误") + cr + gbk("4. 控制卡设置为级连模式") +
                   cr + gbk("请按此原因排除错误")}},
      {model::ctNetWork, 3,
       TNotice{"Card" + gbk("传输超时"),
               gbk("产生该问题的原因有：") + cr + gbk("1. 不存在地址为") + "7" + gbk("的控制卡") + cr +
                   gbk("2. IP地址,硬件地址输入错误") + cr + gbk("3. 通讯线路不稳定，请多试几次") + cr +
                   gbk("请按此原因排除错误")}},
      {model::ctNetWork, 6, std::nullopt},
      {model::ctCom, 22, std::nullopt},
  };
  for (const TCase& c : cases) {
    screen.Communicate().SetCommunicationType(c.Type);
    screen.SetStatus(c.Status);
    const std::optional<TNotice> notice = StatusNotice(screen);
    ASSERT_EQ(notice.has_value(), c.Notice.has_value()) << c.Status;
    if (!notice) continue;
    EXPECT_EQ(notice->Title, c.Notice->Title) << c.Status;
    if (!c.Notice->Message.empty()) { EXPECT_EQ(notice->Message, c.Notice->Message) << c.Status; }
    EXPECT_EQ(notice->Message.find('\n'), std::string::npos);
  }
}

TEST_F(EditCommands, AStatusChangeShowsTheCurrentCardAndTheNoticeOfTheOneThatFailed) {
  rig.Commands->AddCard();
  model::TLEDScreen& other = *rig.Root().GetScreen(0);
  rig.Screen().SetStatus(model::ssSendDone);
  rig.Screen().SetPower(0);
  other.SetStatus(model::ssTimedOut);
  rig.Root().OnStatusChanged(&other);
  EXPECT_EQ(rig.Form->StatusPanelText(3), ScreenStatusText(model::ssSendDone));
  EXPECT_EQ(rig.Form->StatusPanelText(5), PowerText(0));
  ASSERT_EQ(rig.Notifier.Notices.size(), 1u);
  EXPECT_EQ(rig.Notifier.Notices[0].Title, other.Text() + Utf8ToGbk("传输超时"));
}

// ---- Designer and inspector events -------------------------------------------------------------

TEST_F(EditCommands, FirstShowSetsTheDesignerAndTheInspector) {
  EXPECT_EQ(rig.View.Designer, &rig.Design());
  EXPECT_EQ(rig.Design().Container(), &rig.Page());
  EXPECT_TRUE(rig.Design().Activate());
  EXPECT_EQ(rig.Inspector().Root(), rig.Root().Components(0));
  EXPECT_EQ(rig.View.Expansions, 1);
  EXPECT_EQ(rig.View.Lines().size(), 2u);
}

TEST_F(EditCommands, DesignerEventsReachTheInspectorTheTreeAndThePopUp) {
  model::TText* a = AddText(rig.Page(), "a", 10, 10);
  rig.Commands->RebuildTree();
  // A click selects: the inspector and the tree follow.
  rig.Design().MouseDown(mbLeft, 0, {12, 12}, {112, 212});
  rig.Design().MouseUp(mbLeft, 0, {12, 12}, {112, 212});
  EXPECT_EQ(rig.Inspector().Root(), a);
  EXPECT_EQ(rig.View.SelectedTreeNode().Component, a);
  // A move sets modified.
  rig.Form->SetModified(false);
  rig.Design().MouseDown(mbLeft, 0, {12, 12}, {112, 212});
  rig.Design().MouseMove(0, {20, 15}, {120, 215});
  rig.Design().MouseUp(mbLeft, 0, {20, 15}, {120, 215});
  EXPECT_EQ(a->Left(), 18);
  EXPECT_TRUE(rig.Form->Modified());
  // The right button opens the design pop-up at the screen point.
  rig.Design().MouseDown(mbRight, 0, {20, 15}, {300, 400});
  ASSERT_EQ(rig.View.DesignPopups.size(), 1u);
  EXPECT_EQ(rig.View.DesignPopups[0].X, 300);
  EXPECT_EQ(rig.View.DesignPopups[0].Y, 400);
  // Delete deletes the selection.
  rig.Design().KeyDown(46, 0);
  EXPECT_EQ(rig.Page().ControlCount(), 0);
  EXPECT_EQ(rig.Inspector().Root(), &rig.Page());
  EXPECT_EQ(rig.View.Lines().size(), 2u);
}

TEST_F(EditCommands, AnInspectorWriteReselectsRebuildsAndSetsModified) {
  model::TText* a = AddText(rig.Page(), "a", 10, 10);
  rig.Design().Select(a);
  rig.Inspector().SetRoot(a);
  rig.Form->SetModified(false);
  // What the grid does after it wrote a value.
  platform::PathSetStr(a, "Text", "renamed");
  rig.Inspector().OnChanged(a);
  EXPECT_TRUE(rig.Form->Modified());
  EXPECT_EQ(rig.View.Lines().back(), "    renamed");
  EXPECT_EQ(rig.Design().CurrentControl(), a);
}

TEST_F(EditCommands, ADoubleClickRunsTheObjectsEditorsThroughTheMainWindowsMessages) {
  // Editors of a class of this test's own: the double-click table's says no, the property
  // editor's changes the object.
  std::vector<std::string> calls;
  DoubleClickTable().Register("TUntitled", "Caption", nullptr,
                              [&](platform::TObject*, const std::string& path) {
                                calls.push_back("double-click " + path);
                                return false;
                              },
                              pdEditor);
  PropertyEditorTable().Register("TUntitled", "Tag", nullptr,
                                 [&](platform::TObject* object, const std::string& path) {
                                   calls.push_back("property " + path);
                                   static_cast<platform::TComponent*>(object)->SetTag(5);
                                   return true;
                                 },
                                 pdEditor);
  auto* untitled = new TUntitled(&rig.Page());
  untitled->SetParent(&rig.Page());
  untitled->SetBounds(10, 10, 30, 30);
  rig.Form->SetModified(false);
  rig.Design().DoubleClick(0, {20, 20}, {120, 120});
  EXPECT_TRUE(calls.empty());  // the message is only posted
  platform::ProcessMessages();
  EXPECT_EQ(calls, (std::vector<std::string>{"double-click Caption", "property Tag"}));
  EXPECT_EQ(untitled->Tag(), 5);
  EXPECT_TRUE(rig.Form->Modified());
  EXPECT_EQ(rig.Inspector().Root(), untitled);

  // An object freed before its message arrives is left alone.
  rig.Design().DoubleClick(0, {20, 20}, {120, 120});
  delete untitled;
  platform::ProcessMessages();
  EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
}  // namespace editor
