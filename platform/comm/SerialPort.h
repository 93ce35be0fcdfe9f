#pragma once
// A serial port opened the way the card links need it: exclusively (a second open of a held
// port fails), raw 8N1 at any bit rate (termios2 with BOTHER, so 14400 bit/s works), and with
// hardware flow control (CTS/RTS, DTR and RTS raised) when asked for. Reads never wait; the
// caller polls Fd().
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The link speeds by index: 0 (or any other value) 9600, 1 14400, 2 19200, 3 38400, 4 57600,
// 5 115200 bit/s.
uint32_t SpeedFromIndex(int index);

struct TSerialSettings {
  uint32_t BitsPerSecond = 9600;
  bool HardwareFlow = false;
};

class TSerialPort {
 public:
  TSerialPort() = default;
  TSerialPort(const TSerialPort&) = delete;
  TSerialPort& operator=(const TSerialPort&) = delete;
  ~TSerialPort() { Close(); }

  // Opens an existing device; false with Error() set when it is missing, held by someone else
  // or is no serial line.
  bool Open(const std::string& path, const TSerialSettings& settings);
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  const std::string& Error() const { return error_; }

  // Reads what has arrived, at most `size` bytes; 0 when nothing has (or on an error).
  size_t Read(uint8_t* buffer, size_t size);
  // Writes every byte, waiting for room in the driver when it is full; false on an error or
  // when the line stays blocked (flow control held off) for a second.
  bool Write(const uint8_t* data, size_t count);

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace platform
