// The simulated card over loopback UDP and a pty, driven by a minimal host written here. Wire
// bytes are compared with the vectors of tests/vectors.py (crcmod); frames this host sends are
// built with the card's encoder, which CardFrameTest checks against those vectors.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>

#include "platform/base/ByteOrder.h"
#include "tools/cardsim/CardFrame.h"
#include "tools/cardsim/CardSim.h"

using namespace cardsim;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

// Just enough of a host: one UDP socket on loopback, whole datagrams in and out.
class TTestHost {
 public:
  TTestHost() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  ~TTestHost() { close(fd_); }
  uint16_t Port() const { return port_; }
  TPeer Peer() const { return {INADDR_LOOPBACK, port_}; }

  void SendRaw(uint16_t cardPort, const Bytes& bytes) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(cardPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  void Send(uint16_t cardPort, const TCardHead& head, const Bytes& payload = {}) const {
    SendRaw(cardPort, EncodeCardFrame(BuildMessage(head, payload)));
  }
  void Answer(uint16_t cardPort, const TCardAnswer& answer) const {
    SendRaw(cardPort, EncodeCardFrame(BuildAnswer(answer)));
  }
  // The next datagram, or an empty one after two seconds (a failure in every test here).
  Bytes Next() const {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) return {};
    Bytes b(65536);
    ssize_t n = recv(fd_, b.data(), b.size(), 0);
    b.resize(n > 0 ? size_t(n) : 0);
    return b;
  }
  // The next datagram's body read as a head (a failed test when there is none).
  TCardHead NextHead(Bytes* body = nullptr) const {
    auto decoded = DecodeCardFrame(Next());
    EXPECT_TRUE(decoded);
    if (!decoded) return {};
    if (body) *body = *decoded;
    return ReadHead(*decoded).value_or(TCardHead{});
  }
  TCardAnswer NextAnswer(Bytes* payload = nullptr) const {
    Bytes body;
    NextHead(&body);
    if (payload && body.size() > AnswerHeadSize) payload->assign(body.begin() + AnswerHeadSize, body.end());
    auto a = ReadAnswer(body);
    EXPECT_TRUE(a) << "not an answer";
    return a.value_or(TCardAnswer{});
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

const Bytes QueryToCard1 = {0x55, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x38, 0x7C, 0xAA};
const Bytes Card1AnswersQuery = {0x55, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04,
                                 0x00, 0x01, 0x00, 0x63, 0x31, 0xAA};

Bytes Pattern(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = uint8_t(i * 7 + i / 251);
  return b;
}

Bytes Slice(const Bytes& data, uint32_t block) {
  size_t from = size_t(block - 1) * BlockSize;
  return Bytes(data.begin() + ptrdiff_t(from), data.begin() + ptrdiff_t(std::min(data.size(), from + BlockSize)));
}

}  // namespace

TEST(CardSim, AnswersOnlyItsOwnAddressByteForByte) {
  TCardSim sim;
  sim.AddCard(1);
  ASSERT_TRUE(sim.StartUdp());
  ASSERT_NE(sim.UdpPort(), 0);
  TTestHost host;
  // Neither a query to another address nor the campaign time is answered, so the first
  // datagram back is the answer to the last query.
  host.Send(sim.UdpPort(), {mkQuery, 0, 3, 0});
  host.Send(sim.UdpPort(), {mkCampaignTime, 255, 1, 0}, Bytes(16, 0x07));
  host.SendRaw(sim.UdpPort(), QueryToCard1);
  EXPECT_EQ(host.Next(), Card1AnswersQuery);

  auto log = sim.Frames();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].Note, "not for this line");
  EXPECT_EQ(log[1].Kind, mkCampaignTime);
  EXPECT_EQ(log[2].Direction, fdIn);
  EXPECT_EQ(log[2].Raw, QueryToCard1);
  EXPECT_EQ(log[3].Direction, fdOut);
  EXPECT_EQ(log[3].Peer, host.Peer());
  EXPECT_LE(log[2].TimeMs, log[3].TimeMs);
  EXPECT_EQ(sim.Card(1)->CampaignTime->wYear, 0x0707);
  EXPECT_EQ(sim.CountFrames(fdIn, mkQuery), 2u);
}

TEST(CardSim, CommandsOfSeveralCardsAndStatus99) {
  TCardSim sim;
  sim.AddCard(1);
  sim.AddCard(2);
  sim.SetAutomatic(2, true, false);
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  const uint16_t port = sim.UdpPort();

  host.Send(port, {mkSetPower, 0, 2, 0});
  EXPECT_EQ(host.Next(), (Bytes{0x55, 0x03, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x00,
                                0x63, 0x00, 0x28, 0x2B, 0xAA}));
  host.Send(port, {mkSetPower, 0, 1, 0});
  TCardAnswer a = host.NextAnswer();
  EXPECT_EQ(a.Status, 1);
  EXPECT_EQ(a.Number, 0u);
  EXPECT_EQ(sim.Card(1)->Power, 0u);
  EXPECT_EQ(sim.Card(2)->Power, 1u);

  host.Send(port, {mkSetBright, 0, 2, 3});
  EXPECT_EQ(host.NextAnswer().Status, 1);  // only power runs automatically on card 2
  host.Send(port, {mkGetBright, 0, 2, 0});
  EXPECT_EQ(host.NextAnswer().Number, 3u);

  Bytes params;
  host.Send(port, {mkGetParams, 0, 1, 0});
  a = host.NextAnswer(&params);
  EXPECT_EQ(a.AnsweredKind, mkGetParams);
  ASSERT_EQ(params.size(), ParamsSize);
  EXPECT_EQ(platform::LoadU16(&params[0]), 64);
  EXPECT_EQ(platform::LoadU16(&params[2]), 16);
  EXPECT_EQ(platform::LoadU16(&params[4]), 1);

  // A write is answered, then reported by a card message.
  platform::StoreU16(&params[0], 128);
  host.Send(port, {mkSetParams, 0, 1, 0}, params);
  EXPECT_EQ(host.NextAnswer().AnsweredKind, mkSetParams);
  EXPECT_EQ(host.Next(), (Bytes{0x55, 0x64, 0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0xA1, 0x46, 0xAA}));
  EXPECT_EQ(ParamsWidth(*sim.Card(1)), 128);
  host.Send(port, {mkSetParams, 0, 1, 0}, Bytes(100));  // too short: refused, nothing changes
  EXPECT_EQ(host.NextAnswer().Status, 0);
  EXPECT_EQ(ParamsWidth(*sim.Card(1)), 128);

  // A power schedule with the marker starts the automatic mode.
  Bytes schedule(PowerScheduleSize);
  platform::StoreU32(schedule.data(), ScheduleOnMarker);
  host.Send(port, {mkSetAutoClose, 0, 1, 0}, schedule);
  EXPECT_EQ(host.NextAnswer().Status, 1);
  EXPECT_EQ(host.NextHead().Value, cmPowerScheduleDone);
  host.Send(port, {mkSetPower, 0, 1, 1});
  EXPECT_EQ(host.NextAnswer().Status, StatusAutomatic);
}

TEST(CardSim, ReceivesATransferOutOfOrderAndKeepsIt) {
  TCardSim sim;
  sim.AddCard(1);
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  const uint16_t port = sim.UdpPort();
  Bytes data = Pattern(1300);
  data[0] = ckProgramSend;
  data[1] = 0;
  data[600] = 0x55;  // escapes inside a block
  data[601] = 0xAA;
  data[602] = 0xBB;

  host.Send(port, {mkStart, 0, 1, 0});
  EXPECT_EQ(host.NextAnswer().AnsweredKind, mkStart);
  for (uint32_t n : {1u, 3u}) {
    host.Send(port, {mkBlock, 0, 1, n}, Slice(data, n));
    TCardAnswer a = host.NextAnswer();
    EXPECT_EQ(a.AnsweredKind, mkBlock);
    EXPECT_EQ(a.Number, n);
    EXPECT_EQ(a.Status, 1);
  }
  host.Send(port, {mkEnd, 0, 1, 4});  // block 2 is missing: the card asks from 2
  TCardAnswer a = host.NextAnswer();
  EXPECT_EQ(a.AnsweredKind, mkEnd);
  EXPECT_EQ(a.Status, 0);
  EXPECT_EQ(a.Number, 2u);
  host.Send(port, {mkBlock, 0, 1, 2}, Slice(data, 2));
  host.Send(port, {mkBlock, 0, 1, 3}, Bytes(10, 0xEE));  // again, now below the window
  EXPECT_EQ(host.NextAnswer().Status, 1);
  a = host.NextAnswer();
  EXPECT_EQ(a.Status, 1);  // received already, and not copied again
  EXPECT_EQ(a.Number, 3u);
  host.Send(port, {mkEnd, 0, 1, 4});
  a = host.NextAnswer();
  EXPECT_EQ(a.Status, 1);
  EXPECT_EQ(a.Number, 4u);
  EXPECT_EQ(host.NextHead().Value, cmProgramDone);

  auto t = sim.WaitForTransfer(2s);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Data, data);
  EXPECT_EQ(t->Card, 1);
  EXPECT_EQ(t->ContentKind(), ckProgramSend);
  EXPECT_EQ(t->Peer, host.Peer());
  EXPECT_FALSE(sim.WaitForTransfer(0ms));  // taken once
  EXPECT_EQ(sim.Card(1)->DisplayContent, data);  // what a read-back now sends
}

TEST(CardSim, ARepeatedStartOrEndIsAnsweredForItsOwnSenderOnly) {
  TCardSim sim;
  sim.AddCard(1);
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  TTestHost other;  // a second socket: another sender, though with the host's address
  const uint16_t port = sim.UdpPort();
  const Bytes data = Pattern(700);

  host.Send(port, {mkStart, 0, 1, 5000});
  EXPECT_EQ(host.NextAnswer().Number, 5000u);
  host.Send(port, {mkBlock, 0, 1, 1}, Slice(data, 1));
  EXPECT_EQ(host.NextAnswer().Status, 1);
  // Someone else's start while receiving gets nothing; the same host's starts afresh.
  other.Send(port, {mkStart, 0, 1, 9});
  host.Send(port, {mkStart, 0, 1, 700});
  TCardAnswer a = host.NextAnswer();
  EXPECT_EQ(a.AnsweredKind, mkStart);
  EXPECT_EQ(a.Number, 700u);
  EXPECT_EQ(a.Status, 1);
  for (uint32_t n : {1u, 2u}) {
    host.Send(port, {mkBlock, 0, 1, n}, Slice(data, n));
    EXPECT_EQ(host.NextAnswer().Number, n);
  }
  host.Send(port, {mkEnd, 0, 1, 3});
  EXPECT_EQ(host.NextAnswer().Status, 1);
  auto t = sim.WaitForTransfer(2s);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Announced, 700u);
  EXPECT_EQ(t->Data, data);

  // The end again, as after a lost answer: answered to its sender only, not kept twice.
  other.Send(port, {mkEnd, 0, 1, 3});
  host.Send(port, {mkEnd, 0, 1, 3});
  a = host.NextAnswer();
  EXPECT_EQ(a.AnsweredKind, mkEnd);
  EXPECT_EQ(a.Number, 3u);
  EXPECT_EQ(a.Status, 1);
  EXPECT_FALSE(sim.WaitForTransfer(0ms));
  auto log = sim.Frames();
  std::vector<std::string> notes;
  for (const auto& r : log)
    if (r.Direction == fdIn && r.Peer == other.Peer()) notes.push_back(r.Note);
  EXPECT_EQ(notes, (std::vector<std::string>{"receiving from another sender", "not receiving"}));
  EXPECT_EQ(sim.CountFrames(fdOut, mkAnswer), 7u);  // nothing went to the other socket
}

TEST(CardSim, FaultRulesChangeTheAnswer) {
  struct TCase {
    const char* name;
    TFaultRule rule;
    TCardAnswer expected;  // the answer to "set brightness 5" at card 1
  };
  const TCase cases[] = {
      {"wrong destination", {.Action = faWrongDestination, .Kind = mkSetBright, .Destination = 9},
       {1, 9, 5, mkSetBright, 1}},
      {"wrong answered kind", {.Action = faWrongAnsweredKind, .Kind = mkSetBright, .AnsweredKind = 4},
       {1, 0, 5, mkQuery, 1}},
      {"status 0 with a number", {.Action = faStatusZero, .Kind = mkSetBright, .AnswerNumber = 77},
       {1, 0, 77, mkSetBright, 0}},
      {"overflow", {.Action = faOverflow, .Kind = mkSetBright}, {1, 0, 5, akOverflow, 0}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TCardSim sim;
    sim.AddCard(1);
    sim.AddFault(c.rule);
    ASSERT_TRUE(sim.StartUdp());
    TTestHost host;
    host.Send(sim.UdpPort(), {mkSetBright, 0, 1, 5});
    EXPECT_EQ(host.Next(), EncodeCardFrame(BuildAnswer(c.expected)));
    host.Send(sim.UdpPort(), {mkSetBright, 0, 1, 5});  // the rule acted once only
    EXPECT_EQ(host.Next(), EncodeCardFrame(BuildAnswer({1, 0, 5, mkSetBright, 1})));
  }
}

TEST(CardSim, DropDuplicateCorruptAndDelayByOccurrence) {
  TCardSim sim;
  sim.AddCard(1);
  sim.AddFault({.Action = faDrop, .Kind = mkQuery, .Occurrence = 1});
  sim.AddFault({.Action = faCorruptCrc, .Kind = mkQuery, .Occurrence = 2});
  sim.AddFault({.Action = faDuplicate, .Kind = mkQuery, .Occurrence = 3});
  sim.AddFault({.Action = faDelay, .Kind = mkQuery, .Occurrence = 4, .DelayMs = 150});
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  const uint16_t port = sim.UdpPort();

  host.SendRaw(port, QueryToCard1);  // 1: lost on the way in
  host.SendRaw(port, QueryToCard1);  // 2: answered with a bad CRC
  Bytes corrupt = host.Next();
  ASSERT_EQ(corrupt.size(), Card1AnswersQuery.size());
  EXPECT_TRUE(std::equal(corrupt.begin(), corrupt.end() - 3, Card1AnswersQuery.begin()));
  EXPECT_NE(corrupt, Card1AnswersQuery);
  EXPECT_FALSE(DecodeCardFrame(corrupt));
  host.SendRaw(port, QueryToCard1);  // 3: answered twice
  EXPECT_EQ(host.Next(), Card1AnswersQuery);
  EXPECT_EQ(host.Next(), Card1AnswersQuery);

  // 4: the delayed answer does not hold the card up: a later command overtakes it.
  host.SendRaw(port, QueryToCard1);
  host.Send(port, {mkGetPower, 0, 1, 0});
  EXPECT_EQ(host.NextAnswer().AnsweredKind, mkGetPower);
  EXPECT_EQ(host.Next(), Card1AnswersQuery);
  host.SendRaw(port, QueryToCard1);  // 5: no rule left
  EXPECT_EQ(host.Next(), Card1AnswersQuery);

  auto log = sim.Frames();
  EXPECT_EQ(sim.CountFrames(fdIn, mkQuery), 5u);
  EXPECT_EQ(log[0].Note, "drop");
  // The delayed answer went out at least 150 ms after its query came in.
  const TFrameRecord* query4 = nullptr;
  const TFrameRecord* answer4 = nullptr;
  int queries = 0;
  for (const auto& r : log) {
    if (r.Direction == fdIn && r.Kind == mkQuery && ++queries == 4) query4 = &r;
    if (query4 && !answer4 && r.Direction == fdOut && r.AnsweredKind == mkQuery) answer4 = &r;
  }
  ASSERT_TRUE(query4 && answer4);
  EXPECT_GE(answer4->TimeMs - query4->TimeMs, 150);
}

TEST(CardSim, OverflowOfTheReceiveBufferEndsTheTransfer) {
  TCardSim sim({.ReceiveCapacity = 1024});
  sim.AddCard(1);
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  const uint16_t port = sim.UdpPort();
  host.Send(port, {mkStart, 0, 1, 0});
  host.NextAnswer();
  host.Send(port, {mkBlock, 0, 1, 1}, Bytes(512));
  host.Send(port, {mkBlock, 0, 1, 3}, Bytes(10));
  host.NextAnswer();
  EXPECT_EQ(host.NextAnswer().AnsweredKind, akOverflow);
  host.Send(port, {mkEnd, 0, 1, 2});  // the transfer is gone: no answer
  host.SendRaw(port, QueryToCard1);
  EXPECT_EQ(host.Next(), Card1AnswersQuery);
}

namespace {

struct TPushSeen {
  TCardHead Start;
  Bytes Data;
  std::vector<uint32_t> Blocks;  // block numbers in arrival order
  int Ends = 0;
};

// Plays the host's receiving side of a card→host transfer until its end is accepted: answers
// the start and every block, and answers an end with "missing from n" while a block is lacking.
TPushSeen ReceivePush(const TTestHost& host, uint16_t port, uint8_t card) {
  TPushSeen seen;
  std::map<uint32_t, Bytes> blocks;
  for (int frames = 0; frames < 100; ++frames) {
    Bytes body;
    TCardHead h = host.NextHead(&body);
    if (body.empty()) break;
    EXPECT_EQ(h.Source, card);
    EXPECT_EQ(h.Destination, HostAddress);
    if (h.Kind == mkStart) {
      seen.Start = h;
      host.Answer(port, {HostAddress, card, h.Value, mkStart, 1});
    } else if (h.Kind == mkBlock) {
      blocks[h.Value].assign(body.begin() + HeadSize, body.end());
      seen.Blocks.push_back(h.Value);
      host.Answer(port, {HostAddress, card, h.Value, mkBlock, 1});
    } else if (h.Kind == mkEnd) {
      ++seen.Ends;
      uint32_t missing = 1;
      while (missing < h.Value && blocks.contains(missing)) ++missing;
      if (missing < h.Value) {
        host.Answer(port, {HostAddress, card, missing, akMissing, 0});
        continue;
      }
      host.Answer(port, {HostAddress, card, h.Value, mkEnd, 1});
      for (auto& [n, part] : blocks) seen.Data.insert(seen.Data.end(), part.begin(), part.end());
      return seen;
    }
  }
  ADD_FAILURE() << "the transfer did not end";
  return seen;
}

}  // namespace

TEST(CardSim, PushesInTheChosenOrderAndResendsWhatTheHostLacks) {
  TCardSim sim({.AnswerTimeoutMs = 100});
  sim.AddCard(1);
  // The first copy of block 2 is lost on its way to the host.
  sim.AddFault({.Action = faDrop, .Kind = mkBlock, .Number = 2, .Own = true});
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  const Bytes data = Pattern(1300);
  int id = sim.Push(1, data, {.Order = {3, 2, 1, 1}, .Burst = 2}, host.Peer());
  ASSERT_GT(id, 0);

  TPushSeen seen = ReceivePush(host, sim.UdpPort(), 1);
  EXPECT_EQ(EncodeCardFrame(BuildMessage(seen.Start)),
            (Bytes{0x55, 0x00, 0x00, 0x01, 0x00, 0x14, 0x05, 0x00, 0x00, 0x2B, 0x54, 0xAA}));
  // 3 (2 lost, so the burst waits out its answer time), 1, 1 (a duplicate), then after the end
  // asked from 2: 2 and 3 again.
  EXPECT_EQ(seen.Blocks, (std::vector<uint32_t>{3, 1, 1, 2, 3}));
  EXPECT_EQ(seen.Ends, 2);
  EXPECT_EQ(seen.Data, data);
  EXPECT_EQ(sim.WaitForPush(id, 2s), prComplete);
}

TEST(CardSim, ReadBackSendsTheDisplayContent) {
  TCardSim sim;
  sim.AddCard(4);
  Bytes content = Pattern(700);
  content[0] = ckProgramDownload;
  content[1] = 0;
  sim.UpdateCard(4, [&](TCardState& c) { c.DisplayContent = content; });
  sim.SetReadBackPlan({.Burst = 4});
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;
  host.Send(sim.UdpPort(), {mkReadDisplay, 0, 4, 0});
  TCardAnswer a = host.NextAnswer();
  EXPECT_EQ(a.AnsweredKind, mkReadDisplay);
  EXPECT_EQ(a.Status, 1);
  TPushSeen seen = ReceivePush(host, sim.UdpPort(), 4);
  EXPECT_EQ(seen.Start.Value, 700u);
  EXPECT_EQ(seen.Data, content);
  EXPECT_EQ(seen.Ends, 1);
  // A card message goes to the same host on demand.
  ASSERT_TRUE(sim.SendCardMessage(4, 0x20001));
  TCardHead m = host.NextHead();
  EXPECT_EQ(m.Kind, mkCardMessage);
  EXPECT_EQ(m.Value, 0x20001u);
}

TEST(CardSim, StartMessageGoesOutOnePlusRetriesTimesThenTheTransferFails) {
  TCardSim sim({.AnswerTimeoutMs = 40, .Retries = 2});
  sim.AddCard(1);
  ASSERT_TRUE(sim.StartUdp());
  TTestHost host;  // never answers
  int id = sim.Push(1, Pattern(100), {}, host.Peer());
  EXPECT_EQ(sim.WaitForPush(id, 5s), prFailed);
  auto log = sim.Frames();
  std::vector<int64_t> times;
  for (const auto& r : log)
    if (r.Direction == fdOut && r.Kind == mkStart) times.push_back(r.TimeMs);
  ASSERT_EQ(times.size(), 3u);
  for (size_t i = 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], 40);
    EXPECT_LT(times[i] - times[i - 1], 1000);
  }
  EXPECT_EQ(sim.CountFrames(fdOut, mkBlock), 0u);
}

TEST(CardSim, WorksOnAPtyLine) {
  TCardSim sim;
  sim.AddCard(1);
  sim.AddCard(2);
  ASSERT_TRUE(sim.StartPty());
  ASSERT_FALSE(sim.PtyPath().empty());
  int fd = open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  // Noise, then the query in two pieces, as a serial line may deliver it.
  Bytes first = {0x00, 0x13};
  first.insert(first.end(), QueryToCard1.begin(), QueryToCard1.begin() + 4);
  ASSERT_EQ(write(fd, first.data(), first.size()), ssize_t(first.size()));
  ASSERT_EQ(write(fd, QueryToCard1.data() + 4, QueryToCard1.size() - 4), ssize_t(QueryToCard1.size() - 4));
  Bytes got;
  while (got.size() < Card1AnswersQuery.size()) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) break;
    uint8_t buf[64];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  EXPECT_EQ(got, Card1AnswersQuery);
  close(fd);
  sim.Stop();
  EXPECT_FALSE(sim.Running());
}
