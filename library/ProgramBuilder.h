#pragma once
// The library's program under construction: one root (the program header), pages, and items
// on the current page, written call by call with the shared program-stream writers. Unlike
// the editor, which patches counts and lengths once all pages are written, the builder keeps
// the root's and the current page's counts and lengths current after every call, so the
// program can be sent at any moment.
//
// Every call either adds its whole record or refuses and leaves the stream exactly as it
// was: a writer that appends nothing, fails or throws is taken back, and so is a record that
// would wrap a u16 count or the u32 lengths.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/stream/ProgramStream.h"

namespace panelcast {

class TProgramBuilder {
 public:
  // Kinds a root may have: a program to show (send) or to keep (download).
  static constexpr int SendKind = 17;
  static constexpr int DownloadKind = 18;

  // Starts a new program, discarding the one before; false for a kind other than 17 and 18 or
  // a colour mode outside 1..4 (the program before is then kept).
  bool MakeRoot(int kind, int colorMode);
  // Appends a page (its display time as given) and makes it the current page; false without
  // a root or when the root already counts 65535 pages.
  bool AddLeaf(uint32_t displayTime);
  // Appends one item to the current page with `write`, which returns whether it wrote its
  // record; false (stream unchanged) without a root or page, when the page already counts
  // 65535 items, when `write` returns false, throws or appends nothing, or when the program
  // would outgrow its u32 length.
  bool AddItem(const std::function<bool(model::TProgramStream&)>& write);

  bool HasRoot() const { return root_ >= 0; }
  bool HasPage() const { return page_ >= 0; }
  int ColorMode() const { return colorMode_; }
  const model::TProgramStream& Stream() const { return stream_; }
  // A copy of the whole program; empty before the first root.
  std::vector<uint8_t> Snapshot() const { return stream_.Bytes(); }

 private:
  model::TProgramStream stream_;
  int64_t root_ = -1;  // offset of the root record, or none
  int64_t page_ = -1;  // offset of the current page record, or none
  int colorMode_ = 0;
};

}  // namespace panelcast
