// The link threads for real: over loopback UDP and over pseudo-terminals, against the small
// test card, with short time constants. Waits are on conditions with generous limits.
#include "link/Device.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "TestCard.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/MessageWindow.h"
#include "platform/comm/ComPortNames.h"
#include "platform/comm/UdpSocket.h"

using namespace cardlink;
using cardtest::TTestCard;

namespace {

constexpr int kGenerous = 20000;  // ms; reached only when something is broken
constexpr uint16_t kUdpKind = 2;

enum TVariant { vCorvane, vPanelcast };

std::string VariantName(const testing::TestParamInfo<TVariant>& info) {
  return info.param == vCorvane ? "Corvane" : "Panelcast";
}

TLinkTiming ShortTiming() {
  TLinkTiming t;
  t.AnswerTimeoutMs = 150;
  t.Retries = 6;
  t.Burst = 1;
  t.ReceiveIdleMs = 3000;
  t.GapMs = 20;
  t.SerialPauseMs = 1;
  return t;
}

// Panelcast's options outlive every link of a test.
TTransferOptions& Options() {
  static TTransferOptions options;
  options.TimeoutMs = 150;
  options.Retries = 6;
  options.Burst = 4;
  return options;
}

TLinkPolicy PolicyFor(TVariant v) { return v == vCorvane ? CorvanePolicy(ShortTiming()) : PanelcastPolicy(Options(), ShortTiming()); }

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = 2463534242u + seed;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x);
  }
  return v;
}

std::vector<uint8_t> Command(uint16_t kind, uint8_t card, uint32_t value = 0) {
  std::vector<uint8_t> body(kMessageHeadSize);
  PackMessageHead(TMessageHead{kind, kHostAddress, card, value}, body.data());
  return body;
}

// Collects a link's events as they come, on the link thread.
struct TEventLog {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<std::vector<uint8_t>> Received;
  int SendDone = 0;
  std::vector<std::vector<uint8_t>> Timeouts;
  std::vector<std::vector<uint8_t>> Replies;
  int Progress = 0;

  void Bind(TInspect& link) {
    auto& e = link.Events();
    e.OnDataReceived = [this](std::span<const uint8_t> buffer, const TLinkPeer&, uint8_t, int64_t total) {
      Add([&] { Received.emplace_back(buffer.begin(), buffer.begin() + total); });
    };
    e.OnSendDone = [this](uint8_t, const TLinkPeer&) { Add([&] { ++SendDone; }); };
    e.OnTimeout = [this](uint8_t, std::span<const uint8_t> command, int, const std::string&) {
      Add([&] { Timeouts.emplace_back(command.begin(), command.end()); });
    };
    e.OnReply = [this](uint8_t, std::span<const uint8_t> body, int, const std::string&) {
      Add([&] { Replies.emplace_back(body.begin(), body.end()); });
    };
    e.OnProgress = [this](int, int64_t, int64_t, uint8_t) { Add([&] { ++Progress; }); };
  }
  template <typename F>
  void Add(F f) {
    std::lock_guard lock(Mutex);
    f();
    Changed.notify_all();
  }
  template <typename P>
  bool WaitFor(P done) {
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, std::chrono::milliseconds(kGenerous), done);
  }
};

// A pseudo-terminal whose terminal side a link opens as COM n through the documented override.
class TPtyPort {
 public:
  explicit TPtyPort(int comNumber) : number_(comNumber) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master_, 0);
    ::grantpt(master_);
    ::unlockpt(master_);
    char name[256] = {};
    ::ptsname_r(master_, name, sizeof name);
    ::setenv(platform::ComPortOverrideVariable(comNumber).c_str(), name, 1);
  }
  ~TPtyPort() {
    ::unsetenv(platform::ComPortOverrideVariable(number_).c_str());
    ::close(master_);
  }
  int Master() const { return master_; }

 private:
  int number_;
  int master_ = -1;
};

TLinkSettings UdpSettings(std::vector<uint8_t>& buffer, uint16_t localPort = 0) {
  TLinkSettings s;
  s.LinkKind = kUdpKind;
  s.LocalPort = localPort;
  s.ReceiveBuffer = buffer;
  return s;
}

TLinkSettings SerialSettings(std::vector<uint8_t>& buffer, int comNumber) {
  TLinkSettings s;
  s.LinkKind = 0;
  s.ComPort = comNumber;
  s.SpeedIndex = 5;
  s.ReceiveBuffer = buffer;
  return s;
}

// Runs a 100 kB transfer to the card and one from it.
void TransferBothWays(TInspect& link, TEventLog& log, TTestCard& card, int cardPort, size_t size, int window) {
  auto out = Pattern(size, 1);
  ASSERT_TRUE(link.QueueData(out, cardPort, "127.0.0.1", card.Address()));
  auto got = card.WaitReceived(kGenerous);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, out);
  EXPECT_TRUE(log.WaitFor([&] { return log.SendDone == 1; }));

  auto in = Pattern(size, 2);
  card.Push(in, window);
  ASSERT_TRUE(log.WaitFor([&] { return !log.Received.empty(); }));
  EXPECT_EQ(log.Received[0], in);
  EXPECT_TRUE(card.WaitPushed(kGenerous));
  std::lock_guard lock(log.Mutex);
  EXPECT_TRUE(log.Timeouts.empty());
}

// A started UDP link of the given variant with its event log and a test card.
struct TUdpRig {
  explicit TUdpRig(TVariant variant)
      : Buffer(kReceiveBufferSize), Link(UdpSettings(Buffer), PolicyFor(variant)) {
    EXPECT_TRUE(Link.Opened()) << Link.OpenError();
    Log.Bind(Link);
    EXPECT_TRUE(Link.Start());
    Card = TTestCard::OverUdp(Link.BoundPort());
  }
  std::vector<uint8_t> Buffer;
  TUdpInspect Link;
  TEventLog Log;
  std::unique_ptr<TTestCard> Card;
};

class LinkThread : public testing::TestWithParam<TVariant> {};
INSTANTIATE_TEST_SUITE_P(Variants, LinkThread, testing::Values(vCorvane, vPanelcast), VariantName);

}  // namespace

TEST_P(LinkThread, UdpTransfersOf100kBArriveIntactBothWays) {
  TUdpRig rig(GetParam());
  TransferBothWays(rig.Link, rig.Log, *rig.Card, rig.Card->Port(), 100 * 1024, 8);
}

TEST_P(LinkThread, SerialAndRs485TransfersOf100kBArriveIntactBothWays) {
  for (bool rs485 : {false, true}) {
    TPtyPort pty(41 + rs485);
    std::vector<uint8_t> buffer(kReceiveBufferSize);
    std::unique_ptr<TInspect> link;
    if (rs485) link = std::make_unique<T485Inspect>(SerialSettings(buffer, 42), PolicyFor(GetParam()));
    else link = std::make_unique<TComInspect>(SerialSettings(buffer, 41), PolicyFor(GetParam()));
    ASSERT_TRUE(link->Opened()) << link->OpenError();
    TEventLog log;
    log.Bind(*link);
    ASSERT_TRUE(link->Start());
    auto card = TTestCard::OverStream(pty.Master());
    TransferBothWays(*link, log, *card, 0, 100 * 1024, 4);
    link.reset();
  }
}

TEST_P(LinkThread, LostFramesAreMadeGoodByResends) {
  TUdpRig rig(GetParam());
  rig.Card->DropEveryNth(9);
  TransferBothWays(rig.Link, rig.Log, *rig.Card, rig.Card->Port(), 20 * 1024, 4);
}

TEST_P(LinkThread, CommandsAreAnsweredOrTimeOut) {
  TUdpRig rig(GetParam());
  auto& link = rig.Link;
  auto& log = rig.Log;
  auto& card = rig.Card;
  std::vector<uint8_t> params = Pattern(112, 3);
  card->SetAnswer(ckReadParams, 1, params);
  ASSERT_TRUE(link.QueueCommand(Command(ckReadParams, card->Address()), card->Port(), "127.0.0.1", card->Address()));
  ASSERT_TRUE(log.WaitFor([&] { return log.Replies.size() == 1; }));
  {
    std::lock_guard lock(log.Mutex);
    auto reply = UnpackReplyHead(log.Replies[0]);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->AnsweredKind, ckReadParams);
    EXPECT_EQ(std::vector<uint8_t>(log.Replies[0].begin() + 12, log.Replies[0].end()), params);
  }
  // The card does not answer a query: after T the time-out carries the command.
  auto query = Command(ckQuery, card->Address());
  ASSERT_TRUE(link.QueueCommand(query, card->Port(), "127.0.0.1", card->Address()));
  ASSERT_TRUE(log.WaitFor([&] { return log.Timeouts.size() == 1; }));
  std::lock_guard lock(log.Mutex);
  EXPECT_EQ(log.Timeouts[0], query);
}

TEST(LinkThreadRequests, TheCardsRequestsCanBeAnsweredFromTheEvent) {
  std::vector<uint8_t> buffer(1024);
  TUdpInspect link(UdpSettings(buffer), CorvanePolicy(ShortTiming()));
  link.Events().OnRequest = [&](std::span<const uint8_t> body, const TLinkPeer& peer) {
    std::vector<uint8_t> block(112);
    platform::StoreU16(block.data(), 512);
    link.SendReply(*UnpackMessageHead(body), 1, block, peer);
  };
  ASSERT_TRUE(link.Start());
  platform::TUdpSocket card;
  ASSERT_TRUE(card.Bind(0));
  // Card 9 asks the host (address 0) for its parameter block.
  std::vector<uint8_t> body(kMessageHeadSize);
  PackMessageHead(TMessageHead{ckReadParams, 9, kHostAddress, 5}, body.data());
  auto request = EncodeFrameBytes(body);
  ASSERT_TRUE(card.SendTo(request.data(), request.size(), htonl(INADDR_LOOPBACK), htons(link.BoundPort())));
  pollfd p{card.Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, kGenerous), 1);
  uint8_t frame[2048], answer[kMaxFrame];
  uint32_t ip;
  uint16_t port;
  size_t n = card.ReceiveFrom(frame, sizeof frame, ip, port);
  size_t m = DecodeFrame(frame, uint16_t(n), answer);
  ASSERT_EQ(m, 12u + 112u);
  auto reply = UnpackReplyHead(std::span(answer, m));
  EXPECT_EQ(reply->Destination, 9);
  EXPECT_EQ(reply->Number, 5u);
  EXPECT_EQ(reply->AnsweredKind, ckReadParams);
  EXPECT_EQ(reply->Status, 1);
  EXPECT_EQ(platform::LoadU16(answer + 12), 512);
}

TEST(LinkThreadIdle, AnIdleLinkUsesNoMeasurableCpu) {
  TPtyPort pty(43);
  std::vector<uint8_t> b1(1024), b2(1024);
  TUdpInspect udp(UdpSettings(b1), CorvanePolicy(ShortTiming()));
  TComInspect serial(SerialSettings(b2, 43), PanelcastPolicy(Options(), ShortTiming()));
  ASSERT_TRUE(udp.Start());
  ASSERT_TRUE(serial.Start());
  auto before = udp.CpuTime() + serial.CpuTime();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the measured idle second
  auto used = udp.CpuTime() + serial.CpuTime() - before;
  EXPECT_LT(used, std::chrono::milliseconds(5)) << used.count() << " ns";
}

TEST(LinkThreadOpen, LinksThatCannotOpenNeverRun) {
  std::vector<uint8_t> buffer(1024);
  TUdpInspect first(UdpSettings(buffer), CorvanePolicy());
  ASSERT_TRUE(first.Opened());
  TUdpInspect second(UdpSettings(buffer, first.BoundPort()), CorvanePolicy());
  EXPECT_FALSE(second.Opened());
  EXPECT_FALSE(second.OpenError().empty());
  EXPECT_FALSE(second.Start());

  ::setenv("CORVANE_COM44", "/dev/does-not-exist-corvane", 1);
  TComInspect missing(SerialSettings(buffer, 44), CorvanePolicy());
  EXPECT_FALSE(missing.Opened());

  TPtyPort pty(45);
  TComInspect held(SerialSettings(buffer, 45), CorvanePolicy());
  ASSERT_TRUE(held.Opened());
  T485Inspect again(SerialSettings(buffer, 45), CorvanePolicy());
  EXPECT_FALSE(again.Opened());  // the port is held
}

// ---- notifications to a message window ----

namespace {

constexpr uint32_t kNotify = 0x401;

struct TNotice {
  TLinkEventKind Kind;
  int64_t Value = 0;
};

// Binds a link's events to synchronous notifications of a window, as the link manager does.
void NotifyWindow(TInspect& link, platform::TWindowHandle window) {
  auto send = [window](TLinkEventKind kind, int64_t value) {
    TNotice notice{kind, value};
    platform::SendMessageTo(window, kNotify, reinterpret_cast<uintptr_t>(&notice), 0);
  };
  auto& e = link.Events();
  e.OnDataReceived = [send](std::span<const uint8_t>, const TLinkPeer&, uint8_t, int64_t total) {
    send(leDataReceived, total);
  };
  e.OnSendDone = [send](uint8_t, const TLinkPeer&) { send(leSendDone, 0); };
  e.OnTimeout = [send](uint8_t, std::span<const uint8_t>, int, const std::string&) { send(leTimeout, 0); };
  e.OnReply = [send](uint8_t, std::span<const uint8_t> body, int, const std::string&) {
    send(leReply, platform::LoadU32(body.data() + 4));
  };
  e.OnProgress = [send](int, int64_t soFar, int64_t, uint8_t) { send(leProgress, soFar); };
}

const TNotice& NoticeOf(uintptr_t wParam) { return *reinterpret_cast<const TNotice*>(wParam); }

}  // namespace

TEST(LinkThreadWindow, NotificationsAreHandledOnTheWindowThreadWhileTheLinkWaits) {
  std::vector<uint8_t> buffer(kReceiveBufferSize);
  auto link = std::make_unique<TUdpInspect>(UdpSettings(buffer), CorvanePolicy(ShortTiming()));
  auto card = TTestCard::OverUdp(link->BoundPort());
  platform::TWaitableEvent done;
  std::vector<TLinkEventKind> kinds;
  bool allOnThisThread = true;
  const auto self = std::this_thread::get_id();
  platform::TMessageWindow window([&](uint32_t msg, uintptr_t w, intptr_t) {
    EXPECT_EQ(msg, kNotify);
    allOnThisThread &= std::this_thread::get_id() == self;
    kinds.push_back(NoticeOf(w).Kind);
    if (NoticeOf(w).Kind == leSendDone) done.Set();
    return 0;
  });
  NotifyWindow(*link, window.Handle());
  ASSERT_TRUE(link->Start());
  link->QueueData(Pattern(3000, 4), card->Port(), "127.0.0.1", card->Address());
  ASSERT_TRUE(platform::PumpUntil(done, kGenerous));
  EXPECT_TRUE(allOnThisThread);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), leProgress), 6);  // one per answered block
  EXPECT_EQ(kinds.back(), leSendDone);
  link.reset();
}

TEST(LinkThreadWindow, AHandlerThatQueuesMoreWorkDoesNotDeadlock) {
  std::vector<uint8_t> buffer(1024);
  auto link = std::make_unique<TUdpInspect>(UdpSettings(buffer), PanelcastPolicy(Options(), ShortTiming()));
  auto card = TTestCard::OverUdp(link->BoundPort());
  card->SetAnswer(ckQuery, 1);
  platform::TWaitableEvent done;
  std::vector<int64_t> answered;
  platform::TMessageWindow window([&](uint32_t, uintptr_t w, intptr_t) {
    if (NoticeOf(w).Kind != leReply) return 0;
    answered.push_back(NoticeOf(w).Value);
    if (answered.size() < 5)
      link->QueueCommand(Command(ckQuery, card->Address(), uint32_t(answered.size())), card->Port(), "127.0.0.1",
                         card->Address());
    else
      done.Set();
    return 0;
  });
  NotifyWindow(*link, window.Handle());
  ASSERT_TRUE(link->Start());
  link->QueueCommand(Command(ckQuery, card->Address(), 0), card->Port(), "127.0.0.1", card->Address());
  ASSERT_TRUE(platform::PumpUntil(done, kGenerous));
  EXPECT_EQ(answered, (std::vector<int64_t>{0, 1, 2, 3, 4}));
}

TEST(LinkThreadWindow, AHandlerThatClosesItsOwnLinkDoesNotDeadlock) {
  std::vector<uint8_t> buffer(1024);
  std::unique_ptr<TUdpInspect> link =
      std::make_unique<TUdpInspect>(UdpSettings(buffer), CorvanePolicy(ShortTiming()));
  const uint16_t port = link->BoundPort();
  auto card = TTestCard::OverUdp(port);
  platform::TWaitableEvent done;
  bool reopened = false;
  platform::TMessageWindow window([&](uint32_t, uintptr_t w, intptr_t) {
    if (NoticeOf(w).Kind != leSendDone || !link) return 0;
    link.reset();  // from inside the link's own notification
    // The port is free again at once: the same local port opens for a new link.
    TUdpInspect again(UdpSettings(buffer, port), CorvanePolicy(ShortTiming()));
    reopened = again.Opened();
    done.Set();
    return 0;
  });
  NotifyWindow(*link, window.Handle());
  ASSERT_TRUE(link->Start());
  link->QueueData(Pattern(700, 5), card->Port(), "127.0.0.1", card->Address());
  ASSERT_TRUE(platform::PumpUntil(done, kGenerous));
  EXPECT_FALSE(link);
  EXPECT_TRUE(reopened);
}

TEST(LinkThreadWindow, AnEventHandlerOnTheLinkThreadMayCloseItsLink) {
  std::vector<uint8_t> buffer(1024);
  auto link = std::make_unique<TUdpInspect>(UdpSettings(buffer), PanelcastPolicy(Options(), ShortTiming()));
  auto card = TTestCard::OverUdp(link->BoundPort());
  std::mutex mutex;
  std::condition_variable changed;
  bool closed = false;
  link->Events().OnSendDone = [&](uint8_t, const TLinkPeer&) {
    std::lock_guard lock(mutex);
    link.reset();  // on the link thread itself
    closed = true;
    changed.notify_all();
  };
  ASSERT_TRUE(link->Start());
  link->QueueData(Pattern(100, 7), card->Port(), "127.0.0.1", card->Address());
  std::unique_lock lock(mutex);
  EXPECT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kGenerous), [&] { return closed; }));
}

TEST(LinkThreadWindow, ClosingALinkWhileItSendsNotificationsCompletes) {
  std::vector<uint8_t> buffer(kReceiveBufferSize);
  auto link = std::make_unique<TUdpInspect>(UdpSettings(buffer), CorvanePolicy(ShortTiming()));
  auto card = TTestCard::OverUdp(link->BoundPort());
  int notices = 0;
  platform::TMessageWindow window([&](uint32_t, uintptr_t, intptr_t) {
    ++notices;
    return 0;
  });
  NotifyWindow(*link, window.Handle());
  ASSERT_TRUE(link->Start());
  card->Push(Pattern(400 * 1024, 6), 8);
  // Wait until the link thread is blocked sending us a notification, then close it from here.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerous);
  while (platform::PendingMessages() == 0 && std::chrono::steady_clock::now() < deadline) platform::WaitMessage(10);
  ASSERT_GT(platform::PendingMessages(), 0u);
  link.reset();  // pumps the notification it is blocked on, then joins
  EXPECT_GT(notices, 0);
  EXPECT_EQ(platform::PendingMessages(), 0u);
}

TEST(LinkThreadClose, ClosingFromAnEventHandsOverTheRestOfItsPass) {
  platform::TFakeClock clock(1000);
  TLinkTiming timing = ShortTiming();
  timing.AnswerTimeoutMs = 100;
  timing.Retries = 0;
  std::vector<uint8_t> buffer(1024);
  TUdpInspect link(UdpSettings(buffer), CorvanePolicy(timing), clock);
  platform::TUdpSocket silent;  // a card that never answers
  ASSERT_TRUE(silent.Bind(0));

  std::mutex mutex;
  std::condition_variable changed;
  int timeoutsRaised = 0;
  std::vector<TLinkEvent> handedOver;
  link.Events().OnTimeout = [&](uint8_t, std::span<const uint8_t>, int, const std::string&) {
    {
      std::lock_guard lock(mutex);
      ++timeoutsRaised;
    }
    link.Close([&](std::vector<TLinkEvent> events) {
      std::lock_guard inner(mutex);
      for (auto& e : events) handedOver.push_back(std::move(e));
      changed.notify_all();
    });
  };
  ASSERT_TRUE(link.Start());
  auto query = Command(ckQuery, 7);
  link.QueueData(Pattern(600, 1), silent.LocalPort(), "127.0.0.1", 7);
  link.QueueCommand(query, silent.LocalPort(), "127.0.0.1", 7);
  // Both go out at once; then both time out in the same pass of the loop.
  uint8_t frame[2048];
  uint32_t ip;
  uint16_t port;
  for (int i = 0; i < 2; ++i) {
    pollfd p{silent.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, kGenerous), 1);
    silent.ReceiveFrom(frame, sizeof frame, ip, port);
  }
  clock.Set(5000);
  std::unique_lock lock(mutex);
  ASSERT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kGenerous), [&] { return !handedOver.empty(); }));
  EXPECT_EQ(timeoutsRaised, 1);  // the transfer's, whose handler closed the link
  ASSERT_EQ(handedOver.size(), 1u);
  EXPECT_EQ(handedOver[0].Kind, leTimeout);
  EXPECT_EQ(handedOver[0].Body, query);  // the command's time-out came in the same pass
}
