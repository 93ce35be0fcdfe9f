#include "MovieRecord.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/PixelBlock.h"
#include "model/StreamContext.h"
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

// Without stretch: the frame's top-left part that fits, 1:1; the rest of the picture keeps
// what it had.
void CopyFrame(const platform::TBitmap& frame, platform::TBitmap& picture) {
  const int w = std::min(frame.Width(), picture.Width());
  const int h = std::min(frame.Height(), picture.Height());
  if (w <= 0) return;
  for (int y = 0; y < h; ++y) std::memcpy(picture.ScanLine(y), frame.ScanLine(y), size_t(w) * 3);
}

// With stretch: the whole frame onto the whole picture, each picture pixel the average of the
// frame area it covers.
void StretchFrame(const platform::TBitmap& frame, platform::TBitmap& picture) {
  const int sw = frame.Width(), sh = frame.Height();
  const int dw = picture.Width(), dh = picture.Height();
  if (sw <= 0 || sh <= 0) return;
  for (int y = 0; y < dh; ++y) {
    const int y0 = int(int64_t(y) * sh / dh);
    const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * sh / dh));
    uint8_t* out = picture.ScanLine(y);
    for (int x = 0; x < dw; ++x) {
      const int x0 = int(int64_t(x) * sw / dw);
      const int x1 = std::max(x0 + 1, int(int64_t(x + 1) * sw / dw));
      uint64_t sum[3] = {};
      for (int sy = y0; sy < y1; ++sy) {
        const uint8_t* in = frame.ScanLine(sy) + size_t(x0) * 3;
        for (int sx = x0; sx < x1; ++sx, in += 3)
          for (int c = 0; c < 3; ++c) sum[c] += in[c];
      }
      const uint64_t n = uint64_t(y1 - y0) * uint64_t(x1 - x0);
      for (int c = 0; c < 3; ++c) out[3 * x + c] = uint8_t((sum[c] + n / 2) / n);
    }
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
  platform::TBitmap frame;
  int64_t framesWritten = 0;
  for (int64_t n = 0; reader.ReadFrame(n, frame); ++n) {
    if (uint64_t(stream.Position() - start) + blockSize > kMaxLength) return false;
    if (stretch)
      StretchFrame(frame, picture);
    else
      CopyFrame(frame, picture);
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
  const int mode = StreamContext().ColorMode();
  if (mode == 1 || mode == 2) return 0;
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
