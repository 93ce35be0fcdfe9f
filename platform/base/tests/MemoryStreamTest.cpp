#include "platform/base/MemoryStream.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MemoryStream, WritesGrowAndZeroFillGaps) {
  TMemoryStream s;
  ASSERT_TRUE(s.Write("ab", 2));
  s.SetPosition(5);
  ASSERT_TRUE(s.Write("c", 1));
  ASSERT_EQ(s.Size(), 6u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 6), std::string("ab\0\0\0c", 6));
  EXPECT_EQ(s.Position(), 6u);
}

TEST(MemoryStream, PatchesOnlyInsideTheData) {
  TMemoryStream s;
  s.Write("abcd", 4);
  EXPECT_TRUE(s.WriteAt(1, "XY", 2));
  EXPECT_FALSE(s.WriteAt(3, "XY", 2));
  EXPECT_FALSE(s.WriteAt(5, "", 0));
  EXPECT_EQ(s.Position(), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 4), "aXYd");
}

TEST(MemoryStream, ReadStopsAtTheEnd) {
  TMemoryStream s;
  s.Write("abc", 3);
  s.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  s.SetPosition(10);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  EXPECT_TRUE(s.SetSize(1));
  EXPECT_EQ(s.Position(), 1u);
}
