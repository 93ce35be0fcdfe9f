// The password rules on a store in memory. No password is printed: comparisons go through
// EXPECT_TRUE so a failure shows no value.
#include <gtest/gtest.h>

#include <string>

#include "clients/quayside/PasswordLock.h"

namespace quayside {
namespace {

class TMemoryStore final : public TPasswordStore {
 public:
  std::string Read() override { return value; }
  bool Write(const std::string& password) override {
    ++writes;
    if (!writable) return false;
    value = password;
    return true;
  }
  std::string value;
  bool writable = true;
  int writes = 0;
};

TEST(PasswordLock, EmptyStoreGetsTheDefault) {
  TMemoryStore store;
  EXPECT_FALSE(CheckPassword(store, "wrong"));
  EXPECT_TRUE(store.value == DefaultPassword);
  EXPECT_EQ(1, store.writes);
  EXPECT_TRUE(CheckPassword(store, DefaultPassword));
  EXPECT_EQ(1, store.writes);  // written once, when it was empty
}

TEST(PasswordLock, MasterAndStoredPass) {
  TMemoryStore store;
  store.value = "s3cret";
  EXPECT_TRUE(CheckPassword(store, "s3cret"));
  EXPECT_TRUE(CheckPassword(store, MasterPassword));
  for (const char* wrong : {"", "S3CRET", "s3cret ", "plivanK", DefaultPassword})
    EXPECT_FALSE(CheckPassword(store, wrong)) << "case " << std::string(wrong).size();
  EXPECT_EQ(0, store.writes);
}

TEST(PasswordLock, Change) {
  struct TCase {
    const char* Old;
    const char* New;
    const char* Repeated;
    TPasswordChange Result;
    bool Stored;  // the store then holds New
  };
  const TCase cases[] = {
      {"old", "new1", "new2", pcMismatch, false},
      {"bad", "new1", "new2", pcMismatch, false},  // the repetition is checked first
      {"bad", "new", "new", pcWrongOld, false},
      {"old", "new", "new", pcChanged, true},
      {MasterPassword, "new", "new", pcChanged, true},
      {"old", "", "", pcChanged, true},
  };
  for (const TCase& c : cases) {
    TMemoryStore store;
    store.value = "old";
    EXPECT_EQ(c.Result, ChangePassword(store, c.Old, c.New, c.Repeated));
    EXPECT_TRUE(store.value == (c.Stored ? c.New : "old"));
  }
  TMemoryStore locked;
  locked.value = "old";
  locked.writable = false;
  EXPECT_EQ(pcNotStored, ChangePassword(locked, "old", "new", "new"));
}

}  // namespace
}  // namespace quayside
