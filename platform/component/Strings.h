#pragma once
// Ordered lists of GBK strings, unsorted, duplicates allowed: the lines of text objects and the
// rows of property tables.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Persistent.h"

namespace platform {

// Raised for an index outside the list ("List index out of bounds (5)").
class EStringListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class TStrings : public TPersistent {
  DECLARE_CLASS_INFO()

  int Count() const { return int(items_.size()); }
  const std::string& Strings(int index) const;
  void SetStrings(int index, std::string_view text);
  const std::string& operator[](int index) const { return Strings(index); }

  // Appends and returns the new index.
  int Add(std::string_view text);
  // Inserts before `index`; `index` may be Count().
  void Insert(int index, std::string_view text);
  void Delete(int index);
  void Clear() { items_.clear(); }
  // The first index whose string equals `text` without regard to case (GBK-aware), or -1.
  int IndexOf(std::string_view text) const;

  // Every string followed by CR LF.
  std::string Text() const;
  // Replaces the list with the lines of `text`, which end at CR LF, LF or CR; a final line
  // break does not start another line.
  void SetText(std::string_view text);

  // Takes the strings of another string list.
  void Assign(const TPersistent& source) override;

  std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
  std::vector<std::string>::const_iterator end() const { return items_.end(); }

 protected:
  TStrings() = default;

 private:
  void Check(int index, int limit) const;
  std::vector<std::string> items_;
};

class TStringList : public TStrings {
  DECLARE_CLASS_INFO()

  TStringList() = default;
};

}  // namespace platform
