// Start-up, the main window, its status bar and its close request, offscreen, with scripted
// dialogs, no splash time and a program directory of the test's own.
#include "editor/ui/Main.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QToolBar>
#include <QTreeWidget>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/Projects.h"
#include "editor/core/Commands.h"
#include "editor/core/ComponentEditor.h"
#include "editor/core/Design.h"
#include "editor/ui/About.h"
#include "editor/ui/DesignView.h"
#include "editor/ui/PropertyEditor.h"
#include "model/FormConstructEx.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/ParamSet.h"
#include "editor/ui/PreView.h"
#include "editor/ui/QtDialogs.h"
#include "editor/ui/Skinning.h"
#include "editor/ui/StatusBar.h"
#include "editor/ui/TableEditor.h"
#include "editor/ui/TableView.h"
#include "skin/SkinImagePanel.h"
#include "editor/ui/tests/Program.h"
#include "model/ComponentManager.h"
#include "model/MessageBoxHook.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/PageflatClient.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/TableReport.h"
#include "model/objects/TimeComps.h"
#include "model/objects/Texts.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"

namespace editor::ui {
namespace {

using platform::Utf8ToGbk;

using test::TProgram;

TEST(MainWindow, ViewsCarryTheDesignNamesAndCaptions) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& window = program.Window();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.objectName(), "MainForm");
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("LED显示屏控制软件"));
  for (const char* name : {"ControlBar1", "ToolBar1", "ToolBar2", "ToolBar3", "ToolBar4", "ToolBar5", "ToolBar7",
                           "Panel1", "ObjectInspect", "skPanel1", "ObjectList", "ScrollBox1", "EditPanel",
                           "Container", "SystemStatusBar", "skMainMenu1", "PopupMenu1", "PopupMenu2"})
    EXPECT_NE(window.findChild<QObject*>(name), nullptr) << name;
  EXPECT_FALSE(window.ToolBar(4)->isVisibleTo(&window));
  EXPECT_EQ(window.ObjectInspect()->Caption(), QString::fromUtf8("对象属性(红色为重要属性)"));
  EXPECT_EQ(window.ObjectListPanel()->Caption(), QString::fromUtf8("对象列表"));
  EXPECT_EQ(window.font().family(), WindowFont().family());
  EXPECT_EQ(window.font().pixelSize(), 12);

  // The About box stood as the splash and is closed; the command shows it, a click on its
  // picture closes it.
  TAboutForm* about = program.Corvane->AboutForm();
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(about->isVisible());
  window.findChild<QAction*>("About1")->trigger();
  EXPECT_TRUE(about->isVisible());
  QTest::mouseClick(about->Picture(), Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());
}

// What the window system holds of a window: the picture last sent to it (offscreen: its
// backing store), not one painted for the asking.
QImage Shown(QWidget& window) {
  return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Painted(QWidget& window) { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Holds a window's first expose back for a while, as a window manager that maps a new window
// in its own time does.
class TLateExpose : public QObject {
 public:
  explicit TLateExpose(QWindow* window) : window_(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::Expose || held_) return false;
    held_ = true;
    QTimer::singleShot(50, window_, [window = window_] {
      QExposeEvent late(QRegion(QRect(QPoint(), window->size())));
      QCoreApplication::sendEvent(window, &late);
    });
    return true;
  }

 private:
  QWindow* window_;
  bool held_ = false;
};

TEST(MainWindow, TheSplashIsPaintedBeforeItsWaitBegins) {
  TProgram program;
  int waited = 0;
  QImage shown, painted;
  ASSERT_TRUE(program.Start({}, {}, [&](TStartupOptions& options) {
    options.SplashMs = 3000;
    options.SplashWait = [&](int ms) {
      waited = ms;
      TAboutForm* splash = program.Corvane->AboutForm();
      ASSERT_TRUE(splash->isVisible());
      shown = Shown(*splash);
      painted = Painted(*splash);
    };
  }));
  EXPECT_EQ(waited, 3000);
  ASSERT_FALSE(painted.isNull());
  EXPECT_EQ(shown, painted);
  EXPECT_FALSE(program.Corvane->AboutForm()->isVisible());
}

TEST(MainWindow, TheSplashWaitsForAWindowSystemThatShowsItLate) {
  TAboutForm splash;
  splash.winId();
  TLateExpose late(splash.windowHandle());
  splash.ShowAsSplash();
  EXPECT_EQ(Shown(splash), Painted(splash));
  // Not one colour: the picture, the captions and the frame.
  const QImage shown = Shown(splash);
  EXPECT_NE(shown.pixel(0, 0), shown.pixel(shown.width() / 2, shown.height() / 3));
}

// Each dialog opens centred on the window that opens it, the About box on the screen, every
// time: also when the window was moved, or the platform's window left elsewhere, while hidden.
TEST(MainWindow, WindowsOpenWhereTheyBelongOnEveryShowing) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TDesignFormView& main = program.Window();
  static_cast<TMainView&>(main).SetPlacement({false, 40, 30, 700, 500});
  ASSERT_EQ(main.frameGeometry(), QRect(40, 30, 700, 500));
  const QRect screen = main.screen()->availableGeometry();
  for (const char* name : {"TMultiStringInputForm", "TMultiInputForm", "TAutoSendTimeForm", "TAboutForm"}) {
    SCOPED_TRACE(name);
    QWidget* window = program.Corvane->Form(name);
    ASSERT_NE(window, nullptr);
    const QRect around = std::string(name) == "TAboutForm" ? screen : main.frameGeometry();
    const QPoint centred = around.topLeft() + QPoint((around.width() - window->width()) / 2,
                                                     (around.height() - window->height()) / 2);
    for (int showing = 1; showing <= 3; ++showing) {
      SCOPED_TRACE(showing);
      window->show();
      EXPECT_EQ(window->pos(), centred);
      ASSERT_NE(window->windowHandle(), nullptr);
      EXPECT_EQ(window->windowHandle()->position(), centred);
      window->hide();
      if (showing == 1) window->windowHandle()->setPosition(0, 0);
      if (showing == 2) window->move(7, 9);
    }
  }
}

// ("Files", command line, files present) -> current file, caption, the project's screens and
// pages, preview.
TEST(MainWindow, StartupTable) {
  using test::TLayout;
  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    bool LastExists, LastLoads;
    TLayout Default;      // empty: no "Default.spj"
    const char* File;     // "last", "arg" or ""
    const char* Screen0;  // the first screen's name
    TLayout Pages;
    bool Preview;
  } cases[] = {
      {"P and a file", {"P", "arg"}, true, true, {}, "arg", "arg-0", {2, 3}, true},
      {"p alone", {"p"}, true, true, {}, "last", "last-0", {1, 1, 1}, true},
      {"p with three arguments", {"p", "arg", "more"}, true, true, {}, "last", "last-0", {1, 1, 1}, true},
      {"missing last file, Default with and without pages", {}, false, true, {0, 4}, "", "Default-0", {1, 4}, false},
      {"missing last file, no Default", {}, false, true, {}, "", "控制卡0", {1}, false},
      {"a file that does not load", {}, true, false, {2}, "", "控制卡0", {1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TProgram program;
    test::PrepareModel();
    const std::string last = program.Dir.File("last.fmt"), arg = program.Dir.File("arg.fmt");
    if (c.LastExists && c.LastLoads) {
      ASSERT_TRUE(test::WriteProject(last, {1, 1, 1}, "last"));
    } else if (c.LastExists) {
      program.Dir.Write("last.fmt", "x");
    }
    ASSERT_TRUE(test::WriteProject(arg, {2, 3}, "arg"));
    if (!c.Default.empty()) {
      ASSERT_TRUE(test::WriteProject(program.Dir.File("Default.spj"), c.Default, "Default"));
    }
    program.Dir.Write("Param.ini", "[Auto Save]\r\nFiles=" + last + "\r\n");
    std::vector<std::string> args;
    for (auto& a : c.Args) args.push_back(a == "arg" ? arg : a);
    bool previewed = false;
    TMainHooks hooks;
    hooks.PreviewAll = [&] { previewed = true; };
    ASSERT_TRUE(program.Start(args, hooks));
    platform::ProcessMessages();

    const std::string file = std::string(c.File) == "last" ? last : std::string(c.File) == "arg" ? arg : "";
    EXPECT_EQ(program.Form().CurrentFile(), file);
    EXPECT_EQ(program.Window().windowTitle(),
              QString::fromUtf8(file.empty() ? "LED显示屏控制软件" : "LED显示屏控制软件 - ") +
                  QString::fromStdString(file));
    ASSERT_NE(program.Form().ProjectRoot(), nullptr);
    EXPECT_EQ(test::LayoutOf(*program.Form().ProjectRoot()), c.Pages);
    EXPECT_EQ(program.Form().StatusPanelText(1), Utf8ToGbk(c.Screen0));
    EXPECT_EQ(program.Window().ScrollBox()->EditPanel()->size(), QSize(518, 262));
    EXPECT_EQ(previewed, c.Preview);
  }
}

TEST(MainWindow, ARefusedStartupPasswordEndsBeforeAnyWindowShows) {
  TProgram program;
  const std::string ini = "[Param]\r\nEnter=1\r\n";
  program.Dir.Write("Param.ini", ini);
  EXPECT_FALSE(program.Start());
  EXPECT_EQ(program.Dialogs.PasswordPrompts, 1);
  for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
  program.Stop();
  EXPECT_EQ(program.Dir.Read("Param.ini"), ini);
}

TEST(MainWindow, PlacementAndPanelsGoToTheSettingsAndComeBack) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\n");
  ASSERT_TRUE(program.Start());
  EXPECT_FALSE(program.Window().isMaximized());
  EXPECT_EQ(program.Window().pos(), QPoint(0, 0));
  EXPECT_EQ(program.Window().size(), QSize(640, 480));
  EXPECT_EQ(program.Window().ObjectListHeight(), 160);
  EXPECT_EQ(program.Window().ToolBar(3)->pos(), QPoint(0, 34));
  program.Stop();
  auto s = program.Settings();
  EXPECT_EQ(s.ReadString("Param", "Maximized", ""), "0");
  EXPECT_EQ(s.ReadInteger("Param", "Left", -1), 0);
  EXPECT_EQ(s.ReadInteger("Param", "Top", -1), 0);
  EXPECT_EQ(s.ReadInteger("Param", "Width", -1), 640);
  EXPECT_EQ(s.ReadInteger("Param", "Height", -1), 480);
  EXPECT_EQ(s.ReadInteger("Param", "ObjectList Height", -1), 160);
  EXPECT_EQ(s.ReadInteger("Param", "Menu Three Left", -1), 0);
  EXPECT_EQ(s.ReadInteger("Param", "Menu Three Top", -1), 34);

  program.Dir.Write("Param.ini",
                    "[Param]\r\nMaximized=0\r\nLeft=30\r\nTop=40\r\nWidth=700\r\nHeight=500\r\n"
                    "ObjectList Height=200\r\nMenu Three Left=12\r\nMenu Three Top=30\r\n");
  ASSERT_TRUE(program.Start());
  EXPECT_EQ(program.Window().pos(), QPoint(30, 40));
  EXPECT_EQ(program.Window().size(), QSize(700, 500));
  EXPECT_EQ(program.Window().ObjectListHeight(), 200);
  EXPECT_EQ(program.Window().ToolBar(3)->pos(), QPoint(12, 30));
  program.Stop();
  s = program.Settings();
  EXPECT_EQ(s.ReadInteger("Param", "Left", -1), 30);
  EXPECT_EQ(s.ReadInteger("Param", "Width", -1), 700);
  EXPECT_EQ(s.ReadInteger("Param", "ObjectList Height", -1), 200);
  EXPECT_EQ(s.ReadInteger("Param", "Menu Three Left", -1), 12);

  // Maximized by default.
  program.Dir.Write("Param.ini", "");
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(program.Window().isMaximized());
  program.Stop();
  EXPECT_EQ(program.Settings().ReadString("Param", "Maximized", ""), "1");
}

int CountPixels(const QImage& image, const QRect& rect, QColor color) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixelColor(x, y).rgb() == color.rgb()) ++count;
  return count;
}

TEST(MainWindow, StatusBarPaintsTheStatusGreenOnlyForStatusOne) {
  TProgram program;
  program.Dir.Write("Tips.txt", "tip one\r\n");
  ASSERT_TRUE(program.Start());
  TStatusBarView* bar = program.Window().StatusBar();
  const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255), tips(0, 128, 255);

  program.Form().ShowScreenPanels(Utf8ToGbk("控制卡1"), 1);
  QImage image = bar->grab().toImage();
  EXPECT_GT(CountPixels(image, bar->PanelRect(3), green), 10);
  EXPECT_EQ(CountPixels(image, bar->PanelRect(3), red), 0);
  EXPECT_GT(CountPixels(image, bar->PanelRect(1), blue), 10);
  EXPECT_GT(CountPixels(image, bar->PanelRect(5), blue), 10);  // "状态未知"

  for (int status : {0, 3, 6, 35}) {
    program.Form().ShowScreenPanels(Utf8ToGbk("控制卡1"), status);
    image = bar->grab().toImage();
    EXPECT_GT(CountPixels(image, bar->PanelRect(3), red), 10) << status;
    EXPECT_EQ(CountPixels(image, bar->PanelRect(3), green), 0) << status;
  }

  // The tip enters from the right edge of the tips area as the timer runs.
  EXPECT_EQ(CountPixels(bar->grab().toImage(), bar->TipsRect(), tips), 0);
  for (int i = 0; i < 80; ++i) program.Form().Timer1Timer();
  EXPECT_GT(CountPixels(bar->grab().toImage(), bar->TipsRect(), tips), 10);

  // The tips, drawn once and then copied along, look as the text drawn where the marquee is.
  for (int i = 0; i < 37; ++i) program.Form().Timer1Timer();
  ASSERT_GT(CountPixels(bar->grab().toImage(), bar->TipsRect(), tips), 10);
  const platform::TBitmap shown = bar->PaintBitmap();
  platform::TBitmap expected = shown;
  {
    const QRect q = bar->PanelRect(TipsPanel);
    const platform::TRect inside{q.left() + 1, q.top() + 1, q.right(), q.bottom()};
    platform::TCanvas c(expected);
    c.Brush.Color = skin::ColorToRGB(bar->Color);
    c.FillRect(inside);
    c.SetClipRect(inside);
    c.Font = bar->Font;
    c.Font.Color = program.Form().StatusPanelColor(TipsPanel);
    c.Brush.Style = platform::bsClear;
    for (const auto& run : program.Form().TipRuns(inside.Width())) c.TextOut(inside.Left + run.X, inside.Top + 3, run.Text);
  }
  int differing = 0;
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width(); ++x) differing += shown.GetPixel(x, y) != expected.GetPixel(x, y);
  EXPECT_EQ(differing, 0);
}

// The marquee's steps move what the tips panel showed and draw only the column that comes in;
// what the window system holds is then what a whole paint gives, also across the jump to the
// next tip and with the size grip in the corner.
TEST(MainWindow, TheMarqueesStepsShowWhatAWholePaintShows) {
  // A window wide enough for the tips, and one too narrow to show any.
  for (int width : {1000, 600}) {
    SCOPED_TRACE(width);
    TProgram program;
    program.Dir.Write("Tips.txt", "tip one\r\nthe second tip\r\n");
    program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\nWidth=" + std::to_string(width) + "\r\n");
    ASSERT_TRUE(program.Start());
    TDesignFormView& window = program.Window();
    TStatusBarView* bar = window.StatusBar();
    ASSERT_TRUE(bar->GripActive());
    EXPECT_EQ(bar->TipsScrollRect().isEmpty(), width < 700);
    const QRect area(bar->mapTo(&window, QPoint(0, 0)), bar->size());
    const int tip = bar->TextWidth("tip one");
    int compared = 0;
    for (int step = 1; step <= 3 * (tip + 300); ++step) {
      program.Form().Timer1Timer();
      QCoreApplication::processEvents();
      if (step % 97 != 0) continue;
      ASSERT_EQ(Shown(window).copy(area), Painted(window).copy(area)) << "step " << step;
      ++compared;
    }
    EXPECT_GE(compared, 10);
  }
}

TEST(MainWindow, CloseRequestKeepsTheWindowOnCancelAndASignalClosesAnsweringNo) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  program.Form().SetCurrentFile(program.Dir.File("a.fmt"));
  program.Form().SetModified(true);
  program.Dialogs.Answers = {TMessageAnswer::Cancel};
  EXPECT_FALSE(program.Window().close());
  EXPECT_TRUE(program.Window().isVisible());
  ASSERT_EQ(program.Dialogs.Boxes.size(), 1u);

  program.Window().CloseAnsweringNo();
  EXPECT_FALSE(program.Window().isVisible());
  EXPECT_EQ(program.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(program.Settings().ReadString("Auto Save", "Files", ""), program.Dir.File("a.fmt"));
}

TEST(MainWindow, TheEditPanelIsCentredOnlyWhileItFits) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\n");
  ASSERT_TRUE(program.Start());
  TScrollBox* box = program.Window().ScrollBox();
  const QSize view = box->viewport()->size();
  ASSERT_GT(view.width(), 100);

  program.Form().SetEditAreaSize(94, 44);  // 100 x 50 with the border
  EXPECT_EQ(box->EditPanel()->pos(), QPoint((view.width() - 100) / 2, (view.height() - 50) / 2));

  // Wider than the client but not twice as wide: at the scroll position, never to the left of
  // what can be scrolled to.
  program.Form().SetEditAreaSize(view.width() + 40 - 6, 44);
  EXPECT_EQ(box->EditPanel()->x(), 0);
  box->horizontalScrollBar()->setValue(25);
  EXPECT_EQ(box->EditPanel()->x(), -25);
  EXPECT_EQ(box->horizontalScrollBar()->maximum(), 40);
}

TEST(MainWindow, FirstShowPlacesTheDesignerInTheContainerAndTheInspectorInItsPanel) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nMaximized=0\r\n");
  model::TLeaf page(nullptr);
  page.SetBounds(0, 0, 128, 32);
  TDesign design(nullptr);
  TQtPropertyChooser chooser;
  TMainHooks hooks;
  // Steps 8 and 9 of first show, as the project side takes them.
  hooks.ShowProject = [&] {
    TDesignFormView& window = program.Window();
    window.PlaceDesigner(design);
    design.SetContainer(&page);
    design.SetActivate(true);
    window.PlaceInspector(program.Dialogs, chooser)->Editor().SetRoot(&page);
    program.Form().SetEditAreaSize(128, 32);
  };
  ASSERT_TRUE(program.Start({}, hooks));
  TDesignFormView& window = program.Window();
  ASSERT_NE(window.DesignView(), nullptr);
  EXPECT_EQ(window.DesignView()->parentWidget(), window.ScrollBox()->Container());
  EXPECT_EQ(window.DesignView()->size(), QSize(128, 32));
  EXPECT_TRUE(window.DesignView()->isVisible());
  EXPECT_TRUE(window.DesignView()->FilterInstalled());
  ASSERT_NE(window.Inspector(), nullptr);
  EXPECT_EQ(window.Inspector()->parentWidget(), window.ObjectInspect());
  EXPECT_TRUE(window.Inspector()->isVisible());
  EXPECT_GT(window.Inspector()->height(), window.ObjectInspect()->height() / 2);
  EXPECT_EQ(window.Inspector()->Editor().RowCount(), 2);  // the page's 名称 and display time
  // The window goes first: its views let go of the page and the designer.
  program.Stop();
}

TEST(MainWindow, RecentFilesFillTheFileMenuAndOpenTheirPath) {
  TProgram program;
  program.Dir.Write("Param.ini", "[Auto Save]\r\nFiles=/p/a.fmt,/p/b.fmt,/p/c.fmt,/p/d.fmt,/p/e.fmt\r\n");
  std::string opened;
  TMainHooks hooks;
  hooks.OpenRecentFile = [&](const std::string& path) { opened = path; };
  ASSERT_TRUE(program.Start({}, hooks));
  QStringList captions;
  for (QAction* action : program.Window().FileMenu()->actions())
    if (action->objectName().startsWith("MenuItem") && !action->isSeparator()) captions << action->text();
  EXPECT_EQ(captions, (QStringList{"&0 /p/a.fmt", "&1 /p/b.fmt", "&2 /p/c.fmt", "&3 /p/d.fmt"}));
  program.Window().findChild<QAction*>("MenuItem2")->trigger();
  EXPECT_EQ(opened, "/p/c.fmt");
}

TEST(MainWindow, TheCardSettingsDialogIsMadeAtStartUp) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  auto* form = dynamic_cast<TParamSetForm*>(program.Corvane->Form("TParamSetForm"));
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->isVisible());
  // It keeps its link settings in the program's "Param.ini".
  program.Settings().WriteInteger("Param", "locPort", 17);
  form->show();
  EXPECT_EQ(form->LinkSettings().locPort, 17);
  form->close();
}

// This process's children that have ended and wait to be reaped (<defunct> in ps).
int ZombieChildren() {
  int zombies = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream file(entry.path() / "stat");
    std::string stat;
    if (!std::getline(file, stat)) continue;
    const size_t name = stat.rfind(')');
    if (name == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(stat.c_str() + name + 1, " %c %d", &state, &parent) == 2 && state == 'Z' &&
        parent == ::getpid())
      ++zombies;
  }
  return zombies;
}

// The converter without LibreOffice ends at once; the program reaps it as it ends, so no
// zombie stands for the rest of its life.
TEST(MainWindow, AConverterThatEndsByItselfIsReapedAtOnce) {
  TProgram program;
  const std::string converter = program.Dir.File("converter.sh");
  program.Dir.Write("converter.sh", "#!/bin/sh\ntouch \"$0.ran\"\n");
  ASSERT_EQ(::chmod(converter.c_str(), 0700), 0);
  ::setenv("CORVANE_PAGEFLAT", converter.c_str(), 1);
  const bool started = program.Start();
  ::unsetenv("CORVANE_PAGEFLAT");
  ASSERT_TRUE(started);
  model::TPageflatClient& client = model::PageflatClient();
  ASSERT_TRUE(client.WaitExit(20000));  // ended; a zombie until reaped
  EXPECT_TRUE(program.Dir.Exists("converter.sh.ran"));
  QCoreApplication::processEvents();
  EXPECT_EQ(client.Pid(), 0);
  EXPECT_EQ(ZombieChildren(), 0);
}

TEST(MainWindow, TheTableEditorAndItsNewTableDialogAreMadeAtStartUp) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TTableForm* table = program.Corvane->TableForm();
  TNewgridForm* newgrid = program.Corvane->NewgridForm();
  ASSERT_NE(table, nullptr);
  ASSERT_NE(newgrid, nullptr);
  EXPECT_EQ(program.Corvane->Form("TTableForm"), table);
  // The editor's New table reaches the program's dialog, whose values live in "Param.ini".
  program.Settings().WriteInteger("Table", "Row", 3);
  int shownRows = 0;
  newgrid->RunModal = [&](QDialog& dialog) {
    shownRows = newgrid->RowCount()->value();
    newgrid->ColCount()->setValue(2);
    dialog.done(mrNewgridOk);
  };
  table->RunModal = [](QDialog& dialog) { dialog.show(); };
  table->Edit("", 320, 200);
  EXPECT_EQ(shownRows, 3);
  ASSERT_NE(table->Editor().Table(), nullptr);
  EXPECT_EQ(table->Editor().Table()->GetLineCount(), 3);
  EXPECT_EQ(table->Editor().Table()->GetLine(0)->CellCount(), 2);
  EXPECT_EQ(program.Settings().ReadInteger("Table", "Col", 0), 2);
  program.Dialogs.Answers = {TMessageAnswer::No};
  table->reject();
  EXPECT_FALSE(table->isVisible());
}

template <class T>
T* AddObject(model::TLeaf& page, int left) {
  auto* object = new T(&page);
  object->SetParent(&page);
  object->SetBounds(left, 10, 40, 30);
  return object;
}

// The running program on its current page, whose objects a test double-clicks.
class DoubleClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.Start());
    page = program.Form().CurrentLeaf();
    ASSERT_NE(page, nullptr);
    ASSERT_NE(Commands().Design(), nullptr);
  }
  void doubleClick(int x) {
    Commands().Design()->DoubleClick(0, {x, 20}, {x, 20});
    platform::ProcessMessages();
  }

  TCommands& Commands() { return program.Window().Commands(); }

  TProgram program;
  model::TLeaf* page = nullptr;
};

TEST_F(DoubleClicks, RunTheProgramsEditorsByClass) {
  AddObject<model::TPhoto>(*page, 10);
  auto* movie = AddObject<model::TAVIPlayer>(*page, 60);
  auto* table = AddObject<model::TTableObject>(*page, 110);
  program.Form().SetModified(false);

  // A picture is not in the double-click table: its property editor runs, the picture dialog.
  program.Dialogs.Files = {std::nullopt};
  doubleClick(20);
  ASSERT_EQ(program.Dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(program.Dialogs.FileRequests[0].Filter, TComponentEditor::PictureRequest().Filter);
  EXPECT_FALSE(program.Form().Modified());  // cancelled: nothing changed

  program.Dialogs.Files = {std::string("/m/a.Avi")};
  doubleClick(70);
  EXPECT_EQ(movie->FileName(), "/m/a.Avi");
  EXPECT_TRUE(program.Form().Modified());
  EXPECT_EQ(Commands().Inspector()->Root(), movie);

  // A table object opens the table editor, its viewport the current screen's size, and takes
  // the file it ends with.
  model::TLEDScreen* screen = program.Form().CurrentScreenObject();
  ASSERT_NE(screen, nullptr);
  screen->SetScreenWidth(320);
  screen->SetScreenHeight(200);
  TTableForm* form = program.Corvane->TableForm();
  ASSERT_NE(form, nullptr);
  QSize viewport;
  std::string given;
  const std::string saved = program.Dir.File("plan.Tab");
  form->RunModal = [&](QDialog& dialog) {
    dialog.show();
    viewport = form->View()->viewport()->size();
    given = form->Editor().FileName();
    program.Dialogs.Files = {platform::GbkPathFromOs(program.Dir.File("plan"))};
    form->Action("tbSave")->trigger();
    dialog.accept();
  };
  table->SetFileName("");
  program.Form().SetModified(false);
  program.Corvane->NewgridForm()->RunModal = [](QDialog& dialog) { dialog.done(mrNewgridOk); };
  doubleClick(120);
  EXPECT_EQ(viewport, QSize(320, 200));
  EXPECT_EQ(given, "");
  EXPECT_EQ(table->FileName(), platform::GbkPathFromOs(saved));
  // The object shows the table as saved.
  model::TTableReport written(nullptr);
  ASSERT_TRUE(written.LoadFromFile(platform::GbkPathFromOs(saved)));
  platform::TBitmap rendered;
  ASSERT_TRUE(written.RenderToBitmap(rendered));
  const platform::TBitmap& shown = table->Picture();
  ASSERT_EQ(shown.Width(), rendered.Width());
  ASSERT_EQ(shown.Height(), rendered.Height());
  EXPECT_GT(rendered.Width(), 1);
  int differing = 0;
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width(); ++x) differing += shown.GetPixel(x, y) != rendered.GetPixel(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_TRUE(program.Form().Modified());
  EXPECT_EQ(program.Dialogs.FileRequests.size(), 3u);  // the save dialog only

  // The inspector's table is the program's, and goes with it.
  EXPECT_EQ(PropertyEditorTable().Exists("TPhoto", "FileName"), pdEditor);
  EXPECT_EQ(DoubleClickTable().Exists("TTableObject", "FileName"), pdEditor);
  program.Stop();
  EXPECT_EQ(PropertyEditorTable().Exists("TPhoto", "FileName"), 0);
}

TEST_F(DoubleClicks, TheMarksFollowATableObjectTheEditorResized) {
  auto* table = AddObject<model::TTableObject>(*page, 10);
  table->SetBounds(10, 10, 320, 200);
  Commands().Design()->Select(table);
  program.Corvane->NewgridForm()->RunModal = [](QDialog& dialog) { dialog.done(mrNewgridOk); };
  program.Corvane->TableForm()->RunModal = [&](QDialog& dialog) {
    dialog.show();
    program.Dialogs.Files = {platform::GbkPathFromOs(program.Dir.File("small"))};
    program.Corvane->TableForm()->Action("tbSave")->trigger();
    dialog.accept();
  };
  doubleClick(20);
  ASSERT_NE(table->Width(), 320) << "the new table is smaller than the object was";
  // Each handle where a fresh selection of the object would put it.
  const TGrab* grab = Commands().Design()->Grab();
  ASSERT_TRUE(grab && grab->Visible());
  const auto after = grab->Handles();
  Commands().Design()->Select(page);
  Commands().Design()->Select(table);
  for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].Pos, grab->Handles()[i].Pos) << "handle " << i;
  EXPECT_EQ(after[7].Pos, (platform::TPoint{table->Left() + table->Width() - 3, table->Top() + table->Height() - 3}));
}

TEST_F(DoubleClicks, ReachTheProgramsInputDialogs) {
  for (auto [cls, property] : {std::pair{"TMultiText", "FileName"}, {"TText", "Lines"}, {"TMultiString", "Lines"},
                               {"TCountUp", "Start"}, {"TCountDown", "Terminal"}, {"TLEDScreen", "Cards"}})
    EXPECT_EQ(PropertyEditorTable().Exists(cls, property), pdEditor) << cls;
  AddObject<model::TText>(*page, 10);
  auto* count = AddObject<model::TCountUp>(*page, 60);
  program.Form().SetModified(false);
  doubleClick(20);  // cancelled: nothing changes
  ASSERT_EQ(program.Dialogs.TextLineRequests.size(), 1u);
  EXPECT_FALSE(program.Form().Modified());
  program.Dialogs.DateTimes = {std::string("2026-12-24 08:30:00")};
  doubleClick(70);
  ASSERT_EQ(program.Dialogs.DateTimeRequests.size(), 1u);
  EXPECT_EQ(count->Start(), "2026-12-24 08:30:00");
  EXPECT_TRUE(program.Form().Modified());
}

TEST(MainWindow, TheInspectorsButtonOpensTheRegisteredEditor) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  model::TLeaf* page = program.Form().CurrentLeaf();
  ASSERT_NE(page, nullptr);
  TCommands& commands = program.Window().Commands();
  auto* movie = AddObject<model::TAVIPlayer>(*page, 10);
  TPropertyEditor* inspector = commands.Inspector();
  inspector->SetRoot(movie);  // as selecting it does
  int row = -1;
  for (int i = 0; i < inspector->List().ItemCount(); ++i)
    if (inspector->List().Items(i)->Path == "FileName") row = i;
  ASSERT_GE(row, 0);
  program.Form().SetModified(false);

  program.Dialogs.Files = {std::nullopt};
  inspector->SelectRow(row, inspector->Border(), false);
  inspector->ButtonClick();
  ASSERT_EQ(program.Dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(program.Dialogs.FileRequests[0].Filter, platform::Utf8ToGbk("动画文件|*.Avi"));
  EXPECT_FALSE(program.Form().Modified());

  program.Dialogs.Files = {std::string("/m/b.Avi")};
  inspector->ButtonClick();
  EXPECT_EQ(movie->FileName(), "/m/b.Avi");
  EXPECT_EQ(inspector->List().Items(row)->ValueText, "/m/b.Avi");
  EXPECT_TRUE(program.Form().Modified());
}

TEST(MainWindow, TheModelsMessageBoxesAndSensorClassesAreTheEditors) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  EXPECT_EQ(model::ComponentManager().Classes(0)->ClassName(), "TTemperature");
  EXPECT_EQ(model::ComponentManager().Classes(2)->ClassName(), "TNoise");
  program.Dialogs.Boxes.clear();
  model::ShowMessageBox("text", model::MessageBoxCaption(), model::TMessageBoxIcon::Warning);
  ASSERT_EQ(program.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(program.Dialogs.Boxes[0].Text, "text");
  EXPECT_EQ(program.Dialogs.Boxes[0].Caption, Utf8ToGbk("提示信息"));
  EXPECT_EQ(program.Dialogs.Boxes[0].Icon, TMessageIcon::Warning);
  EXPECT_EQ(program.Dialogs.Boxes[0].Buttons, TMessageButtons::Ok);
  // Gone with the program: nothing reaches its dialogs any more.
  program.Stop();
  ::testing::internal::CaptureStderr();
  model::ShowMessageBox("late", "caption");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "caption: late\n");
  EXPECT_EQ(program.Dialogs.Boxes.size(), 1u);
}

// The preview window is made at start-up, with the program directory for the card font file.
// "p" on the command line previews all pages of the first screen once the window shows.
TEST(MainWindow, ThePreviewWindowIsMadeAtStartUpAndPStartsAPreview) {
  TProgram program;
  test::PrepareModel();
  const std::string file = program.Dir.File("show.fmt");
  ASSERT_TRUE(test::WriteProject(file, {3, 1}, "show", 200));
  ASSERT_TRUE(program.Start({"p", file}));
  TPrevForm* form = program.Corvane->PrevForm();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(program.Corvane->Form("TPrevForm"), form);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->Player().FontPath(), program.Dir.Path() + "SoftScanFont.Dat");

  EXPECT_TRUE(program.Dialogs.Previews.empty()) << "not before the start message";
  platform::ProcessMessages();
  ASSERT_EQ(program.Dialogs.Previews.size(), 1u);
  const TPreviewRequest& shown = program.Dialogs.Previews[0];
  EXPECT_EQ(shown.Width, 200);
  ASSERT_GE(shown.Program.size(), 4u);
  EXPECT_EQ(shown.Program[0], 17);
  EXPECT_EQ(shown.Program[2], 3) << "the first screen's three pages";
}

TEST(QtClipboard, ThePrivateFormatTravelsUnderItsMimeType) {
  TQtClipboard clipboard;
  clipboard.SetDisplayFormat("Object Text1: TText\r\nEnd\r\n");
  EXPECT_TRUE(clipboard.HasDisplayFormat());
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("application/x-corvane-display-format"));
  EXPECT_EQ(clipboard.DisplayFormat(), "Object Text1: TText\r\nEnd\r\n");
  QGuiApplication::clipboard()->setText("plain");
  EXPECT_FALSE(clipboard.HasDisplayFormat());
  EXPECT_EQ(clipboard.DisplayFormat(), "");
}

}  // namespace
}  // namespace editor::ui
