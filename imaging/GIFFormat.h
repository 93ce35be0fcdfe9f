#pragma once
// The GIF format: raster codec, file model and the GIF picture.
#include "imaging/GifCodec.h"
#include "imaging/GifFile.h"
#include "imaging/GifImage.h"
