#include "GlyphTable.h"

#include "model/stream/PixelBlock.h"
#include "model/stream/RecordKinds.h"
#include "platform/gfx/Canvas.h"

namespace model {

namespace {
using namespace std::string_view_literals;
constexpr std::string_view kSensorGlyphs[] = {"0"sv, "1"sv, "2"sv, "3"sv, "4"sv, "5"sv,
                                              "6"sv, "7"sv, "8"sv, "9"sv, "-"sv};
constexpr std::string_view kCounterGlyphs[] = {"0"sv, "1"sv, "2"sv, "3"sv, "4"sv, "5"sv,
                                               "6"sv, "7"sv, "8"sv, "9"sv, ":"sv};
}  // namespace

TGlyphPainter FontGlyphPainter(const platform::TFontDescription& font) {
  return [font](std::string_view text, platform::TBitmap& glyph) {
    platform::TCanvas canvas(glyph);
    canvas.Font = font;
    const platform::TSize extent = canvas.TextExtent(text);
    glyph.SetSize(extent.cx, extent.cy);
    canvas.Brush = {platform::clBlack, platform::bsSolid};
    canvas.FillRect(platform::Bounds(0, 0, extent.cx, extent.cy));
    canvas.Brush.Style = platform::bsClear;
    canvas.TextOut(0, 0, text);
  };
}

std::span<const std::string_view> SensorGlyphs() { return kSensorGlyphs; }
std::span<const std::string_view> CounterGlyphs() { return kCounterGlyphs; }

void WriteGlyphTable(std::span<const std::string_view> glyphs, const TGlyphPainter& paint,
                     TProgramStream& stream) {
  const size_t start = stream.Position();
  stream.WriteU16(rkGlyphTable);
  stream.WriteU16(uint16_t(glyphs.size()));
  stream.WriteU32(0);
  platform::TBitmap glyph;
  for (std::string_view text : glyphs) {
    paint(text, glyph);
    WritePictureBits(glyph, stream);
  }
  stream.PatchU32(start + 4, uint32_t(stream.Position() - start));
}

}  // namespace model
