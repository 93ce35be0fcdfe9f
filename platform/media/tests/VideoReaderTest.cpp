#include "platform/media/VideoReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/media/tests/AviWriter.h"

using namespace platform;

namespace {

// Movies made by make_movies.sh: 16 x 12, 10 frames; NAME.bgr holds the frames ffmpeg itself
// decoded from NAME.avi.
constexpr int kWidth = 16, kHeight = 12, kFrames = 10;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 3;

std::string Fixture(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

std::vector<uint8_t> ExpectedFrames(const std::string& movie) {
  std::string data;
  EXPECT_TRUE(ReadWholeFile(Fixture(movie + ".bgr"), data));
  return std::vector<uint8_t>(data.begin(), data.end());
}

// The largest difference of one colour component between a frame and ffmpeg's decode of it.
int MaxDifference(const TBitmap& frame, const uint8_t* expected) {
  int worst = 0;
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* row = frame.ScanLine(y);
    for (int i = 0; i < kWidth * 3; ++i)
      worst = std::max(worst, std::abs(int(row[i]) - int(expected[size_t(y) * kWidth * 3 + i])));
  }
  return worst;
}

struct TMovieCase {
  const char* Name;
  int Tolerance;  // 0 for codecs whose decode is exact
};

class MovieFiles : public testing::TestWithParam<TMovieCase> {};

}  // namespace

TEST_P(MovieFiles, FramesEqualWhatFfmpegDecodes) {
  const TMovieCase& c = GetParam();
  const std::vector<uint8_t> expected = ExpectedFrames(c.Name);
  ASSERT_EQ(expected.size(), kFrameBytes * kFrames);

  TVideoReader reader;
  ASSERT_TRUE(reader.Open(Fixture(std::string(c.Name) + ".avi")));
  EXPECT_EQ(reader.Width(), kWidth);
  EXPECT_EQ(reader.Height(), kHeight);
  EXPECT_EQ(reader.FrameCount(), kFrames);
  TBitmap frame;
  for (int n = 0; n < kFrames; ++n) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(reader.ReadFrame(n, frame));
    ASSERT_EQ(frame.PixelFormat(), pf24bit);
    ASSERT_EQ(frame.Width(), kWidth);
    ASSERT_EQ(frame.Height(), kHeight);
    EXPECT_LE(MaxDifference(frame, &expected[kFrameBytes * n]), c.Tolerance);
  }
  // Past the end there is no frame, and the picture handed in is left alone.
  const TBitmap last = frame;
  EXPECT_FALSE(reader.ReadFrame(kFrames, frame));
  EXPECT_FALSE(reader.ReadFrame(kFrames + 5, frame));
  EXPECT_EQ(std::memcmp(frame.Bits(), last.Bits(), last.ImageSize()), 0);
  // Starting again from the first frame, as the movie object does after the last.
  ASSERT_TRUE(reader.ReadFrame(0, frame));
  EXPECT_LE(MaxDifference(frame, &expected[0]), c.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(VideoReader, MovieFiles,
                         testing::Values(TMovieCase{"raw_bgr24", 0}, TMovieCase{"palette8", 0},
                                         TMovieCase{"video1", 0}, TMovieCase{"mjpeg", 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(VideoReader, FramesCanBeReadOutOfOrderAndTwice) {
  const std::vector<uint8_t> expected = ExpectedFrames("video1");
  TVideoReader reader;
  ASSERT_TRUE(reader.Open(Fixture("video1.avi")));
  TBitmap frame;
  for (int n : {7, 7, 2, 9, 0, 0, 5, 3}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(reader.ReadFrame(n, frame));
    EXPECT_EQ(MaxDifference(frame, &expected[kFrameBytes * n]), 0);
  }
  EXPECT_FALSE(reader.ReadFrame(-1, frame));
}

TEST(VideoReader, FilesWithoutDecodableVideoDoNotOpen) {
  for (const char* name : {"audio_only.avi", "truncated_header.avi", "raw_bgr24.bgr",
                           "make_movies.sh", "no_such_movie.avi"}) {
    SCOPED_TRACE(name);
    TVideoReader reader;
    EXPECT_FALSE(reader.Open(Fixture(name)));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.FrameCount(), 0);
    TBitmap frame;
    EXPECT_FALSE(reader.ReadFrame(0, frame));
  }
}

TEST(VideoReader, ATruncatedMovieEndsAtItsLastWholeFrame) {
  // Its header still states 10 frames; only the first three are in the file.
  const std::vector<uint8_t> expected = ExpectedFrames("raw_bgr24");
  TVideoReader reader;
  ASSERT_TRUE(reader.Open(Fixture("truncated_frames.avi")));
  EXPECT_EQ(reader.FrameCount(), kFrames);
  TBitmap frame;
  for (int n = 0; n < 3; ++n) {
    ASSERT_TRUE(reader.ReadFrame(n, frame)) << n;
    EXPECT_EQ(MaxDifference(frame, &expected[kFrameBytes * n]), 0);
  }
  EXPECT_FALSE(reader.ReadFrame(3, frame));
  EXPECT_FALSE(reader.ReadFrame(4, frame));
  EXPECT_TRUE(reader.ReadFrame(1, frame));
}

TEST(VideoReader, OpeningAnotherFileClosesTheFirst) {
  TVideoReader reader;
  ASSERT_TRUE(reader.Open(Fixture("mjpeg.avi")));
  EXPECT_FALSE(reader.Open(Fixture("audio_only.avi")));
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Width(), 0);
  ASSERT_TRUE(reader.Open(Fixture("palette8.avi")));
  TVideoReader moved = std::move(reader);
  EXPECT_TRUE(moved.IsOpen());
  TBitmap frame;
  EXPECT_TRUE(moved.ReadFrame(0, frame));
  moved.Close();
  EXPECT_FALSE(moved.ReadFrame(0, frame));
}

namespace {

// A directory of its own for the files a test writes, removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    char name[] = "/tmp/video_reader_XXXXXX";
    if (mkdtemp(name)) path_ = name;
  }
  ~TTempDir() {
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  bool Ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

// Every pixel different: blue the column, green the row, red the frame.
void Pattern(int n, int x, int y, uint8_t bgr[3]) {
  bgr[0] = uint8_t(10 * x);
  bgr[1] = uint8_t(20 * y);
  bgr[2] = uint8_t(n);
}

}  // namespace

TEST(VideoReader, RowsComeTopRowFirstAndLengthsNotStatedAreCounted) {
  TTempDir dir;
  ASSERT_TRUE(dir.Ok());
  for (bool stateLength : {true, false}) {
    for (bool index : {true, false}) {
      SCOPED_TRACE(testing::Message() << "stated " << stateLength << " index " << index);
      const std::string path = dir.File("pattern.avi");
      // 5 pixels make rows of 15 bytes, padded to 16 in the file.
      ASSERT_TRUE(avitest::WriteAvi(path, {5, 3, 4, stateLength, index}, Pattern));
      TVideoReader reader;
      ASSERT_TRUE(reader.Open(path));
      EXPECT_EQ(reader.Width(), 5);
      EXPECT_EQ(reader.Height(), 3);
      EXPECT_EQ(reader.FrameCount(), 4);
      TBitmap frame;
      for (int n : {0, 1, 2, 3, 1}) {
        ASSERT_TRUE(reader.ReadFrame(n, frame)) << n;
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < 5; ++x) {
            uint8_t bgr[3];
            Pattern(n, x, y, bgr);
            ASSERT_EQ(frame.GetPixel(x, y), RGB(bgr[2], bgr[1], bgr[0])) << n << " " << x << "," << y;
          }
      }
      EXPECT_FALSE(reader.ReadFrame(4, frame));
    }
  }
}

TEST(VideoReader, AMovieWithAWholeHeaderAndNoWholeFrameHasNoFrames) {
  TVideoReader reader;
  ASSERT_TRUE(reader.Open(Fixture("no_frames.avi")));
  EXPECT_EQ(reader.Width(), kWidth);
  TBitmap frame;
  EXPECT_FALSE(reader.ReadFrame(0, frame));
  EXPECT_FALSE(reader.ReadFrame(0, frame));
}

TEST(VideoReader, ReadsLocalAviFilesOnly) {
  TTempDir dir;
  ASSERT_TRUE(dir.Ok());
  // A live playlist and a list of files, both pointing at a server; and a movie that is not an
  // AVI. None may open, and none may keep the reader waiting.
  const std::string hls = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nhttp://127.0.0.1:9/a.ts\n";
  const std::string concat = "ffconcat version 1.0\nfile 'http://127.0.0.1:9/a.avi'\n";
  std::string y4m = "YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C444\nFRAME\n";
  y4m.append(12, '\x80');
  ASSERT_TRUE(SaveFileAtomic(dir.File("list.m3u8"), hls.data(), hls.size()));
  ASSERT_TRUE(SaveFileAtomic(dir.File("list.txt"), concat.data(), concat.size()));
  ASSERT_TRUE(SaveFileAtomic(dir.File("movie.y4m"), y4m.data(), y4m.size()));
  for (const std::string& name : {std::string("http://127.0.0.1:9/movie.avi"),
                                  std::string("file:") + Fixture("raw_bgr24.avi"),
                                  dir.File("list.m3u8"), dir.File("list.txt"),
                                  dir.File("movie.y4m")}) {
    TVideoReader reader;
    TBitmap frame;
    EXPECT_FALSE(reader.Open(name) && reader.ReadFrame(0, frame)) << name;
  }
  // Names are paths, whatever they look like.
  const std::string odd = dir.File("a:b?c#d.avi");
  ASSERT_TRUE(avitest::WriteAvi(odd, {}, Pattern));
  TVideoReader reader;
  EXPECT_TRUE(reader.Open(odd));
}
