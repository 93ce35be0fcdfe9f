// The schedule dialogs and automatic sending against the simulated card over loopback UDP,
// through the project roots' real card operations and a link manager with short timing. The test
// thread is the GUI thread: it pumps while it waits, and every wait has a generous limit that
// only a fault reaches.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "CardRig.h"
#include "Fakes.h"
#include "ScheduleFixtures.h"
#include "editor/core/AutoSend.h"
#include "editor/core/ScheduleForms.h"
#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ProgramRecords.h"
#include "model/ScreenStatus.h"
#include "model/TimerClock.h"
#include "model/stream/StreamContext.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/GbkText.h"
#include "tools/cardsim/CardSim.h"

namespace editor {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using platform::Utf8ToGbk;

using test::TCardRig;
using test::ReadFixture;

template <typename Span>
Bytes ToBytes(const Span& s) {
  return Bytes(s.begin(), s.end());
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

class TVisibleView : public TScheduleView {
 public:
  bool Visible() const override { return true; }
  void ShowModal() override {}
  void Changed() override {}
};

class ScheduleCard : public ::testing::Test {
 protected:
  ScheduleCard() {
    rig_.Connect(screen_.Communicate());
    // The main window forwards every status change to the dialogs.
    root_.OnStatusChanged = [this](platform::TObject* sender) {
      if (auto* screen = dynamic_cast<model::TLEDScreen*>(sender)) {
        power_.StatusChanged(*screen);
        bright_.StatusChanged(*screen);
      }
    };
  }
  ~ScheduleCard() override { root_.OnStatusChanged = nullptr; }
  bool WaitStatus(int32_t status) {
    return TCardRig::Pump([&] { return screen_.Status() == status; });
  }
  TCurrentScreen Current() {
    return [this] { return &screen_; };
  }

  TCardRig rig_;
  model::TConstructer root_{nullptr};
  model::TLEDScreen& screen_ = *root_.GetScreen(0);
  TVisibleView view_;
  test::TFakeDialogs dialogs_;
  TAutoCloseController power_{view_, dialogs_, RootScheduleOperations(), Current()};
  TAutoBrightController bright_{view_, dialogs_, RootScheduleOperations(), Current()};
};

TEST_F(ScheduleCard, DownloadGivesTheCardTheDialogsBlocks) {
  dialogs_.Files = {test::FixturePath("power_week.Tim"), test::FixturePath("bright_levels.Bri")};
  power_.Show();
  power_.Import();
  power_.SetCell(2, 7, "06:07:08");
  power_.Download();
  ASSERT_TRUE(WaitStatus(model::ssPowerScheduleDone));
  EXPECT_EQ(ToBytes(rig_.Card().PowerSchedule), ToBytes(power_.Block()));
  EXPECT_TRUE(rig_.Card().AutoPower) << "the card runs the schedule it was given";

  bright_.Show();
  bright_.Import();
  bright_.Download();
  ASSERT_TRUE(WaitStatus(model::ssBrightScheduleDone));
  EXPECT_EQ(ToBytes(rig_.Card().BrightSchedule), ToBytes(ReadFixture("bright_levels.Bri.encoded")));
}

TEST_F(ScheduleCard, RefreshShowsTheCardsSchedulesInTheVisibleDialogs) {
  rig_.Sim.UpdateCard(0, [](cardsim::TCardState& card) {
    const std::string power = ReadFixture("power_other.Tim"), bright = ReadFixture("bright_other.Bri");
    std::copy(power.begin(), power.end(), card.PowerSchedule.begin());
    std::copy(bright.begin(), bright.end(), card.BrightSchedule.begin());
  });
  power_.Show();
  power_.Refresh();
  ASSERT_TRUE(WaitStatus(model::ssPowerScheduleRead));
  EXPECT_EQ(ToBytes(screen_.PowerSchedule()), ToBytes(ReadFixture("power_other.Tim")));
  EXPECT_EQ(power_.Cell(1, 1), "07:30:00");
  EXPECT_EQ(power_.Cell(2, 7), "23:59:59");
  EXPECT_FALSE(power_.Auto());

  bright_.Show();
  bright_.Refresh();
  ASSERT_TRUE(WaitStatus(model::ssBrightScheduleRead));
  EXPECT_EQ(bright_.Cell(1, 2), Utf8ToGbk("1级亮度"));
  EXPECT_EQ(bright_.Cell(3, 12), Utf8ToGbk("7级亮度"));
  EXPECT_EQ(power_.Cell(1, 1), "07:30:00") << "a brightness read leaves the power dialog alone";
}

TEST_F(ScheduleCard, AdjustSetsTheCardsBrightness) {
  TBrightAdjustController adjust(view_, RootScheduleOperations(), Current());
  adjust.SetValue(5);
  adjust.Adjust();
  ASSERT_TRUE(WaitStatus(model::ssBrightSet));
  EXPECT_EQ(rig_.Card().Brightness, 5u);
  EXPECT_EQ(screen_.Bright(), 5);
}

TEST_F(ScheduleCard, AnInvalidCellSendsNoFrame) {
  power_.Show();
  power_.SetCell(1, 3, "25:00:00");
  EXPECT_THROW(power_.Download(), EScheduleConvertError);
  bright_.Show();
  bright_.Refresh();  // something the card does answer, to know the line was listened to
  ASSERT_TRUE(WaitStatus(model::ssBrightScheduleRead));
  EXPECT_EQ(rig_.Sim.CountFrames(cardsim::fdIn, 0x3D), 0u);
}

// ---- Automatic sending end to end ----------------------------------------------------------

class AutoSendCard : public ::testing::Test {
 protected:
  AutoSendCard() {
    for (const platform::TClassInfo* cls :
         {&model::TLEDScreen::StaticClassInfo(), &model::TLeaf::StaticClassInfo(),
          &model::TMultiCard::StaticClassInfo(), &model::TCards::StaticClassInfo()})
      if (!model::ComponentManager().IsRegistered(*cls)) model::ComponentManager().RegisterClass(*cls);
    model::SetTimerClock(&clock_);
  }
  ~AutoSendCard() override { model::SetTimerClock(nullptr); }

  // A display-content file of one screen on the simulated card, whose pages show for `seconds`.
  std::string MakeFmt(const std::string& name, uint32_t seconds, int pages) {
    model::TConstructer root(nullptr);
    model::TLEDScreen& screen = *root.GetScreen(0);
    rig_.Connect(screen.Communicate());
    while (int(screen.Pages().size()) < pages) root.AddLeaf(0);
    for (model::TLeaf* page : screen.Pages()) page->SetDisplayTime(seconds);
    const std::string path = dir_.File(name);
    EXPECT_TRUE(root.SaveToFile(path));
    return path;
  }
  // The program the card must get for that file: kind 17 for the card's colour mode.
  Bytes Program(const std::string& path) {
    model::TConstructer root(nullptr);
    EXPECT_TRUE(root.LoadFromFile(path));
    model::TProgramStream stream;
    EXPECT_TRUE(model::WriteProgramRecords(*root.GetScreen(0), 17, stream,
                                           cardsim::ParamsColourMode(rig_.Card())));
    return stream.Bytes();
  }

  test::TTempFolder dir_;
  test::TFakeDialogs dialogs_;
  platform::TFakeClock clock_;
  TCardRig rig_;
};

TEST_F(AutoSendCard, ListedFilesAlternateAndAreNotReloadedUnderASend) {
  const std::string a = MakeFmt("a.fmt", 5, 1), b = MakeFmt("b.fmt", 9, 3);
  const Bytes programA = Program(a), programB = Program(b);
  ASSERT_NE(programA, programB);
  {
    TAutoSendList list;
    list.Interval = 10;
    list.Entries[0] = {true, a};
    list.Entries[1] = {false, dir_.File("skipped.fmt")};
    list.Entries[2] = {true, b};
    const auto block = EncodeAutoSendList(list);
    dir_.Write("AutoSend.Lst", std::string(block.begin(), block.end()));
  }
  // The card holds its first parameter answer long past the interval.
  rig_.Sim.AddFault({.Action = cardsim::faDelay, .Kind = 7, .Times = 1, .DelayMs = 1500});

  struct TSend {
    int64_t FakeMs, SteadyMs;
  };
  std::vector<TSend> sends;
  TAutoSendOptions options;
  options.ListPath = dir_.File("AutoSend.Lst");
  options.Clock = &clock_;
  options.Send = [&](model::TConstructer& root) {
    sends.push_back({clock_.NowMs(), platform::SteadyClock().NowMs()});
    root.SendScreens("");
  };
  TAutoSend sender(dialogs_, options);
  ASSERT_TRUE(sender.ReadList());
  sender.StartStop();
  // Each round moves the clock one send-timer step; Timer1 ticks every ten rounds.
  ASSERT_TRUE(TCardRig::Pump([&] { return rig_.Sim.Transfers().size() >= 4; },
                             [&] { clock_.Advance(model::SendTimerInterval); }));
  sender.StartStop();

  const auto transfers = rig_.Sim.Transfers();
  const Bytes expected[] = {programA, programB, programA, programB};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(transfers[i].Data, expected[i]) << "transfer " << i;
  ASSERT_GE(sends.size(), 4u);
  // The held answer kept the first send going for many intervals; only then came the next file.
  EXPECT_GT(sends[1].FakeMs - sends[0].FakeMs, 11 * 1000);
  for (size_t i = 0; i + 1 < 4; ++i)
    EXPECT_GE(sends[i + 1].SteadyMs, transfers[i].TimeMs) << "file " << i + 1 << " loaded under a send";
}

}  // namespace
}  // namespace editor
