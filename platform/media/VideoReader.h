#pragma once
// TVideoReader: the AVI movie reader the movie object and the movie record use, on FFmpeg.
// It does what they asked of the Windows movie-file library: open a file's first video stream,
// tell its frame size and length, hand out frame n as a picture, and close.
//
// Frames come out decoded and converted to 24-bit pictures (top row first), whatever the
// file's own format (raw, palette, compressed); nobody looks inside the file's frame data.
//
// A file that does not open, has no video stream or whose video FFmpeg cannot decode does not
// open here. A frame that is past the end, or that cannot be read or decoded (a damaged or
// truncated file), is no frame; so are the frames after it, as with the original library.
//
// Frames are meant to be read in order (0, 1, 2, ... and back to 0); reading backwards rewinds
// the file and decodes forward again. The same frame twice in a row is decoded once.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/Bitmap.h"

namespace platform {

class TVideoReader {
 public:
  TVideoReader();
  ~TVideoReader();
  TVideoReader(TVideoReader&&) noexcept;
  TVideoReader& operator=(TVideoReader&&) noexcept;
  TVideoReader(const TVideoReader&) = delete;
  TVideoReader& operator=(const TVideoReader&) = delete;

  // Opens the AVI file `fileName` (a path as the file system takes it), closing any open file
  // first. Only local AVI files are read: other containers (playlists among them) and URLs do
  // not open.
  // False, leaving the reader closed, when the file has no decodable video stream.
  bool Open(const std::string& fileName);
  void Close();
  bool IsOpen() const;

  // The frame size and the number of frames as the file states them; 0 when closed. A
  // damaged file may deliver fewer frames than it states.
  int Width() const;
  int Height() const;
  int64_t FrameCount() const;

  // Frame n as a pf24bit picture of the frame's own size. False, leaving `frame` as it was,
  // past the end, for a frame that cannot be decoded, or when closed.
  bool ReadFrame(int64_t n, TBitmap& frame);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace platform
