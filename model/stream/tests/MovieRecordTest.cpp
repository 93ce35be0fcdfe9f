#include "model/stream/MovieRecord.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "model/stream/PixelBlock.h"
#include "model/stream/StreamContext.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/gfx/Blit.h"
#include "platform/media/tests/AviWriter.h"

using namespace model;
using platform::LoadU16;
using platform::LoadU32;
using platform::TBitmap;

namespace {

using Bytes = std::vector<uint8_t>;

// The movies of the video reader's tests: 16 x 12, 10 frames, and NAME.bgr with the frames
// ffmpeg decoded from NAME.avi.
constexpr int kWidth = 16, kHeight = 12, kFrames = 10;

std::string Movie(const std::string& name) { return std::string(MEDIA_FIXTURES) + "/" + name; }

// Frame n of ffmpeg's decode, as a picture.
std::vector<TBitmap> DecodedFrames(const std::string& movie) {
  std::string data;
  EXPECT_TRUE(platform::ReadWholeFile(Movie(movie + ".bgr"), data));
  std::vector<TBitmap> frames;
  const size_t frameBytes = size_t(kWidth) * kHeight * 3;
  for (size_t at = 0; at + frameBytes <= data.size(); at += frameBytes) {
    TBitmap b(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(b.ScanLine(y), data.data() + at + size_t(y) * kWidth * 3, kWidth * 3);
    frames.push_back(std::move(b));
  }
  return frames;
}

// The top-left w x h of a picture.
TBitmap TopLeft(const TBitmap& b, int w, int h) {
  TBitmap part(w, h);
  if (w == 0) return part;
  for (int y = 0; y < h; ++y) std::memcpy(part.ScanLine(y), b.ScanLine(y), size_t(w) * 3);
  return part;
}

Bytes Block(const TBitmap& b, int mode) {
  TProgramStream s;
  WritePictureBits(b, mode, s);
  return s.Bytes();
}

class MovieRecord : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().Reset(); }
  void TearDown() override { StreamContext().Reset(); }
};

}  // namespace

TEST_F(MovieRecord, FramesAreTheDecodedPicturesInFrameOrder) {
  // Raw, palette (whose frames must come decoded, not found behind an assumed colour table),
  // and two compressed codecs.
  for (const char* name : {"raw_bgr24", "palette8", "video1", "mjpeg"}) {
    for (int mode = 1; mode <= 4; ++mode) {
      SCOPED_TRACE(testing::Message() << name << " mode " << mode);
      StreamContext().SetColorMode(mode);
      TProgramStream s;
      s.WriteU32(0xDDCCBBAA);  // records start wherever the stream has got to
      ASSERT_TRUE(WriteMovieRecord(RecordRect(3, 4, kWidth, kHeight), Movie(std::string(name) + ".avi"),
                                   s, false));
      const Bytes b(s.Bytes().begin() + 4, s.Bytes().end());
      ASSERT_GE(b.size(), MovieHeadSize);
      EXPECT_EQ(Bytes(b.begin(), b.begin() + 28),
                (Bytes{56, 0, 0, 0, uint8_t(b.size()), uint8_t(b.size() >> 8), uint8_t(b.size() >> 16), 0,
                       3, 0, 4, 0, 19, 0, 16, 0, 0, 0, kFrames, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
      Bytes expected;
      for (const TBitmap& frame : DecodedFrames(name)) {
        const Bytes block = Block(frame, mode);
        expected.insert(expected.end(), block.begin(), block.end());
      }
      EXPECT_EQ(Bytes(b.begin() + 28, b.end()), expected);
    }
  }
}

TEST_F(MovieRecord, WithoutStretchThePictureIsTheFrameCutToTheRectangle) {
  StreamContext().SetColorMode(3);
  const std::vector<TBitmap> frames = DecodedFrames("video1");
  struct TCase {
    int Width, Height;      // of the object
    int PictureW, PictureH;  // sent
  };
  for (const TCase& c : {TCase{8, 6, 8, 6}, TCase{40, 30, kWidth, kHeight}, TCase{5, 30, 5, kHeight},
                         TCase{0, 10, 0, 10}}) {
    SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height);
    TProgramStream s;
    ASSERT_TRUE(WriteMovieRecord(RecordRect(0, 0, c.Width, c.Height), Movie("video1.avi"), s, false));
    Bytes expected;
    for (const TBitmap& frame : frames) {
      const Bytes block = Block(TopLeft(frame, c.PictureW, c.PictureH), 3);
      expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(Bytes(s.Bytes().begin() + 28, s.Bytes().end()), expected);
    EXPECT_EQ(LoadU16(&s.Bytes()[18]), kFrames);
  }
}

TEST_F(MovieRecord, WithStretchEveryFrameFillsTheRectangle) {
  // Shrunk with halftone averaging and enlarged, each frame onto the whole picture.
  const std::vector<TBitmap> frames = DecodedFrames("mjpeg");
  for (const auto& size : {platform::TSize{8, 6}, platform::TSize{40, 6}}) {
    SCOPED_TRACE(size.cx);
    StreamContext().SetColorMode(4);
    TProgramStream s;
    ASSERT_TRUE(WriteMovieRecord(RecordRect(5, 5, size.cx, size.cy), Movie("mjpeg.avi"), s, true));
    const Bytes& b = s.Bytes();
    EXPECT_EQ(LoadU16(&b[18]), kFrames);
    Bytes expected;
    for (const TBitmap& frame : frames) {
      TBitmap picture(size.cx, size.cy);
      platform::StretchBits(picture, platform::Bounds(0, 0, size.cx, size.cy),
                            platform::Bounds(0, 0, size.cx, size.cy), frame,
                            platform::Bounds(0, 0, kWidth, kHeight), platform::cmSrcCopy,
                            platform::smHalftone);
      const Bytes block = Block(picture, 4);
      expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(Bytes(b.begin() + 28, b.end()), expected);
    EXPECT_EQ(LoadU32(&b[4]), b.size());
  }
}

TEST_F(MovieRecord, AMovieOfNoFramesIsItsHeadAlone) {
  StreamContext().SetColorMode(3);
  TProgramStream s;
  ASSERT_TRUE(WriteMovieRecord(RecordRect(0, 0, 16, 12), Movie("no_frames.avi"), s, true));
  EXPECT_EQ(s.Bytes(), (Bytes{56, 0, 0, 0, 28, 0, 0, 0, 0, 0, 0, 0, 16, 0, 12, 0,  //
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(MovieRecord, ATruncatedMovieSendsItsWholeFrames) {
  StreamContext().SetColorMode(2);
  TProgramStream s;
  ASSERT_TRUE(WriteMovieRecord(RecordRect(0, 0, 16, 12), Movie("truncated_frames.avi"), s, false));
  EXPECT_EQ(LoadU16(&s.Bytes()[18]), 3);
  EXPECT_EQ(s.Size(), MovieHeadSize + 3 * PixelBlockSize(16, 12, 2));
}

TEST_F(MovieRecord, FilesWithoutDecodableVideoAddNoRecord) {
  StreamContext().SetColorMode(3);
  for (const char* name : {"audio_only.avi", "truncated_header.avi", "missing.avi", "raw_bgr24.bgr"}) {
    TProgramStream s;
    EXPECT_FALSE(WriteMovieRecord(RecordRect(0, 0, 16, 12), Movie(name), s, true)) << name;
    EXPECT_EQ(s.Size(), 0u);
    EXPECT_EQ(MovieDataSize(RecordRect(0, 0, 16, 12), Movie(name), true), 0u);
  }
}

TEST_F(MovieRecord, DataSizeEstimate) {
  const std::string movie = Movie("raw_bgr24.avi");
  struct TCase {
    int Mode;
    int Width, Height;
    bool Stretch;
    uint32_t Size;
  };
  const TCase cases[] = {
      {1, 16, 12, false, 0},
      {2, 16, 12, true, 0},
      {3, 16, 12, false, 10 * 16 * 12 * 2},
      {4, 100, 50, false, 10 * 16 * 12 * 2},  // cut to the frame
      {4, 100, 50, true, 10 * 100 * 50 * 2},
      {3, 8, 50, false, 10 * 8 * 12 * 2},
      {3, 65535, 65535, true, 0xFFFFFFFF},  // 85 899 345 000 bytes does not fit: at most
  };
  for (const auto& c : cases) {
    StreamContext().SetColorMode(c.Mode);
    EXPECT_EQ(MovieDataSize(RecordRect(0, 0, c.Width, c.Height), movie, c.Stretch), c.Size)
        << c.Mode << " " << c.Width << "x" << c.Height;
  }
  // The stated length counts, even where the file holds fewer frames.
  StreamContext().SetColorMode(3);
  EXPECT_EQ(MovieDataSize(RecordRect(0, 0, 16, 12), Movie("truncated_frames.avi"), false),
            10u * 16 * 12 * 2);
  // A mode given wins over the current one.
  EXPECT_EQ(MovieDataSize(RecordRect(0, 0, 16, 12), movie, false, 1), 0u);
  StreamContext().SetColorMode(1);
  EXPECT_EQ(MovieDataSize(RecordRect(0, 0, 16, 12), movie, false, 4), 10u * 16 * 12 * 2);
}

namespace {

// A movie of `frames` 2 x 2 pictures, each a little different, in a directory of its own.
std::string WriteLongMovie(int frames) {
  char dir[] = "/tmp/movie_record_XXXXXX";
  if (!mkdtemp(dir)) return {};
  const std::string path = std::string(dir) + "/long.avi";
  avitest::TAviOptions options;
  options.Frames = frames;
  auto pixel = [](int n, int x, int y, uint8_t bgr[3]) {
    bgr[0] = uint8_t(n);
    bgr[1] = uint8_t(n >> 8);
    bgr[2] = uint8_t(x + y);
  };
  if (!avitest::WriteAvi(path, options, pixel)) return {};
  return path;
}

}  // namespace

TEST_F(MovieRecord, MoreFramesThanTheCountCanHoldAreRefusedWhole) {
  StreamContext().SetColorMode(3);
  for (int frames : {65535, 65536}) {
    SCOPED_TRACE(frames);
    const std::string path = WriteLongMovie(frames);
    ASSERT_FALSE(path.empty());
    TProgramStream s;
    s.WriteU32(7);
    const bool written = WriteMovieRecord(RecordRect(0, 0, 2, 2), path, s, false);
    if (frames == 65535) {
      ASSERT_TRUE(written);
      EXPECT_EQ(LoadU16(&s.Bytes()[4 + 18]), 65535);
      EXPECT_EQ(LoadU32(&s.Bytes()[4 + 4]), MovieHeadSize + 65535 * PixelBlockSize(2, 2, 3));
    } else {
      EXPECT_FALSE(written);
      EXPECT_EQ(s.Size(), 4u);
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
  }
}
