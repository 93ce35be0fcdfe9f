#include "platform/base/ByteOrder.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ByteReader, ReadsLittleEndianAndStopsAtTheEnd) {
  const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF};
  TByteReader r(data, sizeof data);
  EXPECT_EQ(r.U8(), 0x01);
  EXPECT_EQ(r.U16(), 0x1234);
  EXPECT_EQ(r.U32(), 0x12345678u);
  EXPECT_EQ(r.I32(), -2);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Remaining(), 0u);
  EXPECT_EQ(r.U16(), 0);  // past the end: zero, and the flag sticks
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Position(), sizeof data);
}

TEST(ByteReader, PartialReadFailsWithoutMoving) {
  const uint8_t data[] = {1, 2, 3};
  TByteReader r(data, sizeof data);
  r.U8();
  EXPECT_EQ(r.U32(), 0u);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Position(), 1u);
  uint8_t out[4];
  EXPECT_FALSE(r.Read(out, 2));  // still failed: the flag is sticky
}

TEST(ByteWriter, SystemTimeRoundTripsAsEightWords) {
  TSystemTime t{2024, 2, 4, 29, 23, 59, 58, 999};
  uint8_t buf[16];
  TByteWriter w(buf, sizeof buf);
  ASSERT_TRUE(w.SystemTime(t));
  EXPECT_EQ(buf[0], 0xE8);  // 2024 = 0x07E8
  EXPECT_EQ(buf[1], 0x07);
  EXPECT_EQ(buf[4], 4);  // day of week is the third word
  EXPECT_EQ(buf[14], 0xE7);
  EXPECT_EQ(buf[15], 0x03);
  EXPECT_FALSE(w.U8(0));  // full
  TByteReader r(buf, sizeof buf);
  EXPECT_EQ(r.SystemTime(), t);
}

TEST(ByteWriter, WriteThatDoesNotFitWritesNothing) {
  uint8_t buf[3] = {9, 9, 9};
  TByteWriter w(buf, sizeof buf);
  EXPECT_TRUE(w.U8(1));
  EXPECT_FALSE(w.U32(0xAABBCCDD));
  EXPECT_EQ(buf[1], 9);
  EXPECT_EQ(w.Position(), 1u);
}

TEST(AppendBytes, AppendsLittleEndian) {
  std::vector<uint8_t> v;
  AppendU16(v, 0xBEEF);
  AppendU32(v, 0x01020304);
  EXPECT_EQ(v, (std::vector<uint8_t>{0xEF, 0xBE, 4, 3, 2, 1}));
}
