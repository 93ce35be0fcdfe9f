#include "platform/gfx/Metafile.h"

namespace platform {

TGraphicClass TMetafile::Class() { return GraphicClassOf<TMetafile>("TMetafile"); }

void TMetafile::LoadFromStream(const uint8_t*, size_t) {
  throw EInvalidGraphic(SMetafileNotSupported);
}

}  // namespace platform
