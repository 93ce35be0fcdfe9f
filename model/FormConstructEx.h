#pragma once
// The project tree. One TConstructer is the root; it owns one TLEDScreen per control card; a
// screen owns its display pages (TLeaf) and, for cascaded cards, one TCards container of
// TMultiCard sub-cards; a page owns its display objects.
//
//   TConstructer                    the root: tree operations, program stream, events
//     TLEDScreen "LEDScreen0"       a card and its display area, parented to the root
//       TCards "MulCard"            sub-card container (component, no parent)
//         TMultiCard "MultiCard0"   a cascaded sub-card
//       TLeaf "Leaf0"               a page, parented to its screen and filling it
//         display objects           owned graphic controls that publish RecordSelf
//
// The tree is walked by ownership and class, never by parent: a screen's pages are its owned
// TLeafs wherever they are shown (the editor parents the current page to its own container).
// Every class publishes its settings, so the inspector, object text and the program writer
// reach them by name; each PropertyTable tells the inspector which of them to show.
//
// Everything here belongs to the GUI thread. The root also carries out the card operations:
// it talks to cards through the link manager (CardLink.h) with a message window of its own as
// the notification target, and moves each screen through the status machine of ScreenStatus.h.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/ComponentManager.h"
#include "model/PropertyTable.h"
#include "model/stream/ProgramStream.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/Timer.h"
#include "platform/component/Component.h"
#include "platform/component/Control.h"
#include "platform/component/TypeInfo.h"

namespace cardlink {
struct TNotifyRecord;
}

namespace model {

class TCardPrompts;
struct TCardCommand;  // one card operation's command and busy status (FormConstructEx.cpp)

// Link kind; the ordinals are the link kinds of the link manager's device record.
enum TCommType : uint8_t { ctCom, ct485, ctNetWork };
// Serial speed; the ordinals are the device record's speed index.
enum TCommSpeed : uint8_t { cs9600, cs14400, cs19200, cs38400, cs57600 };
enum TFlowControl : uint8_t { fcNone, fcHardWare };
// Whether a screen drives cascaded sub-cards.
enum TRelation : uint8_t { link_None, link_Multi };

const platform::TTypeInfo& TypeCommType();
const platform::TTypeInfo& TypeCommSpeed();
const platform::TTypeInfo& TypeFlowControl();
const platform::TTypeInfo& TypeRelation();

// Link settings of a screen or a sub-card.
class TCommunication : public platform::TPersistent {
  DECLARE_CLASS_INFO()

  static constexpr int32_t ScreenLocalPort = 1025;
  static constexpr int32_t SubCardLocalPort = 8889;

  // Network link to "192.168.0.99", remote port 6666, COM1 at 57600 bps without flow control;
  // the local port differs for screens and sub-cards.
  explicit TCommunication(int32_t localPort);

  TCommType CommunicationType() const { return type_; }
  // Stores the kind, then fires OnChanged: the owner shows the rows of the new kind.
  void SetCommunicationType(TCommType type);
  int32_t LocalPort() const { return localPort_; }
  void SetLocalPort(int32_t port) { localPort_ = port; }
  int32_t ComPort() const { return comPort_; }
  void SetComPort(int32_t port) { comPort_ = port; }
  int32_t RemotePort() const { return remotePort_; }
  void SetRemotePort(int32_t port) { remotePort_ = port; }
  const std::string& IP() const { return ip_; }
  void SetIP(std::string_view ip) { ip_ = ip; }
  TCommSpeed Speed() const { return speed_; }
  void SetSpeed(TCommSpeed speed) { speed_ = speed; }
  TFlowControl ZFlowControl() const { return flow_; }
  void SetZFlowControl(TFlowControl flow) { flow_ = flow; }

  // True for the serial kinds (RS-232 and RS-485).
  bool IsSerial() const { return type_ == ctCom || type_ == ct485; }

  // A network link with LocalPort 0 binds any free port. The card operations keep the port it
  // bound, with its device, while that device stays open: later operations open the same device
  // again and its notifications are matched by it. Not published, not saved.
  int32_t BoundPort() const { return boundPort_; }
  int BoundDevice() const { return boundDevice_; }
  void SetBound(int device, int32_t port) {
    boundDevice_ = device;
    boundPort_ = port;
  }
  // The local port the link's notifications carry: LocalPort, or the bound one when it is 0.
  int32_t MatchPort() const { return localPort_ != 0 ? localPort_ : boundPort_; }

  // Set by the owner; told the TCommunication itself.
  platform::TNotifyEvent OnChanged;

 private:
  TCommType type_ = ctNetWork;
  int32_t localPort_;
  int32_t comPort_ = 1;
  int32_t remotePort_ = 6666;
  std::string ip_ = "192.168.0.99";
  TCommSpeed speed_ = cs57600;
  TFlowControl flow_ = fcNone;
  int boundDevice_ = -1;
  int32_t boundPort_ = 0;
};

class TMultiCard;

// The container of a screen's cascaded sub-cards; its sub-cards are its owned TMultiCards.
class TCards : public platform::TComponent {
  DECLARE_CLASS_INFO()

  explicit TCards(platform::TComponent* owner);

  // The owned sub-cards in order.
  std::vector<TMultiCard*> SubCards() const;
};

// One cascaded sub-card: its own link settings and card address.
class TMultiCard : public platform::TComponent {
  DECLARE_CLASS_INFO()

  explicit TMultiCard(platform::TComponent* owner);

  TCommunication& Communicate() { return communicate_; }
  const TCommunication& Communicate() const { return communicate_; }
  int32_t Address() const { return address_; }
  void SetAddress(int32_t address) { address_ = address; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

 private:
  void RefreshPropertyTable();

  TCommunication communicate_{TCommunication::SubCardLocalPort};
  int32_t address_ = 0;
  std::string text_;
  TBasePropertyTable table_;
};

class TLeaf;

// One control card and its display area.
class TLEDScreen : public platform::TWinControl {
  DECLARE_CLASS_INFO()

  static constexpr size_t ParamBlockSize = 112;
  static constexpr size_t PowerScheduleSize = 116;
  static constexpr size_t BrightScheduleSize = 28;
  static constexpr size_t AnswerBlockSize = 44;

  // Status of a screen whose card has not been heard from (every screen after loading).
  static constexpr int32_t StatusNotKnown = 1;

  // A 512 x 256 screen on the network link, status 1. In LoadModeNormal it also makes its
  // sub-card container "MulCard"; while object text is read the text supplies it. Parented to
  // its owner when that is a windowed control.
  explicit TLEDScreen(platform::TComponent* owner);

  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  int32_t Address() const { return address_; }
  void SetAddress(int32_t address) { address_ = address; }
  // The card's display size in pixels. The control's own bounds start the same but are not
  // tied to them.
  int32_t ScreenWidth() const { return screenWidth_; }
  void SetScreenWidth(int32_t width) { screenWidth_ = width; }
  int32_t ScreenHeight() const { return screenHeight_; }
  void SetScreenHeight(int32_t height) { screenHeight_ = height; }
  TCommunication& Communicate() { return communicate_; }
  const TCommunication& Communicate() const { return communicate_; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }
  // 0-35, the card operations' state of this screen.
  int32_t Status() const { return status_; }
  void SetStatus(int32_t status) { status_ = status; }
  int32_t Power() const { return power_; }
  void SetPower(int32_t power) { power_ = power; }
  int32_t Bright() const { return bright_; }
  void SetBright(int32_t bright) { bright_ = bright; }
  TRelation Relation() const { return relation_; }
  // link_Multi shows the sub-card row at index 7 of the table; any other value removes it.
  void SetRelation(TRelation relation);

  // The first owned TCards; one named "MultiCard" is made when there is none.
  TCards& Cards();

  // A number no other screen of this process has had: messages that name a screen carry it,
  // so one that is gone by the time they are handled is never mistaken for a newer one.
  uint64_t Identity() const { return identity_; }

  // The pages: the owned TLeafs in order.
  std::vector<TLeaf*> Pages() const;

  // The card's 112-byte parameter block: u16 width, u16 height, u16 colour mode (the mode the
  // program stream is built for), u16 step time in ms, the rest as the card has it. Filled from
  // card answers and the parameter dialogs; not published, not saved.
  std::span<uint8_t, ParamBlockSize> ParamBlock() { return paramBlock_; }
  std::span<const uint8_t, ParamBlockSize> ParamBlock() const { return paramBlock_; }
  // The colour mode (u16 at offset 4) and the step time (u16 at offset 6) of the block.
  int ColorMode() const;
  int StepTime() const;
  // The power schedule (116 bytes), the brightness schedule (28 bytes) and the block the card
  // answers command kind 8923 with (44 bytes), as the card has them; zero until then.
  std::span<uint8_t, PowerScheduleSize> PowerSchedule() { return powerSchedule_; }
  std::span<const uint8_t, PowerScheduleSize> PowerSchedule() const { return powerSchedule_; }
  std::span<uint8_t, BrightScheduleSize> BrightSchedule() { return brightSchedule_; }
  std::span<const uint8_t, BrightScheduleSize> BrightSchedule() const { return brightSchedule_; }
  std::span<uint8_t, AnswerBlockSize> AnswerBlock() { return answerBlock_; }
  std::span<const uint8_t, AnswerBlockSize> AnswerBlock() const { return answerBlock_; }

 private:
  void RefreshPropertyTable();

  std::string text_;
  int32_t address_ = 0;
  int32_t screenWidth_ = 512;
  int32_t screenHeight_ = 256;
  TCommunication communicate_{TCommunication::ScreenLocalPort};
  TBasePropertyTable table_;
  int32_t status_ = StatusNotKnown;
  std::array<uint8_t, ParamBlockSize> paramBlock_{};
  std::array<uint8_t, PowerScheduleSize> powerSchedule_{};
  std::array<uint8_t, BrightScheduleSize> brightSchedule_{};
  int32_t power_ = 1;
  int32_t bright_ = 7;
  std::array<uint8_t, AnswerBlockSize> answerBlock_{};
  TRelation relation_ = link_None;
  uint64_t identity_;
};

// One display page. Its display objects are its owned graphic controls that publish
// RecordSelf (see ProgramRecords.h).
class TLeaf : public platform::TWinControl {
  DECLARE_CLASS_INFO()

  static constexpr uint32_t RepaintInterval = 50;  // ms

  // Display time 10 s; parented to its owner when that is a windowed control, and filling its
  // parent. Its repaint timer runs (on TimerClock()) from the start.
  explicit TLeaf(platform::TComponent* owner);

  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  // Seconds.
  uint32_t DisplayTime() const { return displayTime_; }
  void SetDisplayTime(uint32_t seconds) { displayTime_ = seconds; }
  // The display time in ms as the page record carries it: DisplayTime x 1000, saturated at
  // 0xFFFFFFFF rather than wrapped.
  uint32_t DisplayTimeMs() const;
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // Whether the page wants repainting: the editor sets it on the page it shows. The repaint
  // timer runs while the page is active and visible. The value is kept (and saved).
  bool Active() const { return active_; }
  void SetActive(bool active);

  // The RecordSelf setter: appends the page record (display time in ms) with the records of
  // its display objects in ownership order. Null does nothing.
  void SetRecordSelf(TProgramStream* stream);

  // Every 50 ms while enabled: invalidates every owned graphic control whose picture has moved
  // on (PictureDue), then stays enabled only while the page is visible.
  const platform::TTimer& RepaintTimer() const { return repaintTimer_; }

 protected:
  void VisibleChanged() override;

 private:
  void RepaintTick();

  std::string text_;
  uint32_t displayTime_ = 10;
  TBasePropertyTable table_;
  bool active_ = true;  // the timer starts enabled, so the page starts active
  platform::TTimer repaintTimer_;
};

// The project root.
class TConstructer : public platform::TWinControl {
  DECLARE_CLASS_INFO()

  // One screen ("LEDScreen0", "控制卡0") with one page ("Leaf0", "显示页面0"); Modify false.
  explicit TConstructer(platform::TComponent* owner);

  // Set by AddScreen and AddLeaf, cleared only by construction.
  bool Modify() const { return modify_; }
  void SetModify(bool modify) { modify_ = modify; }

  // The screens: the owned TLEDScreens in order. Indices below count only these.
  std::vector<TLEDScreen*> Screens() const;
  int ScreenCount() const;
  // Null when out of range.
  TLEDScreen* GetScreen(int index) const;
  // The first screen whose Text equals `text`, ASCII letters folded, GBK bytes as they are.
  TLEDScreen* FindScreen(std::string_view text) const;
  // Page `page` of screen `screen`; null when either does not exist.
  TLeaf* GetLeaf(int screen, int page) const;
  // The pages of screen `screen`; 0 when it does not exist.
  int GetLeafCount(int screen) const;

  // A new screen with one new page, named by the name generator over this root. A non-empty
  // `text` becomes its Text, an empty one gives "控制卡" + the smallest free number. Sets
  // Modify.
  TLEDScreen* AddScreen(std::string_view text);
  // A new page on screen `screen`, Text "显示页面" + the smallest free number; sets Modify.
  // Null, changing nothing, when the screen does not exist.
  TLeaf* AddLeaf(int screen);
  // Free the screen or page with everything it owns; nothing when it does not exist. Modify
  // stays.
  void DeleteScreen(int screen);
  void DeleteLeaf(int screen, int page);

  // Writes the screens (with what they own, registered classes only) as plain object text to
  // `fileName`, a GBK path. Every screen's Cards is read first, so a container made on demand
  // is in the file and the next save gives the same bytes. False when the text cannot be built
  // or the file written; the previous file then stays whole.
  bool SaveToFile(const std::string& fileName,
                  const TComponentManager& registry = ComponentManager());
  // Replaces the tree with the object text of `fileName` (a GBK path), read in
  // LoadModeReading; the mode is LoadModeNormal afterwards. False, with the tree untouched,
  // when the file cannot be read (missing, or not a regular file). False with a default
  // project (one screen with one page, made while still reading, so without a sub-card
  // container until Cards is read; Modify set) when the text does not read, holds no object
  // block at all (an empty file, or blanks and comments only: no project file), or the tree
  // is not valid: every component on the first two levels must be of a registered class. After a
  // read, good or not, every screen's Status is 1.
  bool LoadFromFile(const std::string& fileName,
                    const TComponentManager& registry = ComponentManager());

  // ---- Card operations ----------------------------------------------------------------------
  // Each runs on the first screen whose Text equals `text` (ASCII letters folded; none found
  // does nothing), on every screen in order for "", or on `screen` itself (one of this root's;
  // any other does nothing). For each screen it opens the link of the screen's Communicate (an
  // open one on the same port is reused) with this root's window as the notification target,
  // sets the busy Status and queues one command to the screen's Address, RemotePort and IP. A
  // link that cannot be opened gives Status 0. The outcome comes back as WM_DEVICE_NOTIFY and
  // moves the screen on (ScreenStatus.h). OnStatusChanged is told every change.
  //
  // Operations marked "sub-cards first" do the same for each sub-card of a screen whose
  // Relation is link_Multi before the screen itself: a sub-card's command goes to its own
  // Address, RemotePort and IP, and its open sets the screen's Status (busy, or 0).

  // Read the parameters (4), then build and send the program once the card has answered (34,
  // 9, 2, 6). A screen already in 4 is skipped; otherwise the retry count Tag starts at 0.
  void SendScreens(std::string_view text);
  void SendScreens(TLEDScreen& screen);
  // The same for a download (5, 35, 9, 2, 6; program kind 18).
  void DownloadScreens(std::string_view text);
  void DownloadScreens(TLEDScreen& screen);
  // The card's clock := the host's local time (13, then 21). Sub-cards first.
  void AdjustTime(std::string_view text);
  void AdjustTime(TLEDScreen& screen);
  // The campaign time (CampaignTime()) to the card (13). No answer is awaited, so the screen
  // stays in 13 until its next operation. Sub-cards first.
  void SendTimeRecord(std::string_view text);
  void SendTimeRecord(TLEDScreen& screen);
  // Power on (1) or off (0) (11, then 18 with Power, or 30 when the card runs its schedule).
  // Sub-cards first.
  void SetPower(std::string_view text, int32_t on);
  void SetPower(TLEDScreen& screen, int32_t on);
  // (12, then 17 with Power.)
  void ReadPower(std::string_view text);
  void ReadPower(TLEDScreen& screen);
  // (15, then 20 with Bright, or 31 when the card runs its schedule.) Sub-cards first.
  void SetBright(std::string_view text, int32_t level);
  void SetBright(TLEDScreen& screen, int32_t level);
  // (16, then 19 with Bright.)
  void ReadBright(std::string_view text);
  void ReadBright(TLEDScreen& screen);
  // The parameter block from the card (10; the answer fills ParamBlock and leaves the Status).
  void ReadParams(std::string_view text);
  void ReadParams(TLEDScreen& screen);
  // (24, then 22 with PowerSchedule.)
  void ReadPowerSchedule(std::string_view text);
  void ReadPowerSchedule(TLEDScreen& screen);
  // `schedule` to the card (25, then 23 on the card's message). The screen's own PowerSchedule
  // changes only through reads. Sub-cards first.
  void WritePowerSchedule(std::string_view text,
                          std::span<const uint8_t, TLEDScreen::PowerScheduleSize> schedule);
  void WritePowerSchedule(TLEDScreen& screen,
                          std::span<const uint8_t, TLEDScreen::PowerScheduleSize> schedule);
  // (26, then 28 with BrightSchedule.)
  void ReadBrightSchedule(std::string_view text);
  void ReadBrightSchedule(TLEDScreen& screen);
  // `schedule` to the card (27, then 29 on the card's message). Sub-cards first, but a
  // sub-card's open leaves the screen's Status alone, and the first sub-card that cannot be
  // opened gives 0 and skips the rest of them.
  void WriteBrightSchedule(std::string_view text,
                           std::span<const uint8_t, TLEDScreen::BrightScheduleSize> schedule);
  void WriteBrightSchedule(TLEDScreen& screen,
                           std::span<const uint8_t, TLEDScreen::BrightScheduleSize> schedule);
  // A command of the given kind without payload (32). The editor reads the card's display
  // content with ReadDisplayCommand: the data that comes back is offered for preview (a
  // program) or for saving (anything else) through the card prompts.
  void SendCommand(std::string_view text, uint16_t kind);
  void SendCommand(TLEDScreen& screen, uint16_t kind);

  // The window the links notify (WM_DEVICE_NOTIFY) and the root posts itself WM_SEND_SCREEN
  // and WM_SIMULATE_DATA through; it belongs to the thread that made the root.
  platform::TWindowHandle WindowHandle() const { return window_.Handle(); }
  // Every 100 ms while enabled: disables itself and starts the first screen in 34 or 35. Made
  // disabled; only notifications enable it.
  const platform::TTimer& SendTimer() const { return sendTimer_; }

  // Where the questions about data a card sends back go; not owned. With none, every question
  // is answered No.
  TCardPrompts* CardPrompts() const { return prompts_; }
  void SetCardPrompts(TCardPrompts* prompts) { prompts_ = prompts; }

  // The program data of one send, built by the card operations.
  TProgramStream& Stream() { return stream_; }

  // Told the screen whose Status the card operations changed.
  platform::TNotifyEvent OnStatusChanged;
  // Told when the card parameters of a screen changed.
  platform::TNotifyEvent OnParamChanged;

 private:
  TLeaf* NewLeaf(TLEDScreen& screen);

  // Card operations.
  void RunCommand(std::string_view text, const TCardCommand& command);
  void RunCommand(TLEDScreen& screen, const TCardCommand& command);
  void RunOnScreen(uint64_t identity, const TCardCommand& command);
  // The device index of the link for `link`, or -1 when it cannot be opened.
  int OpenLink(TCommunication& link);
  TLEDScreen* ScreenByIdentity(uint64_t identity) const;
  bool OwnsScreen(const TLEDScreen& screen) const;
  void ChangeStatus(TLEDScreen& screen, int32_t status);
  void StatusChanged(TLEDScreen& screen);
  void EnableSendTimer() { sendTimer_.SetEnabled(true); }

  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
  void DeviceNotify(const cardlink::TNotifyRecord& record);
  // What the code-1 questions decide; false when the answer ends the notification's handling.
  bool OfferReceivedData(uint64_t identity, bool program, std::span<const uint8_t> data);
  void SendScreen(uintptr_t download, uint64_t identity);
  void SimulateData();
  void SendTimerTick();

  bool modify_ = false;
  TProgramStream stream_;
  // What each WM_SIMULATE_DATA in the queue carries, in posting order: the screen a program
  // came back from and a copy of it. Its own copy, so a preview that is open meanwhile keeps
  // playing what it plays.
  struct TReadBack {
    uint64_t Screen = 0;
    std::vector<uint8_t> Program;
  };
  std::deque<TReadBack> readBacks_;
  TCardPrompts* prompts_ = nullptr;
  platform::TTimer sendTimer_;
  // Last, so it goes first: no message reaches a root that is being taken apart.
  platform::TMessageWindow window_;
};

// A program that cannot be built for a send: the card operation stops and says why.
class ECardOperationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Data a card sent back could not be written to the file chosen for it.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace model
