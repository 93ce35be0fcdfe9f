// The card-settings dialog, its progress window and its brightness dialog, offscreen: captions,
// items, ranges, the enabling rules, the scan-mode sync, block -> controls -> block, and a short
// session with the simulated card on loopback UDP. Every question is answered by scripted
// dialogs and no modal loop ever runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QValidator>
#include <chrono>
#include <functional>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/ParamSet.h"
#include "editor/ui/Skinning.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinPageControl.h"
#include "editor/ui/QtText.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "tools/cardsim/CardSim.h"

namespace editor::ui {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kCard = 5;
constexpr int kGenerous = 20000;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

Bytes Fixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(std::string(PARAMS_FIXTURES) + "/" + name, content)) << name;
  return Bytes(content.begin(), content.end());
}

// Pumps Qt's events and the thread's message queue until `done` holds.
bool PumpFor(const std::function<bool()>& done, int ms = kGenerous) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    QApplication::processEvents();
    platform::ProcessMessages();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::WaitMessage(10);
  }
}

struct TDialogRig {
  TDialogRig() {
    Sim.AddCard(kCard);
    std::string error;
    EXPECT_TRUE(Sim.StartUdp(0, "127.0.0.1", &error)) << error;
    cardlink::TLinkTiming timing;
    timing.AnswerTimeoutMs = 1000;
    timing.GapMs = 20;
    Manager = std::make_unique<cardlink::TLEDManager>(cardlink::CorvaneManagerPolicy(timing));
    TParamSetOptions options;
    options.LocalUdpPort = 0;
    options.CardPort = Sim.UdpPort();
    options.TimerClock = &Clock;
    options.LocalTime = [] { return platform::TSystemTime{2025, 1, 2, 3, 4, 5, 6, 7}; };
    options.Random = [] { return 9u; };
    Form = std::make_unique<TParamSetForm>(Dialogs, *Manager, platform::TSettingsFile(Dir.File("Param.ini")), options);
    Form->RunModal = [this](QDialog& dialog) {
      ++ModalRuns;
      dialog.show();  // a test never runs a modal loop
    };
  }
  ~TDialogRig() {
    Form.reset();
    Manager.reset();
    Sim.Stop();
  }

  template <typename T>
  T* Find(const char* name) const {
    T* widget = Form->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
  // Links the dialog to the card over UDP.
  void Link() {
    Form->show();
    Find<QComboBox>("CommType")->setCurrentIndex(1);
    Find<TSpinEdit>("Card_Address")->setValue(kCard);
    Find<QLineEdit>("Card_IP_Address")->setText("127.0.0.1");
    Button("LinkButton")->click();
    ASSERT_TRUE(PumpFor([&] { return Button("QueryButton")->isEnabled(); }));
  }

  test::TTempFolder Dir;
  test::TFakeDialogs Dialogs;
  platform::TFakeClock Clock;
  cardsim::TCardSim Sim;
  std::unique_ptr<cardlink::TLEDManager> Manager;
  std::unique_ptr<TParamSetForm> Form;
  int ModalRuns = 0;
};

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

}  // namespace

TEST(ParamSetForm, CaptionsItemsAndRanges) {
  TDialogRig rig;
  rig.Form->show();
  EXPECT_EQ(rig.Form->windowTitle(), U("控制卡设置"));
  EXPECT_EQ(Items(rig.Find<QComboBox>("CommType")), QStringList({U("串口通讯"), U("网络通讯")}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("LED_Type")), QStringList({U("单色显示屏"), U("双色显示屏")}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("uart_Speed")), QStringList({"9600", "14400", "19200", "38400", "57600"}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("Line_Order")), QStringList({"-2", "-1", "0", "+1", "+2"}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("OE_Time")),
            QStringList({U("正常"), U("一倍"), U("二倍"), U("四倍"), U("八倍")}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("Shift_Frequency")),
            QStringList({"12.5MHZ", "10MHZ", "6.25MHZ", "5MHZ", "4.5MHZ"}));
  EXPECT_EQ(Items(rig.Find<QComboBox>("RefreshFreq")), QStringList({"125HZ", "120HZ", "100HZ", "80HZ", "60HZ"}));

  const struct {
    const char* Name;
    int Low, High, Value;
  } spins[] = {{"LED_Width", 8, 2048, 64}, {"LED_Height", 16, 512, 16}, {"LED_Freq", 20, 2000, 20},
               {"Brightness", 0, 7, 0},    {"Address", 0, 31, 0},       {"ScanModeIndex", 0, 63, 0},
               {"locPort", 1, 64, 1},      {"RemotePort", 0, 65535, 0}};
  for (const auto& s : spins) {
    const TSpinEdit* spin = rig.Find<TSpinEdit>(s.Name);
    EXPECT_EQ(spin->minimum(), s.Low) << s.Name;
    EXPECT_EQ(spin->maximum(), s.High) << s.Name;
    EXPECT_EQ(spin->value(), s.Value) << s.Name;
  }

  const auto* pages = rig.Find<skin::TskPageControl>("PageControl1");
  ASSERT_EQ(pages->PageCount(), 4);
  EXPECT_EQ(pages->Page(0)->Caption(), U("基本参数"));
  EXPECT_EQ(pages->Page(1)->Caption(), U("网络通讯参数"));
  EXPECT_EQ(pages->Page(2)->Caption(), U("扫描输出参数"));
  EXPECT_EQ(pages->Page(3)->Caption(), U("级连参数"));

  // Eleven function buttons, all disabled until parameters are read.
  const auto* box = rig.Find<skin::TskGroupBox>("FunctionBox");
  EXPECT_EQ(box->Caption(), U("设置功能"));
  QStringList captions;
  for (const QPushButton* b : box->findChildren<QPushButton*>()) {
    captions << b->text();
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  }
  EXPECT_EQ(captions,
            QStringList({U("查询状态"), U("校正时钟"), U("下载字库"), U("打开电源"), U("关闭电源"), U("更新程序"),
                         U("设置参数"), U("读取参数"), U("调节亮度"), U("导入设置"), U("导出设置")}));
  EXPECT_EQ(rig.Find<QLabel>("StatusPanel0")->text(), U("执行操作"));

  // The scan-mode group has its 23 items, the cascade groups theirs.
  const auto* scanMode = rig.Find<QButtonGroup>("ScanMode");
  ASSERT_EQ(scanMode->buttons().size(), 23);
  EXPECT_EQ(scanMode->button(0)->text(), U("1/16扫描"));
  EXPECT_EQ(scanMode->button(22)->text(), U("静态锁存G"));
  const auto* linkProp = rig.Find<QButtonGroup>("Link_Prop");
  EXPECT_EQ(linkProp->button(0)->text(), U("独立使用"));
  EXPECT_EQ(linkProp->button(1)->text(), U("作为主控"));
  EXPECT_EQ(linkProp->button(2)->text(), U("作为副控"));
  EXPECT_EQ(rig.Find<QAbstractButton>("Report_Self_Address")->text(), U("  是否向远程IP报告控制地址"));

  // The progress window and the brightness dialog.
  EXPECT_EQ(rig.Form->StatusForm().windowTitle(), U("命令执行情况"));
  EXPECT_EQ(rig.Form->StatusForm().findChild<QLabel*>("Panel2")->text(), U("正在执行"));
  EXPECT_EQ(rig.Form->BrightSetForm().windowTitle(), U("显示屏亮度调整"));
  EXPECT_EQ(rig.Form->BrightSetForm().Spin()->maximum(), 7);
}

TEST(ParamSetForm, OnlyPagesThatWereActiveAreEnabled) {
  TDialogRig rig;
  auto* pages = rig.Find<skin::TskPageControl>("PageControl1");
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(pages->Page(i)->isEnabled());
  rig.Form->show();
  EXPECT_TRUE(pages->Page(0)->isEnabled());
  EXPECT_FALSE(pages->Page(2)->isEnabled());
  pages->TabChanged(2);  // as a click on its tab
  EXPECT_EQ(pages->ActivePage(), pages->Page(2));
  EXPECT_TRUE(pages->Page(2)->isEnabled());
  EXPECT_FALSE(pages->Page(3)->isEnabled());
}

TEST(ParamSetForm, ReportFlagAndCascadeTypeEnableTheirControls) {
  TDialogRig rig;
  rig.Form->show();
  auto* pages = rig.Find<skin::TskPageControl>("PageControl1");
  pages->TabChanged(1);
  auto* report = rig.Find<QAbstractButton>("Report_Self_Address");
  const char* const dependants[] = {"RemoteHost", "CardName", "RemotePort", "GateIP", "IPMask"};
  for (const char* name : dependants) EXPECT_FALSE(rig.Find<QWidget>(name)->isEnabled()) << name;
  report->click();
  for (const char* name : dependants) EXPECT_TRUE(rig.Find<QWidget>(name)->isEnabled()) << name;
  const QColor black = QColorFromColorRef(clParamBlack);
  EXPECT_EQ(rig.Find<QWidget>("RemoteHost")->palette().color(QPalette::Text), black);
  report->click();
  EXPECT_EQ(rig.Find<QWidget>("RemoteHost")->palette().color(QPalette::Text), QColorFromColorRef(clParamGrey));
  for (const char* name : dependants) EXPECT_FALSE(rig.Find<QWidget>(name)->isEnabled()) << name;

  pages->TabChanged(3);
  auto* method = rig.Find<skin::TskGroupBox>("Link_method");
  EXPECT_FALSE(method->isEnabled());
  rig.Find<QRadioButton>("Link_Prop_1")->click();
  EXPECT_TRUE(method->isEnabled());
  rig.Find<QRadioButton>("Link_Prop_2")->click();
  EXPECT_TRUE(method->isEnabled());
  rig.Find<QRadioButton>("Link_Prop_0")->click();
  EXPECT_FALSE(method->isEnabled());

  // Filling the controls applies the report rule too.
  rig.Form->SetControls(ControlsFromBlock(Fixture("params_master.bin")));
  EXPECT_TRUE(rig.Find<QWidget>("GateIP")->isEnabled());
  EXPECT_TRUE(method->isEnabled());
}

TEST(ParamSetForm, ScanModeItemAndNumberFollowEachOther) {
  TDialogRig rig;
  rig.Form->show();
  auto* group = rig.Find<QButtonGroup>("ScanMode");
  auto* number = rig.Find<TSpinEdit>("ScanModeIndex");
  rig.Find<QRadioButton>("ScanMode_9")->click();
  EXPECT_EQ(number->value(), 0) << "the page was never active: its controls are disabled";
  rig.Find<skin::TskPageControl>("PageControl1")->TabChanged(2);
  rig.Find<QRadioButton>("ScanMode_9")->click();
  EXPECT_EQ(number->value(), 9);
  number->setValue(22);
  EXPECT_EQ(group->checkedId(), 22);
  number->setValue(23);
  EXPECT_EQ(group->checkedId(), -1);
  number->setValue(63);
  EXPECT_EQ(group->checkedId(), -1);
  number->setValue(0);
  EXPECT_EQ(group->checkedId(), 0);
  // From a block: a number past the items selects none and shows the number.
  rig.Form->SetControls(ControlsFromBlock(Fixture("params_slave.bin")));
  EXPECT_EQ(number->value(), 40);
  EXPECT_EQ(group->checkedId(), -1);
}

TEST(ParamSetForm, BlockToControlsToBlock) {
  TDialogRig rig;
  for (const char* name : {"params_master.bin", "params_slave.bin", "params_alone.bin"}) {
    const Bytes block = Fixture(name);
    rig.Form->SetControls(ControlsFromBlock(block));
    const uint32_t stamp = platform::LoadU32(block.data() + 104);
    const TParamBlock built = BuildParamBlock(rig.Form->Controls(), stamp);
    EXPECT_EQ(Bytes(built.begin(), built.end()), block) << name;
  }
  // What shows: MAC bytes as two upper-case digits, the card name as text.
  rig.Form->SetControls(ControlsFromBlock(Fixture("params_master.bin")));
  EXPECT_EQ(rig.Find<QLineEdit>("MAC1")->text(), "1A");
  EXPECT_EQ(rig.Find<QLineEdit>("CardName")->text(), U("一号屏Main"));
  EXPECT_EQ(rig.Find<QLineEdit>("RemoteHost")->text(), "172.16.0.9");
  EXPECT_EQ(rig.Find<QComboBox>("OE_Time")->currentIndex(), -1);
}

TEST(ParamSetForm, IpFieldsTakeDottedIpv4Only) {
  TDialogRig rig;
  for (const char* name : {"Card_IP_Address", "IPAddress", "RemoteHost", "GateIP", "IPMask"}) {
    const QValidator* v = rig.Find<QLineEdit>(name)->validator();
    ASSERT_NE(v, nullptr) << name;
    auto state = [&](const char* text) {
      QString s = text;
      int pos = 0;
      return v->validate(s, pos);
    };
    EXPECT_EQ(state("192.168.0.99"), QValidator::Acceptable) << name;
    EXPECT_EQ(state("0.0.0.0"), QValidator::Acceptable) << name;
    EXPECT_NE(state("256.1.1.1"), QValidator::Acceptable) << name;
    EXPECT_NE(state("1.2.3"), QValidator::Acceptable) << name;
    EXPECT_NE(state("card.local"), QValidator::Acceptable) << name;
  }
}

TEST(ParamSetForm, ASessionWithTheCard) {
  TDialogRig rig;
  rig.Sim.UpdateCard(kCard, [](cardsim::TCardState& c) {
    const Bytes block = Fixture("params_slave.bin");
    std::copy(block.begin(), block.end(), c.Params.begin());
  });
  rig.Link();
  TStatusForm& status = rig.Form->StatusForm();
  EXPECT_TRUE(status.isVisible());
  EXPECT_EQ(status.windowModality(), Qt::NonModal);
  EXPECT_EQ(status.MessagePanel()->text(), U("读取控制卡参数正常"));
  EXPECT_TRUE(rig.Form->windowTitle().startsWith(U("控制卡设置  [ 通讯方式: 网络通讯  本地端口: ")));
  EXPECT_EQ(rig.Find<TSpinEdit>("LED_Width")->value(), 2048);
  auto* outcome = rig.Form->findChild<TColourPanel*>("StatusPanel2");
  ASSERT_NE(outcome, nullptr);
  EXPECT_EQ(outcome->Text(), U("读取控制卡参数正常  控制卡地址=05"));
  EXPECT_EQ(outcome->Colour(), clParamOutcomeOk);
  EXPECT_EQ(rig.Form->findChild<TColourPanel*>("StatusPanel1")->Colour(), clParamOperation);

  // "设置参数": asked, then the progress window is modal without a loop of its own, and it will
  // not close while the card is awaited.
  rig.Find<TSpinEdit>("LED_Height")->setValue(128);
  rig.Dialogs.Answers = {TMessageAnswer::Yes};
  rig.Button("SetParamButton")->click();
  EXPECT_TRUE(status.isVisible());
  EXPECT_EQ(status.windowModality(), Qt::ApplicationModal);
  EXPECT_FALSE(status.close());
  EXPECT_TRUE(status.isVisible());
  ASSERT_TRUE(PumpFor([&] { return status.MessagePanel()->text() == U("控制卡参数设置成功！"); }));
  EXPECT_EQ(platform::LoadU16(rig.Sim.Card(kCard)->Params.data() + 2), 128);
  EXPECT_TRUE(rig.Button("SetParamButton")->isEnabled());
  EXPECT_TRUE(status.close());

  // "调节亮度": the brightness is read and the dialog shows it; its buttons act on the card.
  rig.Sim.UpdateCard(kCard, [](cardsim::TCardState& c) { c.Brightness = 4; });
  rig.Button("BrightButton")->click();
  EXPECT_EQ(rig.ModalRuns, 1);
  TBrightSetForm& bright = rig.Form->BrightSetForm();
  ASSERT_TRUE(PumpFor([&] { return bright.Value() == 4; }));
  bright.Spin()->setValue(6);
  bright.findChild<QPushButton*>("AdjustButton")->click();
  ASSERT_TRUE(PumpFor([&] { return rig.Sim.Card(kCard)->Brightness == 6; }));
  bright.findChild<QPushButton*>("ReturnButton")->click();
  EXPECT_FALSE(bright.isVisible());

  // The blinking text takes the panel's own face.
  status.SetMessage("x", clParamPanelFace);
  EXPECT_EQ(status.MessagePanel()->palette().color(QPalette::WindowText),
            status.MessagePanel()->palette().color(QPalette::Window));

  // Closing the dialog closes its link and keeps the link settings.
  const int device = rig.Form->Controller().DeviceIndex();
  rig.Form->close();
  EXPECT_EQ(rig.Manager->GetDevice(device), nullptr);
  platform::TSettingsFile settings(rig.Dir.File("Param.ini"));
  EXPECT_EQ(settings.ReadInteger("Param", "CommTypeIndex", -1), 1);
  EXPECT_EQ(settings.ReadInteger("Param", "CardAddress", -1), kCard);
  EXPECT_EQ(settings.ReadString("Param", "CardIPAddress", ""), "127.0.0.1");
  EXPECT_TRUE(rig.Dialogs.Boxes.size() == 1);
}

}  // namespace editor::ui
