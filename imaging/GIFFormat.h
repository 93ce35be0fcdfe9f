#pragma once
// The GIF format: raster codec, file model, colour reduction, rendering, animation and the GIF
// picture class.
#include "imaging/GifCodec.h"
#include "imaging/GifFile.h"
#include "imaging/GifImage.h"
#include "imaging/GifPainter.h"
#include "imaging/GifReduce.h"
#include "imaging/GifRender.h"
