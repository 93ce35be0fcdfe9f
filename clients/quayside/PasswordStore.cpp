#include "PasswordStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace quayside {

namespace {

std::unique_ptr<QSettings> Settings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     TSettingsPasswordStore::Organization,
                                     TSettingsPasswordStore::Application);
}

// Makes every missing folder of `path` 0700.
bool MakeFolders(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
    return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string TSettingsPasswordStore::FileName() { return Settings()->fileName().toStdString(); }

std::string TSettingsPasswordStore::Read() {
  return Settings()->value(Key).toString().toStdString();
}

bool TSettingsPasswordStore::Write(const std::string& password) {
  const auto settings = Settings();
  const std::string file = settings->fileName().toStdString();
  const std::string folder = QFileInfo(settings->fileName()).absolutePath().toStdString();
  if (!MakeFolders(folder)) return false;
  // Made private before the password first goes in; the settings writer keeps the mode of the
  // file it replaces.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const bool private_ = ::fchmod(fd, 0600) == 0;
  ::close(fd);
  if (!private_) return false;
  settings->setValue(Key, QString::fromStdString(password));
  settings->sync();
  const bool written = settings->status() == QSettings::NoError;
  return ::chmod(file.c_str(), 0600) == 0 && written;
}

}  // namespace quayside
