#include "imaging/Pcx.h"

namespace imaging {

platform::TGraphicClass TPCXGraphic::Class() { return platform::GraphicClassOf<TPCXGraphic>("TPCXGraphic"); }

}  // namespace imaging
