#include "QtMessageBoxes.h"

#include <QMessageBox>

#include "clients/quayside/QtText.h"

namespace quayside {

namespace {

const char* const kCaption = "Quayside";

}  // namespace

TAnswer TQtMessageBoxes::AskYesNoCancel(const std::string& text) {
  const auto answer = QMessageBox::question(
      parent_, kCaption, FromUtf8(text),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::Yes) return anYes;
  if (answer == QMessageBox::No) return anNo;
  return anCancel;
}

void TQtMessageBoxes::Show(const std::string& text, TBoxIcon icon) {
  QMessageBox box(icon == biStop ? QMessageBox::Critical : QMessageBox::NoIcon, kCaption,
                  FromUtf8(text), QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace quayside
