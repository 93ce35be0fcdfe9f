// The published picture and bitmap.
#include "platform/component/Graphics.h"

#include <gtest/gtest.h>

#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"

using namespace platform;

namespace {

// A graphic of no class the picture knows: a 3 x 2 picture in one colour.
class TPlainGraphic : public TGraphic {
 public:
  TGraphicClass ClassType() const override { return GraphicClassOf<TPlainGraphic>("TPlain"); }
  void LoadFromStream(const uint8_t*, size_t) override {}
  std::vector<uint8_t> SaveToStream() const override { return {}; }
  int Width() const override { return 3; }
  int Height() const override { return 2; }
  void Draw(TCanvas& canvas, const TRect& rect) const override {
    canvas.Brush.Color = RGB(10, 20, 30);
    canvas.FillRect(rect);
  }
};

}  // namespace

TEST(PublishedGraphics, AreRecognisedByClassName) {
  EXPECT_EQ(TPublishedPicture::StaticClassInfo().ClassName(), "TPicture");
  EXPECT_EQ(TPublishedBitmap::StaticClassInfo().ClassName(), "TBitmap");
  EXPECT_TRUE(TPublishedPicture::StaticClassInfo().Properties().empty());
  EXPECT_TRUE(TPublishedBitmap::StaticClassInfo().Properties().empty());
}

TEST(PublishedGraphics, APictureGivesItsImageAsABitmap) {
  TPublishedPicture p;
  EXPECT_TRUE(p.Empty());
  EXPECT_TRUE(p.ImageBitmap().Empty());

  TBitmap indexed(5, 4, pf8bit);
  indexed.SetPixel(1, 1, RGB(255, 0, 0));
  p.SetBitmap(indexed);
  EXPECT_FALSE(p.Empty());
  EXPECT_EQ(p.ImageBitmap().PixelFormat(), pf8bit);
  EXPECT_EQ(WriteBmp(p.ImageBitmap()), WriteBmp(indexed));

  // A JPEG gives its decoded pixels.
  TBitmap colour(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) colour.SetPixel(x, y, RGB(x * 30, y * 30, 90));
  auto jpeg = std::make_unique<TJPEGImage>();
  std::vector<uint8_t> file = WriteJpeg(colour, 90);
  jpeg->LoadFromStream(file.data(), file.size());
  TBitmap decoded = jpeg->Bitmap();
  p.Picture().SetGraphic(std::move(jpeg));
  EXPECT_EQ(WriteBmp(p.ImageBitmap()), WriteBmp(decoded));

  // Any other graphic is drawn.
  p.Picture().SetGraphic(std::make_unique<TPlainGraphic>());
  TBitmap drawn = p.ImageBitmap();
  ASSERT_EQ(drawn.Width(), 3);
  ASSERT_EQ(drawn.Height(), 2);
  EXPECT_EQ(drawn.GetPixel(2, 1), RGB(10, 20, 30));
}

TEST(PublishedGraphics, ABitmapAssignsFromABitmap) {
  TPublishedBitmap a, b;
  a.SetBitmap(TBitmap(2, 3, pf1bit));
  b.Assign(a);
  EXPECT_EQ(b.Bitmap().Width(), 2);
  EXPECT_EQ(b.Bitmap().PixelFormat(), pf1bit);
  TPublishedPicture p;
  EXPECT_THROW(b.Assign(p), EConvertError);
}
