#include "PasswordDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quayside {

TPasswordDialog::TPasswordDialog(TPasswordStore& store, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes) {
  setWindowTitle(QStringLiteral("请输入密码"));
  entry_ = new QLineEdit(this);
  entry_->setEchoMode(QLineEdit::Password);
  ok_ = new QPushButton(QStringLiteral("确定"), this);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("请输入密码"), this));
  layout->addWidget(entry_);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &TPasswordDialog::Check);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TPasswordDialog::Check() {
  if (CheckPassword(store_, entry_->text().toStdString())) {
    accept();
    return;
  }
  boxes_.Show("密码输错误", biStop);
  reject();
}

}  // namespace quayside
