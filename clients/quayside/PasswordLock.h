#pragma once
// The password that guards the card settings. The stored password lives in the application's
// settings (the Qt side stores it); the master password always opens the lock. Both are kept
// as they have always been for compatibility: the stored one is plain text in a file only its
// owner can read. No password is ever logged or shown.
#include <string>

namespace quayside {

constexpr const char* MasterPassword = "plivank";
// Written to the settings by the first check when none is stored.
constexpr const char* DefaultPassword = "57203916";

class TPasswordStore {
 public:
  virtual ~TPasswordStore() = default;
  virtual std::string Read() = 0;
  // False when it could not be stored.
  virtual bool Write(const std::string& password) = 0;
};

// The stored password; an empty one is first replaced by (and written as) the default.
std::string StoredPassword(TPasswordStore& store);

// Whether `entry` opens the lock: the master password or the stored one, exactly.
bool CheckPassword(TPasswordStore& store, const std::string& entry);

enum TPasswordChange {
  pcChanged,    // the new password is stored
  pcMismatch,   // the new password and its repetition differ ("新密码不匹配")
  pcWrongOld,   // the old password is neither the master nor the stored one ("旧密码输入错误")
  pcNotStored,  // right, but the settings could not be written
};
TPasswordChange ChangePassword(TPasswordStore& store, const std::string& oldPassword,
                               const std::string& newPassword, const std::string& repeated);

}  // namespace quayside
