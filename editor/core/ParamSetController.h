#pragma once
// The card-settings dialog ("控制卡设置") without its window: it talks to one card directly
// through its own link, reads the card's parameter block into the dialog's controls and writes
// it back, queries the card, sets its clock, power and brightness, downloads firmware and font
// files, and exports and imports "*.pam" files.
//
// The controller owns a message window for the link's notifications (0x401) and for its own
// speed-search steps (0x402), and two timers: Timer1 (2000 ms) closes the progress window after a
// success, Timer2 (600 ms) blinks the waiting text and gives up after 120 s. It keeps the
// dialog's state (caption, buttons, status panels, progress window, brightness value) and tells
// the view whenever it changes; it asks the view for the controls' values and the brightness
// dialog, and the editor's dialogs for questions, message boxes and file names. Everything runs on the thread that made
// it, and it never runs an event loop of its own: a question or dialog of the view is modal there.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/CardParams.h"
#include "editor/core/Dialogs.h"
#include "link/tsSender.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/SettingsFile.h"
#include "platform/base/Timer.h"

namespace editor {

// Window messages of the dialog.
constexpr uint32_t WM_PARAMSET_NOTIFY = 0x401;  // device notification (wParam: the notify record)
constexpr uint32_t WM_PARAMSET_OPEN = 0x402;    // open the link for the next speed-search attempt

// Colours, 0x00BBGGRR.
constexpr uint32_t clParamBlack = 0x000000;
constexpr uint32_t clParamRed = 0x0000FF;
constexpr uint32_t clParamDarkBlue = 0xC00000;   // RGB 0,0,192
constexpr uint32_t clParamGreen = 0x00C000;      // RGB 0,192,0: a good reading
constexpr uint32_t clParamOperation = 0x808000;  // RGB 0,128,128: status panel 1
constexpr uint32_t clParamOutcomeOk = 0x00E400;  // RGB 0,228,0: status panel 2 without error
constexpr uint32_t clParamGrey = 0x808080;       // labels of disabled controls
// Not a colour: the progress panel's own face, so the waiting text disappears (it blinks).
constexpr uint32_t clParamPanelFace = 0xFF000000;

// The link settings on the dialog, kept in "Param.ini", section "Param".
struct TCardLinkSettings {
  int CommTypeIndex = 0;                       // `CommType`: 0 "串口通讯", 1 "网络通讯"
  int CardAddress = 0;                         // `Card_Address`, 0..255: used in every command
  int locPort = 1;                             // COM port number, 1..64
  std::string CardIPAddress = "192.168.0.99";  // `Card_IP_Address`
  bool operator==(const TCardLinkSettings&) const = default;
};
inline constexpr std::array<std::string_view, 2> kCommTypeItems = {"串口通讯", "网络通讯"};
constexpr size_t kCardIpTextMax = 15;  // the IP is read into a 16-byte buffer

TCardLinkSettings LoadCardLinkSettings(const platform::TSettingsFile& settings);
// Writes the four keys and saves the settings; false when they could not be saved.
bool SaveCardLinkSettings(platform::TSettingsFile& settings, const TCardLinkSettings& link);

// What the dialog shows, besides its controls. Texts are GBK.
struct TParamSetState {
  std::string Caption;
  bool ButtonsEnabled = false;  // the eleven function buttons of "设置功能"
  std::string OperationText;    // status panel 1, the operation in progress
  std::string OutcomeText;      // status panel 2, its outcome
  bool Error = false;           // the error flag: panel 2 red, else green
  // The progress window "命令执行情况".
  bool ProgressVisible = false;
  bool ProgressModal = false;
  std::string ProgressCommand;
  std::string ProgressMessage;
  uint32_t ProgressColour = clParamBlack;  // or clParamPanelFace
  // The brightness dialog's value.
  int BrightnessValue = 0;
};

// The colour of status panel 2.
inline uint32_t OutcomeColour(const TParamSetState& s) { return s.Error ? clParamRed : clParamOutcomeOk; }
// Labels and texts of controls that are enabled or not.
inline uint32_t LabelColour(bool enabled) { return enabled ? clParamBlack : clParamGrey; }

// Speed names by speed index 0-4, spelled as the dialog shows them; "" for other indices.
std::string_view SpeedName(int speedIndex);

class TParamSetView {
 public:
  virtual ~TParamSetView() = default;
  virtual void StateChanged(const TParamSetState& state) = 0;
  virtual TCardLinkSettings LinkSettings() const = 0;
  virtual void SetLinkSettings(const TCardLinkSettings& link) = 0;
  virtual TParamControls Controls() const = 0;
  virtual void SetControls(const TParamControls& controls) = 0;
  // The brightness dialog "显示屏亮度调整", modally; it calls BrightnessAdjust and BrightnessRead.
  virtual void RunBrightnessDialog() = 0;
};

struct TParamSetOptions {
  int32_t SerialLinkKind = 0;                        // the device record's link kinds in Corvane
  int32_t NetworkLinkKind = 2;                       // "网络通讯" is a UDP link
  int LocalUdpPort = 9999;                           // the network link binds this port (0: any free one)
  int CardPort = 6666;                               // the card's UDP port in every command
  platform::TClock* TimerClock = nullptr;            // the timers' clock; the steady clock when empty
  std::function<platform::TSystemTime()> LocalTime;  // the stamp's time; the computer's when empty
  std::function<uint32_t()> Random;                  // the stamp's 0..63; a random one when empty
  std::string DumpPath;  // where received data goes (OS path); "Debug.dat" in the program folder
};

class TParamSetController {
 public:
  // `dialogs` asks the questions, shows the boxes and the file dialogs.
  TParamSetController(TParamSetView& view, TDialogs& dialogs, cardlink::TLEDManager& manager,
                      const platform::TSettingsFile& settings, TParamSetOptions options = {});
  TParamSetController(const TParamSetController&) = delete;
  TParamSetController& operator=(const TParamSetController&) = delete;
  // Closes the link when one is still open.
  ~TParamSetController();

  // The dialog is shown: the link settings are loaded, nothing is linked yet.
  void Show();
  // The dialog closes: the progress window, then the link, and the link settings are saved.
  void Close();
  bool Visible() const { return visible_; }

  // "建立通讯".
  void EstablishLink();
  // The function buttons.
  void QueryStatus();       // "查询状态"
  void AdjustTime();        // "校正时钟"
  void PowerOn();           // "打开电源"
  void PowerOff();          // "关闭电源"
  void ReadParams();        // "读取参数"
  void SetParams();         // "设置参数"
  void AdjustBrightness();  // "调节亮度": reads the brightness, then the brightness dialog
  void UpdateFirmware();    // "更新程序"
  void DownloadFonts();     // "下载字库"
  void ExportParams();      // "导出设置"
  void ImportParams();      // "导入设置"
  // The brightness dialog's buttons "调  节" and "读  取".
  void BrightnessAdjust(int value);
  void BrightnessRead();
  // The progress window asks to close: refused (false) while Timer2 runs, else it is hidden.
  bool ProgressCloseQuery();

  const TParamSetState& State() const { return state_; }
  const TParamBlock& Block() const { return block_; }
  int DeviceIndex() const { return device_; }
  uint32_t SearchWord() const { return search_; }
  int RetryCount() const { return retries_; }
  platform::TWindowHandle Window() const { return window_.Handle(); }
  bool Timer1Running() const { return timer1_.Enabled(); }
  bool Timer2Running() const { return timer2_.Enabled(); }
  int Timer2Ticks() const { return timer2Ticks_; }

 private:
  intptr_t HandleMessage(uint32_t message, uintptr_t wParam);
  void Notify(const cardlink::TNotifyRecord& record);
  void Reply(const cardlink::TNotifyRecord& record);
  void TimedOut(const cardlink::TNotifyRecord& record);
  void CardMessage(const cardlink::TNotifyRecord& record);
  void NextSpeed();
  void CloseLink();
  bool OpenSerial(int speedIndex, int comPort);
  void Timer1Tick();
  void Timer2Tick();

  // Every command goes to the dialog's device with the card address and IP of the controls.
  struct TTarget {
    uint8_t Address = 0;
    std::string Ip;
  };
  TTarget Target() const;
  void StartOperation(std::string_view operation);  // panel 1
  void SetMessage(std::string_view text);
  void SetMessage(std::string_view text, uint32_t colour);
  void SetOutcome(std::string_view text);
  void SetOutcomeAddressed(std::string_view what, int cardAddress);
  void ShowProgress(bool modal);
  void HideProgress();
  void SendTransfer(const std::vector<uint8_t>& buffer);
  void StartWaiting();  // Timer2, counting from 0 when it was off
  void StopWaiting();
  TParamBlock BuildFromControls();
  void FillControls();
  void Changed();

  bool Ask(const std::string& text);
  void Tell(const std::string& text);

  TParamSetView& view_;
  TDialogs& dialogs_;
  cardlink::TLEDManager& manager_;
  platform::TSettingsFile settings_;  // a copy, sharing the program's settings
  TParamSetOptions options_;
  platform::TMessageWindow window_;
  platform::TTimer timer1_;
  platform::TTimer timer2_;
  int timer2Ticks_ = 0;

  TParamSetState state_;
  TParamBlock block_{};
  bool visible_ = false;
  int device_ = -1;
  uint32_t search_ = 0;  // bit 31: the serial speed search runs; bits 0-30: its attempt
  int retries_ = 0;      // parameter reads repeated after a time-out, 0..8
};

}  // namespace editor
