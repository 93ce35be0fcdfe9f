#pragma once
// Settings files of "[Section]" and "Key=Value" lines in GBK ("Param.ini").
//
// Sections and keys compare ignoring ASCII case; spaces inside a key belong to it ("ObjectList
// Height"); blanks around keys and values are trimmed; a value is everything after the first "="
// (commas and further "=" included). CR LF, LF and a lone CR all end lines; lines a write adds
// end as the file's own do. Of duplicate sections and keys the first wins; keys before any
// section belong to none and are never found.
//
// The file is read once, at the first look-up or write, and kept in memory; copies of one
// TSettingsFile share that text, so the windows that each keep a copy see each other's keys. A
// write changes the text in memory (one line, or the key added at the end of its section, or the
// section at the end of the file; every other line and spelling stays as it was); Save() writes
// the text back, atomically, when the program saves its settings. Copies may be used from
// several threads.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// How a settings file is read and written (tests count the calls).
struct TSettingsStorage {
  // The file's bytes: true when read, and when there is no file (an empty text); false when the
  // file exists but cannot be read.
  std::function<bool(const std::string& osPath, std::string& content)> Read;
  // Replaces the file with `content`; false (the file left as it was) when it cannot.
  std::function<bool(const std::string& osPath, std::string_view content)> Write;
};

// The file system: ReadWholeFile and SaveFileAtomic.
TSettingsStorage FileSettingsStorage();

class TSettingsFile {
 public:
  // No file: look-ups give their defaults, writes stay in memory and Save() fails.
  TSettingsFile() : TSettingsFile(std::string()) {}
  // `osPath`: the file's path in the OS's bytes. The file need not exist.
  explicit TSettingsFile(std::string osPath, TSettingsStorage storage = FileSettingsStorage());

  const std::string& Path() const;

  // The value, or `def` when the file, section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // The value as a decimal integer (an optional sign; "$" or "0x" for hexadecimal), or `def` when
  // it is missing, not a number or out of range.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
  }
  bool ValueExists(std::string_view section, std::string_view key) const;

  // In memory, until Save(). Line breaks in a section, key or value are dropped, so a write never
  // adds lines of its own.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
  }

  // Writes the text once, atomically, when a write changed it since it was read or last saved.
  // False when it could not be saved (the file is then left as it was, and the changes are kept
  // for the next Save); a file that exists but could not be read is never replaced.
  bool Save();
  // True while written changes wait for Save().
  bool Modified() const;

  // Parses settings text; exposed for the fuzz target and for tests.
  static bool Lookup(std::string_view text, std::string_view section, std::string_view key, std::string* value);
  // Returns `text` with one key set as WriteString would write it.
  static std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

 private:
  struct TState;
  std::shared_ptr<TState> state_;
};

// Parses an integer as ReadInteger does; false when `text` is not one.
bool ParseSettingsInteger(std::string_view text, int64_t& value);

}  // namespace platform
