#pragma once
// "更改密码": the old password, the new one and its repetition. OK stores the new password when
// the two agree and the old one opens the lock, and closes; otherwise it says why with the stop
// icon and stays open.
#include <QDialog>

#include "clients/quayside/PasswordLock.h"
#include "clients/quayside/Questions.h"

class QLineEdit;
class QPushButton;

namespace quayside {

class TChangePasswordDialog final : public QDialog {
  Q_OBJECT

 public:
  TChangePasswordDialog(TPasswordStore& store, TMessageBoxes& boxes, QWidget* parent = nullptr);

  QLineEdit* OldEntry() const { return old_; }
  QLineEdit* NewEntry() const { return new_; }
  QLineEdit* RepeatEntry() const { return repeat_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void Change();

  TPasswordStore& store_;
  TMessageBoxes& boxes_;
  QLineEdit* old_;
  QLineEdit* new_;
  QLineEdit* repeat_;
  QPushButton* ok_;
};

}  // namespace quayside
