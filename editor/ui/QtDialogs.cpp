#include "QtDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>

#include "editor/ui/QtText.h"

namespace editor::ui {

TMessageAnswer TQtDialogs::MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                                      TMessageButtons buttons) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case TMessageIcon::None: qtIcon = QMessageBox::NoIcon; break;
    case TMessageIcon::Information: qtIcon = QMessageBox::Information; break;
    case TMessageIcon::Question: qtIcon = QMessageBox::Question; break;
    case TMessageIcon::Warning: qtIcon = QMessageBox::Warning; break;
    case TMessageIcon::Error: qtIcon = QMessageBox::Critical; break;
  }
  QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
  switch (buttons) {
    case TMessageButtons::Ok: qtButtons = QMessageBox::Ok; break;
    case TMessageButtons::OkCancel: qtButtons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case TMessageButtons::YesNo: qtButtons = QMessageBox::Yes | QMessageBox::No; break;
    case TMessageButtons::YesNoCancel: qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
  }
  QMessageBox box(qtIcon, QStringFromGbk(caption), QStringFromGbk(text), qtButtons, QApplication::activeWindow());
  switch (box.exec()) {
    case QMessageBox::Ok: return TMessageAnswer::Ok;
    case QMessageBox::Yes: return TMessageAnswer::Yes;
    case QMessageBox::No: return TMessageAnswer::No;
    default: break;
  }
  // Closed without a choice: the box's escape answer.
  if (buttons == TMessageButtons::Ok) return TMessageAnswer::Ok;
  if (buttons == TMessageButtons::YesNo) return TMessageAnswer::No;
  return TMessageAnswer::Cancel;
}

bool TQtClipboard::HasDisplayFormat() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasFormat(DisplayFormatMime);
}

std::string TQtClipboard::DisplayFormat() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return {};
  return data->data(DisplayFormatMime).toStdString();
}

void TQtClipboard::SetDisplayFormat(const std::string& bytes) {
  auto* data = new QMimeData;
  data->setData(DisplayFormatMime, QByteArray(bytes.data(), qsizetype(bytes.size())));
  QGuiApplication::clipboard()->setMimeData(data);
}

void TQtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace editor::ui
