// Feeds arbitrary bytes to the rich-text loader (RTF or plain text), writes what it read as RTF,
// reads that again and checks that nothing changed: the writer writes exactly what the reader
// keeps, so a second read and a second write must give the same document and the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/media/RichText.h"
#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const platform::TRichDocument first = platform::LoadRichText(input);
  const std::string written = platform::WriteRtf(first);
  std::optional<platform::TRichDocument> second = platform::ReadRtf(written);
  if (!second || !(*second == first)) std::abort();
  if (platform::WriteRtf(*second) != written) std::abort();
  return 0;
}
