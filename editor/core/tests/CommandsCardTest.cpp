// The main window's card commands and status display against the simulated card over loopback
// UDP, through the project root's real card operations.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "editor/core/StatusTexts.h"
#include "editor/core/tests/CardRig.h"
#include "editor/core/tests/CommandFakes.h"
#include "model/ScreenStatus.h"
#include "platform/base/GbkText.h"
#include "platform/comm/UdpSocket.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using test::TCardRig;
using test::TCommandsRig;

// Time-outs come quickly: one resend after 150 ms.
cardlink::TLinkTiming QuickTimeouts() {
  cardlink::TLinkTiming t = test::ShortTiming();
  t.AnswerTimeoutMs = 150;
  t.Retries = 1;
  return t;
}

struct CardCommands : ::testing::Test {
  explicit CardCommands(cardlink::TLinkTiming timing = test::ShortTiming()) : card(timing) {
    rig.Start();
    card.Connect(rig.Screen().Communicate());
  }
  bool WaitStatus(const model::TLEDScreen& screen, int status) {
    return TCardRig::Pump([&] { return screen.Status() == status; });
  }
  // The kinds of the host's frames up to the read-back command; after it the card sends its
  // content and the host's answers to that follow.
  std::vector<uint16_t> KindsIn() const {
    std::vector<uint16_t> kinds;
    for (const auto& frame : card.Sim.Frames()) {
      if (frame.Direction != cardsim::fdIn || !frame.Valid) continue;
      kinds.push_back(frame.Kind);
      if (frame.Kind == model::ReadDisplayCommand) break;
    }
    return kinds;
  }

  TCardRig card;
  TCommandsRig rig;
};

TEST_F(CardCommands, PowerOnShowsInThePowerPanel) {
  card.Sim.UpdateCard(0, [](cardsim::TCardState& c) { c.Power = 0; });
  rig.Commands->Execute(TCommand::PowerOnCurrent);
  ASSERT_TRUE(WaitStatus(rig.Screen(), model::ssPowerSet));
  EXPECT_EQ(card.Card().Power, 1u);
  EXPECT_EQ(rig.Form->StatusPanelText(5), Utf8ToGbk("电源打开"));
  EXPECT_EQ(rig.Form->StatusPanelText(3), ScreenStatusText(model::ssPowerSet));
  EXPECT_TRUE(rig.Notifier.Notices.empty());

  rig.Commands->Execute(TCommand::PowerOffAll);
  ASSERT_TRUE(WaitStatus(rig.Screen(), model::ssPowerSet));
  ASSERT_TRUE(TCardRig::Pump([&] { return card.Card().Power == 0; }));
  EXPECT_EQ(rig.Form->StatusPanelText(5), Utf8ToGbk("电源关闭"));
}

TEST_F(CardCommands, ACardInAutomaticModeRefusesPower) {
  card.Sim.SetAutomatic(0, true, false);
  rig.Commands->Execute(TCommand::PowerOffCurrent);
  ASSERT_TRUE(WaitStatus(rig.Screen(), model::ssAutoPower));
  EXPECT_EQ(rig.Form->StatusPanelText(3), Utf8ToGbk("处于自动开关屏模式"));
  EXPECT_EQ(card.Card().Power, 1u);
}

TEST_F(CardCommands, RefreshAndReadDisplayQueueTheirReadsInOrder) {
  rig.Commands->Execute(TCommand::RefreshStatus);
  ASSERT_TRUE(WaitStatus(rig.Screen(), model::ssPowerScheduleRead));
  rig.Commands->Execute(TCommand::ReadDisplay);
  ASSERT_TRUE(TCardRig::Pump([&] { return card.Sim.CountFrames(cardsim::fdIn, model::ReadDisplayCommand) == 1; }));
  EXPECT_EQ(KindsIn(), (std::vector<uint16_t>{9, 11, 7, 0x3C, 7, model::ReadDisplayCommand}));
}

TEST_F(CardCommands, TheCampaignTimeGoesOnlyWhenTheDialogWasAccepted) {
  rig.Modal.Answers = {false, true};
  rig.Commands->Execute(TCommand::CampaignTime);
  // Something the card answers, so the line was listened to.
  rig.Commands->Execute(TCommand::AdjustTime);
  ASSERT_TRUE(WaitStatus(rig.Screen(), model::ssClockSet));
  EXPECT_EQ(card.Sim.CountFrames(cardsim::fdIn, 0x1F96), 0u);
  rig.Commands->Execute(TCommand::CampaignTime);
  ASSERT_TRUE(card.Sim.WaitForFrameCount(cardsim::fdIn, 0x1F96, 1, std::chrono::milliseconds(test::kGenerous)));
  EXPECT_EQ(rig.Modal.Shown, (std::vector<TModalDialog>{TModalDialog::CampaignTime, TModalDialog::CampaignTime}));
}

TEST_F(CardCommands, CurrentMeansTheCurrentScreenNotTheFirstOfItsName) {
  cardsim::TCardSim other;
  other.AddCard(0);
  ASSERT_TRUE(other.StartUdp());
  rig.Commands->AddCard();
  model::TLEDScreen& first = *rig.Root().GetScreen(0);
  model::TLEDScreen& second = *rig.Root().GetScreen(1);
  second.SetText(first.Text());
  second.Communicate().SetCommunicationType(model::ctNetWork);
  second.Communicate().SetIP("127.0.0.1");
  second.Communicate().SetRemotePort(other.UdpPort());
  second.Communicate().SetLocalPort(0);
  ASSERT_EQ(&rig.Screen(), &second);

  rig.Commands->Execute(TCommand::PowerOnCurrent);
  ASSERT_TRUE(WaitStatus(second, model::ssPowerSet));
  EXPECT_EQ(other.CountFrames(cardsim::fdIn, 10), 1u);
  EXPECT_EQ(card.Sim.CountFrames(cardsim::fdIn, 10), 0u);
  EXPECT_EQ(first.Status(), model::TLEDScreen::StatusNotKnown);
  other.Stop();
}

struct QuickCardCommands : CardCommands {
  QuickCardCommands() : CardCommands(QuickTimeouts()) {}
};

TEST_F(QuickCardCommands, NoticesNameTheCardThatFailedWhileThePanelsShowTheCurrentOne) {
  // Card 0 is the current screen's; a second, non-current screen talks to card 1, which loses
  // its answers.
  card.Sim.AddCard(1);
  rig.Commands->AddCard();
  model::TLEDScreen& failing = rig.Screen();
  failing.SetText("B");
  failing.SetAddress(1);
  card.Connect(failing.Communicate());
  rig.Commands->TreeChange(rig.Root().GetScreen(0), ScreenLevel);
  model::TLEDScreen& current = rig.Screen();
  ASSERT_NE(&current, &failing);
  card.Sim.AddFault({.Action = cardsim::faDropAnswer, .Kind = 10, .Card = 1, .Times = 0});

  rig.Commands->Execute(TCommand::PowerOnAll);
  ASSERT_TRUE(WaitStatus(failing, model::ssTimedOut));
  ASSERT_TRUE(WaitStatus(current, model::ssPowerSet));
  ASSERT_EQ(rig.Notifier.Notices.size(), 1u);
  EXPECT_EQ(rig.Notifier.Notices[0].Title, "B" + Utf8ToGbk("传输超时"));
  EXPECT_NE(rig.Notifier.Notices[0].Message.find(Utf8ToGbk("不存在地址为") + "1"), std::string::npos);
  EXPECT_EQ(rig.Form->StatusPanelText(1), current.Text());
  EXPECT_EQ(rig.Form->StatusPanelText(3), ScreenStatusText(model::ssPowerSet));

  // A local port another socket holds: the port notice, again for that card.
  platform::TUdpSocket holder;
  ASSERT_TRUE(holder.Bind(0, htonl(INADDR_LOOPBACK)));
  failing.Communicate().SetLocalPort(holder.LocalPort());
  rig.Commands->Execute(TCommand::PowerOnAll);
  ASSERT_TRUE(WaitStatus(failing, model::ssPortError));
  ASSERT_TRUE(WaitStatus(current, model::ssPowerSet));
  ASSERT_EQ(rig.Notifier.Notices.size(), 2u);
  EXPECT_EQ(rig.Notifier.Notices[1].Title, "B" + Utf8ToGbk("无法打开端口") + std::to_string(holder.LocalPort()));
  EXPECT_EQ(rig.Form->StatusPanelText(3), ScreenStatusText(model::ssPowerSet));
}

}  // namespace
}  // namespace editor
