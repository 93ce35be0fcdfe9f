#include "FontDescription.h"

#include <cstdint>
#include <cstdlib>

namespace platform {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = int64_t(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t q = (std::llabs(num) + den / 2) / den;
  if (num < 0) q = -q;
  if (q > INT32_MAX) return INT32_MAX;
  if (q < -INT32_MAX) return -INT32_MAX;  // so that the result can always be negated
  return int32_t(q);
}

int32_t TFontDescription::Size() const { return -MulDivRound(Height, 72, kPixelsPerInch); }

void TFontDescription::SetSize(int32_t size) { Height = -MulDivRound(size, kPixelsPerInch, 72); }

}  // namespace platform
