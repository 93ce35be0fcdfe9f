#pragma once
// Reads the binary PPM and PGM files that ImageMagick and netpbm wrote as test oracles.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace gfxtest {

using namespace platform;

inline std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::ifstream in(std::string(CORVANE_FIXTURES) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A P6 (colour) or P5 (grey) file with maxval 255, as a 24-bit bitmap.
inline TBitmap ReadPnm(const std::string& name) {
  std::vector<uint8_t> data = ReadFixture(name);
  size_t pos = 0;
  auto token = [&]() {
    std::string t;
    while (pos < data.size()) {
      if (data[pos] == '#') {
        while (pos < data.size() && data[pos] != '\n') ++pos;
      } else if (std::isspace(data[pos])) {
        ++pos;
      } else {
        break;
      }
    }
    while (pos < data.size() && !std::isspace(data[pos])) t += char(data[pos++]);
    return t;
  };
  std::string magic = token();
  int width = std::stoi(token()), height = std::stoi(token()), maxval = std::stoi(token());
  ++pos;  // the single blank after maxval
  if ((magic != "P6" && magic != "P5") || maxval != 255)
    throw std::runtime_error("unsupported fixture " + name);
  const int channels = magic == "P6" ? 3 : 1;
  if (data.size() < pos + size_t(width) * height * channels)
    throw std::runtime_error("short fixture " + name);
  TBitmap b(width, height, pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &data[pos + (size_t(y) * width + x) * channels];
      b.SetPixel(x, y, channels == 3 ? RGB(p[0], p[1], p[2]) : RGB(p[0], p[0], p[0]));
    }
  return b;
}

// Empty when the two bitmaps show the same colours; otherwise where and how they differ.
inline std::string PixelDifference(const TBitmap& actual, const TBitmap& expected) {
  std::ostringstream out;
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
    out << "size " << actual.Width() << "x" << actual.Height() << ", expected "
        << expected.Width() << "x" << expected.Height();
    return out.str();
  }
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x)
      if (actual.GetPixel(x, y) != expected.GetPixel(x, y)) {
        out << "pixel (" << x << ", " << y << ") is " << std::hex << actual.GetPixel(x, y)
            << ", expected " << expected.GetPixel(x, y);
        return out.str();
      }
  return {};
}

// A small picture as text, one string per row: '.' for black, '#' for any other colour (or
// for `ink` only, when given).
inline std::vector<std::string> Shape(const TBitmap& b, TColor ink = clInvalid) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      TColor c = b.GetPixel(x, y);
      row += (ink == clInvalid ? c != clBlack : c == ink) ? '#' : '.';
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace gfxtest
