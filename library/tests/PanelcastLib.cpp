#include "PanelcastLib.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

namespace panelcast::test {

std::string LibraryPath() { return PANELCAST_LIBRARY; }

std::string CopyLibrary() {
  static std::atomic<int> serial{0};
  namespace fs = std::filesystem;
  const std::string copy =
      (fs::temp_directory_path() /
       ("panelcast-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + ".so"))
          .string();
  std::error_code error;
  fs::copy_file(LibraryPath(), copy, fs::copy_options::overwrite_existing, error);
  if (error) {
    ADD_FAILURE() << "cannot copy " << LibraryPath() << ": " << error.message();
    return {};
  }
  return copy;
}

std::unique_ptr<TPanelcastLib> TPanelcastLib::Load() {
  std::unique_ptr<TPanelcastLib> lib(new TPanelcastLib);
  lib->copy_ = CopyLibrary();
  if (lib->copy_.empty()) return nullptr;
  lib->handle_ = dlopen(lib->copy_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib->handle_) {
    ADD_FAILURE() << "dlopen: " << dlerror();
    return nullptr;
  }
  bool complete = true;
#define PANELCAST_RESOLVE(name)                                                  \
  lib->name = reinterpret_cast<decltype(&::name)>(dlsym(lib->handle_, #name));   \
  if (!lib->name) {                                                              \
    ADD_FAILURE() << "missing call " #name;                                      \
    complete = false;                                                            \
  }
  PANELCAST_CALLS(PANELCAST_RESOLVE)
#undef PANELCAST_RESOLVE
  if (!complete) return nullptr;
  return lib;
}

TPanelcastLib::~TPanelcastLib() {
  // The copy stays mapped (its link threads and thread-local queues may outlive this object);
  // only its file goes.
  if (!copy_.empty()) unlink(copy_.c_str());
}

}  // namespace panelcast::test
