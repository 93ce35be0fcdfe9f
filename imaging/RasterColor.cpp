#include "imaging/RasterColor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace imaging {

namespace {

bool ValidDepth(uint8_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
}

bool HasAlpha(TSampleScheme s) { return s == schGrayAlpha || s == schRGBA || s == schBGRA; }
bool IsRgbFamily(TSampleScheme s) {
  return s == schRGB || s == schRGBA || s == schBGR || s == schBGRA;
}
bool IsRgbOrder(TSampleScheme s) { return s == schRGB || s == schRGBA; }

// 16-bit samples are little-endian in memory unless the source says high byte first.
inline uint16_t Load16(const uint8_t* p, bool swap) {
  return swap ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
}
inline void Store16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline uint16_t Swap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
inline uint8_t Reduce16(uint32_t v) { return uint8_t(v * 255 / 65535); }
inline uint16_t Widen8(uint32_t v) { return uint16_t(v * 65535 / 255); }
inline uint8_t RotateBit(uint8_t bit) { return uint8_t((bit >> 1) | (bit << 7)); }

inline uint8_t ClampRound(double v) {
  v = std::nearbyint(v);  // the default rounding mode: halves to the even neighbour
  return v <= 0 ? 0 : v >= 255 ? 255 : uint8_t(v);
}

// Pixels of `count` that `mask` covers.
size_t CoveredPixels(size_t count, uint8_t mask) {
  size_t covered = (count / 8) * size_t(std::popcount(mask));
  if (size_t rest = count % 8) covered += size_t(std::popcount(uint8_t(mask & (0xFF00 >> rest))));
  return covered;
}

// ---- indexed -------------------------------------------------------------------------------

// Index bits of a source row, taken from the top bits of each byte down.
struct TIndexReader {
  const uint8_t* Source;
  unsigned Bits;
  unsigned Used = 0;

  unsigned Next() {
    const unsigned index = (*Source >> (8 - Bits - Used)) & ((1u << Bits) - 1);
    Used += Bits;
    if (Used == 8) {
      ++Source;
      Used = 0;
    }
    return index;
  }
};

// Stores the value next() gives for each covered pixel into a target of `bits` a pixel: 1 to 8
// bits from the top bits of each byte down, keeping the byte's other bits; 16 bits low byte
// first.
template <class Next>
void PlaceIndexes(const TRowJob& job, unsigned bits, Next next) {
  uint8_t* t = job.Target;
  const unsigned max = (1u << bits) - 1;
  unsigned used = 0;
  uint8_t bit = 0x80;
  for (size_t i = 0; i < job.Count; ++i) {
    const bool on = job.Mask & bit;
    bit = RotateBit(bit);
    if (bits == 16) {
      if (on) Store16(t, uint16_t(next()));
      t += 2;
      continue;
    }
    if (on) {
      const unsigned shift = 8 - bits - used;
      *t = uint8_t((*t & ~(max << shift)) | (next() << shift));
    }
    used += bits;
    if (used == 8) {
      ++t;
      used = 0;
    }
  }
}

// Neither side 16 bits: copy when nothing changes, else scale index by index.
void ConvertIndexedSmall(const TColorManager& m, const TRowJob& job) {
  const unsigned sb = m.SourceBitsPerSample(), tb = m.TargetBitsPerSample();
  if (sb == tb && job.Mask == 0xFF) {
    std::memcpy(job.Target, job.Sources[0], (job.Count * sb + 7) / 8);
    return;
  }
  const unsigned smax = (1u << sb) - 1, tmax = (1u << tb) - 1;
  TIndexReader in{job.Sources[0], sb};
  PlaceIndexes(job, tb, [&] { return in.Next() * tmax / smax; });
}

void ConvertIndexedFrom16(const TColorManager& m, const TRowJob& job) {
  const bool swap = m.SourceOptions & optSwapBytes;
  const unsigned tmax = (1u << m.TargetBitsPerSample()) - 1;
  const uint8_t* s = job.Sources[0];
  PlaceIndexes(job, m.TargetBitsPerSample(), [&] {
    const unsigned value = Load16(s, swap) * tmax / 65535;
    s += 2;
    return value;
  });
}

void ConvertIndexedTo16(const TColorManager& m, const TRowJob& job) {
  const bool swap = m.SourceOptions & optSwapBytes;
  const unsigned smax = (1u << m.SourceBitsPerSample()) - 1;
  TIndexReader in{job.Sources[0], m.SourceBitsPerSample()};
  PlaceIndexes(job, 16, [&] {
    const uint16_t value = uint16_t(in.Next() * 65535 / smax);
    return swap ? Swap16(value) : value;
  });
}

void ConvertIndexed16(const TColorManager& m, const TRowJob& job) {
  const bool swap = m.SourceOptions & optSwapBytes;
  const uint8_t* s = job.Sources[0];
  PlaceIndexes(job, 16, [&] {
    const uint16_t value = Load16(s, swap);
    s += 2;
    return value;
  });
}

// ---- component steps -------------------------------------------------------------------------

// One colour sample from the source's depth to the target's, with gamma and byte order as set.
// 16-bit target samples are written in memory order (low byte first).
struct TComponentStep {
  bool Src16, Dst16, Gamma, Swap;
  const uint8_t* Table;

  // The sample at p as an 8-bit value (reduced from 16 bits), gamma not applied.
  uint8_t Read8(const uint8_t* p) const { return Src16 ? Reduce16(Load16(p, Swap)) : *p; }
  // Writes an 8-bit colour value, through gamma, at the target depth.
  void Write8(uint8_t* t, uint8_t v) const {
    if (Gamma) v = Table[v];
    if (Dst16)
      Store16(t, Widen8(v));
    else
      *t = v;
  }
  // A colour sample: through the 8-bit path unless both sides are 16 bits (then copied).
  void Colour(const uint8_t* p, uint8_t* t) const {
    if (Src16 && Dst16)
      Store16(t, Load16(p, Swap));
    else
      Write8(t, Read8(p));
  }
  // An alpha sample: rescaled, never through gamma.
  void Alpha(const uint8_t* p, uint8_t* t) const {
    if (Src16 && Dst16)
      Store16(t, Load16(p, Swap));
    else if (Dst16)
      Store16(t, Widen8(*p));
    else
      *t = Read8(p);
  }
};

// Where each channel of a source pixel lies: one pointer per channel, all advancing by Step.
struct TCursor {
  const uint8_t* Channel[4];
  size_t Step;
};

TCursor MakeCursor(const TRowJob& job, size_t samplesPerPixel, size_t sampleBytes) {
  TCursor c{};
  if (job.Planes == 1) {
    for (size_t i = 0; i < 4; ++i) c.Channel[i] = job.Sources[0] + i * sampleBytes;
    c.Step = samplesPerPixel * sampleBytes;
  } else {
    for (int i = 0; i < 4; ++i) c.Channel[i] = job.Sources[i < job.Planes ? i : 0];
    c.Step = sampleBytes;
  }
  return c;
}

// Calls pixel(sourceOffset, target) for each covered pixel; skipped pixels advance the target
// only.
template <class Pixel>
void ForEachPixel(const TRowJob& job, size_t sourceStep, size_t targetStep, Pixel pixel) {
  uint8_t* t = job.Target;
  size_t offset = 0;
  if (job.Mask == 0xFF) {
    for (size_t i = 0; i < job.Count; ++i, t += targetStep, offset += sourceStep) pixel(offset, t);
    return;
  }
  uint8_t bit = 0x80;
  for (size_t i = 0; i < job.Count; ++i, t += targetStep) {
    const bool on = job.Mask & bit;
    bit = RotateBit(bit);
    if (!on) continue;
    pixel(offset, t);
    offset += sourceStep;
  }
}

TComponentStep StepOf(const TColorManager& m) {
  return {m.SourceBitsPerSample() == 16, m.TargetBitsPerSample() == 16,
          bool(m.TargetOptions & optGamma), bool(m.SourceOptions & optSwapBytes),
          m.GammaTable().data()};
}

// ---- grey ----------------------------------------------------------------------------------

void ConvertGray(const TColorManager& m, const TRowJob& job) {
  const TComponentStep step = StepOf(m);
  const size_t sampleBytes = step.Src16 ? 2 : 1;
  const size_t sourceStep = (m.SourceColorScheme() == schGrayAlpha ? 2 : 1) * sampleBytes;
  const uint8_t* s = job.Sources[0];
  if (!step.Src16 && !step.Dst16 && !step.Gamma && sourceStep == 1 && job.Mask == 0xFF) {
    std::memcpy(job.Target, s, job.Count);
    return;
  }
  ForEachPixel(job, sourceStep, step.Dst16 ? 2 : 1,
               [&](size_t offset, uint8_t* t) { step.Colour(s + offset, t); });
}

// ---- RGB and BGR ---------------------------------------------------------------------------

#if defined(__x86_64__) || defined(__i386__)
// With SSSE3 (every x86-64 processor of the last fifteen years) one byte shuffle turns five
// pixels at a time. Each step reads and writes 16 bytes, one beyond the five pixels, which the
// next step writes again; the loop keeps a sixth pixel in the row for it.
__attribute__((target("ssse3"))) size_t SwapRedBlueSsse3(const uint8_t* s, uint8_t* t,
                                                         size_t count, bool alpha) {
  const __m128i three = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  const __m128i four = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  size_t i = 0;
  if (alpha) {
    for (; i + 4 <= count; i += 4, s += 16, t += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(t),
                       _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), four));
  } else {
    for (; i + 6 <= count; i += 5, s += 15, t += 15)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(t),
                       _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), three));
  }
  return i;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#else
size_t SwapRedBlueSsse3(const uint8_t*, uint8_t*, size_t, bool) { return 0; }
bool HasSsse3() { return false; }
#endif

// Red and blue change places in rows of 3-byte pixels, or of 4-byte pixels whose fourth byte
// (alpha) stays: where every RGB picture spends its load.
void SwapRedBlue(const uint8_t* s, uint8_t* t, size_t count, bool alpha) {
  const size_t bytes = alpha ? 4 : 3;
  size_t i = HasSsse3() ? SwapRedBlueSsse3(s, t, count, alpha) : 0;
  for (s += bytes * i, t += bytes * i; i < count; ++i, s += bytes, t += bytes) {
    const uint8_t r = s[0];
    t[1] = s[1];
    t[0] = s[2];
    t[2] = r;
    if (alpha) t[3] = s[3];
  }
}

void ConvertRgb(const TColorManager& m, const TRowJob& job) {
  const TComponentStep step = StepOf(m);
  const bool reverse = IsRgbOrder(m.SourceColorScheme()) != IsRgbOrder(m.TargetColorScheme());
  const bool sourceAlpha = HasAlpha(m.SourceColorScheme());
  const bool targetAlpha = HasAlpha(m.TargetColorScheme());
  const bool carry = sourceAlpha && targetAlpha;
  const size_t sampleBytes = step.Src16 ? 2 : 1, targetBytes = step.Dst16 ? 2 : 1;
  const size_t sourceSamples = sourceAlpha ? 4 : 3, targetSamples = targetAlpha ? 4 : 3;
  const size_t targetStep = targetSamples * targetBytes;

  // The common case of every RGB reader: 8-bit interleaved rows, no gamma, every pixel.
  if (!step.Src16 && !step.Dst16 && !step.Gamma && job.Planes == 1 && job.Mask == 0xFF) {
    const uint8_t* s = job.Sources[0];
    uint8_t* t = job.Target;
    if (reverse && sourceSamples == targetSamples && carry == sourceAlpha) {
      SwapRedBlue(s, t, job.Count, carry);
    } else if (reverse) {
      for (size_t i = 0; i < job.Count; ++i, s += sourceSamples, t += targetSamples) {
        t[0] = s[2];
        t[1] = s[1];
        t[2] = s[0];
      }
    } else if (sourceSamples == targetSamples && carry == sourceAlpha) {
      std::memcpy(t, s, job.Count * sourceSamples);
    } else {
      for (size_t i = 0; i < job.Count; ++i, s += sourceSamples, t += targetSamples) {
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
        if (carry) t[3] = s[3];
      }
    }
    return;
  }

  const TCursor c = MakeCursor(job, sourceSamples, sampleBytes);
  const size_t place0 = reverse ? 2 : 0, place2 = reverse ? 0 : 2;
  ForEachPixel(job, c.Step, targetStep, [&](size_t offset, uint8_t* t) {
    step.Colour(c.Channel[0] + offset, t + place0 * targetBytes);
    step.Colour(c.Channel[1] + offset, t + targetBytes);
    step.Colour(c.Channel[2] + offset, t + place2 * targetBytes);
    if (carry) step.Alpha(c.Channel[3] + offset, t + 3 * targetBytes);
  });
}

// ---- CMYK, CIELab, YCbCr -------------------------------------------------------------------

// Runs a formula that makes red, green and blue from three or four 8-bit samples (16-bit
// samples are reduced first) and stores them in the target's order, through gamma.
template <class Formula>
void ConvertByFormula(const TColorManager& m, const TRowJob& job, size_t samples,
                      Formula formula) {
  const TComponentStep step = StepOf(m);
  const bool rgbTarget = IsRgbOrder(m.TargetColorScheme());
  const size_t targetBytes = step.Dst16 ? 2 : 1;
  const size_t targetStep = (HasAlpha(m.TargetColorScheme()) ? 4 : 3) * targetBytes;
  const TCursor c = MakeCursor(job, samples, step.Src16 ? 2 : 1);
  ForEachPixel(job, c.Step, targetStep, [&](size_t offset, uint8_t* t) {
    uint8_t v[4] = {};
    for (size_t i = 0; i < samples; ++i) v[i] = step.Read8(c.Channel[i] + offset);
    uint8_t r, g, b;
    formula(v, r, g, b);
    step.Write8(t, rgbTarget ? r : b);
    step.Write8(t + targetBytes, g);
    step.Write8(t + 2 * targetBytes, rgbTarget ? b : r);
  });
}

void ConvertCmyk(const TColorManager& m, const TRowJob& job) {
  ConvertByFormula(m, job, 4, [](const uint8_t* v, uint8_t& r, uint8_t& g, uint8_t& b) {
    const int k = v[3];
    auto ink = [k](int x) {
      const int value = 255 - (x - x * k / 255 + k);
      return uint8_t(std::clamp(value, 0, 255));
    };
    r = ink(v[0]);
    g = ink(v[1]);
    b = ink(v[2]);
  });
}

void ConvertLab(const TColorManager& m, const TRowJob& job) {
  const bool scaled = m.SourceOptions & optLabScaled;
  const bool offset = m.SourceOptions & optLabOffset;
  ConvertByFormula(m, job, 3, [=](const uint8_t* v, uint8_t& r, uint8_t& g, uint8_t& b) {
    const double L = scaled ? v[0] / 2.55 : double(v[0]);
    const double a = offset ? double(int(v[1]) - 128) : double(int8_t(v[1]));
    const double bb = offset ? double(int(v[2]) - 128) : double(int8_t(v[2]));
    const double fy = (L + 16) / 116;
    double X, Y, Z;
    if (L >= 7.9996) {
      const double tx = a / 500 + fy, tz = fy - bb / 200;
      X = tx * tx * tx;
      Y = fy * fy * fy;
      Z = tz * tz * tz;
    } else {
      Y = L / 903.3;
      X = a / 3893.5 + Y;
      Z = Y - bb / 1557.4;
    }
    b = ClampRound(255 * (0.099 * X - 0.198 * Y + 1.099 * Z));
    g = ClampRound(255 * (-0.952 * X + 1.893 * Y + 0.059 * Z));
    r = ClampRound(255 * (2.998 * X - 1.458 * Y - 0.541 * Z));
  });
}

// The Photo-CD colour space.
void ConvertYCbCr(const TColorManager& m, const TRowJob& job) {
  ConvertByFormula(m, job, 3, [](const uint8_t* v, uint8_t& r, uint8_t& g, uint8_t& b) {
    const double y = 1.3584 * v[0];
    const double c1 = int(v[1]) - 156, c2 = int(v[2]) - 137;
    b = ClampRound(y + 2.2179 * c1);
    g = ClampRound(y - 0.9271435 * c2 - 0.4302726 * c1);
    r = ClampRound(y + 1.8215 * c2);
  });
}

}  // namespace

// ---- the manager ---------------------------------------------------------------------------

TColorManager::TColorManager() { SetGamma(1.0f, 2.2f); }

// The setters of both sides share their rules: a changed value sets Changed; one sample a pixel
// and the indexed scheme go together.
void TColorManager::SetDepth(uint8_t& field, uint8_t bits) {
  if (!ValidDepth(bits)) throw EColorConversionError(SBadColorDepth);
  if (bits != field) {
    field = bits;
    changed_ = true;
  }
}

void TColorManager::SetSamples(uint8_t& field, TSampleScheme& scheme, uint8_t samples) {
  if (samples != 1 && samples != 3 && samples != 4) throw EColorConversionError(SBadSampleCount);
  if (samples != field) {
    field = samples;
    changed_ = true;
    if (samples == 1) scheme = schIndexed;
  }
}

void TColorManager::SetScheme(TSampleScheme& field, uint8_t& samples, TSampleScheme scheme) {
  if (scheme != field) {
    field = scheme;
    changed_ = true;
    if (scheme == schIndexed) samples = 1;
  }
}

void TColorManager::SetSourceBitsPerSample(uint8_t bits) { SetDepth(sourceBits_, bits); }
void TColorManager::SetTargetBitsPerSample(uint8_t bits) { SetDepth(targetBits_, bits); }
void TColorManager::SetSourceSamplesPerPixel(uint8_t samples) {
  SetSamples(sourceSamples_, sourceScheme_, samples);
}
void TColorManager::SetTargetSamplesPerPixel(uint8_t samples) {
  SetSamples(targetSamples_, targetScheme_, samples);
}
void TColorManager::SetSourceColorScheme(TSampleScheme scheme) {
  SetScheme(sourceScheme_, sourceSamples_, scheme);
}
void TColorManager::SetTargetColorScheme(TSampleScheme scheme) {
  SetScheme(targetScheme_, targetSamples_, scheme);
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
  displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
  const double exponent = 1.0 / (double(mainGamma_) * double(displayGamma_));
  for (int i = 0; i < 256; ++i) gammaTable_[i] = ClampRound(255 * std::pow(i / 255.0, exponent));
}

std::optional<TPixelFormat> TColorManager::PixelFormatFor(bool target) const {
  const unsigned s = target ? targetSamples_ : sourceSamples_;
  const unsigned b = target ? targetBits_ : sourceBits_;
  switch (s) {
    case 1:
      if (b == 1) return platform::pf1bit;
      if (b >= 2 && b <= 4) return platform::pf4bit;
      if (b >= 8 && b <= 16) return platform::pf8bit;
      return std::nullopt;
    case 3:
      return b >= 1 && b <= 5 ? platform::pf15bit : platform::pf24bit;
    case 4:
      if (b < 8) return std::nullopt;
      return platform::pf32bit;
    default:
      return std::nullopt;
  }
}

void TColorManager::ChooseConverter() {
  rowConverter_ = nullptr;
  family_ = TFamily::None;
  const bool sourceIndexed = sourceScheme_ == schIndexed || sourceScheme_ == schGrayAlpha;
  if (sourceIndexed != (targetScheme_ == schIndexed))
    throw EColorConversionError(SIndexedNotSupported);
  SourceOptions = HasAlpha(sourceScheme_) ? SourceOptions | optHasAlpha
                                          : SourceOptions & ~optHasAlpha;
  TargetOptions = HasAlpha(targetScheme_) ? TargetOptions | optHasAlpha
                                          : TargetOptions & ~optHasAlpha;

  // Colour and grey converters take 8- and 16-bit samples only.
  const bool wholeBytes = (sourceBits_ == 8 || sourceBits_ == 16) &&
                          (targetBits_ == 8 || targetBits_ == 16);
  switch (sourceScheme_) {
    case schIndexed:
      family_ = TFamily::Indexed;
      if (sourceBits_ == 16 && targetBits_ == 16)
        rowConverter_ = ConvertIndexed16;
      else if (sourceBits_ == 16)
        rowConverter_ = ConvertIndexedFrom16;
      else if (targetBits_ == 16)
        rowConverter_ = ConvertIndexedTo16;
      else
        rowConverter_ = ConvertIndexedSmall;
      break;
    case schGray:
    case schGrayAlpha:
      if (wholeBytes) {
        family_ = TFamily::Gray;
        rowConverter_ = ConvertGray;
      }
      break;
    case schRGB:
    case schRGBA:
    case schBGR:
    case schBGRA:
      if (wholeBytes && IsRgbFamily(targetScheme_)) {
        family_ = TFamily::Color;
        rowConverter_ = ConvertRgb;
      }
      break;
    case schCMYK:
    case schCIELab:
    case schYCbCr:
      if (wholeBytes && IsRgbFamily(targetScheme_)) {
        family_ = TFamily::Color;
        rowConverter_ = sourceScheme_ == schCMYK    ? ConvertCmyk
                        : sourceScheme_ == schCIELab ? ConvertLab
                                                     : ConvertYCbCr;
      }
      break;
    default:
      break;
  }
  chosenSourceOptions_ = SourceOptions;
  chosenTargetOptions_ = TargetOptions;
  changed_ = false;
}

void TColorManager::EnsureConverter() {
  if (changed_ || SourceOptions != chosenSourceOptions_ || TargetOptions != chosenTargetOptions_)
    ChooseConverter();
  if (!rowConverter_) throw EColorConversionError(SNoConversionMethod);
}

size_t TColorManager::SourceSamplesOfScheme() const {
  switch (sourceScheme_) {
    case schIndexed:
    case schGray:
      return 1;
    case schGrayAlpha:
      return 2;
    case schRGBA:
    case schBGRA:
    case schCMYK:
      return 4;
    default:
      return 3;
  }
}

size_t TColorManager::PlanesRead() const {
  if (family_ != TFamily::Color) return 1;
  if (sourceScheme_ == schCMYK) return 4;
  if (IsRgbFamily(sourceScheme_) && HasAlpha(sourceScheme_) && HasAlpha(targetScheme_)) return 4;
  return 3;
}

size_t TColorManager::SourceBytes(size_t count, uint8_t mask, size_t planes) {
  EnsureConverter();
  const size_t covered = CoveredPixels(count, mask);
  if (family_ == TFamily::Indexed) return (covered * sourceBits_ + 7) / 8;
  const size_t sampleBytes = sourceBits_ / 8;
  if (family_ == TFamily::Gray) return covered * SourceSamplesOfScheme() * sampleBytes;
  return covered * sampleBytes * (planes > 1 ? 1 : SourceSamplesOfScheme());
}

size_t TColorManager::TargetBytes(size_t count) {
  EnsureConverter();
  if (family_ == TFamily::Indexed) return (count * targetBits_ + 7) / 8;
  const size_t sampleBytes = targetBits_ / 8;
  if (family_ == TFamily::Gray) return count * sampleBytes;
  return count * sampleBytes * (HasAlpha(targetScheme_) ? 4 : 3);
}

void TColorManager::ConvertRow(std::initializer_list<std::span<const uint8_t>> sources,
                               std::span<uint8_t> target, size_t count, uint8_t mask) {
  ConvertRow(std::span<const std::span<const uint8_t>>(sources.begin(), sources.size()), target,
             count, mask);
}

void TColorManager::ConvertRow(std::span<const std::span<const uint8_t>> sources,
                               std::span<uint8_t> target, size_t count, uint8_t mask) {
  EnsureConverter();
  if (sources.empty() || sources.size() > 4)
    throw std::length_error("ConvertRow takes one to four source rows");
  if (sources.size() > 1 && sources.size() < PlanesRead())
    throw std::length_error("ConvertRow is given fewer planes than the scheme has channels");
  const size_t planes = sources.size() > 1 ? PlanesRead() : 1;
  const size_t need = SourceBytes(count, mask, planes);
  for (size_t i = 0; i < planes; ++i)
    if (sources[i].size() < need) throw std::length_error("ConvertRow source row is too short");
  if (target.size() < TargetBytes(count))
    throw std::length_error("ConvertRow target row is too short");
  if (count == 0) return;
  TRowJob job;
  for (size_t i = 0; i < planes; ++i) job.Sources[i] = sources[i].data();
  job.Planes = int(planes);
  job.Target = target.data();
  job.Count = count;
  job.Mask = mask;
  rowConverter_(*this, job);
}

std::vector<TColor> TColorManager::MakeGrayPalette(bool reversed) const {
  const unsigned bits = unsigned(targetBits_) * targetSamples_;
  const size_t n = bits >= 8 ? 256 : size_t(1) << bits;
  const unsigned step = unsigned(255 / (n - 1));
  const bool gamma = TargetOptions & optGamma;
  std::vector<TColor> palette(n);
  for (size_t i = 0; i < n; ++i) {
    uint8_t g = uint8_t(i * step);
    if (gamma) g = gammaTable_[g];
    palette[reversed ? n - 1 - i : i] = platform::RGB(g, g, g);
  }
  return palette;
}

std::vector<TColor> TColorManager::MakePalette(
    std::initializer_list<std::span<const uint8_t>> data, int layout, size_t colorCount,
    bool blueFirst) const {
  return MakePalette(std::span<const std::span<const uint8_t>>(data.begin(), data.size()), layout,
                     colorCount, blueFirst);
}

std::vector<TColor> TColorManager::MakePalette(std::span<const std::span<const uint8_t>> data,
                                               int layout, size_t colorCount,
                                               bool blueFirst) const {
  if (layout < 0 || layout > 7) throw std::length_error("MakePalette: unknown layout");
  const size_t n = std::min<size_t>(colorCount, 256);
  const bool wide = layout >= 4;
  const int shape = layout & 3;  // 0 triples, 1 quadruples, 2 and 3 planes
  const size_t sampleBytes = wide ? 2 : 1;
  const bool planar = shape >= 2;
  const size_t spans = planar ? 3 : 1;
  const size_t need = planar ? n * sampleBytes : n * sampleBytes * (shape == 1 ? 4 : 3);
  if (data.size() < spans) throw std::length_error("MakePalette: too few data spans");
  for (size_t i = 0; i < spans; ++i)
    if (data[i].size() < need) throw std::length_error("MakePalette: palette data too short");

  const bool gamma = TargetOptions & optGamma;
  const bool swap = SourceOptions & optSwapBytes;
  auto value = [&](const uint8_t* p) {
    uint8_t v = wide ? Reduce16(Load16(p, swap)) : *p;
    return gamma ? gammaTable_[v] : v;
  };
  std::vector<TColor> palette(n);
  for (size_t i = 0; i < n; ++i) {
    uint8_t r, g, b;
    if (planar) {
      r = value(data[0].data() + i * sampleBytes);
      g = value(data[1].data() + i * sampleBytes);
      b = value(data[2].data() + i * sampleBytes);
    } else {
      const uint8_t* p = data[0].data() + i * sampleBytes * (shape == 1 ? 4 : 3);
      const uint8_t first = value(p), second = value(p + sampleBytes),
                    third = value(p + 2 * sampleBytes);
      r = blueFirst ? third : first;
      g = second;
      b = blueFirst ? first : third;
    }
    palette[i] = platform::RGB(r, g, b);
  }
  return palette;
}

void WidenIndexes2To4(std::span<const uint8_t> source, std::span<uint8_t> target, size_t count,
                      uint8_t mask) {
  if (source.size() < (CoveredPixels(count, mask) + 3) / 4 || target.size() < (count + 1) / 2)
    throw std::length_error("WidenIndexes2To4: row too short");
  uint8_t bit = 0x80;
  for (size_t i = 0, k = 0; i < count; ++i) {
    const bool on = mask & bit;
    bit = RotateBit(bit);
    if (!on) continue;
    const unsigned index = (source[k / 4] >> (6 - 2 * (k % 4))) & 3;
    ++k;
    uint8_t& t = target[i / 2];
    t = i % 2 ? uint8_t((t & 0xF0) | index) : uint8_t((t & 0x0F) | (index << 4));
  }
}

}  // namespace imaging
