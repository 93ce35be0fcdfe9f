#include "ItemSender.h"

#include <algorithm>
#include <limits>

#include "clients/quayside/ItemPicture.h"
#include "panelcast.h"

namespace quayside {

namespace {

constexpr int32_t kSendKind = 17;

// The card numbers effects and speeds from 1: the index plus one (wrapping, never overflowing,
// for a value edited by hand).
int32_t CardOrdinal(int32_t index) { return int32_t(uint32_t(index) + 1u); }

}  // namespace

uint32_t PageTime(const TDisplayItem& item) {
  const int64_t time = int64_t(DisplaySeconds(item)) * 10'000'000;
  return uint32_t(std::min<int64_t>(time, std::numeric_limits<uint32_t>::max()));
}

TSendResult SendItem(int32_t device, const TDisplayItem& item,
                     const std::vector<TStationCard>& cards) {
  if (item.CardNo < 0 || size_t(item.CardNo) >= cards.size()) return srNoCard;
  const TStationCard& card = cards[size_t(item.CardNo)];
  // MakeRoot refuses other modes and keeps the program before, which a send would then deliver
  // to this card: stop before anything is built.
  if (!card.Sendable()) return srBadColorMode;
  const auto picture = RenderItemPicture(item, card);
  if (!picture) return srTooLarge;

  if (MakeRoot(kSendKind, card.ColorMode()) != 1) return srBuildFailed;
  if (AddLeaf(PageTime(item)) != 1) return srBuildFailed;
  if (picture->Width > 0) {
    const TLEDImage image = {picture->Bitmap.Bits(), int32_t(picture->Bitmap.Stride()),
                             picture->Bitmap.Width(), picture->Bitmap.Height()};
    const TLEDRect rect = {item.XCOOR, item.YCOOR, card.Width, card.Height};
    if (AddWindow(&image, picture->Width, picture->Height, &rect, CardOrdinal(item.DisplayMethod),
                  CardOrdinal(item.DisplaySpeed), 1) != 1)
      return srBuildFailed;
  }
  LED_SendToScreen(device, uint8_t(card.Addr & 0xFF), card.IP.c_str(), CardPort);
  return srSent;
}

}  // namespace quayside
