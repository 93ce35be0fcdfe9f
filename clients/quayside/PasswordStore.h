#pragma once
// The stored password in the application's settings: QSettings for the user (the native
// format, which on Linux is an INI file named .conf), organisation "Local AppWizard-Generated
// Applications", application "Quayside", group "Quayside", key "password" - the file
//   $XDG_CONFIG_HOME/Local AppWizard-Generated Applications/Quayside.conf
// It holds the password in plain text, as it always has, so the file is made 0600 before its
// first write and set 0600 after each, and its folder is made 0700.
#include <string>

#include "clients/quayside/PasswordLock.h"

namespace quayside {

class TSettingsPasswordStore final : public TPasswordStore {
 public:
  static constexpr const char* Organization = "Local AppWizard-Generated Applications";
  static constexpr const char* Application = "Quayside";
  static constexpr const char* Key = "Quayside/password";

  std::string Read() override;
  bool Write(const std::string& password) override;
  // The settings file's path.
  static std::string FileName();
};

}  // namespace quayside
