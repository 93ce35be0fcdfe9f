#include "MemCommand.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace cardlink {

std::optional<TQueueItem> MakeQueueItem(const uint8_t* data, size_t count, int port, std::string_view ip,
                                        uint8_t address, bool replyAwaited) {
  try {
    TQueueItem item;
    item.Address = address;
    item.Ip.assign(ip.substr(0, std::min(ip.find('\0'), kIpTextSize)));
    item.Port = port;
    item.Data.assign(data, data + count);
    item.ReplyAwaited = replyAwaited;
    return item;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

}  // namespace cardlink
