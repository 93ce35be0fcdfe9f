// The password, project, sub-card, date-time, campaign and text dialogs, offscreen: their
// captions, names, buttons and icons, the rich text through Qt's document and back, and the
// dialogs answering the program's slots and the main window's commands. The user's part is played inside the run that stands
// for the modal loop, so no modal loop ever runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>

#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimeEdit>
#include <QTreeView>
#include <QTreeWidget>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/DateTimeInput.h"
#include "editor/ui/Main.h"
#include "editor/ui/ProjectForm.h"
#include "editor/ui/QtDialogs.h"
#include "editor/ui/QtText.h"
#include "editor/ui/SystemPassword.h"
#include "editor/ui/TextInput.h"
#include "editor/ui/tests/Program.h"
#include "model/CardLink.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/media/RtfReader.h"
#include "tools/cardsim/CardSim.h"
#include "platform/base/MessageWindow.h"

namespace editor::ui {
namespace {

using platform::Utf8ToGbk;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

std::vector<QString> ButtonTexts(QWidget& dialog) {
  std::vector<QString> texts;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) texts.push_back(b->text());
  std::sort(texts.begin(), texts.end());
  return texts;
}

std::vector<QString> Sorted(std::initializer_list<const char*> utf8) {
  std::vector<QString> texts;
  for (const char* t : utf8) texts.push_back(U(t));
  std::sort(texts.begin(), texts.end());
  return texts;
}

QPushButton* ButtonWithText(QWidget& dialog, const char* utf8) {
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    if (b->text() == U(utf8)) return b;
  ADD_FAILURE() << "no button " << utf8;
  return nullptr;
}

// Types text character by character, as a keyboard (or an input method) would.
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

void Click(QWidget& dialog, const char* utf8) {
  if (QPushButton* b = ButtonWithText(dialog, utf8)) QTest::mouseClick(b, Qt::LeftButton);
}

// The Qt program's dialogs with message boxes and file dialogs from a script.
class TScriptedQtDialogs : public TQtDialogs {
 public:
  TScriptedQtDialogs(std::string programDir, test::TFakeDialogs& script)
      : TQtDialogs(std::move(programDir)), Script(script) {}
  TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                            TMessageButtons buttons) override {
    return Script.MessageBox(text, caption, icon, buttons);
  }
  std::optional<std::string> OpenFileName(const TFileRequest& request) override { return Script.OpenFileName(request); }
  std::optional<std::string> SaveFileName(const TFileRequest& request) override { return Script.SaveFileName(request); }
  test::TFakeDialogs& Script;
};

// The program with its Qt dialogs, whose boxes and file dialogs are `Dialogs`' script; each
// modal run goes to `Play` by the dialog's object name.
struct TProgram : test::TProgram {
  TScriptedQtDialogs QtDialogs{Dir.Path(), Dialogs};
  std::map<QString, std::function<void(QDialog&)>> Play;
  std::vector<QString> Runs;

  TProgram() {
    QtDialogs.RunModal = [this](QDialog& dialog) {
      Runs.push_back(dialog.objectName());
      dialog.show();
      auto play = Play.find(dialog.objectName());
      if (play != Play.end()) play->second(dialog);
      dialog.hide();
    };
  }
  bool Start() {
    return test::TProgram::Start({}, {}, [this](TStartupOptions& options) { options.Dialogs = &QtDialogs; });
  }
  ~TProgram() { Stop(); }
};

// ---- Qt's own dialogs ---------------------------------------------------------------------------

// Qt's texts are Chinese in the program, whatever the machine's language: buttons, file dialogs,
// the calendar's weekdays.
TEST(QtDialogs, StandardButtonsSpeakChinese) {
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), U("确定"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), U("取消"));
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  EXPECT_EQ(files.labelText(QFileDialog::LookIn), U("查找范围："));
  QCalendarWidget calendar;
  EXPECT_EQ(calendar.locale().dayName(1), U("星期一"));
}

// The file list of a file dialog names a folder and writes its date in Chinese, whatever the
// system's locale.
TEST(QtDialogs, TheFileListSpeaksChinese) {
  test::TTempFolder dir;
  ASSERT_TRUE(QDir(QString::fromStdString(dir.Path())).mkdir("sub"));
  dir.Write("shown.fmt", "");
  TQtDialogs dialogs(dir.Path());
  int checked = 0;
  dialogs.RunModal = [&](QDialog& dialog) {
    auto& files = dynamic_cast<QFileDialog&>(dialog);
    // The rows as the dialog's detail view shows them.
    auto* model = files.findChild<QFileSystemModel*>();
    auto* view = files.findChild<QTreeView*>("treeView");
    ASSERT_TRUE(model && view);
    auto* proxy = qobject_cast<QAbstractProxyModel*>(view->model());
    for (const char* name : {"sub", "shown.fmt"}) {
      SCOPED_TRACE(name);
      QModelIndex row = model->index(QString::fromStdString(dir.File(name)));
      if (proxy) row = proxy->mapFromSource(row);
      ASSERT_TRUE(row.isValid());
      const QString type = row.siblingAtColumn(2).data().toString(), date = row.siblingAtColumn(3).data().toString();
      if (std::string(name) == "sub") {
        EXPECT_EQ(type.toStdString(), "文件夹");
      }
      EXPECT_TRUE(date.contains(QString::number(QDate::currentDate().year()))) << date.toStdString();
      EXPECT_FALSE(date.contains(QRegularExpression("[A-Za-z]"))) << date.toStdString();
      ++checked;
    }
    dialog.reject();
  };
  TFileRequest request("", Utf8ToGbk("显示内容描述文件|*.fmt"), "*.fmt");
  request.InitialDir = platform::GbkPathFromOs(dir.Path());
  EXPECT_EQ(dialogs.OpenFileName(request), std::nullopt);
  EXPECT_EQ(checked, 2);
}

// A file dialog starts in the folder of the request's file, else where the last one ended.
TEST(QtDialogs, FileDialogsStartBesideTheirFileElseWhereTheLastEnded) {
  test::TTempFolder first, second;
  second.Write("shown.fmt", "");
  TQtDialogs dialogs(first.Path());
  std::vector<QString> shownIn;
  QString choose;
  dialogs.RunModal = [&](QDialog& dialog) {
    auto& files = dynamic_cast<QFileDialog&>(dialog);
    shownIn.push_back(QDir(files.directory()).absolutePath() + "/");
    if (choose.isEmpty()) return dialog.reject();
    files.selectFile(choose);
    QMetaObject::invokeMethod(&files, "accept", Qt::DirectConnection);
  };
  const auto in = [](const std::string& folder) {
    TFileRequest request("", Utf8ToGbk("显示内容描述文件|*.fmt"), "*.fmt");
    request.InitialDir = platform::GbkPathFromOs(folder);
    return request;
  };
  choose = QString::fromStdString(second.File("shown.fmt"));
  EXPECT_EQ(dialogs.OpenFileName(in(second.Path())), platform::GbkPathFromOs(second.File("shown.fmt")));
  choose.clear();
  EXPECT_EQ(dialogs.OpenFileName(in("")), std::nullopt);
  EXPECT_EQ(dialogs.SaveFileName(in(first.Path())), std::nullopt);
  EXPECT_EQ(dialogs.SaveFileName(in(first.Path() + "gone/")), std::nullopt);
  const QString firstPath = QString::fromStdString(first.Path()), secondPath = QString::fromStdString(second.Path());
  EXPECT_EQ(shownIn, (std::vector<QString>{secondPath, secondPath, firstPath, secondPath}));
}

// ---- Password ---------------------------------------------------------------------------------

TEST(PasswordDialogs, CaptionsNamesAndButtons) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  TInputPassWordFormView prompt(dialogs, dir.File("Service.sat"));
  EXPECT_EQ(prompt.objectName(), "InputPassWordForm");
  EXPECT_EQ(prompt.windowTitle(), U("请输入系统密码"));
  EXPECT_EQ(prompt.findChild<QLineEdit*>("Edit1")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(ButtonTexts(prompt), Sorted({"确  定", "返  回"}));

  TPassFormView set(dialogs, dir.File("Service.sat"), platform::TSettingsFile(dir.File("Param.ini")));
  EXPECT_EQ(set.objectName(), "PassForm");
  for (const char* name : {"Edit1", "Edit2", "Edit3"})
    EXPECT_EQ(set.findChild<QLineEdit*>(name)->echoMode(), QLineEdit::Password) << name;
  EXPECT_EQ(set.findChild<QAbstractButton*>("CheckBox1")->text(), U("  启动软件时是否要输入密码"));
  EXPECT_EQ(set.Label(0)->text(), U("旧口令："));
  EXPECT_EQ(set.Label(1)->text(), U("新口令："));
  EXPECT_EQ(set.Label(2)->text(), U("口令确认："));
  EXPECT_EQ(ButtonTexts(set), Sorted({"确  定", "返  回"}));
}

TEST(PasswordDialogs, TheSetDialogGreysWhatCannotBeTypedAndTakes32GbkBytes) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  ASSERT_TRUE(WriteSystemPassword(dir.File("Service.sat"), "old"));
  TPassFormView set(dialogs, dir.File("Service.sat"), platform::TSettingsFile(dir.File("Param.ini")));
  bool played = false;
  set.Execute([&](QDialog&) {
    played = true;
    set.show();
    EXPECT_EQ(set.windowTitle(), U("口令设置(按回车键确认输入口令)"));
    EXPECT_TRUE(set.OldEdit()->isEnabled());
    EXPECT_FALSE(set.NewEdit()->isEnabled());
    EXPECT_FALSE(set.OkButton()->isEnabled());
    EXPECT_FALSE(set.CheckBox()->isEnabled());
    EXPECT_EQ(set.Label(0)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(set.Label(1)->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QTest::keyClicks(set.OldEdit(), "old");
    QTest::keyClick(set.OldEdit(), Qt::Key_Return);
    EXPECT_FALSE(set.OldEdit()->isEnabled());
    EXPECT_TRUE(set.NewEdit()->isEnabled());
    EXPECT_EQ(set.Label(1)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    // 20 Chinese characters are 40 GBK bytes: the edit takes the first 16.
    Type(set.NewEdit(), U("显示屏控制卡文本文件内码测试一二三四五六"));
    EXPECT_EQ(set.NewEdit()->text(), U("显示屏控制卡文本文件内码测试一二"));
    set.ConfirmEdit()->setText(set.NewEdit()->text());
    set.CheckBox()->setChecked(false);
    QTest::mouseClick(set.OkButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(played);
  EXPECT_TRUE(set.Controller().Stored());
  EXPECT_EQ(ReadSystemPassword(dir.File("Service.sat")), Utf8ToGbk("显示屏控制卡文本文件内码测试一二"));
  EXPECT_EQ(platform::TSettingsFile(dir.File("Param.ini")).ReadString("Param", "Enter", ""), "0");
  // Closing cleared the edits.
  EXPECT_TRUE(set.NewEdit()->text().isEmpty());
}

TEST(PasswordDialogs, AWrongStartupPasswordEndsTheProgramBeforeAnyWindowShows) {
  for (bool right : {false, true}) {
    TProgram program;
    program.Dir.Write("Param.ini", "[Param]\r\nEnter=1\r\n");
    int tries = 0;
    program.Play["InputPassWordForm"] = [&](QDialog& prompt) {
      // One wrong try is told and may be retried; then the right one, or "返  回".
      auto* edit = prompt.findChild<QLineEdit*>("Edit1");
      QTest::keyClicks(edit, "57203917");
      QTest::keyClick(edit, Qt::Key_Return);
      ++tries;
      edit->setText(right ? "57203916" : "");
      Click(prompt, right ? "确  定" : "返  回");
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "MainForm") {
          EXPECT_FALSE(w->isVisible());
        }
      }
    };
    EXPECT_EQ(program.Start(), right);
    EXPECT_EQ(tries, 1);
    ASSERT_EQ(program.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(program.Dialogs.Boxes[0].Text, Utf8ToGbk("您输入的密码错误，请重新输入!"));
    if (right) continue;
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
  }
}

// The System menu's commands: the default password opens the guarded dialogs until a new one is
// set; the set-password dialog asks for none.
TEST(PasswordDialogs, TheSystemMenuOpensTheDialogsMadeAtStartupBehindThePassword) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  for (const char* name : {"TDateTimeInputForm", "TMultiCardForm", "TCampaignForm", "TMultiStringInputForm",
                           "TMultiInputForm", "TProjectForm", "TPassForm", "TInputPassWordForm"})
    EXPECT_NE(program.Corvane->Form(name), nullptr) << name;
  TDesignFormView& window = program.Window();
  const auto trigger = [&](TCommand command) {
    QAction* action = window.Action(command);
    EXPECT_TRUE(action->isEnabled()) << CommandInfo(command).Name;
    action->trigger();
  };
  const auto type = [](const char* password) {
    return [password](QDialog& prompt) {
      QTest::keyClicks(prompt.findChild<QLineEdit*>("Edit1"), password);
      QTest::keyClick(prompt.findChild<QLineEdit*>("Edit1"), Qt::Key_Return);
    };
  };
  program.Play["InputPassWordForm"] = type("57203916");
  trigger(TCommand::ProjectSettings);
  trigger(TCommand::CardSettings);
  EXPECT_EQ(program.Runs, (std::vector<QString>{"InputPassWordForm", "ProjectForm", "InputPassWordForm",
                                               "ParamSetForm"}));
  program.Runs.clear();

  program.Play["PassForm"] = [](QDialog& set) {
    set.findChild<QLineEdit*>("Edit2")->setText("new");
    set.findChild<QLineEdit*>("Edit3")->setText("new");
    Click(set, "确  定");
  };
  trigger(TCommand::SetPassword);
  EXPECT_EQ(ReadSystemPassword(program.Dir.File("Service.sat")), "new");
  trigger(TCommand::CardSettings);
  trigger(TCommand::ProjectSettings);
  EXPECT_EQ(program.Runs, (std::vector<QString>{"PassForm", "InputPassWordForm", "InputPassWordForm"}));
  ASSERT_EQ(program.Dialogs.Boxes.size(), 2u);
  EXPECT_EQ(program.Dialogs.Boxes[0].Text, Utf8ToGbk("您输入的密码错误，请重新输入!"));
  program.Runs.clear();
  program.Play["InputPassWordForm"] = type("new");
  trigger(TCommand::CardSettings);
  EXPECT_EQ(program.Runs, (std::vector<QString>{"InputPassWordForm", "ParamSetForm"}));
}

// ---- Project and sub-card dialogs -------------------------------------------------------------

TEST(ProjectDialogs, CaptionsNamesButtonsAndIcons) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  TProjectFormView project(dialogs, dir.Path());
  EXPECT_EQ(project.objectName(), "ProjectForm");
  EXPECT_EQ(project.windowTitle(), U("系统工程设置"));
  EXPECT_EQ(project.ListPanel()->Caption(), U("显示屏列表"));
  EXPECT_EQ(project.PropertyPanel()->Caption(), U("显示屏属性"));
  EXPECT_NE(project.findChild<QTreeWidget*>("LEDTreeView"), nullptr);
  EXPECT_EQ(ButtonTexts(project), Sorted({"增加显示屏[&A]", "删除选中显示屏[&D]", "导入设置[&I]", "导出设置[&O]",
                                          "设为缺省[&F]", "退出[&X]"}));

  TMultiCardFormView cards(dialogs);
  EXPECT_EQ(cards.objectName(), "MultiCardForm");
  EXPECT_EQ(cards.windowTitle(), U("子卡通讯参数设置"));
  EXPECT_EQ(cards.ListPanel()->Caption(), U("子卡列表"));
  EXPECT_EQ(cards.PropertyPanel()->Caption(), U("子卡通讯参数"));
  EXPECT_EQ(ButtonTexts(cards), Sorted({"增加子卡[&A]", "删除子卡[&D]", "返回[&X]"}));

  model::SetLoadMode(model::LoadModeNormal);
  model::TConstructer root(nullptr);
  bool played = false;
  cards.Execute(root.GetScreen(0)->Cards(), [&](QDialog&) {
    played = true;
    cards.show();
    QApplication::processEvents();
    QPushButton* add = cards.ButtonNamed("AddButton");
    for (int i = 0; i < 32; ++i) QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_FALSE(add->isEnabled());
    QTreeWidget* list = cards.List();
    ASSERT_EQ(list->topLevelItemCount(), 32);
    EXPECT_EQ(list->topLevelItem(31)->text(0), U("子卡31"));
    EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
    EXPECT_EQ(list->currentItem(), list->topLevelItem(31));
    // A click on a node shows its card.
    list->scrollToItem(list->topLevelItem(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(2)).center());
    EXPECT_EQ(cards.InspectorView()->Editor().Root(), root.GetScreen(0)->Cards().SubCards()[2]);
    QTest::mouseClick(cards.ButtonNamed("DeleteButton"), Qt::LeftButton);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_EQ(list->topLevelItemCount(), 31);
    QTest::mouseClick(cards.ButtonNamed("ExitButton"), Qt::LeftButton);
  });
  EXPECT_TRUE(played);
  EXPECT_EQ(root.GetScreen(0)->Cards().SubCards().size(), 31u);
  // Closed: the inspector shows nothing.
  EXPECT_EQ(cards.InspectorView()->Editor().Root(), nullptr);
}

TEST(ProjectDialogs, TheProjectDialogMakesTheDefaultProject) {
  TProgram program;
  ASSERT_TRUE(program.Start());
  program.Dialogs.Answers.push_back(TMessageAnswer::Yes);
  program.Play["ProjectForm"] = [](QDialog& dialog) {
    auto& project = static_cast<TProjectFormView&>(dialog);
    QTest::mouseClick(project.ButtonNamed("AddButton"), Qt::LeftButton);
    QTest::mouseClick(project.ButtonNamed("AddButton"), Qt::LeftButton);
    EXPECT_EQ(project.List()->topLevelItemCount(), 2);
    EXPECT_EQ(project.List()->topLevelItem(1)->text(0), U("控制卡1"));
    QTest::mouseClick(project.ButtonNamed("DefaultButton"), Qt::LeftButton);
    QTest::mouseClick(project.ButtonNamed("ExitButton"), Qt::LeftButton);
  };
  program.QtDialogs.ProjectSettings();
  ASSERT_EQ(program.Runs.size(), 1u);
  EXPECT_EQ(program.Dialogs.Boxes.back().Text, Utf8ToGbk("您确定要将当前编辑的内容设为系统的缺省值(y/n)?"));
  const std::string written = program.Dir.Read("Default.spj");
  EXPECT_NE(written.find("Object LEDScreen1:TLEDScreen"), std::string::npos) << written;
}

// ---- Date-time and campaign dialogs -----------------------------------------------------------

TEST(DateTimeDialogs, CaptionsNamesAndTheChosenMoment) {
  platform::TFakeWallClock clock(*platform::EncodeDateTime({2030, 5, 6, 14, 5, 9, 0}));
  platform::TScopedWallClock scoped(clock);
  TDateTimeInputFormView form;
  EXPECT_EQ(form.objectName(), "DateTimeInputForm");
  EXPECT_EQ(form.windowTitle(), U("日期、时间输入"));
  EXPECT_EQ(ButtonTexts(form), Sorted({"确  定", "取  消"}));
  ASSERT_EQ(form.MonthSelect()->count(), 12);
  EXPECT_EQ(form.MonthSelect()->itemText(0), U("一月"));
  EXPECT_EQ(form.MonthSelect()->itemText(11), U("十二月"));
  for (const char* name : {"DaySelect", "MonthSelect", "YearSelect", "TimeSelect"})
    EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;

  const auto answer = form.Execute(*platform::EncodeDateTime({2024, 1, 31, 0, 0, 0, 0}), [&](QDialog&) {
    EXPECT_EQ(form.DaySelect()->selectedDate(), QDate(2024, 1, 31));
    EXPECT_EQ(form.TimeSelect()->time(), QTime(14, 5, 9));
    form.MonthSelect()->setCurrentIndex(1);
    EXPECT_EQ(form.DaySelect()->selectedDate(), QDate(2024, 2, 29));
    form.YearSelect()->setValue(2023);
    EXPECT_EQ(form.DaySelect()->selectedDate(), QDate(2023, 2, 28));
    form.DaySelect()->setSelectedDate(QDate(2023, 2, 3));
    EXPECT_EQ(form.YearSelect()->value(), 2023);
    form.TimeSelect()->setTime(QTime(23, 1, 2));
    QTest::mouseClick(form.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(answer, "2023-02-03 23:01:02");
  EXPECT_EQ(form.Execute(0, [&](QDialog&) { QTest::mouseClick(form.CancelButton(), Qt::LeftButton); }),
            std::nullopt);
}

// "作战时间设置" on the hidden bar: the time chosen through the date-time dialog reaches the card
// when confirmed; abandoned, nothing is sent.
TEST(DateTimeDialogs, TheCampaignCommandSendsTheConfirmedTimeToTheCard) {
  platform::TFakeWallClock clock(*platform::EncodeDateTime({2024, 3, 3, 10, 20, 30, 0}));
  platform::TScopedWallClock scoped(clock);
  model::CampaignTime() = {};
  cardsim::TCardSim card;
  card.AddCard(0);
  ASSERT_TRUE(card.StartUdp());
  TProgram program;
  ASSERT_TRUE(program.Start());
  QWidget* campaign = program.Corvane->Form("TCampaignForm");
  ASSERT_NE(campaign, nullptr);
  EXPECT_EQ(campaign->windowTitle(), U("作战时间设置"));
  EXPECT_EQ(campaign->findChild<QLabel*>("Label1")->text(), U("当前作战时间："));
  EXPECT_EQ(ButtonTexts(*campaign), Sorted({"修改作战时间", "确  定", "放  弃"}));
  model::TConstructer& root = *program.Form().ProjectRoot();
  ASSERT_EQ(root.ScreenCount(), 1);
  model::TCommunication& link = root.GetScreen(0)->Communicate();
  link.SetCommunicationType(model::ctNetWork);
  link.SetIP("127.0.0.1");
  link.SetRemotePort(card.UdpPort());
  link.SetLocalPort(0);

  const char* last = "放  弃";
  program.Play["CampaignForm"] = [&](QDialog& dialog) {
    Click(dialog, "修改作战时间");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), U("当前作战时间: 2025-12-24 10:20:30"));
    Click(dialog, last);
  };
  program.Play["DateTimeInputForm"] = [](QDialog& dialog) {
    auto& form = static_cast<TDateTimeInputFormView&>(dialog);
    form.DaySelect()->setSelectedDate(QDate(2025, 12, 24));
    QTest::mouseClick(form.OkButton(), Qt::LeftButton);
  };
  QAction* action = program.Window().Action(TCommand::CampaignTime);
  ASSERT_TRUE(action->isEnabled());
  action->trigger();
  EXPECT_EQ(model::CampaignTime(), platform::TSystemTime{});
  last = "确  定";
  action->trigger();
  EXPECT_EQ(program.Runs, (std::vector<QString>{"CampaignForm", "DateTimeInputForm", "CampaignForm",
                                               "DateTimeInputForm"}));
  const platform::TSystemTime chosen{2025, 12, 3, 24, 10, 20, 30, 0};  // a Wednesday
  EXPECT_EQ(model::CampaignTime(), chosen);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!card.Card(0)->CampaignTime && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    platform::ProcessMessages();
  }
  ASSERT_TRUE(card.Card(0)->CampaignTime.has_value());
  EXPECT_EQ(*card.Card(0)->CampaignTime, chosen);
  // The abandoned one would have gone first on the same line.
  EXPECT_EQ(card.CountFrames(cardsim::fdIn, 0x1F96), 1u);
  card.Stop();
  model::CampaignTime() = {};
}

// ---- Text dialogs -----------------------------------------------------------------------------

TEST(TextDialogs, RichTextGoesThroughQtsDocumentAndBack) {
  for (const char* name : {"abiword_styles.rtf", "abiword_table.rtf", "golden_mixed.rtf", "pandoc_styles.rtf"}) {
    std::string content;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(RTF_FIXTURES) + "/" + name, content)) << name;
    const auto document = platform::ReadRtf(content);
    ASSERT_TRUE(document) << name;
    QTextDocument qt;
    FillTextDocument(qt, *document);
    EXPECT_EQ(RichDocument(qt, platform::PlainTextFormat()), *document) << name;
  }
}

TEST(TextDialogs, TheRichTextDialogWritesWhatWasTyped) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  test::TFakeChooser chooser;
  TMultiInputFormView form(dialogs, chooser);
  EXPECT_EQ(form.objectName(), "MultiInputForm");
  EXPECT_EQ(form.windowTitle(), U("文字输入"));
  EXPECT_NE(form.findChild<QTextEdit*>("Memo1"), nullptr);
  EXPECT_EQ(ButtonTexts(form), Sorted({"确 定", "字 体", "调 入", "放 弃"}));

  dialogs.Files.push_back(platform::GbkPathFromOs(dir.File("typed")));
  const auto answer = form.Execute("", [&](QDialog&) {
    QTest::keyClicks(form.Memo(), "LED");
    EXPECT_TRUE(form.Controller().Modified());
    QTest::mouseClick(form.OkButton(), Qt::LeftButton);
  });
  ASSERT_TRUE(answer);
  EXPECT_EQ(*answer, platform::GbkPathFromOs(dir.File("typed.RTF")));
  const auto written = platform::ReadRtf(dir.Read("typed.RTF"));
  ASSERT_TRUE(written);
  platform::TRichDocument expected;
  expected.Paragraphs.emplace_back().Append(platform::PlainTextFormat(), U"LED");
  EXPECT_EQ(*written, expected);

  // "放 弃" answers nothing and writes nothing.
  dir.Write("plain.Txt", "keep\r\n");
  EXPECT_EQ(form.Execute(platform::GbkPathFromOs(dir.File("plain.Txt")),
                         [&](QDialog&) {
                           QTest::keyClicks(form.Memo(), "more");
                           QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
                         }),
            std::nullopt);
  EXPECT_EQ(dir.Read("plain.Txt"), "keep\r\n");
}

TEST(TextDialogs, TheLinesDialogShowsTheCallersLinesInItsFont) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  TMultiStringInputFormView form(dialogs);
  EXPECT_EQ(form.objectName(), "MultiStringInputForm");
  EXPECT_EQ(form.windowTitle(), U("文字输入"));
  EXPECT_EQ(ButtonTexts(form), Sorted({"确 定", "调 入", "放 弃"}));
  platform::TFontDescription font;
  font.SetSize(18);
  font.Color = 0x00FF00;
  const auto lines = form.Execute({Utf8ToGbk("第一行"), "two"}, font, [&](QDialog&) {
    EXPECT_EQ(form.Memo()->toPlainText(), U("第一行\ntwo"));
    EXPECT_EQ(form.Memo()->font().pixelSize(), 24);
    EXPECT_EQ(form.Memo()->palette().color(QPalette::Text), QColor(0, 255, 0));
    form.Memo()->appendPlainText(U("第三行"));
    QTest::mouseClick(form.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(lines, (std::vector<std::string>{Utf8ToGbk("第一行"), "two", Utf8ToGbk("第三行")}));
}

}  // namespace
}  // namespace editor::ui
