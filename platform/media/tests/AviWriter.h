#pragma once
// Test helper: writes an uncompressed 24-bit AVI of generated frames, for movies too long to
// commit as fixtures and for header variants ffmpeg does not write. Rows are stored
// bottom-up, as device-independent bitmaps are.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"

namespace avitest {

struct TAviOptions {
  int Width = 2;
  int Height = 2;
  int Frames = 1;
  bool StateLength = true;  // frame counts in the headers; 0 otherwise
  bool Index = true;        // an idx1 chunk after the frames
};

// Colour (blue, green, red) of pixel (x, y), top row 0, of frame n.
using TPixelOf = std::function<void(int n, int x, int y, uint8_t bgr[3])>;

inline void Put4cc(std::vector<uint8_t>& out, const char* fourcc) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(fourcc[i]));
}

// Writes the file; false when it cannot be saved.
inline bool WriteAvi(const std::string& path, const TAviOptions& o, const TPixelOf& pixel) {
  using platform::AppendU16;
  using platform::AppendU32;
  const uint32_t stride = (uint32_t(o.Width) * 3 + 3) & ~3u;
  const uint32_t frameBytes = stride * uint32_t(o.Height);
  const uint32_t stated = o.StateLength ? uint32_t(o.Frames) : 0;

  std::vector<uint8_t> f;
  Put4cc(f, "RIFF");
  AppendU32(f, 0);  // patched at the end
  Put4cc(f, "AVI ");

  Put4cc(f, "LIST");
  AppendU32(f, 4 + (8 + 56) + (8 + 4 + (8 + 56) + (8 + 40)));
  Put4cc(f, "hdrl");
  Put4cc(f, "avih");
  AppendU32(f, 56);
  AppendU32(f, 100000);  // 10 frames a second
  AppendU32(f, 0);
  AppendU32(f, 0);
  AppendU32(f, o.Index ? 0x10 : 0);  // has an index
  AppendU32(f, stated);
  AppendU32(f, 0);
  AppendU32(f, 1);  // streams
  AppendU32(f, frameBytes);
  AppendU32(f, uint32_t(o.Width));
  AppendU32(f, uint32_t(o.Height));
  for (int i = 0; i < 4; ++i) AppendU32(f, 0);

  Put4cc(f, "LIST");
  AppendU32(f, 4 + (8 + 56) + (8 + 40));
  Put4cc(f, "strl");
  Put4cc(f, "strh");
  AppendU32(f, 56);
  Put4cc(f, "vids");
  Put4cc(f, "DIB ");
  AppendU32(f, 0);  // flags
  AppendU16(f, 0);  // priority
  AppendU16(f, 0);  // language
  AppendU32(f, 0);  // initial frames
  AppendU32(f, 1);  // scale
  AppendU32(f, 10);  // rate
  AppendU32(f, 0);  // start
  AppendU32(f, stated);
  AppendU32(f, frameBytes);
  AppendU32(f, 0xFFFFFFFF);  // quality
  AppendU32(f, 0);  // sample size
  AppendU16(f, 0);
  AppendU16(f, 0);
  AppendU16(f, uint16_t(o.Width));
  AppendU16(f, uint16_t(o.Height));
  Put4cc(f, "strf");
  AppendU32(f, 40);
  AppendU32(f, 40);
  AppendU32(f, uint32_t(o.Width));
  AppendU32(f, uint32_t(o.Height));  // positive: bottom-up
  AppendU16(f, 1);
  AppendU16(f, 24);
  AppendU32(f, 0);  // BI_RGB
  AppendU32(f, frameBytes);
  for (int i = 0; i < 4; ++i) AppendU32(f, 0);

  Put4cc(f, "LIST");
  const size_t moviSize = f.size();
  AppendU32(f, 0);
  const size_t moviStart = f.size();
  Put4cc(f, "movi");
  std::vector<uint32_t> offsets;
  uint8_t bgr[3];
  for (int n = 0; n < o.Frames; ++n) {
    offsets.push_back(uint32_t(f.size() - moviStart));
    Put4cc(f, "00db");
    AppendU32(f, frameBytes);
    for (int y = o.Height - 1; y >= 0; --y) {
      for (int x = 0; x < o.Width; ++x) {
        pixel(n, x, y, bgr);
        for (int c = 0; c < 3; ++c) f.push_back(bgr[c]);
      }
      for (uint32_t pad = uint32_t(o.Width) * 3; pad < stride; ++pad) f.push_back(0);
    }
  }
  platform::StoreU32(&f[moviSize], uint32_t(f.size() - moviStart));
  if (o.Index) {
    Put4cc(f, "idx1");
    AppendU32(f, uint32_t(offsets.size() * 16));
    for (uint32_t offset : offsets) {
      Put4cc(f, "00db");
      AppendU32(f, 0x10);  // key frame
      AppendU32(f, offset);
      AppendU32(f, frameBytes);
    }
  }
  platform::StoreU32(&f[4], uint32_t(f.size() - 8));
  return platform::SaveFileAtomic(path, f.data(), f.size());
}

}  // namespace avitest
