#include "imaging/Rla.h"

namespace imaging {

platform::TGraphicClass TRLAGraphic::Class() { return platform::GraphicClassOf<TRLAGraphic>("TRLAGraphic"); }

}  // namespace imaging
