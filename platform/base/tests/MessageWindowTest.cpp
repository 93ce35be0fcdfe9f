#include "platform/base/MessageWindow.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace platform;

namespace {

constexpr int kGenerous = 10000;  // ms; only reached when something is broken

bool FdReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

}  // namespace

TEST(MessageWindow, PostedMessagesWaitForThePumpAndKeepTheirOrder) {
  std::vector<uint32_t> seen;
  TMessageWindow w([&](uint32_t m, uintptr_t wp, intptr_t lp) {
    seen.push_back(m);
    EXPECT_EQ(wp, m * 10);
    EXPECT_EQ(lp, -intptr_t(m));
    return 0;
  });
  EXPECT_FALSE(FdReadable(MessageQueueFd()));
  for (uint32_t m : {1u, 2u, 3u}) EXPECT_TRUE(PostMessageTo(w.Handle(), m, m * 10, -intptr_t(m)));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(FdReadable(MessageQueueFd()));
  EXPECT_EQ(ProcessMessages(), 3u);
  EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_FALSE(FdReadable(MessageQueueFd()));
}

TEST(MessageWindow, AHandlerThatPostsAgainDoesNotRunForEver) {
  int count = 0;
  TWindowHandle self = 0;
  TMessageWindow w([&](uint32_t, uintptr_t, intptr_t) {
    ++count;
    PostMessageTo(self, 1);
    return 0;
  });
  self = w.Handle();
  PostMessageTo(self, 1);
  EXPECT_EQ(ProcessMessages(), 1u);  // the repost waits for the next pump
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(count, 2);
}

TEST(MessageWindow, SendFromAnotherThreadBlocksUntilTheOwnerHandlesIt) {
  std::thread::id handledOn;
  TMessageWindow w([&](uint32_t m, uintptr_t wp, intptr_t) {
    handledOn = std::this_thread::get_id();
    return intptr_t(m + wp);
  });
  std::atomic<bool> returned{false};
  auto sender = std::async(std::launch::async, [&] {
    auto r = SendMessageTo(w.Handle(), 40, 2);
    returned = true;
    return r;
  });
  ASSERT_TRUE(WaitMessage(kGenerous));
  EXPECT_FALSE(returned.load());  // queued, not handled: the sender is still waiting
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(sender.get(), 42);
  EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST(MessageWindow, SendOnTheOwnerThreadCallsTheHandlerAtOnce) {
  TMessageWindow w([](uint32_t m, uintptr_t, intptr_t) { return intptr_t(m * 2); });
  EXPECT_EQ(SendMessageTo(w.Handle(), 21), 42);
}

TEST(MessageWindow, SentMessagesGoBeforePostedOnes) {
  std::vector<uint32_t> seen;
  TMessageWindow w([&](uint32_t m, uintptr_t, intptr_t) {
    seen.push_back(m);
    return 0;
  });
  PostMessageTo(w.Handle(), 1);
  auto sender = std::async(std::launch::async, [&] { return SendMessageTo(w.Handle(), 2); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerous);
  while (PendingMessages() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // until the send is queued
  EXPECT_EQ(PendingMessages(), 2u);
  ProcessMessages();
  EXPECT_EQ(sender.get(), 0);
  EXPECT_EQ(seen, (std::vector<uint32_t>{2, 1}));
}

TEST(MessageWindow, DeliveryToAWindowThatIsGoneFailsCleanly) {
  bool ran = false;
  auto w = std::make_unique<TMessageWindow>([&](uint32_t, uintptr_t, intptr_t) {
    ran = true;
    return 1;
  });
  const TWindowHandle h = w->Handle();
  EXPECT_TRUE(IsWindowAlive(h));
  auto sender = std::async(std::launch::async, [&] { return SendMessageTo(h, 5); });
  ASSERT_TRUE(WaitMessage(kGenerous));
  PostMessageTo(h, 6);
  w.reset();  // the waiting sender is released, the posted message dropped
  EXPECT_EQ(sender.get(), std::nullopt);
  ProcessMessages();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(IsWindowAlive(h));
  EXPECT_EQ(SendMessageTo(h, 7), std::nullopt);
  EXPECT_FALSE(PostMessageTo(h, 7));
  EXPECT_EQ(SendMessageTo(0, 7), std::nullopt);
}

TEST(MessageWindow, DeliveryFailsWhenTheOwnerThreadEnds) {
  std::unique_ptr<TMessageWindow> w;
  std::promise<TWindowHandle> made;
  std::promise<void> go;
  std::atomic<bool> ran{false};
  std::thread owner([&] {
    w = std::make_unique<TMessageWindow>([&](uint32_t, uintptr_t, intptr_t) {
      ran = true;
      return 0;
    });
    made.set_value(w->Handle());
    WaitMessage(kGenerous);  // a message arrives, and the thread ends without pumping
  });
  const TWindowHandle h = made.get_future().get();
  EXPECT_EQ(SendMessageTo(h, 1), std::nullopt);
  owner.join();
  EXPECT_EQ(SendMessageTo(h, 2), std::nullopt);
  EXPECT_FALSE(PostMessageTo(h, 3));
  EXPECT_FALSE(ran.load());
  w.reset();
}

TEST(MessageWindow, PumpUntilHandlesSendsWhileItWaits) {
  std::atomic<int> handled{0};
  TMessageWindow w([&](uint32_t, uintptr_t, intptr_t) { return intptr_t(++handled); });
  TWaitableEvent finished;
  std::jthread worker([&] {
    for (int i = 0; i < 50; ++i) SendMessageTo(w.Handle(), 1);  // each blocks until handled
    finished.Set();
  });
  EXPECT_TRUE(PumpUntil(finished, kGenerous));
  EXPECT_EQ(handled.load(), 50);

  TWaitableEvent never;
  EXPECT_FALSE(PumpUntil(never, 20));
}

TEST(MessageWindow, KnowsWhoseSendItIsHandling) {
  std::thread::id other;
  bool insideFromOther = false, insideFromSelf = true;
  TMessageWindow w([&](uint32_t, uintptr_t, intptr_t) {
    insideFromOther = IsHandlingSendFrom(other);
    insideFromSelf = IsHandlingSendFrom(std::this_thread::get_id());
    return 0;
  });
  TWaitableEvent finished;
  std::jthread worker([&] {
    SendMessageTo(w.Handle(), 1);
    finished.Set();
  });
  other = worker.get_id();
  EXPECT_FALSE(IsHandlingSendFrom(other));
  EXPECT_TRUE(PumpUntil(finished, kGenerous));
  EXPECT_TRUE(insideFromOther);
  EXPECT_FALSE(insideFromSelf);
  EXPECT_FALSE(IsHandlingSendFrom(other));
}

TEST(MessageWindow, AThrowingHandlerStillReleasesItsSender) {
  TMessageWindow w([](uint32_t, uintptr_t, intptr_t) -> intptr_t { throw std::runtime_error("boom"); });
  auto sender = std::async(std::launch::async, [&] { return SendMessageTo(w.Handle(), 1); });
  ASSERT_TRUE(WaitMessage(kGenerous));
  EXPECT_THROW(ProcessMessages(), std::runtime_error);
  EXPECT_EQ(sender.get(), 0);
}

TEST(MessageWindow, AHandlerMayDestroyItsOwnWindow) {
  std::unique_ptr<TMessageWindow> w;
  int count = 0;
  w = std::make_unique<TMessageWindow>([&](uint32_t, uintptr_t, intptr_t) {
    ++count;
    w.reset();
    return 0;
  });
  TWindowHandle h = w->Handle();
  PostMessageTo(h, 1);
  PostMessageTo(h, 2);
  ProcessMessages();
  EXPECT_EQ(count, 1);  // the second message went with the window
  EXPECT_FALSE(IsWindowAlive(h));
}
