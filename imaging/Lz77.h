#pragma once
// Deflate data with a zlib header (PNG image data, Paint Shop Pro channels), through zlib's
// inflate.
#include <cstddef>
#include <cstdint>

#include <zlib.h>

#include "imaging/Decoder.h"

namespace imaging {

class TLZ77Decoder : public TDecoder {
 public:
  // `flushMode` is passed to every inflate call (Z_NO_FLUSH, Z_SYNC_FLUSH, Z_FINISH, ...).
  explicit TLZ77Decoder(int flushMode = Z_NO_FLUSH);
  ~TLZ77Decoder() override;
  TLZ77Decoder(const TLZ77Decoder&) = delete;
  TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

  // Starts (or restarts) the inflate stream; a failure throws EInvalidGraphic
  // "LZ77 decompression error.".
  void DecodeInit() override;
  // Runs inflate once over the source into the target and advances both past what it used.
  // Inflate's result is kept for the caller (Result); a damaged stream is not an exception.
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
  // Ends the inflate stream; a failure throws EInvalidGraphic "LZ77 decompression error.".
  void DecodeEnd() override;

  // The last inflate result (Z_OK, Z_STREAM_END, or a negative error such as Z_DATA_ERROR).
  int Result() const { return result_; }
  // What the last Decode left: source bytes not read and target bytes not written.
  size_t AvailableIn() const { return stream_.avail_in; }
  size_t AvailableOut() const { return stream_.avail_out; }

 private:
  z_stream stream_{};
  int flushMode_;
  int result_ = Z_OK;
  bool started_ = false;
};

}  // namespace imaging
