#include "QuaysideDialogs.h"

#include <QPushButton>

#include "clients/quayside/CardDialog.h"
#include "clients/quayside/ChangePasswordDialog.h"
#include "clients/quayside/PasswordDialog.h"

namespace quayside {

bool TModalDialogs::AskPassword(QWidget* parent) {
  TPasswordDialog dialog(store_, boxes_, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool TModalDialogs::EditCards(QWidget* parent, std::vector<TStationCard>& cards) {
  TCardDialog dialog(cards, boxes_, nullptr, parent);
  QObject::connect(dialog.ChangePasswordButton(), &QPushButton::clicked, &dialog, [&] {
    TChangePasswordDialog change(store_, boxes_, &dialog);
    change.exec();
  });
  if (dialog.exec() != QDialog::Accepted) return false;
  cards = dialog.Cards();
  return true;
}

}  // namespace quayside
