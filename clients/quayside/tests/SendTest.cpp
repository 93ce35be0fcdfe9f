// Sending items through the linked library to the simulated card on port 6666 of the test's
// own loopback address, the address the card file names: what the card receives, checked byte for byte against a private
// copy of the library fed the renderer's picture, and field by field against the program
// stream's layout; the sends that must not happen; and what the status bar says.
#include <poll.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PanelcastLib.h"
#include "RunAddress.h"
#include "TempFolder.h"
#include "clients/quayside/ItemPicture.h"
#include "clients/quayside/ItemSender.h"
#include "clients/quayside/StationFiles.h"
#include "clients/quayside/StationModel.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"
#include "tools/cardsim/CardSim.h"

namespace quayside {
namespace {

using namespace std::chrono_literals;
using panelcast::test::TPanelcastLib;
using platform::LoadU16;
using platform::LoadU32;
using platform::Utf8ToGbk;
using Bytes = std::vector<uint8_t>;

constexpr auto kGenerous = 20s;  // reached only when something is broken
const std::string kCardIP = test::RunAddress();

// Offsets in a program of one page holding one picture window.
constexpr size_t kPage = 12;
constexpr size_t kWindow = 28;
constexpr size_t kBlock = 56;
constexpr size_t kPixels = 68;

class Sending : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp.Path().empty());
    test::UseRunAddress();
    folder = temp.Path();
    cards = {
        {kCardIP, 128, 32, 1, Utf8ToGbk("站台"), 0},
        {kCardIP, 64, 16, 257, Utf8ToGbk("候车室"), 1},
        {kCardIP, 64, 16, 1, Utf8ToGbk("五"), 5},
        {kCardIP, 64, 16, 1, Utf8ToGbk("负一"), -1},
    };
    ASSERT_TRUE(SaveCards(folder + "/" + CardFileName, cards));
    sim.AddCard(1);
    std::string error;
    ASSERT_TRUE(sim.StartUdp(uint16_t(CardPort), kCardIP, &error)) << error;
  }

  void TearDown() override {
    model.reset();
  }

  void StartModel() {
    model = std::make_unique<TStationModel>(folder, clock,
                                            [this](const std::string& text) { status.push_back(text); });
    model->Start();
    ASSERT_GE(model->Device(), 0);
  }

  // Dispatches the model's notifications on this thread until `done` holds.
  bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + kGenerous;
    const int fd = LED_GetMessageFd();
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 50);
      LED_DispatchMessages();
    }
    return true;
  }

  std::optional<Bytes> Transfer(size_t n) {
    if (!WaitFor([&] { return sim.Transfers().size() > n; })) return std::nullopt;
    return sim.Transfers()[n].Data;
  }

  // "立即发送" for an item typed into the form.
  void SendNow(const TDisplayItem& form) {
    model->Add(form);
    ASSERT_TRUE(model->SendNow(form));
  }

  // What a private copy of the library sends for the renderer's picture of `item`.
  Bytes ReferenceProgram(const TDisplayItem& item) {
    const TStationCard& card = cards.at(size_t(item.CardNo));
    const auto picture = RenderItemPicture(item, card);
    EXPECT_TRUE(picture);
    if (!picture) return {};
    auto lib = TPanelcastLib::Load();
    EXPECT_TRUE(lib);
    if (!lib) return {};
    TDeviceRecord record;
    std::memset(&record, 0, sizeof record);
    record.LinkKind = LED_LINK_UDP;
    const int32_t device = lib->LED_Open(&record, 0, 0, 0x401);
    EXPECT_GE(device, 0);
    EXPECT_EQ(1, lib->MakeRoot(17, card.ColorMode()));
    EXPECT_EQ(1, lib->AddLeaf(PageTime(item)));
    if (picture->Width > 0) {
      const TLEDImage image = {picture->Bitmap.Bits(), int32_t(picture->Bitmap.Stride()),
                               picture->Width, picture->Height};
      const TLEDRect rect = {item.XCOOR, item.YCOOR, card.Width, card.Height};
      EXPECT_EQ(1, lib->AddWindow(&image, picture->Width, picture->Height, &rect,
                                  item.DisplayMethod + 1, item.DisplaySpeed + 1, 1));
    }
    const size_t before = sim.Transfers().size();
    lib->LED_SendToScreen(device, uint8_t(card.Addr), kCardIP.c_str(), CardPort);
    const auto sent = Transfer(before);
    lib->LED_Close(device);
    EXPECT_TRUE(sent);
    return sent.value_or(Bytes{});
  }

  test::TTempFolder temp;
  std::string folder;
  std::vector<TStationCard> cards;
  cardsim::TCardSim sim{cardsim::TCardSimOptions{.AnswerTimeoutMs = 200, .Retries = 3}};
  TFakeSecondsClock clock{1714521600};
  std::vector<std::string> status;
  std::unique_ptr<TStationModel> model;
};

TDisplayItem Item(int card, const std::string& text, int x = 0, int y = 0) {
  TDisplayItem item;
  item.CardNo = card;
  item.DisplayText = Utf8ToGbk(text);
  item.FontName = Utf8ToGbk("宋体");
  item.FontSize = 12;
  item.XCOOR = x;
  item.YCOOR = y;
  return item;
}

int LineHeight() {
  const auto picture = RenderItemPicture(Item(0, "站"), {kCardIP, 8, 8, 0, "", 0});
  return picture ? picture->LineHeight : 0;
}

int WidthOf(const std::string& text) {
  const auto picture = RenderItemPicture(Item(0, text), {kCardIP, 0, 8, 0, "", 0});
  return picture ? picture->Width : 0;
}

TEST_F(Sending, ProgramsAsTheLibraryBuildsThem) {
  StartModel();
  const int cy = LineHeight();
  ASSERT_GT(cy, 0);
  const int wide = WidthOf("欢迎乘车欢迎乘车");
  ASSERT_GT(wide, 64);
  struct TCase {
    TDisplayItem Item;
    int Mode;
    uint32_t PageTime;
    int Width;
    int Lines;
  };
  TDisplayItem mono = Item(0, "欢迎乘车", 5, 6);
  mono.DisplayMethod = 2;
  mono.DisplaySpeed = 3;
  TDisplayItem twoLines = Item(1, "候车\n检票");
  twoLines.DispalyTime = 500;
  twoLines.DisplayMethod = 20;
  twoLines.DisplaySpeed = 6;
  TDisplayItem wider = Item(1, "欢迎乘车欢迎乘车\n候车");
  wider.DispalyTime = 0;
  const TCase cases[] = {
      {mono, 1, 100000000, WidthOf("欢迎乘车"), 1},  // one line: its own width
      {twoLines, 2, 4294967295u, 64, 2},            // narrower lines: the card's width
      {wider, 2, 100000000, wide, 2},               // wider: the widest line, not the sum
  };
  for (const TCase& c : cases) {
    const size_t before = sim.Transfers().size();
    SendNow(c.Item);
    const auto got = Transfer(before);
    ASSERT_TRUE(got);
    const Bytes& p = *got;
    const TStationCard& card = cards[size_t(c.Item.CardNo)];
    EXPECT_EQ(1, sim.Transfers()[before].Card);  // Addr & 0xFF: 257 goes to card 1
    EXPECT_EQ(ReferenceProgram(c.Item), p);

    ASSERT_GT(p.size(), kPixels);
    EXPECT_EQ(17, LoadU16(&p[0]));
    EXPECT_EQ(1, LoadU16(&p[2]));
    EXPECT_EQ(p.size(), LoadU32(&p[4]));
    EXPECT_EQ(c.Mode, LoadU16(&p[8]));
    EXPECT_EQ(48, LoadU16(&p[kPage]));
    EXPECT_EQ(1, LoadU16(&p[kPage + 2]));
    EXPECT_EQ(c.PageTime, LoadU32(&p[kPage + 4]));
    EXPECT_EQ(49, LoadU16(&p[kWindow]));
    EXPECT_EQ(1, LoadU16(&p[kWindow + 2]));  // transparent
    EXPECT_EQ(c.Item.XCOOR, LoadU16(&p[kWindow + 8]));
    EXPECT_EQ(c.Item.YCOOR, LoadU16(&p[kWindow + 10]));
    EXPECT_EQ(card.Width, LoadU16(&p[kWindow + 12]));
    EXPECT_EQ(card.Height, LoadU16(&p[kWindow + 14]));
    EXPECT_EQ(c.Item.DisplayMethod + 1, LoadU16(&p[kWindow + 16]));
    EXPECT_EQ(c.Item.DisplaySpeed + 1, LoadU16(&p[kWindow + 18]));
    EXPECT_EQ(54, LoadU16(&p[kBlock]));
    EXPECT_EQ(c.Width, LoadU16(&p[kBlock + 2]));
    EXPECT_EQ(c.Mode == 1 ? 1 : 4, LoadU16(&p[kBlock + 6]));
    const int unit = c.Mode == 1 ? 32 : 16;
    EXPECT_EQ((c.Lines * cy + unit - 1) / unit * unit, LoadU16(&p[kBlock + 4]));
  }
  ASSERT_TRUE(WaitFor([&] {
    return std::count(status.begin(), status.end(), std::string("发送完成!")) >= 3;
  }));
}

TEST_F(Sending, SecondLineLightsOnlyItsRows) {
  StartModel();
  const int cy = LineHeight();
  ASSERT_GT(cy, 0);
  SendNow(Item(0, "\n站台"));
  const auto got = Transfer(0);
  ASSERT_TRUE(got);
  const Bytes& p = *got;
  const int width = LoadU16(&p[kBlock + 2]);
  const int stored = LoadU16(&p[kBlock + 4]);
  EXPECT_EQ(128, width);  // two lines narrower than the card: the card's width
  ASSERT_EQ(p.size(), kPixels + size_t(width) * size_t(stored) / 8);
  // Mode 1: column by column, 32 rows a little-endian word, the top row in bit 31.
  int lit = 0;
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < stored; ++y) {
      const uint32_t word = LoadU32(&p[kPixels + (size_t(x) * stored + y) / 32 * 4]);
      if (!(word & (0x80000000u >> (y % 32)))) continue;
      ++lit;
      EXPECT_TRUE(y >= cy && y < 2 * cy) << "lit at " << x << "," << y;
    }
  EXPECT_GT(lit, 20);
}

TEST_F(Sending, CarriageReturnsAreNotSent) {
  StartModel();
  SendNow(Item(1, "候车\r\n检票\r"));
  SendNow(Item(1, "候车\n检票"));
  const auto crlf = Transfer(0);
  const auto lf = Transfer(1);
  ASSERT_TRUE(crlf && lf);
  EXPECT_EQ(*lf, *crlf);
}

TEST_F(Sending, NothingBuiltOrSentForBadItems) {
  StartModel();
  SendNow(Item(0, "第一"));
  const auto first = Transfer(0);
  ASSERT_TRUE(first);

  std::string line;
  for (int i = 0; i < 4400; ++i) line += "车";  // about 70,000 pixels at 16 pixels a character
  ASSERT_FALSE(RenderItemPicture(Item(0, line), cards[0]));
  for (const TDisplayItem& bad : {Item(5, "第五张卡"), Item(2, "Type 5"), Item(3, "Type -1"),
                                  Item(0, line), Item(-1, "无卡")}) {
    model->Add(bad);
    EXPECT_TRUE(model->SendNow(bad));
  }
  // An empty text sends its page alone.
  SendNow(Item(0, ""));
  const auto empty = Transfer(1);
  ASSERT_TRUE(empty);
  EXPECT_EQ(28u, empty->size());
  EXPECT_EQ(1, LoadU16(&(*empty)[2]));
  EXPECT_EQ(0, LoadU16(&(*empty)[kPage + 2]));
  EXPECT_EQ(100000000u, LoadU32(&(*empty)[kPage + 4]));
  EXPECT_EQ(2u, sim.Transfers().size());

  // Direct: why each stopped.
  EXPECT_EQ(srNoCard, SendItem(model->Device(), Item(5, "x"), cards));
  EXPECT_EQ(srBadColorMode, SendItem(model->Device(), Item(2, "x"), cards));
  EXPECT_EQ(srBadColorMode, SendItem(model->Device(), Item(3, "x"), cards));
  EXPECT_EQ(srTooLarge, SendItem(model->Device(), Item(0, line), cards));
}

TEST_F(Sending, NothingSelectedSendsNothing) {
  StartModel();
  EXPECT_EQ(-1, model->Selected());
  EXPECT_FALSE(model->SendNow(Item(0, "x")));
  SendNow(Item(0, "y"));
  ASSERT_TRUE(Transfer(0));
  EXPECT_EQ(1u, sim.Transfers().size());
}

TEST_F(Sending, TimeOutShown) {
  ASSERT_EQ(1, LED_SetOption(LED_OPTION_TIMEOUT, 51));
  ASSERT_EQ(1, LED_SetOption(LED_OPTION_RETRIES, 2));
  sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkBlock, .Times = 0});
  StartModel();
  SendNow(Item(0, "超时"));
  ASSERT_TRUE(WaitFor([&] { return !status.empty() && status.back() == "传送超时!"; }));
  EXPECT_TRUE(sim.Transfers().empty());
}

TEST_F(Sending, DailySendThroughTheModel) {
  setenv("TZ", "CST-8", 1);
  tzset();
  TDisplayItem item = Item(0, "早上好");
  item.AutoSend = 1;
  item.SendTime = "1142899200";  // 2006-03-21 08:00:00 in CST-8
  TDisplayItem off = Item(0, "不发");
  off.SendTime = item.SendTime;
  ASSERT_TRUE(SaveItems(folder + "/" + ItemFileName, {off, item}));
  clock.Set(1714521600 - 2);  // 2024-05-01 07:59:58 in CST-8
  StartModel();
  for (int i = 0; i < 5; ++i) {
    clock.Advance(1);
    model->Tick();
  }
  const auto got = Transfer(0);
  ASSERT_TRUE(got);
  EXPECT_EQ(ReferenceProgram(item), *got);
  EXPECT_EQ(2u, sim.Transfers().size());  // this one and the reference, nothing else
  unsetenv("TZ");
  tzset();
}

// Cards whose sizes no window rectangle can carry, after the fixture's four, and the widest
// card there is; saved for the model to load. Card 5's name is longer than a refusal shows.
void AddBadCards(std::vector<TStationCard>& cards, const std::string& folder) {
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "长";
  cards.insert(cards.end(), {
                                {kCardIP, 0, 32, 1, Utf8ToGbk(longName), 0},
                                {kCardIP, -5, 32, 1, Utf8ToGbk("负宽"), 0},
                                {kCardIP, 70000, 32, 1, Utf8ToGbk("超宽"), 0},
                                {kCardIP, 128, 0, 1, Utf8ToGbk("高零"), 0},
                                {kCardIP, 128, -5, 1, "", 0},
                                {kCardIP, 65535, 32, 1, Utf8ToGbk("最宽"), 0},
                            });
  ASSERT_EQ(MaxCards, cards.size());
  ASSERT_TRUE(SaveCards(folder + "/" + CardFileName, cards));
}

TEST_F(Sending, EveryRefusalSaysWhyAndSendsNothing) {
  AddBadCards(cards, folder);
  StartModel();
  EXPECT_TRUE(status.empty());  // the card file's sizes are loaded without a word
  // A program is built and sent first: a send call during a refusal would deliver it again.
  SendNow(Item(0, "先发"));
  ASSERT_TRUE(Transfer(0));
  ASSERT_TRUE(WaitFor([&] { return !status.empty(); }));
  EXPECT_EQ("发送完成!", status[0]);
  std::string line;
  for (int i = 0; i < 4400; ++i) line += "车";  // about 70,000 pixels at 16 pixels a character
  const std::string tall(4200, '\n');  // 4201 lines of 16 pixels
  const std::string lines(99, '\n');   // 100 lines as wide as the widest card: over 256 MiB
  std::string clipped;
  for (int i = 0; i < 64; ++i) clipped += "长";
  const std::string range = "不在1至65535之间，无法发送";
  struct TCase {
    TDisplayItem Item;
    std::string Text;
  };
  const TCase cases[] = {
      {Item(0, line), "显示内容过大，无法发送"},
      {Item(0, tall), "显示内容过大，无法发送"},
      {Item(9, lines), "显示内容过大，无法发送"},
      {Item(4, "宽零"), "显示卡5“" + clipped + "”的宽度0" + range},
      {Item(5, "负宽"), "显示卡6“负宽”的宽度-5" + range},
      {Item(6, "两行\n文字"), "显示卡7“超宽”的宽度70000" + range},
      {Item(7, "高零"), "显示卡8“高零”的高度0" + range},
      {Item(8, "负高"), "显示卡9的高度-5" + range},
      {Item(0, "右边外", 128, 0), "坐标(128, 0)不在显示卡1“站台”之内，无法发送"},
      {Item(0, "上边外", 0, -1), "坐标(0, -1)不在显示卡1“站台”之内，无法发送"},
      {Item(2, "类型五"), "显示卡3“五”的显示类型5无效，无法发送"},
      {Item(10, "第十一张"), "显示卡11不存在，无法发送"},
      {Item(-1, "没选"), "没有选择显示卡，无法发送"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    status.clear();
    SendNow(c.Item);
    ASSERT_EQ(1u, status.size());
    EXPECT_EQ(c.Text, status[0]);
  }
  // A valid item after them goes out, and is the next thing the card receives.
  status.clear();
  SendNow(Item(0, "正常", 127, 31));
  const auto got = Transfer(1);
  ASSERT_TRUE(got);
  EXPECT_EQ(ReferenceProgram(Item(0, "正常", 127, 31)), *got);
  ASSERT_TRUE(WaitFor([&] { return !status.empty(); }));
  EXPECT_EQ("发送完成!", status[0]);
  EXPECT_EQ(3u, sim.Transfers().size());  // the two sent and the reference
}

TEST_F(Sending, RefusedDailySendSaysSo) {
  AddBadCards(cards, folder);
  TDisplayItem good = Item(0, "早上好");
  TDisplayItem bad = Item(7, "高零");
  for (TDisplayItem* item : {&good, &bad}) {
    item->AutoSend = 1;
    item->SendTime = SendTimeText(clock.NowSeconds() + 1);
  }
  ASSERT_TRUE(SaveItems(folder + "/" + ItemFileName, {good, bad}));
  StartModel();
  clock.Advance(1);
  model->Tick();
  ASSERT_EQ(1u, status.size());
  EXPECT_EQ("定时发送第2条: 显示卡8“高零”的高度0不在1至65535之间，无法发送", status[0]);
  const auto got = Transfer(0);
  ASSERT_TRUE(got);
  EXPECT_EQ(ReferenceProgram(good), *got);
  // Both count as sent for today: the next tick says nothing more.
  status.clear();
  clock.Advance(1);
  model->Tick();
  EXPECT_TRUE(status.empty());
  EXPECT_EQ(2u, sim.Transfers().size());  // the good one and the reference
}

}  // namespace
}  // namespace quayside
