// pageflat's two readers of bytes from outside: the request message and the flat ODF text
// whose page layouts it rewrites. Neither may read outside its input; the rewrite keeps every
// byte outside the tags it changes, so the output is never shorter than the part it keeps.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/pageflat/PageLayout.h"
#include "tools/pageflat/Request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pageflat::ReadRequestMessage(data, size);
  if (size < 2) return 0;
  // The first two bytes pick the page size.
  const int width = 1 + data[0] * 257;
  const int height = 1 + data[1] * 257;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  pageflat::SetPageLayouts(text, width, height);
  return 0;
}
