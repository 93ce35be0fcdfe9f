#pragma once
// The program writers' process-wide state, kept in one object: the current colour mode, which
// every pixel block reads, and the preview stream.
//
// The colour mode is one value per program. Whoever starts a program sets it: the program
// header writer, the editor's single-page preview before it writes its own header, and
// Panelcast's root call. Every pixel block written afterwards packs in that mode, and
// Panelcast's calls that depend on the mode read it from here too.
//
// Everything here belongs to the GUI thread (or the library caller's thread); the writers are
// not meant to run on two threads at once.
#include "model/stream/ProgramStream.h"

namespace model {

// The card's colour modes: 1 single colour (1 bit per pixel), 2 two colours (red and green,
// 2 bits), 3 full colour 5-6-5 through the level table, 4 red and green levels, a byte each.
constexpr int MinColorMode = 1;
constexpr int MaxColorMode = 4;
constexpr bool ValidColorMode(int mode) { return mode >= MinColorMode && mode <= MaxColorMode; }

class TStreamContext {
 public:
  // Until a program sets it, pictures pack as for a single-colour screen.
  static constexpr int DefaultColorMode = 1;

  int ColorMode() const { return colorMode_; }
  // Any value is taken as given: the pixel writer appends nothing in a mode outside 1..4.
  void SetColorMode(int mode) { colorMode_ = mode; }

  // The one stream the editor's preview commands build a program into before they show it.
  // The preview window plays a copy of it, taken as it opens.
  TProgramStream& PreviewStream() { return preview_; }

  // Back to the start-up state (default colour mode, empty preview stream); for tests.
  void Reset();

 private:
  int colorMode_ = DefaultColorMode;
  TProgramStream preview_;
};

// The process-wide context.
TStreamContext& StreamContext();

}  // namespace model
