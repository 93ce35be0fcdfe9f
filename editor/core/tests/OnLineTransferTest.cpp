// The listener over loopback: test sockets on 127.0.0.1 play cards, requesters and remote servers.
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "editor/core/OnLineList.h"
#include "platform/base/ByteOrder.h"
#include "platform/comm/UdpSocket.h"

using namespace editor;

namespace {

using Bytes = std::vector<uint8_t>;
const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr int kPatienceMs = 5000;  // only ever reached when something is broken

int64_t NowMs() { return platform::SteadyClock().NowMs(); }

// A UDP socket on 127.0.0.1 with a waiting receive.
class TPeer {
 public:
  TPeer() { EXPECT_TRUE(socket_.Bind(0, kLoopback)) << socket_.Error(); }
  uint16_t Port() const { return socket_.LocalPort(); }
  void SendTo(uint16_t port, const Bytes& data) {
    ASSERT_TRUE(socket_.SendTo(data.data(), data.size(), kLoopback, htons(port)));
  }
  std::optional<Bytes> Receive(int timeoutMs = kPatienceMs) {
    pollfd p{socket_.Fd(), POLLIN, 0};
    if (timeoutMs > 0 && ::poll(&p, 1, timeoutMs) != 1) return std::nullopt;
    Bytes buffer(2048);
    uint32_t ip;
    uint16_t port;
    size_t n = socket_.ReceiveFrom(buffer.data(), buffer.size(), ip, port);
    if (n == 0) return std::nullopt;
    buffer.resize(n);
    return buffer;
  }
  // Everything already waiting, without waiting.
  std::vector<Bytes> Drain() {
    std::vector<Bytes> all;
    while (auto d = Receive(0)) all.push_back(*d);
    return all;
  }

 private:
  platform::TUdpSocket socket_;
};

TCardImage Card(uint32_t id, std::string_view name) {
  TCardImage image;
  std::copy(name.begin(), name.end(), image.Bytes.begin());
  platform::StoreU32(image.Bytes.data() + 32, id);
  for (size_t i = 36; i < 64; ++i) image.Bytes[i] = uint8_t(0xC0 + i);  // address, port and the rest
  return image;
}

Bytes Report(const TCardImage& image) {
  Bytes d(OnLineEntrySize);
  platform::StoreU32(d.data(), CardReportMagic);
  std::copy(image.Bytes.begin(), image.Bytes.end(), d.begin() + 4);
  return d;
}
Bytes Entry(const TCardImage& image) {
  auto d = OnLineEntryDatagram(image);
  return Bytes(d.begin(), d.end());
}
const Bytes kRequest = {0x55, 0xAA, 0x55, 0xAA};

// A Param.ini of its own per test.
class TSettingsDir {
 public:
  TSettingsDir() {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("online-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  ~TSettingsDir() { std::filesystem::remove_all(dir_); }
  std::string Path() const { return (dir_ / "Param.ini").string(); }
  void PullFrom(uint16_t port) {
    platform::TSettingsFile file(Path());
    WriteRemoteServerSettings(file, {"127.0.0.1", port, true});
  }

 private:
  std::filesystem::path dir_;
};

// A listener on 127.0.0.1 with its table, refreshes counted on the test thread's queue.
struct TListenerUnderTest {
  explicit TListenerUnderTest(TTransferOptions options = {}) {
    options.LocalPort = 0;
    options.LocalIp = kLoopback;
    options.Settings = platform::TSettingsFile(Settings.Path());
    options.NotifyWindow = Window.Handle();
    Options = options;
  }
  void Start() {
    Transfer = std::make_unique<TTransfer>(Table, Options);
    ASSERT_TRUE(Transfer->Start());
  }
  uint16_t Port() const { return Transfer->LocalPort(); }

  TSettingsDir Settings;
  TOnLineTable Table;
  int Refreshes = 0;
  platform::TMessageWindow Window{[this](uint32_t, uintptr_t, intptr_t) {
    ++Refreshes;
    Table.TakeSnapshot();
    return intptr_t(0);
  }};
  TTransferOptions Options;
  std::unique_ptr<TTransfer> Transfer;
};

// Pumps the test thread's queue until `done` holds; false after kPatienceMs.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kPatienceMs) {
  const int64_t end = NowMs() + timeoutMs;
  while (!done()) {
    const int64_t left = end - NowMs();
    if (left <= 0) return false;
    platform::WaitMessage(int(std::min<int64_t>(left, 20)));
    platform::ProcessMessages();
  }
  return true;
}

}  // namespace

TEST(OnLineTransfer, AReportBecomesAnEntryWithItsSourceAddress) {
  TListenerUnderTest l;
  l.Start();
  TPeer card;
  TCardImage image = Card(0x12345678, "north");
  card.SendTo(l.Port(), Report(image));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  TCardImage listed = l.Table.Snapshot()[0].Image;
  EXPECT_EQ(listed.DottedIp(), "127.0.0.1");
  EXPECT_EQ(listed.Port(), card.Port());
  for (size_t i = 0; i < CardImageSize; ++i) {
    if (i < 36 || i >= 44) {
      EXPECT_EQ(listed.Bytes[i], image.Bytes[i]) << i;
    }
  }
  EXPECT_GE(l.Refreshes + int(platform::PendingMessages()), 1);
}

TEST(OnLineTransfer, AnEntryKeepsItsOwnAddressAndPort) {
  TListenerUnderTest l;
  l.Start();
  TPeer server;
  TCardImage image = Card(0x42, "west");
  image.SetSource(htonl(0x0A010203), htons(6666));
  server.SendTo(l.Port(), Entry(image));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  TOnLineEntry entry = l.Table.Snapshot()[0];
  EXPECT_EQ(entry.Image.Bytes, image.Bytes);
  EXPECT_EQ(entry.Image.DottedIp(), "10.1.2.3");
  EXPECT_EQ(entry.Image.Port(), 6666);
}

TEST(OnLineTransfer, ARequestIsAnsweredWithOneDatagramPerCardInOrder) {
  TListenerUnderTest l;
  l.Start();
  TPeer early, card, requester;
  early.SendTo(l.Port(), kRequest);  // the table is still empty
  for (uint32_t id : {30u, 10u, 20u}) card.SendTo(l.Port(), Report(Card(id, "c" + std::to_string(id))));
  requester.SendTo(l.Port(), kRequest);

  std::vector<uint32_t> ids;
  for (int i = 0; i < 3; ++i) {
    auto answer = requester.Receive();
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->size(), OnLineEntrySize);
    EXPECT_EQ(Bytes(answer->begin(), answer->begin() + 4), (Bytes{0x55, 0x55, 0xAA, 0xAA}));
    TOnLineDatagram d = ReadOnLineDatagram(answer->data(), answer->size());
    EXPECT_EQ(d.Image.Port(), card.Port());
    ids.push_back(d.Image.DeviceId());
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{30, 10, 20}));
  // Datagrams are handled in order, so anything for the earlier requests has arrived by now.
  EXPECT_TRUE(requester.Drain().empty());
  EXPECT_TRUE(early.Drain().empty());
}

TEST(OnLineTransfer, OnlyOneRefreshIsPendingAndItShowsTheLatestTable) {
  TListenerUnderTest l;
  l.Start();
  TPeer card, requester;
  for (uint32_t id = 1; id <= 5; ++id) card.SendTo(l.Port(), Report(Card(id, "r")));
  requester.SendTo(l.Port(), kRequest);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(requester.Receive());
  EXPECT_EQ(platform::PendingMessages(), 1u);
  platform::ProcessMessages();
  EXPECT_EQ(l.Refreshes, 1);
  card.SendTo(l.Port(), Report(Card(6, "r")));
  ASSERT_TRUE(PumpUntil([&] { return l.Refreshes == 2; }));
  EXPECT_EQ(l.Table.Count(), 6u);
}

TEST(OnLineTransfer, PullsTheRemoteServerEveryPeriodWithAndWithoutReports) {
  TPeer server, card;
  TTransferOptions o;
  o.PullPeriodMs = 60;
  TListenerUnderTest l(o);
  l.Settings.PullFrom(server.Port());
  l.Start();

  std::vector<int64_t> arrivals;
  // Quiet: nothing arrives at the listener.
  while (arrivals.size() < 4) {
    auto request = server.Receive();
    ASSERT_TRUE(request);
    EXPECT_EQ(*request, kRequest);
    arrivals.push_back(NowMs());
  }
  // Busy: a card reports every 10 ms; the pulls keep their pace, neither more nor fewer.
  while (arrivals.size() < 8) {
    card.SendTo(l.Port(), Report(Card(1, "busy")));
    if (auto request = server.Receive(10)) {
      EXPECT_EQ(*request, kRequest);
      arrivals.push_back(NowMs());
    }
    ASSERT_LT(NowMs() - arrivals.front(), kPatienceMs);
  }
  for (size_t i = 1; i < arrivals.size(); ++i) EXPECT_GE(arrivals[i] - arrivals[i - 1], 50) << i;
  EXPECT_LT(arrivals.back() - arrivals.front(), 7 * 60 * 4);
}

TEST(OnLineTransfer, TwoListenersPullingFromEachOtherForgetADeadCard) {
  TTransferOptions o;
  o.ExpiryMs = 400;
  o.PullPeriodMs = 40;
  o.WaitMs = 100;
  TListenerUnderTest first(o), second(o);
  first.Start();
  second.Start();
  // Each reads its settings when it starts: restart both once the other's port is known.
  first.Settings.PullFrom(second.Port());
  second.Settings.PullFrom(first.Port());
  first.Transfer->Stop();
  second.Transfer->Stop();
  first.Options.LocalPort = first.Port();
  second.Options.LocalPort = second.Port();
  // As the next program start reads the file.
  first.Options.Settings = platform::TSettingsFile(first.Settings.Path());
  second.Options.Settings = platform::TSettingsFile(second.Settings.Path());
  first.Start();
  second.Start();

  TPeer card;
  card.SendTo(first.Port(), Report(Card(77, "dying")));
  ASSERT_TRUE(PumpUntil([&] { return first.Table.Count() == 1 && second.Table.Count() == 1; }));
  const int64_t lastReport = NowMs();
  EXPECT_EQ(second.Table.Snapshot()[0].Image.Port(), card.Port());  // passed on unchanged

  ASSERT_TRUE(PumpUntil([&] { return first.Table.Count() == 0 && second.Table.Count() == 0; }));
  // Two expiry periods, plus a pull period and room for a loaded machine.
  EXPECT_LT(NowMs() - lastReport, 2 * o.ExpiryMs + o.PullPeriodMs + 400);
}

TEST(OnLineTransfer, OneAnswerPerSourceWithinAPullPeriod) {
  TListenerUnderTest l;
  l.Start();
  TPeer card, twice, later;
  card.SendTo(l.Port(), Report(Card(5, "x")));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  twice.SendTo(l.Port(), kRequest);
  twice.SendTo(l.Port(), kRequest);
  later.SendTo(l.Port(), kRequest);
  ASSERT_TRUE(later.Receive());
  EXPECT_EQ(twice.Drain().size(), 1u);
}

TEST(OnLineTransfer, AtMostSixteenSourcesAreAnsweredPerPeriod) {
  TListenerUnderTest l;
  l.Start();
  TPeer card;
  card.SendTo(l.Port(), Report(Card(5, "x")));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  const int refreshes = l.Refreshes;

  std::vector<std::unique_ptr<TPeer>> sources;
  for (int i = 0; i < 40; ++i) {
    sources.push_back(std::make_unique<TPeer>());
    sources.back()->SendTo(l.Port(), kRequest);
  }
  // A report behind the requests: once its refresh arrives, every request has been handled.
  card.SendTo(l.Port(), Report(Card(6, "fence")));
  ASSERT_TRUE(PumpUntil([&] { return l.Refreshes > refreshes && l.Table.Count() == 2; }));
  size_t answers = 0;
  for (auto& s : sources) answers += s->Drain().size();
  EXPECT_EQ(answers, 16u);
}

TEST(OnLineTransfer, AgesIgnoreTheWallClock) {
  platform::TFakeWallClock wall(*platform::EncodeDateTime({2024, 3, 31, 2, 30, 0, 0}));
  TTransferOptions o;
  o.ExpiryMs = 300;
  o.WaitMs = 50;
  o.WallClock = &wall;
  TListenerUnderTest l(o);
  l.Start();
  TPeer card;
  card.SendTo(l.Port(), Report(Card(1, "a")));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  const int64_t reported = NowMs();
  wall.AdvanceMs(-3600 * 1000);  // the clock is put back an hour
  card.SendTo(l.Port(), Report(Card(2, "b")));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 2; }));

  TOnLineGrid grid;
  grid.Update(l.Table.Snapshot());
  EXPECT_EQ(grid.Cell(5, 1), "2024-03-31 02:30:00");
  EXPECT_EQ(grid.Cell(5, 2), "2024-03-31 01:30:00");

  // Both still go on time, not an hour late.
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 0; }));
  EXPECT_GE(NowMs() - reported, o.ExpiryMs);
}

TEST(OnLineTransfer, StopReturnsAtOnce) {
  TListenerUnderTest l;  // waits up to 10 s in poll()
  l.Start();
  TPeer card;
  card.SendTo(l.Port(), Report(Card(1, "a")));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  const int64_t start = NowMs();
  l.Transfer->Stop();
  EXPECT_LT(NowMs() - start, 100);
  EXPECT_FALSE(l.Transfer->Running());
  l.Transfer->Stop();  // again: nothing to do
}

TEST(OnLineTransfer, APortInUseEndsTheListenerQuietly) {
  TPeer taken;
  TOnLineTable table;
  TTransferOptions o;
  o.LocalIp = kLoopback;
  o.LocalPort = taken.Port();
  TTransfer transfer(table, o);
  EXPECT_FALSE(transfer.Start());
  EXPECT_FALSE(transfer.Running());
  transfer.Stop();
}
