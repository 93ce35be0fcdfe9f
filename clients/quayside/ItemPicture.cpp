#include "ItemPicture.h"

#include <algorithm>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/TextLayout.h"

namespace quayside {

std::vector<std::string_view> ItemLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    const size_t feed = text.find('\n', start);
    std::string_view line = text.substr(start, feed == std::string_view::npos ? text.npos
                                                                              : feed - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return lines;
}

std::optional<TItemPicture> RenderItemPicture(const TDisplayItem& item, const TStationCard& card) {
  platform::TFontDescription font;
  font.Name = item.FontName;
  font.SetSize(item.FontSize);
  font.Color = card.TextColor();

  const std::vector<std::string_view> lines = ItemLines(item.DisplayText);
  int64_t width = 0;
  int lineHeight = 0;
  for (std::string_view line : lines) {
    const platform::TSize extent = platform::TextExtent(font, line);
    width = std::max<int64_t>(width, extent.cx);
    lineHeight = extent.cy;
  }
  if (width < card.Width && lines.size() > 1) width = card.Width;
  const int64_t height = int64_t(lines.size()) * lineHeight;
  if (width > MaxPictureSide || height > MaxPictureSide) return std::nullopt;

  TItemPicture picture;
  picture.Width = int(width);
  picture.Height = int(height);
  picture.LineHeight = lineHeight;
  if (picture.Width == 0 || picture.Height == 0) return picture;
  try {
    picture.Bitmap = platform::TBitmap(picture.Width, picture.Height, platform::pf24bit);
  } catch (const platform::EBitmapError&) {
    return std::nullopt;
  }
  platform::TCanvas canvas(picture.Bitmap);
  canvas.Font = font;
  canvas.Brush.Color = platform::clBlack;
  canvas.Brush.Style = platform::bsSolid;
  for (size_t i = 0; i < lines.size(); ++i)
    canvas.TextOut(0, int(i) * lineHeight, lines[i]);
  return picture;
}

}  // namespace quayside
