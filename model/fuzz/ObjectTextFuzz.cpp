// Feeds arbitrary bytes to the object-text reader, plain or packed by the first byte, with a
// registry of fixture classes that publish every kind of property: the read must return, never
// throw or touch memory it should not. A text that reads must save as a text that reads again,
// and that save must be where saving settles: read and written once more, it gives the same
// bytes. (The first save may still differ from the second: names are made anew in reading
// order, and a text may name a block before the blocks inside it, which the writer puts first.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/IDCreater.h"
#include "model/ObjectText.h"
#include "model/tests/TextFixtures.h"

namespace {

std::string Bytes(const model::TDFMStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
}

// Reads `input` into a fresh root and writes that root; false when the read fails.
bool ReadThenWrite(model::TDFMStream& input, bool packed, std::string& written) {
  const model::TComponentManager& registry = model::test::FixtureRegistry();
  platform::TComponent root(nullptr);
  const bool read = model::ReadObjectText(root, root, input, registry, packed);
  model::TDFMStream output;
  if (!model::SaveObjectText(root, output, registry, packed)) return false;
  written = Bytes(output);
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every name and text made while reading is checked against a walk of the tree.
  static const bool checked = (model::TNamingIndex::SetCrossCheck(true), true);
  (void)checked;
  if (size == 0) return 0;
  const bool packed = data[0] & 1;
  model::TDFMStream input;
  input.Write(data + 1, int32_t(size - 1));
  std::string first, second, third;
  if (!ReadThenWrite(input, packed, first)) return 0;
  model::TDFMStream again;
  again.Write(first.data(), int32_t(first.size()));
  if (!ReadThenWrite(again, packed, second)) std::abort();  // a save that does not read
  model::TDFMStream once_more;
  once_more.Write(second.data(), int32_t(second.size()));
  if (!ReadThenWrite(once_more, packed, third) || third != second) std::abort();
  return 0;
}
