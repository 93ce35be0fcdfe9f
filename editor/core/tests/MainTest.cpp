#include "editor/core/Main.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "Fakes.h"
#include "Projects.h"
#include "editor/core/Application.h"
#include "model/CardLink.h"
#include "model/objects/PageflatClient.h"
#include "model/tests/CardFakes.h"
#include "platform/base/tests/ScopedEnv.h"
#include "platform/gfx/Picture.h"
#include "editor/core/StatusTexts.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using test::TFakeClipboard;
using test::TFakeDialogs;
using test::TTempFolder;

using test::TFakeView;

struct TMainFixture : ::testing::Test {
  TTempFolder dir;
  platform::TFakeClock clock{5000};
  TFakeView view;
  TFakeDialogs dialogs;
  TFakeClipboard clipboard;

  std::unique_ptr<TDesignForm> Make(std::vector<std::string> args = {}) {
    TMainOptions options;
    options.ProgramDir = dir.Path();
    options.Args = std::move(args);
    options.Clock = &clock;
    return std::make_unique<TDesignForm>(view, dialogs, clipboard, options);
  }
  platform::TSettingsFile Settings() { return platform::TSettingsFile(dir.File("Param.ini")); }
};

TEST_F(TMainFixture, CreationWithoutSettingsIsMaximizedWithTheBareCaption) {
  auto form = Make();
  ASSERT_TRUE(form->Create());
  EXPECT_TRUE(view.Place.Maximized);
  EXPECT_EQ(view.Caption, Utf8ToGbk("LED显示屏控制软件"));
  EXPECT_TRUE(view.Recent.empty());
  EXPECT_EQ(form->CurrentFile(), "");
  EXPECT_EQ(dialogs.PasswordPrompts, 0);
  EXPECT_TRUE(form->Timer1().Enabled());
  EXPECT_EQ(form->Timer1().Interval(), 40u);
  // The first tip starts at the right edge of the tips area.
  EXPECT_EQ(form->MarqueeOffset(), 1000 - TipsAreaLeft);
  EXPECT_EQ(form->StatusPanelText(5), Utf8ToGbk("状态未知"));
}

TEST_F(TMainFixture, NotMaximizedWithoutPlacementIs640By480AtTheOrigin) {
  dir.Write("Param.ini", "[Param]\nMaximized=0\n");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  EXPECT_FALSE(view.Place.Maximized);
  EXPECT_EQ(view.Place.Left, 0);
  EXPECT_EQ(view.Place.Top, 0);
  EXPECT_EQ(view.Place.Width, 640);
  EXPECT_EQ(view.Place.Height, 480);
}

TEST_F(TMainFixture, ARefusedStartupPasswordEndsTheProgramWritingNothing) {
  const std::string ini = "[Param]\nEnter=1\nMaximized=0\n[Auto Save]\nFiles=/p/a.fmt\n";
  dir.Write("Param.ini", ini);
  auto form = Make();
  EXPECT_FALSE(form->Create());
  EXPECT_EQ(dialogs.PasswordPrompts, 1);
  EXPECT_FALSE(form->Timer1().Enabled());
  form->FirstShow();
  form->Destroy();
  EXPECT_EQ(dir.Read("Param.ini"), ini);

  dialogs.PasswordAccepted = true;
  auto accepted = Make();
  EXPECT_TRUE(accepted->Create());
  EXPECT_EQ(accepted->CurrentFile(), "/p/a.fmt");
}

TEST_F(TMainFixture, RecentFilesFillTheMenuAndTheFirstIsTheCurrentFile) {
  dir.Write("Param.ini", "[Auto Save]\nFiles=/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt,/p/e.fmt\n");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  ASSERT_EQ(view.Recent.size(), 4u);
  EXPECT_EQ(view.Recent[3].Path, "/p/d.fmt");
  EXPECT_EQ(form->CurrentFile(), "/p/a.fmt");
  EXPECT_EQ(view.Caption, Utf8ToGbk("LED显示屏控制软件 - /p/a.fmt"));
  std::string opened;
  form->Hooks().OpenRecentFile = [&](const std::string& path) { opened = path; };
  form->OpenRecentFile(view.Recent[2].Path);
  EXPECT_EQ(opened, "/p/c.fmt");
}

// The command line and the files present decide the current file, the caption, the project
// loaded (its screens and pages) and whether the preview of all pages starts.
TEST_F(TMainFixture, FirstShowTable) {
  using test::TLayout;
  const TLayout none = {-1};  // the file is not there
  const TLayout garbage = {-2};  // the file is there but holds no project
  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    TLayout Last, Arg, Default;
    std::string File;    // "" none, "last" or "arg"
    std::string Shown;   // whose screens are shown: "last", "arg", "Default" or "" (the root's own)
    TLayout Pages;       // pages per screen afterwards
    bool Preview;
  } cases[] = {
      {"last file", {}, {2, 1}, {3}, {1}, "last", "last", {2, 1}, false},
      {"P and a file", {"P", "arg"}, {2, 1}, {3}, {1}, "arg", "arg", {3}, true},
      {"p and a missing file", {"p", "arg"}, {2, 1}, none, {1}, "", "Default", {1}, true},
      {"p alone", {"p"}, {2, 1}, {3}, {1}, "last", "last", {2, 1}, true},
      {"p with three", {"p", "arg", "x"}, {2, 1}, {3}, {1}, "last", "last", {2, 1}, true},
      {"other first argument", {"q", "arg"}, {2, 1}, {3}, {1}, "last", "last", {2, 1}, false},
      {"missing last file, Default with and without pages", {}, none, none, {0, 2, 0}, "", "Default", {1, 2, 1},
       false},
      {"missing last file, no Default", {}, none, none, none, "", "", {1}, false},
      {"missing last file, Default that does not load", {}, none, none, garbage, "", "", {1}, false},
      {"a file that does not load", {}, garbage, none, {2}, "", "", {1}, false},
  };
  test::PrepareModel();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder local;
    const std::string last = local.File("last.fmt"), arg = local.File("arg.fmt");
    for (auto [name, layout] : {std::pair{"last", c.Last}, {"arg", c.Arg}, {"Default", c.Default}}) {
      const std::string fileName = std::string(name) + (std::string(name) == "Default" ? ".spj" : ".fmt");
      if (layout == garbage) {
        local.Write(fileName, "Object x\r\nnot a project\r\n");
      } else if (layout != none) {
        ASSERT_TRUE(test::WriteProject(local.File(fileName), layout, name, 200));
      }
    }
    local.Write("Param.ini", "[Auto Save]\nFiles=" + last + "\n");
    std::vector<std::string> args;
    for (auto& a : c.Args) args.push_back(a == "arg" ? arg : a);

    TMainOptions options;
    options.ProgramDir = local.Path();
    options.Args = args;
    options.Clock = &clock;
    TDesignForm form(view, dialogs, clipboard, options);
    bool previewed = false;
    int shownWithPage = 0;
    form.Hooks().ShowProject = [&] {
      if (form.CurrentLeaf() && form.CurrentLeaf()->Parent() == &form.Container()) ++shownWithPage;
    };
    form.Hooks().PreviewAll = [&] { previewed = true; };
    ASSERT_TRUE(form.Create());
    EXPECT_EQ(form.ProjectRoot(), nullptr);
    form.SetCurrentScreen(2);
    form.FirstShow();
    form.FirstShow();  // once only

    const std::string file = c.File == "last" ? last : c.File == "arg" ? arg : "";
    EXPECT_EQ(form.CurrentFile(), file);
    EXPECT_EQ(view.Caption, TDesignForm::CaptionFor(file));
    ASSERT_NE(form.ProjectRoot(), nullptr);
    EXPECT_EQ(test::LayoutOf(*form.ProjectRoot()), c.Pages);
    EXPECT_EQ(form.CurrentScreen(), 0);
    EXPECT_EQ(form.CurrentPage(), 0);
    // The first page of the first screen is shown, filling `Container`, and the panels and the
    // edit area follow its screen.
    EXPECT_EQ(shownWithPage, 1);
    model::TLeaf* page = form.CurrentLeaf();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Align(), platform::alClient);
    EXPECT_TRUE(page->Active());
    const std::string screenText = c.Shown.empty() ? Utf8ToGbk("控制卡0") : c.Shown + "-0";
    EXPECT_EQ(form.StatusPanelText(1), screenText);
    EXPECT_EQ(form.StatusPanelText(3), Utf8ToGbk("状态未知"));
    const int width = c.Shown.empty() ? 512 : 200;
    EXPECT_EQ(form.EditPanelWidth(), width + 6);
    EXPECT_EQ(page->Width(), width);
    EXPECT_EQ(page->Height(), 256);
    EXPECT_FALSE(previewed) << "the preview waits for the start message";
    platform::ProcessMessages();
    EXPECT_EQ(previewed, c.Preview);

    form.Destroy();
    EXPECT_EQ(form.ProjectRoot(), nullptr);
    EXPECT_EQ(form.Container().ControlCount(), 0);
  }
}

// Linux names are bytes: a project named on the command line in Latin-1 or GBK bytes opens by
// those bytes. One that does not open is said once the window shows, as a failed open says it,
// and the preview starts all the same; the last file of the list falls back without a word.
TEST_F(TMainFixture, ACommandLineFileOpensByItsBytesOrSaysItDidNot) {
  test::PrepareModel();
  enum { Project, Garbage, Missing };
  struct TCase {
    const char* Name;
    const char* OsName;
    int Content;
    bool FromCommandLine;
  } cases[] = {
      {"Latin-1", "caf\xE9.fmt", Project, true},
      {"GBK", "\xB2\xE2\xCA\xD4.fmt", Project, true},
      {"UTF-8", "\xE6\xB5\x8B\xE8\xAF\x95.fmt", Project, true},
      {"missing", "caf\xE9-none.fmt", Missing, true},
      {"not a project", "\xB2\xE2.fmt", Garbage, true},
      {"last file not a project", "\xB2\xE2.fmt", Garbage, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder local;
    const std::string os = local.File(c.OsName);
    if (c.Content == Project) {
      ASSERT_TRUE(test::WriteProject(local.File("made.fmt"), {2}, "named"));
      std::filesystem::rename(local.File("made.fmt"), os);
    } else if (c.Content == Garbage) {
      local.Write(c.OsName, "Object x\r\nnot a project\r\n");
    }
    const std::string gbk = platform::GbkPathFromOs(os);
    if (!c.FromCommandLine) local.Write("Param.ini", "[Auto Save]\r\nFiles=" + gbk + "\r\n");
    TMainOptions options;
    options.ProgramDir = local.Path();
    if (c.FromCommandLine) options.Args = {"p", gbk};
    options.Clock = &clock;
    TFakeDialogs told;
    TDesignForm form(view, told, clipboard, options);
    bool previewed = false;
    form.Hooks().PreviewAll = [&] { previewed = told.Boxes.size() == (c.Content == Project || !c.FromCommandLine ? 0u : 1u); };
    ASSERT_TRUE(form.Create());
    form.FirstShow();
    EXPECT_TRUE(told.Boxes.empty()) << "said once the window shows";
    platform::ProcessMessages();
    if (c.Content == Project) {
      EXPECT_EQ(form.CurrentFile(), gbk);
      EXPECT_EQ(test::LayoutOf(*form.ProjectRoot()), (test::TLayout{2}));
      EXPECT_EQ(form.StatusPanelText(1), "named-0");
      EXPECT_TRUE(told.Boxes.empty());
    } else {
      EXPECT_EQ(form.CurrentFile(), "");
      ASSERT_EQ(told.Boxes.size(), c.FromCommandLine ? 1u : 0u);
      if (c.FromCommandLine) {
        EXPECT_EQ(told.Boxes[0].Text, Utf8ToGbk("您所选择文件不是显示内容描述文件,请重新选择"));
        EXPECT_EQ(told.Boxes[0].Caption, Utf8ToGbk("提示信息"));
      }
    }
    EXPECT_EQ(previewed, c.FromCommandLine);
    form.Destroy();
  }
}

// A project file is shown as it was saved: a first screen without pages shows no page.
TEST_F(TMainFixture, AFirstScreenWithoutPagesShowsNoPage) {
  test::PrepareModel();
  ASSERT_TRUE(test::WriteProject(dir.File("bare.fmt"), {0, 2}, "bare"));
  auto form = Make({"p", dir.File("bare.fmt")});
  int shown = 0;
  form->Hooks().ShowProject = [&] { ++shown; };
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  EXPECT_EQ(form->CurrentFile(), dir.File("bare.fmt"));
  EXPECT_EQ(test::LayoutOf(*form->ProjectRoot()), (test::TLayout{0, 2}));
  EXPECT_EQ(form->CurrentLeaf(), nullptr);
  EXPECT_EQ(form->Container().ControlCount(), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(form->StatusPanelText(1), "bare-0");
  form->Destroy();
}

TEST_F(TMainFixture, FirstShowReadsPanelPositionsAndTheTemporaryFolder) {
  dir.Write("Param.ini", "[Param]\nObjectList Height=222\nMenu Three Left=5\n");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  EXPECT_EQ(view.ListHeight, 222);
  EXPECT_EQ(view.MenuLeft, 5);
  EXPECT_EQ(view.MenuTop, 34);
  ASSERT_FALSE(form->TempFolder().empty());
  EXPECT_EQ(form->TempFolder().back(), '/');
}

TEST_F(TMainFixture, MissingTipsShowTheWelcomeLineAndLeaveTipUnwritten) {
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  EXPECT_EQ(form->Tips().Current(), TTips::WelcomeTip());
  EXPECT_FALSE(form->Settings().ValueExists("Param", "Tip"));
}

TEST_F(TMainFixture, AnEmptyTipsFileShowsTheBuiltInTip) {
  dir.Write("Tips.txt", "");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  EXPECT_EQ(form->Tips().Current(), TTips::BuiltInTip());
  EXPECT_EQ(form->Settings().ReadInteger("Param", "Tip", -1), 0);
}

TEST_F(TMainFixture, TheMarqueeScrollsAdvancesAndStoresTheTip) {
  dir.Write("Tips.txt", "first\r\n\r\nthird tip\r\n");
  dir.Write("Param.ini", "[Param]\nTip=2\n");
  view.BarWidth = TipsAreaLeft + 20;
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  // The tip after the stored index, wrapping: line 0.
  EXPECT_EQ(form->Tips().Current(), "first");
  EXPECT_EQ(form->Settings().ReadInteger("Param", "Tip", -1), 0);
  EXPECT_EQ(form->MarqueeOffset(), 20);

  // "first" is 40 pixels: it has left the area once offset + 40 < 1.
  for (int i = 0; i < 59; ++i) form->Timer1Timer();
  EXPECT_EQ(form->MarqueeOffset(), -39);
  EXPECT_EQ(form->Tips().Current(), "first");
  form->Timer1Timer();
  EXPECT_EQ(form->MarqueeOffset(), 0);
  EXPECT_EQ(form->Tips().Current(), "third tip");
  EXPECT_EQ(form->Settings().ReadInteger("Param", "Tip", -1), 2);
  EXPECT_EQ(view.TipRepaints, 60);

  for (int i = 0; i < 71; ++i) form->Timer1Timer();
  EXPECT_EQ(form->Tips().Current(), "third tip");
  form->Timer1Timer();
  EXPECT_EQ(form->Tips().Current(), "first");
  EXPECT_EQ(form->Settings().ReadInteger("Param", "Tip", -1), 0);
}

TEST_F(TMainFixture, TipsOfEmptyLinesShowNothingAndDoNotRewriteTheSettings) {
  dir.Write("Tips.txt", "\n\n\n");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->FirstShow();
  EXPECT_EQ(form->Tips().Current(), "");
  const std::string written = dir.Read("Param.ini");
  dir.Write("Param.ini", written + "; untouched\n");
  view.TipRepaints = 0;
  for (int i = 0; i < 1000; ++i) form->Timer1Timer();
  EXPECT_EQ(dir.Read("Param.ini"), written + "; untouched\n");
  EXPECT_TRUE(form->TipRuns(300).empty());
  EXPECT_EQ(view.TipRepaints, 0) << "nothing to show: the marquee is not drawn again";
}

TEST_F(TMainFixture, Timer1RunsOnTheInjectedClockAndDeletesOneQueuedFilePerTick) {
  dir.Write("a.tmp", "a");
  dir.Write("b.tmp", "b");
  auto form = Make();
  ASSERT_TRUE(form->Create());
  ASSERT_TRUE(form->AddTempFile(dir.File("a.tmp")));
  ASSERT_TRUE(form->AddTempFile(dir.File("b.tmp")));
  platform::ProcessMessages();
  EXPECT_TRUE(dir.Exists("a.tmp"));
  clock.Advance(40);
  platform::ProcessMessages();
  EXPECT_FALSE(dir.Exists("a.tmp"));
  EXPECT_TRUE(dir.Exists("b.tmp"));
  clock.Advance(40);
  platform::ProcessMessages();
  EXPECT_FALSE(dir.Exists("b.tmp"));
}

TEST_F(TMainFixture, DestructionWritesEveryKeyAndTheNextStartReadsThem) {
  dir.Write("Param.ini", "[Param]\nMaximized=0\nCardAddress=7\n");
  {
    auto form = Make();
    ASSERT_TRUE(form->Create());
    form->FirstShow();
    view.Place = {false, 11, 22, 800, 600};
    view.ListHeight = 199;
    view.MenuLeft = 3;
    view.MenuTop = 40;
    bool freed = false;
    // The designer and inspector go while the project they show is still there.
    form->Hooks().FreeProject = [&] { freed = form->ProjectRoot() != nullptr; };
    form->Destroy();
    EXPECT_TRUE(freed);
    EXPECT_FALSE(form->Timer1().Enabled());
  }
  auto s = Settings();
  EXPECT_EQ(s.ReadString("Param", "Maximized", ""), "0");
  EXPECT_EQ(s.ReadInteger("Param", "Left", -1), 11);
  EXPECT_EQ(s.ReadInteger("Param", "Top", -1), 22);
  EXPECT_EQ(s.ReadInteger("Param", "Width", -1), 800);
  EXPECT_EQ(s.ReadInteger("Param", "Height", -1), 600);
  EXPECT_EQ(s.ReadInteger("Param", "ObjectList Height", -1), 199);
  EXPECT_EQ(s.ReadInteger("Param", "Menu Three Left", -1), 3);
  EXPECT_EQ(s.ReadInteger("Param", "Menu Three Top", -1), 40);
  EXPECT_EQ(s.ReadInteger("Param", "CardAddress", -1), 7);

  view = TFakeView();
  auto again = Make();
  ASSERT_TRUE(again->Create());
  again->FirstShow();
  EXPECT_EQ(view.Place.Left, 11);
  EXPECT_EQ(view.Place.Height, 600);
  EXPECT_FALSE(view.Place.Maximized);
  EXPECT_EQ(view.ListHeight, 199);
  EXPECT_EQ(view.MenuTop, 40);
}

// A whole run reads "Param.ini" once and writes it once, at the end, with every key in the order
// the run wrote them.
TEST_F(TMainFixture, ARunReadsTheSettingsOnceAndWritesThemOnceAtTheEnd) {
  dir.Write("Tips.txt", "first\r\nsecond\r\n");
  dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\nCardAddress=7\r\n");
  view.BarWidth = TipsAreaLeft + 20;
  int reads = 0, writes = 0;
  const platform::TSettingsStorage files = platform::FileSettingsStorage();
  TMainOptions options;
  options.ProgramDir = dir.Path();
  options.Clock = &clock;
  options.SettingsStorage.Read = [&](const std::string& path, std::string& content) {
    ++reads;
    return files.Read(path, content);
  };
  options.SettingsStorage.Write = [&](const std::string& path, std::string_view content) {
    ++writes;
    return files.Write(path, content);
  };
  {
    TDesignForm form(view, dialogs, clipboard, options);
    ASSERT_TRUE(form.Create());
    form.FirstShow();
    for (int i = 0; i < 500; ++i) form.Timer1Timer();  // the tip moves on several times
    form.SetCurrentFile("/p/now.fmt");
    form.AddRecentFile();
    view.Place = {false, 11, 22, 800, 600};
    ASSERT_TRUE(form.CloseQuery());
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(form.Settings().ReadInteger("Param", "Tip", -1), form.Tips().Index());
    form.Destroy();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(writes, 1);
  }
  EXPECT_EQ(dir.Read("Param.ini"),
            "[Param]\r\nMaximized=0\r\nCardAddress=7\r\nTip=1\r\nLeft=11\r\nTop=22\r\nWidth=800\r\n"
            "Height=600\r\nObjectList Height=160\r\nMenu Three Left=0\r\nMenu Three Top=34\r\n"
            "[Auto Save]\r\nFiles=/p/now.fmt\r\n");
}

// (modified, answer, save wrote) -> closed, still modified, "Files" written, clipboard emptied.
TEST_F(TMainFixture, CloseRequestTable) {
  enum { NoSave, Wrote, DidNotWrite };
  struct TCase {
    bool Modified;
    TMessageAnswer Answer;
    int Save;
    bool OursOnClipboard;
    bool Closed, StillModified, Asked, Saved;
  } cases[] = {
      {false, TMessageAnswer::Cancel, NoSave, true, true, false, false, false},
      {false, TMessageAnswer::Cancel, NoSave, false, true, false, false, false},
      {true, TMessageAnswer::Cancel, Wrote, true, false, true, true, false},
      {true, TMessageAnswer::No, Wrote, true, true, true, true, false},
      {true, TMessageAnswer::Yes, Wrote, true, true, false, true, true},
      {true, TMessageAnswer::Yes, DidNotWrite, true, false, true, true, true},
      {true, TMessageAnswer::Yes, NoSave, false, false, true, true, false},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    TTempFolder local;
    local.Write("Param.ini", "[Auto Save]\nFiles=/p/old.fmt\n");
    TMainOptions options;
    options.ProgramDir = local.Path();
    options.Clock = &clock;
    TFakeDialogs answers;
    answers.Answers = {c.Answer};
    TFakeClipboard clip;
    if (c.OursOnClipboard) clip.SetDisplayFormat("Object Text1: TText\nEnd\n");
    else clip.HasOther = true;
    TDesignForm form(view, answers, clip, options);
    ASSERT_TRUE(form.Create());
    form.SetCurrentFile("/p/now.fmt");
    form.SetModified(c.Modified);
    bool saved = false;
    if (c.Save != NoSave) {
      form.Hooks().Save = [&] {
        saved = true;
        form.SetModified(false);  // the save command clears it, whether it wrote or not
        return c.Save == Wrote;
      };
    }

    EXPECT_EQ(form.CloseQuery(), c.Closed);
    EXPECT_EQ(form.Modified(), c.StillModified);
    EXPECT_EQ(saved, c.Saved);
    ASSERT_EQ(answers.Boxes.size(), c.Asked ? 1u : 0u);
    if (c.Asked) {
      EXPECT_EQ(answers.Boxes[0].Text, Utf8ToGbk("您已修改过正在编辑的内容，是否保存修改?"));
      EXPECT_EQ(answers.Boxes[0].Caption, Utf8ToGbk("提示信息"));
      EXPECT_EQ(answers.Boxes[0].Icon, TMessageIcon::Question);
      EXPECT_EQ(answers.Boxes[0].Buttons, TMessageButtons::YesNoCancel);
    }
    EXPECT_EQ(form.Settings().ReadString("Auto Save", "Files", ""), c.Closed ? "/p/now.fmt,/p/old.fmt" : "/p/old.fmt");
    EXPECT_EQ(clip.Clears, c.Closed && c.OursOnClipboard ? 1 : 0);
    EXPECT_EQ(clip.HasOther, !c.OursOnClipboard);
    EXPECT_EQ(form.Timer1().Enabled(), !c.Closed);
  }
}

TEST_F(TMainFixture, ACloseBySignalAnswersNoWithoutAsking) {
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->SetCurrentFile("/p/now.fmt");
  form->SetModified(true);
  bool saved = false;
  form->Hooks().Save = [&] { return saved = true; };
  EXPECT_TRUE(form->CloseQuery(true));
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_FALSE(saved);
  EXPECT_EQ(form->Settings().ReadString("Auto Save", "Files", ""), "/p/now.fmt");
}

TEST_F(TMainFixture, EditMessagesCarryTheControlAndFallBackToThePropertyEditor) {
  auto form = Make();
  ASSERT_TRUE(form->Create());
  std::vector<std::string> calls;
  form->Hooks().EditObject = [&](TControlId id) {
    calls.push_back("object " + std::to_string(id));
    return id == 7;
  };
  form->Hooks().EditProperty = [&](TControlId id) { calls.push_back("property " + std::to_string(id)); };
  platform::PostMessageTo(form->Handle(), WM_EDIT_OBJECT, 7);
  platform::PostMessageTo(form->Handle(), WM_EDIT_OBJECT, 8);
  platform::PostMessageTo(form->Handle(), WM_EDIT_PROPERTY, 9);
  platform::ProcessMessages();
  EXPECT_EQ(calls, (std::vector<std::string>{"object 7", "object 8", "property 8", "property 9"}));
}

TEST_F(TMainFixture, StatusPanelsShowTheScreenStatusAndPower) {
  auto form = Make();
  ASSERT_TRUE(form->Create());
  form->ShowScreenPanels(Utf8ToGbk("控制卡1"), 1);
  EXPECT_EQ(form->StatusPanelText(1), Utf8ToGbk("控制卡1"));
  EXPECT_EQ(form->StatusPanelText(3), Utf8ToGbk("状态未知"));
  EXPECT_EQ(form->StatusPanelColor(3), PureGreen);
  EXPECT_EQ(form->StatusPanelColor(1), PureBlue);
  form->ShowScreenPanels(Utf8ToGbk("控制卡1"), 6);
  EXPECT_EQ(form->StatusPanelText(3), Utf8ToGbk("发送完成"));
  EXPECT_EQ(form->StatusPanelColor(3), PureRed);
  form->ShowPower(1);
  EXPECT_EQ(form->StatusPanelText(5), Utf8ToGbk("电源打开"));
  EXPECT_EQ(form->StatusPanelText(0), Utf8ToGbk("当前控制卡"));
  EXPECT_EQ(form->StatusPanelText(6), Utf8ToGbk("小帖士"));
  EXPECT_EQ(view.PanelRepaints, 3);
}

TEST(StatusTexts, TableEndsAndPower) {
  EXPECT_EQ(ScreenStatusText(0), Utf8ToGbk("端口打开错误"));
  EXPECT_EQ(ScreenStatusText(13), Utf8ToGbk("校正主板时钟"));
  EXPECT_EQ(ScreenStatusText(24), Utf8ToGbk("正在读取开关屏时间表"));
  EXPECT_EQ(ScreenStatusText(35), Utf8ToGbk("等待下载"));
  EXPECT_EQ(ScreenStatusText(36), Utf8ToGbk("状态未知"));
  EXPECT_EQ(ScreenStatusText(-1), Utf8ToGbk("状态未知"));
  EXPECT_EQ(PowerText(0), Utf8ToGbk("电源关闭"));
  EXPECT_EQ(PowerText(2), Utf8ToGbk("状态未知"));
}

TEST(EditArea, CentresOnlyWhileThePanelIsSmallerThanTheClient) {
  struct {
    int Client, Panel, Scroll, Edge;
  } cases[] = {
      {100, 60, 0, 20},
      {101, 60, 0, 20},
      {100, 100, 0, 0},
      // Wider than the client but not twice as wide: follows the scroll position, never a
      // negative edge that cannot be scrolled to.
      {100, 150, 0, 0},
      {100, 150, 30, -30},
      {100, 400, 250, -250},
  };
  for (auto& c : cases) EXPECT_EQ(CentredEdge(c.Client, c.Panel, c.Scroll), c.Edge) << c.Client << " " << c.Panel;
}

TEST_F(TMainFixture, SetEditAreaSizeAddsTheBorder) {
  auto form = Make();
  form->SetEditAreaSize(128, 64);
  EXPECT_EQ(view.EditWidth, 134);
  EXPECT_EQ(view.EditHeight, 70);
}

struct TProjectFixture : ::testing::Test {
  test::TTempFolder dir;
  platform::TFakeClock clock{5000};
  TFakeView view;
  test::TFakeDialogs dialogs;
  test::TFakeClipboard clipboard;
  model::test::TFakePrompts prompts;
  std::unique_ptr<TDesignForm> form;

  void SetUp() override {
    test::PrepareModel();
    TMainOptions options;
    options.ProgramDir = dir.Path();
    options.Clock = &clock;
    options.CardPrompts = &prompts;
    form = std::make_unique<TDesignForm>(view, dialogs, clipboard, options);
    ASSERT_TRUE(form->Create());
    form->FirstShow();
    ASSERT_NE(form->ProjectRoot(), nullptr);
  }
};

// A status change of any screen shows the current screen's status and power, and the screen
// that changed goes on to the notices.
TEST_F(TProjectFixture, StatusChangesShowTheCurrentScreenAndPassOnTheOneThatChanged) {
  model::TConstructer& root = *form->ProjectRoot();
  EXPECT_EQ(root.CardPrompts(), &prompts);
  model::TLEDScreen* other = root.AddScreen("");
  model::TLEDScreen* current = root.GetScreen(0);
  std::vector<model::TLEDScreen*> told;
  form->Hooks().ScreenStatusChanged = [&](model::TLEDScreen& screen) { told.push_back(&screen); };

  // No link manager: the operation ends in "port open error" at once.
  model::SetLEDManager(nullptr);
  current->SetPower(0);
  root.ReadPower(*other);
  ASSERT_EQ(other->Status(), 0);
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back(), other);
  EXPECT_EQ(form->StatusPanelText(3), Utf8ToGbk("状态未知"));
  EXPECT_EQ(form->StatusPanelColor(3), PureGreen);
  EXPECT_EQ(form->StatusPanelText(5), Utf8ToGbk("电源关闭"));

  told.clear();
  root.ReadPower(*current);
  EXPECT_EQ(form->StatusPanelText(3), Utf8ToGbk("端口打开错误"));
  EXPECT_EQ(form->StatusPanelColor(3), PureRed);
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back(), current);

  // A changed parameter block resizes the edit area to the current screen.
  current->SetScreenWidth(320);
  current->SetScreenHeight(96);
  root.OnParamChanged(current);
  EXPECT_EQ(view.EditWidth, 326);
  EXPECT_EQ(view.EditHeight, 102);
  EXPECT_EQ(form->CurrentLeaf()->Width(), 320);
}

TEST_F(TProjectFixture, ANewRootReplacesTheProjectAndItsShownPage) {
  model::TLeaf* shown = form->CurrentLeaf();
  ASSERT_EQ(form->Container().ControlCount(), 1);
  EXPECT_EQ(form->Container().Controls(0), shown);
  model::TConstructer& root = form->NewProjectRoot();
  EXPECT_EQ(form->ProjectRoot(), &root);
  EXPECT_EQ(root.CardPrompts(), &prompts);
  EXPECT_EQ(form->Container().ControlCount(), 0);
  form->ShowCurrentPage();
  EXPECT_EQ(form->Container().Controls(0), form->CurrentLeaf());
}

TEST(DisplayClasses, RegisteredInTheirOrderOnce) {
  model::TComponentManager registry;
  RegisterDisplayClasses(registry);
  RegisterDisplayClasses(registry);
  std::vector<std::string> names;
  for (int i = 0; i < registry.Count(); ++i) names.push_back(registry.Classes(i)->ClassName());
  EXPECT_EQ(names, (std::vector<std::string>{"TTemperature", "THumidity", "TNoise", "TLEDScreen", "TLeaf", "TText",
                                             "TDateTimeComponent", "TMultiText", "TPhoto", "TCountUp", "TCountDown",
                                             "TAVIPlayer", "TAnalogClock", "TMultiString", "TMultiCard", "TCards",
                                             "TWordObject", "TTableObject", "TStringFile", "TCampaignTime"}));
  EXPECT_EQ(registry.Count(), 20);
}

TEST(Application, SharesItsLinkManagerAndRegistersClassesAndPictureFormats) {
  {
    TApplication application;
    EXPECT_EQ(model::LEDManager(), &application.LEDManager());
    EXPECT_NE(model::ComponentManager().FindClass("TLEDScreen"), nullptr);
    EXPECT_NE(model::ComponentManager().FindClass("tmultistring"), nullptr);
    for (const char* extension : {"gif", "tga", "png", "bmp", "jpg"})
      EXPECT_NE(platform::TPicture::FindExtension(extension), nullptr) << extension;
  }
  EXPECT_EQ(model::LEDManager(), nullptr);
  const int count = model::ComponentManager().Count();
  {
    TApplication again;
    EXPECT_EQ(model::ComponentManager().Count(), count);
  }
}

TEST(Application, RunsTheDocumentConverterFromStartToExit) {
  platform::test::TScopedEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  std::string folder;
  pid_t pid = 0;
  {
    TApplication application;
    ASSERT_TRUE(model::PageflatClient().Running());
    folder = model::PageflatClient().Folder();
    pid = model::PageflatClient().Pid();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
  }
  // Gone with its private folder; the process is reaped (no zombie answers signal 0).
  EXPECT_FALSE(model::PageflatClient().Running());
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_NE(::kill(pid, 0), 0);
}

}  // namespace
}  // namespace editor
