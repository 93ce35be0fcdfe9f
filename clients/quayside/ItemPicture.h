#pragma once
// The picture a display item is sent as: its text drawn line by line in the item's font and the
// card's text colour on black, as wide as the widest line (widened to the card's width when it
// has several lines and is narrower), as high as its lines.
#include <optional>
#include <string_view>
#include <vector>

#include "clients/quayside/StationData.h"
#include "platform/gfx/Bitmap.h"

namespace quayside {

// Widest and highest picture the card's records can carry.
constexpr int MaxPictureSide = 65535;

struct TItemPicture {
  platform::TBitmap Bitmap;  // pf24bit, Width x Height; empty when Width is 0
  int Width = 0;
  int Height = 0;
  int LineHeight = 0;  // the font's cell height; line i is drawn at (0, i * LineHeight)
};

// The lines of a text: split at line feeds, a carriage return before a line feed or at the end
// left out (files made on Windows hold CR LF). An empty text is one empty line.
std::vector<std::string_view> ItemLines(std::string_view text);

// Nothing when the picture would be wider or higher than MaxPictureSide or cannot be made.
std::optional<TItemPicture> RenderItemPicture(const TDisplayItem& item, const TStationCard& card);

}  // namespace quayside
