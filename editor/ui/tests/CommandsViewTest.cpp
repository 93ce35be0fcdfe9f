// The main window's commands from their actions, offscreen: every action in its places, menu
// enabling as the menus open, the object tree's items, the system clipboard, the notice window
// and one send to the simulated card from start to end. Dialogs and notices are scripted unless
// a test shows the program's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <stdlib.h>

#include "editor/core/StatusTexts.h"
#include "editor/core/tests/CommandFakes.h"
#include "editor/ui/AutoSendForms.h"
#include "editor/ui/DesignView.h"
#include "editor/ui/GridTable.h"
#include "editor/ui/ParamSet.h"
#include "editor/ui/Skinning.h"
#include "editor/ui/ScheduleForms.h"
#include "editor/ui/Notifier.h"
#include "editor/ui/OnLineList.h"
#include "editor/ui/StatusBar.h"
#include "editor/ui/tests/Program.h"
#include "model/DFMStream.h"
#include "model/ObjectText.h"
#include "model/ProgramRecords.h"
#include "model/ScreenStatus.h"
#include "model/objects/Texts.h"
#include "platform/base/GbkText.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/MessageWindow.h"
#include "platform/comm/ComPortNames.h"
#include "tools/cardsim/CardSim.h"

namespace editor::ui {
namespace {

using platform::Utf8ToGbk;
using editor::test::AddText;
using editor::test::TProgram;

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// The program with scripted dialogs for the commands and a recording notifier.
struct TCommandsProgram : TProgram {
  editor::test::TFakeCommandDialogs Modal;
  editor::test::TFakeNotifier Notifier;
  bool Start(bool ownNotices = false, bool systemClipboard = false) {
    return TProgram::Start({}, {}, [&](TStartupOptions& options) {
      options.CommandDialogs = &Modal;
      if (!ownNotices) options.Notifier = &Notifier;
      if (systemClipboard) options.Clipboard = nullptr;
    });
  }
  QAction* Action(TCommand command) { return Window().Action(command); }
  TCommands& Commands() { return Window().Commands(); }
  model::TConstructer& Root() { return *Form().ProjectRoot(); }
  model::TLEDScreen& Screen() { return *Form().CurrentScreenObject(); }
  model::TLeaf& Page() { return *Form().CurrentLeaf(); }
  TDesign& Design() { return *Commands().Design(); }
  QTreeWidget& Tree() { return *Window().ObjectList(); }
  void Trigger(TCommand command) { Action(command)->trigger(); }
};

QMenu* MenuOf(TDesignFormView& window, const char* name) { return window.findChild<QMenu*>(name); }

// ---- Actions ------------------------------------------------------------------------------------

TEST(CommandActions, EveryCommandHasItsActionInItsPlaces) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  const std::pair<uint32_t, QWidget*> places[] = {
      {cpFileMenu, MenuOf(window, "File1")},       {cpEditMenu, MenuOf(window, "Edit1")},
      {cpInsertMenu, MenuOf(window, "Insert1")},   {cpCardMenu, MenuOf(window, "Card1")},
      {cpPreviewMenu, MenuOf(window, "Preview1")}, {cpRemoteMenu, MenuOf(window, "Remote1")},
      {cpSystemMenu, MenuOf(window, "System1")},   {cpClipboardBar, window.ToolBar(1)},
      {cpFileBar, window.ToolBar(2)},              {cpObjectBar, window.ToolBar(3)},
      {cpHiddenBar, window.ToolBar(4)},            {cpCardBar, window.ToolBar(5)},
      {cpLastBar, window.ToolBar(7)},              {cpDesignPopup, window.DesignPopup()},
      {cpTreePopup, window.TreePopup()},
  };
  for (const TCommandInfo& info : CommandTable()) {
    auto* action = window.findChild<QAction*>(Text(info.Name));
    ASSERT_EQ(action, program.Action(info.Id)) << info.Name;
    EXPECT_EQ(action->text(), Text(info.Caption.empty() ? info.Hint : info.Caption)) << info.Name;
    if (!info.ToolTip.empty()) { EXPECT_EQ(action->toolTip(), Text(info.ToolTip)); }
    EXPECT_EQ(action->shortcut(), QKeySequence(Text(info.Shortcut), QKeySequence::PortableText)) << info.Name;
    for (const auto& [place, widget] : places) {
      ASSERT_NE(widget, nullptr);
      EXPECT_EQ(widget->actions().contains(action), (info.Places & place) != 0) << info.Name << " " << place;
    }
    EXPECT_EQ(action->isVisible(), !info.Hidden) << info.Name;
  }
  EXPECT_EQ(program.Action(TCommand::New)->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(program.Action(TCommand::Copy)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Insert));
  EXPECT_EQ(program.Action(TCommand::Paste)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
  EXPECT_EQ(program.Action(TCommand::PreviewAll)->shortcut(), QKeySequence(Qt::Key_F9));
  EXPECT_FALSE(window.ToolBar(4)->isVisibleTo(&window));
  EXPECT_EQ(program.Action(TCommand::InsertMultiString)->toolTip(),
            QString::fromUtf8("主板内置了16点阵、24点阵宋体字库，采用该对象可减少数据发送量"));

  // A hidden insert button runs all the same.
  program.Trigger(TCommand::InsertTemperature);
  ASSERT_EQ(program.Page().ControlCount(), 1);
  EXPECT_EQ(program.Page().Controls(0)->ClassName(), "TTemperature");
  // Exit closes the window through the close request.
  program.Dialogs.Answers.push_back(TMessageAnswer::No);
  program.Trigger(TCommand::Exit);
  EXPECT_FALSE(window.isVisible());
}

TEST(CommandActions, ActionsWhoseDialogOrObjectExistsAreEnabled) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  // The test's dialogs carry the password prompt, which guards the card settings.
  for (TCommand there : {TCommand::OnLineList, TCommand::RemoteServer, TCommand::Brightness,
                         TCommand::PowerSchedule, TCommand::BrightSchedule, TCommand::AutoSend, TCommand::New,
                         TCommand::InsertText, TCommand::InsertPhoto, TCommand::InsertWord, TCommand::InsertTable,
                         TCommand::PreviewPage, TCommand::PreviewAll, TCommand::ProjectSettings,
                         TCommand::SetPassword, TCommand::CardSettings, TCommand::CampaignTime})
    EXPECT_TRUE(window.Action(there)->isEnabled()) << CommandInfo(there).Name;
}

TEST(CommandActions, TheEditMenuEnablesItsItemsAsItOpens) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  QMenu* edit = program.Window().EditMenu();
  edit->popup(QPoint(10, 10));
  for (TCommand off : {TCommand::DeleteCard, TCommand::DeletePage, TCommand::DeleteSelected, TCommand::Copy,
                       TCommand::Cut, TCommand::Paste})
    EXPECT_FALSE(program.Action(off)->isEnabled()) << CommandInfo(off).Name;
  edit->hide();
  // Tool buttons and shortcuts are never left disabled.
  EXPECT_TRUE(program.Action(TCommand::Paste)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::DeleteCard)->isEnabled());

  model::TText* text = AddText(program.Page(), "a");
  program.Design().Select(text);
  program.Clipboard.HasOurs = true;
  program.Trigger(TCommand::AddCard);
  program.Trigger(TCommand::AddPage);
  edit->popup(QPoint(10, 10));
  EXPECT_TRUE(program.Action(TCommand::DeleteCard)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::DeletePage)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::Paste)->isEnabled());
  EXPECT_FALSE(program.Action(TCommand::Copy)->isEnabled());  // the new page has nothing selected
  edit->hide();
}

TEST(CommandActions, TheRightButtonOnThePageOpensTheDesignPopUp) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  model::TText* a = AddText(program.Page(), "a", 10, 10);
  AddText(program.Page(), "b", 60, 10);
  program.Design().Select(a);
  TDesignView* view = program.Window().DesignView();
  ASSERT_NE(view, nullptr);
  QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(15, 15));
  QMenu* popup = program.Window().DesignPopup();
  EXPECT_TRUE(popup->isVisible());
  EXPECT_TRUE(program.Action(TCommand::AlignBoth)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::Copy)->isEnabled());
  EXPECT_FALSE(program.Action(TCommand::Paste)->isEnabled());
  popup->hide();
  QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(15, 15));

  program.Trigger(TCommand::SelectAll);
  QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(15, 15));
  EXPECT_FALSE(program.Action(TCommand::AlignBoth)->isEnabled());
  EXPECT_FALSE(program.Action(TCommand::BringToFront)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::Cut)->isEnabled());
  popup->hide();
  QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(15, 15));
  EXPECT_TRUE(program.Action(TCommand::AlignBoth)->isEnabled());
}

// The page's tick repaints only what moves by itself: an edit shows on the page at once.
TEST(CommandActions, InsertedPastedAndDeletedObjectsShowAtOnce) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  TDesignView* view = program.Window().DesignView();
  ASSERT_NE(view, nullptr);
  auto redIn = [&](const QRect& area) {
    const QImage shown = view->grab().toImage();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += shown.pixelColor(x, y) == QColor(255, 0, 0);
    return n;
  };
  auto only = [&] {
    const platform::TControl* c = program.Page().ChildControls().back();
    return QRect(c->Left(), c->Top(), c->Width(), c->Height());
  };
  program.Trigger(TCommand::InsertText);
  ASSERT_EQ(program.Page().ChildControls().size(), 1u);
  EXPECT_GT(redIn(only()), 20);
  program.Trigger(TCommand::Copy);
  program.Trigger(TCommand::DeleteSelected);
  ASSERT_TRUE(program.Page().ChildControls().empty());
  program.Trigger(TCommand::Paste);
  ASSERT_EQ(program.Page().ChildControls().size(), 1u);
  const QRect pasted = only();
  EXPECT_GT(redIn(pasted), 20);

  // The object tree's delete leaves the page black where the object was.
  QTreeWidget& tree = program.Tree();
  tree.setCurrentItem(tree.topLevelItem(0)->child(0)->child(0));
  program.Trigger(TCommand::DeleteTreeObject);
  ASSERT_TRUE(program.Page().ChildControls().empty());
  EXPECT_EQ(redIn(pasted), 0);
}

// ---- The object tree ----------------------------------------------------------------------------

TEST(ObjectList, ARebuildKeepsItsItemsAndRenamesThem) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  program.Trigger(TCommand::InsertText);
  QTreeWidget& tree = program.Tree();
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  QTreeWidgetItem* screen = tree.topLevelItem(0);
  QTreeWidgetItem* page = screen->child(0);
  QTreeWidgetItem* object = page->child(0);
  EXPECT_TRUE(screen->isExpanded());
  EXPECT_EQ(object->text(0), QString::fromUtf8("单行文本0"));
  EXPECT_EQ(object->icon(0).cacheKey(), program.Window().ImageListIcon(19).cacheKey());
  EXPECT_EQ(screen->icon(0).cacheKey(), program.Window().ImageListIcon(18).cacheKey());
  EXPECT_EQ(page->icon(0).cacheKey(), program.Window().ImageListIcon(12).cacheKey());
  EXPECT_EQ(static_cast<TObjectNode*>(object)->Component.Get(), program.Page().Controls(0));

  program.Screen().SetText("renamed");
  program.Trigger(TCommand::InsertText);
  EXPECT_EQ(tree.topLevelItem(0), screen);
  EXPECT_EQ(screen->child(0), page);
  EXPECT_EQ(page->child(0), object);
  EXPECT_EQ(screen->text(0), "renamed");
  EXPECT_EQ(page->childCount(), 2);

  // Deleting the first object: its item shows the second now, the surplus one goes.
  program.Design().Select(static_cast<platform::TControl*>(program.Page().Controls(0)));
  program.Trigger(TCommand::DeleteSelected);
  EXPECT_EQ(page->childCount(), 1);
  EXPECT_EQ(page->child(0), object);
  EXPECT_EQ(object->text(0), QString::fromUtf8("单行文本1"));
}

TEST(ObjectList, NodesActOnTheirOwnComponents) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  const std::string same = Utf8ToGbk("同名");
  model::TText* first = AddText(program.Page(), same);
  program.Trigger(TCommand::AddPage);
  model::TText* second = AddText(program.Page(), same, 5, 5);
  model::TLeaf* secondPage = &program.Page();
  program.Commands().RebuildTree();
  QTreeWidget& tree = program.Tree();
  QTreeWidgetItem* firstNode = tree.topLevelItem(0)->child(0)->child(0);
  QTreeWidgetItem* secondNode = tree.topLevelItem(0)->child(1)->child(0);

  // A click on the first page's node shows that page and selects its object.
  tree.scrollToItem(firstNode);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, tree.visualItemRect(firstNode).center());
  EXPECT_EQ(program.Form().CurrentPage(), 0);
  EXPECT_EQ(program.Design().CurrentControl(), first);
  EXPECT_EQ(program.Window().DesignView()->Design()->Container(), &program.Page());

  // The tree's delete frees the node's own object: the second, on the other page.
  tree.setCurrentItem(secondNode);
  EXPECT_EQ(program.Form().CurrentPage(), 1);
  program.Design().Select(second);
  platform::TComponentRef<model::TText> firstRef(first), secondRef(second);
  program.Trigger(TCommand::DeleteTreeObject);
  EXPECT_TRUE(firstRef);
  EXPECT_FALSE(secondRef);
  EXPECT_EQ(secondPage->ControlCount(), 0);
  EXPECT_EQ(tree.topLevelItem(0)->child(1)->childCount(), 0);
  QApplication::processEvents();
}

TEST(ObjectList, TheRightButtonOpensTheTreePopUp) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());
  QTreeWidget& tree = program.Tree();
  tree.setCurrentItem(tree.topLevelItem(0));
  emit tree.customContextMenuRequested(QPoint(5, 5));
  QMenu* popup = program.Window().TreePopup();
  EXPECT_TRUE(popup->isVisible());
  EXPECT_FALSE(program.Action(TCommand::DeleteCard)->isEnabled());
  EXPECT_FALSE(program.Action(TCommand::DeleteTreeObject)->isEnabled());
  EXPECT_TRUE(program.Action(TCommand::SendCurrent)->isEnabled());
  popup->hide();
  EXPECT_TRUE(program.Action(TCommand::DeleteCard)->isEnabled());
}

// ---- Clipboard ----------------------------------------------------------------------------------

TEST(SystemClipboard, CopyPutsOnlyOurTypeAndPasteFollowsIt) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start(false, true));
  model::TText* a = AddText(program.Page(), "a");
  model::TText* b = AddText(program.Page(), "b", 50, 0);
  program.Trigger(TCommand::SelectAll);
  program.Trigger(TCommand::Copy);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->formats(), QStringList{DisplayFormatMime});
  model::TDFMStream expected;
  model::WriteObjectText(" ", *a, expected, model::ComponentManager());
  model::WriteObjectText(" ", *b, expected, model::ComponentManager());
  EXPECT_EQ(data->data(DisplayFormatMime),
            QByteArray(reinterpret_cast<const char*>(expected.Memory()), qsizetype(expected.Size())));

  QMenu* edit = program.Window().EditMenu();
  edit->popup(QPoint(10, 10));
  EXPECT_TRUE(program.Action(TCommand::Paste)->isEnabled());
  edit->hide();
  program.Trigger(TCommand::AddPage);
  program.Trigger(TCommand::Paste);
  EXPECT_EQ(program.Page().ControlCount(), 2);

  QGuiApplication::clipboard()->setText("something else");
  edit->popup(QPoint(10, 10));
  EXPECT_FALSE(program.Action(TCommand::Paste)->isEnabled());
  edit->hide();
}

// ---- Notices ------------------------------------------------------------------------------------

TEST(Notices, ThePopupNotifierShowsTheLatestNotice) {
  TCommandsProgram program;
  ASSERT_TRUE(program.Start(true));
  TNoticePopup* notices = program.Window().Notices();
  ASSERT_NE(notices, nullptr);
  EXPECT_EQ(notices->StayTime, 20000);
  EXPECT_TRUE(notices->ClickHide);
  EXPECT_EQ(notices->Title, QString::fromUtf8("提示信息"));
  EXPECT_FALSE(notices->Form()->isVisible());
  model::TLEDScreen& screen = program.Screen();
  screen.SetText("A");
  screen.SetStatus(model::ssTimedOut);
  program.Root().OnStatusChanged(&screen);
  EXPECT_TRUE(notices->Form()->isVisible());
  EXPECT_EQ(notices->Title, QString::fromUtf8("A传输超时"));
  EXPECT_TRUE(notices->MessageText.startsWith(QString::fromUtf8("产生该问题的原因有：\r1. 不存在地址为")));
  EXPECT_EQ(notices->Form()->Title, platform::Utf8ToGbk("A传输超时"));
  screen.SetStatus(model::ssPortError);
  program.Root().OnStatusChanged(&screen);
  EXPECT_EQ(notices->Form()->Title, platform::Utf8ToGbk("A无法打开端口1025"));
  EXPECT_EQ(program.Window().findChildren<TNoticePopup*>("NoticePopup").size(), 1);
}

// ---- The program's own dialogs ------------------------------------------------------------------

// Pumps Qt's events and the thread's messages until `done` holds.
bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    platform::ProcessMessages();
  }
  return true;
}

// The program with the dialogs it makes at start-up; a command's modal dialog is shown without a
// loop, `During` plays the user's part, and the dialog is closed again.
struct TOwnDialogsProgram : TProgram {
  editor::test::TFakeNotifier Notifier;
  std::vector<QDialog*> Ran;
  std::function<void(QDialog&)> During;
  bool Start() {
    return TProgram::Start({}, {}, [&](TStartupOptions& options) {
      options.Notifier = &Notifier;
      options.RunModal = [this](QDialog& dialog) {
        Ran.push_back(&dialog);
        dialog.show();
        if (During) During(dialog);
        dialog.close();
      };
    });
  }
  void Trigger(TCommand command) { Window().Action(command)->trigger(); }
  model::TLEDScreen& Screen() { return *Form().CurrentScreenObject(); }
  model::TConstructer& Root() { return *Form().ProjectRoot(); }
};

TEST(ProgramDialogs, TheCardMenuOpensTheScheduleDialogsAndReadsReachThem) {
  cardsim::TCardSim card;
  card.AddCard(0);
  ASSERT_TRUE(card.StartUdp());
  card.UpdateCard(0, [](cardsim::TCardState& c) {
    platform::StoreU32(c.PowerSchedule.data() + 4, 6 * 3600000);  // Sunday on at 06:00
    c.BrightSchedule[4] = 2;
  });
  TOwnDialogsProgram program;
  ASSERT_TRUE(program.Start());
  TCorvane& corvane = *program.Corvane;
  model::TLEDScreen& screen = program.Screen();
  model::TCommunication& link = screen.Communicate();
  link.SetCommunicationType(model::ctNetWork);
  link.SetIP("127.0.0.1");
  link.SetRemotePort(card.UdpPort());
  link.SetLocalPort(0);
  screen.SetBright(5);

  program.Trigger(TCommand::Brightness);
  ASSERT_EQ(program.Ran, std::vector<QDialog*>{corvane.BrightAdjustForm()});
  EXPECT_EQ(corvane.BrightAdjustForm()->Spin()->value(), 5);

  // The schedule is read as the dialog opens; the card's answer (status 22 through the project
  // root) fills the dialog while it is shown.
  TAutoCloseForm* power = corvane.AutoCloseForm();
  program.During = [&](QDialog&) {
    ASSERT_TRUE(PumpUntil([&] { return screen.Status() == model::ssPowerScheduleRead; })) << screen.Status();
    EXPECT_EQ(power->Grid()->item(0, 1)->text(), "06:00:00");
  };
  program.Trigger(TCommand::PowerSchedule);
  EXPECT_EQ(program.Ran.back(), power);

  TAutoBrightForm* bright = corvane.AutoBrightForm();
  program.During = [&](QDialog&) {
    ASSERT_TRUE(PumpUntil([&] { return screen.Status() == model::ssBrightScheduleRead; })) << screen.Status();
    EXPECT_EQ(bright->Grid()->item(0, 1)->text(), Text("2级亮度"));
  };
  program.Trigger(TCommand::BrightSchedule);
  EXPECT_EQ(program.Ran.back(), bright);

  program.During = {};
  program.Trigger(TCommand::AutoSend);
  EXPECT_EQ(program.Ran.back(), corvane.AutoSendForm());
  EXPECT_EQ(program.Ran.size(), 4u);
  EXPECT_TRUE(program.Notifier.Notices.empty());
  card.Stop();
}

TEST(ProgramDialogs, TheRemoteMenuOpensItsDialogs) {
  TOwnDialogsProgram program;
  ASSERT_TRUE(program.Start());
  program.Trigger(TCommand::OnLineList);
  program.Trigger(TCommand::RemoteServer);
  EXPECT_EQ(program.Ran, (std::vector<QDialog*>{program.Corvane->OnLineForm(), program.Corvane->SetRemoteServerForm()}));
}

TEST(ProgramDialogs, TheCardSettingsOpenOnlyBehindThePasswordPrompt) {
  TOwnDialogsProgram program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.Window().Action(TCommand::CardSettings)->isEnabled());
  program.Dialogs.PasswordAccepted = false;
  program.Trigger(TCommand::CardSettings);
  EXPECT_EQ(program.Dialogs.PasswordPrompts, 1);
  EXPECT_TRUE(program.Ran.empty());
  program.Dialogs.PasswordAccepted = true;
  program.Trigger(TCommand::CardSettings);
  EXPECT_EQ(program.Dialogs.PasswordPrompts, 2);
  EXPECT_EQ(program.Ran, std::vector<QDialog*>{qobject_cast<QDialog*>(program.Corvane->Form("TParamSetForm"))});
}

// The card-settings dialog opens the serial port a screen of the project is reading through: the
// screen's read ends in a time-out (its notice shown), the dialog reads the card, and once the
// dialog has closed the screen's next read opens the port again and is answered.
TEST(ProgramDialogs, TheCardSettingsTakeOverAPortAScreenHolds) {
  constexpr int kPort = 47;
  constexpr uint8_t kAddress = 2;
  cardsim::TCardSim card;
  card.AddCard(kAddress);
  std::string error;
  ASSERT_TRUE(card.StartPty(&error)) << error;
  ::setenv(platform::ComPortOverrideVariable(kPort).c_str(), card.PtyPath().c_str(), 1);
  TOwnDialogsProgram program;
  ASSERT_TRUE(program.Start());
  model::TLEDScreen& screen = program.Screen();
  screen.SetText("A");
  screen.SetAddress(kAddress);
  screen.Communicate().SetCommunicationType(model::ctCom);
  screen.Communicate().SetComPort(kPort);

  card.AddFault({.Action = cardsim::faDelay, .Kind = cardsim::mkGetPower, .DelayMs = 800});
  program.Root().ReadPower(screen);
  ASSERT_TRUE(card.WaitForFrameCount(cardsim::fdIn, cardsim::mkGetPower, 1, std::chrono::seconds(20)));

  program.Dialogs.PasswordAccepted = true;
  auto* settings = static_cast<TParamSetForm*>(program.Corvane->Form("TParamSetForm"));
  ASSERT_NE(settings, nullptr);
  program.During = [&](QDialog&) {
    settings->findChild<QComboBox*>("CommType")->setCurrentIndex(0);
    settings->findChild<TSpinEdit*>("Card_Address")->setValue(kAddress);
    settings->findChild<TSpinEdit*>("locPort")->setValue(kPort);
    settings->findChild<QPushButton*>("LinkButton")->click();
    ASSERT_TRUE(PumpUntil([&] { return screen.Status() == model::ssTimedOut; })) << screen.Status();
    ASSERT_TRUE(PumpUntil([&] { return settings->findChild<QPushButton*>("QueryButton")->isEnabled(); }));
    EXPECT_GE(settings->Controller().DeviceIndex(), 0);
  };
  program.Trigger(TCommand::CardSettings);
  ASSERT_EQ(program.Ran, std::vector<QDialog*>{settings});
  ASSERT_EQ(program.Notifier.Notices.size(), 1u);
  EXPECT_EQ(program.Notifier.Notices[0].Title, "A" + Utf8ToGbk("传输超时"));
  EXPECT_EQ(program.Form().StatusPanelText(3), Utf8ToGbk("访问超时"));

  card.ClearFaults();
  program.Root().ReadPower(screen);
  EXPECT_TRUE(PumpUntil([&] { return screen.Status() == model::ssPowerRead; })) << screen.Status();
  program.Stop();
  card.Stop();
  ::unsetenv(platform::ComPortOverrideVariable(kPort).c_str());
}

// ---- From start to end --------------------------------------------------------------------------

TEST(EndToEnd, ANewProjectSentToTheCard) {
  cardsim::TCardSim card;
  card.AddCard(0);
  ASSERT_TRUE(card.StartUdp());
  TCommandsProgram program;
  ASSERT_TRUE(program.Start());

  program.Trigger(TCommand::New);
  program.Trigger(TCommand::AddCard);
  model::TCommunication& link = program.Screen().Communicate();
  link.SetCommunicationType(model::ctNetWork);
  link.SetIP("127.0.0.1");
  link.SetRemotePort(card.UdpPort());
  link.SetLocalPort(0);
  program.Trigger(TCommand::AddPage);
  program.Trigger(TCommand::InsertText);
  ASSERT_EQ(program.Page().ControlCount(), 1);
  program.Trigger(TCommand::SendCurrent);

  model::TLEDScreen& screen = program.Screen();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (screen.Status() != model::ssSendDone && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    platform::ProcessMessages();
  }
  ASSERT_EQ(screen.Status(), model::ssSendDone);
  const std::vector<cardsim::TReceivedTransfer> transfers = card.Transfers();
  ASSERT_EQ(transfers.size(), 1u);
  model::TProgramStream expected;
  ASSERT_TRUE(model::WriteProgramRecords(screen, 17, expected, cardsim::ParamsColourMode(*card.Card(0))));
  EXPECT_EQ(transfers[0].Data, expected.Bytes());
  EXPECT_EQ(program.Form().StatusPanelText(3), Utf8ToGbk("发送完成"));
  EXPECT_TRUE(program.Notifier.Notices.empty());
  card.Stop();
}

}  // namespace
}  // namespace editor::ui
