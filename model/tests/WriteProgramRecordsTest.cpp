// A screen's program through the pages' and objects' RecordSelf, against the landed writers.
#include "model/ProgramRecords.h"

#include <gtest/gtest.h>

#include <vector>

#include "TreeFixtures.h"
#include "model/LoadMode.h"
#include "model/stream/PageRecord.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"

using namespace model;
using model::test::TIntruder;
using model::test::TPictureObject;
using model::test::TSilentObject;
using model::test::TStringObject;
using platform::LoadU16;
using platform::LoadU32;

namespace {

using Bytes = std::vector<uint8_t>;

class ProgramRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLoadMode(LoadModeNormal);
    StreamContext().Reset();
  }
  void TearDown() override { StreamContext().Reset(); }
};

// A page record written directly by the landed writer from the objects' own records.
TRecordWriter PageOf(uint32_t ms, std::vector<TRecordWriter> objects) {
  return [ms, objects](TProgramStream& s) { WritePageRecord(ms, objects, s); };
}

}  // namespace

TEST_F(ProgramRecords, PagesAndObjectsEqualTheWritersGivenDirectly) {
  TLEDScreen screen(nullptr);  // with its sub-card container, which writes nothing
  auto* first = new TLeaf(&screen);
  first->SetDisplayTime(7);
  auto* picture = new TPictureObject(first);
  auto* text = new TStringObject(first);
  text->SetBounds(8, 16, 32, 16);
  auto* silent = new TSilentObject(first);
  auto* empty = new TLeaf(&screen);
  empty->SetDisplayTime(0);
  auto* last = new TLeaf(&screen);
  auto* picture2 = new TPictureObject(last);
  picture2->SetBounds(0, 0, 3, 33);

  for (int mode : {1, 2, 3, 4}) {
    StreamContext().SetColorMode(mode == 1 ? 2 : 1);
    TProgramStream s;
    ASSERT_TRUE(WriteProgramRecords(screen, rkDownloadHeader, s, mode));
    EXPECT_EQ(StreamContext().ColorMode(), mode);

    // The same program by the landed writers, in the same mode.
    TProgramStream expected;
    const std::vector<TRecordWriter> pages = {
        PageOf(7000, {[&](TProgramStream& o) { picture->Write(o); },
                      [&](TProgramStream& o) { text->Write(o); }, [](TProgramStream&) {}}),
        PageOf(0, {}),
        PageOf(10000, {[&](TProgramStream& o) { picture2->Write(o); }}),
    };
    ASSERT_TRUE(WriteProgramHeader(rkDownloadHeader, mode, pages, expected));
    EXPECT_EQ(s.Bytes(), expected.Bytes()) << "mode " << mode;

    // The fields that matter, read back.
    const uint8_t* b = s.Memory();
    EXPECT_EQ(LoadU16(b), 18);
    EXPECT_EQ(LoadU16(b + 2), 3);
    EXPECT_EQ(LoadU32(b + 4), s.Size());
    EXPECT_EQ(LoadU16(b + 8), mode);
    const uint8_t* page = b + 12;
    EXPECT_EQ(LoadU16(page), 48);
    EXPECT_EQ(LoadU16(page + 2), 2);  // the silent object is not counted
    EXPECT_EQ(LoadU32(page + 4), 7000u);
    const uint8_t* second = page + LoadU32(page + 12);
    EXPECT_EQ(Bytes(second, second + 16),
              (Bytes{48, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0}));
    EXPECT_EQ(LoadU32(second + 16 + 4), 10000u);
  }
  EXPECT_EQ(silent->Calls, 4);
}

TEST_F(ProgramRecords, AScreenWithoutPagesWritesAHeaderWithZeros) {
  TLEDScreen screen(nullptr);
  TProgramStream s;
  EXPECT_FALSE(WriteProgramRecords(screen, rkSendHeader, s, 1));
  EXPECT_EQ(s.Bytes(), (Bytes{17, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
}

TEST_F(ProgramRecords, AColourModeOutsideOneToFourWritesNothing) {
  TLEDScreen screen(nullptr);
  new TPictureObject(new TLeaf(&screen));
  for (int mode : {0, 5, -1, 0x10002}) {
    StreamContext().SetColorMode(3);
    TProgramStream s;
    EXPECT_FALSE(WriteProgramRecords(screen, rkSendHeader, s, mode)) << mode;
    EXPECT_EQ(s.Size(), 0u) << mode;
    EXPECT_EQ(StreamContext().ColorMode(), 3) << mode;
  }
}

TEST_F(ProgramRecords, DisplayTimeSaturatesInsteadOfWrapping) {
  struct TCase {
    uint32_t seconds;
    uint32_t ms;
  };
  const TCase cases[] = {
      {0, 0},
      {10, 10000},
      {4294967, 4294967000u},
      {4294968, 0xFFFFFFFFu},  // x 1000 would wrap to 704
      {0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const TCase& c : cases) {
    TLeaf page(nullptr);
    page.SetDisplayTime(c.seconds);
    EXPECT_EQ(page.DisplayTimeMs(), c.ms) << c.seconds;
    TProgramStream s;
    ASSERT_TRUE(SetRecordSelf(page, s));
    ASSERT_EQ(s.Size(), 16u);
    EXPECT_EQ(LoadU32(s.Memory() + 4), c.ms) << c.seconds;
  }
}

TEST_F(ProgramRecords, OnlyPagesUnderTheHeaderAndOnlyDisplayObjectsUnderAPage) {
  TLEDScreen screen(nullptr);
  auto* beside = new TIntruder(&screen);  // publishes RecordSelf, but is no page
  auto* page = new TLeaf(&screen);
  auto* inside = new TIntruder(page);     // publishes RecordSelf, but is no graphic control
  inside->SetParent(page);
  auto* picture = new TPictureObject(page);
  new platform::TGraphicControl(page);    // publishes no RecordSelf

  TProgramStream s;
  ASSERT_TRUE(WriteProgramRecords(screen, rkSendHeader, s, 2));
  EXPECT_EQ(beside->Calls, 0);
  EXPECT_EQ(inside->Calls, 0);

  TProgramStream expected;
  const std::vector<TRecordWriter> pages = {
      PageOf(10000, {[&](TProgramStream& o) { picture->Write(o); }})};
  WriteProgramHeader(rkSendHeader, 2, pages, expected);
  EXPECT_EQ(s.Bytes(), expected.Bytes());
  EXPECT_EQ(LoadU16(s.Memory() + 2), 1);
}

TEST_F(ProgramRecords, RecordSelfOfNothingDoesNothing) {
  TLeaf page(nullptr);
  new TPictureObject(&page);
  const auto* prop = page.ClassInfo().FindProperty("RecordSelf");
  EXPECT_TRUE(prop->SetStream<TProgramStream>(page, nullptr));
  EXPECT_EQ(prop->GetObject(page), nullptr);  // reading gives nothing
  // A stream of another type is refused by the property.
  std::vector<uint8_t> other;
  EXPECT_FALSE(prop->SetStream(page, &other));

  platform::TGraphicControl plain(nullptr);
  TProgramStream s;
  EXPECT_FALSE(PublishesRecordSelf(plain));
  EXPECT_FALSE(SetRecordSelf(plain, s));
  EXPECT_TRUE(PublishesRecordSelf(page));
  EXPECT_EQ(s.Size(), 0u);
}
