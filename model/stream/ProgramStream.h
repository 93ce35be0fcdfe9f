#pragma once
// TProgramStream: the growable byte stream a program is written into. Writers only ever
// append at the end; record lengths and counts are written as placeholders and patched in
// place at remembered offsets once the record is complete, never by seeking back.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/base/MemoryStream.h"

namespace model {

// A failed growth of the stream. The writers let it propagate to whoever asked for the
// program, so a half-written program is never sent as if it were whole.
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TProgramStream {
 public:
  // Offset of the next byte written, which is always the end: remember it before a record
  // to patch that record later.
  size_t Position() const { return mem_.Size(); }
  size_t Size() const { return mem_.Size(); }
  void Clear() { mem_.Clear(); }

  // Appenders; each throws EStreamError("Out of memory while expanding memory stream") when
  // the stream cannot grow, having appended nothing.
  void Write(const void* src, size_t count);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void WriteZeros(size_t count);
  // Grows the stream by `count` zero bytes in one step and returns them for filling in
  // place; the pointer is valid until the next append.
  uint8_t* Extend(size_t count);
  // Appends zero bytes until the size is a multiple of 4.
  void PadToFour();
  // Cuts the stream back to `size` bytes (never grows it): takes back a record that must not
  // be sent after all.
  void Truncate(size_t size);

  // In-place patches of bytes already written. A patch outside the stream is a writer bug
  // and throws EStreamError rather than writing anywhere.
  void PatchU16(size_t offset, uint16_t v);
  void PatchU32(size_t offset, uint32_t v);

  const uint8_t* Memory() const { return mem_.Memory(); }
  const std::vector<uint8_t>& Bytes() const { return mem_.Bytes(); }

 private:
  platform::TMemoryStream mem_;
};

// Takes a record back if its writer leaves by an exception: the stream is cut back to where
// the record started, so no half-written record stays behind. Commit() once it is whole.
class TRecordGuard {
 public:
  explicit TRecordGuard(TProgramStream& stream) : stream_(stream), start_(stream.Position()) {}
  ~TRecordGuard() {
    if (!committed_) stream_.Truncate(start_);
  }
  TRecordGuard(const TRecordGuard&) = delete;
  TRecordGuard& operator=(const TRecordGuard&) = delete;
  size_t Start() const { return start_; }
  void Commit() { committed_ = true; }

 private:
  TProgramStream& stream_;
  size_t start_;
  bool committed_ = false;
};

// Something that appends its own record to a stream: what setting a page's or a display
// object's RecordSelf does. It may append nothing (an object with nothing to send).
using TRecordWriter = std::function<void(TProgramStream&)>;

}  // namespace model
