#include "imaging/Ppm.h"

namespace imaging {

platform::TGraphicClass TPPMGraphic::Class() { return platform::GraphicClassOf<TPPMGraphic>("TPPMGraphic"); }

}  // namespace imaging
