#include "imaging/Lz77.h"

#include <algorithm>
#include <limits>

#include "imaging/GraphicStrings.h"
#include "platform/gfx/Picture.h"

namespace imaging {

TLZ77Decoder::TLZ77Decoder(int flushMode) : flushMode_(flushMode) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (started_) inflateEnd(&stream_);
}

void TLZ77Decoder::DecodeInit() {
  if (started_) {
    inflateEnd(&stream_);
    started_ = false;
  }
  stream_ = z_stream{};
  result_ = inflateInit(&stream_);
  if (result_ < 0) throw platform::EInvalidGraphic(std::string(SLZ77Error));
  started_ = true;
}

TDecodeResult TLZ77Decoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                   size_t& unpackedSize) {
  // zlib counts in 32 bits; larger buffers are taken in part, as a caller's next call goes on.
  constexpr size_t most = std::numeric_limits<uInt>::max();
  stream_.next_in = const_cast<Bytef*>(source);
  stream_.avail_in = uInt(std::min(packedSize, most));
  stream_.next_out = dest;
  stream_.avail_out = uInt(std::min(unpackedSize, most));
  const size_t inBefore = stream_.avail_in, outBefore = stream_.avail_out;
  result_ = started_ ? inflate(&stream_, flushMode_) : Z_STREAM_ERROR;
  TDecodeResult r;
  r.Consumed = inBefore - stream_.avail_in;
  r.Produced = outBefore - stream_.avail_out;
  r.SourceEnded = (result_ == Z_OK || result_ == Z_BUF_ERROR) && stream_.avail_in == 0 &&
                  stream_.avail_out > 0;
  source += r.Consumed;
  packedSize -= r.Consumed;
  dest += r.Produced;
  unpackedSize -= r.Produced;
  return r;
}

void TLZ77Decoder::DecodeEnd() {
  if (!started_) return;
  started_ = false;
  if (inflateEnd(&stream_) < 0) throw platform::EInvalidGraphic(std::string(SLZ77Error));
}

}  // namespace imaging
