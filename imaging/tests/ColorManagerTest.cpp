#include "imaging/RasterColor.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace imaging;
using platform::RGB;
using Bytes = std::vector<uint8_t>;
using imagingtest::ErrorText;

namespace {

// Records of color_tables.txt (made by make_color_tables.py): each line a name, then numbers.
struct TColorTables {
  std::multimap<std::string, std::vector<double>> Records;

  TColorTables() {
    std::ifstream in(std::string(CORVANE_FIXTURES) + "/color_tables.txt");
    if (!in) throw std::runtime_error("missing fixture color_tables.txt");
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string name;
      fields >> name;
      std::vector<double> values;
      for (double v; fields >> v;) values.push_back(v);
      Records.emplace(name, std::move(values));
    }
  }
  std::vector<const std::vector<double>*> All(const std::string& name) const {
    std::vector<const std::vector<double>*> out;
    auto [from, to] = Records.equal_range(name);
    for (auto i = from; i != to; ++i) out.push_back(&i->second);
    return out;
  }
  std::vector<int> Ints(const std::vector<double>& values, size_t from) const {
    return std::vector<int>(values.begin() + std::ptrdiff_t(from), values.end());
  }
};

const TColorTables& Tables() {
  static const TColorTables tables;
  return tables;
}

// Converts with one interleaved source into a target of `targetSize` bytes filled with `fill`.
Bytes Convert(TColorManager& m, const Bytes& source, size_t count, size_t targetSize,
              uint8_t mask = 0xFF, uint8_t fill = 0) {
  Bytes target(targetSize, fill);
  m.ConvertRow({source}, target, count, mask);
  return target;
}

// A manager for 1-sample grey rows of the given depths (grey to grey, one sample a pixel).
TColorManager GrayManager(uint8_t sourceBits, uint8_t targetBits) {
  TColorManager m;
  m.SetSourceSamplesPerPixel(1);
  m.SetSourceColorScheme(schGray);
  m.SetTargetSamplesPerPixel(1);
  m.SetTargetColorScheme(schGray);
  m.SetSourceBitsPerSample(sourceBits);
  m.SetTargetBitsPerSample(targetBits);
  return m;
}

TColorManager IndexedManager(uint8_t sourceBits, uint8_t targetBits) {
  TColorManager m;
  m.SetSourceColorScheme(schIndexed);
  m.SetTargetColorScheme(schIndexed);
  m.SetSourceBitsPerSample(sourceBits);
  m.SetTargetBitsPerSample(targetBits);
  return m;
}

Bytes Little16(const std::vector<int>& values) {
  Bytes out;
  for (int v : values) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  }
  return out;
}
Bytes Big16(const std::vector<int>& values) {
  Bytes out;
  for (int v : values) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
  }
  return out;
}

}  // namespace

// ---- tables computed by the script -----------------------------------------------------------

TEST(ColorTables, EightToSixteenBitsScalesEveryValue) {
  const std::vector<int> expected = Tables().Ints(*Tables().All("scale8to16").at(0), 0);
  Bytes ramp(256);
  for (int i = 0; i < 256; ++i) ramp[size_t(i)] = uint8_t(i);
  TColorManager gray = GrayManager(8, 16);
  EXPECT_EQ(Convert(gray, ramp, 256, 512), Little16(expected));
  TColorManager indexed = IndexedManager(8, 16);
  EXPECT_EQ(Convert(indexed, ramp, 256, 512), Little16(expected));
  // RGB channels scale the same way: the ramp as 85 pixels plus one sample.
  TColorManager rgb;
  rgb.SetTargetBitsPerSample(16);
  rgb.SetTargetColorScheme(schRGB);
  Bytes rgbRamp(ramp.begin(), ramp.begin() + 255);
  EXPECT_EQ(Convert(rgb, rgbRamp, 85, 510),
            Little16(std::vector<int>(expected.begin(), expected.begin() + 255)));
}

TEST(ColorTables, SixteenToEightBitsScalesEveryValueInBothByteOrders) {
  const std::vector<int> first = Tables().Ints(*Tables().All("scale16to8first").at(0), 0);
  std::vector<int> all(65536), expected(65536);
  for (int v = 0, out = 0; v < 65536; ++v) {
    while (out < 255 && v >= first[size_t(out) + 1]) ++out;
    all[size_t(v)] = v;
    expected[size_t(v)] = out;
  }
  const Bytes want(expected.begin(), expected.end());
  TColorManager gray = GrayManager(16, 8);
  EXPECT_EQ(Convert(gray, Little16(all), 65536, 65536), want);
  gray.SourceOptions = optSwapBytes;
  EXPECT_EQ(Convert(gray, Big16(all), 65536, 65536), want);
  TColorManager indexed = IndexedManager(16, 8);
  EXPECT_EQ(Convert(indexed, Little16(all), 65536, 65536), want);
  indexed.SourceOptions = optSwapBytes;
  EXPECT_EQ(Convert(indexed, Big16(all), 65536, 65536), want);
}

TEST(ColorTables, GammaTablesFollowThePowerLaw) {
  for (const auto* record : Tables().All("gamma")) {
    TColorManager m;
    m.SetGamma(float((*record)[0]), float((*record)[1]));
    const std::vector<int> expected = Tables().Ints(*record, 2);
    ASSERT_EQ(expected.size(), 256u);
    EXPECT_EQ(std::vector<int>(m.GammaTable().begin(), m.GammaTable().end()), expected)
        << "gamma " << (*record)[0] << ", " << (*record)[1];
  }
  // A new manager holds the table of (1.0, 2.2), the one libpng agrees with.
  const std::vector<int> standard = Tables().Ints(*Tables().All("gamma").at(0), 2);
  TColorManager m;
  EXPECT_EQ(std::vector<int>(m.GammaTable().begin(), m.GammaTable().end()), standard);
}

TEST(ColorTables, GammaAppliesToColourButNeverToAlpha) {
  const std::vector<int> table = Tables().Ints(*Tables().All("gamma").at(0), 2);
  TColorManager m;
  m.SetSourceColorScheme(schRGBA);
  m.SetSourceSamplesPerPixel(4);
  m.SetTargetColorScheme(schBGRA);
  m.SetTargetSamplesPerPixel(4);
  m.TargetOptions = optGamma;
  EXPECT_EQ(Convert(m, {10, 20, 30, 40}, 1, 4),
            (Bytes{uint8_t(table[30]), uint8_t(table[20]), uint8_t(table[10]), 40}));
}

TEST(ColorTables, CmykFollowsTheFormulaInEveryLayoutAndDepth) {
  const auto records = Tables().All("cmyk");
  Bytes interleaved, planes[4], expected;
  for (const auto* r : records) {
    for (int i = 0; i < 4; ++i) {
      interleaved.push_back(uint8_t((*r)[size_t(i)]));
      planes[i].push_back(uint8_t((*r)[size_t(i)]));
    }
    expected.insert(expected.end(), {uint8_t((*r)[6]), uint8_t((*r)[5]), uint8_t((*r)[4])});
  }
  const size_t n = records.size();
  TColorManager m;
  m.SetSourceColorScheme(schCMYK);
  m.SetSourceSamplesPerPixel(4);
  EXPECT_EQ(Convert(m, interleaved, n, 3 * n), expected);
  Bytes target(3 * n);
  m.ConvertRow({planes[0], planes[1], planes[2], planes[3]}, target, n);
  EXPECT_EQ(target, expected);
  // 16-bit samples are reduced to 8 bits first: v * 257 is v again.
  std::vector<int> wide(interleaved.begin(), interleaved.end());
  for (int& v : wide) v *= 257;
  m.SetSourceBitsPerSample(16);
  EXPECT_EQ(Convert(m, Little16(wide), n, 3 * n), expected);
  m.SourceOptions = optSwapBytes;
  EXPECT_EQ(Convert(m, Big16(wide), n, 3 * n), expected);
}

TEST(ColorTables, CieLabFollowsTheFormulaWithBothOptionSets) {
  for (int offset = 0; offset < 2; ++offset) {
    Bytes source, expected;
    for (const auto* r : Tables().All("lab")) {
      if (int((*r)[1]) != offset) continue;
      source.insert(source.end(), {uint8_t((*r)[2]), uint8_t((*r)[3]), uint8_t((*r)[4])});
      expected.insert(expected.end(), {uint8_t((*r)[7]), uint8_t((*r)[6]), uint8_t((*r)[5])});
    }
    const size_t n = source.size() / 3;
    ASSERT_GT(n, 500u);
    TColorManager m;
    m.SetSourceColorScheme(schCIELab);
    m.SourceOptions = offset ? optLabScaled | optLabOffset : optLabScaled;
    EXPECT_EQ(Convert(m, source, n, 3 * n), expected) << "offset " << offset;
    // The same into RGB order.
    m.SetTargetColorScheme(schRGB);
    Bytes rgb = Convert(m, source, n, 3 * n);
    for (size_t i = 0; i < n; ++i) std::swap(rgb[3 * i], rgb[3 * i + 2]);
    EXPECT_EQ(rgb, expected);
  }
}

TEST(ColorTables, PhotoCdYCbCrFollowsTheFormulaWithClamping) {
  Bytes source, expected;
  for (const auto* r : Tables().All("ycbcr")) {
    source.insert(source.end(), {uint8_t((*r)[0]), uint8_t((*r)[1]), uint8_t((*r)[2])});
    expected.insert(expected.end(), {uint8_t((*r)[5]), uint8_t((*r)[4]), uint8_t((*r)[3])});
  }
  const size_t n = source.size() / 3;
  TColorManager m;
  m.SetSourceColorScheme(schYCbCr);
  EXPECT_EQ(Convert(m, source, n, 3 * n), expected);
}

// ---- behaviour -----------------------------------------------------------------------------

TEST(ColorManager, StartsWithItsDefaults) {
  TColorManager m;
  EXPECT_TRUE(m.Changed());
  EXPECT_EQ(m.SourceBitsPerSample(), 8);
  EXPECT_EQ(m.TargetBitsPerSample(), 8);
  EXPECT_EQ(m.SourceSamplesPerPixel(), 3);
  EXPECT_EQ(m.TargetSamplesPerPixel(), 3);
  EXPECT_EQ(m.SourceColorScheme(), schRGB);
  EXPECT_EQ(m.TargetColorScheme(), schBGR);
  EXPECT_EQ(m.MainGamma(), 1.0f);
  EXPECT_EQ(m.DisplayGamma(), 2.2f);
  EXPECT_EQ(m.SourceOptions, 0);
  EXPECT_EQ(m.TargetOptions, 0);
  // Entry 0 stays 0, 255 stays 255 and mid values are raised.
  EXPECT_EQ(m.GammaTable()[0], 0);
  EXPECT_EQ(m.GammaTable()[255], 255);
  EXPECT_GT(m.GammaTable()[128], 128);
}

TEST(ColorManager, SettersCheckTheirValuesAndKeepSchemesAndSamplesInStep) {
  TColorManager m;
  EXPECT_EQ(ErrorText([&] { m.SetSourceSamplesPerPixel(2); }), SBadSampleCount);
  EXPECT_EQ(ErrorText([&] { m.SetTargetSamplesPerPixel(0); }), SBadSampleCount);
  EXPECT_EQ(m.SourceSamplesPerPixel(), 3);
  for (int bits : {0, 3, 5, 7, 9, 12, 32})
    EXPECT_EQ(ErrorText([&] { m.SetSourceBitsPerSample(uint8_t(bits)); }), SBadColorDepth);
  EXPECT_EQ(ErrorText([&] { m.SetTargetBitsPerSample(6); }), SBadColorDepth);
  EXPECT_EQ(m.SourceBitsPerSample(), 8);

  m.SetSourceSamplesPerPixel(1);
  EXPECT_EQ(m.SourceColorScheme(), schIndexed);
  m.SetTargetColorScheme(schIndexed);
  EXPECT_EQ(m.TargetSamplesPerPixel(), 1);
  m.SetSourceColorScheme(schRGBA);
  EXPECT_EQ(m.SourceSamplesPerPixel(), 1);  // only indexed changes the sample count

  TColorManager fresh;
  Convert(fresh, {1, 2, 3}, 1, 3);
  EXPECT_FALSE(fresh.Changed());
  fresh.SetSourceBitsPerSample(8);  // the same value changes nothing
  EXPECT_FALSE(fresh.Changed());
  fresh.SetGamma(2.0f, 2.0f);  // gamma does not choose a new converter
  EXPECT_FALSE(fresh.Changed());
  fresh.SetSourceBitsPerSample(16);
  EXPECT_TRUE(fresh.Changed());
}

TEST(ColorManager, SetGammaReplacesValuesNotAboveZero) {
  TColorManager m;
  m.SetGamma(0.0f, -1.0f);
  EXPECT_EQ(m.MainGamma(), 1.0f);
  EXPECT_EQ(m.DisplayGamma(), 2.2f);
  EXPECT_EQ(m.GammaTable(), TColorManager().GammaTable());
}

// The table serves 8-bit values, so depths left at 1 bit do not shorten it.
TEST(ColorManager, GammaAfterOneBitDepthsIsTheEightBitTable) {
  TColorManager m;
  m.SetSourceBitsPerSample(1);
  m.SetTargetBitsPerSample(1);
  m.SetGamma(1.0f, 2.2f);
  EXPECT_EQ(m.GammaTable(), TColorManager().GammaTable());
  m.SetGamma(2.2f, 2.2f);
  TColorManager eight;
  eight.SetGamma(2.2f, 2.2f);
  EXPECT_EQ(m.GammaTable(), eight.GammaTable());
}

TEST(ColorManager, EdgeCases) {
  struct Case {
    const char* Name;
    std::function<void(TColorManager&)> Setup;
    Bytes Source;
    size_t Count;
    uint8_t Mask;
    Bytes Expected;  // target bytes, from a target filled with 0xEE
  };
  const std::vector<Case> cases = {
      {"RGB to BGR", [](TColorManager&) {}, {10, 20, 30}, 1, 0xFF, {30, 20, 10}},
      {"RGB to RGB", [](TColorManager& m) { m.SetTargetColorScheme(schRGB); }, {10, 20, 30}, 1,
       0xFF, {10, 20, 30}},
      {"BGR to RGB", [](TColorManager& m) {
         m.SetSourceColorScheme(schBGR);
         m.SetTargetColorScheme(schRGB);
       }, {10, 20, 30}, 1, 0xFF, {30, 20, 10}},
      {"grey-alpha to indexed drops the alpha", [](TColorManager& m) {
         m.SetSourceColorScheme(schGrayAlpha);
         m.SetTargetColorScheme(schIndexed);
       }, {7, 200, 9, 100}, 2, 0xFF, {7, 9}},
      {"2-bit index to 4 bits", [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(2);
         m.SetTargetBitsPerSample(4);
       }, {0b11011000}, 4, 0xFF, {0xF5, 0xA0}},
      {"1-bit index to 8 bits", [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(1);
       }, {0b10100000}, 3, 0xFF, {255, 0, 255}},
      {"CMYK without ink is white", [](TColorManager& m) {
         m.SetSourceColorScheme(schCMYK);
       }, {0, 0, 0, 0}, 1, 0xFF, {255, 255, 255}},
      {"CMYK full black", [](TColorManager& m) {
         m.SetSourceColorScheme(schCMYK);
       }, {0, 0, 0, 255}, 1, 0xFF, {0, 0, 0}},
      {"mask 0x88 converts pixels 0 and 4 of each eight",
       [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
       },
       {1, 2, 3}, 9, 0x88, {1, 0xEE, 0xEE, 0xEE, 2, 0xEE, 0xEE, 0xEE, 3}},
      {"mask 0x88 in RGB skips target pixels and consumes only covered sources",
       [](TColorManager&) {},
       {1, 2, 3, 4, 5, 6}, 5, 0x88,
       {3, 2, 1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 6, 5, 4}},
      {"mask 0x80 on a 4-bit target keeps the other nibble",
       [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(4);
         m.SetTargetBitsPerSample(4);
       },
       {0x30}, 2, 0x80, {0x3E}},
      {"16-bit RGB, low byte first", [](TColorManager& m) { m.SetSourceBitsPerSample(16); },
       {0xFF, 0x00, 0x00, 0x80, 0xFF, 0xFF}, 1, 0xFF, {255, 127, 0}},
      {"16-bit RGB, high byte first", [](TColorManager& m) {
         m.SetSourceBitsPerSample(16);
         m.SourceOptions = optSwapBytes;
       }, {0xFF, 0x00, 0x00, 0x80, 0xFF, 0xFF}, 1, 0xFF, {255, 0, 254}},
      {"RGBA to BGRA carries alpha", [](TColorManager& m) {
         m.SetSourceColorScheme(schRGBA);
         m.SetTargetColorScheme(schBGRA);
       }, {1, 2, 3, 4, 5, 6, 7, 8}, 2, 0xFF, {3, 2, 1, 4, 7, 6, 5, 8}},
      {"RGB to BGRA keeps the target's alpha", [](TColorManager& m) {
         m.SetTargetColorScheme(schBGRA);
       }, {1, 2, 3, 4, 5, 6}, 2, 0xFF, {3, 2, 1, 0xEE, 6, 5, 4, 0xEE}},
      {"RGBA to BGR drops alpha", [](TColorManager& m) {
         m.SetSourceColorScheme(schRGBA);
       }, {1, 2, 3, 4, 5, 6, 7, 8}, 2, 0xFF, {3, 2, 1, 7, 6, 5}},
      {"16-bit RGBA to 8-bit BGRA scales alpha", [](TColorManager& m) {
         m.SetSourceColorScheme(schRGBA);
         m.SetTargetColorScheme(schBGRA);
         m.SetSourceBitsPerSample(16);
       }, {0, 1, 0, 2, 0, 3, 0xFF, 0x7F}, 1, 0xFF, {2, 1, 0, 127}},
      {"16 to 16 bits swaps once", [](TColorManager& m) {
         m.SetSourceBitsPerSample(16);
         m.SetTargetBitsPerSample(16);
         m.SourceOptions = optSwapBytes;
         m.SetTargetColorScheme(schRGB);
       }, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, 1, 0xFF, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A}},
      {"16-bit indexed to 4 bits", [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(16);
         m.SetTargetBitsPerSample(4);
         m.SourceOptions = optSwapBytes;
       }, {0xFF, 0xFF, 0x11, 0x11}, 2, 0xFF, {0xF1}},
      {"16-bit indexed to 16 bits swaps once", [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(16);
         m.SetTargetBitsPerSample(16);
         m.SourceOptions = optSwapBytes;
       }, {0x12, 0x34}, 1, 0xFF, {0x34, 0x12}},
      {"4-bit index to 16 bits", [](TColorManager& m) {
         m.SetSourceColorScheme(schIndexed);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(4);
         m.SetTargetBitsPerSample(16);
       }, {0x1F}, 2, 0xFF, {0x11, 0x11, 0xFF, 0xFF}},
      {"16-bit grey-alpha to 8-bit index", [](TColorManager& m) {
         m.SetSourceColorScheme(schGrayAlpha);
         m.SetTargetColorScheme(schIndexed);
         m.SetSourceBitsPerSample(16);
       }, {0x00, 0x80, 0xFF, 0xFF}, 1, 0xFF, {0x7F}},
      {"YCbCr mid-grey by the Photo-CD formula", [](TColorManager& m) {
         m.SetSourceColorScheme(schYCbCr);
       }, {128, 128, 128}, 1, 0xFF, {112, 194, 157}},
  };
  for (const Case& c : cases) {
    TColorManager m;
    c.Setup(m);
    EXPECT_EQ(Convert(m, c.Source, c.Count, c.Expected.size(), c.Mask, 0xEE), c.Expected)
        << c.Name;
  }
}

TEST(ColorManager, PlanarSourcesTakeOnePlanePerChannel) {
  TColorManager m;
  const Bytes r{1, 2}, g{3, 4}, b{5, 6}, a{7, 8};
  Bytes target(6);
  m.ConvertRow({r, g, b}, target, 2);
  EXPECT_EQ(target, (Bytes{5, 3, 1, 6, 4, 2}));

  m.SetSourceColorScheme(schRGBA);
  m.SetTargetColorScheme(schBGRA);
  target.assign(8, 0);
  m.ConvertRow({r, g, b, a}, target, 2);
  EXPECT_EQ(target, (Bytes{5, 3, 1, 7, 6, 4, 2, 8}));
  // Both sides with alpha read the alpha plane, so three planes are too few.
  EXPECT_THROW(m.ConvertRow({r, g, b}, target, 2), std::length_error);

  // A masked planar row reads the planes only for covered pixels.
  TColorManager masked;
  target.assign(6, 0xEE);
  masked.ConvertRow({Bytes{9}, Bytes{8}, Bytes{7}}, target, 2, 0x40);
  EXPECT_EQ(target, (Bytes{0xEE, 0xEE, 0xEE, 7, 8, 9}));
}

TEST(ColorManager, RaisesItsFourTexts) {
  {
    TColorManager m;
    m.SetSourceSamplesPerPixel(1);
    m.SetSourceColorScheme(schGray);
    m.SetTargetColorScheme(schIndexed);
    EXPECT_EQ(ErrorText([&] { Convert(m, {1}, 1, 1); }), SIndexedNotSupported);
  }
  {
    TColorManager m;
    m.SetSourceColorScheme(schIndexed);  // indexed into an RGB target
    EXPECT_EQ(ErrorText([&] { Convert(m, {1}, 1, 3); }), SIndexedNotSupported);
  }
  const std::vector<std::pair<const char*, std::function<void(TColorManager&)>>> noMethod = {
      {"CMYK into grey", [](TColorManager& m) {
         m.SetSourceColorScheme(schCMYK);
         m.SetTargetColorScheme(schGray);
       }},
      {"YCbCr into grey", [](TColorManager& m) {
         m.SetSourceColorScheme(schYCbCr);
         m.SetTargetColorScheme(schGrayAlpha);
       }},
      {"the unused scheme", [](TColorManager& m) { m.SetSourceColorScheme(schUnused); }},
      {"4-bit RGB", [](TColorManager& m) { m.SetSourceBitsPerSample(4); }},
      {"RGB into 2 bits", [](TColorManager& m) { m.SetTargetBitsPerSample(2); }},
      {"CIELab of 1 bit", [](TColorManager& m) {
         m.SetSourceColorScheme(schCIELab);
         m.SetSourceBitsPerSample(1);
       }},
      {"RGB into grey", [](TColorManager& m) { m.SetTargetColorScheme(schGray); }},
  };
  for (const auto& [name, setup] : noMethod) {
    TColorManager m;
    setup(m);
    EXPECT_EQ(ErrorText([&] { Convert(m, Bytes(64), 2, 64); }), SNoConversionMethod) << name;
  }
}

// A reader may change the options between rows without a setter; the next row sees them.
TEST(ColorManager, OptionsAssignedDirectlyCountFromTheNextRow) {
  TColorManager m;
  EXPECT_EQ(Convert(m, {128, 128, 128}, 1, 3), (Bytes{128, 128, 128}));
  m.TargetOptions = optGamma;
  const uint8_t g = m.GammaTable()[128];
  EXPECT_EQ(Convert(m, {128, 128, 128}, 1, 3), (Bytes{g, g, g}));
  m.SetSourceBitsPerSample(16);
  m.SourceOptions = optSwapBytes;
  EXPECT_EQ(Convert(m, {0xFF, 0, 0xFF, 0, 0xFF, 0}, 1, 3), (Bytes{255, 255, 255}));
  m.SourceOptions = 0;
  EXPECT_EQ(Convert(m, {0xFF, 0, 0xFF, 0, 0xFF, 0}, 1, 3), (Bytes{0, 0, 0}));
  // The alpha flag follows the schemes whatever was assigned.
  m.SourceOptions = optHasAlpha;
  Convert(m, Bytes(6), 1, 3);
  EXPECT_EQ(m.SourceOptions, 0);
}

// The indexed copy moves exactly the bytes of Count pixels, so exact-size rows are not overrun
// (the asan preset would report it) and bytes after a larger target stay.
TEST(ColorManager, IndexedCopyStaysInsideExactRows) {
  for (uint8_t bits : {uint8_t(8), uint8_t(4), uint8_t(2), uint8_t(1)}) {
    TColorManager m = IndexedManager(bits, bits);
    const size_t bytes = (10 * bits + 7) / 8;
    std::vector<uint8_t> source(bytes);
    for (size_t i = 0; i < bytes; ++i) source[i] = uint8_t(0x31 * (i + 1));
    auto exactTarget = std::make_unique<uint8_t[]>(bytes);
    m.ConvertRow({std::span<const uint8_t>(source)}, std::span<uint8_t>(exactTarget.get(), bytes),
                 10);
    EXPECT_EQ(Bytes(exactTarget.get(), exactTarget.get() + bytes), source) << int(bits);

    Bytes larger(bytes + 6, 0xEE);
    m.ConvertRow({source}, larger, 10);
    EXPECT_EQ(Bytes(larger.begin() + std::ptrdiff_t(bytes), larger.end()), Bytes(6, 0xEE));

    Bytes shortTarget(bytes - 1, 0xEE);
    EXPECT_THROW(m.ConvertRow({source}, shortTarget, 10), std::length_error);
    EXPECT_EQ(shortTarget, Bytes(bytes - 1, 0xEE));
    const Bytes shortSource(source.begin(), source.end() - 1);
    EXPECT_THROW(m.ConvertRow({shortSource}, larger, 10), std::length_error);
  }
}

TEST(ColorManager, ShortRowsThrowBeforeWritingAnything) {
  TColorManager m;
  Bytes target(6, 0xEE);
  EXPECT_THROW(m.ConvertRow({Bytes(5)}, target, 2), std::length_error);
  EXPECT_THROW(m.ConvertRow({Bytes(6)}, target, 3), std::length_error);
  EXPECT_THROW(m.ConvertRow({Bytes(2), Bytes(2), Bytes(1)}, target, 2), std::length_error);
  EXPECT_THROW(m.ConvertRow({Bytes(2), Bytes(2)}, target, 2), std::length_error);
  EXPECT_EQ(target, Bytes(6, 0xEE));
  // A masked row needs the covered pixels' samples only.
  m.ConvertRow({Bytes{1, 2, 3}}, target, 2, 0x80);
  EXPECT_EQ(target, (Bytes{3, 2, 1, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(m.SourceBytes(16, 0x88, 1), 4u * 3);
  EXPECT_EQ(m.SourceBytes(13, 0x88, 3), 4u);
  EXPECT_EQ(m.TargetBytes(13), 39u);
  // Nothing to convert needs nothing.
  m.ConvertRow({Bytes{}}, std::span<uint8_t>(), 0);
}

TEST(ColorManager, PixelFormatForEverySampleCountAndDepth) {
  using platform::TPixelFormat;
  struct Case {
    uint8_t Samples, Bits;
    std::optional<TPixelFormat> Format;
  };
  const Case cases[] = {
      {1, 1, platform::pf1bit},  {1, 2, platform::pf4bit},   {1, 4, platform::pf4bit},
      {1, 8, platform::pf8bit},  {1, 16, platform::pf8bit},  {3, 1, platform::pf15bit},
      {3, 2, platform::pf15bit}, {3, 4, platform::pf15bit},  {3, 8, platform::pf24bit},
      {3, 16, platform::pf24bit}, {4, 1, std::nullopt},      {4, 2, std::nullopt},
      {4, 4, std::nullopt},      {4, 8, platform::pf32bit},  {4, 16, platform::pf32bit},
  };
  for (const Case& c : cases) {
    TColorManager m;
    m.SetTargetSamplesPerPixel(c.Samples);
    m.SetTargetBitsPerSample(c.Bits);
    m.SetSourceSamplesPerPixel(c.Samples);
    m.SetSourceBitsPerSample(c.Bits);
    EXPECT_EQ(m.PixelFormatFor(true), c.Format) << int(c.Samples) << " x " << int(c.Bits);
    EXPECT_EQ(m.PixelFormatFor(false), c.Format) << int(c.Samples) << " x " << int(c.Bits);
  }
  TColorManager m;
  m.SetTargetBitsPerSample(16);
  EXPECT_EQ(m.PixelFormatFor(false), platform::pf24bit);  // the source side is untouched
}

TEST(ColorManager, GrayPalettes) {
  TColorManager m = IndexedManager(8, 1);
  EXPECT_EQ(m.MakeGrayPalette(false), (std::vector<TColor>{RGB(0, 0, 0), RGB(255, 255, 255)}));
  EXPECT_EQ(m.MakeGrayPalette(true), (std::vector<TColor>{RGB(255, 255, 255), RGB(0, 0, 0)}));
  m.SetTargetBitsPerSample(2);
  EXPECT_EQ(m.MakeGrayPalette(false), (std::vector<TColor>{RGB(0, 0, 0), RGB(85, 85, 85),
                                                           RGB(170, 170, 170),
                                                           RGB(255, 255, 255)}));
  m.SetTargetBitsPerSample(4);
  std::vector<TColor> sixteen = m.MakeGrayPalette(false);
  ASSERT_EQ(sixteen.size(), 16u);
  EXPECT_EQ(sixteen[5], RGB(85, 85, 85));
  m.SetTargetBitsPerSample(16);
  std::vector<TColor> full = m.MakeGrayPalette(true);
  ASSERT_EQ(full.size(), 256u);
  EXPECT_EQ(full[0], RGB(255, 255, 255));
  EXPECT_EQ(full[200], RGB(55, 55, 55));

  m.SetTargetBitsPerSample(8);
  m.TargetOptions = optGamma;
  std::vector<TColor> corrected = m.MakeGrayPalette(false);
  const uint8_t g = m.GammaTable()[100];
  EXPECT_EQ(corrected[100], RGB(g, g, g));
  EXPECT_NE(g, 100);
}

TEST(ColorManager, PalettesFromEveryLayout) {
  TColorManager m;
  const std::vector<TColor> want{RGB(1, 2, 3), RGB(4, 5, 6)};
  EXPECT_EQ(m.MakePalette({Bytes{1, 2, 3, 4, 5, 6}}, palTriples8, 2, false), want);
  EXPECT_EQ(m.MakePalette({Bytes{3, 2, 1, 6, 5, 4}}, palTriples8, 2, true), want);
  EXPECT_EQ(m.MakePalette({Bytes{1, 2, 3, 9, 4, 5, 6, 9}}, palQuads8, 2, false), want);
  EXPECT_EQ(m.MakePalette({Bytes{3, 2, 1, 0, 6, 5, 4, 0}}, palQuads8, 2, true), want);
  EXPECT_EQ(m.MakePalette({Bytes{1, 4}, Bytes{2, 5}, Bytes{3, 6}}, palPlanes8, 2, false), want);
  EXPECT_EQ(m.MakePalette({Bytes{1, 4}, Bytes{2, 5}, Bytes{3, 6}}, 3, 2, true), want);

  // 16-bit values are reduced: v * 257 gives v back; high byte first when swapped.
  const std::vector<int> wide{257, 514, 771, 1028, 1285, 1542};
  EXPECT_EQ(m.MakePalette({Little16(wide)}, palTriples16, 2, false), want);
  EXPECT_EQ(m.MakePalette({Little16({771, 514, 257, 0, 1542, 1285, 1028, 0})}, palQuads16, 2,
                          true),
            want);
  EXPECT_EQ(m.MakePalette({Little16({257, 1028}), Little16({514, 1285}), Little16({771, 1542})},
                          palPlanes16, 2, false),
            want);
  m.SourceOptions = optSwapBytes;
  EXPECT_EQ(m.MakePalette({Big16({257, 1028}), Big16({514, 1285}), Big16({771, 1542})}, 7, 2,
                          false),
            want);
  EXPECT_EQ(m.MakePalette({Big16(wide)}, palTriples16, 2, false), want);

  m.TargetOptions = optGamma;
  const auto& t = m.GammaTable();
  EXPECT_EQ(m.MakePalette({Bytes{1, 2, 3}}, palTriples8, 1, false),
            (std::vector<TColor>{RGB(t[1], t[2], t[3])}));

  // At most 256 entries; data shorter than the entries need throws.
  TColorManager plain;
  EXPECT_EQ(plain.MakePalette({Bytes(3 * 300)}, palTriples8, 300, false).size(), 256u);
  EXPECT_THROW(plain.MakePalette({Bytes(5)}, palTriples8, 2, false), std::length_error);
  EXPECT_THROW(plain.MakePalette({Bytes(2), Bytes(2)}, palPlanes8, 2, false), std::length_error);
  EXPECT_THROW(plain.MakePalette({Bytes(2), Bytes(2), Bytes(1)}, palPlanes8, 2, false),
               std::length_error);
  EXPECT_THROW(plain.MakePalette({Bytes(15)}, palQuads16, 2, false), std::length_error);
  EXPECT_TRUE(plain.MakePalette({Bytes{}}, palTriples8, 0, false).empty());
}

// The fast paths of 8-bit RGB rows (several pixels a step) against the rule pixel by pixel, for
// every row length around their step sizes, in exact-size rows.
TEST(ColorManager, FastRgbRowsEqualThePixelRuleAtEveryLength) {
  for (int alpha = 0; alpha < 2; ++alpha)
    for (size_t count = 0; count <= 40; ++count) {
      const size_t bytes = count * (alpha ? 4 : 3);
      Bytes source(bytes), expected(bytes);
      for (size_t i = 0; i < bytes; ++i) source[i] = uint8_t(i * 7 + 3);
      for (size_t p = 0; p < count; ++p) {
        const size_t o = p * (alpha ? 4 : 3);
        expected[o] = source[o + 2];
        expected[o + 1] = source[o + 1];
        expected[o + 2] = source[o];
        if (alpha) expected[o + 3] = source[o + 3];
      }
      TColorManager m;
      if (alpha) {
        m.SetSourceColorScheme(schRGBA);
        m.SetTargetColorScheme(schBGRA);
      }
      auto exact = std::make_unique<uint8_t[]>(bytes);
      auto in = std::make_unique<uint8_t[]>(bytes);
      std::copy(source.begin(), source.end(), in.get());
      m.ConvertRow({std::span<const uint8_t>(in.get(), bytes)},
                   std::span<uint8_t>(exact.get(), bytes), count);
      EXPECT_EQ(Bytes(exact.get(), exact.get() + bytes), expected) << count << " " << alpha;
    }
}

TEST(ColorManager, WidenedPaletteIndexesFollowTheMask) {
  // Indexes 0-3 become 4-bit pixels as they are; a pass mask takes them only for its pixels.
  const std::vector<uint8_t> all = {0b00011011, 0b11100100};  // 0 1 2 3 3 2 1 0
  std::vector<uint8_t> row(4, 0xEE);
  WidenIndexes2To4(all, row, 8);
  EXPECT_EQ(row, (std::vector<uint8_t>{0x01, 0x23, 0x32, 0x10}));
  // Mask 0x55: pixels 1, 3, 5, 7 from the first four indexes; the others keep their nibble.
  const std::vector<uint8_t> pass = {0b11100100};  // 3 2 1 0
  row.assign(4, 0xEE);
  WidenIndexes2To4(pass, row, 8, 0x55);
  EXPECT_EQ(row, (std::vector<uint8_t>{0xE3, 0xE2, 0xE1, 0xE0}));
  // Mask 0x80 over 9 pixels: pixels 0 and 8.
  row.assign(5, 0);
  WidenIndexes2To4(std::vector<uint8_t>{0b01100000}, row, 9, 0x80);
  EXPECT_EQ(row, (std::vector<uint8_t>{0x10, 0, 0, 0, 0x20}));
  EXPECT_THROW(WidenIndexes2To4(std::vector<uint8_t>{}, row, 9, 0x80), std::length_error);
}
