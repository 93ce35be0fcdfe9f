// The GIF picture class: settings, size, assignment, palette, first-frame bitmap, clipboard,
// registration and one-time drawing.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "GifTestUtil.h"
#include "GifOracle.h"
#include "TestSupport.h"
#include "imaging/GIFFormat.h"
#include "platform/gfx/BmpImage.h"

using namespace imaging;
using namespace giftest;
using platform::RGB;
using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

namespace {

std::unique_ptr<TGIFImage> Loaded(const std::string& name) {
  auto image = std::make_unique<TGIFImage>();
  const Bytes data = ReadFixture(name);
  image->LoadFromStream(data.data(), data.size());
  return image;
}

TEST(GifImage, NewImageHasTheDefaults) {
  TGIFImage image;
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(image.PaintOptions, 0x060F);
  EXPECT_EQ(image.ReductionMethod(), 6);
  EXPECT_EQ(image.ReductionBitCount, 8);
  EXPECT_EQ(image.DitherKind(), 0);
  EXPECT_EQ(image.CompressionKind, 0);
  EXPECT_EQ(image.SpeedPercent, 100);
  EXPECT_EQ(image.PaintBackground, 0x1FFFFFFFu);
  EXPECT_EQ(image.ClassType(), TGIFImage::Class());
  EXPECT_EQ(image.Bitmap(), nullptr);
}

TEST(GifImage, SizeBelowAFrameRaisesAndKeepsTheSize) {
  auto image = Loaded("gs_dispose.gif");  // a frame reaches to x = 14, y = 11
  EXPECT_EQ(ErrorOf([&] { image->SetWidth(13); }), "Image width too small for contained frames");
  EXPECT_EQ(image->Width(), 20);
  EXPECT_EQ(ErrorOf([&] { image->SetHeight(10); }),
            "Image height too small for contained frames");
  EXPECT_EQ(image->Height(), 14);
  image->SetWidth(30);
  EXPECT_EQ(image->Width(), 30);
}

TEST(GifImage, AssignCopiesFramesAndOptionsButNotEverySetting) {
  auto source = Loaded("im_anim_delays.gif");
  source->PaintOptions = poAnimate | poTile;
  source->SetDitherKind(3);
  source->SpeedPercent = 50;
  source->CompressionKind = 1;
  source->ReductionBitCount = 3;
  source->OnWarning = [](const void*, uint8_t, const std::string&) {};
  int progress = 0;
  source->OnProgress = [&](TProgressStage, int, const std::string&) { ++progress; };
  TGIFImage copy;
  copy.Assign(*source);
  EXPECT_GT(progress, 0);
  EXPECT_EQ(copy.Images().Count(), source->Images().Count());
  EXPECT_EQ(copy.CompressionKind, 0);
  source->CompressionKind = 0;
  EXPECT_EQ(copy.SaveToStream(), source->SaveToStream());
  EXPECT_EQ(copy.PaintOptions, poAnimate | poTile);
  EXPECT_EQ(copy.DitherKind(), 3);
  EXPECT_EQ(copy.SpeedPercent, 100);
  EXPECT_EQ(copy.CompressionKind, 0);
  EXPECT_EQ(copy.ReductionBitCount, 8);
  EXPECT_FALSE(copy.OnWarning);
  EXPECT_FALSE(copy.OnProgress);
  EXPECT_TRUE(copy.Equals(copy));
  EXPECT_FALSE(copy.Equals(*source));
  EXPECT_FALSE(Loaded("im_16colors.gif")->Equals(*Loaded("im_16colors.gif")));
  copy.Assign(static_cast<const platform::TGraphic*>(nullptr));
  EXPECT_TRUE(copy.Empty());
}

TEST(GifImage, TrueColourBitmapBecomesOneFrame) {
  TBitmap bitmap(7, 5, platform::pf24bit);
  bitmap.SetPixel(3, 2, RGB(255, 0, 0));
  platform::TBitmapGraphic graphic;
  graphic.Bitmap() = bitmap;
  TGIFImage image;
  image.Assign(&graphic);
  ASSERT_EQ(image.Images().Count(), 1);
  EXPECT_EQ(image.Width(), 7);
  EXPECT_EQ(image.Height(), 5);
  EXPECT_EQ(image.Images()[0]->ActiveColorMap().Colors(image.Images()[0]->Pixels(3, 2)),
            RGB(255, 0, 0));
  EXPECT_EQ(ErrorOf([&] { image.Add(static_cast<const platform::TGraphic*>(nullptr)); }),
            "Object type not supported for operation");
  // Another GIF added as a picture becomes its first frame.
  EXPECT_EQ(image.Add(Loaded("im_16colors.gif").get()), 1);
  EXPECT_EQ(image.Images()[1]->Width(), 37);
}

TEST(GifImage, FirstFrameBitmapCoversTheScreen) {
  auto image = Loaded("gs_dispose.gif");
  const TBitmap* full = image->Bitmap();
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->Width(), 20);
  EXPECT_EQ(full->GetPixel(4, 4), image->Images()[0]->Bitmap().GetPixel(4, 4));
  // A first frame smaller than the screen is drawn at its place.
  TGIFImage small;
  small.GlobalColorMap().Add({0, 0, 0});
  small.GlobalColorMap().Add({250, 0, 0});
  auto frame = std::make_unique<TGIFSubImage>(&small);
  frame->SetBounds(2, 1, 2, 2);
  std::fill(frame->Data().begin(), frame->Data().end(), 1);
  small.Add(std::move(frame));
  small.SetWidth(6);
  small.SetHeight(4);
  TBitmap copy;
  small.AssignTo(copy);
  EXPECT_EQ(copy.Width(), 6);
  EXPECT_EQ(copy.Height(), 4);
  EXPECT_EQ(copy.GetPixel(2, 1), RGB(250, 0, 0));
  EXPECT_EQ(copy.GetPixel(3, 2), RGB(250, 0, 0));
  EXPECT_EQ(copy.GetPixel(1, 1), RGB(0, 0, 0));
  EXPECT_EQ(copy.GetPixel(4, 3), RGB(0, 0, 0));
}

TEST(GifImage, PaletteComesFromTheGlobalTableOrTheFirstFrame) {
  auto image = Loaded("gs_local.gif");
  EXPECT_EQ(image->Palette(), image->GlobalColorMap().ExportPalette());
  TGIFImage local;
  auto frame = std::make_unique<TGIFSubImage>(&local);
  frame->SetBounds(0, 0, 1, 1);
  frame->ColorMap().Add({1, 2, 3});
  frame->ColorMap().Add({4, 5, 6});
  local.Add(std::move(frame));
  EXPECT_EQ(local.Palette(), (std::vector<platform::TColor>{RGB(1, 2, 3), RGB(4, 5, 6)}));
  local.SetPalette({RGB(9, 9, 9)});
  EXPECT_EQ(local.Palette(), std::vector<platform::TColor>{RGB(9, 9, 9)});
}

// --- Clipboard -----------------------------------------------------------------------------------

struct TFakeClipboard : TGIFClipboard {
  std::map<std::string, std::vector<uint8_t>> Data_;
  std::optional<TBitmap> Bitmap_;
  bool Refuse = false;
  bool PlaceBitmap(const TBitmap& bitmap) override {
    Bitmap_ = bitmap;
    return true;
  }
  bool PlaceData(std::string_view format, const std::vector<uint8_t>& data) override {
    if (Refuse) return false;
    Data_[std::string(format)] = data;
    return true;
  }
  std::optional<std::vector<uint8_t>> Data(std::string_view format) override {
    auto it = Data_.find(std::string(format));
    if (it == Data_.end()) return std::nullopt;
    return it->second;
  }
  std::optional<TBitmap> Bitmap() override { return Bitmap_; }
};

TEST(GifImage, ClipboardRoundTrip) {
  auto image = Loaded("im_anim_delays.gif");
  TFakeClipboard clipboard;
  image->SaveToClipboardFormat(clipboard);
  ASSERT_TRUE(clipboard.Bitmap_.has_value());
  EXPECT_EQ(clipboard.Bitmap_->Width(), image->Width());
  ASSERT_EQ(clipboard.Data_.count("GIF Image"), 1u);
  TGIFImage pasted;
  pasted.LoadFromClipboardFormat(clipboard, CF_GIFIMAGE);
  EXPECT_EQ(pasted.Images().Count(), 4);
  EXPECT_EQ(pasted.SaveToStream(), image->SaveToStream());
  TGIFImage fromBitmap;
  fromBitmap.LoadFromClipboardFormat(clipboard, CF_BITMAP);
  EXPECT_EQ(fromBitmap.Images().Count(), 1);
  EXPECT_EQ(fromBitmap.Width(), image->Width());
  EXPECT_EQ(ErrorOf([&] { pasted.LoadFromClipboardFormat(clipboard, "Rich Text"); }),
            "Unsupported clipboard format");
  clipboard.Refuse = true;
  EXPECT_EQ(ErrorOf([&] { image->SaveToClipboardFormat(clipboard); }),
            "Failed to store GIF on clipboard");
}

// --- Registration and one-time drawing ---------------------------------------------------------

TEST(GifImage, PictureLoadsGifFilesByExtensionInAnyCase) {
  const imagingtest::TRegistryGuard guard;
  RegisterGIFFormat();
  RegisterGIFFormat();
  int entries = 0;
  for (const platform::TPictureFormat& f : platform::TPicture::FileFormats())
    if (f.GraphicClass == TGIFImage::Class()) {
      ++entries;
      EXPECT_EQ(f.Description, "GIF Image");
    }
  EXPECT_EQ(entries, 1);
  const Bytes data = ReadFixture("im_anim_delays.gif");
  const gfxtest::TempDir dir;
  for (const char* name : {"x.gif", "X.GIF"}) {
    platform::TPicture picture;
    picture.LoadFromFile(dir.File(name, data));
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_EQ(picture.Graphic()->ClassType(), TGIFImage::Class());
    EXPECT_EQ(picture.Width(), 20);
  }
}

TEST(GifImage, OneTimeDrawShowsTheFirstFrameWithoutAPainter) {
  const imagingtest::TRegistryGuard guard;
  RegisterGIFFormat();
  const gfxtest::TempDir dir;
  platform::TPicture picture;
  picture.LoadFromFile(dir.File("anim.gif", ReadFixture("im_anim_delays.gif")));
  auto* gif = dynamic_cast<TGIFImage*>(picture.Graphic());
  ASSERT_NE(gif, nullptr);
  TBitmap target(20, 14, platform::pf24bit);
  TCanvas canvas(target);
  picture.Graphic()->Draw(canvas, TRect{0, 0, 20, 14});
  EXPECT_EQ(gif->PainterCount(), 0);
  const TBitmap& first = gif->Images()[0]->Bitmap();
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(target.GetPixel(x, y), first.GetPixel(x, y));
}

}  // namespace
