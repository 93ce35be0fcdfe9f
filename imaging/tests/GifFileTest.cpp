// The file model: the edge cases of loading and saving, damaged files, colour maps and
// Optimize.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "GifOracle.h"
#include "GifTestUtil.h"
#include "imaging/GIFFormat.h"
#include "platform/gfx/tests/TempDir.h"
#include "platform/base/AtomicFile.h"

using namespace imaging;
using namespace giftest;
using platform::RGB;

namespace {

using Warnings = std::vector<std::string>;

// An image that records its warnings.
struct TRecorder {
  TGIFImage Image;
  Warnings Seen;
  TRecorder() {
    Image.OnWarning = [this](const void*, uint8_t, const std::string& text) {
      Seen.push_back(text);
    };
  }
  void Load(const Bytes& data) { Image.LoadFromStream(data.data(), data.size()); }
};

// A frame of the given indices added to an image (a local table of `colors` greys when given).
TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const Bytes& pixels,
                       int localColors = 0, int left = 0, int top = 0) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  TGIFSubImage& f = *frame;
  f.SetBounds(left, top, width, height);
  f.Data() = pixels;
  for (int i = 0; i < localColors; ++i)
    f.ColorMap().Add({uint8_t(i * 10), uint8_t(i * 10), uint8_t(i * 10)});
  image.Add(std::move(frame));
  return f;
}

void SetGreys(TGIFColorMap& map, int count) {
  for (int i = 0; i < count; ++i) map.Add({uint8_t(i), uint8_t(i), uint8_t(i)});
}

// --- Signature, version, tables --------------------------------------------------------------

TEST(GifFile, SignatureMayFollowFourBytesButNotFive) {
  TRecorder four;
  four.Load(ReadFixture("py_prefix4.gif"));
  EXPECT_EQ(four.Image.Images().Count(), 1);
  EXPECT_EQ(ErrorOf([] {
              TRecorder five;
              five.Load(ReadFixture("py_prefix5.gif"));
            }),
            "Invalid GIF signature");
  // Upper case is compared ignoring case; the version bytes are not checked at all.
  Bytes lower = ReadFixture("py_version.gif");
  lower[0] = 'g';
  lower[2] = 'f';
  TRecorder l;
  l.Load(lower);
  EXPECT_EQ(l.Image.Images().Count(), 1);
  EXPECT_TRUE(l.Seen.empty());
}

TEST(GifFile, VersionFollowsWhatTheFramesNeed) {
  TGIFImage image;
  EXPECT_EQ(image.Version(), 0);
  EXPECT_EQ(ErrorOf([&] { image.SaveToStream(); }), "Unsupported GIF version");
  SetGreys(image.GlobalColorMap(), 4);
  TGIFSubImage& f = AddFrame(image, 2, 2, {0, 1, 2, 3});
  Bytes plain = image.SaveToStream();
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF87a");
  f.Extensions().Add(std::make_unique<TGIFCommentExtension>(&f));
  Bytes extended = image.SaveToStream();
  EXPECT_EQ(std::string(extended.begin(), extended.begin() + 6), "GIF89a");
  f.Extensions().Delete(0);
  f.ColorMap().Add({1, 2, 3});
  f.ColorMap().Add({4, 5, 6});
  f.ColorMap().Sorted = true;
  EXPECT_EQ(image.Version(), 2);
}

TEST(GifFile, ThreeColourTableIsPaddedToFour) {
  TGIFImage image;
  image.GlobalColorMap().Add({1, 2, 3});
  image.GlobalColorMap().Add({4, 5, 6});
  image.GlobalColorMap().Add({7, 8, 9});
  AddFrame(image, 1, 1, {2});
  const Bytes out = image.SaveToStream();
  // Screen descriptor: packed = table present, colour resolution and size field 1.
  EXPECT_EQ(out[10], 0x80 | 0x10 | 0x01);
  EXPECT_EQ(Bytes(out.begin() + 13, out.begin() + 25),
            (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}));
  EXPECT_EQ(out[25], ',');
  EXPECT_EQ(SlurpGif(out).Frames[0].Raster, Bytes{2});
}

TEST(GifFile, HeaderFlagsWithoutAnyTable) {
  TGIFImage image;
  image.Header().Prepare();
  EXPECT_EQ(image.Header().Packed, 0x77);
  SetGreys(image.GlobalColorMap(), 2);
  image.GlobalColorMap().Sorted = true;
  AddFrame(image, 1, 1, {0}, 16);
  image.Header().Prepare();
  // Global table (sorted) of 1 bit; the largest table has 4 bits.
  EXPECT_EQ(image.Header().Packed, 0x80 | 0x08 | (3 << 4) | 0);
}

// --- Frames --------------------------------------------------------------------------------------

TEST(GifFile, ZeroBytesBetweenBlocksArePassedOver) {
  TRecorder r;
  r.Load(ReadFixture("py_zerobytes.gif"));
  EXPECT_EQ(r.Image.Images().Count(), 2);
  EXPECT_TRUE(r.Seen.empty());
}

TEST(GifFile, StrayByteEndsTheFramesWithWarnings) {
  TRecorder r;
  r.Load(ReadFixture("py_stray.gif"));
  EXPECT_EQ(r.Image.Images().Count(), 1);
  // The trailer check then reads the byte in front of the stray one (the frame's terminator).
  EXPECT_EQ(r.Seen, (Warnings{"Unknown GIF block type", "Invalid Image trailer"}));
}

TEST(GifFile, FrameOfWidthZeroTakesTheScreen) {
  TRecorder r;
  r.Load(ReadFixture("py_zerowidth.gif"));
  ASSERT_EQ(r.Image.Images().Count(), 1);
  EXPECT_EQ(r.Image.Images()[0]->Width(), 5);
  EXPECT_EQ(r.Image.Images()[0]->Height(), 3);
  EXPECT_EQ(r.Seen, Warnings{"Image exceeds Logical Screen size"});
  EXPECT_EQ(r.Image.Images()[0]->Pixels(4, 2), (4 + 2) % 4);
}

TEST(GifFile, FrameBoundsGrowTheScreen) {
  TRecorder r;
  r.Image.Header().Width = 4;
  r.Image.Header().Height = 4;
  auto frame = std::make_unique<TGIFSubImage>(&r.Image);
  frame->SetBounds(2, 1, 3, 3);
  EXPECT_EQ(r.Seen, (Warnings{"Image width too small for contained frames",
                              "Image exceeds Logical Screen size"}));
  EXPECT_EQ(r.Image.Width(), 5);
  EXPECT_EQ(r.Image.Height(), 4);
  EXPECT_EQ(frame->Data().size(), 9u);
  EXPECT_EQ(ErrorOf([&] { frame->Pixels(3, 0); }), "Invalid pixel coordinates");
  EXPECT_EQ(ErrorOf([&] { frame->SetPixels(0, -1, 1); }), "Invalid pixel coordinates");
  // An empty screen grows without a word.
  TRecorder empty;
  TGIFSubImage f(&empty.Image);
  f.SetBounds(0, 0, 7, 2);
  EXPECT_TRUE(empty.Seen.empty());
  EXPECT_EQ(empty.Image.Width(), 7);
}

TEST(GifFile, LocalTableFramesAreWrittenWithoutInterlacing) {
  TGIFImage image;
  const Bytes pixels = RandomIndices(9 * 11, 4, 3);
  TGIFSubImage& f = AddFrame(image, 9, 11, pixels, 4);
  f.SetInterlaced(true);
  TGIFSubImage& g = AddFrame(image, 9, 11, pixels);
  SetGreys(image.GlobalColorMap(), 4);
  g.SetInterlaced(true);
  const TOracleGif gif = SlurpGif(image.SaveToStream());
  EXPECT_FALSE(gif.Frames[0].Interlace);
  EXPECT_EQ(gif.Frames[0].Raster, pixels);
  EXPECT_TRUE(gif.Frames[1].Interlace);
  EXPECT_EQ(gif.Frames[1].Raster, pixels);
  EXPECT_FALSE(f.Interlaced());
}

// --- Extensions ----------------------------------------------------------------------------------

TEST(GifFile, AnimextsLoopIsSavedAsNetscape) {
  TRecorder r;
  r.Load(ReadFixture("py_animexts.gif"));
  auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(r.Image.Images()[0]->Extensions()[0]);
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(loop->LoopCount, 4);
  Bytes out;
  loop->SaveToStream(out);
  const std::string text(out.begin(), out.end());
  EXPECT_EQ(text, std::string("!\xff\x0bNETSCAPE2.0\x03\x01\x04\x00\x00", 19));
}

TEST(GifFile, LoopExtensionWritesItsBufferSizeOnlyWhenSet) {
  TGIFImage image;
  TGIFSubImage frame(&image);
  TGIFAppExtNSLoop loop(&frame);
  loop.LoopCount = 0x0102;
  Bytes out;
  loop.SaveToStream(out);
  EXPECT_EQ(Bytes(out.begin() + 14, out.end()), (Bytes{3, 1, 2, 1, 0}));
  loop.BufferSize = 0x0A0B0C0D;
  out.clear();
  loop.SaveToStream(out);
  EXPECT_EQ(Bytes(out.begin() + 14, out.end()), (Bytes{3, 1, 2, 1, 5, 2, 0x0D, 0x0C, 0x0B, 0x0A, 0}));
  TGIFReader in(out.data(), out.size());
  TGIFAppExtNSLoop back(&frame);
  back.LoadFromStream(in);
  EXPECT_EQ(back.LoopCount, 0x0102);
  EXPECT_EQ(back.BufferSize, 0x0A0B0C0Du);
  EXPECT_EQ(in.Remaining(), 0u);
}

TEST(GifFile, CommentLinesAreCutIntoSubBlocks) {
  TGIFImage image;
  TGIFSubImage frame(&image);
  TGIFCommentExtension comment(&frame);
  comment.Text = {std::string(300, 'x'), std::string()};
  Bytes out;
  comment.SaveToStream(out);
  ASSERT_EQ(out.size(), 2 + 1 + 255 + 1 + 45 + 1);
  EXPECT_EQ(out[2], 255);
  EXPECT_EQ(out[2 + 256], 45);
  EXPECT_EQ(out.back(), 0);
  TGIFReader in(out.data(), out.size());
  TGIFCommentExtension back(&frame);
  back.LoadFromStream(in);
  EXPECT_EQ(back.Text, (std::vector<std::string>{std::string(255, 'x'), std::string(45, 'x')}));
  // A sub-block holding a zero byte ends its line there.
  const Bytes withZero = {'!', 0xFE, 3, 'a', 0, 'b', 0};
  TGIFReader z(withZero.data(), withZero.size());
  back.LoadFromStream(z);
  EXPECT_EQ(back.Text, std::vector<std::string>{"a"});
}

TEST(GifFile, OldStyleAndLongApplicationBlocksAreKeptRaw) {
  TRecorder ten;
  ten.Load(ReadFixture("py_app10.gif"));
  auto* a = dynamic_cast<TGIFUnknownAppExtension*>(ten.Image.Images()[0]->Extensions()[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Identifier, ApplicationId(std::string("OLDSTYLE10\0", 11)));
  ASSERT_EQ(a->Blocks.size(), 2u);
  EXPECT_EQ(a->Blocks[1].Data, (Bytes{'d', 'e', 'f', 'g'}));

  TRecorder twelve;
  twelve.Load(ReadFixture("py_app12.gif"));
  auto* b = dynamic_cast<TGIFUnknownAppExtension*>(twelve.Image.Images()[0]->Extensions()[0]);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Identifier, ApplicationId("LONGBLOCK1."));
  EXPECT_EQ(b->IdentifierTail, Bytes{'0'});
  ASSERT_EQ(b->Blocks.size(), 1u);
  EXPECT_EQ(b->Blocks[0].Data, (Bytes{1, 2}));
  // Written back as it was.
  const TOracleGif gif = SlurpGif(twelve.Image.SaveToStream());
  const Bytes expected = {0x21, 0xFF, 12, 'L', 'O', 'N', 'G', 'B', 'L', 'O', 'C', 'K',
                          '1',  '.',  '0', 2,  1,   2,   0};
  EXPECT_EQ(gif.Frames[0].Extensions[0], expected);
}

TEST(GifFile, LongApplicationBlockNamedLikeTheLoopStaysRaw) {
  // Found by fuzzing: a 50-byte block starting "NETSCAPE2.0" was written back as an 11-byte
  // loop block whose sub-blocks then read differently (or not at all).
  const Bytes data = ReadFixture("fuzz_long_loop_block.gif");
  TRecorder first;
  first.Load(data);
  const Bytes saved = first.Image.SaveToStream();
  TRecorder second;
  second.Load(saved);
  EXPECT_EQ(second.Image.SaveToStream(), saved);
  EXPECT_NE(dynamic_cast<TGIFUnknownAppExtension*>(second.Image.Images()[0]->Extensions()[0]),
            nullptr);
}

TEST(GifFile, GraphicControlTransparencyFollowsTheFlag) {
  TGIFImage image;
  TGIFSubImage& f = AddFrame(image, 2, 1, {0, 1});
  SetGreys(image.GlobalColorMap(), 2);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(&f);
  TGIFGraphicControlExtension* g = gce.get();
  f.Extensions().Add(std::move(gce));
  EXPECT_EQ(f.GraphicControlExtension(), g);
  g->TransparentColorIndex = 1;
  g->SetTransparent(true);
  EXPECT_TRUE(f.HasTransparency);
  EXPECT_EQ(f.TransparentIndex(), 1);
  g->SetDisposal(2);
  EXPECT_EQ(g->Packed, 0x09);
  f.Extensions().Delete(0);
  EXPECT_FALSE(f.HasTransparency);
  EXPECT_EQ(f.GraphicControlExtension(), nullptr);
  EXPECT_EQ(f.TransparentIndex(), -1);
}

TEST(GifFile, RegistriesAreSearchedFromTheLastEntry) {
  EXPECT_EQ(ExtensionList().Find(0xF9), TGIFGraphicControlExtension::Class());
  EXPECT_EQ(ExtensionList().Find(0x99), nullptr);
  EXPECT_EQ(AppExtensionList().Find(ApplicationId("ANIMEXTS1.0")), TGIFAppExtNSLoop::Class());
  EXPECT_EQ(AppExtensionList().Find(ApplicationId("netscape2.0")), nullptr);
  TExtensionList list;
  list.Add(0xFE, TGIFCommentExtension::Class());
  list.Add(0xFE, TGIFTextExtension::Class());
  EXPECT_EQ(list.Find(0xFE), TGIFTextExtension::Class());
}

// --- Damaged files ---------------------------------------------------------------------------------

struct TDamaged {
  const char* Name;
  Bytes Data;
  Warnings Expected;  // in order
  const char* Error;  // or null
  int Frames;         // when it loads
};

Bytes Good() { return ReadFixture("py_version.gif"); }
Bytes Cut(Bytes b, size_t n) {
  b.resize(n);
  return b;
}
Bytes Fixture(const char* name) { return ReadFixture(name); }

// A good header and one frame with extensions put in front of it.
Bytes WithExtension(const Bytes& extension) {
  Bytes g = Good();
  Bytes out(g.begin(), g.begin() + 25);  // header and 4-colour table
  out.insert(out.end(), extension.begin(), extension.end());
  out.insert(out.end(), g.begin() + 25, g.end());
  return out;
}

class DamagedFile : public ::testing::TestWithParam<TDamaged> {};

TEST_P(DamagedFile, GivesItsWarningsOrError) {
  const TDamaged& c = GetParam();
  TRecorder r;
  const std::string error = ErrorOf([&] { r.Load(c.Data); });
  EXPECT_EQ(error, c.Error ? c.Error : "");
  EXPECT_EQ(r.Seen, c.Expected);
  if (!c.Error) {
    EXPECT_EQ(r.Image.Images().Count(), c.Frames);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFile,
    ::testing::Values(
        TDamaged{"Empty", {}, {}, "Premature end of data", 0},
        TDamaged{"CutInScreenDescriptor", Cut(Good(), 9), {}, "Premature end of data", 0},
        TDamaged{"CutInGlobalTable", Cut(Good(), 20), {}, "Premature end of data", 0},
        TDamaged{"CutInImageDescriptor", Cut(Good(), 30), {}, "Premature end of data", 0},
        // Cut in the raster data: what is there is kept, and there is no trailer to check.
        TDamaged{"CutInRaster", Cut(Good(), 40), {"Premature end of data"}, nullptr, 1},
        TDamaged{"CutBeforeTheRasterTerminator", Fixture("py_truncated.gif"), {}, nullptr, 1},
        TDamaged{"CutInGraphicControl",
                 Cut(WithExtension({'!', 0xF9, 4, 1, 0}), 30),
                 {"Premature end of data"},
                 nullptr,
                 1},
        TDamaged{"SubBlockLongerThanData", Fixture("py_longblock.gif"),
                 {"Premature end of data"}, nullptr, 1},
        TDamaged{"CodeSize0", Fixture("py_codesize0.gif"), {}, "Invalid LZW code size", 0},
        TDamaged{"CodeSize12", Fixture("py_codesize12.gif"), {}, "Invalid LZW code size", 0},
        TDamaged{"CodeAboveNextFree", Fixture("py_codeabove.gif"), {"Invalid LZW code"}, nullptr,
                 1},
        TDamaged{"ApplicationBlock12", Fixture("py_app12.gif"), {}, nullptr, 1},
        TDamaged{"ApplicationBlockShort",
                 WithExtension({'!', 0xFF, 3, 'a', 'b', 'c', 0}),
                 {},
                 "Unsupported Application Extension block size",
                 0},
        TDamaged{"LoopBlockTooShort",
                 WithExtension({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.',
                                '0', 2, 1, 5, 0}),
                 {},
                 "Invalid GIF data",
                 0},
        TDamaged{"UnknownExtensionLabel", Fixture("gb_unknownext.gif"), {},
                 "Unknown extension type", 0},
        // The extensions end at the stray zero and keep a frame of their own.
        TDamaged{"IntroducerMissingBetweenExtensions",
                 WithExtension({'!', 0xFE, 1, 'a', 0, 0}),
                 {"Invalid extension introducer"},
                 nullptr,
                 2},
        TDamaged{"HugeFrame", Fixture("py_huge.gif"), {}, "GIF image too large", 0},
        TDamaged{"ThousandEmptyFrames",
                 Fixture("py_emptyframes.gif"),
                 Warnings(1000, "Image exceeds Logical Screen size"),
                 nullptr,
                 1000}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GifFile, FailedLoadKeepsTheImageAndDeliversItsWarnings) {
  TRecorder r;
  r.Load(ReadFixture("im_16colors.gif"));
  const Bytes before = r.Image.SaveToStream();
  r.Seen.clear();
  EXPECT_EQ(ErrorOf([&] { r.Load(Fixture("py_codesize0.gif")); }), "Invalid LZW code size");
  EXPECT_EQ(r.Image.SaveToStream(), before);
  // A warning first (a frame wider than the screen), then an error.
  r.Seen.clear();
  Bytes warnThenFail = Good();
  warnThenFail.pop_back();  // trailer
  const Bytes wide = {',', 0, 0, 0, 0, 9, 0, 1, 0, 0, 0, 1, 0xFF, 0};  // width 9: warns
  warnThenFail.insert(warnThenFail.end(), wide.begin(), wide.end());
  warnThenFail.push_back(';');
  EXPECT_EQ(ErrorOf([&] { r.Load(warnThenFail); }), "Invalid LZW code size");
  EXPECT_EQ(r.Seen, (Warnings{"Image width too small for contained frames",
                              "Image exceeds Logical Screen size"}));
  EXPECT_EQ(r.Image.SaveToStream(), before);
}

TEST(GifFile, PixelLimitsCoverOneFrameAndAllFrames) {
  const TGIFLimits saved = GIFLimits();
  TRecorder r;
  GIFLimits().FrameBytes = 14;
  EXPECT_EQ(ErrorOf([&] { r.Load(Fixture("py_version.gif")); }), "GIF image too large");
  GIFLimits().FrameBytes = 15;
  GIFLimits().TotalBytes = 29;
  EXPECT_EQ(ErrorOf([&] { r.Load(Fixture("py_zerobytes.gif")); }), "GIF image too large");
  GIFLimits().TotalBytes = 30;
  EXPECT_EQ(ErrorOf([&] { r.Load(Fixture("py_zerobytes.gif")); }), "");
  GIFLimits() = saved;
}

TEST(GifFile, ProgressStagesOfLoadAndSave) {
  TGIFImage image;
  std::vector<std::string> seen;
  image.OnProgress = [&](TProgressStage stage, int percent, const std::string& text) {
    seen.push_back(std::to_string(int(stage)) + " " + std::to_string(percent) + " " + text);
  };
  const Bytes data = Fixture("py_zerobytes.gif");
  image.LoadFromStream(data.data(), data.size());
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.front(), "0 0 Loading...");
  EXPECT_EQ(seen.back(), "2 100 Loading...");
  seen.clear();
  image.SaveToStream();
  EXPECT_EQ(seen, (std::vector<std::string>{"0 0 Saving...", "1 50 Saving...", "1 100 Saving...",
                                            "2 100 Saving..."}));
  seen.clear();
  const Bytes bad = Fixture("py_codesize0.gif");
  EXPECT_THROW(image.LoadFromStream(bad.data(), bad.size()), GIFException);
  EXPECT_EQ(seen.back(), "2 0 Loading...");
}

// --- Colour maps ---------------------------------------------------------------------------------

TEST(GifColorMap, AddGrowsAndOverflows) {
  TGIFImage image;
  TGIFColorMap& map = image.GlobalColorMap();
  map.Add({1, 1, 1});
  EXPECT_EQ(map.Capacity(), 16);
  for (int i = 1; i < 17; ++i) map.Add({uint8_t(i), 0, 0});
  EXPECT_EQ(map.Capacity(), 32);
  for (int i = 17; i < 256; ++i) map.Add({uint8_t(i), 1, 0});
  EXPECT_EQ(map.Capacity(), 256);
  EXPECT_EQ(ErrorOf([&] { map.Add({0, 0, 0}); }), "Color table overflow");
  EXPECT_EQ(map.Count(), 256);
  EXPECT_EQ(map.BitsPerPixel(), 8);
}

TEST(GifColorMap, IndexOfSearchesByTheSortedFlag) {
  TGIFImage image;
  TGIFColorMap& map = image.GlobalColorMap();
  map.Add({5, 5, 5});
  map.Add({7, 7, 7});
  map.Add({5, 5, 5});
  EXPECT_EQ(map.IndexOf({5, 5, 5}), 2);
  map.Sorted = true;
  EXPECT_EQ(map.IndexOf({5, 5, 5}), 0);
  EXPECT_EQ(map.IndexOf({1, 2, 3}), -1);
  EXPECT_EQ(map.AddUnique({7, 7, 7}), 1);
  EXPECT_EQ(map.AddUnique({8, 8, 8}), 3);
  EXPECT_FALSE(map.Sorted);
  EXPECT_EQ(ErrorOf([&] { map.Delete(4); }), "Invalid color index");
  map.Delete(0);
  EXPECT_EQ(map.Count(), 3);
}

TEST(GifColorMap, LookupOutsideWarnsAndEmptyRaises) {
  TRecorder r;
  TGIFColorMap& map = r.Image.GlobalColorMap();
  map.Add({9, 8, 7});
  map.Add({1, 2, 3});
  EXPECT_EQ(map.Colors(1), RGB(1, 2, 3));
  EXPECT_EQ(map.Colors(5), RGB(9, 8, 7));
  EXPECT_EQ(r.Seen, Warnings{"Invalid color index"});
  map.Clear();
  EXPECT_EQ(ErrorOf([&] { map.Colors(0); }), "Color table is empty");
  EXPECT_EQ(map.BitsPerPixel(), 0);
}

TEST(GifColorMap, OptimizeKeepsColoursAndTheUnusedBackgroundAndTransparentIndices) {
  TGIFImage image;
  TGIFColorMap& map = image.GlobalColorMap();
  for (int i = 0; i < 8; ++i) map.Add({uint8_t(10 * i), uint8_t(20 + i), uint8_t(200 - i)});
  image.Header().BackgroundColorIndex = 6;  // no pixel uses 6
  const Bytes pixels = {1, 1, 1, 3, 3, 5, 1, 3, 7, 7, 7, 7};
  TGIFSubImage& f = AddFrame(image, 4, 3, pixels);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(&f);
  gce->TransparentColorIndex = 4;  // nor 4
  gce->SetTransparent(true);
  f.Extensions().Add(std::move(gce));
  // A frame with its own table does not count for the global one.
  AddFrame(image, 1, 1, {0}, 2);

  std::vector<platform::TColor> before;
  for (uint8_t p : pixels) before.push_back(map.Colors(p));
  const platform::TColor background = map.Colors(6);
  const platform::TColor transparent = map.Colors(4);
  map.Optimize();
  EXPECT_TRUE(map.Sorted);
  // Used colours first (7 four times, 1 four times, 3 three times, 5 once), then the two kept
  // ones; 0 and 2 are cut.
  EXPECT_EQ(map.Count(), 6);
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(map.Colors(f.Data()[i]), before[i]) << i;
  EXPECT_EQ(map.Colors(image.Header().BackgroundColorIndex), background);
  EXPECT_EQ(map.Colors(f.TransparentIndex()), transparent);
  EXPECT_EQ(map.Colors(f.Data()[5]), before[5]);
  EXPECT_EQ(map.IndexOf(ToGIFColor(before[5])), 3);
}

TEST(GifColorMap, OptimizeOfALocalTableRewritesItsFrameOnly) {
  TGIFImage image;
  TGIFSubImage& f = AddFrame(image, 3, 1, {2, 2, 1}, 3);
  f.ColorMap().Optimize();
  EXPECT_EQ(f.Data(), (Bytes{0, 0, 1}));
  EXPECT_EQ(f.ColorMap().Count(), 2);
  EXPECT_EQ(f.ColorMap().Colors(0), RGB(20, 20, 20));
}

// --- Files ----------------------------------------------------------------------------------------

TEST(GifFile, FrameSavesToAFileAndLoadsBack) {
  TGIFImage image;
  SetGreys(image.GlobalColorMap(), 4);
  TGIFSubImage& f = AddFrame(image, 3, 2, {0, 1, 2, 3, 2, 1});
  auto comment = std::make_unique<TGIFCommentExtension>(&f);
  comment->Text = {"hello"};
  f.Extensions().Add(std::move(comment));
  const gfxtest::TempDir dir;
  const std::string path = dir.Path("gif_frame_item.bin");
  f.SaveToFile(path);
  TGIFSubImage back(&image);
  back.LoadFromFile(path);
  EXPECT_EQ(back.Data(), f.Data());
  ASSERT_EQ(back.Extensions().Count(), 1);
  EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(back.Extensions()[0])->Text,
            std::vector<std::string>{"hello"});
}

TEST(GifFile, FailedItemSaveLeavesTheOldFileWhole) {
  TGIFImage image;
  SetGreys(image.GlobalColorMap(), 2);
  TGIFSubImage& f = AddFrame(image, 2, 1, {0, 3});  // 3 is not in the table
  const gfxtest::TempDir dir;
  const std::string path = dir.Path("gif_item_old.bin");
  const std::string old = "previous contents";
  ASSERT_TRUE(platform::SaveFileAtomic(path, old.data(), old.size()));
  EXPECT_EQ(ErrorOf([&] { f.SaveToFile(path); }), "Color not in color table");
  std::string content;
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(content, old);
  EXPECT_THROW(f.LoadFromFile(dir.Path("")), platform::EFOpenError);  // a folder
}

TEST(GifFile, FrameAssignCopiesPixelsTablesAndExtensions) {
  TRecorder r;
  r.Load(Fixture("gs_transparent.gif"));
  TGIFSubImage copy(&r.Image);
  copy.Assign(*r.Image.Images()[0]);
  const TGIFSubImage& source = *r.Image.Images()[0];
  EXPECT_EQ(copy.Data(), source.Data());
  EXPECT_EQ(copy.BoundsRect(), source.BoundsRect());
  EXPECT_TRUE(copy.HasTransparency);
  EXPECT_EQ(copy.TransparentIndex(), source.TransparentIndex());
  EXPECT_NE(copy.GraphicControlExtension(), source.GraphicControlExtension());
  TGIFSubImage empty(&r.Image);
  copy.Assign(empty);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Extensions().Count(), 0);
}

}  // namespace
