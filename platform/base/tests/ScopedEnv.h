#pragma once
// Sets an environment variable for its lifetime (null unsets it) and puts the old value back.
#include <cstdlib>
#include <optional>
#include <string>

namespace platform::test {

class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~TScopedEnv() { old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str()); }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace platform::test
