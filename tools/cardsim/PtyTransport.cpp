#include "PtyTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cardsim {

std::unique_ptr<TPtyTransport> TPtyTransport::Open(std::string* error) {
  auto fail = [error](const std::string& what, int master, int slave) {
    if (error) *error = what + ": " + strerror(errno);
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
    return nullptr;
  };
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return fail("posix_openpt", -1, -1);
  if (grantpt(master) != 0 || unlockpt(master) != 0) return fail("unlockpt", master, -1);
  char name[128];
  if (ptsname_r(master, name, sizeof name) != 0) return fail("ptsname", master, -1);
  int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return fail(std::string("open ") + name, master, -1);
  termios t{};
  if (tcgetattr(slave, &t) != 0) return fail("tcgetattr", master, slave);
  cfmakeraw(&t);
  if (tcsetattr(slave, TCSANOW, &t) != 0) return fail("tcsetattr", master, slave);
  int flags = fcntl(master, F_GETFL);
  if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl", master, slave);
  return std::unique_ptr<TPtyTransport>(new TPtyTransport(master, slave, name));
}

TPtyTransport::~TPtyTransport() {
  close(slave_);
  close(master_);
}

bool TPtyTransport::Receive(std::vector<uint8_t>& bytes, TPeer& peer) {
  bytes.resize(4096);
  ssize_t n = read(master_, bytes.data(), bytes.size());
  if (n <= 0) {
    bytes.clear();
    return false;
  }
  bytes.resize(size_t(n));
  peer = {};
  return true;
}

void TPtyTransport::Send(std::span<const uint8_t> bytes, const TPeer&) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The host is not reading fast enough; wait a little for room rather than cut a frame.
      pollfd p{master_, POLLOUT, 0};
      if (poll(&p, 1, 100) > 0) continue;
    }
    return;  // a full line with nobody reading drops the rest, as a real line would
  }
}

}  // namespace cardsim
