#include "imaging/Png.h"

namespace imaging {

platform::TGraphicClass TPNGGraphic::Class() { return platform::GraphicClassOf<TPNGGraphic>("TPNGGraphic"); }

}  // namespace imaging
