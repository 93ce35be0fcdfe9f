// The card-settings dialog's controller against the simulated card, over loopback UDP and a pty
// that the link opens as COM n, with a fake view that answers every question. The link runs
// with short time constants; the dialog's two timers run on a fake clock and move only when a
// test says so.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/ParamSetController.h"
#include "editor/core/tests/Fakes.h"
#include "link/Packet.h"
#include "model/CardLink.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ScreenStatus.h"
#include "platform/base/AppPaths.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "platform/comm/ComPortNames.h"
#include "tools/cardsim/CardSim.h"

namespace {

namespace fs = std::filesystem;
using namespace editor;
using Bytes = std::vector<uint8_t>;

constexpr int kGenerous = 20000;  // ms; reached only when something is broken
constexpr uint8_t kCard = 3;
const platform::TSystemTime kStampTime{2024, 5, 5, 3, 14, 27, 0, 0};
constexpr uint32_t kStampRandom = 21;

std::string G(std::string_view utf8) { return platform::Utf8ToGbk(utf8); }

const std::string kNoLink = G("无法和控制卡建立通讯，请仔细检查通讯参数是否正确!");

std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }
std::string LinkFixture(const std::string& name) {
  return std::string(CORVANE_FIXTURES) + "/../../../../link/tests/fixtures/" + name;
}

Bytes ReadFile(const std::string& path) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(path, content)) << path;
  return Bytes(content.begin(), content.end());
}

bool PumpFor(const std::function<bool()>& done, int ms = kGenerous) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    platform::ProcessMessages();
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    platform::WaitMessage(int(std::min<int64_t>(left.count(), 50)));
  }
}

// The dialog as a test sees it: the state it was last told, the controls, and scripted answers.
class TFakeView : public TParamSetView {
 public:
  void StateChanged(const TParamSetState& state) override {
    State = state;
    if (Messages.empty() || Messages.back() != state.ProgressMessage) Messages.push_back(state.ProgressMessage);
    if (state.ProgressVisible && state.ProgressModal) ++ModalShows;
  }
  TCardLinkSettings LinkSettings() const override { return Link; }
  void SetLinkSettings(const TCardLinkSettings& link) override { Link = link; }
  TParamControls Controls() const override { return Shown; }
  void SetControls(const TParamControls& controls) override {
    Shown = controls;
    ++Fills;
  }
  void RunBrightnessDialog() override {
    ++BrightnessDialogs;
    if (InBrightnessDialog) InBrightnessDialog();
  }

  TParamSetState State;
  std::vector<std::string> Messages;  // the progress window's messages, in order
  int ModalShows = 0;
  TCardLinkSettings Link;
  TParamControls Shown;
  int Fills = 0;
  int BrightnessDialogs = 0;
  std::function<void()> InBrightnessDialog;
};

// The texts of the questions asked, and of the message boxes shown.
std::vector<std::string> Boxes(const test::TFakeDialogs& dialogs, TMessageButtons buttons) {
  std::vector<std::string> texts;
  for (const auto& box : dialogs.Boxes) {
    EXPECT_EQ(box.Caption, G("提示信息"));
    if (box.Buttons == buttons) texts.push_back(box.Text);
  }
  return texts;
}
std::vector<std::string> Asked(const test::TFakeDialogs& d) { return Boxes(d, TMessageButtons::YesNo); }
std::vector<std::string> Told(const test::TFakeDialogs& d) { return Boxes(d, TMessageButtons::Ok); }

cardlink::TLinkTiming Timing(int64_t answerMs) {
  cardlink::TLinkTiming t;
  t.AnswerTimeoutMs = answerMs;
  t.Retries = 3;
  t.ReceiveIdleMs = 3000;
  t.GapMs = 20;
  t.SerialPauseMs = 1;
  return t;
}

enum TTransport { tUdp, tPty };

// A card, a manager, a settings file and the dialog, all on the test thread.
class TRig {
 public:
  explicit TRig(TTransport transport, int64_t answerMs = 1000, int comPort = 7)
      : transport_(transport), comPort_(comPort) {
    dir_ = fs::temp_directory_path() / ("editor-paramset-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::setenv("CORVANE_PROGRAM_DIR", dir_.c_str(), 1);
    platform::ResetProgramDir();

    Sim.AddCard(kCard);
    std::string error;
    if (transport == tUdp) {
      EXPECT_TRUE(Sim.StartUdp(0, "127.0.0.1", &error)) << error;
    } else {
      EXPECT_TRUE(Sim.StartPty(&error)) << error;
      ::setenv(platform::ComPortOverrideVariable(comPort).c_str(), Sim.PtyPath().c_str(), 1);
    }
    Manager = std::make_unique<cardlink::TLEDManager>(cardlink::CorvaneManagerPolicy(Timing(answerMs)));
    Settings = std::make_unique<platform::TSettingsFile>((dir_ / "Param.ini").string());

    View.Link = {transport == tUdp ? 1 : 0, kCard, comPort, "127.0.0.1"};
    TParamSetOptions options;
    options.LocalUdpPort = 0;
    options.CardPort = Sim.UdpPort();
    options.TimerClock = &TimerClock;
    options.LocalTime = [] { return kStampTime; };
    options.Random = [] { return kStampRandom; };
    Dialog = std::make_unique<TParamSetController>(View, Dialogs, *Manager, *Settings, options);
  }
  ~TRig() {
    Dialog.reset();
    Manager.reset();
    Sim.Stop();
    if (transport_ == tPty) ::unsetenv(platform::ComPortOverrideVariable(comPort_).c_str());
    ::unsetenv("CORVANE_PROGRAM_DIR");
    platform::ResetProgramDir();
    fs::remove_all(dir_);
  }

  // Shows the dialog with the rig's link settings and establishes the link.
  void Link() {
    Dialog->Show();
    View.Link = {transport_ == tUdp ? 1 : 0, kCard, comPort_, "127.0.0.1"};
    Dialog->EstablishLink();
    ASSERT_TRUE(PumpFor([&] { return View.State.ButtonsEnabled; })) << View.State.ProgressMessage;
  }
  // Pumps until the outcome panel shows `text`.
  bool WaitOutcome(const std::string& text) {
    return PumpFor([&] { return View.State.OutcomeText == text; });
  }
  // Moves the timers' clock one interval on and lets them fire.
  void Tick(int ms) {
    TimerClock.Advance(ms);
    platform::ProcessMessages();
  }
  cardsim::TCardState Card() const { return *Sim.Card(kCard); }
  fs::path Dir() const { return dir_; }

  // Sends the dialog a notification as a link would.
  void Notify(const cardlink::TNotifyRecord& record) {
    platform::SendMessageTo(Dialog->Window(), WM_PARAMSET_NOTIFY, reinterpret_cast<uintptr_t>(&record));
  }

  cardsim::TCardSim Sim{cardsim::TCardSimOptions{.AnswerTimeoutMs = 1000, .Retries = 5}};
  platform::TFakeClock TimerClock;
  TFakeView View;
  test::TFakeDialogs Dialogs;
  std::unique_ptr<cardlink::TLEDManager> Manager;
  std::unique_ptr<platform::TSettingsFile> Settings;
  std::unique_ptr<TParamSetController> Dialog;

 private:
  TTransport transport_;
  int comPort_;
  fs::path dir_;
};

TParamControls FixtureControls() { return ControlsFromBlock(ReadFile(Fixture("params_master.bin"))); }

// Tests that run over both links.
class ParamSetLink : public testing::TestWithParam<TTransport> {};
INSTANTIATE_TEST_SUITE_P(Links, ParamSetLink, testing::Values(tUdp, tPty),
                         [](const testing::TestParamInfo<TTransport>& i) { return i.param == tUdp ? "Udp" : "Pty"; });

}  // namespace

// ---- showing, settings ----

TEST(ParamSet, ShowLoadsAndCloseSavesTheLinkSettings) {
  TRig rig(tUdp);
  // Defaults when nothing is stored.
  rig.Dialog->Show();
  EXPECT_EQ(rig.View.Link, (TCardLinkSettings{0, 0, 1, "192.168.0.99"}));
  EXPECT_EQ(rig.View.State.Caption, G("控制卡设置"));
  EXPECT_FALSE(rig.View.State.ButtonsEnabled);
  EXPECT_EQ(rig.Dialog->DeviceIndex(), -1);
  rig.View.Link = {1, 12, 33, "127.0.0.1"};
  rig.Dialog->Close();
  EXPECT_EQ(rig.Settings->ReadString("Param", "CommTypeIndex", ""), "1");
  EXPECT_EQ(rig.Settings->ReadString("Param", "CardAddress", ""), "12");
  EXPECT_EQ(rig.Settings->ReadString("Param", "locPort", ""), "33");
  EXPECT_EQ(rig.Settings->ReadString("Param", "CardIPAddress", ""), "127.0.0.1");
  rig.View.Link = {};
  rig.Dialog->Show();
  EXPECT_EQ(rig.View.Link, (TCardLinkSettings{1, 12, 33, "127.0.0.1"}));
  // The IP is read into a 16-byte buffer.
  rig.Settings->WriteString("Param", "CardIPAddress", "1234567890123456789");
  rig.Dialog->Show();
  EXPECT_EQ(rig.View.Link.CardIPAddress, "123456789012345");
}

TEST(ParamSet, NotificationsAreIgnoredWhileHidden) {
  TRig rig(tUdp);
  cardlink::TNotifyRecord r{};
  r.Code = cardlink::ncReply;
  r.AnsweredKind = cardlink::ckQuery;
  rig.Notify(r);
  EXPECT_TRUE(rig.View.State.OutcomeText.empty());
  rig.Dialog->Show();
  rig.Notify(r);
  EXPECT_EQ(rig.View.State.OutcomeText, G("显示屏状态正常！"));
  // Codes of 9 and more mean nothing here.
  r.Code = 9;
  r.AnsweredKind = 0;
  rig.Notify(r);
  EXPECT_EQ(rig.View.State.OutcomeText, G("显示屏状态正常！"));
}

// ---- establishing the link ----

TEST(ParamSet, NetworkLinkReadsTheParameters) {
  TRig rig(tUdp);
  rig.Sim.UpdateCard(kCard, [](cardsim::TCardState& c) {
    const Bytes block = ReadFile(Fixture("params_slave.bin"));
    std::copy(block.begin(), block.end(), c.Params.begin());
  });
  rig.Dialog->Show();
  rig.View.Link = {1, kCard, 1, "127.0.0.1"};
  rig.Dialog->EstablishLink();
  EXPECT_TRUE(rig.View.State.ProgressVisible);
  EXPECT_FALSE(rig.View.State.ProgressModal);
  EXPECT_EQ(rig.View.State.ProgressCommand, G("建立通讯"));
  const auto* device = rig.Manager->GetDevice(rig.Dialog->DeviceIndex());
  ASSERT_TRUE(device);
  EXPECT_EQ(device->Record.LinkKind, 2);
  const std::string port = std::to_string(device->Record.LocalPort);
  EXPECT_EQ(rig.View.State.ProgressMessage, G("正在通过端口") + port + G("与控制卡建立连接"));
  EXPECT_EQ(rig.View.State.OperationText, G("读取控制卡参数"));

  ASSERT_TRUE(PumpFor([&] { return rig.View.State.ButtonsEnabled; }));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常"));
  EXPECT_EQ(rig.View.State.ProgressColour, clParamGreen);
  EXPECT_EQ(rig.View.State.Caption, G("控制卡设置  [ 通讯方式: 网络通讯  本地端口: ") + port + " ]");
  EXPECT_EQ(rig.View.State.OutcomeText, G("读取控制卡参数正常  控制卡地址=03"));
  EXPECT_FALSE(rig.View.State.Error);
  EXPECT_EQ(OutcomeColour(rig.View.State), clParamOutcomeOk);
  EXPECT_EQ(rig.View.Shown, ControlsFromBlock(ReadFile(Fixture("params_slave.bin"))));
  EXPECT_EQ(Bytes(rig.Dialog->Block().begin(), rig.Dialog->Block().end()), ReadFile(Fixture("params_slave.bin")));
  EXPECT_EQ(rig.Dialog->SearchWord(), 0u);

  // Timer1 closes the progress window two seconds after the success.
  EXPECT_TRUE(rig.Dialog->Timer1Running());
  rig.Tick(1999);
  EXPECT_TRUE(rig.View.State.ProgressVisible);
  rig.Tick(1);
  EXPECT_FALSE(rig.View.State.ProgressVisible);
  EXPECT_FALSE(rig.Dialog->Timer1Running());
}

TEST(ParamSet, SerialLinkAtTheFirstSpeed) {
  TRig rig(tPty, 1000, 41);
  rig.Link();
  EXPECT_EQ(rig.View.Messages.front(), "");
  EXPECT_NE(std::find(rig.View.Messages.begin(), rig.View.Messages.end(), G("正在以57600bps与控制卡建立连接")),
            rig.View.Messages.end());
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常，通讯速率为: 57600bps"));
  EXPECT_EQ(rig.View.State.Caption, G("控制卡设置  [ 通讯方式: 串口通讯  通讯速率: 57600bps ]"));
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkGetParams), 1u);
}

TEST(ParamSet, SpeedSearchFindsANineHundredCardOnTheFifthAttempt) {
  TRig rig(tPty, 400, 42);
  rig.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkGetParams, .Times = 4});
  rig.Link();
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkGetParams), 5u);
  EXPECT_EQ(rig.View.State.Caption, G("控制卡设置  [ 通讯方式: 串口通讯  通讯速率: 9600bs ]"));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常，通讯速率为: 9600bs"));
  EXPECT_EQ(rig.Manager->GetDevice(rig.Dialog->DeviceIndex())->Record.SpeedIndex, 0);
  // Every speed was tried from the fastest down, each announced.
  for (const char* speed : {"57600bps", "38400bps", "19200bps", "14400", "9600bs"})
    EXPECT_NE(std::find(rig.View.Messages.begin(), rig.View.Messages.end(),
                        std::string(G("正在以")) + speed + G("与控制卡建立连接")),
              rig.View.Messages.end())
        << speed;
  EXPECT_EQ(rig.Dialog->SearchWord(), 0u);
  EXPECT_FALSE(rig.View.State.Error);
  // Reading again names the speed the link runs at, not the search's first one.
  rig.View.State.OutcomeText.clear();
  rig.Dialog->ReadParams();
  ASSERT_TRUE(rig.WaitOutcome(G("读取控制卡参数正常  控制卡地址=03")));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常，通讯速率为: 9600bs"));
}

TEST(ParamSet, ASilentSerialCardGetsExactlyFiveAttempts) {
  TRig rig(tPty, 200, 43);
  rig.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkGetParams, .Times = 0});
  rig.Dialog->Show();
  rig.View.Link = {0, kCard, 43, "127.0.0.1"};
  rig.Dialog->EstablishLink();
  ASSERT_TRUE(PumpFor([&] { return rig.View.State.ProgressMessage == kNoLink; }));
  EXPECT_EQ(rig.View.State.ProgressColour, clParamRed);
  EXPECT_EQ(rig.View.State.Caption, G("控制卡设置"));
  EXPECT_TRUE(rig.View.State.Error);
  EXPECT_EQ(OutcomeColour(rig.View.State), clParamRed);
  EXPECT_EQ(rig.View.State.OutcomeText, G("读取控制卡参数命令执行超时  控制卡地址=03"));
  EXPECT_FALSE(rig.View.State.ButtonsEnabled);
  // No sixth attempt follows.
  PumpFor([] { return false; }, 600);
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkGetParams), 5u);
}

TEST(ParamSet, ASilentNetworkCardGetsNineReads) {
  TRig rig(tUdp, 150);
  rig.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkGetParams, .Times = 0});
  rig.Dialog->Show();
  rig.View.Link = {1, kCard, 1, "127.0.0.1"};
  rig.Dialog->EstablishLink();
  ASSERT_TRUE(PumpFor([&] { return rig.View.State.ProgressMessage == kNoLink; }));
  EXPECT_EQ(rig.Dialog->RetryCount(), 8);
  PumpFor([] { return false; }, 400);
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkGetParams), 9u);
  EXPECT_EQ(rig.View.State.OutcomeText, G("读取控制卡参数命令执行超时  控制卡地址=03"));
}

TEST(ParamSet, ABusyPortIsReported) {
  TRig rig(tPty, 1000, 44);
  // Another program holds the port.
  cardlink::TLEDManager other(cardlink::CorvaneManagerPolicy(Timing(1000)));
  cardlink::TDeviceRecord record;
  record.ComPort = 44;
  platform::TMessageWindow window([](uint32_t, uintptr_t, intptr_t) { return intptr_t(0); });
  ASSERT_GE(other.OpenDevice(record, 1, window.Handle(), 0x401), 0);
  rig.Dialog->Show();
  rig.View.Link = {0, kCard, 44, "127.0.0.1"};
  rig.Dialog->EstablishLink();
  EXPECT_EQ(rig.View.State.ProgressMessage, G("无法打开串口44,请检查是否被其他程序占用"));
  EXPECT_EQ(rig.View.State.ProgressColour, clParamRed);
  EXPECT_EQ(rig.Dialog->DeviceIndex(), -1);
}

// ---- commands ----

TEST_P(ParamSetLink, SetParametersWritesTheDialogsBlock) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  rig.View.Shown = FixtureControls();
  rig.Dialogs.Answers = {TMessageAnswer::No};
  rig.Dialog->SetParams();
  EXPECT_EQ(Asked(rig.Dialogs).back(), G("不正确的参数会导致控制卡输出错误，您确定需要重新设置控制卡参数吗?"));
  EXPECT_FALSE(rig.Dialog->Timer2Running());

  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  const int modalShows = rig.View.ModalShows;
  rig.Dialog->SetParams();
  EXPECT_EQ(rig.View.State.OperationText, G("设置控制卡参数"));
  EXPECT_EQ(rig.View.State.ProgressCommand, G("设置控制卡参数"));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("正在等待应答，此期间绝对不能断开控制卡电源!"));
  EXPECT_TRUE(rig.View.State.ProgressModal);
  EXPECT_GT(rig.View.ModalShows, modalShows);
  EXPECT_FALSE(rig.View.State.ButtonsEnabled);
  EXPECT_TRUE(rig.Dialog->Timer2Running());
  EXPECT_FALSE(rig.Dialog->ProgressCloseQuery()) << "no closing while waiting";
  EXPECT_TRUE(rig.View.State.ProgressVisible);

  ASSERT_TRUE(rig.WaitOutcome(G("控制卡参数设置成功！")));
  const auto card = rig.Card();
  EXPECT_EQ(Bytes(card.Params.begin(), card.Params.end()),
            Bytes(rig.Dialog->Block().begin(), rig.Dialog->Block().end()));
  EXPECT_EQ(rig.Dialog->Block(), BuildParamBlock(FixtureControls(), ParamStamp(kStampTime, kStampRandom)));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("控制卡参数设置成功！"));
  EXPECT_EQ(rig.View.State.ProgressColour, clParamGreen);
  EXPECT_TRUE(rig.View.State.ButtonsEnabled);
  EXPECT_FALSE(rig.Dialog->Timer2Running());
  EXPECT_TRUE(rig.Dialog->Timer1Running());
  EXPECT_TRUE(rig.Dialog->ProgressCloseQuery());
  EXPECT_FALSE(rig.View.State.ProgressVisible);
}

TEST_P(ParamSetLink, CommandsAndTheirTexts) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  const int port = rig.Sim.UdpPort();
  struct Case {
    const char* Name;
    std::function<void()> Press;
    std::string Operation;
    std::string Message;
    std::string Outcome;  // the message when empty
    std::function<void()> Check;
  };
  const std::vector<Case> cases = {
      {"query", [&] { rig.Dialog->QueryStatus(); }, G("查询控制卡状态"), G("显示屏状态正常！"), "", nullptr},
      {"clock", [&] { rig.Dialog->AdjustTime(); }, G("校正控制卡时钟"), G("控制卡时钟已校正为计算机时间"), "",
       [&] { EXPECT_TRUE(rig.Card().Clock); }},
      {"power off", [&] { rig.Dialog->PowerOff(); }, G("关闭显示屏电源"), G("显示屏电源已关闭"), "",
       [&] { EXPECT_EQ(rig.Card().Power, 0u); }},
      // A card whose power is off reads as off: the state is the answer's number, not its status.
      {"read power", [&] { rig.Manager->GetPower(rig.Dialog->DeviceIndex(), kCard, port, "127.0.0.1"); },
       G("关闭显示屏电源"), G("显示屏电源已关闭"), "", nullptr},
      {"power on", [&] { rig.Dialog->PowerOn(); }, G("打开显示屏电源"), G("显示屏电源已打开"), "",
       [&] { EXPECT_EQ(rig.Card().Power, 1u); }},
      {"read power on", [&] { rig.Manager->GetPower(rig.Dialog->DeviceIndex(), kCard, port, "127.0.0.1"); },
       G("打开显示屏电源"), G("显示屏电源已打开"), "", nullptr},
      {"set brightness", [&] { rig.Dialog->BrightnessAdjust(3); }, G("调节显示屏亮度"),
       G("显示屏亮度已校正，当前亮度为：3"), "", [&] { EXPECT_EQ(rig.Card().Brightness, 3u); }},
      {"read brightness", [&] { rig.Dialog->BrightnessRead(); }, G("读取显示屏亮度"), G("显示屏当前亮度为：3"), "",
       [&] { EXPECT_EQ(rig.View.State.BrightnessValue, 3); }},
      {"read parameters", [&] { rig.Dialog->ReadParams(); }, G("读取控制卡参数"),
       GetParam() == tUdp ? G("读取控制卡参数正常") : G("读取控制卡参数正常，通讯速率为: 57600bps"),
       G("读取控制卡参数正常  控制卡地址=03"), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    rig.View.State.OutcomeText.clear();
    c.Press();
    EXPECT_EQ(rig.View.State.OperationText, c.Operation);
    const std::string outcome = c.Outcome.empty() ? c.Message : c.Outcome;
    ASSERT_TRUE(rig.WaitOutcome(outcome));
    EXPECT_EQ(rig.View.State.ProgressMessage, c.Message);
    if (c.Check) c.Check();
  }
}

TEST_P(ParamSetLink, AutomaticModeRefusals) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  rig.Sim.SetAutomatic(kCard, true, true);
  rig.Dialog->PowerOff();
  ASSERT_TRUE(rig.WaitOutcome(G("目前处于自动电源管理状态，不能手动开关电源!")));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("目前处于自动电源管理状态，不能手动开关电源!"));
  EXPECT_EQ(rig.Card().Power, 1u);
  rig.Dialog->BrightnessAdjust(1);
  ASSERT_TRUE(rig.WaitOutcome(G("处于自动亮度调节模式，不能手动调节亮度")));
  EXPECT_EQ(rig.View.State.ProgressMessage, G("处于自动亮度调节模式，不能手动调节亮度!"));
}

TEST(ParamSet, BrightnessDialogReadsFirstAndShowsTheValue) {
  TRig rig(tUdp);
  rig.Link();
  rig.Sim.UpdateCard(kCard, [](cardsim::TCardState& c) { c.Brightness = 6; });
  rig.View.InBrightnessDialog = [&] {
    // Modal: notifications keep arriving while it is open.
    ASSERT_TRUE(PumpFor([&] { return rig.View.State.BrightnessValue == 6; }));
    EXPECT_EQ(rig.View.State.OperationText, G("读取显示屏亮度"));
    rig.Dialog->BrightnessAdjust(2);
    ASSERT_TRUE(rig.WaitOutcome(G("显示屏亮度已校正，当前亮度为：2")));
  };
  rig.Dialog->AdjustBrightness();
  EXPECT_EQ(rig.View.BrightnessDialogs, 1);
  EXPECT_EQ(rig.Card().Brightness, 2u);
}

// ---- transfers ----

TEST_P(ParamSetLink, FirmwareArrivesWhole) {
  for (const char* name : {"good", "blocks4"}) {
    SCOPED_TRACE(name);
    TRig rig(GetParam(), 1000, 51);
    rig.Link();
    rig.Dialogs.Files = {platform::GbkPathFromOs(LinkFixture(std::string(name) + ".Bin"))};
    rig.Dialog->UpdateFirmware();
    EXPECT_EQ(rig.Dialogs.FileRequests.back().Title, G("请选择控制卡操作系统文件"));
    EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, G("二进制文件|*.Bin"));
    EXPECT_EQ(rig.View.State.OperationText, G("更新控制卡操作系统"));
    EXPECT_EQ(rig.View.State.ProgressCommand, G("更新控制卡操作系统"));
    EXPECT_EQ(rig.View.State.ProgressMessage, G("正在传输数据......"));
    EXPECT_TRUE(rig.View.State.ProgressModal);
    EXPECT_FALSE(rig.View.State.ButtonsEnabled);
    ASSERT_TRUE(rig.WaitOutcome(G("程序下载成功！")));
    const auto transfer = rig.Sim.WaitForTransfer(std::chrono::milliseconds(kGenerous));
    ASSERT_TRUE(transfer);
    const Bytes expected = ReadFile(LinkFixture(std::string(name) + ".expected"));
    ASSERT_EQ(transfer->Data.size(), expected.size() + 12);
    EXPECT_EQ(platform::LoadU16(transfer->Data.data()), 19);
    EXPECT_EQ(platform::LoadU16(transfer->Data.data() + 2), 0);
    EXPECT_EQ(platform::LoadU32(transfer->Data.data() + 4), expected.size() + 12);
    EXPECT_EQ(platform::LoadU32(transfer->Data.data() + 8), 0u);
    EXPECT_EQ(Bytes(transfer->Data.begin() + 12, transfer->Data.end()), expected);
    // Sent, then waiting for the card's message.
    EXPECT_NE(
        std::find(rig.View.Messages.begin(), rig.View.Messages.end(), G("正在等待应答，此期间绝对不能断开控制卡电源!")),
        rig.View.Messages.end());
    EXPECT_TRUE(rig.View.State.ButtonsEnabled);
    EXPECT_TRUE(rig.Dialog->Timer1Running());
  }
}

TEST(ParamSet, ABadFirmwareFileIsRefusedBeforeAnythingIsSent) {
  TRig rig(tUdp);
  rig.Link();
  rig.Dialogs.Files = {platform::GbkPathFromOs(LinkFixture("badcrc_block2.Bin"))};
  rig.Dialog->UpdateFirmware();
  ASSERT_EQ(Told(rig.Dialogs).size(), 1u);
  EXPECT_EQ(Told(rig.Dialogs)[0], G("您所选择的文件不是控制卡操作系统文件，请检查文件是否损坏!"));
  // A cancelled dialog does nothing at all.
  rig.Dialogs.Files.clear();
  rig.Dialog->UpdateFirmware();
  EXPECT_EQ(Told(rig.Dialogs).size(), 1u);
  PumpFor([] { return false; }, 200);
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkStart), 0u);
}

TEST_P(ParamSetLink, FontFiles) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  const std::string fifo = (rig.Dir() / "fifo.Dat").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  for (const std::string& bad : {Fixture("ee01.Dat"), Fixture("one.Dat"), fifo}) {
    rig.Dialogs.Files = {platform::GbkPathFromOs(bad)};
    rig.Dialog->DownloadFonts();
    ASSERT_FALSE(Told(rig.Dialogs).empty()) << bad;
    EXPECT_EQ(Told(rig.Dialogs).back(), G("所选择文件不是字库文件,请重新选择!"));
  }
  EXPECT_EQ(Told(rig.Dialogs).size(), 3u);
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, G("字库文件|*.Dat"));
  EXPECT_EQ(rig.Dialogs.FileRequests.back().FileName, "*.DAT");
  PumpFor([] { return false; }, 200);
  EXPECT_EQ(rig.Sim.CountFrames(cardsim::fdIn, cardsim::mkStart), 0u);

  rig.Dialogs.Files = {platform::GbkPathFromOs(Fixture("good.Dat"))};
  rig.Dialog->DownloadFonts();
  EXPECT_EQ(rig.View.State.OperationText, G("下载内置字库"));
  EXPECT_EQ(rig.View.State.ProgressCommand, G("更新控制卡内置字库"));
  ASSERT_TRUE(rig.WaitOutcome(G("字库下载成功！")));
  const auto transfer = rig.Sim.WaitForTransfer(std::chrono::milliseconds(kGenerous));
  ASSERT_TRUE(transfer);
  const Bytes font = ReadFile(Fixture("good.Dat"));
  EXPECT_EQ(platform::LoadU16(transfer->Data.data()), 20);
  EXPECT_EQ(platform::LoadU32(transfer->Data.data() + 4), font.size() + 12);
  EXPECT_EQ(Bytes(transfer->Data.begin() + 12, transfer->Data.end()), font);
  EXPECT_EQ(Bytes(transfer->Data.begin() + 8, transfer->Data.begin() + 12), Bytes(4, 0));
}

TEST_P(ParamSetLink, ACardMessageOfFailure) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  rig.Sim.SendCardMessage(kCard, 0x20001);
  ASSERT_TRUE(rig.WaitOutcome(G("字库下载失败，请重新下载！")));
  EXPECT_TRUE(rig.View.State.Error);
  EXPECT_EQ(rig.View.State.ProgressColour, clParamRed);
  EXPECT_TRUE(rig.View.State.ButtonsEnabled);
  // A message of another kind changes no text.
  rig.Sim.SendCardMessage(kCard, 0x10005);
  rig.Sim.SendCardMessage(kCard, 0x10001);
  ASSERT_TRUE(rig.WaitOutcome(G("程序下载成功！")));
  EXPECT_FALSE(rig.View.State.Error);
}

TEST_P(ParamSetLink, ReceivedDataGoesToDebugDat) {
  TRig rig(GetParam(), 1000, 50);
  rig.Link();
  Bytes data(1700);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13 + 5);
  const int id = rig.Sim.Push(kCard, data);
  ASSERT_GE(id, 0);
  ASSERT_TRUE(rig.WaitOutcome(G("数据接收完成")));
  EXPECT_EQ(ReadFile(rig.Dir() / "Debug.dat"), data);
}

// ---- timers ----

TEST(ParamSet, TheWaitEndsAfterTwoHundredTicks) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  rig.Dialog->SetParams();  // no link: nothing will ever answer
  ASSERT_TRUE(rig.Dialog->Timer2Running());
  rig.Tick(600);
  EXPECT_EQ(rig.View.State.ProgressColour, clParamPanelFace);
  rig.Tick(600);
  EXPECT_EQ(rig.View.State.ProgressColour, clParamRed);
  for (int i = 2; i < 200; ++i) rig.Tick(600);
  EXPECT_EQ(rig.Dialog->Timer2Ticks(), 200);
  EXPECT_TRUE(Told(rig.Dialogs).empty());
  EXPECT_TRUE(rig.View.State.ProgressVisible);
  rig.Tick(600);
  ASSERT_EQ(Told(rig.Dialogs).size(), 1u);
  EXPECT_EQ(Told(rig.Dialogs)[0], G("控制卡无应答，请检查控制卡！"));
  EXPECT_FALSE(rig.View.State.ProgressVisible);
  EXPECT_FALSE(rig.Dialog->Timer2Running());
  EXPECT_EQ(rig.Dialog->Timer2Ticks(), 0);
  EXPECT_TRUE(rig.View.State.ButtonsEnabled);
}

// ---- notifications a card cannot easily produce ----

TEST(ParamSet, AShortParameterAnswerFillsWhatCame) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  const Bytes full = ReadFile(Fixture("params_master.bin"));
  // The answer ends after 40 bytes; what follows in memory must not be read.
  Bytes payload(full.begin(), full.begin() + 40);
  payload.resize(112, 0xCC);
  cardlink::TNotifyRecord r{};
  r.Code = cardlink::ncReply;
  r.AnsweredKind = cardlink::ckReadParams;
  r.Status = 1;
  r.Length = 40;
  r.Data = payload.data();
  r.Device.LinkKind = 2;
  rig.Notify(r);
  Bytes expected(full.begin(), full.begin() + 40);
  expected.resize(112, 0);
  EXPECT_EQ(Bytes(rig.Dialog->Block().begin(), rig.Dialog->Block().end()), expected);
  EXPECT_EQ(rig.View.Shown, ControlsFromBlock(expected));
}

TEST(ParamSet, ATransferTimeOutIsNoParameterRead) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  cardlink::TNotifyRecord r{};
  r.Code = cardlink::ncTimeout;
  r.CardAddress = 7;
  rig.View.State.OperationText = "";
  rig.Notify(r);  // no data: a transfer's time-out
  EXPECT_EQ(rig.View.State.ProgressMessage, kNoLink);
  EXPECT_EQ(rig.Dialog->RetryCount(), 0);
  EXPECT_EQ(rig.View.State.OutcomeText, G("命令执行超时  控制卡地址=07"));
  EXPECT_TRUE(rig.View.State.Error);

  // A parameter read that timed out is read again, up to eight times, and nothing else shows.
  Bytes command(8, 0);
  platform::StoreU16(command.data(), cardlink::ckReadParams);
  r.Data = command.data();
  TParamSetState before = rig.Dialog->State();
  rig.Notify(r);
  EXPECT_EQ(rig.Dialog->RetryCount(), 1);
  before.OperationText = G("读取控制卡参数");
  const TParamSetState& after = rig.Dialog->State();
  EXPECT_EQ(after.OperationText, before.OperationText);
  EXPECT_EQ(after.OutcomeText, before.OutcomeText);
  EXPECT_EQ(after.ProgressMessage, before.ProgressMessage);
  EXPECT_EQ(after.Error, before.Error);
}

// ---- parameter files ----

TEST(ParamSet, ExportThenImportGivesTheSameControls) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  const TParamControls controls = FixtureControls();
  rig.View.Shown = controls;
  rig.Dialogs.Files = {platform::GbkPathFromOs((rig.Dir() / "card.one.txt").string())};
  rig.Dialog->ExportParams();
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Title, G("请输入要保存的参数文件名"));
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Filter, G("参数文件|*.pam"));
  EXPECT_EQ(rig.Dialogs.FileRequests.back().FileName, "*.pam");
  const fs::path saved = rig.Dir() / "card.one.pam";
  ASSERT_TRUE(fs::exists(saved));
  const Bytes bytes = ReadFile(saved);
  ASSERT_EQ(bytes.size(), 112u);
  const TParamBlock expected = BuildParamBlock(controls, ParamStamp(kStampTime, kStampRandom));
  EXPECT_EQ(bytes, Bytes(expected.begin(), expected.end()));

  rig.View.Shown = TParamControls{};
  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  rig.Dialogs.Files = {platform::GbkPathFromOs(saved.string())};
  rig.Dialog->ImportParams();
  EXPECT_EQ(Asked(rig.Dialogs).back(), G("引入参数将覆盖当前参数设置，是否引入(Y/N)?"));
  EXPECT_EQ(rig.Dialogs.FileRequests.back().Title, G("请选择要打开的参数文件名"));
  EXPECT_EQ(rig.View.Shown, controls);

  // An upper-case extension is kept.
  rig.Dialogs.Files = {platform::GbkPathFromOs((rig.Dir() / "B.PAM").string())};
  rig.Dialog->ExportParams();
  EXPECT_TRUE(fs::exists(rig.Dir() / "B.PAM"));
  EXPECT_FALSE(fs::exists(rig.Dir() / "B.PAM.pam"));
}

TEST(ParamSet, AShortFileReplacesOnlyItsLength) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  rig.Dialogs.Answers = {TMessageAnswer::Yes, TMessageAnswer::Yes};
  rig.Dialogs.Files = {platform::GbkPathFromOs(Fixture("params_master.bin"))};
  rig.Dialog->ImportParams();
  const Bytes master = ReadFile(Fixture("params_master.bin"));
  const Bytes slave = ReadFile(Fixture("params_slave.bin"));
  const std::string part = (rig.Dir() / "part.pam").string();
  ASSERT_TRUE(platform::SaveFileAtomic(part, slave.data(), 40));
  rig.Dialogs.Files = {platform::GbkPathFromOs(part)};
  rig.Dialog->ImportParams();
  Bytes expected(slave.begin(), slave.begin() + 40);
  expected.insert(expected.end(), master.begin() + 40, master.end());
  EXPECT_EQ(Bytes(rig.Dialog->Block().begin(), rig.Dialog->Block().end()), expected);
  EXPECT_EQ(rig.View.Shown, ControlsFromBlock(expected));
  // Answered No: nothing is read.
  rig.Dialogs.Answers = {TMessageAnswer::No};
  rig.Dialogs.Files = {platform::GbkPathFromOs(Fixture("params_alone.bin"))};
  const int fills = rig.View.Fills;
  rig.Dialog->ImportParams();
  EXPECT_EQ(rig.View.Fills, fills);
}

TEST(ParamSet, AnExistingFileIsKeptUnlessOverwritingIsAllowed) {
  TRig rig(tUdp);
  rig.Dialog->Show();
  rig.View.Shown = FixtureControls();
  const fs::path path = rig.Dir() / "old.pam";
  const Bytes old(112, 0x5A);
  ASSERT_TRUE(platform::SaveFileAtomic(path.string(), old.data(), old.size()));
  rig.Dialogs.Files = {platform::GbkPathFromOs(path.string())};
  rig.Dialogs.Answers = {TMessageAnswer::No};
  rig.Dialog->ExportParams();
  EXPECT_EQ(Asked(rig.Dialogs).back(), G("文件") + path.string() + G("已存在，是否覆盖?"));
  EXPECT_EQ(ReadFile(path), old);

  // A save that fails (the temporary name beside it is too long) leaves the old file too.
  const fs::path longName = rig.Dir() / (std::string(248, 'x') + ".pam");
  std::ofstream(longName, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 112);
  rig.Dialogs.Files = {platform::GbkPathFromOs(longName.string())};
  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  rig.Dialog->ExportParams();
  EXPECT_EQ(ReadFile(longName), old);
  ASSERT_EQ(Told(rig.Dialogs).size(), 1u);
  EXPECT_EQ(Told(rig.Dialogs)[0], G("无法保存文件") + longName.string() + "!");

  rig.Dialogs.Files = {platform::GbkPathFromOs(path.string())};
  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  rig.Dialog->ExportParams();
  EXPECT_EQ(ReadFile(path).size(), 112u);
  EXPECT_NE(ReadFile(path), old);
}

// ---- a port another window of the program holds ----

TEST(ParamSet, OpeningAPortTheProgramHoldsTakesItsLinkOver) {
  TRig rig(tPty, 1000, 45);
  // Another window of the program (the project root) reads the power through COM45, and the
  // card is slow to answer.
  std::vector<cardlink::TNotifyRecord> other;
  platform::TMessageWindow window([&](uint32_t, uintptr_t w, intptr_t) {
    other.push_back(*reinterpret_cast<const cardlink::TNotifyRecord*>(w));
    other.back().Data = nullptr;
    return intptr_t(0);
  });
  cardlink::TDeviceRecord record;
  record.ComPort = 45;
  record.SpeedIndex = 4;
  const int held = rig.Manager->OpenDevice(record, 1, window.Handle(), 0x401);
  ASSERT_GE(held, 0);
  rig.Sim.AddFault({.Action = cardsim::faDelay, .Kind = cardsim::mkGetPower, .DelayMs = 600});
  ASSERT_TRUE(rig.Manager->GetPower(held, kCard, 0, ""));
  ASSERT_TRUE(rig.Sim.WaitForFrameCount(cardsim::fdIn, cardsim::mkGetPower, 1, std::chrono::milliseconds(kGenerous)));

  // The dialog opens the same port: its unfinished read ends in a time-out for its own window.
  rig.Link();
  EXPECT_EQ(rig.Dialog->DeviceIndex(), held);
  ASSERT_TRUE(PumpFor([&] { return !other.empty(); }));
  EXPECT_EQ(other[0].Code, cardlink::ncTimeout);
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常，通讯速率为: 57600bps"));

  // Once the dialog has closed its link, the port opens again for the other window.
  rig.Dialog->Close();
  EXPECT_FALSE(rig.Manager->GetDevice(held));
  const int again = rig.Manager->OpenDevice(record, 1, window.Handle(), 0x401);
  ASSERT_GE(again, 0);
  rig.Sim.ClearFaults();
  other.clear();
  ASSERT_TRUE(rig.Manager->GetPower(again, kCard, 0, ""));
  ASSERT_TRUE(PumpFor([&] { return !other.empty(); }));
  EXPECT_EQ(other[0].Code, cardlink::ncReply);
  EXPECT_EQ(other[0].AnsweredKind, cardlink::ckReadPower);
  EXPECT_EQ(other[0].Number, 1);
}

// The same with the program's own project root: its screen's unfinished read ends in a time-out
// (status 3), and once the dialog has closed, the root's next read opens the port again and is
// answered.
TEST(ParamSet, OpeningAPortTheProjectRootHoldsEndsItsReadInATimeOut) {
  TRig rig(tPty, 1000, 46);
  model::SetLoadMode(model::LoadModeNormal);
  model::SetLEDManager(rig.Manager.get());
  auto root = std::make_unique<model::TConstructer>(nullptr);
  model::TLEDScreen& screen = *root->GetScreen(0);
  screen.SetAddress(kCard);
  screen.Communicate().SetCommunicationType(model::ctCom);
  screen.Communicate().SetComPort(46);
  screen.SetPower(7);
  std::vector<int32_t> statuses;
  root->OnStatusChanged = [&](platform::TObject*) { statuses.push_back(screen.Status()); };

  rig.Sim.AddFault({.Action = cardsim::faDelay, .Kind = cardsim::mkGetPower, .DelayMs = 600});
  root->ReadPower(screen);
  EXPECT_EQ(screen.Status(), model::ssReadingPower);
  ASSERT_TRUE(rig.Sim.WaitForFrameCount(cardsim::fdIn, cardsim::mkGetPower, 1, std::chrono::milliseconds(kGenerous)));

  rig.Link();
  ASSERT_TRUE(PumpFor([&] { return screen.Status() == model::ssTimedOut; })) << screen.Status();
  EXPECT_EQ(rig.View.State.ProgressMessage, G("读取控制卡参数正常，通讯速率为: 57600bps"));
  EXPECT_EQ(screen.Power(), 7);

  rig.Dialog->Close();
  rig.Sim.ClearFaults();
  statuses.clear();
  root->ReadPower(screen);
  ASSERT_TRUE(PumpFor([&] { return screen.Status() == model::ssPowerRead; })) << screen.Status();
  EXPECT_EQ(screen.Power(), 1);
  EXPECT_EQ(statuses.front(), model::ssReadingPower);

  root.reset();
  model::SetLEDManager(nullptr);
}
