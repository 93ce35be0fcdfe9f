// The preview without a window: what its callers hand it, one preview at a time, and the player
// against stub simulators that record their calls (and once against the real simulator).
#include "editor/core/PreView.h"

#include <gtest/gtest.h>

#include "DisplayStubRecorder.h"
#include "Fakes.h"
#include "Projects.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ProgramRecords.h"
#include "model/objects/Texts.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"

namespace editor {
namespace {

using test::StubCallCount;
using test::StubCallNames;
using test::StubCalls;
using test::StubRequest;
using Bytes = std::vector<uint8_t>;

const std::string kNoSoftware = platform::Utf8ToGbk("软件不全，无法执行预览功能，请与软件供应商联系!");
const std::string kErrorCaption = platform::Utf8ToGbk("错误信息");

// ---- the player -------------------------------------------------------------------------------

class Player : public ::testing::Test {
 protected:
  void SetUp() override { StubCalls().clear(); }
  TPreviewPlayer& Make(const char* library) {
    TPreviewOptions options;
    options.Library = library;
    options.ProgramDir = dir.Path();
    options.Clock = &clock;
    player = std::make_unique<TPreviewPlayer>(dialogs, options);
    player->OnPainted = [this] { ++paints; };
    return *player;
  }
  // Lets `ms` pass on the timer's clock and runs what fell due.
  void Pass(int64_t ms) {
    clock.Advance(ms);
    platform::ProcessMessages();
  }

  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  platform::TFakeClock clock{1000};
  std::unique_ptr<TPreviewPlayer> player;
  int paints = 0;
};

TEST_F(Player, CreatesWithItsOwnCopiesStepsAtTheStepTimeAndDestroysOnce) {
  const Bytes program = {17, 0, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 9, 8, 7};
  TPreviewRequest request = StubRequest(512, 256, 3, 20, program);
  TPreviewPlayer& p = Make(test::FullStub());
  p.Start(request);
  request.Program.assign(program.size(), 0xEE);  // the caller's request changes: the player's copy does not

  ASSERT_EQ(StubCallNames(), (std::vector<std::string>{"Display_Create"}));
  const test::TStubCall& create = StubCalls()[0];
  EXPECT_EQ(create.FontFile, dir.Path() + "SoftScanFont.Dat");
  EXPECT_EQ(create.ColourMode, 3);
  EXPECT_EQ(create.Width, 512);
  EXPECT_EQ(create.Height, 256);
  EXPECT_EQ(create.Window, &p.Surface());
  EXPECT_EQ(create.Program, p.Request().Program.data());
  EXPECT_EQ(create.ProgramLength, program.size());
  EXPECT_EQ(create.ProgramBytes, program);
  EXPECT_EQ(create.ParamBlock, p.Request().ParamBlock.data());
  EXPECT_EQ(create.ParamBytes, StubRequest(512, 256, 3, 20, {}).ParamBlock);
  EXPECT_EQ(p.Surface().Width, 512);
  EXPECT_EQ(p.Surface().Height, 256);
  EXPECT_EQ(p.Surface().Stride, 512 * 4);
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(p.Timer1().Interval(), 20u);
  EXPECT_TRUE(dialogs.Boxes.empty());

  // A step every 20 ms of the timer's clock, each painted.
  Pass(19);
  EXPECT_EQ(StubCallCount("Display_Step"), 0u);
  Pass(1);
  EXPECT_EQ(StubCallCount("Display_Step"), 1u);
  Pass(20);
  Pass(20);
  EXPECT_EQ(StubCallCount("Display_Step"), 3u);
  EXPECT_EQ(paints, 3);
  EXPECT_EQ(StubCalls().back().Window, &p.Surface());
  EXPECT_EQ(p.Surface().Pixels[0], DISPLAY_STUB_COLOUR);
  EXPECT_EQ(p.Surface().Pixels[512 * 256 - 1], DISPLAY_STUB_COLOUR);
  EXPECT_EQ(Bytes(p.Request().Program), program) << "the simulator's program stays as it was given";

  p.Stop();
  p.Stop();
  EXPECT_EQ(StubCallCount("Display_Destroy"), 1u);
  EXPECT_EQ(StubCallNames().back(), "Display_Destroy");
  EXPECT_FALSE(p.Running());
  EXPECT_FALSE(test::LibraryLoaded(test::FullStub())) << "unloaded as the window closes";
  Pass(100);
  EXPECT_EQ(StubCallCount("Display_Step"), 3u);
}

// The block's step time drives the timer, kept within the card-settings dialog's 20..2000 ms: a
// zeroed block (or a card's read-back) must not make a timer that spins.
TEST_F(Player, TheStepTimeIsKeptWithinTheDialogsRange) {
  const struct {
    int Block;
    uint32_t Interval;
  } cases[] = {{20, 20}, {0, 20}, {19, 20}, {50, 50}, {2000, 2000}, {5000, 2000}, {65535, 2000}};
  for (const auto& c : cases) {
    EXPECT_EQ(PreviewInterval(c.Block), c.Interval) << c.Block;
    TPreviewPlayer& p = Make(test::FullStub());
    p.Start(StubRequest(64, 32, 1, c.Block, {17, 0}));
    EXPECT_EQ(p.Timer1().Interval(), c.Interval) << c.Block;
    p.Stop();
  }
}

// Without the library, or with a library that lacks a call, the box says so once, the window
// stays empty, nothing is called, and closing calls nothing either.
TEST_F(Player, AMissingLibraryOrCallShowsTheBoxAndCallsNothing) {
  for (const char* library : {test::MissingLibrary(), test::CreateOnlyStub()}) {
    SCOPED_TRACE(library);
    dialogs.Boxes.clear();
    TPreviewPlayer& p = Make(library);
    p.Start(StubRequest(64, 32, 1, 20, {17, 0}));
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, kNoSoftware);
    EXPECT_EQ(dialogs.Boxes[0].Caption, kErrorCaption);
    EXPECT_EQ(dialogs.Boxes[0].Icon, TMessageIcon::Error);
    EXPECT_EQ(dialogs.Boxes[0].Buttons, TMessageButtons::Ok);
    EXPECT_FALSE(p.Running());
    EXPECT_FALSE(test::LibraryLoaded(library)) << "a library without its calls is unloaded at once";
    Pass(1000);
    p.Stop();
    EXPECT_TRUE(StubCalls().empty());
    // The surface is there, black.
    EXPECT_EQ(p.Surface().Width, 64);
    EXPECT_EQ(p.Surface().Pixels[0], 0u);
  }
}

// Each showing loads the library anew; a second showing starts a second simulation.
TEST_F(Player, EachShowingLoadsAndReleasesTheLibrary) {
  TPreviewPlayer& p = Make(test::FullStub());
  for (int showing = 0; showing < 2; ++showing) {
    p.Start(StubRequest(64, 32, 2, 40, {18, 0}));
    EXPECT_TRUE(test::LibraryLoaded(test::FullStub()));
    Pass(40);
    p.Stop();
    EXPECT_FALSE(test::LibraryLoaded(test::FullStub()));
  }
  EXPECT_EQ(StubCallNames(), (std::vector<std::string>{"Display_Create", "Display_Step", "Display_Destroy",
                                                        "Display_Create", "Display_Step", "Display_Destroy"}));
}

// ---- the callers ------------------------------------------------------------------------------

class Callers : public ::testing::Test {
 protected:
  void SetUp() override {
    model::SetLoadMode(model::LoadModeNormal);
    model::StreamContext().Reset();
    root = std::make_unique<model::TConstructer>(nullptr);
    screen = root->GetScreen(0);
    screen->SetScreenWidth(96);
    screen->SetScreenHeight(48);
    platform::StoreU16(&screen->ParamBlock()[4], 3);
    platform::StoreU16(&screen->ParamBlock()[6], 60);
    platform::StoreU32(&screen->ParamBlock()[8], 0x4005F);
    text = new model::TText(screen->Pages()[0]);
    text->SetBounds(2, 3, 40, 16);
    platform::TStringList lines;
    lines.Add("88");
    text->SetLines(&lines);
  }
  void TearDown() override { model::StreamContext().Reset(); }

  std::unique_ptr<model::TConstructer> root;
  model::TLEDScreen* screen = nullptr;
  model::TText* text = nullptr;
  test::TFakeDialogs dialogs;
};

// "Preview page": the status text first, then a page program of kind 17 with one page and size
// 0 in the screen's colour mode, played from a copy while the page is inactive; the shared
// stream is empty and the page active again afterwards.
TEST_F(Callers, PreviewPagePlaysACopyOfThePageProgram) {
  test::TTempFolder dir;
  test::TFakeView view;
  test::TFakeClipboard clipboard;
  TMainOptions options;
  options.ProgramDir = dir.Path();
  TDesignForm form(view, dialogs, clipboard, options);
  model::TLeaf& page = *root->AddLeaf(0);
  new model::TText(&page);
  page.SetActive(true);

  model::TProgramStream expected;
  WritePagePreview(*screen, page, expected);
  ASSERT_GT(expected.Size(), 12u);
  EXPECT_EQ(Bytes(expected.Bytes().begin(), expected.Bytes().begin() + 12),
            (Bytes{17, 0, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(model::StreamContext().ColorMode(), 3);

  model::StreamContext().SetColorMode(1);
  const int repaintsBefore = view.PanelRepaints;
  dialogs.WhilePreviewing = [&](const TPreviewRequest& request) {
    EXPECT_EQ(form.StatusPanelText(3), platform::Utf8ToGbk("正在形成预览数据..."));
    EXPECT_GT(view.PanelRepaints, repaintsBefore) << "the status bar repaints before the preview";
    EXPECT_FALSE(page.Active());
    const model::TProgramStream& shared = model::StreamContext().PreviewStream();
    EXPECT_EQ(shared.Bytes(), request.Program);
    EXPECT_NE(shared.Memory(), request.Program.data());
  };
  PreviewPage(form, dialogs, *screen, page);
  ASSERT_EQ(dialogs.Previews.size(), 1u);
  const TPreviewRequest& shown = dialogs.Previews[0];
  EXPECT_EQ(shown.Program, expected.Bytes());
  EXPECT_EQ(shown.Width, 96);
  EXPECT_EQ(shown.Height, 48);
  EXPECT_TRUE(std::equal(shown.ParamBlock.begin(), shown.ParamBlock.end(), screen->ParamBlock().begin()));
  EXPECT_EQ(model::StreamContext().PreviewStream().Size(), 0u);
  EXPECT_TRUE(page.Active());
}

// "Preview all": the screen's whole program, and a copy of its block whose flags are 0; the
// screen keeps its flags.
TEST_F(Callers, PreviewAllPlaysTheScreenWithItsFlagsClearedInACopy) {
  root->AddLeaf(0);
  model::TProgramStream expected;
  ASSERT_TRUE(model::WriteProgramRecords(*screen, 17, expected, 3));
  std::array<uint8_t, 112> block{};
  std::copy(screen->ParamBlock().begin(), screen->ParamBlock().end(), block.begin());

  PreviewAll(dialogs, *screen);
  ASSERT_EQ(dialogs.Previews.size(), 1u);
  const TPreviewRequest& shown = dialogs.Previews[0];
  EXPECT_EQ(shown.Program, expected.Bytes());
  EXPECT_EQ(platform::LoadU16(&shown.Program[2]), 2) << "both pages";
  EXPECT_EQ(platform::LoadU32(&shown.ParamBlock[8]), 0u);
  std::array<uint8_t, 112> cleared = block;
  platform::StoreU32(&cleared[8], 0);
  EXPECT_EQ(shown.ParamBlock, cleared);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), screen->ParamBlock().begin())) << "the screen's block is untouched";
  EXPECT_EQ(model::StreamContext().PreviewStream().Size(), 0u);
}

// A read-back plays with the size and block of the screen it came from, not the current one.
TEST_F(Callers, AReadBackPlaysWithItsOwnScreensSizeAndBlock) {
  model::TLEDScreen& other = *root->AddScreen("");
  other.SetScreenWidth(320);
  other.SetScreenHeight(160);
  platform::StoreU16(&other.ParamBlock()[4], 1);
  platform::StoreU16(&other.ParamBlock()[6], 0);
  const Bytes program = {18, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  ShowReadBackPreview(dialogs, other, program);
  ASSERT_EQ(dialogs.Previews.size(), 1u);
  const TPreviewRequest& shown = dialogs.Previews[0];
  EXPECT_EQ(shown.Width, 320);
  EXPECT_EQ(shown.Height, 160);
  EXPECT_EQ(shown.Program, program);
  EXPECT_TRUE(std::equal(shown.ParamBlock.begin(), shown.ParamBlock.end(), other.ParamBlock().begin()));
  EXPECT_EQ(PreviewColorMode(shown), 1);
  EXPECT_EQ(PreviewStepTime(shown), 0);
}

// The real simulator behind the player: a page preview of a text object lights pixels inside the
// object only.
TEST_F(Callers, TheSimulatorPaintsThePagePreview) {
  model::TLeaf& page = *screen->Pages()[0];
  model::TProgramStream program;
  WritePagePreview(*screen, page, program);
  test::TTempFolder dir;
  TPreviewOptions options;
  options.Library = DISPLAYSIM_LIBRARY;
  options.ProgramDir = dir.Path();
  TPreviewPlayer p(dialogs, options);
  p.Start(PreviewRequest(*screen, program.Bytes()));
  ASSERT_TRUE(p.Running());
  EXPECT_EQ(p.Timer1().Interval(), 60u);
  p.Step();
  const TDisplaySurface& surface = p.Surface();
  int lit = 0, outside = 0;
  for (int y = 0; y < surface.Height; ++y) {
    for (int x = 0; x < surface.Width; ++x) {
      if (surface.Pixels[y * surface.Width + x] == 0) continue;
      ++lit;
      if (x < 2 || x >= 42 || y < 3 || y >= 19) ++outside;
    }
  }
  EXPECT_GT(lit, 0);
  EXPECT_EQ(outside, 0);
  p.Stop();
  EXPECT_FALSE(test::LibraryLoaded(DISPLAYSIM_LIBRARY));
}

// The commands act on the main window's current screen and page.
TEST(PreviewCommands, ActOnTheMainWindowsCurrentScreenAndPage) {
  test::PrepareModel();
  test::TTempFolder dir;
  test::TFakeView view;
  test::TFakeDialogs dialogs;
  test::TFakeClipboard clipboard;
  ASSERT_TRUE(test::WriteProject(dir.File("show.fmt"), {1, 2, 0}, "show", 128));
  dir.Write("Param.ini", "[Auto Save]\r\nFiles=" + dir.File("show.fmt") + "\r\n");
  TMainOptions options;
  options.ProgramDir = dir.Path();
  TDesignForm form(view, dialogs, clipboard, options);
  ASSERT_TRUE(form.Create());
  form.FirstShow();
  model::TConstructer& root = *form.ProjectRoot();
  root.GetScreen(1)->SetScreenHeight(24);

  form.SetCurrentScreen(1);
  form.SetCurrentPage(1);
  PreviewPage(form, dialogs);
  PreviewAll(form, dialogs);
  ASSERT_EQ(dialogs.Previews.size(), 2u);
  model::TProgramStream page;
  WritePagePreview(*root.GetScreen(1), *root.GetLeaf(1, 1), page);
  EXPECT_EQ(dialogs.Previews[0].Program, page.Bytes());
  EXPECT_EQ(dialogs.Previews[0].Height, 24);
  EXPECT_EQ(dialogs.Previews[1].Program[2], 2) << "both pages of the current screen";

  // A screen without pages has no page to preview; all of it is an empty program.
  form.SetCurrentScreen(2);
  form.SetCurrentPage(0);
  PreviewPage(form, dialogs);
  EXPECT_EQ(dialogs.Previews.size(), 2u);
  PreviewAll(form, dialogs);
  ASSERT_EQ(dialogs.Previews.size(), 3u);
  EXPECT_EQ(dialogs.Previews[2].Program[2], 0);
  form.Destroy();
}

// ---- one preview at a time --------------------------------------------------------------------

// A preview asked for while one is open waits, and opens once that one has closed, in order.
TEST(PreviewQueue, PreviewsAskedForWhileOneIsOpenWaitForIt) {
  std::vector<std::string> log;
  TPreviewQueue* self = nullptr;
  TPreviewQueue queue([&](const TPreviewRequest& request) {
    const std::string name(request.Program.begin(), request.Program.end());
    log.push_back("open " + name);
    if (name == "a") {
      self->Show(StubRequest(8, 16, 1, 20, {'b'}));
      self->Show(StubRequest(8, 16, 1, 20, {'c'}));
      log.push_back("waiting " + std::to_string(self->Waiting()));
    }
    log.push_back("close " + name);
  });
  self = &queue;
  queue.Show(StubRequest(8, 16, 1, 20, {'a'}));
  EXPECT_EQ(log, (std::vector<std::string>{"open a", "waiting 2", "close a", "open b", "close b", "open c",
                                           "close c"}));
  EXPECT_FALSE(queue.Open());
  EXPECT_EQ(queue.Waiting(), 0u);
}

TEST(PreviewQueue, APreviewThatFailsTakesTheWaitingOnesAlong) {
  TPreviewQueue* self = nullptr;
  int runs = 0;
  TPreviewQueue queue([&](const TPreviewRequest&) {
    ++runs;
    self->Show(StubRequest(8, 16, 1, 20, {'b'}));
    throw std::runtime_error("no window");
  });
  self = &queue;
  EXPECT_THROW(queue.Show(StubRequest(8, 16, 1, 20, {'a'})), std::runtime_error);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(queue.Open());
  EXPECT_EQ(queue.Waiting(), 0u);
}

}  // namespace
}  // namespace editor
