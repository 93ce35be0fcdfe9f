#include "imaging/Psd.h"

namespace imaging {

platform::TGraphicClass TPSDGraphic::Class() { return platform::GraphicClassOf<TPSDGraphic>("TPSDGraphic"); }

}  // namespace imaging
