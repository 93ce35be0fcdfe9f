#pragma once
// "请输入密码": one edit for the password. OK accepts an entry that opens the lock; any other
// shows "密码输错误" with the stop icon and cancels the dialog.
#include <QDialog>

#include "clients/quayside/PasswordLock.h"
#include "clients/quayside/Questions.h"

class QLineEdit;
class QPushButton;

namespace quayside {

class TPasswordDialog final : public QDialog {
  Q_OBJECT

 public:
  TPasswordDialog(TPasswordStore& store, TMessageBoxes& boxes, QWidget* parent = nullptr);

  QLineEdit* Entry() const { return entry_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void Check();

  TPasswordStore& store_;
  TMessageBoxes& boxes_;
  QLineEdit* entry_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace quayside
