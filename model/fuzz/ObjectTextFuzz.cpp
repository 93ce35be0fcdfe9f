// Feeds arbitrary bytes to the object-text reader, plain or packed by the first byte, with a
// registry of fixture classes that publish every kind of property: the read must return, never
// throw or touch memory it should not; whatever it created is then written and freed.
#include <cstddef>
#include <cstdint>

#include "model/ObjectText.h"
#include "model/tests/TextFixtures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool packed = data[0] & 1;
  model::TDFMStream input;
  input.Write(data + 1, int32_t(size - 1));
  platform::TComponent root(nullptr);
  const model::TComponentManager& registry = model::test::FixtureRegistry();
  model::ReadObjectText(root, root, input, registry, packed);
  model::TDFMStream output;
  model::SaveObjectText(root, output, registry, packed);
  return 0;
}
