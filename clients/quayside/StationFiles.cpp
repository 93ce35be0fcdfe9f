#include "StationFiles.h"

#include <sys/stat.h>

#include "clients/quayside/XmlDocument.h"
#include "platform/base/AtomicFile.h"

namespace quayside {

namespace {

// One field of a record as the files hold it: a child element with text or a "%d" number. The
// same table reads and writes, so the two cannot drift apart.
template <typename T>
struct TField {
  const char* Name;
  std::string T::*Text = nullptr;
  int32_t T::*Number = nullptr;
};

template <typename T>
constexpr TField<T> Text(const char* name, std::string T::*member) {
  return {name, member, nullptr};
}
template <typename T>
constexpr TField<T> Number(const char* name, int32_t T::*member) {
  return {name, nullptr, member};
}

// In the order they are written and looked for.
constexpr TField<TStationCard> kCardFields[] = {
    Text("IP", &TStationCard::IP),         Number("Width", &TStationCard::Width),
    Number("Height", &TStationCard::Height), Number("Addr", &TStationCard::Addr),
    Text("Name", &TStationCard::Name),     Number("Type", &TStationCard::Type),
};
constexpr TField<TDisplayItem> kItemFields[] = {
    Text("DisplayText", &TDisplayItem::DisplayText),
    Number("DisplayMethod", &TDisplayItem::DisplayMethod),
    Number("DisplaySpeed", &TDisplayItem::DisplaySpeed),
    Number("AutoSend", &TDisplayItem::AutoSend),
    Text("SendTime", &TDisplayItem::SendTime),
    Text("FontName", &TDisplayItem::FontName),
    Number("FontSize", &TDisplayItem::FontSize),
    Number("CardNo", &TDisplayItem::CardNo),
    Number("XCOOR", &TDisplayItem::XCOOR),
    Number("YCOOR", &TDisplayItem::YCOOR),
    Number("DispalyTime", &TDisplayItem::DispalyTime),
};

// Reads the fields of the element entered, each looked for after the last one found; a
// missing one leaves its member as it is.
template <typename T, size_t N>
void ReadFields(XmlDocument& doc, const TField<T> (&fields)[N], T& record) {
  for (const TField<T>& field : fields) {
    if (!doc.FindChild(field.Name)) continue;
    if (field.Text)
      record.*field.Text = doc.ChildData();
    else
      record.*field.Number = ReadNumber(doc.ChildData());
  }
}

// Appends the fields as children of the current element.
template <typename T, size_t N>
void WriteFields(XmlDocument& doc, const TField<T> (&fields)[N], const T& record) {
  for (const TField<T>& field : fields)
    doc.AppendChild(field.Name,
                    field.Text ? record.*field.Text : FormatNumber(record.*field.Number));
}

bool Save(const std::string& path, const std::string& text, std::string* error) {
  return platform::SaveFileAtomic(path, text.data(), text.size(), error);
}

}  // namespace

std::vector<TStationCard> CardsFromXml(std::string_view text) {
  std::vector<TStationCard> cards;
  XmlDocument doc;
  if (!doc.Parse(text)) return cards;
  while (cards.size() < MaxCards && doc.FindChild("ITEM")) {
    doc.EnterChild();
    for (size_t n = 0; n < MaxCards && cards.size() < MaxCards; ++n) {
      if (!doc.FindChild("Card" + FormatNumber(int64_t(n)))) continue;
      doc.EnterChild();
      TStationCard card;
      ReadFields(doc, kCardFields, card);
      cards.push_back(card);
      doc.LeaveToParent();
    }
    doc.LeaveToParent();
  }
  return cards;
}

std::string CardsToXml(const std::vector<TStationCard>& cards) {
  XmlDocument doc;
  doc.AppendElement("ROOT", {});
  doc.AppendChild("ITEM", {});
  doc.EnterChild();
  for (size_t n = 0; n < cards.size() && n < MaxCards; ++n) {
    doc.AppendChild("Card" + FormatNumber(int64_t(n)), {});
    doc.EnterChild();
    WriteFields(doc, kCardFields, cards[n]);
    doc.LeaveToParent();
  }
  return doc.DocumentText();
}

std::vector<TDisplayItem> ItemsFromXml(std::string_view text) {
  std::vector<TDisplayItem> items;
  XmlDocument doc;
  if (!doc.Parse(text)) return items;
  while (doc.FindChild("ITEM")) {
    doc.EnterChild();
    TDisplayItem item;
    item.DispalyTime = 0;  // a missing field reads as 0, which stands for 10
    ReadFields(doc, kItemFields, item);
    item.DispalyTime = DisplaySeconds(item);
    items.push_back(item);
    doc.LeaveToParent();
  }
  return items;
}

std::string ItemsToXml(const std::vector<TDisplayItem>& items) {
  if (items.empty()) return {};
  XmlDocument doc;
  doc.AppendElement("ROOT", {});
  for (const TDisplayItem& item : items) {
    doc.AppendChild("ITEM", {});
    doc.EnterChild();
    TDisplayItem written = item;
    written.DispalyTime = DisplaySeconds(item);
    WriteFields(doc, kItemFields, written);
    doc.LeaveToParent();
  }
  return doc.DocumentText();
}

std::string ReadStationFile(const std::string& path) {
  // Only a regular file is data: a pipe or device would block or never end.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  std::string text;
  if (!platform::ReadWholeFile(path, text)) return {};
  return text;
}

std::vector<TStationCard> LoadCards(const std::string& path) {
  return CardsFromXml(ReadStationFile(path));
}

std::vector<TDisplayItem> LoadItems(const std::string& path) {
  return ItemsFromXml(ReadStationFile(path));
}

bool SaveCards(const std::string& path, const std::vector<TStationCard>& cards,
               std::string* error) {
  return Save(path, CardsToXml(cards), error);
}

bool SaveItems(const std::string& path, const std::vector<TDisplayItem>& items,
               std::string* error) {
  return Save(path, ItemsToXml(items), error);
}

}  // namespace quayside
