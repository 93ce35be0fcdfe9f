// The preview window offscreen, against stub simulators that record their calls: its size, its
// show, ticks and close, the box without the library, and previews that wait for an open one. No
// modal loop runs: the tests stand in for it and call the ticks themselves.
#include "editor/ui/PreView.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <QFrame>
#include <QImage>
#include <QTest>
#include <QToolButton>

#include "editor/core/tests/DisplayStubRecorder.h"
#include "editor/core/tests/Fakes.h"
#include "editor/ui/QtDialogs.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"

namespace editor::ui {
namespace {

using Bytes = std::vector<uint8_t>;
using test::StubCallCount;
using test::StubCallNames;
using test::StubCalls;
using test::StubRequest;

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override { StubCalls().clear(); }
  TPrevForm& Make(const char* library) {
    TPreviewOptions options;
    options.Library = library;
    options.ProgramDir = dir.Path();
    options.Clock = &clock;
    form = std::make_unique<TPrevForm>(dialogs, options);
    form->RunModal = [this](QDialog& dialog) {
      ++modalRuns;
      dialog.show();  // what exec() does first; no loop runs
      if (whileOpen) whileOpen();
    };
    return *form;
  }

  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  platform::TFakeClock clock;
  std::unique_ptr<TPrevForm> form;
  int modalRuns = 0;
  std::function<void()> whileOpen;  // what the person does while the window is up
};

TEST_F(PreviewWindow, LooksAsDesignedAndIsTheScreenPlusItsBevelPlusTheToolBar) {
  TPrevForm& f = Make(test::FullStub());
  f.Open(StubRequest(512, 256, 2, 20, {17, 0}));
  EXPECT_EQ(f.objectName(), "PrevForm");
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("显示效果预览"));
  EXPECT_EQ(f.SpeedButton1()->text(), QString::fromUtf8("返  回"));
  for (const char* name : {"CoolBar1", "ToolBar1", "SpeedButton1", "Panel1", "Panel2"})
    EXPECT_NE(f.findChild<QWidget*>(name), nullptr) << name;
  EXPECT_FALSE(f.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(f.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_EQ(f.Panel1()->frameShadow(), QFrame::Sunken);

  const int bar = f.CoolBar()->height();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(f.size(), QSize(516, 260 + bar));
  EXPECT_EQ(f.Panel2()->size(), QSize(512, 256));
  EXPECT_EQ(f.Panel2()->mapTo(&f, QPoint(0, 0)), QPoint(2, 2 + bar));

  // Black until the first step paints.
  EXPECT_EQ(f.Panel2()->grab().toImage().pixelColor(100, 100), QColor(Qt::black));
  f.close();
}

// Show creates with the window's own copy, every tick is one step that Panel2 shows, the button
// closes the window with one destroy.
TEST_F(PreviewWindow, ShowTickAndClose) {
  TPrevForm& f = Make(test::FullStub());
  const Bytes program = {17, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 5, 6};
  f.Open(StubRequest(64, 32, 2, 20, program, 0x5A));
  ASSERT_EQ(StubCallNames(), (std::vector<std::string>{"Display_Create"}));
  const test::TStubCall& create = StubCalls()[0];
  EXPECT_EQ(create.FontFile, dir.Path() + "SoftScanFont.Dat");
  EXPECT_EQ(create.ColourMode, 2);
  EXPECT_EQ(create.Width, 64);
  EXPECT_EQ(create.Height, 32);
  EXPECT_EQ(create.Window, &f.Player().Surface());
  EXPECT_EQ(create.ProgramBytes, program);
  EXPECT_EQ(create.ProgramLength, program.size());
  EXPECT_EQ(create.ParamBytes, StubRequest(64, 32, 2, 20, {}, 0x5A).ParamBlock);
  EXPECT_EQ(f.Player().Timer1().Interval(), 20u);

  f.Player().Step();
  f.Player().Step();
  EXPECT_EQ(StubCallCount("Display_Step"), 2u);
  const QImage shown = f.Panel2()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(0xC0, 0x80, 0x40));
  EXPECT_EQ(shown.pixelColor(63, 31), QColor(0xC0, 0x80, 0x40));

  QTest::mouseClick(f.SpeedButton1(), Qt::LeftButton);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(StubCallCount("Display_Destroy"), 1u);
  EXPECT_FALSE(test::LibraryLoaded(test::FullStub()));
  f.Player().Step();
  EXPECT_EQ(StubCallCount("Display_Step"), 2u);
}

TEST_F(PreviewWindow, WithoutTheLibraryTheBoxShowsAndClosingCallsNothing) {
  TPrevForm& f = Make(test::MissingLibrary());
  f.Open(StubRequest(128, 64, 2, 20, {17, 0}));
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Caption, platform::Utf8ToGbk("错误信息"));
  EXPECT_EQ(dialogs.Boxes[0].Text, platform::Utf8ToGbk("软件不全，无法执行预览功能，请与软件供应商联系!"));
  EXPECT_EQ(dialogs.Boxes[0].Icon, TMessageIcon::Error);
  EXPECT_TRUE(f.isVisible()) << "the window stays open, empty";
  EXPECT_FALSE(f.Player().Running());
  EXPECT_EQ(f.Panel2()->grab().toImage().pixelColor(10, 10), QColor(Qt::black));
  f.close();
  EXPECT_TRUE(StubCalls().empty());
}

// The program's dialogs show the window. A read-back that arrives while it is open (another
// screen's, of another size) leaves the open preview's bytes alone and opens after it closes.
TEST_F(PreviewWindow, APreviewAskedForWhileOneIsOpenOpensAfterItCloses) {
  TPrevForm& f = Make(test::FullStub());
  TQtDialogs qtDialogs;
  qtDialogs.SetPreviewForm(&f);
  const Bytes first = {17, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1};
  const Bytes second = {18, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 2};
  std::vector<QSize> sizes;
  whileOpen = [&] {
    sizes.push_back(f.Panel2()->size());
    f.Player().Step();
    if (modalRuns == 1) {
      qtDialogs.ShowPreview(StubRequest(320, 160, 2, 0, second, 0x33));
      EXPECT_EQ(f.Queue().Waiting(), 1u);
      EXPECT_EQ(StubCallCount("Display_Create"), 1u) << "nothing opens while the first one is up";
      EXPECT_EQ(Bytes(f.Player().Request().Program), first);
      EXPECT_EQ(StubCalls()[0].Program, f.Player().Request().Program.data());
    }
    f.close();
  };
  qtDialogs.ShowPreview(StubRequest(64, 32, 2, 40, first, 0x11));
  EXPECT_EQ(modalRuns, 2);
  EXPECT_EQ(StubCallNames(), (std::vector<std::string>{"Display_Create", "Display_Step", "Display_Destroy",
                                                        "Display_Create", "Display_Step", "Display_Destroy"}));
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], QSize(64, 32));
  EXPECT_EQ(sizes[1], QSize(320, 160));
  const test::TStubCall& later = StubCalls()[3];
  EXPECT_EQ(later.ProgramBytes, second);
  EXPECT_EQ(later.Width, 320);
  EXPECT_EQ(later.Height, 160);
  EXPECT_EQ(later.ParamBytes, StubRequest(320, 160, 2, 0, {}, 0x33).ParamBlock);
  EXPECT_EQ(f.Player().Timer1().Interval(), 20u) << "step time 0 runs at 20 ms";
  EXPECT_FALSE(f.Queue().Open());
}

// The project root's read-back previews reach the program's dialogs with the screen they came
// from.
TEST(PreviewProgram, CardPromptsShowTheReadBackWithItsScreen) {
  model::SetLoadMode(model::LoadModeNormal);
  model::TConstructer root(nullptr);
  model::TLEDScreen& other = *root.AddScreen("");
  other.SetScreenWidth(256);
  other.SetScreenHeight(64);
  platform::StoreU16(&other.ParamBlock()[6], 500);
  test::TFakeDialogs dialogs;
  TQtCardPrompts prompts(dialogs);
  const Bytes program = {17, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};
  prompts.ShowPreview(other, program);
  ASSERT_EQ(dialogs.Previews.size(), 1u);
  EXPECT_EQ(dialogs.Previews[0].Width, 256);
  EXPECT_EQ(dialogs.Previews[0].Height, 64);
  EXPECT_EQ(dialogs.Previews[0].Program, program);
  EXPECT_EQ(PreviewStepTime(dialogs.Previews[0]), 500);
}

// The program finds the simulator by name: its RUNPATH (searched after LD_LIBRARY_PATH) starts
// with its own folder, where the build tree has a link to the built library.
TEST(PreviewProgram, FindsTheSimulatorBesideItself) {
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::equivalent(fs::path(CORVANE_PROGRAM).parent_path() / DisplayLibraryName, DISPLAYSIM_LIBRARY));
  FILE* pipe = popen("readelf -d '" CORVANE_PROGRAM "'", "r");
  ASSERT_TRUE(pipe);
  std::string dynamic(1 << 16, '\0');
  dynamic.resize(fread(dynamic.data(), 1, dynamic.size(), pipe));
  ASSERT_EQ(0, pclose(pipe));
  EXPECT_EQ(std::string::npos, dynamic.find("(RPATH)")) << dynamic;
  EXPECT_NE(std::string::npos, dynamic.find("(RUNPATH)            Library runpath: [$ORIGIN:")) << dynamic;
}

}  // namespace
}  // namespace editor::ui
