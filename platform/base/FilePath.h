#pragma once
// File names. In the model and the editor a path is GBK text like any other string (the current
// file, recent files, FileName properties, object text); it becomes the OS's bytes (UTF-8) only
// where a file is opened, and comes back to GBK where a path arrives from Qt, argv or the OS.
#include <string>
#include <string_view>

namespace platform {

// GBK path -> the OS's bytes, for open(), stat() and friends.
std::string OsPathFromGbk(std::string_view gbkPath);
// The OS's bytes (UTF-8) -> GBK path. A name's bytes come back unchanged through OsPathFromGbk
// even where they are not UTF-8 (a Latin-1 or GBK name) or name a character GBK cannot hold:
// such bytes travel as GBK codes assigned to no character. `lossless` (when given) tells whether
// every character of the name has a GBK form; a name that has none cannot be stored in a project
// faithfully for another system.
std::string GbkPathFromOs(std::string_view osPath, bool* lossless = nullptr);

// The name with its extension set to `ext` (".spj"): an existing extension that equals `ext`
// ignoring case is kept as it is, any other is replaced, a name without one gets `ext`.
// Works on GBK and OS paths alike ('/' separates folders, '.' starts the extension).
std::string SetFileExt(std::string_view path, std::string_view ext);
// The extension with its dot ("" when the last name has none).
std::string ExtractFileExt(std::string_view path);
// The last name of the path, and the folder before it (with its trailing '/', "" when none).
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);

// The OS path made absolute against the current folder ("" stays ""; an absolute path and a
// path when the current folder is unknown stay as they are). Nothing is resolved: links and
// ".." remain.
std::string AbsolutePath(std::string_view osPath);

// True when the OS path names an existing regular file.
bool RegularFileExists(const std::string& osPath);
// True when the OS path names a regular file this process may run.
bool ProgramFileExists(const std::string& osPath);

}  // namespace platform
