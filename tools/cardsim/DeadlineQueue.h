#pragma once
// Work that falls due at a given monotonic time, in due order (first in, first out among equal
// times). The card's thread polls with the earliest due time as its time-out, so a delay never
// holds up anything else.
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace cardsim {

template <typename T>
class TDeadlineQueue {
 public:
  void Add(int64_t dueMs, T item) { items_.emplace(dueMs, std::move(item)); }
  std::optional<int64_t> NextDue() const {
    if (items_.empty()) return {};
    return items_.begin()->first;
  }
  // Everything due at or before `nowMs`, in due order.
  std::vector<T> TakeDue(int64_t nowMs) {
    std::vector<T> due;
    auto it = items_.begin();
    while (it != items_.end() && it->first <= nowMs) {
      due.push_back(std::move(it->second));
      it = items_.erase(it);
    }
    return due;
  }
  void Clear() { items_.clear(); }
  bool Empty() const { return items_.empty(); }

 private:
  std::multimap<int64_t, T> items_;
};

}  // namespace cardsim
