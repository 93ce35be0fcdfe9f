// libFuzzer target: the skin-file reader and a look-up of every theme item, pictures decoded.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/gfx/BmpImage.h"
#include "skin/SkinFileReader.h"
#include "skin/SkinThemes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    skin::TSkinFileData d = skin::ReadSkinFile(data, size);
    for (int item = 1; item <= skin::kThemeItemCount; ++item) {
      const std::string_view key = skin::ThemeItemKey(item);
      (void)d.Integer(key);
      (void)d.Boolean(key);
      if (const std::vector<uint8_t>* bmp = d.Image(key)) {
        try {
          platform::TBitmap b = platform::ReadBmp(bmp->data(), bmp->size());
          (void)b;
        } catch (const std::exception&) {
        }
      }
    }
  } catch (const skin::ESkinFileError&) {
  }
  return 0;
}
