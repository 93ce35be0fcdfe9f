// The message queue and timers of platform/base running inside Qt's event loop, the signal pipe
// and the error guard.
#include "editor/ui/MessagePump.h"

#include <gtest/gtest.h>

#include "platform/base/StopRequest.h"

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <stdexcept>
#include <thread>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/ErrorGuard.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/Timer.h"

namespace editor::ui {
namespace {

constexpr int Generous = 10000;  // ms; reached only when something is broken

// Runs a loop until `loop.quit()` or the safety limit; false when the limit ended it.
bool RunLoop(QEventLoop& loop) {
  bool timedOut = false;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
    timedOut = true;
    loop.quit();
  });
  limit.start(Generous);
  loop.exec();
  return !timedOut;
}

TEST(MessagePump, AThreadsBlockingSendIsHandledInTheQtLoop) {
  TMessagePump pump;
  QEventLoop loop;
  std::thread::id handledOn;
  platform::TMessageWindow window([&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
    handledOn = std::this_thread::get_id();
    loop.quit();
    return message + 1;
  });
  std::optional<intptr_t> result;
  std::thread sender([&] { result = platform::SendMessageTo(window.Handle(), 0x401); });
  EXPECT_TRUE(RunLoop(loop));
  sender.join();
  EXPECT_EQ(handledOn, std::this_thread::get_id());
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(*result, 0x402);
}

TEST(MessagePump, AHandlersNestedLoopKeepsMessagesComing) {
  TMessagePump pump;
  QEventLoop outer;
  bool innerHandled = false;
  std::thread sender;
  platform::TMessageWindow inner([&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
    innerHandled = true;
    return 7;
  });
  std::optional<intptr_t> result;
  platform::TMessageWindow window([&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
    // As a modal dialog would: a nested loop inside the handler, while a link thread sends.
    QEventLoop nested;
    sender = std::thread([&] {
      result = platform::SendMessageTo(inner.Handle(), 0x401);
      QMetaObject::invokeMethod(&nested, "quit", Qt::QueuedConnection);
    });
    EXPECT_TRUE(RunLoop(nested));
    outer.quit();
    return 0;
  });
  platform::PostMessageTo(window.Handle(), 0x401);
  EXPECT_TRUE(RunLoop(outer));
  sender.join();
  EXPECT_TRUE(innerHandled);
  EXPECT_EQ(result, 7);
}

TEST(MessagePump, ATimerFiresWithNothingElseQueued) {
  TMessagePump pump;
  QEventLoop loop;
  int fired = 0;
  platform::TTimer timer;
  timer.SetInterval(5);
  timer.SetOnTimer([&] {
    if (++fired == 3) loop.quit();
  });
  EXPECT_TRUE(RunLoop(loop));
  EXPECT_EQ(fired, 3);
}

TEST(MessagePump, AThrowingHandlerIsShownAndTheLoopGoesOn) {
  TMessagePump pump;
  test::TFakeDialogs dialogs;
  TErrorGuard::SetDialogs(&dialogs);
  QEventLoop loop;
  std::vector<int> handled;
  platform::TMessageWindow* self = nullptr;
  platform::TMessageWindow window([&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
    handled.push_back(int(message));
    if (message == 1) throw std::runtime_error(platform::Utf8ToGbk("坏了"));
    if (message == 2) {
      // A Qt event handler that throws: caught where the application delivers events.
      QTimer::singleShot(0, [&] {
        platform::PostMessageTo(self->Handle(), 3);
        throw std::logic_error("from a Qt timer");
      });
    }
    if (message == 3) loop.quit();
    return 0;
  });
  self = &window;
  platform::PostMessageTo(window.Handle(), 1);
  platform::PostMessageTo(window.Handle(), 2);
  EXPECT_TRUE(RunLoop(loop));
  TErrorGuard::SetDialogs(nullptr);
  EXPECT_EQ(handled, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(dialogs.Boxes.size(), 2u);
  EXPECT_EQ(dialogs.Boxes[0].Text, platform::Utf8ToGbk("坏了"));
  EXPECT_EQ(dialogs.Boxes[0].Caption, platform::Utf8ToGbk("提示信息"));
  EXPECT_EQ(dialogs.Boxes[0].Icon, TMessageIcon::Error);
  EXPECT_EQ(dialogs.Boxes[0].Buttons, TMessageButtons::Ok);
  EXPECT_EQ(dialogs.Boxes[1].Text, "from a Qt timer");
}

TEST(MessagePump, SigtermReachesTheLoopThroughThePipe) {
  QEventLoop loop;
  int received = 0;
  {
    TTerminationSignals pipe([&](int signal) {
      received = signal;
      loop.quit();
    });
    ::raise(SIGTERM);
    // Long work on the GUI thread learns of it before the loop runs again.
    EXPECT_TRUE(platform::StopRequested());
    EXPECT_TRUE(RunLoop(loop));
  }
  EXPECT_EQ(received, SIGTERM);
  platform::ClearStopRequest();
}

}  // namespace
}  // namespace editor::ui
