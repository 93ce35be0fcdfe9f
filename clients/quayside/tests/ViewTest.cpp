// The main window offscreen, on a temporary folder with the two files: the first item shown,
// the buttons, closing, the configuration through the password, sending through the window to
// the simulated card, and a link that cannot open.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <memory>

#include "FileSizeLimit.h"
#include "GuiTestSupport.h"
#include "RunAddress.h"
#include "clients/quayside/CardDialog.h"
#include "clients/quayside/ItemSender.h"
#include "clients/quayside/QuaysideFrame.h"
#include "clients/quayside/StationFiles.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"
#include "tools/cardsim/CardSim.h"

namespace quayside {
namespace {

using platform::Utf8ToGbk;
using test::TRecordingBoxes;

// The dialogs as a user would answer them: the password dialog by its answer, the card dialog
// (the real one, driven through its buttons) by an edit.
class TScriptedDialogs final : public TQuaysideDialogs {
 public:
  bool AskPassword(QWidget*) override {
    ++passwordAsked;
    return passwordRight;
  }
  bool EditCards(QWidget*, std::vector<TStationCard>& cards) override {
    TCardDialog dialog(cards, cardBoxes, nullptr);
    if (edit) edit(dialog);
    if (ok)
      dialog.OkButton()->click();
    else
      dialog.reject();
    if (dialog.result() != QDialog::Accepted) return false;
    cards = dialog.Cards();
    return true;
  }
  bool passwordRight = true;
  bool ok = true;
  int passwordAsked = 0;
  std::function<void(TCardDialog&)> edit;
  TRecordingBoxes cardBoxes;  // the card dialog's own
};

TDisplayItem Item(int card, const char* text, const char* sendTime, int autoSend) {
  TDisplayItem item;
  item.CardNo = card;
  item.DisplayText = Utf8ToGbk(text);
  item.DisplayMethod = 3;
  item.DisplaySpeed = 2;
  item.FontName = Utf8ToGbk("宋体");
  item.FontSize = 12;
  item.SendTime = sendTime;
  item.AutoSend = autoSend;
  item.XCOOR = 2;
  item.YCOOR = 4;
  item.DispalyTime = 10;
  return item;
}

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    if (const char* tz = getenv("TZ")) savedTz = tz;
    setenv("TZ", "CST-8", 1);
    tzset();
    test::UseRunAddress();
    cards = {{test::RunAddress(), 128, 32, 1, Utf8ToGbk("站台"), 0},
             {test::RunAddress(), 64, 16, 1, Utf8ToGbk("候车室"), 1}};
    items = {Item(0, "欢迎乘车", "1142899200", 1), Item(1, "检票", "1142902800", 0),
             Item(0, "晚点", "1142906400", 0)};
    ASSERT_TRUE(SaveCards(home.File(CardFileName), cards));
    ASSERT_TRUE(SaveItems(home.File(ItemFileName), items));
  }
  void TearDown() override {
    frame.reset();
    if (holder >= 0) ::close(holder);
    if (savedTz.empty())
      unsetenv("TZ");
    else
      setenv("TZ", savedTz.c_str(), 1);
    tzset();
  }

  void Open() {
    frame = std::make_unique<TQuaysideFrame>(home.Path(), clock, boxes, dialogs);
    frame->show();
  }
  TQuaysideView& view() { return *frame->View(); }
  std::string ItemFileText() const {
    std::string text;
    platform::ReadWholeFile(home.File(ItemFileName), text);
    return text;
  }
  int SelectedRow() {
    const auto rows = view().ItemList()->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  }
  void Rewrite(std::vector<TDisplayItem> list) {
    items = std::move(list);
    ASSERT_TRUE(SaveItems(home.File(ItemFileName), items));
  }

  test::TTempHome home;
  TFakeSecondsClock clock{1714521600};
  TRecordingBoxes boxes;
  TScriptedDialogs dialogs;
  std::vector<TStationCard> cards;
  std::vector<TDisplayItem> items;
  std::unique_ptr<TQuaysideFrame> frame;
  std::string savedTz;
  int holder = -1;
};

TEST_F(View, FrameAndFirstItemShown) {
  Open();
  EXPECT_EQ(QStringLiteral("车站LED控制系统"), frame->windowTitle());
  EXPECT_EQ(QSize(800, 600), frame->size());
  EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(nullptr, frame->menuWidget());
  EXPECT_GE(view().Model().Device(), 0);
  EXPECT_TRUE(view().SendTimer()->isActive());
  EXPECT_EQ(1000, view().SendTimer()->interval());

  QTableWidget* list = view().ItemList();
  ASSERT_EQ(3, list->rowCount());
  EXPECT_EQ(QStringLiteral("站台"), list->item(0, 0)->text());
  EXPECT_FALSE(list->item(0, 0)->icon().isNull());
  EXPECT_EQ(QStringLiteral("08:00:00"), list->item(0, 1)->text());
  EXPECT_EQ(QStringLiteral("09:00:00"), list->item(1, 1)->text());
  EXPECT_EQ(QStringLiteral("检票"), list->item(1, 2)->text());
  EXPECT_EQ(0, SelectedRow());
  EXPECT_EQ(0, view().Model().Selected());

  EXPECT_EQ(QStringLiteral("欢迎乘车"), view().TextEdit()->toPlainText());
  EXPECT_EQ(0, view().CardBox()->currentIndex());
  EXPECT_EQ(2, view().CardBox()->count());
  EXPECT_EQ(QStringLiteral("上滚显示"), view().EffectBox()->currentText());
  EXPECT_EQ(QStringLiteral("三级速度"), view().SpeedBox()->currentText());
  EXPECT_EQ(QStringLiteral("宋体"), view().FontBox()->currentText());
  EXPECT_EQ(QStringLiteral("12"), view().SizeBox()->currentText());
  EXPECT_EQ(QStringLiteral("2"), view().XEdit()->text());
  EXPECT_TRUE(view().AutoSendBox()->isChecked());
  EXPECT_TRUE(view().TimeEdit()->isEnabled());
  EXPECT_EQ(QStringLiteral("08:00:00"), view().TimeEdit()->text());
  // What the form shows reads back as the item.
  EXPECT_EQ(items[0], view().ReadForm());

  // Selecting another row shows it; a time picker of an item not sent daily is disabled.
  list->selectRow(1);
  EXPECT_EQ(1, view().Model().Selected());
  EXPECT_EQ(QStringLiteral("检票"), view().TextEdit()->toPlainText());
  EXPECT_FALSE(view().TimeEdit()->isEnabled());
  EXPECT_EQ(items[1], view().ReadForm());
  // A click that leaves nothing selected selects the current item again.
  list->clearSelection();
  EXPECT_EQ(1, SelectedRow());
}

TEST_F(View, FontsAndSizesTheListsLackAreKept) {
  items[0].FontName = Utf8ToGbk("没有这种字体");
  items[0].FontSize = 9;
  Rewrite(items);
  Open();
  EXPECT_EQ(QStringLiteral("没有这种字体"), view().FontBox()->currentText());
  EXPECT_EQ(QStringLiteral("9"), view().SizeBox()->currentText());
  EXPECT_EQ(items[0], view().ReadForm());
  EXPECT_EQ(QStringLiteral("8"), view().SizeBox()->itemText(0));
  EXPECT_EQ(QStringLiteral("72"), view().SizeBox()->itemText(32));
  EXPECT_EQ(21, view().EffectBox()->count() - 0);
  EXPECT_EQ(7, view().SpeedBox()->count());
}

TEST_F(View, EmptyFolderStartsEmpty) {
  std::filesystem::remove(home.File(ItemFileName));
  std::filesystem::remove(home.File(CardFileName));
  Open();
  EXPECT_EQ(0, view().ItemList()->rowCount());
  EXPECT_EQ(-1, view().Model().Selected());
  EXPECT_EQ(0, view().CardBox()->count());
  EXPECT_EQ(QStringLiteral("00:00:00"), view().TimeEdit()->text());
  EXPECT_EQ(QDate(2006, 3, 21), view().TimeEdit()->date());
  // The font starts from the Song face, not from whichever family the machine lists first.
  EXPECT_EQ(QStringLiteral("宋体"), view().FontBox()->currentText());
  // Nothing selected: modify, delete and send do nothing.
  view().ModifyButton()->click();
  view().DeleteButton()->click();
  view().SendButton()->click();
  EXPECT_TRUE(boxes.asked.empty());
  EXPECT_FALSE(std::filesystem::exists(home.File(ItemFileName)));
}

TEST_F(View, AddAppendsAndSelectsWithoutSaving) {
  Open();
  const std::string before = ItemFileText();
  view().TextEdit()->setPlainText(QStringLiteral("新的通知\n第二行"));
  view().CardBox()->setCurrentIndex(1);
  view().AutoSendBox()->setChecked(false);
  view().AddButton()->click();
  ASSERT_EQ(4, view().ItemList()->rowCount());
  EXPECT_EQ(3, SelectedRow());
  EXPECT_EQ(3, view().Model().Selected());
  const TDisplayItem& added = view().Model().Items()[3];
  EXPECT_EQ(Utf8ToGbk("新的通知\n第二行"), added.DisplayText);
  EXPECT_EQ(1, added.CardNo);
  EXPECT_EQ(0, added.AutoSend);
  EXPECT_EQ(items[0].SendTime, added.SendTime);
  EXPECT_EQ(10, added.DispalyTime);  // kept from the item the form showed
  EXPECT_EQ(before, ItemFileText());
}

TEST_F(View, ModifyAndSaveWriteTheFile) {
  Open();
  for (QPushButton* button : {view().ModifyButton(), view().SaveButton()}) {
    view().ItemList()->selectRow(1);
    const QString text = QStringLiteral("改：") + button->text();
    view().TextEdit()->setPlainText(text);
    view().XEdit()->setText(QStringLiteral("-7"));
    button->click();
    EXPECT_EQ(1, SelectedRow());
    EXPECT_EQ(text, view().ItemList()->item(1, 2)->text());
    const auto saved = LoadItems(home.File(ItemFileName));
    ASSERT_EQ(3u, saved.size());
    EXPECT_EQ(Utf8ToGbk(text.toStdString()), saved[1].DisplayText);
    EXPECT_EQ(-7, saved[1].XCOOR);
    EXPECT_EQ(items[0], saved[0]);
  }
}

TEST_F(View, DeleteAsksAndMovesTheSelection) {
  struct TCase {
    int Count;
    int Row;
    TAnswer Answer;
    int Left;
    int SelectedAfter;
  };
  const TCase cases[] = {
      {3, 0, anYes, 2, 0},    // the first: the new first
      {3, 1, anYes, 2, 0},    // the middle: the one before
      {3, 2, anYes, 2, 1},    // the last: the one before
      {1, 0, anYes, 0, -1},   // the only one: none, and an empty file
      {3, 1, anNo, 3, 1},     {3, 1, anCancel, 3, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Count << " items, row " << c.Row << ", answer "
                                    << c.Answer);
    Rewrite({Item(0, "一", "1142899200", 0), Item(1, "二", "1142899200", 0),
             Item(0, "三", "1142899200", 0)});
    items.resize(size_t(c.Count));
    Rewrite(items);
    const std::string before = ItemFileText();
    Open();
    view().ItemList()->selectRow(c.Row);
    boxes.answers = {c.Answer};
    boxes.asked.clear();
    view().DeleteButton()->click();
    ASSERT_EQ(1u, boxes.asked.size());
    EXPECT_EQ("确定要删除该条记录吗!", boxes.asked[0]);
    EXPECT_EQ(c.Left, view().ItemList()->rowCount());
    EXPECT_EQ(c.SelectedAfter, view().Model().Selected());
    EXPECT_EQ(c.SelectedAfter, SelectedRow());
    const auto saved = LoadItems(home.File(ItemFileName));
    EXPECT_EQ(size_t(c.Left), saved.size());
    if (c.Answer != anYes) {
      EXPECT_EQ(before, ItemFileText());
    }
    if (c.Left == 0) {
      EXPECT_EQ("", ItemFileText());
    }
    if (c.SelectedAfter >= 0) {
      EXPECT_EQ(view().ItemList()->item(c.SelectedAfter, 2)->text(),
                view().TextEdit()->toPlainText());
      if (c.Answer == anYes) {
        std::vector<TDisplayItem> left = items;
        left.erase(left.begin() + c.Row);
        EXPECT_EQ(left, saved);
      }
    }
    frame.reset();
  }
}

TEST_F(View, FailedSaveKeepsTheFileAndSaysWhy) {
  Open();
  const std::string before = ItemFileText();
  view().ItemList()->selectRow(1);
  view().TextEdit()->setPlainText(QString(400, QChar(u'长')));
  {
    test::TFileSizeLimit limit(64);
    view().ModifyButton()->click();
  }
  EXPECT_EQ(before, ItemFileText());
  EXPECT_TRUE(frame->StatusText().startsWith(QStringLiteral("保存数据文件失败: ")))
      << frame->StatusText().toStdString();
  EXPECT_TRUE(frame->StatusText().contains(QStringLiteral("QuaynetData.xml")));
  // The list keeps the change; the next save that works writes it.
  EXPECT_EQ(QString(400, QChar(u'长')), view().ItemList()->item(1, 2)->text());
  view().SaveButton()->click();
  EXPECT_EQ(Utf8ToGbk(QString(400, QChar(u'长')).toStdString()),
            LoadItems(home.File(ItemFileName))[1].DisplayText);
}

TEST_F(View, ClosingSavesAsModify) {
  Open();
  view().ItemList()->selectRow(2);
  view().TextEdit()->setPlainText(QStringLiteral("关闭前的修改"));
  frame->close();
  const auto saved = LoadItems(home.File(ItemFileName));
  ASSERT_EQ(3u, saved.size());
  EXPECT_EQ(Utf8ToGbk("关闭前的修改"), saved[2].DisplayText);
}

TEST_F(View, ConfigureBehindThePassword) {
  Open();
  view().CardBox()->setCurrentIndex(1);
  const std::string cardsBefore = [&] {
    std::string t;
    platform::ReadWholeFile(home.File(CardFileName), t);
    return t;
  }();

  dialogs.passwordRight = false;
  dialogs.edit = [](TCardDialog&) { ADD_FAILURE() << "the card dialog opened"; };
  view().ConfigureButton()->click();
  EXPECT_EQ(1, dialogs.passwordAsked);

  dialogs.passwordRight = true;
  dialogs.ok = false;
  dialogs.edit = [](TCardDialog& d) {
    d.Field(0, TCardDialog::ccName)->setText(QStringLiteral("不保存"));
  };
  view().ConfigureButton()->click();
  std::string now;
  platform::ReadWholeFile(home.File(CardFileName), now);
  EXPECT_EQ(cardsBefore, now);

  dialogs.ok = true;
  dialogs.edit = [](TCardDialog& d) {
    d.Field(1, TCardDialog::ccName)->setText(QStringLiteral("二号候车室"));
    d.Field(0, TCardDialog::ccWidth)->setText(QStringLiteral("192"));
  };
  view().ConfigureButton()->click();
  const auto saved = LoadCards(home.File(CardFileName));
  ASSERT_EQ(2u, saved.size());
  EXPECT_EQ(Utf8ToGbk("二号候车室"), saved[1].Name);
  EXPECT_EQ(192, saved[0].Width);
  EXPECT_EQ(QStringLiteral("二号候车室"), view().CardBox()->itemText(1));
  EXPECT_EQ(1, view().CardBox()->currentIndex());
  EXPECT_EQ(saved, view().Model().Cards());
}

TEST_F(View, CardSizesTheCardCannotTakeAreNotStored) {
  Open();
  const std::string before = [&] {
    std::string t;
    platform::ReadWholeFile(home.File(CardFileName), t);
    return t;
  }();
  dialogs.edit = [](TCardDialog& d) {
    d.Field(0, TCardDialog::ccName)->setText(QStringLiteral("改了名"));
    d.Field(1, TCardDialog::ccHeight)->setText(QStringLiteral("0"));
  };
  view().ConfigureButton()->click();
  ASSERT_EQ(1u, dialogs.cardBoxes.shown.size());
  EXPECT_EQ("显示卡2的高度必须是1至65535之间的数", dialogs.cardBoxes.shown[0].first);
  std::string now;
  platform::ReadWholeFile(home.File(CardFileName), now);
  EXPECT_EQ(before, now);
  EXPECT_EQ(cards, view().Model().Cards());
  EXPECT_EQ(QStringLiteral("站台"), view().CardBox()->itemText(0));
}

TEST_F(View, RefusedSendSaysWhyInTheFirstPane) {
  Open();
  view().XEdit()->setText(QStringLiteral("128"));  // one past the card's right edge
  view().SendButton()->click();
  EXPECT_EQ(QStringLiteral("坐标(128, 4)不在显示卡1“站台”之内，无法发送"), frame->StatusText());
}

TEST_F(View, SendNowReachesTheCard) {
  cardsim::TCardSim sim;
  sim.AddCard(1);
  std::string error;
  ASSERT_TRUE(sim.StartUdp(uint16_t(CardPort), test::RunAddress(), &error)) << error;
  Open();
  view().ItemList()->selectRow(1);
  view().SendButton()->click();
  ASSERT_TRUE(test::WaitUntil([&] { return frame->StatusText() == QStringLiteral("发送完成!"); }));
  ASSERT_EQ(1u, sim.Transfers().size());
  EXPECT_EQ(2, platform::LoadU16(&sim.Transfers()[0].Data[8]));  // the two-colour card's mode
}

TEST_F(View, LinkThatCannotOpen) {
  // Someone else holds UDP port 9999 on the address the view binds.
  holder = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(test::RunIp());
  address.sin_port = htons(9999);
  ASSERT_EQ(0, ::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address));

  cardsim::TCardSim sim;
  sim.AddCard(1);
  std::string error;
  ASSERT_TRUE(sim.StartUdp(uint16_t(CardPort), test::RunAddress(), &error)) << error;
  Open();
  EXPECT_EQ(-1, view().Model().Device());
  EXPECT_EQ(QStringLiteral("无法打开串口"), frame->StatusText());
  view().SendButton()->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(0u, sim.CountFrames(cardsim::fdIn, cardsim::mkStart));
  EXPECT_TRUE(sim.Transfers().empty());
  EXPECT_EQ(QStringLiteral("无法打开串口"), frame->StatusText());
}

}  // namespace
}  // namespace quayside
