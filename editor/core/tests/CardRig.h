#pragma once
// The editor's tests against the simulated card over loopback UDP: a link manager with short
// timing for the project roots' card operations, and a card line. The test thread is the GUI
// thread: it pumps while it waits, and every wait has a generous limit that only a fault
// reaches.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/stream/StreamContext.h"
#include "platform/base/MessageWindow.h"
#include "tools/cardsim/CardSim.h"

namespace editor::test {

inline constexpr int kGenerous = 20000;  // ms

// Answers within a millisecond on loopback; the answer time-out only has to outlast a busy
// machine's stalls (and the one answer a test holds back).
inline cardlink::TLinkTiming ShortTiming() {
  cardlink::TLinkTiming t;
  t.AnswerTimeoutMs = 3000;
  t.Retries = 6;
  t.Burst = 1;
  t.ReceiveIdleMs = 3000;
  t.GapMs = 10;
  t.SerialPauseMs = 1;
  return t;
}

// The link manager for the card operations, and the card line (card 0 on it).
class TCardRig {
 public:
  explicit TCardRig(cardlink::TLinkTiming timing = ShortTiming()) {
    model::SetLoadMode(model::LoadModeNormal);
    model::StreamContext().Reset();
    manager_ = std::make_unique<cardlink::TLEDManager>(cardlink::CorvaneManagerPolicy(timing));
    model::SetLEDManager(manager_.get());
    Sim.AddCard(0);
    std::string error;
    EXPECT_TRUE(Sim.StartUdp(0, "127.0.0.1", &error)) << error;
  }
  ~TCardRig() {
    Sim.Stop();
    model::SetLEDManager(nullptr);
    manager_.reset();
    model::StreamContext().Reset();
  }
  // Points a link at the simulated card, on any free local port.
  void Connect(model::TCommunication& link) const {
    link.SetCommunicationType(model::ctNetWork);
    link.SetIP("127.0.0.1");
    link.SetRemotePort(Sim.UdpPort());
    link.SetLocalPort(0);
  }
  // Pumps the thread's queue until `done` holds; `step` runs each round (a fake clock moving).
  static bool Pump(const std::function<bool()>& done, const std::function<void()>& step = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerous);
    for (;;) {
      platform::ProcessMessages();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (step) step();
      platform::WaitMessage(2);
    }
  }
  cardsim::TCardState Card() const { return *Sim.Card(0); }

  cardsim::TCardSim Sim{{.AnswerTimeoutMs = 500, .Retries = 5}};

 private:
  std::unique_ptr<cardlink::TLEDManager> manager_;
};

}  // namespace editor::test
