#pragma once
// The movie record (kind 56): every frame of a movie file as a pixel block.
//
//   u16 56, u16 0, u32 length (patched), rectangle (4 x u16), u16 0,
//   u16 number of frames written (patched), 8 zero bytes, one pixel block per frame
//
// Frames are drawn onto one 24-bit picture, black to begin with: with stretch, the picture is
// the rectangle's size and each frame is scaled onto all of it (halftone); without, it is the
// frame size cut to the rectangle and each frame is copied 1:1 from the top-left.
#include <cstdint>
#include <string>

#include "model/stream/ProgramStream.h"
#include "model/stream/RecordKinds.h"

namespace model {

constexpr size_t MovieHeadSize = 28;
constexpr size_t MovieFrameCountOffset = 18;

// Appends the record of the movie in `fileName` in the current colour mode and returns true.
// Appends nothing and returns false when the file has no video stream it can decode, and
// when the record would not fit its fields (more than 65535 frames, or more than 4 GiB): such
// a movie is refused whole rather than sent with a wrapped count or length. A movie that
// opens but yields no frame is a 28-byte head with 0 frames.
bool WriteMovieRecord(const TRecordRect& rect, const std::string& fileName,
                      TProgramStream& stream, bool stretch);

// The pixel bytes the movie would take in the current colour mode, as the movie object shows
// it: frames the file states x width x height x 2, the width and height being the
// rectangle's, cut to the frame size without stretch. 0 in colour modes 1 and 2 and for a
// file that does not open; at most 0xFFFFFFFF.
uint32_t MovieDataSize(const TRecordRect& rect, const std::string& fileName, bool stretch);
// The same for the colour mode `colorMode` rather than the current one: a movie object asks
// for the mode of the screen it sits on, whatever program was built last.
uint32_t MovieDataSize(const TRecordRect& rect, const std::string& fileName, bool stretch,
                       int colorMode);

}  // namespace model
