#pragma once
// The library's one notify record, in the exported layout of panelcast.h. The link manager's
// shared record (cardlink::TSharedNotifyRecord) fills and delivers it under one lock, held from
// the filling until the window's handler has returned; this keeps the copy a client reads with
// LED_GetNotifyMessage and whose address the notification message carries.
#include <cstdint>

#include "library/panelcast.h"
#include "link/tsSender.h"

namespace panelcast {

// The exported form of a device record.
TDeviceRecord ExportDeviceRecord(const cardlink::TDeviceRecord& record);
// The link manager's form of the words a caller fills (the first five).
cardlink::TDeviceRecord ImportDeviceRecord(const TDeviceRecord& record);
// Fills `out` with the exported form of a notify record.
void ExportNotifyRecord(const cardlink::TNotifyRecord& record, TNotifyRecord& out);

class TLibraryNotifyRecord final : public cardlink::TSharedNotifyRecord {
 public:
  // Copies the record into *out (when not null); true once any notification has been
  // delivered since the library was loaded. Any thread, also from inside a handler.
  bool Copy(TNotifyRecord* out) const;

 protected:
  uintptr_t Store(const cardlink::TNotifyRecord& record) override;

 private:
  TNotifyRecord exported_{};  // under DataLock()
  bool valid_ = false;        // nothing clears it once set
};

}  // namespace panelcast
