// Writes the Targa writer's samples (TargaSamples.h) into a folder, each as name.tga with the
// colours the picture shows as name.ppm, for check_targa_writer.sh to read back with outside
// tools.
//   targa_writer_samples FOLDER
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "TargaSamples.h"
#include "platform/gfx/tests/PnmFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: targa_writer_samples FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const platform::TBitmap source = gfxtest::ReadPnm("targa_source.ppm");
  for (const imagingtest::TTargaSample& sample : imagingtest::TargaSamples()) {
    imaging::TTargaGraphic g;
    imagingtest::MakeTargaSample(source, sample, g);
    const std::vector<uint8_t> tga = g.SaveToStream();
    std::ofstream(folder + "/" + sample.Name + ".tga", std::ios::binary)
        .write(reinterpret_cast<const char*>(tga.data()), std::streamsize(tga.size()));
    const platform::TBitmap& b = g.Bitmap();
    std::ofstream ppm(folder + "/" + sample.Name + ".ppm", std::ios::binary);
    ppm << "P6\n" << b.Width() << " " << b.Height() << "\n255\n";
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const platform::TColor c = b.GetPixel(x, y);
        const char rgb[3] = {char(platform::GetRValue(c)), char(platform::GetGValue(c)),
                             char(platform::GetBValue(c))};
        ppm.write(rgb, 3);
      }
    if (!ppm) return 1;
  }
  return 0;
}
