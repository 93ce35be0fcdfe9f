#include "ChangePasswordDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quayside {

TChangePasswordDialog::TChangePasswordDialog(TPasswordStore& store, TMessageBoxes& boxes,
                                             QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes) {
  setWindowTitle(QStringLiteral("更改密码"));
  auto makeEntry = [this] {
    auto* entry = new QLineEdit(this);
    entry->setEchoMode(QLineEdit::Password);
    return entry;
  };
  old_ = makeEntry();
  new_ = makeEntry();
  repeat_ = makeEntry();
  ok_ = new QPushButton(QStringLiteral("确定"), this);
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("原密码"), old_);
  form->addRow(QStringLiteral("新密码"), new_);
  form->addRow(QStringLiteral("确仍新密码"), repeat_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &TChangePasswordDialog::Change);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TChangePasswordDialog::Change() {
  switch (ChangePassword(store_, old_->text().toStdString(), new_->text().toStdString(),
                         repeat_->text().toStdString())) {
    case pcChanged:
      accept();
      return;
    case pcMismatch:
      boxes_.Show("新密码不匹配", biStop);
      return;
    case pcWrongOld:
      boxes_.Show("旧密码输入错误", biStop);
      return;
    case pcNotStored:
      boxes_.Show("无法保存新密码", biStop);
      return;
  }
}

}  // namespace quayside
