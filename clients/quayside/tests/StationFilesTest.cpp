// The card and item files: the exact text written, hand-edited files read, load/save/load,
// and saves that fail without harming the file they would replace.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileSizeLimit.h"
#include "TempFolder.h"
#include "clients/quayside/StationFiles.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace quayside {
namespace {

namespace fs = std::filesystem;
using platform::Utf8ToGbk;

std::string Fixture(const char* name) {
  std::string text;
  EXPECT_TRUE(platform::ReadWholeFile(std::string(CORVANE_FIXTURES) + "/" + name, text)) << name;
  return text;
}

using TempFolder = test::TTempFolder;

std::vector<TStationCard> TwoCards() {
  return {{"127.0.0.67", 128, 32, 1, Utf8ToGbk("站台一"), 0},
          {"127.0.0.68", 64, 16, 257, "", 1}};
}

std::vector<TDisplayItem> ThreeItems() {
  TDisplayItem a;
  a.DisplayText = Utf8ToGbk("欢迎乘车");
  a.DisplayMethod = 0;
  a.DisplaySpeed = 1;
  a.AutoSend = 1;
  a.SendTime = "1142899200";
  a.FontName = Utf8ToGbk("宋体");
  a.FontSize = 12;
  a.CardNo = 0;
  a.XCOOR = 0;
  a.YCOOR = 8;
  a.DispalyTime = 10;
  TDisplayItem b;
  b.DisplayText = Utf8ToGbk("列车<K101>晚点\n请耐心等候 & 谅解");
  b.DisplayMethod = 20;
  b.DisplaySpeed = 6;
  b.AutoSend = 0;
  b.SendTime = "";
  b.FontName = Utf8ToGbk("黑体");
  b.FontSize = 16;
  b.CardNo = 1;
  b.XCOOR = -4;
  b.YCOOR = 2147483647;
  b.DispalyTime = 500;
  TDisplayItem c;
  c.DisplayMethod = 3;
  c.DisplaySpeed = 2;
  c.AutoSend = 1;
  c.SendTime = "0";
  c.FontSize = 72;
  c.CardNo = 9;
  c.XCOOR = 16;
  c.DispalyTime = 0;  // written as 10
  return {a, b, c};
}

TEST(StationFiles, WritesExactlyTheAppendedText) {
  EXPECT_EQ(Fixture("expected_cards.xml"), CardsToXml(TwoCards()));
  EXPECT_EQ(Fixture("expected_items.xml"), ItemsToXml(ThreeItems()));
  // And they read back: the item written with 0 seconds as 10.
  EXPECT_EQ(TwoCards(), CardsFromXml(Fixture("expected_cards.xml")));
  std::vector<TDisplayItem> items = ThreeItems();
  items[2].DispalyTime = 10;
  EXPECT_EQ(items, ItemsFromXml(Fixture("expected_items.xml")));
}

TEST(StationFiles, EmptyLists) {
  EXPECT_EQ("", ItemsToXml({}));
  EXPECT_EQ("<ROOT>\r\n<ITEM/>\r\n</ROOT>\r\n", CardsToXml({}));
  EXPECT_TRUE(CardsFromXml("<ROOT>\r\n<ITEM/>\r\n</ROOT>\r\n").empty());
  EXPECT_TRUE(ItemsFromXml("").empty());
  EXPECT_TRUE(CardsFromXml("").empty());
}

TEST(StationFiles, HandEditedCardFile) {
  const std::vector<TStationCard> cards = CardsFromXml(Fixture("edited_cards.xml"));
  ASSERT_EQ(3u, cards.size());
  EXPECT_EQ((TStationCard{"127.0.0.67", 128, 32, 1, Utf8ToGbk("站台<一>"), 0}), cards[0]);
  // Card2 is the second card: "abc" reads 0, a number past the range saturates, Addr is
  // missing, and Type 2 gives colour mode 2 and yellow text.
  EXPECT_EQ((TStationCard{"127.0.0.68", 0, 2147483647, 0, Utf8ToGbk("候车室 & 售票厅"), 2}),
            cards[1]);
  EXPECT_EQ(2, cards[1].ColorMode());
  EXPECT_EQ(0x0000FFFFu, cards[1].TextColor());
  EXPECT_EQ((TStationCard{"", 0, 0, 0, Utf8ToGbk("出站口"), 0}), cards[2]);
  EXPECT_EQ(1, cards[2].ColorMode());
  EXPECT_EQ(0x000000FFu, cards[2].TextColor());
}

TEST(StationFiles, CardNamesAndFieldsAreLookedForInOrder) {
  // Card5 before Card2: once Card2 is found, the search for Card5 goes on after it.
  auto cards = CardsFromXml("<ROOT><ITEM><Card5><Name>five</Name></Card5>"
                            "<Card2><Name>two</Name></Card2></ITEM></ROOT>");
  ASSERT_EQ(1u, cards.size());
  EXPECT_EQ("two", cards[0].Name);
  // Fields likewise: Name before IP is passed over once IP has been found.
  cards = CardsFromXml("<ROOT><ITEM><Card0><Name>n</Name><IP>1.2.3.4</IP><Type>1</Type>"
                       "</Card0></ITEM></ROOT>");
  ASSERT_EQ(1u, cards.size());
  EXPECT_EQ((TStationCard{"1.2.3.4", 0, 0, 0, "", 1}), cards[0]);
  // Only the first top-level element counts, and only its "ITEM" children.
  cards = CardsFromXml("<ROOT><OTHER><Card0/></OTHER></ROOT><ROOT><ITEM><Card0/></ITEM></ROOT>");
  EXPECT_TRUE(cards.empty());
}

TEST(StationFiles, AtMostTenCards) {
  std::string text = "<ROOT>";
  for (int item = 0; item < 2; ++item) {
    text += "<ITEM>";
    for (int n = 0; n < 7; ++n)
      text += "<Card" + std::to_string(n) + "><Name>" + std::to_string(item * 10 + n) +
              "</Name></Card" + std::to_string(n) + ">";
    text += "</ITEM>";
  }
  text += "</ROOT>";
  const std::vector<TStationCard> cards = CardsFromXml(text);
  ASSERT_EQ(10u, cards.size());
  EXPECT_EQ("6", cards[6].Name);
  EXPECT_EQ("10", cards[7].Name);
  EXPECT_EQ("12", cards[9].Name);

  std::vector<TStationCard> eleven(11);
  for (size_t i = 0; i < eleven.size(); ++i) eleven[i].Name = std::to_string(i);
  const std::vector<TStationCard> back = CardsFromXml(CardsToXml(eleven));
  ASSERT_EQ(10u, back.size());
  EXPECT_EQ("9", back[9].Name);
}

TEST(StationFiles, HandEditedItemFile) {
  const std::vector<TDisplayItem> items = ItemsFromXml(Fixture("edited_items.xml"));
  ASSERT_EQ(2u, items.size());
  // The text keeps the CR LF of the file it was written in.
  EXPECT_EQ(Utf8ToGbk("本次列车 <K101>\r\n终到北京"), items[0].DisplayText);
  EXPECT_EQ(2, items[0].DisplayMethod);
  EXPECT_EQ(3, items[0].DisplaySpeed);
  EXPECT_EQ(1, items[0].AutoSend);
  EXPECT_EQ("1142920800", items[0].SendTime);
  EXPECT_EQ(Utf8ToGbk("黑体"), items[0].FontName);
  EXPECT_EQ(16, items[0].FontSize);
  EXPECT_EQ(1, items[0].CardNo);
  EXPECT_EQ(4, items[0].XCOOR);
  EXPECT_EQ(-2, items[0].YCOOR);
  EXPECT_EQ(5, items[0].DispalyTime);  // a hand-set display time is kept
  // Missing fields are zero or empty; a display time of 0 stands for 10.
  TDisplayItem second;
  second.DisplayText = Utf8ToGbk("暂停检票");
  second.FontSize = 0;
  second.DispalyTime = 10;
  EXPECT_EQ(second, items[1]);

  // Saved, the display times stay 5 and 10.
  const std::string saved = ItemsToXml(items);
  EXPECT_NE(std::string::npos, saved.find("<DispalyTime>5</DispalyTime>"));
  EXPECT_NE(std::string::npos, saved.find("<DispalyTime>10</DispalyTime>"));
}

TEST(StationFiles, LoadSaveLoad) {
  TempFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const std::string cardFile = folder.File(CardFileName);
  const std::string itemFile = folder.File(ItemFileName);
  EXPECT_TRUE(LoadCards(cardFile).empty());  // missing files: empty lists, no message
  EXPECT_TRUE(LoadItems(itemFile).empty());

  for (const char* fixture : {"edited_cards.xml", "expected_cards.xml"}) {
    const auto first = CardsFromXml(Fixture(fixture));
    ASSERT_TRUE(SaveCards(cardFile, first));
    EXPECT_EQ(first, LoadCards(cardFile)) << fixture;
  }
  for (const char* fixture : {"edited_items.xml", "expected_items.xml"}) {
    const auto first = ItemsFromXml(Fixture(fixture));
    ASSERT_TRUE(SaveItems(itemFile, first));
    EXPECT_EQ(first, LoadItems(itemFile)) << fixture;
  }
  // No items: an empty file.
  ASSERT_TRUE(SaveItems(itemFile, {}));
  EXPECT_EQ(0u, fs::file_size(itemFile));
  EXPECT_TRUE(LoadItems(itemFile).empty());

  // What is not a regular file, or does not parse, is an empty list.
  fs::create_directory(folder.File("dir.xml"));
  EXPECT_TRUE(LoadItems(folder.File("dir.xml")).empty());
  std::ofstream(folder.File("bad.xml")) << "<ROOT><ITEM><DisplayText>x</ROOT>";
  EXPECT_TRUE(LoadItems(folder.File("bad.xml")).empty());
}

TEST(StationFiles, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  const std::string itemFile = folder.File(ItemFileName);
  const std::string cardFile = folder.File(CardFileName);
  ASSERT_TRUE(SaveItems(itemFile, ThreeItems()));
  ASSERT_TRUE(SaveCards(cardFile, TwoCards()));
  const std::string items = Fixture("expected_items.xml");
  const std::string cards = Fixture("expected_cards.xml");

  std::vector<TDisplayItem> more = ThreeItems();
  more.insert(more.end(), more.begin(), more.end());
  std::vector<TStationCard> moreCards = TwoCards();
  moreCards.insert(moreCards.end(), moreCards.begin(), moreCards.end());
  std::string itemError, cardError;
  {
    test::TFileSizeLimit limit(64);
    EXPECT_FALSE(SaveItems(itemFile, more, &itemError));
    EXPECT_FALSE(SaveCards(cardFile, moreCards, &cardError));
  }
  EXPECT_NE(std::string::npos, itemError.find(ItemFileName)) << itemError;
  EXPECT_NE(std::string::npos, cardError.find(CardFileName)) << cardError;
  std::string now;
  ASSERT_TRUE(platform::ReadWholeFile(itemFile, now));
  EXPECT_EQ(items, now);
  ASSERT_TRUE(platform::ReadWholeFile(cardFile, now));
  EXPECT_EQ(cards, now);
  // No temporary file is left beside them.
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(2u, files);
}

TEST(StationNumbers, ReadAsAtoiDoesAndSaturate) {
  struct TCase {
    const char* Text;
    int32_t Value;
  };
  const TCase cases[] = {
      {"0", 0},           {"42", 42},         {"  \t\r\n 17", 17}, {"+5", 5},
      {"-12x", -12},      {"abc", 0},         {"", 0},             {"- 3", 0},
      {"3 4", 3},         {"2147483647", 2147483647},              {"2147483648", 2147483647},
      {"99999999999", 2147483647},            {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999999", -2147483647 - 1},               {"0x10", 0},
  };
  for (const TCase& c : cases) EXPECT_EQ(c.Value, ReadNumber(c.Text)) << c.Text;
  EXPECT_EQ(INT64_MAX, ReadNumber64("99999999999999999999999"));
  EXPECT_EQ(INT64_MIN, ReadNumber64("-9223372036854775808"));
  EXPECT_EQ(INT64_MIN, ReadNumber64("-9223372036854775809"));
}

}  // namespace
}  // namespace quayside
