#include "Strings.h"

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace platform {

const TClassInfo& TStrings::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TStrings, TPersistent>("TStrings").Build();
  return info;
}

const TClassInfo& TStringList::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TStringList, TStrings>("TStringList").Build();
  return info;
}

void TStrings::Check(int index, int limit) const {
  if (index < 0 || index > limit)
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStrings::Strings(int index) const {
  Check(index, Count() - 1);
  return items_[size_t(index)];
}

void TStrings::SetStrings(int index, std::string_view text) {
  Check(index, Count() - 1);
  items_[size_t(index)] = text;
}

int TStrings::Add(std::string_view text) {
  items_.emplace_back(text);
  return Count() - 1;
}

void TStrings::Insert(int index, std::string_view text) {
  Check(index, Count());
  items_.emplace(items_.begin() + index, text);
}

void TStrings::Delete(int index) {
  Check(index, Count() - 1);
  items_.erase(items_.begin() + index);
}

int TStrings::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (GbkSameText(items_[size_t(i)], text)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string out;
  for (const auto& s : items_) {
    out += s;
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(std::string_view text) {
  items_.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      items_.emplace_back(text.substr(i));
      break;
    }
    items_.emplace_back(text.substr(i, end - i));
    i = end + 1;
    if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
}

void TStrings::Assign(const TPersistent& source) {
  if (auto* s = dynamic_cast<const TStrings*>(&source)) {
    if (s != this) items_ = s->items_;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace platform
