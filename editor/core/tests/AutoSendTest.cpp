#include "editor/core/AutoSend.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "Fakes.h"
#include "ScheduleFixtures.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;
using test::TFakeDialogs;
using test::TTempFolder;

using test::ReadFixture;

std::span<const uint8_t> Span(const std::string& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

// The script's reading of a list: its interval and entries.
TAutoSendList Expected(const std::string& name) {
  std::istringstream in(ReadFixture(name + ".txt"));
  TAutoSendList list;
  std::string word;
  in >> word >> list.Interval;
  std::string line;
  std::getline(in, line);
  for (auto& entry : list.Entries) {
    std::getline(in, line);
    entry.Enabled = line[0] == '1';
    entry.Path = line.size() > 2 ? Utf8ToGbk(line.substr(2)) : std::string();
  }
  return list;
}

void RegisterTreeClasses() {
  for (const platform::TClassInfo* cls :
       {&model::TLEDScreen::StaticClassInfo(), &model::TLeaf::StaticClassInfo(),
        &model::TMultiCard::StaticClassInfo(), &model::TCards::StaticClassInfo()})
    if (!model::ComponentManager().IsRegistered(*cls)) model::ComponentManager().RegisterClass(*cls);
}

// The sender's view: counts its changes and answers the interval dialog with `interval`.
class TFakeView : public TAutoSendView {
 public:
  void Changed() override { ++changes; }
  int RunIntervalDialog(int value) override {
    shown.push_back(value);
    return interval;
  }
  int changes = 0;
  int interval = 10;
  std::vector<int> shown;
};

class AutoSend : public ::testing::Test {
 protected:
  AutoSend() {
    RegisterTreeClasses();
    options_.ListPath = dir_.File("AutoSend.Lst");
    options_.Clock = &clock_;
    // Remembers the name of the loaded root's first screen.
    options_.Send = [this](model::TConstructer& root) { sent_.push_back(root.GetScreen(0)->Text()); };
  }

  // A display-content file whose one screen is called `name`.
  std::string MakeFmt(const std::string& file, const std::string& name) {
    model::TConstructer root(nullptr);
    root.GetScreen(0)->SetText(name);
    const std::string path = dir_.File(file);
    EXPECT_TRUE(root.SaveToFile(path));
    return path;
  }

  // `seconds` ticks of Timer1 on the fake clock.
  void Run(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      clock_.Advance(TAutoSend::Timer1Interval);
      platform::ProcessMessages();
    }
  }

  TTempFolder dir_;
  TFakeDialogs dialogs_;
  platform::TFakeClock clock_;
  TAutoSendOptions options_;
  std::vector<std::string> sent_;
};

TEST_F(AutoSend, ListFixturesDecodeAsTheScriptSays) {
  for (const char* name : {"two.Lst", "interval0.Lst", "interval70000.Lst", "unterminated.Lst"}) {
    SCOPED_TRACE(name);
    auto list = DecodeAutoSendList(Span(ReadFixture(name)));
    ASSERT_TRUE(list);
    const TAutoSendList expected = Expected(name);
    EXPECT_EQ(list->Interval, expected.Interval);
    EXPECT_EQ(list->Entries, expected.Entries);
  }
  auto two = DecodeAutoSendList(Span(ReadFixture("two.Lst")));
  EXPECT_EQ(two->NextIndex, 7u);
  EXPECT_TRUE(two->Running);
  EXPECT_FALSE(DecodeAutoSendList(Span(ReadFixture("short.Lst"))));
  // A longer file is read for its first 5433 bytes.
  EXPECT_TRUE(DecodeAutoSendList(Span(ReadFixture("two.Lst") + "tail")));
}

TEST_F(AutoSend, EncodingWritesWholeEntriesAndAZeroTail) {
  TAutoSendList list = *DecodeAutoSendList(Span(ReadFixture("two.Lst")));
  list.NextIndex = 0;
  const auto block = EncodeAutoSendList(list);
  EXPECT_EQ(std::string(block.begin(), block.end()), ReadFixture("two.Lst.saved"));
  // A path with no room for its zero is not cut into another file's name.
  list.Entries[2] = {true, std::string(AutoSendPathField, 'p')};
  const auto again = EncodeAutoSendList(list);
  EXPECT_EQ(std::string(again.begin(), again.end()), ReadFixture("two.Lst.saved"));
}

TEST_F(AutoSend, ShowReadsTheListIntoTheGrid) {
  dir_.Write("AutoSend.Lst", ReadFixture("two.Lst"));
  TFakeView view;
  TAutoSend sender(dialogs_, options_);
  sender.SetView(&view);
  sender.Show();
  EXPECT_EQ(sender.Cell(0, 0), Utf8ToGbk("是否发送"));
  EXPECT_EQ(sender.Cell(1, 0), Utf8ToGbk("文件名"));
  EXPECT_EQ(sender.Cell(0, 1), Utf8ToGbk("   √"));
  EXPECT_EQ(sender.Cell(1, 1), "a.fmt");
  EXPECT_EQ(sender.Cell(0, 2), "");
  EXPECT_EQ(sender.Cell(1, 2), Utf8ToGbk("节目二.fmt"));
  EXPECT_EQ(sender.Cell(1, 3), "");
  EXPECT_EQ(sender.NextIndex(), 0u) << "reading starts the list again";
  EXPECT_EQ(sender.Interval(), 10u);
  EXPECT_EQ(sender.TimeValue(), 10);
  EXPECT_GT(view.changes, 0);

  // Clamped intervals reach the time dialog's spin.
  dir_.Write("AutoSend.Lst", ReadFixture("interval70000.Lst"));
  ASSERT_TRUE(sender.ReadList());
  EXPECT_EQ(sender.TimeValue(), 65535);
  dir_.Write("AutoSend.Lst", ReadFixture("interval0.Lst"));
  ASSERT_TRUE(sender.ReadList());
  EXPECT_EQ(sender.Interval(), 10u);
}

TEST_F(AutoSend, AnUnreadableListChangesNothing) {
  dir_.Write("AutoSend.Lst", ReadFixture("unterminated.Lst"));
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  EXPECT_EQ(sender.Cell(1, 1), "");
  EXPECT_EQ(sender.Cell(0, 1), "") << "an unterminated path is an empty entry";
  EXPECT_EQ(sender.Cell(1, 2), Utf8ToGbk("节目二.fmt"));
  const TAutoSendList before = sender.List();

  dir_.Write("AutoSend.Lst", ReadFixture("short.Lst"));
  EXPECT_FALSE(sender.ReadList());
  std::filesystem::remove(dir_.File("AutoSend.Lst"));
  EXPECT_FALSE(sender.ReadList());
  ASSERT_EQ(::mkfifo(dir_.File("AutoSend.Lst").c_str(), 0600), 0);
  EXPECT_FALSE(sender.ReadList());  // returns at once: a pipe is never read as data
  EXPECT_EQ(sender.List(), before);
  EXPECT_EQ(sender.Interval(), 12u);
  EXPECT_EQ(sender.Cell(1, 2), Utf8ToGbk("节目二.fmt"));
  EXPECT_TRUE(dialogs_.Boxes.empty());
}

TEST_F(AutoSend, SavingTheReadGridGivesTheScriptsBytes) {
  // The fixture's paths are relative: they exist in the working folder.
  struct TWorkingFolder {
    explicit TWorkingFolder(const std::string& path) { std::filesystem::current_path(path); }
    ~TWorkingFolder() { std::filesystem::current_path(saved); }
    std::filesystem::path saved = std::filesystem::current_path();
  } folder(dir_.Path());
  dir_.Write("a.fmt", "x");
  dir_.Write(platform::GbkToUtf8(Utf8ToGbk("节目二.fmt")), "x");
  dir_.Write("AutoSend.Lst", ReadFixture("two.Lst"));
  {
    TAutoSend sender(dialogs_, options_);
    ASSERT_TRUE(sender.ReadList());
    sender.StartStop();
    ASSERT_TRUE(sender.Save());
    EXPECT_EQ(dir_.Read("AutoSend.Lst"), ReadFixture("two.Lst.saved"));
    sender.StartStop();
  }
}

TEST_F(AutoSend, SaveDropsRowsWhoseFileIsGoneAndTakesTheTimeDialogsValue) {
  TFakeView view;
  view.interval = 70000;
  TAutoSend sender(dialogs_, options_);
  sender.SetView(&view);
  const std::string a = MakeFmt("a.fmt", "A"), b = MakeFmt("b.fmt", "B"), c = MakeFmt("c.fmt", "C");
  sender.SetFile(1, a);
  sender.SetFile(2, b);
  sender.SetFile(4, c);
  sender.MouseDown(0, 4);
  sender.MouseDown(0, 2);
  sender.MouseDown(0, 2);  // toggled back
  sender.MouseDown(1, 1);  // not the mark's column
  std::filesystem::remove(b);
  sender.SetInterval();
  EXPECT_EQ(view.shown, std::vector<int>{10});
  EXPECT_EQ(sender.Interval(), 65535u);
  ASSERT_TRUE(sender.Save());

  auto saved = DecodeAutoSendList(Span(dir_.Read("AutoSend.Lst")));
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->Interval, 65535u);
  EXPECT_FALSE(saved->Running);
  EXPECT_EQ(saved->Entries[0], (TAutoSendEntry{false, a}));
  EXPECT_EQ(saved->Entries[1], (TAutoSendEntry{true, c}));
  EXPECT_EQ(saved->Entries[2], TAutoSendEntry{});
}

TEST_F(AutoSend, ASaveThatCannotBeWrittenSaysSo) {
  options_.ListPath = dir_.File("missing-folder/AutoSend.Lst");
  TAutoSend sender(dialogs_, options_);
  EXPECT_FALSE(sender.Save());
  ASSERT_EQ(dialogs_.Boxes.size(), 1u);
  EXPECT_NE(dialogs_.Boxes[0].Text.find(Utf8ToGbk("无法保存文件")), std::string::npos);
}

TEST_F(AutoSend, ThePickerRefusesAPathTheListCannotHold) {
  TAutoSend sender(dialogs_, options_);
  dialogs_.Files.push_back("/" + std::string(AutoSendPathMax - 1, 'p'));
  dialogs_.Files.push_back("/" + std::string(AutoSendPathMax, 'q'));
  sender.PickFile(3);
  ASSERT_EQ(dialogs_.FileRequests.size(), 1u);
  EXPECT_EQ(dialogs_.FileRequests[0].Filter, Utf8ToGbk("显示描述文件|*.Fmt"));
  EXPECT_EQ(dialogs_.FileRequests[0].FileName, "*.Fmt");
  EXPECT_EQ(sender.Cell(1, 3).size(), AutoSendPathMax);
  sender.PickFile(3);
  EXPECT_EQ(sender.Cell(1, 3).size(), AutoSendPathMax) << "the 261-byte path is refused";
  ASSERT_EQ(dialogs_.Boxes.size(), 1u);
  EXPECT_EQ(dialogs_.Boxes[0].Caption, MessageCaption());
  sender.PickFile(3);  // cancelled
  EXPECT_EQ(sender.Cell(1, 3).size(), AutoSendPathMax);
}

class AutoSendTicks : public AutoSend {
 protected:
  // A list of `n` files named F0.. with the enabled ones marked, read as the dialog would.
  void MakeList(int n, std::initializer_list<int> enabled, uint32_t interval = 10) {
    TAutoSendList list;
    list.Interval = interval;
    for (int i = 0; i < n; ++i) list.Entries[size_t(i)].Path = MakeFmt("f" + std::to_string(i) + ".fmt", "F" + std::to_string(i));
    for (int i : enabled) list.Entries[size_t(i)].Enabled = true;
    const auto block = EncodeAutoSendList(list);
    dir_.Write("AutoSend.Lst", std::string(block.begin(), block.end()));
  }
};

TEST_F(AutoSendTicks, FirstSendAtTheFirstTickThenEveryElevenSeconds) {
  MakeList(3, {0, 2});
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  EXPECT_EQ(sender.StartCaption(), Utf8ToGbk("启 动"));
  sender.StartStop();
  EXPECT_EQ(sender.StartCaption(), Utf8ToGbk("停 止"));
  EXPECT_EQ(sender.Timer1().Interval(), 1000u);
  Run(1);
  EXPECT_EQ(sent_, std::vector<std::string>{"F0"});
  Run(10);
  EXPECT_EQ(sent_.size(), 1u);
  Run(1);
  EXPECT_EQ(sent_, (std::vector<std::string>{"F0", "F2"}));
  Run(11);
  EXPECT_EQ(sent_, (std::vector<std::string>{"F0", "F2", "F0"}));
  sender.StartStop();
  EXPECT_FALSE(sender.Running());
  Run(30);
  EXPECT_EQ(sent_.size(), 3u);
}

TEST_F(AutoSendTicks, OnlyTheLastEntryIsSentEveryRoundAndTheIndexWraps) {
  MakeList(19, {18});
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  sender.StartStop();
  Run(1);
  EXPECT_EQ(sent_, std::vector<std::string>{"F18"});
  EXPECT_EQ(sender.NextIndex(), 0u) << "past entry 18 the index wraps";
  Run(22);
  EXPECT_EQ(sent_, (std::vector<std::string>{"F18", "F18", "F18"}));
}

TEST_F(AutoSendTicks, WithEveryEntryDisabledNothingIsSentAndTheTimerRuns) {
  MakeList(5, {});
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  sender.StartStop();
  Run(40);
  EXPECT_TRUE(sent_.empty());
  EXPECT_TRUE(sender.Running());
  EXPECT_EQ(sender.NextIndex(), 0u) << "three rounds of 19 tries";
}

TEST_F(AutoSendTicks, AFileThatDoesNotLoadIsSkipped) {
  MakeList(3, {0, 1, 2});
  dir_.Write("f1.fmt", "not object text");
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  sender.StartStop();
  Run(12);
  EXPECT_EQ(sent_, (std::vector<std::string>{"F0", "F2"}));
}

TEST_F(AutoSendTicks, NothingIsLoadedWhileTheLastSendRuns) {
  MakeList(2, {0, 1});
  // The send leaves the screen waiting for its parameters, as a card operation does.
  options_.Send = [this](model::TConstructer& root) {
    sent_.push_back(root.GetScreen(0)->Text());
    root.GetScreen(0)->SetStatus(4);
  };
  TAutoSend sender(dialogs_, options_);
  ASSERT_TRUE(sender.ReadList());
  sender.StartStop();
  Run(1);
  model::TLEDScreen* screen = sender.Root().GetScreen(0);
  for (int status : {4, 34, 9, 2, 5, 35}) {
    screen->SetStatus(status);
    Run(15);
    EXPECT_EQ(sent_.size(), 1u) << status;
    EXPECT_EQ(sender.Root().GetScreen(0), screen) << "the screen is not freed under its send";
  }
  screen->SetStatus(6);  // send done
  Run(1);
  EXPECT_EQ(sent_, (std::vector<std::string>{"F0", "F1"}));
  sender.Root().GetScreen(0)->SetStatus(3);  // timed out: not sending either
  Run(11);
  EXPECT_EQ(sent_.size(), 3u);
}

TEST(AutoSendStatus, SendingStatuses) {
  for (int status = 0; status <= 35; ++status) {
    const bool sending = status == 2 || status == 4 || status == 5 || status == 9 || status == 34 || status == 35;
    EXPECT_EQ(IsSendingStatus(status), sending) << status;
  }
}

}  // namespace
}  // namespace editor
