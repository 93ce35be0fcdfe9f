// Options and the notify record as a client reaches them through the loaded library.
#include <gtest/gtest.h>

#include <cstring>

#include "PanelcastLib.h"

namespace {

using panelcast::test::TPanelcastLib;

TEST(Options, DefaultsAndRanges) {
  auto lib = TPanelcastLib::Load();
  ASSERT_TRUE(lib);
  EXPECT_EQ(2500, lib->LED_GetOption(LED_OPTION_TIMEOUT));
  EXPECT_EQ(3, lib->LED_GetOption(LED_OPTION_RETRIES));
  EXPECT_EQ(4, lib->LED_GetOption(LED_OPTION_BURST));

  struct TCase {
    int32_t Option, Value, Result;
  };
  const TCase cases[] = {
      {1, 50, 0}, {1, 60000, 0}, {1, 51, 1}, {1, 59999, 1}, {1, -1, 0},
      {2, 1, 0},  {2, 16, 0},    {2, 2, 1},  {2, 15, 1},
      {3, 0, 0},  {3, 9, 0},     {3, 1, 1},  {3, 8, 1},
      {0, 5, 0},  {4, 5, 0},     {-1, 5, 0}};
  for (const TCase& c : cases) {
    const int32_t before = lib->LED_GetOption(c.Option);
    EXPECT_EQ(c.Result, lib->LED_SetOption(c.Option, c.Value)) << c.Option << " " << c.Value;
    EXPECT_EQ(c.Result ? c.Value : before, lib->LED_GetOption(c.Option)) << c.Option;
  }
  EXPECT_EQ(-1, lib->LED_GetOption(0));
  EXPECT_EQ(-1, lib->LED_GetOption(4));
}

TEST(Options, AreTheLibrarysOwn) {
  // Each loaded library keeps its own options for its life.
  auto first = TPanelcastLib::Load();
  auto second = TPanelcastLib::Load();
  ASSERT_TRUE(first && second);
  ASSERT_EQ(1, first->LED_SetOption(2, 15));
  EXPECT_EQ(15, first->LED_GetOption(2));
  EXPECT_EQ(3, second->LED_GetOption(2));
}

TEST(NotifyMessage, BeforeAnyNotificationIsZeroAndCopiesAZeroRecord) {
  auto lib = TPanelcastLib::Load();
  ASSERT_TRUE(lib);
  TNotifyRecord record;
  std::memset(&record, 0x5A, sizeof record);
  EXPECT_EQ(0, lib->LED_GetNotifyMessage(&record));
  const unsigned char zero[sizeof record] = {};
  EXPECT_EQ(0, std::memcmp(zero, &record, sizeof record));
  EXPECT_EQ(0, lib->LED_GetNotifyMessage(nullptr));  // no buffer: nothing copied, no crash
}

}  // namespace
