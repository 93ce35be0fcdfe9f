#include "SystemPassword.h"

#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr std::string_view Param = "Param";
constexpr std::string_view Enter = "Enter";

// The password of a program that was never given one. It is never shown or logged.
constexpr std::string_view DefaultPassword = "57203916";

void Tell(TDialogs& dialogs, const char* utf8, TMessageIcon icon) {
  dialogs.MessageBox(platform::Utf8ToGbk(utf8), MessageCaption(), icon, TMessageButtons::Ok);
}

uint32_t LabelColor(bool enabled) { return enabled ? PasswordLabelBlack : PasswordLabelGrey; }

}  // namespace

std::string PasswordFilePath(std::string_view programDir) { return std::string(programDir) + "Service.sat"; }

std::optional<std::string> EncodePasswordFile(std::string_view password) {
  if (password.size() > PasswordMaxLength) return std::nullopt;
  uint8_t key = 0;
  for (char c : password) key = uint8_t(key + uint8_t(c));
  std::string file(PasswordFileSize, '\0');
  size_t at = PasswordRecordOffset;
  file[at++] = char(password.size());
  for (char c : password) file[at++] = char(uint8_t(c) ^ key);
  file[at] = char(key);
  return file;
}

std::optional<std::string> DecodePasswordFile(std::string_view bytes) {
  if (bytes.size() <= PasswordRecordOffset) return std::nullopt;
  const size_t n = uint8_t(bytes[PasswordRecordOffset]);
  // The length byte, n characters and the key must all be there.
  if (n > PasswordMaxLength || bytes.size() < PasswordRecordOffset + 2 + n) return std::nullopt;
  const uint8_t key = uint8_t(bytes[PasswordRecordOffset + 1 + n]);
  std::string password(n, '\0');
  for (size_t i = 0; i < n; ++i) password[i] = char(uint8_t(bytes[PasswordRecordOffset + 1 + i]) ^ key);
  return password;
}

std::string ReadSystemPassword(const std::string& osPath) {
  std::string bytes;
  if (platform::ReadWholeFile(osPath, bytes))
    if (auto password = DecodePasswordFile(bytes)) return *password;
  return std::string(DefaultPassword);
}

bool WriteSystemPassword(const std::string& osPath, std::string_view password) {
  auto file = EncodePasswordFile(password);
  return file && platform::SaveFileAtomic(osPath, file->data(), file->size(), nullptr, 0600);
}

// ---- The prompt -------------------------------------------------------------------------------

TInputPassWordForm::TInputPassWordForm(TPasswordPromptView& view, TDialogs& dialogs, std::string passwordFile)
    : view_(view), dialogs_(dialogs), passwordFile_(std::move(passwordFile)) {}

void TInputPassWordForm::Show() {
  view_.ClearPassword();
  accepted_ = false;
  view_.FocusPassword();
}

void TInputPassWordForm::Confirm() {
  if (view_.Password() == ReadSystemPassword(passwordFile_)) {
    accepted_ = true;
    view_.Close();
    return;
  }
  Tell(dialogs_, "您输入的密码错误，请重新输入!", TMessageIcon::Warning);
  view_.FocusPassword();
}

void TInputPassWordForm::Return() {
  accepted_ = false;
  view_.Close();
}

void TInputPassWordForm::Closed() { view_.ClearPassword(); }

// ---- The set-password dialog ------------------------------------------------------------------

TPassForm::TPassForm(TPassView& view, TDialogs& dialogs, std::string passwordFile, platform::TSettingsFile settings)
    : view_(view), dialogs_(dialogs), passwordFile_(std::move(passwordFile)), settings_(std::move(settings)) {}

// The old-password step (only the old password may be typed) or the new-password step.
void TPassForm::SetOldStep(bool oldStep) {
  state_.OldEnabled = oldStep;
  state_.NewEnabled = state_.ConfirmEnabled = state_.OkEnabled = state_.CheckEnabled = !oldStep;
  state_.OldLabelColor = LabelColor(state_.OldEnabled);
  state_.NewLabelColor = LabelColor(state_.NewEnabled);
  state_.ConfirmLabelColor = LabelColor(state_.ConfirmEnabled);
  view_.StateChanged(state_);
}

void TPassForm::Show() {
  stored_ = false;
  view_.SetChecked(settings_.ReadInteger(Param, Enter, 1) == 1);
  view_.ClearEdits();
  const bool exists = platform::RegularFileExists(passwordFile_);
  state_.Caption = platform::Utf8ToGbk(exists ? PassCaptionChange : PassCaptionFirst);
  SetOldStep(exists);
}

void TPassForm::OldPasswordEntered() {
  if (!state_.OldEnabled) return;
  if (view_.OldPassword() != ReadSystemPassword(passwordFile_)) {
    Tell(dialogs_, "旧密码不对，您无权修改密码！", TMessageIcon::Warning);
    return;
  }
  SetOldStep(false);
  view_.FocusNewPassword();
}

void TPassForm::Confirm() {
  if (!state_.OkEnabled) return;
  const std::string password = view_.NewPassword();
  if (password != view_.ConfirmPassword()) {
    Tell(dialogs_, "输入密码不一致，请重新输入!", TMessageIcon::Warning);
    return;
  }
  // The switch follows the password: a start that asks for a password never stored would shut
  // the user out.
  if (!WriteSystemPassword(passwordFile_, password)) {
    Tell(dialogs_, "新口令未能保存，请检查程序目录是否可以写入!", TMessageIcon::Error);
    return;
  }
  stored_ = true;
  settings_.WriteString(Param, Enter, view_.Checked() ? "1" : "0");
  settings_.Save();
  view_.Close();
}

void TPassForm::Return() { view_.Close(); }

void TPassForm::Closed() { view_.ClearEdits(); }

}  // namespace editor
