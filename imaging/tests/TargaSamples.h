#pragma once
// The Targa writer's samples: the picture of targa_source.ppm in each pixel format, with an
// identification field. targa_writer_samples writes them (check_targa_writer.sh has outside tools
// read them back) and TargaTest compares the writer's output with the files it made.
#include <string>
#include <vector>

#include "imaging/Targa.h"
#include "platform/gfx/Bitmap.h"

namespace imagingtest {

struct TTargaSample {
  std::string Name;  // file name without extension
  platform::TPixelFormat Format;
};

inline std::vector<TTargaSample> TargaSamples() {
  return {{"targa_writer_pf1bit", platform::pf1bit},   {"targa_writer_pf4bit", platform::pf4bit},
          {"targa_writer_pf8bit", platform::pf8bit},   {"targa_writer_pf15bit", platform::pf15bit},
          {"targa_writer_pf16bit", platform::pf16bit}, {"targa_writer_pf24bit", platform::pf24bit},
          {"targa_writer_pf32bit", platform::pf32bit}};
}

// The sample picture: `source` converted to the sample's format (indexed formats take their
// default palette).
inline void MakeTargaSample(const platform::TBitmap& source, const TTargaSample& sample,
                            imaging::TTargaGraphic& g) {
  g.Bitmap() = source;
  g.Bitmap().SetPixelFormat(sample.Format);
  g.ImageID = "Corvane " + sample.Name;
}

// 15- and 16-bit pictures are compared at 5 bits a channel.
inline bool FiveBitSample(platform::TPixelFormat pf) {
  return pf == platform::pf15bit || pf == platform::pf16bit;
}

}  // namespace imagingtest
