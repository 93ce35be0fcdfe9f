// Qt's texts in Chinese on a machine that speaks English: standard buttons, message boxes and
// the locale's weekday names, as the programs show them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "platform/qt/ChineseQt.h"

namespace {

QApplication& Application() {
  static QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LANGUAGE", "en");
    static int argc = 1;
    static char name[] = "platform_qt_tests";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *application;
}

TEST(ChineseQt, StandardButtonsAndBoxesSpeakChinese) {
  ASSERT_TRUE(platform::UseChineseQt(Application()))
      << "Qt's Chinese translation (qt6-translations-l10n, scripts/setup) is not installed";
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), QString::fromUtf8("确定"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("取消"));
  QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("是(Y)"));
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), QString::fromUtf8("否(N)"));
}

TEST(ChineseQt, WeekdaysAndMonthsAreChinese) {
  ASSERT_TRUE(platform::UseChineseQt(Application()));
  EXPECT_EQ(QLocale().dayName(1), QString::fromUtf8("星期一"));
  EXPECT_EQ(QLocale().standaloneMonthName(3), QString::fromUtf8("三月"));
}

TEST(ChineseQt, ASecondCallInstallsNoSecondTranslator) {
  ASSERT_TRUE(platform::UseChineseQt(Application()));
  ASSERT_TRUE(platform::UseChineseQt(Application()));
  EXPECT_EQ(Application().findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}

}  // namespace
