#include "ParamSetController.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "link/Packet.h"
#include "link/TransferBuffer.h"
#include "platform/base/AppPaths.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/DateTime.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr std::string_view kSection = "Param";
constexpr uint32_t kSearching = 0x80000000u;
constexpr int kSearchSpeeds = 5;      // 57600, 38400, 19200, 14400 and 9600 bit/s
constexpr int kFirstSearchSpeed = 4;  // 57600 bit/s
constexpr int kParamReadRetries = 8;
constexpr uint32_t kTimer1Ms = 2000;
constexpr uint32_t kTimer2Ms = 600;
constexpr int kWaitLimitMs = 120000;

// Card messages.
constexpr int32_t kProgramDone = 0x10001;
constexpr int32_t kFontDone = 0x10002;
constexpr int32_t kParamsDone = 0x10004;
constexpr int32_t kFontFailed = 0x20001;

// Texts.
constexpr std::string_view kCaption = "控制卡设置";
constexpr std::string_view kReadingParams = "读取控制卡参数";
constexpr std::string_view kWaitPower = "正在等待应答，此期间绝对不能断开控制卡电源!";
constexpr std::string_view kNoLink = "无法和控制卡建立通讯，请仔细检查通讯参数是否正确!";
constexpr std::string_view kPowerOn = "显示屏电源已打开";
constexpr std::string_view kPowerOff = "显示屏电源已关闭";
constexpr std::string_view kTransferring = "正在传输数据......";

// The dialog's texts are GBK, like every text of the editor; the source spells them in UTF-8.
std::string G(std::string_view utf8) { return platform::Utf8ToGbk(utf8); }

std::string Format(const char* format, int value) {
  char text[160];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Decimal(long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", value);
  return text;
}

std::string CutIp(std::string ip) {
  if (ip.size() > kCardIpTextMax) ip.resize(kCardIpTextMax);
  return ip;
}

uint32_t DefaultRandom() {
  static std::minstd_rand engine{std::random_device{}()};
  return uint32_t(engine() % 64);
}

}  // namespace

std::string_view SpeedName(int speedIndex) {
  static constexpr std::string_view names[] = {"9600bs", "14400", "19200bps", "38400bps", "57600bps"};
  return speedIndex >= 0 && speedIndex < 5 ? names[speedIndex] : std::string_view();
}

TCardLinkSettings LoadCardLinkSettings(const platform::TSettingsFile& s) {
  TCardLinkSettings link;
  link.CommTypeIndex = int(s.ReadInteger(kSection, "CommTypeIndex", link.CommTypeIndex));
  link.CardAddress = int(s.ReadInteger(kSection, "CardAddress", link.CardAddress));
  link.locPort = int(s.ReadInteger(kSection, "locPort", link.locPort));
  link.CardIPAddress = CutIp(s.ReadString(kSection, "CardIPAddress", link.CardIPAddress));
  return link;
}

bool SaveCardLinkSettings(platform::TSettingsFile& s, const TCardLinkSettings& link) {
  s.WriteInteger(kSection, "CommTypeIndex", link.CommTypeIndex);
  s.WriteInteger(kSection, "CardAddress", link.CardAddress);
  s.WriteInteger(kSection, "locPort", link.locPort);
  s.WriteString(kSection, "CardIPAddress", link.CardIPAddress);
  return s.Save();
}

TParamSetController::TParamSetController(TParamSetView& view, TDialogs& dialogs, cardlink::TLEDManager& manager,
                                         const platform::TSettingsFile& settings, TParamSetOptions options)
    : view_(view),
      dialogs_(dialogs),
      manager_(manager),
      settings_(settings),
      options_(std::move(options)),
      window_([this](uint32_t message, uintptr_t wParam, intptr_t) { return HandleMessage(message, wParam); }),
      timer1_(options_.TimerClock ? *options_.TimerClock : platform::SteadyClock()),
      timer2_(options_.TimerClock ? *options_.TimerClock : platform::SteadyClock()) {
  if (!options_.LocalTime) options_.LocalTime = platform::LocalSystemTime;
  if (!options_.Random) options_.Random = DefaultRandom;
  if (options_.DumpPath.empty()) options_.DumpPath = platform::ProgramFile("Debug.dat");
  state_.Caption = G(kCaption);
  // Both start off.
  timer1_.SetEnabled(false);
  timer2_.SetEnabled(false);
  timer1_.SetInterval(kTimer1Ms);
  timer1_.SetOnTimer([this] { Timer1Tick(); });
  timer2_.SetInterval(kTimer2Ms);
  timer2_.SetOnTimer([this] { Timer2Tick(); });
}

TParamSetController::~TParamSetController() {
  visible_ = false;
  timer1_.SetEnabled(false);
  timer2_.SetEnabled(false);
  CloseLink();
}

// Forgotten before it is closed: notifications delivered while the link ends find no device.
void TParamSetController::CloseLink() {
  const int device = device_;
  device_ = -1;
  if (device >= 0) manager_.CloseDevice(device);
}

// ---- showing and closing ----

void TParamSetController::Show() {
  // A link still open from before (shown again without closing) would hold its port for good.
  CloseLink();
  view_.SetLinkSettings(LoadCardLinkSettings(settings_));
  visible_ = true;
  timer2Ticks_ = 0;
  state_.ButtonsEnabled = false;
  state_.Caption = G(kCaption);
  state_.OperationText.clear();
  state_.OutcomeText.clear();
  Changed();
}

void TParamSetController::Close() {
  if (state_.ProgressVisible) HideProgress();
  visible_ = false;
  timer1_.SetEnabled(false);
  timer2_.SetEnabled(false);
  CloseLink();
  SaveCardLinkSettings(settings_, view_.LinkSettings());
}

// ---- the link ----

void TParamSetController::EstablishLink() {
  state_.Error = false;
  state_.ButtonsEnabled = false;
  state_.OperationText = G(kReadingParams);
  state_.ProgressCommand = G("建立通讯");
  state_.ProgressMessage.clear();
  if (!state_.ProgressVisible) ShowProgress(false);
  Changed();
  CloseLink();

  const TCardLinkSettings link = view_.LinkSettings();
  if (link.CommTypeIndex == 0) {
    state_.ProgressColour = clParamDarkBlue;
    if (OpenSerial(kFirstSearchSpeed, link.locPort)) {
      search_ = kSearching;  // attempt 0
      retries_ = 0;
    }
    return;
  }

  search_ = 0;
  cardlink::TDeviceRecord record;
  record.LinkKind = options_.NetworkLinkKind;
  record.LocalPort = options_.LocalUdpPort;
  device_ = manager_.OpenDevice(record, 1, window_.Handle(), WM_PARAMSET_NOTIFY);
  if (device_ < 0) {
    SetMessage(G("无法建立网络连接,请检查网络是否正常!"), clParamRed);
    return;
  }
  const cardlink::TDeviceEntry* entry = manager_.GetDevice(device_);
  const int localPort = entry ? entry->Record.LocalPort : options_.LocalUdpPort;
  SetMessage(G("正在通过端口") + Decimal(localPort) + G("与控制卡建立连接"));
  const TTarget t = Target();
  manager_.GetParams(device_, t.Address, options_.CardPort, t.Ip);
  retries_ = 0;
}

// Opens the serial link at one speed of the search and reads the parameters through it.
bool TParamSetController::OpenSerial(int speedIndex, int comPort) {
  cardlink::TDeviceRecord record;
  record.LinkKind = options_.SerialLinkKind;
  record.SpeedIndex = speedIndex;
  record.ComPort = comPort;
  device_ = manager_.OpenDevice(record, 1, window_.Handle(), WM_PARAMSET_NOTIFY);
  if (device_ < 0) {
    SetMessage(G(Format("无法打开串口%d,请检查是否被其他程序占用", comPort)), clParamRed);
    return false;
  }
  SetMessage(G("正在以") + std::string(SpeedName(speedIndex)) + G("与控制卡建立连接"));
  const TTarget t = Target();
  manager_.GetParams(device_, t.Address, options_.CardPort, t.Ip);
  return true;
}

void TParamSetController::NextSpeed() {
  if (!state_.ProgressVisible) return;
  const int attempt = int(search_ & ~kSearching);
  if (attempt >= kSearchSpeeds) {
    SetMessage(G(kNoLink), clParamRed);
    state_.Caption = G(kCaption);
    Changed();
    return;
  }
  OpenSerial(kFirstSearchSpeed - attempt, view_.LinkSettings().locPort);
}

TParamSetController::TTarget TParamSetController::Target() const {
  const TCardLinkSettings link = view_.LinkSettings();
  return TTarget{uint8_t(link.CardAddress), CutIp(link.CardIPAddress)};
}

// ---- the function buttons ----

void TParamSetController::QueryStatus() {
  StartOperation(G("查询控制卡状态"));
  const TTarget t = Target();
  manager_.Query(device_, t.Address, options_.CardPort, t.Ip);
}

void TParamSetController::AdjustTime() {
  StartOperation(G("校正控制卡时钟"));
  const TTarget t = Target();
  manager_.AdjustTime(device_, t.Address, options_.CardPort, t.Ip);
}

void TParamSetController::PowerOn() {
  StartOperation(G("打开显示屏电源"));
  const TTarget t = Target();
  manager_.SetPower(device_, t.Address, 1, options_.CardPort, t.Ip);
}

void TParamSetController::PowerOff() {
  StartOperation(G("关闭显示屏电源"));
  const TTarget t = Target();
  manager_.SetPower(device_, t.Address, 0, options_.CardPort, t.Ip);
}

void TParamSetController::ReadParams() {
  retries_ = 0;
  StartOperation(G(kReadingParams));
  const TTarget t = Target();
  manager_.GetParams(device_, t.Address, options_.CardPort, t.Ip);
}

void TParamSetController::AdjustBrightness() {
  BrightnessRead();
  view_.RunBrightnessDialog();
}

void TParamSetController::BrightnessAdjust(int value) {
  StartOperation(G("调节显示屏亮度"));
  const TTarget t = Target();
  manager_.SetBrightness(device_, t.Address, uint32_t(std::max(value, 0)), options_.CardPort, t.Ip);
}

void TParamSetController::BrightnessRead() {
  StartOperation(G("读取显示屏亮度"));
  const TTarget t = Target();
  manager_.GetBrightness(device_, t.Address, options_.CardPort, t.Ip);
}

void TParamSetController::SetParams() {
  if (!Ask(G("不正确的参数会导致控制卡输出错误，您确定需要重新设置控制卡参数吗?"))) return;
  block_ = BuildFromControls();
  const TTarget t = Target();
  manager_.SetParams(device_, t.Address, block_, options_.CardPort, t.Ip);
  state_.OperationText = G("设置控制卡参数");
  state_.OutcomeText = G("正在等待控制卡应答......");
  state_.ProgressCommand = G("设置控制卡参数");
  state_.ProgressMessage = G(kWaitPower);
  state_.ProgressColour = clParamRed;
  StartWaiting();
  state_.ButtonsEnabled = false;
  ShowProgress(true);
}

void TParamSetController::UpdateFirmware() {
  const auto file = dialogs_.OpenFileName({G("请选择控制卡操作系统文件"), G("二进制文件|*.Bin"), "*.Bin"});
  if (!file) return;
  timer2Ticks_ = 0;
  timer1_.SetEnabled(false);
  const auto buffer = cardlink::LoadFirmwareBuffer(platform::OsPathFromGbk(*file));
  if (!buffer) {
    Tell(G("您所选择的文件不是控制卡操作系统文件，请检查文件是否损坏!"));
    return;
  }
  state_.OperationText = state_.ProgressCommand = G("更新控制卡操作系统");
  SendTransfer(*buffer);
}

void TParamSetController::DownloadFonts() {
  const auto file = dialogs_.OpenFileName({"", G("字库文件|*.Dat"), "*.DAT"});
  if (!file) return;
  // The shared reader refuses what is no font set, and what is no regular file or too large.
  const auto buffer = cardlink::LoadFontSetBuffer(platform::OsPathFromGbk(*file));
  if (!buffer) {
    Tell(G("所选择文件不是字库文件,请重新选择!"));
    return;
  }
  state_.OperationText = G("下载内置字库");
  state_.ProgressCommand = G("更新控制卡内置字库");
  SendTransfer(*buffer);
}

// Sends a firmware or font-set buffer; the card's message on it ends the wait.
void TParamSetController::SendTransfer(const std::vector<uint8_t>& buffer) {
  // A success shortly before must not close the progress window of this transfer.
  timer1_.SetEnabled(false);
  state_.OutcomeText = state_.ProgressMessage = G(kTransferring);
  const TTarget t = Target();
  manager_.SendData(device_, buffer, options_.CardPort, t.Ip, t.Address);
  state_.ButtonsEnabled = false;
  ShowProgress(true);
}

void TParamSetController::ExportParams() {
  const auto chosen = dialogs_.SaveFileName({G("请输入要保存的参数文件名"), G("参数文件|*.pam"), "*.pam"});
  if (!chosen) return;
  const std::string name = platform::SetFileExt(*chosen, ".pam");
  const std::string path = platform::OsPathFromGbk(name);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !Ask(G("文件") + name + G("已存在，是否覆盖?"))) return;
  block_ = BuildFromControls();
  if (!SaveParamFile(path, block_)) Tell(G("无法保存文件") + name + "!");
}

void TParamSetController::ImportParams() {
  if (!Ask(G("引入参数将覆盖当前参数设置，是否引入(Y/N)?"))) return;
  const auto file = dialogs_.OpenFileName({G("请选择要打开的参数文件名"), G("参数文件|*.pam"), "*.pam"});
  if (!file) return;
  const auto bytes = ReadParamFile(platform::OsPathFromGbk(*file));
  if (!bytes) {
    Tell(G("无法读取文件") + *file + "!");
    return;
  }
  // A shorter file replaces only its own length of the block.
  std::copy(bytes->begin(), bytes->end(), block_.begin());
  FillControls();
}

bool TParamSetController::ProgressCloseQuery() {
  if (timer2_.Enabled()) return false;
  if (state_.ProgressVisible) HideProgress();
  return true;
}

// ---- notifications ----

intptr_t TParamSetController::HandleMessage(uint32_t message, uintptr_t wParam) {
  if (message == WM_PARAMSET_NOTIFY && wParam != 0)
    Notify(*reinterpret_cast<const cardlink::TNotifyRecord*>(wParam));
  else if (message == WM_PARAMSET_OPEN)
    NextSpeed();
  return 0;
}

void TParamSetController::Notify(const cardlink::TNotifyRecord& r) {
  if (!visible_) return;
  switch (r.Code) {
    case cardlink::ncDataReceived: {
      SetOutcome(G("数据接收完成"));
      const size_t length = r.Data ? size_t(std::max(r.Length, 0)) : 0;
      platform::SaveFileAtomic(options_.DumpPath, r.Data, length);
      break;
    }
    case cardlink::ncSendDone:
      SetMessage(G(kWaitPower), clParamRed);
      SetOutcome(G("数据传输完毕，等待主板应答！"));
      StartWaiting();
      break;
    case cardlink::ncReply:
      Reply(r);
      break;
    case cardlink::ncTimeout:
      TimedOut(r);
      break;
    case cardlink::ncCardMessage:
      CardMessage(r);
      break;
    case cardlink::ncSendProgress:
    case cardlink::ncReceiveProgress:
      SetOutcome(G("数据长度：") + Decimal(r.Length) +
                 (r.Code == cardlink::ncSendProgress ? G("     已发送: ") : G("     已接收: ")) + Decimal(r.Status));
      break;
    default:
      break;
  }
}

void TParamSetController::Reply(const cardlink::TNotifyRecord& r) {
  auto both = [&](std::string_view text) {
    SetMessage(text);
    SetOutcome(text);
  };
  switch (r.AnsweredKind) {
    case cardlink::ckQuery:
      both(G("显示屏状态正常！"));
      break;
    case cardlink::ckSetTime:
      both(G("控制卡时钟已校正为计算机时间"));
      break;
    case cardlink::ckReadParams: {
      state_.ProgressColour = clParamGreen;
      const int speed = r.Device.SpeedIndex;
      if (r.Device.LinkKind == options_.NetworkLinkKind) {
        SetMessage(G("读取控制卡参数正常"));
        state_.Caption = G("控制卡设置  [ 通讯方式: 网络通讯  本地端口: ") + Decimal(r.Device.LocalPort) + " ]";
      } else {
        // The speed of the link that answered: after the search it is the one found.
        SetMessage(G("读取控制卡参数正常，通讯速率为: ") + std::string(SpeedName(speed)));
        state_.Caption = G("控制卡设置  [ 通讯方式: 串口通讯  通讯速率: ") + std::string(SpeedName(speed)) + " ]";
      }
      search_ = 0;
      // A short answer fills what came; the rest of the block is zero.
      block_.fill(0);
      if (r.Data && r.Length > 0)
        std::copy_n(r.Data, std::min<size_t>(size_t(r.Length), block_.size()), block_.begin());
      FillControls();
      state_.ButtonsEnabled = true;
      timer1_.SetEnabled(true);
      state_.Error = false;
      SetOutcomeAddressed(G("正常"), r.CardAddress);
      break;
    }
    case cardlink::ckReadPower:
      // The power state is the answer's number; the status only ever tells a refusal.
      both(r.Number == 1 ? G(kPowerOn) : G(kPowerOff));
      break;
    case cardlink::ckSetPower:
      if (r.Status == cardlink::kStatusAutomaticMode)
        both(G("目前处于自动电源管理状态，不能手动开关电源!"));
      else
        both(r.Number == 1 ? G(kPowerOn) : G(kPowerOff));
      break;
    case cardlink::ckReadBrightness:
      both(G("显示屏当前亮度为：") + Decimal(r.Number));
      state_.BrightnessValue = r.Number;
      break;
    case cardlink::ckSetBrightness:
      if (r.Status == cardlink::kStatusAutomaticMode) {
        SetMessage(G("处于自动亮度调节模式，不能手动调节亮度!"));
        SetOutcome(G("处于自动亮度调节模式，不能手动调节亮度"));
      } else {
        both(G("显示屏亮度已校正，当前亮度为：") + Decimal(r.Number));
      }
      break;
    default:
      break;
  }
  Changed();
}

void TParamSetController::TimedOut(const cardlink::TNotifyRecord& r) {
  StopWaiting();
  if (search_ & kSearching) {
    search_ = kSearching | ((search_ & ~kSearching) + 1);
    platform::PostMessageTo(window_.Handle(), WM_PARAMSET_OPEN);
  } else {
    // Only a command's time-out carries its data; a transfer's carries none.
    const bool paramsRead = r.Data && platform::LoadU16(r.Data) == cardlink::ckReadParams;
    if (paramsRead && retries_ < kParamReadRetries) {
      StartOperation(G(kReadingParams));
      const TTarget t = Target();
      manager_.GetParams(device_, t.Address, options_.CardPort, t.Ip);
      ++retries_;
      return;
    }
    SetMessage(G(kNoLink), clParamRed);
  }
  state_.Error = true;
  SetOutcomeAddressed(G("命令执行超时"), r.CardAddress);
  state_.ButtonsEnabled = false;
  Changed();
}

void TParamSetController::CardMessage(const cardlink::TNotifyRecord& r) {
  state_.ButtonsEnabled = true;
  StopWaiting();
  auto outcome = [&](std::string_view text, bool error) {
    SetMessage(text, error ? clParamRed : clParamGreen);
    SetOutcome(text);
    state_.Error = error;
  };
  switch (r.Status) {
    case kProgramDone:
      outcome(G("程序下载成功！"), false);
      break;
    case kFontDone:
      outcome(G("字库下载成功！"), false);
      break;
    case kParamsDone:
      outcome(G("控制卡参数设置成功！"), false);
      break;
    case kFontFailed:
      outcome(G("字库下载失败，请重新下载！"), true);
      break;
    default:
      break;
  }
  if (!state_.Error) timer1_.SetEnabled(true);
  Changed();
}

// ---- timers ----

void TParamSetController::Timer1Tick() {
  timer1_.SetEnabled(false);
  if (state_.ProgressVisible) HideProgress();
}

void TParamSetController::Timer2Tick() {
  ++timer2Ticks_;
  state_.ProgressColour = (timer2Ticks_ % 2) ? clParamPanelFace : clParamRed;
  if (timer2Ticks_ > kWaitLimitMs / int(kTimer2Ms)) {
    state_.ProgressVisible = false;
    state_.ProgressModal = false;
    timer2_.SetEnabled(false);
    timer2Ticks_ = 0;
    state_.ButtonsEnabled = true;
    Changed();
    Tell(G("控制卡无应答，请检查控制卡！"));
    return;
  }
  Changed();
}

void TParamSetController::StartWaiting() {
  // Every wait gets its full time: a count left from an earlier wait does not shorten it.
  if (!timer2_.Enabled()) timer2Ticks_ = 0;
  timer1_.SetEnabled(false);
  timer2_.SetEnabled(true);
}

void TParamSetController::StopWaiting() { timer2_.SetEnabled(false); }

// ---- state ----

void TParamSetController::StartOperation(std::string_view operation) {
  state_.OperationText = operation;
  Changed();
}

void TParamSetController::SetMessage(std::string_view text) {
  state_.ProgressMessage = text;
  Changed();
}

void TParamSetController::SetMessage(std::string_view text, uint32_t colour) {
  state_.ProgressColour = colour;
  SetMessage(text);
}

void TParamSetController::SetOutcome(std::string_view text) {
  state_.OutcomeText = text;
  Changed();
}

void TParamSetController::SetOutcomeAddressed(std::string_view what, int cardAddress) {
  char address[16];
  std::snprintf(address, sizeof address, "%02d", cardAddress & 0xFF);
  SetOutcome(state_.OperationText + std::string(what) + G("  控制卡地址=") + address);
}

void TParamSetController::ShowProgress(bool modal) {
  if (modal && state_.ProgressVisible) HideProgress();
  state_.ProgressVisible = true;
  state_.ProgressModal = modal;
  Changed();
}

void TParamSetController::HideProgress() {
  state_.ProgressVisible = false;
  state_.ProgressModal = false;
  Changed();
}

TParamBlock TParamSetController::BuildFromControls() {
  return BuildParamBlock(view_.Controls(), ParamStamp(options_.LocalTime(), options_.Random()));
}

void TParamSetController::FillControls() { view_.SetControls(ControlsFromBlock(block_)); }

void TParamSetController::Changed() { view_.StateChanged(state_); }

bool TParamSetController::Ask(const std::string& text) {
  return dialogs_.MessageBox(text, MessageCaption(), TMessageIcon::Question, TMessageButtons::YesNo) ==
         TMessageAnswer::Yes;
}

void TParamSetController::Tell(const std::string& text) {
  dialogs_.MessageBox(text, MessageCaption(), TMessageIcon::Information, TMessageButtons::Ok);
}

}  // namespace editor
