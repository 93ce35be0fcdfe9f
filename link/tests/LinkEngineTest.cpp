// The link protocol on a virtual clock, in both variants. A small card is played by the tests
// themselves: bodies are built by hand and every frame the engine sends is decoded and read.
#include "link/LinkEngine.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

#include "platform/base/ByteOrder.h"

using namespace cardlink;

namespace {

enum TVariant { vCorvane, vPanelcast };

std::string VariantName(const testing::TestParamInfo<TVariant>& info) {
  return info.param == vCorvane ? "Corvane" : "Panelcast";
}

constexpr uint16_t kUdpKind = 2;
constexpr uint8_t kCard = 7;

TLinkTraits UdpTraits() { return TLinkTraits{kUdpKind, true, false}; }
TLinkTraits SerialTraits() { return TLinkTraits{0, false, true}; }

std::vector<uint8_t> Message(uint16_t kind, uint32_t value, std::span<const uint8_t> payload = {},
                             uint8_t source = kCard, uint8_t destination = kHostAddress) {
  std::vector<uint8_t> body(kMessageHeadSize);
  PackMessageHead(TMessageHead{kind, source, destination, value}, body.data());
  body.insert(body.end(), payload.begin(), payload.end());
  return body;
}

std::vector<uint8_t> Reply(uint16_t answered, uint32_t number, uint16_t status, std::span<const uint8_t> payload = {},
                           uint8_t source = kCard) {
  TReplyHead r;
  r.Source = source;
  r.Destination = kHostAddress;
  r.Number = number;
  r.AnsweredKind = answered;
  r.Status = status;
  std::vector<uint8_t> body(kReplyHeadSize);
  PackReplyHead(r, body.data());
  body.insert(body.end(), payload.begin(), payload.end());
  return body;
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 1) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 31 + seed + (i >> 9));
  return v;
}

// A frame the engine sent, decoded.
struct TSent {
  std::vector<uint8_t> Body;
  TLinkPeer Peer;
  int64_t At = 0;
  uint16_t Kind() const { return platform::LoadU16(Body.data()); }
  uint32_t Value() const { return platform::LoadU32(Body.data() + 4); }
  TReplyHead AsReply() const { return *UnpackReplyHead(Body); }
  size_t PayloadSize() const { return Body.size() - kMessageHeadSize; }
};

class THarness {
 public:
  THarness(TVariant variant, TLinkTraits traits, size_t bufferSize = 64 * 1024) : traits_(traits) {
    TLinkTiming timing;
    timing.SerialPauseMs = 10;
    buffer.assign(bufferSize, 0xEE);
    policy = variant == vCorvane ? CorvanePolicy(timing) : PanelcastPolicy(options, timing);
    Rebuild();
  }

  // T, R and W for either variant.
  void SetTiming(int64_t t, int r, int w) {
    options.TimeoutMs = int(t);
    options.Retries = r;
    options.Burst = w;
    policy.Timing.AnswerTimeoutMs = t;
    policy.Timing.Retries = r;
    policy.Timing.Burst = w;
    Rebuild();
  }

  void Rebuild() { engine = std::make_unique<TLinkEngine>(policy, traits_, buffer); }

  void FeedBytes(std::span<const uint8_t> bytes, const TLinkPeer& from) {
    engine->Receive(bytes, from, now, out);
    Drain();
  }
  void Feed(const std::vector<uint8_t>& body) { Feed(body, card); }
  void Feed(const std::vector<uint8_t>& body, const TLinkPeer& from) { FeedBytes(EncodeFrameBytes(body), from); }

  // One pass of the loop that read nothing, after moving the clock.
  void Tick(int64_t ms = 0) {
    now += ms;
    engine->RunSendTimers(now, out);
    engine->CheckReceiveTimeout(now, out);
    Drain();
  }

  // Ticks until the clock reaches `until`, stepping to each deadline as a link thread would.
  void RunUntil(int64_t until) {
    Tick();
    while (true) {
      auto next = engine->NextDeadline();
      if (!next || *next > until) break;
      now = std::max(now, *next);
      Tick();
    }
    now = until;
    Tick();
  }

  // Plays a well-behaved card for the host's outgoing transfer until nothing more is sent.
  void AnswerEverything() {
    for (size_t guard = 0; guard < 100000 && !sent.empty(); ++guard) {
      TSent s = sent.front();
      sent.pop_front();
      log.push_back(s);
      switch (s.Kind()) {
        case ckStart: Feed(Reply(ckStart, 0, kStatusAccepted)); break;
        case ckBlock: Feed(Reply(ckBlock, s.Value(), kStatusAccepted)); break;
        case ckEnd: Feed(Reply(ckEnd, s.Value(), kStatusAccepted)); break;
        default: break;
      }
    }
  }

  TSent PopSent() {
    EXPECT_FALSE(sent.empty());
    if (sent.empty()) return TSent{Message(0xFFFF, 0), {}, 0};
    TSent s = sent.front();
    sent.pop_front();
    return s;
  }
  std::vector<TSent> TakeSent() {
    std::vector<TSent> v(sent.begin(), sent.end());
    sent.clear();
    return v;
  }
  std::vector<TLinkEvent> TakeEvents() {
    auto v = std::move(events);
    events.clear();
    return v;
  }
  std::vector<TLinkEvent> EventsOf(TLinkEventKind kind) {
    std::vector<TLinkEvent> v;
    for (auto& e : events)
      if (e.Kind == kind) v.push_back(e);
    return v;
  }

  TTransferOptions options;
  TLinkPolicy policy;
  std::vector<uint8_t> buffer;
  std::unique_ptr<TLinkEngine> engine;
  int64_t now = 1'000'000;
  TLinkOutbox out;
  std::deque<TSent> sent;
  std::vector<TSent> log;
  std::vector<TLinkEvent> events;
  std::vector<int64_t> pauses;
  TLinkPeer card = MakePeer(kUdpKind, 6666, "127.0.0.1");

 private:
  void Drain() {
    for (auto& a : out) {
      if (auto* s = std::get_if<TSendAction>(&a)) {
        uint8_t body[kMaxFrame];
        size_t n = DecodeFrame(s->Frame.data(), uint16_t(s->Frame.size()), body);
        EXPECT_GT(n, 0u) << "the engine sent a frame that does not decode";
        sent.push_back(TSent{std::vector<uint8_t>(body, body + n), s->Peer, now});
      } else if (auto* p = std::get_if<TPauseAction>(&a)) {
        pauses.push_back(p->Ms);
      } else {
        events.push_back(std::get<TLinkEvent>(a));
      }
    }
    out.clear();
  }
  TLinkTraits traits_;
};

class LinkEngine : public testing::TestWithParam<TVariant> {};
INSTANTIATE_TEST_SUITE_P(Variants, LinkEngine, testing::Values(vCorvane, vPanelcast), VariantName);

// ---- framing and reassembly ----

TEST_P(LinkEngine, ReassemblesFramesFromAByteStream) {
  auto cardMessage = [](uint32_t v) { return EncodeFrameBytes(Message(ckCardMessage, v)); };
  auto join = [](std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::vector<uint8_t> noise{0x01, 0xAA, 0xBB, 0x33};
  const std::vector<uint8_t> five = cardMessage(5);
  const std::vector<uint8_t> truncated = [&] {
    auto f = cardMessage(99);
    f.resize(f.size() - 3);  // no CRC end, no 0xAA
    return f;
  }();
  const std::vector<uint8_t> runaway = [] {
    std::vector<uint8_t> f{0x55};
    f.resize(kMaxFrame, 0x11);  // 1046 bytes without an end
    return f;
  }();

  struct Case {
    const char* name;
    std::vector<std::vector<uint8_t>> chunks;  // fed one after another
    std::vector<uint32_t> values;              // card messages that must come through
  } cases[] = {
      {"two frames in one chunk", {join({cardMessage(1), cardMessage(2)})}, {1, 2}},
      {"bytes before the start are ignored", {join({noise, cardMessage(3)})}, {3}},
      {"a second 0x55 restarts the frame", {join({truncated, cardMessage(4)})}, {4}},
      {"a frame split over reads", {std::vector<uint8_t>(five.begin(), five.begin() + 4),
                                    std::vector<uint8_t>(five.begin() + 4, five.end())},
       {5}},
      {"a runaway frame is dropped at 1046 bytes", {runaway, {0x00, 0xAA}, cardMessage(6)}, {6}},
  };
  for (const auto& c : cases) {
    THarness h(GetParam(), SerialTraits());
    for (const auto& chunk : c.chunks) h.FeedBytes(chunk, h.card);
    std::vector<uint32_t> got;
    for (auto& e : h.EventsOf(leReply)) got.push_back(platform::LoadU32(e.Body.data() + 4));
    EXPECT_EQ(got, c.values) << c.name;
  }
}

TEST_P(LinkEngine, UdpDatagramsFramedAtBothEndsAreOneFrame) {
  THarness h(GetParam(), UdpTraits());
  auto one = EncodeFrameBytes(Message(ckCardMessage, 1));
  auto two = EncodeFrameBytes(Message(ckCardMessage, 2));
  std::vector<uint8_t> both = one;
  both.insert(both.end(), two.begin(), two.end());
  h.FeedBytes(one, h.card);
  EXPECT_EQ(h.EventsOf(leReply).size(), 1u);
  h.FeedBytes(both, h.card);  // begins with 0x55 and ends with 0xAA: one frame, bad CRC
  EXPECT_EQ(h.EventsOf(leReply).size(), 1u);
  std::vector<uint8_t> led{0x00};
  led.insert(led.end(), two.begin(), two.end());
  h.FeedBytes(led, h.card);  // does not begin with 0x55: reassembled byte by byte
  EXPECT_EQ(h.EventsOf(leReply).size(), 2u);
}

TEST_P(LinkEngine, DropsShortBodiesAndFramesForOtherAddresses) {
  THarness h(GetParam(), UdpTraits());
  h.Feed(std::vector<uint8_t>{100, 0, kCard, 0, 0, 0, 0});  // 7 bytes: no head
  h.Feed(Message(ckCardMessage, 0, {}, kCard, 3));           // for address 3, not the host
  h.Feed(Message(ckReadParams, 0, {}, kCard, 1));
  h.engine->QueueCommand(Message(ckQuery, 0, {}, kHostAddress, kCard), 6666, "127.0.0.1", kCard);
  h.Tick();
  auto reply = Reply(ckQuery, 0, 1);
  reply.resize(11);  // kind 3 shorter than its 12-byte head
  h.Feed(reply);
  EXPECT_TRUE(h.events.empty());
  EXPECT_TRUE(h.engine->CommandOutstanding());
}

TEST_P(LinkEngine, CardMessagesAndRequestsAreRaisedNotAnswered) {
  THarness h(GetParam(), UdpTraits());
  auto other = MakePeer(kUdpKind, 7000, "127.0.0.2");
  h.Feed(Message(ckCardMessage, 42), other);
  h.Feed(Message(ckReadParams, 0), other);
  auto events = h.TakeEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Kind, leReply);
  EXPECT_EQ(events[0].CardPort, 7000);
  EXPECT_EQ(events[0].CardIp, "127.0.0.2");
  EXPECT_EQ(events[0].Body, Message(ckCardMessage, 42));
  EXPECT_EQ(events[1].Kind, leRequest);
  EXPECT_EQ(events[1].Peer, other);
  EXPECT_TRUE(h.sent.empty());
}

// ---- the host receiving ----

TEST_P(LinkEngine, ReceiveWindowAcceptsBasePlus31AndRefusesBasePlus32) {
  struct Case {
    uint32_t block;
    uint16_t status;
    uint32_t number;
  } cases[] = {{1, 1, 1}, {32, 1, 32}, {33, 0, 1}, {0, 0, 1}, {0xFFFFFFFF, 0, 1}};
  for (const auto& c : cases) {
    THarness h(GetParam(), UdpTraits());
    h.Feed(Message(ckStart, 100000));
    ASSERT_EQ(h.PopSent().AsReply().Status, kStatusAccepted);
    h.Feed(Message(ckBlock, c.block, Pattern(512)));
    TReplyHead r = h.PopSent().AsReply();
    EXPECT_EQ(r.AnsweredKind, ckBlock) << c.block;
    EXPECT_EQ(r.Status, c.status) << c.block;
    EXPECT_EQ(r.Number, c.number) << c.block;
    EXPECT_EQ(r.Destination, kCard);
  }
}

TEST_P(LinkEngine, OutOfOrderAndDuplicateBlocksAssembleTheData) {
  THarness h(GetParam(), UdpTraits());
  auto data = Pattern(1300);
  auto block = [&](uint32_t n) {
    size_t off = (n - 1) * 512;
    return std::span<const uint8_t>(data).subspan(off, std::min<size_t>(512, data.size() - off));
  };
  h.Feed(Message(ckStart, uint32_t(data.size())));
  h.Feed(Message(ckBlock, 1, block(1)));
  h.Feed(Message(ckBlock, 3, block(3)));
  EXPECT_EQ(h.engine->ReceiveBase(), 2u);
  // A duplicate is acknowledged again and not copied again.
  h.Feed(Message(ckBlock, 3, Pattern(data.size() - 1024, 77)));
  h.Feed(Message(ckBlock, 2, block(2)));
  EXPECT_EQ(h.engine->ReceiveBase(), 4u);  // 1, 3, 2 leave the base at 4

  auto replies = h.TakeSent();
  ASSERT_EQ(replies.size(), 5u);
  for (auto& s : replies) EXPECT_EQ(s.AsReply().Status, kStatusAccepted);
  EXPECT_EQ(replies[3].AsReply().Number, 3u);
  // Once the window has moved on, an old block is acknowledged as received and not copied.
  h.Feed(Message(ckBlock, 1, Pattern(512, 99)));
  TReplyHead old = h.PopSent().AsReply();
  EXPECT_EQ(old.AnsweredKind, ckBlock);
  EXPECT_EQ(old.Status, kStatusAccepted);
  EXPECT_EQ(old.Number, 1u);
  EXPECT_EQ(h.engine->ReceiveBase(), 4u);

  auto progress = h.EventsOf(leProgress);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress.back().Direction, 2);
  EXPECT_EQ(progress.back().SoFar, 1300);
  EXPECT_EQ(progress.back().Total, 1300);
  EXPECT_EQ(progress.back().Address, kHostAddress);

  h.Feed(Message(ckEnd, 4));
  TReplyHead end = h.PopSent().AsReply();
  EXPECT_EQ(end.AnsweredKind, ckEnd);
  EXPECT_EQ(end.Status, kStatusAccepted);
  auto done = h.EventsOf(leDataReceived);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].Total, 1300);
  EXPECT_EQ(done[0].Address, kCard);
  EXPECT_EQ(done[0].Peer, h.card);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), done[0].Buffer.begin()));
  EXPECT_EQ(h.buffer[1300], 0xEE);  // nothing written past the data
  EXPECT_FALSE(h.engine->Receiving());
}

TEST_P(LinkEngine, EndWithBlocksMissingAsksForThemAndLaterTimesOut) {
  THarness h(GetParam(), UdpTraits());
  h.Feed(Message(ckStart, 2048));
  h.Feed(Message(ckBlock, 1, Pattern(512)));
  h.Feed(Message(ckBlock, 3, Pattern(512)));
  h.TakeSent();
  h.Feed(Message(ckEnd, 5));
  TReplyHead r = h.PopSent().AsReply();
  EXPECT_EQ(r.AnsweredKind, kAnsweredBlocksMissing);
  EXPECT_EQ(r.Status, kStatusRefused);
  EXPECT_EQ(r.Number, 2u);
  EXPECT_TRUE(h.engine->Receiving());
  // The card gives up: the waiting caller hears of it instead of waiting forever.
  h.RunUntil(h.now + 20000);
  auto timeouts = h.EventsOf(leTimeout);
  ASSERT_EQ(timeouts.size(), 1u);
  EXPECT_EQ(timeouts[0].Address, kCard);
  EXPECT_EQ(timeouts[0].CardPort, 6666);
  EXPECT_EQ(timeouts[0].CardIp, "127.0.0.1");
  EXPECT_TRUE(timeouts[0].Body.empty());
  EXPECT_FALSE(h.engine->Receiving());
}

TEST_P(LinkEngine, InactivityLimitRunsFromTheLastStartOrBlock) {
  THarness h(GetParam(), UdpTraits());
  h.Feed(Message(ckStart, 4096));
  EXPECT_EQ(h.engine->NextDeadline(), h.now + 20000);
  h.Tick(15000);
  h.Feed(Message(ckBlock, 1, Pattern(512)));
  h.Tick(19999);
  EXPECT_TRUE(h.EventsOf(leTimeout).empty());
  EXPECT_TRUE(h.engine->Receiving());
  h.Tick(1);
  EXPECT_EQ(h.EventsOf(leTimeout).size(), 1u);
  EXPECT_FALSE(h.engine->Receiving());
  // After the time-out a new start is accepted, and one from another card while receiving is
  // ignored.
  h.TakeSent();
  h.Feed(Message(ckStart, 10));
  EXPECT_EQ(h.TakeSent().size(), 1u);
  h.Feed(Message(ckStart, 10, {}, kCard + 1));
  EXPECT_TRUE(h.TakeSent().empty());
}

TEST_P(LinkEngine, OversizedOrOverflowingBlocksWriteNothingOutsideTheBuffer) {
  THarness h(GetParam(), UdpTraits(), 1000);  // room for one block and a part of the second
  h.Feed(Message(ckStart, 4096));
  h.TakeSent();
  h.Feed(Message(ckBlock, 1, Pattern(513)));  // larger than any block: dropped unanswered
  EXPECT_TRUE(h.TakeSent().empty());
  EXPECT_EQ(h.buffer[0], 0xEE);
  h.Feed(Message(ckBlock, 1, Pattern(512)));
  EXPECT_EQ(h.PopSent().AsReply().Status, kStatusAccepted);
  h.Feed(Message(ckBlock, 2, Pattern(512)));  // 512 + 512 > 1000
  TReplyHead r = h.PopSent().AsReply();
  EXPECT_EQ(r.AnsweredKind, kAnsweredBufferOverflow);
  EXPECT_EQ(r.Status, kStatusRefused);
  EXPECT_EQ(h.buffer[512], 0xEE);
  EXPECT_FALSE(h.engine->Receiving());
  // The overflow ends in a time-out event, once, so no caller waits for the data forever.
  EXPECT_EQ(h.EventsOf(leTimeout).size(), 1u);
  h.RunUntil(h.now + 30000);
  EXPECT_EQ(h.EventsOf(leTimeout).size(), 1u);
}

// ---- the host receiving: lost answers and repeated frames ----

TEST_P(LinkEngine, OnlyTheRememberedSenderRestartsATransferInProgress) {
  struct Case {
    const char* name;
    uint8_t source;
    TLinkPeer peer;
    bool restarts;
  } cases[] = {
      {"the same card again", kCard, MakePeer(kUdpKind, 6666, "127.0.0.1"), true},
      {"another address on the same peer", kCard + 1, MakePeer(kUdpKind, 6666, "127.0.0.1"), false},
      {"the same address from another port", kCard, MakePeer(kUdpKind, 6667, "127.0.0.1"), false},
      {"the same address from another IP", kCard, MakePeer(kUdpKind, 6666, "127.0.0.2"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    THarness h(GetParam(), UdpTraits());
    h.Feed(Message(ckStart, 3000));
    h.Feed(Message(ckBlock, 1, Pattern(512)));
    h.Feed(Message(ckBlock, 2, Pattern(512)));
    h.TakeSent();
    h.Tick(1000);
    h.Feed(Message(ckStart, 700, {}, c.source), c.peer);
    auto sent = h.TakeSent();
    if (c.restarts) {
      // A fresh start: answered as the first was, the window back at 1, a new deadline.
      ASSERT_EQ(sent.size(), 1u);
      TReplyHead r = sent[0].AsReply();
      EXPECT_EQ(r.AnsweredKind, ckStart);
      EXPECT_EQ(r.Status, kStatusAccepted);
      EXPECT_EQ(r.Number, 700u);
      EXPECT_EQ(sent[0].Peer, c.peer);
      EXPECT_EQ(h.engine->ReceiveBase(), 1u);
      EXPECT_EQ(h.engine->NextDeadline(), h.now + 20000);
      h.Feed(Message(ckBlock, 1, Pattern(512, 5)));
      h.Feed(Message(ckBlock, 2, Pattern(188, 6)));
      auto progress = h.EventsOf(leProgress);
      EXPECT_EQ(progress.back().SoFar, 700);  // counted afresh, against the new size
      EXPECT_EQ(progress.back().Total, 700);
      h.Feed(Message(ckEnd, 3));
    } else {
      EXPECT_TRUE(sent.empty());
      EXPECT_EQ(h.engine->ReceiveBase(), 3u);  // the transfer in progress goes on
      for (uint32_t n = 3; n <= 6; ++n) h.Feed(Message(ckBlock, n, Pattern(n < 6 ? 512 : 3000 - 5 * 512)));
      h.Feed(Message(ckEnd, 7));
    }
    auto done = h.EventsOf(leDataReceived);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].Total, c.restarts ? 700 : 3000);
    EXPECT_TRUE(h.EventsOf(leTimeout).empty());
  }
}

TEST_P(LinkEngine, ARepeatedEndIsAnsweredAgainOnlyForTheTransferJustCompleted) {
  const TLinkPeer card = MakePeer(kUdpKind, 6666, "127.0.0.1");
  struct Case {
    const char* name;
    uint8_t source;
    TLinkPeer peer;
    uint32_t end;
    bool answered;
  } cases[] = {
      {"the same end from the same card", kCard, card, 3, true},
      {"another end number", kCard, card, 4, false},
      {"another address", kCard + 1, card, 3, false},
      {"another peer", kCard, MakePeer(kUdpKind, 6666, "127.0.0.3"), 3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    THarness h(GetParam(), UdpTraits());
    auto data = Pattern(1000);
    h.Feed(Message(ckStart, 1000));
    h.Feed(Message(ckBlock, 1, std::span(data).first(512)));
    h.Feed(Message(ckBlock, 2, std::span(data).subspan(512)));
    h.Feed(Message(ckEnd, 3));
    ASSERT_EQ(h.EventsOf(leDataReceived).size(), 1u);
    h.TakeSent();
    h.Feed(Message(ckEnd, c.end, {}, c.source), c.peer);
    auto sent = h.TakeSent();
    ASSERT_EQ(sent.size(), c.answered ? 1u : 0u);
    if (c.answered) {
      TReplyHead r = sent[0].AsReply();
      EXPECT_EQ(r.AnsweredKind, ckEnd);
      EXPECT_EQ(r.Status, kStatusAccepted);
      EXPECT_EQ(r.Number, 3u);
      EXPECT_EQ(sent[0].Peer, card);
    }
    EXPECT_EQ(h.EventsOf(leDataReceived).size(), 1u);  // delivered once, whatever came after
    EXPECT_FALSE(h.engine->Receiving());
    EXPECT_TRUE(h.EventsOf(leTimeout).empty());
  }

  // Once another transfer has started and ended, the old end is a stranger.
  THarness h(GetParam(), UdpTraits());
  h.Feed(Message(ckStart, 0));
  h.Feed(Message(ckEnd, 1));
  const TLinkPeer other = MakePeer(kUdpKind, 7000, "127.0.0.2");
  h.Feed(Message(ckStart, 0, {}, 9), other);
  h.Feed(Message(ckEnd, 1, {}, 9), other);
  h.TakeSent();
  h.Feed(Message(ckEnd, 1));
  EXPECT_TRUE(h.TakeSent().empty());
  h.Feed(Message(ckEnd, 1, {}, 9), other);
  EXPECT_EQ(h.TakeSent().size(), 1u);
  EXPECT_EQ(h.EventsOf(leDataReceived).size(), 2u);
}

// Two engines of one variant back to back on the virtual clock: the card's side pushes a
// transfer, the host's side receives it. Frames cross a wire that loses or repeats the first
// frame a fault picks.
class TWire {
 public:
  struct TFault {
    bool ToHost = true;          // a frame of the card's, else an answer of the host's
    uint16_t Kind = 0;           // message kind; for answers the answered kind
    std::optional<uint32_t> Value{};  // block or end number
    int Copies = 0;              // 0 lost, 2 repeated
  };

  TWire(TVariant variant, int64_t timeout, int burst) : cardSide_(variant, UdpTraits()), hostSide_(variant, UdpTraits()) {
    cardSide_.SetTiming(timeout, 3, burst);
    hostSide_.SetTiming(timeout, 3, burst);
    hostSide_.now = cardSide_.now;
  }

  // Runs `data` across until both sides are idle; the time it took.
  int64_t Transfer(const std::vector<uint8_t>& data, std::optional<TFault> fault) {
    fault_ = fault;
    const int64_t t0 = cardSide_.now;
    cardSide_.engine->QueueData(data, 1025, "127.0.0.2", kHostAddress);
    for (int guard = 0; guard < 10000; ++guard) {
      cardSide_.Tick();
      hostSide_.Tick();
      if (!cardSide_.sent.empty() || !hostSide_.sent.empty()) {
        Carry();
        continue;
      }
      std::optional<int64_t> next;
      for (auto* side : {&cardSide_, &hostSide_})
        if (auto t = side->engine->NextDeadline()) next = next ? std::min(*next, *t) : *t;
      // The host's inactivity limit alone is left once the card gave up or finished.
      if (!next || (!cardSide_.engine->TransferStarted() && !cardSide_.engine->QueuedTransfers())) break;
      cardSide_.now = hostSide_.now = std::max(cardSide_.now, *next);
    }
    return doneAt_ - t0;
  }

  THarness& Card() { return cardSide_; }
  THarness& Host() { return hostSide_; }
  // Frames the card sent of `kind`, by value.
  std::map<uint32_t, int> CardSent(uint16_t kind) const {
    std::map<uint32_t, int> m;
    for (auto& s : cardLog_)
      if (s.Kind() == kind) ++m[s.Value()];
    return m;
  }

 private:
  void Carry() {
    while (!cardSide_.sent.empty() || !hostSide_.sent.empty()) {
      bool toHost = !cardSide_.sent.empty();
      THarness& from = toHost ? cardSide_ : hostSide_;
      THarness& to = toHost ? hostSide_ : cardSide_;
      TSent s = from.PopSent();
      if (toHost) cardLog_.push_back(s);
      int copies = 1;
      if (fault_ && fault_->ToHost == toHost) {
        uint16_t kind = toHost ? s.Kind() : s.AsReply().AnsweredKind;
        uint32_t value = toHost ? s.Value() : s.AsReply().Number;
        if (kind == fault_->Kind && (!fault_->Value || *fault_->Value == value)) {
          copies = fault_->Copies;
          fault_.reset();
        }
      }
      const TLinkPeer peer = toHost ? MakePeer(kUdpKind, 6666, "127.0.0.1") : MakePeer(kUdpKind, 1025, "127.0.0.2");
      for (int i = 0; i < copies; ++i) to.Feed(s.Body, peer);
      if (!cardSide_.EventsOf(leSendDone).empty() && doneAt_ == 0) doneAt_ = cardSide_.now;
    }
  }

  THarness cardSide_;
  THarness hostSide_;
  std::optional<TFault> fault_;
  std::vector<TSent> cardLog_;
  int64_t doneAt_ = 0;
};

TEST_P(LinkEngine, ALostAnswerOrARepeatedBlockCostsAtMostOneTimeOut) {
  constexpr int64_t T = 300;
  const auto data = Pattern(20 * 512 + 77);  // blocks 1-21, end 22
  struct Case {
    const char* name;
    std::optional<TWire::TFault> fault;
    int starts;   // sent by the card
    int64_t took;  // at most
  } cases[] = {
      {"nothing lost", {}, 1, 0},
      {"the start answer lost", TWire::TFault{false, ckStart, {}, 0}, 2, T},
      {"the end answer lost", TWire::TFault{false, ckEnd, {}, 0}, 1, T},
      {"block 1 repeated", TWire::TFault{true, ckBlock, 1u, 2}, 1, 0},
      {"block 9 repeated", TWire::TFault{true, ckBlock, 9u, 2}, 1, 0},
      {"a block answer repeated", TWire::TFault{false, ckBlock, 3u, 2}, 1, 0},
  };
  for (int burst : {1, 4}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", burst " + std::to_string(burst));
      TWire wire(GetParam(), T, burst);
      EXPECT_LE(wire.Transfer(data, c.fault), c.took);
      EXPECT_EQ(wire.Card().EventsOf(leSendDone).size(), 1u);
      EXPECT_TRUE(wire.Card().EventsOf(leTimeout).empty());
      auto received = wire.Host().EventsOf(leDataReceived);
      EXPECT_EQ(received.size(), 1u);
      if (!received.empty()) {
        EXPECT_EQ(received[0].Total, int64_t(data.size()));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), received[0].Buffer.begin()));
      }
      EXPECT_TRUE(wire.Host().EventsOf(leTimeout).empty());
      EXPECT_FALSE(wire.Host().engine->Receiving());
      EXPECT_EQ(wire.CardSent(ckStart)[0], c.starts);
      // Every block went out once: a repeat never sends the card back over what arrived.
      auto blocks = wire.CardSent(ckBlock);
      EXPECT_EQ(blocks.size(), 21u);
      for (auto [number, times] : blocks) EXPECT_EQ(times, 1) << "block " << number;
    }
  }
}

// ---- the host sending ----

TEST_P(LinkEngine, DataIsCutIntoBlocksWithTheEndNumberOnePastTheLast) {
  struct Case {
    size_t size;
    std::vector<size_t> blocks;  // payload sizes of blocks 1, 2, ...
    uint32_t end;
  } cases[] = {{0, {}, 1}, {1, {1}, 2}, {512, {512}, 2}, {1024, {512, 512}, 3}, {1025, {512, 512, 1}, 4}};
  for (const auto& c : cases) {
    THarness h(GetParam(), UdpTraits());
    h.SetTiming(2500, 3, 1);
    auto data = Pattern(c.size);
    ASSERT_TRUE(h.engine->QueueData(data, 6666, "127.0.0.1", kCard));
    h.Tick();
    h.AnswerEverything();
    std::vector<size_t> blocks;
    std::vector<uint8_t> joined;
    uint32_t end = 0;
    for (auto& s : h.log) {
      if (s.Kind() == ckBlock) {
        EXPECT_EQ(s.Value(), blocks.size() + 1);
        blocks.push_back(s.PayloadSize());
        joined.insert(joined.end(), s.Body.begin() + 8, s.Body.end());
      }
      if (s.Kind() == ckEnd) end = s.Value();
      EXPECT_EQ(s.Body[2], kHostAddress);
      EXPECT_EQ(s.Body[3], kCard);
      EXPECT_EQ(s.Peer, h.card);
    }
    EXPECT_EQ(h.log.front().Kind(), ckStart);
    EXPECT_EQ(h.log.front().Value(), 0u);
    EXPECT_EQ(blocks, c.blocks) << c.size;
    EXPECT_EQ(end, c.end) << c.size;
    EXPECT_EQ(joined, data);
    auto done = h.EventsOf(leSendDone);
    ASSERT_EQ(done.size(), 1u) << c.size;
    EXPECT_EQ(done[0].Address, kCard);
    EXPECT_EQ(h.engine->QueuedTransfers(), 0u);
    EXPECT_FALSE(h.engine->TransferStarted());
  }
}

TEST_P(LinkEngine, BurstsOfFourFollowTheNewestAnswer) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 4);
  h.engine->QueueData(Pattern(20 * 512), 6666, "127.0.0.1", kCard);
  h.Tick();
  EXPECT_EQ(h.PopSent().Kind(), ckStart);
  auto numbers = [&] {
    std::vector<uint32_t> v;
    for (auto& s : h.TakeSent()) {
      EXPECT_EQ(s.Kind(), ckBlock);
      v.push_back(s.Value());
    }
    return v;
  };
  h.Feed(Reply(ckStart, 0, 1));
  EXPECT_EQ(numbers(), (std::vector<uint32_t>{1, 2, 3, 4}));
  h.Feed(Reply(ckBlock, 4, 1));  // the newest block: four more
  EXPECT_EQ(numbers(), (std::vector<uint32_t>{5, 6, 7, 8}));
  h.Feed(Reply(ckBlock, 1, 1));  // an older one: one more
  EXPECT_EQ(numbers(), (std::vector<uint32_t>{9}));
  auto progress = h.EventsOf(leProgress);
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress[1].Direction, 1);
  EXPECT_EQ(progress[1].SoFar, 10 * 512);
  EXPECT_EQ(progress[1].Total, 20 * 512);
}

TEST_P(LinkEngine, UnansweredStartGoesOutOnePlusRTimesThenTimesOut) {
  for (int retries : {2, 6}) {
    THarness h(GetParam(), UdpTraits());
    h.SetTiming(300, retries, 1);
    h.engine->QueueData(Pattern(100), 6666, "127.0.0.1", kCard);
    const int64_t t0 = h.now;
    h.RunUntil(t0 + 300 * (retries + 2));
    auto sent = h.TakeSent();
    ASSERT_EQ(sent.size(), size_t(1 + retries)) << retries;
    for (size_t i = 0; i < sent.size(); ++i) {
      EXPECT_EQ(sent[i].Kind(), ckStart);
      EXPECT_EQ(sent[i].At, t0 + 300 * int64_t(i));
    }
    auto timeouts = h.EventsOf(leTimeout);
    ASSERT_EQ(timeouts.size(), 1u);
    EXPECT_TRUE(timeouts[0].Body.empty());  // a transfer has no command data
    EXPECT_EQ(timeouts[0].Address, kCard);
    EXPECT_EQ(timeouts[0].CardPort, 6666);
    EXPECT_EQ(h.engine->QueuedTransfers(), 0u);
    EXPECT_EQ(h.engine->NextDeadline(), std::nullopt);  // idle again
  }
}

TEST_P(LinkEngine, TimeoutResendGoesToTheTransfersOwnCard) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(300, 3, 1);
  h.engine->QueueData(Pattern(2000), 6666, "127.0.0.1", kCard);
  h.Tick();
  h.Feed(Reply(ckStart, 0, 1));
  h.TakeSent();
  // Another card talks meanwhile; the resend still goes to the transfer's card.
  auto stranger = MakePeer(kUdpKind, 9999, "127.0.0.9");
  h.Feed(Message(ckCardMessage, 1), stranger);
  h.Tick(300);
  auto resend = h.TakeSent();
  ASSERT_EQ(resend.size(), 1u);
  EXPECT_EQ(resend[0].Peer, h.card);
}

TEST_P(LinkEngine, NegativeBlockAnswerFollowsTheVariant) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 4);
  h.engine->QueueData(Pattern(20 * 512), 6666, "127.0.0.1", kCard);
  h.Tick();
  h.Feed(Reply(ckStart, 0, 1));
  h.TakeSent();  // blocks 1-4
  h.Feed(Reply(ckBlock, 2, kStatusRefused));  // resend from 2
  auto sent = h.TakeSent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Value(), 2u);
  h.Feed(Reply(ckBlock, 2, kStatusAccepted));
  std::vector<uint32_t> numbers;
  for (auto& s : h.TakeSent()) numbers.push_back(s.Value());
  // Corvane sent block 2 once and goes on from 5 (one block: 2 is not its newest); Panelcast
  // went back, so 2 is its newest and a whole burst follows from 3.
  const std::vector<uint32_t> expected =
      GetParam() == vCorvane ? std::vector<uint32_t>{5} : std::vector<uint32_t>{3, 4, 5, 6};
  EXPECT_EQ(numbers, expected);
}

TEST_P(LinkEngine, AnswersAskingForBlocksThatNeverWereAreIgnored) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(300, 2, 1);
  h.engine->QueueData(Pattern(1000), 6666, "127.0.0.1", kCard);  // blocks 1-2, end 3
  h.Tick();
  h.Feed(Reply(ckStart, 0, 1));
  h.TakeSent();
  h.Feed(Reply(ckBlock, 0, kStatusRefused));
  h.Feed(Reply(ckBlock, 4, kStatusAccepted));
  h.Feed(Reply(ckEnd, 0x80000000u, kStatusRefused));
  EXPECT_TRUE(h.TakeSent().empty());
  // Bogus answers do not keep the transfer alive: it still times out.
  h.RunUntil(h.now + 300 * 4);
  EXPECT_EQ(h.EventsOf(leTimeout).size(), 1u);
}

TEST_P(LinkEngine, EndAnsweredWithMissingBlocksResendsFromThere) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 1);
  h.engine->QueueData(Pattern(1024), 6666, "127.0.0.1", kCard);
  h.Tick();
  h.Feed(Reply(ckStart, 0, 1));
  h.Feed(Reply(ckBlock, 1, 1));
  h.Feed(Reply(ckBlock, 2, 1));
  auto sent = h.TakeSent();
  ASSERT_EQ(sent.back().Kind(), ckEnd);
  h.Feed(Reply(ckEnd, 2, kStatusRefused));  // the card is missing block 2
  sent = h.TakeSent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Kind(), ckBlock);
  EXPECT_EQ(sent[0].Value(), 2u);
}

TEST_P(LinkEngine, AnEndAnswerBeforeTheEndWasSentCompletesNothing) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 1);
  h.engine->QueueData(Pattern(2000), 6666, "127.0.0.1", kCard);  // blocks 1-4, end 5
  h.Tick();
  h.Feed(Reply(ckStart, 0, 1));
  h.Feed(Reply(ckBlock, 1, 1));
  h.TakeSent();
  // A late duplicate of an earlier transfer's end answer arrives while blocks still flow.
  h.Feed(Reply(ckEnd, 3, kStatusAccepted));
  EXPECT_TRUE(h.EventsOf(leSendDone).empty());
  for (uint32_t block = 2; block <= 4; ++block) h.Feed(Reply(ckBlock, block, 1));
  auto sent = h.TakeSent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().Kind(), ckEnd);
  EXPECT_EQ(sent.back().Value(), 5u);
  EXPECT_TRUE(h.EventsOf(leSendDone).empty());
  h.Feed(Reply(ckEnd, 5, kStatusAccepted));
  EXPECT_EQ(h.EventsOf(leSendDone).size(), 1u);
}

// ---- commands ----

TEST_P(LinkEngine, CommandWaitsForAnAnswerOfItsOwnKind) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(400, 3, 1);
  auto query = Message(ckQuery, 0, {}, kHostAddress, kCard);
  ASSERT_TRUE(h.engine->QueueCommand(query, 6666, "127.0.0.1", kCard));
  h.Tick();
  auto sent = h.TakeSent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Body, query);
  h.Feed(Reply(ckReadPower, 0, 1));  // an answer of another kind
  EXPECT_TRUE(h.engine->CommandOutstanding());
  EXPECT_TRUE(h.events.empty());
  h.Tick(399);
  EXPECT_TRUE(h.events.empty());
  h.Tick(1);  // commands are not resent: the time-out carries the command's data
  auto timeouts = h.EventsOf(leTimeout);
  ASSERT_EQ(timeouts.size(), 1u);
  EXPECT_EQ(timeouts[0].Body, query);
  EXPECT_TRUE(h.TakeSent().empty());

  // A second one is answered: the whole body comes back.
  std::vector<uint8_t> params = Pattern(112);
  h.engine->QueueCommand(Message(ckReadParams, 0, {}, kHostAddress, kCard), 6666, "127.0.0.1", kCard);
  h.Tick();
  EXPECT_EQ(h.TakeSent().size(), 1u);
  auto answer = Reply(ckReadParams, 0, 1, params);
  h.Feed(answer);
  auto replies = h.EventsOf(leReply);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].Body, answer);
  EXPECT_EQ(replies[0].CardPort, 6666);
  EXPECT_EQ(replies[0].CardIp, "127.0.0.1");
  EXPECT_FALSE(h.engine->CommandOutstanding());
}

TEST_P(LinkEngine, TransferAndCommandRunSideBySide) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 1);
  h.engine->QueueData(Pattern(600), 6666, "127.0.0.1", kCard);
  h.engine->QueueCommand(Message(ckQuery, 0, {}, kHostAddress, kCard), 6666, "127.0.0.1", kCard);
  h.Tick();
  auto sent = h.TakeSent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].Kind(), ckStart);
  EXPECT_EQ(sent[1].Kind(), ckQuery);
}

TEST_P(LinkEngine, GapsAndImmediateStartFollowTheVariant) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 1);
  h.engine->QueueData(Pattern(10), 6666, "127.0.0.1", kCard);
  h.engine->QueueData(Pattern(10), 6666, "127.0.0.1", kCard);
  h.Tick();
  h.AnswerEverything();  // only the first transfer runs: the second waits its turn
  EXPECT_EQ(h.EventsOf(leSendDone).size(), 1u);
  h.log.clear();
  h.Tick(499);
  // Corvane waits 500 ms before the queued transfer; Panelcast starts it on the next pass.
  EXPECT_EQ(h.sent.size(), GetParam() == vCorvane ? 0u : 1u);
  h.Tick(1);
  EXPECT_EQ(h.sent.size(), 1u);
  h.AnswerEverything();
  EXPECT_EQ(h.EventsOf(leSendDone).size(), 2u);

  // An item appended to an idle queue starts at once, even inside the gap.
  h.engine->QueueData(Pattern(10), 6666, "127.0.0.1", kCard);
  h.Tick();
  EXPECT_EQ(h.sent.size(), 1u);
}

TEST_P(LinkEngine, CommandsWithoutReplyExistOnlyInCorvane) {
  THarness h(GetParam(), UdpTraits());
  auto campaign = Message(ckCampaignTime, 0, Pattern(16), 255, kCard);
  bool queued = h.engine->QueueCommandNoReply(campaign, 6666, "127.0.0.1", kCard);
  EXPECT_EQ(queued, GetParam() == vCorvane);
  if (!queued) return;
  h.engine->QueueCommand(Message(ckQuery, 0, {}, kHostAddress, kCard), 6666, "127.0.0.1", kCard);
  h.Tick();
  h.Tick();
  auto sent = h.TakeSent();
  ASSERT_EQ(sent.size(), 2u);  // the campaign time is freed at once; the query follows
  EXPECT_EQ(sent[0].Body, campaign);
  EXPECT_EQ(sent[1].Kind(), ckQuery);
  EXPECT_TRUE(h.engine->CommandOutstanding());
}

TEST_P(LinkEngine, RefusesWhatItCannotQueue) {
  THarness h(GetParam(), UdpTraits());
  std::vector<uint8_t> shortBody(7);
  EXPECT_FALSE(h.engine->QueueCommand(shortBody, 6666, "127.0.0.1", kCard));
  std::vector<uint8_t> longBody(kMaxFrame);
  EXPECT_FALSE(h.engine->QueueCommand(longBody, 6666, "127.0.0.1", kCard));
  uint8_t one = 0;
  EXPECT_FALSE(h.engine->QueueData(std::span<const uint8_t>(&one, kMaxTransferSize + 1), 6666, "127.0.0.1", kCard));
  EXPECT_EQ(h.engine->QueuedCommands() + h.engine->QueuedTransfers(), 0u);
}

TEST_P(LinkEngine, AbandoningEndsEveryItemInHandAsATimeOut) {
  THarness h(GetParam(), UdpTraits());
  h.SetTiming(2500, 3, 1);
  // In flight: a started transfer and an outstanding command; queued behind them: one of each.
  h.engine->QueueData(Pattern(2000), 6001, "127.0.0.1", 1);
  h.engine->QueueData(Pattern(10), 6002, "127.0.0.2", 2);
  auto query = Message(ckQuery, 0, {}, kHostAddress, 3);
  auto power = Message(ckSetPower, 1, {}, kHostAddress, 4);
  h.engine->QueueCommand(query, 6003, "127.0.0.3", 3);
  h.engine->QueueCommand(power, 6004, "127.0.0.4", 4);
  if (GetParam() == vCorvane)
    h.engine->QueueCommandNoReply(Message(ckCampaignTime, 0, Pattern(16), 255, 5), 6005, "127.0.0.5", 5);
  // And an incoming transfer from card 9.
  h.Feed(Message(ckStart, 100, {}, 9), MakePeer(kUdpKind, 7009, "127.0.0.9"));
  h.Tick();
  ASSERT_TRUE(h.engine->TransferStarted());
  ASSERT_TRUE(h.engine->CommandOutstanding());
  h.TakeEvents();

  h.engine->AbandonAll(h.out);
  std::vector<TLinkEvent> got;
  for (auto& a : h.out) got.push_back(std::get<TLinkEvent>(a));
  h.out.clear();
  struct Want {
    uint8_t Address;
    int Port;
    const char* Ip;
    std::vector<uint8_t> Body;
  } want[] = {{9, 7009, "127.0.0.9", {}}, {1, 6001, "127.0.0.1", {}}, {2, 6002, "127.0.0.2", {}},
              {3, 6003, "127.0.0.3", query}, {4, 6004, "127.0.0.4", power}};
  ASSERT_EQ(got.size(), std::size(want));  // the campaign time awaits nothing and is dropped
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].Kind, leTimeout) << i;
    EXPECT_EQ(got[i].Address, want[i].Address) << i;
    EXPECT_EQ(got[i].CardPort, want[i].Port) << i;
    EXPECT_EQ(got[i].CardIp, want[i].Ip) << i;
    EXPECT_EQ(got[i].Body, want[i].Body) << i;
  }
  EXPECT_FALSE(h.engine->Receiving());
  EXPECT_FALSE(h.engine->TransferStarted());
  EXPECT_FALSE(h.engine->CommandOutstanding());
  EXPECT_EQ(h.engine->QueuedTransfers() + h.engine->QueuedCommands(), 0u);
  EXPECT_FALSE(h.engine->NextDeadline());
}

TEST_P(LinkEngine, SerialLinesPauseAfterEachFrameInCorvaneOnly) {
  THarness serial(GetParam(), SerialTraits());
  serial.Feed(Message(ckStart, 10));
  EXPECT_EQ(serial.pauses, GetParam() == vCorvane ? std::vector<int64_t>{10} : std::vector<int64_t>{});
  THarness udp(GetParam(), UdpTraits());
  udp.Feed(Message(ckStart, 10));
  EXPECT_TRUE(udp.pauses.empty());
}

TEST_P(LinkEngine, DeadlinesSurviveTheOld32BitWrap) {
  for (int64_t start : {int64_t(0xFFFFFFFF) - 100, int64_t(1) << 40}) {
    THarness h(GetParam(), UdpTraits());
    h.now = start;
    h.SetTiming(2500, 1, 1);
    h.engine->QueueCommand(Message(ckQuery, 0, {}, kHostAddress, kCard), 6666, "127.0.0.1", kCard);
    h.Tick();
    h.Tick(2499);
    EXPECT_TRUE(h.events.empty()) << start;
    h.Tick(1);
    EXPECT_EQ(h.EventsOf(leTimeout).size(), 1u) << start;
  }
}

TEST(LinkEnginePanelcast, OptionsTakeEffectAtTheNextUse) {
  TTransferOptions options;
  std::vector<uint8_t> buffer(1024);
  TLinkEngine engine(PanelcastPolicy(options), UdpTraits(), buffer);
  TLinkOutbox out;
  options.TimeoutMs = 100;
  options.Retries = 0;
  engine.QueueData(Pattern(10), 6666, "127.0.0.1", kCard);
  engine.RunSendTimers(0, out);
  EXPECT_EQ(engine.NextDeadline(), 100);
  options.TimeoutMs = 5000;  // the running wait keeps its deadline
  engine.RunSendTimers(100, out);
  EXPECT_EQ(engine.QueuedTransfers(), 0u);
  engine.QueueData(Pattern(10), 6666, "127.0.0.1", kCard);
  engine.RunSendTimers(200, out);
  EXPECT_EQ(engine.NextDeadline(), 5200);
}

}  // namespace
