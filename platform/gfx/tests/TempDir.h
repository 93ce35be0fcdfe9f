#pragma once
// A fresh folder under the system's temporary folder for tests that need picture files on
// disk; removed with everything in it when the object goes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gfxtest {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gfxpicXXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes a file of that name and content; returns its path.
  std::string File(const std::string& name, const std::vector<uint8_t>& content) const {
    std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
    return p;
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace gfxtest
