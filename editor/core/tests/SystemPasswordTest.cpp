// The password file against records made by Python's struct module, the prompt and the
// set-password dialog over a recording view, with a program directory of the test's own.
#include "editor/core/SystemPassword.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "editor/core/tests/Fakes.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;

const std::string Default = "57203916";

std::string Fixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(std::string(CORVANE_FIXTURES) + "/dialogs/" + name, content)) << name;
  return content;
}

std::string Printable(char first, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += char(first + int(i));
  return s;
}

TEST(PasswordFile, ReadsTheRecordsTheScriptMade) {
  test::TTempFolder dir;
  struct TCase {
    const char* File;
    std::string Expected;
  } cases[] = {
      {"n0.sat", ""},
      {"n8.sat", "Ab3$xY9z"},
      {"n62.sat", Printable(0x21, 62)},
      {"ab.sat", "ab"},
      // More than a record holds, and a file too short for the record it declares.
      {"n63.sat", Default},
      {"short40.sat", Default},
  };
  for (const auto& c : cases) {
    dir.Write("Service.sat", Fixture(c.File));
    EXPECT_EQ(ReadSystemPassword(dir.File("Service.sat")), c.Expected) << c.File;
  }
  EXPECT_EQ(ReadSystemPassword(dir.File("missing.sat")), Default);
  // A pipe is no password file: reading it neither waits nor takes what it gives.
  ASSERT_EQ(::mkfifo(dir.File("fifo.sat").c_str(), 0600), 0);
  EXPECT_EQ(ReadSystemPassword(dir.File("fifo.sat")), Default);
  EXPECT_EQ(ReadSystemPassword(dir.Path()), Default);
}

TEST(PasswordFile, WritesWhatTheScriptWrites) {
  test::TTempFolder dir;
  const std::string path = dir.File("Service.sat");
  for (auto [password, file] : {std::pair<std::string, const char*>{"", "n0.sat"}, {"Ab3$xY9z", "n8.sat"},
                                {Printable(0x21, 62), "n62.sat"}, {"ab", "ab.sat"}}) {
    ASSERT_TRUE(WriteSystemPassword(path, password)) << file;
    EXPECT_EQ(dir.Read("Service.sat"), Fixture(file)) << file;
    EXPECT_EQ(ReadSystemPassword(path), password) << file;
  }
  // "ab": the length, each letter XOR the key, then the key 0x61 + 0x62 = 0xC3.
  const std::string ab = dir.Read("Service.sat");
  ASSERT_EQ(ab.size(), PasswordFileSize);
  EXPECT_EQ(ab.substr(263, 4), std::string("\x02\xA2\xA1\xC3", 4));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Over 62 bytes nothing is written; the old password stays.
  EXPECT_FALSE(WriteSystemPassword(path, Printable(0x21, 63)));
  EXPECT_EQ(ReadSystemPassword(path), "ab");
  EXPECT_FALSE(EncodePasswordFile(Printable(0x21, 63)));
  // Letter case counts.
  EXPECT_NE(ReadSystemPassword(path), "Ab");
}

// ---- Dialogs ----------------------------------------------------------------------------------

class TPromptView : public TPasswordPromptView {
 public:
  std::string Password() const override { return Typed; }
  void ClearPassword() override { Typed.clear(); }
  void FocusPassword() override { ++Focuses; }
  void Close() override { ++Closes; }
  std::string Typed;
  int Focuses = 0, Closes = 0;
};

class TSetView : public TPassView {
 public:
  void StateChanged(const TPassFormState& s) override { State = s; }
  std::string OldPassword() const override { return Old; }
  std::string NewPassword() const override { return New; }
  std::string ConfirmPassword() const override { return Confirm; }
  void ClearEdits() override { Old = New = Confirm = ""; }
  bool Checked() const override { return Check; }
  void SetChecked(bool checked) override { Check = checked; }
  void FocusNewPassword() override { ++NewFocuses; }
  void Close() override { ++Closes; }
  TPassFormState State;
  std::string Old, New, Confirm;
  bool Check = false;
  int NewFocuses = 0, Closes = 0;
};

struct TPasswordRig {
  test::TTempFolder Dir;
  test::TFakeDialogs Dialogs;
  TPromptView PromptView;
  TSetView SetView;
  TInputPassWordForm Prompt{PromptView, Dialogs, PasswordFilePath(Dir.Path())};
  TPassForm Set{SetView, Dialogs, PasswordFilePath(Dir.Path()), platform::TSettingsFile(Dir.File("Param.ini"))};

  // The prompt shown, `typed` entered with "确  定"; true when it let the user in.
  bool Enter(const std::string& typed) {
    Prompt.Show();
    PromptView.Typed = typed;
    Prompt.Confirm();
    const bool accepted = Prompt.Accepted();
    Prompt.Closed();
    return accepted;
  }
  std::string LastBox() const { return Dialogs.Boxes.empty() ? "" : Dialogs.Boxes.back().Text; }
  std::string EnterSwitch() { return platform::TSettingsFile(Dir.File("Param.ini")).ReadString("Param", "Enter", "-"); }
};

TEST(PasswordPrompt, TheStoredPasswordLetsInAndAWrongOneMayBeRetried) {
  TPasswordRig rig;
  // Without a file the default password applies.
  EXPECT_TRUE(rig.Enter(Default));
  EXPECT_EQ(rig.PromptView.Closes, 1);
  EXPECT_TRUE(rig.PromptView.Typed.empty());

  rig.Prompt.Show();
  for (int attempt = 0; attempt < 3; ++attempt) {
    rig.PromptView.Typed = "5720391";
    rig.Prompt.Confirm();
    EXPECT_FALSE(rig.Prompt.Accepted());
    EXPECT_EQ(rig.LastBox(), Utf8ToGbk("您输入的密码错误，请重新输入!"));
    EXPECT_EQ(rig.Dialogs.Boxes.back().Caption, MessageCaption());
  }
  EXPECT_EQ(rig.PromptView.Closes, 1);  // still open
  rig.PromptView.Typed = Default;
  rig.Prompt.Confirm();
  EXPECT_TRUE(rig.Prompt.Accepted());
  // "返  回" lets nobody in.
  rig.Prompt.Show();
  rig.PromptView.Typed = Default;
  rig.Prompt.Return();
  EXPECT_FALSE(rig.Prompt.Accepted());

  // A stored empty password takes an empty entry; letter case counts.
  ASSERT_TRUE(WriteSystemPassword(PasswordFilePath(rig.Dir.Path()), ""));
  EXPECT_TRUE(rig.Enter(""));
  EXPECT_FALSE(rig.Enter(Default));
  ASSERT_TRUE(WriteSystemPassword(PasswordFilePath(rig.Dir.Path()), "ab"));
  EXPECT_FALSE(rig.Enter("Ab"));
  EXPECT_TRUE(rig.Enter("ab"));
}

TEST(SetPassword, ShowsOneStepOrTheOtherByWhetherAFileExists) {
  const std::string ask = Utf8ToGbk("口令设置(按回车键确认输入口令)");
  const std::string set = Utf8ToGbk("口令设置(按<确定>确认输入的密码)");
  struct TCase {
    bool FileExists;
    const char* Ini;
    TPassFormState Expected;
    bool Checked;
  } cases[] = {
      {true, "", {ask, true, false, false, false, false, 0x000000, 0x808080, 0x808080}, true},
      {false, "[Param]\nEnter=0\n", {set, false, true, true, true, true, 0x808080, 0x000000, 0x000000}, false},
      {false, "[Param]\nEnter=1\n", {set, false, true, true, true, true, 0x808080, 0x000000, 0x000000}, true},
  };
  for (const auto& c : cases) {
    TPasswordRig rig;
    if (c.FileExists) {
      ASSERT_TRUE(WriteSystemPassword(PasswordFilePath(rig.Dir.Path()), "old"));
    }
    rig.Dir.Write("Param.ini", c.Ini);
    rig.SetView.Old = rig.SetView.New = "left over";
    rig.Set.Show();
    EXPECT_EQ(rig.SetView.State, c.Expected) << c.FileExists;
    EXPECT_EQ(rig.Set.State(), c.Expected);
    EXPECT_EQ(rig.SetView.Check, c.Checked);
    EXPECT_TRUE(rig.SetView.Old.empty() && rig.SetView.New.empty());
  }
}

TEST(SetPassword, TheOldPasswordOpensTheNewOneWhichIsStoredWithTheSwitch) {
  TPasswordRig rig;
  const std::string file = PasswordFilePath(rig.Dir.Path());
  ASSERT_TRUE(WriteSystemPassword(file, "old"));
  rig.Set.Show();
  // "确  定" does nothing while only the old password may be typed.
  rig.SetView.New = rig.SetView.Confirm = "new";
  rig.Set.Confirm();
  EXPECT_EQ(ReadSystemPassword(file), "old");

  rig.SetView.Old = "OLD";
  rig.Set.OldPasswordEntered();
  EXPECT_EQ(rig.LastBox(), Utf8ToGbk("旧密码不对，您无权修改密码！"));
  EXPECT_TRUE(rig.SetView.State.OldEnabled);
  rig.SetView.Old = "old";
  rig.Set.OldPasswordEntered();
  EXPECT_FALSE(rig.SetView.State.OldEnabled);
  EXPECT_EQ(rig.SetView.State.OldLabelColor, PasswordLabelGrey);
  EXPECT_TRUE(rig.SetView.State.NewEnabled && rig.SetView.State.ConfirmEnabled && rig.SetView.State.OkEnabled &&
              rig.SetView.State.CheckEnabled);
  EXPECT_EQ(rig.SetView.State.NewLabelColor, PasswordLabelBlack);
  EXPECT_EQ(rig.SetView.NewFocuses, 1);

  rig.SetView.Confirm = "neW";
  rig.Set.Confirm();
  EXPECT_EQ(rig.LastBox(), Utf8ToGbk("输入密码不一致，请重新输入!"));
  EXPECT_EQ(rig.SetView.Closes, 0);
  EXPECT_EQ(ReadSystemPassword(file), "old");

  rig.SetView.Confirm = "new";
  rig.SetView.Check = false;
  rig.Set.Confirm();
  EXPECT_TRUE(rig.Set.Stored());
  EXPECT_EQ(rig.SetView.Closes, 1);
  EXPECT_EQ(ReadSystemPassword(file), "new");
  EXPECT_EQ(rig.EnterSwitch(), "0");
  rig.Set.Closed();
  EXPECT_TRUE(rig.SetView.New.empty());

  // The default no longer opens the guarded dialogs; the new password does.
  EXPECT_FALSE(rig.Enter(Default));
  EXPECT_TRUE(rig.Enter("new"));
}

TEST(SetPassword, WithoutAFileTheDefaultOpensUntilANewPasswordIsSet) {
  TPasswordRig rig;
  EXPECT_TRUE(rig.Enter(Default));
  rig.Set.Show();
  rig.SetView.New = rig.SetView.Confirm = "secret";
  rig.SetView.Check = true;
  rig.Set.Confirm();
  EXPECT_EQ(rig.EnterSwitch(), "1");
  EXPECT_FALSE(rig.Enter(Default));
  EXPECT_TRUE(rig.Enter("secret"));
}

// A disk that takes no more than a few bytes per file: the password file cannot be written
// (whoever runs the test, root included).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

TEST(SetPassword, APasswordThatCannotBeStoredLeavesTheSwitchTheFileAndTheDialog) {
  TPasswordRig rig;
  const std::string file = PasswordFilePath(rig.Dir.Path());
  ASSERT_TRUE(WriteSystemPassword(file, "old"));
  rig.Dir.Write("Param.ini", "[Param]\nEnter=0\n");
  const std::string oldBytes = rig.Dir.Read("Service.sat");
  rig.Set.Show();
  rig.SetView.Old = "old";
  rig.Set.OldPasswordEntered();
  rig.SetView.New = rig.SetView.Confirm = "new";
  rig.SetView.Check = true;
  {
    TFileSizeLimit tiny(64);
    rig.Set.Confirm();
  }
  EXPECT_FALSE(rig.Set.Stored());
  EXPECT_EQ(rig.SetView.Closes, 0);
  ASSERT_FALSE(rig.Dialogs.Boxes.empty());
  EXPECT_EQ(rig.Dialogs.Boxes.back().Caption, MessageCaption());
  EXPECT_EQ(rig.LastBox(), Utf8ToGbk("新口令未能保存，请检查程序目录是否可以写入!"));
  EXPECT_EQ(rig.Dir.Read("Service.sat"), oldBytes);
  EXPECT_EQ(rig.EnterSwitch(), "0");
  // Once the disk takes it again, the same "确  定" stores it.
  rig.Set.Confirm();
  EXPECT_TRUE(rig.Set.Stored());
  EXPECT_EQ(rig.EnterSwitch(), "1");
}

}  // namespace
}  // namespace editor
