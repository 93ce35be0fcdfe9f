#include "NotifyRecord.h"

#include <cstring>
#include <mutex>

namespace panelcast {

static_assert(sizeof(TNotifyRecord::CardIP) == cardlink::kIpTextSize);

TDeviceRecord ExportDeviceRecord(const cardlink::TDeviceRecord& r) {
  TDeviceRecord out;
  std::memset(&out, 0, sizeof out);
  out.LinkKind = r.LinkKind;
  out.SpeedIndex = r.SpeedIndex;
  out.ComPort = r.ComPort;
  out.Handshake = r.Handshake;
  out.LocalPort = r.LocalPort;
  out.ReceiveBuffer = r.ReceiveBuffer;
  out.BufferSize = r.ReceiveBufferSize;
  out.NotifyFlag = r.NotifyFlag;
  out.Window = TLEDWindow(r.Window);
  out.Message = r.Message;
  out.DeviceIndex = r.DeviceIndex;
  return out;
}

cardlink::TDeviceRecord ImportDeviceRecord(const TDeviceRecord& r) {
  cardlink::TDeviceRecord out;
  out.LinkKind = r.LinkKind;
  out.SpeedIndex = r.SpeedIndex;
  out.ComPort = r.ComPort;
  out.Handshake = r.Handshake;
  out.LocalPort = r.LocalPort;
  return out;
}

void ExportNotifyRecord(const cardlink::TNotifyRecord& r, TNotifyRecord& out) {
  // Cleared whole, padding included, so a client comparing records byte for byte sees only
  // what was filled.
  std::memset(&out, 0, sizeof out);
  out.Code = r.Code;
  out.Kind = r.AnsweredKind;
  out.Status = r.Status;
  out.Number = r.Number;
  out.Address = r.CardAddress;
  out.Length = r.Length;
  out.Data = r.Data;
  out.Device = ExportDeviceRecord(r.Device);
  std::memcpy(out.CardIP, r.CardIp, sizeof out.CardIP);
  out.CardPort = r.CardPort;
}

bool TLibraryNotifyRecord::Copy(TNotifyRecord* out) const {
  std::lock_guard lock(DataLock());
  if (out) std::memcpy(out, &exported_, sizeof exported_);
  return valid_;
}

uintptr_t TLibraryNotifyRecord::Store(const cardlink::TNotifyRecord& record) {
  ExportNotifyRecord(record, exported_);
  valid_ = true;
  return reinterpret_cast<uintptr_t>(&exported_);
}

}  // namespace panelcast
