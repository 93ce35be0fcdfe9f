#pragma once
// The link manager: the one object through which the programs talk to cards. It keeps the table
// of open links (devices), each served by a link thread (Device); opens, reuses and closes them;
// queues one message per card command; and turns the link threads' events into notification
// records sent to a window. Corvane and Panelcast differ only in the policy handed to it.
//
// Threads: the table has no lock. A manager is used from one thread (the window thread in
// Corvane, the caller's thread in Panelcast); handlers of its notifications may call it, also
// while it waits for a link thread to end. Notifications run on the link threads and never touch
// the table.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

#include "link/Device.h"
#include "link/MemCommand.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"

namespace cardlink {

constexpr int kMaxDevices = 256;
constexpr size_t kParamsBlockSize = 112;      // the card's parameter block
constexpr size_t kPowerScheduleSize = 116;    // automatic power on/off schedule
constexpr size_t kBrightScheduleSize = 28;    // brightness schedule
constexpr uint8_t kCampaignSource = 255;      // source address of the campaign-time command

// What a caller hands to OpenDevice. The caller fills the first five fields; the manager fills
// the rest in its own copy. The deliverables' exported layouts are built from this.
struct TDeviceRecord {
  int32_t LinkKind = 0;    // numbered per deliverable, see TLinkKinds
  int32_t SpeedIndex = 0;  // 0-5: 9600, 14400, 19200, 38400, 57600, 115200 bit/s; others 9600
  int32_t ComPort = 0;     // serial port number n of "COM" + n
  int32_t Handshake = 0;   // 1: hardware flow control
  int32_t LocalPort = 0;   // UDP port to bind; 0 binds a free one, which the manager then keeps here
  uint8_t* ReceiveBuffer = nullptr;  // incoming transfers (set by the manager)
  int32_t ReceiveBufferSize = 0;     // (set by the manager)
  int32_t NotifyFlag = 0;            // notifications are sent only when it is not 0
  platform::TWindowHandle Window = 0;
  uint32_t Message = 0;
  int32_t DeviceIndex = 0;  // (set by the manager)
};

// The record's link kinds; -1 where a deliverable has no such link.
struct TLinkKinds {
  int32_t Serial = 0;
  int32_t Rs485 = 1;
  int32_t Udp = 2;
};

enum TNotifyCode : int32_t {
  ncDataReceived = 1,     // an incoming transfer is complete
  ncSendDone = 2,         // an outgoing transfer is complete
  ncReply = 3,            // the answer to a queued command
  ncTimeout = 4,          // no answer: a command, a transfer, or an incoming transfer abandoned
  ncCardMessage = 5,      // kind 100 from the card
  ncSendProgress = 7,
  ncReceiveProgress = 8,
};

// One outcome, sent to the device's window (message parameter 1 = its address, 2 = 0). Zeroed
// before each notification; which fields are filled depends on the code. Data points into the
// link's buffers and is valid only while the window handles the notification.
struct TNotifyRecord {
  int32_t Code = 0;
  int32_t AnsweredKind = 0;  // code 3
  int32_t Status = 0;        // code 3: the answer's status; 5: the message's value; 7, 8: bytes so far
  int32_t Number = 0;        // code 3
  int32_t CardAddress = 0;   // low byte; for codes 7 and 8 the host's own address
  int32_t Length = 0;        // 1: bytes received; 3: answer payload bytes; 7, 8: total size
  const uint8_t* Data = nullptr;  // 1: the receive buffer; 3: the answer payload; 4: the timed-out command
  TDeviceRecord Device;           // the link's copy of its device record
  char CardIp[kIpTextSize] = {};  // zero-terminated when shorter (not set for codes 7, 8)
  int32_t CardPort = 0;           // host order (not set for codes 7, 8)
};

// How notifications reach their window. Deliver runs on a link thread and returns once the
// window (record.Device.Window) has handled the message (record.Device.Message) or is gone.
class TNotifySink {
 public:
  virtual ~TNotifySink() = default;
  // `cancel` is set when whoever raised the notification is being closed: a delivery that is
  // still waiting for its turn then gives up and returns false.
  virtual bool Deliver(const TNotifyRecord& record, const std::atomic<bool>& cancel) = 0;
  // Makes waiting deliveries look at their cancel flags again.
  virtual void Interrupt() {}
};

// Corvane: every notification carries a record of its own, built on the link thread's stack.
class TDirectNotify final : public TNotifySink {
 public:
  bool Deliver(const TNotifyRecord& record, const std::atomic<bool>& cancel) override;
};

// Panelcast: one record shared by every link. It is filled and delivered under one lock that is
// held until the window's handler returns, so a second link never overwrites it while a window
// reads it; the second link waits for its turn.
class TSharedNotifyRecord : public TNotifySink {
 public:
  bool Deliver(const TNotifyRecord& record, const std::atomic<bool>& cancel) override;
  void Interrupt() override;
  // A copy of the record as the last notification left it; false (and a zero record) before the
  // first notification. Any thread, at any time, also from inside a handler.
  bool Read(TNotifyRecord& out) const;

 protected:
  // Keeps `record` as the shared one and returns the address the message carries. Called with
  // DataLock() held. A library that exports another layout keeps its own copy here.
  virtual uintptr_t Store(const TNotifyRecord& record);
  // Called, outside every lock, when a delivery has to wait for another one to finish.
  virtual void DeliveryWaits() {}
  std::mutex& DataLock() const { return data_; }

 private:
  mutable std::mutex data_;  // the stored record and the valid flag
  TNotifyRecord record_{};
  bool valid_ = false;
  std::mutex turn_;
  std::condition_variable free_;
  bool busy_ = false;  // a delivery holds the record until its handler returns
};

// What makes Corvane's and Panelcast's managers differ.
struct TManagerPolicy {
  TLinkPolicy Link;
  TLinkKinds Kinds;
  size_t RequestParamsSize = kParamsBlockSize;  // block answered to a card's parameter request
  size_t ReceiveBufferSize = kReceiveBufferSize;
  std::shared_ptr<TNotifySink> Sink;            // TDirectNotify when empty
  platform::TClock* Clock = nullptr;            // the links' clock; the steady clock when empty
  std::function<platform::TSystemTime()> LocalTime;  // AdjustTime's time; the host's when empty
};

TManagerPolicy CorvaneManagerPolicy(const TLinkTiming& timing = {});
// Serial and UDP links only (kinds 0 and 1), transfer options, a 108-byte parameter answer.
TManagerPolicy PanelcastManagerPolicy(const TTransferOptions& options, std::shared_ptr<TSharedNotifyRecord> record,
                                      const TLinkTiming& timing = {});

struct TLinkTarget;  // where a link's notifications go; shared with its thread
class TCourier;      // delivers what a replaced link left unfinished

// One open device: its record and the link thread that serves it.
struct TDeviceEntry {
  TDeviceRecord Record;
  std::unique_ptr<TInspect> Link;
  TInspect* Retiring = nullptr;  // the link being replaced, while the manager waits for it
  std::shared_ptr<TLinkTarget> Target;
  std::shared_ptr<uint8_t[]> Buffer;
};

class TLEDManager {
 public:
  explicit TLEDManager(TManagerPolicy policy = CorvaneManagerPolicy());
  TLEDManager(const TLEDManager&) = delete;
  TLEDManager& operator=(const TLEDManager&) = delete;
  // Closes every device as CloseDevice does.
  ~TLEDManager();

  // Opens a link for `record`, or reuses the open one on the same serial port (serial and
  // RS-485 alike) or local UDP port. Returns the device index, or -1 when the table is full,
  // the kind is unknown, or the port or socket cannot be opened.
  int OpenDevice(const TDeviceRecord& record, int32_t notifyFlag, platform::TWindowHandle window, uint32_t message);
  // Closes and forgets a device; an unknown index does nothing. What it still had queued is
  // dropped without notifications.
  void CloseDevice(int index);
  // The table entry, or nullptr.
  const TDeviceEntry* GetDevice(int index) const;
  size_t DeviceCount() const { return table_.NodeCount(); }

  // Queues a data transfer of a caller-built buffer (program, firmware or font set). Returns
  // its size, or -1 for an unknown index or data that cannot be queued.
  int64_t SendData(int index, std::span<const uint8_t> data, int cardPort, std::string_view cardIp,
                   uint8_t cardAddress);

  // The command senders: each queues one message {kind, host 0, card address, value, payload}
  // and returns whether it did; an unknown index does nothing. Port and IP matter on UDP only.
  bool Query(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool AdjustTime(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool GetParams(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SetParams(int index, uint8_t address, std::span<const uint8_t> params, int cardPort, std::string_view cardIp);
  bool GetPower(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SetPower(int index, uint8_t address, uint32_t on, int cardPort, std::string_view cardIp);
  bool GetBrightness(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SetBrightness(int index, uint8_t address, uint32_t level, int cardPort, std::string_view cardIp);
  bool GetAutoClose(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SetAutoClose(int index, uint8_t address, std::span<const uint8_t> schedule, int cardPort,
                    std::string_view cardIp);
  bool GetAutoBright(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SetAutoBright(int index, uint8_t address, std::span<const uint8_t> schedule, int cardPort,
                     std::string_view cardIp);
  bool SendCascade(int index, uint8_t address, int cardPort, std::string_view cardIp);
  bool SendCommand(int index, uint8_t address, uint16_t kind, int cardPort, std::string_view cardIp);
  // Awaits no answer (false where the policy has no such commands); source address 255.
  bool SetCampaignTime(int index, uint8_t address, const platform::TSystemTime& time, int cardPort,
                       std::string_view cardIp);

 private:
  TMemNode<TDeviceEntry>* FindOpen(const TDeviceRecord& record) const;
  TMemNode<TDeviceEntry>* FindIndex(int index) const;
  TInspect* LinkOf(int index) const;
  bool IsUdp(int32_t kind) const { return kind == policy_.Kinds.Udp; }
  bool IsSerialLine(int32_t kind) const;
  // A started link for the entry's record, bound to a new target; nullptr when it did not open.
  std::unique_ptr<TInspect> StartLink(TDeviceEntry& entry);
  std::unique_ptr<TInspect> TryStartLink(TDeviceEntry& entry);
  int Replace(int index);
  void Retire(TDeviceEntry& entry, std::unique_ptr<TInspect> link, bool reportUnfinished);
  bool Queue(int index, uint16_t kind, uint32_t value, std::span<const uint8_t> payload, size_t payloadSize,
             uint8_t address, int cardPort, std::string_view cardIp, uint8_t source = kHostAddress,
             bool replyAwaited = true);

  TManagerPolicy policy_;
  std::shared_ptr<TCourier> courier_;
  int nextIndex_ = 0;  // indices are never reused
  TMemList<TDeviceEntry> table_;
};

}  // namespace cardlink
