#pragma once
// The system-password prompt "请输入系统密码" (TInputPassWordForm) and the set-password dialog
// "口令设置" (TPassForm): thin views over editor/core's controllers.
#include "skin/SkinButton.h"
#include <QDialog>
#include <QValidator>
#include <memory>
#include <string>

#include "editor/core/SystemPassword.h"
#include "editor/ui/ModalRun.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace editor::ui {

// Takes text whose GBK form is at most `limit` bytes.
class TGbkLengthValidator : public QValidator {
 public:
  TGbkLengthValidator(size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int& pos) const override;

 private:
  size_t limit_;
};

class TInputPassWordFormView : public QDialog, private TPasswordPromptView {
 public:
  // `passwordFile`: the password file's OS path.
  TInputPassWordFormView(TDialogs& dialogs, std::string passwordFile, QWidget* parent = nullptr);
  ~TInputPassWordFormView() override;

  // Shows the prompt modally; true when the password was accepted.
  bool Execute(const TModalRun& run = {});
  TInputPassWordForm& Controller() { return *controller_; }
  QLineEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* ReturnButton() const { return return_; }

 private:
  std::string Password() const override;
  void ClearPassword() override;
  void FocusPassword() override;
  void Close() override;

  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* return_;
  std::unique_ptr<TInputPassWordForm> controller_;
};

class TPassFormView : public QDialog, private TPassView {
 public:
  // `passwordFile`: the password file's OS path; `settings`: "Param.ini".
  TPassFormView(TDialogs& dialogs, std::string passwordFile, platform::TSettingsFile settings,
                QWidget* parent = nullptr);
  ~TPassFormView() override;

  // Shows the dialog modally; true when it stored a new password.
  bool Execute(const TModalRun& run = {});
  TPassForm& Controller() { return *controller_; }
  QLineEdit* OldEdit() const { return edits_[0]; }
  QLineEdit* NewEdit() const { return edits_[1]; }
  QLineEdit* ConfirmEdit() const { return edits_[2]; }
  QLabel* Label(int edit) const { return labels_[edit]; }
  skin::TskCheckBox* CheckBox() const { return check_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* ReturnButton() const { return return_; }

 private:
  void StateChanged(const TPassFormState& state) override;
  std::string OldPassword() const override;
  std::string NewPassword() const override;
  std::string ConfirmPassword() const override;
  void ClearEdits() override;
  bool Checked() const override;
  void SetChecked(bool checked) override;
  void FocusNewPassword() override;
  void Close() override;

  QLineEdit* edits_[3];
  QLabel* labels_[3];
  skin::TskCheckBox* check_;
  QPushButton* ok_;
  QPushButton* return_;
  std::unique_ptr<TPassForm> controller_;
};

}  // namespace editor::ui
