#pragma once
// The raster formats: the format registry, the reader base and every reader class, and the
// registration of them all with the framework's picture registry.
//
// Registration is explicit, not a static initialiser (a static library may drop those, and
// they run in no fixed order): the program calls RegisterRasterFormats() once at start-up,
// before any picture is opened, and may call UnregisterRasterFormats() at exit.
#include "imaging/Autodesk.h"
#include "imaging/Cut.h"
#include "imaging/FileFormatList.h"
#include "imaging/Pcd.h"
#include "imaging/Pcx.h"
#include "imaging/Png.h"
#include "imaging/Ppm.h"
#include "imaging/Psd.h"
#include "imaging/Psp.h"
#include "imaging/RasterGraphic.h"
#include "imaging/Rla.h"
#include "imaging/Sgi.h"
#include "imaging/Targa.h"
#include "imaging/Tiff.h"

namespace imaging {

// The registry of the image formats; null before RegisterRasterFormats and after
// UnregisterRasterFormats.
TFileFormatList* FileFormatList();

// Makes the registry and registers the 35 extensions in their order (the framework's own
// bitmap, metafile and JPEG classes with new descriptions, then every raster reader). A second
// call does nothing.
void RegisterRasterFormats();
// Unregisters the reader classes, then "rle" and "dib", then PNG, and frees the registry, which
// removes the remaining classes (bitmap, metafile, JPEG) from the framework's registry too.
void UnregisterRasterFormats();

}  // namespace imaging
