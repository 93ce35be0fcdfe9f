// Movies (kind 56): u16 56, u16 0, u32 length, rectangle, u16 0, u16 frame count, 8 zero
// bytes, one pixel block per frame. One frame shows per step, from the first when the page
// comes up, and the movie starts again after its last frame.
#include <vector>

#include "DisplayItem.h"

namespace displaysim {

namespace {

class TMovieItem final : public TWindowItem {
 public:
  TMovieItem(TBytes record, const TItemSetup& setup) : TWindowItem(record, record.U16(2) != 0) {
    for (const TPixelBlock& block : ReadPixelBlocks(record.From(MovieHeadSize), record.U16(18)))
      frames_.emplace_back(block, setup.RedGreenWords);
  }

  void Paint(TScreen& screen, const TStepState& state) override {
    const TRect clip = Ground(screen);
    if (clip.IsEmpty() || frames_.empty()) return;
    const TBlockPicture& frame = frames_[size_t(state.PageStep % int64_t(frames_.size()))];
    screen.Draw(frame, Rect.Left, Rect.Top, clip, blOr);
  }

 private:
  std::vector<TBlockPicture> frames_;
};

}  // namespace

std::unique_ptr<TDisplayItem> MakeMovie(TBytes record, const TItemSetup& setup) {
  return std::make_unique<TMovieItem>(record, setup);
}

}  // namespace displaysim
