#include "CardParams.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

// Offsets in the block.
constexpr size_t oWidth = 0, oHeight = 2, oType = 4, oFreq = 6, oFlags = 8, oUartSpeed = 12, oMac = 16, oIp = 22,
                 oRemoteHost = 32, oBrightness = 36, oLeft = 44, oTop = 48, oScanMode = 52, oRemotePort = 54,
                 oLineOrder = 56, oOeTime = 58, oShiftFrequency = 60, oRefreshFreq = 62, oGateIp = 64, oIpMask = 68,
                 oCardName = 72, oStamp = 104, oAddress = 108;
static_assert(oCardName + kCardNameField == oStamp);
static_assert(oAddress + 4 == kParamBlockSize);

// A list index in a 16-bit field: nothing chosen (-1) is 0xFFFF.
uint16_t IndexField(int item) { return uint16_t(item); }
int IndexFromField(uint16_t v) { return v == 0xFFFF ? -1 : int(v); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t ParamStamp(const platform::TSystemTime& t, uint32_t random) {
  const uint32_t minutes = uint32_t(t.wYear) * 525600u + uint32_t(t.wMonth) * 44640u + uint32_t(t.wDay) * 1440u +
                           uint32_t(t.wHour) * 60u + uint32_t(t.wMinute);
  return uint32_t((uint64_t(random & 63) << 27) & 0xFFFFFFFFu) | minutes;
}

TParamBlock BuildParamBlock(const TParamControls& c, uint32_t stamp) {
  TParamBlock b{};
  uint8_t* p = b.data();
  using platform::StoreU16;
  using platform::StoreU32;
  StoreU16(p + oWidth, uint16_t(c.LED_Width));
  StoreU16(p + oHeight, uint16_t(c.LED_Height));
  StoreU16(p + oType, uint16_t(c.LED_Type + 1));
  StoreU16(p + oFreq, uint16_t(c.LED_Freq));

  uint32_t flags = 0;
  if (c.Polarity) flags |= pfPolarity;
  if (c.RG_Reverse) flags |= pfRG_Reverse;
  if (c.Scan) flags |= pfScan;
  if (c.Row_Prop) flags |= pfRow_Prop;
  if (c.DisplaySendFlag) flags |= pfDisplaySendFlag;
  if (c.EN) flags |= pfEN;
  if (c.Report_Self_Address) flags |= pfReport_Self_Address;
  switch (c.Link_Prop) {
    case lpAlone:
      flags |= pfCascadeAlone;
      break;
    case lpMaster:
      flags |= pfCascadeMaster;
      break;
    case lpSlave:
      flags |= pfCascadeSlave;
      break;
    default:
      break;
  }
  if (c.Link_method == lmRs485) flags |= pfRs485Cascade;
  StoreU32(p + oFlags, flags);

  StoreU32(p + oUartSpeed, UartSpeedMask(c.uart_Speed));
  for (size_t i = 0; i < 6; ++i) p[oMac + i] = MacByte(c.MAC[i]);
  auto putIp = [&](size_t offset, std::string_view text) {
    const auto ip = IpBytes(text);
    std::copy(ip.begin(), ip.end(), p + offset);
  };
  putIp(oIp, c.IPAddress);
  putIp(oRemoteHost, c.RemoteHost);
  StoreU32(p + oBrightness, c.Brightness);
  StoreU32(p + oLeft, c.LED_Left);
  StoreU32(p + oTop, c.LED_Top);
  StoreU16(p + oScanMode, uint16_t(c.ScanModeIndex));
  p[oRemotePort] = uint8_t(c.RemotePort >> 8);  // network order
  p[oRemotePort + 1] = uint8_t(c.RemotePort);
  StoreU16(p + oLineOrder, IndexField(c.Line_Order));
  StoreU16(p + oOeTime, IndexField(c.OE_Time));
  StoreU16(p + oShiftFrequency, IndexField(c.Shift_Frequency));
  StoreU16(p + oRefreshFreq, IndexField(c.RefreshFreq));
  putIp(oGateIp, c.GateIP);
  putIp(oIpMask, c.IPMask);
  const std::string name = CardNameField(c.CardName);
  std::memcpy(p + oCardName, name.data(), name.size());
  StoreU32(p + oStamp, stamp);
  StoreU32(p + oAddress, c.Address);
  return b;
}

TParamControls ControlsFromBlock(std::span<const uint8_t> block) {
  // A short block reads as if zero-filled to its full size.
  TParamBlock b{};
  std::copy_n(block.begin(), std::min(block.size(), b.size()), b.begin());
  const uint8_t* p = b.data();
  using platform::LoadU16;
  using platform::LoadU32;

  TParamControls c;
  c.LED_Width = LoadU16(p + oWidth);
  c.LED_Height = LoadU16(p + oHeight);
  c.LED_Type = int(LoadU16(p + oType)) - 1;
  c.LED_Freq = LoadU16(p + oFreq);

  const uint32_t flags = LoadU32(p + oFlags);
  c.Polarity = flags & pfPolarity;
  c.RG_Reverse = flags & pfRG_Reverse;
  c.Scan = flags & pfScan;
  c.Row_Prop = flags & pfRow_Prop;
  c.DisplaySendFlag = flags & pfDisplaySendFlag;
  c.EN = flags & pfEN;
  c.Report_Self_Address = flags & pfReport_Self_Address;
  switch (flags & pfCascadeMask) {
    case pfCascadeMaster:
      c.Link_Prop = lpMaster;
      break;
    case pfCascadeSlave:
      c.Link_Prop = lpSlave;
      break;
    default:
      c.Link_Prop = lpAlone;
      break;
  }
  c.Link_method = (flags & pfRs485Cascade) ? lmRs485 : lmRs232;

  c.uart_Speed = UartSpeedItem(LoadU32(p + oUartSpeed));
  for (size_t i = 0; i < 6; ++i) c.MAC[i] = MacText(p[oMac + i]);
  c.IPAddress = IpText(p + oIp);
  c.RemoteHost = IpText(p + oRemoteHost);
  c.Brightness = LoadU32(p + oBrightness);
  c.LED_Left = LoadU32(p + oLeft);
  c.LED_Top = LoadU32(p + oTop);
  c.ScanModeIndex = LoadU16(p + oScanMode);
  c.RemotePort = (p[oRemotePort] << 8) | p[oRemotePort + 1];
  c.Line_Order = IndexFromField(LoadU16(p + oLineOrder));
  c.OE_Time = IndexFromField(LoadU16(p + oOeTime));
  c.Shift_Frequency = IndexFromField(LoadU16(p + oShiftFrequency));
  c.RefreshFreq = IndexFromField(LoadU16(p + oRefreshFreq));
  c.GateIP = IpText(p + oGateIp);
  c.IPMask = IpText(p + oIpMask);
  // Up to the first zero, or the whole field when it has none.
  const char* name = reinterpret_cast<const char*>(p + oCardName);
  c.CardName.assign(name, strnlen(name, kCardNameField));
  c.Address = LoadU32(p + oAddress);
  return c;
}

uint8_t MacByte(std::string_view text) {
  std::string t(text.substr(0, 2));
  if (t.size() == 1) t.insert(t.begin(), '0');
  t = platform::GbkUpperCase(t);
  const int hi = t.empty() ? -1 : HexDigit(t[0]);
  if (hi < 0) return 0;
  const int lo = t.size() < 2 ? -1 : HexDigit(t[1]);
  if (lo < 0) return 0xFF;
  return uint8_t(hi * 16 + lo);
}

std::string MacText(uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

std::array<uint8_t, 4> IpBytes(std::string_view text) {
  std::array<uint8_t, 4> out{};
  char buffer[INET_ADDRSTRLEN] = {};
  if (text.size() >= sizeof buffer) return out;
  std::memcpy(buffer, text.data(), text.size());
  in_addr a{};
  if (inet_pton(AF_INET, buffer, &a) == 1) std::memcpy(out.data(), &a, 4);
  return out;
}

std::string IpText(const uint8_t bytes[4]) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

uint32_t UartSpeedMask(int item) {
  if (item < 0 || item >= int(kUartSpeedItems.size())) return 0;
  return 1u << item;
}

int UartSpeedItem(uint32_t mask) {
  switch (mask) {
    case 1:
      return 0;
    case 2:
      return 1;
    case 4:
      return 2;
    case 8:
      return 3;
    default:
      return 4;
  }
}

int ScanModeItem(int number) { return number >= 0 && number < int(kScanModeItems.size()) ? number : -1; }

std::string CardNameField(std::string_view name) {
  return std::string(platform::GbkPrefix(name, kCardNameMax));
}

bool SaveParamFile(const std::string& osPath, const TParamBlock& block, std::string* error) {
  return platform::SaveFileAtomic(osPath, block.data(), block.size(), error);
}

std::optional<std::vector<uint8_t>> ReadParamFile(const std::string& osPath) {
  const int fd = ::open(osPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::vector<uint8_t> out(kParamBlockSize);
  size_t got = 0;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  while (ok && got < out.size()) {
    const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += size_t(n);
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  out.resize(got);
  return out;
}

}  // namespace editor
