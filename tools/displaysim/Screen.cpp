#include "Screen.h"

#include <algorithm>

namespace displaysim {

TScreen::TScreen(TPixel* pixels, int width, int height, size_t stridePixels)
    : rows_(pixels), width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(stridePixels) {}

void TScreen::Fill(const TRect& rect, TPixel color) {
  const TRect r = platform::Intersect(rect, Bounds());
  if (r.IsEmpty()) return;
  for (int y = r.Top; y < r.Bottom; ++y) {
    TPixel* row = rows_ + size_t(y) * stride_;
    std::fill(row + r.Left, row + r.Right, color);
  }
}

void TScreen::Draw(const TPicture& picture, int x, int y, const TRect& clip, TBlend blend) {
  // Coordinates stay in 64 bits until they are inside the screen: a picture may lie far off.
  const int64_t left = std::max<int64_t>({int64_t(x), clip.Left, 0});
  const int64_t top = std::max<int64_t>({int64_t(y), clip.Top, 0});
  const int64_t right = std::min<int64_t>({int64_t(x) + picture.Width(), clip.Right, width_});
  const int64_t bottom = std::min<int64_t>({int64_t(y) + picture.Height(), clip.Bottom, height_});
  if (left >= right || top >= bottom) return;
  const int count = int(right - left);
  if (row_.size() < size_t(count)) row_.resize(size_t(count));
  for (int64_t sy = top; sy < bottom; ++sy) {
    picture.ReadRow(int(sy - y), int(left - x), int(right - x), row_.data());
    TPixel* out = rows_ + size_t(sy) * stride_ + size_t(left);
    if (blend == blOr) {
      for (int i = 0; i < count; ++i) out[i] |= row_[size_t(i)];
    } else {
      for (int i = 0; i < count; ++i)
        if (row_[size_t(i)] != pxBlack) out[i] = row_[size_t(i)];
    }
  }
}

}  // namespace displaysim
