#include "FormConstructEx.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/CardPrompts.h"
#include "model/DFMStream.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "model/ProgramRecords.h"
#include "model/ScreenStatus.h"
#include "model/TimerClock.h"
#include "model/stream/PageRecord.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace model {

using platform::TClassBuilder;
using platform::TClassInfo;
using platform::TComponent;
using platform::TTypeInfo;

namespace {

// Rows and texts are written here in UTF-8 and kept as the GBK bytes the model works in.
std::vector<std::string> Gbk(std::initializer_list<const char*> utf8) {
  std::vector<std::string> rows;
  for (const char* row : utf8) rows.push_back(platform::Utf8ToGbk(row));
  return rows;
}

const std::string& ScreenTextPrefix() {
  static const std::string prefix = platform::Utf8ToGbk("控制卡");
  return prefix;
}

const std::string& PageTextPrefix() {
  static const std::string prefix = platform::Utf8ToGbk("显示页面");
  return prefix;
}

// The rows of the link settings; only those of the current link kind are in a table.
struct TLinkRows {
  std::vector<std::string> All;     // every one of them, for removal
  std::vector<std::string> Serial;  // ComPort, Speed, ZFlowControl
  std::vector<std::string> Network; // IP, RemotePort, LocalPort
};

const TLinkRows& LinkRows() {
  static const TLinkRows rows = [] {
    TLinkRows r;
    r.All = Gbk({"Communicate.ComPort|串口号|$000000F0", "Communicate.Speed|波特率|$000000F0",
                 "Communicate.IP|IP地址|$000000F0", "Communicate.ZFlowControl|流控制|$000000F0",
                 "Communicate.RemotePort|远程端口号|$000000F0",
                 "Communicate.LocalPort|本地端口号|$000000F0"});
    r.Serial = {r.All[0], r.All[1], r.All[3]};
    r.Network = {r.All[2], r.All[4], r.All[5]};
    return r;
  }();
  return rows;
}

void ShowLinkRows(TBasePropertyTable& table, const TCommunication& link) {
  const TLinkRows& rows = LinkRows();
  for (const std::string& row : rows.All) table.RemoveLine(row);
  // Sub-cards offer no RS-485, but one set to it (by a file) is on a serial link all the same.
  for (const std::string& row : link.IsSerial() ? rows.Serial : rows.Network) table.Add(row);
}

const std::string& CardsRow() {
  static const std::string row = platform::Utf8ToGbk("Cards|子卡参数|$00808000");
  return row;
}
constexpr int CardsRowIndex = 7;

void AddRows(TBasePropertyTable& table, const std::vector<std::string>& rows) {
  for (const std::string& row : rows) table.Add(row);
}

// Component name from the name generator: the class name without its first letter and the
// smallest number free under `root`.
int NameNumber(TComponent& root, const TClassInfo& cls) {
  return IDCreater().NewNameNumber(root, cls.ClassName());
}

std::string NumberedName(const TClassInfo& cls, int number) {
  return cls.ClassName().substr(1) + std::to_string(number);
}

// A loaded project must be made of registered classes, on the root's level and the next.
bool IsValidTree(const TComponent& root, const TComponentManager& registry) {
  for (const TComponent* child : root.OwnedComponents()) {
    if (!registry.IsRegistered(child->ClassInfo())) return false;
    for (const TComponent* grandchild : child->OwnedComponents())
      if (!registry.IsRegistered(grandchild->ClassInfo())) return false;
  }
  return true;
}

void ParentToOwner(platform::TControl& control, TComponent* owner) {
  if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) control.SetParent(parent);
}

}  // namespace

// ---- enumerations ----------------------------------------------------------------------------

const TTypeInfo& TypeCommType() {
  static const TTypeInfo type =
      TTypeInfo::Enumeration("TCommType", {"ctCom", "ct485", "ctNetWork"});
  return type;
}

const TTypeInfo& TypeCommSpeed() {
  static const TTypeInfo type = TTypeInfo::Enumeration(
      "TCommSpeed", {"cs9600", "cs14400", "cs19200", "cs38400", "cs57600"});
  return type;
}

const TTypeInfo& TypeFlowControl() {
  static const TTypeInfo type = TTypeInfo::Enumeration("TFlowControl", {"fcNone", "fcHardWare"});
  return type;
}

const TTypeInfo& TypeRelation() {
  static const TTypeInfo type = TTypeInfo::Enumeration("TRelation", {"link_None", "link_Multi"});
  return type;
}

// ---- TCommunication --------------------------------------------------------------------------

const TClassInfo& TCommunication::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TCommunication, platform::TPersistent>("TCommunication")
          .Property("CommunicationType", TypeCommType(), &TCommunication::CommunicationType,
                    &TCommunication::SetCommunicationType)
          .Property("LocalPort", &TCommunication::LocalPort, &TCommunication::SetLocalPort)
          .Property("ComPort", &TCommunication::ComPort, &TCommunication::SetComPort)
          .Property("RemotePort", &TCommunication::RemotePort, &TCommunication::SetRemotePort)
          .Property("IP", &TCommunication::IP, &TCommunication::SetIP)
          .Property("Speed", TypeCommSpeed(), &TCommunication::Speed, &TCommunication::SetSpeed)
          .Property("ZFlowControl", TypeFlowControl(), &TCommunication::ZFlowControl,
                    &TCommunication::SetZFlowControl)
          .Event("OnChanged")
          .Build();
  return info;
}

TCommunication::TCommunication(int32_t localPort) : localPort_(localPort) {}

void TCommunication::SetCommunicationType(TCommType type) {
  type_ = type;
  if (OnChanged) OnChanged(this);
}

// ---- TCards ----------------------------------------------------------------------------------

const TClassInfo& TCards::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TCards, TComponent>("TCards").Build();
  return info;
}

TCards::TCards(TComponent* owner) : TComponent(owner) {}

std::vector<TMultiCard*> TCards::SubCards() const {
  return platform::OwnedOfClass<TMultiCard>(*this);
}

// ---- TMultiCard ------------------------------------------------------------------------------

const TClassInfo& TMultiCard::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TMultiCard, TComponent>("TMultiCard")
          .Property("Communicate", [](TMultiCard& c) { return &c.Communicate(); }, nullptr)
          .Property("Address", &TMultiCard::Address, &TMultiCard::SetAddress)
          .Property("Text", &TMultiCard::Text, &TMultiCard::SetText)
          .Property("PropertyTable", [](TMultiCard& c) { return &c.PropertyTable(); }, nullptr)
          .Build();
  return info;
}

TMultiCard::TMultiCard(TComponent* owner) : TComponent(owner) {
  static const std::vector<std::string> rows = Gbk({
      "Address|控制卡地址",
      "TCommunication|请选择通讯参数",
      "Communicate|通讯参数",
      "ctCom|串行通讯", "ctNetWork|网络通讯",
      "fcNone|无", "fcHardWare|CTS、RTS流控制",
      "cs9600|9600 bps", "cs14400|14400 bps", "cs19200|19200 bps", "cs38400|38400 bps",
      "cs57600|57600 bps",
      "Communicate.CommunicationType|通讯方式|$000000F0",
      "True|是", "False|否",
  });
  AddRows(table_, rows);
  communicate_.OnChanged = [this](platform::TObject*) { RefreshPropertyTable(); };
  RefreshPropertyTable();
}

void TMultiCard::RefreshPropertyTable() { ShowLinkRows(table_, communicate_); }

// ---- TLEDScreen ------------------------------------------------------------------------------

const TClassInfo& TLEDScreen::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TLEDScreen, platform::TWinControl>("TLEDScreen")
          .Property("ScreenWidth", &TLEDScreen::ScreenWidth, &TLEDScreen::SetScreenWidth)
          .Property("ScreenHeight", &TLEDScreen::ScreenHeight, &TLEDScreen::SetScreenHeight)
          .Property("Text", &TLEDScreen::Text, &TLEDScreen::SetText)
          .Property("Address", &TLEDScreen::Address, &TLEDScreen::SetAddress)
          .Property("Communicate", [](TLEDScreen& s) { return &s.Communicate(); }, nullptr)
          .Property("PropertyTable", [](TLEDScreen& s) { return &s.PropertyTable(); }, nullptr)
          .Property("Status", &TLEDScreen::Status, &TLEDScreen::SetStatus)
          .Property("Power", &TLEDScreen::Power, &TLEDScreen::SetPower)
          .Property("Bright", &TLEDScreen::Bright, &TLEDScreen::SetBright)
          .Property("Relation", TypeRelation(), &TLEDScreen::Relation, &TLEDScreen::SetRelation)
          // The getter makes a missing container; the setter takes nothing, so the container
          // is only ever edited in place.
          .Property("Cards", [](TLEDScreen& s) { return &s.Cards(); },
                    [](TLEDScreen&, TCards*) {})
          .Build();
  return info;
}

namespace {
std::atomic<uint64_t> gLastScreenIdentity{0};
}

TLEDScreen::TLEDScreen(TComponent* owner) : TWinControl(owner), identity_(++gLastScreenIdentity) {
  static const std::vector<std::string> rows = Gbk({
      "Address|控制卡地址|$000000F0",
      "ScreenWidth|宽度",
      "ScreenHeight|高度",
      "TCommunication|请选择通讯参数",
      "Communicate|通讯参数|$000000F0",
      "Relation|级联模式",
      "TCards|点击按钮编辑子卡参数",
      "ctCom|串行通讯", "ct485|485通讯", "ctNetWork|网络通讯",
      "fcNone|无", "fcHardWare|CTS、RTS流控制",
      "cs9600|9600 bps", "cs14400|14400 bps", "cs19200|19200 bps", "cs38400|38400 bps",
      "cs57600|57600 bps",
      "Communicate.CommunicationType|通讯方式|$000000F0",
      "link_None|独立使用", "link_Multi|多卡级连",
      "True|是", "False|否",
  });
  SetBounds(0, 0, screenWidth_, screenHeight_);
  platform::StoreU16(&paramBlock_[0], uint16_t(screenWidth_));
  platform::StoreU16(&paramBlock_[2], uint16_t(screenHeight_));
  platform::StoreU16(&paramBlock_[4], 2);   // two colours
  platform::StoreU16(&paramBlock_[6], 50);  // the preview's step time

  AddRows(table_, rows);
  communicate_.OnChanged = [this](platform::TObject*) { RefreshPropertyTable(); };
  RefreshPropertyTable();

  ParentToOwner(*this, owner);
  if (LoadMode() == LoadModeNormal) (new TCards(this))->SetName("MulCard");
}

void TLEDScreen::RefreshPropertyTable() { ShowLinkRows(table_, communicate_); }

void TLEDScreen::SetRelation(TRelation relation) {
  table_.RemoveLine(CardsRow());
  if (relation == link_Multi)
    table_.Insert(std::min(CardsRowIndex, table_.Count()), CardsRow());
  relation_ = relation;
}

TCards& TLEDScreen::Cards() {
  for (TComponent* c : OwnedComponents())
    if (auto* cards = dynamic_cast<TCards*>(c)) return *cards;
  auto* cards = new TCards(this);
  cards->SetName("MultiCard");
  return *cards;
}

std::vector<TLeaf*> TLEDScreen::Pages() const { return platform::OwnedOfClass<TLeaf>(*this); }

int TLEDScreen::ColorMode() const { return platform::LoadU16(&paramBlock_[4]); }
int TLEDScreen::StepTime() const { return platform::LoadU16(&paramBlock_[6]); }

// ---- TLeaf -----------------------------------------------------------------------------------

const TClassInfo& TLeaf::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TLeaf, platform::TWinControl>("TLeaf")
          .Property("Text", &TLeaf::Text, &TLeaf::SetText)
          .Property("DisplayTime", &TLeaf::DisplayTime, &TLeaf::SetDisplayTime)
          .Property("PropertyTable", [](TLeaf& l) { return &l.PropertyTable(); }, nullptr)
          .Property("Active", &TLeaf::Active, &TLeaf::SetActive)
          .StreamProperty<TProgramStream>("RecordSelf", &TLeaf::SetRecordSelf)
          .Build();
  return info;
}

TLeaf::TLeaf(TComponent* owner) : TWinControl(owner), repaintTimer_(TimerClock()) {
  static const std::string row = platform::Utf8ToGbk("DisplayTime|页面显示时间(秒)|$000000F0");
  table_.Add(row);
  ParentToOwner(*this, owner);
  SetAlign(platform::alClient);
  repaintTimer_.SetInterval(RepaintInterval);
  repaintTimer_.SetOnTimer([this] { RepaintTick(); });
  repaintTimer_.SetEnabled(true);
}

uint32_t TLeaf::DisplayTimeMs() const {
  const uint64_t ms = uint64_t(displayTime_) * 1000;
  return uint32_t(std::min<uint64_t>(ms, std::numeric_limits<uint32_t>::max()));
}

void TLeaf::SetActive(bool active) {
  active_ = active;
  repaintTimer_.SetEnabled(active && Visible());
}

void TLeaf::VisibleChanged() { repaintTimer_.SetEnabled(Visible()); }

void TLeaf::RepaintTick() {
  // A page no view shows has nothing to repaint: its timer stops until the page is shown and
  // made active again. A project of many pages would otherwise tick every page 20 times a
  // second and keep a core busy.
  if (!InView()) {
    repaintTimer_.SetEnabled(false);
    return;
  }
  // Only what changed: repainting every object 20 times a second costs a share of a core for
  // pages that stand still but for a clock.
  for (auto* object : platform::OwnedOfClass<platform::TGraphicControl>(*this))
    if (object->PictureDue()) object->Invalidate();
  repaintTimer_.SetEnabled(Visible());
}

void TLeaf::SetRecordSelf(TProgramStream* stream) {
  if (!stream) return;
  std::vector<TRecordWriter> objects;
  for (auto* object : platform::OwnedOfClass<platform::TGraphicControl>(*this))
    if (PublishesRecordSelf(*object))
      objects.push_back([object](TProgramStream& s) { model::SetRecordSelf(*object, s); });
  WritePageRecord(DisplayTimeMs(), objects, *stream);
}

// ---- TConstructer ----------------------------------------------------------------------------

const TClassInfo& TConstructer::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TConstructer, platform::TWinControl>("TConstructer")
          .Property("Modify", &TConstructer::Modify, &TConstructer::SetModify)
          .Property("ScreenCount", &TConstructer::ScreenCount, nullptr)
          .Event("OnStatusChanged")
          .Event("OnParamChanged")
          .Build();
  return info;
}

TConstructer::TConstructer(TComponent* owner)
    : TWinControl(owner),
      sendTimer_(TimerClock()),
      window_([this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return HandleMessage(message, wParam, lParam);
      }) {
  sendTimer_.SetEnabled(false);
  sendTimer_.SetInterval(SendTimerInterval);
  sendTimer_.SetOnTimer([this] { SendTimerTick(); });
  // The texts take the numbers of the components' own names.
  const int screenNumber = NameNumber(*this, TLEDScreen::StaticClassInfo());
  auto* screen = new TLEDScreen(this);
  screen->SetName(NumberedName(TLEDScreen::StaticClassInfo(), screenNumber));
  screen->SetText(ScreenTextPrefix() + std::to_string(screenNumber));
  const int pageNumber = NameNumber(*this, TLeaf::StaticClassInfo());
  auto* page = new TLeaf(screen);
  page->SetName(NumberedName(TLeaf::StaticClassInfo(), pageNumber));
  page->SetText(PageTextPrefix() + std::to_string(pageNumber));
}

std::vector<TLEDScreen*> TConstructer::Screens() const {
  return platform::OwnedOfClass<TLEDScreen>(*this);
}

int TConstructer::ScreenCount() const { return int(Screens().size()); }

TLEDScreen* TConstructer::GetScreen(int index) const {
  const auto screens = Screens();
  if (index < 0 || index >= int(screens.size())) return nullptr;
  return screens[size_t(index)];
}

TLEDScreen* TConstructer::FindScreen(std::string_view text) const {
  for (TLEDScreen* screen : Screens())
    if (platform::GbkSameText(screen->Text(), text)) return screen;
  return nullptr;
}

TLeaf* TConstructer::GetLeaf(int screen, int page) const {
  TLEDScreen* s = GetScreen(screen);
  if (!s) return nullptr;
  const auto pages = s->Pages();
  if (page < 0 || page >= int(pages.size())) return nullptr;
  return pages[size_t(page)];
}

int TConstructer::GetLeafCount(int screen) const {
  TLEDScreen* s = GetScreen(screen);
  return s ? int(s->Pages().size()) : 0;
}

TLeaf* TConstructer::NewLeaf(TLEDScreen& screen) {
  const int number = NameNumber(*this, TLeaf::StaticClassInfo());
  const int textNumber = IDCreater().NewTextNumber(*this, PageTextPrefix());
  auto* page = new TLeaf(&screen);
  page->SetName(NumberedName(TLeaf::StaticClassInfo(), number));
  page->SetText(PageTextPrefix() + std::to_string(textNumber));
  return page;
}

TLEDScreen* TConstructer::AddScreen(std::string_view text) {
  const int number = NameNumber(*this, TLEDScreen::StaticClassInfo());
  std::string screenText(text);
  if (screenText.empty()) {
    const int textNumber = IDCreater().NewTextNumber(*this, ScreenTextPrefix());
    screenText = ScreenTextPrefix() + std::to_string(textNumber);
  }
  auto* screen = new TLEDScreen(this);
  screen->SetName(NumberedName(TLEDScreen::StaticClassInfo(), number));
  screen->SetText(screenText);
  NewLeaf(*screen);
  modify_ = true;
  return screen;
}

TLeaf* TConstructer::AddLeaf(int screen) {
  TLEDScreen* s = GetScreen(screen);
  if (!s) return nullptr;
  TLeaf* page = NewLeaf(*s);
  modify_ = true;
  return page;
}

void TConstructer::DeleteScreen(int screen) { delete GetScreen(screen); }

void TConstructer::DeleteLeaf(int screen, int page) { delete GetLeaf(screen, page); }

bool TConstructer::SaveToFile(const std::string& fileName, const TComponentManager& registry) {
  // The writer reads Cards like any property; made during the write, a container would get
  // its Cards lines but not its block.
  for (TLEDScreen* screen : Screens()) screen->Cards();
  TDFMStream text;
  if (!SaveObjectText(*this, text, registry, false)) return false;
  return text.SaveToFile(platform::OsPathFromGbk(fileName));
}

bool TConstructer::LoadFromFile(const std::string& fileName, const TComponentManager& registry) {
  std::string bytes;
  if (!platform::ReadWholeFile(platform::OsPathFromGbk(fileName), bytes)) return false;
  if (bytes.size() > size_t(std::numeric_limits<int32_t>::max())) return false;
  TDFMStream text;
  if (text.Write(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size())) return false;
  bytes = std::string();

  DestroyComponents();
  bool loaded;
  {
    TLoadModeScope reading;
    // A text without any block is no project, and would leave the editor without a screen.
    loaded = ReadObjectText(*this, *this, text, registry, false) && ComponentCount() > 0 &&
             IsValidTree(*this, registry);
    if (!loaded) {
      DestroyComponents();
      AddScreen("");
    }
  }
  for (TLEDScreen* screen : Screens()) screen->SetStatus(TLEDScreen::StatusNotKnown);
  return loaded;
}

// ---- Card operations -------------------------------------------------------------------------

using cardlink::TDeviceRecord;
using cardlink::TLEDManager;
using cardlink::TNotifyRecord;

// Queues one command on an open device to a card (address, remote port, IP).
using TQueueCommand = std::function<bool(TLEDManager& manager, int device, uint8_t address,
                                         int port, std::string_view ip)>;

struct TCardCommand {
  int32_t Busy = ssNotKnown;
  // Send and download: a screen already in Busy is left alone; otherwise its retry count
  // starts again.
  bool SkipWhenBusy = false;
  // The sub-cards of a cascade screen get the command before the screen.
  bool SubCardsFirst = false;
  // The brightness schedule: a sub-card's open leaves the screen's Status alone, and the first
  // one that fails ends the sub-cards.
  bool QuietSubCards = false;
  TQueueCommand Queue;
};

namespace {

// The caller's part of the device record; the manager fills the rest.
TDeviceRecord DeviceRecordOf(const TCommunication& link) {
  TDeviceRecord r{};
  r.LinkKind = int32_t(link.CommunicationType());
  r.SpeedIndex = int32_t(link.Speed());
  r.ComPort = link.ComPort();
  r.Handshake = int32_t(link.ZFlowControl());
  r.LocalPort = link.LocalPort();
  return r;
}

TCardCommand Command(int32_t busy, TQueueCommand queue, bool subCardsFirst = false) {
  TCardCommand c;
  c.Busy = busy;
  c.SubCardsFirst = subCardsFirst;
  c.Queue = std::move(queue);
  return c;
}

// A command without a value or payload of the caller's.
using TPlainSender = bool (TLEDManager::*)(int, uint8_t, int, std::string_view);

TCardCommand Command(int32_t busy, TPlainSender sender, bool subCardsFirst = false) {
  return Command(
      busy,
      [sender](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return (m.*sender)(d, a, p, ip);
      },
      subCardsFirst);
}

TCardCommand ParamsHandshake(int32_t busy) {
  TCardCommand c = Command(busy, &TLEDManager::GetParams);
  c.SkipWhenBusy = true;
  return c;
}

TCardCommand CampaignTimeCommand() {
  return Command(
      ssSettingClock,
      [](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return m.SetCampaignTime(d, a, CampaignTime(), p, ip);
      },
      true);
}

TCardCommand SetPowerCommand(int32_t on) {
  return Command(
      ssSettingPower,
      [on](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return m.SetPower(d, a, uint32_t(on), p, ip);
      },
      true);
}

TCardCommand SetBrightCommand(int32_t level) {
  return Command(
      ssSettingBright,
      [level](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return m.SetBrightness(d, a, uint32_t(level), p, ip);
      },
      true);
}

TCardCommand WritePowerScheduleCommand(
    std::span<const uint8_t, TLEDScreen::PowerScheduleSize> schedule) {
  std::array<uint8_t, TLEDScreen::PowerScheduleSize> block;
  std::copy(schedule.begin(), schedule.end(), block.begin());
  return Command(
      ssWritingPowerSchedule,
      [block](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return m.SetAutoClose(d, a, block, p, ip);
      },
      true);
}

TCardCommand WriteBrightScheduleCommand(
    std::span<const uint8_t, TLEDScreen::BrightScheduleSize> schedule) {
  std::array<uint8_t, TLEDScreen::BrightScheduleSize> block;
  std::copy(schedule.begin(), schedule.end(), block.begin());
  TCardCommand c = Command(
      ssWritingBrightSchedule,
      [block](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
        return m.SetAutoBright(d, a, block, p, ip);
      },
      true);
  c.QuietSubCards = true;
  return c;
}

TCardCommand FreeCommand(uint16_t kind) {
  return Command(ssReadingDisplay,
                 [kind](TLEDManager& m, int d, uint8_t a, int p, std::string_view ip) {
                   return m.SendCommand(d, a, kind, p, ip);
                 });
}

std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

void TConstructer::SendScreens(std::string_view text) {
  RunCommand(text, ParamsHandshake(ssReadingForSend));
}
void TConstructer::SendScreens(TLEDScreen& screen) {
  RunCommand(screen, ParamsHandshake(ssReadingForSend));
}
void TConstructer::DownloadScreens(std::string_view text) {
  RunCommand(text, ParamsHandshake(ssReadingForDownload));
}
void TConstructer::DownloadScreens(TLEDScreen& screen) {
  RunCommand(screen, ParamsHandshake(ssReadingForDownload));
}
void TConstructer::AdjustTime(std::string_view text) {
  RunCommand(text, Command(ssSettingClock, &TLEDManager::AdjustTime, true));
}
void TConstructer::AdjustTime(TLEDScreen& screen) {
  RunCommand(screen, Command(ssSettingClock, &TLEDManager::AdjustTime, true));
}
void TConstructer::SendTimeRecord(std::string_view text) {
  RunCommand(text, CampaignTimeCommand());
}
void TConstructer::SendTimeRecord(TLEDScreen& screen) { RunCommand(screen, CampaignTimeCommand()); }
void TConstructer::SetPower(std::string_view text, int32_t on) {
  RunCommand(text, SetPowerCommand(on));
}
void TConstructer::SetPower(TLEDScreen& screen, int32_t on) {
  RunCommand(screen, SetPowerCommand(on));
}
void TConstructer::ReadPower(std::string_view text) {
  RunCommand(text, Command(ssReadingPower, &TLEDManager::GetPower));
}
void TConstructer::ReadPower(TLEDScreen& screen) {
  RunCommand(screen, Command(ssReadingPower, &TLEDManager::GetPower));
}
void TConstructer::SetBright(std::string_view text, int32_t level) {
  RunCommand(text, SetBrightCommand(level));
}
void TConstructer::SetBright(TLEDScreen& screen, int32_t level) {
  RunCommand(screen, SetBrightCommand(level));
}
void TConstructer::ReadBright(std::string_view text) {
  RunCommand(text, Command(ssReadingBright, &TLEDManager::GetBrightness));
}
void TConstructer::ReadBright(TLEDScreen& screen) {
  RunCommand(screen, Command(ssReadingBright, &TLEDManager::GetBrightness));
}
void TConstructer::ReadParams(std::string_view text) {
  RunCommand(text, Command(ssReadingParams, &TLEDManager::GetParams));
}
void TConstructer::ReadParams(TLEDScreen& screen) {
  RunCommand(screen, Command(ssReadingParams, &TLEDManager::GetParams));
}
void TConstructer::ReadPowerSchedule(std::string_view text) {
  RunCommand(text, Command(ssReadingPowerSchedule, &TLEDManager::GetAutoClose));
}
void TConstructer::ReadPowerSchedule(TLEDScreen& screen) {
  RunCommand(screen, Command(ssReadingPowerSchedule, &TLEDManager::GetAutoClose));
}
void TConstructer::WritePowerSchedule(
    std::string_view text, std::span<const uint8_t, TLEDScreen::PowerScheduleSize> schedule) {
  RunCommand(text, WritePowerScheduleCommand(schedule));
}
void TConstructer::WritePowerSchedule(
    TLEDScreen& screen, std::span<const uint8_t, TLEDScreen::PowerScheduleSize> schedule) {
  RunCommand(screen, WritePowerScheduleCommand(schedule));
}
void TConstructer::ReadBrightSchedule(std::string_view text) {
  RunCommand(text, Command(ssReadingBrightSchedule, &TLEDManager::GetAutoBright));
}
void TConstructer::ReadBrightSchedule(TLEDScreen& screen) {
  RunCommand(screen, Command(ssReadingBrightSchedule, &TLEDManager::GetAutoBright));
}
void TConstructer::WriteBrightSchedule(
    std::string_view text, std::span<const uint8_t, TLEDScreen::BrightScheduleSize> schedule) {
  RunCommand(text, WriteBrightScheduleCommand(schedule));
}
void TConstructer::WriteBrightSchedule(
    TLEDScreen& screen, std::span<const uint8_t, TLEDScreen::BrightScheduleSize> schedule) {
  RunCommand(screen, WriteBrightScheduleCommand(schedule));
}
void TConstructer::SendCommand(std::string_view text, uint16_t kind) {
  RunCommand(text, FreeCommand(kind));
}
void TConstructer::SendCommand(TLEDScreen& screen, uint16_t kind) {
  RunCommand(screen, FreeCommand(kind));
}

TLEDScreen* TConstructer::ScreenByIdentity(uint64_t identity) const {
  for (TLEDScreen* screen : Screens())
    if (screen->Identity() == identity) return screen;
  return nullptr;
}

bool TConstructer::OwnsScreen(const TLEDScreen& screen) const {
  return ScreenByIdentity(screen.Identity()) != nullptr;
}

void TConstructer::StatusChanged(TLEDScreen& screen) {
  if (OnStatusChanged) OnStatusChanged(&screen);
}

void TConstructer::ChangeStatus(TLEDScreen& screen, int32_t status) {
  screen.SetStatus(status);
  StatusChanged(screen);
}

void TConstructer::RunCommand(std::string_view text, const TCardCommand& command) {
  // By identity: opening a link may deliver other notifications meanwhile.
  std::vector<uint64_t> targets;
  if (text.empty()) {
    for (TLEDScreen* screen : Screens()) targets.push_back(screen->Identity());
  } else if (TLEDScreen* screen = FindScreen(text)) {
    targets.push_back(screen->Identity());
  }
  for (uint64_t identity : targets) RunOnScreen(identity, command);
}

void TConstructer::RunCommand(TLEDScreen& screen, const TCardCommand& command) {
  if (OwnsScreen(screen)) RunOnScreen(screen.Identity(), command);
}

int TConstructer::OpenLink(TCommunication& link) {
  TLEDManager* manager = LEDManager();
  if (!manager) return -1;
  TDeviceRecord record = DeviceRecordOf(link);
  // Any free port: reopen the device that port 0 got last time, while it is still open, rather
  // than binding yet another socket whose notifications no screen would match.
  const bool anyPort = link.CommunicationType() == ctNetWork && link.LocalPort() == 0;
  if (anyPort && link.BoundDevice() >= 0) {
    const cardlink::TDeviceEntry* device = manager->GetDevice(link.BoundDevice());
    if (device && device->Record.LinkKind == int32_t(ctNetWork) &&
        device->Record.LocalPort == link.BoundPort())
      record.LocalPort = link.BoundPort();
    else
      link.SetBound(-1, 0);
  }
  const int index = manager->OpenDevice(record, 1, window_.Handle(), WM_DEVICE_NOTIFY);
  if (anyPort) {
    const cardlink::TDeviceEntry* device = index >= 0 ? manager->GetDevice(index) : nullptr;
    if (device)
      link.SetBound(index, device->Record.LocalPort);
    else
      link.SetBound(-1, 0);
  }
  return index;
}

void TConstructer::RunOnScreen(uint64_t identity, const TCardCommand& command) {
  TLEDScreen* screen = ScreenByIdentity(identity);
  if (!screen) return;
  if (command.SkipWhenBusy) {
    if (screen->Status() == command.Busy) return;
    screen->SetTag(0);
  }
  // Queues on `link`'s device (already open as `device`) and reports the busy status.
  auto queue = [&](int device, int32_t address, const TCommunication& link, bool quiet) {
    TLEDManager* manager = LEDManager();
    if (!quiet) screen->SetStatus(command.Busy);
    if (manager) command.Queue(*manager, device, uint8_t(address), link.RemotePort(), link.IP());
    if (!quiet) StatusChanged(*screen);
  };

  if (command.SubCardsFirst && screen->Relation() == link_Multi) {
    for (TMultiCard* card : screen->Cards().SubCards()) {
      const int device = OpenLink(card->Communicate());
      if (!(screen = ScreenByIdentity(identity))) return;
      if (device < 0) {
        ChangeStatus(*screen, ssPortError);
        if (command.QuietSubCards) break;
      } else {
        queue(device, card->Address(), card->Communicate(), command.QuietSubCards);
      }
      if (!(screen = ScreenByIdentity(identity))) return;
    }
  }

  const int device = OpenLink(screen->Communicate());
  if (!(screen = ScreenByIdentity(identity))) return;
  if (device < 0)
    ChangeStatus(*screen, ssPortError);
  else
    queue(device, screen->Address(), screen->Communicate(), false);
}

intptr_t TConstructer::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_DEVICE_NOTIFY:
      if (wParam) {
        // The link thread's record, valid while we handle it; its data pointer too.
        const TNotifyRecord record = *reinterpret_cast<const TNotifyRecord*>(wParam);
        DeviceNotify(record);
      }
      break;
    case WM_SEND_SCREEN:
      SendScreen(wParam, uint64_t(lParam));
      break;
    case WM_SIMULATE_DATA:
      SimulateData();
      break;
    default:
      break;
  }
  return 0;
}

void TConstructer::DeviceNotify(const TNotifyRecord& record) {
  TLEDScreen* screen = FindNotifiedScreen(Screens(), record);
  if (!screen) return;
  const uint64_t identity = screen->Identity();
  const TStatusStep step =
      NextStatusStep(record, screen->Status(), screen->Tag(), screen->Relation() == link_Multi);
  // Whatever happens below, a time-out or a finished transfer lets the next screen start.
  struct TRearm {
    TConstructer& Root;
    bool On;
    ~TRearm() {
      if (On) Root.EnableSendTimer();
    }
  } rearm{*this, step.EnableTimer};

  const std::span<const uint8_t> data = NotifiedData(record);
  switch (step.Block) {
    case abParams:
      CopyAnswer(screen->ParamBlock(), data);
      break;
    case abPowerSchedule:
      CopyAnswer(screen->PowerSchedule(), data);
      break;
    case abBrightSchedule:
      CopyAnswer(screen->BrightSchedule(), data);
      break;
    case abAnswerBlock:
      CopyAnswer(screen->AnswerBlock(), data);
      break;
    case abNone:
      break;
  }
  if (step.Power) screen->SetPower(*step.Power);
  if (step.Bright) screen->SetBright(*step.Bright);
  if (step.Status) screen->SetStatus(*step.Status);

  switch (step.Action) {
    case saAskSimulate:
    case saAskSave:
      StatusChanged(*screen);
      if (!OfferReceivedData(identity, step.Action == saAskSimulate, data)) return;
      break;
    case saCascade: {
      const int device = OpenLink(screen->Communicate());
      if (!(screen = ScreenByIdentity(identity))) return;
      if (device < 0) {
        ChangeStatus(*screen, ssPortError);
      } else if (TLEDManager* manager = LEDManager()) {
        const TCommunication& link = screen->Communicate();
        manager->SendCascade(device, uint8_t(screen->Address()), link.RemotePort(), link.IP());
      }
      break;
    }
    case saRetryParams: {
      const int32_t waiting = screen->Status();
      const int32_t tag = screen->Tag();
      // This screen's own card, whatever other screen shares its Text.
      ReadParams(*screen);
      if (!(screen = ScreenByIdentity(identity))) return;
      // A link that cannot be opened any more gives no notification to wait for: it stays in 0.
      if (screen->Status() != ssPortError) screen->SetStatus(waiting);
      screen->SetTag(tag + 1);
      break;
    }
    case saNone:
      break;
  }
  if ((screen = ScreenByIdentity(identity))) StatusChanged(*screen);
}

bool TConstructer::OfferReceivedData(uint64_t identity, bool program,
                                     std::span<const uint8_t> data) {
  TLEDScreen* screen = ScreenByIdentity(identity);
  if (!screen) return false;
  const std::string question =
      program ? SimulateQuestion(screen->Text()) : SaveQuestion(screen->Text());
  const bool yes = prompts_ && prompts_->AskYesNo(QuestionCaption(), question);
  // Other notifications and timers ran inside the question: the screen may be gone.
  if (!ScreenByIdentity(identity)) return false;
  if (!yes) return true;
  if (program) {
    // The bytes go with the message, not through the shared preview stream: a preview that
    // is open while this one waits keeps its own program.
    readBacks_.push_back({identity, std::vector<uint8_t>(data.begin(), data.end())});
    platform::PostMessageTo(window_.Handle(), WM_SIMULATE_DATA);
    return false;
  }
  const std::optional<std::string> path = prompts_->AskSaveFileName(SaveFilter(), SaveFileName());
  std::string error;
  if (path &&
      !platform::SaveFileAtomic(platform::OsPathFromGbk(*path), data.data(), data.size(), &error))
    throw EFCreateError("Cannot create file " + Quote(*path) + ". " + error);
  return false;
}

void TConstructer::SendTimerTick() {
  sendTimer_.SetEnabled(false);
  for (TLEDScreen* screen : Screens()) {
    const int32_t status = screen->Status();
    if (status != ssWaitingToSend && status != ssWaitingToDownload) continue;
    platform::PostMessageTo(window_.Handle(), WM_SEND_SCREEN, status == ssWaitingToDownload ? 1 : 0,
                            intptr_t(screen->Identity()));
    return;
  }
}

void TConstructer::SendScreen(uintptr_t download, uint64_t identity) {
  // Unless the screen's own transfer gets queued, the timer must look again: only notifications
  // enable it, and screens waiting in 34/35 would otherwise wait for ever.
  bool queued = false;
  struct TRearm {
    TConstructer& Root;
    const bool& Queued;
    ~TRearm() {
      if (!Queued) Root.EnableSendTimer();
    }
  } rearm{*this, queued};

  TLEDScreen* screen = ScreenByIdentity(identity);
  if (!screen) return;
  stream_.Clear();
  ChangeStatus(*screen, ssBuilding);
  if (!(screen = ScreenByIdentity(identity))) return;

  const int mode = screen->ColorMode();
  bool built = false;
  try {
    built = WriteProgramRecords(*screen, download ? rkDownloadHeader : rkSendHeader, stream_, mode);
  } catch (...) {
    // Not sent: the screen is idle again, and whoever shows errors says why.
    stream_.Clear();
    ChangeStatus(*screen, ssNotKnown);
    throw;
  }
  if (!built) {
    const std::string reason = ValidColorMode(mode)
                                   ? "Screen " + Quote(screen->Text()) + " has no pages to send."
                                   : "The card of screen " + Quote(screen->Text()) +
                                         " reports colour mode " + std::to_string(mode) +
                                         "; programs are built for modes 1 to 4.";
    stream_.Clear();
    ChangeStatus(*screen, ssNotKnown);
    throw ECardOperationError(reason);
  }
  ChangeStatus(*screen, ssSending);

  // A copy: opening a link may run other messages, a send among them, which rebuilds stream_.
  const std::vector<uint8_t> program = stream_.Bytes();
  auto send = [&](int device, int32_t address, const TCommunication& link) {
    TLEDManager* manager = LEDManager();
    if (manager &&
        manager->SendData(device, program, link.RemotePort(), link.IP(), uint8_t(address)) >= 0)
      return;
    ChangeStatus(*screen, ssNotKnown);
    throw ECardOperationError("The program of screen " + Quote(screen->Text()) + " (" +
                              std::to_string(program.size()) +
                              " bytes) cannot be queued to its card.");
  };

  if (!(screen = ScreenByIdentity(identity))) return;
  if (screen->Relation() == link_Multi) {
    for (TMultiCard* card : screen->Cards().SubCards()) {
      const int device = OpenLink(card->Communicate());
      if (!(screen = ScreenByIdentity(identity))) return;
      if (device < 0) {
        ChangeStatus(*screen, ssPortError);
        return;
      }
      send(device, card->Address(), card->Communicate());
    }
  }
  const int device = OpenLink(screen->Communicate());
  if (!(screen = ScreenByIdentity(identity))) return;
  if (device < 0) {
    ChangeStatus(*screen, ssPortError);
    return;
  }
  send(device, screen->Address(), screen->Communicate());
  queued = true;
}

void TConstructer::SimulateData() {
  if (readBacks_.empty()) return;
  const TReadBack readBack = std::move(readBacks_.front());
  readBacks_.pop_front();
  // Shown with the size and parameters of the screen it came from; nothing once that is gone.
  const TLEDScreen* source = ScreenByIdentity(readBack.Screen);
  if (source && prompts_) prompts_->ShowPreview(*source, readBack.Program);
}

}  // namespace model
