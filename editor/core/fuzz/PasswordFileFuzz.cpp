// Arbitrary bytes as a password file "Service.sat". Reading never looks outside the bytes; a
// password it finds holds at most 62 bytes, only a file long enough for the record it declares
// holds one, and writing that password back gives a file that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "editor/core/SystemPassword.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto password = editor::DecodePasswordFile(bytes);
  if (!password) return 0;
  if (password->size() > editor::PasswordMaxLength) std::abort();
  if (size < editor::PasswordRecordOffset + 2 + password->size()) std::abort();
  const auto file = editor::EncodePasswordFile(*password);
  if (!file || file->size() != editor::PasswordFileSize) std::abort();
  const auto again = editor::DecodePasswordFile(*file);
  if (!again || *again != *password) std::abort();
  return 0;
}
