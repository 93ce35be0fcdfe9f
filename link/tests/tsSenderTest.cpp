// The link manager against the simulated card, over loopback UDP and a pty pair, in both
// variants, with short time constants. Notifications go to message windows on the test thread,
// which pumps while it waits; every wait has a generous limit that only a fault reaches.
#include "link/tsSender.h"

#include <arpa/inet.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>

#include "platform/base/ByteOrder.h"
#include "platform/base/MessageWindow.h"
#include "platform/comm/ComPortNames.h"
#include "platform/comm/UdpSocket.h"
#include "tools/cardsim/CardSim.h"

using namespace cardlink;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kGenerous = 20000;  // ms; reached only when something is broken
constexpr uint32_t kNotify = 0x401;
constexpr uint8_t kCard = 3;
const platform::TSystemTime kHostTime{2024, 5, 3, 15, 13, 45, 30, 250};

enum TVariant { vCorvane, vPanelcast };
enum TTransport { tUdp, tPty };

// Answers come within milliseconds on loopback; T only has to outlast a busy machine's stalls.
TLinkTiming ShortTiming() {
  TLinkTiming t;
  t.AnswerTimeoutMs = 1000;
  t.Retries = 3;
  t.Burst = 1;
  t.ReceiveIdleMs = 3000;
  t.GapMs = 20;
  t.SerialPauseMs = 1;
  return t;
}

// Panelcast's options are process-wide; each test sets what it needs.
TTransferOptions& Options() {
  static TTransferOptions options;
  return options;
}

Bytes Pattern(size_t n, uint32_t seed) {
  Bytes v(n);
  uint32_t x = 2463534242u + seed;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x);
  }
  return v;
}

// A program as the project root sends it: content kind 17 first.
Bytes Program(size_t n, uint32_t seed) {
  Bytes v = Pattern(n, seed);
  platform::StoreU16(v.data(), 17);
  return v;
}

// Pumps the calling thread's queue until `done` holds or the time is up.
bool PumpFor(const std::function<bool()>& done, int ms = kGenerous) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    platform::ProcessMessages();
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    platform::WaitMessage(int(left.count()));
  }
}

bool SameDevice(const TDeviceRecord& a, const TDeviceRecord& b) {
  return a.LinkKind == b.LinkKind && a.SpeedIndex == b.SpeedIndex && a.ComPort == b.ComPort &&
         a.Handshake == b.Handshake && a.LocalPort == b.LocalPort && a.ReceiveBuffer == b.ReceiveBuffer &&
         a.ReceiveBufferSize == b.ReceiveBufferSize && a.NotifyFlag == b.NotifyFlag && a.Window == b.Window &&
         a.Message == b.Message && a.DeviceIndex == b.DeviceIndex;
}

bool SameRecord(const TNotifyRecord& a, const TNotifyRecord& b) {
  return a.Code == b.Code && a.AnsweredKind == b.AnsweredKind && a.Status == b.Status && a.Number == b.Number &&
         a.CardAddress == b.CardAddress && a.Length == b.Length && a.Data == b.Data && SameDevice(a.Device, b.Device) &&
         std::memcmp(a.CardIp, b.CardIp, sizeof a.CardIp) == 0 && a.CardPort == b.CardPort;
}

// One notification as the window saw it, with its data copied while it was valid.
struct TNotice {
  TNotifyRecord Record;
  Bytes Data;
  uintptr_t WParam = 0;
};

// A Panelcast record whose deliveries can be watched while they wait for their turn.
class TWatchedRecord : public TSharedNotifyRecord {
 public:
  platform::TWaitableEvent Waits;

 protected:
  void DeliveryWaits() override { Waits.Set(); }
};

// A window on the test thread that keeps every notification. With a shared record it reads
// the record as a Panelcast client does, and checks that the message points at it.
class TNoticeWindow {
 public:
  explicit TNoticeWindow(TSharedNotifyRecord* shared = nullptr)
      : shared_(shared), window_([this](uint32_t message, uintptr_t w, intptr_t l) {
          Handle(message, w, l);
          return 0;
        }) {}

  platform::TWindowHandle Handle() const { return window_.Handle(); }
  // Runs inside the handler after the notice is kept.
  std::function<void(const TNotice&)> OnNotice;
  std::vector<TNotice> Notices;

  size_t Count(int32_t code) const {
    return size_t(std::count_if(Notices.begin(), Notices.end(), [&](auto& n) { return n.Record.Code == code; }));
  }
  // The first notice of `code` (and answered kind, for code 3) after position `from`.
  const TNotice* Find(int32_t code, int32_t answered = -1, size_t from = 0) const {
    for (size_t i = from; i < Notices.size(); ++i) {
      const auto& r = Notices[i].Record;
      if (r.Code == code && (answered < 0 || r.AnsweredKind == answered)) return &Notices[i];
    }
    return nullptr;
  }
  const TNotice* WaitFor(int32_t code, int32_t answered = -1, size_t from = 0) {
    PumpFor([&] { return Find(code, answered, from) != nullptr; });
    return Find(code, answered, from);
  }

 private:
  void Handle(uint32_t message, uintptr_t w, intptr_t l) {
    EXPECT_EQ(message, kNotify);
    EXPECT_EQ(l, 0);
    TNotice n;
    n.WParam = w;
    if (shared_) {
      EXPECT_TRUE(shared_->Read(n.Record));
      TNotifyRecord viaParameter = *reinterpret_cast<const TNotifyRecord*>(w);
      EXPECT_TRUE(SameRecord(viaParameter, n.Record)) << "the message points elsewhere";
    } else {
      n.Record = *reinterpret_cast<const TNotifyRecord*>(w);
    }
    size_t length = size_t(std::max(n.Record.Length, 0));
    if (n.Record.Code == ncTimeout) length = kMessageHeadSize;  // a command's head at least
    if (n.Record.Data && (n.Record.Code == ncDataReceived || n.Record.Code == ncReply || n.Record.Code == ncTimeout))
      n.Data.assign(n.Record.Data, n.Record.Data + length);
    Notices.push_back(n);
    if (OnNotice) OnNotice(Notices.back());
  }

  TSharedNotifyRecord* shared_;
  platform::TMessageWindow window_;
};

// A manager of either variant with short time constants and a fixed host clock.
struct TManagerRig {
  explicit TManagerRig(TVariant v, TLinkTiming timing = ShortTiming(), size_t bufferSize = size_t(1) << 20)
      : Variant(v) {
    Options().TimeoutMs = int(timing.AnswerTimeoutMs);
    Options().Retries = timing.Retries;
    Options().Burst = 4;
    TManagerPolicy policy;
    if (v == vCorvane) {
      policy = CorvaneManagerPolicy(timing);
    } else {
      Shared = std::make_shared<TWatchedRecord>();
      policy = PanelcastManagerPolicy(Options(), Shared, timing);
    }
    policy.ReceiveBufferSize = bufferSize;
    policy.LocalTime = [] { return kHostTime; };
    Manager = std::make_unique<TLEDManager>(policy);
  }
  int32_t UdpKind() const { return Variant == vCorvane ? 2 : 1; }
  TNoticeWindow& NewWindow() {
    Windows.push_back(std::make_unique<TNoticeWindow>(Shared.get()));
    return *Windows.back();
  }

  TVariant Variant;
  std::shared_ptr<TWatchedRecord> Shared;
  std::vector<std::unique_ptr<TNoticeWindow>> Windows;  // outlive the manager's links
  std::unique_ptr<TLEDManager> Manager;
};

// The simulated card on a UDP socket or a pty that the manager opens as COM n.
struct TCardLine {
  TCardLine(TTransport t, int comNumber) : Transport(t), ComNumber(comNumber) {
    Sim.AddCard(kCard);
    std::string error;
    if (t == tUdp) {
      EXPECT_TRUE(Sim.StartUdp(0, "127.0.0.1", &error)) << error;
    } else {
      EXPECT_TRUE(Sim.StartPty(&error)) << error;
      ::setenv(platform::ComPortOverrideVariable(comNumber).c_str(), Sim.PtyPath().c_str(), 1);
    }
  }
  ~TCardLine() {
    Sim.Stop();
    if (Transport == tPty) ::unsetenv(platform::ComPortOverrideVariable(ComNumber).c_str());
  }
  TDeviceRecord Record(const TManagerRig& rig) const {
    TDeviceRecord r;
    r.LinkKind = Transport == tUdp ? rig.UdpKind() : 0;
    r.SpeedIndex = 5;
    r.ComPort = ComNumber;
    r.LocalPort = 0;
    return r;
  }
  int CardPort() const { return Transport == tUdp ? Sim.UdpPort() : 0; }

  TTransport Transport;
  int ComNumber;
  cardsim::TCardSim Sim{cardsim::TCardSimOptions{.AnswerTimeoutMs = 1000, .Retries = 5}};
};

std::string ParamName(const testing::TestParamInfo<std::tuple<TVariant, TTransport>>& info) {
  return std::string(std::get<0>(info.param) == vCorvane ? "Corvane" : "Panelcast") +
         (std::get<1>(info.param) == tUdp ? "Udp" : "Pty");
}

std::string VariantName(const testing::TestParamInfo<TVariant>& info) {
  return info.param == vCorvane ? "Corvane" : "Panelcast";
}

class Manager : public testing::TestWithParam<std::tuple<TVariant, TTransport>> {
 protected:
  TVariant Variant() const { return std::get<0>(GetParam()); }
  TTransport Transport() const { return std::get<1>(GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Links, Manager,
                         testing::Combine(testing::Values(vCorvane, vPanelcast), testing::Values(tUdp, tPty)),
                         ParamName);

class ManagerUdp : public testing::TestWithParam<TVariant> {};
INSTANTIATE_TEST_SUITE_P(Variants, ManagerUdp, testing::Values(vCorvane, vPanelcast), VariantName);

}  // namespace

// ---- commands ----

TEST_P(Manager, EveryCommandRoundTripsWithTheRightNotifyRecord) {
  TManagerRig rig(Variant());
  TCardLine line(Transport(), 61);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const int port = line.CardPort();
  const auto card = [&] { return *line.Sim.Card(kCard); };
  const Bytes content = Program(3000, 9);
  line.Sim.UpdateCard(kCard, [&](cardsim::TCardState& c) { c.DisplayContent = content; });

  const Bytes params = Pattern(kParamsBlockSize, 1);
  Bytes powerSchedule = Pattern(kPowerScheduleSize, 2);
  platform::StoreU32(powerSchedule.data(), 0);  // marker off: the card keeps taking manual power
  const Bytes brightSchedule(kBrightScheduleSize, 5);

  struct Case {
    const char* Name;
    std::function<bool()> Send;
    uint16_t Kind;
    int32_t Number;
    size_t Length;  // of the answer payload
    std::function<void(const TNotice&)> Check;
    int32_t CardMessage = 0;  // a code-5 notification that follows
  };
  const std::vector<Case> cases = {
      {"query", [&] { return m.Query(index, kCard, port, "127.0.0.1"); }, ckQuery, 0, 0, nullptr},
      {"clock", [&] { return m.AdjustTime(index, kCard, port, "127.0.0.1"); }, ckSetTime, 0, 0,
       [&](const TNotice&) { EXPECT_EQ(card().Clock, kHostTime); }},
      {"read parameters", [&] { return m.GetParams(index, kCard, port, "127.0.0.1"); }, ckReadParams, 0, 112,
       [&](const TNotice& n) { EXPECT_TRUE(std::equal(n.Data.begin(), n.Data.end(), card().Params.begin())); }},
      {"write parameters", [&] { return m.SetParams(index, kCard, params, port, "127.0.0.1"); }, ckWriteParams, 0,
       0, [&](const TNotice&) { EXPECT_TRUE(std::equal(params.begin(), params.end(), card().Params.begin())); },
       0x10004},
      {"read power", [&] { return m.GetPower(index, kCard, port, "127.0.0.1"); }, ckReadPower, 1, 0, nullptr},
      {"power off", [&] { return m.SetPower(index, kCard, 0, port, "127.0.0.1"); }, ckSetPower, 0, 0,
       [&](const TNotice&) { EXPECT_EQ(card().Power, 0u); }},
      {"read brightness", [&] { return m.GetBrightness(index, kCard, port, "127.0.0.1"); }, ckReadBrightness, 7, 0,
       nullptr},
      {"set brightness", [&] { return m.SetBrightness(index, kCard, 3, port, "127.0.0.1"); }, ckSetBrightness, 3, 0,
       nullptr},
      {"write power schedule", [&] { return m.SetAutoClose(index, kCard, powerSchedule, port, "127.0.0.1"); },
       ckWritePowerSchedule, 0, 0, nullptr, 0x10005},
      {"read power schedule", [&] { return m.GetAutoClose(index, kCard, port, "127.0.0.1"); }, ckReadPowerSchedule,
       0, 116, [&](const TNotice& n) { EXPECT_EQ(n.Data, powerSchedule); }},
      {"write brightness schedule",
       [&] { return m.SetAutoBright(index, kCard, brightSchedule, port, "127.0.0.1"); }, ckWriteBrightnessSchedule,
       0, 0, nullptr, 0x10006},
      {"read brightness schedule", [&] { return m.GetAutoBright(index, kCard, port, "127.0.0.1"); },
       ckReadBrightnessSchedule, 0, 28, [&](const TNotice& n) { EXPECT_EQ(n.Data, brightSchedule); }},
      {"cascade", [&] { return m.SendCascade(index, kCard, port, "127.0.0.1"); }, ckCascade, 0, 0, nullptr},
      {"free command", [&] { return m.SendCommand(index, kCard, ckReadBack, port, "127.0.0.1"); }, ckReadBack, 0, 0,
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const size_t from = window.Notices.size();
    ASSERT_TRUE(c.Send());
    const TNotice* n = window.WaitFor(ncReply, c.Kind, from);
    ASSERT_TRUE(n);
    const TNotifyRecord& r = n->Record;
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Number, c.Number);
    EXPECT_EQ(r.CardAddress, kCard);
    EXPECT_EQ(r.Length, int32_t(c.Length));
    EXPECT_EQ(r.Data == nullptr, c.Length == 0);
    EXPECT_STREQ(r.CardIp, "127.0.0.1");
    EXPECT_EQ(r.CardPort, port);
    EXPECT_EQ(r.Device.DeviceIndex, index);
    EXPECT_EQ(r.Device.LinkKind, line.Record(rig).LinkKind);
    EXPECT_EQ(r.Device.NotifyFlag, 1);
    EXPECT_EQ(r.Device.Window, window.Handle());
    EXPECT_EQ(r.Device.Message, kNotify);
    EXPECT_EQ(r.Device.ReceiveBufferSize, int32_t(1) << 20);
    if (c.Check) c.Check(*n);
    if (c.CardMessage) {
      const TNotice* message = window.WaitFor(ncCardMessage, -1, from);
      ASSERT_TRUE(message);
      EXPECT_EQ(message->Record.Status, c.CardMessage);
      EXPECT_EQ(message->Record.CardAddress, kCard);
      EXPECT_EQ(message->Record.AnsweredKind, 0);
    }
  }

  // The free command above asked for the display content: it arrives as an incoming transfer.
  const TNotice* data = window.WaitFor(ncDataReceived);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->Data, content);
  EXPECT_EQ(data->Record.CardAddress, kCard);
  EXPECT_EQ(data->Record.Data, m.GetDevice(index)->Record.ReceiveBuffer);
  const TNotice* progress = window.Find(ncReceiveProgress);
  ASSERT_TRUE(progress);
  EXPECT_EQ(progress->Record.Length, int32_t(content.size()));  // the announced size
  EXPECT_EQ(progress->Record.CardAddress, kHostAddress);
  EXPECT_EQ(window.Count(ncTimeout), 0u);
}

TEST_P(Manager, AutomaticModeAnswersStatus99) {
  TManagerRig rig(Variant());
  TCardLine line(Transport(), 62);
  line.Sim.SetAutomatic(kCard, true, true);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  ASSERT_TRUE(m.SetPower(index, kCard, 0, line.CardPort(), "127.0.0.1"));
  ASSERT_TRUE(m.SetBrightness(index, kCard, 2, line.CardPort(), "127.0.0.1"));
  for (uint16_t kind : {ckSetPower, ckSetBrightness}) {
    const TNotice* n = window.WaitFor(ncReply, kind);
    ASSERT_TRUE(n) << kind;
    EXPECT_EQ(n->Record.Status, 99) << kind;
  }
  EXPECT_EQ(line.Sim.Card(kCard)->Power, 1u);
  EXPECT_EQ(line.Sim.Card(kCard)->Brightness, 7u);
}

TEST_P(Manager, CampaignTimeIsSentFromAddress255AndAwaitsNoAnswer) {
  TManagerRig rig(Variant());
  TCardLine line(Transport(), 63);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const platform::TSystemTime campaign{2025, 1, 0, 5, 8, 0, 0, 0};
  const bool queued = m.SetCampaignTime(index, kCard, campaign, line.CardPort(), "127.0.0.1");
  ASSERT_EQ(queued, Variant() == vCorvane);  // Panelcast has no commands without an answer
  if (!queued) return;
  // The query queued behind it goes out at once: nothing waits for the campaign time.
  ASSERT_TRUE(m.Query(index, kCard, line.CardPort(), "127.0.0.1"));
  ASSERT_TRUE(window.WaitFor(ncReply, ckQuery));
  EXPECT_EQ(line.Sim.Card(kCard)->CampaignTime, campaign);
  auto frames = line.Sim.Frames();
  auto it = std::find_if(frames.begin(), frames.end(), [](auto& f) { return f.Kind == ckCampaignTime; });
  ASSERT_NE(it, frames.end());
  EXPECT_EQ(it->Source, 255);
  EXPECT_EQ(window.Notices.size(), 1u);  // the query's answer only
}

// ---- the card's requests ----

TEST_P(Manager, TheCardsParameterAndSettingRequestsAreAnswered) {
  TManagerRig rig(Variant());
  TCardLine line(Transport(), 64);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  std::optional<cardsim::TPeer> host;
  if (Transport() == tUdp) host = cardsim::TPeer{INADDR_LOOPBACK, uint16_t(m.GetDevice(index)->Record.LocalPort)};

  // Unknown kinds first, then the known ones: the link handles them in order, so once the
  // last answer is in, any answer to the unknown ones would be too.
  for (uint16_t kind : {uint16_t(5), uint16_t(13), uint16_t(0x3C), uint16_t(7), uint16_t(8), uint16_t(6),
                        uint16_t(9), uint16_t(10), uint16_t(11), uint16_t(12)}) {
    Bytes payload = kind == 8 ? Pattern(112, 3) : kind == 6 ? Bytes(16, 1) : Bytes{};
    ASSERT_TRUE(line.Sim.SendMessage(cardsim::TCardHead{kind, kCard, kHostAddress, 40u + kind}, payload, host));
  }
  auto answers = [&] {
    std::vector<cardsim::TFrameRecord> v;
    for (auto& f : line.Sim.Frames())
      if (f.Direction == cardsim::fdIn && f.Valid && f.Kind == ckReply) v.push_back(f);
    return v;
  };
  ASSERT_TRUE(line.Sim.WaitForFrames(
      [&](const std::vector<cardsim::TFrameRecord>& log) {
        return std::any_of(log.begin(), log.end(), [](auto& f) {
          return f.Direction == cardsim::fdIn && f.Kind == ckReply && f.AnsweredKind == 12;
        });
      },
      std::chrono::milliseconds(kGenerous)));
  auto got = answers();
  ASSERT_EQ(got.size(), 7u);
  const size_t block = Variant() == vCorvane ? 112 : 108;
  const uint16_t order[] = {7, 8, 6, 9, 10, 11, 12};
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(order[i]);
    EXPECT_EQ(got[i].AnsweredKind, order[i]);
    EXPECT_EQ(got[i].Status, 1);
    EXPECT_EQ(got[i].Value, 40u + order[i]);  // the number is the request's value
    EXPECT_EQ(got[i].Destination, kCard);
    EXPECT_EQ(got[i].Source, kHostAddress);
    EXPECT_EQ(got[i].PayloadSize(), order[i] == 7 ? block : 0u);
  }
  const Bytes& body = got[0].Body;
  ASSERT_EQ(body.size(), kReplyHeadSize + block);
  EXPECT_EQ(platform::LoadU16(&body[12]), 512);
  EXPECT_EQ(platform::LoadU16(&body[14]), 256);
  EXPECT_EQ(platform::LoadU16(&body[16]), 2);
  EXPECT_TRUE(std::all_of(body.begin() + 18, body.end(), [](uint8_t b) { return b == 0; }));
  platform::ProcessMessages();
  EXPECT_TRUE(window.Notices.empty());  // requests are not notified
}

// ---- transfers ----

TEST_P(Manager, A300kBProgramArrivesByteForByte) {
  TManagerRig rig(Variant());
  TCardLine line(Transport(), 65);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const Bytes program = Program(300 * 1024, 4);
  ASSERT_EQ(m.SendData(index, program, line.CardPort(), "127.0.0.1", kCard), int64_t(program.size()));
  const TNotice* done = window.WaitFor(ncSendDone);
  ASSERT_TRUE(done);
  auto received = line.Sim.WaitForTransfer(std::chrono::milliseconds(kGenerous));
  ASSERT_TRUE(received);
  EXPECT_EQ(received->ContentKind(), 17);
  EXPECT_EQ(received->Card, kCard);
  EXPECT_TRUE(received->Data == program);
  EXPECT_EQ(done->Record.CardAddress, kCard);
  EXPECT_EQ(done->Record.Data, nullptr);
  EXPECT_EQ(done->Record.Length, 0);
  if (Transport() == tUdp) {
    EXPECT_STREQ(done->Record.CardIp, "127.0.0.1");
    EXPECT_EQ(done->Record.CardPort, line.CardPort());
  }
  // Progress: bytes handed out so far against the whole length, from the host's address.
  const TNotice* last = nullptr;
  for (auto& n : window.Notices)
    if (n.Record.Code == ncSendProgress) last = &n;
  ASSERT_TRUE(last);
  EXPECT_EQ(last->Record.Length, int32_t(program.size()));
  EXPECT_GE(last->Record.Status, int32_t(program.size()));
  EXPECT_EQ(last->Record.CardAddress, kHostAddress);
  EXPECT_EQ(window.Count(ncTimeout), 0u);
}

// For the tests that wait for time-outs.
TLinkTiming ImpatientTiming() {
  TLinkTiming t = ShortTiming();
  t.AnswerTimeoutMs = 200;
  t.Retries = 2;
  return t;
}

// Lost, corrupt and repeated frames either are made good or end in a time-out, never in a hang
// or wrong data.
TEST_P(Manager, FaultsOnTheLineEndInIntactDataOrATimeout) {
  struct Case {
    const char* Name;
    cardsim::TFaultRule Rule;
    bool TransferArrives;
  } cases[] = {
      {"dropped block", {.Action = cardsim::faDrop, .Kind = cardsim::mkBlock, .Number = 3u}, true},
      {"block answer with a bad CRC", {.Action = cardsim::faCorruptCrc, .Kind = cardsim::mkBlock, .Number = 2u}, true},
      {"duplicated block answer", {.Action = cardsim::faDuplicate, .Kind = cardsim::mkBlock, .Number = 2u}, true},
      {"lost block answer", {.Action = cardsim::faDropAnswer, .Kind = cardsim::mkBlock, .Number = 4u}, true},
      {"lost start answer", {.Action = cardsim::faDropAnswer, .Kind = cardsim::mkStart}, true},
      {"lost end answer", {.Action = cardsim::faDropAnswer, .Kind = cardsim::mkEnd}, true},
      {"start never answered", {.Action = cardsim::faDrop, .Kind = cardsim::mkStart, .Times = 0}, false},
      {"blocks always lost", {.Action = cardsim::faDrop, .Kind = cardsim::mkBlock, .Times = 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TManagerRig rig(Variant(), ImpatientTiming());
    TCardLine line(Transport(), 69);
    line.Sim.AddFault(c.Rule);
    auto& window = rig.NewWindow();
    auto& m = *rig.Manager;
    const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
    ASSERT_GE(index, 0);
    const Bytes program = Program(5 * 512 + 100, 7);
    m.SendData(index, program, line.CardPort(), "127.0.0.1", kCard);
    ASSERT_TRUE(PumpFor([&] { return window.Count(ncSendDone) + window.Count(ncTimeout) > 0; }));
    if (c.TransferArrives) {
      EXPECT_EQ(window.Count(ncSendDone), 1u);
      auto received = line.Sim.WaitForTransfer(std::chrono::milliseconds(kGenerous));
      ASSERT_TRUE(received);
      EXPECT_TRUE(received->Data == program);
    } else {
      const TNotice* t = window.Find(ncTimeout);
      ASSERT_TRUE(t);
      EXPECT_EQ(t->Record.Data, nullptr);  // a transfer, not a command
      EXPECT_EQ(t->Record.CardAddress, kCard);
      EXPECT_EQ(t->Record.CardPort, line.CardPort());
      EXPECT_TRUE(line.Sim.Transfers().empty());
    }
  }

  struct CommandCase {
    const char* Name;
    cardsim::TFaultRule Rule;
    size_t Replies;  // of the two queries
  } commandCases[] = {
      {"lost answer", {.Action = cardsim::faDropAnswer, .Kind = cardsim::mkQuery}, 1},
      {"answer with a bad CRC", {.Action = cardsim::faCorruptCrc, .Kind = cardsim::mkQuery}, 1},
      {"answer for another kind", {.Action = cardsim::faWrongAnsweredKind, .Kind = cardsim::mkQuery, .AnsweredKind = 9}, 1},
      {"duplicated answer", {.Action = cardsim::faDuplicate, .Kind = cardsim::mkQuery}, 2},
  };
  for (const auto& c : commandCases) {
    SCOPED_TRACE(c.Name);
    TManagerRig rig(Variant(), ImpatientTiming());
    TCardLine line(Transport(), 69);
    line.Sim.AddFault(c.Rule);
    auto& window = rig.NewWindow();
    auto& m = *rig.Manager;
    const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
    ASSERT_GE(index, 0);
    m.Query(index, kCard, line.CardPort(), "127.0.0.1");
    m.Query(index, kCard, line.CardPort(), "127.0.0.1");
    ASSERT_TRUE(PumpFor([&] { return window.Count(ncReply) + window.Count(ncTimeout) == 2; }));
    EXPECT_EQ(window.Count(ncReply), c.Replies);
    if (c.Replies == 1) {
      const TNotice* t = window.Find(ncTimeout);
      ASSERT_TRUE(t);
      ASSERT_EQ(t->Data.size(), kMessageHeadSize);
      EXPECT_EQ(platform::LoadU16(t->Data.data()), ckQuery);  // the timed-out command itself
      EXPECT_EQ(t->Data[3], kCard);
    }
    // Nothing more follows, also not from the duplicate.
    ASSERT_TRUE(m.GetPower(index, kCard, line.CardPort(), "127.0.0.1"));
    ASSERT_TRUE(window.WaitFor(ncReply, ckReadPower));
    EXPECT_EQ(window.Notices.size(), 3u);
  }
}

TEST_P(ManagerUdp, AnIncomingTransferThatStallsEndsInATimeoutFromItsSender) {
  TLinkTiming timing = ShortTiming();
  timing.ReceiveIdleMs = 200;
  TManagerRig rig(GetParam(), timing);
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const cardsim::TPeer host{INADDR_LOOPBACK, uint16_t(m.GetDevice(index)->Record.LocalPort)};
  line.Sim.Push(9, Pattern(3000, 5), cardsim::TPushPlan{.Order = {1, 2}, .SendEnd = false}, host);
  const TNotice* t = window.WaitFor(ncTimeout);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Record.CardAddress, 9);
  EXPECT_EQ(t->Record.Data, nullptr);
  EXPECT_STREQ(t->Record.CardIp, "127.0.0.1");
  EXPECT_EQ(t->Record.CardPort, line.CardPort());
  EXPECT_EQ(window.Count(ncDataReceived), 0u);
}

// ---- the host receiving what a card pushes ----

namespace {

// Reads the card's display content back: the card answers the command, then pushes the content
// to the host, which notifies it once it has all of it.
struct TReadBack {
  TReadBack(TVariant variant, const Bytes& content) : Rig(variant), Line(tUdp, 0), Window(Rig.NewWindow()) {
    Line.Sim.UpdateCard(kCard, [&](cardsim::TCardState& c) { c.DisplayContent = content; });
    Index = Rig.Manager->OpenDevice(Line.Record(Rig), 1, Window.Handle(), kNotify);
  }
  // Asks for the content and waits until the host has it and the card has heard so.
  void Run() {
    ASSERT_GE(Index, 0);
    ASSERT_TRUE(Rig.Manager->SendCommand(Index, kCard, ckReadBack, Line.CardPort(), "127.0.0.1"));
    ASSERT_TRUE(Window.WaitFor(ncDataReceived));
    // The card's push is over once an answer to its end reaches it (not lost on the way).
    ASSERT_TRUE(Line.Sim.WaitForFrames(
        [](const std::vector<cardsim::TFrameRecord>& log) {
          return std::any_of(log.begin(), log.end(), [](auto& f) {
            return f.Direction == cardsim::fdIn && f.Kind == ckReply && f.AnsweredKind == ckEnd && f.Status == 1 &&
                   f.Note.empty();
          });
        },
        std::chrono::milliseconds(kGenerous)));
    // A round trip on the same link: whatever the host raised before it has been delivered.
    ASSERT_TRUE(Rig.Manager->Query(Index, kCard, Line.CardPort(), "127.0.0.1"));
    ASSERT_TRUE(Window.WaitFor(ncReply, ckQuery));
  }
  size_t CardSent(uint16_t kind) const { return Line.Sim.CountFrames(cardsim::fdOut, kind); }

  TManagerRig Rig;
  TCardLine Line;
  TNoticeWindow& Window;
  int Index = -1;
};

}  // namespace

TEST_P(ManagerUdp, AReadBackSurvivesALostStartOrEndAnswerWithinOneTimeOut) {
  const Bytes content = Program(20 * 512 + 100, 11);  // blocks 1-21, end 22
  struct Case {
    const char* Name;
    uint32_t Number;  // the lost answer's number: the start's value, the end's number
    size_t Starts, Ends;  // sent by the card
  } cases[] = {
      {"start answer lost", uint32_t(content.size()), 2, 1},
      {"end answer lost", 22, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TReadBack r(GetParam(), content);
    // The host's first answer with that number is lost on its way to the card.
    r.Line.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkAnswer, .Number = c.Number});
    r.Run();
    EXPECT_EQ(r.Window.Count(ncDataReceived), 1u);
    const TNotice* got = r.Window.Find(ncDataReceived);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Record.CardAddress, kCard);
    EXPECT_EQ(got->Record.Length, int32_t(content.size()));
    EXPECT_TRUE(got->Data == content);
    EXPECT_EQ(r.Window.Count(ncTimeout), 0u);
    // One resend, one answer time-out of the card's: the host took it up at once.
    EXPECT_EQ(r.CardSent(ckStart), c.Starts);
    EXPECT_EQ(r.CardSent(ckEnd), c.Ends);
  }
}

TEST_P(ManagerUdp, RepeatedBlocksOfAReadBackDoNotMakeTheCardSendAgain) {
  constexpr uint32_t kBlocks = 250;
  const Bytes content = Program(kBlocks * 512, 12);
  for (uint32_t burst : {1u, 4u}) {
    SCOPED_TRACE("burst " + std::to_string(burst));
    TReadBack r(GetParam(), content);
    r.Line.Sim.SetReadBackPlan({.Burst = burst});
    // 2% of the card's blocks reach the host twice.
    for (uint32_t n = 20; n <= kBlocks; n += 50)
      r.Line.Sim.AddFault({.Action = cardsim::faDuplicate, .Kind = cardsim::mkBlock, .Number = n, .Own = true});
    r.Run();
    const TNotice* got = r.Window.Find(ncDataReceived);
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->Data == content);
    EXPECT_EQ(r.Window.Count(ncDataReceived), 1u);
    // The frame log counts each copy of a repeated block.
    EXPECT_LE(r.CardSent(ckBlock), kBlocks * 6 / 5);
  }
}

// ---- notify records ----

TEST_P(ManagerUdp, ASendDoneAfterAnAnswerCarriesNoStaleFields) {
  TManagerRig rig(GetParam());
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  ASSERT_TRUE(m.GetParams(index, kCard, line.CardPort(), "127.0.0.1"));
  ASSERT_TRUE(window.WaitFor(ncReply, ckReadParams));
  const size_t from = window.Notices.size();
  m.SendData(index, Program(100, 1), line.CardPort(), "127.0.0.1", kCard);
  const TNotice* done = window.WaitFor(ncSendDone, -1, from);
  ASSERT_TRUE(done);
  const TNotifyRecord& r = done->Record;
  EXPECT_EQ(r.AnsweredKind, 0);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Number, 0);
  EXPECT_EQ(r.Length, 0);
  EXPECT_EQ(r.Data, nullptr);
  // The progress in between has no card IP or port.
  for (size_t i = from; i < window.Notices.size(); ++i) {
    if (window.Notices[i].Record.Code != ncSendProgress) continue;
    EXPECT_EQ(window.Notices[i].Record.CardIp[0], 0);
    EXPECT_EQ(window.Notices[i].Record.CardPort, 0);
  }
}

TEST_P(ManagerUdp, NotifyFlag0SendsNothingButTheWorkRuns) {
  TManagerRig rig(GetParam());
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 0, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const Bytes program = Program(2000, 2);
  ASSERT_EQ(m.SendData(index, program, line.CardPort(), "127.0.0.1", kCard), 2000);
  ASSERT_TRUE(m.SetBrightness(index, kCard, 4, line.CardPort(), "127.0.0.1"));
  auto received = line.Sim.WaitForTransfer(std::chrono::milliseconds(kGenerous));
  ASSERT_TRUE(received);
  EXPECT_TRUE(received->Data == program);
  ASSERT_TRUE(line.Sim.WaitForFrames(
      [](const std::vector<cardsim::TFrameRecord>& log) {
        return std::any_of(log.begin(), log.end(), [](auto& f) { return f.Kind == ckReply && f.AnsweredKind == ckEnd; });
      },
      std::chrono::milliseconds(kGenerous)));
  EXPECT_EQ(line.Sim.Card(kCard)->Brightness, 4u);
  // Turning notifications on replaces the link; the old one has ended by then, so anything it
  // had sent would have been handled while the manager waited for it.
  TDeviceRecord again = line.Record(rig);
  again.LocalPort = m.GetDevice(index)->Record.LocalPort;
  ASSERT_EQ(m.OpenDevice(again, 1, window.Handle(), kNotify), index);
  EXPECT_TRUE(window.Notices.empty());
  ASSERT_TRUE(m.Query(index, kCard, line.CardPort(), "127.0.0.1"));
  EXPECT_TRUE(window.WaitFor(ncReply, ckQuery));
}

TEST_P(ManagerUdp, AnUnknownIndexDoesNothing) {
  TManagerRig rig(GetParam());
  TCardLine line(tUdp, 0);
  auto& m = *rig.Manager;
  const int port = line.CardPort();
  const Bytes block(120, 1);
  for (int index : {-1, 0, 7}) {
    EXPECT_EQ(m.SendData(index, block, port, "127.0.0.1", kCard), -1);
    EXPECT_FALSE(m.Query(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.AdjustTime(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.GetParams(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetParams(index, kCard, block, port, "127.0.0.1"));
    EXPECT_FALSE(m.GetPower(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetPower(index, kCard, 1, port, "127.0.0.1"));
    EXPECT_FALSE(m.GetBrightness(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetBrightness(index, kCard, 1, port, "127.0.0.1"));
    EXPECT_FALSE(m.GetAutoClose(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetAutoClose(index, kCard, block, port, "127.0.0.1"));
    EXPECT_FALSE(m.GetAutoBright(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetAutoBright(index, kCard, block, port, "127.0.0.1"));
    EXPECT_FALSE(m.SendCascade(index, kCard, port, "127.0.0.1"));
    EXPECT_FALSE(m.SendCommand(index, kCard, 4, port, "127.0.0.1"));
    EXPECT_FALSE(m.SetCampaignTime(index, kCard, kHostTime, port, "127.0.0.1"));
    EXPECT_EQ(m.GetDevice(index), nullptr);
    m.CloseDevice(index);
  }
  EXPECT_TRUE(line.Sim.Frames().empty());
}

TEST(ManagerShortBlocks, ABlockShorterThanItsCommandIsSentZeroFilled) {
  TManagerRig rig(vCorvane);
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  const Bytes shortParams(10, 0x5A);
  ASSERT_TRUE(m.SetParams(index, kCard, shortParams, line.CardPort(), "127.0.0.1"));
  ASSERT_TRUE(window.WaitFor(ncReply, ckWriteParams));
  auto params = line.Sim.Card(kCard)->Params;
  EXPECT_TRUE(std::all_of(params.begin(), params.begin() + 10, [](uint8_t b) { return b == 0x5A; }));
  EXPECT_TRUE(std::all_of(params.begin() + 10, params.end(), [](uint8_t b) { return b == 0; }));
}

// ---- the device table ----

TEST_P(ManagerUdp, ReopeningFollowsTheMatchingRules) {
  TManagerRig rig(GetParam());
  auto& w1 = rig.NewWindow();
  auto& w2 = rig.NewWindow();
  auto& m = *rig.Manager;
  // A device's target is made new with each link thread, and the copy kept here stops its
  // address from being reused: the same target means the same thread.
  auto target = [&](int index) { return m.GetDevice(index)->Target; };

  struct Line {
    int32_t Kind;
    int Com;
  };
  std::vector<Line> lines = {{0, 66}};
  if (GetParam() == vCorvane) lines.push_back({1, 67});  // RS-485 is matched by its port too
  for (const auto& l : lines) {
    SCOPED_TRACE(l.Kind);
    TCardLine line(tPty, l.Com);
    TDeviceRecord r = line.Record(rig);
    r.LinkKind = l.Kind;
    r.Handshake = 1;
    const int index = m.OpenDevice(r, 1, w1.Handle(), kNotify);
    ASSERT_GE(index, 0);
    auto first = target(index);

    EXPECT_EQ(m.OpenDevice(r, 1, w1.Handle(), kNotify), index);  // same port, target and speed
    EXPECT_EQ(target(index), first);

    r.Handshake = 0;
    EXPECT_EQ(m.OpenDevice(r, 1, w2.Handle(), kNotify), index);  // another window: a new thread
    auto second = target(index);
    EXPECT_NE(second, first);
    EXPECT_EQ(m.GetDevice(index)->Record.Window, w2.Handle());
    EXPECT_EQ(m.GetDevice(index)->Record.Handshake, 1);  // stays as first opened

    r.SpeedIndex = 2;
    EXPECT_EQ(m.OpenDevice(r, 1, w2.Handle(), kNotify), index);  // another speed: a new thread
    EXPECT_NE(target(index), second);
    EXPECT_EQ(m.GetDevice(index)->Record.SpeedIndex, 2);

    // The new link works and notifies the new window only.
    ASSERT_TRUE(m.Query(index, kCard, 0, ""));
    EXPECT_TRUE(w2.WaitFor(ncReply, ckQuery));
    EXPECT_TRUE(w1.Notices.empty());
    m.CloseDevice(index);
    EXPECT_EQ(m.GetDevice(index), nullptr);
  }

  TCardLine udp(tUdp, 0);
  TDeviceRecord r = udp.Record(rig);
  const int index = m.OpenDevice(r, 1, w1.Handle(), kNotify);
  ASSERT_GE(index, 0);
  r.LocalPort = m.GetDevice(index)->Record.LocalPort;  // the port it was given
  ASSERT_GT(r.LocalPort, 0);
  auto first = target(index);
  r.SpeedIndex = 1;
  EXPECT_EQ(m.OpenDevice(r, 1, w1.Handle(), kNotify), index);  // UDP: speed does not matter
  EXPECT_EQ(target(index), first);
  EXPECT_EQ(m.OpenDevice(r, 1, w1.Handle(), kNotify + 1), index);  // another message: new thread
  EXPECT_NE(target(index), first);
  // Asking for any free port again opens a second device.
  TDeviceRecord any = udp.Record(rig);
  const int other = m.OpenDevice(any, 1, w1.Handle(), kNotify);
  EXPECT_GT(other, index);
  EXPECT_NE(m.GetDevice(other)->Record.LocalPort, r.LocalPort);
}

TEST_P(ManagerUdp, The257thOpenFailsAndIndicesAreNeverReused) {
  TManagerRig rig(GetParam(), ShortTiming(), 4096);
  auto& m = *rig.Manager;
  TDeviceRecord r;
  r.LinkKind = rig.UdpKind();
  for (int i = 0; i < kMaxDevices; ++i) ASSERT_EQ(m.OpenDevice(r, 1, 0, kNotify), i);
  EXPECT_EQ(m.OpenDevice(r, 1, 0, kNotify), -1);
  EXPECT_EQ(m.DeviceCount(), size_t(kMaxDevices));
  m.CloseDevice(17);
  EXPECT_EQ(m.GetDevice(17), nullptr);
  EXPECT_EQ(m.OpenDevice(r, 1, 0, kNotify), kMaxDevices);

  // Failed opens use up no index.
  m.CloseDevice(3);
  TDeviceRecord unknown;
  unknown.LinkKind = 7;
  EXPECT_EQ(m.OpenDevice(unknown, 1, 0, kNotify), -1);
  TDeviceRecord badPort = r;
  badPort.LocalPort = 70000;
  EXPECT_EQ(m.OpenDevice(badPort, 1, 0, kNotify), -1);
  platform::TUdpSocket taken;
  ASSERT_TRUE(taken.Bind(0));
  TDeviceRecord busy = r;
  busy.LocalPort = taken.LocalPort();
  EXPECT_EQ(m.OpenDevice(busy, 1, 0, kNotify), -1);
  TDeviceRecord missing;
  missing.LinkKind = 0;
  missing.ComPort = 68;
  ::setenv(platform::ComPortOverrideVariable(68).c_str(), "/dev/does-not-exist-corvane", 1);
  EXPECT_EQ(m.OpenDevice(missing, 1, 0, kNotify), -1);
  EXPECT_EQ(m.OpenDevice(r, 1, 0, kNotify), kMaxDevices + 1);
}

TEST(ManagerKinds, PanelcastHasNoRs485AndNumbersUdp1) {
  TManagerRig rig(vPanelcast);
  auto& m = *rig.Manager;
  TDeviceRecord r;
  r.LinkKind = 2;
  EXPECT_EQ(m.OpenDevice(r, 1, 0, kNotify), -1);
  r.LinkKind = 1;
  const int index = m.OpenDevice(r, 1, 0, kNotify);
  ASSERT_GE(index, 0);
  EXPECT_GT(m.GetDevice(index)->Record.LocalPort, 0);  // a UDP link
}

// With CORVANE_UDP_ADDRESS a UDP link binds that address alone: the same port stays free on
// the other loopback addresses, and the card's answers still come back.
TEST_P(ManagerUdp, TheAddressOverrideBindsOneAddress) {
  TManagerRig rig(GetParam());
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  ::setenv(platform::kUdpAddressVariable, "127.0.0.77", 1);
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ::unsetenv(platform::kUdpAddressVariable);
  ASSERT_GE(index, 0);
  const uint16_t port = uint16_t(m.GetDevice(index)->Record.LocalPort);
  platform::TUdpSocket beside;
  EXPECT_TRUE(beside.Bind(port, htonl(INADDR_LOOPBACK))) << beside.Error();
  ASSERT_TRUE(m.Query(index, kCard, line.CardPort(), "127.0.0.1"));
  EXPECT_TRUE(window.WaitFor(ncReply, ckQuery));
  const auto from = line.Sim.LastPeer();
  ASSERT_TRUE(from);
  EXPECT_EQ(from->Text(), "127.0.0.77:" + std::to_string(port));
}

// ---- replacing and closing ----

// What a link still held when another target took its port over ends in time-outs to its own
// window, once the manager has finished the replacement.
TEST_P(ManagerUdp, ReplacingALinkEndsWhatItHeldInTimeoutsToTheOldWindow) {
  TLinkTiming slow = ShortTiming();
  slow.AnswerTimeoutMs = 60000;  // nothing times out by itself here
  TManagerRig rig(GetParam(), slow);
  TCardLine line(tUdp, 0);
  line.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkStart, .Times = 0});
  line.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkQuery, .Times = 0});
  auto& oldWindow = rig.NewWindow();
  auto& newWindow = rig.NewWindow();
  auto& m = *rig.Manager;
  TDeviceRecord r = line.Record(rig);
  const int index = m.OpenDevice(r, 1, oldWindow.Handle(), kNotify);
  ASSERT_GE(index, 0);
  r.LocalPort = m.GetDevice(index)->Record.LocalPort;
  const int port = line.CardPort();
  m.SendData(index, Program(1000, 1), port, "127.0.0.1", 1);  // in flight
  m.SendData(index, Program(1000, 2), port, "127.0.0.1", 2);  // queued
  m.Query(index, 3, port, "127.0.0.1");                       // outstanding
  m.GetPower(index, 4, port, "127.0.0.1");                    // queued
  ASSERT_TRUE(line.Sim.WaitForFrames(
      [](const std::vector<cardsim::TFrameRecord>& log) {
        auto seen = [&](uint16_t kind) {
          return std::any_of(log.begin(), log.end(), [&](auto& f) { return f.Kind == kind; });
        };
        return seen(ckStart) && seen(ckQuery);
      },
      std::chrono::milliseconds(kGenerous)));

  ASSERT_EQ(m.OpenDevice(r, 1, newWindow.Handle(), kNotify), index);
  ASSERT_TRUE(PumpFor([&] { return oldWindow.Count(ncTimeout) == 4; }));
  std::vector<std::pair<int32_t, int>> got;  // card address, command kind (0: transfer)
  for (auto& n : oldWindow.Notices) {
    EXPECT_EQ(n.Record.Code, ncTimeout);
    EXPECT_EQ(n.Record.Device.Window, oldWindow.Handle());
    EXPECT_EQ(n.Record.CardPort, port);
    EXPECT_STREQ(n.Record.CardIp, "127.0.0.1");
    got.emplace_back(n.Record.CardAddress, n.Data.empty() ? 0 : platform::LoadU16(n.Data.data()));
  }
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int>>{{1, 0}, {2, 0}, {3, ckQuery}, {4, ckReadPower}}));

  // The new link starts clean and answers to the new window only.
  line.Sim.ClearFaults();
  ASSERT_TRUE(m.Query(index, kCard, port, "127.0.0.1"));
  ASSERT_TRUE(newWindow.WaitFor(ncReply, ckQuery));
  EXPECT_EQ(newWindow.Notices.size(), 1u);
  EXPECT_EQ(oldWindow.Notices.size(), 4u);
}

TEST_P(ManagerUdp, AHandlerMayReplaceOrCloseItsOwnLink) {
  TLinkTiming slow = ShortTiming();
  slow.AnswerTimeoutMs = 60000;
  for (bool replace : {true, false}) {
    SCOPED_TRACE(replace ? "replace" : "close");
    TManagerRig rig(GetParam(), slow);
    TCardLine line(tUdp, 0);
    line.Sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkStart, .Times = 0});
    auto& w1 = rig.NewWindow();
    auto& w2 = rig.NewWindow();
    auto& m = *rig.Manager;
    TDeviceRecord r = line.Record(rig);
    const int index = m.OpenDevice(r, 1, w1.Handle(), kNotify);
    ASSERT_GE(index, 0);
    r.LocalPort = m.GetDevice(index)->Record.LocalPort;
    int reopened = -2;
    w1.OnNotice = [&](const TNotice& n) {
      if (n.Record.Code != ncReply) return;
      if (replace) reopened = m.OpenDevice(r, 1, w2.Handle(), kNotify);  // from inside its own notification
      else m.CloseDevice(index);
    };
    m.SendData(index, Program(700, 3), line.CardPort(), "127.0.0.1", 5);  // stays in flight
    m.Query(index, kCard, line.CardPort(), "127.0.0.1");
    ASSERT_TRUE(w1.WaitFor(ncReply, ckQuery));
    if (replace) {
      EXPECT_EQ(reopened, index);
      // The transfer the old link held still ends, in the old window.
      const TNotice* t = w1.WaitFor(ncTimeout);
      ASSERT_TRUE(t);
      EXPECT_EQ(t->Record.CardAddress, 5);
      ASSERT_TRUE(m.GetPower(index, kCard, line.CardPort(), "127.0.0.1"));
      EXPECT_TRUE(w2.WaitFor(ncReply, ckReadPower));
    } else {
      EXPECT_EQ(m.GetDevice(index), nullptr);
      // The port is free at once.
      EXPECT_EQ(m.OpenDevice(r, 1, w2.Handle(), kNotify), index + 1);
    }
  }
}

TEST(ManagerClose, ClosingWhileTheLinkIsSendingANotificationCompletes) {
  TManagerRig rig(vCorvane);
  TCardLine line(tUdp, 0);
  auto& window = rig.NewWindow();
  auto& m = *rig.Manager;
  const int index = m.OpenDevice(line.Record(rig), 1, window.Handle(), kNotify);
  ASSERT_GE(index, 0);
  m.SendData(index, Program(64 * 1024, 3), line.CardPort(), "127.0.0.1", kCard);
  // Wait until the link thread is blocked sending us a notification, then close from here.
  ASSERT_TRUE(platform::WaitMessage(kGenerous));
  int reentered = 0;
  window.OnNotice = [&](const TNotice&) {
    reentered += m.Query(index, kCard, line.CardPort(), "127.0.0.1") ? 1 : 0;  // the device is gone already
  };
  m.CloseDevice(index);
  EXPECT_EQ(m.GetDevice(index), nullptr);
  EXPECT_EQ(reentered, 0);
  EXPECT_EQ(platform::PendingMessages(), 0u);
}

TEST(ManagerClose, DestroyingTheManagerClosesEveryLink) {
  auto rig = std::make_unique<TManagerRig>(vCorvane);
  TCardLine line(tUdp, 0);
  auto& window = rig->NewWindow();
  TDeviceRecord r = line.Record(*rig);
  const int a = rig->Manager->OpenDevice(r, 1, window.Handle(), kNotify);
  const int b = rig->Manager->OpenDevice(r, 1, window.Handle(), kNotify);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  const int port = rig->Manager->GetDevice(a)->Record.LocalPort;
  rig->Manager->SendData(a, Program(200 * 1024, 1), line.CardPort(), "127.0.0.1", kCard);
  ASSERT_TRUE(window.WaitFor(ncSendProgress));
  rig->Manager.reset();
  platform::TUdpSocket again;
  EXPECT_TRUE(again.Bind(uint16_t(port)));  // its socket is closed
}

// ---- Panelcast's one record ----

TEST(ManagerShared, ASecondLinkWaitsUntilTheWindowHasReadTheRecord) {
  TManagerRig rig(vPanelcast);
  TCardLine line(tUdp, 0);
  auto& w1 = rig.NewWindow();
  auto& w2 = rig.NewWindow();
  auto& m = *rig.Manager;
  TDeviceRecord r = line.Record(rig);
  const int a = m.OpenDevice(r, 1, w1.Handle(), kNotify);
  const int b = m.OpenDevice(r, 1, w2.Handle(), kNotify);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  bool checked = false;
  w1.OnNotice = [&](const TNotice& n) {
    if (checked) return;
    checked = true;
    // Link b answers now and wants the record, while this handler still reads it.
    m.GetBrightness(b, kCard, line.CardPort(), "127.0.0.1");
    ASSERT_TRUE(rig.Shared->Waits.Wait(kGenerous));
    TNotifyRecord now;
    ASSERT_TRUE(rig.Shared->Read(now));
    EXPECT_TRUE(SameRecord(now, n.Record)) << "overwritten while the window reads it";
    EXPECT_EQ(now.Device.DeviceIndex, a);
  };
  m.GetPower(a, kCard, line.CardPort(), "127.0.0.1");
  ASSERT_TRUE(w1.WaitFor(ncReply, ckReadPower));
  const TNotice* second = w2.WaitFor(ncReply, ckReadBrightness);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Record.Device.DeviceIndex, b);
  EXPECT_EQ(second->Record.Number, 7);
  EXPECT_TRUE(checked);
}

TEST(ManagerShared, ClosingALinkThatWaitsForTheRecordDoesNotDeadlock) {
  TManagerRig rig(vPanelcast);
  TCardLine line(tUdp, 0);
  auto& w1 = rig.NewWindow();
  auto& w2 = rig.NewWindow();
  auto& m = *rig.Manager;
  TDeviceRecord r = line.Record(rig);
  const int a = m.OpenDevice(r, 1, w1.Handle(), kNotify);
  const int b = m.OpenDevice(r, 1, w2.Handle(), kNotify);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  bool closed = false;
  w1.OnNotice = [&](const TNotice&) {
    if (closed) return;
    m.Query(b, kCard, line.CardPort(), "127.0.0.1");
    ASSERT_TRUE(rig.Shared->Waits.Wait(kGenerous));
    m.CloseDevice(b);  // b waits for the record this handler holds
    closed = true;
  };
  m.Query(a, kCard, line.CardPort(), "127.0.0.1");
  ASSERT_TRUE(w1.WaitFor(ncReply, ckQuery));
  EXPECT_TRUE(closed);
  EXPECT_EQ(m.GetDevice(b), nullptr);
  platform::ProcessMessages();
  EXPECT_TRUE(w2.Notices.empty());
}

TEST(ManagerShared, TheRecordIsInvalidUntilTheFirstNotification) {
  TSharedNotifyRecord shared;
  TNotifyRecord r;
  r.Code = 9;
  EXPECT_FALSE(shared.Read(r));
  EXPECT_EQ(r.Code, 0);
}

TEST(ManagerShared, AnAnswerWaitingForTheRecordWhenItsLinkIsReplacedStillReachesItsWindow) {
  TManagerRig rig(vPanelcast);
  TCardLine line(tUdp, 0);
  auto& w1 = rig.NewWindow();
  auto& w2 = rig.NewWindow();
  auto& w3 = rig.NewWindow();
  auto& m = *rig.Manager;
  TDeviceRecord r = line.Record(rig);
  const int a = m.OpenDevice(r, 1, w1.Handle(), kNotify);
  const int b = m.OpenDevice(r, 1, w2.Handle(), kNotify);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  TDeviceRecord rb = r;
  rb.LocalPort = m.GetDevice(b)->Record.LocalPort;
  int reopened = -2;
  w1.OnNotice = [&](const TNotice&) {
    if (reopened != -2) return;
    m.GetPower(b, kCard, line.CardPort(), "127.0.0.1");
    ASSERT_TRUE(rig.Shared->Waits.Wait(kGenerous));
    reopened = m.OpenDevice(rb, 1, w3.Handle(), kNotify);  // b's answer waits for the record
  };
  m.Query(a, kCard, line.CardPort(), "127.0.0.1");
  ASSERT_TRUE(w1.WaitFor(ncReply, ckQuery));
  EXPECT_EQ(reopened, b);
  const TNotice* answer = w2.WaitFor(ncReply, ckReadPower);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->Record.Number, 1);
  EXPECT_EQ(answer->Record.Device.Window, w2.Handle());
  ASSERT_TRUE(m.Query(b, kCard, line.CardPort(), "127.0.0.1"));
  ASSERT_TRUE(w3.WaitFor(ncReply, ckQuery));
  EXPECT_EQ(w2.Notices.size(), 1u);
  EXPECT_EQ(w3.Notices.size(), 1u);
}
