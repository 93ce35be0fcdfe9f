// The screen status machine without a link: which screen a notification belongs to, what each
// notification does, and the project root's handler fed hand-made notify records (no manager is
// set, so every link it tries to open fails, as a port that cannot be opened does).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CardFakes.h"
#include "TempDir.h"
#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/LoadMode.h"
#include "model/ScreenStatus.h"
#include "model/TimerClock.h"
#include "model/stream/StreamContext.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"

using namespace model;
using cardlink::TNotifyRecord;
using model::test::Pattern;
using model::test::TFakePrompts;
using model::test::TStatusLog;
using platform::Utf8ToGbk;

namespace {

using Bytes = std::vector<uint8_t>;

// A notification from the link of `screen` as the manager would fill it.
TNotifyRecord From(const TLEDScreen& screen, int32_t code) {
  TNotifyRecord r{};
  const TCommunication& link = screen.Communicate();
  r.Code = code;
  r.CardAddress = screen.Address() & 0xFF;
  r.Device.LinkKind = int32_t(link.CommunicationType());
  r.Device.ComPort = link.ComPort();
  r.Device.LocalPort = link.MatchPort();
  std::memcpy(r.CardIp, link.IP().data(), std::min(link.IP().size(), sizeof r.CardIp));
  r.CardPort = link.RemotePort();
  return r;
}

TNotifyRecord Answer(const TLEDScreen& screen, int32_t kind, int32_t status = 1,
                     int32_t number = 0) {
  TNotifyRecord r = From(screen, cardlink::ncReply);
  r.AnsweredKind = kind;
  r.Status = status;
  r.Number = number;
  return r;
}

TNotifyRecord WithData(TNotifyRecord r, const Bytes& data) {
  r.Length = int32_t(data.size());
  r.Data = data.empty() ? nullptr : data.data();
  return r;
}

class ScreenStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoadMode(LoadModeNormal);
    StreamContext().Reset();
    SetLEDManager(nullptr);
  }
  void TearDown() override { StreamContext().Reset(); }

  // Sends the record to the root's window as a link thread does, then handles what the root
  // posted itself.
  void Notify(const TNotifyRecord& record) {
    platform::SendMessageTo(root.WindowHandle(), WM_DEVICE_NOTIFY,
                            reinterpret_cast<uintptr_t>(&record));
    platform::ProcessMessages();
  }

  TConstructer root{nullptr};
  TLEDScreen& screen = *root.GetScreen(0);
  TStatusLog log{root};
  TFakePrompts prompts;
};

}  // namespace

// ---- which screen -------------------------------------------------------------------------

TEST_F(ScreenStatus, NotificationsAreMatchedByAddressLinkKindAndPortOrIp) {
  screen.SetAddress(5);
  screen.Communicate().SetIP("Card.Example");
  screen.Communicate().SetLocalPort(1025);
  const TNotifyRecord base = From(screen, cardlink::ncReply);
  EXPECT_TRUE(NotificationMatches(screen, base));

  struct TCase {
    const char* What;
    std::function<void(TNotifyRecord&)> Change;
    bool Matches;
  };
  const TCase cases[] = {
      {"IP in other case", [](TNotifyRecord& r) { std::strcpy(r.CardIp, "CARD.example"); }, true},
      {"address in the low byte", [](TNotifyRecord& r) { r.CardAddress = 0x105; }, true},
      {"other address", [](TNotifyRecord& r) { r.CardAddress = 6; }, false},
      {"other IP", [](TNotifyRecord& r) { std::strcpy(r.CardIp, "card.example2"); }, false},
      {"other local port", [](TNotifyRecord& r) { r.Device.LocalPort = 1026; }, false},
      {"serial link", [](TNotifyRecord& r) { r.Device.LinkKind = 0; }, false},
      {"other card port only", [](TNotifyRecord& r) { r.CardPort = 1; }, true},
  };
  for (const TCase& c : cases) {
    TNotifyRecord r = base;
    c.Change(r);
    EXPECT_EQ(NotificationMatches(screen, r), c.Matches) << c.What;
  }

  // A 16-character IP fills the field without a terminator.
  screen.Communicate().SetIP("255.255.255.2555");
  TNotifyRecord full = base;
  std::memcpy(full.CardIp, "255.255.255.2555", 16);
  EXPECT_TRUE(NotificationMatches(screen, full));
}

TEST_F(ScreenStatus, SerialAndRs485ScreensAreMatchedByTheirPort) {
  for (TCommType kind : {ctCom, ct485}) {
    screen.Communicate().SetCommunicationType(kind);
    screen.Communicate().SetComPort(3);
    TNotifyRecord r = From(screen, cardlink::ncReply);
    std::strcpy(r.CardIp, "10.0.0.1");  // not looked at on a serial line
    r.Device.LocalPort = 4711;
    EXPECT_TRUE(NotificationMatches(screen, r)) << int(kind);
    r.Device.ComPort = 4;
    EXPECT_FALSE(NotificationMatches(screen, r)) << int(kind);
  }
}

TEST_F(ScreenStatus, LocalPortZeroMatchesTheBoundPort) {
  TCommunication& link = screen.Communicate();
  link.SetLocalPort(0);
  TNotifyRecord r = From(screen, cardlink::ncReply);
  r.Device.LocalPort = 40001;  // what the manager bound
  EXPECT_FALSE(NotificationMatches(screen, r)) << "nothing bound yet";
  link.SetBound(3, 40001);
  EXPECT_TRUE(NotificationMatches(screen, r));
  link.SetLocalPort(1025);  // a port of its own again: the bound one no longer counts
  EXPECT_FALSE(NotificationMatches(screen, r));
}

TEST_F(ScreenStatus, ProgressBelongsToNoScreenAndTheFirstMatchWins) {
  TLEDScreen* second = root.AddScreen("");
  const std::vector<TLEDScreen*> screens = root.Screens();
  // Both have address 0 and the same link: the first wins.
  EXPECT_EQ(FindNotifiedScreen(screens, From(*second, cardlink::ncReply)), &screen);
  for (int32_t code : {cardlink::ncSendProgress, cardlink::ncReceiveProgress})
    EXPECT_EQ(FindNotifiedScreen(screens, From(screen, code)), nullptr) << code;
  second->SetAddress(9);
  EXPECT_EQ(FindNotifiedScreen(screens, From(*second, cardlink::ncReply)), second);
}

// ---- what a notification does -------------------------------------------------------------

TEST_F(ScreenStatus, StepsFollowTheTransitionTable) {
  struct TCase {
    int32_t Code, Kind, AnswerStatus, Number;
    int32_t Status, Tag;
    bool Cascade;
    std::optional<int32_t> Next;
    TStatusAction Action;
    bool Timer;
    TAnswerBlock Block;
    std::optional<int32_t> Power, Bright;
  };
  const TCase cases[] = {
      // answers
      {3, 4, 1, 0, ssNotKnown, 0, false, ssNotKnown, saNone, false, abNone, {}, {}},
      {3, 6, 1, 0, ssSettingClock, 0, false, ssClockSet, saNone, false, abNone, {}, {}},
      {3, 7, 1, 0, ssReadingForSend, 3, false, ssWaitingToSend, saNone, true, abParams, {}, {}},
      {3,
       7,
       1,
       0,
       ssReadingForDownload,
       0,
       false,
       ssWaitingToDownload,
       saNone,
       true,
       abParams,
       {},
       {}},
      {3, 7, 1, 0, ssReadingParams, 0, false, {}, saNone, false, abParams, {}, {}},
      {3, 7, 1, 0, ssWaitingToSend, 0, false, {}, saNone, false, abParams, {}, {}},
      {3, 9, 1, 0, ssReadingPower, 0, false, ssPowerRead, saNone, false, abNone, 0, {}},
      {3, 10, 1, 1, ssSettingPower, 0, false, ssPowerSet, saNone, false, abNone, 1, {}},
      {3, 10, 99, 1, ssSettingPower, 0, false, ssAutoPower, saNone, false, abNone, {}, {}},
      {3, 11, 1, 6, ssReadingBright, 0, false, ssBrightRead, saNone, false, abNone, {}, 6},
      {3, 12, 1, 3, ssSettingBright, 0, false, ssBrightSet, saNone, false, abNone, {}, 3},
      {3, 12, 99, 3, ssSettingBright, 0, false, ssAutoBright, saNone, false, abNone, {}, {}},
      {3,
       0x3C,
       1,
       0,
       ssReadingPowerSchedule,
       0,
       false,
       ssPowerScheduleRead,
       saNone,
       false,
       abPowerSchedule,
       {},
       {}},
      {3,
       0x3E,
       1,
       0,
       ssReadingBrightSchedule,
       0,
       false,
       ssBrightScheduleRead,
       saNone,
       false,
       abBrightSchedule,
       {},
       {}},
      {3, 8923, 1, 0, ssReadingDisplay, 0, false, {}, saNone, false, abAnswerBlock, {}, {}},
      {3, 0x3D, 1, 0, ssWritingPowerSchedule, 0, false, {}, saNone, false, abNone, {}, {}},
      {3, 0x3F, 1, 0, ssWritingBrightSchedule, 0, false, {}, saNone, false, abNone, {}, {}},
      {3, 0x50, 1, 0, ssSendDone, 0, false, {}, saNone, false, abNone, {}, {}},
      {3, 8925, 1, 0, ssReadingDisplay, 0, false, {}, saNone, false, abNone, {}, {}},
      // send done
      {2, 0, 0, 0, ssSending, 0, false, ssSendDone, saNone, true, abNone, {}, {}},
      {2, 0, 0, 0, ssSending, 0, true, ssSendDone, saCascade, true, abNone, {}, {}},
      // time-outs
      {4, 0, 0, 0, ssReadingForSend, 0, false, {}, saRetryParams, true, abNone, {}, {}},
      {4, 0, 0, 0, ssReadingForDownload, 5, false, {}, saRetryParams, true, abNone, {}, {}},
      {4, 0, 0, 0, ssReadingForSend, 6, false, ssTimedOut, saNone, true, abNone, {}, {}},
      {4, 0, 0, 0, ssSending, 0, false, ssTimedOut, saNone, true, abNone, {}, {}},
      {4, 0, 0, 0, ssSettingPower, 0, false, ssTimedOut, saNone, true, abNone, {}, {}},
      // card messages
      {5,
       0,
       0x10005,
       0,
       ssWritingPowerSchedule,
       0,
       false,
       ssPowerScheduleDone,
       saNone,
       false,
       abNone,
       {},
       {}},
      {5,
       0,
       0x10006,
       0,
       ssWritingBrightSchedule,
       0,
       false,
       ssBrightScheduleDone,
       saNone,
       false,
       abNone,
       {},
       {}},
      {5, 0, 0x10001, 0, ssSending, 0, false, {}, saNone, false, abNone, {}, {}},
      // progress
      {7, 0, 512, 0, ssSending, 0, false, {}, saNone, false, abNone, {}, {}},
      {8, 0, 512, 0, ssReadingDisplay, 0, false, {}, saNone, false, abNone, {}, {}},
  };
  for (const TCase& c : cases) {
    TNotifyRecord r{};
    r.Code = c.Code;
    r.AnsweredKind = c.Kind;
    r.Status = c.AnswerStatus;
    r.Number = c.Number;
    const TStatusStep step = NextStatusStep(r, c.Status, c.Tag, c.Cascade);
    const std::string what = "code " + std::to_string(c.Code) + " kind " + std::to_string(c.Kind) +
                             " in " + std::to_string(c.Status);
    EXPECT_EQ(step.Status, c.Next) << what;
    EXPECT_EQ(step.Action, c.Action) << what;
    EXPECT_EQ(step.EnableTimer, c.Timer) << what;
    EXPECT_EQ(step.Block, c.Block) << what;
    EXPECT_EQ(step.Power, c.Power) << what;
    EXPECT_EQ(step.Bright, c.Bright) << what;
  }
}

TEST_F(ScreenStatus, ReceivedDataIsAProgramOnlyWithTwoBytesStarting17Or18) {
  const Bytes data17 = {17, 0, 9}, data18 = {18, 0}, data19 = {19, 0}, data1 = {17},
              data256 = {17, 1};
  EXPECT_TRUE(IsProgramData(data17.data(), 3));
  EXPECT_TRUE(IsProgramData(data18.data(), 2));
  EXPECT_FALSE(IsProgramData(data19.data(), 2));
  EXPECT_FALSE(IsProgramData(data1.data(), 1)) << "no u16 is read past the received byte";
  EXPECT_FALSE(IsProgramData(data256.data(), 2));
  EXPECT_FALSE(IsProgramData(nullptr, 4));
  EXPECT_FALSE(IsProgramData(data17.data(), -1));
}

TEST_F(ScreenStatus, QuestionTextsAreSpelledAsTheEditorShowsThem) {
  const std::string text = Utf8ToGbk("控制卡1");
  EXPECT_EQ(QuestionCaption(), Utf8ToGbk("提示信息"));
  EXPECT_EQ(SimulateQuestion(text),
            Utf8ToGbk("已读出\" 控制卡1\" 的显示数据，是否进行模拟显示(Y/N)?"));
  EXPECT_EQ(SaveQuestion(text), Utf8ToGbk("有来自于\" 控制卡1\" 的数据，是否保存这些数据(Y/N)?"));
  EXPECT_EQ(SaveFilter(), Utf8ToGbk("所有文件类型|*.*"));
  EXPECT_EQ(SaveFileName(), "*.*");
}

// ---- the root's handler with hand-made records ---------------------------------------------

TEST_F(ScreenStatus, AnswerBlocksCopyNoMoreThanArrivedAndNoMoreThanFits) {
  struct TBlock {
    int32_t Kind;
    std::function<std::span<uint8_t>()> Of;
  };
  const TBlock blocks[] = {
      {7, [&] { return std::span<uint8_t>(screen.ParamBlock()); }},
      {0x3C, [&] { return std::span<uint8_t>(screen.PowerSchedule()); }},
      {0x3E, [&] { return std::span<uint8_t>(screen.BrightSchedule()); }},
      {8923, [&] { return std::span<uint8_t>(screen.AnswerBlock()); }},
  };
  for (const TBlock& b : blocks) {
    std::span<uint8_t> block = b.Of();
    const Bytes before = Pattern(block.size(), 0x40);
    for (size_t payload :
         {size_t(0), size_t(1), size_t(5), block.size() - 1, block.size(), block.size() + 300}) {
      std::copy(before.begin(), before.end(), block.begin());
      // Exactly as long as announced: the sanitizers catch any read past it.
      const Bytes data = Pattern(payload, 0x91);
      Notify(WithData(Answer(screen, b.Kind), data));
      const size_t copied = std::min(payload, block.size());
      Bytes want = before;
      std::copy_n(data.begin(), copied, want.begin());
      EXPECT_EQ(Bytes(block.begin(), block.end()), want)
          << "kind " << b.Kind << ", " << payload << " bytes";
    }
  }
  // A payload length without data copies nothing.
  std::span<uint8_t> params = screen.ParamBlock();
  const Bytes kept(params.begin(), params.end());
  TNotifyRecord lying = Answer(screen, 7);
  lying.Length = 112;
  Notify(lying);
  EXPECT_EQ(Bytes(params.begin(), params.end()), kept);
}

TEST_F(ScreenStatus, ProgressNotificationsFireNothing) {
  screen.SetStatus(ssSending);
  for (int32_t code : {cardlink::ncSendProgress, cardlink::ncReceiveProgress}) {
    TNotifyRecord r = From(screen, code);
    r.Status = 1024;
    r.Length = 4096;
    Notify(r);
  }
  EXPECT_TRUE(log.Entries.empty());
  EXPECT_EQ(screen.Status(), ssSending);
  EXPECT_FALSE(root.SendTimer().Enabled());
}

TEST_F(ScreenStatus, UnmatchedNotificationsAreDropped) {
  TNotifyRecord r = Answer(screen, 9, 1, 0);
  r.CardAddress = 77;
  Notify(r);
  platform::SendMessageTo(root.WindowHandle(), WM_DEVICE_NOTIFY, 0);  // no record at all
  EXPECT_TRUE(log.Entries.empty());
}

TEST_F(ScreenStatus, PowerAndBrightnessComeFromTheAnswersNumber) {
  screen.SetPower(5);
  screen.SetBright(5);
  Notify(Answer(screen, 10, 99, 1));
  Notify(Answer(screen, 12, 99, 2));
  EXPECT_EQ(screen.Power(), 5);
  EXPECT_EQ(screen.Bright(), 5);
  Notify(Answer(screen, 10, 1, 0));
  Notify(Answer(screen, 12, 1, 3));
  EXPECT_EQ(screen.Power(), 0);
  EXPECT_EQ(screen.Bright(), 3);
  EXPECT_EQ(log.Trace(screen),
            (std::vector<int32_t>{ssAutoPower, ssAutoBright, ssPowerSet, ssBrightSet}));
}

TEST_F(ScreenStatus, AParamsAnswerInFourWaitsForTheTimer) {
  screen.SetStatus(ssReadingForSend);
  Notify(Answer(screen, 7));
  EXPECT_EQ(screen.Status(), ssWaitingToSend);
  EXPECT_TRUE(root.SendTimer().Enabled());
}

TEST_F(ScreenStatus, AReReadWhoseLinkCannotOpenEndsInZero) {
  screen.SetStatus(ssReadingForSend);
  screen.SetTag(2);
  Notify(From(screen, cardlink::ncTimeout));
  EXPECT_EQ(screen.Status(), ssPortError);
  EXPECT_EQ(screen.Tag(), 3);
  EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssPortError}));
  EXPECT_TRUE(root.SendTimer().Enabled());
}

TEST_F(ScreenStatus, OperationsWithoutALinkEndInZero) {
  root.SendScreens("");
  root.SetPower(screen, 1);
  EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssPortError}));
  // A name that is no screen's does nothing; names fold ASCII letters.
  log.Entries.clear();
  screen.SetText("Hall");
  root.ReadPower("hall2");
  EXPECT_TRUE(log.Entries.empty());
  root.ReadPower("HALL");
  EXPECT_EQ(log.Entries.size(), 1u);
  // A screen of another root is left alone.
  TConstructer other(nullptr);
  root.ReadPower(*other.GetScreen(0));
  EXPECT_EQ(log.Entries.size(), 1u);
}

TEST_F(ScreenStatus, ACascadeWhoseLinkCannotOpenEndsInZero) {
  screen.SetRelation(link_Multi);
  screen.SetStatus(ssSending);
  Notify(From(screen, cardlink::ncSendDone));
  EXPECT_EQ(screen.Status(), ssPortError);
  EXPECT_TRUE(root.SendTimer().Enabled());
}

TEST_F(ScreenStatus, SendingToAScreenThatIsGoneLetsTheTimerLookAgain) {
  root.AddScreen("");
  TLEDScreen* gone = root.GetScreen(1);
  const uint64_t identity = gone->Identity();
  root.DeleteScreen(1);
  platform::PostMessageTo(root.WindowHandle(), WM_SEND_SCREEN, 0, intptr_t(identity));
  platform::PostMessageTo(root.WindowHandle(), WM_SEND_SCREEN, 0, 0);
  platform::ProcessMessages();
  EXPECT_TRUE(root.SendTimer().Enabled());
  EXPECT_TRUE(log.Entries.empty());
}

TEST_F(ScreenStatus, AProgramThatCannotBeBuiltIsNotSentAndSaysWhy) {
  delete screen.Pages()[0];
  screen.SetStatus(ssWaitingToSend);
  platform::PostMessageTo(root.WindowHandle(), WM_SEND_SCREEN, 0, intptr_t(screen.Identity()));
  EXPECT_THROW(platform::ProcessMessages(), ECardOperationError);
  EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssBuilding, ssNotKnown}));
  EXPECT_TRUE(root.SendTimer().Enabled());
  EXPECT_EQ(root.Stream().Size(), 0u);

  root.AddLeaf(0);
  platform::StoreU16(screen.ParamBlock().data() + 4, 9);  // a colour mode no card has
  log.Entries.clear();
  platform::PostMessageTo(root.WindowHandle(), WM_SEND_SCREEN, 1, intptr_t(screen.Identity()));
  EXPECT_THROW(platform::ProcessMessages(), ECardOperationError);
  EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssBuilding, ssNotKnown}));
}

TEST_F(ScreenStatus, EachTickStartsTheFirstWaitingScreenOnly) {
  // The root's timer on a clock the test moves.
  platform::TFakeClock clock;
  SetTimerClock(&clock);
  {
    TConstructer timed(nullptr);
    TStatusLog timedLog(timed);
    TLEDScreen& first = *timed.GetScreen(0);
    TLEDScreen* a = timed.AddScreen("");
    TLEDScreen* b = timed.AddScreen("");
    a->SetStatus(ssWaitingToDownload);
    b->SetStatus(ssWaitingToSend);
    // A time-out enables the timer, as notifications do.
    first.SetStatus(ssSettingPower);
    const TNotifyRecord r = From(first, cardlink::ncTimeout);
    platform::SendMessageTo(timed.WindowHandle(), WM_DEVICE_NOTIFY,
                            reinterpret_cast<uintptr_t>(&r));
    ASSERT_TRUE(timed.SendTimer().Enabled());

    clock.Advance(SendTimerInterval - 1);
    platform::ProcessMessages();
    EXPECT_TRUE(timedLog.Trace(*a).empty()) << "not due yet";
    clock.Advance(1);
    platform::ProcessMessages();  // the tick posts the send of a
    EXPECT_FALSE(timed.SendTimer().Enabled());
    platform::ProcessMessages();
    // No link opens here: a ends in 0, and its send, ended without a transfer, lets the timer
    // look again. b waited for the next tick.
    EXPECT_EQ(timedLog.Trace(*a), (std::vector<int32_t>{ssBuilding, ssSending, ssPortError}));
    EXPECT_EQ(b->Status(), ssWaitingToSend);
    EXPECT_TRUE(timed.SendTimer().Enabled());
    clock.Advance(SendTimerInterval);
    platform::ProcessMessages();
    platform::ProcessMessages();
    EXPECT_EQ(timedLog.Trace(*b), (std::vector<int32_t>{ssBuilding, ssSending, ssPortError}));
  }
  SetTimerClock(nullptr);
}

TEST_F(ScreenStatus, ReadBackOfAProgramIsPreviewedOnYes) {
  root.SetCardPrompts(&prompts);
  prompts.Answer = true;
  screen.SetText(Utf8ToGbk("大厅"));
  screen.SetStatus(ssReadingDisplay);
  Bytes program = Pattern(700, 3);
  platform::StoreU16(program.data(), 18);
  Notify(WithData(From(screen, cardlink::ncDataReceived), program));
  ASSERT_EQ(prompts.Questions.size(), 1u);
  EXPECT_EQ(prompts.Questions[0].Caption, QuestionCaption());
  EXPECT_EQ(prompts.Questions[0].Text, SimulateQuestion(Utf8ToGbk("大厅")));
  EXPECT_EQ(prompts.Previews, 1);
  EXPECT_EQ(prompts.PreviewShowed, program);
  EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u) << "cleared when the preview closed";
  EXPECT_EQ(log.Entries.size(), 1u) << "no report after the Yes";
  EXPECT_EQ(screen.Status(), ssDisplayRead);
}

TEST_F(ScreenStatus, ReadBackAnsweredNoIsReportedAgainAndNotKept) {
  root.SetCardPrompts(&prompts);
  Bytes program = Pattern(40, 1);
  platform::StoreU16(program.data(), 17);
  Notify(WithData(From(screen, cardlink::ncDataReceived), program));
  EXPECT_EQ(prompts.Previews, 0);
  EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u);
  EXPECT_EQ(log.Entries.size(), 2u);
  EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssDisplayRead}));

  // Without prompts every question is a No.
  root.SetCardPrompts(nullptr);
  Notify(WithData(From(screen, cardlink::ncDataReceived), Bytes{19, 0, 1}));
  EXPECT_EQ(screen.Status(), ssDataReceived);
}

TEST_F(ScreenStatus, OtherDataIsSavedToTheChosenFile) {
  model::test::TTempDir dir;
  root.SetCardPrompts(&prompts);
  prompts.Answer = true;
  prompts.SavePath = platform::GbkPathFromOs(dir.File("card.bin"));
  for (const Bytes& data : {Bytes{7}, Pattern(3000, 9)}) {
    prompts.Questions.clear();
    log.Entries.clear();
    Notify(WithData(From(screen, cardlink::ncDataReceived), data));
    ASSERT_EQ(prompts.Questions.size(), 1u);
    EXPECT_EQ(prompts.Questions[0].Text, SaveQuestion(screen.Text()));
    std::string saved;
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("card.bin"), saved));
    EXPECT_EQ(Bytes(saved.begin(), saved.end()), data);
    EXPECT_EQ(log.Trace(screen), (std::vector<int32_t>{ssDataReceived}));
    EXPECT_EQ(log.Entries.size(), 1u) << "no report after the Yes";
  }
  ASSERT_EQ(prompts.SaveDialogs.size(), 2u);
  EXPECT_EQ(prompts.SaveDialogs[0].first, SaveFilter());
  EXPECT_EQ(prompts.SaveDialogs[0].second, "*.*");

  // Cancelled: nothing written, nothing more reported.
  prompts.SavePath.reset();
  log.Entries.clear();
  Notify(WithData(From(screen, cardlink::ncDataReceived), Bytes{1, 2, 3}));
  EXPECT_EQ(log.Entries.size(), 1u);
}

TEST_F(ScreenStatus, AFileThatCannotBeWrittenRaisesAnError) {
  model::test::TTempDir dir;
  root.SetCardPrompts(&prompts);
  prompts.Answer = true;
  prompts.SavePath = platform::GbkPathFromOs(dir.File("no/such/folder/x.bin"));
  const Bytes data = {1, 2, 3};
  const TNotifyRecord r = WithData(From(screen, cardlink::ncDataReceived), data);
  EXPECT_THROW(platform::SendMessageTo(root.WindowHandle(), WM_DEVICE_NOTIFY,
                                       reinterpret_cast<uintptr_t>(&r)),
               EFCreateError);
}

TEST_F(ScreenStatus, AnAnswerAfterTheScreenWasDeletedDoesNothing) {
  root.AddScreen("");
  TLEDScreen* second = root.GetScreen(1);
  second->SetAddress(4);
  root.SetCardPrompts(&prompts);
  prompts.Answer = true;
  prompts.SavePath = "/nonexistent/never-written";
  prompts.WhileAsking = [&] { root.DeleteScreen(1); };
  for (uint16_t kind : {uint16_t(17), uint16_t(20)}) {
    if (!root.GetScreen(1)) root.AddScreen("")->SetAddress(4);
    second = root.GetScreen(1);
    log.Entries.clear();
    Bytes data = Pattern(64, 2);
    platform::StoreU16(data.data(), kind);
    Notify(WithData(From(*second, cardlink::ncDataReceived), data));
    EXPECT_EQ(root.ScreenCount(), 1);
    EXPECT_EQ(log.Entries.size(), 1u) << "only the report before the question";
    EXPECT_EQ(prompts.Previews, 0);
    EXPECT_TRUE(prompts.SaveDialogs.empty());
    EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u);
  }
}
