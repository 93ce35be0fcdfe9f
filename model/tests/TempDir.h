#pragma once
// A fresh directory for one test, removed with everything in it afterwards.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace model::test {

class TTempDir {
 public:
  TTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "model-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TTempDir() { std::filesystem::remove_all(path_); }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  std::string File(const char* name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace model::test
