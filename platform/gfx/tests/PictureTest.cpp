#include "platform/gfx/Picture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PnmFile.h"
#include "TempDir.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"

using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadFixture;
using gfxtest::ReadPnm;
using gfxtest::TempDir;

namespace {

// A picture class of a format the framework does not know, as an image reader registers.
class TPlainGraphic : public TBitmapGraphic {
 public:
  static TGraphicClass Class() { return GraphicClassOf<TPlainGraphic>("TPlainGraphic"); }
  TGraphicClass ClassType() const override { return Class(); }
  void LoadFromStream(const uint8_t* data, size_t size) override {
    if (size < 2) throw EInvalidGraphic("too short");
    Bitmap() = TBitmap(data[0], data[1]);
  }
};

std::vector<std::string> Extensions() {
  std::vector<std::string> out;
  for (const TPictureFormat& f : TPicture::FileFormats()) out.push_back(f.Extension);
  return out;
}

}  // namespace

TEST(PictureRegistry, KnowsTheFrameworksFormatsAndFindsExtensionsInAnyCase) {
  EXPECT_THAT(Extensions(), ::testing::ElementsAre("bmp", "jpg", "jpeg"));
  EXPECT_EQ(TPicture::FindExtension("BMP"), TBitmapGraphic::Class());
  EXPECT_EQ(TPicture::FindExtension("Jpeg"), TJPEGImage::Class());
  EXPECT_EQ(TPicture::FindExtension("gif"), nullptr);
  EXPECT_EQ(TPicture::FindExtension(""), nullptr);
  EXPECT_EQ(TPicture::GraphicFilter(),
            "All (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|"
            "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
}

TEST(PictureRegistry, RegisteringAgainReplacesInPlaceAndUnregisteringRemovesAClass) {
  TPicture::RegisterFileFormat("plain", "Plain pictures", TPlainGraphic::Class());
  TPicture::RegisterFileFormat("pln", "", TPlainGraphic::Class());
  TPicture::RegisterFileFormat("BMP", "Windows bitmaps", TBitmapGraphic::Class());
  TPicture::RegisterFileFormat("", "nothing", TPlainGraphic::Class());
  EXPECT_THAT(Extensions(), ::testing::ElementsAre("BMP", "jpg", "jpeg", "plain", "pln"));
  EXPECT_EQ(TPicture::FileFormats()[0].Description, "Windows bitmaps");
  EXPECT_EQ(TPicture::FindExtension("PLAIN"), TPlainGraphic::Class());

  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(dir.File("a.pln", {3, 2}));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassType(), TPlainGraphic::Class());
  EXPECT_EQ(picture.Width(), 3);

  TPicture::UnregisterGraphicClass(TPlainGraphic::Class());
  TPicture::RegisterFileFormat("bmp", "Bitmaps", TBitmapGraphic::Class());
  EXPECT_THAT(Extensions(), ::testing::ElementsAre("bmp", "jpg", "jpeg"));
}

TEST(Picture, LoadsByExtensionAndKeepsItsPictureWhenLoadingFails) {
  TempDir dir;
  TPicture picture;
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  picture.LoadFromFile(dir.File("photo.JPG", ReadFixture("baseline.jpg")));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassType(), TJPEGImage::Class());
  EXPECT_EQ(picture.Width(), 37);

  // A JPEG file named .bmp is not a bitmap.
  const std::string wrong = dir.File("photo.bmp", ReadFixture("baseline.jpg"));
  EXPECT_THROW(picture.LoadFromFile(wrong), EInvalidGraphic);
  EXPECT_EQ(picture.Graphic()->ClassType(), TJPEGImage::Class());
  try {
    picture.LoadFromFile(dir.File("notes.txt", {1, 2, 3}));
    ADD_FAILURE() << "an unknown extension was loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.txt)");
  }
  EXPECT_THROW(picture.LoadFromFile(dir.File("noextension", {1, 2})), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile(dir.Path("missing.bmp")), EFOpenError);
  EXPECT_EQ(picture.Width(), 37);
}

TEST(Picture, SavesInTheGraphicsOwnFormat) {
  TempDir dir;
  TPicture picture;
  EXPECT_THROW(picture.SaveToFile(dir.Path("none.bmp")), EInvalidGraphic);
  picture.LoadFromFile(dir.File("in.bmp", ReadFixture("bpp4.bmp")));
  picture.SaveToFile(dir.Path("out.bmp"));
  TPicture again;
  again.LoadFromFile(dir.Path("out.bmp"));
  auto* graphic = dynamic_cast<TBitmapGraphic*>(again.Graphic());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->Bitmap().PixelFormat(), pf4bit);
  EXPECT_EQ(PixelDifference(graphic->Bitmap(), ReadPnm("bpp4.ppm")), "");
  EXPECT_THROW(picture.SaveToFile(dir.Path("no/such/dir/out.bmp")), EFOpenError);
}

TEST(Picture, GraphicsDrawScaledIntoTheirRectangle) {
  TBitmapGraphic g;
  g.Bitmap() = TBitmap(2, 1);
  g.Bitmap().SetPixel(1, 0, clRed);
  TBitmap page(8, 2);
  TCanvas canvas(page);
  g.Draw(canvas, {2, 0, 6, 2});
  EXPECT_EQ(gfxtest::Shape(page), (std::vector<std::string>{"....##..", "....##.."}));
}
