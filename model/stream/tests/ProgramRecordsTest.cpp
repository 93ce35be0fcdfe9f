#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/stream/PageRecord.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/ByteOrder.h"

using namespace model;
using platform::LoadU16;
using platform::LoadU32;
using platform::TBitmap;

namespace {

using Bytes = std::vector<uint8_t>;

class ProgramRecords : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().Reset(); }
  void TearDown() override { StreamContext().Reset(); }
};

TBitmap RedSquare(int side) {
  TBitmap b(side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) b.SetPixel(x, y, platform::clRed);
  return b;
}

// Writes nothing: an object with nothing to send (a campaign-time object, a movie that does
// not open).
void NothingToSend(TProgramStream&) {}

}  // namespace

TEST_F(ProgramRecords, PictureWindowHeadThenPixelBlock) {
  StreamContext().SetColorMode(1);
  TProgramStream s;
  WritePictureWindow(RecordRect(8, 16, 10, 33), RedSquare(4), 3, 2, true, s);
  const Bytes& b = s.Bytes();
  ASSERT_EQ(b.size(), 28u + 12 + 16);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 28),
            (Bytes{49, 0, 1, 0, 56, 0, 0, 0, 8, 0, 16, 0, 18, 0, 49, 0,
                   3, 0, 2, 0, 0,  0, 0, 0, 0, 0, 0,  0}));
  TProgramStream block;
  WritePictureBits(RedSquare(4), 1, block);
  EXPECT_EQ(Bytes(b.begin() + 28, b.end()), block.Bytes());
}

TEST_F(ProgramRecords, PictureWindowInAnUnknownModeIsItsHeadAlone) {
  StreamContext().SetColorMode(7);
  TProgramStream s;
  WritePictureWindow(RecordRect(0, 0, 4, 4), RedSquare(4), 1, 1, false, s);
  ASSERT_EQ(s.Size(), 28u);
  EXPECT_EQ(LoadU32(&s.Bytes()[4]), 28u);
  EXPECT_EQ(LoadU16(&s.Bytes()[2]), 0);
}

TEST_F(ProgramRecords, StringWindowOfTwoLetters) {
  TProgramStream s;
  WriteStringWindow(RecordRect(1, 2, 64, 16), "AB\r\n", 1, platform::clYellow, 21, 8, false, s);
  const Bytes& b = s.Bytes();
  ASSERT_EQ(b.size(), 44u);
  EXPECT_EQ(b, (Bytes{51, 0, 0, 0, 44, 0, 0, 0, 1, 0, 2, 0, 65, 0, 18, 0,  //
                      21, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0,                   //
                      0xFF, 0xFF, 0, 0, 1, 0, 0, 0,                          //
                      'A', 'B', '\r', '\n', 0, 0, 0, 0}));
}

TEST_F(ProgramRecords, StringWindowTextStopsAtTheFirstNulAndIsCopiedRaw) {
  // GBK bytes of two Chinese characters, then a NUL and bytes that must not be sent.
  const std::string text("\xC4\xE3\xBA\xC3\r\n\0tail", 11);
  TProgramStream s;
  WriteStringWindow(RecordRect(0, 0, 32, 16), text, 0, platform::clRed, 1, 1, false, s);
  const Bytes& b = s.Bytes();
  // 36 + 6 text bytes + terminator = 43, padded to 44.
  ASSERT_EQ(b.size(), 44u);
  EXPECT_EQ(LoadU32(&b[4]), 44u);
  EXPECT_EQ(Bytes(b.begin() + 36, b.end()), (Bytes{0xC4, 0xE3, 0xBA, 0xC3, '\r', '\n', 0, 0}));
}

TEST_F(ProgramRecords, StringWindowPaddingFollowsTheStreamSize) {
  // 36 + 3 + 1 = 40: already a multiple of 4, so no padding at all.
  TProgramStream s;
  WriteStringWindow(RecordRect(0, 0, 8, 8), "abc", 0, 0, 1, 1, false, s);
  EXPECT_EQ(s.Size(), 40u);
  EXPECT_EQ(LoadU32(&s.Bytes()[4]), 40u);
  // Empty text: the terminator alone, padded.
  TProgramStream t;
  WriteStringWindow(RecordRect(0, 0, 8, 8), "", 0, 0, 1, 1, false, t);
  EXPECT_EQ(t.Size(), 40u);
}

TEST_F(ProgramRecords, RectanglesKeepTheLowSixteenBits) {
  TProgramStream s;
  WriteStringWindow(RecordRect(-2, 70000, 10, 10), "", 0, 0, 1, 1, false, s);
  const Bytes& b = s.Bytes();
  EXPECT_EQ(LoadU16(&b[8]), 0xFFFE);
  EXPECT_EQ(LoadU16(&b[10]), uint16_t(70000));
  EXPECT_EQ(LoadU16(&b[12]), 8);
  EXPECT_EQ(LoadU16(&b[14]), uint16_t(70010));
}

TEST_F(ProgramRecords, PageCountsOnlyObjectsThatWrote) {
  StreamContext().SetColorMode(3);
  TBitmap picture = RedSquare(3);
  std::vector<TRecordWriter> objects = {
      [&](TProgramStream& s) { WritePictureWindow(RecordRect(0, 0, 3, 3), picture, 1, 1, 0, s); },
      NothingToSend,
      [](TProgramStream& s) {
        WriteStringWindow(RecordRect(0, 0, 8, 8), "AB\r\n", 0, platform::clRed, 1, 1, false, s);
      },
  };
  TProgramStream s;
  s.WriteU32(0xEEEEEEEE);  // the page need not start the stream
  WritePageRecord(5000, objects, s);
  const Bytes& b = s.Bytes();
  const size_t page = 4;
  ASSERT_EQ(b.size(), page + 16 + (28 + 32) + 44);
  EXPECT_EQ(LoadU16(&b[page]), 48);
  EXPECT_EQ(LoadU16(&b[page + 2]), 2);
  EXPECT_EQ(LoadU32(&b[page + 4]), 5000u);
  EXPECT_EQ(LoadU32(&b[page + 8]), 0u);
  EXPECT_EQ(LoadU32(&b[page + 12]), 16u + 60 + 44);
  EXPECT_EQ(LoadU16(&b[page + 16]), 49);
  EXPECT_EQ(LoadU16(&b[page + 16 + 60]), 51);
}

TEST_F(ProgramRecords, PageWithNothingToSendIsSixteenBytes) {
  std::vector<TRecordWriter> onlyCampaignTime = {NothingToSend};
  TProgramStream s;
  WritePageRecord(10000, onlyCampaignTime, s);
  EXPECT_EQ(s.Bytes(), (Bytes{48, 0, 0, 0, 0x10, 0x27, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0}));
}

TEST_F(ProgramRecords, ProgramOfEmptyPagesIsStillWhole) {
  auto emptyPage = [](uint32_t ms) {
    return [ms](TProgramStream& s) { WritePageRecord(ms, {}, s); };
  };
  std::vector<TRecordWriter> pages = {emptyPage(1000), emptyPage(2000), emptyPage(3000)};
  TProgramStream s;
  EXPECT_TRUE(WriteProgramHeader(rkDownloadHeader, 2, pages, s));
  const Bytes& b = s.Bytes();
  ASSERT_EQ(b.size(), 12u + 3 * 16);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 12), (Bytes{18, 0, 3, 0, 60, 0, 0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(LoadU32(&b[12 + 16 + 4]), 2000u);
  EXPECT_EQ(StreamContext().ColorMode(), 2);
}

TEST_F(ProgramRecords, ProgramWithoutPagesLeavesTheHeaderUnpatched) {
  TProgramStream s;
  EXPECT_FALSE(WriteProgramHeader(rkSendHeader, 3, {}, s));
  EXPECT_EQ(s.Bytes(), (Bytes{17, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(StreamContext().ColorMode(), 3);
}

TEST_F(ProgramRecords, HeaderSetsTheModeEveryPixelBlockUses) {
  TBitmap picture = RedSquare(3);
  auto page = [&](TProgramStream& s) {
    std::vector<TRecordWriter> objects = {[&](TProgramStream& t) {
      WritePictureWindow(RecordRect(0, 0, 3, 3), picture, 1, 1, false, t);
    }};
    WritePageRecord(1000, objects, s);
  };
  std::vector<TRecordWriter> pages = {page};
  for (int mode = 1; mode <= 4; ++mode) {
    TProgramStream s;
    ASSERT_TRUE(WriteProgramHeader(rkSendHeader, mode, pages, s));
    const Bytes& b = s.Bytes();
    const size_t block = 12 + 16 + 28;
    EXPECT_EQ(LoadU16(&b[8]), mode);
    EXPECT_EQ(LoadU16(&b[block + 6]), PixelBlockFormat(mode)) << mode;
    EXPECT_EQ(LoadU32(&b[4]), b.size());
    EXPECT_EQ(b.size() % 4, 0u);
  }
}

TEST_F(ProgramRecords, HeadsForBuildersThatKeepTheirOwnCounts) {
  TProgramStream s;
  WriteProgramHead(s, rkSendHeader, 4, 1, 0);
  WritePageHead(s, 7, 0, 16);
  EXPECT_EQ(s.Bytes(), (Bytes{17, 0, 1, 0, 0, 0, 0, 0, 4, 0, 0, 0,  //
                              48, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0}));
}

TEST_F(ProgramRecords, ContextResetRestoresTheStartUpState) {
  StreamContext().SetColorMode(4);
  StreamContext().PreviewStream().WriteU32(1);
  StreamContext().Reset();
  EXPECT_EQ(StreamContext().ColorMode(), TStreamContext::DefaultColorMode);
  EXPECT_EQ(StreamContext().PreviewStream().Size(), 0u);
}
