#include "MessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace kestrel1 {

void TMessageBoxService::Show(const QString& title, const QString& text) {
  QMessageBox::information(QApplication::activeWindow(), title, text);
}

}  // namespace kestrel1
