#include "FormConstructEx.h"

#include <algorithm>
#include <limits>

#include "model/DFMStream.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "model/ProgramRecords.h"
#include "model/TimerClock.h"
#include "model/stream/PageRecord.h"
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

TLEDScreen::TLEDScreen(TComponent* owner) : TWinControl(owner) {
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
  for (auto* object : platform::OwnedOfClass<platform::TGraphicControl>(*this))
    object->Invalidate();
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

TConstructer::TConstructer(TComponent* owner) : TWinControl(owner) {
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
    loaded = ReadObjectText(*this, *this, text, registry, false) && IsValidTree(*this, registry);
    if (!loaded) {
      DestroyComponents();
      AddScreen("");
    }
  }
  for (TLEDScreen* screen : Screens()) screen->SetStatus(TLEDScreen::StatusNotKnown);
  return loaded;
}

}  // namespace model
