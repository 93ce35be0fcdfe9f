#pragma once
// Sending one display item to its card through the linked sending library: the item's picture
// as the one window of one page, then the card's send.
#include <cstdint>
#include <string>
#include <vector>

#include "clients/quayside/StationData.h"

namespace quayside {

// The card's UDP port.
constexpr int32_t CardPort = 6666;

enum TSendResult {
  srSent,          // the program went to the library's send queue
  srNoCard,        // CardNo names no card of the list
  srBadColorMode,  // the card's Type gives no colour mode a program can have
  srBadWidth,      // the card's Width is outside 1..MaxCardSide
  srBadHeight,     // the card's Height is outside 1..MaxCardSide
  srOutsideCard,   // XCOOR or YCOOR is not a pixel of the card
  srTooLarge,      // the picture would exceed 65535 pixels a side (or memory)
  srBuildFailed,   // the library refused a build call; nothing was sent
};

// The page's display time for the library: the item's seconds times 10,000,000, as the cards
// have always been given it, computed in 64 bits and capped at the largest u32.
uint32_t PageTime(const TDisplayItem& item);

// Builds the item's program (MakeRoot, AddLeaf, AddWindow) and sends it with LED_SendToScreen
// to the card's low address byte and IP, port 6666, only when every build call succeeded. An
// empty text sends its page alone. Nothing is built for a missing card, a bad colour mode, a
// card size the window rectangle cannot carry or a position off the card.
TSendResult SendItem(int32_t device, const TDisplayItem& item,
                     const std::vector<TStationCard>& cards);

// Why SendItem refused `item`, for the status bar (UTF-8), naming the card and the value at
// fault; empty for srSent.
std::string RefusalText(TSendResult result, const TDisplayItem& item,
                        const std::vector<TStationCard>& cards);

}  // namespace quayside
