// Files made by ImageMagick, gifsicle, gifbuild and Python (make_gif_fixtures.sh), checked
// against giflib's model of them and netpbm's pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "GifOracle.h"
#include "GifTestUtil.h"
#include "imaging/GIFFormat.h"
#include "platform/gfx/tests/TempDir.h"

using namespace imaging;
using namespace giftest;

namespace {

struct TFixture {
  const char* Name;
  bool Pixels;             // name.ppm holds giftopnm's frames
  bool ExtensionsAsGiflib;  // our extensions write back the very blocks giflib read
  bool Giflib;              // giflib reads the file
  std::vector<std::string> Warnings;
};

std::ostream& operator<<(std::ostream& out, const TFixture& f) { return out << f.Name; }

struct TLoaded {
  std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
  std::vector<std::string> Warnings;
};

TLoaded Load(const Bytes& data) {
  TLoaded l;
  l.Image->OnWarning = [&w = l.Warnings](const void*, uint8_t severity, const std::string& text) {
    EXPECT_EQ(severity, 1);
    w.push_back(text);
  };
  l.Image->LoadFromStream(data.data(), data.size());
  l.Image->OnWarning = nullptr;
  return l;
}

Bytes ExtensionBytes(TGIFExtension& e) {
  Bytes b;
  e.SaveToStream(b);
  return b;
}

// Compares our model with giflib's: screen, tables, frames, pixels and extension blocks.
void ExpectSameAsGiflib(TGIFImage& ours, const TOracleGif& gif, bool extensions,
                        bool sameScreen = true) {
  if (sameScreen) {
    EXPECT_EQ(ours.Width(), gif.Width);
    EXPECT_EQ(ours.Height(), gif.Height);
  }
  EXPECT_EQ(ours.Header().BackgroundColorIndex, gif.Background);
  EXPECT_EQ(ours.Header().AspectRatio, gif.AspectByte);
  EXPECT_EQ(ours.GlobalColorMap().ExportPalette(), gif.Colors);
  size_t next = 0;
  for (int i = 0; i < ours.Images().Count(); ++i) {
    TGIFSubImage& f = *ours.Images()[i];
    if (f.Empty()) {
      // Extensions after the last image.
      ASSERT_EQ(i, ours.Images().Count() - 1);
      if (extensions) {
        ASSERT_EQ(size_t(f.Extensions().Count()), gif.TrailingExtensions.size());
        for (int e = 0; e < f.Extensions().Count(); ++e)
          EXPECT_EQ(ExtensionBytes(*f.Extensions()[e]), gif.TrailingExtensions[size_t(e)]);
      }
      continue;
    }
    ASSERT_LT(next, gif.Frames.size());
    const TOracleFrame& g = gif.Frames[next++];
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(f.Left(), g.Left);
    EXPECT_EQ(f.Top(), g.Top);
    EXPECT_EQ(f.Width(), g.Width);
    EXPECT_EQ(f.Height(), g.Height);
    EXPECT_EQ(f.Interlaced(), g.Interlace);
    EXPECT_EQ(f.ColorMap().ExportPalette(), g.Colors);
    EXPECT_TRUE(f.Data() == g.Raster);
    if (extensions) {
      ASSERT_EQ(size_t(f.Extensions().Count()), g.Extensions.size());
      for (int e = 0; e < f.Extensions().Count(); ++e)
        EXPECT_EQ(ExtensionBytes(*f.Extensions()[e]), g.Extensions[size_t(e)]);
    }
  }
  EXPECT_EQ(next, gif.Frames.size());
}

// Everything the model holds, in one comparable form.
std::vector<Bytes> ModelOf(TGIFImage& image) {
  std::vector<Bytes> m;
  const TGIFHeader& h = image.Header();
  m.push_back({uint8_t(h.Width), uint8_t(h.Width >> 8), uint8_t(h.Height), uint8_t(h.Height >> 8),
               h.Packed, h.BackgroundColorIndex, h.AspectRatio,
               uint8_t(image.GlobalColorMap().Sorted)});
  Bytes table;
  image.GlobalColorMap().SaveToStream(table);
  m.push_back(table);
  for (int i = 0; i < image.Images().Count(); ++i) {
    TGIFSubImage& f = *image.Images()[i];
    Bytes d = {uint8_t(f.Left()), uint8_t(f.Top()), uint8_t(f.Width()), uint8_t(f.Height()),
               f.Packed, uint8_t(f.HasTransparency), uint8_t(f.TransparentIndex() + 1)};
    f.ColorMap().SaveToStream(d);
    m.push_back(d);
    m.push_back(f.Data());
    for (int e = 0; e < f.Extensions().Count(); ++e) m.push_back(ExtensionBytes(*f.Extensions()[e]));
  }
  return m;
}

class GifFixture : public ::testing::TestWithParam<TFixture> {};

TEST_P(GifFixture, ModelEqualsGiflib) {
  const Bytes data = ReadFixture(std::string(GetParam().Name) + ".gif");
  TLoaded ours = Load(data);
  EXPECT_EQ(ours.Warnings, GetParam().Warnings);
  if (!GetParam().Giflib) GTEST_SKIP() << "giflib does not read this file";
  ExpectSameAsGiflib(*ours.Image, SlurpGif(data), GetParam().ExtensionsAsGiflib,
                     GetParam().Warnings.empty());
}

TEST_P(GifFixture, PixelsEqualGiftopnm) {
  if (!GetParam().Pixels) GTEST_SKIP() << "giftopnm does not read this file";
  TLoaded ours = Load(ReadFixture(std::string(GetParam().Name) + ".gif"));
  const std::vector<TPpmFrame> expected =
      ParsePpms(ReadFixture(std::string(GetParam().Name) + ".ppm"));
  size_t next = 0;
  for (int i = 0; i < ours.Image->Images().Count(); ++i) {
    TGIFSubImage& f = *ours.Image->Images()[i];
    if (f.Empty()) continue;
    ASSERT_LT(next, expected.size());
    const TPpmFrame& p = expected[next++];
    ASSERT_EQ(f.Width(), p.Width);
    ASSERT_EQ(f.Height(), p.Height);
    TGIFColorMap& map = f.ActiveColorMap();
    for (size_t k = 0; k < f.Data().size(); ++k) {
      const platform::TColor c = map.Colors(f.Data()[k]);
      ASSERT_EQ(platform::RGB(p.Rgb[3 * k], p.Rgb[3 * k + 1], p.Rgb[3 * k + 2]), c)
          << "frame " << i << " pixel " << k;
    }
  }
  EXPECT_EQ(next, expected.size());
}

TEST_P(GifFixture, FramesReencodeWithBothEncoders) {
  TLoaded ours = Load(ReadFixture(std::string(GetParam().Name) + ".gif"));
  for (int i = 0; i < ours.Image->Images().Count(); ++i) {
    TGIFSubImage& f = *ours.Image->Images()[i];
    if (f.Empty()) continue;
    const int bits = std::max(f.ActiveColorMap().BitsPerPixel(), 1);
    for (uint8_t kind : {0, 1}) {
      ours.Image->CompressionKind = kind;
      Bytes raster;
      f.Compress(raster);
      const TOracleGif gif =
          SlurpGif(WrapFrame(f.Width(), f.Height(), bits, raster, f.Interlaced()));
      EXPECT_TRUE(gif.Frames.at(0).Raster == f.Data()) << "frame " << i << " kind " << int(kind);
    }
  }
}

TEST_P(GifFixture, SaveLoadGivesTheSameModel) {
  TLoaded first = Load(ReadFixture(std::string(GetParam().Name) + ".gif"));
  for (uint8_t kind : {0, 1}) {
    first.Image->CompressionKind = kind;
    const Bytes saved = first.Image->SaveToStream();
    TLoaded second = Load(saved);
    EXPECT_TRUE(second.Warnings.empty());
    EXPECT_EQ(ModelOf(*second.Image), ModelOf(*first.Image)) << "kind " << int(kind);
    ExpectSameAsGiflib(*second.Image, SlurpGif(saved), true);

    // netpbm reads what we wrote, when it is installed (it is a fixture tool).
    if (std::system("command -v giftopnm > /dev/null 2>&1") != 0) continue;
    const gfxtest::TempDir dir;
    const std::string path = dir.File("saved_" + std::string(GetParam().Name) + ".gif", saved);
    EXPECT_EQ(std::system(("giftopnm --image=all " + path + " > /dev/null 2>&1").c_str()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, GifFixture,
    ::testing::Values(
        TFixture{"im_2colors", true, true, true, {}}, TFixture{"im_16colors", true, true, true, {}},
        TFixture{"im_256colors", true, true, true, {}},
        TFixture{"im_interlaced", true, true, true, {}},
        TFixture{"im_comment", true, true, true, {}},
        TFixture{"im_longcomment", true, true, true, {}},
        TFixture{"im_anim_delays", true, true, true, {}},
        // ImageMagick placed a full-screen frame at (4, 3); the screen grows to hold it.
        TFixture{"im_anim_dispose",
                 false,
                 true,
                 true,
                 {"Image width too small for contained frames",
                  "Image height too small for contained frames",
                  "Image exceeds Logical Screen size"}},
        TFixture{"gs_local", true, true, true, {}}, TFixture{"gs_interlaced", true, true, true, {}},
        TFixture{"gs_loop", true, true, true, {}}, TFixture{"gs_transparent", true, true, true, {}},
        TFixture{"gs_dispose", true, true, true, {}},
        TFixture{"gb_extensions", true, true, true, {}},
        // Old-style 10-byte application blocks are written back as 11-byte ones,
        // "ANIMEXTS1.0" as "NETSCAPE2.0".
        TFixture{"py_app10", true, false, true, {}}, TFixture{"py_app12", false, true, true, {}},
        TFixture{"py_animexts", true, false, true, {}},
        // giflib stops at zero bytes between blocks and at bytes in front of the signature.
        TFixture{"py_zerobytes", true, true, false, {}},
        TFixture{"py_prefix4", false, true, false, {}},
        TFixture{"py_version", false, true, true, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
