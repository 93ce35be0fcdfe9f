#pragma once
// The card's 112-byte parameter block and the card-settings dialog's controls that edit it.
//
// TParamControls holds what the dialog's controls show, one member per control (items are list
// indices, -1 = nothing chosen; IPs and MAC bytes are the texts of their fields; the card name
// is GBK). The block is what the card, the "*.pam" files and the link carry: little-endian
// except the IPs and the remote port, which are in network byte order.
//
//   0 u16 width          2 u16 height        4 u16 type item + 1 (colour mode)
//   6 u16 step time ms   8 u32 flags         12 u32 serial speed (1 << item)
//  16 6 bytes MAC       22 u32 IP           26 6 bytes 0
//  32 u32 remote IP     36 u32 brightness   40 u32 0
//  44 u32 corner X      48 u32 corner Y     52 u16 scan mode number
//  54 u16 remote port   56 u16 line order   58 u16 OE time
//  60 u16 shift freq.   62 u16 refresh freq. 64 u32 gateway IP
//  68 u32 subnet mask   72 32 bytes card name, zero-filled
// 104 u32 stamp        108 u32 hardware address
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/ByteOrder.h"

namespace editor {

constexpr size_t kParamBlockSize = 112;
using TParamBlock = std::array<uint8_t, kParamBlockSize>;

// The card name field is 32 bytes; a name keeps its terminating zero inside it.
constexpr size_t kCardNameField = 32;
constexpr size_t kCardNameMax = kCardNameField - 1;

// Flag bits at offset 8.
enum TParamFlag : uint32_t {
  pfPolarity = 0x1,
  pfRG_Reverse = 0x2,
  pfScan = 0x4,
  pfRow_Prop = 0x8,
  pfDisplaySendFlag = 0x10,
  pfEN = 0x20,
  pfReport_Self_Address = 0x40,
  pfCascadeMask = 0x30000,  // bits 16-17: the cascade type
  pfCascadeMaster = 0x10000,
  pfCascadeSlave = 0x20000,
  pfCascadeAlone = 0x30000,
  pfRs485Cascade = 0x40000,
};

// Items of the dialog's lists, in their order, as the views show them (UTF-8).
inline constexpr std::array<std::string_view, 2> kLedTypeItems = {"单色显示屏", "双色显示屏"};
inline constexpr std::array<std::string_view, 5> kUartSpeedItems = {"9600", "14400", "19200", "38400", "57600"};
inline constexpr std::array<std::string_view, 5> kLineOrderItems = {"-2", "-1", "0", "+1", "+2"};
inline constexpr std::array<std::string_view, 5> kOeTimeItems = {"正常", "一倍", "二倍", "四倍", "八倍"};
inline constexpr std::array<std::string_view, 5> kShiftFrequencyItems = {"12.5MHZ", "10MHZ", "6.25MHZ", "5MHZ",
                                                                         "4.5MHZ"};
inline constexpr std::array<std::string_view, 5> kRefreshFreqItems = {"125HZ", "120HZ", "100HZ", "80HZ", "60HZ"};
// Link_Prop: the cascade type.
inline constexpr std::array<std::string_view, 3> kLinkPropItems = {"独立使用", "作为主控", "作为副控"};
// Link_method: how cascaded cards talk.
inline constexpr std::array<std::string_view, 2> kLinkMethodItems = {"使用RS-232级联", "使用RS-485级联"};
// The scan-mode radio group: scan modes, then the static latch modes.
inline constexpr std::array<std::string_view, 23> kScanModeItems = {
    "1/16扫描",  "1/16扫描B", "1/16扫描C", "1/16扫描D", "1/8扫描",   "1/8扫描B",  "1/8扫描C", "1/8扫描D",
    "1/4扫描",   "1/4扫描B",  "1/4扫描C",  "1/4扫描D",  "1/2扫描",   "1/2扫描B",  "1/2扫描C", "1/2扫描D",
    "静态锁存A", "静态锁存B", "静态锁存C", "静态锁存D", "静态锁存E", "静态锁存F", "静态锁存G"};

enum TLinkPropItem { lpAlone = 0, lpMaster = 1, lpSlave = 2 };
enum TLinkMethodItem { lmRs232 = 0, lmRs485 = 1 };

// What the dialog's parameter controls hold. Defaults are those of a new dialog.
struct TParamControls {
  // "基本参数"
  int LED_Width = 64;   // 8..2048
  int LED_Height = 16;  // 16..512
  int LED_Type = 0;     // kLedTypeItems
  int LED_Freq = 20;    // step time, 20..2000 ms
  std::string IPAddress = "192.168.0.99";
  // MAC0..MAC5
  std::array<std::string, 6> MAC = {"00", "00", "00", "00", "00", "00"};
  uint32_t Brightness = 0;  // 0..7
  int uart_Speed = 4;       // kUartSpeedItems
  uint32_t Address = 0;     // hardware address, 0..31
  bool DisplaySendFlag = false;
  // "网络通讯参数"
  std::string RemoteHost = "0.0.0.0";
  bool Report_Self_Address = false;
  int RemotePort = 0;  // 0..65535
  std::string GateIP = "0.0.0.0";
  std::string IPMask = "255.255.255.0";
  std::string CardName;  // GBK
  // "扫描输出参数"
  int ScanModeIndex = 0;  // 0..63; the radio group shows it when below its item count
  int Line_Order = 0;
  int OE_Time = 0;
  int Shift_Frequency = 0;
  int RefreshFreq = 0;
  bool Polarity = false;
  bool RG_Reverse = false;
  bool Scan = false;
  bool Row_Prop = false;
  bool EN = false;
  // "级连参数"
  int Link_Prop = lpAlone;
  int Link_method = lmRs232;
  uint32_t LED_Left = 0;
  uint32_t LED_Top = 0;

  bool operator==(const TParamControls&) const = default;
};

// The stamp at offset 104: (random 0..63 shifted left 27, kept to 32 bits) OR (year × 525600 +
// month × 44640 + day × 1440 + hour × 60 + minute) of the local time given.
uint32_t ParamStamp(const platform::TSystemTime& localTime, uint32_t random);

// The block for the controls: all 112 bytes zeroed first, so what no control writes is 0.
TParamBlock BuildParamBlock(const TParamControls& controls, uint32_t stamp);
// The controls for a block. Bytes past the end of a shorter block read as 0; nothing outside
// `block` is read.
TParamControls ControlsFromBlock(std::span<const uint8_t> block);

// One MAC field: a one-character text gets a leading "0"; the text is upper-cased; a first
// character outside 0-9/A-F gives 0; a valid first character with an invalid second gives 0xFF;
// otherwise the two hex digits.
uint8_t MacByte(std::string_view text);
// Two upper-case hex digits.
std::string MacText(uint8_t byte);

// A dotted IPv4 text as its four bytes in network order; 0.0.0.0 for anything else.
std::array<uint8_t, 4> IpBytes(std::string_view text);
std::string IpText(const uint8_t bytes[4]);

// The serial speed mask for an item (1 << item; 0 for no item) and the item for a mask (1, 2,
// 4, 8 give items 0-3, any other value item 4).
uint32_t UartSpeedMask(int item);
int UartSpeedItem(uint32_t mask);

// The scan-mode radio item for a mode number: the number itself when below the item count, else
// none (-1).
int ScanModeItem(int number);

// The card name as stored: at most kCardNameMax GBK bytes, cut on a character boundary.
std::string CardNameField(std::string_view gbkName);

// "*.pam" files hold one block, written whole. Saving never destroys the old file on failure.
bool SaveParamFile(const std::string& osPath, const TParamBlock& block, std::string* error = nullptr);
// The first bytes of a regular file, at most a block's worth; nothing when it cannot be read (a
// pipe, device or folder is refused at once).
std::optional<std::vector<uint8_t>> ReadParamFile(const std::string& osPath);

}  // namespace editor
