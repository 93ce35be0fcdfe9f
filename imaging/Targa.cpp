#include "imaging/Targa.h"

namespace imaging {

platform::TGraphicClass TTargaGraphic::Class() { return platform::GraphicClassOf<TTargaGraphic>("TTargaGraphic"); }

}  // namespace imaging
