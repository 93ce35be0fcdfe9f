#pragma once
// The card on a serial line: the master side of a pty pair it makes itself. The host opens the
// slave path as if it were a serial port; several card addresses can share the line (RS-485).
#include <memory>

#include "CardTransport.h"

namespace cardsim {

class TPtyTransport final : public TCardTransport {
 public:
  // Makes the pair and puts the line in raw mode at once, so nothing the host writes before it
  // sets up the port is echoed or changed by the terminal layer.
  static std::unique_ptr<TPtyTransport> Open(std::string* error);
  ~TPtyTransport() override;

  const std::string& SlavePath() const { return slavePath_; }

  int Fd() const override { return master_; }
  bool Receive(std::vector<uint8_t>& bytes, TPeer& peer) override;
  void Send(std::span<const uint8_t> bytes, const TPeer& peer) override;
  bool ChunksAreDatagrams() const override { return false; }
  std::string Describe() const override { return "pty " + slavePath_; }

 private:
  TPtyTransport(int master, int slave, std::string path)
      : master_(master), slave_(slave), slavePath_(std::move(path)) {}
  int master_;
  int slave_;  // held open so the master never sees a hang-up between host sessions
  std::string slavePath_;
};

}  // namespace cardsim
