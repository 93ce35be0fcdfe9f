#include "imaging/Autodesk.h"

namespace imaging {

platform::TGraphicClass TAutodeskGraphic::Class() { return platform::GraphicClassOf<TAutodeskGraphic>("TAutodeskGraphic"); }

}  // namespace imaging
