// Throughput of a 1 MB transfer over loopback UDP to the test card, with the Panelcast policy
// (T = 2500 ms) and bursts of W = 1 and W = 8 blocks.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

#include "../tests/TestCard.h"
#include "link/Device.h"

using namespace cardlink;

static void BM_UdpTransfer1MB(benchmark::State& state) {
  TTransferOptions options;
  options.TimeoutMs = 2500;
  options.Retries = 3;
  options.Burst = int(state.range(0));
  std::vector<uint8_t> buffer(kReceiveBufferSize);
  TLinkSettings settings;
  settings.LinkKind = 1;
  settings.ReceiveBuffer = buffer;
  TUdpInspect link(settings, PanelcastPolicy(options));
  std::mutex mutex;
  std::condition_variable changed;
  int done = 0;
  link.Events().OnSendDone = [&](uint8_t, const TLinkPeer&) {
    std::lock_guard lock(mutex);
    ++done;
    changed.notify_all();
  };
  if (!link.Start()) {
    state.SkipWithError("link did not open");
    return;
  }
  auto card = cardtest::TTestCard::OverUdp(link.BoundPort());
  std::vector<uint8_t> data(1024 * 1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 131 + (i >> 11));
  for (auto _ : state) {
    int target;
    {
      std::lock_guard lock(mutex);
      target = done + 1;
    }
    link.QueueData(data, card->Port(), "127.0.0.1", card->Address());
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return done == target; });
    lock.unlock();
    if (!card->WaitReceived(10000)) state.SkipWithError("the card did not get the data");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_UdpTransfer1MB)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
