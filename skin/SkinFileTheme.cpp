#include "skin/SkinFileTheme.h"

#include <QFileInfo>
#include <QWidget>
#include <exception>

#include "platform/base/AppPaths.h"
#include "platform/gfx/BmpImage.h"
#include "skin/SkinPublic.h"
#include "skin/Skinnable.h"

namespace skin {

bool TskFileThemeMgr::Load(const std::string& path) {
  auto fresh = std::make_unique<TskThemeFileReader>(path);  // throws before anything changes
  reader_ = std::move(fresh);
  return true;
}

TskFileTheme::TskFileTheme(QObject* owner) : QObject(owner) {}

TskFileTheme::~TskFileTheme() = default;

namespace {

bool Exists(const std::string& path) { return !path.empty() && QFileInfo::exists(QString::fromStdString(path)); }

// The file-name part of a path: after the last '/', or '\\' for names written the Windows way.
std::string_view FileNamePart(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

void TskFileTheme::SetThemeFile(const QString& path) {
  if (path == themeFile_) return;
  std::string found = path.toStdString();
  if (!Exists(found)) {
    found = platform::ProgramDir() + std::string(FileNamePart(found));
    if (FileNamePart(path.toStdString()).empty() || !Exists(found)) return;
  }
  if (!IsValidSkinFile(found)) throw ESkinFileError();
  manager_.Load(found);  // throws ESkinFileError and keeps the old reader
  themeFile_ = QString::fromStdString(found);
  loaded_ = true;

  // Every skinned control of the owner's window that uses this theme reads it again.
  QObject* root = parent();
  if (auto* w = qobject_cast<QWidget*>(root)) root = w->window();
  if (!root) return;
  const QList<QObject*> all = root->findChildren<QObject*>();
  for (QObject* o : all) {
    QString name = QString::fromLatin1(o->metaObject()->className());
    name = name.mid(name.lastIndexOf(QLatin1String("::")) + (name.contains(QLatin1String("::")) ? 2 : 0));
    if (!name.startsWith(QLatin1String("Tsk")) || !HasPublishedProperty(o, "FileTheme")) continue;
    if (o->property("FileTheme").value<TskFileTheme*>() == this)
      o->setProperty("FileTheme", QVariant::fromValue(this));
  }
}

bool TskFileTheme::CheckThemeFile(const QString& path) { return IsValidSkinFile(path.toStdString()); }

bool TskFileTheme::GetImage(int item, TBitmap& bitmap) const {
  const TskThemeFileReader* reader = manager_.Reader();
  if (!reader) return false;
  const std::vector<uint8_t>* bytes = reader->Data().Image(ThemeItemKey(item));
  if (!bytes) return false;
  try {
    TBitmap decoded = platform::ReadBmp(bytes->data(), bytes->size());
    if (decoded.Width() > kMaxPictureSide || decoded.Height() > kMaxPictureSide) return false;
    bitmap = std::move(decoded);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TskFileTheme::GetImage(int item, TBitmap& bitmap, int index, int count) const {
  if (count == 0) return GetImage(item, bitmap);
  TBitmap whole;
  if (!GetImage(item, whole)) return false;
  CopyStripFrame(whole, bitmap, count, index);
  return true;
}

bool TskFileTheme::GetBool(int item) const {
  const TskThemeFileReader* reader = manager_.Reader();
  if (!reader) return false;
  return reader->Data().Boolean(ThemeItemKey(item)).value_or(false);
}

std::optional<int32_t> TskFileTheme::FindInt(int item) const {
  const TskThemeFileReader* reader = manager_.Reader();
  if (!reader) return std::nullopt;
  return reader->Data().Integer(ThemeItemKey(item));
}

int32_t TskFileTheme::GetInt(int item) const {
  if (!manager_.Reader()) return 0;
  return FindInt(item).value_or(-1);
}

TColor TskFileTheme::GetColor(int item) const { return TColor(GetInt(item)); }

}  // namespace skin
