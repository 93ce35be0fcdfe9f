#pragma once
// The item list's pictures, one per card number: ten of 32 x 32 and ten of 16 x 16 pixels,
// drawn in code on a magenta ground that is transparent.
#include <QIcon>
#include <QPixmap>

namespace quayside {

constexpr int ItemIconCount = 10;

// The picture of card number `n` (0..9) in one size (32 or 16), magenta masked out.
QPixmap ItemPicture(int n, int size);
// Both sizes of card number `n`; a null icon outside 0..9.
QIcon ItemIcon(int n);

}  // namespace quayside
