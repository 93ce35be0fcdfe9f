// The project root's card operations against the simulated card over loopback UDP and pty pairs,
// through a link manager of the test's own with short link timing. The test thread is the GUI
// thread: it pumps the root's queue while it waits, and every wait has a generous limit that
// only a fault reaches. Each screen's statuses are compared with the transitions they must take.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CardFakes.h"
#include "TempDir.h"
#include "TreeFixtures.h"
#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ProgramRecords.h"
#include "model/ScreenStatus.h"
#include "model/TimerClock.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/FilePath.h"
#include "platform/base/MessageWindow.h"
#include "platform/comm/ComPortNames.h"
#include "tools/cardsim/CardSim.h"

using namespace model;
using namespace std::chrono_literals;
using cardsim::fdIn;
using cardsim::TCardSim;
using cardsim::TFaultRule;
using model::test::Pattern;
using model::test::TFakePrompts;
using model::test::TPictureObject;
using model::test::TStatusLog;
using Bytes = std::vector<uint8_t>;
using Trace = std::vector<int32_t>;

namespace {

constexpr int kGenerous = 20000;  // ms
const platform::TSystemTime kHostTime{2024, 5, 3, 15, 13, 45, 30, 250};

// T = 100 ms: answers come within a millisecond on loopback; T only has to outlast a busy
// machine's stalls. The 500 ms gap after each answer is cut so runs stay short.
cardlink::TLinkTiming ShortTiming() {
  cardlink::TLinkTiming t;
  t.AnswerTimeoutMs = 100;
  t.Retries = 6;
  t.Burst = 1;
  t.ReceiveIdleMs = 3000;
  t.GapMs = 10;
  t.SerialPauseMs = 1;
  return t;
}

// Pumps the calling thread's queue until `done` holds. With a fake clock for the root's timer,
// the clock moves one timer interval per round, so a timer that is on fires on the next round.
bool PumpFor(const std::function<bool()>& done, platform::TFakeClock* clock = nullptr,
             int ms = kGenerous) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    platform::ProcessMessages();
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (clock) {
      clock->Advance(SendTimerInterval);
      platform::WaitMessage(5);
    } else {
      platform::WaitMessage(int(left.count()));
    }
  }
}

// The editor's side of a test: the link manager with short timing set into the accessor, one
// project root with its prompts faked, and the statuses it reports.
class TRig {
 public:
  explicit TRig(platform::TFakeClock* timerClock = nullptr) : clock_(timerClock) {
    SetLoadMode(LoadModeNormal);
    StreamContext().Reset();
    SetTimerClock(timerClock);
    cardlink::TManagerPolicy policy = cardlink::CorvaneManagerPolicy(ShortTiming());
    policy.LocalTime = [] { return kHostTime; };
    policy.ReceiveBufferSize = size_t(1) << 20;
    Manager = std::make_unique<cardlink::TLEDManager>(policy);
    SetLEDManager(Manager.get());
    Root = std::make_unique<TConstructer>(nullptr);
    Log = std::make_unique<TStatusLog>(*Root);
    Root->SetCardPrompts(&Prompts);
  }
  ~TRig() {
    SetLEDManager(nullptr);
    Manager.reset();
    Log.reset();
    Root.reset();
    SetTimerClock(nullptr);
    StreamContext().Reset();
  }

  TLEDScreen& Screen(int i) { return *Root->GetScreen(i); }
  TLEDScreen& AddScreen() { return *Root->AddScreen(""); }
  bool Pump(const std::function<bool()>& done) { return PumpFor(done, clock_); }
  bool WaitStatus(const TLEDScreen& screen, int32_t status) {
    return Pump([&] { return screen.Status() == status; });
  }
  Trace TraceOf(const TLEDScreen& screen) const { return Log->Trace(screen); }
  // Pumps meanwhile: a link thread may be waiting to deliver a notification before it sends.
  bool WaitFrames(const TCardSim& sim, uint16_t kind, size_t count) {
    return Pump([&] { return sim.CountFrames(fdIn, kind) >= count; });
  }

  std::unique_ptr<cardlink::TLEDManager> Manager;
  std::unique_ptr<TConstructer> Root;
  std::unique_ptr<TStatusLog> Log;
  TFakePrompts Prompts;

 private:
  platform::TFakeClock* clock_;
};

cardsim::TCardSimOptions SimOptions() { return {.AnswerTimeoutMs = 500, .Retries = 5}; }

// A line of simulated cards on a UDP socket of the given loopback address.
struct TUdpCards {
  explicit TUdpCards(std::vector<uint8_t> addresses = {0}, std::string ip = "127.0.0.1")
      : Ip(std::move(ip)) {
    for (uint8_t a : addresses) Sim.AddCard(a);
    std::string error;
    EXPECT_TRUE(Sim.StartUdp(0, Ip, &error)) << error;
  }
  ~TUdpCards() { Sim.Stop(); }
  // Points a link at this line, on any free local port.
  void Connect(TCommunication& link) const {
    link.SetCommunicationType(ctNetWork);
    link.SetIP(Ip);
    link.SetRemotePort(Sim.UdpPort());
    link.SetLocalPort(0);
  }

  std::string Ip;
  TCardSim Sim{SimOptions()};
};

// A line of simulated cards on a pty that the links open as COM `number`.
struct TPtyCards {
  TPtyCards(int number, std::vector<uint8_t> addresses) : Number(number) {
    for (uint8_t a : addresses) Sim.AddCard(a);
    std::string error;
    EXPECT_TRUE(Sim.StartPty(&error)) << error;
    ::setenv(platform::ComPortOverrideVariable(number).c_str(), Sim.PtyPath().c_str(), 1);
  }
  ~TPtyCards() {
    Sim.Stop();
    ::unsetenv(platform::ComPortOverrideVariable(Number).c_str());
  }
  void Connect(TCommunication& link, TCommType kind) const {
    link.SetCommunicationType(kind);
    link.SetComPort(Number);
    link.SetSpeed(cs57600);
  }

  int Number;
  TCardSim Sim{SimOptions()};
};

// COM `number` names a device that does not exist, so it never opens.
struct TMissingPort {
  explicit TMissingPort(int number) : Number(number) {
    ::setenv(platform::ComPortOverrideVariable(number).c_str(), "/nonexistent/tty-for-tests", 1);
  }
  ~TMissingPort() { ::unsetenv(platform::ComPortOverrideVariable(Number).c_str()); }
  void Connect(TCommunication& link) const {
    link.SetCommunicationType(ctCom);
    link.SetComPort(Number);
  }
  int Number;
};

TMultiCard& AddSubCard(TLEDScreen& screen, int address) {
  auto* card = new TMultiCard(&screen.Cards());
  card->SetAddress(address);
  return *card;
}

void SetColourMode(TCardSim& sim, uint8_t card, uint16_t mode) {
  sim.UpdateCard(card,
                 [mode](cardsim::TCardState& c) { platform::StoreU16(c.Params.data() + 4, mode); });
}

// A picture as big as a small screen: the program spans many 512-byte blocks.
void AddBigPicture(TLEDScreen& screen) {
  auto* picture = new TPictureObject(screen.Pages()[0]);
  picture->SetBounds(0, 0, 160, 64);
}

// The program the root must have sent: the landed writer's, for that screen, mode and kind.
Bytes ExpectedProgram(TLEDScreen& screen, uint16_t kind, int mode) {
  TProgramStream s;
  EXPECT_TRUE(WriteProgramRecords(screen, kind, s, mode));
  return s.Bytes();
}

std::vector<cardsim::TFrameRecord> FramesIn(const TCardSim& sim, uint16_t kind) {
  std::vector<cardsim::TFrameRecord> found;
  for (auto& f : sim.Frames())
    if (f.Direction == fdIn && f.Valid && f.Kind == kind) found.push_back(f);
  return found;
}

// One screen on one simulated card (address 0) over UDP.
class OneCard : public testing::Test {
 protected:
  OneCard() { cards.Connect(screen.Communicate()); }
  TRig rig;
  TUdpCards cards;
  TLEDScreen& screen = rig.Screen(0);
};

const Trace kSent = {ssReadingForSend, ssWaitingToSend, ssBuilding, ssSending, ssSendDone};
const Trace kDownloaded = {ssReadingForDownload, ssWaitingToDownload, ssBuilding, ssSending,
                           ssSendDone};

}  // namespace

// ---- send and download --------------------------------------------------------------------

class SendAndDownload : public testing::TestWithParam<std::tuple<bool, bool>> {};
INSTANTIATE_TEST_SUITE_P(Links, SendAndDownload, testing::Combine(testing::Bool(), testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "Download" : "Send") +
                                  (std::get<1>(info.param) ? "Pty" : "Udp");
                         });

TEST_P(SendAndDownload, TheCardGetsTheProgramOfItsColourMode) {
  const auto [download, pty] = GetParam();
  TRig rig;
  TLEDScreen& screen = rig.Screen(0);
  AddBigPicture(screen);
  std::unique_ptr<TUdpCards> udp;
  std::unique_ptr<TPtyCards> line;
  TCardSim* sim;
  if (pty) {
    line = std::make_unique<TPtyCards>(41, std::vector<uint8_t>{0});
    line->Connect(screen.Communicate(), ctCom);
    sim = &line->Sim;
  } else {
    udp = std::make_unique<TUdpCards>();
    udp->Connect(screen.Communicate());
    sim = &udp->Sim;
  }
  SetColourMode(*sim, 0, 3);

  if (download)
    rig.Root->DownloadScreens("");
  else
    rig.Root->SendScreens(screen.Text());
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone)) << screen.Status();
  EXPECT_EQ(rig.TraceOf(screen), download ? kDownloaded : kSent);

  // The card's parameters were kept, and the program was built for its mode.
  const auto card = sim->Card(0);
  EXPECT_EQ(Bytes(screen.ParamBlock().begin(), screen.ParamBlock().end()),
            Bytes(card->Params.begin(), card->Params.end()));
  auto transfer = sim->WaitForTransfer(std::chrono::milliseconds(kGenerous));
  ASSERT_TRUE(transfer);
  const uint16_t kind = download ? rkDownloadHeader : rkSendHeader;
  EXPECT_EQ(transfer->ContentKind(), kind);
  EXPECT_GT(transfer->Data.size(), 20u * 512) << "many blocks";
  EXPECT_EQ(transfer->Data, ExpectedProgram(screen, kind, 3));
  EXPECT_EQ(rig.Root->Stream().Bytes(), transfer->Data)
      << "the stream keeps it until the next send";
}

TEST_F(OneCard, ASendIsSkippedOnlyInItsOwnBusyStatus) {
  // Until its answer is handled the screen stays in 4: a second send does nothing, a download
  // starts at once (and the first answer then finds the screen in 5).
  screen.SetTag(4);
  rig.Root->SendScreens("");
  rig.Root->SendScreens("");
  EXPECT_EQ(screen.Tag(), 0);
  EXPECT_EQ(rig.Log->Entries.size(), 1u);
  rig.Root->DownloadScreens(screen);
  rig.Root->DownloadScreens(screen);
  rig.Root->DownloadScreens(screen.Text());
  rig.Root->DownloadScreens("");
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssReadingForSend, ssReadingForDownload}));
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone));
  ASSERT_TRUE(rig.WaitFrames(cards.Sim, 7, 2));
  EXPECT_EQ(cards.Sim.WaitForTransfer(5s)->ContentKind(), rkDownloadHeader);
}

// ---- two screens at once ------------------------------------------------------------------

class TwoCards : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(LocalPorts, TwoCards, testing::Bool(), [](const auto& info) {
  return info.param ? "OneLocalPort" : "TwoLocalPorts";
});

TEST_P(TwoCards, AreSentOneAfterTheOther) {
  const bool shared = GetParam();
  platform::TFakeClock clock;  // the root's timer ticks only when the test lets it
  TRig rig(&clock);
  TUdpCards first({0}, "127.0.0.1");
  TUdpCards second({0}, "127.0.0.2");
  TLEDScreen& a = rig.Screen(0);
  TLEDScreen& b = rig.AddScreen();
  first.Connect(a.Communicate());
  second.Connect(b.Communicate());
  AddBigPicture(a);
  AddBigPicture(b);
  b.Pages()[0]->SetDisplayTime(3);  // the two programs differ
  if (shared) {
    // The port a binds becomes b's own local port: one device for both cards.
    rig.Root->ReadPower(a);
    ASSERT_TRUE(PumpFor([&] { return a.Status() == ssPowerRead; }));
    b.Communicate().SetLocalPort(a.Communicate().BoundPort());
    rig.Log->Entries.clear();
  }

  rig.Root->SendScreens("");
  ASSERT_TRUE(
      PumpFor([&] { return a.Status() == ssWaitingToSend && b.Status() == ssWaitingToSend; }));
  // Now the timer ticks: one screen per tick, the second only once a notification enabled the
  // timer again, and here that is the end of the first one's transfer.
  ASSERT_TRUE(rig.Pump([&] { return a.Status() == ssSendDone && b.Status() == ssSendDone; }));
  EXPECT_EQ(rig.Manager->DeviceCount(), shared ? 1u : 2u);
  EXPECT_EQ(rig.TraceOf(a), kSent);
  EXPECT_EQ(rig.TraceOf(b), kSent);
  EXPECT_LT(rig.Log->FirstReport(a, ssSendDone), rig.Log->FirstReport(b, ssBuilding));

  auto ta = first.Sim.WaitForTransfer(5s);
  auto tb = second.Sim.WaitForTransfer(5s);
  ASSERT_TRUE(ta && tb);
  EXPECT_EQ(ta->Data, ExpectedProgram(a, rkSendHeader, 1));
  EXPECT_EQ(tb->Data, ExpectedProgram(b, rkSendHeader, 1));
  EXPECT_NE(ta->Data, tb->Data);
}

// ---- time-outs and answers ----------------------------------------------------------------

TEST_F(OneCard, ACardThatNeverAnswersIsReadSevenTimesThenTimedOut) {
  cards.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 7, .Times = 0});
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssTimedOut));
  EXPECT_EQ(cards.Sim.CountFrames(fdIn, 7), 7u);
  EXPECT_EQ(screen.Tag(), 6);
  Trace want = {ssReadingForSend};
  for (int i = 0; i < 6; ++i) want.insert(want.end(), {ssReadingParams, ssReadingForSend});
  want.push_back(ssTimedOut);
  EXPECT_EQ(rig.TraceOf(screen), want);

  // Any other command is not retried.
  rig.Log->Entries.clear();
  cards.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 10, .Times = 0});
  rig.Root->SetPower(screen, 0);
  ASSERT_TRUE(rig.WaitStatus(screen, ssTimedOut));
  EXPECT_EQ(cards.Sim.CountFrames(fdIn, 10), 1u);
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssSettingPower, ssTimedOut}));
}

TEST_F(OneCard, PowerAndBrightnessAreSetReadOrRefused) {
  auto run = [&](const std::function<void()>& operation, int32_t end) {
    rig.Log->Entries.clear();
    operation();
    EXPECT_TRUE(rig.WaitStatus(screen, end)) << "waiting for " << end;
    return rig.TraceOf(screen);
  };

  cards.Sim.SetAutomatic(0, true, true);
  screen.SetPower(5);
  screen.SetBright(5);
  EXPECT_EQ(run([&] { rig.Root->SetPower("", 0); }, ssAutoPower),
            (Trace{ssSettingPower, ssAutoPower}));
  EXPECT_EQ(run([&] { rig.Root->SetBright("", 2); }, ssAutoBright),
            (Trace{ssSettingBright, ssAutoBright}));
  EXPECT_EQ(screen.Power(), 5);
  EXPECT_EQ(screen.Bright(), 5);
  EXPECT_EQ(cards.Sim.Card(0)->Power, 1u);

  cards.Sim.SetAutomatic(0, false, false);
  EXPECT_EQ(run([&] { rig.Root->SetPower(screen, 0); }, ssPowerSet),
            (Trace{ssSettingPower, ssPowerSet}));
  EXPECT_EQ(screen.Power(), 0);
  EXPECT_EQ(run([&] { rig.Root->SetBright(screen, 3); }, ssBrightSet),
            (Trace{ssSettingBright, ssBrightSet}));
  EXPECT_EQ(screen.Bright(), 3);
  EXPECT_EQ(cards.Sim.Card(0)->Power, 0u);
  EXPECT_EQ(cards.Sim.Card(0)->Brightness, 3u);

  cards.Sim.UpdateCard(0, [](cardsim::TCardState& c) {
    c.Power = 1;
    c.Brightness = 6;
  });
  EXPECT_EQ(run([&] { rig.Root->ReadPower(""); }, ssPowerRead),
            (Trace{ssReadingPower, ssPowerRead}));
  EXPECT_EQ(screen.Power(), 1);
  EXPECT_EQ(run([&] { rig.Root->ReadBright(""); }, ssBrightRead),
            (Trace{ssReadingBright, ssBrightRead}));
  EXPECT_EQ(screen.Bright(), 6);
}

TEST_F(OneCard, SchedulesAndTheClock) {
  const Bytes power = Pattern(TLEDScreen::PowerScheduleSize, 1);
  const Bytes bright = Pattern(TLEDScreen::BrightScheduleSize, 2);
  cards.Sim.UpdateCard(0, [&](cardsim::TCardState& c) {
    std::copy(power.begin(), power.end(), c.PowerSchedule.begin());
    std::copy(bright.begin(), bright.end(), c.BrightSchedule.begin());
  });

  rig.Root->ReadPowerSchedule("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssPowerScheduleRead));
  EXPECT_EQ(Bytes(screen.PowerSchedule().begin(), screen.PowerSchedule().end()), power);
  rig.Root->ReadBrightSchedule(screen);
  ASSERT_TRUE(rig.WaitStatus(screen, ssBrightScheduleRead));
  EXPECT_EQ(Bytes(screen.BrightSchedule().begin(), screen.BrightSchedule().end()), bright);
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssReadingPowerSchedule, ssPowerScheduleRead,
                                        ssReadingBrightSchedule, ssBrightScheduleRead}));

  // Writes go to the card; the screen's blocks change only through reads.
  rig.Log->Entries.clear();
  std::array<uint8_t, TLEDScreen::PowerScheduleSize> newPower{};
  std::array<uint8_t, TLEDScreen::BrightScheduleSize> newBright{};
  const Bytes p2 = Pattern(newPower.size(), 3), b2 = Pattern(newBright.size(), 4);
  std::copy(p2.begin(), p2.end(), newPower.begin());
  std::copy(b2.begin(), b2.end(), newBright.begin());
  rig.Root->WritePowerSchedule("", newPower);
  ASSERT_TRUE(rig.WaitStatus(screen, ssPowerScheduleDone));
  rig.Root->WriteBrightSchedule(screen, newBright);
  ASSERT_TRUE(rig.WaitStatus(screen, ssBrightScheduleDone));
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssWritingPowerSchedule, ssPowerScheduleDone,
                                        ssWritingBrightSchedule, ssBrightScheduleDone}));
  const auto card = cards.Sim.Card(0);
  EXPECT_EQ(Bytes(card->PowerSchedule.begin(), card->PowerSchedule.end()), p2);
  EXPECT_EQ(Bytes(card->BrightSchedule.begin(), card->BrightSchedule.end()), b2);
  EXPECT_EQ(Bytes(screen.PowerSchedule().begin(), screen.PowerSchedule().end()), power);

  rig.Log->Entries.clear();
  rig.Root->AdjustTime("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssClockSet));
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssSettingClock, ssClockSet}));
  EXPECT_EQ(cards.Sim.Card(0)->Clock, kHostTime);
}

TEST_F(OneCard, TheCampaignTimeAwaitsNoAnswer) {
  const platform::TSystemTime campaign{2030, 6, 1, 17, 8, 30, 0, 0};
  CampaignTime() = campaign;
  rig.Root->SendTimeRecord("");
  ASSERT_TRUE(rig.WaitFrames(cards.Sim, 0x1F96, 1));
  // The next command goes out behind it; the screen stayed in 13 until then.
  rig.Root->ReadPower(screen);
  ASSERT_TRUE(rig.WaitStatus(screen, ssPowerRead));
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssSettingClock, ssReadingPower, ssPowerRead}));
  const auto frames = FramesIn(cards.Sim, 0x1F96);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Source, 255);
  EXPECT_EQ(frames[0].PayloadSize(), 16u);
  EXPECT_EQ(cards.Sim.Card(0)->CampaignTime, campaign);
  CampaignTime() = {};
}

// ---- lost answers -------------------------------------------------------------------------

TEST_F(OneCard, ALostParamsAnswerIsReadAgainThenSent) {
  cards.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 7});
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone));
  EXPECT_EQ(screen.Tag(), 1);
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssReadingForSend, ssReadingParams, ssReadingForSend,
                                        ssWaitingToSend, ssBuilding, ssSending, ssSendDone}));
  EXPECT_EQ(cards.Sim.CountFrames(fdIn, 7), 2u);
}

TEST_F(OneCard, LostDuplicatedAndCorruptBlocksStillDeliverTheProgram) {
  const std::vector<TFaultRule> faults = {
      {.Action = cardsim::faDrop, .Kind = 2, .Number = 3},
      {.Action = cardsim::faDropAnswer, .Kind = 2, .Number = 6},
      {.Action = cardsim::faDuplicate, .Kind = 2, .Number = 9},
      {.Action = cardsim::faCorruptCrc, .Kind = 2, .Number = 12},
      {.Action = cardsim::faDrop, .Kind = 0},
      {.Action = cardsim::faDropAnswer, .Kind = 1},
  };
  AddBigPicture(screen);
  for (const TFaultRule& f : faults) cards.Sim.AddFault(f);
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone));
  EXPECT_EQ(rig.TraceOf(screen), kSent);
  auto t = cards.Sim.WaitForTransfer(5s);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Data, ExpectedProgram(screen, rkSendHeader, 1));
}

TEST_F(OneCard, ATransferWhoseEndIsNeverAnsweredTimesOut) {
  cards.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 1, .Times = 0});
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.WaitStatus(screen, ssTimedOut));
  EXPECT_EQ(rig.TraceOf(screen),
            (Trace{ssReadingForSend, ssWaitingToSend, ssBuilding, ssSending, ssTimedOut}));
  EXPECT_EQ(cards.Sim.CountFrames(fdIn, 1), 7u);
}

TEST(CardOperations, ReReadsGoToTheScreensOwnCardWhateverItsText) {
  TRig rig;
  TUdpCards talking({0}, "127.0.0.1");
  TUdpCards silent({0}, "127.0.0.2");
  TLEDScreen& a = rig.Screen(0);
  TLEDScreen& b = rig.AddScreen();
  b.SetText(a.Text());
  talking.Connect(a.Communicate());
  silent.Connect(b.Communicate());
  silent.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 7, .Times = 0});
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.Pump([&] { return a.Status() == ssSendDone && b.Status() == ssTimedOut; }));
  EXPECT_EQ(talking.Sim.CountFrames(fdIn, 7), 1u);
  EXPECT_EQ(silent.Sim.CountFrames(fdIn, 7), 7u);
  EXPECT_EQ(rig.TraceOf(a), kSent);
  EXPECT_EQ(b.Tag(), 6);
}

// ---- serial, RS-485 and any free UDP port -------------------------------------------------

TEST(CardOperations, TwoRs485ScreensOnOneLineAreBothSent) {
  TRig rig;
  TPtyCards line(42, {1, 2});
  TLEDScreen& a = rig.Screen(0);
  TLEDScreen& b = rig.AddScreen();
  a.SetAddress(1);
  b.SetAddress(2);
  line.Connect(a.Communicate(), ct485);
  line.Connect(b.Communicate(), ct485);
  b.Pages()[0]->SetDisplayTime(4);
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.Pump([&] { return a.Status() == ssSendDone && b.Status() == ssSendDone; }));
  EXPECT_EQ(rig.TraceOf(a), kSent);
  EXPECT_EQ(rig.TraceOf(b), kSent);
  EXPECT_EQ(rig.Manager->DeviceCount(), 1u);
  std::map<uint8_t, Bytes> received;
  for (auto& t : line.Sim.Transfers()) received[t.Card] = t.Data;
  EXPECT_EQ(received[1], ExpectedProgram(a, rkSendHeader, 1));
  EXPECT_EQ(received[2], ExpectedProgram(b, rkSendHeader, 1));
}

TEST_F(OneCard, LocalPortZeroKeepsOneDeviceAndMatchesEveryNotification) {
  ASSERT_EQ(screen.Communicate().LocalPort(), 0);
  const std::vector<std::pair<std::function<void()>, int32_t>> operations = {
      {[&] { rig.Root->ReadPower(""); }, ssPowerRead},
      {[&] { rig.Root->ReadBright(""); }, ssBrightRead},
      {[&] { rig.Root->ReadPowerSchedule(""); }, ssPowerScheduleRead},
      {[&] { rig.Root->SetPower("", 1); }, ssPowerSet},
      {[&] { rig.Root->SendScreens(""); }, ssSendDone},
  };
  for (const auto& [operation, end] : operations) {
    operation();
    ASSERT_TRUE(rig.WaitStatus(screen, end)) << end;
  }
  EXPECT_EQ(rig.Manager->DeviceCount(), 1u);
  EXPECT_NE(screen.Communicate().BoundPort(), 0);
  EXPECT_EQ(screen.Communicate().LocalPort(), 0) << "the setting itself stays";
}

// ---- reading the card's display content back ----------------------------------------------

// The card sends its display content back: a program is offered for preview, anything else
// (a single byte included) for saving.
class ReadBack : public OneCard, public testing::WithParamInterface<Bytes> {
 protected:
  void ReadDisplay(const Bytes& content) {
    cards.Sim.UpdateCard(0, [&](cardsim::TCardState& c) { c.DisplayContent = content; });
    rig.Prompts.Answer = true;
    rig.Prompts.SavePath = platform::GbkPathFromOs(dir.File("content.bin"));
    rig.Root->SendCommand("", ReadDisplayCommand);
    ASSERT_TRUE(
        rig.Pump([&] { return rig.Prompts.Previews == 1 || !rig.Prompts.SaveDialogs.empty(); }));
  }
  model::test::TTempDir dir;
};

Bytes Content(std::initializer_list<uint8_t> head, size_t size) {
  Bytes content = Pattern(size, size);
  std::copy(head.begin(), head.end(), content.begin());
  return content;
}

INSTANTIATE_TEST_SUITE_P(Contents, ReadBack,
                         testing::Values(Content({17, 0}, 3000), Content({18, 0}, 700),
                                         Content({19, 0}, 2000), Content({17}, 1),
                                         Content({18, 1}, 600)));

TEST_P(ReadBack, ProgramsArePreviewedAndOtherDataSaved) {
  const Bytes& content = GetParam();
  ReadDisplay(content);
  const bool program = IsProgramData(content.data(), int32_t(content.size()));
  ASSERT_EQ(rig.Prompts.Questions.size(), 1u);
  if (program) {
    EXPECT_EQ(rig.Prompts.Questions[0].Text, SimulateQuestion(screen.Text()));
    EXPECT_EQ(rig.Prompts.PreviewShowed, content);
    ASSERT_EQ(rig.Prompts.Shown.size(), 1u);
    EXPECT_EQ(rig.Prompts.Shown[0].Source, screen.Identity());
    EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u) << "the bytes go with the message";
    EXPECT_EQ(rig.TraceOf(screen), (Trace{ssReadingDisplay, ssDisplayRead}));
  } else {
    EXPECT_EQ(rig.Prompts.Questions[0].Text, SaveQuestion(screen.Text()));
    std::string saved;
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("content.bin"), saved));
    EXPECT_EQ(Bytes(saved.begin(), saved.end()), content);
    EXPECT_EQ(rig.TraceOf(screen), (Trace{ssReadingDisplay, ssDataReceived}));
    EXPECT_EQ(rig.Prompts.Previews, 0);
  }
}

TEST(CardOperations, AReadBackAnsweredAfterTheScreenWasDeletedDoesNothing) {
  TRig rig;
  TUdpCards cards;
  TLEDScreen& keep = rig.Screen(0);
  TLEDScreen& gone = rig.AddScreen();
  keep.SetAddress(9);
  cards.Connect(gone.Communicate());
  Bytes content = Pattern(600, 7);
  platform::StoreU16(content.data(), 17);
  cards.Sim.UpdateCard(0, [&](cardsim::TCardState& c) { c.DisplayContent = content; });
  rig.Prompts.Answer = true;
  const uint64_t identity = gone.Identity();
  size_t reportsBefore = 0;
  rig.Prompts.WhileAsking = [&] {
    reportsBefore = rig.Log->Entries.size();
    rig.Root->DeleteScreen(1);
  };
  rig.Root->SendCommand(gone, ReadDisplayCommand);
  ASSERT_TRUE(rig.Pump([&] { return !rig.Prompts.Questions.empty(); }));
  platform::ProcessMessages();
  EXPECT_EQ(rig.Root->ScreenCount(), 1);
  EXPECT_EQ(rig.Prompts.Previews, 0);
  EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u);
  EXPECT_EQ(rig.Log->Trace(identity), (Trace{ssReadingDisplay, ssDisplayRead}));
  EXPECT_EQ(rig.Log->Entries.size(), reportsBefore) << "nothing after the answer";
}

// A second card's read-back comes while the first one's preview is open: each preview gets its
// own screen and bytes, and the second leaves the first's alone.
TEST(CardOperations, ReadBacksCarryTheirScreenAndBytes) {
  TRig rig;
  TUdpCards cards({0, 1});
  TLEDScreen& first = rig.Screen(0);
  TLEDScreen& second = rig.AddScreen();
  cards.Connect(first.Communicate());
  cards.Connect(second.Communicate());
  second.SetAddress(1);
  Bytes a = Pattern(900, 1), b = Pattern(700, 2);
  platform::StoreU16(a.data(), 17);
  platform::StoreU16(b.data(), 18);
  cards.Sim.UpdateCard(0, [&](cardsim::TCardState& c) { c.DisplayContent = a; });
  cards.Sim.UpdateCard(1, [&](cardsim::TCardState& c) { c.DisplayContent = b; });
  rig.Prompts.Answer = true;
  rig.Prompts.WhilePreviewing = [&] {
    if (rig.Prompts.Shown.size() != 1) return;
    rig.Root->SendCommand(second, ReadDisplayCommand);
    ASSERT_TRUE(rig.Pump([&] { return rig.Prompts.Previews == 2; }));
  };
  rig.Root->SendCommand(first, ReadDisplayCommand);
  ASSERT_TRUE(rig.Pump([&] { return rig.Prompts.Previews == 2; }));
  const auto& shown = rig.Prompts.Shown;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Source, first.Identity());
  EXPECT_EQ(shown[0].Program, a);
  EXPECT_EQ(shown[1].Source, second.Identity());
  EXPECT_EQ(shown[1].Program, b);
  EXPECT_TRUE(shown[0].Intact) << "the first preview's bytes changed under it";
  EXPECT_TRUE(shown[1].Intact);
  EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u);
}

// The screen goes after the question was answered but before its preview message is handled:
// nothing is shown.
TEST(CardOperations, AReadBackOfAScreenDeletedBeforeItsPreviewShowsNothing) {
  TRig rig;
  TUdpCards cards;
  rig.Screen(0).SetAddress(9);
  TLEDScreen& gone = rig.AddScreen();
  cards.Connect(gone.Communicate());
  Bytes content = Pattern(600, 3);
  platform::StoreU16(content.data(), 17);
  cards.Sim.UpdateCard(0, [&](cardsim::TCardState& c) { c.DisplayContent = content; });
  rig.Prompts.Answer = true;
  rig.Root->SendCommand(gone, ReadDisplayCommand);
  ASSERT_TRUE(rig.Pump([&] { return !rig.Prompts.Questions.empty(); }));
  rig.Root->DeleteScreen(1);
  platform::ProcessMessages();
  EXPECT_EQ(rig.Prompts.Previews, 0);
}

// ---- sends that cannot go ahead -----------------------------------------------------------

TEST(CardOperations, AScreenDeletedBeforeItsSendLetsTheNextOneGo) {
  platform::TFakeClock clock;
  TRig rig(&clock);
  TUdpCards cards({0, 1});
  TLEDScreen& a = rig.Screen(0);
  TLEDScreen& b = rig.AddScreen();
  b.SetAddress(1);
  cards.Connect(a.Communicate());
  cards.Connect(b.Communicate());
  rig.Root->SendScreens("");
  // Both wait in 34 before the clock moves.
  ASSERT_TRUE(
      PumpFor([&] { return a.Status() == ssWaitingToSend && b.Status() == ssWaitingToSend; }));
  clock.Advance(SendTimerInterval);
  platform::ProcessMessages();  // the tick posts the send of a ...
  EXPECT_FALSE(rig.Root->SendTimer().Enabled());
  const uint64_t first = a.Identity();
  rig.Root->DeleteScreen(0);  // ... which is gone before it is handled
  ASSERT_TRUE(rig.WaitStatus(b, ssSendDone));
  EXPECT_EQ(rig.TraceOf(b), kSent);
  EXPECT_EQ(rig.Log->Trace(first), (Trace{ssReadingForSend, ssWaitingToSend}));
  ASSERT_EQ(cards.Sim.Transfers().size(), 1u);
  EXPECT_EQ(cards.Sim.Transfers()[0].Card, 1);
}

TEST(CardOperations, ASubCardThatCannotOpenAtSendTimeLetsTheNextScreenGo) {
  TRig rig;
  TUdpCards cards({0, 1});
  TMissingPort missing(43);
  TLEDScreen& a = rig.Screen(0);
  TLEDScreen& b = rig.AddScreen();
  b.SetAddress(1);
  cards.Connect(a.Communicate());
  cards.Connect(b.Communicate());
  a.SetRelation(link_Multi);
  missing.Connect(AddSubCard(a, 5).Communicate());
  rig.Root->SendScreens("");
  ASSERT_TRUE(rig.WaitStatus(b, ssSendDone));
  EXPECT_EQ(rig.TraceOf(a),
            (Trace{ssReadingForSend, ssWaitingToSend, ssBuilding, ssSending, ssPortError}));
  EXPECT_EQ(rig.TraceOf(b), kSent);
}

// ---- cascaded sub-cards -------------------------------------------------------------------

TEST(CardOperations, SubCardsGetTheSameProgramAndTheScreenTheCascade) {
  TRig rig;
  TUdpCards main({0}, "127.0.0.1");
  TUdpCards subs({1, 2}, "127.0.0.2");
  TLEDScreen& screen = rig.Screen(0);
  main.Connect(screen.Communicate());
  AddBigPicture(screen);
  screen.SetRelation(link_Multi);
  subs.Connect(AddSubCard(screen, 1).Communicate());
  subs.Connect(AddSubCard(screen, 2).Communicate());
  rig.Root->SendScreens(screen);
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone));
  ASSERT_TRUE(rig.WaitFrames(main.Sim, 0x50, 1));
  ASSERT_TRUE(rig.Pump([&] { return subs.Sim.Transfers().size() == 2; }));
  EXPECT_EQ(rig.TraceOf(screen), kSent);

  const auto program = main.Sim.Transfers().at(0).Data;
  EXPECT_EQ(program, ExpectedProgram(screen, rkSendHeader, 1));
  for (const auto& t : subs.Sim.Transfers()) EXPECT_EQ(t.Data, program) << "card " << int(t.Card);
  // The cascade follows the screen's own transfer, to its own card only.
  const auto cascades = FramesIn(main.Sim, 0x50);
  ASSERT_EQ(cascades.size(), 1u);
  EXPECT_EQ(cascades[0].Destination, 0);
  const auto log = main.Sim.Frames();
  auto position = [&](uint16_t kind) {
    return std::find_if(log.begin(), log.end(),
                        [&](auto& f) { return f.Direction == fdIn && f.Kind == kind; }) -
           log.begin();
  };
  EXPECT_GT(position(0x50), position(1)) << "after the end of the transfer";
  EXPECT_TRUE(FramesIn(subs.Sim, 0x50).empty());
  EXPECT_EQ(subs.Sim.CountFrames(fdIn, 7), 0u) << "a send reads only the screen's own card";
}

TEST(CardOperations, ABrightnessScheduleStopsAtTheFirstSubCardThatCannotOpen) {
  TRig rig;
  TUdpCards main({0}, "127.0.0.1");
  TUdpCards subs({1, 3}, "127.0.0.2");
  TMissingPort missing(44);
  TLEDScreen& screen = rig.Screen(0);
  main.Connect(screen.Communicate());
  screen.SetRelation(link_Multi);
  subs.Connect(AddSubCard(screen, 1).Communicate());
  missing.Connect(AddSubCard(screen, 2).Communicate());
  subs.Connect(AddSubCard(screen, 3).Communicate());
  std::array<uint8_t, TLEDScreen::BrightScheduleSize> schedule{};
  const Bytes pattern = Pattern(schedule.size(), 8);
  std::copy(pattern.begin(), pattern.end(), schedule.begin());

  rig.Root->WriteBrightSchedule("", schedule);
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssPortError, ssWritingBrightSchedule}));
  ASSERT_TRUE(rig.WaitStatus(screen, ssBrightScheduleDone));
  ASSERT_TRUE(rig.WaitFrames(subs.Sim, 0x3F, 1));
  const auto toSubs = FramesIn(subs.Sim, 0x3F);
  ASSERT_EQ(toSubs.size(), 1u);
  EXPECT_EQ(toSubs[0].Destination, 1);
  const auto sub = subs.Sim.Card(1);
  EXPECT_EQ(Bytes(sub->BrightSchedule.begin(), sub->BrightSchedule.end()), pattern);
  EXPECT_EQ(FramesIn(main.Sim, 0x3F).size(), 1u);
  // The sub-card's answer and message name address 1: they move nothing.
  EXPECT_EQ(rig.TraceOf(screen),
            (Trace{ssPortError, ssWritingBrightSchedule, ssBrightScheduleDone}));

  // Other operations go on past a sub-card that cannot open, each open telling the screen.
  rig.Log->Entries.clear();
  rig.Root->SetBright(screen, 4);
  EXPECT_EQ(rig.TraceOf(screen), (Trace{ssSettingBright, ssPortError, ssSettingBright}));
  ASSERT_TRUE(rig.WaitStatus(screen, ssBrightSet));
  ASSERT_TRUE(rig.WaitFrames(subs.Sim, 12, 2));
  EXPECT_EQ(subs.Sim.Card(3)->Brightness, 4u);
}

TEST(CardOperations, WithoutCascadeNoSubCardIsContacted) {
  TRig rig;
  TUdpCards main({0}, "127.0.0.1");
  TUdpCards subs({1}, "127.0.0.2");
  TLEDScreen& screen = rig.Screen(0);
  main.Connect(screen.Communicate());
  subs.Connect(AddSubCard(screen, 1).Communicate());
  ASSERT_EQ(screen.Relation(), link_None);
  rig.Root->SetPower(screen, 0);
  ASSERT_TRUE(rig.WaitStatus(screen, ssPowerSet));
  rig.Root->SendScreens(screen);
  ASSERT_TRUE(rig.WaitStatus(screen, ssSendDone));
  EXPECT_TRUE(subs.Sim.Frames().empty());
  EXPECT_TRUE(FramesIn(main.Sim, 0x50).empty());
}
