// Feeds arbitrary bytes to the GIF loader: it must load or raise GIFException, never read outside
// the input nor allocate past the (lowered) pixel limits. What loads must save, and what we save
// must load again and, when it saves, save to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/GIFFormat.h"
#include "platform/gfx/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace imaging;
  GIFLimits().FrameBytes = size_t(1) << 20;
  GIFLimits().TotalBytes = size_t(4) << 20;
  TGIFImage image;
  int warnings = 0;
  image.OnWarning = [&](const void*, uint8_t, const std::string&) { ++warnings; };
  try {
    image.LoadFromStream(data, size);
  } catch (const GIFException&) {
    return 0;
  }
  // Render and draw what loaded, dithered and not: frames, masks and the first-frame bitmap.
  for (bool dither : {false, true}) {
    GIFPaletteDisplay() = dither;
    for (int i = 0; i < image.Images().Count() && i < 8; ++i) {
      TGIFSubImage& frame = *image.Images()[i];
      frame.Changed();
      frame.Bitmap();
      frame.Mask();
    }
    if (size_t(image.Width()) * size_t(image.Height()) <= (size_t(1) << 20)) {
      image.DropBitmap();
      image.Bitmap();
      platform::TBitmap target(64, 48, platform::pf24bit);
      platform::TCanvas canvas(target);
      image.Draw(canvas, platform::TRect{-5, 3, 70, 40});
    }
  }
  GIFPaletteDisplay() = false;
  for (uint8_t kind : {0, 1}) {
    image.CompressionKind = kind;
    std::vector<uint8_t> saved;
    try {
      saved = image.SaveToStream();
    } catch (const GIFException&) {
      continue;  // no frames, or pixels outside their colour table
    }
    TGIFImage again;
    again.CompressionKind = kind;
    again.LoadFromStream(saved.data(), saved.size());  // must not throw
    // Frames without pixels write no table, so a frame that drew with no table at all (its
    // colour count taken from another frame's table) may no longer save; none may be left.
    std::vector<uint8_t> resaved;
    try {
      resaved = again.SaveToStream();
    } catch (const GIFException&) {
      continue;
    }
    // A frame without any table takes its code size from the image's largest table, which
    // may have belonged to a frame without pixels that was not written.
    bool tableless = false;
    for (int i = 0; i < again.Images().Count(); ++i)
      tableless = tableless || (again.GlobalColorMap().Count() == 0 &&
                                again.Images()[i]->ColorMap().Count() == 0);
    if (!tableless && resaved != saved) std::abort();
  }
  return 0;
}
