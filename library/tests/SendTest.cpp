// The library end to end, as a client uses it: loaded with dlopen, links opened to the
// simulated card over loopback UDP (and a pseudo-terminal), programs built and sent, commands
// issued, and every outcome received as a notification on the client's own thread through a
// window made with the library. Waits are on conditions with generous limits.
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PanelcastLib.h"
#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/GlyphTable.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/PageRecord.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/DateTime.h"
#include "tools/cardsim/CardSim.h"

namespace {

using namespace std::chrono_literals;
using panelcast::test::TPanelcastLib;
using platform::LoadU16;
using platform::LoadU32;
using Bytes = std::vector<uint8_t>;

constexpr auto kGenerous = 20s;  // reached only when something is broken
constexpr uint32_t kMessage = 0x401;
constexpr uint8_t kCard = 1;
constexpr const char* kLoopback = "127.0.0.1";
const char kSong[] = "\xCB\xCE\xCC\xE5";  // 宋体

std::string Movie(const char* name) { return std::string(MEDIA_FIXTURES) + "/" + name; }

// One notification as the window handler saw it.
struct TNote {
  TNotifyRecord Record;
  int32_t Valid = 0;
  bool MessageCarriesRecord = false;  // wParam pointed at the very record that was copied
  std::thread::id Thread;
  TLEDWindow Window = 0;
  uint32_t Message = 0;
  Bytes Data;  // what Data pointed to while the handler ran
};

class Links : public ::testing::Test {
 protected:
  void SetUp() override {
    lib = TPanelcastLib::Load();
    ASSERT_TRUE(lib);
    sim.AddCard(kCard);
    std::string error;
    ASSERT_TRUE(sim.StartUdp(0, kLoopback, &error)) << error;
    window = lib->LED_CreateWindow(&Links::Handler, this);
    ASSERT_NE(0u, window);
  }

  void TearDown() override {
    if (!lib) return;
    for (int32_t device : opened) lib->LED_Close(device);
    lib->LED_DestroyWindow(window);
  }

  static intptr_t Handler(void* self, TLEDWindow window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) {
    auto& t = *static_cast<Links*>(self);
    TNote n;
    n.Valid = t.lib->LED_GetNotifyMessage(&n.Record);
    n.MessageCarriesRecord =
        wParam != 0 && lParam == 0 &&
        std::memcmp(reinterpret_cast<const void*>(wParam), &n.Record, sizeof n.Record) == 0;
    n.Thread = std::this_thread::get_id();
    n.Window = window;
    n.Message = message;
    const auto* data = static_cast<const uint8_t*>(n.Record.Data);
    if (data && n.Record.Code == LED_NOTIFY_TIMEOUT)
      n.Data.assign(data, data + 8);  // the command's head
    else if (data && n.Record.Length > 0)
      n.Data.assign(data, data + n.Record.Length);
    t.notes.push_back(n);
    if (t.onNote) t.onNote(t.notes.back());
    return 0;
  }

  // Dispatches notifications on this thread until `done` holds.
  bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = kGenerous) {
    const auto end = std::chrono::steady_clock::now() + limit;
    const int fd = lib->LED_GetMessageFd();
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 50);
      lib->LED_DispatchMessages();
    }
    return true;
  }

  // The first note of `code` (and answered kind) taken from the notes, waiting for it.
  std::optional<TNote> Take(int32_t code, int32_t kind = -1) {
    std::optional<TNote> found;
    WaitFor([&] {
      for (auto it = notes.begin(); it != notes.end(); ++it) {
        if (it->Record.Code == code && (kind < 0 || it->Record.Kind == kind)) {
          found = *it;
          notes.erase(it);
          return true;
        }
      }
      return false;
    });
    return found;
  }

  // The card's n-th completed transfer (0 the first), dispatching notifications meanwhile:
  // a link waits for each of its notifications to be handled before it goes on.
  std::optional<cardsim::TReceivedTransfer> Transfer(size_t n = 0) {
    if (!WaitFor([&] { return sim.Transfers().size() > n; })) return std::nullopt;
    return sim.Transfers()[n];
  }

  int32_t OpenUdp(TLEDWindow target, int32_t notifyFlag = 1, int32_t localPort = 0) {
    TDeviceRecord record;
    std::memset(&record, 0, sizeof record);
    record.LinkKind = LED_LINK_UDP;
    record.LocalPort = localPort;
    const int32_t device = lib->LED_Open(&record, notifyFlag, target, kMessage);
    if (device >= 0) opened.push_back(device);
    return device;
  }

  int CardPort() const { return sim.UdpPort(); }

  std::unique_ptr<TPanelcastLib> lib;
  cardsim::TCardSim sim{cardsim::TCardSimOptions{.AnswerTimeoutMs = 200, .Retries = 3}};
  TLEDWindow window = 0;
  std::vector<int32_t> opened;
  std::vector<TNote> notes;
  std::function<void(const TNote&)> onNote;
};

// A 24-bit test picture with distinct pixels.
struct TTestImage {
  int Width, Height;
  Bytes Pixels;
  TLEDImage Image() const { return {Pixels.data(), Width * 3, Width, Height}; }
  platform::TBitmap Bitmap() const {
    platform::TBitmap b(Width, Height);
    for (int y = 0; y < Height; ++y)
      std::memcpy(b.ScanLine(y), Pixels.data() + size_t(y) * Width * 3, size_t(Width) * 3);
    return b;
  }
};
TTestImage MakeImage(int w, int h) {
  TTestImage t{w, h, Bytes(size_t(w) * h * 3)};
  for (size_t i = 0; i < t.Pixels.size(); ++i) t.Pixels[i] = uint8_t(i * 37 + 11);
  return t;
}

platform::TFontDescription Font(int size, uint32_t colour) {
  platform::TFontDescription f;
  f.Name = kSong;
  f.SetSize(size);
  f.Color = colour;
  return f;
}

TEST_F(Links, ProgramArrivesAsBuilt) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);

  const TLEDRect rect = {8, 4, 72, 20};
  const model::TRecordRect r{8, 4, 72, 20};
  const TTestImage image = MakeImage(16, 8);
  const TLEDImage descriptor = image.Image();
  const TLEDSystemTime start = {2000, 1, 6, 1, 0, 0, 0, 0};
  const TLEDSystemTime target = {2031, 12, 0, 24, 18, 30, 15, 0};
  const std::string movie = Movie("video1.avi");
  const char text[] = "12:30";
  const char lines[] = "AB\r\nCD\r\n";

  ASSERT_EQ(1, lib->MakeRoot(17, 3));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  ASSERT_EQ(1, lib->AddWindow(&descriptor, 16, 8, &rect, 1, 2, 1));
  ASSERT_EQ(1, lib->AddText(text, &rect, 3, 4, 0, kSong, 12, 0x00FFFF));
  ASSERT_EQ(1, lib->AddString(lines, &rect, 2, 3, 0, 1, 0x00FF00));
  ASSERT_EQ(1, lib->AddDateTime(&rect, 1, kSong, 12, 0x0000FF, 3));
  ASSERT_EQ(1, lib->AddCountUp(&rect, 1, kSong, 9, 0x0000FF, 2, &start));
  ASSERT_EQ(1, lib->AddCountDown(&rect, 0, kSong, 12, 0x00FF00, 4, &target));
  ASSERT_EQ(1, lib->AddMovie(movie.c_str(), &rect, 1));
  lib->LED_SendToScreen(device, kCard, kLoopback, CardPort());

  // The same program through the shared writers.
  model::TProgramStream s;
  model::StreamContext().SetColorMode(3);
  model::WriteProgramHead(s, 17, 3, 1, 0);
  model::WritePageHead(s, 1000, 7, 0);
  model::WritePictureWindow(r, image.Bitmap(), 1, 2, true, s);
  platform::TBitmap textPicture;
  model::FontGlyphPainter(Font(12, 0x00FFFF))(text, textPicture);
  model::WritePictureWindow(r, textPicture, 3, 4, false, s);
  model::WriteStringWindow(r, lines, 1, 0x00FF00, 2, 3, false, s);
  ASSERT_TRUE(model::WriteDateTimeRecord(r, 0, Font(12, 0x0000FF), true, 3, s));
  ASSERT_TRUE(model::WriteCountUpRecord(r, Font(9, 0x0000FF), true,
                                        *platform::EncodeDate(2000, 1, 1), s, 2));
  ASSERT_TRUE(model::WriteCountDownRecord(
      r, Font(12, 0x00FF00), false, 1,
      *platform::EncodeDateTime({2031, 12, 24, 18, 30, 15, 0}), s, 4));
  ASSERT_TRUE(model::WriteMovieRecord(r, movie, s, true));
  s.PatchU32(4, uint32_t(s.Size()));
  s.PatchU32(12 + 12, uint32_t(s.Size() - 12));

  const auto received = Transfer();
  ASSERT_TRUE(received);
  EXPECT_EQ(kCard, received->Card);
  const Bytes& got = received->Data;
  EXPECT_EQ(s.Bytes(), got);

  // The counts and lengths the card reads first.
  ASSERT_GE(got.size(), 28u + 28u);
  EXPECT_EQ(17, LoadU16(&got[0]));
  EXPECT_EQ(1, LoadU16(&got[2]));
  EXPECT_EQ(got.size(), LoadU32(&got[4]));
  EXPECT_EQ(3, LoadU16(&got[8]));
  EXPECT_EQ(48, LoadU16(&got[12]));
  EXPECT_EQ(7, LoadU16(&got[14]));
  EXPECT_EQ(1000u, LoadU32(&got[16]));
  EXPECT_EQ(got.size() - 12, LoadU32(&got[24]));
  // The window: kind 49, transparent, rectangle, effect and speed as given.
  EXPECT_EQ(49, LoadU16(&got[28]));
  EXPECT_EQ(1, LoadU16(&got[30]));
  EXPECT_EQ(8, LoadU16(&got[36]));
  EXPECT_EQ(72, LoadU16(&got[40]));
  EXPECT_EQ(1, LoadU16(&got[44]));
  EXPECT_EQ(2, LoadU16(&got[46]));
  EXPECT_EQ(16, LoadU16(&got[56 + 2]));  // its pixel block: the window's width and height
  EXPECT_EQ(8, LoadU16(&got[56 + 4]));

  // The outcome on the client's thread: progress, send done, and the card's message.
  const auto done = Take(LED_NOTIFY_SEND_DONE);
  ASSERT_TRUE(done);
  EXPECT_EQ(kCard, done->Record.Address);
  EXPECT_STREQ(kLoopback, done->Record.CardIP);
  EXPECT_EQ(CardPort(), done->Record.CardPort);
  EXPECT_EQ(device, done->Record.Device.DeviceIndex);
  const auto progress = Take(LED_NOTIFY_SEND_PROGRESS);
  ASSERT_TRUE(progress);
  EXPECT_EQ(int32_t(got.size()), progress->Record.Length);
  EXPECT_EQ(0, progress->Record.Address);
  const auto message = Take(LED_NOTIFY_CARD_MESSAGE);
  ASSERT_TRUE(message);
  EXPECT_EQ(int32_t(cardsim::cmProgramDone), message->Record.Status);
}

TEST_F(Links, StringItemsArePaddedToFourBytes) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  const TLEDRect rect = {0, 0, 64, 16};
  struct TCase {
    const char* Text;
    uint32_t Length;
  };
  // 36-byte head, the text, one zero, zeros up to a multiple of 4.
  const TCase cases[] = {{"", 40}, {"A", 40}, {"AB", 40}, {"ABC", 40}, {"ABCD", 44},
                         {"AB\r\n", 44}, {"\xD6\xD0\xCE\xC4", 44}};
  ASSERT_EQ(1, lib->MakeRoot(18, 1));
  ASSERT_EQ(1, lib->AddLeaf(5000));
  for (const TCase& c : cases) ASSERT_EQ(1, lib->AddString(c.Text, &rect, 1, 1, 0, 0, 0xFF));
  lib->LED_SendToScreen(device, kCard, kLoopback, CardPort());
  const auto received = Transfer();
  ASSERT_TRUE(received);
  const Bytes& got = received->Data;
  EXPECT_EQ(18, LoadU16(&got[0]));
  EXPECT_EQ(std::size(cases), LoadU16(&got[14]));
  EXPECT_EQ(5000u, LoadU32(&got[16]));
  size_t at = 28;
  for (const TCase& c : cases) {
    ASSERT_LE(at + 36, got.size());
    EXPECT_EQ(51, LoadU16(&got[at]));
    EXPECT_EQ(c.Length, LoadU32(&got[at + 4])) << c.Text;
    EXPECT_EQ(0, std::memcmp(&got[at + 36], c.Text, std::strlen(c.Text)));
    for (size_t i = at + 36 + std::strlen(c.Text); i < at + c.Length; ++i) EXPECT_EQ(0, got[i]);
    at += LoadU32(&got[at + 4]);
  }
  EXPECT_EQ(got.size(), at);
}

TEST_F(Links, SameProgramToSeveralCardsAndNothingWithoutOne) {
  sim.AddCard(2);
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);

  // No program yet: nothing goes out. A query sent afterwards is answered; a transfer queued
  // before it would have started first.
  lib->LED_SendToScreen(device, kCard, kLoopback, CardPort());
  lib->LED_Query(device, kCard, kLoopback, CardPort());
  ASSERT_TRUE(Take(LED_NOTIFY_ANSWER, 4));
  EXPECT_EQ(0u, sim.CountFrames(cardsim::fdIn, cardsim::mkStart));
  EXPECT_TRUE(sim.Transfers().empty());

  ASSERT_EQ(1, lib->MakeRoot(17, 1));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  lib->LED_SendToScreen(device, 1, kLoopback, CardPort());
  lib->LED_SendToScreen(device, 2, kLoopback, CardPort());
  const auto first = Transfer(0);
  const auto second = Transfer(1);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(1, first->Card);
  EXPECT_EQ(2, second->Card);
  EXPECT_EQ(28u, first->Data.size());
  EXPECT_EQ(first->Data, second->Data);
}

TEST_F(Links, CommandsAnsweredOnTheClientsThread) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  const auto self = std::this_thread::get_id();

  lib->LED_Query(device, kCard, kLoopback, CardPort());
  auto n = Take(LED_NOTIFY_ANSWER, 4);
  ASSERT_TRUE(n);
  EXPECT_EQ(1, n->Valid);
  EXPECT_TRUE(n->MessageCarriesRecord);
  EXPECT_EQ(self, n->Thread);
  EXPECT_EQ(window, n->Window);
  EXPECT_EQ(kMessage, n->Message);
  EXPECT_EQ(1, n->Record.Status);
  EXPECT_EQ(kCard, n->Record.Address);
  EXPECT_STREQ(kLoopback, n->Record.CardIP);
  EXPECT_EQ(CardPort(), n->Record.CardPort);
  // The library's copy of the device record.
  const TDeviceRecord& d = n->Record.Device;
  EXPECT_EQ(LED_LINK_UDP, d.LinkKind);
  EXPECT_EQ(device, d.DeviceIndex);
  EXPECT_EQ(1, d.NotifyFlag);
  EXPECT_EQ(window, d.Window);
  EXPECT_EQ(kMessage, d.Message);
  EXPECT_EQ(0x800000, d.BufferSize);
  EXPECT_NE(nullptr, d.ReceiveBuffer);
  EXPECT_GT(d.LocalPort, 0);  // the free port it was given

  lib->LED_SetPower(device, kCard, kLoopback, CardPort(), 0);
  n = Take(LED_NOTIFY_ANSWER, 10);
  ASSERT_TRUE(n);
  EXPECT_EQ(1, n->Record.Status);
  EXPECT_EQ(0, n->Record.Number);
  EXPECT_EQ(0u, sim.Card(kCard)->Power);
  lib->LED_GetPower(device, kCard, kLoopback, CardPort());
  n = Take(LED_NOTIFY_ANSWER, 9);
  ASSERT_TRUE(n);
  EXPECT_EQ(0, n->Record.Number);
  lib->LED_SetPower(device, kCard, kLoopback, CardPort(), 1);
  n = Take(LED_NOTIFY_ANSWER, 10);
  ASSERT_TRUE(n);
  EXPECT_EQ(1, n->Record.Number);

  lib->LED_SetBrightness(device, kCard, kLoopback, CardPort(), 5);
  n = Take(LED_NOTIFY_ANSWER, 12);
  ASSERT_TRUE(n);
  EXPECT_EQ(5u, sim.Card(kCard)->Brightness);
  lib->LED_GetBrightness(device, kCard, kLoopback, CardPort());
  n = Take(LED_NOTIFY_ANSWER, 11);
  ASSERT_TRUE(n);
  EXPECT_EQ(5, n->Record.Number);

  // In automatic mode the card refuses power commands with 99.
  sim.SetAutomatic(kCard, true, false);
  lib->LED_SetPower(device, kCard, kLoopback, CardPort(), 0);
  n = Take(LED_NOTIFY_ANSWER, 10);
  ASSERT_TRUE(n);
  EXPECT_EQ(LED_STATUS_AUTOMATIC, n->Record.Status);
  EXPECT_EQ(1u, sim.Card(kCard)->Power);

  // The clock is the computer's local time when queued.
  const double before = platform::Now();
  lib->LED_AdjustTime(device, kCard, kLoopback, CardPort());
  n = Take(LED_NOTIFY_ANSWER, 6);
  ASSERT_TRUE(n);
  const double after = platform::Now();
  const auto clock = sim.Card(kCard)->Clock;
  ASSERT_TRUE(clock);
  const auto set = platform::SystemTimeToDateTime(*clock);
  ASSERT_TRUE(set);
  EXPECT_GE(*set, before - 1.0 / 86400);
  EXPECT_LE(*set, after + 1.0 / 86400);

  for (const TNote& note : notes) EXPECT_EQ(self, note.Thread);
}

TEST_F(Links, TimeOutsCarryTheCommandOrNothing) {
  ASSERT_EQ(1, lib->LED_SetOption(LED_OPTION_TIMEOUT, 51));
  ASSERT_EQ(1, lib->LED_SetOption(LED_OPTION_RETRIES, 2));
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  constexpr uint8_t kNobody = 9;  // no card of that address on the line

  lib->LED_Query(device, kNobody, kLoopback, CardPort());
  auto n = Take(LED_NOTIFY_TIMEOUT);
  ASSERT_TRUE(n);
  EXPECT_EQ(kNobody, n->Record.Address);
  ASSERT_EQ(8u, n->Data.size());
  EXPECT_EQ(4, LoadU16(n->Data.data()));
  EXPECT_EQ(kNobody, n->Data[3]);
  EXPECT_STREQ(kLoopback, n->Record.CardIP);
  EXPECT_EQ(CardPort(), n->Record.CardPort);

  ASSERT_EQ(1, lib->MakeRoot(17, 1));
  lib->LED_SendToScreen(device, kNobody, kLoopback, CardPort());
  n = Take(LED_NOTIFY_TIMEOUT);
  ASSERT_TRUE(n);
  EXPECT_EQ(nullptr, n->Record.Data);
  EXPECT_EQ(kNobody, n->Record.Address);
  // The start message went out once and was resent R = 2 times.
  EXPECT_EQ(3u, sim.CountFrames(cardsim::fdIn, cardsim::mkStart));
}

TEST_F(Links, FontSetsArriveWithTheirHead) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("panelcast-font-" + std::to_string(getpid()));
  fs::create_directories(dir);
  auto write = [&](const char* name, const Bytes& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return (dir / name).string();
  };
  Bytes font(700);
  for (size_t i = 0; i < font.size(); ++i) font[i] = uint8_t(i);
  font[0] = 0xEE;
  font[1] = 0x00;
  const std::string good = write("good.Dat", font);
  const std::string bad = write("bad.Dat", {0xEE, 0x01, 0x02});
  const std::string empty = write("empty.Dat", {});

  EXPECT_EQ(-1, lib->LED_DownLoadFontSet(device, kCard, kLoopback, CardPort(), bad.c_str()));
  EXPECT_EQ(-1, lib->LED_DownLoadFontSet(device, kCard, kLoopback, CardPort(), empty.c_str()));
  EXPECT_EQ(-1, lib->LED_DownLoadFontSet(device, kCard, kLoopback, CardPort(), nullptr));
  EXPECT_EQ(-1, lib->LED_DownLoadFontSet(device, kCard, kLoopback, CardPort(),
                                         (dir / "missing.Dat").c_str()));
  // An unknown device is not reported.
  EXPECT_EQ(1, lib->LED_DownLoadFontSet(device + 100, kCard, kLoopback, CardPort(), good.c_str()));
  EXPECT_EQ(1, lib->LED_DownLoadFontSet(device, kCard, kLoopback, CardPort(), good.c_str()));
  const auto received = Transfer();
  fs::remove_all(dir);
  ASSERT_TRUE(received);
  ASSERT_EQ(font.size() + 12, received->Data.size());
  EXPECT_EQ(20, received->ContentKind());
  EXPECT_EQ(font.size() + 12, LoadU32(&received->Data[4]));
  EXPECT_EQ(font, Bytes(received->Data.begin() + 12, received->Data.end()));
  EXPECT_TRUE(Take(LED_NOTIFY_SEND_DONE));
}

TEST_F(Links, DataFromTheCard) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  lib->LED_Query(device, kCard, kLoopback, CardPort());  // the card learns where the host is
  ASSERT_TRUE(Take(LED_NOTIFY_ANSWER, 4));
  Bytes data(1500);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13);
  ASSERT_GE(sim.Push(kCard, data), 0);
  const auto n = Take(LED_NOTIFY_DATA_RECEIVED);
  ASSERT_TRUE(n);
  EXPECT_EQ(int32_t(data.size()), n->Record.Length);
  EXPECT_EQ(data, n->Data);
  EXPECT_EQ(n->Record.Device.ReceiveBuffer, n->Record.Data);
  EXPECT_EQ(kCard, n->Record.Address);
  const auto progress = Take(LED_NOTIFY_RECEIVE_PROGRESS);
  ASSERT_TRUE(progress);
  EXPECT_EQ(0, progress->Record.Address);
}

TEST_F(Links, OpenFindsTheSamePortAgain) {
  TDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  EXPECT_EQ(-1, lib->LED_Open(nullptr, 1, window, kMessage));
  record.LinkKind = 2;  // no RS-485 in the library
  EXPECT_EQ(-1, lib->LED_Open(&record, 1, window, kMessage));
  record.LinkKind = 7;
  EXPECT_EQ(-1, lib->LED_Open(&record, 1, window, kMessage));

  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  lib->LED_Query(device, kCard, kLoopback, CardPort());
  const auto n = Take(LED_NOTIFY_ANSWER, 4);
  ASSERT_TRUE(n);
  const int32_t port = n->Record.Device.LocalPort;

  // The same local port, the same target: the same device; another speed does not matter on UDP.
  record.LinkKind = LED_LINK_UDP;
  record.LocalPort = port;
  record.SpeedIndex = 3;
  EXPECT_EQ(device, lib->LED_Open(&record, 1, window, kMessage));

  // Another window: the same device, now notifying the new window.
  std::vector<uint32_t> other;
  const TLEDWindow second = lib->LED_CreateWindow(
      [](void* seen, TLEDWindow, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        static_cast<std::vector<uint32_t>*>(seen)->push_back(message);
        return 0;
      },
      &other);
  ASSERT_NE(0u, second);
  EXPECT_EQ(device, lib->LED_Open(&record, 1, second, 0x405));
  lib->LED_Query(device, kCard, kLoopback, CardPort());
  EXPECT_TRUE(WaitFor([&] { return !other.empty(); }));
  EXPECT_EQ(0x405u, other.front());
  lib->LED_DestroyWindow(second);

  // A port that a second device cannot take.
  const int32_t device2 = OpenUdp(window);
  ASSERT_GE(device2, 0);
  EXPECT_NE(device, device2);
  record.LocalPort = CardPort();  // the simulated card holds it
  EXPECT_EQ(-1, lib->LED_Open(&record, 1, window, kMessage));
  record.LocalPort = 70000;
  EXPECT_EQ(-1, lib->LED_Open(&record, 1, window, kMessage));
}

TEST_F(Links, NoNotificationsWithoutTheFlag) {
  const int32_t quiet = OpenUdp(window, 0);
  const int32_t loud = OpenUdp(window, 1);
  ASSERT_GE(quiet, 0);
  ASSERT_GE(loud, 0);
  lib->LED_SetPower(quiet, kCard, kLoopback, CardPort(), 0);
  // The command runs: the card switched off.
  ASSERT_TRUE(WaitFor([&] { return sim.Card(kCard)->Power == 0; }));
  lib->LED_Query(loud, kCard, kLoopback, CardPort());
  ASSERT_TRUE(Take(LED_NOTIFY_ANSWER, 4));
  EXPECT_TRUE(WaitFor([&] { return sim.CountFrames(cardsim::fdOut, cardsim::mkAnswer) >= 2; }));
  lib->LED_DispatchMessages();
  for (const TNote& n : notes) EXPECT_NE(quiet, n.Record.Device.DeviceIndex);
}

TEST_F(Links, SecondLinkWaitsUntilTheFirstNotificationWasHandled) {
  const int32_t a = OpenUdp(window);
  const int32_t b = OpenUdp(window);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  bool overwritten = false;
  bool first = true;
  onNote = [&](const TNote& n) {
    if (!first) return;
    first = false;
    // Both answers are out; the other link has its answer in hand and wants the record too.
    EXPECT_TRUE(sim.WaitForFrameCount(cardsim::fdOut, cardsim::mkAnswer, 2, kGenerous));
    std::this_thread::sleep_for(50ms);
    TNotifyRecord again;
    lib->LED_GetNotifyMessage(&again);
    overwritten = std::memcmp(&again, &n.Record, sizeof again) != 0;
  };
  lib->LED_Query(a, kCard, kLoopback, CardPort());
  lib->LED_Query(b, kCard, kLoopback, CardPort());
  ASSERT_TRUE(WaitFor([&] { return notes.size() >= 2; }));
  EXPECT_FALSE(overwritten);
  EXPECT_NE(notes[0].Record.Device.DeviceIndex, notes[1].Record.Device.DeviceIndex);
}

TEST_F(Links, HandlersMayCloseLinks) {
  const int32_t a = OpenUdp(window);
  const int32_t b = OpenUdp(window);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  // The first handler closes the other link while that link waits to notify, then its own.
  bool closed = false;
  onNote = [&](const TNote& n) {
    if (closed) return;
    closed = true;
    EXPECT_TRUE(sim.WaitForFrameCount(cardsim::fdOut, cardsim::mkAnswer, 2, kGenerous));
    std::this_thread::sleep_for(50ms);
    const int32_t mine = n.Record.Device.DeviceIndex;
    lib->LED_Close(mine == a ? b : a);
    lib->LED_Close(mine);
  };
  lib->LED_Query(a, kCard, kLoopback, CardPort());
  lib->LED_Query(b, kCard, kLoopback, CardPort());
  ASSERT_TRUE(WaitFor([&] { return closed; }));
  // Both are gone: commands to them are dropped.
  const size_t queries = sim.CountFrames(cardsim::fdIn, cardsim::mkQuery);
  lib->LED_Query(a, kCard, kLoopback, CardPort());
  lib->LED_Query(b, kCard, kLoopback, CardPort());
  const int32_t c = OpenUdp(window);
  ASSERT_GE(c, 0);
  EXPECT_GT(c, b);  // indices are never reused
  lib->LED_Query(c, kCard, kLoopback, CardPort());
  ASSERT_TRUE(WaitFor([&] {
    return !notes.empty() && notes.back().Record.Device.DeviceIndex == c;
  }));
  EXPECT_EQ(queries + 1, sim.CountFrames(cardsim::fdIn, cardsim::mkQuery));
  opened.clear();
  lib->LED_Close(c);
}

TEST_F(Links, SerialPortsResolveThroughTheOverride) {
  cardsim::TCardSim line;
  line.AddCard(kCard);
  std::string error;
  ASSERT_TRUE(line.StartPty(&error)) << error;
  ::setenv("CORVANE_COM61", line.PtyPath().c_str(), 1);
  TDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.LinkKind = LED_LINK_SERIAL;
  record.ComPort = 61;
  record.SpeedIndex = 5;
  const int32_t device = lib->LED_Open(&record, 1, window, kMessage);
  ASSERT_GE(device, 0);
  opened.push_back(device);
  lib->LED_GetBrightness(device, kCard, nullptr, 0);
  const auto n = Take(LED_NOTIFY_ANSWER, 11);
  ASSERT_TRUE(n);
  EXPECT_EQ(7, n->Record.Number);
  EXPECT_EQ(LED_LINK_SERIAL, n->Record.Device.LinkKind);
  EXPECT_EQ(61, n->Record.Device.ComPort);

  // A port nobody maps and that does not exist does not open.
  ::setenv("CORVANE_COM62", "/dev/does-not-exist-panelcast", 1);
  record.ComPort = 62;
  EXPECT_EQ(-1, lib->LED_Open(&record, 1, window, kMessage));
}

TEST_F(Links, CardIpIsReadAtMostSixteenBytes) {
  const int32_t device = OpenUdp(window);
  ASSERT_GE(device, 0);
  // No terminator within 16 bytes: the text is cut there (and is no address, so nothing is
  // sent), and nothing beyond it is read.
  ASSERT_EQ(1, lib->LED_SetOption(LED_OPTION_TIMEOUT, 51));
  char unterminated[16];
  std::memset(unterminated, '1', sizeof unterminated);
  lib->LED_Query(device, kCard, unterminated, CardPort());
  lib->LED_Query(device, kCard, nullptr, CardPort());
  auto n = Take(LED_NOTIFY_TIMEOUT);
  ASSERT_TRUE(n);
  EXPECT_EQ(0, std::memcmp(n->Record.CardIP, unterminated, 16));
  n = Take(LED_NOTIFY_TIMEOUT);
  ASSERT_TRUE(n);
  EXPECT_STREQ("", n->Record.CardIP);
}

}  // namespace
