// Serial ports on a pseudo-terminal pair: the port under test opens the terminal side, the test
// plays the device on the master side.
#include "platform/comm/SerialPort.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class TPty {
 public:
  TPty() {
    // posix_openpt rather than openpty: <pty.h> brings <termios.h>, which clashes with termios2.
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master_, 0);
    EXPECT_EQ(::grantpt(master_), 0);
    EXPECT_EQ(::unlockpt(master_), 0);
    char name[256] = {};
    EXPECT_EQ(::ptsname_r(master_, name, sizeof name), 0);
    path_ = name;  // the port under test opens it by name
  }
  ~TPty() { ::close(master_); }
  int Master() const { return master_; }
  const std::string& Path() const { return path_; }

 private:
  int master_ = -1;
  std::string path_;
};

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

}  // namespace

TEST(SerialPort, SpeedIndexes) {
  const uint32_t expected[] = {9600, 14400, 19200, 38400, 57600, 115200};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(SpeedFromIndex(i), expected[i]);
  EXPECT_EQ(SpeedFromIndex(6), 9600u);
  EXPECT_EQ(SpeedFromIndex(-1), 9600u);
}

TEST(SerialPort, OpensRaw8N1AtAnySpeed) {
  for (bool flow : {false, true}) {
    TPty pty;
    TSerialPort port;
    ASSERT_TRUE(port.Open(pty.Path(), TSerialSettings{14400, flow})) << port.Error();
    struct termios2 tio {};
    ASSERT_EQ(::ioctl(port.Fd(), TCGETS2, &tio), 0);
    EXPECT_EQ(tio.c_ospeed, 14400u);
    EXPECT_EQ(tio.c_cflag & CBAUD, unsigned(BOTHER));
    EXPECT_EQ(tio.c_cflag & CSIZE, unsigned(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, flow);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  }
}

TEST(SerialPort, ASecondOpenOfAHeldPortFails) {
  TPty pty;
  TSerialPort first, second;
  ASSERT_TRUE(first.Open(pty.Path(), {}));
  EXPECT_FALSE(second.Open(pty.Path(), {}));
  EXPECT_NE(second.Error().find("in use"), std::string::npos) << second.Error();
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(second.Open(pty.Path(), {})) << second.Error();
}

TEST(SerialPort, MissingDevicesAndNonTerminalsDoNotOpen) {
  TSerialPort port;
  EXPECT_FALSE(port.Open("/dev/does-not-exist-corvane", {}));
  EXPECT_FALSE(port.Open("", {}));
  EXPECT_FALSE(port.Open("/dev/null", {}));
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, BytesPassBothWaysUnchanged) {
  TPty pty;
  TSerialPort port;
  ASSERT_TRUE(port.Open(pty.Path(), TSerialSettings{57600, false}));
  uint8_t none[8];
  EXPECT_EQ(port.Read(none, sizeof none), 0u);  // nothing there: no wait

  // Every byte value, including those a cooked line would eat (CR, ^C, ^D, XON/XOFF).
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
  ASSERT_TRUE(port.Write(all.data(), all.size()));
  std::vector<uint8_t> got;
  while (got.size() < all.size() && Readable(pty.Master(), 2000)) {
    uint8_t buf[512];
    ssize_t n = ::read(pty.Master(), buf, sizeof buf);
    ASSERT_GT(n, 0);
    got.insert(got.end(), buf, buf + n);
  }
  EXPECT_EQ(got, all);

  ASSERT_EQ(::write(pty.Master(), all.data(), all.size()), 256);
  got.clear();
  while (got.size() < all.size() && Readable(port.Fd(), 2000)) {
    uint8_t buf[512];
    size_t n = port.Read(buf, sizeof buf);
    got.insert(got.end(), buf, buf + n);
  }
  EXPECT_EQ(got, all);
}
