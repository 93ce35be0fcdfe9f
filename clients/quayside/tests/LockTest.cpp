// The password lock and the card settings, offscreen: the dialogs driven through their
// buttons without a modal loop, the settings file's permissions, and the one-instance lock.
// No password is printed: comparisons go through EXPECT_TRUE.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "GuiTestSupport.h"
#include "clients/quayside/CardDialog.h"
#include "clients/quayside/ChangePasswordDialog.h"
#include "clients/quayside/InstanceLock.h"
#include "clients/quayside/PasswordDialog.h"
#include "clients/quayside/PasswordStore.h"
#include "platform/base/GbkText.h"

namespace quayside {
namespace {

using test::TRecordingBoxes;

class Lock : public ::testing::Test {
 protected:
  void SetUp() override { test::App(); }

  std::string SettingsFile() const {
    return home.Config() + "/Local AppWizard-Generated Applications/Quayside.conf";
  }
  int Mode(const std::string& path) const {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
  }
  std::string Stored() const {
    QSettings settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    return settings.value("Quayside/password").toString().toStdString();
  }

  // OK on the password dialog with `entry`; whether it was accepted.
  bool EnterPassword(const QString& entry) {
    TPasswordDialog dialog(store, boxes);
    EXPECT_EQ(QLineEdit::Password, dialog.Entry()->echoMode());
    dialog.Entry()->setText(entry);
    dialog.OkButton()->click();
    return dialog.result() == QDialog::Accepted;
  }

  test::TTempHome home;
  TSettingsPasswordStore store;
  TRecordingBoxes boxes;
};

TEST_F(Lock, SettingsFileIsTheApplicationsOwn) {
  EXPECT_EQ(SettingsFile(), TSettingsPasswordStore::FileName());
}

TEST_F(Lock, EmptyStoreGetsTheDefault) {
  EXPECT_EQ(-1, Mode(SettingsFile()));
  EXPECT_TRUE(EnterPassword("57203916"));
  EXPECT_TRUE(Stored() == "57203916");
  EXPECT_EQ(0600, Mode(SettingsFile()));
  EXPECT_EQ(0700, Mode(home.Config() + "/Local AppWizard-Generated Applications"));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Lock, MasterAndStoredPassOthersDoNot) {
  ASSERT_TRUE(store.Write("station-7"));
  EXPECT_EQ(0600, Mode(SettingsFile()));
  EXPECT_TRUE(EnterPassword("station-7"));
  EXPECT_TRUE(EnterPassword("plivank"));
  EXPECT_TRUE(boxes.shown.empty());
  for (const char* wrong : {"", "Station-7", "57203916", "PLIVANK"}) {
    EXPECT_FALSE(EnterPassword(wrong));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ("密码输错误", boxes.shown.back().first);
    EXPECT_EQ(biStop, boxes.shown.back().second);
  }
  EXPECT_EQ(4u, boxes.shown.size());
}

TEST_F(Lock, ChangePassword) {
  struct TCase {
    const char* Old;
    const char* New;
    const char* Repeated;
    const char* Box;  // nothing for a change that goes through
  };
  const TCase cases[] = {
      {"old-one", "n1", "n2", "新密码不匹配"},
      {"wrong", "n1", "n1", "旧密码输入错误"},
      {"plivank", "n3", "n3", nullptr},
      {"old-one", "n4", "n4", nullptr},
  };
  for (const TCase& c : cases) {
    ASSERT_TRUE(store.Write("old-one"));
    boxes.shown.clear();
    TChangePasswordDialog dialog(store, boxes);
    for (QLineEdit* e : {dialog.OldEntry(), dialog.NewEntry(), dialog.RepeatEntry()})
      EXPECT_EQ(QLineEdit::Password, e->echoMode());
    bool accepted = false;
    QObject::connect(&dialog, &QDialog::accepted, [&] { accepted = true; });
    dialog.OldEntry()->setText(c.Old);
    dialog.NewEntry()->setText(c.New);
    dialog.RepeatEntry()->setText(c.Repeated);
    dialog.OkButton()->click();
    if (c.Box) {
      EXPECT_FALSE(accepted);
      ASSERT_EQ(1u, boxes.shown.size());
      EXPECT_EQ(c.Box, boxes.shown[0].first);
      EXPECT_EQ(biStop, boxes.shown[0].second);
      EXPECT_TRUE(Stored() == "old-one");
    } else {
      EXPECT_TRUE(accepted);
      EXPECT_TRUE(boxes.shown.empty());
      EXPECT_TRUE(Stored() == c.New);
    }
    EXPECT_EQ(0600, Mode(SettingsFile()));
  }
}

TEST_F(Lock, ModeIsPrivateAfterEachWrite) {
  ASSERT_TRUE(store.Write("first"));
  ::chmod(SettingsFile().c_str(), 0644);  // someone widened it
  ASSERT_TRUE(store.Write("second"));
  EXPECT_EQ(0600, Mode(SettingsFile()));
  EXPECT_TRUE(store.Read() == "second");
}

std::vector<TStationCard> ThreeCards() {
  return {{"127.0.0.67", 128, 32, 1, platform::Utf8ToGbk("站台"), 0},
          {"127.0.0.68", 64, 16, 2, "B", 1},
          {"127.0.0.69", 32, 16, 3, "C", 2}};
}

TEST_F(Lock, CardDialogEditsExistingCardsOnly) {
  int changeAsked = 0;
  TCardDialog dialog(ThreeCards(), boxes, [&] { ++changeAsked; });
  EXPECT_EQ(QStringLiteral("显示卡配置"), dialog.windowTitle());
  EXPECT_EQ(QStringLiteral("站台"), dialog.Field(0, TCardDialog::ccName)->text());
  EXPECT_EQ(QStringLiteral("127.0.0.68"), dialog.Field(1, TCardDialog::ccIP)->text());
  EXPECT_EQ(0, dialog.TypeBox(0)->currentIndex());
  EXPECT_EQ(1, dialog.TypeBox(1)->currentIndex());
  EXPECT_EQ(-1, dialog.TypeBox(2)->currentIndex());  // Type 2 has no entry in the list
  for (int row = 3; row < TCardDialog::Rows; ++row) {
    EXPECT_FALSE(dialog.Field(row, TCardDialog::ccName)->isEnabled());
    EXPECT_TRUE(dialog.Field(row, TCardDialog::ccName)->text().isEmpty());
    EXPECT_FALSE(dialog.TypeBox(row)->isEnabled());
  }

  dialog.ChangePasswordButton()->click();
  EXPECT_EQ(1, changeAsked);

  dialog.Field(0, TCardDialog::ccName)->setText(QStringLiteral("一站台"));
  dialog.Field(1, TCardDialog::ccWidth)->setText(QStringLiteral(" 96abc"));
  dialog.Field(1, TCardDialog::ccAddr)->setText(QStringLiteral(" 258"));
  dialog.TypeBox(0)->setCurrentIndex(1);
  dialog.Field(5, TCardDialog::ccName)->setText(QStringLiteral("ignored"));
  dialog.OkButton()->click();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_TRUE(boxes.shown.empty());
  std::vector<TStationCard> expected = ThreeCards();
  expected[0].Name = platform::Utf8ToGbk("一站台");
  expected[0].Type = 1;
  expected[1].Width = 96;
  expected[1].Addr = 258;
  EXPECT_EQ(expected, dialog.Cards());
}

TEST_F(Lock, CardDialogRefusesSizesTheCardCannotTake) {
  struct TCase {
    int Row;
    TCardDialog::TColumn Column;
    const char* Typed;
    const char* Box;  // nothing for a size that is taken
  };
  const TCase cases[] = {
      {0, TCardDialog::ccWidth, "0", "显示卡1的宽度必须是1至65535之间的数"},
      {1, TCardDialog::ccHeight, "-5", "显示卡2的高度必须是1至65535之间的数"},
      {2, TCardDialog::ccWidth, "70000", "显示卡3的宽度必须是1至65535之间的数"},
      {2, TCardDialog::ccHeight, "65536", "显示卡3的高度必须是1至65535之间的数"},
      {0, TCardDialog::ccHeight, "", "显示卡1的高度必须是1至65535之间的数"},
      {1, TCardDialog::ccWidth, "宽", "显示卡2的宽度必须是1至65535之间的数"},
      {0, TCardDialog::ccWidth, "1", nullptr},
      {2, TCardDialog::ccHeight, "65535", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    boxes.shown.clear();
    TCardDialog dialog(ThreeCards(), boxes, nullptr);
    bool accepted = false;
    QObject::connect(&dialog, &QDialog::accepted, [&] { accepted = true; });
    dialog.Field(c.Row, c.Column)->setText(QString::fromUtf8(c.Typed));
    dialog.OkButton()->click();
    if (c.Box) {
      EXPECT_FALSE(accepted);
      EXPECT_NE(QDialog::Accepted, dialog.result());
      ASSERT_EQ(1u, boxes.shown.size());
      EXPECT_EQ(c.Box, boxes.shown[0].first);
      EXPECT_EQ(biStop, boxes.shown[0].second);
      // Put right, the same dialog is taken.
      dialog.Field(c.Row, c.Column)->setText(QStringLiteral("48"));
      dialog.OkButton()->click();
      EXPECT_TRUE(accepted);
      EXPECT_EQ(1u, boxes.shown.size());
    } else {
      EXPECT_TRUE(accepted);
      EXPECT_TRUE(boxes.shown.empty());
    }
  }
  // A size already out of range in the card file is refused as well: OK would store it again.
  std::vector<TStationCard> stored = ThreeCards();
  stored[1].Height = 0;
  boxes.shown.clear();
  TCardDialog dialog(stored, boxes, nullptr);
  dialog.OkButton()->click();
  EXPECT_NE(QDialog::Accepted, dialog.result());
  ASSERT_EQ(1u, boxes.shown.size());
  EXPECT_EQ("显示卡2的高度必须是1至65535之间的数", boxes.shown[0].first);
}

TEST_F(Lock, OneInstanceAtATime) {
  TInstanceLock first(home.Path());
  TInstanceLock second(home.Path());
  EXPECT_EQ(home.Path() + "/use_id", first.Path());
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(first.Acquire());
  EXPECT_FALSE(second.Acquire());
  {
    TInstanceLock third(home.Path());
    EXPECT_FALSE(third.Acquire());
  }
  setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
  EXPECT_EQ(home.Path(), TInstanceLock::DefaultFolder());
  TInstanceLock byDefault;
  EXPECT_FALSE(byDefault.Acquire());
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_FALSE(TInstanceLock::DefaultFolder().empty());
}

TEST_F(Lock, LockIsFreeOnceTheHolderEnds) {
  {
    TInstanceLock first(home.Path());
    ASSERT_TRUE(first.Acquire());
  }
  TInstanceLock next(home.Path());
  EXPECT_TRUE(next.Acquire());
}

}  // namespace
}  // namespace quayside
