#pragma once
// The movie object: plays an AVI movie on the design surface, one frame per repaint (the page
// repaints every 50 ms), and sends it as a movie record with every frame.
//
// Frames come from the video reader (platform/media) decoded to 24-bit pictures, whatever the
// file's own format. A file that does not open (missing, not a regular file, no video stream
// the reader can decode) leaves the object without a movie: it paints nothing, and its record
// is nothing, so the page does not count it. Nothing is shown to the user in either case.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"
#include "platform/media/VideoReader.h"

namespace model {

// Published: FileName (""), Active (False), Stretch (True), RecordSize (computed), Fixed
// (False), FixTime (0), Text, Clock (0), PropertyTable, RecordSelf; 128 x 96.
class TAVIPlayer : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  // Parented to its owner when that is a windowed control.
  explicit TAVIPlayer(platform::TComponent* owner);

  // GBK, made a path only when the file is opened.
  const std::string& FileName() const { return fileName_; }
  // Stores the name, closes the open movie and opens the new one at its first frame.
  void SetFileName(std::string_view fileName);
  // Stored only.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch) { stretch_ = stretch; }
  // The movie's pixel bytes as the card would take them (MovieDataSize) for the bounds,
  // FileName and Stretch, in the colour mode of the screen the object sits on (its page's
  // owner) or, on no screen, in the current one; at most 2147483647. Setting it does nothing:
  // object text carries the value, and reading it back must not fail.
  int32_t RecordSize() const;
  void SetRecordSize(int32_t) {}
  // Saved with the object; nothing here reads them.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  uint32_t FixTime() const { return fixTime_; }
  void SetFixTime(uint32_t fixTime) { fixTime_ = fixTime; }
  int32_t Clock() const { return clock_; }
  void SetClock(int32_t clock) { clock_ = clock; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // Whether a movie is open, and the frame the next paint shows.
  bool MovieOpen() const { return reader_.IsOpen(); }
  int64_t NextFrame() const { return nextFrame_; }

  // With a movie open: the next frame (frame 0 again past the last), scaled onto the object
  // (halftone) with Stretch, else 1:1 at the top-left; then the next frame is the one after.
  void Paint(platform::TCanvas& canvas) override;
  // A movie moves on by a frame at every paint.
  bool PictureDue() const override { return MovieOpen(); }

  // Appends the movie record of the file for the bounds and Stretch (WriteMovieRecord, which
  // opens the file itself); nothing when it does not open. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  std::string fileName_;
  bool active_ = false;
  bool stretch_ = true;
  bool fixed_ = false;
  uint32_t fixTime_ = 0;
  int32_t clock_ = 0;
  std::string text_;
  TBasePropertyTable table_;
  platform::TVideoReader reader_;
  platform::TBitmap frame_;  // the last frame decoded
  int64_t nextFrame_ = 0;
};

}  // namespace model
