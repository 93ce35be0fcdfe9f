// The project tree: construction, names, defaults, property tables, tree operations, load mode
// and the pages' repaint timer.
#include "model/FormConstructEx.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "TreeFixtures.h"
#include "model/LoadMode.h"
#include "model/TimerClock.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "platform/component/ClassInfo.h"

using namespace model;
using platform::Utf8ToGbk;

namespace {

using Rows = std::vector<std::string>;

Rows RowsOf(const TBasePropertyTable& table) { return Rows(table.begin(), table.end()); }

Rows Gbk(std::initializer_list<const char*> utf8) {
  Rows rows;
  for (const char* r : utf8) rows.push_back(Utf8ToGbk(r));
  return rows;
}

Rows Concat(std::initializer_list<Rows> parts) {
  Rows all;
  for (const Rows& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Rows kScreenRows = Gbk({
    "Text|名称",
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

const Rows kSubCardRows = Gbk({
    "Text|名称",
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

const Rows kSerialRows = Gbk({"Communicate.ComPort|串口号|$000000F0",
                              "Communicate.Speed|波特率|$000000F0",
                              "Communicate.ZFlowControl|流控制|$000000F0"});
const Rows kNetworkRows = Gbk({"Communicate.IP|IP地址|$000000F0",
                               "Communicate.RemotePort|远程端口号|$000000F0",
                               "Communicate.LocalPort|本地端口号|$000000F0"});
const std::string kCardsRow = Utf8ToGbk("Cards|子卡参数|$00808000");

std::vector<platform::TComponent*> OwnedCards(const TLEDScreen& screen) {
  std::vector<platform::TComponent*> found;
  for (auto* c : platform::OwnedOfClass<TCards>(screen)) found.push_back(c);
  return found;
}

// The editor runs in the normal load mode; each test starts there.
class Tree : public ::testing::Test {
 protected:
  void SetUp() override { SetLoadMode(LoadModeNormal); }
  void TearDown() override { SetLoadMode(LoadModeNormal); }
};

}  // namespace

TEST_F(Tree, NewRootHoldsOneScreenWithOnePage) {
  TConstructer root(nullptr);
  ASSERT_EQ(root.ScreenCount(), 1);
  EXPECT_EQ(root.ClassInfo().FindProperty("ScreenCount")->GetOrd(root), 1);
  EXPECT_FALSE(root.Modify());
  TLEDScreen* screen = root.GetScreen(0);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->Name(), "LEDScreen0");
  EXPECT_EQ(screen->Text(), Utf8ToGbk("控制卡0"));
  EXPECT_EQ(screen->Owner(), &root);
  EXPECT_EQ(screen->Parent(), &root);
  EXPECT_EQ(screen->Status(), 1);
  ASSERT_EQ(root.GetLeafCount(0), 1);
  TLeaf* page = root.GetLeaf(0, 0);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Name(), "Leaf0");
  EXPECT_EQ(page->Text(), Utf8ToGbk("显示页面0"));
  EXPECT_EQ(page->Owner(), screen);
  EXPECT_EQ(page->Parent(), screen);
  // The page fills its screen.
  EXPECT_EQ(page->Left(), 0);
  EXPECT_EQ(page->Width(), 512);
  EXPECT_EQ(page->Height(), 256);

  // The container comes first in the screen's ownership order, as the object text has it.
  ASSERT_EQ(screen->ComponentCount(), 2);
  auto* cards = dynamic_cast<TCards*>(screen->Components(0));
  ASSERT_NE(cards, nullptr);
  EXPECT_EQ(cards->Name(), "MulCard");
  EXPECT_TRUE(cards->SubCards().empty());
  EXPECT_EQ(&screen->Cards(), cards);

  EXPECT_EQ(root.GetScreen(1), nullptr);
  EXPECT_EQ(root.GetScreen(-1), nullptr);
  EXPECT_EQ(root.GetLeaf(0, 1), nullptr);
  EXPECT_EQ(root.GetLeaf(1, 0), nullptr);
  EXPECT_EQ(root.GetLeafCount(1), 0);
}

TEST_F(Tree, ANewScreenMakesItsContainerOnlyInTheNormalLoadMode) {
  for (int mode : {LoadModeStart, LoadModeReading}) {
    SetLoadMode(mode);
    TConstructer root(nullptr);
    TLEDScreen* screen = root.GetScreen(0);
    EXPECT_TRUE(OwnedCards(*screen).empty()) << "mode " << mode;
    // Reading Cards makes one, named for being made on demand.
    TCards& cards = screen->Cards();
    EXPECT_EQ(cards.Name(), "MultiCard");
    EXPECT_EQ(OwnedCards(*screen).size(), 1u);
    EXPECT_EQ(&screen->Cards(), &cards);
    // The published getter does the same; the setter takes nothing.
    const auto* prop = screen->ClassInfo().FindProperty("Cards");
    EXPECT_EQ(prop->GetObject(*screen), &cards);
    TCards other(nullptr);
    prop->SetObject(*screen, &other);
    EXPECT_EQ(&screen->Cards(), &cards);
  }
}

TEST_F(Tree, ScreenDefaultsAndBlocks) {
  TLEDScreen screen(nullptr);
  EXPECT_EQ(screen.Parent(), nullptr);
  EXPECT_EQ(screen.ScreenWidth(), 512);
  EXPECT_EQ(screen.ScreenHeight(), 256);
  EXPECT_EQ(screen.Width(), 512);
  EXPECT_EQ(screen.Height(), 256);
  EXPECT_EQ(screen.Address(), 0);
  EXPECT_EQ(screen.Status(), 1);
  EXPECT_EQ(screen.Power(), 1);
  EXPECT_EQ(screen.Bright(), 7);
  EXPECT_EQ(screen.Relation(), link_None);
  const TCommunication& link = screen.Communicate();
  EXPECT_EQ(link.CommunicationType(), ctNetWork);
  EXPECT_EQ(link.LocalPort(), 1025);
  EXPECT_EQ(link.ComPort(), 1);
  EXPECT_EQ(link.RemotePort(), 6666);
  EXPECT_EQ(link.IP(), "192.168.0.99");
  EXPECT_EQ(link.Speed(), cs57600);
  EXPECT_EQ(link.ZFlowControl(), fcNone);

  // The parameter block starts 512, 256, 2, 50; the rest and the other blocks are zero.
  std::vector<uint8_t> param(screen.ParamBlock().begin(), screen.ParamBlock().end());
  std::vector<uint8_t> expected(112, 0);
  expected[0] = 0x00, expected[1] = 0x02, expected[2] = 0x00, expected[3] = 0x01;
  expected[4] = 2, expected[6] = 50;
  EXPECT_EQ(param, expected);
  EXPECT_EQ(screen.ColorMode(), 2);
  EXPECT_EQ(screen.StepTime(), 50);
  EXPECT_EQ(screen.PowerSchedule().size(), 116u);
  EXPECT_EQ(screen.BrightSchedule().size(), 28u);
  EXPECT_EQ(screen.AnswerBlock().size(), 44u);
  for (uint8_t b : screen.PowerSchedule()) EXPECT_EQ(b, 0);
  for (uint8_t b : screen.BrightSchedule()) EXPECT_EQ(b, 0);
  for (uint8_t b : screen.AnswerBlock()) EXPECT_EQ(b, 0);

  // Byte access: what a card answer or a dialog writes is what the readers see.
  platform::StoreU16(&screen.ParamBlock()[4], 3);
  platform::StoreU16(&screen.ParamBlock()[6], 2000);
  EXPECT_EQ(screen.ColorMode(), 3);
  EXPECT_EQ(screen.StepTime(), 2000);
  screen.AnswerBlock()[43] = 0x5A;
  EXPECT_EQ(std::as_const(screen).AnswerBlock()[43], 0x5A);
}

TEST_F(Tree, SubCardDefaults) {
  TCards cards(nullptr);
  auto* card = new TMultiCard(&cards);
  auto* stray = new platform::TComponent(&cards);
  EXPECT_EQ(cards.SubCards(), std::vector<TMultiCard*>{card});
  EXPECT_EQ(card->Address(), 0);
  EXPECT_EQ(card->Communicate().CommunicationType(), ctNetWork);
  EXPECT_EQ(card->Communicate().LocalPort(), 8889);
  EXPECT_EQ(card->Communicate().RemotePort(), 6666);
  EXPECT_EQ(card->Communicate().IP(), "192.168.0.99");
  EXPECT_EQ(RowsOf(card->PropertyTable()), Concat({kSubCardRows, kNetworkRows}));
  delete stray;
}

TEST_F(Tree, PublishedProperties) {
  auto names = [](const platform::TClassInfo& cls) {
    std::vector<std::string> list;
    for (const platform::TPropInfo* p : cls.Properties()) list.push_back(p->Name());
    return list;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(TCommunication::StaticClassInfo()),
            (Names{"CommunicationType", "LocalPort", "ComPort", "RemotePort", "IP", "Speed",
                   "ZFlowControl", "OnChanged"}));
  EXPECT_EQ(names(TLEDScreen::StaticClassInfo()),
            (Names{"Name", "Tag", "Left", "Top", "Width", "Height", "ScreenWidth",
                   "ScreenHeight", "Text", "Address", "Communicate", "PropertyTable", "Status",
                   "Power", "Bright", "Relation", "Cards"}));
  EXPECT_EQ(names(TLeaf::StaticClassInfo()),
            (Names{"Name", "Tag", "Left", "Top", "Width", "Height", "Text", "DisplayTime",
                   "PropertyTable", "Active", "RecordSelf"}));
  EXPECT_EQ(names(TMultiCard::StaticClassInfo()),
            (Names{"Name", "Tag", "Communicate", "Address", "Text", "PropertyTable"}));
  EXPECT_EQ(names(TCards::StaticClassInfo()), (Names{"Name", "Tag"}));
  EXPECT_EQ(names(TConstructer::StaticClassInfo()),
            (Names{"Name", "Tag", "Left", "Top", "Width", "Height", "Modify", "ScreenCount",
                   "OnStatusChanged", "OnParamChanged"}));

  // Types the inspector and the object text go by.
  const auto& screen = TLEDScreen::StaticClassInfo();
  EXPECT_EQ(screen.FindProperty("Relation")->PropType().Name(), "TRelation");
  EXPECT_EQ(screen.FindProperty("Communicate")->PropType().Name(), "TCommunication");
  EXPECT_EQ(screen.FindProperty("Cards")->PropType().Name(), "TCards");
  EXPECT_FALSE(screen.FindProperty("ScreenCount"));
  EXPECT_FALSE(TConstructer::StaticClassInfo().FindProperty("ScreenCount")->IsWritable());
  const auto& page = TLeaf::StaticClassInfo();
  EXPECT_EQ(page.FindProperty("DisplayTime")->PropType().Name(), "Cardinal");
  EXPECT_TRUE(page.FindProperty("RecordSelf")->IsStream());
  const auto& link = TCommunication::StaticClassInfo();
  EXPECT_EQ(link.FindProperty("CommunicationType")->PropType().EnumNames(),
            (Names{"ctCom", "ct485", "ctNetWork"}));
  EXPECT_EQ(link.FindProperty("Speed")->PropType().EnumNames(),
            (Names{"cs9600", "cs14400", "cs19200", "cs38400", "cs57600"}));
  EXPECT_EQ(link.FindProperty("ZFlowControl")->PropType().EnumNames(),
            (Names{"fcNone", "fcHardWare"}));
  EXPECT_EQ(TypeRelation().EnumNames(), (Names{"link_None", "link_Multi"}));
}

TEST_F(Tree, ScreenTableShowsTheRowsOfItsLinkKind) {
  TLEDScreen screen(nullptr);
  EXPECT_EQ(RowsOf(screen.PropertyTable()), Concat({kScreenRows, kNetworkRows}));

  // Each switch, made as the inspector makes it (through the published property path).
  const auto* typeProp = TCommunication::StaticClassInfo().FindProperty("CommunicationType");
  struct TCase {
    TCommType type;
    const Rows& tail;
  };
  for (const TCase& c : {TCase{ctCom, kSerialRows}, TCase{ctNetWork, kNetworkRows},
                         TCase{ct485, kSerialRows}, TCase{ctCom, kSerialRows},
                         TCase{ctNetWork, kNetworkRows}, TCase{ctNetWork, kNetworkRows}}) {
    ASSERT_TRUE(typeProp->SetOrd(screen.Communicate(), c.type));
    EXPECT_EQ(RowsOf(screen.PropertyTable()), Concat({kScreenRows, c.tail}))
        << "after " << int(c.type);
  }
  // The other settings only store.
  screen.Communicate().SetIP("127.0.0.1");
  screen.Communicate().SetSpeed(cs9600);
  EXPECT_EQ(RowsOf(screen.PropertyTable()), Concat({kScreenRows, kNetworkRows}));
  // OnChanged is told the TCommunication.
  platform::TObject* sender = nullptr;
  TCommunication link(5);
  link.OnChanged = [&](platform::TObject* s) { sender = s; };
  link.SetCommunicationType(ctCom);
  EXPECT_EQ(sender, &link);
}

TEST_F(Tree, SubCardTableShowsTheRowsOfItsLinkKind) {
  TMultiCard card(nullptr);
  // A sub-card on RS-485 (from a file: the inspector offers no such row) is on a serial link
  // and shows the serial rows, as a screen does.
  struct TCase {
    TCommType type;
    const Rows& tail;
  };
  for (const TCase& c : {TCase{ctCom, kSerialRows}, TCase{ctNetWork, kNetworkRows},
                         TCase{ct485, kSerialRows}, TCase{ctNetWork, kNetworkRows}}) {
    card.Communicate().SetCommunicationType(c.type);
    EXPECT_EQ(RowsOf(card.PropertyTable()), Concat({kSubCardRows, c.tail}))
        << "after " << int(c.type);
  }
}

TEST_F(Tree, RelationShowsTheSubCardRowAtIndexSeven) {
  TLEDScreen screen(nullptr);
  const Rows plain = RowsOf(screen.PropertyTable());
  screen.SetRelation(link_Multi);
  screen.SetRelation(link_Multi);
  Rows table = RowsOf(screen.PropertyTable());
  ASSERT_EQ(table.size(), plain.size() + 1);
  EXPECT_EQ(table[7], kCardsRow);
  EXPECT_EQ(std::count(table.begin(), table.end(), kCardsRow), 1);
  EXPECT_EQ(screen.Relation(), link_Multi);

  // A link switch keeps it where it is.
  screen.Communicate().SetCommunicationType(ctCom);
  EXPECT_EQ(RowsOf(screen.PropertyTable())[7], kCardsRow);

  screen.SetRelation(link_None);
  EXPECT_EQ(screen.Relation(), link_None);
  Rows back = RowsOf(screen.PropertyTable());
  EXPECT_EQ(std::count(back.begin(), back.end(), kCardsRow), 0);
  EXPECT_EQ(back, Concat({kScreenRows, kSerialRows}));
}

TEST_F(Tree, FindScreenFoldsAsciiLettersOnly) {
  TConstructer root(nullptr);
  root.GetScreen(0)->SetText("Hall " + Utf8ToGbk("控制卡"));
  TLEDScreen* second = root.AddScreen("\x81\x41");  // a GBK character whose trail byte is 'A'
  struct TCase {
    std::string text;
    TLEDScreen* found;
  };
  const TCase cases[] = {
      {"Hall " + Utf8ToGbk("控制卡"), root.GetScreen(0)},
      {"hALL " + Utf8ToGbk("控制卡"), root.GetScreen(0)},
      {"Hall", nullptr},
      {"\x81\x41", second},
      {"\x81\x61", nullptr},  // the trail byte is not a letter to fold
      {"", nullptr},
  };
  for (const TCase& c : cases) EXPECT_EQ(root.FindScreen(c.text), c.found) << c.text;
}

TEST_F(Tree, AddAndDeleteScreensAndPages) {
  TConstructer root(nullptr);
  TLEDScreen* named = root.AddScreen("North");
  EXPECT_TRUE(root.Modify());
  EXPECT_EQ(named->Name(), "LEDScreen1");
  EXPECT_EQ(named->Text(), "North");
  EXPECT_EQ(named->Parent(), &root);
  ASSERT_EQ(named->Pages().size(), 1u);
  EXPECT_EQ(named->Pages()[0]->Name(), "Leaf1");
  EXPECT_EQ(named->Pages()[0]->Text(), Utf8ToGbk("显示页面1"));
  EXPECT_EQ(OwnedCards(*named).size(), 1u);

  TLEDScreen* unnamed = root.AddScreen("");
  EXPECT_EQ(unnamed->Name(), "LEDScreen2");
  EXPECT_EQ(unnamed->Text(), Utf8ToGbk("控制卡1"));  // the smallest free text number

  TLeaf* page = root.AddLeaf(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Owner(), named);
  EXPECT_EQ(page->Name(), "Leaf3");
  EXPECT_EQ(page->Text(), Utf8ToGbk("显示页面3"));
  EXPECT_EQ(root.GetLeafCount(1), 2);
  EXPECT_EQ(root.GetLeaf(1, 1), page);
  EXPECT_EQ(root.AddLeaf(3), nullptr);
  EXPECT_EQ(root.AddLeaf(-1), nullptr);

  // Deleting does not touch Modify; names and texts freed are taken again.
  root.SetModify(false);
  root.DeleteLeaf(1, 0);
  EXPECT_EQ(root.GetLeafCount(1), 1);
  EXPECT_EQ(root.GetLeaf(1, 0), page);
  root.DeleteLeaf(1, 5);
  root.DeleteLeaf(7, 0);
  root.DeleteScreen(0);
  root.DeleteScreen(9);
  EXPECT_FALSE(root.Modify());
  ASSERT_EQ(root.ScreenCount(), 2);
  EXPECT_EQ(root.GetScreen(0), named);
  TLEDScreen* again = root.AddScreen("");
  EXPECT_EQ(again->Name(), "LEDScreen0");
  EXPECT_EQ(again->Text(), Utf8ToGbk("控制卡0"));
  EXPECT_EQ(again->Pages()[0]->Name(), "Leaf0");
  EXPECT_EQ(again->Pages()[0]->Text(), Utf8ToGbk("显示页面0"));
  EXPECT_EQ(root.GetScreen(2), again);
}

TEST_F(Tree, ScreensAndPagesAreFoundByOwnershipAndClass) {
  TConstructer root(nullptr);
  // Other components of the root or a screen are not counted.
  new platform::TComponent(&root);
  root.AddScreen("B");
  TLEDScreen* b = root.GetScreen(1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Text(), "B");
  EXPECT_EQ(root.ScreenCount(), 2);
  new test::TIntruder(b);
  EXPECT_EQ(root.GetLeafCount(1), 1);

  // The editor shows a page in its own container: it is still that screen's page.
  platform::TWinControl container(nullptr);
  container.SetBounds(0, 0, 96, 32);
  TLeaf* page = root.GetLeaf(1, 0);
  page->SetParent(&container);
  EXPECT_EQ(page->Width(), 96);
  EXPECT_EQ(root.GetLeaf(1, 0), page);
  EXPECT_EQ(root.GetLeafCount(1), 1);
  page->SetParent(b);  // given back before the container goes
  EXPECT_EQ(page->Width(), 512);
}

TEST_F(Tree, ScreensWorkUnderAnyOwner) {
  // The project dialog keeps page-less screens in a plain container.
  platform::TComponent holder(nullptr);
  auto* screen = new TLEDScreen(&holder);
  EXPECT_EQ(screen->Parent(), nullptr);
  EXPECT_EQ(OwnedCards(*screen).size(), 1u);
  EXPECT_TRUE(screen->Pages().empty());
  screen->SetRelation(link_Multi);
  new TMultiCard(&screen->Cards());
  EXPECT_EQ(screen->Cards().SubCards().size(), 1u);
}

TEST_F(Tree, LoadModeScopeGoesBackToNormalOnEveryExit) {
  SetLoadMode(LoadModeStart);
  {
    TLoadModeScope reading;
    EXPECT_EQ(LoadMode(), LoadModeReading);
  }
  EXPECT_EQ(LoadMode(), LoadModeNormal);
  try {
    TLoadModeScope reading;
    throw std::runtime_error("a reader failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(LoadMode(), LoadModeNormal);
}

// ---- the pages' repaint timer ------------------------------------------------------------------

namespace {

class PageTimer : public Tree {
 protected:
  void SetUp() override {
    Tree::SetUp();
    SetTimerClock(&clock_);
  }
  void TearDown() override {
    SetTimerClock(nullptr);
    Tree::TearDown();
  }
  // Moves the clock and lets the message pump fire what is due.
  void Advance(int64_t ms) {
    clock_.Advance(ms);
    platform::ProcessMessages();
  }

  platform::TFakeClock clock_{1000};
};

}  // namespace

TEST_F(PageTimer, ActiveAndVisibilitySwitchTheTimer) {
  TLeaf page(nullptr);
  EXPECT_EQ(page.RepaintTimer().Interval(), 50u);
  EXPECT_TRUE(page.RepaintTimer().Enabled());
  EXPECT_TRUE(page.Active());

  auto timer = [&] { return page.RepaintTimer().Enabled(); };
  page.SetActive(false);
  EXPECT_FALSE(timer());
  EXPECT_FALSE(page.Active());
  page.SetActive(true);
  EXPECT_TRUE(timer());
  page.SetVisible(false);
  EXPECT_FALSE(timer());
  page.SetActive(true);  // active, but hidden
  EXPECT_FALSE(timer());
  EXPECT_TRUE(page.Active());
  page.SetVisible(true);
  EXPECT_TRUE(timer());
  page.SetActive(false);
  EXPECT_FALSE(timer());
  // A visibility change sets the timer to the new visibility, active or not.
  page.SetVisible(false);
  page.SetVisible(true);
  EXPECT_TRUE(timer());
  EXPECT_FALSE(page.Active());
  // The value is kept and published.
  const auto* active = page.ClassInfo().FindProperty("Active");
  EXPECT_EQ(active->GetOrd(page), 0);
  active->SetOrd(page, 1);
  EXPECT_TRUE(page.Active());
  EXPECT_EQ(active->GetOrd(page), 1);
}

// A page no view shows (loaded, or hidden behind another) stops its tick at the first one, so a
// project of many pages costs nothing while it stands; made active again once a view shows it,
// it ticks on.
TEST_F(PageTimer, APageNoViewShowsStopsItsTickUntilShownAndMadeActive) {
  TLeaf page(nullptr);
  Advance(50);
  EXPECT_FALSE(page.RepaintTimer().Enabled());
  page.OnInvalidate = [](platform::TControl&) {};
  Advance(500);
  EXPECT_FALSE(page.RepaintTimer().Enabled());  // nothing starts it but the page being shown
  page.SetActive(true);
  Advance(500);
  EXPECT_TRUE(page.RepaintTimer().Enabled());
  // A view on the screen it sits on hears it as well.
  page.OnInvalidate = nullptr;
  TLEDScreen screen(nullptr);
  page.SetParent(&screen);
  screen.OnInvalidate = [](platform::TControl&) {};
  Advance(500);
  EXPECT_TRUE(page.RepaintTimer().Enabled());
  page.SetParent(nullptr);
}

namespace {

// A display object whose picture moves on by itself while `Moving`.
class TMovingObject : public test::TSilentObject {
 public:
  using TSilentObject::TSilentObject;
  bool Moving = true;
  bool PictureDue() const override { return Moving; }
};

}  // namespace

TEST_F(PageTimer, ATickInvalidatesTheOwnedGraphicControlsWhosePictureMovedOn) {
  TLeaf page(nullptr);
  auto* moving = new TMovingObject(&page);
  new test::TPictureObject(&page);  // still: never invalidated
  auto* stopped = new TMovingObject(&page);
  stopped->Moving = false;
  auto* windowed = new test::TIntruder(&page);  // owned, parented, but not a graphic control
  windowed->SetParent(&page);
  platform::TComponent elsewhere(nullptr);
  auto* foreign = new TMovingObject(&elsewhere);  // shown on the page, owned elsewhere
  foreign->SetParent(&page);

  std::vector<platform::TControl*> invalidated;
  page.OnInvalidate = [&](platform::TControl& c) { invalidated.push_back(&c); };

  Advance(49);
  EXPECT_TRUE(invalidated.empty());
  Advance(1);
  EXPECT_EQ(invalidated, (std::vector<platform::TControl*>{moving}));
  invalidated.clear();
  stopped->Moving = true;
  Advance(50);
  EXPECT_EQ(invalidated, (std::vector<platform::TControl*>{moving, stopped}));

  // Hidden: the timer stops and nothing more is invalidated.
  page.SetVisible(false);
  invalidated.clear();
  Advance(500);
  EXPECT_TRUE(invalidated.empty());
  page.SetVisible(true);
  invalidated.clear();
  Advance(50);
  EXPECT_EQ(invalidated.size(), 2u);

  // Inactive: likewise.
  page.SetActive(false);
  invalidated.clear();
  Advance(500);
  EXPECT_TRUE(invalidated.empty());
  foreign->SetParent(nullptr);
}
