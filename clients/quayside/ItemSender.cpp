#include "ItemSender.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "clients/quayside/ItemPicture.h"
#include "panelcast.h"
#include "platform/base/GbkText.h"

namespace quayside {

namespace {

constexpr int32_t kSendKind = 17;

// The card numbers effects and speeds from 1: the index plus one (wrapping, never overflowing,
// for a value edited by hand).
int32_t CardOrdinal(int32_t index) { return int32_t(uint32_t(index) + 1u); }

// Room a card name takes in a refusal, so the value after it always fits the status pane.
constexpr size_t kNameBytes = 128;

// The card as the card dialog shows it: "显示卡N", then its name in quotes when it has one.
std::string CardLabel(const TDisplayItem& item, const TStationCard& card) {
  std::string label = "显示卡" + std::to_string(int64_t(item.CardNo) + 1);
  if (!card.Name.empty())
    label += "“" + platform::GbkToUtf8(platform::GbkPrefix(card.Name, kNameBytes)) + "”";
  return label;
}

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
  // The window's right and bottom are the card's width and height, 16 bits each on the wire:
  // anything else would reach the card wrapped or with the window inside out.
  if (!CardSideInRange(card.Width)) return srBadWidth;
  if (!CardSideInRange(card.Height)) return srBadHeight;
  if (item.XCOOR < 0 || item.XCOOR >= card.Width || item.YCOOR < 0 || item.YCOOR >= card.Height)
    return srOutsideCard;
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

std::string RefusalText(TSendResult result, const TDisplayItem& item,
                        const std::vector<TStationCard>& cards) {
  const bool known = item.CardNo >= 0 && size_t(item.CardNo) < cards.size();
  const TStationCard card = known ? cards[size_t(item.CardNo)] : TStationCard{};
  char text[128];
  switch (result) {
    case srSent:
      return {};
    case srNoCard:
      if (item.CardNo < 0) return "没有选择显示卡，无法发送";
      return CardLabel(item, card) + "不存在，无法发送";
    case srBadColorMode:
      std::snprintf(text, sizeof text, "的显示类型%d无效，无法发送", int(card.Type));
      return CardLabel(item, card) + text;
    case srBadWidth:
      std::snprintf(text, sizeof text, "的宽度%d不在1至%d之间，无法发送", int(card.Width),
                    int(MaxCardSide));
      return CardLabel(item, card) + text;
    case srBadHeight:
      std::snprintf(text, sizeof text, "的高度%d不在1至%d之间，无法发送", int(card.Height),
                    int(MaxCardSide));
      return CardLabel(item, card) + text;
    case srOutsideCard:
      std::snprintf(text, sizeof text, "坐标(%d, %d)不在", int(item.XCOOR), int(item.YCOOR));
      return text + CardLabel(item, card) + "之内，无法发送";
    case srTooLarge:
      return "显示内容过大，无法发送";
    case srBuildFailed:
      return "显示内容生成失败，无法发送";
  }
  return {};
}

}  // namespace quayside
