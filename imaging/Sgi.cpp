#include "imaging/Sgi.h"

namespace imaging {

platform::TGraphicClass TSGIGraphic::Class() { return platform::GraphicClassOf<TSGIGraphic>("TSGIGraphic"); }

}  // namespace imaging
