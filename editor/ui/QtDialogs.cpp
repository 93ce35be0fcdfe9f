#include "QtDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>

#include "editor/core/SystemPassword.h"
#include "editor/ui/DateTimeInput.h"
#include "editor/ui/PreView.h"
#include "editor/ui/ProjectForm.h"
#include "editor/ui/QtText.h"
#include "editor/ui/SystemPassword.h"
#include "editor/ui/TextInput.h"
#include "platform/base/AppPaths.h"
#include "platform/base/FilePath.h"

namespace editor::ui {

TQtDialogs::TQtDialogs(std::string programDir)
    : programDir_(programDir.empty() ? platform::ProgramDir() : std::move(programDir)) {}

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

// "description|pattern|description|pattern" with patterns joined by ";" -> Qt's
// "description (pattern pattern);;description (pattern)". Names on Linux are case-sensitive
// while the patterns were written for a system where they are not ("*.Tim" must list "a.TIM"),
// so each pattern also comes in lower and upper case.
QString QtFilter(std::string_view gbkFilter) {
  const QStringList parts = QStringFromGbk(gbkFilter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts))
      for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
        if (!patterns.contains(variant)) patterns << variant;
    filters << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return filters.join(";;");
}

// A name with wildcards only says what to list; it is no name to offer.
QString QtInitialName(std::string_view gbkName) {
  const QString name = QStringFromGbk(gbkName);
  return name.contains('*') || name.contains('?') ? QString() : name;
}

std::optional<std::string> GbkPath(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  return platform::GbkPathFromOs(chosen.toStdString());
}

// The request's folder when it exists, else `lastFolder` (empty: Qt's choice, the working folder).
QString StartFolder(const TFileRequest& request, const QString& lastFolder) {
  if (!request.InitialDir.empty()) {
    const QString folder = QString::fromStdString(platform::OsPathFromGbk(request.InitialDir));
    if (QFileInfo(folder).isDir()) return folder;
  }
  return lastFolder;
}

// The file list in the program's language whatever the system's locale: Qt's list writes its
// dates in the system's locale ("10 Dec 2026 12:38") and calls a folder "Folder", a text Qt's
// Chinese catalogue does not hold.
class TChineseFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid()) return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
      case TypeColumn:
        if (files->isDir(source)) return QString::fromUtf8("文件夹");
        break;
      case DateColumn:
        return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
      default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  // QFileSystemModel's columns: name, size, type, date modified.
  static constexpr int TypeColumn = 2;
  static constexpr int DateColumn = 3;
};

// A file dialog as the request describes it; a typed name without an extension gets the
// request's default one. `lastFolder` is where the previous one ended, and becomes where this one
// does.
std::optional<std::string> RunFileDialog(const TFileRequest& request, QFileDialog::AcceptMode mode,
                                         QString& lastFolder, const TModalRun& run) {
  QFileDialog dialog(QApplication::activeWindow(), QStringFromGbk(request.Title), StartFolder(request, lastFolder),
                     QtFilter(request.Filter));
  dialog.setAcceptMode(mode);
  // Qt's own dialog: it matches the patterns in any case ("*.fmt" lists "a.Fmt"), where a
  // desktop's dialog may not.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new TChineseFileList(&dialog));
  if (mode == QFileDialog::AcceptOpen) {
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    // The caller asks before overwriting, so the dialog does not.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  if (!request.DefaultExt.empty()) dialog.setDefaultSuffix(QStringFromGbk(request.DefaultExt));
  const QString initial = QtInitialName(request.FileName);
  if (!initial.isEmpty()) dialog.selectFile(initial);
  dialog.setObjectName(mode == QFileDialog::AcceptOpen ? "OpenDialog" : "SaveDialog");
  RunModal(dialog, run);
  if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().first();
  lastFolder = QFileInfo(chosen).absolutePath();
  return GbkPath(chosen);
}

}  // namespace

std::optional<std::string> TQtDialogs::OpenFileName(const TFileRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptOpen, lastFolder_, RunModal);
}

std::optional<std::string> TQtDialogs::SaveFileName(const TFileRequest& request) {
  return RunFileDialog(request, QFileDialog::AcceptSave, lastFolder_, RunModal);
}

bool TQtDialogs::InputPassword() {
  if (Forms.InputPassWord) return Forms.InputPassWord->Execute(RunModal);
  TInputPassWordFormView prompt(*this, PasswordFilePath(programDir_));
  return prompt.Execute(RunModal);
}

bool TQtDialogs::SetPassword() { return Forms.Pass && Forms.Pass->Execute(RunModal); }

void TQtDialogs::ProjectSettings() {
  if (Forms.Project) Forms.Project->Execute(RunModal);
}

bool TQtDialogs::SetCampaignTime() { return Forms.Campaign && Forms.Campaign->Execute(RunModal); }

void TQtDialogs::EditSubCards(model::TCards& cards) {
  if (Forms.MultiCard) Forms.MultiCard->Execute(cards, RunModal);
}

std::optional<std::string> TQtDialogs::InputDateTime(platform::TDateTime initial) {
  if (!Forms.DateTimeInput) return std::nullopt;
  return Forms.DateTimeInput->Execute(initial, RunModal);
}

std::optional<std::string> TQtDialogs::EditRichText(const std::string& gbkFileName) {
  if (!Forms.MultiInput) return std::nullopt;
  return Forms.MultiInput->Execute(gbkFileName, RunModal);
}

std::optional<std::vector<std::string>> TQtDialogs::EditTextLines(const std::vector<std::string>& gbkLines,
                                                                  const platform::TFontDescription& font) {
  if (!Forms.MultiStringInput) return std::nullopt;
  return Forms.MultiStringInput->Execute(gbkLines, font, RunModal);
}

void TQtDialogs::ShowPreview(const TPreviewRequest& request) {
  if (previewForm_) previewForm_->Execute(request);
}

bool TQtCardPrompts::AskYesNo(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Question, QStringFromGbk(caption), QStringFromGbk(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> TQtCardPrompts::AskSaveFileName(std::string_view filter, std::string_view fileName) {
  return GbkPath(QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), QtInitialName(fileName),
                                              QtFilter(filter)));
}

void TQtCardPrompts::ShowPreview(const model::TLEDScreen& source, std::span<const uint8_t> program) {
  ShowReadBackPreview(dialogs_, source, program);
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
