#include "imaging/RasterFormats.h"

#include <memory>
#include <mutex>

#include "imaging/GraphicStrings.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"
#include "platform/gfx/Metafile.h"

namespace imaging {

namespace {

std::mutex registryMutex;
std::unique_ptr<TFileFormatList> registry;

struct TFormatRow {
  const char* Extension;
  TGraphicClass (*GraphicClass)();
  std::string_view Common;
  std::string_view Individual;
  TFormatKinds Kinds;
};

constexpr std::string_view none;

// The formats in the order they are registered.
const TFormatRow formatRows[] = {
    {"bmp", platform::TBitmapGraphic::Class, SWindowsBitmaps, none, fkRaster},
    {"wmf", platform::TMetafile::Class, SWindowsMetafiles, none, fkVector},
    {"emf", platform::TMetafile::Class, SWindowsMetafiles, SEnhancedMetafiles, fkVector},
    {"jpg", platform::TJPEGImage::Class, SJpgImages, none, fkRaster},
    {"jpeg", platform::TJPEGImage::Class, none, SJpegImages, fkRaster},
    {"rle", platform::TBitmapGraphic::Class, SWindowsBitmaps, SRunLengthBitmaps, fkRaster},
    {"dib", platform::TBitmapGraphic::Class, none, SDeviceIndependentBitmaps, fkRaster},
    {"win", TTargaGraphic::Class, STruevisionImages, none, fkRaster},
    {"vst", TTargaGraphic::Class, none, none, fkRaster},
    {"vda", TTargaGraphic::Class, none, none, fkRaster},
    {"tga", TTargaGraphic::Class, none, none, fkRaster},
    {"icb", TTargaGraphic::Class, none, none, fkRaster},
    {"tiff", TTIFFGraphic::Class, STiffImages, SMacTiffImages, fkRaster | fkMultiImage},
    {"tif", TTIFFGraphic::Class, none, SPcTifImages, fkRaster | fkMultiImage},
    {"fax", TTIFFGraphic::Class, none, SFaxImages, fkRaster | fkMultiImage},
    {"pcx", TPCXGraphic::Class, SPcxImages, none, fkRaster},
    {"pcc", TPCXGraphic::Class, none, none, fkRaster},
    {"scr", TPCXGraphic::Class, none, SScreenCaptureImages, fkRaster},
    {"rpf", TRLAGraphic::Class, SRlaImages, none, fkRaster},
    {"rla", TRLAGraphic::Class, none, none, fkRaster},
    {"sgi", TSGIGraphic::Class, SSgiImages, SSgiTrueColorImages, fkRaster},
    {"rgba", TSGIGraphic::Class, none, SSgiTrueColorAlphaImages, fkRaster},
    {"rgb", TSGIGraphic::Class, none, SSgiTrueColorImages, fkRaster},
    {"bw", TSGIGraphic::Class, none, SSgiBlackWhiteImages, fkRaster},
    {"psd", TPSDGraphic::Class, SPhotoshopImages, none, fkRaster | fkLayered},
    {"pdd", TPSDGraphic::Class, none, none, fkRaster | fkLayered},
    {"ppm", TPPMGraphic::Class, SPortableMapImages, SPortablePixelMapImages, fkRaster},
    {"pgm", TPPMGraphic::Class, none, SPortableGrayMapImages, fkRaster},
    {"pbm", TPPMGraphic::Class, none, SPortableBitmapImages, fkRaster},
    {"cel", TAutodeskGraphic::Class, SAutodeskImages, none, fkRaster},
    {"pic", TAutodeskGraphic::Class, SAutodeskImages, none, fkRaster},
    {"pcd", TPCDGraphic::Class, SKodakPhotoCdImages, none, fkRaster},
    {"cut", TCUTGraphic::Class, SDrHaloImages, none, fkRaster},
    {"psp", TPSPGraphic::Class, SPaintshopProImages, none, fkRaster | fkVector},
    {"png", TPNGGraphic::Class, SPortableNetworkGraphicImages, none, fkRaster},
};

}  // namespace

TFileFormatList* FileFormatList() {
  std::lock_guard lock(registryMutex);
  return registry.get();
}

void RegisterRasterFormats() {
  std::lock_guard lock(registryMutex);
  if (registry) return;
  registry = std::make_unique<TFileFormatList>();
  for (const TFormatRow& row : formatRows)
    registry->RegisterFileFormat(row.Extension, row.Common, row.Individual, row.Kinds, false,
                                 row.GraphicClass());
}

void UnregisterRasterFormats() {
  std::lock_guard lock(registryMutex);
  if (!registry) return;
  for (TGraphicClass c : {TPSPGraphic::Class(), TPSDGraphic::Class(), TTargaGraphic::Class(),
                          TTIFFGraphic::Class(), TSGIGraphic::Class(), TPCXGraphic::Class(),
                          TAutodeskGraphic::Class(), TPCDGraphic::Class(), TPPMGraphic::Class(),
                          TCUTGraphic::Class(), TRLAGraphic::Class()})
    registry->UnregisterFileFormat("", c);
  registry->UnregisterFileFormat("rle", platform::TBitmapGraphic::Class());
  registry->UnregisterFileFormat("dib", platform::TBitmapGraphic::Class());
  registry->UnregisterFileFormat("", TPNGGraphic::Class());
  registry.reset();
}

}  // namespace imaging
