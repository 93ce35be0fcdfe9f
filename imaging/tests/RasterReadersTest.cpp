// What the Photoshop, Paint Shop Pro, SGI, Autodesk, PCX, Photo-CD, portable map, Dr. Halo and
// RLA readers share: pictures open them by extension, and damaged files never read outside
// their bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/RasterFormats.h"

using namespace imaging;
using namespace imagingtest;
using platform::EInvalidGraphic;

namespace {

// Extensions of the readers' fixtures (the expected pixels are ".pnm" files).
const char* const kReaderExtensions[] = {"psd", "psp", "sgi", "bw", "rgb", "rgba", "cel",
                                         "pcx", "pcd", "ppm", "pgm", "pbm", "cut", "rla"};

std::vector<std::string> ReaderFixtures() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FIXTURES)) {
    const std::string extension = entry.path().extension().string();
    if (extension.size() > 1 &&
        std::find(std::begin(kReaderExtensions), std::end(kReaderExtensions), extension.substr(1)) !=
            std::end(kReaderExtensions))
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(RasterReaders, PicturesOpenEveryFormatByItsExtension) {
  const imagingtest::TRegistryGuard guard;
  RegisterRasterFormats();
  gfxtest::TempDir dir;
  const std::pair<const char*, const char*> files[] = {
      {"psd_rgb_rle.psd", "a.PDD"},   {"psp_v4_rle_24.psp", "b.psp"}, {"sgi_rgb_rle.rgb", "c.sgi"},
      {"sgi_gray_rle.bw", "d.bw"},    {"sgi_rgba_rle.rgba", "e.rgba"}, {"ads_plasma.cel", "f.pic"},
      {"pcx_24bit.pcx", "g.pcc"},     {"pcx_8bit.pcx", "h.scr"},      {"pcd_gray.pcd", "i.pcd"},
      {"pnm_p6.ppm", "j.pgm"},        {"pnm_p1.pbm", "k.pbm"},        {"cut_pal.cut", "l.cut"},
      {"rla_rgb.rla", "m.rpf"},
  };
  for (const auto& [fixture, name] : files) {
    platform::TPicture picture;
    ASSERT_NO_THROW(picture.LoadFromFile(dir.File(name, gfxtest::ReadFixture(fixture)))) << name;
    EXPECT_FALSE(picture.Graphic()->Empty()) << name;
  }
}

// Every fixture cut at sixteen points, and at its first bytes, loads or is refused with a
// picture error (or the colour manager's), never reading outside its bytes (the asan preset
// checks).
TEST(RasterReaders, CutFilesLoadOrRaiseInvalidGraphic) {
  const imagingtest::TRegistryGuard guard;
  RegisterRasterFormats();
  for (const std::string& name : ReaderFixtures()) {
    const std::vector<uint8_t> data = gfxtest::ReadFixture(name);
    const platform::TGraphicClass graphicClass =
        platform::TPicture::FindExtension(name.substr(name.rfind('.') + 1));
    ASSERT_NE(graphicClass, nullptr) << name;
    std::vector<size_t> cuts = {0, 1, 2, 3, 5, 8, 13, 26, 100, 128, 512, 740};
    for (size_t k = 1; k < 16; ++k) cuts.push_back(data.size() * k / 16);
    for (size_t cut : cuts) {
      if (cut >= data.size()) continue;
      // Its own allocation, so reading one byte past it is caught.
      auto copy = std::make_unique<uint8_t[]>(cut);
      std::copy_n(data.begin(), cut, copy.get());
      std::unique_ptr<platform::TGraphic> g = graphicClass->Create();
      try {
        g->LoadFromStream(copy.get(), cut);
      } catch (const EInvalidGraphic&) {
      } catch (const EColorConversionError&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << name << " cut at " << cut << ": " << e.what();
      }
    }
  }
}
