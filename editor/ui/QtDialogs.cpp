#include "QtDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>

#include "editor/ui/QtText.h"
#include "platform/base/FilePath.h"

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

namespace {

// "description|pattern|description|pattern" as Qt writes it: "description (patterns)" per line.
// Names on Linux are case-sensitive while the patterns are written for a system where they are
// not, so each pattern also comes in lower and upper case.
QString QtFilter(std::string_view filter) {
  const QStringList parts = QStringFromGbk(filter).split(u'|');
  QStringList lines;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts))
      for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
        if (!patterns.contains(variant)) patterns << variant;
    lines << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
  }
  return lines.join(QStringLiteral(";;"));
}

// The start name, unless it is only a pattern.
QString StartName(std::string_view fileName) {
  const QString name = QStringFromGbk(fileName);
  return name.contains(u'*') || name.contains(u'?') ? QString() : name;
}

std::optional<std::string> Chosen(const QString& name) {
  if (name.isEmpty()) return std::nullopt;
  return platform::GbkPathFromOs(QFile::encodeName(name).toStdString());
}

}  // namespace

std::optional<std::string> TQtDialogs::OpenFileName(std::string_view filter, std::string_view fileName) {
  return Chosen(QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), StartName(fileName),
                                             QtFilter(filter)));
}

std::optional<std::string> TQtDialogs::SaveFileName(std::string_view filter, std::string_view fileName) {
  return Chosen(QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), StartName(fileName),
                                             QtFilter(filter)));
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
