#pragma once
// The system password that guards the program start (when "Enter" is 1 in "Param.ini"), the
// project dialog and the card-settings dialog: the password file, the prompt
// (`TInputPassWordForm`, "请输入系统密码") and the set-password dialog (`TPassForm`, "口令设置").
//
// The password is GBK bytes and lives in "Service.sat" in the program directory, a 1024-byte
// file that only its owner may read:
//
//   offset 0     263 bytes   zero
//   offset 263   u8          n, the number of password bytes (at most 62)
//   offset 264   n bytes     the password, each byte XOR the key
//   264 + n      u8          the key: the sum of the password bytes modulo 256
//   265 + n      the rest    zero
//
// Without a file that can be read, a built-in default password applies.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/core/Dialogs.h"
#include "platform/base/SettingsFile.h"

namespace editor {

inline constexpr size_t PasswordFileSize = 1024;
inline constexpr size_t PasswordRecordOffset = 263;
// The longest password a record holds: the original reader takes 64 bytes from the length byte
// on, which leaves room for 62 bytes and the key.
inline constexpr size_t PasswordMaxLength = 62;
// The set-password dialog's edits take at most this many GBK bytes each.
inline constexpr size_t PasswordEditLimit = 32;
// Labels of the set-password dialog's edits: black while the edit is enabled, else grey.
inline constexpr uint32_t PasswordLabelBlack = 0x000000, PasswordLabelGrey = 0x808080;
// The set-password dialog's captions (UTF-8): without a password file, and with one.
inline constexpr const char* PassCaptionFirst = "口令设置(按<确定>确认输入的密码)";
inline constexpr const char* PassCaptionChange = "口令设置(按回车键确认输入口令)";

// The password file of a program directory (OS path ending in "/").
std::string PasswordFilePath(std::string_view programDir);

// What the password file holds for `password`; nothing for a password over 62 bytes.
std::optional<std::string> EncodePasswordFile(std::string_view password);
// The password a file's bytes hold; nothing when they hold no record: a file shorter than the
// record it declares, or a length over 62.
std::optional<std::string> DecodePasswordFile(std::string_view bytes);

// The stored password; the default one when the file (an OS path) is missing, is no regular
// file or holds no record.
std::string ReadSystemPassword(const std::string& osPath);
// Stores `password`, replacing the file atomically with mode 0600. False, the old file left as
// it was, when the file cannot be written or the password is over 62 bytes.
bool WriteSystemPassword(const std::string& osPath, std::string_view password);

// ---- The prompt -------------------------------------------------------------------------------

class TPasswordPromptView {
 public:
  virtual ~TPasswordPromptView() = default;
  // The typed password (GBK).
  virtual std::string Password() const = 0;
  virtual void ClearPassword() = 0;
  virtual void FocusPassword() = 0;
  // Closes the prompt; the controller has decided by then whether it was accepted.
  virtual void Close() = 0;
};

class TInputPassWordForm {
 public:
  // `passwordFile`: the password file's OS path.
  TInputPassWordForm(TPasswordPromptView& view, TDialogs& dialogs, std::string passwordFile);

  // Shown: the edit is cleared and takes the focus; nothing is accepted yet.
  void Show();
  // "确  定", or Enter in the edit: the stored password (exact, case-sensitive) closes the prompt
  // accepted; anything else is refused in a box and may be tried again.
  void Confirm();
  // "返  回": closes without accepting.
  void Return();
  // The prompt closed, however: the edit is cleared.
  void Closed();

  bool Accepted() const { return accepted_; }

 private:
  TPasswordPromptView& view_;
  TDialogs& dialogs_;
  std::string passwordFile_;
  bool accepted_ = false;
};

// ---- The set-password dialog ------------------------------------------------------------------

struct TPassFormState {
  std::string Caption;  // GBK
  bool OldEnabled = false;      // "旧口令：" `Edit1`
  bool NewEnabled = false;      // "新口令：" `Edit2`
  bool ConfirmEnabled = false;  // "口令确认：" `Edit3`
  bool OkEnabled = false;       // "确  定"
  bool CheckEnabled = false;    // `CheckBox1`
  uint32_t OldLabelColor = PasswordLabelGrey;
  uint32_t NewLabelColor = PasswordLabelGrey;
  uint32_t ConfirmLabelColor = PasswordLabelGrey;
  bool operator==(const TPassFormState&) const = default;
};

class TPassView {
 public:
  virtual ~TPassView() = default;
  virtual void StateChanged(const TPassFormState& state) = 0;
  // The three edits (GBK).
  virtual std::string OldPassword() const = 0;
  virtual std::string NewPassword() const = 0;
  virtual std::string ConfirmPassword() const = 0;
  virtual void ClearEdits() = 0;
  // `CheckBox1` "  启动软件时是否要输入密码".
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual void FocusNewPassword() = 0;
  virtual void Close() = 0;
};

class TPassForm {
 public:
  // `passwordFile`: the password file's OS path; `settings`: "Param.ini", whose "Enter" the
  // check box shows and sets.
  TPassForm(TPassView& view, TDialogs& dialogs, std::string passwordFile, platform::TSettingsFile settings);

  // Shown: with a password file only the old password may be typed; without one the new
  // password may be set at once.
  void Show();
  // Enter in the old-password edit: the stored password opens the new-password edits.
  void OldPasswordEntered();
  // "确  定": equal new and confirm texts are stored, then "Enter" is set from the check box and
  // the dialog closes. A password that cannot be stored leaves "Enter" and the dialog as they
  // were, and says so.
  void Confirm();
  // "返  回".
  void Return();
  // The dialog closed, however: the edits are cleared.
  void Closed();

  const TPassFormState& State() const { return state_; }
  // True once a new password was stored in this showing.
  bool Stored() const { return stored_; }

 private:
  void SetOldStep(bool oldStep);

  TPassView& view_;
  TDialogs& dialogs_;
  std::string passwordFile_;
  platform::TSettingsFile settings_;
  TPassFormState state_;
  bool stored_ = false;
};

}  // namespace editor
