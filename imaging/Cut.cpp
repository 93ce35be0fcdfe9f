#include "imaging/Cut.h"

namespace imaging {

platform::TGraphicClass TCUTGraphic::Class() { return platform::GraphicClassOf<TCUTGraphic>("TCUTGraphic"); }

void TCUTGraphic::LoadFromFile(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  PaletteFileName = (hasExtension ? path.substr(0, dot) : path) + ".pal";
  TRasterGraphic::LoadFromFile(path);
}

}  // namespace imaging
