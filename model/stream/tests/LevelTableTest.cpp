#include "model/stream/LevelTable.h"

#include <gtest/gtest.h>

#include <cmath>

using model::LevelTable;

TEST(LevelTable, EndsAtZeroAndFullScaleAndNeverFalls) {
  EXPECT_EQ(LevelTable[0], 0);
  EXPECT_EQ(LevelTable[255], 255);
  for (int i = 1; i < 256; ++i) EXPECT_LE(LevelTable[i - 1], LevelTable[i]) << i;
}

TEST(LevelTable, SampleRows) {
  const uint8_t row96[16] = {28, 29, 29, 30, 31, 31, 32, 33, 33, 34, 35, 35, 36, 37, 38, 38};
  const uint8_t row144[16] = {67, 68, 69, 70, 71, 73, 74, 75, 76, 77, 78, 79, 80, 82, 83, 84};
  const uint8_t row240[16] = {216, 219, 221, 223, 225, 227, 229, 232,
                              234, 236, 240, 243, 246, 249, 252, 255};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(LevelTable[96 + i], row96[i]) << 96 + i;
    EXPECT_EQ(LevelTable[144 + i], row144[i]) << 144 + i;
    EXPECT_EQ(LevelTable[240 + i], row240[i]) << 240 + i;
  }
  EXPECT_EQ(LevelTable[5], 1);
  EXPECT_EQ(LevelTable[32], 4);
  EXPECT_EQ(LevelTable[128], 52);
  EXPECT_EQ(LevelTable[200], 141);
}

TEST(LevelTable, CurveSteepensFromSquareToCube) {
  // As 255 * (i / 255)^k, k is about 2 near index 32 and about 3 near index 250; a slipped
  // value anywhere in between shows up as an exponent far off that range.
  auto exponent = [](int i) {
    return std::log(LevelTable[i] / 255.0) / std::log(i / 255.0);
  };
  EXPECT_NEAR(exponent(32), 2.0, 0.1);
  EXPECT_NEAR(exponent(250), 3.0, 0.15);
  for (int i = 32; i < 250; ++i) {
    EXPECT_GT(exponent(i), 1.8) << i;
    EXPECT_LT(exponent(i), 3.4) << i;
  }
}
