#include "imaging/Tiff.h"

namespace imaging {

platform::TGraphicClass TTIFFGraphic::Class() { return platform::GraphicClassOf<TTIFFGraphic>("TTIFFGraphic"); }

}  // namespace imaging
