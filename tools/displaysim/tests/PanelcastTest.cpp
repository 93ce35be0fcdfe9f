// The same content built through the sending library, received by the simulated card over
// loopback UDP, plays pixel for pixel like the program model's writers make of it.
#include <poll.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "PanelcastLib.h"
#include "SimTestSupport.h"
#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/WindowRecords.h"
#include "tools/cardsim/CardSim.h"

namespace displaysim::test {
namespace {

using panelcast::test::TPanelcastLib;
const char kSong[] = "\xCB\xCE\xCC\xE5";  // 宋体
constexpr uint8_t kCard = 3;

intptr_t IgnoreNote(void*, TLEDWindow, uint32_t, uintptr_t, intptr_t) { return 0; }

// Sends the library's current program to a simulated card and returns what the card received.
std::vector<uint8_t> SendToCard(TPanelcastLib& lib) {
  cardsim::TCardSim sim(cardsim::TCardSimOptions{.AnswerTimeoutMs = 200, .Retries = 3});
  sim.AddCard(kCard);
  std::string error;
  EXPECT_TRUE(sim.StartUdp(0, "127.0.0.1", &error)) << error;
  const TLEDWindow window = lib.LED_CreateWindow(&IgnoreNote, nullptr);
  TDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.LinkKind = LED_LINK_UDP;
  const int32_t device = lib.LED_Open(&record, 1, window, 0x401);
  EXPECT_GE(device, 0);
  lib.LED_SendToScreen(device, kCard, "127.0.0.1", sim.UdpPort());
  // The link waits for each notification to be handled, so keep dispatching while waiting.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (sim.Transfers().empty() && std::chrono::steady_clock::now() < end) {
    pollfd p{lib.LED_GetMessageFd(), POLLIN, 0};
    poll(&p, 1, 20);
    lib.LED_DispatchMessages();
  }
  lib.LED_Close(device);
  lib.LED_DestroyWindow(window);
  const auto transfers = sim.Transfers();
  EXPECT_EQ(1u, transfers.size());
  return transfers.empty() ? std::vector<uint8_t>{} : transfers[0].Data;
}

platform::TFontDescription Font(int size, uint32_t colour) {
  platform::TFontDescription f;
  f.Name = kSong;
  f.SetSize(size);
  f.Color = colour;
  return f;
}

class LibraryContent : public ::testing::TestWithParam<int> {};

TEST_P(LibraryContent, PlaysLikeTheModelWrittenProgram) {
  const int mode = GetParam();
  const bool movies = mode >= 3;
  auto lib = TPanelcastLib::Load();
  ASSERT_TRUE(lib);
  const platform::TBitmap picture = FixturePicture("gradient", 64, 32);
  const TLEDImage image{picture.Bits(), int32_t(picture.Stride()), 64, 32};
  const std::string movie = std::string(MEDIA_FIXTURES) + "/video1.avi";
  const TLEDRect windowRect{2, 1, 66, 33}, stringRect{70, 0, 150, 40}, clockRect{0, 40, 90, 56},
      upRect{90, 40, 150, 56}, downRect{0, 56, 80, 72}, movieRect{100, 56, 116, 68};
  const TLEDSystemTime start{2000, 1, 6, 1, 0, 0, 0, 0}, target{2031, 12, 0, 24, 18, 30, 15, 0};
  const char lines[] = "\xBC\xD7" "AB\r\nCD\r\n";

  ASSERT_EQ(1, lib->MakeRoot(17, mode));
  ASSERT_EQ(1, lib->AddLeaf(2000));
  ASSERT_EQ(1, lib->AddWindow(&image, 64, 32, &windowRect, 2, 8, 0));
  ASSERT_EQ(1, lib->AddString(lines, &stringRect, 4, 7, 1, 1, 0x00FFFF));
  ASSERT_EQ(1, lib->AddDateTime(&clockRect, 1, kSong, 12, 0x0000FF, 3));
  ASSERT_EQ(1, lib->AddCountUp(&upRect, 0, kSong, 12, 0x00FF00, 1, &start));
  ASSERT_EQ(1, lib->AddCountDown(&downRect, 1, kSong, 12, 0x00FFFF, 2, &target));
  if (movies) {
    ASSERT_EQ(1, lib->AddMovie(movie.c_str(), &movieRect, 1));
  }
  const std::vector<uint8_t> received = SendToCard(*lib);
  ASSERT_FALSE(received.empty());

  auto rect = [](const TLEDRect& r) { return model::TRecordRect{r.Left, r.Top, r.Right, r.Bottom}; };
  std::vector<model::TRecordWriter> objects = {
      PictureWindow(2, 1, picture, false, 2, 8),
      [&](model::TProgramStream& s) { model::WriteStringWindow(rect(stringRect), lines, 1, 0x00FFFF, 4, 7, true, s); },
      [&](model::TProgramStream& s) { model::WriteDateTimeRecord(rect(clockRect), 0, Font(12, 0x0000FF), true, 3, s); },
      [&](model::TProgramStream& s) {
        model::WriteCountUpRecord(rect(upRect), Font(12, 0x00FF00), false, *platform::EncodeDate(2000, 1, 1), s, 1);
      },
      [&](model::TProgramStream& s) {
        model::WriteCountDownRecord(rect(downRect), Font(12, 0x00FFFF), true, 1,
                                    *platform::EncodeDateTime({2031, 12, 24, 18, 30, 15, 0}), s, 2);
      }};
  if (movies)
    objects.push_back([&](model::TProgramStream& s) { model::WriteMovieRecord(rect(movieRect), movie, s, true); });
  const TProgram written = WriteProgram(mode, {{2000, objects}});

  platform::TFakeWallClock clock(At(2024, 2, 29, 9, 59, 58));
  TPlayer fromCard(received, 160, 80, mode, 50, &clock);
  TPlayer fromModel(written, 160, 80, mode, 50, &clock);
  for (int step = 0; step < 45; ++step) {
    const TShot card = fromCard.Step(), byModel = fromModel.Step();
    ASSERT_EQ(byModel, card) << "step " << step;
    if (step == 40) {
      EXPECT_GT(card.Lit().size(), 300u);
    }
    clock.AdvanceMs(50);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, LibraryContent, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace displaysim::test
