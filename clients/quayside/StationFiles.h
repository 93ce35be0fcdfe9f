#pragma once
// The station client's files, both written and read with XmlDocument:
//   "MulConf.xml"      ROOT > ITEM > Card0 .. Card9 > IP, Width, Height, Addr, Name, Type
//   "QuaynetData.xml"  ROOT > ITEM per item > DisplayText, DisplayMethod, DisplaySpeed,
//                      AutoSend, SendTime, FontName, FontSize, CardNo, XCOOR, YCOOR,
//                      DispalyTime
// Text is written exactly as appending builds it: no declaration, no indentation, CR LF after
// every element, "<name/>" for empty data. Strings stay the GBK bytes they are.
//
// A file that is missing, unreadable, not a regular file or not parsing gives an empty list,
// without a message. Saves replace the file atomically: a failed save leaves the old one whole.
#include <string>
#include <string_view>
#include <vector>

#include "clients/quayside/StationData.h"

namespace quayside {

constexpr const char* CardFileName = "MulConf.xml";
constexpr const char* ItemFileName = "QuaynetData.xml";

// Cards: Card0 .. Card9 among the children of every "ITEM" of the first top-level element, each
// name looked for after the last one found; at most MaxCards in all. A card's fields are looked
// for in order, each after the last one found; a missing one stays 0 or empty.
std::vector<TStationCard> CardsFromXml(std::string_view text);
// At most the first MaxCards cards.
std::string CardsToXml(const std::vector<TStationCard>& cards);

// Items: every "ITEM" of the first top-level element, its fields looked for in order. A
// DispalyTime of 0 or less (or none) reads as 10.
std::vector<TDisplayItem> ItemsFromXml(std::string_view text);
// An empty list gives an empty text (no root element).
std::string ItemsToXml(const std::vector<TDisplayItem>& items);

// The whole file, or an empty text for anything that is not a readable regular file.
std::string ReadStationFile(const std::string& path);
std::vector<TStationCard> LoadCards(const std::string& path);
std::vector<TDisplayItem> LoadItems(const std::string& path);
// False and a reason when the file could not be replaced.
bool SaveCards(const std::string& path, const std::vector<TStationCard>& cards,
               std::string* error = nullptr);
bool SaveItems(const std::string& path, const std::vector<TDisplayItem>& items,
               std::string* error = nullptr);

}  // namespace quayside
