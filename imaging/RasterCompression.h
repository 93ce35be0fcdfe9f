#pragma once
// The decompressors of the raster formats, gathered: the TDecoder interface, the run-length
// decoders (and the Targa encoder), the CCITT fax decoders and the deflate decoder.
#include "imaging/Ccitt.h"
#include "imaging/Decoder.h"
#include "imaging/Lz77.h"
#include "imaging/RunLength.h"
