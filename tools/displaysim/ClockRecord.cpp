// The analog clock (kind 96): u16 96, u16 transparent, u32 length, rectangle, u32 169, 8 zero
// bytes, then a glyph-table head (u16 55, u16 count, u32 length) and the pictures: the dial,
// 48 hour hands (hour 0-11, each by quarter hour 0-3), 60 minute hands and 60 second hands.
//
// A step shows the dial ORed with the hour hand of (hour mod 12) x 4 + minute div 15, the
// minute hand and the second hand of the local time; the face is copied opaque, or with black
// as the transparent colour. A record with fewer pictures draws those it has.
#include <algorithm>
#include <vector>

#include "DisplayItem.h"

namespace displaysim {

namespace {

constexpr size_t FirstHour = 1, FirstMinute = 49, FirstSecond = 109;

// Pictures ORed over each other from the same top-left corner.
class TOredPictures final : public TPicture {
 public:
  explicit TOredPictures(std::vector<const TPicture*> parts) : parts_(std::move(parts)) {
    for (const TPicture* p : parts_) {
      width_ = std::max(width_, p->Width());
      height_ = std::max(height_, p->Height());
    }
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void ReadRow(int y, int x0, int x1, TPixel* out) const override {
    std::fill(out, out + (x1 - x0), pxBlack);
    for (const TPicture* p : parts_) {
      const int end = std::min(x1, p->Width());
      if (y >= p->Height() || end <= x0) continue;
      part_.resize(size_t(end - x0));
      p->ReadRow(y, x0, end, part_.data());
      for (int i = 0; i < end - x0; ++i) out[i] |= part_[size_t(i)];
    }
  }

 private:
  std::vector<const TPicture*> parts_;
  int width_ = 0;
  int height_ = 0;
  mutable std::vector<TPixel> part_;
};

class TClockItem final : public TWindowItem {
 public:
  TClockItem(TBytes record, const TItemSetup& setup) : TWindowItem(record, record.U16(2) != 0) {
    for (const TPixelBlock& block : ReadGlyphTable(record.From(ClockHeadSize)))
      pictures_.emplace_back(block, setup.RedGreenWords);
  }

  void Paint(TScreen& screen, const TStepState& state) override {
    const TRect clip = Ground(screen);
    if (clip.IsEmpty()) return;
    const auto time = platform::DecodeDateTime(state.Now);
    if (!time) return;
    std::vector<const TPicture*> parts;
    for (size_t index : {size_t(0), FirstHour + size_t(time->Hour % 12) * 4 + size_t(time->Minute / 15),
                         FirstMinute + size_t(time->Minute), FirstSecond + size_t(time->Second)})
      if (index < pictures_.size()) parts.push_back(&pictures_[index]);
    const TOredPictures face(std::move(parts));
    // Opaque, the face is ORed onto its black ground; transparent, its black lets the screen
    // through and its lit pixels replace the screen's.
    screen.Draw(face, Rect.Left, Rect.Top, clip, Transparent ? blKeyBlack : blOr);
  }

 private:
  std::vector<TBlockPicture> pictures_;
};

}  // namespace

std::unique_ptr<TDisplayItem> MakeClock(TBytes record, const TItemSetup& setup) {
  return std::make_unique<TClockItem>(record, setup);
}

}  // namespace displaysim
