#include "SerialPort.h"

// termios2 lives in the kernel's headers, which clash with <termios.h>; this file uses only them.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

uint32_t SpeedFromIndex(int index) {
  switch (index) {
    case 1: return 14400;
    case 2: return 19200;
    case 3: return 38400;
    case 4: return 57600;
    case 5: return 115200;
    default: return 9600;
  }
}

bool TSerialPort::Open(const std::string& path, const TSerialSettings& settings) {
  Close();
  error_.clear();
  auto fail = [&](const char* what) {
    error_ = path + ": " + what + ": " + std::strerror(errno);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
  };
  if (path.empty()) {
    errno = ENOENT;
    return fail("no such port");
  }
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return fail("open");
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) return fail("port is in use");

  struct termios2 tio {};
  if (::ioctl(fd_, TCGETS2, &tio) != 0) return fail("not a serial line");
  tio.c_iflag = 0;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cflag = CS8 | CREAD | CLOCAL | BOTHER;  // 8 data bits, no parity, 1 stop bit, any speed
  if (settings.HardwareFlow) tio.c_cflag |= CRTSCTS;
  tio.c_ispeed = tio.c_ospeed = settings.BitsPerSecond;
  std::memset(tio.c_cc, 0, sizeof tio.c_cc);  // reads return what is there (VMIN = VTIME = 0)
  if (::ioctl(fd_, TCSETS2, &tio) != 0) return fail("cannot set the line");
  {
    // With the handshake flag DTR and RTS are raised; without it the line is plain binary and
    // both stay low, as a card or an RS-485 adapter that watches them expects. A line without
    // modem lines still works.
    int bits = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd_, settings.HardwareFlow ? TIOCMBIS : TIOCMBIC, &bits);
  }
  (void)::ioctl(fd_, TCFLSH, TCIFLUSH);  // start with nothing stale in the input
  return true;
}

void TSerialPort::Close() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the lock too
  fd_ = -1;
}

size_t TSerialPort::Read(uint8_t* buffer, size_t size) {
  if (fd_ < 0 || size == 0) return 0;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return size_t(n);
    if (n < 0 && errno == EINTR) continue;
    return 0;
  }
}

bool TSerialPort::Write(const uint8_t* data, size_t count) {
  if (fd_ < 0) return false;
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, data + done, count - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, 1000) <= 0) return false;
  }
  return true;
}

}  // namespace platform
