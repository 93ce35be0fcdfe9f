#pragma once
// TskFileTheme: a theme read from a skin file. Its window owns it (QObject parent); controls
// whose UIStyle is FromThemeFile and whose FileTheme is this object take their items from it.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "skin/SkinFileReader.h"
#include "skin/SkinThemes.h"

namespace skin {

// The lists of one skin file.
class TskThemeFileReader {
 public:
  // Reads the file; throws ESkinFileError.
  explicit TskThemeFileReader(const std::string& path) : data_(ReadSkinFileAt(path)) {}
  const TSkinFileData& Data() const { return data_; }

 private:
  TSkinFileData data_;
};

// Holds at most one reader, replaced on every load.
class TskFileThemeMgr {
 public:
  // A new reader reads the file first; only when it succeeds does it replace the old one.
  // Throws ESkinFileError and keeps the old reader when the file cannot be read.
  bool Load(const std::string& path);
  const TskThemeFileReader* Reader() const { return reader_.get(); }

 private:
  std::unique_ptr<TskThemeFileReader> reader_;
};

class TskFileTheme : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString ThemeFile READ ThemeFile WRITE SetThemeFile)

 public:
  // Pictures larger than this on a side count as missing.
  static constexpr int kMaxPictureSide = 4096;

  explicit TskFileTheme(QObject* owner = nullptr);
  ~TskFileTheme() override;

  QString ThemeFile() const { return themeFile_; }
  // Loads a skin file:
  //   1. the path equal to the current one (case counts): nothing;
  //   2. the path itself, else the program directory + its file-name part; neither exists:
  //      nothing, silently;
  //   3. not a skin file, or one that cannot be read: ESkinFileError, nothing changes;
  //   4. the found path becomes ThemeFile and the theme is loaded;
  //   5. every skinned control ("Tsk" class) of the owner's window that uses this theme reads
  //      its items again.
  void SetThemeFile(const QString& path);

  // The loaded flag.
  bool CanUse() const { return loaded_; }
  static bool CheckThemeFile(const QString& path);
  TskFileThemeMgr& Manager() { return manager_; }

  // Look-ups by item number, from the current reader. Without a reader: pictures untouched,
  // integers and colours 0, booleans false. A missing integer or colour gives -1, a missing
  // boolean false; a picture that is missing or cannot be decoded leaves the bitmap untouched
  // (false).
  bool GetImage(int item, TBitmap& bitmap) const;
  bool GetImage(int item, TBitmap& bitmap, int index, int count) const;
  bool GetBool(int item) const;
  TColor GetColor(int item) const;
  int32_t GetInt(int item) const;
  // The integer list's value of an item; none when the file lacks it (or nothing is loaded).
  std::optional<int32_t> FindInt(int item) const;

 private:
  QString themeFile_;
  bool loaded_ = false;
  TskFileThemeMgr manager_;
};

}  // namespace skin
