#include "editor/core/ScheduleForms.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "Fakes.h"
#include "ScheduleFixtures.h"
#include "model/FormConstructEx.h"
#include "model/ScreenStatus.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using test::TFakeDialogs;
using test::TTempFolder;

using test::ReadFixture;

template <typename Span>
std::string Bytes(const Span& block) {
  return std::string(block.begin(), block.end());
}

template <typename Span>
void Store(Span block, const std::string& bytes) {
  ASSERT_EQ(bytes.size(), block.size());
  std::copy(bytes.begin(), bytes.end(), block.begin());
}

// What the dialogs asked of the card, in order.
class TFakeOperations : public TScheduleOperations {
 public:
  struct TCall {
    std::string What;
    model::TLEDScreen* Screen;
    std::string Block;
    int32_t Level = 0;
  };
  void ReadPowerSchedule(model::TLEDScreen& s) override { Calls.push_back({"ReadPowerSchedule", &s, {}}); }
  void WritePowerSchedule(model::TLEDScreen& s, std::span<const uint8_t, PowerScheduleSize> b) override {
    Calls.push_back({"WritePowerSchedule", &s, Bytes(b)});
  }
  void ReadBrightSchedule(model::TLEDScreen& s) override { Calls.push_back({"ReadBrightSchedule", &s, {}}); }
  void WriteBrightSchedule(model::TLEDScreen& s, std::span<const uint8_t, BrightScheduleSize> b) override {
    Calls.push_back({"WriteBrightSchedule", &s, Bytes(b)});
  }
  void SetBright(model::TLEDScreen& s, int32_t level) override { Calls.push_back({"SetBright", &s, {}, level}); }
  std::vector<TCall> Calls;
};

class TFakeView : public TScheduleView {
 public:
  bool Visible() const override { return visible; }
  void ShowModal() override {
    ++modals;
    if (onShow) onShow();
  }
  void Changed() override { ++changes; }
  bool visible = false;
  int modals = 0;
  int changes = 0;
  std::function<void()> onShow;
};

class ScheduleForms : public ::testing::Test {
 protected:
  ScheduleForms() {
    root_.AddScreen("");
    screen_ = root_.GetScreen(0);
  }
  TCurrentScreen Current() {
    return [this] { return screen_; };
  }

  model::TConstructer root_{nullptr};
  model::TLEDScreen* screen_ = nullptr;
  TFakeView view_;
  TFakeDialogs dialogs_;
  TFakeOperations operations_;
  TTempFolder dir_;
};

// ---- Power schedule ------------------------------------------------------------------------

class AutoClose : public ScheduleForms {
 protected:
  AutoClose() { view_.onShow = [this] { form_.Show(); }; }
  // The time cells as "on off" per weekday.
  std::vector<std::string> Times() const {
    std::vector<std::string> times;
    for (int row = 1; row < 8; ++row) times.push_back(form_.Cell(1, row) + " " + form_.Cell(2, row));
    return times;
  }
  std::vector<std::string> FixtureTimes(const std::string& name) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFixture(name + ".txt"));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }
  TAutoCloseController form_{view_, dialogs_, operations_, Current()};
};

TEST_F(AutoClose, TheCommandAsksTheCardThenShowsTheEmptyGrid) {
  form_.SetAuto(true);
  form_.Execute();
  ASSERT_EQ(operations_.Calls.size(), 1u);
  EXPECT_EQ(operations_.Calls[0].What, "ReadPowerSchedule");
  EXPECT_EQ(operations_.Calls[0].Screen, screen_);
  EXPECT_EQ(view_.modals, 1);

  EXPECT_EQ(form_.Caption(), Utf8ToGbk("自动开关屏设置-->控制卡0"));
  EXPECT_EQ(form_.Cell(0, 0), Utf8ToGbk("日期"));
  EXPECT_EQ(form_.Cell(1, 0), Utf8ToGbk("开屏时间"));
  EXPECT_EQ(form_.Cell(2, 0), Utf8ToGbk("关屏时间"));
  EXPECT_EQ(form_.Cell(0, 1), Utf8ToGbk("星期日"));
  EXPECT_EQ(form_.Cell(0, 7), Utf8ToGbk("星期六"));
  EXPECT_EQ(Times(), std::vector<std::string>(7, "00:00:00 00:00:00"));
  EXPECT_TRUE(form_.Auto()) << "the show leaves the check box alone";
}

TEST_F(AutoClose, StatusTwentyTwoOfTheCurrentScreenFillsTheVisibleDialog) {
  form_.Show();
  Store(screen_->PowerSchedule(), ReadFixture("power_week.Tim"));
  model::TLEDScreen* other = root_.GetScreen(1);
  ASSERT_NE(other, nullptr);

  screen_->SetStatus(model::ssPowerScheduleRead);
  form_.StatusChanged(*screen_);  // not visible
  EXPECT_EQ(form_.Cell(1, 1), "00:00:00");

  view_.visible = true;
  other->SetStatus(model::ssPowerScheduleRead);
  form_.StatusChanged(*other);  // another card's schedule
  EXPECT_EQ(form_.Cell(1, 1), "00:00:00");
  screen_->SetStatus(model::ssBrightScheduleRead);
  form_.StatusChanged(*screen_);
  EXPECT_EQ(form_.Cell(1, 1), "00:00:00");

  screen_->SetStatus(model::ssPowerScheduleRead);
  form_.StatusChanged(*screen_);
  EXPECT_EQ(Times(), FixtureTimes("power_week.Tim"));
  EXPECT_TRUE(form_.Auto());
}

TEST_F(AutoClose, ThePickerCoversTimeCellsAndWritesItsTime) {
  form_.Show();
  form_.SetCell(2, 3, "21:56:33");
  form_.CellClick(2, 3);
  EXPECT_EQ(form_.Picker(), (TCellPicker{true, 2, 3}));
  EXPECT_EQ(form_.PickerTime(), 21 * 3600000 + 56 * 60000 + 33000);
  form_.PickerChanged(8 * 3600000 + 7 * 60000 + 6000 + 500);
  EXPECT_EQ(form_.Cell(2, 3), "08:07:06");

  form_.CellClick(1, 7);
  EXPECT_EQ(form_.Picker(), (TCellPicker{true, 1, 7}));
  EXPECT_EQ(form_.PickerTime(), 0);
  form_.CellClick(0, 7);
  EXPECT_FALSE(form_.Picker().Visible);
  form_.PickerChanged(1000);  // a hidden picker writes nowhere
  EXPECT_EQ(form_.Cell(1, 7), "00:00:00");
  EXPECT_EQ(form_.Cell(0, 7), Utf8ToGbk("星期六"));
}

TEST_F(AutoClose, DownloadSendsTheGridsBlockToTheCurrentScreen) {
  form_.Show();
  Store(screen_->PowerSchedule(), ReadFixture("power_week.Tim"));
  form_.Fill();
  form_.Download();
  ASSERT_EQ(operations_.Calls.size(), 1u);
  EXPECT_EQ(operations_.Calls[0].What, "WritePowerSchedule");
  EXPECT_EQ(operations_.Calls[0].Screen, screen_);
  EXPECT_EQ(operations_.Calls[0].Block, ReadFixture("power_week.Tim.encoded"));

  form_.SetAuto(false);
  form_.Download();
  EXPECT_EQ(operations_.Calls[1].Block.substr(0, 4), std::string(4, '\0'));

  form_.Refresh();
  EXPECT_EQ(operations_.Calls[2].What, "ReadPowerSchedule");
}

TEST_F(AutoClose, ACellThatIsNoTimeSendsAndWritesNothing) {
  form_.Show();
  form_.SetCell(1, 4, "25:00:00");
  EXPECT_THROW(form_.Download(), EScheduleConvertError);
  dialogs_.Files.push_back(dir_.File("never"));
  EXPECT_THROW(form_.Export(), EScheduleConvertError);
  EXPECT_TRUE(operations_.Calls.empty());
  EXPECT_TRUE(dialogs_.FileRequests.empty()) << "the block is built before the name is asked for";
  EXPECT_FALSE(dir_.Exists("never.Tim"));
}

TEST_F(AutoClose, ExportAndImportRoundTrip) {
  form_.Show();
  Store(screen_->PowerSchedule(), ReadFixture("power_other.Tim"));
  form_.Fill();
  dialogs_.Files.push_back(dir_.File("week"));
  form_.Export();
  ASSERT_EQ(dialogs_.FileRequests.size(), 1u);
  EXPECT_EQ(dialogs_.FileRequests[0].Filter, Utf8ToGbk("自动开关屏文件|*.Tim"));
  EXPECT_EQ(dialogs_.FileRequests[0].FileName, "*.Tim");
  EXPECT_EQ(dir_.Read("week.Tim"), ReadFixture("power_other.Tim.encoded"));

  // Another screen becomes current and takes the file.
  screen_ = root_.GetScreen(1);
  dialogs_.Files.push_back(dir_.File("week.Tim"));
  form_.Import();
  EXPECT_EQ(dialogs_.FileRequests.back().Filter, Utf8ToGbk("自动开关屏文件|*.Tim"));
  EXPECT_EQ(Bytes(screen_->PowerSchedule()), ReadFixture("power_other.Tim.encoded"));
  EXPECT_EQ(form_.Cell(1, 1), "07:30:00");
  EXPECT_EQ(form_.Cell(2, 7), "23:59:59");
  EXPECT_FALSE(form_.Auto());
  EXPECT_TRUE(operations_.Calls.empty());
}

TEST_F(AutoClose, ExportSetsTheExtension) {
  struct TCase {
    const char* Chosen;
    const char* Written;
  } cases[] = {{"a", "a.Tim"}, {"b.TIM", "b.TIM"}, {"c.txt", "c.Tim"}, {"d.tim.bak", "d.tim.Tim"}};
  form_.Show();
  for (const auto& c : cases) {
    dialogs_.Files.push_back(dir_.File(c.Chosen));
    form_.Export();
    EXPECT_TRUE(dir_.Exists(c.Written)) << c.Chosen;
  }
  EXPECT_FALSE(dir_.Exists("b.TIM.Tim"));
  EXPECT_FALSE(dir_.Exists("c.txt"));
}

TEST_F(AutoClose, AShortFileReplacesOnlyItsBytesOfTheScreensBlock) {
  Store(screen_->PowerSchedule(), ReadFixture("power_week.Tim"));
  const std::string other = ReadFixture("power_other.Tim");
  dir_.Write("short.Tim", other.substr(0, 50));
  form_.Show();
  dialogs_.Files.push_back(dir_.File("short.Tim"));
  form_.Import();
  EXPECT_EQ(Bytes(screen_->PowerSchedule()), other.substr(0, 50) + ReadFixture("power_week.Tim").substr(50));
  EXPECT_FALSE(form_.Auto());
  EXPECT_EQ(form_.Cell(1, 1), "07:30:00");  // from the file
  EXPECT_EQ(form_.Cell(1, 7), "12:30:06");  // Saturday's on time is at 52, past the file
}

TEST_F(AutoClose, ImportReadsRegularFilesOnly) {
  const std::string before = Bytes(screen_->PowerSchedule());
  ASSERT_EQ(::mkfifo(dir_.File("fifo.Tim").c_str(), 0600), 0);
  form_.Show();
  for (const char* name : {"fifo.Tim", "missing.Tim", ""}) {
    dialogs_.Files.push_back(dir_.File(name));
    form_.Import();  // a pipe with no writer would block a reader that opened it
  }
  EXPECT_EQ(Bytes(screen_->PowerSchedule()), before);
  ASSERT_EQ(dialogs_.Boxes.size(), 3u);
  EXPECT_EQ(dialogs_.Boxes[0].Caption, MessageCaption());
  EXPECT_NE(dialogs_.Boxes[0].Text.find(Utf8ToGbk("无法读取文件")), std::string::npos);

  dialogs_.Boxes.clear();
  form_.Import();  // cancelled
  EXPECT_TRUE(dialogs_.Boxes.empty());
}

TEST_F(AutoClose, AFailedExportKeepsTheOldFileAndSaysSo) {
  dir_.Write("old.Tim", std::string(116, 'x'));
  form_.Show();
  dialogs_.Files.push_back(dir_.File("old.Tim"));
  // A file-size limit makes the write fail as a full disk would (root passes every permission).
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 50;
  auto* previous = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  form_.Export();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);

  EXPECT_EQ(dir_.Read("old.Tim"), std::string(116, 'x'));
  ASSERT_EQ(dialogs_.Boxes.size(), 1u);
  EXPECT_NE(dialogs_.Boxes[0].Text.find(Utf8ToGbk("无法保存文件")), std::string::npos);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left";
}

// ---- Brightness schedule -------------------------------------------------------------------

class AutoBright : public ScheduleForms {
 protected:
  AutoBright() { view_.onShow = [this] { form_.Show(); }; }
  std::vector<std::string> Levels() const {
    std::vector<std::string> levels;
    for (int h = 0; h < 24; ++h) {
      const TGridCell at = BrightCellOfHour(h);
      levels.push_back(form_.Cell(at.Col, at.Row));
    }
    return levels;
  }
  TAutoBrightController form_{view_, dialogs_, operations_, Current()};
};

TEST_F(AutoBright, TheCommandAsksTheCardThenShowsTheScreensSchedule) {
  Store(screen_->BrightSchedule(), ReadFixture("bright_levels.Bri"));
  form_.Execute();
  ASSERT_EQ(operations_.Calls.size(), 1u);
  EXPECT_EQ(operations_.Calls[0].What, "ReadBrightSchedule");
  EXPECT_EQ(view_.modals, 1);
  EXPECT_EQ(form_.Caption(), Utf8ToGbk("自动亮度调节设置-->控制卡0"));
  EXPECT_EQ(form_.Cell(0, 0), Utf8ToGbk("          时间段"));
  EXPECT_EQ(form_.Cell(2, 0), Utf8ToGbk("          时间段"));
  EXPECT_EQ(form_.Cell(1, 0), Utf8ToGbk("      亮度等级"));
  EXPECT_EQ(form_.Cell(3, 0), Utf8ToGbk("      亮度等级"));
  EXPECT_EQ(form_.Cell(0, 6), "05:00 --- 05:59");
  EXPECT_EQ(form_.Cell(2, 2), "13:00 --- 13:59");
  EXPECT_EQ(form_.Cell(1, 9), Utf8ToGbk("7级亮度")) << "byte 9 at hour 8";
  EXPECT_EQ(form_.Cell(3, 2), Utf8ToGbk("6级亮度")) << "hour 13";
  EXPECT_TRUE(form_.Auto());
  EXPECT_FALSE(form_.Picker().Visible);
}

TEST_F(AutoBright, StatusTwentyEightFillsTheVisibleDialog) {
  form_.Show();
  Store(screen_->BrightSchedule(), ReadFixture("bright_other.Bri"));
  screen_->SetStatus(model::ssBrightScheduleRead);
  form_.StatusChanged(*screen_);
  EXPECT_EQ(form_.Cell(1, 1), Utf8ToGbk("0级亮度"));
  view_.visible = true;
  form_.StatusChanged(*screen_);
  EXPECT_EQ(form_.Cell(1, 2), Utf8ToGbk("1级亮度"));
  EXPECT_FALSE(form_.Auto());
}

TEST_F(AutoBright, TheDropDownTakesTheCellsLevelAndWritesItsChoice) {
  form_.Show();
  form_.SetCell(3, 2, Utf8ToGbk("3级亮度"));
  form_.CellClick(3, 2);
  EXPECT_EQ(form_.Picker(), (TCellPicker{true, 3, 2}));
  EXPECT_EQ(form_.PickerLevel(), 3);
  form_.PickerChosen(5);
  EXPECT_EQ(form_.Cell(3, 2), Utf8ToGbk("5级亮度"));

  form_.SetCell(1, 4, "unknown");
  form_.CellClick(1, 4);
  EXPECT_EQ(form_.PickerLevel(), 7);
  form_.CellClick(2, 4);
  EXPECT_FALSE(form_.Picker().Visible);
}

TEST_F(AutoBright, DownloadSendsLevelsByName) {
  Store(screen_->BrightSchedule(), ReadFixture("bright_levels.Bri"));
  form_.Show();
  form_.Download();
  ASSERT_EQ(operations_.Calls.size(), 1u);
  EXPECT_EQ(operations_.Calls[0].What, "WriteBrightSchedule");
  EXPECT_EQ(operations_.Calls[0].Block, ReadFixture("bright_levels.Bri.encoded"));
  form_.Refresh();
  EXPECT_EQ(operations_.Calls[1].What, "ReadBrightSchedule");
}

TEST_F(AutoBright, ImportChangesTheDialogOnlyAndExportWritesIt) {
  form_.Show();
  dialogs_.Files.push_back(test::FixturePath("bright_levels.Bri"));
  form_.Import();
  EXPECT_EQ(dialogs_.FileRequests[0].Filter, Utf8ToGbk("亮度文件|*.Bri"));
  EXPECT_EQ(dialogs_.FileRequests[0].FileName, "*.Bri");
  EXPECT_EQ(Bytes(screen_->BrightSchedule()), std::string(28, '\0'));
  EXPECT_TRUE(form_.Auto());
  EXPECT_EQ(form_.Cell(1, 10), Utf8ToGbk("7级亮度"));

  dialogs_.Files.push_back(dir_.File("levels"));
  form_.Export();
  EXPECT_EQ(dir_.Read("levels.Bri"), ReadFixture("bright_levels.Bri.encoded"));

  // A short file replaces only its bytes of what the dialog shows: the marker and hours 0-5.
  dir_.Write("short.Bri", ReadFixture("bright_zero.Bri").substr(0, 10));
  dialogs_.Files.push_back(dir_.File("short.Bri"));
  form_.Import();
  EXPECT_FALSE(form_.Auto());
  EXPECT_EQ(form_.Cell(1, 6), Utf8ToGbk("0级亮度"));
  EXPECT_EQ(form_.Cell(1, 7), Utf8ToGbk("6级亮度"));
}

// ---- Manual brightness ---------------------------------------------------------------------

TEST_F(ScheduleForms, BrightAdjustStartsAtTheScreensBrightnessAndSendsTheSpin) {
  TBrightAdjustController form(view_, operations_, Current());
  screen_->SetBright(4);
  form.Execute();
  EXPECT_EQ(form.Value(), 4);
  EXPECT_EQ(view_.modals, 1);
  form.SetValue(5);
  form.Adjust();
  ASSERT_EQ(operations_.Calls.size(), 1u);
  EXPECT_EQ(operations_.Calls[0].What, "SetBright");
  EXPECT_EQ(operations_.Calls[0].Screen, screen_);
  EXPECT_EQ(operations_.Calls[0].Level, 5);

  screen_->SetBright(12);  // a card's answer can say anything; the spin holds 0..7
  form.Execute();
  EXPECT_EQ(form.Value(), 7);
  form.SetValue(-3);
  EXPECT_EQ(form.Value(), 0);
}

TEST_F(ScheduleForms, WithoutAScreenNothingIsAsked) {
  screen_ = nullptr;
  TAutoCloseController power(view_, dialogs_, operations_, Current());
  TAutoBrightController bright(view_, dialogs_, operations_, Current());
  TBrightAdjustController adjust(view_, operations_, Current());
  power.Execute();
  power.Show();
  power.Download();
  bright.Execute();
  bright.Show();
  bright.Download();
  adjust.Execute();
  adjust.Adjust();
  EXPECT_TRUE(operations_.Calls.empty());
  EXPECT_EQ(view_.modals, 3);
  EXPECT_EQ(power.Caption(), Utf8ToGbk("自动开关屏设置-->"));
}

}  // namespace
}  // namespace editor
