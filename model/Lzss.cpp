#include "Lzss.h"

#include <array>
#include <cstring>

namespace model {

using namespace lzss;

namespace {

constexpr int kNil = kRingSize;  // the "no node" index of the tree

// Collects output bytes and hands them to the buffer in large pieces; remembers a refused
// write.
class TOutput {
 public:
  explicit TOutput(TDFMStream& out) : out_(out) {}
  void Put(const uint8_t* p, size_t n) {
    while (n > 0) {
      size_t k = std::min(n, chunk_.size() - used_);
      std::memcpy(chunk_.data() + used_, p, k);
      used_ += k;
      p += k;
      n -= k;
      if (used_ == chunk_.size()) Flush();
    }
  }
  void Put(uint8_t c) {
    chunk_[used_++] = c;
    if (used_ == chunk_.size()) Flush();
  }
  // True when every byte reached the buffer.
  bool Finish() {
    Flush();
    return ok_;
  }

 private:
  void Flush() {
    if (used_ > 0 && ok_ && out_.Write(chunk_.data(), int32_t(used_)) != int32_t(used_))
      ok_ = false;
    used_ = 0;
  }
  TDFMStream& out_;
  std::array<uint8_t, 8192> chunk_{};
  size_t used_ = 0;
  bool ok_ = true;
};

// The packer's state for one run: the ring with a mirror of its first F - 1 bytes behind its
// end (so comparisons need not wrap), and the tree: one root per first byte (rson[N + 1 + c]),
// left, right and parent links per position.
class TEncoder {
 public:
  TEncoder() {
    for (int i = kRingSize + 1; i <= kRingSize + 256; ++i) rson_[i] = kNil;
    for (int i = 0; i < kRingSize; ++i) dad_[i] = kNil;
  }

  void Run(const uint8_t* in, size_t size, TOutput& out) {
    size_t next = 0;
    auto get = [&](int& c) {
      if (next >= size) return false;
      c = in[next++];
      return true;
    };
    int s = 0, r = kFirstPosition;
    std::memset(text_, ' ', size_t(r));
    int len = 0, c = 0;
    while (len < kMaxMatch && get(c)) text_[r + len++] = uint8_t(c);
    if (len == 0) return;
    for (int i = 1; i <= kMaxMatch; ++i) InsertNode(r - i);
    InsertNode(r);

    uint8_t code[17];
    int codeLen = 1;
    uint8_t mask = 1;
    code[0] = 0;
    do {
      if (matchLength_ > len) matchLength_ = len;
      if (matchLength_ <= kThreshold) {
        matchLength_ = 1;
        code[0] |= mask;
        code[codeLen++] = text_[r];
      } else {
        code[codeLen++] = uint8_t(matchPosition_);
        code[codeLen++] =
            uint8_t(((matchPosition_ >> 4) & 0xF0) | (matchLength_ - (kThreshold + 1)));
      }
      mask = uint8_t(mask << 1);
      if (mask == 0) {
        out.Put(code, size_t(codeLen));
        code[0] = 0;
        codeLen = 1;
        mask = 1;
      }
      const int lastMatchLength = matchLength_;
      int i = 0;
      for (; i < lastMatchLength && get(c); ++i) {
        DeleteNode(s);
        text_[s] = uint8_t(c);
        if (s < kMaxMatch - 1) text_[s + kRingSize] = uint8_t(c);
        s = (s + 1) & (kRingSize - 1);
        r = (r + 1) & (kRingSize - 1);
        InsertNode(r);
      }
      while (i++ < lastMatchLength) {
        DeleteNode(s);
        s = (s + 1) & (kRingSize - 1);
        r = (r + 1) & (kRingSize - 1);
        if (--len) InsertNode(r);
      }
    } while (len > 0);
    if (codeLen > 1) out.Put(code, size_t(codeLen));
  }

 private:
  // Inserts position r into the tree of its first byte and records the longest match met on
  // the way; only a strictly longer match replaces the one found, and a full-length match
  // replaces the old node (whose text is the same) in the tree.
  void InsertNode(int r) {
    int cmp = 1;
    const uint8_t* key = &text_[r];
    int p = kRingSize + 1 + key[0];
    rson_[r] = lson_[r] = kNil;
    matchLength_ = 0;
    for (;;) {
      if (cmp >= 0) {
        if (rson_[p] != kNil) {
          p = rson_[p];
        } else {
          rson_[p] = r;
          dad_[r] = p;
          return;
        }
      } else {
        if (lson_[p] != kNil) {
          p = lson_[p];
        } else {
          lson_[p] = r;
          dad_[r] = p;
          return;
        }
      }
      int i = 1;
      for (; i < kMaxMatch; ++i)
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      if (i > matchLength_) {
        matchPosition_ = p;
        if ((matchLength_ = i) >= kMaxMatch) break;
      }
    }
    dad_[r] = dad_[p];
    lson_[r] = lson_[p];
    rson_[r] = rson_[p];
    dad_[lson_[p]] = r;
    dad_[rson_[p]] = r;
    if (rson_[dad_[p]] == p)
      rson_[dad_[p]] = r;
    else
      lson_[dad_[p]] = r;
    dad_[p] = kNil;
  }

  // Removes position p; a node with two children gives way to its in-order predecessor.
  void DeleteNode(int p) {
    if (dad_[p] == kNil) return;
    int q;
    if (rson_[p] == kNil) {
      q = lson_[p];
    } else if (lson_[p] == kNil) {
      q = rson_[p];
    } else {
      q = lson_[p];
      if (rson_[q] != kNil) {
        do q = rson_[q];
        while (rson_[q] != kNil);
        rson_[dad_[q]] = lson_[q];
        dad_[lson_[q]] = dad_[q];
        lson_[q] = lson_[p];
        dad_[lson_[p]] = q;
      }
      rson_[q] = rson_[p];
      dad_[rson_[p]] = q;
    }
    dad_[q] = dad_[p];
    if (rson_[dad_[p]] == p)
      rson_[dad_[p]] = q;
    else
      lson_[dad_[p]] = q;
    dad_[p] = kNil;
  }

  uint8_t text_[kRingSize + kMaxMatch - 1] = {};
  int lson_[kRingSize + 1] = {};
  int rson_[kRingSize + 257] = {};
  int dad_[kRingSize + 1] = {};
  int matchPosition_ = 0;
  int matchLength_ = 0;
};

void Decode(const uint8_t* in, size_t size, TOutput& out) {
  uint8_t text[kRingSize] = {};
  std::memset(text, ' ', kFirstPosition);
  int r = kFirstPosition;
  unsigned flags = 0;
  size_t next = 0;
  auto get = [&](int& c) {
    if (next >= size) return false;
    c = in[next++];
    return true;
  };
  for (;;) {
    int c;
    if (((flags >>= 1) & 256) == 0) {
      if (!get(c)) break;
      flags = unsigned(c) | 0xFF00;
    }
    if (flags & 1) {
      if (!get(c)) break;
      out.Put(uint8_t(c));
      text[r] = uint8_t(c);
      r = (r + 1) & (kRingSize - 1);
    } else {
      int i, j;
      if (!get(i) || !get(j)) break;
      i |= (j & 0xF0) << 4;
      j = (j & 0x0F) + kThreshold + 1;
      for (int k = 0; k < j; ++k) {
        c = text[(i + k) & (kRingSize - 1)];
        out.Put(uint8_t(c));
        text[r] = uint8_t(c);
        r = (r + 1) & (kRingSize - 1);
      }
    }
  }
}

// The unread bytes of a buffer, which then counts as read to its end.
std::pair<const uint8_t*, size_t> TakeRest(TDFMStream& input) {
  const int32_t pos = input.Position(), size = input.Size();
  if (pos < 0 || pos >= size) return {nullptr, 0};
  input.SetPosition(size);
  return {input.Memory() + pos, size_t(size - pos)};
}

}  // namespace

bool LzssEncode(TDFMStream& input, TDFMStream& output) {
  auto [data, size] = TakeRest(input);
  TOutput out(output);
  TEncoder encoder;
  encoder.Run(data, size, out);
  return out.Finish() && !output.Failed();
}

bool LzssDecode(TDFMStream& input, TDFMStream& output) {
  auto [data, size] = TakeRest(input);
  TOutput out(output);
  Decode(data, size, out);
  return out.Finish() && !output.Failed();
}

}  // namespace model
