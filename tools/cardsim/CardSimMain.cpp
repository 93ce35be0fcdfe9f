// cardsim: a simulated control card to try the programs without hardware. Prints every frame it
// receives or sends and every transfer it completes, one line each; stops on Ctrl+C.
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "CardSim.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/Clock.h"

namespace {

const char* const Usage =
    "usage: cardsim [options]\n"
    "  --udp PORT       listen on this UDP port (default 6666; 0 picks a free one)\n"
    "  --bind ADDRESS   IPv4 address to bind (default 127.0.0.1)\n"
    "  --pty            make a pty pair instead and print its slave path (serial, RS-485)\n"
    "  --address N      card address 0-255 on the line; repeat for several (default 0)\n"
    "  --save DIR       save every completed transfer as a file in DIR\n"
    "  --content FILE   display content sent back when the host asks to read it (kind 8925)\n"
    "  --automatic      run the automatic power and brightness schedules: set-power and\n"
    "                   set-brightness are refused with status 99\n"
    "  --no-messages    send no card messages after writes and completed transfers\n"
    "  --help           this text\n";

struct TArgs {
  bool Pty = false;
  long Port = 6666;
  std::string Bind = "127.0.0.1";
  std::vector<uint8_t> Addresses;
  std::string SaveDir;
  std::string ContentFile;
  bool Automatic = false;
  bool Messages = true;
};

bool ParseNumber(const char* text, long low, long high, long& out) {
  char* end = nullptr;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

// Returns 0 to go on, or the exit code.
int ParseArgs(int argc, char** argv, TArgs& args) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        fprintf(stderr, "cardsim: %s needs %s\n", a.c_str(), what);
        return nullptr;
      }
      return argv[++i];
    };
    long n = 0;
    if (a == "--help" || a == "-h") {
      fputs(Usage, stdout);
      return -1;
    } else if (a == "--pty") {
      args.Pty = true;
    } else if (a == "--udp") {
      const char* v = value("a port");
      if (!v || !ParseNumber(v, 0, 65535, args.Port)) return 2;
    } else if (a == "--bind") {
      const char* v = value("an address");
      if (!v) return 2;
      args.Bind = v;
    } else if (a == "--address") {
      const char* v = value("a card address");
      if (!v || !ParseNumber(v, 0, 255, n)) {
        fprintf(stderr, "cardsim: a card address is a number 0-255\n");
        return 2;
      }
      args.Addresses.push_back(uint8_t(n));
    } else if (a == "--save") {
      const char* v = value("a folder");
      if (!v) return 2;
      args.SaveDir = v;
    } else if (a == "--content") {
      const char* v = value("a file");
      if (!v) return 2;
      args.ContentFile = v;
    } else if (a == "--automatic") {
      args.Automatic = true;
    } else if (a == "--no-messages") {
      args.Messages = false;
    } else {
      fprintf(stderr, "cardsim: unknown option %s\n%s", a.c_str(), Usage);
      return 2;
    }
  }
  if (args.Addresses.empty()) args.Addresses.push_back(0);
  return 0;
}

std::string AddressList(const std::vector<uint8_t>& addresses) {
  std::string s;
  for (uint8_t a : addresses) s += (s.empty() ? "" : ",") + std::to_string(a);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  TArgs args;
  if (int rc = ParseArgs(argc, argv, args)) return rc < 0 ? 0 : rc;

  std::string content;
  if (!args.ContentFile.empty()) {
    std::string error;
    if (!platform::ReadWholeFile(args.ContentFile, content, &error)) {
      fprintf(stderr, "cardsim: %s\n", error.c_str());
      return 1;
    }
  }
  if (!args.SaveDir.empty() && mkdir(args.SaveDir.c_str(), 0777) != 0 && errno != EEXIST) {
    fprintf(stderr, "cardsim: cannot make %s: %s\n", args.SaveDir.c_str(), strerror(errno));
    return 1;
  }

  // Ctrl+C and termination are taken by sigwait below; block them before the card's thread
  // starts so it inherits the mask and never gets them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  cardsim::TCardSim sim({.CardMessages = args.Messages, .KeepFrames = false, .KeepTransfers = false});
  for (uint8_t address : args.Addresses) {
    sim.AddCard(address);
    sim.UpdateCard(address, [&](cardsim::TCardState& c) {
      c.AutoPower = c.AutoBright = args.Automatic;
      if (!content.empty()) c.DisplayContent.assign(content.begin(), content.end());
    });
  }

  const int64_t origin = platform::SteadyClock().NowMs();
  std::mutex printing;
  int saved = 0;
  sim.SetFrameObserver([&](const cardsim::TFrameRecord& r) {
    std::lock_guard lock(printing);
    printf("%s\n", cardsim::DescribeFrame(r, origin).c_str());
    fflush(stdout);
  });
  sim.SetTransferObserver([&](const cardsim::TReceivedTransfer& t) {
    std::lock_guard lock(printing);
    int64_t ms = t.TimeMs - origin;
    std::string where;
    if (!args.SaveDir.empty()) {
      char name[64];
      snprintf(name, sizeof name, "/transfer-%04d-card%u-kind%u.bin", ++saved, unsigned(t.Card),
               unsigned(t.ContentKind()));
      std::string path = args.SaveDir + name;
      std::string error;
      if (platform::SaveFileAtomic(path, t.Data.data(), t.Data.size(), &error))
        where = ", saved to " + path;
      else
        where = ", not saved: " + error;
    }
    printf("%6lld.%03lld transfer complete: card %u from %s, %zu bytes, content kind %u%s\n",
           (long long)(ms / 1000), (long long)(ms % 1000), unsigned(t.Card), t.Peer.Text().c_str(),
           t.Data.size(), unsigned(t.ContentKind()), where.c_str());
    fflush(stdout);
  });

  std::string error;
  bool started = args.Pty ? sim.StartPty(&error) : sim.StartUdp(uint16_t(args.Port), args.Bind, &error);
  if (!started) {
    fprintf(stderr, "cardsim: %s\n", error.c_str());
    return 1;
  }
  printf("cardsim: card%s %s on %s%s; Ctrl+C stops\n", args.Addresses.size() > 1 ? "s" : "",
         AddressList(args.Addresses).c_str(), sim.Describe().c_str(),
         args.Automatic ? ", automatic schedules running" : "");
  fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  sim.Stop();
  printf("cardsim: stopped\n");
  return 0;
}
