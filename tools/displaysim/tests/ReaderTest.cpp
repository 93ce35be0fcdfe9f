// The reader against hostile programs: unknown kinds, bad lengths and counts, truncations, and
// the level table it was typed with.
#include <gtest/gtest.h>

#include "LevelTable.h"
#include "SimTestSupport.h"
#include "model/stream/CountRecords.h"
#include "model/stream/LevelTable.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/PageRecord.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/WindowRecords.h"

namespace displaysim::test {
namespace {

using platform::StoreU16;
using platform::StoreU32;

platform::TBitmap Solid(int width, int height, platform::TColor color) {
  platform::TBitmap b(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, color);
  return b;
}

// Two red windows, at (0, 0) and (10, 0), 4 x 4 each, with a record between them.
TProgram TwoWindowsAround(std::vector<uint8_t> between) {
  const platform::TBitmap red = Solid(4, 4, platform::clRed);
  return WriteProgram(1, {{1000, {PictureWindow(0, 0, red), RawRecord(std::move(between)),
                                  PictureWindow(10, 0, red)}}});
}

bool LitAt(const TShot& shot, int left) { return shot.At(left, 0) == kRed && shot.At(left + 3, 3) == kRed; }

TEST(Reader, LevelTableIsModelsTable) { EXPECT_EQ(model::LevelTable, Levels); }

TEST(Reader, UnknownKindIsSkippedByItsLength) {
  std::vector<uint8_t> unknown(24, 0);
  StoreU16(&unknown[0], 200);
  StoreU32(&unknown[4], 24);
  const TShot shot = PlayOnce(TwoWindowsAround(unknown), 16, 4);
  EXPECT_TRUE(LitAt(shot, 0));
  EXPECT_TRUE(LitAt(shot, 10));
}

TEST(Reader, BadRecordLengthEndsThePageAfterTheRecordsBeforeIt) {
  struct TCase {
    const char* What;
    uint16_t Kind;
    uint32_t Length;
  };
  const TCase cases[] = {
      {"unknown kind, length 0", 200, 0},
      {"unknown kind, shorter than its head", 200, 4},
      {"picture window shorter than its head", 49, 24},
      {"string window shorter than its head", 51, 32},
      {"clock past the page", 96, 4096},
      {"unknown kind past the page", 200, 0xFFFFFFF0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<uint8_t> bad(24, 0);
    StoreU16(&bad[0], c.Kind);
    StoreU32(&bad[4], c.Length);
    const TShot shot = PlayOnce(TwoWindowsAround(bad), 16, 4);
    EXPECT_TRUE(LitAt(shot, 0));
    EXPECT_EQ(0u, shot.At(10, 0)) << "read past a record that does not fit";
  }
}

TEST(Reader, PagePreviewWithSizeZeroPlays) {
  const TProgram program =
      WritePagePreview(1, {1000, {PictureWindow(2, 1, Solid(3, 2, platform::clRed))}});
  ASSERT_EQ(0u, platform::LoadU32(&program[4]));
  ASSERT_EQ(1, platform::LoadU16(&program[2]));
  const TShot shot = PlayOnce(program, 8, 4);
  EXPECT_EQ(kRed, shot.At(2, 1));
  EXPECT_EQ(kRed, shot.At(4, 2));
  EXPECT_EQ(6u, shot.Lit().size());
}

TEST(Reader, OnlyProgramKindsPlay) {
  TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, Solid(4, 4, platform::clRed))}}});
  EXPECT_FALSE(PlayOnce(program, 8, 8).Lit().empty());
  program[0] = 18;  // a download plays like a send
  EXPECT_FALSE(PlayOnce(program, 8, 8).Lit().empty());
  for (uint16_t kind : {0, 16, 19, 20, 48, 0xFFFF}) {
    StoreU16(&program[0], kind);
    EXPECT_TRUE(PlayOnce(program, 8, 8).Lit().empty()) << kind;
  }
  EXPECT_TRUE(PlayOnce({}, 8, 8).Lit().empty());
}

TEST(Reader, CountsAreBoundedByTheBytesPresent) {
  const platform::TBitmap red = Solid(4, 4, platform::clRed);
  TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, red)}}});
  StoreU16(&program[2], 0xFFFF);   // pages
  StoreU16(&program[14], 0xFFFF);  // records of the page
  TPlayer player(program, 8, 8, 1);
  EXPECT_EQ(1u, player.Simulator().PageCount());
  EXPECT_EQ(kRed, player.Step().At(0, 0));
  // A page count of 0 plays nothing, and the size field is not read.
  StoreU16(&program[2], 0);
  StoreU32(&program[4], 0xFFFFFFFF);
  EXPECT_TRUE(PlayOnce(program, 8, 8).Lit().empty());
}

TEST(Reader, FrameAndGlyphCountsAreBoundedByTheBytesPresent) {
  // A movie of 10 frames that claims 65535 cycles through the 10 it has.
  TProgram movie = WriteProgram(3, {{60000, {[](model::TProgramStream& s) {
                                      model::WriteMovieRecord({0, 0, 16, 12}, std::string(MEDIA_FIXTURES) + "/raw_bgr24.avi", s, false);
                                    }}}});
  ASSERT_EQ(10, platform::LoadU16(&movie[28 + 18]));
  StoreU16(&movie[28 + 18], 0xFFFF);
  TPlayer player(movie, 16, 12, 3, 20);
  const auto shots = player.Steps(11);
  EXPECT_EQ(shots[0], shots[10]);
  EXPECT_NE(shots[0], shots[9]);
  // A counter's glyph table that claims 65535 glyphs shows the 11 it has.
  platform::TFakeWallClock clock(At(2000, 1, 3));
  platform::TFontDescription red;
  red.Color = platform::clRed;
  auto counter = [&](uint16_t glyphs) {
    TProgram p = WriteProgram(1, {{1000, {[&](model::TProgramStream& s) {
                                    model::WriteCountUpRecord({0, 0, 40, 16}, model::FontGlyphPainter(red), true,
                                                              At(2000, 1, 1), s, 0);
                                  }}}});
    const size_t table = 28 + 28;
    EXPECT_EQ(11, platform::LoadU16(&p[table + 2]));
    StoreU16(&p[table + 2], glyphs);
    return PlayOnce(p, 40, 16, 1, &clock);
  };
  EXPECT_EQ(counter(11), counter(0xFFFF));
  EXPECT_FALSE(counter(11).Lit().empty());
  EXPECT_TRUE(counter(2).Lit().empty()) << "the digit 2 is not in a table of two glyphs";
}

TEST(Reader, PageThatDoesNotFitEndsThePages) {
  const platform::TBitmap red = Solid(4, 4, platform::clRed);
  const TProgram good = WriteProgram(1, {{1000, {PictureWindow(0, 0, red)}}, {1000, {PictureWindow(4, 4, red)}}});
  const size_t second = 12 + platform::LoadU32(&good[24]);
  for (uint32_t length : {0u, 15u, 0x7FFFFFFFu}) {
    TProgram program = good;
    StoreU32(&program[second + 12], length);
    EXPECT_EQ(1u, TPlayer(program, 8, 8, 1).Simulator().PageCount()) << length;
  }
  TProgram wrongKind = good;
  StoreU16(&wrongKind[second], 49);
  EXPECT_EQ(1u, TPlayer(wrongKind, 8, 8, 1).Simulator().PageCount());
}

TEST(Reader, EveryTruncationIsReadWithinItsBytes) {
  const platform::TBitmap red = Solid(5, 7, platform::clRed);
  model::TRecordRect rect{1, 1, 40, 20};
  const TProgram full = WriteProgram(
      2, {{60, {PictureWindow(0, 0, red, false, 7, 2),
                [&](model::TProgramStream& s) {
                  model::WriteStringWindow(rect, "AB\r\n", 0, platform::clLime, 2, 8, true, s);
                }}},
          {0, {PictureWindow(8, 2, red, true, 18, 8)}}});
  for (size_t size = 0; size < full.size(); ++size) {
    TProgram part(full.begin(), full.begin() + std::ptrdiff_t(size));
    TPlayer player(part, 48, 24, 2, 20);
    for (const TShot& shot : player.Steps(4))
      for (auto [x, y] : shot.Lit()) ASSERT_TRUE(x < 40 && y < 20) << size << ": " << x << ", " << y;
  }
  TPlayer whole(full, 48, 24, 2, 20);
  EXPECT_FALSE(whole.Steps(4).back().Lit().empty());
}

}  // namespace
}  // namespace displaysim::test
