// The online card list and the remote server dialog in the program, offscreen, with the listener
// on 127.0.0.1 and test sockets playing the cards.
#include "editor/ui/OnLineList.h"

#include <arpa/inet.h>
#include <poll.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/Main.h"
#include "model/FormConstructEx.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"
#include "platform/comm/UdpSocket.h"

namespace editor::ui {
namespace {

using platform::Utf8ToGbk;
const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// A card, a requester or a remote server on 127.0.0.1.
class TPeer {
 public:
  TPeer() { EXPECT_TRUE(socket_.Bind(0, kLoopback)); }
  uint16_t Port() const { return socket_.LocalPort(); }
  void Report(uint16_t listener, uint32_t id, const std::string& gbkName, uint16_t address = 3) {
    TCardImage image;
    std::copy(gbkName.begin(), gbkName.end(), image.Bytes.begin());
    platform::StoreU32(image.Bytes.data() + 32, id);
    platform::StoreU16(image.Bytes.data() + 40, address);
    uint8_t datagram[OnLineEntrySize];
    platform::StoreU32(datagram, CardReportMagic);
    std::copy(image.Bytes.begin(), image.Bytes.end(), datagram + 4);
    ASSERT_TRUE(socket_.SendTo(datagram, sizeof datagram, kLoopback, htons(listener)));
  }
  // Waits for one datagram.
  std::vector<uint8_t> Receive() {
    pollfd p{socket_.Fd(), POLLIN, 0};
    if (::poll(&p, 1, 5000) != 1) return {};
    std::vector<uint8_t> buffer(2048);
    uint32_t ip;
    uint16_t port;
    buffer.resize(socket_.ReceiveFrom(buffer.data(), buffer.size(), ip, port));
    return buffer;
  }

 private:
  platform::TUdpSocket socket_;
};

struct TProgram {
  test::TTempFolder Dir;
  test::TFakeDialogs Dialogs;
  test::TFakeClipboard Clipboard;
  int TreeRebuilds = 0;
  // False: the main window's own tree rebuild, as the program has it.
  bool CountRebuilds = true;
  std::unique_ptr<TCorvane> Corvane;

  bool Start() {
    TStartupOptions options;
    options.SplashMs = 0;
    options.Dialogs = &Dialogs;
    options.Clipboard = &Clipboard;
    options.Main.ProgramDir = Dir.Path();
    if (CountRebuilds) options.Hooks.RebuildTree = [this] { ++TreeRebuilds; };
    options.HandleSignals = false;
    options.OnLinePort = 0;
    options.OnLineAddress = kLoopback;
    Corvane = std::make_unique<TCorvane>(std::move(options));
    return Corvane->Start();
  }
  ~TProgram() { Corvane.reset(); }
  // The main window's project root (an empty project: no "Default.spj" in the folder).
  model::TConstructer* Root() { return Corvane->MainWindow()->Form().ProjectRoot(); }
  TOnLineForm& Form() { return *Corvane->OnLineForm(); }
  uint16_t ListenerPort() { return Corvane->Application().OnLineListener()->LocalPort(); }
  QString Cell(int viewRow, int column) {
    QAbstractItemModel* model = Form().Grid()->model();
    return model->data(model->index(viewRow, column)).toString();
  }
  void ClickRow(int viewRow) {
    QTableView* grid = Form().Grid();
    QRect cell = grid->visualRect(grid->model()->index(viewRow, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
};

TEST(OnLineForm, ListsReportedCardsInTheShownDialog) {
  platform::TFakeWallClock wall(*platform::EncodeDateTime({2024, 5, 6, 7, 8, 9, 0}));
  platform::TScopedWallClock useWall(wall);
  TProgram program;
  ASSERT_TRUE(program.Start());
  TOnLineForm& form = program.Form();
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("在线显示屏列表"));
  EXPECT_EQ(form.objectName(), "OnLineForm");
  EXPECT_EQ(form.Grid()->objectName(), "sg");
  EXPECT_EQ(form.ImportButton()->text(), QString::fromUtf8("引入选中控制卡"));
  EXPECT_EQ(form.CloseButton()->text(), QString::fromUtf8("退出[&X]"));
  QAbstractItemModel* model = form.Grid()->model();
  const char* headings[] = {"控制卡名称", "硬件地址", "IP地址", "端口号", "设备标识", "最后通讯时间"};
  ASSERT_EQ(model->columnCount(), 6);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(headings[c]));

  form.show();  // as the command would, without a modal loop
  EXPECT_EQ(model->rowCount(), 31);  // 32 with the heading row
  TPeer card;
  card.Report(program.ListenerPort(), 0xABCD, Utf8ToGbk("东门"), 513);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program.Cell(0, 0).isEmpty(); }, 5000));
  EXPECT_EQ(program.Cell(0, 0), QString::fromUtf8("东门"));
  EXPECT_EQ(program.Cell(0, 1), "513");
  EXPECT_EQ(program.Cell(0, 2), "127.0.0.1");
  EXPECT_EQ(program.Cell(0, 3), QString::number(card.Port()));
  EXPECT_EQ(program.Cell(0, 4), "0x0000ABCD");
  EXPECT_EQ(program.Cell(0, 5), "2024-05-06 07:08:09");
  EXPECT_EQ(program.Cell(1, 0), "");

  // More cards than rows: the grid grows to count + 1.
  for (uint32_t id = 1; id < 40; ++id) card.Report(program.ListenerPort(), id, "c" + std::to_string(id));
  ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount() == 40; }, 5000));
  EXPECT_EQ(program.Cell(39, 0), "c39");
  form.close();
}

TEST(OnLineForm, ImportFollowsTheNameRule) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TOnLineForm& form = program.Form();
  form.show();
  TPeer card;
  card.Report(program.ListenerPort(), 1, Utf8ToGbk("控制卡0"));  // the default screen's name
  card.Report(program.ListenerPort(), 2, "north", 9);
  ASSERT_TRUE(QTest::qWaitFor([&] { return program.Cell(1, 0) == "north"; }, 5000));

  program.ClickRow(0);
  EXPECT_FALSE(form.ImportButton()->isEnabled());
  program.ClickRow(1);
  EXPECT_TRUE(form.ImportButton()->isEnabled());
  program.TreeRebuilds = 0;  // first show built it
  QTest::mouseClick(form.ImportButton(), Qt::LeftButton);
  ASSERT_EQ(program.Root()->ScreenCount(), 2);
  model::TLEDScreen* screen = program.Root()->GetScreen(1);
  EXPECT_EQ(screen->Text(), "north");
  EXPECT_EQ(screen->Address(), 9);
  EXPECT_EQ(screen->Communicate().IP(), "127.0.0.1");
  EXPECT_EQ(screen->Communicate().RemotePort(), card.Port());
  EXPECT_EQ(screen->Communicate().LocalPort(), 5182);
  EXPECT_TRUE(program.Corvane->MainWindow()->Form().Modified());
  EXPECT_EQ(program.TreeRebuilds, 1);

  // Pressed again for the same card: the name exists now.
  QTest::mouseClick(form.ImportButton(), Qt::LeftButton);
  ASSERT_EQ(program.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(platform::GbkToUtf8(program.Dialogs.Boxes[0].Text), "\"north\" 已存在，无法引入!");
  EXPECT_EQ(program.Root()->ScreenCount(), 2);
  program.ClickRow(1);
  EXPECT_FALSE(form.ImportButton()->isEnabled());
  // An empty row enables the button and imports nothing.
  program.ClickRow(5);
  EXPECT_TRUE(form.ImportButton()->isEnabled());
  QTest::mouseClick(form.ImportButton(), Qt::LeftButton);
  EXPECT_EQ(program.Root()->ScreenCount(), 2);
  form.close();
}

// The dialog reaches the main window's project and its object tree.
TEST(OnLineForm, AnImportShowsInTheMainWindowsTree) {
  TProgram program;
  program.CountRebuilds = false;
  ASSERT_TRUE(program.Start());
  TOnLineForm& form = program.Form();
  form.show();
  TPeer card;
  card.Report(program.ListenerPort(), 2, "north", 9);
  ASSERT_TRUE(QTest::qWaitFor([&] { return program.Cell(0, 0) == "north"; }, 5000));
  program.ClickRow(0);
  QTest::mouseClick(form.ImportButton(), Qt::LeftButton);
  QTreeWidget* tree = program.Corvane->MainWindow()->ObjectList();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "north");
  EXPECT_EQ(program.Root()->GetScreen(1)->Text(), "north");
  form.close();
}

TEST(OnLineForm, TheListenerStartsWithTheProgramAndStopsBeforeItsForms) {
  TPeer server;
  TProgram program;
  program.Dir.Write("Param.ini", "[Param]\r\nAutoDownLoad=1\r\nRemoteServerIP=127.0.0.1\r\nRemoteServerPort=" +
                                     std::to_string(server.Port()) + "\r\n");
  ASSERT_TRUE(program.Start());
  TTransfer* listener = program.Corvane->Application().OnLineListener();
  ASSERT_NE(listener, nullptr);
  EXPECT_TRUE(listener->Running());
  // It read the remote server from "Param.ini" as it started.
  EXPECT_EQ(server.Receive(), (std::vector<uint8_t>{0x55, 0xAA, 0x55, 0xAA}));

  const uint16_t port = program.ListenerPort();
  program.Corvane.reset();
  platform::TUdpSocket again;
  EXPECT_TRUE(again.Bind(port, kLoopback));  // the listener's socket is closed
}

TEST(SetRemoteServerForm, WritesItsThreeKeys) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  TSetRemoteServerForm* form = program.Corvane->SetRemoteServerForm();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("远程服务器设置"));
  EXPECT_EQ(form->AutoDownLoadSelect()->text(), QString::fromUtf8("自动从远程服务器下载在线控制卡信息"));
  EXPECT_EQ(form->OkButton()->text(), QString::fromUtf8("确  定"));
  EXPECT_EQ(form->BackButton()->text(), QString::fromUtf8("返  回"));
  EXPECT_EQ(form->RemoteServerIP()->maxLength(), 15);
  EXPECT_EQ(form->RemoteServerPort()->minimum(), 0);
  EXPECT_EQ(form->RemoteServerPort()->maximum(), 65535);

  form->show();
  EXPECT_EQ(form->RemoteServerIP()->text(), "192.168.0.1");
  EXPECT_EQ(form->RemoteServerPort()->value(), 8888);
  EXPECT_FALSE(form->AutoDownLoadSelect()->isChecked());

  // "返  回" writes nothing.
  form->RemoteServerIP()->setText("10.0.0.1");
  QTest::mouseClick(form->BackButton(), Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(program.Dir.Exists("Param.ini") &&
               platform::TSettingsFile(program.Dir.File("Param.ini")).ValueExists("Param", "RemoteServerIP"));

  form->show();
  form->RemoteServerIP()->setText("127.0.0.1");
  form->RemoteServerPort()->setValue(9000);
  form->AutoDownLoadSelect()->setChecked(true);
  QTest::mouseClick(form->OkButton(), Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Accepted);
  // Saved as the dialog closes.
  const platform::TSettingsFile settings(program.Dir.File("Param.ini"));
  EXPECT_EQ(settings.ReadString("Param", "RemoteServerIP", ""), "127.0.0.1");
  EXPECT_EQ(settings.ReadString("Param", "RemoteServerPort", ""), "9000");
  EXPECT_EQ(settings.ReadString("Param", "AutoDownLoad", ""), "1");

  form->show();  // shows what is stored
  EXPECT_EQ(form->RemoteServerPort()->value(), 9000);
  EXPECT_TRUE(form->AutoDownLoadSelect()->isChecked());
  form->AutoDownLoadSelect()->setChecked(false);
  QTest::mouseClick(form->OkButton(), Qt::LeftButton);
  EXPECT_EQ(platform::TSettingsFile(program.Dir.File("Param.ini")).ReadString("Param", "AutoDownLoad", ""), "0");
}

}  // namespace
}  // namespace editor::ui
