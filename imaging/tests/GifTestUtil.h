#pragma once
// Building blocks of hand-made GIF data for the tests: LZW code streams packed by a writer of
// our own (independent of the encoders), minimal files around one frame, and a code-stream
// reader that reports every code with its width.
#include <cctype>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

using Bytes = std::vector<uint8_t>;

// Packs codes (value, width in bits) least-significant bit first into sub-blocks of at most
// `blockSize` bytes, after the initial code size byte; the terminator is added unless told not.
inline Bytes PackCodes(int initialBits, const std::vector<std::pair<int, int>>& codes,
                       size_t blockSize = 255, bool terminator = true) {
  Bytes data;
  uint64_t acc = 0;
  int n = 0;
  for (auto [code, width] : codes) {
    acc |= uint64_t(code) << n;
    n += width;
    while (n >= 8) {
      data.push_back(uint8_t(acc));
      acc >>= 8;
      n -= 8;
    }
  }
  if (n > 0) data.push_back(uint8_t(acc));
  Bytes out{uint8_t(initialBits)};
  for (size_t pos = 0; pos < data.size(); pos += blockSize) {
    const size_t len = std::min(blockSize, data.size() - pos);
    out.push_back(uint8_t(len));
    out.insert(out.end(), data.begin() + pos, data.begin() + pos + len);
  }
  if (terminator) out.push_back(0);
  return out;
}

// The codes of a raster stream with their widths, following the decoder's width rules; stops
// at the end code or the end of the data.
inline std::vector<std::pair<int, int>> ReadCodes(const Bytes& raster) {
  std::vector<std::pair<int, int>> codes;
  const int n0 = raster.at(0);
  Bytes data;
  size_t pos = 1;
  while (pos < raster.size() && raster[pos] != 0) {
    const size_t len = raster[pos];
    data.insert(data.end(), raster.begin() + pos + 1, raster.begin() + pos + 1 + len);
    pos += 1 + len;
  }
  const int clear = 1 << n0;
  int width = n0 + 1, nextFree = clear + 2;
  bool first = true;
  size_t bit = 0;
  while (bit + width <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit)
      if (data[bit / 8] & (1 << (bit % 8))) code |= 1 << i;
    codes.emplace_back(code, width);
    if (code == clear) {
      width = n0 + 1;
      nextFree = clear + 2;
      first = true;
      continue;
    }
    if (code == clear + 1) break;
    if (first) {
      first = false;
      continue;
    }
    if (nextFree < 4096) {
      ++nextFree;
      if (nextFree >= (1 << width) && width < 12) ++width;
    }
  }
  return codes;
}

// A GIF89a file of one frame: screen = frame size, a grey global table of 2^bits entries.
inline Bytes WrapFrame(int width, int height, int bits, const Bytes& raster,
                       bool interlaced = false) {
  Bytes out{'G', 'I', 'F', '8', '9', 'a', uint8_t(width), uint8_t(width >> 8), uint8_t(height),
            uint8_t(height >> 8), uint8_t(0xF0 | ((bits - 1) & 7)), 0, 0};
  for (int i = 0; i < (1 << bits); ++i) out.insert(out.end(), 3, uint8_t(i));
  Bytes desc{',', 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
             uint8_t(height >> 8), uint8_t(interlaced ? 0x40 : 0)};
  out.insert(out.end(), desc.begin(), desc.end());
  out.insert(out.end(), raster.begin(), raster.end());
  out.push_back(';');
  return out;
}

// The text of the exception `f` throws, or "" when it throws none.
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// Deterministic pseudo-random bytes below `limit`.
inline Bytes RandomIndices(size_t count, int limit, uint32_t seed) {
  Bytes out(count);
  uint32_t s = seed;
  for (uint8_t& v : out) {
    s = s * 1664525u + 1013904223u;
    v = uint8_t((s >> 16) % uint32_t(limit));
  }
  return out;
}

}  // namespace giftest

namespace giftest {

// The frames of a file of binary PPMs (maxval 255) one after the other, as giftopnm wrote them
// through ppmtoppm: width, height and RGB bytes per frame.
struct TPpmFrame {
  int Width = 0, Height = 0;
  Bytes Rgb;
};

inline std::vector<TPpmFrame> ParsePpms(const Bytes& data) {
  std::vector<TPpmFrame> frames;
  size_t pos = 0;
  auto token = [&]() {
    std::string t;
    while (pos < data.size() && (data[pos] == ' ' || data[pos] == '\n' || data[pos] == '\r' ||
                                 data[pos] == '\t' || data[pos] == '#')) {
      if (data[pos] == '#')
        while (pos < data.size() && data[pos] != '\n') ++pos;
      else
        ++pos;
    }
    while (pos < data.size() && !std::isspace(data[pos])) t += char(data[pos++]);
    return t;
  };
  while (pos < data.size()) {
    if (token() != "P6") break;
    TPpmFrame f;
    f.Width = std::stoi(token());
    f.Height = std::stoi(token());
    token();  // maxval 255
    ++pos;
    const size_t n = size_t(f.Width) * size_t(f.Height) * 3;
    f.Rgb.assign(data.begin() + long(pos), data.begin() + long(pos + n));
    pos += n;
    frames.push_back(std::move(f));
  }
  return frames;
}

}  // namespace giftest
