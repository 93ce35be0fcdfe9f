// Notification windows as a client makes them through the loaded library. How notifications
// reach them is checked with real links (SendTest).
#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

#include "PanelcastLib.h"

namespace {

using panelcast::test::TPanelcastLib;

intptr_t Count(void* userData, TLEDWindow, uint32_t, uintptr_t, intptr_t) {
  ++*static_cast<int*>(userData);
  return 0;
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1;
}

TEST(WindowCalls, MadeAndDestroyedOnTheirOwnThread) {
  auto lib = TPanelcastLib::Load();
  ASSERT_TRUE(lib);
  int calls = 0;
  EXPECT_EQ(0u, lib->LED_CreateWindow(nullptr, &calls));
  const TLEDWindow a = lib->LED_CreateWindow(Count, &calls);
  const TLEDWindow b = lib->LED_CreateWindow(Count, nullptr);
  ASSERT_NE(0u, a);
  ASSERT_NE(0u, b);
  EXPECT_NE(a, b);

  // Another thread can neither destroy them nor find messages for them in its own queue.
  int32_t destroyedElsewhere = -1, fdElsewhere = -1;
  std::thread([&] {
    destroyedElsewhere = lib->LED_DestroyWindow(a);
    fdElsewhere = lib->LED_GetMessageFd();
  }).join();
  EXPECT_EQ(0, destroyedElsewhere);

  const int fd = lib->LED_GetMessageFd();
  ASSERT_GE(fd, 0);
  EXPECT_NE(fd, fdElsewhere);  // each thread has its own queue
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(0, lib->LED_DispatchMessages());
  EXPECT_EQ(0, calls);

  EXPECT_EQ(1, lib->LED_DestroyWindow(a));
  EXPECT_EQ(0, lib->LED_DestroyWindow(a));
  EXPECT_EQ(0, lib->LED_DestroyWindow(0));
  EXPECT_EQ(1, lib->LED_DestroyWindow(b));
}

}  // namespace
