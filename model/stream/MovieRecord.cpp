#include "MovieRecord.h"

#include <algorithm>
#include <limits>

#include "model/stream/PixelBlock.h"
#include "model/stream/StreamContext.h"
#include "platform/gfx/Canvas.h"
#include "platform/media/VideoReader.h"

namespace model {

namespace {

constexpr uint64_t kMaxLength = std::numeric_limits<uint32_t>::max();
constexpr int64_t kMaxFrames = std::numeric_limits<uint16_t>::max();

// The size of the picture frames are drawn on.
void PictureSize(const TRecordRect& rect, const platform::TVideoReader& reader, bool stretch,
                 int& width, int& height) {
  auto extent = [](int from, int to) {
    return int(std::clamp<int64_t>(int64_t(to) - from, 0, std::numeric_limits<int>::max()));
  };
  width = extent(rect.Left, rect.Right);
  height = extent(rect.Top, rect.Bottom);
  if (!stretch) {
    width = std::min(width, reader.Width());
    height = std::min(height, reader.Height());
  }
}

}  // namespace

bool WriteMovieRecord(const TRecordRect& rect, const std::string& fileName,
                      TProgramStream& stream, bool stretch) {
  platform::TVideoReader reader;
  if (!reader.Open(fileName)) return false;
  int width, height;
  PictureSize(rect, reader, stretch, width, height);
  const int mode = StreamContext().ColorMode();
  // Every frame's block has this length, so the limits are checked before a frame is written.
  const uint64_t blockSize = PixelBlockSize(width, height, mode);

  TRecordGuard record(stream);
  const size_t start = record.Start();
  stream.WriteU16(rkMovie);
  stream.WriteU16(0);
  stream.WriteU32(0);
  WriteRecordRect(rect, stream);
  stream.WriteU16(0);
  stream.WriteU16(0);
  stream.WriteZeros(8);

  platform::TBitmap picture(width, height, platform::pf24bit);
  platform::TCanvas canvas(picture);
  canvas.StretchMode = platform::smHalftone;
  platform::TBitmap frame;
  int64_t framesWritten = 0;
  for (int64_t n = 0; reader.ReadFrame(n, frame); ++n) {
    if (uint64_t(stream.Position() - start) + blockSize > kMaxLength) return false;
    if (stretch)
      canvas.StretchDraw(platform::Bounds(0, 0, width, height), frame);
    else
      canvas.Draw(0, 0, frame);
    const size_t before = stream.Position();
    WritePictureBits(picture, mode, stream);
    if (stream.Position() != before && ++framesWritten > kMaxFrames) return false;
  }
  stream.PadToFour();
  stream.PatchU16(start + MovieFrameCountOffset, uint16_t(framesWritten));
  stream.PatchU32(start + WindowLengthOffset, uint32_t(stream.Position() - start));
  record.Commit();
  return true;
}

uint32_t MovieDataSize(const TRecordRect& rect, const std::string& fileName, bool stretch) {
  return MovieDataSize(rect, fileName, stretch, StreamContext().ColorMode());
}

uint32_t MovieDataSize(const TRecordRect& rect, const std::string& fileName, bool stretch,
                       int colorMode) {
  if (colorMode == 1 || colorMode == 2) return 0;
  platform::TVideoReader reader;
  if (!reader.Open(fileName)) return 0;
  int width, height;
  PictureSize(rect, reader, stretch, width, height);
  const uint64_t pixels = uint64_t(width) * uint64_t(height) * 2;
  const uint64_t frames = uint64_t(std::max<int64_t>(0, reader.FrameCount()));
  if (pixels && frames > kMaxLength / pixels) return uint32_t(kMaxLength);
  return uint32_t(frames * pixels);
}

}  // namespace model
