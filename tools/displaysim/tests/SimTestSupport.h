#pragma once
// What the simulator's tests share: programs written with model's writers, a simulator played
// step by step on a surface of its own, and the colour-mode rules pictures are checked by.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DisplaySimulator.h"
#include "model/stream/ProgramStream.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/Bitmap.h"

namespace displaysim::test {

using TProgram = std::vector<uint8_t>;

// One painted step: Width x Height pixels 0x00RRGGBB, top row first.
struct TShot {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
  uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
  // The pixels lit (not black), as a sorted list of (x, y).
  std::vector<std::pair<int, int>> Lit() const;
  bool operator==(const TShot&) const = default;
};

// The 112-byte parameter block of a screen with a step time.
std::vector<uint8_t> ParamBlock(int width, int height, int mode, int stepMs);

// A simulator over a program, painting a surface of the screen's size.
class TPlayer {
 public:
  TPlayer(TProgram program, int width, int height, int colorMode, int stepMs = 50,
          const platform::TWallClock* clock = nullptr);
  TShot Step();
  std::vector<TShot> Steps(int count);
  TDisplaySimulator& Simulator() { return *sim_; }

 private:
  int width_, height_;
  std::unique_ptr<TDisplaySimulator> sim_;
};

// The first step of a program.
TShot PlayOnce(const TProgram& program, int width, int height, int colorMode = 0,
               const platform::TWallClock* clock = nullptr);

// A page of a program written by model's writers: its display time and its objects' records.
struct TPageSpec {
  uint32_t DisplayMs = 1000;
  std::vector<model::TRecordWriter> Objects;
};

// A whole program as the editor writes it (header, then each page), in `mode`. When the
// environment names a folder in DISPLAYSIM_SEED_DIR, the program is also saved there as a
// seed of the fuzz target.
TProgram WriteProgram(int mode, const std::vector<TPageSpec>& pages, uint16_t kind = 17);
// A single page as the editor's page preview writes it: header with count 1 and size 0.
TProgram WritePagePreview(int mode, const TPageSpec& page);
void SaveSeed(const TProgram& program);

// A picture window of a bitmap (model's writer) in the stream's current mode.
model::TRecordWriter PictureWindow(int left, int top, const platform::TBitmap& picture,
                                   bool transparent = false, int effect = 1, int speed = 1);

// A record given as its bytes, appended as it is.
model::TRecordWriter RawRecord(std::vector<uint8_t> bytes);

// A fixture picture made by ImageMagick, from its own decode (NAME.rgb, 8-bit RGB).
platform::TBitmap FixturePicture(const std::string& name, int width, int height);
// A 24-bit picture from 0x00RRGGBB pixels, or from part of a shot.
platform::TBitmap ShotPicture(const TShot& shot, int left, int top, int width, int height);

// Colours as the simulator shows them.
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00;

// The bytes of a picture's pixel block written in a mode by model's writer.
std::vector<uint8_t> BlockBytes(const platform::TBitmap& picture, int mode);

// Checks that the shot shows `source` at (left, top) by the mode's rule: mode 1 red where red
// > 96; mode 2 red / green / yellow by red and green > 96; modes 3 and 4: packing the shown
// pixels gives the source's block, and each shown component is the source's within its
// level step (no blue in mode 4).
void ExpectShowsByMode(const TShot& shot, int left, int top, const platform::TBitmap& source,
                       int mode);

// A fixed local time.
platform::TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace displaysim::test
