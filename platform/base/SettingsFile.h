#pragma once
// Settings files of "[Section]" and "Key=Value" lines in GBK ("Param.ini").
//
// Sections and keys compare ignoring ASCII case; spaces inside a key belong to it ("ObjectList
// Height"); blanks around keys and values are trimmed; a value is everything after the first "="
// (commas and further "=" included). LF and CR LF both end lines. Of duplicate sections and keys
// the first wins; keys before any section belong to none and are never found.
//
// Every read and write goes to the file, so several windows that keep their own object for one
// file never lose each other's keys: a write reads the file again, changes one line (or adds the
// key at the end of its section, or the section at the end of the file), keeps every other line
// and spelling as it was and saves atomically.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class TSettingsFile {
 public:
  // `osPath`: the file's path in the OS's bytes. The file need not exist.
  explicit TSettingsFile(std::string osPath) : path_(std::move(osPath)) {}

  const std::string& Path() const { return path_; }

  // The value, or `def` when the file, section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // The value as a decimal integer (an optional sign; "$" or "0x" for hexadecimal), or `def` when
  // it is missing, not a number or out of range.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
  }
  bool ValueExists(std::string_view section, std::string_view key) const;

  // False when the file could not be saved (it is then left as it was).
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int64_t value);
  bool WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteInteger(section, key, value ? 1 : 0);
  }

  // Parses settings text; exposed for the fuzz target and for tests.
  static bool Lookup(std::string_view text, std::string_view section, std::string_view key, std::string* value);
  // Returns `text` with one key set as WriteString would write it.
  static std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

 private:
  std::string path_;
};

// Parses an integer as ReadInteger does; false when `text` is not one.
bool ParseSettingsInteger(std::string_view text, int64_t& value);

}  // namespace platform
