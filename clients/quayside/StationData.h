#pragma once
// The station client's two lists: the cards (network display cards, each a screen of a size and
// colour type) and the display items (texts to show on a card). Strings are GBK bytes, as they
// stand in the files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quayside {

// One display card; its index in the card list is its card number.
struct TStationCard {
  std::string IP;  // dotted IPv4
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Addr = 0;  // only the low 8 bits go to the card
  std::string Name;
  int32_t Type = 0;  // 0 single colour, 1 two colours

  // The card's colour mode: Type 0 gives 1, Type 1 gives 2, any other value gives itself.
  int32_t ColorMode() const;
  // Whether the colour mode is one a program can be built in (1..4).
  bool Sendable() const;
  // Red (0x000000FF) for Type 0, yellow (0x0000FFFF) for every other Type.
  uint32_t TextColor() const;

  bool operator==(const TStationCard&) const = default;
};

// One text to show on a card. A value record: the list holds copies.
struct TDisplayItem {
  int32_t XCOOR = 0;
  int32_t YCOOR = 0;
  int32_t DispalyTime = 10;  // seconds; 0 or less stands for 10 (see DisplaySeconds)
  int32_t CardNo = 0;
  std::string DisplayText;  // lines separated by LF (CR LF in files made on Windows)
  int32_t DisplayMethod = 0;  // effect index 0..20
  int32_t DisplaySpeed = 0;   // speed index 0..6
  std::string FontName;
  int32_t FontSize = 0;  // points
  std::string SendTime;  // decimal seconds since 1970; only its local time of day counts
  int32_t AutoSend = 0;  // 1: sent every day at SendTime

  bool operator==(const TDisplayItem&) const = default;
};

// At most this many cards are read and written (Card0 to Card9).
constexpr size_t MaxCards = 10;

// A card's width and height go to the card as 16-bit window edges: 1..MaxCardSide.
constexpr int32_t MaxCardSide = 65535;
constexpr bool CardSideInRange(int32_t side) { return side >= 1 && side <= MaxCardSide; }

// The display time an item is written and sent with: its own, or 10 s when it is 0 or less
// (the value every item file used to carry).
int32_t DisplaySeconds(const TDisplayItem& item);

// A decimal number read as atoi does: leading blanks, a sign, digits; no digits read as 0.
// The value saturates at the ends of the 32-bit (64-bit) range instead of wrapping.
int32_t ReadNumber(std::string_view text);
int64_t ReadNumber64(std::string_view text);
// "%d".
std::string FormatNumber(int64_t value);

}  // namespace quayside
