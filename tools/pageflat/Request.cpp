#include "Request.h"

#include <cstring>

#include "platform/base/ByteOrder.h"

namespace pageflat {
namespace {

// The zero-terminated text of a path field; nullopt when the field holds no terminator.
std::optional<std::string> PathAt(const uint8_t* field) {
  const void* end = std::memchr(field, 0, RequestPathField);
  if (!end) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(field),
                     size_t(static_cast<const uint8_t*>(end) - field));
}

}  // namespace

std::optional<TPageRequest> ReadRequestMessage(const uint8_t* data, size_t size) {
  if (size != RequestMessageSize) return std::nullopt;
  if (platform::LoadU32(data) != RequestMessageId || platform::LoadU32(data + 4) != 0 ||
      platform::LoadU32(data + 8) != RequestRecordSize)
    return std::nullopt;
  const uint8_t* record = data + RequestHeadSize;
  std::optional<std::string> document = PathAt(record);
  std::optional<std::string> bitmap = PathAt(record + RequestPathField);
  if (!document || !bitmap || document->empty() || bitmap->empty()) return std::nullopt;
  TPageRequest request;
  request.Document = std::move(*document);
  request.Bitmap = std::move(*bitmap);
  request.Width = int32_t(platform::LoadU32(record + 528));
  request.Height = int32_t(platform::LoadU32(record + 532));
  request.Reverse = record[536] == 1;
  if (request.Width < 1 || request.Width > MaxPageSide || request.Height < 1 ||
      request.Height > MaxPageSide)
    return std::nullopt;
  return request;
}

}  // namespace pageflat
