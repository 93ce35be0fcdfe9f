#include "StationFiles.h"

#include <sys/stat.h>

#include "clients/quayside/XmlDocument.h"
#include "platform/base/AtomicFile.h"

namespace quayside {

namespace {

// Reads the next field of the element entered: a found child sets it, a missing one leaves it.
class TFieldReader {
 public:
  explicit TFieldReader(XmlDocument& doc) : doc_(doc) {}
  void Text(const char* name, std::string& field) {
    if (doc_.FindChild(name)) field = doc_.ChildData();
  }
  void Number(const char* name, int32_t& field) {
    if (doc_.FindChild(name)) field = ReadNumber(doc_.ChildData());
  }

 private:
  XmlDocument& doc_;
};

TStationCard ReadCard(XmlDocument& doc) {
  TStationCard card;
  TFieldReader read(doc);
  read.Text("IP", card.IP);
  read.Number("Width", card.Width);
  read.Number("Height", card.Height);
  read.Number("Addr", card.Addr);
  read.Text("Name", card.Name);
  read.Number("Type", card.Type);
  return card;
}

TDisplayItem ReadItem(XmlDocument& doc) {
  TDisplayItem item;
  item.DispalyTime = 0;  // a missing field reads as 0, which stands for 10
  TFieldReader read(doc);
  read.Text("DisplayText", item.DisplayText);
  read.Number("DisplayMethod", item.DisplayMethod);
  read.Number("DisplaySpeed", item.DisplaySpeed);
  read.Number("AutoSend", item.AutoSend);
  read.Text("SendTime", item.SendTime);
  read.Text("FontName", item.FontName);
  read.Number("FontSize", item.FontSize);
  read.Number("CardNo", item.CardNo);
  read.Number("XCOOR", item.XCOOR);
  read.Number("YCOOR", item.YCOOR);
  read.Number("DispalyTime", item.DispalyTime);
  item.DispalyTime = DisplaySeconds(item);
  return item;
}

// Appends children of the current element and comes back out of each.
class TFieldWriter {
 public:
  explicit TFieldWriter(XmlDocument& doc) : doc_(doc) {}
  void Text(const char* name, std::string_view value) { doc_.AppendChild(name, value); }
  void Number(const char* name, int64_t value) { doc_.AppendChild(name, FormatNumber(value)); }

 private:
  XmlDocument& doc_;
};

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
      cards.push_back(ReadCard(doc));
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
    const TStationCard& card = cards[n];
    doc.AppendChild("Card" + FormatNumber(int64_t(n)), {});
    doc.EnterChild();
    TFieldWriter write(doc);
    write.Text("IP", card.IP);
    write.Number("Width", card.Width);
    write.Number("Height", card.Height);
    write.Number("Addr", card.Addr);
    write.Text("Name", card.Name);
    write.Number("Type", card.Type);
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
    items.push_back(ReadItem(doc));
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
    TFieldWriter write(doc);
    write.Text("DisplayText", item.DisplayText);
    write.Number("DisplayMethod", item.DisplayMethod);
    write.Number("DisplaySpeed", item.DisplaySpeed);
    write.Number("AutoSend", item.AutoSend);
    write.Text("SendTime", item.SendTime);
    write.Text("FontName", item.FontName);
    write.Number("FontSize", item.FontSize);
    write.Number("CardNo", item.CardNo);
    write.Number("XCOOR", item.XCOOR);
    write.Number("YCOOR", item.YCOOR);
    write.Number("DispalyTime", DisplaySeconds(item));
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
