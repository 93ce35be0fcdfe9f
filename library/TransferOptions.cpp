#include "TransferOptions.h"

#include <atomic>

namespace panelcast {

namespace {

struct TOptionRange {
  int32_t Min;
  int32_t Max;
  std::atomic<int> cardlink::TTransferOptions::*Field;
};

constexpr TOptionRange kOptions[] = {
    {51, 59999, &cardlink::TTransferOptions::TimeoutMs},
    {2, 15, &cardlink::TTransferOptions::Retries},
    {1, 8, &cardlink::TTransferOptions::Burst},
};

const TOptionRange* Find(int32_t option) {
  if (option < 1 || option > int32_t(std::size(kOptions))) return nullptr;
  return &kOptions[option - 1];
}

}  // namespace

cardlink::TTransferOptions& TransferOptions() {
  static cardlink::TTransferOptions options;
  return options;
}

bool SetOption(int32_t option, int32_t value) {
  const TOptionRange* range = Find(option);
  if (!range || value < range->Min || value > range->Max) return false;
  (TransferOptions().*(range->Field)).store(value);
  return true;
}

int32_t GetOption(int32_t option) {
  const TOptionRange* range = Find(option);
  if (!range) return -1;
  return (TransferOptions().*(range->Field)).load();
}

}  // namespace panelcast
