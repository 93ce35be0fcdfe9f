// The picture object TPhoto: table, defaults, loading through the picture registry, paint and
// record against ImageMagick's decodes, and pictures that do not load.
#include "model/objects/PhotoComps.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "model/MessageBoxHook.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "model/tests/TempDir.h"
#include "platform/base/ByteOrder.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/tests/PnmFile.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::Utf8ToGbk;
using test::Fixture;
using test::Gbk;
using test::Lines;

TEST(PhotoTable, EqualsThePartsList) {
  TPhoto photo(nullptr);
  EXPECT_EQ(test::Joined(photo.PropertyTable()), Utf8ToGbk(std::string(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
FileName|文件名|$000000F0
Stretch|是否缩放
Method|显示方式
Speed|显示速度
)") + test::kEffectAndSpeedRows + "True|是\nFalse|否\n"));
}

TEST(PhotoDefaults, ANewObjectIsBlackAndWritesTheseLines) {
  TPhoto photo(nullptr);
  photo.SetName("Photo0");
  EXPECT_EQ(test::ObjectText(photo), Lines({"Object Photo0:TPhoto", "  Fixed=False", "  Height=64",
                                            "  Left=0", "  Method=dmCopy", "  Name='Photo0'",
                                            "  Speed=dsFirst", "  Stretch=True", "  Tag=0",
                                            "  Top=0", "  Transparent=False", "  Width=160",
                                            "End"}));
  EXPECT_TRUE(test::SamePixels(photo.Picture(), TBitmap(160, 64)));
  EXPECT_EQ(photo.Picture().PixelFormat(), platform::pf24bit);
}

// Records every message box the model shows.
class TPhotoObject : public ::testing::Test {
 protected:
  struct TShown {
    std::string Text, Caption;
  };
  void SetUp() override { StreamContext().SetColorMode(3); }  // every pixel's colour counts
  void TearDown() override { StreamContext().Reset(); }

  // The top-left w x h of `picture` on a black picture of its size: what a non-stretched
  // record sends.
  static TBitmap TopLeftOnBlack(const TBitmap& picture, int w, int h) {
    TBitmap out(picture.Width(), picture.Height());
    for (int y = 0; y < std::min(h, picture.Height()); ++y)
      for (int x = 0; x < std::min(w, picture.Width()); ++x)
        out.SetPixel(x, y, picture.GetPixel(x, y));
    return out;
  }

  static std::vector<uint8_t> PictureWindow(const TRecordRect& rect, const TBitmap& picture,
                                            uint16_t effect, uint16_t speed, bool transparent) {
    TProgramStream s;
    WritePictureWindow(rect, picture, effect, speed, transparent, s);
    return s.Bytes();
  }

  std::vector<TShown> shown_;
  TMessageBoxHookScope hook_{[this](std::string_view text, std::string_view caption,
                                    TMessageBoxIcon) {
    shown_.push_back({std::string(text), std::string(caption)});
  }};
  test::TTempDir dir_;
};

struct TPictureCase {
  const char* File;
  const char* Decode;  // ImageMagick's decode of it
};

class TPhotoFormats : public TPhotoObject, public ::testing::WithParamInterface<TPictureCase> {};

TEST_P(TPhotoFormats, NotStretchedShowsTheTopLeftAndSendsThePicturesSize) {
  const TBitmap decoded = gfxtest::ReadPnm(GetParam().Decode);
  ASSERT_EQ(decoded.Width(), 300);
  ASSERT_EQ(decoded.Height(), 200);

  TPhoto photo(nullptr);
  photo.SetBounds(5, 7, 160, 64);
  photo.SetStretch(false);
  photo.SetFileName(Fixture(GetParam().File));
  EXPECT_EQ(photo.FileName(), Fixture(GetParam().File));
  EXPECT_EQ(gfxtest::PixelDifference(photo.Picture(), decoded), "");
  EXPECT_TRUE(shown_.empty());

  // Paint: exactly the picture's top-left 160 x 64, the page untouched around it.
  const TBitmap page = test::PaintedOnBlue(photo, 200, 90);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool inside = x >= 5 && x < 165 && y >= 7 && y < 71;
      ASSERT_EQ(page.GetPixel(x, y), inside ? decoded.GetPixel(x - 5, y - 7) : platform::clBlue)
          << x << "," << y;
    }

  // Record: the whole 300 x 200, holding the picture only in that rectangle.
  photo.SetMethod(dmLeftMoveIn);
  photo.SetSpeed(dsSix);
  photo.SetTransparent(true);
  EXPECT_EQ(test::RecordOf(photo),
            PictureWindow({5, 7, 165, 71}, TopLeftOnBlack(decoded, 160, 64), 8, 6, true));

  // Larger than the picture: black where it does not reach, and the whole picture is sent.
  photo.SetBounds(0, 0, 320, 210);
  const TBitmap large = test::PaintedOnBlue(photo, 320, 210);
  EXPECT_EQ(large.GetPixel(299, 199), decoded.GetPixel(299, 199));
  EXPECT_EQ(large.GetPixel(300, 10), platform::clBlack);
  EXPECT_EQ(large.GetPixel(10, 200), platform::clBlack);
  EXPECT_EQ(large.GetPixel(319, 209), platform::clBlack);
  EXPECT_EQ(test::RecordOf(photo), PictureWindow({0, 0, 320, 210}, decoded, 8, 6, true));
}

TEST_P(TPhotoFormats, StretchedSendsTheObjectsSizeAsTheCanvasStretchesIt) {
  const TBitmap decoded = gfxtest::ReadPnm(GetParam().Decode);
  TPhoto photo(nullptr);
  photo.SetBounds(3, 4, 160, 64);
  photo.SetFileName(Fixture(GetParam().File));

  TBitmap stretched(160, 64);
  TCanvas(stretched).StretchDraw({0, 0, 160, 64}, decoded);  // the canvas's own default mode
  EXPECT_EQ(test::RecordOf(photo), PictureWindow({3, 4, 163, 68}, stretched, 1, 1, false));

  const TBitmap page = test::PaintedOnBlue(photo, 170, 70);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 160; ++x)
      ASSERT_EQ(page.GetPixel(x + 3, y + 4), stretched.GetPixel(x, y)) << x << "," << y;
  EXPECT_EQ(page.GetPixel(2, 4), platform::clBlue);
  EXPECT_EQ(page.GetPixel(163, 67), platform::clBlue);
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, TPhotoFormats,
                         ::testing::Values(TPictureCase{"photo.bmp", "photo_bmp.ppm"},
                                           TPictureCase{"photo.jpg", "photo_jpg.ppm"}),
                         [](const auto& info) {
                           return std::string(info.param.File) == "photo.bmp" ? "Bmp" : "Jpeg";
                         });

// A picture class of the tests' own: "TESTPIC w h" followed by a colour in hex; it draws
// itself as a rectangle of that colour.
class TTestGraphic : public platform::TGraphic {
 public:
  static platform::TGraphicClass Class() {
    return platform::GraphicClassOf<TTestGraphic>("TTestGraphic");
  }
  platform::TGraphicClass ClassType() const override { return Class(); }
  void LoadFromStream(const uint8_t* data, size_t size) override {
    unsigned w = 0, h = 0, color = 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (std::sscanf(text.c_str(), "TESTPIC %u %u %x", &w, &h, &color) != 3)
      throw platform::EInvalidGraphic("Not a test picture");
    width_ = int(w), height_ = int(h), color_ = color;
  }
  std::vector<uint8_t> SaveToStream() const override { return {}; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Draw(TCanvas& canvas, const platform::TRect& rect) const override {
    canvas.Brush = {color_, platform::bsSolid};
    canvas.FillRect(rect);
  }

 private:
  int width_ = 0, height_ = 0;
  platform::TColor color_ = 0;
};

TEST_F(TPhotoObject, LoadsAnyFormatTheRegistryKnows) {
  platform::TPicture::RegisterFileFormat("tstpic", "Test pictures", TTestGraphic::Class());
  const std::string name = dir_.File("square.TstPic");
  test::WriteFile(name, "TESTPIC 7 5 00ff00");
  TPhoto photo(nullptr);
  photo.SetFileName(name);
  platform::TPicture::UnregisterGraphicClass(TTestGraphic::Class());

  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(photo.FileName(), name);
  TBitmap expected(7, 5);
  TCanvas c(expected);
  c.Brush = {platform::clLime, platform::bsSolid};
  c.FillRect({0, 0, 7, 5});
  EXPECT_TRUE(test::SamePixels(photo.Picture(), expected));

  // Without the class the extension is unknown again.
  photo.SetFileName(dir_.File("other.tstpic"));
  EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(TPhotoObject, APictureThatDoesNotLoadKeepsNameAndPictureAndSaysSo) {
  const std::string text = dir_.File("text.bmp");
  test::WriteFile(text, "this is no bitmap");
  const std::string unknown = dir_.File("picture.xyz");
  test::WriteFile(unknown, test::FileBytes(Fixture("photo.bmp")));
  ASSERT_EQ(::mkdir(dir_.File("folder.bmp").c_str(), 0700), 0);
  // A pipe without a writer: refused at once, never waited on.
  const std::string fifo = dir_.File("pipe.bmp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A bitmap header claiming 70000 x 1: wider than a picture window can carry.
  std::string tooWide = test::FileBytes(Fixture("wide65535.bmp"));
  platform::StoreU32(reinterpret_cast<uint8_t*>(tooWide.data()) + 18, 70000);
  test::WriteFile(dir_.File("wide70000.bmp"), tooWide);

  TPhoto photo(nullptr);
  photo.SetBounds(0, 0, 160, 64);
  photo.SetFileName(Fixture("photo.bmp"));
  const TBitmap good = photo.Picture();
  const std::vector<uint8_t> record = test::RecordOf(photo);
  for (const std::string& bad : {text, unknown, dir_.File("missing.bmp"), dir_.File("folder.bmp"),
                                 fifo, dir_.File("wide70000.bmp"), std::string()}) {
    SCOPED_TRACE(bad);
    shown_.clear();
    photo.SetFileName(bad);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].Text, Gbk("所选择文件格式错误，请选择其他文件!"));
    EXPECT_EQ(shown_[0].Caption, Gbk("提示信息"));
    EXPECT_EQ(photo.FileName(), Fixture("photo.bmp"));
    EXPECT_TRUE(test::SamePixels(photo.Picture(), good));
    EXPECT_EQ(test::RecordOf(photo), record);
  }
}

TEST_F(TPhotoObject, ObjectTextKeepsTheNameOfAPictureThatIsMissingNow) {
  const std::string missing = dir_.File("gone.bmp");
  const std::string text = Lines({"Object Photo3:TPhoto", "  FileName='" + missing + "'",
                                  "  Height=64", "  Stretch=False", "  Width=160", "End"});
  TLeaf page(nullptr);
  ASSERT_TRUE(test::ReadInto(page, text));
  auto* photo = dynamic_cast<TPhoto*>(page.Components(0));
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(photo->FileName(), missing);
  EXPECT_TRUE(test::SamePixels(photo->Picture(), TBitmap(160, 64)));
  // Saved again, the project still names the picture.
  EXPECT_NE(test::ChildrenText(page).find("FileName='" + missing + "'"), std::string::npos);
  // What it sends meanwhile is the black picture.
  EXPECT_EQ(test::RecordOf(*photo), PictureWindow({0, 0, 160, 64}, TBitmap(160, 64), 1, 1, false));
}

TEST_F(TPhotoObject, TheWidestPictureAWindowCarriesLoadsAndIsSentWhole) {
  TPhoto photo(nullptr);
  photo.SetStretch(false);
  photo.SetFileName(Fixture("wide65535.bmp"));
  EXPECT_TRUE(shown_.empty());
  ASSERT_EQ(photo.Picture().Width(), 65535);
  ASSERT_EQ(photo.Picture().Height(), 1);
  const std::vector<uint8_t> record = test::RecordOf(photo);
  EXPECT_EQ(record, PictureWindow({0, 0, 160, 64}, TopLeftOnBlack(photo.Picture(), 160, 64), 1,
                                  1, false));
  EXPECT_EQ(platform::LoadU16(&record[28 + 2]), 65535);  // the pixel block's width
  // ImageMagick's gradient runs from red to blue.
  EXPECT_EQ(photo.Picture().GetPixel(0, 0), platform::clRed);
  EXPECT_EQ(photo.Picture().GetPixel(65534, 0), platform::clBlue);
}

TEST_F(TPhotoObject, StretchAndTransparentRepaintOnlyWhenTheyChange) {
  TLeaf page(nullptr);
  int repaints = 0;
  page.OnInvalidate = [&](platform::TControl&) { ++repaints; };
  auto* photo = new TPhoto(&page);
  photo->SetParent(&page);
  repaints = 0;
  photo->SetStretch(true);
  photo->SetTransparent(false);
  EXPECT_EQ(repaints, 0);
  photo->SetStretch(false);
  photo->SetTransparent(true);
  EXPECT_EQ(repaints, 2);
  // A picture that does not load asks for no repaint.
  photo->SetFileName(dir_.File("missing.bmp"));
  EXPECT_EQ(repaints, 2);
}

TEST_F(TPhotoObject, ObjectTextRoundTripKeepsEveryValue) {
  TLeaf page(nullptr);
  auto* photo = new TPhoto(&page);
  photo->SetParent(&page);
  photo->SetName("Photo0");
  photo->SetBounds(9, 8, 120, 40);
  photo->SetFileName(Fixture("photo.jpg"));
  photo->SetMethod(dmFlicker);
  photo->SetSpeed(dsThree);
  photo->SetStretch(false);
  photo->SetTransparent(true);
  photo->SetFixed(true);
  photo->SetText(Gbk("图片1"));
  EXPECT_GT(test::ExpectRoundTrip(page).size(), 16u + 28u + 300u * 200u * 2u);
  EXPECT_TRUE(shown_.empty());
}

}  // namespace
}  // namespace model
