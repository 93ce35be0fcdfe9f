// Picture windows (kind 49) and string windows (kind 51): one picture each, played through the
// window's display effect.
//
//   picture window: u16 49, u16 transparent, u32 length, rectangle, u16 effect, u16 speed,
//                   8 zero bytes, pixel block
//   string window:  u16 51, u16 transparent, u32 length, rectangle, u16 effect, u16 speed,
//                   8 zero bytes, u32 colour, u32 card font, GBK text up to a 0 byte
#include <algorithm>
#include <string_view>

#include "DisplayItem.h"
#include "Effects.h"
#include "StringWindow.h"

namespace displaysim {

namespace {

class TEffectWindow final : public TWindowItem {
 public:
  TEffectWindow(TBytes record, std::unique_ptr<TPicture> picture)
      : TWindowItem(record, record.U16(2) != 0), effect_(record.U16(16)),
        speed_(record.U16(18)), picture_(std::move(picture)) {}

  void Paint(TScreen& screen, const TStepState& state) override {
    const TRect clip = Ground(screen);
    if (clip.IsEmpty()) return;
    const TEffectFrame f =
        EffectFrame(effect_, speed_, state.PageStep, {Rect.Width(), Rect.Height()},
                    {picture_->Width(), picture_->Height()});
    if (!f.Visible) return;
    const TRect shown = platform::Intersect(f.Reveal.Offset(Rect.Left, Rect.Top), clip);
    for (int i = 0; i < f.Count; ++i)
      screen.Draw(*picture_, Rect.Left + f.Places[i].X, Rect.Top + f.Places[i].Y, shown, blOr);
  }

 private:
  int effect_;
  int speed_;
  std::unique_ptr<TPicture> picture_;
};

}  // namespace

std::unique_ptr<TDisplayItem> MakePictureWindow(TBytes record, const TItemSetup& setup) {
  size_t length = 0;
  const auto block = ReadPixelBlock(record.From(PictureWindowHeadSize), &length);
  std::unique_ptr<TPicture> picture;
  if (block)
    picture = std::make_unique<TBlockPicture>(*block, setup.RedGreenWords);
  else
    picture = std::make_unique<TPixelPicture>();
  return std::make_unique<TEffectWindow>(record, std::move(picture));
}

std::unique_ptr<TDisplayItem> MakeStringWindow(TBytes record, const TItemSetup& setup) {
  const TBytes tail = record.From(StringWindowHeadSize);
  std::string_view text(reinterpret_cast<const char*>(tail.Data()), tail.Size());
  text = text.substr(0, text.find('\0'));
  const TRect rect = RecordRect(record);
  // The text is drawn as far as the window reaches, and never beyond the screen's size.
  const int width = std::min(std::max(rect.Width(), 0), setup.ScreenWidth);
  const int height = std::min(std::max(rect.Height(), 0), setup.ScreenHeight);
  auto picture = std::make_unique<TPixelPicture>(
      RenderStringLines(text, record.U32(32), record.U32(28), setup.ColorMode, width, height));
  return std::make_unique<TEffectWindow>(record, std::move(picture));
}

}  // namespace displaysim
