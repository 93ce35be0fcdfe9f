#pragma once
// What the demo's title bar says about one notification: a pure function of the copied notify
// record, so the whole table is tested without a window or a library.
#include <cstdint>
#include <optional>
#include <string>

namespace kestrel1 {

// The title (UTF-8) for a notification of `code` answering command `kind` with `status` and
// `number`; nothing when the title is to stay as it is.
std::optional<std::string> NotifyTitle(int32_t code, int32_t kind, int32_t status,
                                       int32_t number);

}  // namespace kestrel1
