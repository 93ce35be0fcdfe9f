#include "editor/core/OnLineList.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "editor/core/tests/Fakes.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "platform/base/GbkText.h"

using namespace editor;
using platform::TDateTime;

namespace {

using Bytes = std::vector<uint8_t>;

// A datagram: the magic as the four bytes given, then `size` − 4 bytes counting up from 1.
Bytes Datagram(std::initializer_list<uint8_t> magic, size_t size) {
  Bytes d(magic);
  for (size_t i = d.size(); i < size; ++i) d.push_back(uint8_t(i - 3));
  d.resize(size);
  return d;
}

TCardImage Card(uint32_t id, std::string_view name = "card") {
  TCardImage image;
  std::copy(name.begin(), name.end(), image.Bytes.begin());
  platform::StoreU32(image.Bytes.data() + 32, id);
  for (size_t i = 44; i < 64; ++i) image.Bytes[i] = uint8_t(i);
  return image;
}

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

TDateTime Moment(int y, int mo, int d, int h, int mi, int s) {
  return *platform::EncodeDateTime({y, mo, d, h, mi, s, 0});
}

}  // namespace

TEST(OnLineDatagram, IsJudgedByMagicAndLength) {
  struct Case {
    const char* what;
    Bytes data;
    TOnLineDatagramKind kind;
  };
  const Case cases[] = {
      {"empty", {}, TOnLineDatagramKind::Ignored},
      {"1 byte", {0x55}, TOnLineDatagramKind::Ignored},
      {"3 bytes of a request", {0x55, 0xAA, 0x55}, TOnLineDatagramKind::Ignored},
      {"request", {0x55, 0xAA, 0x55, 0xAA}, TOnLineDatagramKind::Request},
      {"67-byte report", Datagram({0xAA, 0x55, 0xAA, 0x55}, 67), TOnLineDatagramKind::Ignored},
      {"68-byte report", Datagram({0xAA, 0x55, 0xAA, 0x55}, 68), TOnLineDatagramKind::CardReport},
      {"1024-byte report", Datagram({0xAA, 0x55, 0xAA, 0x55}, 1024), TOnLineDatagramKind::CardReport},
      {"40-byte entry", Datagram({0x55, 0x55, 0xAA, 0xAA}, 40), TOnLineDatagramKind::Ignored},
      {"entry", Datagram({0x55, 0x55, 0xAA, 0xAA}, 68), TOnLineDatagramKind::Entry},
      {"unknown magic", Datagram({0xAA, 0x55, 0xAA, 0x56}, 68), TOnLineDatagramKind::Ignored},
      {"longer request", Datagram({0x55, 0xAA, 0x55, 0xAA}, 68), TOnLineDatagramKind::Request},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TOnLineDatagram d = ReadOnLineDatagram(c.data.data(), c.data.size());
    EXPECT_EQ(d.Kind, c.kind);
    if (d.Kind == TOnLineDatagramKind::CardReport || d.Kind == TOnLineDatagramKind::Entry) {
      EXPECT_EQ(Bytes(d.Image.Bytes.begin(), d.Image.Bytes.end()), Bytes(c.data.begin() + 4, c.data.begin() + 68));
    }
  }
}

TEST(OnLineDatagram, FieldsOfTheImage) {
  Bytes d = {0xAA, 0x55, 0xAA, 0x55};
  d.resize(68);
  const uint8_t gbk[] = {0xB2, 0xE2, 0xCA, 0xD4};  // "测试" in GBK
  std::copy(std::begin(gbk), std::end(gbk), d.begin() + 4);
  const uint8_t fields[] = {0xEF, 0xCD, 0xAB, 0x00,   // identifier 0x00ABCDEF
                            192,  168,  1,    77,     // 192.168.1.77
                            0x01, 0x02,               // hardware address 513
                            0xB8, 0x22};              // port 8888
  std::copy(std::begin(fields), std::end(fields), d.begin() + 4 + 32);
  TCardImage image = ReadOnLineDatagram(d.data(), d.size()).Image;
  EXPECT_EQ(platform::GbkToUtf8(image.Name()), "测试");
  EXPECT_EQ(image.DeviceId(), 0x00ABCDEFu);
  EXPECT_EQ(image.DottedIp(), "192.168.1.77");
  EXPECT_EQ(image.Address(), 513);
  EXPECT_EQ(image.Port(), 8888);

  // A datagram's source replaces address and port; sockets give both in network byte order.
  image.SetSource(htonl(0x7F000102), htons(40001));
  EXPECT_EQ(image.DottedIp(), "127.0.1.2");
  EXPECT_EQ(image.Port(), 40001);
  EXPECT_EQ(image.Bytes[42], 40001 & 0xFF);  // little-endian on the wire
}

TEST(OnLineDatagram, NamesStopAtThirtyTwoBytes) {
  TCardImage full = Card(0x41414141);
  std::fill(full.Bytes.begin(), full.Bytes.begin() + 32, 'N');
  EXPECT_EQ(full.Name(), std::string(32, 'N'));  // not run on into the identifier "AAAA"

  // Cut inside a two-byte character: the half shows as U+FFFD.
  TCardImage cut = Card(1);
  std::fill(cut.Bytes.begin(), cut.Bytes.begin() + 31, 'x');
  cut.Bytes[31] = 0xB2;
  EXPECT_EQ(platform::GbkToUtf8(cut.Name()), std::string(31, 'x') + "\xEF\xBF\xBD");

  EXPECT_EQ(TCardImage{}.Name(), "");
}

TEST(OnLineDatagram, AnswerAndRequestLayouts) {
  TCardImage image = Card(0x01020304, "abc");
  auto answer = OnLineEntryDatagram(image);
  EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 4), (Bytes{0x55, 0x55, 0xAA, 0xAA}));
  EXPECT_EQ(Bytes(answer.begin() + 4, answer.end()), Bytes(image.Bytes.begin(), image.Bytes.end()));
  auto request = OnLineRequestDatagram();
  EXPECT_EQ(Bytes(request.begin(), request.end()), (Bytes{0x55, 0xAA, 0x55, 0xAA}));
}

TEST(OnLineTable, ReportsUpdateTheirRowInPlace) {
  TOnLineTable table;
  EXPECT_TRUE(table.Report(Card(1, "one"), kLoopback, htons(1001), 0, 1.0));
  EXPECT_TRUE(table.Report(Card(2, "two"), kLoopback, htons(1002), 10, 1.0));
  EXPECT_TRUE(table.Report(Card(3, "three"), kLoopback, htons(1003), 20, 1.0));
  EXPECT_TRUE(table.Report(Card(2, "renamed"), htonl(0x0A000001), htons(2002), 30, 2.0));

  auto rows = table.Snapshot();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Image.Name(), "one");
  EXPECT_EQ(rows[1].Image.Name(), "renamed");
  EXPECT_EQ(rows[1].Image.DottedIp(), "10.0.0.1");
  EXPECT_EQ(rows[1].Image.Port(), 2002);
  EXPECT_EQ(rows[1].LastReportMs, 30);
  EXPECT_EQ(rows[1].Shown, 2.0);
  EXPECT_EQ(rows[2].Image.Name(), "three");
}

TEST(OnLineTable, EntriesKeepTheirOwnAddress) {
  TOnLineTable table;
  TCardImage image = Card(7);
  image.SetSource(htonl(0xC0A80063), htons(6666));
  EXPECT_TRUE(table.AddEntry(image, kLoopback, htons(8888), 0, 1.0));
  auto rows = table.Snapshot();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Image.Bytes, image.Bytes);
  EXPECT_EQ(rows[0].Source, (TOnLineSource{true, kLoopback, htons(8888)}));
}

TEST(OnLineTable, CardsGoSixtySecondsAfterTheirLastReport) {
  TOnLineTable table;
  table.Report(Card(1), kLoopback, 1, 0, 0);
  table.Report(Card(2), kLoopback, 1, 5000, 0);
  table.Report(Card(3), kLoopback, 1, 1000, 0);
  EXPECT_EQ(table.OldestReportMs(), 0);
  EXPECT_FALSE(table.Expire(60000, 60000, 0));  // exactly 60 s old stays
  EXPECT_TRUE(table.Expire(61001, 60000, 0));
  auto rows = table.Snapshot();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Image.DeviceId(), 2u);
  EXPECT_EQ(table.OldestReportMs(), 5000);
  EXPECT_TRUE(table.Expire(65001, 60000, 0));
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_EQ(table.OldestReportMs(), std::nullopt);
}

TEST(OnLineTable, ListsAtMost4095Cards) {
  TOnLineTable table;
  for (uint32_t id = 0; id < MaxOnLineCards; ++id) ASSERT_TRUE(table.Report(Card(id), kLoopback, 1, 0, 0));
  EXPECT_FALSE(table.Report(Card(99999), kLoopback, 1, 5, 0));
  EXPECT_FALSE(table.AddEntry(Card(99998), kLoopback, 1, 5, 0));
  EXPECT_EQ(table.Count(), MaxOnLineCards);
  // Listed cards still refresh.
  EXPECT_TRUE(table.Report(Card(4094, "last"), kLoopback, 1, 7, 0));
  EXPECT_EQ(table.Snapshot().back().Image.Name(), "last");
  // Once one goes, a new card has room again.
  table.Report(Card(0), kLoopback, 1, 100000, 0);
  table.Expire(100000, 60000, 0);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_TRUE(table.Report(Card(99999), kLoopback, 1, 100001, 0));
}

TEST(OnLineTable, AShortReportAfterAFullOneAddsNothing) {
  TOnLineTable table;
  Bytes full = Datagram({0xAA, 0x55, 0xAA, 0x55}, 68);
  Bytes shortOne = Datagram({0xAA, 0x55, 0xAA, 0x55}, 40);
  shortOne[4 + 32] = 0x99;  // another identifier
  for (const Bytes* d : {&full, &shortOne}) {
    TOnLineDatagram datagram = ReadOnLineDatagram(d->data(), d->size());
    if (datagram.Kind == TOnLineDatagramKind::CardReport) table.Report(datagram.Image, kLoopback, 1, 0, 0);
  }
  EXPECT_EQ(table.Count(), 1u);
}

TEST(OnLineTable, AnswersLeaveOutWhatTheRequesterTaughtUs) {
  TOnLineTable table;
  const uint32_t serverA = htonl(0x7F000001), serverB = htonl(0x7F000002);
  table.Report(Card(1), serverA, htons(5000), 0, 0);         // a card reporting from A's address
  table.AddEntry(Card(2), serverA, htons(8888), 0, 0);       // learned from server A
  table.AddEntry(Card(3), serverB, htons(8888), 0, 0);       // learned from server B
  table.AddEntry(Card(4), serverA, htons(8889), 0, 0);       // another listener on A's machine
  auto ids = [](const std::vector<TCardImage>& images) {
    std::vector<uint32_t> out;
    for (const auto& i : images) out.push_back(i.DeviceId());
    return out;
  };
  EXPECT_EQ(ids(table.AnswerFor(serverA, htons(8888))), (std::vector<uint32_t>{1, 3, 4}));
  EXPECT_EQ(ids(table.AnswerFor(serverB, htons(8888))), (std::vector<uint32_t>{1, 2, 4}));
  EXPECT_EQ(ids(table.AnswerFor(htonl(0x7F000003), htons(1))), (std::vector<uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(table.AnswerCount(serverA, htons(8888)), 3u);
  EXPECT_EQ(table.AnswerCount(htonl(0x7F000003), htons(1)), 4u);
  // A card's own report makes it a card entry again, sent to everyone.
  table.Report(Card(2), serverB, htons(5000), 1, 0);
  EXPECT_EQ(ids(table.AnswerFor(serverA, htons(8888))), (std::vector<uint32_t>{1, 2, 3, 4}));
}

TEST(OnLineTable, OneRefreshIsPendingAtATime) {
  TOnLineTable table;
  EXPECT_TRUE(table.MarkChanged());
  EXPECT_FALSE(table.MarkChanged());
  table.Report(Card(1), kLoopback, 1, 0, 0);
  EXPECT_EQ(table.TakeSnapshot().size(), 1u);
  EXPECT_TRUE(table.MarkChanged());  // a change after the copy posts again
}

TEST(OnLineTable, ACardsOwnReportsOutrankEveryServer) {
  TOnLineTable table;
  const uint32_t serverA = htonl(0x7F000002), serverB = htonl(0x7F000003);
  table.Report(Card(1, "own"), kLoopback, htons(5000), 0, 0);
  EXPECT_FALSE(table.AddEntry(Card(1, "relayed"), serverA, htons(8888), 100, 0));
  table.AddEntry(Card(2, "from A"), serverA, htons(8888), 0, 0);
  // Another server does not refresh A's entry; A itself does.
  EXPECT_FALSE(table.AddEntry(Card(2, "from B"), serverB, htons(8888), 100, 0));
  EXPECT_TRUE(table.AddEntry(Card(2, "A again"), serverA, htons(8888), 200, 0));
  auto rows = table.Snapshot();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Image.Name(), "own");
  EXPECT_EQ(rows[0].LastReportMs, 0);
  EXPECT_EQ(rows[0].Source, TOnLineSource{});
  EXPECT_EQ(rows[1].Image.Name(), "A again");
  EXPECT_EQ(rows[1].LastReportMs, 200);
  // The card's own report takes the entry over from the server.
  EXPECT_TRUE(table.Report(Card(2, "now own"), kLoopback, htons(5001), 300, 0));
  EXPECT_FALSE(table.AddEntry(Card(2, "A once more"), serverA, htons(8888), 400, 0));
  EXPECT_EQ(table.Snapshot()[1].Image.Name(), "now own");
}

TEST(OnLineTable, AServersEntriesGoWhenItStopsListingThem) {
  TOnLineTable table;
  const uint32_t serverA = htonl(0x7F000002), serverB = htonl(0x7F000003);
  table.AddEntry(Card(1), serverA, htons(8888), 1000, 0);  // listed before the rounds looked at
  table.AddEntry(Card(2), serverA, htons(8888), 3000, 0);
  table.AddEntry(Card(3), serverB, htons(8888), 0, 0);     // another server's
  table.Report(Card(4), serverA, htons(8888), 0, 0);       // a report from the server's address
  EXPECT_TRUE(table.DropUnlisted(serverA, htons(8888), 2000));
  auto rows = table.Snapshot();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Image.DeviceId(), 2u);
  EXPECT_EQ(rows[1].Image.DeviceId(), 3u);
  EXPECT_EQ(rows[2].Image.DeviceId(), 4u);
  EXPECT_FALSE(table.DropUnlisted(serverA, htons(8888), 3000));  // listed at 3000 itself
  // Positions still follow the identifiers after the removal.
  EXPECT_TRUE(table.AddEntry(Card(2, "moved up"), serverA, htons(8888), 4000, 0));
  EXPECT_EQ(table.Snapshot()[0].Image.Name(), "moved up");
}

TEST(OnLineTable, ACardGoneSilentHereIsNotTakenFromAServerForTheHoldDown) {
  TOnLineTable table;
  const uint32_t server = htonl(0x7F000002);
  table.Report(Card(1), kLoopback, htons(5000), 0, 0);
  table.AddEntry(Card(2), server, htons(8888), 0, 0);
  EXPECT_TRUE(table.Expire(60001, 60000, 300000));
  EXPECT_EQ(table.Count(), 0u);
  // Card 1 was heard here: held down until 360001. Card 2 came from the server: not held.
  EXPECT_FALSE(table.AddEntry(Card(1), server, htons(8888), 60002, 0));
  EXPECT_TRUE(table.AddEntry(Card(2), server, htons(8888), 60002, 0));
  EXPECT_FALSE(table.AddEntry(Card(1), server, htons(8888), 360000, 0));
  table.Expire(360001, 60000, 300000);
  EXPECT_TRUE(table.AddEntry(Card(1), server, htons(8888), 360001, 0));

  // Reports are never held down; each expiry of a card of its own starts the hold-down again.
  TOnLineTable again;
  again.Report(Card(7), kLoopback, htons(5000), 0, 0);
  again.Expire(60001, 60000, 1000);
  EXPECT_TRUE(again.Report(Card(7), kLoopback, htons(5000), 60002, 0));
  again.Expire(120003, 60000, 1000);
  EXPECT_FALSE(again.AddEntry(Card(7), server, htons(8888), 121002, 0));
  again.Expire(121003, 60000, 1000);
  EXPECT_TRUE(again.AddEntry(Card(7), server, htons(8888), 121003, 0));
}

namespace {

// Forged sources: 127.1.0.0 + n.
uint32_t Forged(uint32_t n) { return htonl(0x7F010000 + n); }

}  // namespace

TEST(RequestLimiter, OneAnswerPerSourceInNineTenthsOfAPeriod) {
  TRequestLimiter limiter(2000, 10000, 16);
  EXPECT_TRUE(limiter.Allow(kLoopback, 1, 100, 0));
  EXPECT_FALSE(limiter.Allow(kLoopback, 1, 100, 1));
  EXPECT_FALSE(limiter.Allow(kLoopback, 1, 100, 1799));
  EXPECT_TRUE(limiter.Allow(kLoopback, 2, 100, 1500));  // another port is another source
  // A puller every period is answered every time, even when its request comes a little early.
  EXPECT_TRUE(limiter.Allow(kLoopback, 1, 100, 1800));
  EXPECT_TRUE(limiter.Allow(kLoopback, 1, 100, 3700));
  // Nothing to send is never refused nor counted.
  EXPECT_TRUE(limiter.Allow(kLoopback, 1, 0, 3701));
  EXPECT_TRUE(limiter.Allow(kLoopback, 3, 0, 3701));
}

TEST(RequestLimiter, TheBudgetBoundsAPeriodWhateverTheSources) {
  // Many new sources allowed, so the bytes alone decide.
  TRequestLimiter limiter(2000, 1000, 1000);
  int answered = 0;
  for (uint32_t n = 1; n <= 40; ++n) answered += limiter.Allow(Forged(n), 1, 300, int64_t(n));
  EXPECT_EQ(answered, 3);  // 900 bytes; a fourth answer would be 1200
  // What is left is not handed out in part: a smaller answer still fits.
  EXPECT_TRUE(limiter.Allow(Forged(50), 1, 100, 60));
  EXPECT_FALSE(limiter.Allow(Forged(51), 1, 1, 61));
  // An answer bigger than the whole budget is never sent.
  EXPECT_FALSE(limiter.Allow(Forged(52), 1, 1001, 10 * 2000));
}

TEST(RequestLimiter, NewSourcesPerPeriodAreCapped) {
  TRequestLimiter limiter(2000, 1000000, 16);
  int answered = 0;
  for (uint16_t port = 1; port <= 40; ++port) answered += limiter.Allow(kLoopback, port, 68, port);
  EXPECT_EQ(answered, 16);
  EXPECT_FALSE(limiter.Allow(htonl(0x7F000009), 1, 68, 100));
  // Periods count from the first request, at 1 ms.
  EXPECT_FALSE(limiter.Allow(kLoopback, 40, 68, 2000));
  EXPECT_TRUE(limiter.Allow(kLoopback, 40, 68, 2001));  // the next period
  EXPECT_TRUE(limiter.Allow(kLoopback, 1, 68, 2002));   // a regular is not a new source
}

TEST(RequestLimiter, ARegularKeepsItsPlaceForFivePeriodsWithoutAsking) {
  const size_t answer = 300;
  for (int64_t period : {1, 5, 6}) {
    SCOPED_TRACE(period);
    TRequestLimiter limiter(2000, 1000, 16);
    ASSERT_TRUE(limiter.Allow(kLoopback, 7, answer, 0));
    // New sources come first and get only what is not set aside for the regular.
    int newOnes = 0;
    for (uint32_t n = 1; n <= 10; ++n) newOnes += limiter.Allow(Forged(n), 1, answer, period * 2000 + n);
    EXPECT_EQ(newOnes, period <= 5 ? 2 : 3);
    EXPECT_EQ(limiter.Allow(kLoopback, 7, answer, period * 2000 + 1999), period <= 5);
  }
}

// Floods of forged sources against full answers, with a steady peer that pulls every 2 s late
// in each period, after most of the period's flood, and a slow one that pulls every 10 s.
TEST(RequestLimiter, FloodsStayWithinTheBudgetAndSteadyPeersKeepTheirAnswers) {
  for (int rate : {20, 200, 800}) {
    SCOPED_TRACE(rate);
    TRequestLimiter limiter(2000, DefaultAnswerBudgetBytes, 16);
    const uint32_t steady = htonl(0x7F000002), slow = htonl(0x7F000003);
    ASSERT_TRUE(limiter.Allow(steady, 8888, FullAnswerBytes, 1500));
    ASSERT_TRUE(limiter.Allow(slow, 8888, FullAnswerBytes, 1600));
    uint32_t forged = 0;
    for (int period = 1; period <= 30; ++period) {
      size_t bytes = 0;
      int steadyAnswers = 0;
      for (int ms = 0; ms < 2000; ms += 50) {
        const int64_t now = int64_t(period) * 2000 + ms;
        for (int i = 0; i < rate / 20; ++i)
          if (limiter.Allow(Forged(++forged), 1, FullAnswerBytes, now)) bytes += FullAnswerBytes;
        if (ms == 1500 && limiter.Allow(steady, 8888, FullAnswerBytes, now)) {
          bytes += FullAnswerBytes;
          ++steadyAnswers;
        }
        if (ms == 1600 && period % 5 == 0) {
          const bool answered = limiter.Allow(slow, 8888, FullAnswerBytes, now);
          EXPECT_TRUE(answered) << period;
          bytes += answered ? FullAnswerBytes : 0;
        }
      }
      EXPECT_LE(bytes, DefaultAnswerBudgetBytes) << period;
      EXPECT_EQ(steadyAnswers, 1) << period;
    }
  }
}

// While the table grows, the room kept for a steady peer (its last answer) can fall a little
// short of its next answer, just when the forged sources of an earlier period give theirs back
// and a flood of new ones takes it. One refusal must not cost the peer its place for good.
// Sizes in cards: 2725 then 2731 from period 7 on (the room given back there leaves exactly
// 2725 cards' worth for the peer); and a table that gains six cards every period.
TEST(RequestLimiter, ASteadyPeerWhoseAnswerGrewMissesAtMostOnePull) {
  struct TCase {
    const char* what;
    std::function<size_t(int)> cards;  // by period
  };
  const TCase cases[] = {
      {"six more cards from period 7", [](int period) { return size_t(period < 7 ? 2725 : 2731); }},
      {"six more cards every period", [](int period) { return size_t(2000 + 6 * period); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TRequestLimiter limiter(2000, DefaultAnswerBudgetBytes, 16);
    const uint32_t steady = htonl(0x7F000002);
    ASSERT_TRUE(limiter.Allow(steady, 8888, c.cards(0) * OnLineEntrySize, 0));
    uint32_t forged = 0;
    std::string pulls;  // '+' answered, '-' refused, by period
    for (int period = 1; period <= 40; ++period) {
      const size_t answer = c.cards(period) * OnLineEntrySize;
      size_t bytes = 0;
      for (int ms = 0; ms < 2000; ms += 50) {
        const int64_t now = int64_t(period) * 2000 + ms;
        for (int i = 0; i < 40; ++i)  // 800 requests/s
          if (limiter.Allow(Forged(++forged), 1, answer, now)) bytes += answer;
        if (ms == 1500) {
          const bool answered = limiter.Allow(steady, 8888, answer, now);
          pulls += answered ? '+' : '-';
          bytes += answered ? answer : 0;
        }
      }
      EXPECT_LE(bytes, DefaultAnswerBudgetBytes) << period;
    }
    EXPECT_EQ(pulls.find("--"), std::string::npos) << pulls;
  }
}

TEST(RemoteServerSettings, DefaultsAndTheThreeKeys) {
  auto dir = std::filesystem::temp_directory_path() / ("online-settings-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  platform::TSettingsFile file((dir / "Param.ini").string());

  TRemoteServerSettings s = ReadRemoteServerSettings(file);
  EXPECT_EQ(s.Ip, "192.168.0.1");
  EXPECT_EQ(s.Port, 8888);
  EXPECT_FALSE(s.AutoDownLoad);

  ASSERT_TRUE(WriteRemoteServerSettings(file, {"127.0.0.1", 9000, true}));
  std::stringstream text;
  text << std::ifstream(file.Path()).rdbuf();
  EXPECT_NE(text.str().find("AutoDownLoad=1"), std::string::npos) << text.str();
  s = ReadRemoteServerSettings(file);
  EXPECT_EQ(s.Ip, "127.0.0.1");
  EXPECT_EQ(s.Port, 9000);
  EXPECT_TRUE(s.AutoDownLoad);

  ASSERT_TRUE(WriteRemoteServerSettings(file, {"127.0.0.1", 9000, false}));
  EXPECT_EQ(file.ReadString("Param", "AutoDownLoad", ""), "0");
  // Only 1 switches pulling on.
  file.WriteString("Param", "AutoDownLoad", "2");
  EXPECT_FALSE(ReadRemoteServerSettings(file).AutoDownLoad);
  std::filesystem::remove_all(dir);
}

TEST(RemoteServerSettings, OnlyDottedAddressesAreUsed) {
  EXPECT_EQ(ParseDottedIp("127.0.0.1"), htonl(0x7F000001));
  EXPECT_EQ(ParseDottedIp(" 192.168.0.1 "), htonl(0xC0A80001));
  for (const char* bad : {"", "localhost", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4x", "::1"})
    EXPECT_EQ(ParseDottedIp(bad), std::nullopt) << bad;
}

TEST(RemoteServerSettings, ListenerPortFromTheEnvironment) {
  struct Case {
    const char* value;
    uint16_t port;
  };
  for (const Case& c : {Case{nullptr, 8888}, Case{"", 8888}, Case{"9999", 9999}, Case{"0", 0},
                        Case{"65536", 8888}, Case{"12x", 8888}, Case{"-1", 8888}}) {
    if (c.value)
      ::setenv("CORVANE_ONLINE_PORT", c.value, 1);
    else
      ::unsetenv("CORVANE_ONLINE_PORT");
    EXPECT_EQ(OnLinePortFromEnvironment(), c.port) << (c.value ? c.value : "(unset)");
  }
  ::unsetenv("CORVANE_ONLINE_PORT");
}

TEST(OnLineGrid, CellsAndRows) {
  TOnLineGrid grid;
  EXPECT_EQ(grid.RowCount(), 32);
  EXPECT_EQ(grid.Headings()[0], "控制卡名称");
  EXPECT_EQ(grid.Headings()[5], "最后通讯时间");

  TOnLineEntry entry;
  entry.Image = Card(0x00ABCDEF, "east gate");
  platform::StoreU16(entry.Image.Bytes.data() + 40, 513);
  entry.Image.SetSource(htonl(0xC0A8014D), htons(6666));
  entry.Shown = Moment(2024, 5, 6, 7, 8, 9);
  grid.Update({entry});
  EXPECT_EQ(grid.RowCount(), 32);
  const char* expected[] = {"east gate", "513", "192.168.1.77", "6666", "0x00ABCDEF", "2024-05-06 07:08:09"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(grid.Cell(c, 1), expected[c]) << c;
  for (int c = 0; c < 6; ++c) EXPECT_EQ(grid.Cell(c, 2), "");
  EXPECT_EQ(grid.EntryAt(0), nullptr);
  EXPECT_EQ(grid.EntryAt(2), nullptr);
  ASSERT_NE(grid.EntryAt(1), nullptr);

  std::vector<TOnLineEntry> many(31, entry);
  grid.Update(many);
  EXPECT_EQ(grid.RowCount(), 32);
  many.resize(40, entry);
  grid.Update(many);
  EXPECT_EQ(grid.RowCount(), 41);
  // The grid does not shrink; rows after the last entry are empty.
  grid.Update({entry});
  EXPECT_EQ(grid.RowCount(), 41);
  EXPECT_EQ(grid.Cell(0, 2), "");
}

namespace {

// A real project root behind the import hooks; error boxes and the main window's calls are
// recorded.
class OnLineImport : public ::testing::Test {
 protected:
  void SetUp() override { model::SetLoadMode(model::LoadModeNormal); }

  TOnLineImportHooks Hooks() {
    return {[this] { return &Root; }, [this] { ++Modified; }, [this] { ++Rebuilt; }};
  }

  static TOnLineEntry Entry(uint32_t id, std::string_view name) {
    TOnLineEntry entry;
    entry.Image = Card(id, name);
    platform::StoreU16(entry.Image.Bytes.data() + 40, 7);
    entry.Image.SetSource(htonl(INADDR_LOOPBACK), htons(40123));
    return entry;
  }

  model::TConstructer Root{nullptr};
  test::TFakeDialogs Dialogs;
  int Modified = 0;
  int Rebuilt = 0;
};

}  // namespace

TEST_F(OnLineImport, AddsANetworkScreenForTheCard) {
  const std::string name = platform::Utf8ToGbk("东门屏");
  model::TLEDScreen* screen = ImportOnLineCard(Entry(1, name), Hooks(), Dialogs);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(Root.ScreenCount(), 2);
  EXPECT_EQ(Root.GetScreen(1), screen);
  EXPECT_EQ(screen->Text(), name);
  EXPECT_EQ(screen->Address(), 7);
  EXPECT_EQ(Root.GetLeafCount(1), 1);
  const model::TCommunication& link = screen->Communicate();
  EXPECT_EQ(link.CommunicationType(), model::ctNetWork);
  EXPECT_EQ(link.IP(), "127.0.0.1");
  EXPECT_EQ(link.RemotePort(), 40123);
  EXPECT_EQ(link.LocalPort(), 5182);
  // The screen's table shows the network rows.
  EXPECT_NE(std::find(screen->PropertyTable().begin(), screen->PropertyTable().end(),
                      platform::Utf8ToGbk("Communicate.IP|IP地址|$000000F0")),
            screen->PropertyTable().end());
  EXPECT_EQ(Modified, 1);
  EXPECT_EQ(Rebuilt, 1);
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(OnLineImport, AnExistingNameInOtherLettersIsRefusedWithItsQuotes) {
  Root.GetScreen(0)->SetText("Gate-A");
  EXPECT_FALSE(CanImportOnLineCard(Root, "gate-a"));
  EXPECT_EQ(ImportOnLineCard(Entry(1, "GATE-a"), Hooks(), Dialogs), nullptr);
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(platform::GbkToUtf8(Dialogs.Boxes[0].Text), "\"GATE-a\" 已存在，无法引入!");
  EXPECT_EQ(platform::GbkToUtf8(Dialogs.Boxes[0].Caption), "提示信息");
  EXPECT_EQ(Dialogs.Boxes[0].Icon, TMessageIcon::Error);
  EXPECT_EQ(Dialogs.Boxes[0].Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Root.ScreenCount(), 1);
  EXPECT_EQ(Modified + Rebuilt, 0);
}

TEST_F(OnLineImport, ABlankNameDoesNothing) {
  for (const char* blank : {"", "   "}) {
    EXPECT_EQ(ImportOnLineCard(Entry(1, blank), Hooks(), Dialogs), nullptr);
  }
  EXPECT_EQ(Root.ScreenCount(), 1);
  EXPECT_TRUE(Dialogs.Boxes.empty());
  EXPECT_EQ(Modified + Rebuilt, 0);
}

TEST_F(OnLineImport, TheDialogImportsTheCardTheClickedRowShowed) {
  TOnLineTable table;
  table.Report(Card(1, "first"), htonl(INADDR_LOOPBACK), htons(1), 0, 0);
  table.Report(Card(2, "second"), htonl(INADDR_LOOPBACK), htons(2), 10, 0);
  TOnLineFormLogic form(table, Hooks(), Dialogs);
  form.Refresh();
  EXPECT_TRUE(form.ClickRow(2));
  // The first card goes and a refresh repaints before the button is pressed.
  table.Expire(60005, 60000, 0);
  table.Report(Card(3, "third"), htonl(INADDR_LOOPBACK), htons(3), 60005, 0);
  form.Refresh();
  EXPECT_EQ(form.Grid().Cell(0, 2), "third");
  ASSERT_NE(form.Import(), nullptr);
  EXPECT_EQ(Root.GetScreen(1)->Text(), "second");

  // The imported name now disables the button; an empty row enables it and imports nothing.
  form.Refresh();
  EXPECT_FALSE(form.ClickRow(1));
  EXPECT_TRUE(form.ClickRow(5));
  EXPECT_EQ(form.Import(), nullptr);
  EXPECT_EQ(Root.ScreenCount(), 2);
}

TEST_F(OnLineImport, BeforeAnyClickTheFirstRowIsImported) {
  TOnLineTable table;
  TOnLineFormLogic form(table, Hooks(), Dialogs);
  form.Refresh();
  EXPECT_EQ(form.Import(), nullptr);  // nothing listed
  table.Report(Card(1, "only"), htonl(INADDR_LOOPBACK), htons(1), 0, 0);
  form.Refresh();
  ASSERT_NE(form.Import(), nullptr);
  EXPECT_EQ(Root.GetScreen(1)->Text(), "only");
}
