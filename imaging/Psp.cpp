#include "imaging/Psp.h"

namespace imaging {

platform::TGraphicClass TPSPGraphic::Class() { return platform::GraphicClassOf<TPSPGraphic>("TPSPGraphic"); }

}  // namespace imaging
