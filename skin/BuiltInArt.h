#pragma once
// The built-in pictures of the skin, by the names the theme tables give ("MACOS_BUTTON",
// "WINXP_TITLEBTN", "POPUPFORM"...). They are drawn by our own code, in flat tones with
// one-pixel bevels in the colours of each style's own items, the first time they are asked
// for, and kept for the life of the program.
//
// Strips hold their frames side by side in the order the controls cut them. Pictures that the
// controls draw masked show $FF00FF wherever the background is to show through, pixel (0, 0)
// included. No Qt here.
#include <string_view>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace skin {

struct TArtInfo {
  std::string_view Name;
  int Width = 0;
  int Height = 0;
  int Frames = 1;       // equal frames side by side
  bool Masked = false;  // the background shows where the picture is $FF00FF
};

// Every built-in picture, the five styles' first (in the order of the size table), then the
// pictures of single controls.
const std::vector<TArtInfo>& BuiltInPictures();
const TArtInfo* FindBuiltInPicture(std::string_view name);

// The kept picture of that name, drawn on first use; none for an unknown name. Safe to call
// from several threads.
const platform::TBitmap* BuiltInPicture(std::string_view name);
// Draws the picture anew (what BuiltInPicture keeps); an empty bitmap for an unknown name.
platform::TBitmap DrawBuiltInPicture(std::string_view name);

}  // namespace skin
