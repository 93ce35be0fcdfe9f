#include "library/ProgramBuilder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "model/stream/PixelBlock.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"

using model::TProgramStream;
using panelcast::TProgramBuilder;
using platform::LoadU16;
using platform::LoadU32;

namespace {

// A writer that appends `n` bytes of 0xAB.
auto Bytes(size_t n) {
  return [n](TProgramStream& s) {
    s.Write(std::vector<uint8_t>(n, 0xAB).data(), n);
    return true;
  };
}

struct TCounts {
  uint16_t Pages;
  uint32_t Total;
};
TCounts Root(const TProgramBuilder& b) {
  const uint8_t* p = b.Stream().Memory();
  return {LoadU16(p + 2), LoadU32(p + 4)};
}
struct TPage {
  uint16_t Items;
  uint32_t DisplayTime;
  uint32_t Length;
};
TPage PageAt(const TProgramBuilder& b, size_t offset) {
  const uint8_t* p = b.Stream().Memory() + offset;
  EXPECT_EQ(48, LoadU16(p));
  EXPECT_EQ(0u, LoadU32(p + 8));
  return {LoadU16(p + 2), LoadU32(p + 4), LoadU32(p + 12)};
}

TEST(ProgramBuilder, NothingBeforeTheFirstRoot) {
  TProgramBuilder b;
  EXPECT_FALSE(b.AddLeaf(1000));
  EXPECT_FALSE(b.AddItem(Bytes(4)));
  EXPECT_EQ(0u, b.Stream().Size());
  EXPECT_TRUE(b.Snapshot().empty());
}

TEST(ProgramBuilder, RootTakesKindsSendAndDownloadAndModesOneToFour) {
  struct TCase {
    int Kind, Mode;
    bool Accepted;
  };
  const TCase cases[] = {{17, 1, true},  {17, 4, true},  {18, 2, true},  {16, 2, false},
                         {19, 2, false}, {0, 2, false},  {17, 0, false}, {17, 5, false},
                         {18, -1, false}};
  for (const TCase& c : cases) {
    TProgramBuilder b;
    EXPECT_EQ(c.Accepted, b.MakeRoot(c.Kind, c.Mode)) << c.Kind << " " << c.Mode;
    if (!c.Accepted) {
      EXPECT_EQ(0u, b.Stream().Size());
      continue;
    }
    const std::vector<uint8_t> root = b.Snapshot();
    ASSERT_EQ(12u, root.size());
    EXPECT_EQ(c.Kind, LoadU16(&root[0]));
    EXPECT_EQ(0, LoadU16(&root[2]));
    EXPECT_EQ(12u, LoadU32(&root[4]));
    EXPECT_EQ(c.Mode, LoadU16(&root[8]));
    EXPECT_EQ(0, LoadU16(&root[10]));
  }
}

TEST(ProgramBuilder, RefusedRootKeepsTheProgramBefore) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 2));
  ASSERT_TRUE(b.AddLeaf(1000));
  ASSERT_TRUE(b.AddItem(Bytes(8)));
  const auto before = b.Snapshot();
  EXPECT_FALSE(b.MakeRoot(16, 2));
  EXPECT_FALSE(b.MakeRoot(17, 5));
  EXPECT_EQ(before, b.Snapshot());
  EXPECT_TRUE(b.AddItem(Bytes(4)));  // the page is still current
  EXPECT_EQ(1u, Root(b).Pages);
}

TEST(ProgramBuilder, CountsAndLengthsStayCurrentAfterEveryCall) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 2));
  EXPECT_FALSE(b.AddItem(Bytes(4)));  // no page yet
  ASSERT_TRUE(b.AddLeaf(1000));
  EXPECT_EQ(1u, Root(b).Pages);
  EXPECT_EQ(28u, Root(b).Total);
  EXPECT_EQ(0, PageAt(b, 12).Items);
  EXPECT_EQ(16u, PageAt(b, 12).Length);
  EXPECT_EQ(1000u, PageAt(b, 12).DisplayTime);

  ASSERT_TRUE(b.AddItem(Bytes(40)));
  EXPECT_EQ(1u, Root(b).Pages);
  EXPECT_EQ(12u + 16 + 40, Root(b).Total);
  EXPECT_EQ(1, PageAt(b, 12).Items);
  EXPECT_EQ(16u + 40, PageAt(b, 12).Length);

  // A second page takes the next items; the first keeps its own.
  ASSERT_TRUE(b.AddLeaf(0xFFFFFFFF));
  ASSERT_TRUE(b.AddItem(Bytes(8)));
  ASSERT_TRUE(b.AddItem(Bytes(12)));
  EXPECT_EQ(2u, Root(b).Pages);
  EXPECT_EQ(b.Stream().Size(), Root(b).Total);
  EXPECT_EQ(1, PageAt(b, 12).Items);
  EXPECT_EQ(56u, PageAt(b, 12).Length);
  const TPage second = PageAt(b, 68);
  EXPECT_EQ(2, second.Items);
  EXPECT_EQ(16u + 8 + 12, second.Length);
  EXPECT_EQ(0xFFFFFFFFu, second.DisplayTime);  // taken as given, not scaled

  // A new root starts over.
  ASSERT_TRUE(b.MakeRoot(18, 1));
  EXPECT_EQ(12u, b.Stream().Size());
  EXPECT_FALSE(b.HasPage());
}

TEST(ProgramBuilder, ItemThatWritesNothingOrFailsLeavesTheStreamAsItWas) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 3));
  ASSERT_TRUE(b.AddLeaf(1000));
  const auto before = b.Snapshot();
  EXPECT_FALSE(b.AddItem([](TProgramStream&) { return true; }));  // nothing written
  EXPECT_FALSE(b.AddItem([](TProgramStream&) { return false; }));
  EXPECT_FALSE(b.AddItem([](TProgramStream& s) {  // wrote, then said it failed
    s.WriteU32(7);
    return false;
  }));
  EXPECT_FALSE(b.AddItem([](TProgramStream& s) -> bool {  // wrote, then threw
    s.WriteU32(7);
    throw std::runtime_error("failed half-way");
  }));
  EXPECT_EQ(before, b.Snapshot());
}

TEST(ProgramBuilder, PageCountDoesNotWrap) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 1));
  ASSERT_TRUE(b.AddLeaf(1));
  for (int i = 0; i < 65535; ++i) ASSERT_TRUE(b.AddItem(Bytes(4)));
  EXPECT_EQ(65535, PageAt(b, 12).Items);
  const auto before = b.Snapshot();
  EXPECT_FALSE(b.AddItem(Bytes(4)));
  EXPECT_EQ(before, b.Snapshot());
  // Another page takes more.
  EXPECT_TRUE(b.AddLeaf(1));
  EXPECT_TRUE(b.AddItem(Bytes(4)));
}

TEST(ProgramBuilder, RootCountDoesNotWrap) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 1));
  for (int i = 0; i < 65535; ++i) ASSERT_TRUE(b.AddLeaf(1));
  EXPECT_EQ(65535, Root(b).Pages);
  const auto before = b.Snapshot();
  EXPECT_FALSE(b.AddLeaf(1));
  EXPECT_EQ(before, b.Snapshot());
  EXPECT_EQ(12u + 65535 * 16, Root(b).Total);
}

TEST(ProgramBuilder, ItemsPackInTheRootsColourMode) {
  TProgramBuilder b;
  ASSERT_TRUE(b.MakeRoot(17, 3));
  ASSERT_TRUE(b.AddLeaf(1000));
  model::StreamContext().SetColorMode(1);  // someone else changed the current mode
  platform::TBitmap picture(3, 3);
  ASSERT_TRUE(b.AddItem([&](TProgramStream& s) {
    model::WritePictureBits(picture, s);
    return true;
  }));
  const uint8_t* block = b.Stream().Memory() + 28;
  EXPECT_EQ(54, LoadU16(block));
  EXPECT_EQ(5, LoadU16(block + 6));  // format of modes 3 and 4
  EXPECT_EQ(32u, LoadU32(block + 8));
}

}  // namespace
