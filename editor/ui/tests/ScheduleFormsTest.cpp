// The schedule, brightness and automatic-send dialogs, offscreen and never modal: they are shown
// as plain windows and driven with clicks and keys.
#include "editor/ui/ScheduleForms.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/tests/ProgramOptions.h"

#include "editor/ui/AutoSendForms.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/GridTable.h"
#include "editor/ui/Main.h"
#include "model/FormConstructEx.h"
#include "model/ScreenStatus.h"
#include "platform/base/GbkText.h"

namespace editor::ui {
namespace {

using platform::Utf8ToGbk;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

class TFakeOperations : public TScheduleOperations {
 public:
  void ReadPowerSchedule(model::TLEDScreen&) override { Calls.push_back("ReadPowerSchedule"); }
  void WritePowerSchedule(model::TLEDScreen&, std::span<const uint8_t, PowerScheduleSize>) override {
    Calls.push_back("WritePowerSchedule");
  }
  void ReadBrightSchedule(model::TLEDScreen&) override { Calls.push_back("ReadBrightSchedule"); }
  void WriteBrightSchedule(model::TLEDScreen&, std::span<const uint8_t, BrightScheduleSize>) override {
    Calls.push_back("WriteBrightSchedule");
  }
  void SetBright(model::TLEDScreen&, int32_t level) override { Calls.push_back("SetBright " + std::to_string(level)); }
  std::vector<std::string> Calls;
};

class ScheduleDialogs : public ::testing::Test {
 protected:
  TScheduleFormContext Context() { return {&dialogs_, &operations_, [this] { return root_.GetScreen(0); }, {}}; }
  QPushButton* Button(QWidget* form, const char* caption) {
    for (auto* button : form->findChildren<QPushButton*>())
      if (button->text() == Text(caption)) return button;
    ADD_FAILURE() << caption;
    return nullptr;
  }
  std::vector<QString> Headings(TGridTable* grid) {
    std::vector<QString> headings;
    for (int col = 0; col < grid->columnCount(); ++col) headings.push_back(grid->horizontalHeaderItem(col)->text());
    return headings;
  }
  void Click(TGridTable* grid, int col, int gridRow) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, gridRow).center());
  }

  model::TConstructer root_{nullptr};
  test::TFakeDialogs dialogs_;
  TFakeOperations operations_;
};

TEST_F(ScheduleDialogs, PowerScheduleDialogAsDesigned) {
  TAutoCloseForm form(Context());
  form.show();
  EXPECT_EQ(form.objectName(), "AutoCloseForm");
  EXPECT_EQ(form.windowTitle(), Text("自动开关屏设置-->控制卡0"));
  TGridTable* grid = form.Grid();
  EXPECT_EQ(grid->objectName(), "StringGrid1");
  EXPECT_EQ(grid->columnCount(), 3);
  EXPECT_EQ(grid->rowCount() + 1, 8) << "the heading row is the header";
  EXPECT_EQ(Headings(grid), (std::vector<QString>{Text("日期"), Text("开屏时间"), Text("关屏时间")}));
  EXPECT_EQ(grid->item(0, 0)->text(), Text("星期日"));
  EXPECT_EQ(grid->item(6, 0)->text(), Text("星期六"));
  EXPECT_EQ(grid->item(6, 2)->text(), "00:00:00");
  EXPECT_EQ(form.AutoPower()->objectName(), "blAutoPower");
  EXPECT_EQ(form.AutoPower()->text(), Text(" 是否自动开关屏"));
  EXPECT_EQ(form.TimePicker()->objectName(), "TimePicker");
  EXPECT_EQ(form.TimePicker()->displayFormat(), "HH:mm:ss");
  EXPECT_FALSE(form.TimePicker()->isVisible());
  for (const char* caption : {"下  载", "刷  新", "导  入", "导  出", "返  回"}) EXPECT_TRUE(Button(&form, caption));
}

TEST_F(ScheduleDialogs, ThePickerCoversTheClickedCellAndWritesItsTime) {
  TAutoCloseForm form(Context());
  form.show();
  form.Controller().SetCell(2, 3, "21:56:33");
  Click(form.Grid(), 2, 3);
  QTimeEdit* picker = form.TimePicker();
  ASSERT_TRUE(picker->isVisible());
  EXPECT_EQ(picker->geometry(), form.Grid()->CellRect(2, 3));
  EXPECT_EQ(picker->time(), QTime(21, 56, 33));
  picker->setTime(QTime(8, 7, 6));
  EXPECT_EQ(form.Grid()->item(2, 2)->text(), "08:07:06");
  EXPECT_EQ(form.Controller().Cell(2, 3), "08:07:06");

  Click(form.Grid(), 0, 5);
  EXPECT_FALSE(picker->isVisible());
}

TEST_F(ScheduleDialogs, AReadScheduleFillsTheVisibleDialogAndDownloadSendsIt) {
  TAutoCloseForm form(Context());
  form.show();
  model::TLEDScreen* screen = root_.GetScreen(0);
  uint8_t* block = screen->PowerSchedule().data();
  platform::StoreU32(block, ScheduleMarker);
  platform::StoreU32(block + 4 + 8 * 2, 9 * 3600000);  // Tuesday on at 09:00
  screen->SetStatus(model::ssPowerScheduleRead);
  form.Controller().StatusChanged(*screen);
  EXPECT_TRUE(form.AutoPower()->isChecked());
  EXPECT_EQ(form.Grid()->item(2, 1)->text(), "09:00:00");

  form.AutoPower()->setChecked(false);
  EXPECT_FALSE(form.Controller().Auto());
  Button(&form, "下  载")->click();
  EXPECT_EQ(operations_.Calls, std::vector<std::string>{"WritePowerSchedule"});
}

TEST_F(ScheduleDialogs, AnInvalidCellIsReportedAndNothingIsSent) {
  TErrorGuard::SetDialogs(&dialogs_);
  TAutoCloseForm form(Context());
  form.show();
  form.Controller().SetCell(1, 2, "25:00:00");
  Button(&form, "下  载")->click();
  TErrorGuard::SetDialogs(nullptr);
  EXPECT_TRUE(operations_.Calls.empty());
  ASSERT_EQ(dialogs_.Boxes.size(), 1u);
  EXPECT_EQ(dialogs_.Boxes[0].Text, Utf8ToGbk("星期一开屏时间 \"25:00:00\" 不是有效的时间，请重新设置"));
}

TEST_F(ScheduleDialogs, BrightnessScheduleDialogAndItsDropDown) {
  root_.GetScreen(0)->BrightSchedule()[4 + 13] = 3;  // hour 13
  TAutoBrightForm form(Context());
  form.show();
  EXPECT_EQ(form.objectName(), "AutoBrightForm");
  EXPECT_EQ(form.windowTitle(), Text("自动亮度调节设置-->控制卡0"));
  TGridTable* grid = form.Grid();
  EXPECT_EQ(grid->objectName(), "BrightTable");
  EXPECT_EQ(grid->columnCount(), 4);
  EXPECT_EQ(grid->rowCount() + 1, 13);
  EXPECT_EQ(Headings(grid), (std::vector<QString>{Text("          时间段"), Text("      亮度等级"),
                                                  Text("          时间段"), Text("      亮度等级")}));
  EXPECT_EQ(grid->item(1, 2)->text(), "13:00 --- 13:59");
  EXPECT_EQ(grid->item(1, 3)->text(), Text("3级亮度"));
  EXPECT_EQ(form.AutoBright()->text(), Text(" 是否自动进行亮度调节"));
  QComboBox* picker = form.BrightPicker();
  EXPECT_EQ(picker->objectName(), "BrightPicker");
  ASSERT_EQ(picker->count(), 8);
  EXPECT_EQ(picker->itemText(7), Text("7级亮度"));
  EXPECT_FALSE(picker->isVisible());

  Click(grid, 3, 2);
  ASSERT_TRUE(picker->isVisible());
  EXPECT_EQ(picker->geometry(), grid->CellRect(3, 2));
  EXPECT_EQ(picker->currentIndex(), 3);
  QTest::keyClick(picker, Qt::Key_Down);
  EXPECT_EQ(grid->item(1, 3)->text(), Text("4级亮度"));
  EXPECT_EQ(form.Controller().Cell(3, 2), Utf8ToGbk("4级亮度"));

  Click(grid, 0, 2);
  EXPECT_FALSE(picker->isVisible());
  for (const char* caption : {"刷  新", "下  载", "导  出", "导  入", "返  回"}) EXPECT_TRUE(Button(&form, caption));
  Button(&form, "刷  新")->click();
  EXPECT_EQ(operations_.Calls, std::vector<std::string>{"ReadBrightSchedule"});
}

TEST_F(ScheduleDialogs, ManualBrightnessSendsTheSpinsValue) {
  TBrightAdjustForm form(Context());
  form.show();
  EXPECT_EQ(form.windowTitle(), Text("显示屏亮度调节"));
  EXPECT_EQ(form.Spin()->objectName(), "SpinEdit1");
  EXPECT_EQ(form.Spin()->minimum(), 0);
  EXPECT_EQ(form.Spin()->maximum(), 7);
  bool hint = false;
  for (auto* label : form.findChildren<QLabel*>())
    hint = hint || label->text() == Text("(亮度值在 0 - 7 之间, 0最暗 7最亮)");
  EXPECT_TRUE(hint);
  form.Controller().SetValue(2);
  EXPECT_EQ(form.Spin()->value(), 2);
  form.Spin()->setValue(5);
  Button(&form, "调  节")->click();
  EXPECT_EQ(operations_.Calls, std::vector<std::string>{"SetBright 5"});
}

// ---- Automatic sending ---------------------------------------------------------------------

class AutoSendDialog : public ::testing::Test {
 protected:
  AutoSendDialog() {
    options_.ListPath = dir_.File("AutoSend.Lst");
    options_.Clock = &clock_;
  }
  test::TTempFolder dir_;
  test::TFakeDialogs dialogs_;
  platform::TFakeClock clock_;
  TAutoSendOptions options_;
};

TEST_F(AutoSendDialog, CaptionsHeadingsAndTheMark) {
  TAutoSend sender(dialogs_, options_);
  TAutoSendForm form(sender);
  form.show();
  EXPECT_EQ(form.windowTitle(), Text("自动发送设置"));
  TGridTable* grid = form.Grid();
  EXPECT_EQ(grid->objectName(), "ItemGrid");
  EXPECT_EQ(grid->columnCount(), 2);
  EXPECT_EQ(grid->rowCount() + 1, 20);
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), Text("是否发送"));
  EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), Text("文件名"));
  std::vector<QString> actions;
  for (QAction* action : form.findChildren<QAction*>())
    if (!action->text().isEmpty()) actions.push_back(action->text());
  for (const char* caption : {"保 存", "设定间隔时间", "启 动", "返 回"})
    EXPECT_NE(std::find(actions.begin(), actions.end(), Text(caption)), actions.end()) << caption;

  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(0, 4).center());
  EXPECT_EQ(grid->item(3, 0)->text(), Text("   √"));
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(0, 4).center());
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(0, 4).center());
  EXPECT_EQ(grid->item(3, 0)->text(), "");
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(1, 4).center());
  EXPECT_EQ(grid->item(3, 0)->text(), "");

  form.StartAction()->trigger();
  EXPECT_EQ(form.StartAction()->text(), Text("停 止"));
  EXPECT_TRUE(sender.Running());
  form.close();
  EXPECT_TRUE(sender.Running()) << "closing the dialog leaves sending running";
  form.show();
  form.StartAction()->trigger();
  EXPECT_EQ(form.StartAction()->text(), Text("启 动"));
}

TEST_F(AutoSendDialog, ThePickerSitsAtTheRightEndOfTheCurrentRowAndFollowsScrolling) {
  TAutoSend sender(dialogs_, options_);
  TAutoSendForm form(sender);
  form.resize(600, 260);  // some rows out of view
  form.show();
  TGridTable* grid = form.Grid();
  QToolButton* picker = form.FilePicker();
  EXPECT_EQ(picker->objectName(), "FilePicker");
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(1, 3).center());
  ASSERT_EQ(form.CurrentRow(), 3);
  ASSERT_TRUE(picker->isVisible());
  // Where the picker sits on the grid, whatever widget of the skinned window holds it: at the
  // right end of the row's file cell, inside the cell and clear of the scroll bar.
  auto onGrid = [&] { return QRect(grid->viewport()->mapFromGlobal(picker->mapToGlobal(QPoint(0, 0))), picker->size()); };
  const int cellEnd = grid->columnViewportPosition(1) + grid->columnWidth(1);
  EXPECT_EQ(onGrid().right(), cellEnd);
  EXPECT_EQ(onGrid().top(), grid->rowViewportPosition(2) + 2);
  EXPECT_TRUE(grid->viewport()->rect().contains(onGrid())) << "not over the scroll bar";

  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
  EXPECT_FALSE(picker->isVisible()) << "row 3 is scrolled out of view";
  grid->setCurrentCell(18, 1);
  ASSERT_TRUE(picker->isVisible());
  EXPECT_EQ(onGrid().right(), cellEnd);
  EXPECT_EQ(onGrid().top(), grid->rowViewportPosition(18) + 2);

  dialogs_.Files.push_back("/show/one.fmt");
  picker->click();
  EXPECT_EQ(grid->item(18, 1)->text(), "/show/one.fmt");
  EXPECT_EQ(sender.Cell(1, 19), "/show/one.fmt");
}

TEST_F(AutoSendDialog, TheIntervalDialogSetsTheInterval) {
  TAutoSendTimeForm time;
  EXPECT_EQ(time.windowTitle(), Text("自动发送时间间隔"));
  EXPECT_EQ(time.Spin()->objectName(), "SpinEdit1");
  EXPECT_EQ(time.Spin()->minimum(), 10);
  EXPECT_EQ(time.Spin()->maximum(), 65535);
  EXPECT_EQ(time.Spin()->value(), 10);
  int buttons = 0;
  for (auto* button : time.findChildren<QPushButton*>())
    buttons += button->text() == Text("确  定") || button->text() == Text("返  回");
  EXPECT_EQ(buttons, 2);
}

TEST_F(AutoSendDialog, TheProgramKeepsTheSenderFromStartUpToTheEnd) {
  {
    TAutoSendList list;
    list.Interval = 25;
    list.Entries[0] = {true, "/show/one.fmt"};
    const auto block = EncodeAutoSendList(list);
    dir_.Write("AutoSend.Lst", std::string(block.begin(), block.end()));
  }
  test::TFakeClipboard clipboard;
  TStartupOptions options = test::ProgramOptions(dir_.Path(), dialogs_, clipboard);
  options.AutoSend.Clock = &clock_;
  TCorvane program(std::move(options));
  ASSERT_TRUE(program.Start());
  TAutoSend* sender = program.Application().AutoSend();
  ASSERT_TRUE(sender);
  EXPECT_EQ(sender->ListPath(), dir_.File("AutoSend.Lst"));
  EXPECT_EQ(sender->Root().Owner(), nullptr) << "a project root of its own";
  EXPECT_FALSE(sender->Root().OnStatusChanged) << "its outcomes are not shown";
  TAutoSendForm* form = program.AutoSendForm();
  ASSERT_TRUE(form);
  EXPECT_TRUE(program.Form("TAutoSendTimeForm"));
  form->show();
  EXPECT_EQ(form->Grid()->item(0, 1)->text(), "/show/one.fmt");
  EXPECT_EQ(form->Grid()->item(0, 0)->text(), Text("   √"));
  EXPECT_EQ(sender->TimeValue(), 25);
  form->close();
}

TEST_F(ScheduleDialogs, TheProgramsDialogsActOnTheMainWindowsCurrentScreen) {
  test::TTempFolder dir;
  test::TFakeClipboard clipboard;
  TStartupOptions options = test::ProgramOptions(dir.Path(), dialogs_, clipboard);
  TCorvane program(std::move(options));
  ASSERT_TRUE(program.Start());
  model::TConstructer& root = *program.MainWindow()->Form().ProjectRoot();
  root.AddScreen("");
  TAutoCloseForm* power = program.AutoCloseForm();
  TAutoBrightForm* bright = program.AutoBrightForm();
  ASSERT_TRUE(power && bright && program.BrightAdjustForm() && program.AutoSendForm());
  program.MainWindow()->Form().SetCurrentScreen(1);
  model::TLEDScreen* second = root.GetScreen(1);

  power->show();
  EXPECT_EQ(power->windowTitle(), Text("自动开关屏设置-->控制卡1"));
  platform::StoreU32(second->PowerSchedule().data() + 4, 6 * 3600000);  // Sunday on at 06:00
  second->SetStatus(model::ssPowerScheduleRead);
  root.OnStatusChanged(second);  // as the card operations tell it
  EXPECT_EQ(power->Grid()->item(0, 1)->text(), "06:00:00");

  second->BrightSchedule()[4] = 2;
  second->SetStatus(model::ssBrightScheduleRead);
  program.ScheduleCommands().ScreenStatusChanged(*second);  // the brightness dialog is hidden
  bright->show();
  EXPECT_EQ(bright->Grid()->item(0, 1)->text(), Text("2级亮度")) << "its show fills it";
  second->BrightSchedule()[4] = 6;
  program.ScheduleCommands().ScreenStatusChanged(*second);
  EXPECT_EQ(bright->Grid()->item(0, 1)->text(), Text("6级亮度"));
  power->close();
  bright->close();
}

}  // namespace
}  // namespace editor::ui
