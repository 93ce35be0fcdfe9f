// Every Corvane window in its skin, offscreen: one frame per window, the skin's controls and
// styles, the main window's title bar and panels, and the popup notices.
#include "editor/ui/Skinning.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "editor/core/Design.h"
#include "editor/core/SystemPassword.h"
#include "editor/ui/DesignView.h"
#include "editor/ui/Main.h"
#include "editor/ui/Notifier.h"
#include "editor/ui/ParamSet.h"
#include "editor/ui/PreView.h"
#include "editor/ui/TableEditor.h"
#include "editor/ui/PropertyEditor.h"
#include "editor/ui/tests/Program.h"
#include "editor/ui/StatusBar.h"
#include "editor/core/tests/Projects.h"
#include "platform/base/DateTime.h"
#include "platform/base/GbkText.h"
#include "skin/tests/SkinTestUtil.h"
#include "tools/cardsim/CardSim.h"
#include "model/ScreenStatus.h"
#include "platform/base/MessageWindow.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinImagePanel.h"
#include "skin/SkinMenu.h"
#include "skin/SkinPageControl.h"
#include "skin/SkinPublic.h"
#include "skin/SkinToolBar.h"
#include "skin/frmPopup.h"

namespace editor::ui {
namespace {

using test::TProgram;

// Every form the program makes, shown without a modal loop.
std::vector<QWidget*> ShowEveryWindow(TProgram& program) {
  // The table editor asks for a new table as it shows: the question shows without a loop.
  if (TNewgridForm* newgrid = program.Corvane->NewgridForm()) newgrid->RunModal = [](QDialog& d) { d.show(); };
  std::vector<QWidget*> windows{&program.Window()};
  for (std::string_view name : FormsBeforeSplash)
    if (QWidget* form = name == "TDesignForm" ? nullptr : program.Corvane->Form(name)) windows.push_back(form);
  for (std::string_view name : FormsAfterSplash)
    if (QWidget* form = program.Corvane->Form(name)) windows.push_back(form);
  if (auto* params = static_cast<TParamSetForm*>(program.Corvane->Form("TParamSetForm"))) {
    windows.push_back(&params->StatusForm());
    windows.push_back(&params->BrightSetForm());
  }
  for (QWidget* w : windows) w->show();
  platform::ProcessMessages();
  return windows;
}

// The windows that are the system's own or pop up from a control stay plain.
bool PlainWindow(const QWidget* w) {
  return qobject_cast<const QMessageBox*>(w) || qobject_cast<const QFileDialog*>(w) || qobject_cast<const QMenu*>(w) ||
         qobject_cast<const skin::TfrmPopupForm*>(w) || w->windowType() == Qt::Popup ||
         w->windowType() == Qt::ToolTip || w->windowType() == Qt::Tool;
}

// The design surface and the inspector draw themselves.
bool DrawnByItsOwnRules(const QWidget* w) {
  for (const QWidget* p = w; p; p = p->parentWidget())
    if (dynamic_cast<const TDesignView*>(p) || dynamic_cast<const TPropertyEditorView*>(p)) return true;
  return false;
}

bool InsideAnotherControl(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
    if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p)) return true;
  return false;
}

bool CarriesSkinStyle(const QWidget* w) {
  return skin::AsSkinnable(w) || dynamic_cast<const skin::TskEditStyle*>(w->style()) ||
         dynamic_cast<const skin::TskMenuStyle*>(w->style());
}

// What each Qt class of control must be in a skinned window.
std::string SkinFault(const QWidget* w) {
  if (DrawnByItsOwnRules(w) || InsideAnotherControl(w)) return {};
  if (qobject_cast<const QPushButton*>(w)) return dynamic_cast<const skin::TskButton*>(w) ? "" : "push button";
  if (qobject_cast<const QCheckBox*>(w)) return "check box";
  if (qobject_cast<const QToolBar*>(w)) return dynamic_cast<const skin::TskToolBar*>(w) ? "" : "tool bar";
  if (qobject_cast<const QMenu*>(w)) return CarriesSkinStyle(w) ? "" : "menu";
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w))
    return CarriesSkinStyle(w) ? "" : "edit, list or grid";
  return {};
}

TEST(SkinnedWindows, EveryWindowHoldsOneFrameAndTheSkinsControls) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  const std::vector<QWidget*> forms = ShowEveryWindow(program);
  EXPECT_GE(forms.size(), 12u);

  int checked = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (PlainWindow(window)) continue;
    SCOPED_TRACE(window->objectName().toStdString() + " " + window->metaObject()->className());
    QList<skin::TskForm*> frames;
    for (skin::TskForm* f : window->findChildren<skin::TskForm*>())
      if (f->window() == window) frames.append(f);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0]->IsFrame());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frames[0]->TitleBar()->Caption(), window->windowTitle());
    EXPECT_FALSE(window->windowTitle().isEmpty());
    for (QWidget* w : window->findChildren<QWidget*>())
      if (w->window() == window || qobject_cast<QMenu*>(w)) {
        EXPECT_EQ(SkinFault(w), "") << w->objectName().toStdString() << " " << w->metaObject()->className() << " in "
                                    << w->parentWidget()->metaObject()->className();
      }
    ++checked;
  }
  EXPECT_GE(checked, int(forms.size()));

  // The main window's menus and pop-ups are the skin's.
  TDesignFormView& main = program.Window();
  EXPECT_EQ(main.SkinFrame()->Menu(), main.MainMenu());
  EXPECT_EQ(main.MainMenu()->Menus().size(), 7);
  for (QMenu* menu : main.MainMenu()->Menus()) EXPECT_TRUE(CarriesSkinStyle(menu)) << menu->objectName().toStdString();
  for (QMenu* popup : {main.DesignPopup(), main.TreePopup()}) EXPECT_TRUE(CarriesSkinStyle(popup));
  EXPECT_EQ(main.SkinFrame()->UIStyle(), skin::MacOS);
  EXPECT_EQ(main.StatusBar()->Panels().size(), 8u);

  // A caption set at run time reaches the title bar.
  program.Form().SetCurrentFile(program.Dir.File("a.fmt"));
  main.SetCaption(TDesignForm::CaptionFor(program.Dir.File("a.fmt")));
  EXPECT_EQ(main.SkinFrame()->TitleBar()->Caption(), main.windowTitle());
}

// Every combo box of every window drops its list right under the box (or right above it where
// the screen has no room below), at the box's left edge and at least as wide.
TEST(SkinnedWindows, EveryDropDownListOpensUnderItsBox) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  ShowEveryWindow(program);
  int checked = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (PlainWindow(window) || !window->isVisible()) continue;
    for (QComboBox* box : window->findChildren<QComboBox*>()) {
      if (box->window() != window || box->count() == 0) continue;
      SCOPED_TRACE(window->objectName().toStdString() + " " + box->objectName().toStdString());
      // The pages of tab controls bring the box into view.
      for (QWidget* w = box; w && w != window; w = w->parentWidget())
        if (auto* sheet = qobject_cast<skin::TskTabSheet*>(w); sheet && sheet->PageControl())
          sheet->PageControl()->SetActivePage(sheet);
      box->show();  // an in-place picker shows over its cell when one is clicked
      ASSERT_TRUE(box->isVisible());
      box->showPopup();
      QWidget* list = box->view()->window();
      ASSERT_TRUE(list->isVisible());
      const QRect at(box->mapToGlobal(QPoint(0, 0)), box->size());
      const QRect dropped = list->geometry();
      EXPECT_EQ(dropped.left(), at.left());
      EXPECT_GE(dropped.width(), at.width());
      EXPECT_TRUE(dropped.top() == at.bottom() + 1 || dropped.bottom() == at.top() - 1)
          << "box " << at.top() << ".." << at.bottom() << ", list " << dropped.top() << ".." << dropped.bottom();
      box->hidePopup();
      ++checked;
    }
  }
  EXPECT_GE(checked, 12);  // the card dialog's seven, the table editor's, the schedules'...
}

// Where the title bar's caption ink ends (-1: none): its pixels in the caption's colour left of
// the first button on its right.
int CaptionInkEnd(skin::TskTitleBar& bar) {
  const platform::TBitmap picture = bar.PaintBitmap();
  const auto layout = bar.Layout();
  int end = -1;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = layout.TextStart; x < std::min(layout.TextEnd, picture.Width()); ++x)
      if ((picture.GetPixel(x, y) & 0xFFFFFF) == bar.Font.Color) end = std::max(end, x);
  return end;
}

// Every window's caption shows whole, clear of the title-bar buttons; so do the captions the
// set-password and card-settings dialogs take as they open.
TEST(SkinnedWindows, EveryCaptionShowsWholeBeforeTheButtons) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  const std::vector<QWidget*> windows = ShowEveryWindow(program);
  struct TShown {
    QWidget* Window;
    QString Caption;
  };
  std::vector<TShown> shown;
  for (QWidget* w : windows) shown.push_back({w, w->windowTitle()});
  for (const char* caption : {PassCaptionFirst, PassCaptionChange})
    shown.push_back({program.Corvane->Form("TPassForm"), QString::fromUtf8(caption)});
  for (const char* caption : {"控制卡设置  [ 通讯方式: 串口通讯  通讯速率: 19200bps ]",
                              "控制卡设置  [ 通讯方式: 网络通讯  本地端口: 65535 ]"})
    shown.push_back({program.Corvane->Form("TParamSetForm"), QString::fromUtf8(caption)});
  for (const TShown& s : shown) {
    SCOPED_TRACE(s.Window->metaObject()->className() + (" " + s.Caption.toStdString()));
    s.Window->setWindowTitle(s.Caption);
    auto* frame = s.Window->findChild<skin::TskForm*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(frame, nullptr);
    skin::TskTitleBar& bar = *frame->TitleBar();
    bar.SetFormActive(true);
    const std::string caption = platform::Utf8ToGbk(s.Caption.toStdString());
    EXPECT_EQ(bar.FitCaption(caption, bar.CaptionSpace()), caption);
    const int ink = CaptionInkEnd(bar);
    EXPECT_GT(ink, bar.Layout().TextStart);
    EXPECT_LT(ink, bar.Layout().TextEnd - skin::TskTitleBar::CaptionGap);
  }
}

// The panel collapsed to its title at exit stores its expanded height, so the next start shows
// it expanded, with a button that works.
TEST(SkinnedWindows, TheObjectListComesBackExpandedAtItsHeight) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\nObjectList Height=220\r\n");
  ASSERT_TRUE(program.Start());
  skin::TskPanel* panel = program.Window().ObjectListPanel();
  EXPECT_EQ(panel->height(), 220);
  {
    platform::TFakeClock clock{1000};
    skin::SetSkinClock(&clock);
    panel->Collapse();
    for (int i = 0; i < 40 && panel->Animating(); ++i) {
      clock.Advance(10);
      platform::ProcessMessages();
    }
    skin::SetSkinClock(nullptr);
  }
  ASSERT_FALSE(panel->Expanded());
  EXPECT_EQ(panel->height(), panel->TitleHeight());
  EXPECT_EQ(panel->y() + panel->height(), panel->parentWidget()->height());
  program.Stop();
  EXPECT_EQ(program.Settings().ReadInteger("Param", "ObjectList Height", -1), 220);

  ASSERT_TRUE(program.Start());
  panel = program.Window().ObjectListPanel();
  EXPECT_TRUE(panel->Expanded());
  EXPECT_EQ(panel->height(), 220);

  // A drag on the gap above it gives it the height the user chose, stored for the next start.
  QWidget* left = panel->parentWidget();
  const int gap = panel->y() - 1;
  skintest::Send(left, QEvent::MouseButtonPress, QPoint(50, gap), Qt::LeftButton, Qt::LeftButton);
  skintest::Send(left, QEvent::MouseMove, QPoint(50, gap - 30), Qt::NoButton, Qt::LeftButton);
  skintest::Send(left, QEvent::MouseButtonRelease, QPoint(50, gap - 30), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(panel->height(), 250);
  EXPECT_EQ(panel->y() + panel->height(), left->height());
  EXPECT_EQ(program.Window().ObjectListHeight(), 250);
}

TEST(SkinnedWindows, TheMainTitleBarMaximisesMinimisesAndCloses) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\n");
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  skin::TskTitleBar* bar = window.SkinFrame()->TitleBar();
  EXPECT_FALSE(window.isMaximized());

  bar->ToggleMaximized();
  const skin::TRect work = skin::GetWorkArea(&window);
  EXPECT_TRUE(window.isMaximized());
  EXPECT_EQ(window.geometry(), QRect(work.Left, work.Top, work.Width(), work.Height() - 1));
  program.Stop();
  EXPECT_EQ(program.Settings().ReadString("Param", "Maximized", ""), "1");

  ASSERT_TRUE(program.Start());
  TDesignFormView& again = program.Window();
  EXPECT_TRUE(again.isMaximized());
  EXPECT_EQ(again.geometry(), QRect(work.Left, work.Top, work.Width(), work.Height() - 1));

  // Alt+Space opens the window menu; Ctrl+A still selects every object with no native menu bar.
  QMenu* windowMenu = again.SkinFrame()->TitleBar()->PopupMenu()->Menu();
  QApplication::setActiveWindow(&again);
  ASSERT_EQ(QApplication::activeWindow(), &again);
  QTest::keyClick(&again, Qt::Key_Space, Qt::AltModifier);
  EXPECT_TRUE(windowMenu->isVisible());
  windowMenu->hide();
  again.Action(TCommand::InsertText)->trigger();
  again.Action(TCommand::InsertText)->trigger();
  TDesign& design = *again.Commands().Design();
  design.Selection()->Clear();
  ASSERT_EQ(design.Selection()->Count(), 0);
  QTest::keyClick(&again, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(design.Selection()->Count(), 2);

  // Minimise minimises the window; the close button asks the shell's question and Cancel keeps it.
  QWidget* about = program.Corvane->Form("TAboutForm");
  about->show();
  again.SkinFrame()->TitleBar()->MinimizeApplication();
  EXPECT_TRUE(again.isMinimized());
  EXPECT_TRUE(about->isMinimized()) << "the whole program goes";
  again.showNormal();
  EXPECT_FALSE(about->isMinimized());
  about->hide();
  program.Form().SetModified(true);
  program.Dialogs.Answers = {TMessageAnswer::Cancel};
  again.SkinFrame()->TitleBar()->CloseWindow();
  EXPECT_TRUE(again.isVisible());
  EXPECT_EQ(program.Dialogs.Boxes.size(), 1u);
}

TEST(SkinnedWindows, ANoticeSlidesUpInThePopupWithoutTakingTheFocus) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  TNoticePopup* notices = window.Notices();
  ASSERT_NE(notices, nullptr);
  int closes = 0;
  notices->OnClose = [&] { ++closes; };
  platform::TFakeClock clock{1000};
  skin::SetSkinClock(&clock);
  const auto run = [&](int ms) {
    for (int t = 0; t < ms; t += 10) {
      clock.Advance(10);
      platform::ProcessMessages();
    }
  };
  window.activateWindow();
  notices->Notify(platform::Utf8ToGbk("A传输超时"), platform::Utf8ToGbk("第一行\r第二行"));
  skin::TfrmPopupForm* form = notices->Form();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->testAttribute(Qt::WA_ShowWithoutActivating));
  run(400);
  const skin::TRect work = skin::GetWorkArea(form);
  EXPECT_EQ(form->geometry().bottomRight(), QPoint(work.Right - 18 - 1, work.Bottom - 1));
  run(15000);
  // A second notice replaces the text and stands its full time again.
  notices->Notify(platform::Utf8ToGbk("B传输超时"), platform::Utf8ToGbk("x"));
  EXPECT_EQ(form->Title, platform::Utf8ToGbk("B传输超时"));
  run(15000);
  EXPECT_TRUE(form->isVisible());
  run(5000 + 400 + 200);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(closes, 1);

  // A click hides it.
  notices->Notify(platform::Utf8ToGbk("C"), platform::Utf8ToGbk("y"));
  run(400);
  skintest::Click(form, QPoint(60, 70));
  run(400 + 200);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(closes, 2);
  skin::SetSkinClock(nullptr);
}

// A screen whose local UDP port another socket holds: the port notice, in the popup notifier at
// the bottom right of the work area; the main window keeps the focus.
TEST(SkinnedWindows, ACardErrorSlidesUpInTheCorner) {
  cardsim::TCardSim card;
  card.AddCard(0);
  ASSERT_TRUE(card.StartUdp());
  const int held = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(held, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(::getsockname(held, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const int port = ntohs(address.sin_port);

  TProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  QApplication::setActiveWindow(&window);
  model::TLEDScreen& screen = *program.Form().CurrentScreenObject();
  screen.SetText("A");
  model::TCommunication& link = screen.Communicate();
  link.SetCommunicationType(model::ctNetWork);
  link.SetIP("127.0.0.1");
  link.SetRemotePort(card.UdpPort());
  link.SetLocalPort(port);
  window.Action(TCommand::SendCurrent)->trigger();

  skin::TfrmPopupForm* form = window.Notices()->Form();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!form->isVisible() && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    platform::ProcessMessages();
  }
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(screen.Status(), model::ssPortError);
  EXPECT_EQ(form->Title, "A" + platform::Utf8ToGbk("无法打开端口") + std::to_string(port));
  EXPECT_NE(form->Text.find(platform::Utf8ToGbk("1. 防火墙禁止程序使用该端口") + "\r" +
                            platform::Utf8ToGbk("2. 其他程序占用了该端口")),
            std::string::npos);
  const skin::TRect work = skin::GetWorkArea(form);
  EXPECT_EQ(form->FinalGeometry().bottom(), work.Bottom - 1);
  EXPECT_EQ(form->FinalGeometry().right(), work.Right - 18 - 1);
  EXPECT_EQ(QApplication::activeWindow(), &window);
  ::close(held);
  program.Stop();
  card.Stop();
}

// The card dialogs' spin edits: a typed value past the range reads as its end; valueChanged once
// per change of the value.
TEST(SkinnedWindows, SpinEditsKeepTheirValueInRange) {
  TSpinEdit spin;
  spin.setRange(0, 255);
  std::vector<int> changes;
  QObject::connect(&spin, &TSpinEdit::valueChanged, [&](int v) { changes.push_back(v); });
  spin.setValue(12);
  spin.setValue(12);
  spin.setText("300");
  EXPECT_EQ(spin.value(), 255);
  spin.setText("");
  EXPECT_EQ(spin.value(), 0);
  spin.setValue(1000);
  EXPECT_EQ(spin.text(), "255");
  EXPECT_EQ(changes, (std::vector<int>{12, 255, 0, 255}));
}

// ---- Pictures ---------------------------------------------------------------------------------
// Each window at a fixed size and state, pixel for pixel against the references in
// tests/reference (the date input is left out: its calendar shows the system's today).
// CORVANE_UPDATE_REFERENCES=1 rewrites them; look at them before committing.

namespace shots {

void Expect(QWidget& window, const std::string& name) {
  platform::ProcessMessages();
  EXPECT_TRUE(skintest::MatchesReference(name, skin::FromQImage(window.grab().toImage()))) << name;
}

void SetActive(QWidget& window, bool active) {
  if (auto* frame = window.findChild<skin::TskForm*>(QString(), Qt::FindDirectChildrenOnly))
    frame->TitleBar()->SetFormActive(active);
}

}  // namespace shots

TEST(SkinnedWindows, EachWindowLooksAsItsReference) {
  QApplication::setCursorFlashTime(0);  // the caret stands still
  platform::TFakeClock steady{1000};
  platform::TFakeWallClock wall(*platform::EncodeDateTime({2024, 5, 6, 7, 8, 9, 0}));
  platform::TScopedWallClock useWall(wall);
  TProgram program;
  test::PrepareModel();
  const std::string file = program.Dir.File("shots.fmt");
  ASSERT_TRUE(test::WriteProject(file, {2, 1}, "shot"));
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\nLeft=0\r\nTop=0\r\nWidth=1115\r\nHeight=684\r\n"
                                 "[Auto Save]\r\nFiles=" + file + "\r\n");
  program.Dir.Write("Tips.txt", "tip one\r\ntip two\r\n");
  ASSERT_TRUE(program.Start({}, {}, [&](TStartupOptions& options) { options.Main.Clock = &steady; }));
  TDesignFormView& main = program.Window();
  main.Action(TCommand::InsertText)->trigger();
  main.Action(TCommand::InsertAnalogClock)->trigger();
  platform::ProcessMessages();
  ASSERT_EQ(main.size(), QSize(1115, 684));
  // The file's folder is the test's own, made anew each run: the caption names the file alone.
  main.SetCaption(TDesignForm::CaptionFor("shots.fmt"));
  shots::SetActive(main, true);
  shots::Expect(main, "main-window");
  shots::SetActive(main, false);
  shots::Expect(main, "main-window-inactive");

  if (TNewgridForm* newgrid = program.Corvane->NewgridForm()) newgrid->RunModal = [](QDialog& d) { d.show(); };
  auto* params = static_cast<TParamSetForm*>(program.Corvane->Form("TParamSetForm"));
  ASSERT_NE(params, nullptr);
  params->show();
  shots::SetActive(*params, true);
  auto* pages = params->findChild<skin::TskPageControl*>("PageControl1");
  ASSERT_NE(pages, nullptr);
  for (int i = 0; i < pages->PageCount(); ++i) {
    pages->TabChanged(i);
    shots::Expect(*params, "card-settings-" + std::to_string(i));
  }
  params->hide();
  for (QWidget* w : {static_cast<QWidget*>(&params->StatusForm()), static_cast<QWidget*>(&params->BrightSetForm())}) {
    w->show();
    shots::SetActive(*w, true);
    shots::Expect(*w, w->objectName().toStdString());
    w->hide();
  }
  for (const char* name : {"TAboutForm", "TOnLineForm", "TSetRemoteServerForm", "TAutoCloseForm", "TAutoBrightForm",
                           "TBrightAdjustForm", "TAutoSendForm", "TAutoSendTimeForm", "TMultiCardForm",
                           "TCampaignForm", "TMultiStringInputForm", "TMultiInputForm", "TProjectForm", "TPassForm",
                           "TInputPassWordForm", "TNewgridForm", "TTableForm"}) {
    QWidget* w = program.Corvane->Form(name);
    if (!w) continue;
    w->show();
    shots::SetActive(*w, true);
    shots::Expect(*w, name);
    w->hide();
  }

  // The preview of the first page, through the display simulator, after some steps. The clock
  // goes first: the simulator shows the time of day.
  main.Action(TCommand::DeleteSelected)->trigger();
  ASSERT_EQ(program.Form().CurrentLeaf()->ControlCount(), 1);
  program.Dialogs.Previews.clear();
  PreviewPage(program.Form(), program.Dialogs, *program.Form().CurrentScreenObject(), *program.Form().CurrentLeaf());
  ASSERT_EQ(program.Dialogs.Previews.size(), 1u);
  TPreviewOptions options;
  options.Library = DISPLAYSIM_LIBRARY;
  options.ProgramDir = program.Dir.Path();
  options.Clock = &steady;
  TPrevForm preview(program.Dialogs, options);
  bool shown = false;
  preview.RunModal = [&](QDialog& dialog) {  // what exec() does first; no loop runs
    dialog.show();
    for (int i = 0; i < 3; ++i) preview.Player().Step();
    shots::SetActive(preview, true);
    shots::Expect(preview, "preview");
    shown = true;
    preview.close();
  };
  preview.Execute(program.Dialogs.Previews[0]);
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace editor::ui
