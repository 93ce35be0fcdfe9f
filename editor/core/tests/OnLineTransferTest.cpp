// The listener over loopback: test sockets on 127.0.0.1 play cards, requesters and remote servers;
// forged requesters and impostors use other loopback addresses (127.0.0.2, 127.1.x.y).
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
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
  // On 127.0.0.1 unless another loopback address is given.
  explicit TPeer(uint32_t ip = kLoopback) { EXPECT_TRUE(socket_.Bind(0, ip)) << socket_.Error(); }
  uint16_t Port() const { return socket_.LocalPort(); }
  int Fd() const { return socket_.Fd(); }
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

// Pumps the test thread's queue until `done` holds, looking again at least every stepMs; false
// after kPatienceMs.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kPatienceMs, int stepMs = 20) {
  const int64_t end = NowMs() + timeoutMs;
  while (!done()) {
    const int64_t left = end - NowMs();
    if (left <= 0) return false;
    platform::WaitMessage(int(std::min<int64_t>(left, stepMs)));
    platform::ProcessMessages();
  }
  return true;
}

// Listeners on one fake clock, and the datagrams the test sends them. Settle() waits until every
// datagram the test sent has been handled with all it caused; once StartRing has made the
// listeners pull each other, it waits for what they send each other too.
class TListeners {
 public:
  explicit TListeners(platform::TFakeClock& clock) : clock_(clock) {}

  TListenerUnderTest& Add(TTransferOptions options = {}) {
    options.Clock = &clock_;
    listeners_.push_back(std::make_unique<TListenerUnderTest>(options));
    return *listeners_.back();
  }
  TListenerUnderTest& operator[](size_t i) { return *listeners_[i]; }

  // Listener i pulls listener i + 1, the last the first. Each reads its settings when it
  // starts and pulls at once, before the next one is bound: so sockets of the test choose the
  // ports and hold each until its listener starts, taking the pull that came before it.
  void StartRing() {
    const size_t n = listeners_.size();
    std::vector<std::unique_ptr<TPeer>> holders;
    for (size_t i = 0; i < n; ++i) holders.push_back(std::make_unique<TPeer>());
    for (size_t i = 0; i < n; ++i) {
      listeners_[i]->Settings.PullFrom(holders[(i + 1) % n]->Port());
      listeners_[i]->Options.LocalPort = holders[i]->Port();
      // As the program reads the file when it starts.
      listeners_[i]->Options.Settings = platform::TSettingsFile(listeners_[i]->Settings.Path());
    }
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) {
        auto pull = holders[i]->Receive();  // listener i - 1's first
        ASSERT_TRUE(pull);
        EXPECT_EQ(*pull, kRequest);
        ++taken_;
      }
      holders[i].reset();
      listeners_[i]->Start();
    }
    closed_ = true;
    Settle();
  }
  void Start() {
    for (auto& l : listeners_) l->Start();
  }

  void SendTo(TPeer& from, TListenerUnderTest& to, const Bytes& datagram) {
    ++sent_;
    from.SendTo(to.Port(), datagram);
  }
  void Settle() {
    ASSERT_TRUE(PumpUntil(
        [&] {
          uint64_t handled = taken_, sent = sent_;
          for (auto& l : listeners_) {
            const TTransfer::TCounts counts = l->Transfer->Counts();
            handled += counts.Handled;
            if (closed_) sent += counts.Sent;
          }
          return handled == sent;
        },
        kPatienceMs, 1));
  }
  // Moves the clock on and wakes every listener to see the time.
  void Step(int64_t ms) {
    clock_.Advance(ms);
    for (auto& l : listeners_) SendTo(poke_, *l, kPoke);
    Settle();
  }

 private:
  const Bytes kPoke = {0, 0, 0, 0};  // an unknown magic: ignored
  platform::TFakeClock& clock_;
  std::vector<std::unique_ptr<TListenerUnderTest>> listeners_;
  TPeer poke_;
  uint64_t sent_ = 0;
  bool closed_ = false;  // the listeners send only to each other
  uint64_t taken_ = 0;   // their datagrams the test's sockets took
};

bool Lists(const TOnLineTable& table, uint32_t id) {
  for (const auto& e : table.Snapshot())
    if (e.Image.DeviceId() == id) return true;
  return false;
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

TEST(OnLineTransfer, AnEntryOfTheRemoteServerKeepsItsOwnAddressAndPort) {
  TPeer server;
  TListenerUnderTest l;
  l.Settings.PullFrom(server.Port());
  l.Start();
  TCardImage image = Card(0x42, "west");
  image.SetSource(htonl(0x0A010203), htons(6666));
  server.SendTo(l.Port(), Entry(image));
  ASSERT_TRUE(PumpUntil([&] { return l.Table.Count() == 1; }));
  TOnLineEntry entry = l.Table.Snapshot()[0];
  EXPECT_EQ(entry.Image.Bytes, image.Bytes);
  EXPECT_EQ(entry.Image.DottedIp(), "10.1.2.3");
  EXPECT_EQ(entry.Image.Port(), 6666);
}

// Anyone could otherwise plant a card whose import aims a screen anywhere.
TEST(OnLineTransfer, EntriesAreTakenOnlyFromTheRemoteServerWhileItIsPulled) {
  struct Case {
    const char* what;
    bool autoDownLoad;
    bool fromServer;  // else from another port of the server's address
    bool listed;
  };
  const Case cases[] = {
      {"the server, pulled", true, true, true},
      {"another port of its address", true, false, false},
      {"the server, not pulled", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::TFakeClock clock(1000);
    TListeners listeners(clock);
    TListenerUnderTest& l = listeners.Add();
    TPeer server, other, card;
    platform::TSettingsFile file(l.Settings.Path());
    WriteRemoteServerSettings(file, {"127.0.0.1", server.Port(), c.autoDownLoad});
    listeners.Start();
    listeners.SendTo(c.fromServer ? server : other, l, Entry(Card(0x42, "planted")));
    listeners.SendTo(card, l, Report(Card(0x43, "real")));
    listeners.Settle();
    EXPECT_EQ(Lists(l.Table, 0x42), c.listed);
    EXPECT_TRUE(Lists(l.Table, 0x43));
  }
}

// Another address with the server's port: a socket of its own on 127.0.0.2.
TEST(OnLineTransfer, EntriesFromAnotherAddressWithTheServersPortAreIgnored) {
  platform::TFakeClock clock(1000);
  TListeners listeners(clock);
  TListenerUnderTest& l = listeners.Add();
  TPeer server;
  platform::TUdpSocket impostor;
  ASSERT_TRUE(impostor.Bind(server.Port(), htonl(0x7F000002))) << impostor.Error();
  l.Settings.PullFrom(server.Port());
  listeners.Start();
  const Bytes planted = Entry(Card(0x42, "planted"));
  ASSERT_TRUE(impostor.SendTo(planted.data(), planted.size(), kLoopback, htons(l.Port())));
  TPeer card;
  listeners.SendTo(card, l, Report(Card(0x43, "real")));
  ASSERT_TRUE(PumpUntil([&] { return l.Transfer->Counts().Handled == 2; }));
  EXPECT_FALSE(Lists(l.Table, 0x42));
  EXPECT_TRUE(Lists(l.Table, 0x43));
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

// Instances pulling each other in a pair or a ring hand a card's copies round; a card that
// reported once must still go everywhere in bounded time, and stay gone. The defaults hold:
// cards go after 60 s, pulls every 2 s, a card gone silent is held down for 5 minutes.
// Card 1 reports once to listener 0; with `live`, card 2 reports to it every 2 s, so every
// answer that carries card 1 lists something else too, and a server that stops listing card 1
// is seen to stop.
struct TRingCase {
  size_t size;
  bool live;
};

void RingForgetsADeadCard(const TRingCase& c) {
  SCOPED_TRACE(std::to_string(c.size) + (c.live ? " listeners, a live card too" : " listeners"));
  platform::TFakeClock clock(100000);
  TListeners ring(clock);
  for (size_t i = 0; i < c.size; ++i) ring.Add();
  ring.StartRing();
  TTransferOptions defaults;
  const int64_t step = 500;
  TPeer dying, living;
  auto reportLiving = [&] {
    if (c.live) ring.SendTo(living, ring[0], Report(Card(2, "living")));
  };

  ring.SendTo(dying, ring[0], Report(Card(1, "dying")));
  reportLiving();
  ring.Settle();
  const int64_t lastReport = clock.NowMs();
  // The copies go the other way round the ring: listener i learns from listener i + 1.
  std::vector<int64_t> gone(c.size, 0), back(c.size, 0);
  int64_t everywhere = 0;
  int liveMissing = 0;  // steps at which a listener did not list the live card
  while (clock.NowMs() - lastReport < 400000) {
    ring.Step(step);
    if ((clock.NowMs() - lastReport) % defaults.PullPeriodMs == 0) {
      reportLiving();
      ring.Settle();
    }
    bool all = true;
    for (size_t i = 0; i < c.size; ++i) {
      const bool listed = Lists(ring[i].Table, 1);
      all = all && listed;
      if (listed && gone[i] != 0 && back[i] == 0) {
        back[i] = clock.NowMs() - lastReport;
      } else if (!listed && everywhere != 0 && gone[i] == 0) {
        gone[i] = clock.NowMs() - lastReport;
      }
      if (c.live && clock.NowMs() - lastReport > 10000 && !Lists(ring[i].Table, 2)) ++liveMissing;
    }
    if (all && everywhere == 0) everywhere = clock.NowMs() - lastReport;
  }
  ASSERT_NE(everywhere, 0);
  EXPECT_EQ(back, std::vector<int64_t>(c.size, 0)) << "card 1 came back";
  EXPECT_EQ(liveMissing, 0);
  EXPECT_LE(everywhere, int64_t(c.size) * defaults.PullPeriodMs);
  // The listener that heard the card drops it 60 s after the report; each listener further on
  // (hops from listener 0 the way the copies go) at most a minute later, or a few pulls later
  // when its server still lists other cards.
  EXPECT_GT(gone[0], defaults.ExpiryMs);
  EXPECT_LE(gone[0], defaults.ExpiryMs + step);
  for (size_t hops = 1; hops < c.size; ++hops) {
    const size_t i = c.size - hops;
    SCOPED_TRACE(i);
    const int64_t perHop = c.live ? 4 * defaults.PullPeriodMs : defaults.ExpiryMs + step;
    EXPECT_GT(gone[i], 0);
    EXPECT_LE(gone[i], gone[0] + int64_t(hops) * perHop + step);
  }
  std::printf("%zu listeners%s: card 1 dropped after", c.size, c.live ? ", live card" : "");
  for (size_t i = 0; i < c.size; ++i) std::printf(" %lld ms", (long long)gone[i]);
  std::printf("\n");
}

TEST(OnLineTransfer, APairAndARingOfThreeForgetADeadCard) {
  for (const TRingCase& c : {TRingCase{2, false}, TRingCase{2, true}, TRingCase{3, false}, TRingCase{3, true}})
    RingForgetsADeadCard(c);
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

TEST(OnLineTransfer, AtMostSixteenNewSourcesAreAnsweredPerPeriod) {
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

// --- floods ------------------------------------------------------------------------------------

namespace {

// Room for a whole table's answer (4095 datagrams) on a receiving socket.
void WidenReceiveBuffer(int fd) {
  int size = 4 << 20;
  ASSERT_EQ(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size), 0);
}

struct TFloodFigures {
  std::vector<size_t> BytesPerPeriod;  // answers received in each 2 s period, by everyone
  std::vector<int> PeerAnswers;        // whole answers the steady peer got in each period
  uint64_t AnswerBytesSent = 0;        // as the listener counted them
};

// A full table; the forged requests of `requestsPerSecond` in 100 ms slices from period 1 on,
// each from a new source on 127.1.x.y; a steady peer that pulls every 2 s, late in each period.
TFloodFigures Flood(int requestsPerSecond, int floodPeriods) {
  TFloodFigures figures;
  platform::TFakeClock clock(1000000);
  TListeners listeners(clock);
  TListenerUnderTest& l = listeners.Add();
  listeners.Start();
  TPeer card;
  for (uint32_t id = 0; id < MaxOnLineCards; ++id) {
    listeners.SendTo(card, l, Report(Card(id, "c")));
    if (id % 128 == 0) listeners.Settle();
  }
  listeners.Settle();
  EXPECT_EQ(l.Table.Count(), MaxOnLineCards);

  const int64_t t0 = clock.NowMs();
  const int periods = 1 + floodPeriods;
  figures.BytesPerPeriod.assign(size_t(periods), 0);
  figures.PeerAnswers.assign(size_t(periods), 0);
  TPeer peer;
  WidenReceiveBuffer(peer.Fd());
  uint32_t forged = 0;
  for (int slice = 0; slice < periods * 20; ++slice) {
    const int64_t at = t0 + slice * 100;
    clock.Set(at);
    const size_t period = size_t(slice / 20);
    std::vector<std::unique_ptr<TPeer>> sources;
    // Period 0 is quiet but for one request at its start; the flood runs from period 1 on.
    const int count = slice == 0 ? 1 : slice >= 20 ? requestsPerSecond / 10 : 0;
    for (int i = 0; i < count; ++i) {
      ++forged;
      sources.push_back(std::make_unique<TPeer>(htonl(0x7F010000 + forged)));
      WidenReceiveBuffer(sources.back()->Fd());
      listeners.SendTo(*sources.back(), l, kRequest);
    }
    const bool pulls = (at - t0) % 2000 == 1500;
    if (pulls) listeners.SendTo(peer, l, kRequest);
    listeners.Settle();
    for (auto& s : sources) figures.BytesPerPeriod[period] += s->Drain().size() * OnLineEntrySize;
    if (pulls) {
      const size_t got = peer.Drain().size();
      figures.BytesPerPeriod[period] += got * OnLineEntrySize;
      if (got == MaxOnLineCards) ++figures.PeerAnswers[period];
    }
  }
  figures.AnswerBytesSent = l.Transfer->Counts().AnswerBytes;
  return figures;
}

}  // namespace

// One 4-byte request draws 278,460 bytes: forged sources must not turn the listener into a
// flood of its own, nor crowd out an instance that pulls at the usual pace.
TEST(OnLineTransfer, FloodsOfForgedRequestsStayWithinTheBudgetAndTheSteadyPeerIsAnswered) {
  for (int rate : {20, 200, 800}) {
    SCOPED_TRACE(rate);
    TFloodFigures f = Flood(rate, 4);
    size_t total = 0;
    std::printf("flood %d/s:", rate);
    for (size_t p = 0; p < f.BytesPerPeriod.size(); ++p) {
      std::printf(" [%zu B, peer %d]", f.BytesPerPeriod[p], f.PeerAnswers[p]);
      total += f.BytesPerPeriod[p];
      EXPECT_LE(f.BytesPerPeriod[p], DefaultAnswerBudgetBytes) << p;
      EXPECT_EQ(f.PeerAnswers[p], 1) << p;
    }
    std::printf("\n");
    EXPECT_EQ(total, f.AnswerBytesSent);  // nothing was lost on the way
  }
}
