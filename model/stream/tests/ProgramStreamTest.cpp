#include "model/stream/ProgramStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace model;

using Bytes = std::vector<uint8_t>;

TEST(ProgramStream, AppendsLittleEndianAndPatchesInPlace) {
  TProgramStream s;
  s.WriteU16(0x1234);
  s.WriteU32(0);
  s.WriteU16(0xABCD);
  const size_t patchAt = 2;
  s.PatchU32(patchAt, 0x01020304);
  s.PatchU16(0, 0x0030);
  EXPECT_EQ(s.Bytes(), (Bytes{0x30, 0x00, 0x04, 0x03, 0x02, 0x01, 0xCD, 0xAB}));
  EXPECT_EQ(s.Position(), 8u);
}

TEST(ProgramStream, PatchesOutsideTheStreamAreRefused) {
  TProgramStream s;
  s.WriteU32(7);
  EXPECT_THROW(s.PatchU32(1, 0), EStreamError);
  EXPECT_THROW(s.PatchU16(3, 0), EStreamError);
  EXPECT_THROW(s.PatchU16(SIZE_MAX, 0), EStreamError);
  EXPECT_EQ(s.Bytes(), (Bytes{7, 0, 0, 0}));
}

TEST(ProgramStream, PadsToAMultipleOfFour) {
  for (size_t n = 0; n < 8; ++n) {
    TProgramStream s;
    s.Write("\x11\x11\x11\x11\x11\x11\x11", n);
    s.PadToFour();
    EXPECT_EQ(s.Size(), (n + 3) / 4 * 4) << n;
    for (size_t i = n; i < s.Size(); ++i) EXPECT_EQ(s.Bytes()[i], 0);
  }
}

TEST(ProgramStream, ExtendGrowsOnceWithZeros) {
  TProgramStream s;
  s.WriteU16(1);
  uint8_t* p = s.Extend(6);
  EXPECT_EQ(s.Size(), 8u);
  p[5] = 9;
  EXPECT_EQ(s.Bytes(), (Bytes{1, 0, 0, 0, 0, 0, 0, 9}));
  s.WriteU16(2);
  EXPECT_EQ(s.Size(), 10u);
}

TEST(ProgramStream, FailedGrowthRaisesTheStreamErrorAndKeepsTheData) {
  TProgramStream s;
  s.WriteU32(5);
  try {
    s.Extend(SIZE_MAX - 2);
    FAIL() << "growth beyond memory was accepted";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Out of memory while expanding memory stream");
  }
  EXPECT_EQ(s.Bytes(), (Bytes{5, 0, 0, 0}));
  s.WriteU16(1);
  EXPECT_EQ(s.Size(), 6u);
}
