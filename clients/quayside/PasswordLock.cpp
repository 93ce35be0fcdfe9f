#include "PasswordLock.h"

namespace quayside {

std::string StoredPassword(TPasswordStore& store) {
  std::string stored = store.Read();
  if (stored.empty()) {
    stored = DefaultPassword;
    store.Write(stored);
  }
  return stored;
}

bool CheckPassword(TPasswordStore& store, const std::string& entry) {
  const std::string stored = StoredPassword(store);
  return entry == MasterPassword || entry == stored;
}

TPasswordChange ChangePassword(TPasswordStore& store, const std::string& oldPassword,
                               const std::string& newPassword, const std::string& repeated) {
  if (newPassword != repeated) return pcMismatch;
  if (!CheckPassword(store, oldPassword)) return pcWrongOld;
  return store.Write(newPassword) ? pcChanged : pcNotStored;
}

}  // namespace quayside
