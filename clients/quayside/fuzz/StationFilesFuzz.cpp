// The station client's card and text files ("MulConf.xml", "QuaynetData.xml") on any bytes:
// CardsFromXml and ItemsFromXml. What they read is at most ten cards; written again and read
// back it is the same cards and items, so a save keeps every field as it was read. Seeds:
// clients/quayside/tests/fixtures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "clients/quayside/StationFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<quayside::TStationCard> cards = quayside::CardsFromXml(text);
  if (cards.size() > quayside::MaxCards) std::abort();
  if (quayside::CardsFromXml(quayside::CardsToXml(cards)) != cards) std::abort();

  const std::vector<quayside::TDisplayItem> items = quayside::ItemsFromXml(text);
  for (const quayside::TDisplayItem& item : items)
    if (item.DispalyTime <= 0) std::abort();  // 0 or less reads as 10
  if (quayside::ItemsFromXml(quayside::ItemsToXml(items)) != items) std::abort();
  return 0;
}
