// Settings text of any bytes: look-ups and rewrites never read outside it, and a value written
// is read back as written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string value;
  platform::TSettingsFile::Lookup(text, "Param", "Files", &value);
  platform::TSettingsFile::Lookup(text, "Auto Save", "ObjectList Height", &value);
  std::string updated = platform::TSettingsFile::SetValue(text, "Param", "Left", "1,2=3");
  if (!platform::TSettingsFile::Lookup(updated, "Param", "Left", &value) || value != "1,2=3") __builtin_trap();
  return 0;
}
