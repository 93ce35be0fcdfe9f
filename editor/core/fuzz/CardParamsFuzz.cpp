// Arbitrary bytes as a parameter block (at most a block's worth, as a card or a "*.pam" file
// gives them) -> the dialog's controls -> a block again. Neither step may read or write outside
// its buffers; reading the rebuilt block gives the same controls but for what building settles
// (cascade type, names cut to 31 bytes, out-of-range items).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "editor/core/CardParams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> block(data, std::min(size, editor::kParamBlockSize));
  const editor::TParamControls controls = editor::ControlsFromBlock(block);
  const editor::TParamBlock built = editor::BuildParamBlock(controls, 0x12345678);
  const editor::TParamControls again = editor::ControlsFromBlock(built);
  const editor::TParamBlock rebuilt = editor::BuildParamBlock(again, 0x12345678);
  // A block built from controls is a fixed point.
  if (rebuilt != built) std::abort();
  if (built[72 + 31] != 0) std::abort();  // the card name keeps its zero
  return 0;
}
