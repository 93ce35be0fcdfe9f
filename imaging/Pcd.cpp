#include "imaging/Pcd.h"

namespace imaging {

platform::TGraphicClass TPCDGraphic::Class() { return platform::GraphicClassOf<TPCDGraphic>("TPCDGraphic"); }

}  // namespace imaging
