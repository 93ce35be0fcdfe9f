#pragma once
// The node list: a doubly linked list that owns what it holds. It carries a link thread's two
// send queues (items of TQueueItem) and the link manager's device table. It has no lock of its
// own; whoever shares one guards it.
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cardlink {

template <typename T>
struct TMemNode {
  T Item;
  TMemNode* Prev = nullptr;
  TMemNode* Next = nullptr;
};

template <typename T>
class TMemList {
 public:
  TMemList() = default;
  TMemList(const TMemList&) = delete;
  TMemList& operator=(const TMemList&) = delete;
  ~TMemList() { Clear(); }

  // Moves `item` into a new node at the tail; returns the node's 0-based position, or -1 (and
  // the item is dropped) when memory for the node cannot be had.
  int AppendNode(T item) {
    auto* node = new (std::nothrow) TMemNode<T>{std::move(item), tail_, nullptr};
    if (!node) return -1;
    if (tail_) tail_->Next = node;
    else head_ = node;
    tail_ = node;
    return int(count_++);
  }

  // Frees the head node; the next one becomes the head.
  void PopNode() {
    if (head_) DeleteNode(head_);
  }

  // Unlinks `node` (any node of this list, the head included) and frees it.
  void DeleteNode(TMemNode<T>* node) {
    if (node->Prev) node->Prev->Next = node->Next;
    else head_ = node->Next;
    if (node->Next) node->Next->Prev = node->Prev;
    else tail_ = node->Prev;
    delete node;
    --count_;
  }

  void Clear() {
    while (head_) PopNode();
  }

  size_t NodeCount() const { return count_; }
  bool Empty() const { return head_ == nullptr; }
  TMemNode<T>* Head() const { return head_; }

 private:
  TMemNode<T>* head_ = nullptr;
  TMemNode<T>* tail_ = nullptr;
  size_t count_ = 0;
};

// Longest card IP text an item keeps (dotted IPv4 needs at most 15).
constexpr size_t kIpTextSize = 16;

// One queued send: a data transfer (raw data, cut into blocks) or a command (a whole message body).
struct TQueueItem {
  uint8_t Address = 0;        // card address
  std::string Ip;             // card IP text; not used on serial links
  int Port = 0;               // card UDP port, host order; not used on serial links
  std::vector<uint8_t> Data;  // private copy of what the caller queued
  bool ReplyAwaited = true;   // false only for commands the card never answers
};

// Copies `count` bytes into a new item, so the caller may reuse its buffer at once. nullopt when
// the copy cannot be allocated.
std::optional<TQueueItem> MakeQueueItem(const uint8_t* data, size_t count, int port, std::string_view ip,
                                        uint8_t address, bool replyAwaited);

}  // namespace cardlink
