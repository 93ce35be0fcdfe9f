// The movie object TAVIPlayer: table, defaults, frames painted against ffmpeg's decodes of the
// video reader's movies, the record, the size estimate and object text.
#include "model/objects/AVIComponent.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "model/FormConstructEx.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/PageRecord.h"
#include "model/stream/StreamContext.h"
#include "model/tests/TempDir.h"
#include "platform/base/ByteOrder.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::Utf8ToGbk;
using test::Lines;

// The video reader's movies: 16 x 12, 10 frames; NAME.bgr holds ffmpeg's own decode of
// NAME.avi, frame after frame, as BGR24 rows top first.
constexpr int kWidth = 16, kHeight = 12, kFrames = 10;

std::string Movie(const std::string& name) { return std::string(MEDIA_FIXTURES) + "/" + name; }

std::vector<TBitmap> DecodedFrames(const std::string& movie) {
  const std::string bytes = test::FileBytes(Movie(movie + ".bgr"));
  const size_t frameBytes = size_t(kWidth) * kHeight * 3;
  EXPECT_EQ(bytes.size(), frameBytes * kFrames);
  std::vector<TBitmap> frames;
  for (int n = 0; n < kFrames && bytes.size() >= frameBytes * (n + 1); ++n) {
    TBitmap frame(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(frame.ScanLine(y), &bytes[frameBytes * n + size_t(y) * kWidth * 3],
                  size_t(kWidth) * 3);
    frames.push_back(std::move(frame));
  }
  return frames;
}

// The part of a painted page under the object at (left, top).
TBitmap Cut(const TBitmap& page, int left, int top, int width, int height) {
  TBitmap out(width, height);
  TCanvas(out).BitBlt(0, 0, width, height, page, left, top, platform::cmSrcCopy);
  return out;
}

TEST(MovieTable, EqualsThePartsList) {
  TAVIPlayer movie(nullptr);
  EXPECT_EQ(test::Joined(movie.PropertyTable()), Utf8ToGbk(R"(Text|名称
FileName|文件名|$000000F0
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
Stretch|是否缩放
True|是
False|否
)"));
}

TEST(MovieDefaults, ANewObjectHasNoMovieAndWritesTheseLines) {
  TAVIPlayer movie(nullptr);
  movie.SetName("AVIPlayer0");
  EXPECT_EQ(test::ObjectText(movie),
            Lines({"Object AVIPlayer0:TAVIPlayer", "  Active=False", "  Clock=0", "  Fixed=False",
                   "  FixTime=0", "  Height=96", "  Left=0", "  Name='AVIPlayer0'",
                   "  RecordSize=0", "  Stretch=True", "  Tag=0", "  Top=0", "  Width=128",
                   "End"}));
  EXPECT_FALSE(movie.MovieOpen());
  EXPECT_TRUE(test::RecordOf(movie).empty());
  // Parented to a windowed owner.
  TLeaf page(nullptr);
  auto* owned = new TAVIPlayer(&page);
  EXPECT_EQ(owned->Parent(), &page);
}

class TMovieObject : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }
  void TearDown() override { StreamContext().Reset(); }
  test::TTempDir dir_;
};

class TMovieFiles : public TMovieObject, public ::testing::WithParamInterface<const char*> {};

TEST_P(TMovieFiles, TenPaintsShowTheTenFramesThenTheFirstAgain) {
  const std::vector<TBitmap> frames = DecodedFrames(GetParam());
  ASSERT_EQ(frames.size(), size_t(kFrames));
  TAVIPlayer movie(nullptr);
  movie.SetBounds(2, 3, 20, 15);
  movie.SetStretch(false);
  movie.SetFileName(Movie(std::string(GetParam()) + ".avi"));
  ASSERT_TRUE(movie.MovieOpen());
  for (int n = 0; n <= kFrames; ++n) {
    SCOPED_TRACE(n);
    const TBitmap page = test::PaintedOnBlue(movie, 30, 20);
    // 1:1 at the object's top-left; the rest of the object shows what lay under it.
    TBitmap expected(20, 15);
    TCanvas c(expected);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 20, 15});
    c.Draw(0, 0, frames[size_t(n % kFrames)]);
    ASSERT_TRUE(test::SamePixels(Cut(page, 2, 3, 20, 15), expected));
    EXPECT_EQ(page.GetPixel(1, 3), platform::clBlue);
    EXPECT_EQ(movie.NextFrame(), n % kFrames + 1);
  }
}

TEST_P(TMovieFiles, StretchedFramesAreScaledWithHalftone) {
  const std::vector<TBitmap> frames = DecodedFrames(GetParam());
  TAVIPlayer movie(nullptr);
  movie.SetBounds(0, 0, 40, 7);
  movie.SetFileName(Movie(std::string(GetParam()) + ".avi"));
  for (int n = 0; n < 3; ++n) {
    TBitmap expected(40, 7);
    TCanvas c(expected);
    c.StretchMode = platform::smHalftone;
    c.StretchDraw({0, 0, 40, 7}, frames[size_t(n)]);
    TBitmap page(40, 7);
    TCanvas canvas(page);
    PaintControl(movie, canvas);
    ASSERT_TRUE(test::SamePixels(page, expected)) << n;
    // The page's canvas is left in its own stretch mode.
    EXPECT_EQ(canvas.StretchMode, platform::smColorOnColor);
  }
}

TEST_P(TMovieFiles, TheRecordIsTheMovieRecordOfTheFile) {
  const std::string file = Movie(std::string(GetParam()) + ".avi");
  TAVIPlayer movie(nullptr);
  movie.SetBounds(4, 5, 10, 30);
  movie.SetFileName(file);
  for (bool stretch : {true, false}) {
    movie.SetStretch(stretch);
    TProgramStream want;
    ASSERT_TRUE(WriteMovieRecord({4, 5, 14, 35}, file, want, stretch));
    EXPECT_EQ(test::RecordOf(movie), want.Bytes()) << stretch;
  }
}

// The palette movie's frames are 8-bit with a colour table: only a reader that decodes them
// shows the right pixels.
INSTANTIATE_TEST_SUITE_P(VideoReaderMovies, TMovieFiles,
                         ::testing::Values("raw_bgr24", "palette8", "video1", "mjpeg"));

TEST_F(TMovieObject, AMissingFileAfterAGoodOneLeavesNoMovie) {
  TAVIPlayer movie(nullptr);
  movie.SetBounds(0, 0, 16, 12);
  movie.SetFileName(Movie("raw_bgr24.avi"));
  test::PaintedOnBlue(movie, 16, 12);
  ASSERT_EQ(movie.NextFrame(), 1);
  ASSERT_EQ(::mkfifo(dir_.File("pipe.avi").c_str(), 0600), 0);
  for (const std::string& bad : {dir_.File("missing.avi"), dir_.Path(), dir_.File("pipe.avi"),
                                 Movie("audio_only.avi"), std::string()}) {
    SCOPED_TRACE(bad);
    movie.SetFileName(Movie("raw_bgr24.avi"));
    movie.SetFileName(bad);
    EXPECT_EQ(movie.FileName(), bad);
    EXPECT_FALSE(movie.MovieOpen());
    // Paints nothing: the page shows through.
    TBitmap blue(16, 12);
    TCanvas c(blue);
    c.Brush = {platform::clBlue, platform::bsSolid};
    c.FillRect({0, 0, 16, 12});
    EXPECT_TRUE(test::SamePixels(test::PaintedOnBlue(movie, 16, 12), blue));
    EXPECT_TRUE(test::RecordOf(movie).empty());
    EXPECT_EQ(movie.RecordSize(), 0);
  }
}

TEST_F(TMovieObject, AHugeObjectPaintsOnlyWhatThePageShows) {
  // Bounds from object text may be anything; the frame is scaled for the visible part only.
  const std::vector<TBitmap> frames = DecodedFrames("raw_bgr24");
  TAVIPlayer movie(nullptr);
  movie.SetFileName(Movie("raw_bgr24.avi"));
  movie.SetBounds(0, 0, 1600000000, 1200000000);
  const TBitmap page = test::PaintedOnBlue(movie, 40, 30);
  // Each frame pixel covers 100 000 000 page pixels: the page shows the top-left one.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(page.GetPixel(x, y), frames[0].GetPixel(0, 0));
  EXPECT_EQ(movie.NextFrame(), 1);
}

TEST_F(TMovieObject, AMovieWithoutPictureIsNotCountedByItsPage) {
  TLeaf page(nullptr);
  auto* movie = new TAVIPlayer(&page);
  movie->SetFileName(Movie("raw_bgr24.avi"));
  auto* sound = new TAVIPlayer(&page);
  sound->SetFileName(Movie("audio_only.avi"));
  TProgramStream s;
  page.SetRecordSelf(&s);
  ASSERT_GE(s.Size(), 16u);
  EXPECT_EQ(platform::LoadU16(&s.Bytes()[2]), 1);  // two objects, one record
  TProgramStream want;
  ASSERT_TRUE(WriteMovieRecord({0, 0, 128, 96}, Movie("raw_bgr24.avi"), want, true));
  EXPECT_EQ(s.Size(), 16u + want.Size());
}

TEST_F(TMovieObject, RecordSizeTakesTheColourModeOfItsOwnScreen) {
  StreamContext().SetColorMode(1);  // as after previewing a single-colour screen
  TLEDScreen screen(nullptr);
  auto* page = new TLeaf(&screen);
  auto* movie = new TAVIPlayer(page);
  movie->SetBounds(0, 0, 100, 50);
  movie->SetFileName(Movie("raw_bgr24.avi"));

  platform::StoreU16(&screen.ParamBlock()[4], 3);
  movie->SetStretch(false);
  EXPECT_EQ(movie->RecordSize(), kFrames * kWidth * kHeight * 2);  // cut to the frame
  movie->SetStretch(true);
  EXPECT_EQ(movie->RecordSize(), kFrames * 100 * 50 * 2);
  platform::StoreU16(&screen.ParamBlock()[4], 1);
  EXPECT_EQ(movie->RecordSize(), 0);

  // On no screen: the current mode.
  TAVIPlayer loose(nullptr);
  loose.SetFileName(Movie("raw_bgr24.avi"));
  EXPECT_EQ(loose.RecordSize(), 0);
  StreamContext().SetColorMode(4);
  EXPECT_EQ(loose.RecordSize(), kFrames * 128 * 96 * 2);
  // An estimate beyond an Integer reads as the largest one, never as a negative size.
  loose.SetBounds(0, 0, 65535, 65535);
  EXPECT_EQ(loose.RecordSize(), 2147483647);
}

TEST_F(TMovieObject, ObjectTextRoundTripKeepsEveryValue) {
  TLEDScreen screen(nullptr);
  platform::StoreU16(&screen.ParamBlock()[4], 3);
  auto* page = new TLeaf(&screen);
  auto* movie = new TAVIPlayer(page);
  movie->SetName("AVIPlayer0");
  movie->SetBounds(6, 7, 64, 48);
  movie->SetFileName(Movie("video1.avi"));
  movie->SetActive(true);
  movie->SetStretch(false);
  movie->SetFixed(true);
  movie->SetFixTime(4000000000u);
  movie->SetClock(-3);
  movie->SetText(Utf8ToGbk("视频1"));
  const std::string text = test::ChildrenText(*page);
  EXPECT_NE(text.find("  RecordSize=3840\r\n"), std::string::npos);  // 10 x 16 x 12 x 2
  EXPECT_NE(text.find("  FixTime=4000000000\r\n"), std::string::npos);
  // Read back onto a page of no screen (current mode 3): the line is taken and ignored.
  EXPECT_GT(test::ExpectRoundTrip(*page).size(), 16u + MovieHeadSize);
}

}  // namespace
}  // namespace model
